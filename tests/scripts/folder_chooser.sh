#!/usr/bin/env bash
# The game folder chooser under a virtual X server, with a settings folder of its own:
# - the widget tests of the start from a folder without the game (the chooser answered by the
#   test, a folder without the archives refused, the choice remembered and used by the next start)
#   run on the X server instead of the offscreen platform;
# - the real program started from an empty folder shows the chooser, and a stop signal then ends it
#   cleanly; the folder typed into it is
#   played and remembered, and the next start from the empty folder plays it without asking;
#   started with a folder on its command line it plays that one.
# Needs BUILD_DIR (the build tree); uses Xvfb and xdotool.
set -euo pipefail

# shellcheck source=tests/scripts/xvfb.bash
source "$(dirname "$0")/xvfb.bash"
window_check Xvfb xdotool xwininfo
TESTS="$BUILD_DIR/tests/qt/test_qt"
if [ ! -x "$TESTS" ]; then
    echo "SKIP: the window build's tests were not built"
    exit 0
fi

start_xvfb "$WORK" 1280x1024x24

"$TESTS" --gtest_filter='GameFolderStart.*' >"$WORK/tests.out" 2>&1 || fail "the widget tests failed on X: $(tail -n 30 "$WORK/tests.out")"
grep -q "PASSED.* 3 tests" "$WORK/tests.out" || fail "the widget tests did not all run: $(tail -n 5 "$WORK/tests.out")"
echo "ok: the chooser tests pass on the X server"

# ---- A small game (one scene waiting for a click) and an empty folder to start from; a home of
# ---- its own, so no ~/harukaze of the machine's is found.
mkdir -p "$WORK/scenes" "$WORK/game" "$WORK/empty" "$WORK/home"
printf 'start:\n    wait 0\n    jump start\n    end\n' >"$WORK/scenes/scene0001.txt"
"$TOOL" scr asm "$WORK/scenes" "$WORK/game/SCR.IFP" >/dev/null
printf '# no pictures\n' >"$WORK/pictures.txt"
"$TOOL" ifp pack "$WORK/game/GRP.IFP" "$WORK/pictures.txt" >/dev/null
export HOME="$WORK/home"

CAPTION="ＨＡＲＵＫＡＺＥ　radadu"
named() {
    local id
    # A window listed by the search may be gone by the time its name is asked (BadWindow).
    for id in $(xdotool search --onlyvisible --name '.*' 2>/dev/null); do
        [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && { echo "$id"; return 0; }
    done
    return 1
}
start_game() {
    (cd "$WORK/empty" && exec "$GAME" "$@" >"$WORK/game.out" 2>"$WORK/game.err") &
    GAME_PID=$!
}
# Whether a child of this script has ended (it stays a zombie until it is waited for).
ended() {
    [ ! -e "/proc/$1/stat" ] || [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" = Z ]
}
end_game() {
    kill -TERM "$GAME_PID" 2>/dev/null || true # it may have ended already
    local status=0
    wait "$GAME_PID" || status=$?
    GAME_PID=""
    [ "$status" -eq 0 ] || fail "the game ended with status $status"
}

# A stop signal (logout, Ctrl+C) while the chooser is open ends the program at once and cleanly,
# with nothing chosen, remembered or written.
start_game
wait_for 20 named "ゲームのフォルダを選んでください（SCR.IFP と GRP.IFP があるフォルダ）" >/dev/null ||
    fail "no folder chooser appeared"
kill -TERM "$GAME_PID"
wait_for 20 ended "$GAME_PID" || fail "the program did not end on SIGTERM while the chooser was open"
end_game
! grep -qs "folder=" "$XDG_CONFIG_HOME/harukaze/harukaze.conf" || fail "a folder was remembered though none was chosen"
[ -z "$(ls -A "$WORK/empty")" ] || fail "the program wrote into the folder it was started from"
echo "ok: a stop signal while the chooser is open ends the program cleanly"

start_game
wait_for 20 named "ゲームのフォルダを選んでください（SCR.IFP と GRP.IFP があるフォルダ）" >/dev/null ||
    fail "no folder chooser appeared"
CHOOSER=$(named "ゲームのフォルダを選んでください（SCR.IFP と GRP.IFP があるフォルダ）")
[ -z "$(named "$CAPTION" || true)" ] || fail "the game window opened before a folder was chosen"
xdotool windowfocus --sync "$CHOOSER" 2>/dev/null || true
xdotool type --delay 10 "$WORK/game"
xdotool key Return
wait_for 20 named "$CAPTION" >/dev/null || fail "the game did not start in the chosen folder"
wait_for 20 test -s "$WORK/game/Save00.dat" || fail "the game does not play the chosen folder (no Save00.dat there)"
[ -z "$(ls -A "$WORK/empty")" ] || fail "the game wrote into the folder it was started from"
grep -qF "folder=$WORK/game" "$XDG_CONFIG_HOME/harukaze/harukaze.conf" || fail "the chosen folder was not remembered"
end_game
echo "ok: from an empty folder the chooser appeared; the chosen folder is played and remembered"

# Without the system file or its copy, a start that plays this folder writes a new one.
rm -f "$WORK/game/Save00.dat" "$WORK/game/Save00.dat.bak"
start_game
wait_for 20 named "$CAPTION" >/dev/null || fail "the next start did not play the remembered folder"
[ -z "$(named "ゲームのフォルダを選んでください（SCR.IFP と GRP.IFP があるフォルダ）" || true)" ] || fail "the chooser asked again"
wait_for 20 test -s "$WORK/game/Save00.dat" || fail "the next start does not play the remembered folder"
end_game
echo "ok: the next start plays the remembered folder without asking"

mkdir "$WORK/other"
cp "$WORK/game/SCR.IFP" "$WORK/game/GRP.IFP" "$WORK/other/"
start_game "$WORK/other"
wait_for 20 named "$CAPTION" >/dev/null || fail "harukaze DIR did not start"
wait_for 20 test -s "$WORK/other/Save00.dat" || fail "harukaze DIR does not play DIR"
end_game
echo "ok: harukaze DIR plays DIR"
echo "PASS"
