#!/usr/bin/env bash
# Long fuzzing: runs each fuzz target of a fuzz build, one after the other at
# the lowest priority, until it has used the given CPU seconds, starting from
# its committed corpus and dictionary. Prints and appends to
# <build>/fuzz-long.txt each target's CPU time, executions and findings;
# findings are kept in <build>/findings/<target>/ and fail the run.
#
#   scripts/fuzz_long.sh BUILD CPU_SECONDS [TARGET ...]
set -uo pipefail
build=${1:?fuzz build folder}
cpu_goal=${2:?CPU seconds per target}
shift 2
here=$(cd "$(dirname "$0")/.." && pwd)
# The leaks of linked libraries that the sanitizer runs skip (fontconfig's
# first match, liblqr's list nodes) are skipped by the fuzzers' leak check too.
export LSAN_OPTIONS="suppressions=$here/scripts/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    mapfile -t targets < <(cd "$build/fuzz" && ls fuzz_* | sed 's/^fuzz_//')
fi
python3 "$here/fuzz/make_seeds.py" "$build/seeds" > /dev/null

status=0
for t in "${targets[@]}"; do
    mkdir -p "$build/corpus/$t" "$build/findings/$t"
    inputs=("$build/corpus/$t")
    if [ -d "$here/fuzz/corpus/$t" ]; then inputs+=("$here/fuzz/corpus/$t"); else inputs+=("$build/seeds/$t"); fi
    dict=()
    [ -f "$here/fuzz/dict/$t.dict" ] && dict=(-dict="$here/fuzz/dict/$t.dict")
    cpu=0 execs=0 findings=0 round=0
    # Rounds of at most 10 minutes; the CPU time of each (user + system of
    # the fuzzer) counts, so a busy machine only makes the run longer. The
    # fuzzer's timeout is wall time: at the lowest priority beside a build an
    # input of a second can wait half a minute, so a hang is 120 s here.
    while [ "$cpu" -lt "$cpu_goal" ]; do
        round=$((round + 1))
        left=$((cpu_goal - cpu))
        log="$build/fuzz_long_${t}_$round.log"
        start=$(date +%s)
        /usr/bin/time -f "%U %S" -o "$build/fuzz_long_$t.time" nice -n 19 "$build/fuzz/fuzz_$t" \
            -max_total_time=$((left < 600 ? left : 600)) -timeout=120 -rss_limit_mb=2560 -print_final_stats=1 \
            "${dict[@]}" -artifact_prefix="$build/findings/$t/" "${inputs[@]}" > "$log" 2>&1
        rc=$?
        # time(1) puts "Command exited with non-zero status N" before the
        # figures when the fuzzer stops on a finding: the last line counts.
        used=$(tail -n 1 "$build/fuzz_long_$t.time" | awk '{printf "%d", $1 + $2}')
        [ "$used" -gt 0 ] || used=$(( $(date +%s) - start ))
        cpu=$((cpu + used))
        execs=$((execs + $(grep -E 'stat::number_of_executed_units' "$log" | awk '{s += $2} END {print s + 0}')))
        if [ $rc -ne 0 ]; then
            findings=$((findings + 1))
            echo "fuzz-long $t: finding in round $round (log $log)"
            tail -n 30 "$log"
            status=1
            break
        fi
    done
    line="fuzz-long $t: ${cpu} CPU s, $execs executions, $findings findings"
    echo "$line"
    echo "$(date -Is) $line" >> "$build/fuzz-long.txt"
done
exit $status
