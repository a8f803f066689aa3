#!/usr/bin/env bash
# The sample game read with automatic advance from the title to Haruka's ending on a machine whose
# sound output does not open (`run --no-audio-device`): the voiced lines must not hold the advance
# for ever, and since a silent game still gives each voice its time, every state on the way (task,
# scene, message, voice channels, clock) must be the one of the same run with sound. Automatic
# advance is switched on again after each choice, which ends it, and the photo page of scene 7 is
# clicked, as it waits for a click. The run uses the shortest delay and the fastest text.
set -euo pipefail
tool="${BUILD_DIR:?BUILD_DIR must name the build directory}/tools/harukaze-tool"
: "${SOURCE_DIR:?SOURCE_DIR must name the source tree}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=tests/scripts/sample_game.bash
source "$(dirname "$0")/sample_game.bash"
sample_game "$work/game"
fail() { echo "demo silent auto: $*"; exit 1; }

# Automatic advance on (again), once the message after a choice waits.
auto_on() { printf 'until-task TASK_WAIT_MESSAGE\nticks 1\nmenu ItemMsgAuto\n'; }
{
    echo "key Control down"
    echo "until-task TASK_WAIT_TITLE_MENU max-ms 120000"
    echo "key Control up"
    echo "click 700 390"
    echo "until-task TASK_WAIT_MESSAGE"
    echo "ticks 1"
    echo "config AutoDelay=1 TextSpeed=3 EffectsOn=0 back"
    echo "menu ItemOption"
    echo "menu ItemMsgAuto"
    echo "until-task TASK_WAIT_SELECT max-ms 300000"
    echo "state choice1.json"
    echo "click 400 472"
    auto_on
    echo "until-task TASK_WAIT_SELECT2 max-ms 300000"
    echo "state choice2.json"
    echo "click 400 360"
    auto_on
    echo "until-task TASK_WAIT_KEY max-ms 300000"
    echo "state photo.json"
    echo "click 400 300"
    echo "until-task TASK_WAIT_SELECT max-ms 300000"
    echo "state choice3.json"
    echo "click 400 472"
    auto_on
    echo "until-scene 11 max-ms 300000"
    echo "state ending.json"
    echo "until-task TASK_WAIT_TITLE_MENU max-ms 300000"
    echo "state title.json"
} >"$work/auto.txt"

for run in silent sound; do
    cp -r "$work/game" "$work/$run-game"
    mkdir "$work/$run"
    flags=()
    [ $run = silent ] && flags=(--no-audio-device)
    status=0
    "$tool" run --game "$work/$run-game" --input "$work/auto.txt" --out "$work/$run" --quiet "${flags[@]}" \
        2>"$work/$run.err" || status=$?
    [ $status -eq 0 ] || fail "the $run run ended with status $status: $(cat "$work/$run.err")"
done

python3 "$(dirname "$0")/checks.py" silent-auto "$work/silent" || exit 1
for state in choice1 choice2 photo choice3 ending title; do
    cmp -s "$work/silent/$state.json" "$work/sound/$state.json" ||
        fail "$state.json differs without a sound output: $(diff <(tr ',' '\n' <"$work/sound/$state.json") \
            <(tr ',' '\n' <"$work/silent/$state.json") | head -n 6 | tr '\n' ' ')"
done

# No device means nothing to record.
status=0
"$tool" run --game "$work/game" --input "$work/auto.txt" --no-audio-device --audio-out "$work/x.wav" \
    2>"$work/both.err" || status=$?
if [ $status -ne 2 ] || [ -e "$work/x.wav" ]; then
    fail "--audio-out with --no-audio-device gave status $status"
fi
echo "demo silent auto: ok"
