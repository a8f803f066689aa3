#!/usr/bin/env bash
# The window build natively on Wayland, under a headless weston of its own (1280x800, a white
# desktop, no panel, its screenshot protocol on):
# - the harukaze program plays the sample game with QT_QPA_PLATFORM=wayland: its window appears
#   in the compositor's picture, its frame log reaches the opening's first message, and it ends
#   cleanly on SIGTERM; on an output of scale 2 (HiDPI) its window keeps its desktop size and
#   shows the picture at exactly 2x, as the headless runner draws it;
# - the widget test WaylandGame (tests/qt/wayland_test.cpp) plays the sample game's opening by
#   clicks to the title, checks the compositor shows the title as the engine drew it, starts the
#   story, opens and closes the settings from the context menu, goes full screen and back, and
#   shows the floating window clear outside its shape.
# Needs BUILD_DIR and SOURCE_DIR; uses weston (headless backend, weston-screenshooter), Qt's
# wayland platform plugin (qt6-wayland) and ImageMagick. Screenshots are kept in
# BUILD_DIR/tests/screenshots.
set -euo pipefail

BUILD_DIR=${BUILD_DIR:?BUILD_DIR must name the build directory}
: "${SOURCE_DIR:?SOURCE_DIR must name the source tree}"
fail() {
    echo "FAIL: $*"
    [ -n "${WORK:-}" ] && [ -s "$WORK/weston.log" ] && echo "weston log: $(tail -n 5 "$WORK/weston.log")"
    exit 1
}
GAME="$BUILD_DIR/app/harukaze"
TESTS="$BUILD_DIR/tests/qt/test_qt"
if [ ! -x "$GAME" ] || [ ! -x "$TESTS" ]; then
    echo "SKIP: the window build or its tests were not built"
    exit 0
