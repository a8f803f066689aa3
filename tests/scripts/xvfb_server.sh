#!/usr/bin/env bash
# The virtual X server the window checks share (xvfb.bash): one check starts several clients on it
# one after the other (the widget tests, then the game again and again), so the server must stay
# as it is when its last client leaves instead of resetting, which drops a client that connects
# meanwhile. A property set on the root window by one client must still be there for the next,
# round after round; and the settings and runtime folders are the check's own, never the player's.
# Uses Xvfb and xprop.
set -euo pipefail

# shellcheck source=tests/scripts/xvfb.bash
source "$(dirname "$0")/xvfb.bash"
x_check Xvfb xprop
start_xvfb "$WORK" 640x480x24

for round in $(seq 20); do
    xprop -root -f HK_ROUND 8s -set HK_ROUND "round $round" 2>"$WORK/xprop.err" ||
        fail "round $round: a client could not reach the server: $(cat "$WORK/xprop.err")"
    seen=$(xprop -root HK_ROUND 2>"$WORK/xprop.err") ||
        fail "round $round: the next client could not reach the server: $(cat "$WORK/xprop.err")"
    [ "$seen" = "HK_ROUND(STRING) = \"round $round\"" ] ||
        fail "round $round: the server reset when its last client left (the root property reads: $seen)"
done
kill -0 "$XVFB_PID" 2>/dev/null || fail "Xvfb ended: $(cat "$WORK/xvfb.log")"
echo "ok: the server keeps its state and takes the next client after each one leaves"

for folder in "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"; do
    case "$folder" in
    "$WORK"/*) [ -d "$folder" ] || fail "$folder was not made" ;;
    *) fail "$folder is not the check's own folder" ;;
    esac
done
[ "$(stat -c %a "$XDG_RUNTIME_DIR")" = 700 ] || fail "the runtime folder is open to others"
[ "$QT_QPA_PLATFORM" = xcb ] && [ "$SDL_AUDIODRIVER" = dummy ] && [ -z "${WAYLAND_DISPLAY:-}" ] ||
    fail "the window build is not sent to the X server with silent sound"
echo "ok: the check's own settings and runtime folders, the xcb platform and silent sound"
echo "PASS"
