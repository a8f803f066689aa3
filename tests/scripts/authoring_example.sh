#!/usr/bin/env bash
# The worked example of docs/authoring.md, run as a reader would type it: the blocks marked
# "sh example" are run in order and the blocks marked "text example=PATH" are written to PATH at
# that point. The example ends by playing its game with `harukaze-tool run`; the game must reach
# the end of its story (back at the title menu, the choice remembered) without an engine error, and
# the pictures it draws must be what the text says (the message rule's size and direction).
# Needs BUILD_DIR (for harukaze-tool) and ImageMagick's convert.
set -euo pipefail

BUILD_DIR=${BUILD_DIR:?BUILD_DIR must name the build directory}
BUILD_DIR=$(cd "$BUILD_DIR" && pwd)
SOURCE_DIR=${SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
DOC="$SOURCE_DIR/docs/authoring.md"
fail() { echo "FAIL: $*"; exit 1; }
[ -x "$BUILD_DIR/tools/harukaze-tool" ] || fail "$BUILD_DIR/tools/harukaze-tool was not built"
command -v convert >/dev/null || fail "ImageMagick's convert is missing (scripts/install-deps.sh installs it)"
[ -f "$DOC" ] || fail "$DOC is missing"

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# ---- Turn the marked blocks into one script. A file block becomes a quoted here-document, so its
# ---- text reaches the file byte for byte.
awk -v doc="$DOC" '
    BEGIN { mode = ""; blocks = 0 }
    mode == "" && /^```sh example[ \t]*$/ { mode = "sh"; blocks++; print "# --- commands"; next }
    mode == "" && /^```[a-z]* example=/ {
        path = $0; sub(/^```[a-z]* example=/, "", path); sub(/[ \t]+$/, "", path)
        if (path == "" || path ~ /\x27/) { print "bad file block: " $0 > "/dev/stderr"; exit 3 }
        mode = "file"; blocks++; print "cat >\x27" path "\x27 <<\x27HK_EXAMPLE_END\x27"; next
    }
    mode != "" && /^```[ \t]*$/ { if (mode == "file") print "HK_EXAMPLE_END"; mode = ""; next }
    mode != "" { if (mode == "file" && $0 == "HK_EXAMPLE_END") exit 4; print }
    END {
        if (mode != "") { print "unclosed block in " doc > "/dev/stderr"; exit 5 }
        if (blocks < 4) { print "only " blocks " example blocks in " doc > "/dev/stderr"; exit 6 }
    }' "$DOC" >"$WORK/example.sh" || fail "cannot extract the example from $DOC"
grep -q 'harukaze-tool run ' "$WORK/example.sh" || fail "the example never runs its game"
echo "ok: $(grep -c '^# --- commands' "$WORK/example.sh") command blocks and $(grep -c '^cat >' "$WORK/example.sh") files"

# ---- Run it in an empty folder with the built tool on the PATH, as a reader's shell would.
mkdir "$WORK/reader"
set +e
(cd "$WORK/reader" && PATH="$BUILD_DIR/tools:$PATH" bash -euo pipefail "$WORK/example.sh") \
    >"$WORK/example.out" 2>&1
status=$?
set -e
[ "$status" -eq 0 ] || fail "the example failed with status $status:
$(tail -n 30 "$WORK/example.out")"
echo "ok: every command of the example ran"

# ---- The game it made plays to its end.
KAZE="$WORK/reader/kaze"
for f in game/SCR.IFP game/GRP.IFP check/end.json check/title.png check/choice.png; do
    [ -s "$KAZE/$f" ] || fail "the example did not produce $f"
done
# The message rule picture: 800x176, and its first line (rows 0..66) dark on the left and light on
# the right, so that the text appears from left to right.
rule="$KAZE/pictures/rule.bmp"
[ "$(convert "$rule" -format '%w %h' info:)" = "800 176" ] ||
    fail "the rule picture is $(convert "$rule" -format '%wx%h' info:), not 800x176"
for row in 0 33 66; do
    convert "$rule" -crop 800x1+0+$row +repage -depth 8 gray:- | od -An -v -tu1 -w800 |
        awk -v row=$row '{ for (i = 2; i <= NF; i++) if ($i < $(i - 1)) { print "row " row " gets darker at x " i - 1; exit 1 }
                           if ($NF - $1 < 60) { print "row " row " goes only from " $1 " to " $NF; exit 1 } }' ||
        fail "the first line of the rule picture does not reveal from left to right"
done
echo "ok: the rule picture is 800x176 and its first line reveals from left to right"
entries=$("$BUILD_DIR/tools/harukaze-tool" ifp list "$KAZE/game/GRP.IFP" | grep -cv '^#')
[ "$entries" -eq 6 ] || fail "GRP.IFP holds $entries graphics, not the 6 of the manifest"
json=$(tr -d ' \n' <"$KAZE/check/end.json")
json_value() { grep -o "\"$1\":[^,]*" <<<"$json" | head -n1 | cut -d: -f2; }
[ "$(json_value TaskCode)" = '"00700102"' ] || fail "the story did not end at the title menu: TaskCode $(json_value TaskCode)"
[ "$(json_value CurrentScene)" = 1 ] || fail "the story ended in scene $(json_value CurrentScene), not 1"
choice=$(grep -o '"ScenarioVars":\[[^]]*' <<<"$json" | cut -d[ -f2 | cut -d, -f10)
[ "$choice" = 1 ] || fail "the first choice was not remembered: s10 is '$choice'"
cmp -s "$KAZE/check/title.png" "$KAZE/check/choice.png" && fail "the title screen and the choice look the same"
echo "ok: the example game played from its opening through the choice to the title menu"
echo "PASS"
