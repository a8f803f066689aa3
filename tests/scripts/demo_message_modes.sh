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

python3 - "$work" "$game" <<'PY'
import json, os, struct, sys
work, game = sys.argv[1], sys.argv[2]
failures = []
def load(name):
    with open(os.path.join(work, name), encoding="utf-8") as f:
        return json.load(f)
def check(condition, message):
    if not condition:
        failures.append(message)
def voice(state):
    return state["Channels"][5]["file"].replace("\\", "/"), state["Channels"][5]["status"]
def where(state):
    return "scene %d message %d task %s" % (state["CurrentScene"], state["MsgNumber"], state["TaskCode"])
def ogg_ms(path):  # length of an Ogg Vorbis file: last granule position / sample rate
    data = open(path, "rb").read()
    rate = struct.unpack("<I", data[data.find(b"\x01vorbis") + 12:][:4])[0]
    granule = struct.unpack("<q", data[data.rfind(b"OggS") + 6:][:8])[0]
    return granule * 1000 // rate
CAPE = ["坂道をのぼりきると、視界いっぱいに海が広がった。", "岬の先には、白い灯台がぽつんと立っている。",
        "湊「ここが僕のいちばん好きな場所。光の具合が、一時間ごとに変わるんだ」",
        "湊は風に負けないように足を踏んばって、何枚もシャッターを切った。"]

start, skipped, stopped = load("skip_start.json"), load("skip_choice.json"), load("skip_stopped.json")
check((start["CurrentScene"], start["MsgNumber"], start["TaskCode"]) == (2, 0, "00006002"), "the story starts at " + where(start))
check((skipped["CurrentScene"], skipped["TaskCode"]) == (3, "00006802"), "message skip did not run to the choice: " + where(skipped))
check(skipped["SkipMode"] == 0, "message skip is still on at the choice")
check(voice(skipped)[0] == "", "a voice was played while skipping: %s" % (voice(skipped),))
check(sum(1 for e in skipped["MsgLog"] if e["text"]) == 20 and skipped["MsgLog"][4]["text"].startswith("湊「いい顔だ。"),
      "the skipped messages are not in the log")
check((stopped["CurrentScene"], stopped["MsgNumber"], stopped["TaskCode"]) == (5, 0, "00006002"), "skip went on after the choice: " + where(stopped))

rs_start, rs_choice = load("rs_start.json"), load("rs_choice.json")
check((rs_start["CurrentScene"], rs_start["MsgNumber"]) == (2, 0), "the new game starts at " + where(rs_start))
check((rs_choice["CurrentScene"], rs_choice["TaskCode"]) == (3, "00006802"), "read skip did not pass scenes 2 and 3: " + where(rs_choice))
check(rs_choice["ReadSkipMode"] == 0, "read skip is still on at the choice")
rs_stop, rs_still = load("rs_stop.json"), load("rs_still.json")
check((rs_stop["CurrentScene"], rs_stop["MsgNumber"], rs_stop["TaskCode"]) == (5, 2, "00006002"),
      "read skip did not stop at the first unread message (scene 5, message 2): " + where(rs_stop))
check(rs_stop["ReadSkipMode"] == 0 and rs_stop["SkipNow"] == 0, "read skip is still on at an unread message")
check(voice(rs_stop) == ("VOICE/minato04.ogg", 2), "the unread message is not voiced: %s" % (voice(rs_stop),))
check([e["text"] for e in rs_stop["MsgLog"][:2]] == [CAPE[1], CAPE[0]], "the read messages passed are not in the log")
check((rs_still["MsgNumber"], rs_still["TaskCode"]) == (2, "00006002"), "the game went on from the unread message: " + where(rs_still))

delay = load("auto_on.json")["Settings"]["AutoDelay"] * 1000
check(load("auto_on.json")["AutoMode"] == 1, "automatic advance is not on")
check(load("auto_2.json")["MsgLog"][0]["text"] == CAPE[2], "automatic advance did not leave message 2")
wait3, after3 = load("auto_wait3.json"), load("auto_3.json")
elapsed = after3["Clock"] - wait3["Clock"]
check(after3["MsgLog"][0]["text"] == CAPE[3] and abs(elapsed - delay) <= 20,
      "an unvoiced message advanced %d ms after it was shown, not %d" % (elapsed, delay))
