#!/usr/bin/env bash
# Runs one Windows program under wine32 in a minimal prefix shared by the tests that run at the
# same time, and ends with the program's exit status: what the Windows suite runs zeth-host.exe
# through (as a cross build's emulator: wine_run.sh PREFIX PROGRAM ARGUMENT...).
#
# The prefix (wine_prefix.sh) is made once, by whichever test comes first, and kept: tests that
# run at once share it and its wineserver, which ends on its own a moment after the last of them.
# PROGRAM may be a Linux path; the program runs in the caller's folder with the caller's
# standard streams. ZETH_WINE_TIMEOUT (seconds, default 600) ends a run that hangs, with status
# 124.
set -euo pipefail

if [[ $# -lt 2 ]]; then
    echo "usage: $0 PREFIX PROGRAM [ARGUMENT...]" >&2
    exit 2
fi
prefix=$(realpath -m "$1")
shift
wine_script=wine_run
# shellcheck source=tests/windows/wine_prefix.sh
source "$(dirname "$0")/wine_prefix.sh"
wine_ready
wine_use_prefix "$prefix"
mkdir -p "$(dirname "$prefix")"
(
    flock 9
    if [[ ! -f $prefix/.r7desk-test-prefix ]]; then
        wine_make_prefix "$prefix"
    fi
) 9>"$prefix.lock"
exec timeout --kill-after=30 "${ZETH_WINE_TIMEOUT:-600}" wine "$@"
