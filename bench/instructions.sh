#!/usr/bin/env bash
# Counts the instructions of each operation of panel_bench under callgrind, for machines whose
# CPU counter a program may not read. Each operation runs COUNT times and once not at all; the
# difference divided by COUNT is its cost, so the program's own start and set-up drop out.
#
# usage: bench/instructions.sh [path/to/panel_bench] [COUNT]
#   (defaults: build/ci/bin/panel_bench, 200). Needs valgrind; no root.
set -euo pipefail

bench=${1:-build/ci/bin/panel_bench}
count=${2:-200}
if ! command -v valgrind >/dev/null; then
    echo "instructions.sh: valgrind is not installed" >&2
    exit 1
fi
if [[ ! -x $bench ]]; then
    echo "instructions.sh: no benchmark at $bench (build the ci preset first)" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Instructions of one whole run of the program: the "summary:" line of callgrind's output.
instructionsOf() {
    valgrind --tool=callgrind --callgrind-out-file="$work/out" "$bench" --op "$1" "$2" \
        >/dev/null 2>"$work/log" || { cat "$work/log" >&2; exit 1; }
    sed -n 's/^summary: *//p' "$work/out"
}

declare -A cost
printf '%-22s %14s\n' operation instructions
for op in $("$bench" --list); do
    empty=$(instructionsOf "$op" 0)
    full=$(instructionsOf "$op" "$count")
    cost[$op]=$(((full - empty) / count))
    printf '%-22s %14d\n' "$op" "${cost[$op]}"
done

# The panel's path beside the two baselines of the same texts.
printf '\n%-14s %14s %14s\n' operation panel/stream panel/memcpy
for op in "${!cost[@]}"; do
    name=${op#panel/}
    if [[ $op == panel/* && -n ${cost[stream/$name]:-} && -n ${cost[memcpy/$name]:-} ]]; then
        awk -v n="$name" -v p="${cost[$op]}" -v s="${cost[stream/$name]}" \
            -v m="${cost[memcpy/$name]}" 'BEGIN { printf "%-14s %13.2fx %13.2fx\n", n, p / s, p / m }'
    fi
done
