#!/usr/bin/env bash
# Builds everything and runs every check: formatting, the test suites with GCC and with Clang
# (warnings as errors), the suites again under AddressSanitizer and UBSan, and a short fuzzing run.
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

# A short run of every libFuzzer target from its seed corpus; any finding fails the step.
step "Fuzzing: 30 s per target (preset 'fuzz')"
bash fuzz/run.sh --seconds 30

step "All checks passed"
