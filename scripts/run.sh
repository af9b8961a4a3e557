#!/usr/bin/env bash
# Builds the plug-in and the host emulator, then runs the emulator on its built-in facility.
# Arguments are passed to zeth-host (none: the built-in demo).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh base
echo "==> Building R7_DESK and zeth-host (preset 'ci', in build/ci)" >&2
cmake --preset ci >/dev/null
cmake --build --preset ci --target R7_DESK zeth-host >&2
exec build/ci/bin/zeth-host "$@"
