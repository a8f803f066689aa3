#!/usr/bin/env bash
# The sample game in the window build under openbox, played with a gamepad: SDL's own virtual
# controller, which the game attaches and drives from the lines this check writes to a FIFO
# (HARUKAZE_VIRTUAL_PAD). Each button is held for 150 ms, as a player presses it.
# - the opening's messages advance with A, and A starts a new game from the title (with the
#   pointer on はじめから);
# - A advances the story one message a press (a tap quicker than the game reads its keys too);
# - the pad unplugged while its trigger skips stops the skip at once (no key stays held), and the
#   pad plugged in again advances the story with A;
# - a trigger held skips to the first choice, the D-pad and A pick a line of it;
# - Start opens the game menu and B closes it; Start, the D-pad and A open the settings, the D-pad
#   turns the effects off and A leaves them with the story where it was (the setting is kept);
# - Start, the D-pad and A save into slot 1 with the comment the dialog offers, and load it back
#   after the story has moved on.
# The game's task and message number come from its frame log (HARUKAZE_FRAME_LOG); screenshots of
# the choice and the game menu are kept in BUILD_DIR/tests/screenshots.
# Needs BUILD_DIR and SOURCE_DIR; uses Xvfb, openbox, xdotool, xwininfo, ImageMagick and python3.
set -euo pipefail

