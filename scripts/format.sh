#!/usr/bin/env bash
# Formats the tree with the project's .clang-format; --check only reports files that differ.
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' '*.hpp' | while read -r f; do [ -f "$f" ] && echo "$f"; done)
else
    # A copy of the tree without git (an exported archive): every source file outside build/.
    mapfile -t files < <(find . -path ./build -prune -o -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \) -print | sed 's|^\./||' | sort)
fi
[ ${#files[@]} -gt 0 ] || exit 0
if [ "${1:-}" = "--check" ]; then
    if ! clang-format --dry-run --Werror "${files[@]}"; then
        echo "Formatting differs from .clang-format: run 'bash scripts/format.sh' and commit the result." >&2
        exit 1
    fi
else
    clang-format -i "${files[@]}"
fi
