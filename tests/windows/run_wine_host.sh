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
# wine32's programs are 32-bit Linux programs; where the kernel cannot run those, qemu-i386 is
# registered for them in binfmt_misc (needs root).
#
# The wine prefix is made for the run in BINDIR/../wineprefix (ZETH_WINEPREFIX to move it) and
# holds only what a console program that uses KERNEL32.dll and msvcrt.dll needs: wine's own
# kernel32, kernelbase, ntdll and msvcrt in system32, with wineboot (services, devices, desktop,
# registry set-up) switched off. Under qemu a full prefix takes tens of minutes to make and minutes
# more per run to boot; this one takes a moment, and the host runs on the very same wine DLLs.
# Every wine process of the prefix is ended when the run is over.
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
command -v wine >/dev/null || { echo "run_wine_host: wine is missing (scripts/deps.sh wine)" >&2; exit 2; }

# --- 32-bit programs through qemu-i386 where the kernel cannot run them --------------------------
wine_loader=/usr/lib/wine/wine
if ! "$wine_loader" --version >/dev/null 2>&1; then
    binfmt=/proc/sys/fs/binfmt_misc
    if [[ ! -e $binfmt/register ]]; then
        mount -t binfmt_misc binfmt_misc $binfmt
    fi
    if [[ ! -e $binfmt/qemu-i386 ]]; then
        qemu=$(command -v qemu-i386) || { echo "run_wine_host: qemu-i386 is missing" >&2; exit 2; }
        # ELF class 32, little-endian, x86 (e_machine 3), executables and shared objects; F opens
        # the interpreter now, so it serves every mount namespace.
        magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
        mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
        printf ':qemu-i386:M::%s:%s:%s:F' "$magic" "$mask" "$qemu" >$binfmt/register
        echo "run_wine_host: registered $qemu for 32-bit x86 programs in binfmt_misc"
    fi
    "$wine_loader" --version >/dev/null 2>&1 ||
        { echo "run_wine_host: wine's 32-bit loader still does not start" >&2; exit 2; }
fi

# --- the wine prefix ---------------------------------------------------------------------------
prefix=${ZETH_WINEPREFIX:-$(cd "$bindir/.." && pwd)/wineprefix}
wine_dlls=
for dir in /usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/wine/i386-windows; do
    if [[ -f $dir/kernel32.dll ]]; then
        wine_dlls=$dir
        break
    fi
done
[[ -n $wine_dlls ]] || { echo "run_wine_host: wine's 32-bit DLLs are missing (wine32:i386)" >&2; exit 2; }

export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# No prefix set-up or update, no services, no debugger, no desktop menu entries.
export WINEDLLOVERRIDES="wineboot.exe,winedbg.exe,winemenubuilder.exe=d;mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
export WINEPREFIX="$prefix"

# Made anew for every run; a directory that this script did not make is never removed.
if [[ -d $prefix && -n "$(ls -A "$prefix")" && ! -f $prefix/.r7desk-test-prefix ]]; then
    echo "run_wine_host: $prefix exists and is not a prefix of this test; not touching it" >&2
    exit 2
fi
wineserver --kill >/dev/null 2>&1 || true
rm -rf "$prefix"
mkdir -p "$prefix/drive_c/windows/system32"
touch "$prefix/.r7desk-test-prefix"
echo disable >"$prefix/.update-timestamp"
for dll in ntdll kernelbase kernel32 msvcrt; do
    cp "$wine_dlls/$dll.dll" "$prefix/drive_c/windows/system32/"
done

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
