#!/usr/bin/env bash
# Builds the libFuzzer targets (preset 'fuzz') and runs them one after another.
#
# Usage: bash fuzz/run.sh [--seconds N] [--runs N] [TARGET...]
#   --seconds N   time limit per target (default 30)
#   --runs N      also stop a target after N executions (default: no limit)
#   TARGET...     the targets to run (default: every target in fuzz/corpus/)
#
# Each target starts from its seed corpus fuzz/corpus/<target>/ (read only) and grows a working
# corpus in fuzz/work/<target>/, kept between runs and never committed. A finding (a crash, a
# sanitizer report, a failed check, a leak, a slow input, running out of memory) ends the run
# with a non-zero status and leaves the input in fuzz/artifacts/; replay it with
# build/fuzz/bin/<target> fuzz/artifacts/<file>. The full log of each run is in fuzz/work/logs/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=30
runs=-1
targets=()
while [ $# -gt 0 ]; do
    case "$1" in
    --seconds) seconds="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    -h | --help) sed -n '2,14p' "$0"; exit 0 ;;
    -*) echo "fuzz/run.sh: unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
    esac
done
if [ ${#targets[@]} -eq 0 ]; then
    for dir in fuzz/corpus/*/; do
        targets+=("$(basename "$dir")")
    done
fi

bash scripts/deps.sh base fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

mkdir -p fuzz/artifacts fuzz/work/logs
status=0
clean=0
for target in "${targets[@]}"; do
    binary="build/fuzz/bin/$target"
    if [ ! -x "$binary" ] || [ ! -d "fuzz/corpus/$target" ]; then
        echo "fuzz/run.sh: no target '$target' (binary $binary, seeds fuzz/corpus/$target/)" >&2
        exit 2
    fi
    mkdir -p "fuzz/work/$target"
    log="fuzz/work/logs/$target.log"
    printf '%-30s ' "$target"
    # One process, one worker: the machine's two cores are shared.
    if "$binary" "fuzz/work/$target" "fuzz/corpus/$target" \
        -max_total_time="$seconds" -runs="$runs" -max_len=4096 -timeout=10 -rss_limit_mb=4096 \
        -print_final_stats=1 -artifact_prefix="fuzz/artifacts/$target-" >"$log" 2>&1; then
        executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
        coverage=$(grep -o 'cov: [0-9]* ft: [0-9]* corp: [0-9]*/[0-9a-zA-Z]*' "$log" | tail -n 1)
        elapsed=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log")
        messages=$(sed -n 's/^stat::host_messages_delivered: *//p' "$log")
        delivered=""
        if [ -n "$messages" ] && [ "${elapsed:-0}" -gt 0 ]; then
            delivered=", ${messages} host messages ($((messages / elapsed))/s)"
        fi
        echo "ok: ${executions} runs in ${elapsed} s (${rate}/s)${delivered}, ${coverage}"
        clean=$((clean + 1))
    else
        status=1
        echo "FINDING (log $log)"
        tail -n 60 "$log"
    fi
done
echo "fuzz targets: ${clean} of ${#targets[@]} ran without a finding"
exit "$status"
