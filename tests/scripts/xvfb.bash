# Sourced by the window-build checks: a virtual X server of their own for the game's windows.
#   start_xvfb WORK SCREEN [Xvfb options...]
# starts Xvfb on a free display number with one screen of SCREEN (e.g. 1280x1024x24), kept
# as it is for the whole check (no reset when its last client leaves, see below), sets
# XVFB_PID (the caller's clean-up ends it) and DISPLAY, and the environment the window build
# needs there: the xcb platform, SDL's dummy audio, a private runtime folder under WORK, and a
# private settings folder (XDG_CONFIG_HOME) so the player's own ~/.config is never touched.
#   start_openbox WORK
# then starts the openbox window manager on that display and waits until it manages it; sets
# WM_PID (the caller's clean-up ends it).
#   window_check [TOOL...]
# the start every window check shares, called before anything else: BUILD_DIR must be set; GAME
# and TOOL name the built game and harukaze-tool; a build without the game skips the check; every
# TOOL named must be installed. WORK is a fresh folder; when the check ends, whatever of GAME_PID,
# OTHER_PIDS (a list), WM_PID and XVFB_PID still runs is ended and WORK removed.
#   x_check [TOOL...]
# the start of a check that needs the X server but not the game: every TOOL named must be
# installed; WORK and the clean-up as for window_check.
#   colour_absent PICTURE RRGGBB
# fails, saying where, when a pixel of PICTURE (any file ImageMagick reads) has that colour.
#   wait_in_game SECONDS COMMAND...
# wait_for while the game (GAME_PID) plays: its end fails the check at once.
#   menu_open
# succeeds while the game's pop-up menu is open.
#   open_menu
# opens it with a right click on the game's main window (MAIN), or fails the check.
#   end_game
# ends the game (GAME_PID) with SIGTERM; it must end with status 0 and no error on its standard
# error (WORK/game.err).
#   fail MESSAGE
# ends the check with MESSAGE and what may tell why: the game's standard error (WORK/game.err),
# the last lines of its frame log (LOG), whether the game and the X server still run.
# The folder of these helpers (and of checks.py), whatever the current folder is later.
XVFB_SCRIPTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

start_xvfb() {
    local work=$1 screen=$2
    shift 2
    # By default an X server resets itself whenever its last client leaves, and a client that
    # connects during that reset is dropped: a game started right after the previous one ended
    # (or after the widget tests) then cannot open its display, the more often the busier the
    # machine. -noreset keeps the one server the checks share ready for the next client.
    Xvfb -displayfd 5 -screen 0 "$screen" "$@" -nolisten tcp -noreset 5>"$work/display" 2>"$work/xvfb.log" &
    XVFB_PID=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    if [ ! -s "$work/display" ]; then
        echo "FAIL: Xvfb did not start: $(cat "$work/xvfb.log")"
        exit 1
    fi
    export DISPLAY=":$(head -n1 "$work/display")"
    export QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy
    unset WAYLAND_DISPLAY
    mkdir -m 700 "$work/runtime"
    export XDG_RUNTIME_DIR="$work/runtime"
    mkdir -p "$work/config"
    export XDG_CONFIG_HOME="$work/config"
}

# Runs "$@" every 0.1 s until it succeeds, for at most $1 seconds.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

wait_in_game() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended"
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

# The pop-up menu has no caption of its own, so its window carries the program's name (which only
# getwindowname sees, not search --name).
# The id of the visible window whose title is exactly $1 (printed); fails when there is none.
window_named() {
    local id
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
        [ "$(xdotool getwindowname "$id")" = "$1" ] && { echo "$id"; return 0; }
    done
    return 1
}
# True when no visible window has the title $1.
gone() { ! window_named "$1" >/dev/null; }

menu_open() {
    local id
    for id in $(xdotool search --onlyvisible --name '.*' 2>/dev/null); do
        [ "$(xdotool getwindowname "$id")" = harukaze ] && return 0
    done
    return 1
}

# Opens the game's pop-up menu with a right click on the game's window (MAIN), tried a few times:
# a click that arrives while the game is busy may be taken before the menu can open.
open_menu() {
    local _
    for _ in 1 2 3 4 5; do
        xdotool mousemove --window "$MAIN" 400 300 click 3
        wait_in_game 5 menu_open && return 0
    done
    fail "no pop-up menu opened on a right click"
}

end_game() {
    kill -TERM "$GAME_PID"
    local status=0
    wait "$GAME_PID" || status=$?
    GAME_PID=""
    [ "$status" -eq 0 ] || fail "the game ended with status $status on SIGTERM"
    ! grep -q "error:" "$WORK/game.err" || fail "the game reported an error"
}

# "x,y WxH" of an X window.
place_of() {
    xwininfo -id "$1" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
                             /Width:/ {w=$2} /Height:/ {h=$2} END {print x "," y " " w "x" h}'
}

colour_absent() {
    local width
    width=$(identify -format %w "$1") || return 1
    convert "$1" -depth 8 rgb:- | python3 "$XVFB_SCRIPTS/checks.py" colour-absent "$width" "$2"
}

start_openbox() {
    local work=$1
    command -v openbox >/dev/null || { echo "FAIL: openbox is missing (scripts/install-deps.sh installs it)"; exit 1; }
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    WM_PID=$!
    # A window manager that runs announces itself on the root window.
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        kill -0 "$WM_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "FAIL: openbox did not start: $(cat "$work/openbox.log")"
    exit 1
}

window_check() {
    BUILD_DIR=${BUILD_DIR:?BUILD_DIR must name the build directory}
    GAME="$BUILD_DIR/app/harukaze"
    TOOL="$BUILD_DIR/tools/harukaze-tool"
    if [ ! -x "$GAME" ]; then
        echo "SKIP: $GAME was not built (window build disabled)"
        exit 0
    fi
    [ -x "$TOOL" ] || fail "$TOOL was not built"
    x_check "$@"
}

x_check() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
    done
    WORK=$(mktemp -d)
    GAME_PID="" WM_PID="" XVFB_PID="" OTHER_PIDS=()
    trap end_window_check EXIT
}

fail() {
    echo "FAIL: $*"
    if [ -n "${WORK:-}" ] && [ -s "$WORK/game.err" ]; then echo "game stderr: $(cat "$WORK/game.err")"; fi
    if [ -n "${LOG:-}" ] && [ -s "$LOG" ]; then echo "last log lines: $(tail -n 5 "$LOG" | tr '\n' '|')"; fi
    if [ -n "${GAME_PID:-}" ] && ! kill -0 "$GAME_PID" 2>/dev/null; then echo "the game is no longer running"; fi
    if [ -n "${XVFB_PID:-}" ] && ! kill -0 "$XVFB_PID" 2>/dev/null; then
        echo "Xvfb is no longer running: $(tail -n 5 "$WORK/xvfb.log" 2>/dev/null)"
    fi
    exit 1
}

end_window_check() {
    # Only processes of this check that still run: the number of one that has ended may belong to
    # another process by now.
    local running pid
    running=$(jobs -p)
    for pid in "${GAME_PID:-}" "${OTHER_PIDS[@]}" "${WM_PID:-}" "${XVFB_PID:-}"; do
        if [ -n "$pid" ] && grep -qx "$pid" <<<"$running"; then kill "$pid" 2>/dev/null || true; fi
    done
    wait 2>/dev/null || true
    rm -rf "$WORK"
}
