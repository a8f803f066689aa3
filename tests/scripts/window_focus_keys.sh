#!/usr/bin/env bash
# The keyboard alone in the window build, on a bare X server: Return reads through the opening to
# the title; there Up puts the pointer on the album entry, lit exactly as under the mouse; Return
# opens the album menu and Escape comes back from it; Down from the album entry goes round to the
# start entry and Return starts the story. The game's task comes from its frame log
# (HARUKAZE_FRAME_LOG), the pictures from ImageMagick's import; everything is waited for with a
# time limit, so a busy machine makes the check slower, not wrong.
# Needs BUILD_DIR and SOURCE_DIR; uses Xvfb, xdotool, xwininfo, ImageMagick and python3.
set -euo pipefail

SOURCE_DIR=${SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
SCRIPTS="$SOURCE_DIR/tests/scripts"
# shellcheck source=tests/scripts/xvfb.bash
source "$SCRIPTS/xvfb.bash"
window_check Xvfb xdotool xwininfo import python3
# shellcheck source=tests/scripts/sample_game.bash
source "$SCRIPTS/sample_game.bash"
sample_game "$WORK/game"
start_xvfb "$WORK" 1280x1024x24

LOG="$WORK/frames.log"
(cd "$WORK/game" && exec env HARUKAZE_FRAME_LOG="$LOG" "$GAME" >"$WORK/game.out" 2>"$WORK/game.err") &
GAME_PID=$!

# The frame log: one line per presented frame, "<ms> <task> ...".
last_frame() { grep -v '^#' "$LOG" 2>/dev/null | tail -n 1 || true; }
task_now() { last_frame | awk '{print $2}'; }
at_task() { [ "$(task_now)" = "$1" ]; }
origin_of() { xwininfo -id "$1" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} END {print x, y}'; }
# A player's press: down, 150 ms, up.
hold_key() {
    xdotool keydown "$1"
    sleep 0.15
    xdotool keyup "$1"
}
# The game's client area, once its picture has settled (two shots a moment apart agree).
shot() {
    local xy _
    xy=$(origin_of "$MAIN")
    for _ in $(seq 20); do
        import -window root -crop "800x600+${xy% *}+${xy#* }" +repage "png24:$WORK/$1.png"
        sleep 0.3
        import -window root -crop "800x600+${xy% *}+${xy#* }" +repage "png24:$WORK/$1.again.png"
        [ "$(differing "$1" "$1.again")" -eq 0 ] && return 0
    done
    fail "the picture did not settle for $1"
}
differing() { python3 "$SCRIPTS/shot_compare.py" diff "$WORK/$1.png" "$WORK/$2.png"; }

TITLE=00700102 ALBUM=00700202 MESSAGE=00006002
CAPTION="ＨＡＲＵＫＡＺＥ　radadu"
wait_in_game 30 window_named "$CAPTION" >/dev/null || fail "no game window appeared"
MAIN=$(window_named "$CAPTION")
xdotool windowfocus --sync "$MAIN" 2>/dev/null || true

# ---- The opening, read with Return.
deadline=$((SECONDS + 120))
until at_task "$TITLE"; do
    [ $SECONDS -lt $deadline ] || fail "Return did not read through to the title menu; task $(task_now)"
    if at_task "$MESSAGE"; then
        hold_key Return
        sleep 0.3
    fi
    sleep 0.1
done
echo "ok: Return read through the opening to the title menu"

# ---- The album entry lit by the mouse, then by Up from no entry: the same picture.
xdotool mousemove --window "$MAIN" 704 510
sleep 0.5
shot mouse
xdotool mousemove --window "$MAIN" 100 100
sleep 0.5
shot plain
[ "$(differing mouse plain)" -gt 0 ] || fail "the mouse did not light the album entry"
hold_key Up
sleep 0.5
shot key
[ "$(differing mouse key)" -eq 0 ] || fail "Up did not light the album entry as the mouse does ($(differing mouse key) pixels differ)"
echo "ok: Up from no entry lit the album entry as the mouse does"

# ---- Return opens the album menu, Escape comes back, Down goes round, Return starts the story.
hold_key Return
wait_in_game 20 at_task "$ALBUM" || fail "Return on the album entry did not open the album menu; task $(task_now)"
sleep 0.3
hold_key Escape
wait_in_game 20 at_task "$TITLE" || fail "Escape did not go back from the album menu; task $(task_now)"
sleep 0.3
hold_key Down
sleep 0.3
hold_key Return
wait_in_game 30 at_task "$MESSAGE" || fail "Down and Return did not start the story; task $(task_now)"
echo "ok: Return opened the album menu, Escape came back, Down and Return started the story"
end_game
