#!/usr/bin/env bash
# The ways of reading the sample game, played headless: message skip from the context menu (it
# runs through to the next choice and ends there), read skip (it passes the messages read before
# and stops, voiced, at the first unread one; the read-marks survive a restart), automatic advance
# (AutoDelay after the text, not counting the voice), the message log (open, scroll to its end and
# back, close), hiding the window with Space, and the floating message window (toggled from the
# menu, a click in its text area advances, a click on its frame does not, it hides during the
# full-screen choice and for the photo pages of scene 7).
set -euo pipefail
tool="${BUILD_DIR:?BUILD_DIR must name the build directory}/tools/harukaze-tool"
: "${SOURCE_DIR:?SOURCE_DIR must name the source tree}"
compare="$(cd "$(dirname "$0")" && pwd)/shot_compare.py"
checks="$(cd "$(dirname "$0")" && pwd)/checks.py"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
game="$work/game"
# shellcheck source=tests/scripts/sample_game.bash
source "$(dirname "$0")/sample_game.bash"
sample_game "$game"

# Key and menu commands wait a little between each other where the game ignores keys for a
# moment after the previous one (150 ms after a log page, 250 ms after hiding the window).
cat > "$work/input.txt" <<'SCRIPT'
key Control down
until-task TASK_WAIT_TITLE_MENU max-ms 120000
key Control up
screenshot-float float_empty.png
click 700 390
until-task TASK_WAIT_MESSAGE
state skip_start.json
# ---- Message skip from the first message: within 3 s it has run to the choice of scene 3.
menu ItemMsgSkip
ms 3000
state skip_choice.json
click 400 504
until-task TASK_WAIT_MESSAGE
ms 3000
state skip_stopped.json
# ---- Read messages 0 and 1 of scene 5, back to the title, and a new game with read skip.
click 400 300
until-task TASK_WAIT_MESSAGE
ticks 1
dialog ok
menu ItemTitle
until-task TASK_WAIT_TITLE_MENU
click 700 390
until-task TASK_WAIT_MESSAGE
ticks 1
state rs_start.json
menu ItemMsgKidoku
ms 3000
state rs_choice.json
click 400 504
until-task TASK_WAIT_MESSAGE
ticks 1
menu ItemMsgKidoku
ms 1000
state rs_stop.json
ms 3000
state rs_still.json
# ---- Automatic advance from the voiced message 2 of scene 5.
menu ItemMsgAuto
state auto_on.json
until-task TASK_SCRIPT max-ms 30000
state auto_2.json
until-task TASK_WAIT_MESSAGE
state auto_wait3.json
until-task TASK_SCRIPT
state auto_3.json
until-task TASK_WAIT_MESSAGE
until-task TASK_SCRIPT
until-task TASK_DISP_MESSAGE
state auto_disp5.json
until-task TASK_SCRIPT
state auto_5.json
until-task TASK_WAIT_MESSAGE
click 400 300
until-task TASK_WAIT_MESSAGE
ms 8000
state auto_off.json
screenshot message.png
# ---- The log: one page up with the wheel, one with Page Up, then to its end, one down, close.
wheel up
until-task TASK_WAIT_MESSAGE
state log1.json
screenshot log1.png
ms 200
press PageUp
until-task TASK_WAIT_MESSAGE
state log2.json
SCRIPT
for _ in $(seq 18); do printf 'ms 200\npress PageUp\n'; done >> "$work/input.txt"
cat >> "$work/input.txt" <<'SCRIPT'
until-task TASK_WAIT_MESSAGE
state log_end.json
ms 200
wheel down
until-task TASK_WAIT_MESSAGE
state log_down.json
click 400 300
until-task TASK_WAIT_MESSAGE
ms 300
state log_closed.json
screenshot log_closed.png
# ---- Space hides the window and shows it again.
press Space
ticks 2
state hidden.json
screenshot hidden.png
ms 300
press Space
ticks 2
state shown.json
screenshot shown.png
# ---- The floating window.
menu ItemMsgFloat
ticks 3
state float_on.json
screenshot float_main.png
screenshot-float float.png
menu-caption ItemMsgFloat
click-float 400 5
ticks 3
state float_frame.json
click-float 400 100
until-task TASK_WAIT_MESSAGE
state float_click.json
key Control down
until-task TASK_WAIT_SELECT2
key Control up
state float_select2.json
click 400 240
key Control down
until-scene 7
key Control up
until-task TASK_WAIT_MESSAGE
ticks 1
click-float 400 100
until-task TASK_WAIT_MESSAGE
ticks 1
click-float 400 100
until-task TASK_WAIT
state photos.json
until-task TASK_WAIT_MESSAGE
ticks 1
state photos_done.json
screenshot photos_done.png
menu ItemMsgFloat
ticks 3
state float_off.json
screenshot float_off.png
dialog ok
close
SCRIPT
"$tool" run --game "$game" --input "$work/input.txt" --out "$work" --quiet > "$work/captions.txt"

# A second start of the game: read skip from the first message still knows what was read.
cat > "$work/restart.txt" <<'SCRIPT'
key Control down
until-task TASK_WAIT_TITLE_MENU max-ms 120000
key Control up
click 700 390
until-task TASK_WAIT_MESSAGE
ticks 1
menu ItemMsgKidoku
ms 3000
state restart.json
SCRIPT
"$tool" run --game "$game" --input "$work/restart.txt" --out "$work" --quiet

python3 "$checks" message-modes "$work" "$game"

# The pictures. The window band is y 424..599; the wait icon at (752, 552) is left out where it
# may show another frame.
cd "$work"
band() { python3 "$compare" diff "$1" "$2" 0 424 "${3:-750}" 176; }
fail() { echo "demo message modes: $*"; exit 1; }
[ "$(band message.png log1.png 800)" -gt 1000 ] || fail "the log page looks like the current message"
[ "$(band message.png log_closed.png)" -eq 0 ] || fail "the message is not shown as before after the log"
[ "$(band message.png hidden.png 800)" -gt 1000 ] || fail "Space did not hide the window"
[ "$(band message.png shown.png)" -eq 0 ] || fail "the window did not come back as it was"
[ "$(band hidden.png float_main.png 800)" -eq 0 ] || fail "the main window still shows the message window with the floating one on"
[ "$(python3 "$compare" diff float_empty.png float.png 0 24 750 140)" -gt 1000 ] || fail "the floating window shows no text"
[ "$(band photos_done.png float_off.png 800)" -gt 1000 ] || fail "the message window did not come back into the main window"
echo "demo message modes: ok"
