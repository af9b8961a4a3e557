#!/usr/bin/env bash
# Installs the Debian packages that a job needs, only when some are missing.
# Usage: scripts/deps.sh GROUP...   (groups: base, i386, mingw, wine, fuzz, valgrind, browser,
#                                    node)
# Packages named NAME:i386 come from Debian's i386 architecture, which is added first when needed.
#
# Installing needs root. Run as another user, or with ZETH_SKIP_DEPS=1, it only checks: it names
# each missing package and the command that installs it and fails, and goes on (status 0) when
# nothing is missing.
set -euo pipefail

packages_for() {
    case "$1" in
    base) echo "cmake ninja-build g++ clang lld clang-format libgtest-dev libgmock-dev googletest
                libbenchmark-dev libtomlplusplus-dev libcli11-dev nlohmann-json3-dev diffutils
                libcpp-httplib-dev pkgconf" ;;
    # 32-bit Linux build: -m32 through g++-multilib, run through qemu-user (the kernel runs no
    # 32-bit programs itself).
    # toml++ from the 64-bit package: the 32-bit build uses its headers only.
    i386) echo "cmake ninja-build g++-multilib qemu-user googletest libgtest-dev:i386
                libgmock-dev:i386 libtomlplusplus-dev" ;;
    # 32-bit Windows build: the DLL with MinGW-w64, the test host with clang and lld-link.
    mingw) echo "cmake ninja-build g++-mingw-w64-i686-posix binutils-mingw-w64-i686 clang lld" ;;
    # Windows programs under wine32, whose 32-bit loader runs through qemu-user (registered for
    # i386 in binfmt_misc by tests/windows/run_wine_host.sh).
    wine) echo "wine wine32:i386 qemu-user" ;;
    # libFuzzer targets: clang with its fuzzer and sanitizer runtimes.
    fuzz) echo "cmake ninja-build clang libclang-rt-14-dev" ;;
    # The test executables under valgrind's memory checker.
    valgrind) echo "valgrind" ;;
    # The browser test of zeth-host serve: Chromium, and the font its screenshot was approved with.
    browser) echo "chromium fonts-dejavu-core" ;;
    # Node.js and npm for the browser test, on a machine that has no node of its own.
    node) echo "nodejs npm" ;;
    *) echo "scripts/deps.sh: unknown package group '$1' (known: base, i386, mingw, wine, fuzz, valgrind, browser, node)" >&2
       exit 2 ;;
    esac
}

wanted=()
for group in "${@:-base}"; do
    # shellcheck disable=SC2207
    wanted+=($(packages_for "$group"))
done

missing=()
for package in $(printf '%s\n' "${wanted[@]}" | sort -u); do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
if [ "$(id -u)" -ne 0 ] || [ "${ZETH_SKIP_DEPS:-0}" = 1 ]; then
    why="not root"
    [ "${ZETH_SKIP_DEPS:-0}" = 1 ] && why="ZETH_SKIP_DEPS=1"
    echo "scripts/deps.sh: missing Debian packages ($why, so only checked):" >&2
    printf '    %s\n' "${missing[@]}" >&2
    echo "Install them as root with:" >&2
    if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
        ! dpkg --print-foreign-architectures | grep -qx i386; then
        echo "    dpkg --add-architecture i386" >&2
    fi
    echo "    apt-get update && apt-get install --no-install-recommends ${missing[*]}" >&2
    exit 1
fi
echo "==> Installing Debian packages: ${missing[*]}"
# g++-multilib replaces Debian's i686 cross compilers (a wanted removal), so it goes alone first;
# every other package, the NAME:i386 libraries above all, must never make apt remove one: fail
# instead.
replacing=()
others=()
foreign=no
for package in "${missing[@]}"; do
    case "$package" in
    g++-multilib) replacing+=("$package") ;;
    *:i386) others+=("$package"); foreign=yes ;;
    *) others+=("$package") ;;
    esac
done
if [ "$foreign" = yes ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
apt_install() {
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        -o DPkg::Lock::Timeout=900 "$@" >/dev/null
}
apt-get update -qq -o DPkg::Lock::Timeout=900
if [ ${#replacing[@]} -gt 0 ]; then
    apt_install "${replacing[@]}"
fi
if [ ${#others[@]} -gt 0 ]; then
    apt_install --no-remove "${others[@]}"
fi
