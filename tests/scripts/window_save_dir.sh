#!/usr/bin/env bash
# The window build, under openbox, played by a user who cannot write the game folder (the
# unprivileged user nobody, the folder root's): the game says once, in a box in Japanese, where
# the saves are kept, starts, saves, loads and closes with its saves in the user's data folder,
# and the game folder is byte for byte as it was. The save made before in the game folder is
# copied there first and loads. Runs as root (to take nobody's place); otherwise it skips, saying
# why. Needs BUILD_DIR and SOURCE_DIR; uses Xvfb, openbox, xdotool, xprop, setpriv and python3.
set -euo pipefail

SOURCE_DIR=${SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
SCRIPTS="$SOURCE_DIR/tests/scripts"
# shellcheck source=tests/scripts/xvfb.bash
source "$SCRIPTS/xvfb.bash"
if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: needs root to run the game as the unprivileged user nobody"
    exit 0
fi
window_check Xvfb xdotool xprop setpriv python3
chmod 755 "$WORK"
as_nobody() { setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$@"; }

# shellcheck source=tests/scripts/sample_game.bash
source "$SCRIPTS/sample_game.bash"
sample_game "$WORK/game"

# ---- A save made before, in the game folder (slot 1, at the story's second message).
{
    runner_opening
    echo "click 700 390"
    echo "until-task TASK_WAIT_MESSAGE max-ms 30000"
    echo "click 400 300"
    echo "until-task TASK_WAIT_MESSAGE max-ms 30000"
    echo "ticks 2"
    echo "dialog save before"
    echo "menu ItemSave ItemSave1"
    echo "dialog ok"
    echo "close"
} >"$WORK/first.txt"
"$TOOL" run --game "$WORK/game" --input "$WORK/first.txt" --quiet 2>"$WORK/game.err" || fail "the first play failed"

# ---- The game folder becomes root's alone; nobody gets folders of its own.
chmod -R a+rX,go-w "$WORK/game"
snapshot() { (cd "$WORK/game" && find . -printf '%p %s %T@ %m\n' | sort && find . -type f -print0 | sort -z | xargs -0 sha256sum); }
snapshot >"$WORK/before.txt"
install -d -o nobody -g nogroup -m 700 "$WORK/nobody" "$WORK/nobody/runtime" "$WORK/nobody/config" \
    "$WORK/nobody/data" "$WORK/nobody/home"
start_xvfb "$WORK" 1280x1024x24
start_openbox "$WORK"

LOG="$WORK/nobody/frames.log"
(cd "$WORK/game" && exec setpriv --reuid=nobody --regid=nogroup --clear-groups -- env HOME="$WORK/nobody/home" \
    XDG_RUNTIME_DIR="$WORK/nobody/runtime" XDG_CONFIG_HOME="$WORK/nobody/config" XDG_DATA_HOME="$WORK/nobody/data" \
    HARUKAZE_FRAME_LOG="$LOG" "$GAME" >"$WORK/game.out" 2>"$WORK/game.err") &
GAME_PID=$!

last_frame() { grep -v '^#' "$LOG" 2>/dev/null | tail -n 1 || true; }
task_now() { last_frame | awk '{print $2}'; }
message_now() { last_frame | awk '{print $6}'; }
waiting_message() { [ "$(task_now)" = 00006002 ]; }
# A click on the story's message, then the next message waiting.
next_message() {
    local before
    before=$(message_now)
    xdotool mousemove --window "$MAIN" 400 300 click 1
    wait_in_game 30 eval '[ "$(message_now)" != "$before" ] && waiting_message' || fail "the story did not go on"
}

# ---- Told once where the saves are: a box over the game's window, in Japanese.
wait_in_game 30 window_named "ＨＡＲＵＫＡＺＥ" >/dev/null || fail "no box told where the saves are"
BOX=$(window_named "ＨＡＲＵＫＡＺＥ")
SAVES=$(find "$WORK/nobody/data/harukaze" -mindepth 1 -maxdepth 1 -type d)
[ -n "$SAVES" ] && [ -f "$SAVES/Save01.dat" ] || fail "the save made before was not copied to the data folder"
grep -q "^notice: ゲームのフォルダ「$WORK/game」には書き込めないため" "$WORK/game.err" || fail "the notice does not say why"
grep -q "^「$SAVES」$" "$WORK/game.err" || fail "the notice does not name the save folder"
xdotool windowactivate --sync "$BOX" 2>/dev/null || true
xdotool key Return
wait_in_game 10 gone "ＨＡＲＵＫＡＺＥ" || fail "Return did not close the notice"
echo "ok: the player was told where the saves are kept: $SAVES"

CAPTION="ＨＡＲＵＫＡＺＥ　radadu"
wait_in_game 30 window_named "$CAPTION" >/dev/null || fail "no game window appeared"
MAIN=$(window_named "$CAPTION")
xdotool windowactivate --sync "$MAIN" 2>/dev/null || true

# ---- The opening, the title menu's load of the copied save.
deadline=$((SECONDS + 90))
until [ "$(task_now)" = 00700102 ]; do
    [ $SECONDS -lt $deadline ] || fail "the title menu did not come; task $(task_now)"
    if waiting_message; then
        xdotool mousemove --window "$MAIN" 400 300 click 1
        sleep 0.5
    fi
    sleep 0.1
done
sleep 0.7
xdotool mousemove --window "$MAIN" 700 430 click 1 # ロード: the title's load menu
wait_in_game 10 menu_open || fail "the title's load menu did not open"
xdotool key Down Return # its first slot
wait_in_game 30 waiting_message || fail "the copied save did not load; task $(task_now)"
LOADED=$(message_now)
echo "ok: the save copied from the game folder loaded at message $LOADED"

# ---- Save in slot 2, go on, load it: the story is back at the saved message.
sleep 0.5
open_menu
xdotool key Down Down Down Down Down Down Right Down Return # セーブ, its second slot
wait_in_game 10 window_named "セーブコメント" >/dev/null || fail "the save comment did not open"
xdotool type --delay 30 "readonly"
xdotool key Return
wait_in_game 10 gone "セーブコメント" || fail "Return did not close the save comment"
wait_in_game 10 eval 'grep -qa "r.e.a.d.o.n.l.y" "$SAVES/Save02.dat" 2>/dev/null' || fail "slot 2 was not saved in $SAVES"
SAVED=$(message_now)
next_message
open_menu
xdotool key Down Down Down Down Down Down Down Right Down Return # ロード, its second slot
wait_in_game 30 eval '[ "$(message_now)" = "$SAVED" ] && waiting_message' ||
    fail "loading slot 2 did not bring back message $SAVED (now $(message_now), task $(task_now))"
echo "ok: saved in and loaded from the data folder"

# ---- Close: the system file is written there, and the game folder is as it was.
before_close=$(sha256sum "$SAVES/Save00.dat")
end_game
[ "$(sha256sum "$SAVES/Save00.dat")" != "$before_close" ] || [ -f "$SAVES/Save00.dat.bak" ] ||
    fail "the close did not write the system file in the data folder"
snapshot >"$WORK/after.txt"
diff "$WORK/before.txt" "$WORK/after.txt" >/dev/null ||
    fail "the game folder changed: $(diff "$WORK/before.txt" "$WORK/after.txt" | head -5)"
echo "ok: the game folder is byte for byte as it was"
