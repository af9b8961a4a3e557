#!/usr/bin/env bash
# Builds everything and runs every check: formatting, the test suites with GCC and with Clang
# (warnings as errors), the suites again under AddressSanitizer and UBSan, the host's tests under
# ThreadSanitizer, zeth-host serve's page in headless Chromium, the framework, panel and host tests
# under valgrind, a short fuzzing run, and the deployed target: the 32-bit suites, R7_DESK.dll's
# tables and its release archive, and a Windows host under wine.
#
# Usage: scripts/test.sh [quick]
#   (nothing)  the whole gate, for CI and before a merge
#   quick      the edit loop: formatting, then preset 'ci' built and all its tests, the golden
#              transcripts among them
# ZETH_JOBS sets how many build and test jobs run at once (default: the build tool's own choice
# for builds, 2 for tests).
set -euo pipefail
cd "$(dirname "$0")/.."

mode="${1:-full}"
case "$mode" in
quick | full) ;;
*) echo "usage: scripts/test.sh [quick]" >&2; exit 2 ;;
esac
jobs="${ZETH_JOBS:-2}"
build_jobs=()
if [ -n "${ZETH_JOBS:-}" ]; then
    build_jobs=(-j "$ZETH_JOBS")
fi

step() { printf '\n==> %s\n' "$*"; }
# The seconds a step took, for the steps whose cost is worth watching.
took() { printf '(%s: %d s)\n' "$1" "$(($(date +%s) - $2))"; }

step "Checking Debian packages"
bash scripts/deps.sh base

step "Checking formatting"
bash scripts/format.sh --check

if [ "$mode" = quick ]; then
    step "Building and testing: preset 'ci' (quick: no other preset, sanitizer, fuzzer or target)"
    cmake --preset ci >/dev/null
    cmake --build --preset ci "${build_jobs[@]}"
    ctest --preset ci -j "$jobs"
    step "Quick checks passed (the whole gate: bash scripts/test.sh)"
    exit 0
fi

for preset in ci clang asan; do
    step "Building and testing: preset '$preset'"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" "${build_jobs[@]}"
    ctest --preset "$preset" -j "$jobs"
done

# --- The desks of zeth-host serve in a real browser (Chromium, headless) --------------------------
step "Browser: zeth-host serve in headless Chromium (tests/browser)"
started=$(date +%s)
bash tests/browser/run.sh build/ci/bin/zeth-host
took "Browser" "$started"

# --- Threads --------------------------------------------------------------------------------------
# Only the host's tests: the host is the one part that must stand up to a plug-in's threads
# (tests/host/threaded_plugin.cpp). The build preset builds host_tests and its plug-ins only.
step "ThreadSanitizer: building and testing the host's tests (preset 'tsan')"
started=$(date +%s)
cmake --preset tsan >/dev/null
cmake --build --preset tsan "${build_jobs[@]}"
ctest --preset tsan -j "$jobs"
took "ThreadSanitizer" "$started"

# --- valgrind on the ci preset's test executables -------------------------------------------------
# Each executable runs once as a whole (not test by test, as ctest would). Not the allocation
# tests: they replace operator new themselves. Definite leaks count as errors.
step "valgrind: framework, panel and host tests (preset 'ci' binaries)"
bash scripts/deps.sh valgrind
started=$(date +%s)
for suite in framework_tests panel_tests host_tests; do
    echo "valgrind: $suite"
    if ! valgrind --quiet --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
        "build/ci/bin/$suite" --gtest_brief=1; then
        echo "valgrind: $suite has failing tests, memory errors or definite leaks (the report is above)" >&2
        exit 1
    fi
done
took "valgrind" "$started"

# A short run of every libFuzzer target from its seed corpus; any finding fails the step.
step "Fuzzing: 30 s per target (preset 'fuzz')"
bash fuzz/run.sh --seconds 30

# --- The deployed word size: 32-bit Linux ---------------------------------------------------------
# Every suite built with -m32 and run natively (through qemu-i386 where the kernel cannot), with
# UBSan (ASan hangs under qemu for 32-bit and stays with the 64-bit 'asan' preset).
step "32-bit Linux: building and testing (preset 'linux-i386', UBSan)"
bash scripts/deps.sh i386
cmake --preset linux-i386 >/dev/null
cmake --build --preset linux-i386 "${build_jobs[@]}"
ctest --preset linux-i386 -j "$jobs"

# --- The deployed plug-in: R7_DESK.dll for the 32-bit Windows host ---------------------------------
# MinGW-w64 build; the DLL must export exactly load_zeth_client_script and import only KERNEL32.dll
# and msvcrt.dll. Also builds zeth-host.exe (MinGW-w64, the host's table) and zeth_windows_host.exe
# (MSVC ABI, clang and lld-link), and checks the release and kit ZIPs.
step "Windows DLL and zeth-host.exe: building, tables, ZIPs (preset 'mingw-i686')"
bash scripts/deps.sh mingw
started=$(date +%s)
cmake --preset mingw-i686 >/dev/null
cmake --build --preset mingw-i686 "${build_jobs[@]}"
ctest --preset mingw-i686
took "Windows build" "$started"

# --- R7_DESK.dll in Windows hosts' hands, under wine32 ---------------------------------------------
# zeth_windows_host.exe loads the DLL and holds a panel's life with it; it must print its PASSED
# marker. zeth-host.exe runs every golden scenario, validates the DLL, holds the supervisor's fault
# table, and runs and validates the example built against the installed Windows kit. Under a
# minute where the kernel runs 32-bit programs; through qemu, wine's start-up makes it longer.
step "Windows hosts under wine (test preset 'mingw-i686-wine')"
bash scripts/deps.sh wine
started=$(date +%s)
ctest --preset mingw-i686-wine -j "$jobs"
took "wine" "$started"

step "All checks passed"
