#!/usr/bin/env bash
# The sample game played with the keyboard alone, with a gamepad alone (the runner's pad verbs), and
# the same play made with clicks: from the title through a new game (a choice in the message window,
# saved there from the game menu, the full-screen choice, the choice by the sea) to Haruka's ending;
# the save loaded from the title and played on to Minato's ending; then the album menu, the CG album
# (a cell with two pictures and every page, turned round to the first), the scene album (two scenes
# queued and replayed) and the music room, and back to the title. The cursor keys move the pointer
# onto the targets, Return clicks where it is, Escape clicks a screen's way back or opens the game
# menu (on the pad: the D-pad, A, B and Start, and a trigger for Control); the clicking play puts
# the pointer on the same points, in the same time. The menus' own entries are chosen as the runner chooses them
# (`menu`). At each stop every play must show the same picture and the same state.
set -euo pipefail
tool="${BUILD_DIR:?BUILD_DIR must name the build directory}/tools/harukaze-tool"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=tests/scripts/sample_game.bash
source "$(dirname "$0")/sample_game.bash"

# The play in mode $1 (keys, pad or clicks). `at NAME X Y KEY...` brings the pointer onto (X, Y): by
# the keys (each waits out the pause a cursor key leaves), or by moving the mouse there; then
# NAME.png and NAME.json record the stop. `use X Y` clicks there or presses Return; `back X Y`
# clicks the way back at (X, Y) or presses Escape.
play() {
    local mode=$1
    # Holds Control (the pad: a trigger) until the task comes up, or the script enters scene $1.
    skip_until() {
        if [ "$mode" = pad ]; then
            printf 'pad-axis TriggerRight 32767\nuntil-%s %s max-ms 300000\npad-axis TriggerRight 0\n' "$1" "$2"
        else
            printf 'key Control down\nuntil-%s %s max-ms 300000\nkey Control up\n' "$1" "$2"
        fi
    }
    skip_to() { skip_until task "$1"; }
    skip_to_scene() { skip_until scene "$1"; }
    # One press of a key, or of the pad button that stands for it: down for one tick, up for one.
    # Every input of every play takes two ticks, so that the three plays keep the same clock and
    # the game's random draws (one each tick, from the clock) come out alike.
    press() {
        if [ "$mode" = pad ]; then
            local button
            case $1 in
                Return) button=A ;;
                Escape) button=B ;;
                Start) button=Start ;;
                *) button=DPad$1 ;;
            esac
            printf 'pad %s down\npad %s up\n' "$button" "$button"
        else
            printf 'key %s down\nkey %s up\n' "$1" "$1"
        fi
    }
    at() {
        local name=$1 x=$2 y=$3
        shift 3
        [ "$mode" = clicks ] && echo "move $x $y"
        for key in "$@"; do
            if [ "$mode" = clicks ]; then echo "ticks 2"; else press "$key"; fi
            echo "ms 200"
        done
        printf 'ticks 2\nscreenshot %s.png\nstate %s.json\n' "$name" "$name"
    }
    use() { if [ "$mode" != clicks ]; then press Return; else printf 'click %s %s\nticks 1\n' "$1" "$2"; fi; }
    # Opens the game menu: Escape, the pad's Start, or a right click at (X, Y).
    game_menu() {
        case $mode in
            keys) press Escape ;;
            pad) press Start ;;
            clicks) printf 'rclick %s %s\nticks 1\n' "$1" "$2" ;;
        esac
    }
    back() { if [ "$mode" != clicks ]; then press Escape; else printf 'click %s %s\nticks 1\n' "$1" "$2"; fi; }

    # Title entries at x 704, y 389, 429, 469, 510; choice rows at (16, 472) and (16, 504); the
    # full-screen choice's lines at (400, 240), (400, 300), (400, 360); album cells every 153 from
    # x 93 and every 120 from y 132; the page buttons at (59, 574), (359, 574) and (419, 574).
    echo "# ---- The opening, skipped; a new game from the title's first entry, saved at the first choice."
    skip_to TASK_WAIT_TITLE_MENU
    at title 704 389 Down
    use 704 389
    skip_to TASK_WAIT_SELECT
    at choice 16 472 Down
    game_menu 16 472
    echo "dialog save 分かれ道"
    echo "menu ItemSave ItemSave3"
    echo "state saved.json"
    use 16 472
    skip_to TASK_WAIT_SELECT2
    at choice2 400 360 Up
    use 400 360
    skip_to TASK_WAIT_SELECT
    at sea 16 472 Down
    use 16 472
    skip_to_scene 11
    echo "state ending.json"
    skip_to TASK_WAIT_TITLE_MENU

    echo "# ---- The slot loaded from the title (its second entry); Minato's cape: the other ending."
    at title_load 704 429 Down Down
    use 704 429
    echo "menu ItemLoadT3"
    echo "until-task TASK_WAIT_SELECT"
    at loaded 16 504 Down Down
    use 16 504
    skip_to TASK_WAIT_SELECT2
    at choice2_b 400 300 Up Up
    use 400 300
    skip_to TASK_WAIT_SELECT
    at sea_b 16 472 Down
    use 16 472
    skip_to_scene 11
    echo "state ending_b.json"
    skip_to TASK_WAIT_TITLE_MENU

    echo "# ---- The album menu (the title's last entry, up from none) and the CG album."
    at title_again 704 510 Up
    use 704 510
    echo "until-task TASK_WAIT_ALBUM_MENU"
    at album_menu 704 389 Down
    use 704 389
    echo "until-task TASK_WAIT_CG_ALBUM_MENU"
    at cg_page1 246 132 Down Right
    use 246 132
    echo "until-task TASK_WAIT_CG_ALBUM"
    echo "screenshot cg_view1.png"
    use 246 132
    echo "until-task TASK_WAIT_CG_ALBUM"
    echo "screenshot cg_view2.png"
    use 246 132
    echo "until-task TASK_WAIT_CG_ALBUM_MENU"
    # Down the middle column and onto the buttons, then along to the next page.
    at cg_next 419 574 Down Down Down Down Right
    for page in 2 3 4 5 6 7 8 1; do
        use 419 574
        echo "until-task TASK_WAIT_CG_ALBUM_MENU"
        at "cg_page${page}_again" 419 574
    done
    back 59 574
    echo "until-task TASK_WAIT_ALBUM_MENU"

    echo "# ---- The scene album: two scenes queued, the first chosen again replays them."
    at album_menu_sc 704 429 Down Down
    use 704 429
    echo "until-task TASK_WAIT_SC_ALBUM_MENU"
    at sc_page1 93 132 Down
    use 93 132
    at sc_second 246 132 Right
    use 246 132
    at sc_queued 93 132 Left
    use 93 132
    skip_to_scene 155
    echo "state replay.json"
    skip_to TASK_WAIT_SC_ALBUM_MENU
    at sc_back 93 132
    back 59 574
    echo "until-task TASK_WAIT_ALBUM_MENU"

    echo "# ---- The music room: the third piece, then back to the album menu and the title."
    at album_menu_music 704 469 Up Up
    use 704 469
    echo "until-task TASK_WAIT_BGM_MENU"
    at music_room 264 209 Down Down Down
    use 264 209
    at music_3 264 209
    back 59 579
    echo "until-task TASK_WAIT_ALBUM_MENU"
    at music_back 59 579
    back 704 510
    echo "until-task TASK_WAIT_TITLE_MENU"
    at title_last 704 510
    echo "dialog ok"
    echo "close"
}

