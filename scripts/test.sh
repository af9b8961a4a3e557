#!/usr/bin/env bash
# Builds everything and runs every check: formatting, the test suites with GCC and with Clang
# (warnings as errors), and the suites again under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."

step() { printf '\n==> %s\n' "$*"; }

step "Checking Debian packages"
bash scripts/deps.sh base

step "Checking formatting"
bash scripts/format.sh --check

for preset in ci clang asan; do
    step "Building and testing: preset '$preset'"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset" -j 2
done

step "All checks passed"
