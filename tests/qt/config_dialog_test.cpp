// The settings dialog: the game's layout, filling from the form (clamped, silently), live
// reports of every control, and "戻る" against the close box.
#include "platform/qt/config_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <gtest/gtest.h>

#include <map>

namespace hk::test {
namespace {

TConfigForm Defaults() {
    TConfigForm form; // effects on, window, normal speed
    form.SetMsgAuto(2);
    form.SetBgmVol(30);
    form.SetVoiceVol(100);
    form.SetSeVol(100);
    form.DelayLabel = "設定時間：2秒";
    return form;
}

using Calls = std::vector<std::pair<std::string, int>>;

TEST(ConfigDialog, HasTheGameLayout) {
    ConfigDialog dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("環境設定"));
    EXPECT_EQ(dialog.size(), QSize(361, 321));
    EXPECT_EQ(dialog.pos(), QPoint(12, 123));
    std::map<QString, QRect> where;
    for (const QGroupBox* group : dialog.findChildren<QGroupBox*>())
        where[group->title()] = group->geometry();
    EXPECT_EQ(where[QStringLiteral("画面効果")], QRect(8, 8, 169, 65));
    EXPECT_EQ(where[QStringLiteral("画面モード")], QRect(184, 8, 169, 65));
    EXPECT_EQ(where[QStringLiteral("メッセージ表示")], QRect(8, 80, 169, 73));
    EXPECT_EQ(where[QStringLiteral("メッセージ自動進行")], QRect(184, 80, 169, 73));
    EXPECT_EQ(where[QStringLiteral("ボリューム")], QRect(8, 160, 345, 121));
    EXPECT_EQ(dialog.ScrFull()->geometry(), QRect(16, 40, 113, 17));
    EXPECT_EQ(dialog.ScrFull()->text(), QStringLiteral("フルスクリーン"));
    EXPECT_EQ(dialog.MsgH()->geometry(), QRect(8, 48, 113, 17));
    EXPECT_EQ(dialog.MsgAuto()->geometry(), QRect(8, 32, 145, 25));
    EXPECT_EQ(dialog.MsgAuto()->minimum(), 1);
    EXPECT_EQ(dialog.MsgAuto()->maximum(), 20);
    EXPECT_EQ(dialog.SeVol()->geometry(), QRect(64, 76, 265, 25));
    EXPECT_EQ(dialog.SeVol()->maximum(), 100);
    EXPECT_EQ(dialog.DelayLabel()->pos(), QPoint(72, 16));
    EXPECT_EQ(dialog.Button1()->geometry(), QRect(272, 288, 75, 25));
    EXPECT_EQ(dialog.Button1()->text(), QStringLiteral("戻る"));
}

TEST(ConfigDialog, FillsFromTheFormWithoutRunningItsHandlers) {
    ConfigDialog dialog(nullptr);
    Calls calls;
    TConfigForm form = Defaults();
    form.OnBgmVolChange = [&calls]() { calls.emplace_back("OnBgmVolChange", 0); };
    form.OnMsgAutoChange = [&calls]() { calls.emplace_back("OnMsgAutoChange", 0); };
    form.SetEffects(false);
    form.SetFullScreen(true);
    calls.clear();
    dialog.Load(form);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(dialog.EffOff()->isChecked());
    EXPECT_FALSE(dialog.EffOn()->isChecked());
    EXPECT_TRUE(dialog.ScrFull()->isChecked());
    EXPECT_TRUE(dialog.MsgM()->isChecked());
    EXPECT_EQ(dialog.BgmVol()->value(), 30);
    EXPECT_EQ(dialog.VoiceVol()->value(), 100);
    EXPECT_EQ(dialog.MsgAuto()->value(), 2);
    EXPECT_EQ(dialog.DelayLabel()->text(), QStringLiteral("設定時間：2秒"));
}

TEST(ConfigDialog, ControlsWriteTheFormAndRunItsHandlersAsTheyMove) {
    ConfigDialog dialog(nullptr);
    Calls calls;
    TConfigForm form = Defaults();
    form.OnVoiceVolChange = [&calls, &form]() { calls.emplace_back("OnVoiceVolChange", form.VoiceVol()); };
    form.OnMsgAutoChange = [&calls, &form]() {
        calls.emplace_back("OnMsgAutoChange", form.MsgAuto());
        form.DelayLabel = "delay " + std::to_string(form.MsgAuto());
    };
    dialog.Load(form);
    dialog.VoiceVol()->setValue(40);
    EXPECT_EQ(form.VoiceVol(), 40);
    EXPECT_EQ(form.BgmVol(), 30);
    dialog.MsgAuto()->setValue(5);
    EXPECT_EQ(form.MsgAuto(), 5);
    EXPECT_EQ(dialog.DelayLabel()->text(), QStringLiteral("delay 5")) << "the label shows what the handler wrote";
    dialog.ScrFull()->click();
    EXPECT_TRUE(form.ScrFull);
    EXPECT_FALSE(form.ScrWin);
    dialog.MsgH()->click();
    EXPECT_TRUE(form.MsgH);
    EXPECT_FALSE(form.MsgM);
    EXPECT_EQ(calls, (Calls{{"OnVoiceVolChange", 40}, {"OnMsgAutoChange", 5}}));
}

TEST(ConfigDialog, DelayLabelFollowsItsSliderWithoutAHandler) {
    ConfigDialog dialog(nullptr);
    TConfigForm form = Defaults();
    dialog.Load(form);
    dialog.MsgAuto()->setValue(20);
    EXPECT_EQ(form.DelayLabel, "設定時間：20秒");
    EXPECT_EQ(dialog.DelayLabel()->text(), QStringLiteral("設定時間：20秒"));
}

TEST(ConfigDialog, BackButtonStoresAfterClosingAndTheCloseBoxDoesNot) {
    ConfigDialog dialog(nullptr);
    TConfigForm form = Defaults();
    int stored = 0;
    bool open_while_storing = true;
    form.OnOkButtonClick = [&]() {
        ++stored;
        open_while_storing = dialog.isVisible();
    };
    dialog.Load(form);
    dialog.show();
    dialog.Button1()->click();
    EXPECT_EQ(stored, 1);
    EXPECT_FALSE(open_while_storing);
    dialog.Load(form);
    dialog.show();
    dialog.close();
    EXPECT_EQ(stored, 1);
}

TEST(ConfigDialog, KeepsTheSpeedChoiceWhenTheFormNamesNone) {
    ConfigDialog dialog(nullptr);
    TConfigForm form = Defaults();
    form.SetTextSpeed(1);
    dialog.Load(form);
    TConfigForm odd = Defaults();
    odd.MsgL = odd.MsgM = odd.MsgH = false;
    dialog.Load(odd);
    EXPECT_TRUE(dialog.MsgL()->isChecked());
    EXPECT_TRUE(odd.MsgL) << "the form follows what the dialog shows";
}

} // namespace
} // namespace hk::test