sample_game "$work/game"
# Both plays at once, each on its own copy of the game (the game writes its save files there).
pids=()
for mode in keys pad clicks; do
    mkdir -p "$work/$mode"
    play "$mode" > "$work/$mode/input.txt"
    cp -r "$work/game" "$work/$mode/game"
    "$tool" run --game "$work/$mode/game" --input "$work/$mode/input.txt" --out "$work/$mode" --quiet > /dev/null &
    pids+=($!)
done
failed=0
for pid in "${pids[@]}"; do
    wait "$pid" || failed=1
done
[ "$failed" = 0 ] || { echo "a play stopped with an error"; exit 1; }

for mode in keys pad; do
    python3 - "$work/$mode" "$work/clicks" <<'PY'
import json, pathlib, sys
keys, clicks = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
mode = keys.name
stops = sorted(p.name for p in clicks.glob("*.json"))
assert sorted(p.name for p in keys.glob("*.json")) == stops, f"the {mode} play stopped at other places"
assert sorted(p.name for p in keys.glob("*.png")) == sorted(p.name for p in clicks.glob("*.png"))
failed = []
for name in stops:
    a, b = (json.loads((d / name).read_text()) for d in (keys, clicks))
    if a != b:
        failed.append(f"{name}: " + ", ".join(k for k in sorted(set(a) | set(b)) if a.get(k) != b.get(k)))
for shot in sorted(p.name for p in clicks.glob("*.png")):
    if (keys / shot).read_bytes() != (clicks / shot).read_bytes():
        failed.append(f"{shot}: the pictures differ")
if failed:
    sys.exit(f"the {mode} play differs from the clicks':\n  " + "\n  ".join(failed))
ending = json.loads((keys / "ending.json").read_text())
for name in ("ending.json", "ending_b.json"):
    assert json.loads((keys / name).read_text())["CurrentScene"] == 11, f"the {mode} play did not reach {name}"
assert json.loads((keys / "ending.json").read_text()) != json.loads((keys / "ending_b.json").read_text())
print(f"{mode} play: {len(stops)} states and the pictures match the clicks'")
PY
done
