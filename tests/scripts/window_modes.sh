#!/usr/bin/env bash
# Full screen, the floating message window and the debug window of the window build, under a
# virtual X server of 1600x1024 with a white desktop and no window manager. The game is made from
# the sample game's sources: one message on a sky background, the floating window's artwork with a
# lime patch in its frame, and the marker file that opens the debug window.
# - The debug window appears at the top left and its labels follow the pointer from tick to tick.
# - The floating window, switched on from the context menu and dragged by its frame off the main
#   window, shows the desktop through every pixel outside its shape (row 0, column 0 and the
#   artwork's key colour) and through the lime patch, and elsewhere exactly what the headless
#   runner draws into it. In full screen it is drawn at the picture's scale.
# - Full screen chosen in the settings fills the screen: the picture scaled to 1365x1024 by
#   nearest neighbour between black bars. Choosing the window again gives the framed, centred
#   800x600 window back (resizable) with the unscaled picture. Alt+Return enters full screen the
#   same way and keeps the setting in step, so the settings can leave it again; it does not
#   advance the message.
#   The settings open over the picture at its point (12, 123), scaled or not.
# - Ended in full screen, the game starts in full screen; with a scale factor of 1.25 the picture
#   is still scaled on whole screen pixels.
# Needs BUILD_DIR (the build tree); uses Xvfb, xdotool, xwininfo, xprop, ImageMagick (import,
# convert) and python3. Screenshots are kept in BUILD_DIR/tests/screenshots.
set -euo pipefail

