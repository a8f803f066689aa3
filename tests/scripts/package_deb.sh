#!/usr/bin/env bash
# The Debian package: CPack builds it from the build tree, its control data names the runtime
# packages, and unpacked into a scratch root (never installed system-wide here) it holds both
# programs, the desktop entry and its AppStream metainfo (validated), the icon, the manuals and
# the sample game's sources. The unpacked harukaze then opens its window on a virtual X server
# (xvfb.bash) in a sample game folder made by the unpacked harukaze-tool, and ends cleanly, writing
# its system file into that folder.
# Needs BUILD_DIR (a configured and built tree); uses cpack, dpkg-deb, appstreamcli, Xvfb and
# xdotool.
set -euo pipefail

BUILD_DIR=${BUILD_DIR:?BUILD_DIR must name the build directory}
BUILD_DIR=$(cd "$BUILD_DIR" && pwd)
# shellcheck source=tests/scripts/xvfb.bash
source "$(dirname "$0")/xvfb.bash"
window_check cpack dpkg-deb Xvfb xdotool

# ---- Build the package into a scratch folder, so the build tree keeps no package files.
cpack --config "$BUILD_DIR/CPackConfig.cmake" -G DEB -B "$WORK/pkg" >"$WORK/cpack.log" 2>&1 ||
    fail "cpack failed: $(tail -n 20 "$WORK/cpack.log")"