fi
for tool in weston weston-screenshooter convert; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs weston)"
done
plugins=$(qtpaths6 --plugin-dir 2>/dev/null || true)
# shellcheck disable=SC2086 # the default is a pattern
found=$(ls ${plugins:-/usr/lib/*/qt6/plugins}/platforms/libqwayland-*.so 2>/dev/null | head -n1)
[ -n "$found" ] || fail "Qt's wayland platform plugin is missing (scripts/install-deps.sh installs qt6-wayland)"

WORK=$(mktemp -d)
WESTON_PID=""
GAME_PID=""
cleanup() {
    [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null || true
    [ -n "$WESTON_PID" ] && kill "$WESTON_PID" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
SHOTS="$BUILD_DIR/tests/screenshots"
mkdir -p "$SHOTS" "$WORK/shots"

# shellcheck source=tests/scripts/sample_game.bash
source "$(dirname "$0")/sample_game.bash"
sample_game "$WORK/game"

# ---- The compositor: headless, drawn by pixman so that screenshots have pixels.
mkdir -m 700 "$WORK/runtime"
mkdir "$WORK/config"
cat >"$WORK/weston.ini" <<'EOF'
[core]
idle-time=0

[shell]
panel-position=none
background-color=0xffffffff
EOF
export XDG_RUNTIME_DIR="$WORK/runtime" XDG_CONFIG_HOME="$WORK/config"
weston --backend=headless-backend.so --use-pixman --width=1280 --height=800 --socket=harukaze-test \
    --config="$WORK/weston.ini" --debug --log="$WORK/weston.log" 2>"$WORK/weston.err" &
WESTON_PID=$!
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/harukaze-test" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/harukaze-test" ] || fail "weston did not start: $(cat "$WORK/weston.err")"
export WAYLAND_DISPLAY=harukaze-test QT_QPA_PLATFORM=wayland SDL_AUDIODRIVER=dummy
unset DISPLAY

# ---- The program itself.
LOG="$WORK/frames.log"
(cd "$WORK/game" && exec env HARUKAZE_FRAME_LOG="$LOG" "$GAME" >"$WORK/game.out" 2>"$WORK/game.err") &
GAME_PID=$!
message_shown() { grep -qE '^[0-9]+ 00006002 ' "$LOG" 2>/dev/null; }
for _ in $(seq 600); do
    message_shown && break
    kill -0 "$GAME_PID" 2>/dev/null || fail "harukaze ended on Wayland: $(cat "$WORK/game.err")"
    sleep 0.1
done
message_shown || fail "harukaze on Wayland showed no message within 60 s: $(tail -n 3 "$LOG" 2>/dev/null)"
sleep 0.5
(cd "$WORK/shots" && weston-screenshooter >/dev/null 2>&1) || fail "weston-screenshooter failed"
shot=$(ls "$WORK/shots"/wayland-screenshot-*.png | head -n1)
mv "$shot" "$SHOTS/window_wayland_program.png"
# Most of the screen is the game's picture, not the white desktop.
white=$(convert "$SHOTS/window_wayland_program.png" -fill black +opaque white -format '%[fx:round(mean*w*h)]' info:)
[ "$white" -lt $((1280 * 800 - 400000)) ] || fail "the compositor shows no game picture ($white white pixels)"
kill -TERM "$GAME_PID"
status=0
wait "$GAME_PID" || status=$?
GAME_PID=""
[ "$status" -eq 0 ] || fail "harukaze ended with status $status on SIGTERM"
! grep -q "error:" "$WORK/game.err" || fail "harukaze reported an error: $(cat "$WORK/game.err")"
echo "ok: harukaze runs on Wayland: its picture is on the compositor's screen, it ends cleanly"

# ---- A HiDPI output (scale 2): the window keeps its desktop size of 800x600 and shows the
# ---- picture at exactly 2x on the output's own pixels, as the runner draws it.
cp -r "$WORK/game" "$WORK/headless"
printf 'until-task TASK_WAIT_MESSAGE max-ms 60000\nticks 2\nscreenshot first.png\n' >"$WORK/first.txt"
"$BUILD_DIR/tools/harukaze-tool" run --game "$WORK/headless" --input "$WORK/first.txt" --out "$WORK" --quiet
python3 "$(dirname "$0")/shot_compare.py" sample "$WORK/first.png" 1600 1200 "$WORK/first_2x.png"
kill "$WESTON_PID"
wait "$WESTON_PID" 2>/dev/null || true
weston --backend=headless-backend.so --use-pixman --width=1000 --height=800 --scale=2 --socket=harukaze-hidpi \
    --config="$WORK/weston.ini" --debug --log="$WORK/weston.log" 2>"$WORK/weston.err" &
WESTON_PID=$!
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/harukaze-hidpi" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/harukaze-hidpi" ] || fail "weston at scale 2 did not start: $(cat "$WORK/weston.err")"
export WAYLAND_DISPLAY=harukaze-hidpi
rm -rf "$WORK/game/Save"* "$LOG" "$XDG_CONFIG_HOME/harukaze"
(cd "$WORK/game" && exec env HARUKAZE_FRAME_LOG="$LOG" "$GAME" >"$WORK/game.out" 2>"$WORK/game.err") &
GAME_PID=$!
for _ in $(seq 600); do
    message_shown && break
    kill -0 "$GAME_PID" 2>/dev/null || fail "harukaze ended on the HiDPI output: $(cat "$WORK/game.err")"
    sleep 0.1
done
message_shown || fail "harukaze showed no message on the HiDPI output"
# The picture is found in the output by its top rows and compared row by row, leaving out the
# wait icon (picture 752..783, 552..583, which turns in its own time).
sharp_2x() {
    rm -f "$WORK/shots"/wayland-screenshot-*.png
    (cd "$WORK/shots" && weston-screenshooter >/dev/null 2>&1) || return 1
    mv "$WORK/shots"/wayland-screenshot-*.png "$WORK/hidpi.png"
    convert "$WORK/hidpi.png" -depth 8 "rgb:$WORK/hidpi.rgb"
    convert "$WORK/first_2x.png" -depth 8 "rgb:$WORK/first_2x.rgb"
    python3 "$(dirname "$0")/checks.py" picture-at-2x "$WORK/hidpi.rgb" "$(identify -format %w "$WORK/hidpi.png")" \
        "$WORK/first_2x.rgb"
}
for _ in $(seq 10); do sharp_2x >"$WORK/hidpi.log" 2>&1 && break; sleep 0.5; done
sharp_2x || fail "on the scale-2 output: $(cat "$WORK/hidpi.log")"
cp "$WORK/hidpi.png" "$SHOTS/window_wayland_scale2.png"
kill -TERM "$GAME_PID"
status=0
wait "$GAME_PID" || status=$?
GAME_PID=""
[ "$status" -eq 0 ] || fail "harukaze ended with status $status on the HiDPI output"
echo "ok: on a Wayland output of scale 2 the picture is exactly 2x on the output's pixels"

# ---- The widget test, on a compositor of scale 1 again.
kill "$WESTON_PID"
wait "$WESTON_PID" 2>/dev/null || true
weston --backend=headless-backend.so --use-pixman --width=1280 --height=800 --socket=harukaze-test2 \
    --config="$WORK/weston.ini" --debug --log="$WORK/weston.log" 2>"$WORK/weston.err" &
WESTON_PID=$!
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/harukaze-test2" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/harukaze-test2" ] || fail "weston did not start again: $(cat "$WORK/weston.err")"
export WAYLAND_DISPLAY=harukaze-test2
status=0
HARUKAZE_TEST_GAME="$WORK/game" HARUKAZE_TEST_SHOTS="$WORK/shots" \
    "$TESTS" --gtest_filter='WaylandGame.*' >"$WORK/tests.out" 2>&1 || status=$?
for name in title menu settings full_screen float; do
    if [ -s "$WORK/shots/wayland_$name.png" ]; then cp "$WORK/shots/wayland_$name.png" "$SHOTS/window_wayland_$name.png"; fi
done
[ "$status" -eq 0 ] || fail "the Wayland test failed: $(tail -n 40 "$WORK/tests.out")"
grep -q "PASSED.* 1 test" "$WORK/tests.out" || fail "the Wayland test did not run: $(tail -n 5 "$WORK/tests.out")"
echo "ok: on Wayland the title, a click, the settings, full screen and the floating window"
echo "PASS"
