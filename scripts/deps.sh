#!/usr/bin/env bash
# Installs the Debian packages that a job needs, only when some are missing.
# Usage: scripts/deps.sh GROUP...   (groups: base, i386, mingw, wine, fuzz, valgrind, browser,
#                                    node)
# Packages named NAME:i386 come from Debian's i386 architecture, which is added first when needed.
#
# Installing needs root. Run as another user, or with ZETH_SKIP_DEPS=1, it only checks: it names
# each missing package and the command that installs it and fails, and goes on (status 0) when
# nothing is missing.
#
# A package archive can be half refreshed (a mirror in the middle of its sync serves an index of
# the wrong size for hours). So a failed index update is tried again (ZETH_APT_UPDATE_TRIES times
# in all, default 3, ZETH_APT_RETRY_WAIT seconds apart, default 5); an index that still cannot be
# refreshed is named and the install goes on from the indexes that were. When the install then
# cannot be resolved while an index of a foreign architecture is stale (multi-arch libraries must
# be at one version on both architectures), it is tried once more with the release's own suite,
# from /etc/os-release, as the target. No install ever downgrades or removes a package, but for
# g++-multilib's wanted replacement of the i686 cross compilers. Only a failed install fails.
set -euo pipefail

packages_for() {
    case "$1" in
    base) echo "cmake ninja-build g++ clang lld clang-format libgtest-dev libgmock-dev googletest
                libbenchmark-dev libtomlplusplus-dev libcli11-dev nlohmann-json3-dev diffutils
                libcpp-httplib-dev pkgconf python3 libboost-dev" ;;
    # 32-bit Linux build: -m32 through g++-multilib; its programs run through qemu-user where the
    # kernel runs no 32-bit programs itself.
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

apt_log=$(mktemp)
trap 'rm -f "$apt_log"' EXIT

# The indexes that the last update could not refresh, one "URL (reason)" a line.
stale_indexes=()
update_indexes() {
    local tries="${ZETH_APT_UPDATE_TRIES:-3}" wait="${ZETH_APT_RETRY_WAIT:-5}" try
    for ((try = 1; try <= tries; try++)); do
        if apt-get update -qq -o DPkg::Lock::Timeout=900 >"$apt_log" 2>&1; then
            stale_indexes=()
            return 0
        fi
        # apt names each index it could not fetch as "E: Failed to fetch URL  REASON [IP: ...]"
        # (W: in older releases); the rest of its output is context.
        mapfile -t stale_indexes < <(sed -n -E 's/ *\[IP: [^]]*\] *$//
            s/^[EW]: Failed to fetch ([^ ]+) +(.*)$/\1 (\2)/p' "$apt_log")
        if [ "$try" -lt "$tries" ]; then
            echo "scripts/deps.sh: 'apt-get update' failed (try $try of $tries); trying again in ${wait} s"
            sleep "$wait"
        fi
    done
    if [ ${#stale_indexes[@]} -eq 0 ]; then
        # Failed without naming an index (no network, a broken source list): say what apt said.
        echo "scripts/deps.sh: 'apt-get update' failed $tries times; installing from the indexes already here. apt said:"
        sed -n 's/^/    /p' "$apt_log" | head -n 5
    fi
    local index
    for index in "${stale_indexes[@]}"; do
        echo "scripts/deps.sh: could not refresh the index $index; installing from the others"
    done
}

# True when a stale index belongs to one of dpkg's foreign architectures ("binary-i386").
foreign_index_stale() {
    local arch index
    for arch in $(dpkg --print-foreign-architectures); do
        for index in "${stale_indexes[@]}"; do
            case "$index" in *"/binary-$arch/"*) return 0 ;; esac
        done
    done
    return 1
}

# The release's own suite ("bookworm"), from the system's os-release file.
release_suite() {
    local file="${ZETH_OS_RELEASE:-/etc/os-release}"
    [ -r "$file" ] && sed -n -E 's/^VERSION_CODENAME="?([^"]*)"?$/\1/p' "$file" | head -n 1
}

# apt-get install of the given packages, its output kept in $apt_log. -y never accepts a
# downgrade (that would need --allow-downgrades), and callers add --no-remove where no package
# may go.
apt_install() {
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        -o DPkg::Lock::Timeout=900 "$@" >"$apt_log" 2>&1
}

# Installs the packages; on a resolver failure caused by a stale foreign index, once more with the
# release's suite as the target. Fails naming the packages and apt's reason.
install_packages() {
    local options=() packages=()
    while [ "$1" != -- ]; do options+=("$1"); shift; done
    shift
    packages=("$@")
    if apt_install "${options[@]}" "${packages[@]}"; then
        return 0
    fi
    local suite
    suite=$(release_suite || true)
    if grep -q -E 'pkgProblemResolver|Unable to correct problems|unmet dependencies|held broken packages' "$apt_log" &&
        foreign_index_stale && [ -n "$suite" ]; then
        echo "scripts/deps.sh: the install could not be resolved while an index of a foreign architecture is stale; trying once more with the release's own suite as the target (-t $suite)"
        if apt_install -t "$suite" "${options[@]}" "${packages[@]}"; then
            return 0
        fi
    fi
    echo "scripts/deps.sh: could not install ${packages[*]}. apt said:" >&2
    { grep -E '^(E|W):' "$apt_log" || tail -n 5 "$apt_log"; } | sed 's/^/    /' >&2
    if [ ${#stale_indexes[@]} -gt 0 ]; then
        echo "Some indexes could not be refreshed (named above); run 'apt-get update' again later, then this command." >&2
    fi
    exit 1
}

update_indexes
if [ ${#replacing[@]} -gt 0 ]; then
    install_packages -- "${replacing[@]}"
fi
if [ ${#others[@]} -gt 0 ]; then
    install_packages --no-remove -- "${others[@]}"
fi
