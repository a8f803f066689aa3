#!/usr/bin/env bash
# The real window build under a virtual X server: the game opens its 800x600 window with its
# caption, stays cheap while idle, refuses a second copy silently, and in a folder named on its
# command line that lacks the archives shows the error box (naming GRP.IFP) instead of crashing,
# and writes nothing.
# Needs BUILD_DIR (the build tree); uses Xvfb, xdotool and xwininfo, and ImageMagick's import
# for a screenshot when it is installed.
set -euo pipefail

# shellcheck source=tests/scripts/xvfb.bash
source "$(dirname "$0")/xvfb.bash"
window_check Xvfb xdotool xwininfo

# ---- The command line: --help and --version succeed without a window; anything else is refused.
"$GAME" --help | grep -q "usage: harukaze" || fail "--help printed no usage"
"$GAME" --version | grep -q "^harukaze " || fail "--version printed no version"
set +e
"$GAME" --fullscreen >/dev/null 2>&1
status=$?
set -e
[ "$status" -eq 2 ] || fail "an unknown argument gave status $status, not 2"
set +e
message=$("$GAME" /nonexistent/harukaze 2>&1 >/dev/null)
status=$?
set -e
[ "$status" -eq 2 ] && grep -q "'/nonexistent/harukaze' is not a folder" <<<"$message" ||
    fail "a missing game folder gave status $status: $message"
"$GAME" --help | grep -q -- "--scale S" || fail "--help does not tell of --scale"
echo "ok: --help, --version, an unknown argument and a missing game folder"

# A display of our own: Xvfb picks a free number and writes it to the given descriptor.
start_xvfb "$WORK" 1280x1024x24

# Prints the ids of the visible windows whose name is exactly $1.
windows_named() {
    local id
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
        [ "$(xdotool getwindowname "$id")" = "$1" ] && echo "$id"
    done
    return 0
}
# Waits up to $2 seconds for a visible window named exactly $1; prints its id.
wait_window() {
    local deadline=$((SECONDS + $2)) ids
    while [ $SECONDS -lt $deadline ]; do
        ids=$(windows_named "$1")
        if [ -n "$ids" ]; then echo "$ids" | head -n1; return 0; fi
        sleep 0.2
    done
    return 1
}
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

CAPTION="ＨＡＲＵＫＡＺＥ　radadu"
TITLE="ＨＡＲＵＫＡＺＥ"

# ---- A game folder: SCR.IFP with a scene 1 that waits a second and jumps back, forever, and an
# ---- empty GRP.IFP. Archive: 16-byte header, 2048 index entries of 16 bytes, then the scene.
GAME_DIR="$WORK/game"
mkdir "$GAME_DIR"
head -c 32784 /dev/zero >"$GAME_DIR/GRP.IFP"
{
    head -c 16 /dev/zero
    # entry 0 empty; entry 1: type 21 (scene), offset 32784, 70 bytes
    head -c 16 /dev/zero
    printf '\x15\x00\x00\x00\x10\x80\x00\x00\x46\x00\x00\x00\x00\x00\x00\x00'
    head -c $((32768 - 32)) /dev/zero
    # scene: header, then "label start", "wait 1000", "jump start", then the name blocks
    printf '\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x18\x00\x00\x00'
    printf '\x4e\x00\x00\x00\x00\x00\x00\x00\x80\x00\xe8\x03\x00\x00\x00\x00'
    printf '\x40\x00\x00\x00\x00\x00\x00\x00\x07\x00\x00\x00start\r\n'
    printf '\x07\x00\x00\x00start\r\n\x00\x00\x00\x00\x00\x00\x00\x00'
} >"$GAME_DIR/SCR.IFP"
[ "$(stat -c %s "$GAME_DIR/SCR.IFP")" -eq 32854 ] || fail "test archive has the wrong size"

(cd "$GAME_DIR" && exec "$GAME" >"$WORK/game.out" 2>"$WORK/game.err") &
OTHER_PIDS+=($!)
FIRST=${OTHER_PIDS[0]}

MAIN=$(wait_window "$CAPTION" 20) || fail "no window titled $CAPTION appeared; stderr: $(cat "$WORK/game.err")"
geometry=$(xwininfo -id "$MAIN")
width=$(awk '/Width:/ {print $2}' <<<"$geometry")
height=$(awk '/Height:/ {print $2}' <<<"$geometry")
[ "$width" = 800 ] && [ "$height" = 600 ] || fail "client area is ${width}x${height}, not 800x600"
echo "ok: window \"$CAPTION\" with an 800x600 client area"

# Running idle (a one-second wait loop) must not spin a core.
sleep 1
before=$(cpu_ticks "$FIRST")
sleep 2
after=$(cpu_ticks "$FIRST")
used=$(( (after - before) * 100 / $(getconf CLK_TCK) ))
[ "$used" -lt 100 ] || fail "the idle game used ${used}% of a core-second over 2 s"
echo "ok: idle game used $((used / 2))% of one core"

