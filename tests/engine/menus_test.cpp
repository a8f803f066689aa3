// The context menu, the save and load menus and the settings dialog, driven as the player does:
// through the menu the platform opens and the dialogs' answers.
#include "support/engine_fixture.h"

#include "data/unicode.h"

#include <sys/time.h>

#include <cstring>
#include <ctime>

namespace hk::test {
namespace {

using Answer = HeadlessPlatform::DialogAnswer;

class MenusTest : public GameFixture {
protected:
    void SetUp() override {
        StartParked(); // only the menu commands act
        Script().SetGamePlaying(true);
        TheEngine().Commands().AttachContextMenu();
    }
    void Menu(std::vector<std::string> path) {
        Platform().QueueMenu(std::move(path));
        Session().Step();
        ASSERT_EQ(Platform().ScriptFault(), "");
    }
    const MenuItem& Item(const std::string& name) { return TheEngine().Commands().MenuItemNamed(name); }
    void SetFileTime(const std::string& name, int year, int month, int day, int hour, int minute) {
        std::tm t{};
        t.tm_year = year - 1900;
        t.tm_mon = month - 1;
        t.tm_mday = day;
        t.tm_hour = hour;
        t.tm_min = minute;
        t.tm_isdst = -1;
        const std::time_t when = std::mktime(&t);
        const timeval times[2] = {{when, 0}, {when, 0}};
        ASSERT_EQ(::utimes((m_dir / name).c_str(), times), 0);
    }
    GameData Slot(int n) {
        GameData g{};
        const auto bytes = ReadFileBytes(m_dir / SaveStore::SlotFileName(n));
        EXPECT_EQ(bytes.size(), sizeof g);
        std::memcpy(&g, bytes.data(), std::min(bytes.size(), sizeof g));
        return g;
    }
};

TEST_F(MenusTest, MenuItemsAreInTheGameOrderWithTheirCaptions) {
    std::vector<std::string> names, captions;
    for (const MenuItem& item : TheEngine().Commands().ContextMenu.items) {
        names.push_back(item.separator ? "-" : item.name);
        captions.push_back(item.caption);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"ItemMsgSkip", "ItemMsgKidoku", "ItemMsgAuto", "-", "ItemMsgClear",
                                               "ItemMsgFloat", "-", "ItemSave", "ItemLoad", "-", "ItemOption", "-",
                                               "ItemTitle", "ItemClose"}));
    EXPECT_EQ(captions[0], "ﾒｯｾｰｼﾞｽｷｯﾌﾟ");
    EXPECT_EQ(captions[5], "ﾒｯｾｰｼﾞｳｨﾝﾄﾞｳのﾌﾛｰﾄ化");
    EXPECT_EQ(captions[10], "ｵﾌﾟｼｮﾝ");
    EXPECT_EQ(captions[13], "ゲーム終了");
    EXPECT_EQ(Item("ItemSave").items.size(), 30u);
    EXPECT_EQ(TheEngine().Commands().TitleLoadMenu.items.size(), 30u);
}

TEST_F(MenusTest, FreshInstallShowsThirtyEmptySlotsNoneCheckedAndLoadsDisabled) {
    Menu({"ItemLoad"});
    for (const MenuItem& item : Item("ItemLoad").items) {
        EXPECT_EQ(item.caption, "- セーブされていません -");
        EXPECT_FALSE(item.checked);
        EXPECT_FALSE(item.enabled);
    }
    Menu({"ItemSave"});
    for (const MenuItem& item : Item("ItemSave").items)
        EXPECT_TRUE(item.enabled);
}

TEST_F(MenusTest, SavingWritesTheWholeRecordWithTheComment) {
    State().Game.ScenarioVars[9] = 321;
    State().Game.CurrentScene = 4;
    Platform().QueueDialogAnswer({Answer::Kind::Comment, true, u"テスト"});
    Menu({"ItemSave", "ItemSave3"});
    const GameData g = Slot(3);
    EXPECT_EQ(g.SlotInUse, 1);
    EXPECT_EQ(g.ScenarioVars[9], 321);
    EXPECT_EQ(g.CurrentScene, 4);
    EXPECT_EQ(g.SaveComment[0], u'テ');
    EXPECT_EQ(g.SaveComment[2], u'ト');
    EXPECT_EQ(g.SaveComment[3], 0);
    // The dialog sat on the main window's client point (166, 204).
    EXPECT_EQ(TheEngine().Commands().SaveComment.Left, Platform().ClientToScreen(WindowId::Main, {166, 204}).x);
    EXPECT_EQ(TheEngine().Commands().SaveComment.Top, Platform().ClientToScreen(WindowId::Main, {166, 204}).y);

    // Its caption: time, a full-width space, the comment; the load item is enabled now.
    SetFileTime("Save03.dat", 2004, 3, 7, 21, 5);
    Menu({"ItemLoad"});
    EXPECT_EQ(Item("ItemLoad3").caption, "2004/03/07 21:05　テスト");
    EXPECT_TRUE(Item("ItemLoad3").enabled);
    EXPECT_TRUE(Item("ItemLoad3").checked);
    EXPECT_FALSE(Item("ItemLoad4").enabled);
}

