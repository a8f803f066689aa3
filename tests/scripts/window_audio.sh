#!/usr/bin/env bash
# The window build's sound reaches the sound card: under a virtual X server, with SDL's disk driver
# standing in for the card, a scene that starts looping music makes the driver's output file carry
# that music, not silence, within 20 seconds. The game is then killed.
# Needs BUILD_DIR (the build tree); uses xvfb-run and python3. The music is a short sound the sample
# game generator made (tests/engine_sound/window_music.ogg), played as music 1, looping.
set -euo pipefail

BUILD_DIR=${BUILD_DIR:?BUILD_DIR must name the build directory}
fail() { echo "FAIL: $*"; exit 1; }
GAME="$BUILD_DIR/app/harukaze"
TOOL="$BUILD_DIR/tools/harukaze-tool"
if [ ! -x "$GAME" ]; then
    echo "SKIP: $GAME was not built (window build disabled)"
    exit 0
fi
[ -x "$TOOL" ] || fail "$TOOL was not built"
for tool in xvfb-run Xvfb python3; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done

WORK=$(mktemp -d)
RUN_PID=""
cleanup() {
    if [ -s "$WORK/game.pid" ]; then kill "$(cat "$WORK/game.pid")" 2>/dev/null || true; fi
    [ -n "$RUN_PID" ] && wait "$RUN_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

# ---- A game folder: an empty graphics archive, the music, and a scene 1 that starts music 1
# ---- looping and then waits forever.
SOURCE_DIR=${SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
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
export QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$WORK/card.raw"
unset SDL_DISKAUDIODELAY WAYLAND_DISPLAY
mkdir -m 700 "$WORK/runtime"
# Settings of the program's own go to a folder of this check, never the user's ~/.config.
export XDG_RUNTIME_DIR="$WORK/runtime" XDG_CONFIG_HOME="$WORK/config"
(
    cd "$WORK/game"
    # The shell records its own id and becomes the game, so exactly the game can be ended.
    exec xvfb-run -a sh -c 'echo $$ >"$0"; exec "$1"' "$WORK/game.pid" "$GAME" >"$WORK/game.out" 2>"$WORK/game.err"
) &
RUN_PID=$!

# ---- The newest part of the file, as 16-bit stereo samples: its peak must show the music.
peak() {
    python3 - "$WORK/card.raw" <<'PY'
import array, os, sys
path = sys.argv[1]
if not os.path.exists(path):
    print(0); sys.exit()
size = os.path.getsize(path) // 4 * 4
with open(path, "rb") as f:
    f.seek(max(0, size - 4 * 44100))
    data = f.read(min(size, 4 * 44100))
samples = array.array("h")
samples.frombytes(data[: len(data) // 2 * 2])
print(max((abs(s) for s in samples), default=0))
PY
}

loud=0
for _ in $(seq 40); do
    sleep 0.5
    kill -0 "$RUN_PID" 2>/dev/null || fail "the game ended: $(cat "$WORK/game.err")"
    loud=$(peak)
    [ "$loud" -gt 300 ] && break
done
[ -s "$WORK/card.raw" ] || fail "the disk driver wrote nothing: $(cat "$WORK/game.err")"
[ "$loud" -gt 300 ] || fail "the sound output stayed silent for 20 s (peak $loud); stderr: $(cat "$WORK/game.err")"
grep -q "error:" "$WORK/game.err" && fail "the game reported an error: $(cat "$WORK/game.err")"
echo "ok: the music reached the sound output (peak $loud, $(stat -c %s "$WORK/card.raw") bytes)"

kill "$(cat "$WORK/game.pid")"
wait "$RUN_PID" 2>/dev/null || true
rm -f "$WORK/game.pid"
echo "PASS"
