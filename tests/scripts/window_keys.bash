# Sourced by window_keys.sh (no window manager) and window_keys_openbox.sh (openbox), with WM set to
# "none" or "openbox": the sample game in the window build, played with a keyboard as a player
# would (each key held for 150 ms), checks that no key leaks or sticks across the game's dialogs,
# its pop-up menu and a change of focus:
# - Return that confirms the save comment, leaves the settings or cancels the close question, and
#   Return that chooses an item of the pop-up menu, leaves the message number and the picture as
#   they were (it neither advances the story nor counts as held afterwards);
# - Return pressed on the menu that opens the settings and released in the settings is not held
#   afterwards;
# - Return held while another program takes the focus is let go: the story does not run on, neither
#   behind the other program nor when the game has the focus again;
# - Return held 150 or 300 ms in the log goes back to the current message and no further;
# - a Control tap (100 ms, or instant) advances exactly one message.
# The settings open over the game picture at its point (12, 123), with nothing clipped (a
# screenshot is kept). The game's task and message number come from its frame log
# (HARUKAZE_FRAME_LOG), the pictures from ImageMagick's import; everything is waited for with a
# time limit, so a busy machine makes the check slower, not wrong.
# Needs BUILD_DIR and SOURCE_DIR; uses Xvfb, xdotool, xwininfo, xprop, xmessage, ImageMagick, python3
# and, for WM=openbox, openbox. Screenshots are kept in BUILD_DIR/tests/screenshots.
set -euo pipefail

