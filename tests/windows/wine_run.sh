#!/usr/bin/env bash
# Runs one Windows program under wine32 in a minimal prefix shared by the tests that run at the
# same time, and ends with the program's exit status: what the Windows suite runs zeth-host.exe
# through (as a cross build's emulator: wine_run.sh --boot-event EXE PREFIX PROGRAM ARGUMENT...;
# EXE is the built wine_boot_event.exe, without which runs that start together can wait minutes).
#
# The prefix (wine_prefix.sh) is made once, by whichever test comes first, and kept: tests that
# run at once share it and its wineserver, which ends on its own a moment after the last of them.
# PROGRAM may be a Linux path; the program runs in the caller's folder with the caller's
# standard streams. ZETH_WINE_TIMEOUT (seconds, default 600) ends a run that hangs, with status
# 124.
set -euo pipefail

usage="usage: $0 --boot-event WINE_BOOT_EVENT_EXE PREFIX PROGRAM [ARGUMENT...]"
if [[ $# -lt 4 || $1 != --boot-event ]]; then
    echo "$usage" >&2
    exit 2
fi
boot_event=$2
prefix=$(realpath -m "$3")
shift 3
wine_script=wine_run
# shellcheck source=tests/windows/wine_prefix.sh
source "$(dirname "$0")/wine_prefix.sh"
wine_ready
wine_use_prefix "$prefix"
mkdir -p "$(dirname "$prefix")"
(
    flock 9
    if [[ ! -f $prefix/.r7desk-test-prefix ]]; then
        [[ -f $boot_event ]] || wine_fail "$boot_event is missing (build the mingw-i686 preset)"
        wine_make_prefix "$prefix" "$boot_event"
    fi
) 9>"$prefix.lock"
exec timeout --kill-after=30 "${ZETH_WINE_TIMEOUT:-600}" wine "$@"