debs=("$WORK"/pkg/harukaze_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no harukaze_*.deb: $(ls "$WORK/pkg")"
DEB=${debs[0]}
echo "ok: $(basename "$DEB") ($(($(stat -c %s "$DEB") / 1024)) KiB)"

# ---- Control data: name, section and every runtime package a player's machine needs.
field() { dpkg-deb -f "$DEB" "$1"; }
[ "$(field Package)" = harukaze ] || fail "package name is '$(field Package)'"
[ "$(field Section)" = games ] || fail "section is '$(field Section)'"
depends=$(field Depends)
for p in libqt6widgets6 qt6-qpa-plugins qt6-wayland libsdl2-2.0-0 libvorbisfile3 libpng16-16 libjpeg62-turbo \
         libfreetype6 libfontconfig1 fonts-ipafont-gothic; do
    grep -Eq "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends does not name $p: $depends"
    # Every named package must exist in Debian, or apt-get cannot install the .deb.
    # (Checked only where apt knows the archive at all.)
    if command -v apt-cache >/dev/null && apt-cache show libc6 >/dev/null 2>&1; then
        apt-cache show "$p" >/dev/null 2>&1 || fail "Depends names $p, which apt does not know"
    fi
done
echo "ok: Depends: $depends"
# What `apt-get install ./harukaze_*.deb` would do, without changing this machine.
if command -v apt-get >/dev/null; then
    apt-get install -s "$DEB" >"$WORK/apt.log" 2>&1 || fail "apt-get cannot install the package: $(tail -n 5 "$WORK/apt.log")"
    grep -q '^Inst harukaze ' "$WORK/apt.log" || fail "apt-get would not install harukaze: $(tail -n 5 "$WORK/apt.log")"
    echo "ok: apt-get resolves the package's dependencies"
fi

# ---- Contents, unpacked into a scratch root.
ROOT="$WORK/root"
dpkg-deb -x "$DEB" "$ROOT"
for f in usr/bin/harukaze usr/bin/harukaze-tool usr/share/applications/harukaze.desktop \
         usr/share/metainfo/org.harukaze.Harukaze.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/harukaze.svg usr/share/man/man6/harukaze.6.gz \
         usr/share/man/man1/harukaze-tool.1.gz usr/share/doc/harukaze/playing.md \
         usr/share/doc/harukaze/authoring.md usr/share/harukaze/demo/pictures.txt; do
    [ -s "$ROOT/$f" ] || fail "the package lacks /$f"
done
for page in man6/harukaze.6.gz man1/harukaze-tool.1.gz; do
    gzip -t "$ROOT/usr/share/man/$page" || fail "$page is not a valid gzip file"
    zcat "$ROOT/usr/share/man/$page" | grep -q '^\.TH ' || fail "$page is not a manual page"
done
DESKTOP="$ROOT/usr/share/applications/harukaze.desktop"
grep -q '^Icon=harukaze$' "$DESKTOP" || fail "the desktop entry does not name the icon 'harukaze'"
grep -q '^Exec=.*harukaze' "$DESKTOP" || fail "the desktop entry does not start harukaze"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$DESKTOP" || fail "desktop-file-validate rejects the desktop entry"
fi
# The software centres' description, beside the desktop entry it names.
METAINFO="$ROOT/usr/share/metainfo/org.harukaze.Harukaze.metainfo.xml"
command -v appstreamcli >/dev/null || fail "appstreamcli is missing (scripts/install-deps.sh installs appstream)"
appstreamcli validate --no-net "$METAINFO" >"$WORK/appstream.log" 2>&1 ||
    fail "appstreamcli rejects the metainfo: $(cat "$WORK/appstream.log")"
grep -q '<launchable type="desktop-id">harukaze.desktop</launchable>' "$METAINFO" ||
    fail "the metainfo does not name the desktop entry"
echo "ok: programs, desktop entry, metainfo, icon, manuals, documents and sample sources are in the package"

# ---- The unpacked programs run: their own command lines.
GAME="$ROOT/usr/bin/harukaze"
TOOL="$ROOT/usr/bin/harukaze-tool"
"$GAME" --version | grep -q "^harukaze $(field Version | sed 's/-.*//')" ||
    fail "harukaze --version does not print the package version: $("$GAME" --version)"
"$GAME" --help | grep -q "usage: harukaze" || fail "harukaze --help printed no usage"
for command in ifp scr run demo; do
    "$TOOL" "$command" --help | grep -q "usage: harukaze-tool $command" ||
        fail "harukaze-tool $command --help printed no usage"
done
set +e
"$TOOL" frobnicate >/dev/null 2>"$WORK/usage.err"
status=$?
set -e
[ "$status" -eq 2 ] && grep -q "unknown command" "$WORK/usage.err" ||
    fail "an unknown command gave status $status: $(cat "$WORK/usage.err")"
echo "ok: --help and --version of the unpacked programs"

# ---- A sample game folder, made by the unpacked tool from the packaged sources.
GAME_DIR="$WORK/game"
if ! "$TOOL" demo "$GAME_DIR" --source "$ROOT/usr/share/harukaze/demo" --jobs 2 --quiet 2>"$WORK/demo.err"; then
    # The sample game could not be generated: play a two-scene game written with the tools instead,
    # so the package is still checked (the demo generator has tests of its own).
    echo "note: the sample game was not generated ($(head -n1 "$WORK/demo.err")); using a small game"
    rm -rf "$GAME_DIR"
    mkdir -p "$GAME_DIR" "$WORK/scenes"
    printf 'start:\n    message "はじめまして。"\n    jump next, 2\n    end\n' >"$WORK/scenes/scene0001.txt"
    printf 'next:\n    wait 1000\n    jump next\n    end\n' >"$WORK/scenes/scene0002.txt"
    printf '# no pictures\n' >"$WORK/pictures.txt"
    "$TOOL" scr asm "$WORK/scenes" "$GAME_DIR/SCR.IFP" >/dev/null
    "$TOOL" ifp pack "$GAME_DIR/GRP.IFP" "$WORK/pictures.txt" >/dev/null
fi
[ -s "$GAME_DIR/SCR.IFP" ] && [ -s "$GAME_DIR/GRP.IFP" ] || fail "no game folder to play"

# ---- The unpacked game on a virtual X server: a window with the game's caption, no error box, and
# ---- a clean end on SIGTERM that writes the system file into the game folder.
# ---- The second start follows the end of the first on the same server, so the server must not
# ---- reset when the first game leaves (-noreset; xvfb.bash tells why).
start_xvfb "$WORK" 1024x768x24
CAPTION="ＨＡＲＵＫＡＺＥ　radadu"
TITLE="ＨＡＲＵＫＡＺＥ"
windows_named() {
    local id
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
        [ "$(xdotool getwindowname "$id")" = "$1" ] && echo "$id"
    done
    return 0
}
(cd "$GAME_DIR" && exec "$GAME" >"$WORK/game.out" 2>"$WORK/game.err") &
GAME_PID=$!
found=""
for _ in $(seq 150); do
    found=$(windows_named "$CAPTION")
    [ -n "$found" ] && break
    kill -0 "$GAME_PID" 2>/dev/null || fail "harukaze ended before its window appeared: $(cat "$WORK/game.err")"
    sleep 0.2
done
[ -n "$found" ] || fail "no window titled $CAPTION appeared: $(cat "$WORK/game.err")"
echo "ok: the unpacked harukaze opened its window \"$CAPTION\""
sleep 2
[ -z "$(windows_named "$TITLE")" ] || fail "an error box appeared: $(cat "$WORK/game.err")"
kill -0 "$GAME_PID" || fail "harukaze died after opening its window: $(cat "$WORK/game.err")"
kill -TERM "$GAME_PID"
set +e
wait "$GAME_PID"
status=$?
set -e
GAME_PID=""
[ "$status" -eq 0 ] || fail "harukaze ended with status $status on SIGTERM: $(cat "$WORK/game.err")"
[ -s "$GAME_DIR/Save00.dat" ] || fail "no Save00.dat in the game folder after the game ended"
echo "ok: the game ran without an error and wrote Save00.dat into its folder"

# Given a folder without the archives: exactly one error box, naming both archives and the
# folder, over the game's window; nothing is written there.
EMPTY="$WORK/empty"
mkdir "$EMPTY"
(cd "$EMPTY" && exec "$GAME" "$EMPTY" >"$WORK/empty.out" 2>"$WORK/empty.err") &
GAME_PID=$!
boxes=""
for _ in $(seq 150); do
    boxes=$(windows_named "$TITLE")
    [ -n "$boxes" ] && break
    kill -0 "$GAME_PID" 2>/dev/null || fail "harukaze ended without an error box: $(cat "$WORK/empty.err")"
    sleep 0.2
done
[ -n "$boxes" ] || fail "no error box titled $TITLE appeared: $(cat "$WORK/empty.err")"
sleep 1
count=$(windows_named "$TITLE" | wc -l)
[ "$count" -eq 1 ] || fail "$count error boxes instead of one: $(cat "$WORK/empty.err")"
[ -n "$(windows_named "$CAPTION")" ] || fail "the game window is not shown behind the box"
for word in GRP.IFP SCR.IFP "$EMPTY"; do
    grep -qF "$word" "$WORK/empty.err" || fail "the error does not name $word: $(cat "$WORK/empty.err")"
done
kill -TERM "$GAME_PID"
wait "$GAME_PID" 2>/dev/null || true
GAME_PID=""
[ -z "$(ls -A "$EMPTY")" ] || fail "the failed start wrote files: $(ls "$EMPTY")"
echo "ok: without its archives, one box: $(grep -m1 . "$WORK/empty.err")"
echo "PASS"
