#!/usr/bin/env bash
# Installs the Debian packages that a job needs, only when some are missing.
# Usage: scripts/deps.sh GROUP...   (groups: base)
set -euo pipefail

packages_for() {
    case "$1" in
    base) echo "cmake ninja-build g++ clang lld clang-format libgtest-dev libgmock-dev googletest
                libbenchmark-dev libtoml11-dev libcli11-dev diffutils" ;;
    *) echo "scripts/deps.sh: unknown package group '$1' (known: base)" >&2; exit 2 ;;
    esac
}

wanted=()
for group in "${@:-base}"; do
    # shellcheck disable=SC2207
    wanted+=($(packages_for "$group"))
done

missing=()
for package in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages: ${missing[*]}. Run this script as root, or install them with apt-get." >&2
    exit 1
fi
echo "==> Installing Debian packages: ${missing[*]}"
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
