#!/usr/bin/env bash
# The picture menus of the sample game, played by the headless runner and compared with their
# goldens: the title with a highlighted entry, a CG album page with locked and unlocked cells and
# the highlight frame, and a scene album page with queue marks. Run with UPDATE_GOLDENS=1 to
# write new goldens after looking at the pictures (they are left in the work folder).
set -euo pipefail
tool="${BUILD_DIR:?}/tools/harukaze-tool"
goldens="$(cd "${SOURCE_DIR:?}" && pwd)/tests/goldens/menus"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -n "${UPDATE_GOLDENS:-}" ] && trap - EXIT

"$tool" demo "$work/game" >/dev/null
cat > "$work/input.txt" <<'SCRIPT'
# Through the opening to the title, skipping with Control held.
key Control down
until-task TASK_WAIT_TITLE_MENU max-ms 120000
key Control up
move 700 380
ticks 2
screenshot title.png
# Unlock a random half of the albums with the debug window's button, then the CG album.
debug-button 3
click 700 500
until-task TASK_WAIT_ALBUM_MENU
click 700 380
until-task TASK_WAIT_CG_ALBUM_MENU
move 60 100
ticks 2
screenshot cg_album.png
click 60 575
until-task TASK_WAIT_ALBUM_MENU
# The scene album: queue two scenes.
click 700 420
until-task TASK_WAIT_SC_ALBUM_MENU
click 60 100
click 213 100
click 366 100
click 60 220
click 213 220
ticks 2
screenshot sc_album.png
state state.json
SCRIPT
"$tool" run --game "$work/game" --input "$work/input.txt" --out "$work" --quiet

grep -q '"SceneTable": \[[0-9]' "$work/state.json" || { echo "no scene was queued"; exit 1; }
cd "$work"
if [ -n "${UPDATE_GOLDENS:-}" ]; then
    mkdir -p "$goldens"
    sha256sum title.png cg_album.png sc_album.png > "$goldens/SHA256SUMS"
    echo "goldens written; pictures in $work"
    exit 0
fi
sha256sum -c "$goldens/SHA256SUMS"
