#!/usr/bin/env bash
# The main window at other sizes than 800x600, under a virtual X server of 2000x1800 with a white
# desktop and no window manager. The game is made from the sample game's sources: a message on a
# sky background, then a choice of two in the message window. What the window shows is compared
# with the headless runner's screenshots of the same moments, scaled by the window's own rule
# (each screen pixel shows the picture pixel under its centre; shot_compare.py sample).
# - Resized to 1600x1200 by xdotool, the window shows the picture at exactly 2x; at 1000x600 at 1x
#   between black bars of 100 pixels.
# - At 2x the pointer on the first and last screen rows of a choice's band highlights exactly that
#   choice (and one row off, the neighbour or nothing), and a click on the band's first row picks it.
# - The floating window at 2x is 1600x352, shaped at 2x: dragged off the main window it shows
#   the desktop through every pixel outside its shape and no lime anywhere.
# - The size and place are restored at the next start; --scale 2 --smooth opens the window at 2x
#   with a smoothed picture, remembered; Ctrl+Minus, Ctrl+0 and Ctrl+Plus step the size without
#   advancing the waiting message.
# - With QT_SCALE_FACTOR=2 and 1.5 the window opens at 800x600 desktop pixels, the picture drawn
#   sharp on the screen's own pixels.
# Needs BUILD_DIR (the build tree); uses Xvfb, xdotool, xwininfo, ImageMagick (import, convert,
# compare) and python3. Screenshots are kept in BUILD_DIR/tests/screenshots.
set -euo pipefail

