#!/usr/bin/env python3
"""The checks of the scripted tests that read the runner's states, raw pictures and sound files.

One sub-command each (run with --help for the list). A check prints what is wrong and exits with
status 1; screenshots as PNG files are compared by shot_compare.py.
"""
import argparse
import array
import json
import os
import struct
import sys


def load_state(folder, name):
    """The runner's state NAME (a JSON file) in FOLDER."""
    with open(os.path.join(folder, name), encoding="utf-8") as f:
        return json.load(f)


class Checks:
    """Collects the checks of one script that fail, and reports them all at the end."""

    def __init__(self, title):
        self.title = title
        self.failures = []

    def __call__(self, condition, message):
        if not condition:
            self.failures.append(message)

    def report(self):
        if self.failures:
            print(self.title + ":\n  " + "\n  ".join(self.failures), file=sys.stderr)
            sys.exit(1)


def full_playthrough(work, game):
    """demo_full_playthrough.sh: the states the whole sample game left in WORK (the game in GAME)."""
    check = Checks("demo full playthrough")

    def load(name):
        return load_state(work, name)

    def var(state, n):  # scenario variable n (s1 = 1)
        return state["ScenarioVars"][n - 1]
    def log_texts(state):
        return [entry["text"] for entry in state["MsgLog"]]
    def bgm(state):
        return state["Channels"][1]["file"].replace("\\", "/")
    def voice(state):
        return state["Channels"][5]["file"].replace("\\", "/")

    title = load("title.json")
    check(title["TaskCode"] == "00700102", "the title menu is not waiting: %s" % title["TaskCode"])
    check(bgm(title) == "Sound/M01.ogg", "the title plays %r" % bgm(title))

    two = load("two_characters.json")
    check((two["CurrentScene"], two["TaskCode"]) == (3, "00006002"), "the two-character message: scene %d, task %s" % (two["CurrentScene"], two["TaskCode"]))
    check(two["LayerGraphic"] == [103, 201, 231] and two["LayerPlacement"] == [1, 0],
          "Haruka and Minato are not on the classroom picture: %s %s" % (two["LayerGraphic"], two["LayerPlacement"]))
    check(voice(two) == "VOICE/haruka05.ogg" and two["Channels"][5]["status"] == 2, "Haruka's line is not voiced: %s" % two["Channels"][5])
    check(log_texts(two)[0] == "そう言って湊は、撮ったばかりの画面を満足そうにのぞきこんでいる。", "the log does not end with the message before: %r" % log_texts(two)[0])

    choice = load("choice.json")
    check(choice["TaskCode"] == "00006802" and choice["ChoiceCount"] == 2, "the first choice: %s with %d lines" % (choice["TaskCode"], choice["ChoiceCount"]))
    radio = load("radio.json")
    check(var(radio, 1) == 1 and var(radio, 10) == 1 and var(radio, 11) == 0, "Haruka's branch: s1 %d s10 %d s11 %d" % (var(radio, 1), var(radio, 10), var(radio, 11)))

    choice2 = load("choice2.json")
    check((choice2["TaskCode"], choice2["CurrentScene"], choice2["ChoiceCount"]) == ("00006902", 6, 3),
          "the full-screen choice: %s in scene %d with %d lines" % (choice2["TaskCode"], choice2["CurrentScene"], choice2["ChoiceCount"]))
    check(choice2["ReturnDepth"] == 0 and choice2["ReturnTable"] == [], "Chiaki's story did not return: %s" % choice2["ReturnTable"])
    check(any(t.startswith("千秋「昔、この町には灯台守") for t in log_texts(choice2)), "Chiaki's story (scene 13) was not played")
    check(all(choice2["SystemVars"][n - 1] == 1 for n in (101, 102, 103)), "scene album marks 101..103 are missing")
    check({401, 403, 405} <= set(choice2["CgSeen"]), "CGs of the broadcast and the diary not seen: %s" % choice2["CgSeen"])

    saved, loaded = load("saved.json"), load("loaded.json")
    check(os.path.exists(os.path.join(game, "Save03.dat")), "slot 3 was not written")
    with open(os.path.join(work, "captions.txt"), encoding="utf-8") as f:
        caption = f.read().split("\t")
    check(len(caption) == 4 and caption[1].endswith("放送室のあと"), "the save menu does not show the comment: %r" % caption)
    for key in ("TaskCode", "CurrentScene", "ScriptStep", "ReturnDepth", "ReturnTable", "MsgNumber", "VoiceNumber",
                "ChoiceCount", "GamePlaying", "ScenarioVars", "LayerGraphic", "LayerPlacement", "MsgWindowVisible",
                "ContextMenuOn", "CursorShown"):
        check(saved[key] == loaded[key], "after loading, %s is %r, saved %r" % (key, loaded[key], saved[key]))
    check(bgm(saved) == bgm(loaded) == "Sound/M05.ogg", "the library music after loading: %r (saved %r)" % (bgm(loaded), bgm(saved)))

    sea_a = load("sea_a.json")
    check((sea_a["CurrentScene"], var(sea_a, 2), var(sea_a, 10)) == (8, 3, 2), "the storehouse answer: scene %d s2 %d s10 %d" % (sea_a["CurrentScene"], var(sea_a, 2), var(sea_a, 10)))
    check(any(t.startswith("春香「そういえば、おばあちゃんが") for t in log_texts(sea_a)), "the storehouse answer was not played")
    check({409, 416, 437, 602, 419} <= set(sea_a["CgSeen"]), "Minato's album pages were not marked seen: %s" % sea_a["CgSeen"])

    HARUKA_END, MINATO_END = "春香「ねえ。おかえり、って言ったの、覚えてる？」", "湊「ひとつ、わかったことがある」"
    for name, s10, s11, ending in (("ending_a.json", 3, 0, HARUKA_END), ("ending_b.json", 1, 1, MINATO_END), ("ending_c.json", 1, 2, MINATO_END)):
        state = load(name)
        texts = log_texts(state)
        other = MINATO_END if ending == HARUKA_END else HARUKA_END
        check(state["CurrentScene"] == 11, "%s: scene %d" % (name, state["CurrentScene"]))
        check((var(state, 10), var(state, 11)) == (s10, s11), "%s: s10 %d s11 %d, not %d %d" % (name, var(state, 10), var(state, 11), s10, s11))
        check(ending in texts and other not in texts, "%s: the wrong ending was played: %r" % (name, texts[:6]))

    sea_b = load("sea_b.json")
    check(any(t.startswith("千秋「いい読みね") for t in log_texts(sea_b)), "the library answer was not played")
    cape, sea_c = load("cape.json"), load("sea_c.json")
    check((var(cape, 1), var(cape, 11), bgm(cape)) == (2, 1, "Sound/M04.ogg"), "Minato's branch: s1 %d s11 %d %s" % (var(cape, 1), var(cape, 11), bgm(cape)))
    check(any(t.startswith("湊「物置なら何度も") for t in log_texts(sea_c)) and var(sea_c, 11) == 2, "the lighthouse-store answer was not played")

    # After the credits every CG of the album table and every scene of the scene album is open.
    table = {}
    with open(os.path.join(os.environ.get("SOURCE_DIR", "."), "demo", "pictures.txt"), encoding="utf-8") as f:
        for line in f:
            words = line.split()
            if words[:1] in (["cg-album"], ["scene-album"]):
                table.setdefault(words[0], []).extend(int(n) for cell in words[2:] if cell != "-" for n in cell.split("/"))
    ended = load("after_ending.json")
    missing_cg = sorted(set(table["cg-album"]) - set(ended["CgSeen"]))
    missing_scene = [n for n in table["scene-album"] if ended["SystemVars"][n - 1] != 1]
    check(not missing_cg, "CGs not open after the ending: %s" % missing_cg)
    check(not missing_scene, "scenes not open after the ending: %s" % missing_scene)
    check(ended["TaskCode"] == "00700102", "the ending did not return to the title: %s" % ended["TaskCode"])

    album = load("album_menu.json")
    check(album["TaskCode"] == "00700202", "album menu: %s" % album["TaskCode"])
    page1 = load("cg_page1.json")
    check((page1["TaskCode"], page1["AlbumPage"]) == ("00700402", 1), "CG album page: %s page %d" % (page1["TaskCode"], page1["AlbumPage"]))
    view1, view2 = load("cg_view1.json"), load("cg_view2.json")
    check(view1["TaskCode"] == view2["TaskCode"] == "00700492", "the CG view: %s, then %s" % (view1["TaskCode"], view2["TaskCode"]))
    check(load("cg_back.json")["AlbumPage"] == 1, "the CG view did not return to page 1")
    for page in range(2, 9):
        state = load("cg_page%d.json" % page)
        check(state["AlbumPage"] == page and state["TaskCode"] == "00700402", "next page %d: page %d, %s" % (page, state["AlbumPage"], state["TaskCode"]))
    check(load("cg_wrapped.json")["AlbumPage"] == 1, "the page after 8 is not 1")
    check(load("cg_previous.json")["AlbumPage"] == 8, "the page before 1 is not 8")

    queued = load("sc_queued.json")
    check(queued["SceneTable"] == [101, 155], "the replay queue holds %s" % queued["SceneTable"])
    replay = load("replay.json")
    check(replay["CurrentScene"] == 155 and replay["GamePlaying"] == 0, "the replay: scene %d, playing %d" % (replay["CurrentScene"], replay["GamePlaying"]))
    back = load("sc_back.json")
    check(back["TaskCode"] == "00700502" and back["SceneTable"] == [], "after the replay: %s, queue %s" % (back["TaskCode"], back["SceneTable"]))

    room, third, room_back = load("music_room.json"), load("music_3.json"), load("music_back.json")
    # Channel status: 1 stopped, 2 playing once, 3 looping.
    check(room["TaskCode"] == "00700302" and room["Channels"][1]["status"] <= 1, "the music room opens with music: %s" % room["Channels"][1])
    check(bgm(third) == "Sound/M03.ogg" and third["Channels"][1]["status"] == 3, "the third piece: %s" % third["Channels"][1])
    check(room_back["TaskCode"] == "00700202" and bgm(room_back) == "Sound/M01.ogg" and room_back["Channels"][1]["status"] == 3,
          "back from the music room: %s %s" % (room_back["TaskCode"], room_back["Channels"][1]))

    check.report()


