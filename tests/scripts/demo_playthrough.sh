#!/usr/bin/env bash
# Plays the generated sample game headless, from its opening through the title menu into the
# story, and takes the second branch of the first choice: checks where the story arrives and
# what it has recorded on the way (variables, album marks, the log, the music).
set -euo pipefail
build=${BUILD_DIR:?BUILD_DIR must name the build directory}
tool="$build/tools/harukaze-tool"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
game="$work/game"

# shellcheck source=tests/scripts/sample_game.bash
source "$(dirname "$0")/sample_game.bash"
sample_game "$game"

{
    # The opening: two messages with the cursor hidden, then the title menu.
    for _ in 1 2; do
        echo "until-task TASK_WAIT_MESSAGE max-ms 30000"
        echo "click 400 300"
    done
    echo "until-task TASK_WAIT_TITLE_MENU max-ms 30000"
    echo "ms 600"
    echo "state title.json"
    echo "screenshot title.png"
    echo "click 700 390"
    # Scene 2 (eleven messages) and scene 3 (ten) up to the first choice.
    for _ in $(seq 21); do
        echo "until-task TASK_WAIT_MESSAGE max-ms 30000"
        echo "click 400 300"
    done
    echo "until-task TASK_WAIT_SELECT max-ms 30000"
    echo "state choice.json"
    echo "click 400 500"
    echo "until-task TASK_WAIT_MESSAGE max-ms 30000"
    echo "state cape.json"
    echo "screenshot cape.png"
} > "$work/input.txt"

"$tool" run --game "$game" --input "$work/input.txt" --out "$work" --quiet

python3 - "$work" <<'PY'
import json, sys
work = sys.argv[1]
def load(name):
    with open(f"{work}/{name}") as f:
        return json.load(f)
def check(condition, message):
    if not condition:
        print("demo playthrough:", message, file=sys.stderr)
        sys.exit(1)
title = load("title.json")
check(title["TaskCode"] == "00700102", "the title menu is not waiting: %s" % title["TaskCode"])
check(title["CurrentScene"] == 1, "the title menu runs in scene %d" % title["CurrentScene"])
check(title["Channels"][1]["file"].replace("\\", "/").endswith("Sound/M01.ogg"), "no title music: %s" % title["Channels"][1])
choice = load("choice.json")
check(choice["CurrentScene"] == 3, "the first choice is in scene %d" % choice["CurrentScene"])
check(choice["GamePlaying"] == 1, "a new game is not playing")
check(choice["ChoiceCount"] == 2, "the first choice offers %d lines" % choice["ChoiceCount"])
check(choice["SystemVars"][100] == 1, "the station memory (scene 101) was not marked for the scene album")
check(401 in choice["CgSeen"], "the station picture (401) was not marked seen")
cape = load("cape.json")
check(cape["CurrentScene"] == 5, "the second choice led to scene %d, not 5" % cape["CurrentScene"])
check(cape["ScenarioVars"][0] == 2, "variable 1 holds %d after choosing line 2" % cape["ScenarioVars"][0])
check(cape["ScenarioVars"][10] == 1, "Minato's counter (variable 11) is %d" % cape["ScenarioVars"][10])
check(cape["ScenarioVars"][9] == 0, "Haruka's counter (variable 10) is %d" % cape["ScenarioVars"][9])
check(cape["MsgLog"][0]["text"].startswith("【選択肢】/"), "the choice was not logged: %r" % cape["MsgLog"][0]["text"])
check(cape["Channels"][1]["file"].replace("\\", "/").endswith("Sound/M04.ogg"), "scene 5 does not play music 4: %s" % cape["Channels"][1])
PY
echo "demo playthrough: ok"