SOURCE_DIR=${SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
WM=${WM:?WM must be none or openbox}
SCRIPTS="$SOURCE_DIR/tests/scripts"
# shellcheck source=tests/scripts/xvfb.bash
source "$SCRIPTS/xvfb.bash"
window_check Xvfb xdotool xwininfo xprop xmessage import convert python3
SHOTS="$BUILD_DIR/tests/screenshots"
mkdir -p "$SHOTS"
STARTED=$SECONDS

# shellcheck source=tests/scripts/sample_game.bash
source "$SCRIPTS/sample_game.bash"
sample_game "$WORK/game"
start_xvfb "$WORK" 1280x1024x24
[ "$WM" = openbox ] && start_openbox "$WORK"

LOG="$WORK/frames.log"
(cd "$WORK/game" && exec env HARUKAZE_FRAME_LOG="$LOG" "$GAME" >"$WORK/game.out" 2>"$WORK/game.err") &
GAME_PID=$!

# ---- Waiting with a time limit.
now_ms() { date +%s%3N; }

# ---- The frame log: one line per presented frame, "<ms> <task> <ticks> <allocs> <cpu ms> <message> <sleeps>".
# While a message waits, the turning wait icon keeps presenting frames.
last_frame() { grep -v '^#' "$LOG" 2>/dev/null | tail -n 1 || true; }
task_now() { last_frame | awk '{print $2}'; }
message_now() { last_frame | awk '{print $6}'; }
frame_after() { [ "$(last_frame | awk '{print $1}')" -ge "$1" ] 2>/dev/null; }
waiting_message() { [ "$(task_now)" = 00006002 ]; }
# Waits until the game has presented frames for $1 ms from now: it has run its ticks for that long.
run_for() {
    local until=$(($(now_ms) + $1))
    wait_in_game 30 frame_after "$until" || fail "the game presented no frame for 30 s"
}

# ---- Windows.
# "x y" of the top-left corner of a window's client area on the screen.
origin_of() { xwininfo -id "$1" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} END {print x, y}'; }
# Gives the keyboard to a window the way a player would: a click on it with a window manager,
# the X input focus without one.
focus() {
    if [ "$WM" = openbox ]; then
        xdotool windowactivate --sync "$1" 2>/dev/null || true
    else
        xdotool windowfocus --sync "$1" 2>/dev/null || true
    fi
}
menu_closed() { ! menu_open; }
# A player's press: down, 150 ms, up.
hold_key() {
    xdotool keydown "$1"
    sleep 0.15
    xdotool keyup "$1"
}

# ---- Pictures: the game's client area, and comparisons that leave out the turning wait icon.
shot() {
    local xy
    xy=$(origin_of "$MAIN")
    import -window root -crop "800x600+${xy% *}+${xy#* }" +repage "png24:$WORK/$1.png"
}
differing() { python3 "$SCRIPTS/shot_compare.py" diff "$WORK/$1.png" "$WORK/$2.png" "${@:3}"; }
# Pixels that differ outside the wait icon (32x32 at 752,552).
differing_but_icon() { echo $(($(differing "$1" "$2") - $(differing "$1" "$2" 752 552 32 32))); }

CAPTION="ＨＡＲＵＫＡＺＥ　radadu"
wait_in_game 30 window_named "$CAPTION" >/dev/null || fail "no game window appeared"
MAIN=$(window_named "$CAPTION")

# ---- The opening: a click on each message until the title menu waits, then a new game.
deadline=$((SECONDS + 90))
until [ "$(task_now)" = 00700102 ]; do
    [ $SECONDS -lt $deadline ] || fail "the title menu did not come; task $(task_now)"
    if waiting_message; then
        xdotool mousemove --window "$MAIN" 400 300 click 1
        sleep 0.5
    fi
    sleep 0.1
done
# The title presents a frame when the entry under the pointer lights up.
lines=$(wc -l <"$LOG")
xdotool mousemove --window "$MAIN" 700 390
wait_in_game 10 eval '[ "$(wc -l <"$LOG")" -gt "$lines" ]' || fail "the start entry did not light up"
xdotool click 1
wait_in_game 30 waiting_message || fail "the story's first message did not come; task $(task_now)"
focus "$MAIN"
xdotool mousemove --window "$MAIN" 400 300
run_for 500
echo "ok: a new game of the sample story waits at its first message ($((SECONDS - STARTED)) s)"

# Checks that the story still waits at message $1 and that the picture is shot $2's.
expect_unchanged() {
    local what=$3 message changed
    message=$(message_now)
    [ "$message" = "$1" ] && waiting_message || fail "$what: the story moved from message $1 to $message (task $(task_now))"
    shot "after"
    changed=$(differing_but_icon "$2" after)
    [ "$changed" -eq 0 ] || fail "$what: $changed pixels of the picture changed"
}

# ---- The save comment, confirmed with Return.
shot before
message=$(message_now)
open_menu
xdotool key Down Down Down Down Down Down Right Return # セーブ, its first slot
wait_in_game 10 window_named "セーブコメント" >/dev/null || fail "the save comment did not open"
xdotool type --delay 30 "keys"
hold_key Return
wait_in_game 10 gone "セーブコメント" || fail "Return did not close the save comment"
focus "$MAIN"
run_for 1000
expect_unchanged "$message" before "Return on the save comment"
grep -qa "k.e.y.s" "$WORK/game/Save01.dat" || fail "slot 1 was not saved with the comment typed"
echo "ok: Return confirmed the save comment and neither advanced the story nor stayed held"

# ---- The settings: opened by Return on the menu and that Return released in the settings, then
# ---- left with Return.
open_menu
xdotool key Down Down Down Down Down Down Down Down # ｵﾌﾟｼｮﾝ
xdotool keydown Return
wait_in_game 10 window_named "環境設定" >/dev/null || { xdotool keyup Return; fail "the settings did not open"; }
SETTINGS=$(window_named "環境設定")
sleep 0.15
xdotool keyup Return
# The settings' top-left corner at the picture's point (12, 123): the client area there without a
# window manager, the frame there with one.
read -r mx my < <(origin_of "$MAIN")
read -r sx sy < <(origin_of "$SETTINGS")
if [ "$WM" = openbox ]; then
    read -r left _ top _ < <(xprop -id "$SETTINGS" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
    sx=$((sx - left)) sy=$((sy - top))
fi
[ "$sx,$sy" = "$((mx + 12)),$((my + 123))" ] ||
    fail "the settings opened at $sx,$sy, not at the picture's point 12,123 ($((mx + 12)),$((my + 123)))"
sleep 0.3
import -window root "$SHOTS/window_keys_${WM}_settings.png"
echo "ok: the settings opened at the picture's point 12,123 (screenshot $SHOTS/window_keys_${WM}_settings.png)"
hold_key Return
wait_in_game 10 gone "環境設定" || fail "Return did not leave the settings"
focus "$MAIN"
run_for 1000
expect_unchanged "$message" before "Return on the menu item and in the settings"
echo "ok: Return released in the settings and Return that left them were not held by the game"

# ---- The close question, cancelled with Return.
open_menu
xdotool key Down Down Down Down Down Down Down Down Down Down Return # ゲーム終了
wait_in_game 10 window_named "確認" >/dev/null || fail "the close question did not open"
xdotool key Tab # to キャンセル
hold_key Return
wait_in_game 10 gone "確認" || fail "Return did not answer the close question"
focus "$MAIN"
run_for 1000
kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended although the question was cancelled"
expect_unchanged "$message" before "Return on the close question"
echo "ok: Return cancelled the close question and was not held by the game"

# ---- The pop-up menu, an item chosen with Return while the log shows the message before:
# ---- "ﾒｯｾｰｼﾞｽｷｯﾌﾟ" does nothing there, and a Return the game saw would leave the log.
xdotool click 1
wait_in_game 10 eval '[ "$(message_now)" != "$message" ] && waiting_message' || fail "a click did not advance the story"
message=$(message_now)
run_for 500
lines=$(wc -l <"$LOG")
xdotool key Prior
# The log entry shows at once; the wait icon is not drawn then, so the frames stop.
log_shown() { [ "$(wc -l <"$LOG")" -gt "$lines" ] && waiting_message && ! frame_after $(($(now_ms) - 400)); }
wait_in_game 10 log_shown || fail "Page Up did not show the log"
shot log
open_menu
xdotool key Down # ﾒｯｾｰｼﾞｽｷｯﾌﾟ
hold_key Return
wait_in_game 10 menu_closed || fail "Return did not close the pop-up menu"
focus "$MAIN"
sleep 0.5
shot after
changed=$(differing log after)
[ "$changed" -eq 0 ] || fail "Return on the pop-up menu changed $changed pixels of the log's picture"
# One Return leaves the log; a Return that had reached the game already would make it advance.
xdotool key Return
run_for 1000
[ "$(message_now)" = "$message" ] && waiting_message ||
    fail "Return on the pop-up menu reached the game: the story moved from message $message to $(message_now)"
echo "ok: Return on the pop-up menu did not reach the game"

# ---- Another program takes the focus while Return is held.
xmessage -geometry +1000+40 "another program" &
OTHER_PIDS+=($!)
wait_in_game 10 window_named xmessage >/dev/null || fail "xmessage did not open"
OTHER=$(window_named xmessage)
focus "$MAIN"
xdotool mousemove --window "$MAIN" 400 300
start=$(message_now)
xdotool keydown Return
wait_in_game 10 eval '[ "$(message_now)" != "$start" ]' || { xdotool keyup Return; fail "held Return did not advance the story"; }
focus "$OTHER"
sleep 0.15
xdotool keyup Return
# Behind the other program the story stops within a message or two and stays.
settled() {
    local now
    now=$(message_now)
    if [ "$now" != "${held_message:-}" ]; then
        held_message=$now held_since=$(now_ms)
        return 1
    fi
    waiting_message && [ $(($(now_ms) - held_since)) -ge 1500 ] && frame_after $(($(now_ms) - 300))
}
held_message="" held_since=0
wait_in_game 20 settled || fail "the story ran on behind the other program (message $(message_now))"
message=$(message_now)
focus "$MAIN"
run_for 1000
[ "$(message_now)" = "$message" ] && waiting_message ||
    fail "back in the game, Return still counted as held: the story moved from message $message to $(message_now)"
echo "ok: Return held while another program took the focus was let go (the story stopped at message $message)"

# ---- Return held as a player holds it in the log (the wheel turned up): back to the current
# ---- message, and no further.
for hold in 0.15 0.3; do
    message=$(message_now)
    run_for 500
    shot before
    lines=$(wc -l <"$LOG")
    xdotool mousemove --window "$MAIN" 400 300 click 4
    wait_in_game 10 log_shown || fail "the wheel did not show the log"
    sleep 0.3 # a page of the log holds the keys back for 150 ms
    # The game reads whether a key is down on each of its ticks: on a machine so busy that no tick
    # falls inside the hold, the press is not seen and the log stays (it presents no frames).
    for try in 1 2 3; do
        xdotool keydown Return
        sleep "$hold"
        xdotool keyup Return
        wait_in_game 5 frame_after "$(now_ms)" && break
        [ "$try" -lt 3 ] || fail "Return held $hold s three times did not leave the log"
    done
    run_for 1000
    expect_unchanged "$message" before "Return held $hold s in the log"
done
echo "ok: Return held 150 ms and 300 ms in the log went back to the current message and no further"

# ---- Control tapped as a player taps it (held back for the zoom keys, then replayed): one
# ---- message on, however long the tap.
for hold in 0.1 0; do
    message=$(message_now)
    run_for 500
    xdotool keydown Control_L
    sleep "$hold"
    xdotool keyup Control_L
    wait_in_game 10 eval '[ "$(message_now)" != "$message" ]' || fail "a Control tap of $hold s did not advance the story"
    run_for 1500
    [ "$(message_now)" = $((message + 1)) ] && waiting_message ||
        fail "a Control tap of $hold s moved the story from message $message to $(message_now), not to the next one"
done
echo "ok: a Control tap of 100 ms and an instant one each advanced one message"

end_game
echo "PASS ($WM, $((SECONDS - STARTED)) s)"