def message_modes(work, game):
    """demo_message_modes.sh: skip, read skip, automatic advance, the log and the floating window."""
    check = Checks("demo message modes")

    def load(name):
        return load_state(work, name)

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

    check.report()


def playthrough(work):
    """demo_playthrough.sh: the title, the first choice and the cape."""
    def load(name):
        return load_state(work, name)

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


def silent_auto(folder):
    """demo_silent_auto.sh: the ending reached by automatic advance without a sound device."""
    ending, title = load_state(folder, "ending.json"), load_state(folder, "title.json")
    problems = []
    if ending["CurrentScene"] != 11 or ending["AutoMode"] != 1:
        problems.append("the ending was not reached by automatic advance: scene %d, auto %d" % (ending["CurrentScene"], ending["AutoMode"]))
    if title["TaskCode"] != "00700102":
        problems.append("the story did not come back to the title menu: task %s" % title["TaskCode"])
    voiced = [e for e in ending["MsgLog"] if e["file"]]
    if not voiced:
        problems.append("no voiced message on the way to the ending")
    if problems:
        sys.exit("demo silent auto: " + "; ".join(problems))


def save_dir_loads(work):
    """save_dir_runner.sh: the slots saved in the save folder load where they were saved."""
    saved, loaded, loaded2 = (load_state(work, name) for name in ("saved.json", "out/loaded.json", "out/loaded2.json"))
    for key in ("CurrentScene", "MsgNumber"):
        if loaded[key] != saved[key]:
            sys.exit(repr((key, loaded[key], saved[key])))
    if loaded2["MsgNumber"] != saved["MsgNumber"] + 1:
        sys.exit(repr((loaded2["MsgNumber"], saved["MsgNumber"])))


