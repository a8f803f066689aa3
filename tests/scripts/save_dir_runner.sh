#!/usr/bin/env bash
# The headless runner plays the sample game from a folder its user cannot write (a real
# unprivileged user, nobody, on a folder owned by root): the saves made before are copied to the
# user's data folder on the first start and the player is told so once, in Japanese; the game
# starts, loads, saves and closes there, and the game folder stays byte for byte as it was.
# Then --save-dir puts the saves of a writable game folder where it says.
# Runs as root (to take the unprivileged user's place); run as anyone else it skips, saying why.
set -euo pipefail
build=${BUILD_DIR:?BUILD_DIR must name the build directory}
tool="$build/tools/harukaze-tool"
if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: needs root to run the game as the unprivileged user nobody"
    exit 0
fi
as_nobody() { setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$@"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
game="$work/game"
fail() {
    echo "FAIL: $*"
    [ -s "$work/run.err" ] && echo "runner stderr: $(cat "$work/run.err")"
    exit 1
}

# shellcheck source=tests/scripts/sample_game.bash
source "$(dirname "$0")/sample_game.bash"
sample_game "$game"

to_story() {
    runner_opening
    echo "click 700 390"
    echo "until-task TASK_WAIT_MESSAGE max-ms 30000"
}

# ---- A first play in the writable folder, as root: the story's third message saved in slot 1.
{
    to_story
    echo "click 400 300"
    echo "until-task TASK_WAIT_MESSAGE max-ms 30000"
    echo "click 400 300"
    echo "until-task TASK_WAIT_MESSAGE max-ms 30000"
    echo "ticks 2"
    echo "state saved.json"
    echo "dialog save 書き込めない前"
    echo "menu ItemSave ItemSave1"
    echo "dialog ok"
    echo "close"
} >"$work/first.txt"
"$tool" run --game "$game" --input "$work/first.txt" --out "$work" --quiet 2>"$work/run.err" || fail "the first play failed"
[ -f "$game/Save01.dat" ] && [ -f "$game/Save00.dat.bak" ] || fail "the first play left no saves in the game folder"

# ---- The folder becomes another user's: nobody can read it, not write it.
chmod -R a+rX,go-w "$game"
as_nobody test ! -w "$game" || fail "nobody can write the game folder"
snapshot() { (cd "$game" && find . -printf '%p %s %T@ %m\n' | sort && find . -type f -print0 | sort -z | xargs -0 sha256sum); }
snapshot >"$work/before.txt"
install -d -o nobody -g nogroup "$work/data" "$work/home" "$work/out"
data_root="$work/data/harukaze"

{
    runner_opening
    echo "click 700 430"
    echo "menu ItemLoadT1"
    echo "until-task TASK_WAIT_MESSAGE max-ms 30000"
    echo "state loaded.json"
    echo "click 400 300"
    echo "until-task TASK_WAIT_MESSAGE max-ms 30000"
    echo "ticks 2"
    echo "dialog save elsewhere"
    echo "menu ItemSave ItemSave2"
    echo "menu ItemLoad ItemLoad2"
    echo "until-task TASK_WAIT_MESSAGE max-ms 30000"
    echo "state loaded2.json"
    echo "dialog ok"
    echo "close"
} >"$work/second.txt"
chmod 644 "$work/second.txt"
play_as_nobody() {
    as_nobody env HOME="$work/home" XDG_DATA_HOME="$work/data" "$tool" run --game "$game" --input "$work/second.txt" \
        --out "$work/out" --quiet 2>"$work/run.err"
}
play_as_nobody || fail "the game did not play through from the read-only folder"
! grep -q "^error:" "$work/run.err" || fail "the game reported an error"
saves=$(find "$data_root" -mindepth 1 -maxdepth 1 -type d)
[ "$(echo "$saves" | wc -l)" -eq 1 ] && [ -n "$saves" ] || fail "no single save folder under $data_root: $saves"
case "$(basename "$saves")" in game-????????) ;; *) fail "the save folder's name is not made from the game folder's: $saves" ;; esac
grep -q "^notice: ゲームのフォルダ「$game」には書き込めないため" "$work/run.err" || fail "the player was not told why"
grep -q "^「$saves」$" "$work/run.err" || fail "the player was not told where the saves are"
cmp -s "$game/Save01.dat" "$saves/Save01.dat" || fail "the game folder's slot 1 was changed on its way to the save folder"
grep -qa "e.l.s.e.w.h.e.r.e" "$saves/Save02.dat" || fail "slot 2 was not saved in the save folder"
[ -f "$saves/Save00.dat.bak" ] || fail "the close did not write the system file in the save folder"
python3 "$(dirname "$0")/checks.py" save-dir-loads "$work" || fail "the slots did not load"
snapshot >"$work/after.txt"
diff "$work/before.txt" "$work/after.txt" >/dev/null || fail "the game folder changed: $(diff "$work/before.txt" "$work/after.txt" | head -5)"
echo "ok: the read-only game folder played, loaded and saved with its saves in $saves, unchanged itself"

# ---- Told once: the next start finds its saves and says nothing.
play_as_nobody || fail "the second start from the read-only folder failed"
! grep -q "^notice:" "$work/run.err" || fail "the player was told again: $(cat "$work/run.err")"
echo "ok: the player is told only on the first start"

# ---- --save-dir: a writable game folder's saves where the option says, the folder untouched.
chmod -R u+w "$game"
snapshot >"$work/before.txt"
"$tool" run --game "$game" --input "$work/second.txt" --out "$work" --quiet --save-dir "$work/mine" 2>"$work/run.err" ||
    fail "the game did not play with --save-dir"
! grep -q "^notice:" "$work/run.err" || fail "a folder the player named needs no notice"
cmp -s "$game/Save01.dat" "$work/mine/Save01.dat" || fail "--save-dir did not receive the game folder's saves"
grep -qa "e.l.s.e.w.h.e.r.e" "$work/mine/Save02.dat" || fail "slot 2 was not saved in --save-dir"
snapshot >"$work/after.txt"
diff "$work/before.txt" "$work/after.txt" >/dev/null || fail "--save-dir: the game folder changed"
echo "ok: --save-dir keeps the saves where it says"
