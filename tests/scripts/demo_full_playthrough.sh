#!/usr/bin/env bash
# The whole sample game, played headless from the title to the ending three times so that every
# branch is taken: Haruka's broadcast and Minato's cape after the first choice, all three answers
# of the full-screen choice, both lines of the choice by the sea, and both endings. On the way it
# saves at the full-screen choice and loads that slot back from the title (the state and the
# picture after loading must be those of the moment it was saved), and after the ending it opens
# the album menu, the CG album (every page, a picture and its second picture), the scene album
# (with a replay of two queued scenes) and the music room.
# Screenshots of the title, a message with two characters, both kinds of choice, the album menu,
# a CG album page, a CG, a scene album page and the music room are compared with their goldens in
# tests/goldens/playthrough (SHA-256 of the PNG files, as for the menu goldens; the runner's
# pictures are the same on every machine with the same fonts). Run with UPDATE_GOLDENS=1 to write
# new goldens after looking at the pictures (they are then left in the printed work folder).
# KEEP_OUTPUT=DIR also records the sound and copies the runner's states, screenshots, captions and
# sound (audio.wav) into DIR, to compare two builds' runs (scripts/compare-arm64-playthrough.sh).
set -euo pipefail
tool="${BUILD_DIR:?BUILD_DIR must name the build directory}/tools/harukaze-tool"
goldens="$(cd "${SOURCE_DIR:?SOURCE_DIR must name the source tree}" && pwd)/tests/goldens/playthrough"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -n "${UPDATE_GOLDENS:-}" ] && trap - EXIT
game="$work/game"
# shellcheck source=tests/scripts/sample_game.bash
source "$(dirname "$0")/sample_game.bash"
sample_game "$game"

# Holds Control (message skip) until the task comes up, then lets go.
skip_to() { printf 'key Control down\nuntil-task %s max-ms 300000\nkey Control up\n' "$1"; }
# Holds Control until the script enters scene $1.
skip_to_scene() { printf 'key Control down\nuntil-scene %s max-ms 300000\nkey Control up\n' "$1"; }
# Clicks through $1 messages at reading pace.
read_messages() {
    for _ in $(seq "$1"); do printf 'until-task TASK_WAIT_MESSAGE\nclick 400 300\n'; done
}

# Choice rows of the first kind: 472, 504, 536 (rows of 32 from y 456); lines of the full-screen
# choice of three: 240, 300, 360. Title and album menu entries: 390, 430, 470, 510 at x 700.
{
    echo "# ---- The opening, skipped, and the title with the start entry under the pointer."
    skip_to TASK_WAIT_TITLE_MENU
    echo "move 700 390"
    echo "ticks 2"
    echo "screenshot title.png"
    echo "state title.json"

    echo "# ---- First play: Haruka's broadcast, the storehouse, the shells: Haruka's ending."
    echo "click 700 390"
    # Scene 2 has eleven messages; the eighth of scene 3 is spoken with both friends on screen.
    read_messages 18
    echo "until-task TASK_WAIT_MESSAGE"
    echo "ms 300"
    echo "screenshot two_characters.png"
    echo "state two_characters.json"
    skip_to TASK_WAIT_SELECT
    echo "move 400 472"
    echo "ticks 2"
    echo "screenshot choice.png"
    echo "state choice.json"
    echo "click 400 472"
    skip_to_scene 4
    echo "state radio.json"
    skip_to TASK_WAIT_SELECT2
    echo "move 400 360"
    echo "ticks 2"
    echo "screenshot choice2.png"
    echo "state choice2.json"
    echo "dialog save 放送室のあと"
    echo "menu ItemSave ItemSave3"
    echo "menu-caption ItemSave3"
    echo "state saved.json"
    echo "click 400 360"
    skip_to TASK_WAIT_SELECT
    echo "state sea_a.json"
    echo "click 400 472"
    skip_to_scene 11
    echo "state ending_a.json"
    skip_to TASK_WAIT_TITLE_MENU
    echo "state after_ending.json"

    echo "# ---- Load the slot saved at the full-screen choice; take the library and Minato."
    echo "click 700 430"
    echo "menu ItemLoadT3"
    echo "until-task TASK_WAIT_SELECT2"
    echo "move 400 360"
    echo "ticks 2"
    echo "screenshot loaded.png"
    echo "state loaded.json"
    echo "click 400 240"
    skip_to TASK_WAIT_SELECT
    echo "state sea_b.json"
    echo "click 400 504"
    skip_to_scene 11
    echo "state ending_b.json"
    skip_to TASK_WAIT_TITLE_MENU

    echo "# ---- Third play: Minato's cape, the lighthouse store, the shells: still Minato's ending."
    echo "click 700 390"
    skip_to TASK_WAIT_SELECT
    echo "click 400 504"
    skip_to_scene 5
    echo "state cape.json"
    skip_to TASK_WAIT_SELECT2
    echo "click 400 300"
    skip_to TASK_WAIT_SELECT
    echo "state sea_c.json"
    echo "click 400 472"
    skip_to_scene 11
    echo "state ending_c.json"
    skip_to TASK_WAIT_TITLE_MENU

    echo "# ---- The album menu and the CG album."
    echo "click 700 510"
    echo "until-task TASK_WAIT_ALBUM_MENU"
    echo "move 700 390"
    echo "ticks 2"
    echo "screenshot album_menu.png"
    echo "state album_menu.json"
    echo "click 700 390"
    echo "until-task TASK_WAIT_CG_ALBUM_MENU"
    echo "move 247 132"
    echo "ticks 2"
    echo "screenshot cg_page1.png"
    echo "state cg_page1.json"
    # The cape at dusk: two pictures in one cell, the second after a click, then the page again.
    echo "click 247 132"
    echo "until-task TASK_WAIT_CG_ALBUM"
    echo "screenshot cg_view.png"
    echo "state cg_view1.json"
    echo "click 400 300"
    echo "until-task TASK_WAIT_CG_ALBUM"
    echo "screenshot cg_view2.png"
    echo "state cg_view2.json"
    echo "click 400 300"
    echo "until-task TASK_WAIT_CG_ALBUM_MENU"
    echo "state cg_back.json"
    for page in 2 3 4 5 6 7 8; do
        echo "click 420 575"
        echo "until-task TASK_WAIT_CG_ALBUM_MENU"
        echo "state cg_page$page.json"
    done
    echo "click 420 575"
    echo "until-task TASK_WAIT_CG_ALBUM_MENU"
    echo "state cg_wrapped.json"
    echo "click 360 575"
    echo "until-task TASK_WAIT_CG_ALBUM_MENU"
    echo "state cg_previous.json"
    echo "click 60 575"
    echo "until-task TASK_WAIT_ALBUM_MENU"

    echo "# ---- The scene album: queue two memories and replay them."
    echo "click 700 430"
    echo "until-task TASK_WAIT_SC_ALBUM_MENU"
    echo "move 94 132"
    echo "ticks 2"
    echo "screenshot sc_page1.png"
    echo "click 94 132"
    echo "click 247 132"
    echo "ticks 2"
    echo "state sc_queued.json"
    echo "click 94 132"
    skip_to_scene 155
    echo "state replay.json"
    skip_to TASK_WAIT_SC_ALBUM_MENU
    echo "state sc_back.json"
    echo "click 60 575"
    echo "until-task TASK_WAIT_ALBUM_MENU"

    echo "# ---- The music room: pick the third piece, then back."
    echo "click 700 470"
    echo "until-task TASK_WAIT_BGM_MENU"
    echo "move 265 210"
    echo "ticks 2"
    echo "screenshot music_room.png"
    echo "state music_room.json"
    echo "click 265 210"
    echo "ticks 2"
    echo "state music_3.json"
    echo "click 60 580"
    echo "until-task TASK_WAIT_ALBUM_MENU"
    echo "state music_back.json"
    echo "click 700 510"
    echo "until-task TASK_WAIT_TITLE_MENU"
    echo "dialog ok"
    echo "close"
} > "$work/input.txt"

