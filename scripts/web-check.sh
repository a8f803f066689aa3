#!/usr/bin/env bash
# The WebAssembly build checked against the desktop build: scripts/build-web.sh builds the engine
# and harukaze-tool for WebAssembly, then the sample game's full headless playthrough runs under
# node and on the desktop build (BUILD_DIR, default build, which must hold harukaze-tool; it also
# makes the sample game). Both must give byte-identical states, screenshots and captions (but the
# save slot's time of day), and the screenshots must equal the goldens. The sound may differ by
# one step of a 16-bit sample: the Vorbis decoder's floating point is compiled differently for the
# desktop; anything more fails.
set -euo pipefail
cd "$(dirname "$0")/.."
native="$(cd "${BUILD_DIR:-build}" && pwd)"
web="${WEB_BUILD_DIR:-build-web}"
[ -x "$native/tools/harukaze-tool" ] || { echo "web-check: build the desktop build in $native first" >&2; exit 1; }
command -v node > /dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq nodejs > /dev/null
bash scripts/build-web.sh "$web"
web="$(cd "$web" && pwd)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The playthrough runs BUILD_DIR/tools/harukaze-tool: for the WebAssembly build, node running it.
mkdir -p "$work/web-build/tools"
printf '#!/bin/sh\nexec node --no-experimental-fetch "%s/tools/harukaze-tool.js" "$@"\n' "$web" \
    > "$work/web-build/tools/harukaze-tool"
chmod +x "$work/web-build/tools/harukaze-tool"

export SOURCE_DIR=. SAMPLE_GAME_TOOL="$native/tools/harukaze-tool"
start=$(date +%s)
BUILD_DIR="$work/web-build" KEEP_OUTPUT="$work/web" bash tests/scripts/demo_full_playthrough.sh
web_seconds=$(($(date +%s) - start))
BUILD_DIR="$native" KEEP_OUTPUT="$work/desktop" bash tests/scripts/demo_full_playthrough.sh

python3 - "$work/desktop" "$work/web" "$web_seconds" << 'PY'
import pathlib, sys, wave, array
desktop, web = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
names = sorted(p.name for p in desktop.iterdir())
assert names == sorted(p.name for p in web.iterdir()), "the two playthroughs wrote different files"
failed = []
for name in names:
    a, b = (desktop / name).read_bytes(), (web / name).read_bytes()
    if name == "captions.txt":
        a, b = a.split(b"\n", 1)[1], b.split(b"\n", 1)[1]  # the first line holds the time of day
    if name != "audio.wav" and a != b:
        failed.append(name)
def samples(path):
    with wave.open(str(path)) as w:
        return array.array("h", w.readframes(w.getnframes()))
a, b = samples(desktop / "audio.wav"), samples(web / "audio.wav")
if len(a) != len(b):
    failed.append("audio.wav (length)")
differing = [abs(x - y) for x, y in zip(a, b) if x != y]
if differing and max(differing) > 1:
    failed.append(f"audio.wav (a sample off by {max(differing)})")
if failed:
    sys.exit("web-check: the WebAssembly build's playthrough differs from the desktop's: " + ", ".join(failed))
print(f"web-check: {len(names) - 1} files byte-identical; sound: {len(differing)} of {len(a)} samples one step off;"
      f" the playthrough took {sys.argv[3]} s under node")
PY
