#!/usr/bin/env bash
# A second start of the window build while the game runs, under the openbox window manager: the
# second copy leaves at once with status 0, and the running game comes to the front. Checked with
# the game's main window minimised (it must come back, not hidden, and active) and with another
# program's window over it and holding the focus (the game must be active again and on top).
# Needs BUILD_DIR and SOURCE_DIR; uses Xvfb, openbox, xdotool, xprop and xmessage.
set -euo pipefail

SOURCE_DIR=${SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
SCRIPTS="$SOURCE_DIR/tests/scripts"
# shellcheck source=tests/scripts/xvfb.bash
source "$SCRIPTS/xvfb.bash"
window_check Xvfb openbox xdotool xprop xmessage
# shellcheck source=tests/scripts/sample_game.bash
source "$SCRIPTS/sample_game.bash"
interface_game "$WORK/game" <<'EOF2'
    bg 101
    message "春の風が、坂道の上から吹き下ろしてくる。"
    end
EOF2
start_xvfb "$WORK" 1280x1024x24
start_openbox "$WORK"

LOG="$WORK/frames.log"
(cd "$WORK/game" && exec env HARUKAZE_FRAME_LOG="$LOG" "$GAME" >"$WORK/game.out" 2>"$WORK/game.err") &
GAME_PID=$!
# The game has started once its message waits (the frame log's task), and shows no window anew.
waiting_message() { [ "$(grep -v '^#' "$LOG" 2>/dev/null | tail -n 1 | awk '{print $2}')" = 00006002 ]; }
wait_in_game 30 waiting_message || fail "the message did not come"
main_window() { xdotool search --onlyvisible --pid "$GAME_PID" --name "radadu" 2>/dev/null | head -n 1; }
wait_in_game 30 eval '[ -n "$(main_window)" ]' || fail "no game window appeared"
MAIN=$(main_window)

active_window() { xprop -root _NET_ACTIVE_WINDOW 2>/dev/null | awk '{print $NF}'; }
is_active() { [ "$(($(active_window)))" -eq "$MAIN" ] 2>/dev/null; }
hidden() { [[ "$(xprop -id "$MAIN" _NET_WM_STATE 2>/dev/null)" == *_NET_WM_STATE_HIDDEN* ]]; }
# The window the window manager stacks topmost among those it manages.
on_top() {
    local top
    top=$(xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null | awk '{print $NF}')
    [ "$((top))" -eq "$MAIN" ] 2>/dev/null
}
wait_in_game 10 is_active || fail "the game's window never became active"

# Starts the second copy; it must be gone within 10 s with status 0, having opened no window.
second_start() {
    local started=$SECONDS status=0
    (cd "$WORK/game" && exec timeout 10 "$GAME" >"$WORK/second.out" 2>"$WORK/second.err") || status=$?
    [ "$status" -eq 0 ] || fail "the second start ended with status $status: $(cat "$WORK/second.err")"
    [ ! -s "$WORK/second.err" ] || fail "the second start said: $(cat "$WORK/second.err")"
    local windows
    windows=$(xdotool search --onlyvisible --name "radadu" 2>/dev/null | grep -vx "$MAIN" || true)
    [ -z "$windows" ] || fail "the second start opened a window: $(for w in $windows; do xprop -id "$w" WM_NAME _NET_WM_PID; done)"
    echo "ok: the second start left with status 0 after $((SECONDS - started)) s"
}

# ---- Minimised.
xdotool windowminimize "$MAIN"
wait_in_game 10 hidden || fail "the game's window did not minimise"
second_start
wait_in_game 10 eval '! hidden && is_active' ||
    fail "the minimised game did not come to the front: state $(xprop -id "$MAIN" _NET_WM_STATE), active $(active_window)"
echo "ok: the minimised game came back and is active"

# ---- Covered by another program that has the focus.
xmessage -geometry 1200x900+0+0 "another program" &
OTHER_PIDS+=($!)
wait_in_game 10 eval '! is_active && ! on_top' || fail "the other program did not take the focus"
second_start
wait_in_game 10 eval 'is_active && on_top' ||
    fail "the covered game did not come to the front: active $(active_window), stacking $(xprop -root _NET_CLIENT_LIST_STACKING)"
echo "ok: the covered game came on top and is active"

end_game
echo "PASS"
