#!/usr/bin/env bash
# scripts/deps.sh against stand-ins for apt-get, dpkg, dpkg-query and id on PATH: an archive that
# is half refreshed, with no network and no root. Each row sets how the stand-in apt behaves and
# what deps.sh must then do.
set -euo pipefail
deps="$(cd "$(dirname "$0")/../.." && pwd)/scripts/deps.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/bin"
# apt-get: FAKE_UPDATE_FAILS updates fail (a number, or "always") with the mirror's own message
# for the i386 security index, or for an amd64 one with FAKE_STALE_ARCH=amd64; FAKE_INSTALL says
# how installs go: ok, needs-target (a resolver failure unless -t is given) or fail. Every call is
# logged.
cat >"$work/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$FAKE_STATE/calls"
case " $* " in
*" update "*)
    count=$(($(cat "$FAKE_STATE/updates" 2>/dev/null || echo 0) + 1))
    echo "$count" >"$FAKE_STATE/updates"
    if [ "$FAKE_UPDATE_FAILS" = always ] || [ "$count" -le "$FAKE_UPDATE_FAILS" ]; then
        echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-${FAKE_STALE_ARCH:-i386}/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 203.0.113.80 80]"
        echo "   Hashes of expected file:"
        echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
        exit 100
    fi ;;
*" install "*)
    case "$FAKE_INSTALL" in
    ok) ;;
    needs-target)
        case " $* " in *" -t "*) ;; *)
            echo "E: Unable to correct problems, you have held broken packages."
            echo "E: pkgProblemResolver::Resolve generated breaks, this may be caused by held packages."
            exit 100 ;;
        esac ;;
    fail) echo "E: Unable to locate package wine32:i386"; exit 100 ;;
    esac ;;
esac
exit 0
EOF
cat >"$work/bin/dpkg" <<'EOF'
#!/usr/bin/env bash
case "$1" in --print-foreign-architectures) echo i386 ;; esac
EOF
# Nothing is installed, so every wanted package is missing.
printf '#!/usr/bin/env bash\nexit 1\n' >"$work/bin/dpkg-query"
printf '#!/usr/bin/env bash\necho 0\n' >"$work/bin/id"
chmod +x "$work/bin/"*
# A release that is not the one this project was written on: the suite must come from the file.
printf 'ID=debian\nVERSION_CODENAME=trixie\n' >"$work/os-release"

failures=0
fail() { echo "FAIL [$row]: $*"; failures=$((failures + 1)); }

# run ROW UPDATE_FAILS INSTALL [STALE_ARCH]: runs deps.sh for the wine group, keeping its status,
# its output and the stand-in's calls.
run() {
    row=$1
    rm -rf "$work/state" && mkdir "$work/state"
    set +e
    PATH="$work/bin:$PATH" FAKE_STATE="$work/state" FAKE_UPDATE_FAILS=$2 FAKE_INSTALL=$3 \
        FAKE_STALE_ARCH="${4:-i386}" ZETH_APT_RETRY_WAIT=0 ZETH_OS_RELEASE="$work/os-release" \
        bash "$deps" wine >"$work/out" 2>&1
    status=$?
    set -e
    updates=$(grep -c ' update ' "$work/state/calls" || true)
    installs=$(grep ' install ' "$work/state/calls" || true)
}
expect_status() { [ "$status" = "$1" ] || fail "status $status, wanted $1"; }
expect_out() { grep -q -F -- "$1" "$work/out" || fail "no line holding '$1'"; }
expect_no_out() { ! grep -q -F -- "$1" "$work/out" || fail "a line holding '$1'"; }

run "update fails twice, then works" 2 ok
expect_status 0
[ "$updates" = 3 ] || fail "$updates updates, wanted 3"
expect_out "'apt-get update' failed (try 2 of 3)"
expect_no_out "could not refresh"

run "update always fails, install works" always ok
expect_status 0
[ "$updates" = 3 ] || fail "$updates updates, wanted 3"
expect_out "could not refresh the index http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz (File has unexpected size (374820 != 376004). Mirror sync in progress?); installing from the others"
[ "$(grep -c 'could not refresh' "$work/out")" = 1 ] || fail "the stale index not named on one line"
[ "$(echo "$installs" | grep -c .)" = 1 ] || fail "installs: $installs"

run "install resolves only with the release's suite" always needs-target
expect_status 0
expect_out "trying once more with the release's own suite as the target (-t trixie)"
echo "$installs" | sed -n 2p | grep -q -- '-t trixie .*--no-remove .*wine32:i386' ||
    fail "second install was not '-t trixie' with --no-remove: $installs"
! echo "$installs" | grep -q -- '--allow-downgrades' || fail "an install allowed downgrades"

run "resolver failure with only a native index stale: no second try" always needs-target amd64
expect_status 1
[ "$(echo "$installs" | grep -c .)" = 1 ] || fail "installs: $installs"

run "install always fails" always fail
expect_status 1
expect_out "could not install qemu-user wine wine32:i386. apt said:"
expect_out "E: Unable to locate package wine32:i386"

if [ "$failures" -gt 0 ]; then
    echo "deps_test: $failures failures; the last run's output:"
    cat "$work/out"
    exit 1
fi
echo "deps_test: 5 rows passed"
