#!/usr/bin/env bash
# The window build on a machine whose sound output cannot be opened (SDL_AUDIODRIVER=nonexistent),
# under openbox: automatic advance reads the sample game from the title to Haruka's ending without
# stopping on a voiced line, as the game does with sound. The player's part is what automatic
# advance leaves to the player: the title's start entry, each choice (after which automatic advance
# is switched on again from the pop-up menu) and the photo page that waits for a click. The game's
# task and message number come from its frame log (HARUKAZE_FRAME_LOG); automatic advance must move
# on within 30 s wherever it waits. The photo page (after the unvoiced message 5 of scene 7, past the
# second choice) presents no frame while it waits, so the log stands at that message: the check
# clicks there once when nothing has moved for 5 s. The settings are made once by the runner (the shortest delay,
# the fastest text, no effects), so that the reading takes about two and a half minutes.
# Needs BUILD_DIR and SOURCE_DIR; uses Xvfb, openbox and xdotool.
set -euo pipefail

SOURCE_DIR=${SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
SCRIPTS="$SOURCE_DIR/tests/scripts"
# shellcheck source=tests/scripts/xvfb.bash
source "$SCRIPTS/xvfb.bash"
window_check Xvfb openbox xdotool
# shellcheck source=tests/scripts/sample_game.bash
source "$SCRIPTS/sample_game.bash"
sample_game "$WORK/game"
STARTED=$SECONDS

cat >"$WORK/settings.txt" <<'EOF2'
key Control down
until-task TASK_WAIT_TITLE_MENU max-ms 120000
key Control up
click 700 390
until-task TASK_WAIT_MESSAGE
ticks 1
config AutoDelay=1 TextSpeed=3 EffectsOn=0 back
menu ItemOption
dialog ok
close
EOF2
"$TOOL" run --game "$WORK/game" --input "$WORK/settings.txt" --quiet || fail "the settings could not be made"

start_xvfb "$WORK" 1280x1024x24
start_openbox "$WORK"
export SDL_AUDIODRIVER=nonexistent
LOG="$WORK/frames.log"
(cd "$WORK/game" && exec env HARUKAZE_FRAME_LOG="$LOG" "$GAME" >"$WORK/game.out" 2>"$WORK/game.err") &
GAME_PID=$!

last_frame() { grep -v '^#' "$LOG" 2>/dev/null | tail -n 1 || true; }
task_now() { last_frame | awk '{print $2}'; }
main_window() { xdotool search --onlyvisible --pid "$GAME_PID" --name "radadu" 2>/dev/null | head -n 1; }
wait_in_game 30 eval '[ -n "$(main_window)" ]' || fail "no game window appeared"
MAIN=$(main_window)
click_at() { xdotool mousemove --window "$MAIN" "$1" "$2" click 1; }
# The pop-up menu carries the program's name; its third entry is ﾒｯｾｰｼﾞの自動進行.
auto_on() {
    local _
    for _ in $(seq 10); do
        xdotool mousemove --window "$MAIN" 400 300 click 3
        if wait_for 1 menu_open; then
            xdotool key Down Down Down Return
            wait_for 5 eval '! menu_open' || fail "the pop-up menu did not close"
            return 0
        fi
    done
    fail "no pop-up menu opened"
}

# ---- The opening, skipped with Control held, then the title's start entry.
xdotool windowactivate --sync "$MAIN" 2>/dev/null || true
xdotool keydown ctrl
wait_in_game 120 eval '[ "$(task_now)" = 00700102 ]' || { xdotool keyup ctrl; fail "the title menu did not come"; }
xdotool keyup ctrl
sleep 0.5
click_at 700 390
echo "ok: the title's start entry chosen after $((SECONDS - STARTED)) s"

# ---- The story: automatic advance, with the player's part where it stops.
choices=0 switch_on=1 photo=0 seen="" since=$SECONDS deadline=$((SECONDS + 480))
while :; do
    kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended"
    frame=$(last_frame)
    task=$(awk '{print $2}' <<<"$frame")
    now="$task $(awk '{print $6}' <<<"$frame")"
    [ "$now" = "$seen" ] || { seen=$now since=$SECONDS; }
    case $task in
    00006802 | 00006902)
        # The first kind of choice: the upper line; the full-screen one: the third.
        if [ "$task" = 00006802 ]; then click_at 400 472; else click_at 400 360; fi
        wait_in_game 10 eval '[ "$(task_now)" != "$task" ]' || fail "the choice ($task) was not taken"
        choices=$((choices + 1)) switch_on=1
        echo "ok: choice $choices taken after $((SECONDS - STARTED)) s"
        ;;
    00800102)
        click_at 400 300
        wait_in_game 10 eval '[ "$(task_now)" != 00800102 ]' || fail "the page waiting for a click did not go on"
        ;;
    00006002)
        if [ $switch_on = 1 ]; then
            auto_on
            switch_on=0
        elif [ $choices = 2 ] && [ $photo = 0 ] && [ "${now#* }" = 5 ] && [ $((SECONDS - since)) -ge 5 ]; then
            click_at 400 300
            photo=1
        fi
        ;;
    00700102)
        [ $choices -ge 3 ] && break
        ;;
    esac
    [ $((SECONDS - since)) -lt 30 ] || fail "automatic advance stopped at task and message $now for 30 s"
    [ $SECONDS -lt $deadline ] || fail "the ending was not reached in 8 minutes (at $now)"
    sleep 0.2
done
echo "ok: automatic advance read through to the ending and back to the title in $((SECONDS - STARTED)) s"
grep -q "error" "$WORK/game.err" && fail "the game reported an error"
end_game
echo "PASS"