"$tool" run --game "$game" --input "$work/input.txt" --out "$work" ${KEEP_OUTPUT:+--audio-out "$work/audio.wav"} \
    --quiet > "$work/captions.txt"
if [ -n "${KEEP_OUTPUT:-}" ]; then
    mkdir -p "$KEEP_OUTPUT"
    cp "$work"/*.json "$work"/*.png "$work/captions.txt" "$work/audio.wav" "$KEEP_OUTPUT"/
fi

python3 "$(dirname "$0")/checks.py" full-playthrough "$work" "$game"

# Every save file the play left (the system file and its copy, the slots) is one the game takes as
# it is: a second start says nothing and sets nothing aside as damaged.
printf 'dialog ok\nclose\n' > "$work/restart.txt"
"$tool" run --game "$game" --input "$work/restart.txt" --out "$work" --quiet 2> "$work/restart.err" ||
    { cat "$work/restart.err"; echo "the game did not start again over its save files"; exit 1; }
if [ -s "$work/restart.err" ] || compgen -G "$game/*.damaged*" > /dev/null; then
    cat "$work/restart.err"; ls "$game"; echo "the save files of the play were not taken as they are"; exit 1
fi

# The game loaded from the slot looks exactly as it did when it was saved; the second picture of
# the album cell is another picture.
compare="$(cd "$(dirname "$0")" && pwd)/shot_compare.py"
python3 "$compare" same "$work/choice2.png" "$work/loaded.png" >/dev/null ||
    { echo "the loaded game does not look as it did when saved"; exit 1; }
[ "$(python3 "$compare" diff "$work/cg_view.png" "$work/cg_view2.png")" -gt 100000 ] ||
    { echo "the second picture of the album cell looks like the first"; exit 1; }

shots="title.png two_characters.png choice.png choice2.png album_menu.png cg_page1.png cg_view.png sc_page1.png music_room.png"
cd "$work"
if [ -n "${UPDATE_GOLDENS:-}" ]; then
    mkdir -p "$goldens"
    # shellcheck disable=SC2086
    sha256sum $shots > "$goldens/SHA256SUMS"
    echo "goldens written; pictures in $work"
    exit 0
fi
sha256sum -c --quiet "$goldens/SHA256SUMS"
echo "demo full playthrough: ok"