SOURCE_DIR=${SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
SCRIPTS="$SOURCE_DIR/tests/scripts"
# shellcheck source=tests/scripts/xvfb.bash
source "$SCRIPTS/xvfb.bash"
window_check Xvfb openbox xdotool xwininfo import python3
SHOTS="$BUILD_DIR/tests/screenshots"
mkdir -p "$SHOTS"

# shellcheck source=tests/scripts/sample_game.bash
source "$SCRIPTS/sample_game.bash"
sample_game "$WORK/game"
start_xvfb "$WORK" 1280x1024x24
start_openbox "$WORK"

LOG="$WORK/frames.log"
mkfifo "$WORK/pad"
(cd "$WORK/game" && exec env HARUKAZE_FRAME_LOG="$LOG" HARUKAZE_VIRTUAL_PAD="$WORK/pad" "$GAME" \
    >"$WORK/game.out" 2>"$WORK/game.err") &
GAME_PID=$!
# Opened for reading and writing, so that this never waits for the game to open its end.
exec 7<>"$WORK/pad"
pad() { echo "$*" >&7; }
press() {
    pad button "$1" down
    sleep 0.15
    pad button "$1" up
    sleep 0.1
}

last_frame() { grep -v '^#' "$LOG" 2>/dev/null | tail -n 1 || true; }
task_now() { last_frame | awk '{print $2}'; }
message_now() { last_frame | awk '{print $6}'; }
is_task() { [ "$(task_now)" = "$1" ]; }
waiting_message() { is_task 00006002; }
now_ms() { date +%s%3N; }
frame_after() { [ "$(last_frame | awk '{print $1}')" -ge "$1" ] 2>/dev/null; }
run_for() {
    local until=$(($(now_ms) + $1))
    wait_in_game 30 frame_after "$until" || fail "the game presented no frame for 30 s"
}
message_is_not() { waiting_message && [ "$(message_now)" != "$1" ]; }
menu_closed() { ! menu_open; }
shot() {
    local xy
    xy=$(xwininfo -id "$MAIN" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} END {print x, y}')
    import -window root -crop "800x600+${xy% *}+${xy#* }" +repage "png24:$1"
}

CAPTION="ＨＡＲＵＫＡＺＥ　radadu"
wait_in_game 30 window_named "$CAPTION" >/dev/null || fail "no game window appeared"
MAIN=$(window_named "$CAPTION")
xdotool windowactivate --sync "$MAIN" 2>/dev/null || true
pad plug
grep -q "virtual pad" "$WORK/game.err" && fail "the virtual pad did not plug in"

# ---- The opening: A on each message until the title menu waits.
deadline=$((SECONDS + 90))
presses=0
until is_task 00700102; do
    [ $SECONDS -lt $deadline ] || fail "A did not lead through the opening; task $(task_now)"
    if waiting_message; then
        press A
        presses=$((presses + 1))
        sleep 0.4
    fi
    sleep 0.1
done
[ "$presses" -gt 0 ] || fail "the opening showed no message"
echo "ok: A led through the opening to the title menu ($presses presses)"

# ---- A new game: A with the pointer on はじめから.
# The title presents a frame when the entry under the pointer lights up.
lines=$(wc -l <"$LOG")
xdotool mousemove --window "$MAIN" 700 390
wait_in_game 10 eval '[ "$(wc -l <"$LOG")" -gt "$lines" ]' || fail "the start entry did not light up"
press A
wait_in_game 30 waiting_message || fail "A on はじめから did not start the story; task $(task_now)"
# The pointer off the game's picture, so that only the pad chooses.
xdotool mousemove 1270 1010
run_for 500

# ---- Messages: one per press of A.
for _ in 1 2 3; do
    message=$(message_now)
    press A
    wait_in_game 10 message_is_not "$message" || fail "A did not advance message $message; task $(task_now)"
    run_for 300
done
echo "ok: A advanced the story one message at a time (now message $(message_now))"
# A tap quicker than the game reads its keys (down and up in one write) still advances.
message=$(message_now)
printf 'button A down\nbutton A up\n' >&7
wait_in_game 10 message_is_not "$message" || fail "a quick tap of A on message $message was lost"
run_for 300
echo "ok: a quick tap of A advanced the story"

# ---- Unplugged while skipping (the first choice is still many messages away): the skip stops;
# ---- plugged in again, A still plays.
message=$(message_now)
pad axis TriggerLeft 32767
wait_in_game 10 eval '[ "$(message_now)" != "$message" ]' || fail "the left trigger did not skip from message $message"
pad unplug
# A transition the skip had cut short may still end the scene and bring the next one's first
# message; then the story waits.
sleep 0.5
wait_in_game 10 waiting_message || fail "the skip did not stop at a message (task $(task_now))"
run_for 1500
wait_in_game 10 waiting_message || fail "the skip did not stop at a message (task $(task_now))"
message=$(message_now)
run_for 1500
[ "$(message_now)" = "$message" ] && waiting_message ||
    fail "the story ran on from message $message after the pad was unplugged (task $(task_now))"
pad plug
run_for 500
press A
wait_in_game 10 message_is_not "$message" || fail "A on the pad plugged in again did not advance message $message"
run_for 300
echo "ok: unplugging the pad stopped its skip at message $message, and plugged in again it plays on"

# ---- A trigger held skips to the first choice; the D-pad and A pick its second line.
pad axis TriggerRight 32767
wait_in_game 60 is_task 00006802 || { pad axis TriggerRight 0; fail "the trigger did not skip to the choice; task $(task_now)"; }
pad axis TriggerRight 0
sleep 0.5
shot "$SHOTS/window_gamepad_choice.png"
press DPadDown
press DPadDown
sleep 0.3
press A
wait_in_game 10 waiting_message || fail "the D-pad and A picked no line of the choice; task $(task_now)"
echo "ok: the trigger skipped to the choice and the D-pad and A picked a line"
run_for 500

# ---- The game menu: Start opens it, B closes it; the settings opened and left from the pad.
message=$(message_now)
press Start
wait_in_game 10 menu_open || fail "Start did not open the game menu"
shot "$SHOTS/window_gamepad_menu.png"
press B
wait_in_game 10 menu_closed || fail "B did not close the game menu"
press Start
wait_in_game 10 menu_open || fail "Start did not open the game menu again"
for _ in 1 2 3 4 5 6 7 8; do press DPadDown; done # ｵﾌﾟｼｮﾝ
press A
wait_in_game 10 window_named "環境設定" >/dev/null || fail "the D-pad and A on the menu did not open the settings"
# The first control is the effects' radio pair: the D-pad turns the effects off, A leaves ("戻る").
press DPadDown
press A
wait_in_game 10 gone "環境設定" || fail "A did not leave the settings"
xdotool windowactivate --sync "$MAIN" 2>/dev/null || true
run_for 1000
[ "$(message_now)" = "$message" ] && waiting_message ||
    fail "the menu and the settings moved the story from message $message to $(message_now)"
echo "ok: Start opened the game menu, B closed it, and the settings opened and closed from the pad"

# ---- Saved into slot 1 with the comment the dialog offers, then loaded back after a message.
saved_message=$(message_now)
press Start
wait_in_game 10 menu_open || fail "Start did not open the game menu for the save"
for _ in 1 2 3 4 5 6; do press DPadDown; done # セーブ
press DPadRight
sleep 0.3
press A
wait_in_game 10 window_named "セーブコメント" >/dev/null || fail "the pad did not reach the save comment dialog"
press A
wait_in_game 10 gone "セーブコメント" || fail "A did not save with the offered comment"
xdotool windowactivate --sync "$MAIN" 2>/dev/null || true
# The slot's record is in use (its first byte); the offered comment of a new slot is empty.
python3 - "$WORK/game/Save01.dat" <<'PY' || fail "slot 1 was not written as a used slot"
import sys
data = open(sys.argv[1], "rb").read()
sys.exit(0 if data[0] == 1 else 1)
PY
run_for 500
press A
wait_in_game 10 message_is_not "$saved_message" || fail "A did not advance after the save"
run_for 300
press Start
wait_in_game 10 menu_open || fail "Start did not open the game menu for the load"
for _ in 1 2 3 4 5 6 7; do press DPadDown; done # ロード
press DPadRight
sleep 0.3
press A
wait_in_game 20 eval 'waiting_message && [ "$(message_now)" = "$saved_message" ]' ||
    fail "loading slot 1 from the pad did not bring back message $saved_message (now $(message_now), task $(task_now))"
echo "ok: the pad saved into slot 1 with the offered comment and loaded it back (message $saved_message)"

grep -q "virtual pad" "$WORK/game.err" && fail "the virtual pad refused a line: $(grep "virtual pad" "$WORK/game.err")"
end_game
python3 - "$WORK/game/Save00.dat" <<'PY' || fail "the effects setting changed from the pad was not kept"
import sys
effects_on = open(sys.argv[1], "rb").read()[263472]
sys.exit(0 if effects_on == 0 else 1)
PY
echo "ok: the effects turned off in the settings from the pad were kept"
echo "window gamepad: ok"
