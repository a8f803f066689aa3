#!/usr/bin/env bash
# bench/game_perf.sh in its quick mode (2 s per period) on the sample game: every step of the
# benchmark runs through in the window build and every figure comes out. Its timings are not
# judged here; a busy machine makes them worse, not wrong.
# Needs BUILD_DIR and SOURCE_DIR; uses what game_perf.sh uses (xvfb-run, xdotool, a C compiler).
set -euo pipefail

BUILD_DIR=${BUILD_DIR:?BUILD_DIR must name the build directory}
SOURCE_DIR=${SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
fail() { echo "FAIL: $*"; exit 1; }
if [ ! -x "$BUILD_DIR/app/harukaze" ]; then
    echo "SKIP: $BUILD_DIR/app/harukaze was not built (window build disabled)"
    exit 0
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
# shellcheck source=tests/scripts/sample_game.bash
source "$SOURCE_DIR/tests/scripts/sample_game.bash"
sample_game "$WORK/game"

QUICK=1 GAME_DIR="$WORK/game" bash "$SOURCE_DIR/bench/game_perf.sh" "$BUILD_DIR" >"$WORK/out" 2>"$WORK/err" ||
    fail "game_perf.sh failed: $(cat "$WORK/err" "$WORK/out")"
cat "$WORK/out"
for figure in "startup  first title frame" "startup  the very first start" "title    cpu" "message  cpu" \
    "choice   cpu" "fades    cpu" "fades    .* presented frames/s" "memory   peak resident" \
    "allocs   the game's own per tick" "xvfb     X server cpu" "gamepad  cpu .* without a pad .* with one"; do
    grep -q "^$figure" "$WORK/out" || fail "no line '$figure'"
done
grep -q "n/a" "$WORK/out" && fail "a figure could not be measured"
echo "PASS"
