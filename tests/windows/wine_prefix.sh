# Sourced by the scripts that run Windows programs under wine32 (run_wine_host.sh, wine_run.sh):
# wine made ready to start, and a minimal wine prefix.
#
# wine32's programs are 32-bit Linux programs; where the kernel cannot run those, qemu-i386 is
# registered for them in binfmt_misc (needs root).
#
# The prefix holds only what a console program that uses KERNEL32.dll, msvcrt.dll, ADVAPI32.dll
# and WS2_32.dll needs: those of wine's own DLLs and the ones they import, in system32, with wineboot (services, devices,
# desktop, registry set-up) replaced by a program that only says the prefix is ready. Under qemu a full prefix takes tens of minutes to make
# and minutes more per run to boot; this one takes a moment, and the programs run on the very same
# wine DLLs.

# Stops the calling script with status 2 and a message, under the name it was given.
wine_fail() {
    echo "$wine_script: $*" >&2
    exit 2
}

# wine_ready: wine is installed and its 32-bit loader starts (through qemu-i386 if need be).
wine_ready() {
    command -v wine >/dev/null || wine_fail "wine is missing (scripts/deps.sh wine)"
    local wine_loader=/usr/lib/wine/wine
    if ! "$wine_loader" --version >/dev/null 2>&1; then
        local binfmt=/proc/sys/fs/binfmt_misc
        if [[ ! -e $binfmt/register ]]; then
            mount -t binfmt_misc binfmt_misc $binfmt
        fi
        if [[ ! -e $binfmt/qemu-i386 ]]; then
            local qemu
            qemu=$(command -v qemu-i386) || wine_fail "qemu-i386 is missing"
            # ELF class 32, little-endian, x86 (e_machine 3), executables and shared objects; F
            # opens the interpreter now, so it serves every mount namespace.
            local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
            local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
            printf ':qemu-i386:M::%s:%s:%s:F' "$magic" "$mask" "$qemu" >$binfmt/register
            echo "$wine_script: registered $qemu for 32-bit x86 programs in binfmt_misc" >&2
        fi
        "$wine_loader" --version >/dev/null 2>&1 ||
            wine_fail "wine's 32-bit loader still does not start"
    fi
}

# wine_use_prefix PREFIX: the environment of every wine program run from here on.
wine_use_prefix() {
    export WINEARCH=win32
    export WINEDEBUG=${WINEDEBUG:--all}
    # No prefix set-up or update, no services, no debugger, no desktop menu entries.
    # wineboot.exe only as the prefix's own (wine_boot_event.cpp), where it has one.
    export WINEDLLOVERRIDES="winedbg.exe,winemenubuilder.exe=d;wineboot.exe=n;mscoree,mshtml="
    unset DISPLAY WAYLAND_DISPLAY
    export WINEPREFIX="$1"
}

# wine_make_prefix PREFIX [BOOT_EVENT]: makes the minimal prefix afresh, with BOOT_EVENT (the
# built wine_boot_event.exe) as its wineboot.exe: needed where programs start at the same time. A
# directory that these scripts did not make is never removed.
wine_make_prefix() {
    local prefix=$1 boot_event=${2:-} wine_dlls= dir dll
    for dir in /usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/wine/i386-windows; do
        if [[ -f $dir/kernel32.dll ]]; then
            wine_dlls=$dir
            break
        fi
    done
    [[ -n $wine_dlls ]] || wine_fail "wine's 32-bit DLLs are missing (wine32:i386)"
    if [[ -d $prefix && -n "$(ls -A "$prefix")" && ! -f $prefix/.r7desk-test-prefix ]]; then
        wine_fail "$prefix exists and is not a prefix of these tests; not touching it"
    fi
    rm -rf "$prefix"
    mkdir -p "$prefix/drive_c/windows/system32"
    touch "$prefix/.r7desk-test-prefix"
    echo disable >"$prefix/.update-timestamp"
    # With serve's sockets and its private folder: ws2_32, advapi32, and what they import.
    for dll in ntdll kernelbase kernel32 msvcrt ucrtbase advapi32 sechost ws2_32; do
        cp "$wine_dlls/$dll.dll" "$prefix/drive_c/windows/system32/"
    done
    if [[ -n $boot_event ]]; then
        cp "$boot_event" "$prefix/drive_c/windows/system32/wineboot.exe"
    fi
}