def sound_peak(path):
    """window_audio.sh: the peak of the last second of 16-bit stereo samples in PATH (0 without it)."""
    if not os.path.exists(path):
        print(0)
        return
    size = os.path.getsize(path) // 4 * 4
    with open(path, "rb") as f:
        f.seek(max(0, size - 4 * 44100))
        data = f.read(min(size, 4 * 44100))
    samples = array.array("h")
    samples.frombytes(data[: len(data) // 2 * 2])
    print(max((abs(s) for s in samples), default=0))


def pixels(what, shot_path, ref_path, rest):
    """window_modes.sh: a 1600x1024 raw RGB screenshot against the runner's 800-wide pictures."""
    SCREEN_W, SCREEN_H = 1600, 1024

    def load(path, width):
        data = open(path, "rb").read()
        return lambda x, y: data[(y * width + x) * 3:(y * width + x) * 3 + 3]

    def rect_pixels(x, y, w, h):
        return ((i, j) for j in range(y, y + h) for i in range(x, x + w))

    def inside(px, py, rects):
        return any(x <= px < x + w and y <= py < y + h for x, y, w, h in rects)

    def fail(message):
        print("FAIL:", message)
        sys.exit(1)

    WHITE, BLACK = b"\xff\xff\xff", b"\x00\x00\x00"
    LIME = b"\x00\xff\x00"
    shot = load(shot_path, SCREEN_W)

    if what == "float":
        # The floating window at (fx, fy): the desktop where the window is keyed out, the engine's
        # picture elsewhere (but for the wait icon, which moves).
        ref = load(ref_path, 800)
        fx, fy = int(rest[0]), int(rest[1])
        key = ref(0, 0)
        icon = [(752, 128, 32, 32)]
        keyed = shown = 0
        for x, y in rect_pixels(0, 0, 800, 176):
            want = ref(x, y)
            got = shot(fx + x, fy + y)
            if x == 0 or y == 0 or want == key or want == LIME:
                keyed += 1
                if got != WHITE:
                    fail("floating window pixel %d,%d (%s) shows %s, not the desktop" % (x, y, want.hex(), got.hex()))
            elif not inside(x, y, icon):
                shown += 1
                if got != want:
                    fail("floating window pixel %d,%d shows %s, the engine drew %s" % (x, y, got.hex(), want.hex()))
        if shown < 100000 or keyed < 976:
            fail("only %d pixels shown and %d keyed out" % (shown, keyed))
        print("%d pixels of artwork and %d keyed out" % (shown, keyed))

    elif what == "window":
        # The unscaled picture at (mx, my).
        ref = load(ref_path, 800)
        mx, my = int(rest[0]), int(rest[1])
        for x, y in rect_pixels(0, 0, 800, 600):
            if shot(mx + x, my + y) != ref(x, y):
                fail("main window pixel %d,%d shows %s, not %s" % (x, y, shot(mx + x, my + y).hex(), ref(x, y).hex()))

    elif what == "full":
        # 1600x1024 full screen: the picture 1365x1024 at x 117, black bars either side. Every
        # picture pixel is compared at the screen pixel in the middle of its block, which nearest
        # neighbour scaling fills with exactly that colour; the other windows on top are left out.
        ref = load(ref_path, 800)
        covered = [tuple(map(int, r.split(","))) for r in rest]
        fit_x, fit_w, fit_h = 117, 1365, 1024
        for y in range(SCREEN_H):
            for x in list(range(fit_x)) + list(range(fit_x + fit_w, SCREEN_W)):
                if shot(x, y) != BLACK and not inside(x, y, covered):
                    fail("the bar at %d,%d is %s, not black" % (x, y, shot(x, y).hex()))
        compared = 0
        for px, py in rect_pixels(0, 0, 800, 600):
            x = fit_x + (2 * px + 1) * fit_w // 1600
            y = (2 * py + 1) * fit_h // 1200
            if inside(x, y, covered):
                continue
            compared += 1
            if shot(x, y) != ref(px, py):
                fail("picture pixel %d,%d shows %s at %d,%d, not %s" % (px, py, shot(x, y).hex(), x, y, ref(px, py).hex()))
        print("%d picture pixels in place" % compared)


def picture_at_2x(shot_path, width, want_path):
    """window_wayland.sh: the runner's picture at 2x is on the output, row for row.

    WANT is that picture (1600x1200), SHOT the output's screenshot, WIDTH pixels wide, both raw
    RGB; the wait icon is left out."""
    shot, width, want = open(shot_path, "rb").read(), int(width), open(want_path, "rb").read()
    row = lambda data, w, y, x0, x1: data[(y * w + x0) * 3:(y * w + x1) * 3]
    at = shot.find(row(want, 1600, 0, 0, 1600))
    while at >= 0 and at % 3:
        at = shot.find(row(want, 1600, 0, 0, 1600), at + 1)
    if at < 0:
        sys.exit("the picture at 2x is nowhere on the output")
    x, y = at // 3 % width, at // 3 // width
    for j in range(1200):
        spans = [(0, 1600)] if not 1104 <= j < 1168 else [(0, 1504), (1568, 1600)]
        for x0, x1 in spans:
            if row(shot, width, y + j, x + x0, x + x1) != row(want, 1600, j, x0, x1):
                sys.exit("row %d of the picture differs from the runner's at 2x" % j)


def compare_outputs(work, names):
    """compare-arm64-playthrough.sh: how each named output of WORK/native and WORK/arm differs."""
    for name in names:
        a = open(f"{work}/native/{name}", "rb").read()
        b = open(f"{work}/arm/{name}", "rb").read()
        if not name.endswith(".wav") or len(a) != len(b) or len(a) < 44:
            first = next((i for i in range(min(len(a), len(b))) if a[i] != b[i]), min(len(a), len(b)))
            print(f"   {name}: differs from byte {first} (sizes {len(a)} and {len(b)})")
            continue
        # 16-bit stereo samples after the 44-byte header.
        n = (len(a) - 44) // 2
        sa = struct.unpack(f"<{n}h", a[44:44 + 2 * n])
        sb = struct.unpack(f"<{n}h", b[44:44 + 2 * n])
        diffs = [(i, abs(x - y)) for i, (x, y) in enumerate(zip(sa, sb)) if x != y]
        header = "same" if a[:44] == b[:44] else "different"
        if not diffs:
            print(f"   {name}: header {header}, every sample the same")
            continue
        biggest = max(d for _, d in diffs)
        first = diffs[0][0]
        print(f"   {name}: header {header}; {len(diffs)} of {n} samples differ ({100 * len(diffs) / n:.3f} %), "
              f"by at most {biggest}; the first at {first / 2 / 44100:.3f} s")


def colour_absent(width, colour_hex):
    """xvfb.bash: fails, saying where, when a pixel of a raw RGB picture has the colour RRGGBB.

    The picture, WIDTH pixels wide, comes on standard input."""
    width, colour = int(width), bytes.fromhex(colour_hex)
    data = sys.stdin.buffer.read()
    i = data.find(colour)
    while i >= 0:
        if i % 3 == 0:
            sys.exit("#%s at %d,%d" % (colour_hex, i // 3 % width, i // 3 // width))
        i = data.find(colour, i + 1)


def between(value, low, high):
    """Succeeds when LOW < VALUE < HIGH."""
    sys.exit(0 if float(low) < float(value) < float(high) else 1)


def scaled_size(width, height, factor):
    """Prints WIDTH and HEIGHT times FACTOR, rounded as Python rounds (halves to even)."""
    print(round(int(width) * float(factor)), round(int(height) * float(factor)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    commands = parser.add_subparsers(dest="command", required=True)

    def command(name, function, *arguments, rest=None):
        sub = commands.add_parser(name, help=function.__doc__.splitlines()[0])
        names = []
        for argument in arguments:
            # An argument is a name, or a name and the values it may take.
            name, choices = (argument, None) if isinstance(argument, str) else argument
            sub.add_argument(name, choices=choices)
            names.append(name)
        if rest:
            sub.add_argument(rest, nargs="*")
            names.append(rest)
        sub.set_defaults(run=function, arguments=names)

    command("full-playthrough", full_playthrough, "work", "game")
    command("message-modes", message_modes, "work", "game")
    command("playthrough", playthrough, "work")
    command("silent-auto", silent_auto, "folder")
    command("save-dir-loads", save_dir_loads, "work")
    command("sound-peak", sound_peak, "path")
    command("pixels", pixels, ("what", ("float", "window", "full")), "shot_path", "ref_path", rest="rest")
    command("picture-at-2x", picture_at_2x, "shot_path", "width", "want_path")
    command("compare-outputs", compare_outputs, "work", rest="names")
    command("colour-absent", colour_absent, "width", "colour_hex")
    command("between", between, "value", "low", "high")
    command("scaled-size", scaled_size, "width", "height", "factor")
    args = parser.parse_args()
    args.run(*(getattr(args, name) for name in args.arguments))


if __name__ == "__main__":
    main()
