#!/usr/bin/env bash
# The window build's sound reaches the sound card: under a virtual X server, with SDL's disk driver
# standing in for the card, a scene that starts looping music makes the driver's output file carry
# that music, not silence, within 20 seconds. The game is then ended.
# Needs BUILD_DIR (the build tree); uses Xvfb and python3. The music is a short sound the sample
# game generator made (tests/engine_sound/window_music.ogg), played as music 1, looping.
set -euo pipefail

SOURCE_DIR=${SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
# shellcheck source=tests/scripts/xvfb.bash
source "$SOURCE_DIR/tests/scripts/xvfb.bash"
window_check Xvfb python3

# ---- A game folder: an empty graphics archive, the music, and a scene 1 that starts music 1
# ---- looping and then waits forever.
mkdir -p "$WORK/game/Sound"
cp "$SOURCE_DIR/tests/engine_sound/window_music.ogg" "$WORK/game/Sound/M01.ogg"
head -c 32784 /dev/zero >"$WORK/game/GRP.IFP"
mkdir "$WORK/scenes"
cat >"$WORK/scenes/scene0001.txt" <<'EOF'
    bgm 1, 1
top:
    wait 1000
    jump top
EOF
"$TOOL" scr asm "$WORK/scenes" "$WORK/game/SCR.IFP"

# ---- Play it. The disk driver writes what the card would play, at the card's pace (about
# ---- 176 kB a second), so the file stays small however long the check takes.
start_xvfb "$WORK" 1024x768x24
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$WORK/card.raw"
unset SDL_DISKAUDIODELAY
(cd "$WORK/game" && exec "$GAME" >"$WORK/game.out" 2>"$WORK/game.err") &
GAME_PID=$!

# ---- The newest part of the file, as 16-bit stereo samples: its peak must show the music.
peak() {
    python3 "$SOURCE_DIR/tests/scripts/checks.py" sound-peak "$WORK/card.raw"
}

loud=0
for _ in $(seq 40); do
    sleep 0.5
    kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended"
    loud=$(peak)
    [ "$loud" -gt 300 ] && break
done
[ -s "$WORK/card.raw" ] || fail "the disk driver wrote nothing: $(cat "$WORK/game.err")"
[ "$loud" -gt 300 ] || fail "the sound output stayed silent for 20 s (peak $loud); stderr: $(cat "$WORK/game.err")"
grep -q "error:" "$WORK/game.err" && fail "the game reported an error: $(cat "$WORK/game.err")"
echo "ok: the music reached the sound output (peak $loud, $(stat -c %s "$WORK/card.raw") bytes)"

end_game
echo "PASS"
