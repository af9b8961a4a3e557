#!/usr/bin/env bash
# Runs zeth_windows_host.exe against R7_DESK.dll under wine32 and judges its marker line.
#
# Usage: run_wine_host.sh --expect-pass|--expect-failure BINDIR
#   BINDIR holds zeth_windows_host.exe and R7_DESK.dll side by side.
#   --expect-pass     passes when the host prints "ZETH WINDOWS HOST: PASSED" and exits with 0.
#   --expect-failure  passes when the host itself reports "ZETH WINDOWS HOST: FAILED" (its checks
#                     or its crash filter caught the fault) and exits non-zero: the check for a
#                     DLL built with a virtual-table layout that the host cannot use.
# Anything else fails, wine failing to start included.
#
# wine is made ready and the prefix made by wine_prefix.sh: the prefix, made for the run in
# BINDIR/../wineprefix (ZETH_WINEPREFIX to move it), holds only what a console program that uses
# KERNEL32.dll and msvcrt.dll needs. Every wine process of the prefix is ended when the run is over.
set -euo pipefail

expectation=${1:-}
bindir=${2:-}
if [[ "$expectation" != --expect-pass && "$expectation" != --expect-failure ]] || [[ -z "$bindir" ]]; then
    echo "usage: $0 --expect-pass|--expect-failure BINDIR" >&2
    exit 2
fi
for file in zeth_windows_host.exe R7_DESK.dll; do
    if [[ ! -f "$bindir/$file" ]]; then
        echo "run_wine_host: $bindir/$file is missing" >&2
        exit 2
    fi
done
wine_script=run_wine_host
# shellcheck source=tests/windows/wine_prefix.sh
source "$(dirname "$0")/wine_prefix.sh"
wine_ready
prefix=${ZETH_WINEPREFIX:-$(cd "$bindir/.." && pwd)/wineprefix}
wine_use_prefix "$prefix"
wineserver --kill >/dev/null 2>&1 || true
wine_make_prefix "$prefix"

# --- the run -------------------------------------------------------------------------------------
log=$(mktemp)
stop_wine() {
    wineserver --kill >/dev/null 2>&1 || true
    rm -f "$log"
}
trap stop_wine EXIT

started=$SECONDS
status=0
(cd "$bindir" && timeout --kill-after=30 "${ZETH_WINE_TIMEOUT:-780}" \
    wine zeth_windows_host.exe) >"$log" 2>&1 || status=$?
cat "$log"
echo "run_wine_host: exit status $status after $((SECONDS - started)) s"

passed=no
failed=no
grep -qx 'ZETH WINDOWS HOST: PASSED' "$log" && passed=yes
grep -q '^ZETH WINDOWS HOST: FAILED' "$log" && failed=yes
if [[ "$expectation" == --expect-pass ]]; then
    if [[ $status -eq 0 && $passed == yes && $failed == no ]]; then
        echo "run_wine_host: the host passed, as expected"
        exit 0
    fi
    echo "run_wine_host: FAILED: expected the host's PASSED marker and exit status 0"
    exit 1
fi
if [[ $status -ne 0 && $failed == yes && $passed == no ]]; then
    echo "run_wine_host: the host caught the fault and failed, as expected"
    exit 0
fi
echo "run_wine_host: FAILED: expected the host itself to report FAILED with a non-zero status"
exit 1
