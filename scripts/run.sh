#!/usr/bin/env bash
# Builds the plug-in and the host emulator, then runs the emulator on its built-in facility.
# Arguments are passed to zeth-host (none: the built-in demo).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh base
cmake --preset ci >/dev/null
cmake --build --preset ci
if [ -x build/ci/bin/zeth-host ]; then
    exec build/ci/bin/zeth-host "$@"
fi
echo "The plug-in and the framework are built in build/ci; the host emulator is not part of this tree yet."
