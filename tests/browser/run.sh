#!/usr/bin/env bash
# The desks of `zeth-host serve` in a real browser: installs Debian's Chromium (and Node.js with
# npm when this machine has none), the pinned npm packages (npm ci, from package-lock.json), and
# runs the desk story headless against a built zeth-host.
#
# Usage: bash tests/browser/run.sh [ZETH-HOST]   (default: build/ci/bin/zeth-host)
#   ZETH_APPROVE_SCREENSHOT=1 bash tests/browser/run.sh
#       takes this run's screenshot of the desk as the approved one (look at it first: a failed
#       run leaves it in tests/browser/received/)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
host="${1:-$root/build/ci/bin/zeth-host}"
if [ ! -x "$host" ]; then
    echo "tests/browser/run.sh: no zeth-host at $host: build it first (cmake --build --preset ci)" >&2
    exit 2
fi
host="$(cd "$(dirname "$host")" && pwd)/$(basename "$host")"

bash "$root/scripts/deps.sh" browser
# Node.js may come from elsewhere than Debian (a newer one, with its own npm); only a machine
# with neither gets Debian's.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    bash "$root/scripts/deps.sh" node
fi

cd "$here"
npm ci --no-audit --no-fund --loglevel=error
ZETH_HOST="$host" node desk_story.mjs