TEST_F(MenusTest, LongCommentsAreCutAtTwentyFourUnitsAndTheOldCommentIsOffered) {
    const std::u16string exact(24, u'あ');
    Platform().QueueDialogAnswer({Answer::Kind::Comment, true, exact});
    Menu({"ItemSave", "ItemSave1"});
    GameData g = Slot(1);
    EXPECT_EQ(std::u16string(g.SaveComment, g.SaveComment + 24), exact);
    const auto bytes = ReadFileBytes(m_dir / "Save01.dat");
    EXPECT_EQ(bytes[1206], 0);
    EXPECT_EQ(bytes[1207], 0);

    Platform().QueueDialogAnswer({Answer::Kind::Comment, true, std::u16string(30, u'い')});
    Menu({"ItemSave", "ItemSave1"});
    EXPECT_EQ(Platform().CommentPrefill(), exact) << "the dialog opens with the slot's old comment";
    g = Slot(1);
    EXPECT_EQ(std::u16string(g.SaveComment, g.SaveComment + 24), std::u16string(24, u'い'));
    EXPECT_EQ(ReadFileBytes(m_dir / "Save01.dat")[1206], 0);
}

TEST_F(MenusTest, CancellingTheCommentLeavesTheSlotFileAsItWas) {
    const auto before = ReadFileBytes(m_dir / "Save07.dat");
    Platform().QueueDialogAnswer({Answer::Kind::Comment, false});
    Menu({"ItemSave", "ItemSave7"});
    EXPECT_EQ(ReadFileBytes(m_dir / "Save07.dat"), before);
}

TEST_F(MenusTest, TheNewestSaveIsCheckedAndTheLowerSlotWinsATie) {
    for (int n : {5, 2, 9}) {
        Platform().QueueDialogAnswer({Answer::Kind::Comment, true, u"x"});
        Menu({"ItemSave", "ItemSave" + std::to_string(n)});
    }
    SetFileTime("Save05.dat", 2020, 1, 1, 10, 0);
    SetFileTime("Save02.dat", 2020, 1, 1, 11, 0);
    SetFileTime("Save09.dat", 2020, 1, 1, 9, 0);
    Menu({"ItemSave"});
    EXPECT_TRUE(Item("ItemSave2").checked);
    EXPECT_FALSE(Item("ItemSave5").checked);
    SetFileTime("Save09.dat", 2020, 1, 1, 11, 0);
    Menu({"ItemSave"});
    EXPECT_TRUE(Item("ItemSave2").checked);
    EXPECT_FALSE(Item("ItemSave9").checked);
}

TEST_F(MenusTest, SaveAndLoadAreDisabledWhenNoGameIsPlayed) {
    Script().SetGamePlaying(false);
    Menu({});
    EXPECT_FALSE(Item("ItemSave").enabled);
    EXPECT_FALSE(Item("ItemLoad").enabled);
    Platform().QueueMenu({"ItemSave", "ItemSave1"});
    Session().Step();
    EXPECT_NE(Platform().ScriptFault(), "");
}

TEST_F(MenusTest, LoadingReadsTheSlotStepsBackAndRestores) {
    State().Game.CurrentScene = 1;
    State().Game.ScriptStep = 1;
    State().Game.ScenarioVars[0] = 77;
    Platform().QueueDialogAnswer({Answer::Kind::Comment, true, u"a"});
    Menu({"ItemSave", "ItemSave4"});
    State().Game.ScenarioVars[0] = 0;
    Message().AddMsgLog(U"old", -1);
    TheEngine().Commands().ItemLoad1Click(4);
    EXPECT_EQ(State().Task, TaskCode::TASK_RESTORE_GAME);
    EXPECT_EQ(State().Game.ScriptStep, 0);
    EXPECT_EQ(State().Game.ScenarioVars[0], 77);
    Session().Tick();
    EXPECT_EQ(State().Task, TaskCode::TASK_EFFECT_91);
    EXPECT_EQ(State().ReturnTask, TaskCode::TASK_SCRIPT);
    EXPECT_EQ(TheEngine().TheStage().EffectState().Duration, 500);
    EXPECT_EQ(Script().GamePlaying(), 1);
}

TEST_F(MenusTest, SkipAutoAndReadSkipFollowTheLog) {
    Message().SetLogViewing(1);
    Menu({"ItemMsgSkip"});
    Menu({"ItemMsgKidoku"});
    Menu({"ItemMsgAuto"});
    EXPECT_EQ(Message().SkipMode(), 0);
    EXPECT_EQ(Message().ReadSkipMode(), 0);
    EXPECT_EQ(Message().AutoMode(), 0);

    Message().SetLogViewing(0);
    Menu({"ItemMsgAuto"});
    EXPECT_EQ(Message().AutoMode(), 1);
    EXPECT_TRUE(Item("ItemMsgAuto").checked);
    // Opening the menu again stops automatic advance, even without a choice.
    Menu({});
    EXPECT_EQ(Message().AutoMode(), 0);
    EXPECT_FALSE(Item("ItemMsgAuto").checked);

    Menu({"ItemMsgKidoku"});
    EXPECT_EQ(Message().ReadSkipMode(), 1);
    EXPECT_EQ(Message().SkipNow(), 1);
}

