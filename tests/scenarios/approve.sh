#!/usr/bin/env bash
# Approves changed golden transcripts: after a test run has written NAME.received.txt (or
# .jsonl) beside a scenario because its transcript changed, and you have read the diff, this
# makes the received transcript the approved one.
#
# Usage: bash tests/scenarios/approve.sh [NAME...]    (no NAME: every received transcript)
set -euo pipefail
cd "$(dirname "$0")"
shopt -s nullglob
if [ $# -eq 0 ]; then
    received=(*.received.txt *.received.jsonl)
else
    received=()
    for name in "$@"; do
        name="${name%.zeth}"
        received+=("$name".received.txt "$name".received.jsonl)
    done
fi
approved=0
for file in "${received[@]}"; do
    [ -f "$file" ] || continue
    mv "$file" "${file/.received./.approved.}"
    echo "approved ${file/.received./.approved.}"
    approved=$((approved + 1))
done
if [ "$approved" -eq 0 ]; then
    echo "No received transcripts to approve: run the tests first (ctest -R golden)." >&2
    exit 1
fi