SOURCE_DIR=${SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
# shellcheck source=tests/scripts/xvfb.bash
source "$(dirname "$0")/xvfb.bash"
window_check Xvfb xdotool xwininfo import convert compare python3
SHOTS="$BUILD_DIR/tests/screenshots"
mkdir -p "$SHOTS"

# ---- The game: the sample game's interface pictures and its morning sky; one scene.
# shellcheck source=tests/scripts/sample_game.bash
source "$(dirname "$0")/sample_game.bash"
interface_game "$WORK/game" <<'EOF'
    system contextmenu, 1
    bg 101
    effect 1, 300
    message "春の風が、坂道の上から吹き下ろしてくる。"
    select "海へ行く/山へ行く"
    if_eq 1, s1, 2
        jump mountain
    endif 1
    message "海は今日も静かに光っていた。"
    wait 0
    end
mountain:
    message "山の上では、桜がもう散り始めていた。"
    wait 0
    end
EOF

# ---- The runner's pictures: the first message, the floating window on it, the choice with no
# ---- row, row 1 and row 2 under the pointer, and the message after choosing row 2.
cp -r "$WORK/game" "$WORK/headless"
mkdir "$WORK/ref"
cat >"$WORK/ref/input.txt" <<'EOF'
until-task TASK_WAIT_MESSAGE max-ms 30000
ticks 2
screenshot message.png
menu ItemMsgFloat
until-task TASK_WAIT_MESSAGE
screenshot-float float.png
menu ItemMsgFloat
until-task TASK_WAIT_MESSAGE
click 400 300
until-task TASK_WAIT_SELECT
move 20 487
ticks 2
screenshot row1.png
move 20 488
ticks 2
screenshot row2.png
move 20 520
ticks 2
screenshot row0.png
click 20 488
until-task TASK_WAIT_MESSAGE
ticks 2
screenshot mountain.png
EOF
"$TOOL" run --game "$WORK/headless" --input "$WORK/ref/input.txt" --out "$WORK/ref" --quiet
cmp -s "$WORK/ref/row1.png" "$WORK/ref/row2.png" && fail "the runner highlights no choice row"

# ---- Pictures compared by ImageMagick. The wait icon (picture 752,552 32x32) turns in its own
# ---- time: its screen pixels, with one to spare around them, are painted black in both pictures.
SCRIPTS_DIR="$(cd "$(dirname "$0")" && pwd)"
compare_py="$SCRIPTS_DIR/shot_compare.py"
# icon W H: the icon's rectangle (for -draw) in a picture scaled to WxH.
icon() { echo "rectangle $((751 * $1 / 800)),$((551 * $2 / 600)) $((785 * $1 / 800 + 1)),$((585 * $2 / 600 + 1))"; }
# expected REF W H OUT: the runner's picture scaled to WxH by the pixel under each target centre,
# icon blacked out.
expected() {
    python3 "$compare_py" sample "$1" "$2" "$3" "$4.tmp.png"
    convert "$4.tmp.png" -fill black -draw "$(icon "$2" "$3")" "png24:$4"
    rm "$4.tmp.png"
}
# differ SHOT WANT [DRAW]: how many pixels of the screenshot differ from the expected picture
# (after -draw DRAW in black on the screenshot).
differ() {
    convert "$1" ${3:+-fill black -draw "$3"} "png24:$WORK/masked.png"
    compare -metric AE "$WORK/masked.png" "$2" null: 2>&1 || true
}
# The expected pictures, made while the game starts.
making=()
for ref in message row1 row2 row0 mountain; do
    expected "$WORK/ref/$ref.png" 1600 1200 "$WORK/${ref}_2x.png" &
    making+=($!)
done
expected "$WORK/ref/message.png" 1200 900 "$WORK/message_1.5x.png" &
making+=($!)
convert -size 1000x600 xc:black "$WORK/ref/message.png" -geometry +100+0 -composite \
    -fill black -draw "rectangle 851,551 884,584" "png24:$WORK/message_bars.png"
screenshot() { import -window root "png24:$WORK/$1.png"; }

# ---- A display of our own, with a white desktop.
start_xvfb "$WORK" 2000x1800x24 -wr
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS

CAPTION="ＨＡＲＵＫＡＺＥ　radadu"
LOG="$WORK/frames.log"
main_window() {
    local id
    for id in $(xdotool search --onlyvisible --name "^$CAPTION\$" 2>/dev/null); do
        [ "$(xdotool getwindowname "$id")" = "$CAPTION" ] && { echo "$id"; return 0; }
    done
    return 1
}
last_task() { awk '{ t = $2 } END { print t }' "$LOG" 2>/dev/null; }
task_is() { [ "$(last_task)" = "$1" ]; }
at_place() { [ "$(place_of "$1")" = "$2" ]; }
size_is() { [ "$(place_of "$1" | cut -d' ' -f2)" = "$2" ]; }
# start_game [ENV=VALUE ...] -- [ARGS...]: starts the game in its folder; sets GAME_PID and MAIN.
start_game() {
    local envs=()
    while [ "$1" != -- ]; do envs+=("$1"); shift; done
    shift
    rm -f "$LOG"
    (cd "$WORK/game" && exec env HARUKAZE_FRAME_LOG="$LOG" "${envs[@]}" "$GAME" "$@" >"$WORK/game.out" 2>"$WORK/game.err") &
    GAME_PID=$!
    wait_for 20 main_window >/dev/null || fail "no game window appeared"
    MAIN=$(main_window)
}
# picture_is W H EXPECTED: the window, W x H screen pixels, shows the expected picture.
picture_is() {
    import -window "$MAIN" "png24:$WORK/window.png"
    [ "$(differ "$WORK/window.png" "$3" "$(icon "$1" "$2")")" = 0 ]
}

# ---- 2x and bars.
start_game --
wait_for 30 task_is 00006002 || fail "the first message did not come; last task $(last_task)"
xdotool windowmove --sync "$MAIN" 0 0
xdotool windowsize --sync "$MAIN" 1600 1200
wait_for 10 at_place "$MAIN" "0,0 1600x1200" || fail "the window did not take 1600x1200: $(place_of "$MAIN")"
wait "${making[@]}" || fail "the expected pictures could not be made"
wait_for 20 picture_is 1600 1200 "$WORK/message_2x.png" ||
    fail "at 1600x1200 the picture is not the runner's at 2x: $(differ "$WORK/window.png" "$WORK/message_2x.png" "$(icon 1600 1200)") pixels differ"
cp "$WORK/window.png" "$SHOTS/window_scale_2x.png"
echo "ok: resized to 1600x1200 the window shows the runner's picture at exactly 2x"

xdotool windowsize --sync "$MAIN" 1000 600
wait_for 10 size_is "$MAIN" 1000x600 || fail "the window did not take 1000x600"
bars_right() {
    import -window "$MAIN" "png24:$WORK/window.png"
    [ "$(differ "$WORK/window.png" "$WORK/message_bars.png" "rectangle 851,551 884,584")" = 0 ]
}
wait_for 20 bars_right || fail "at 1000x600 the picture is not centred between bars"
cp "$WORK/window.png" "$SHOTS/window_scale_bars.png"
echo "ok: at 1000x600 the picture is centred at 1x between black bars"

# ---- A click at a scaled point. Choice row 2 is the band y 488..519 of the picture: screen
# ---- rows 976..1039 at 2x.
xdotool windowsize --sync "$MAIN" 1600 1200
wait_for 10 size_is "$MAIN" 1600x1200 || fail "the window did not take 1600x1200 again"
xdotool mousemove 800 600 click 1
wait_for 10 task_is 00006802 || fail "the choice did not come; last task $(last_task)"
for probe in "975 row1" "976 row2" "1039 row2" "1040 row0"; do
    read -r y ref <<<"$probe"
    xdotool mousemove 41 "$y"
    wait_for 20 picture_is 1600 1200 "$WORK/${ref}_2x.png" || fail "with the pointer on screen row $y the window is not the runner's $ref"
done
xdotool mousemove 41 976 click 1
wait_for 20 picture_is 1600 1200 "$WORK/mountain_2x.png" || fail "the click on screen row 976 did not pick the second choice"
echo "ok: at 2x the pointer highlights exactly the choice under it and a click picks it"

# ---- The floating window at 2x, dragged off the main window by its frame.
float_window() {
    local id
    for id in $(xdotool search --onlyvisible --name '.*' 2>/dev/null); do
        size_is "$id" 1600x352 && { echo "$id"; return 0; }
    done
    return 1
}
open_menu() {
    local _
    for _ in $(seq 20); do
        xdotool mousemove 800 400 click 3
        wait_for 2 menu_open && return 0
    done
    return 1
}
open_menu || fail "no context menu opened"
xdotool key Down Down Down Down Down Return # ﾒｯｾｰｼﾞｳｨﾝﾄﾞｳのﾌﾛｰﾄ化
wait_for 10 float_window >/dev/null || fail "no floating window of 1600x352 appeared"
FLOAT=$(float_window)
[ "$(place_of "$FLOAT")" = "0,848 1600x352" ] || fail "the floating window opened at $(place_of "$FLOAT"), not over the message area"
xdotool mousemove 600 868 mousedown 1 # picture point 300,10 of its frame
for y in 950 1050 1150 1250 1368; do xdotool mousemove 600 $y; sleep 0.05; done
xdotool mouseup 1
wait_for 10 at_place "$FLOAT" "0,1348 1600x352" || fail "the drag left the floating window at $(place_of "$FLOAT")"
xdotool mousemove 1900 100
# The expected floating window: the runner's picture, white (the desktop) where it is keyed out.
key=$(convert "$WORK/ref/float.png" -format '%[pixel:p{0,0}]' info:)
convert "$WORK/ref/float.png" -fill white -opaque "$key" -opaque '#00FF00' \
    -draw "rectangle 0,0 799,0" -draw "rectangle 0,0 0,175" "png24:$WORK/float_keyed.png"
python3 "$compare_py" sample "$WORK/float_keyed.png" 1600 352 "$WORK/float_sampled.png"
convert "$WORK/float_sampled.png" -fill black -draw "rectangle 1502,254 1569,321" "png24:$WORK/float_2x.png"
float_right() {
    screenshot float
    convert "$WORK/float.png" -crop 1600x352+0+1348 +repage "png24:$WORK/float_crop.png"
    [ "$(differ "$WORK/float_crop.png" "$WORK/float_2x.png" "rectangle 1502,254 1569,321")" = 0 ]
}
wait_for 20 float_right || fail "the floating window at 2x is not shaped right: $(differ "$WORK/float_crop.png" "$WORK/float_2x.png" "rectangle 1502,254 1569,321") pixels differ"
colour_absent "$WORK/float.png" 00ff00 || fail "lime shows on the screen"
cp "$WORK/float.png" "$SHOTS/window_scale_float_2x.png"
echo "ok: the floating window at 2x is 1600x352, shaped at 2x, the desktop showing through, no lime"

# ---- Remembered: the size and place at the next start.
xdotool windowmove --sync "$MAIN" 150 100
wait_for 10 at_place "$MAIN" "150,100 1600x1200" || fail "the window did not move"
end_game
grep -q '^scale=2$' "$XDG_CONFIG_HOME/harukaze/harukaze.conf" || fail "the scale was not remembered: $(cat "$XDG_CONFIG_HOME/harukaze/harukaze.conf")"
[ -z "$(find "$WORK/game" -name '*.conf')" ] || fail "settings were written into the game folder"
start_game --
wait_for 10 at_place "$MAIN" "150,100 1600x1200" || fail "the next start opened at $(place_of "$MAIN"), not 150,100 1600x1200"
echo "ok: the next start restores 2x at the same place"
end_game

# ---- --scale 2 --smooth, then the zoom keys, while the first message waits.
rm -rf "$XDG_CONFIG_HOME/harukaze"
start_game -- --scale 2 --smooth
wait_for 10 size_is "$MAIN" 1600x1200 || fail "--scale 2 opened $(place_of "$MAIN")"
wait_for 30 task_is 00006002 || fail "the first message did not come"
smoothed() {
    picture_is 1600 1200 "$WORK/message_2x.png" && return 1
    # Smoothing changes edges, not the picture: the mean difference stays small.
    local error
    error=$(compare -metric MAE "$WORK/masked.png" "$WORK/message_2x.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/')
    python3 "$SCRIPTS_DIR/checks.py" between "$error" 0 0.05
}
wait_for 20 smoothed || fail "--smooth did not smooth the picture (or changed it)"
cp "$WORK/window.png" "$SHOTS/window_scale_smooth.png"
xdotool windowfocus --sync "$MAIN" 2>/dev/null || true
zoom() {
    xdotool keydown ctrl
    sleep 0.1
    xdotool key "$1"
    sleep 0.1
    xdotool keyup ctrl
    wait_for 10 size_is "$MAIN" "$2" || fail "Ctrl+$1 gave $(place_of "$MAIN"), not $2"
}
zoom minus 1200x900
zoom 0 800x600
zoom plus 1200x900
zoom plus 1600x1200
zoom plus 2000x1500 # fit: the largest 4:3 size of the 2000x1800 screen
zoom minus 1600x1200
sleep 0.5
task_is 00006002 || fail "the zoom keys moved the game on: task $(last_task)"
end_game
grep -q '^smooth=true$' "$XDG_CONFIG_HOME/harukaze/harukaze.conf" || fail "--smooth was not remembered"
echo "ok: --scale 2 --smooth, and Ctrl+Minus, Ctrl+0 and Ctrl+Plus step the size; the message still waits"

# ---- HiDPI: at scale factors 2 and 1.5 the window keeps its desktop size of 800x600 and the
# ---- picture is drawn on the screen's own pixels.
for factor in 2 1.5; do
    rm -rf "$XDG_CONFIG_HOME/harukaze"
    start_game QT_SCALE_FACTOR=$factor --
    physical=$(python3 "$SCRIPTS_DIR/checks.py" scaled-size 800 600 "$factor")
    read -r pw ph <<<"$physical"
    wait_for 10 size_is "$MAIN" "${pw}x${ph}" || fail "at scale factor $factor the window is $(place_of "$MAIN")"
    wait_for 30 task_is 00006002 || fail "the first message did not come at scale factor $factor"
    wait_for 20 picture_is "$pw" "$ph" "$WORK/message_${factor}x.png" ||
        fail "at scale factor $factor the picture is not sharp on the screen's pixels"
    cp "$WORK/window.png" "$SHOTS/window_scale_factor_$factor.png"
    end_game
    echo "ok: at QT_SCALE_FACTOR=$factor the window is ${pw}x${ph} screen pixels, the picture sharp on them"
done
echo "PASS"
