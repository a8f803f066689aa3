#!/usr/bin/env bash
# The libFuzzer harnesses of tests/fuzz, built with clang, coverage, ASan and UBSan.
#
#   scripts/fuzz.sh check             build, write the seeds and run every harness for
#                                     HARUKAZE_FUZZ_SECONDS (60) through CTest (label "fuzz")
#   scripts/fuzz.sh run SECONDS [HARNESS...]
#                                     long runs, one harness after another at the lowest priority;
#                                     the corpus grows in build-fuzz/corpus/HARNESS and findings
#                                     land in build-fuzz/findings/HARNESS
#   scripts/fuzz.sh parallel SECONDS [HARNESS...]
#                                     the same runs side by side (one build, one set of seeds),
#                                     then the runs and runs per second of each
#
# HARNESS is scene_payload, scene_exec, graphic, ogg or save_files. A finding is fixed, then its
# input is saved under tests/corpus/HARNESS/, where test_robustness replays it in every test run.
# DEMO_GAME=DIR adds a generated sample game's scenes, pictures and sounds to the seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
dir=${FUZZ_BUILD_DIR:-build-fuzz}
mode=${1:-check}
[ $# -gt 0 ] && shift

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/fuzz/lsan_suppressions.txt"

harnesses=(scene_payload scene_exec graphic ogg save_files)

CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHARUKAZE_BUILD_FUZZERS=ON \
    -DHARUKAZE_BUILD_TESTS=OFF -DHARUKAZE_BUILD_BENCH=OFF -DHARUKAZE_BUILD_QT=OFF \
    -DHARUKAZE_FUZZ_SECONDS="${HARUKAZE_FUZZ_SECONDS:-60}" >/dev/null
targets=(make_seeds)
for h in "${harnesses[@]}"; do targets+=("fuzz_$h"); done
cmake --build "$dir" -j "${JOBS:-$(nproc)}" --target "${targets[@]}"

# One long run of harness $1 for $2 seconds at the lowest priority; the log is kept beside the
# findings.
long_run() {
    local h=$1 seconds=$2
    mkdir -p "$dir/corpus/$h" "$dir/findings/$h"
    nice -n 19 "$dir/tests/fuzz/fuzz_$h" -max_total_time="$seconds" -timeout=120 -rss_limit_mb=3072 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$dir/findings/$h/" \
        "$dir/corpus/$h" "$dir/seeds/$h" >"$dir/findings/$h/last-run.log" 2>&1 || true
}

summary() {
    local h=$1 log="$dir/findings/$1/last-run.log"
    local runs rate
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    printf '%-16s runs %10s  per second %6s  findings %s\n' "$h" "${runs:-?}" "${rate:-?}" \
        "$(find "$dir/findings/$h" -maxdepth 1 -type f ! -name last-run.log | wc -l)"
}

case "$mode" in
check)
    (cd "$dir" && ctest --output-on-failure -L fuzz)
    ;;
run | parallel)
    seconds=${1:-1800}
    [ $# -gt 0 ] && shift
    [ $# -gt 0 ] && harnesses=("$@")
    "$dir/tests/fuzz/make_seeds" "$dir/seeds" ${DEMO_GAME:+--demo "$DEMO_GAME"}
    if [ "$mode" = run ]; then
        for h in "${harnesses[@]}"; do
            echo "== fuzz_$h for $seconds s"
            long_run "$h" "$seconds"
            grep -E '^#[0-9]+.*DONE|^stat::|ERROR|finding' "$dir/findings/$h/last-run.log" || true
        done
    else
        echo "== ${harnesses[*]} side by side for $seconds s"
        pids=()
        for h in "${harnesses[@]}"; do
            long_run "$h" "$seconds" &
            pids+=($!)
        done
        # Interrupted: each run's fuzzer (the child of its subshell), then the subshell.
        trap 'for p in "${pids[@]}"; do pkill -P "$p"; kill "$p"; done 2>/dev/null' INT TERM
        wait "${pids[@]}"
    fi
    for h in "${harnesses[@]}"; do summary "$h"; done
    ;;
*)
    echo "usage: scripts/fuzz.sh check | run SECONDS [HARNESS...] | parallel SECONDS [HARNESS...]" >&2
    exit 2
    ;;
esac
