#!/usr/bin/env bash
# The real window build in the sample game, under a virtual X server: it plays the opening (two
# messages, clicked on with xdotool) and reaches the title menu, whose picture must be the one the
# headless runner shows; a click on "はじめから" starts the story. The window's task comes from its
# frame log (HARUKAZE_FRAME_LOG: one line per presented frame with the task code), the pictures
# from ImageMagick's import. The screenshots are kept in BUILD_DIR/tests/screenshots.
set -euo pipefail
: "${SOURCE_DIR:?SOURCE_DIR must name the source tree}"
# shellcheck source=tests/scripts/xvfb.bash
source "$(dirname "$0")/xvfb.bash"
window_check Xvfb xdotool import
compare="$(cd "$(dirname "$0")" && pwd)/shot_compare.py"

# shellcheck source=tests/scripts/sample_game.bash
source "$(dirname "$0")/sample_game.bash"
sample_game "$WORK/game"
shots="$BUILD_DIR/tests/screenshots"
mkdir -p "$shots"

# What the headless runner shows at the title (start entry under the pointer) and at the first
# message of the story, to compare the window with.
cat >"$WORK/input.txt" <<'SCRIPT'
key Control down
until-task TASK_WAIT_TITLE_MENU max-ms 120000
key Control up
move 700 390
ticks 2
screenshot headless_title.png
click 700 390
until-task TASK_WAIT_MESSAGE
ms 300
screenshot headless_story.png
SCRIPT
cp -r "$WORK/game" "$WORK/headless_game"
"$TOOL" run --game "$WORK/headless_game" --input "$WORK/input.txt" --out "$WORK" --quiet

start_xvfb "$WORK" 1280x1024x24

LOG="$WORK/frames.log"
(cd "$WORK/game" && exec env HARUKAZE_FRAME_LOG="$LOG" "$GAME" >"$WORK/game.out" 2>"$WORK/game.err") &
GAME_PID=$!

# The task code of the newest presented frame.
last_task() { awk '$1 !~ /^#/ { t = $2 } END { print t }' "$LOG" 2>/dev/null; }
# Waits up to $2 seconds for a frame whose task matches $1 after line $3 of the frame log.
wait_task() {
    local deadline=$((SECONDS + $2))
    while [ $SECONDS -lt $deadline ]; do
        tail -n +"$(($3 + 1))" "$LOG" 2>/dev/null | grep -qE "^[0-9]+ ($1) " && return 0
        kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended: $(cat "$WORK/game.err")"
        sleep 0.1
    done
    return 1
}
log_lines() { wc -l <"$LOG" 2>/dev/null || echo 0; }

CAPTION="ＨＡＲＵＫＡＺＥ　radadu"
MAIN=""
for _ in $(seq 200); do
    MAIN=$(xdotool search --onlyvisible --name "^$CAPTION\$" 2>/dev/null | head -n1) || true
    [ -n "$MAIN" ] && break
    sleep 0.1
done
[ -n "$MAIN" ] || fail "no window titled $CAPTION appeared; stderr: $(cat "$WORK/game.err")"
shot() { import -window "$MAIN" "png24:$1"; }

# ---- The opening: click each message once it waits, until the title menu waits.
wait_task 00006002 60 0 || fail "the opening showed no message; frames: $(tail -n3 "$LOG")"
sleep 0.3
shot "$shots/demo_window_opening.png"
clicks=0
deadline=$((SECONDS + 60))
while [ "$(last_task)" != 00700102 ]; do
    [ $SECONDS -lt $deadline ] || fail "the title menu did not come; last task $(last_task)"
    if [ "$(last_task)" = 00006002 ]; then
        xdotool mousemove --window "$MAIN" 400 300 click 1
        clicks=$((clicks + 1))
        sleep 0.5
    fi
    sleep 0.1
done
grep -qE '^[0-9]+ 000020[0-9A-F]{2} ' "$LOG" || fail "the opening played no transition"
echo "ok: the opening played (transitions and messages, $clicks clicks) and the title menu waits"

# ---- The title: the same picture as the headless runner's, with the start entry highlighted.
xdotool mousemove --window "$MAIN" 700 390
sleep 1
shot "$WORK/title.png"
cp "$WORK/title.png" "$shots/demo_window_title.png"
title_diff=$(python3 "$compare" diff "$WORK/headless_title.png" "$WORK/title.png")
[ "$title_diff" -eq 0 ] || fail "the window's title differs from the runner's in $title_diff pixels"
echo "ok: the window shows the title as the headless runner does"

# ---- A click on the start entry: the title menu ends and the story's first message waits.
before=$(log_lines)
xdotool mousemove --window "$MAIN" 700 390 click 1
wait_task 00006002 30 "$before" || fail "no message after the click on the start entry; last task $(last_task)"
tail -n +"$((before + 1))" "$LOG" | awk '{print $2}' | sort -u >"$WORK/after_tasks"
sleep 0.5
[ "$(last_task)" = 00006002 ] || fail "the story's first message is not waiting: $(last_task)"
shot "$WORK/story.png"
cp "$WORK/story.png" "$shots/demo_window_story.png"
moved=$(python3 "$compare" diff "$WORK/title.png" "$WORK/story.png")
[ "$moved" -gt 200000 ] || fail "the picture changed in only $moved pixels after the click"
# The wait icon (752, 552) turns in its own time; the rest is the runner's picture.
story_diff=$(python3 "$compare" diff "$WORK/headless_story.png" "$WORK/story.png" 0 0 800 552)
[ "$story_diff" -eq 0 ] || fail "the window's first message differs from the runner's in $story_diff pixels"
echo "ok: the click started the story ($moved pixels changed; tasks since: $(tr '\n' ' ' <"$WORK/after_tasks"))"

grep -q "error:" "$WORK/game.err" && fail "the game reported an error: $(cat "$WORK/game.err")"
kill -TERM "$GAME_PID"
status=0
wait "$GAME_PID" || status=$?
GAME_PID=""
[ "$status" -eq 0 ] || fail "the game ended with status $status"
echo "PASS (screenshots in $shots)"