[ -z "$(windows_named "$TITLE")" ] || fail "an error box appeared: $(cat "$WORK/game.err")"
grep -q "error:" "$WORK/game.err" && fail "the game reported an error: $(cat "$WORK/game.err")"
saves=$(find "$GAME_DIR" -name 'Save[0-3][0-9].dat' | wc -l)
[ "$saves" -eq 31 ] || fail "expected Save00.dat and 30 slot files in the game folder, found $saves"
echo "ok: system file and slot files written in the game folder"

if command -v import >/dev/null; then
    shots="$BUILD_DIR/tests/screenshots"
    mkdir -p "$shots"
    import -window root "$shots/window_smoke.png" && echo "ok: screenshot $shots/window_smoke.png"
fi

# ---- A second copy leaves at once, silently, with status 0 and no window.
start=$SECONDS
set +e
(cd "$GAME_DIR" && timeout 15 "$GAME" >"$WORK/second.out" 2>"$WORK/second.err")
status=$?
set -e
[ "$status" -eq 0 ] || fail "the second copy exited with status $status"
[ $((SECONDS - start)) -le 5 ] || fail "the second copy took $((SECONDS - start)) s to leave"
[ -s "$WORK/second.out" ] || [ -s "$WORK/second.err" ] && fail "the second copy printed something"
[ "$(windows_named "$CAPTION" | wc -l)" -eq 1 ] || fail "a second game window appeared"
kill -0 "$FIRST" || fail "the first copy died"
echo "ok: a second copy left at once with status 0"

# ---- Alt+Return: full screen over the whole 1280x1024 screen, and back to the framed 800x600.
size_of() { xwininfo -id "$1" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
                                      /Width:/ {w=$2} /Height:/ {h=$2} END {print x "," y " " w "x" h}'; }
xdotool windowfocus --sync "$MAIN" 2>/dev/null || true
xdotool key --clearmodifiers alt+Return
for _ in $(seq 30); do [ "$(size_of "$MAIN")" = "0,0 1280x1024" ] && break; sleep 0.1; done
[ "$(size_of "$MAIN")" = "0,0 1280x1024" ] || fail "Alt+Return did not fill the screen: $(size_of "$MAIN")"
xdotool key --clearmodifiers alt+Return
for _ in $(seq 30); do [ "$(size_of "$MAIN" | cut -d' ' -f2)" = "800x600" ] && break; sleep 0.1; done
[ "$(size_of "$MAIN" | cut -d' ' -f2)" = "800x600" ] || fail "leaving full screen gave $(size_of "$MAIN")"
echo "ok: Alt+Return switches to full screen and back"

# ---- Logout or kill: the game ends as after a confirmed close and writes its system file.
touch -d '2001-01-01' "$GAME_DIR/Save00.dat"
kill -TERM "$FIRST"
set +e
wait "$FIRST"
status=$?
set -e
[ "$status" -eq 0 ] || fail "the game ended with status $status on SIGTERM"
[ "$(stat -c %Y "$GAME_DIR/Save00.dat")" -gt $(( $(date +%s) - 60 )) ] || fail "Save00.dat was not written on SIGTERM"
echo "ok: SIGTERM closes the game and writes Save00.dat"

# ---- No archives: the error box names GRP.IFP, the game does not crash and writes nothing.
EMPTY_DIR="$WORK/empty"
mkdir "$EMPTY_DIR"
# Named on the command line (started from a folder without the game and no folder named, the game
# asks for one instead: folder_chooser.sh).
(cd "$EMPTY_DIR" && exec "$GAME" "$EMPTY_DIR" >"$WORK/empty.out" 2>"$WORK/empty.err") &
OTHER_PIDS+=($!)
BROKEN=${OTHER_PIDS[1]}
BOX=$(wait_window "$TITLE" 20) || fail "no error box titled $TITLE appeared; stderr: $(cat "$WORK/empty.err")"
grep -q "GRP.IFP" "$WORK/empty.err" || fail "the error does not name GRP.IFP: $(cat "$WORK/empty.err")"
[ -n "$(windows_named "$CAPTION")" ] || fail "the main window is not shown behind the error box"
echo "ok: error box shown: $(grep -m1 error: "$WORK/empty.err")"
# Dismiss the box: the game stays open, inert, until closed.
xdotool windowfocus --sync "$BOX" 2>/dev/null || true
xdotool key --clearmodifiers Return
for _ in $(seq 50); do [ -z "$(windows_named "$TITLE")" ] && break; sleep 0.1; done
[ -z "$(windows_named "$TITLE")" ] || fail "the error box did not close on Return"
sleep 1
kill -0 "$BROKEN" || fail "the game ended (or crashed) after the error box"
[ -z "$(ls -A "$EMPTY_DIR")" ] || fail "the failed start wrote files: $(ls "$EMPTY_DIR")"
kill -TERM "$BROKEN"
wait "$BROKEN" 2>/dev/null || true
[ -z "$(ls -A "$EMPTY_DIR")" ] || fail "ending the failed game wrote files: $(ls "$EMPTY_DIR")"
echo "ok: after the error the game stays open, ends cleanly and writes nothing"
echo "PASS"