SOURCE_DIR=${SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
# shellcheck source=tests/scripts/xvfb.bash
source "$(dirname "$0")/xvfb.bash"
window_check Xvfb xdotool xwininfo xprop import convert python3
SHOTS="$BUILD_DIR/tests/screenshots"
mkdir -p "$SHOTS"

# ---- The game: the sample game's interface pictures and one sky, no music, a scene of its own.
# shellcheck source=tests/scripts/sample_game.bash
source "$(dirname "$0")/sample_game.bash"
interface_game "$WORK/game" <<'EOF'
    system contextmenu, 1
    bg 101
    effect 1, 300
    message "春の風が、坂道の上から吹き下ろしてくる。"
    message "汐見町の海は、今日も静かに光っていた。"
    end
EOF
# A lime patch in the frame of the floating window's artwork (parts sheet rows 424..599).
"$TOOL" ifp extract "$WORK/game/GRP.IFP" "$WORK/parts" >/dev/null
convert "$WORK/parts/0010.a.bmp" -fill '#00FF00' -draw 'rectangle 600,434 639,443' -type TrueColor \
    "BMP3:$WORK/parts/0010.a.bmp"
(cd "$WORK/parts" && "$TOOL" ifp pack "$WORK/game/GRP.IFP" manifest.txt >/dev/null)

# ---- What the engine draws, from the headless runner: the main picture and the floating window
# ---- once the first message waits in it.
cp -r "$WORK/game" "$WORK/headless"
mkdir "$WORK/ref"
cat >"$WORK/ref/input.txt" <<'EOF'
until-task TASK_WAIT_MESSAGE max-ms 30000
ticks 2
menu ItemMsgFloat
until-task TASK_WAIT_MESSAGE max-ms 30000
screenshot main.png
screenshot-float float.png
EOF
"$TOOL" run --game "$WORK/headless" --input "$WORK/ref/input.txt" --out "$WORK/ref" --quiet
touch "$WORK/game/デバッグ窓を開く合図.txt"

# ---- Pixel checks on screenshots of the whole screen, on raw RGB (checks.py pixels).
# Screenshot of the whole screen as NAME.png in SHOTS and NAME.rgb in WORK.
screenshot() {
    import -window root "$SHOTS/window_modes_$1.png"
    convert "$SHOTS/window_modes_$1.png" -depth 8 "rgb:$WORK/$1.rgb"
}
convert "$WORK/ref/main.png" -depth 8 "rgb:$WORK/ref_main.rgb"
convert "$WORK/ref/float.png" -depth 8 "rgb:$WORK/ref_float.rgb"
pixels() { python3 "$SOURCE_DIR/tests/scripts/checks.py" pixels "$@"; }

# ---- A display of our own, with a white desktop.
start_xvfb "$WORK" 1600x1024x24 -wr
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS

# The first visible window named exactly $1, or (with $2) the first visible one of that size.
find_window() {
    local id
    for id in $(xdotool search --onlyvisible --name "${1:-.*}" 2>/dev/null); do
        if [ -n "${2:-}" ]; then
            [ "$(place_of "$id" | cut -d' ' -f2)" = "$2" ] && { echo "$id"; return 0; }
        elif [ "$(xdotool getwindowname "$id")" = "$1" ]; then
            echo "$id"
            return 0
        fi
    done
    return 1
}
at_place() { [ "$(place_of "$1")" = "$2" ]; }
list_windows() {
    local id
    for id in $(xdotool search --onlyvisible --name '.*' 2>/dev/null); do
        echo "[$(xdotool getwindowname "$id") $(place_of "$id")]"
    done
}

CAPTION="ＨＡＲＵＫＡＺＥ　radadu"
DEBUG_CAPTION="DebugWindow -- HARUKAZE Ver.0.７1R2 --"
SETTINGS_CAPTION="環境設定"

(cd "$WORK/game" && exec "$GAME" >"$WORK/game.out" 2>"$WORK/game.err") &
GAME_PID=$!
wait_for 20 find_window "$CAPTION" >/dev/null || fail "no game window appeared: $(cat "$WORK/game.err")"
MAIN=$(find_window "$CAPTION")
[ "$(place_of "$MAIN")" = "400,212 800x600" ] || fail "the game window is at $(place_of "$MAIN"), not centred"

# ---- The debug window, opened by the marker file, with labels that follow the pointer.
wait_for 10 find_window "$DEBUG_CAPTION" >/dev/null || fail "the debug window did not appear"
DEBUG=$(find_window "$DEBUG_CAPTION")
[ "$(place_of "$DEBUG")" = "0,0 624x199" ] || fail "the debug window is at $(place_of "$DEBUG")"
labels() { import -window root -crop 624x88+0+0 -depth 8 "rgb:$WORK/labels$1.rgb"; }
labels_differ() { labels "$2" && ! cmp -s "$WORK/labels$1.rgb" "$WORK/labels$2.rgb"; }
xdotool mousemove 500 300
sleep 0.3
labels 0
xdotool mousemove 900 700
wait_for 5 labels_differ 0 1 || fail "the debug labels did not change when the pointer moved"
xdotool mousemove 620 500
wait_for 5 labels_differ 1 2 || fail "the debug labels did not change again"
screenshot debug
echo "ok: debug window at 0,0 624x199; its labels changed over the ticks"

# ---- The floating window from the context menu, as soon as the message waits for the player.
# The pop-up menu: a window of the game's own name, like the floating window but not its size.
menu_open() {
    local id
    for id in $(xdotool search --onlyvisible --name '.*' 2>/dev/null); do
        [ "$(xdotool getwindowname "$id")" = harukaze ] && [ "$(place_of "$id" | cut -d' ' -f2)" != 800x176 ] && return 0
    done
    return 1
}
open_menu() {
    local _
    for _ in $(seq 20); do
        xdotool mousemove 800 400 click 3
        wait_for 1 menu_open && return 0
    done
    return 1
}
open_menu || fail "no context menu opened on the waiting message; windows: $(list_windows)"
xdotool key Down Down Down Down Down Return # ﾒｯｾｰｼﾞｳｨﾝﾄﾞｳのﾌﾛｰﾄ化
wait_for 10 find_window "" 800x176 >/dev/null || fail "the floating window did not appear"
FLOAT=$(find_window "" 800x176)
[ "$(place_of "$FLOAT")" = "400,636 800x176" ] || fail "the floating window opened at $(place_of "$FLOAT")"
# Dragged by its frame (client point 300,10) 200 pixels down, off the main window.
xdotool mousemove 700 646 mousedown 1
for y in 680 720 760 800 846; do xdotool mousemove 700 $y; sleep 0.05; done
xdotool mouseup 1
wait_for 5 at_place "$FLOAT" "400,836 800x176" || fail "the drag left the floating window at $(place_of "$FLOAT")"
xdotool mousemove 1500 100
sleep 0.3
screenshot float
pixels float "$WORK/float.rgb" "$WORK/ref_float.rgb" 400 836 || fail "the floating window is not shaped right"
pixels window "$WORK/float.rgb" "$WORK/ref_main.rgb" 400 212 || fail "the main window lost its picture"
colour_absent "$SHOTS/window_modes_float.png" 00ff00 || fail "lime shows on the screen"
echo "ok: floating window dragged to 400,836, shaped, no lime on screen"

# ---- Full screen from the settings and back. The settings open from the context menu (Save and
# ---- Load are disabled before a game has started, so "ｵﾌﾟｼｮﾝ" is the sixth item to reach).
# The settings open with their top-left corner at the picture's point (12, 123): $2 on the screen.
settings() {
    open_menu || fail "no context menu opened"
    xdotool key Down Down Down Down Down Down Return
    wait_for 10 find_window "$SETTINGS_CAPTION" >/dev/null || fail "the settings did not open"
    local dialog
    dialog=$(find_window "$SETTINGS_CAPTION")
    [ "$(place_of "$dialog" | cut -d' ' -f1)" = "$2" ] || fail "the settings opened at $(place_of "$dialog"), not at $2"
    [ -z "${3:-}" ] || { sleep 0.3; screenshot "$3"; }
    # 画面モード: 標準ウィンドウ at 200,24, フルスクリーン at 200,48; 戻る at 272,288.
    if [ "$1" = full ]; then xdotool mousemove --window "$dialog" 208 56 click 1; else xdotool mousemove --window "$dialog" 208 32 click 1; fi
    sleep 0.2
    xdotool mousemove --window "$dialog" 309 300 click 1
    wait_for 5 eval '! find_window "$SETTINGS_CAPTION" >/dev/null' || fail "the settings did not close"
}
# The debug window and the floating window, which in full screen is drawn at the picture's scale
# too (1365 / 800 = 1.706: 1365x300), are left out of the full-screen checks.
covered="0,0,624,199 400,836,1365,300"
settings full 412,335
wait_for 5 at_place "$MAIN" "0,0 1600x1024" || fail "full screen from the settings gave $(place_of "$MAIN")"
wait_for 5 at_place "$FLOAT" "400,836 1365x300" || fail "in full screen the floating window is $(place_of "$FLOAT")"
xdotool mousemove 1599 500
sleep 0.5
screenshot full
pixels full "$WORK/full.rgb" "$WORK/ref_main.rgb" $covered || fail "the full-screen picture is wrong"
echo "ok: full screen from the settings covers 1600x1024, picture scaled with black bars"

framed_800x600() {
    at_place "$MAIN" "400,212 800x600" || return 1
    local hints
    hints=$(xprop -id "$MAIN" WM_NORMAL_HINTS _MOTIF_WM_HINTS)
    # Resizable by its frame down to half the picture's size.
    grep -q "minimum size: 400 by 300" <<<"$hints" && ! grep -q "maximum size: 800 by 600" <<<"$hints" || return 1
    # The decorations (third field) are not switched off.
    [ "$(sed -n 's/^_MOTIF_WM_HINTS.* = \(.*\)$/\1/p' <<<"$hints" | cut -d, -f3 | tr -d ' ')" != 0x0 ]
}
# In full screen the picture's pixel (12, 123) is shown from screen pixel (137, 210) on: the first
# whose centre falls in it (117 + 12 * 1365 / 800 - 0.5 = 136.98 and 123 * 1024 / 600 - 0.5 = 209.42,
# rounded up).
settings window 137,210 settings_full
wait_for 5 framed_800x600 || fail "leaving full screen gave $(place_of "$MAIN"): $(xprop -id "$MAIN" WM_NORMAL_HINTS _MOTIF_WM_HINTS)"
sleep 0.5
screenshot back
pixels window "$WORK/back.rgb" "$WORK/ref_main.rgb" 400 212 || fail "the window shows a changed picture after full screen"
pixels float "$WORK/back.rgb" "$WORK/ref_float.rgb" 400 836 || fail "the floating window changed after full screen"
echo "ok: the settings gave the framed, centred 800x600 window back"

# Alt+Return enters the same full screen and records it, so the settings' window choice leaves it.
xdotool windowfocus --sync "$MAIN" 2>/dev/null || true
xdotool key --clearmodifiers alt+Return
wait_for 5 at_place "$MAIN" "0,0 1600x1024" || fail "Alt+Return gave $(place_of "$MAIN")"
settings window 137,210
wait_for 5 framed_800x600 || fail "the settings did not leave the full screen Alt+Return entered: $(place_of "$MAIN")"
sleep 0.3
screenshot alt_return
# The shortcut's Return is not the game's: the first message still waits.
pixels float "$WORK/alt_return.rgb" "$WORK/ref_float.rgb" 400 836 || fail "Alt+Return also advanced the message"
echo "ok: Alt+Return full screen, left from the settings"

for shot in full back alt_return; do
    colour_absent "$SHOTS/window_modes_$shot.png" 00ff00 || fail "lime shows on the screen ($shot)"
done

# ---- Ended in full screen (entered with Alt+Return), the game starts in full screen next time.
# ---- The second start has a fractional scale factor (1.25): the picture is still placed and
# ---- scaled on the screen's own pixels.
xdotool windowfocus --sync "$MAIN" 2>/dev/null || true
xdotool key --clearmodifiers alt+Return
wait_for 5 at_place "$MAIN" "0,0 1600x1024" || fail "Alt+Return gave $(place_of "$MAIN")"
end_game
rm "$WORK/game/デバッグ窓を開く合図.txt"
(cd "$WORK/game" && QT_SCALE_FACTOR=1.25 exec "$GAME" >"$WORK/game.out" 2>"$WORK/game.err") &
GAME_PID=$!
wait_for 20 find_window "$CAPTION" >/dev/null || fail "no game window appeared the second time"
MAIN=$(find_window "$CAPTION")
wait_for 5 at_place "$MAIN" "0,0 1600x1024" || fail "the second start is not in full screen: $(place_of "$MAIN")"
xdotool mousemove 1599 0
# The message window (picture rows 424 and down) is in the main picture this time: left out.
scaled_picture() { screenshot scaled >/dev/null && pixels full "$WORK/scaled.rgb" "$WORK/ref_main.rgb" 0,720,1600,304 >/dev/null; }
wait_for 15 scaled_picture || { pixels full "$WORK/scaled.rgb" "$WORK/ref_main.rgb" 0,720,1600,304; fail "the full-screen picture at scale 1.25 is wrong"; }
echo "ok: started in full screen again; at scale factor 1.25 the picture is scaled on whole screen pixels"
end_game
echo "PASS"
