#!/usr/bin/env bash
# The test suite under the sanitizers: every test program built with AddressSanitizer and
# UndefinedBehaviorSanitizer (window build left out), and the sound tests, whose worker thread
# shares flags and buffers with the game thread, under ThreadSanitizer.
#
#   scripts/sanitize.sh [asan|tsan|all] [extra ctest arguments...]
#
# Build directories: build-asan and build-tsan (ASAN_BUILD_DIR / TSAN_BUILD_DIR override them).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
what=${1:-all}
[ $# -gt 0 ] && shift
jobs=${JOBS:-$(nproc)}

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/fuzz/lsan_suppressions.txt"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"

configure() {
    cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHARUKAZE_BUILD_QT=OFF \
        -DHARUKAZE_BUILD_BENCH=OFF -DHARUKAZE_SANITIZE="$2" >/dev/null
}

if [ "$what" = asan ] || [ "$what" = all ]; then
    dir=${ASAN_BUILD_DIR:-build-asan}
    echo "== AddressSanitizer + UndefinedBehaviorSanitizer: whole test suite ($dir)"
    configure "$dir" address,undefined
    cmake --build "$dir" -j "$jobs"
    # The window smoke test needs the window build, which is not part of this one.
    (cd "$dir" && ctest --output-on-failure -j "$jobs" -LE 'scripts|fuzz' "$@")
fi

if [ "$what" = tsan ] || [ "$what" = all ]; then
    dir=${TSAN_BUILD_DIR:-build-tsan}
    echo "== ThreadSanitizer: sound tests ($dir)"
    configure "$dir" thread
    cmake --build "$dir" -j "$jobs" --target test_sound
    (cd "$dir" && ctest --output-on-failure -j "$jobs" -L sound "$@")
fi