TEST_F(MenusTest, HideCaptionFollowsTheWindowAndTheFullScreenChoice) {
    Message().SetMsgWindowVisible(1);
    Menu({});
    EXPECT_EQ(Item("ItemMsgClear").caption, "ﾒｯｾｰｼﾞｳｨﾝﾄﾞｳの一時消去");
    EXPECT_TRUE(Item("ItemMsgFloat").enabled);
    Menu({"ItemMsgClear"});
    EXPECT_EQ(Message().MsgWindowVisible(), 0);
    Menu({});
    EXPECT_EQ(Item("ItemMsgClear").caption, "ﾒｯｾｰｼﾞｳｨﾝﾄﾞｳの表示");

    TheEngine().SetTask(TaskCode::TASK_WAIT_SELECT2);
    Message().SetSelect2Visible(1);
    TheEngine().TheStage().SceneImage().Fill(MakeColor(10, 20, 30));
    Menu({});
    EXPECT_FALSE(Item("ItemMsgFloat").enabled);
    EXPECT_EQ(Item("ItemMsgClear").caption, "ﾒｯｾｰｼﾞｳｨﾝﾄﾞｳの一時消去");
    TheEngine().SetTask(kParkedTask); // keep WaitSelect2 from drawing again
    TheEngine().SetTask(TaskCode::TASK_WAIT_SELECT2);
    TheEngine().Commands().ItemMsgClearClick();
    EXPECT_EQ(Message().Select2Visible(), 0);
    EXPECT_EQ(Platform().ClientSurface(WindowId::Main).GetColor(400, 300), MakeColor(10, 20, 30));
}

TEST_F(MenusTest, ReturnToTitleAnsweredNoResumesAndYesGoesToTheTitleCommand) {
    TheEngine().SetTask(TaskCode::TASK_WAIT_KEY);
    State().Game.ScriptStep = 1;
    Platform().QueueDialogAnswer({Answer::Kind::Query, false});
    Menu({"ItemTitle"});
    EXPECT_EQ(TheEngine().Commands().Query.Question, "タイトルに戻りますか？");
    EXPECT_EQ(State().Task, TaskCode::TASK_WAIT_KEY);
    EXPECT_EQ(State().Game.ScriptStep, 1);
    EXPECT_TRUE(TheEngine().FrameTimerEnabled());
    EXPECT_NE(Platform().AttachedMenu(), nullptr);

    // The idle scene 1 has no title command: it starts again from its first instruction.
    Platform().QueueDialogAnswer({Answer::Kind::Query, true});
    Menu({"ItemTitle"});
    EXPECT_EQ(State().Game.ScriptStep, -1);
    EXPECT_EQ(State().Task, TaskCode::TASK_SCRIPT);
    EXPECT_EQ(Platform().AttachedMenu(), nullptr);
    EXPECT_TRUE(TheEngine().FrameTimerEnabled());
}

TEST_F(MenusTest, SettingsDialogShowsTheSettingsAndStoresThemOnBack) {
    Answer answer{Answer::Kind::Config};
    answer.config_fields = {{"VoiceVolume", 40}, {"AutoDelay", 10}, {"TextSpeed", 3}, {"FullScreen", 1}};
    answer.config_back = false; // the close box
    Platform().QueueDialogAnswer(answer);
    Menu({"ItemOption"});
    const ConfigForm& f = TheEngine().Commands().Config;
    EXPECT_EQ(f.BgmVol(), 30);
    EXPECT_EQ(f.SeVol(), 100);
    EXPECT_EQ(f.DelayLabel, "設定時間：10秒");
    // The close box keeps the live volume only.
    EXPECT_EQ(State().System.VoiceVolume, 40);
    EXPECT_EQ(State().System.AutoDelay, 2);
    EXPECT_EQ(State().System.TextSpeed, 2);
    EXPECT_EQ(State().System.FullScreen, 0);
    EXPECT_EQ(Platform().FullScreenSwitches(), 0);

    answer.config_fields = {{"FullScreen", 1}, {"AutoDelay", 10}, {"EffectsOn", 0}};
    answer.config_back = true;
    Platform().QueueDialogAnswer(answer);
    Menu({"ItemOption"});
    EXPECT_EQ(State().System.FullScreen, 1);
    EXPECT_EQ(State().System.AutoDelay, 10);
    EXPECT_EQ(State().System.EffectsOn, 0);
    EXPECT_EQ(State().System.TextSpeed, 2) << "the speed group was not touched";
    EXPECT_EQ(Platform().FullScreenSwitches(), 1);
    EXPECT_TRUE(Platform().FullScreen());

    // Opening again and leaving with "戻る" without a change does not switch again.
    answer.config_fields.clear();
    Platform().QueueDialogAnswer(answer);
    Menu({"ItemOption"});
    EXPECT_EQ(Platform().FullScreenSwitches(), 1);
}

} // namespace
} // namespace hk::test
