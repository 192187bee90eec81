#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for the given number of seconds,
# two at a time, starting from generated seeds. Fails on any finding.
set -uo pipefail
build=${1:?fuzz build folder}
seconds=${2:-60}
here=$(cd "$(dirname "$0")/.." && pwd)

python3 "$here/fuzz/make_seeds.py" "$build/seeds"
targets=$(cd "$build/fuzz" && ls fuzz_* 2>/dev/null | sed 's/^fuzz_//')
[ -n "$targets" ] || { echo "no fuzz targets in $build/fuzz"; exit 1; }

status=0
run() {
    local t=$1
    mkdir -p "$build/corpus/$t" "$build/findings/$t"
    if "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/findings/$t/" "$build/corpus/$t" "$build/seeds/$t" \
        > "$build/fuzz_$t.log" 2>&1; then
        echo "fuzz $t: $(grep -E 'stat::number_of_executed_units' "$build/fuzz_$t.log" | awk '{print $2}') runs, no finding"
    else
        echo "fuzz $t: FINDING"; tail -n 40 "$build/fuzz_$t.log"; return 1
    fi
}

pids=()
names=()
for t in $targets; do
    run "$t" &
    pids+=($!)
    names+=("$t")
    if [ ${#pids[@]} -ge 2 ]; then
        wait "${pids[0]}" || status=1
        pids=("${pids[@]:1}")
    fi
done
for p in "${pids[@]}"; do wait "$p" || status=1; done
exit $status