disp5, after5 = load("auto_disp5.json"), load("auto_5.json")
voice5 = ogg_ms(os.path.join(game, "VOICE", "minato05.ogg"))
elapsed = after5["Clock"] - disp5["Clock"]
check(voice(disp5) == ("VOICE/minato05.ogg", 2), "message 5 is not voiced: %s" % (voice(disp5),))
# The voice's status ends when its last block has been decoded, a little before it is heard out.
check(-300 <= elapsed - voice5 - delay <= 100,
      "a message with a %d ms voice advanced %d ms after it began, not about %d" % (voice5, elapsed, voice5 + delay))
off = load("auto_off.json")
check((off["AutoMode"], off["MsgNumber"], off["TaskCode"]) == (0, 7, "00006002"), "a click did not end automatic advance: " + where(off))

log1, log2, log_end, log_down, closed = (load(n) for n in ("log1.json", "log2.json", "log_end.json", "log_down.json", "log_closed.json"))
check((log1["LogViewing"], log1["LogCursor"]) == (1, 1) and voice(log1) == ("VOICE/minato06.ogg", 2),
      "the wheel did not open the log at the last message with its voice: %d %d %s" % (log1["LogViewing"], log1["LogCursor"], voice(log1)))
check(log2["LogCursor"] == 2 and voice(log2)[0] == "VOICE/minato05.ogg", "Page Up: page %d, %s" % (log2["LogCursor"], voice(log2)))
check(log_end["LogCursor"] == 16 and voice(log_end)[0] == log_end["MsgLog"][15]["file"],
      "the end of the log: page %d, voice %s" % (log_end["LogCursor"], voice(log_end)))
check(log_down["LogCursor"] == 15, "the wheel down gave page %d" % log_down["LogCursor"])
# A log entry's voice is its index into the scene's voice list (-1: none); the file is named apart.
log_voices = [(e["voice"], e["file"]) for e in log_end["MsgLog"] if e["text"]]
check(all(isinstance(v, int) and (v == -1) == (f == "") for v, f in log_voices), "log voices: %s" % log_voices)
check(sum(1 for v, _ in log_voices if v >= 0) >= 2, "too few voiced entries in the log: %s" % log_voices)
check((closed["LogViewing"], closed["MsgNumber"], closed["CurrentScene"], closed["TaskCode"]) == (0, 7, 5, "00006002"),
      "closing the log: viewing %d at %s" % (closed["LogViewing"], where(closed)))
check(load("hidden.json")["MsgWindowVisible"] == 0 and load("shown.json")["MsgWindowVisible"] == 1, "Space did not hide and show the window")

on, frame, click = load("float_on.json"), load("float_frame.json"), load("float_click.json")
check((on["FloatChecked"], on["FloatVisible"]) == (1, 1), "the floating window is not on: %d %d" % (on["FloatChecked"], on["FloatVisible"]))
with open(os.path.join(work, "captions.txt"), encoding="utf-8") as f:
    check(f.read().split("\t")[-1].strip() == "1", "the menu item is not checked")
check((frame["CurrentScene"], frame["MsgNumber"]) == (5, 7), "a click on the floating window's frame advanced: " + where(frame))
check(click["CurrentScene"] == 6 and click["MsgLog"][0]["text"].startswith("湊「図書館の千秋さんなら"),
      "a click in the floating window's text did not advance: " + where(click))
check(click["FloatVisible"] == 1, "the floating window is not shown at the next message")
select2 = load("float_select2.json")
check((select2["TaskCode"], select2["FloatChecked"], select2["FloatVisible"]) == ("00006902", 1, 0),
      "at the full-screen choice: %s, float %d %d" % (select2["TaskCode"], select2["FloatChecked"], select2["FloatVisible"]))
photos, done, off = load("photos.json"), load("photos_done.json"), load("float_off.json")
check((photos["CurrentScene"], photos["TaskCode"], photos["FloatChecked"], photos["FloatVisible"]) == (7, "00800101", 1, 0),
      "during the photos: %s, float %d %d" % (where(photos), photos["FloatChecked"], photos["FloatVisible"]))
check((done["TaskCode"], done["FloatVisible"]) == ("00006002", 1), "after the photos: %s, float shown %d" % (where(done), done["FloatVisible"]))
check((off["FloatChecked"], off["FloatVisible"]) == (0, 0), "the floating window did not go: %d %d" % (off["FloatChecked"], off["FloatVisible"]))

restart = load("restart.json")
check((restart["CurrentScene"], restart["TaskCode"]) == (3, "00006802"), "after a restart read skip stopped at " + where(restart))

if failures:
    print("demo message modes:\n  " + "\n  ".join(failures), file=sys.stderr)
    sys.exit(1)
PY

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
