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

python3 "$(dirname "$0")/checks.py" playthrough "$work"
echo "demo playthrough: ok"
