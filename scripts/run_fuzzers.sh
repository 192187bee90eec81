#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for the given number of seconds,
# two at a time, starting from its committed corpus (fuzz/corpus/<target>)
# with its dictionary (fuzz/dict/<target>.dict) when it has one. New inputs
# go to <build>/corpus/<target>, findings to <build>/findings/<target>.
# Fails on any finding.
set -uo pipefail
build=${1:?fuzz build folder}
seconds=${2:-20}
here=$(cd "$(dirname "$0")/.." && pwd)
# The leaks of linked libraries that the sanitizer runs skip (fontconfig's
# first match, liblqr's list nodes) are skipped by the fuzzers' leak check too.
export LSAN_OPTIONS="suppressions=$here/scripts/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

targets=$(cd "$build/fuzz" && ls fuzz_* 2>/dev/null | sed 's/^fuzz_//')
[ -n "$targets" ] || { echo "no fuzz targets in $build/fuzz"; exit 1; }
python3 "$here/fuzz/make_seeds.py" "$build/seeds" > /dev/null

status=0
run() {
    local t=$1
    mkdir -p "$build/corpus/$t" "$build/findings/$t"
    local inputs=("$build/corpus/$t")
    if [ -d "$here/fuzz/corpus/$t" ]; then inputs+=("$here/fuzz/corpus/$t"); else inputs+=("$build/seeds/$t"); fi
    local dict=()
    [ -f "$here/fuzz/dict/$t.dict" ] && dict=(-dict="$here/fuzz/dict/$t.dict")
    if "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 -print_final_stats=1 \
        "${dict[@]}" -artifact_prefix="$build/findings/$t/" "${inputs[@]}" > "$build/fuzz_$t.log" 2>&1; then
        echo "fuzz $t: $(grep -E 'stat::number_of_executed_units' "$build/fuzz_$t.log" | awk '{print $2}') runs, no finding"
    else
        echo "fuzz $t: FINDING"; tail -n 40 "$build/fuzz_$t.log"; return 1
    fi
}

pids=()
for t in $targets; do
    run "$t" &
    pids+=($!)
    if [ ${#pids[@]} -ge 2 ]; then
        wait "${pids[0]}" || status=1
        pids=("${pids[@]:1}")
    fi
done
for p in "${pids[@]}"; do wait "$p" || status=1; done
exit $status
