// The settings dialog: the game's layout with nothing clipped under each of Qt's styles, filling
// from the form (clamped, silently), live reports of every control, and "戻る" against the close
// box.
#include "platform/qt/config_dialog.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>

#include <gtest/gtest.h>

#include <map>

namespace hk::test {
namespace {

ConfigForm Defaults() {
    ConfigForm form; // effects on, window, normal speed
    form.SetMsgAuto(2);
    form.SetBgmVol(30);
    form.SetVoiceVol(100);
    form.SetSeVol(100);
    form.DelayLabel = "設定時間：2秒";
    return form;
}

using Calls = std::vector<std::pair<std::string, int>>;

// The game's layout: each box at its place in the dialog, each control at its place in its box.
struct DesignedControl {
    const char* name;
    QRect place; // in the box; a label's size is its text's
};
struct DesignedGroup {
    const char* title;
    QRect place;
    std::vector<DesignedControl> controls;
};
const std::vector<DesignedGroup> kDesign = {
    {"画面効果", {8, 8, 169, 65}, {{"EffectsOn", {16, 16, 65, 17}}, {"EffectsOff", {16, 40, 65, 17}}}},
    {"画面モード", {184, 8, 169, 65}, {{"Windowed", {16, 16, 113, 17}}, {"FullScreen", {16, 40, 113, 17}}}},
    {"メッセージ表示",
     {8, 80, 169, 73},
     {{"SpeedSlow", {8, 16, 113, 17}}, {"SpeedStandard", {8, 32, 113, 17}}, {"SpeedFast", {8, 48, 113, 17}}}},
    {"メッセージ自動進行",
     {184, 80, 169, 73},
     {{"DelayLabel", {72, 16, 0, 0}},
      {"MsgAuto", {8, 32, 145, 25}},
      {"AutoDelayMinLabel", {11, 56, 0, 0}},
      {"AutoDelayMaxLabel", {136, 56, 0, 0}}}},
    {"ボリューム",
     {8, 160, 345, 121},
     {{"BgmVolumeLabel", {16, 16, 0, 0}},
      {"BgmVol", {64, 12, 265, 25}},
      {"VoiceVolumeLabel", {16, 48, 0, 0}},
      {"VoiceVol", {64, 44, 265, 25}},
      {"SeVolumeLabel", {16, 80, 0, 0}},
      {"SeVol", {64, 76, 265, 25}},
      {"VolumeMinLabel", {64, 104, 0, 0}},
      {"VolumeMaxLabel", {312, 104, 0, 0}}}},
};

// The room a control's caption gets: a radio button's text area beside its indicator, a label's
// whole width.
int CaptionRoom(const QWidget& control) {
    if (const auto* radio = qobject_cast<const QRadioButton*>(&control)) {
        QStyleOptionButton option;
        option.initFrom(radio);
        option.text = radio->text();
        return radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, radio).width();
    }
    return control.width();
}

QString Caption(const QWidget& control) {
    if (const auto* radio = qobject_cast<const QRadioButton*>(&control))
        return radio->text();
    if (const auto* label = qobject_cast<const QLabel*>(&control))
        return label->text();
    return {};
}

// Checks the dialog as laid out under the application's current style.
void ExpectGameLayoutUnclipped(const QString& style) {
    SCOPED_TRACE(style.toStdString());
    ConfigDialog dialog(nullptr);
    ConfigForm form = Defaults();
    form.SetMsgAuto(20); // the widest delay text
    form.DelayLabel = AutoDelayLabel(20);
    dialog.Load(form);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("環境設定"));
    EXPECT_EQ(dialog.width(), 361);
    EXPECT_GE(dialog.height(), 321);
    EXPECT_LE(dialog.height(), 321 + 16) << "the dialog grows by a few pixels at most";

    int grown_above = 0; // how much the rows above have grown
    int row_top = 8, row_growth = 0;
    for (const DesignedGroup& designed : kDesign) {
        SCOPED_TRACE(designed.title);
        const QString title = QString::fromUtf8(designed.title);
        QGroupBox* group = nullptr;
        for (QGroupBox* candidate : dialog.findChildren<QGroupBox*>())
            if (candidate->title() == title)
                group = candidate;
        ASSERT_NE(group, nullptr);
        if (designed.place.y() != row_top) {
            grown_above += row_growth;
            row_top = designed.place.y();
            row_growth = 0;
        }
        const int growth = group->height() - designed.place.height();
        row_growth = std::max(row_growth, growth);
        EXPECT_GE(growth, 0);
        EXPECT_EQ(group->geometry().topLeft(), designed.place.topLeft() + QPoint(0, grown_above));
        EXPECT_EQ(group->width(), designed.place.width());
        const QFontMetrics title_metrics(group->font());
        EXPECT_LE(title_metrics.horizontalAdvance(title) + 16, group->width()) << "the title fits its box";

        const QRect contents = group->contentsRect();
        const QWidget* first = group->findChild<QWidget*>(QString::fromLatin1(designed.controls[0].name));
        ASSERT_NE(first, nullptr);
        for (const DesignedControl& control_design : designed.controls) {
            SCOPED_TRACE(control_design.name);
            const QWidget* control = group->findChild<QWidget*>(QString::fromLatin1(control_design.name));
            ASSERT_NE(control, nullptr);
            // The game's arrangement inside the box, moved as one.
            EXPECT_EQ(control->pos() - first->pos(),
                      control_design.place.topLeft() - designed.controls[0].place.topLeft());
            if (!control_design.place.isEmpty()) {
                EXPECT_EQ(control->size(), control_design.place.size());
            }
            EXPECT_TRUE(contents.contains(control->geometry()))
                << "control at " << control->x() << "," << control->y() << " " << control->width() << "x"
                << control->height() << " is not inside the box's contents " << contents.x() << "," << contents.y()
                << " " << contents.width() << "x" << contents.height();
            const QString caption = Caption(*control);
            if (caption.isEmpty())
                continue;
            const QFontMetrics metrics(control->font());
            EXPECT_LE(metrics.horizontalAdvance(caption), CaptionRoom(*control)) << caption.toStdString();
            EXPECT_LE(metrics.height(), control->height()) << caption.toStdString();
            if (qobject_cast<const QRadioButton*>(control)) {
                EXPECT_LE(control->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight, nullptr, control),
                          control->height());
            }
        }
    }
    grown_above += row_growth;
    EXPECT_EQ(dialog.height(), 321 + grown_above);
    EXPECT_EQ(dialog.BackButton()->geometry(), QRect(272, 288 + grown_above, 75, 25));
    EXPECT_EQ(dialog.BackButton()->text(), QStringLiteral("戻る"));
    EXPECT_LE(QFontMetrics(dialog.BackButton()->font()).horizontalAdvance(dialog.BackButton()->text()),
              dialog.BackButton()->width());
    EXPECT_EQ(dialog.MsgAuto()->minimum(), 1);
    EXPECT_EQ(dialog.MsgAuto()->maximum(), 20);
    EXPECT_EQ(dialog.SeVol()->maximum(), 100);
}

TEST(ConfigDialog, HasTheGameLayoutWithNothingClippedUnderEveryStyle) {
    const QString original = QApplication::style()->name();
    ExpectGameLayoutUnclipped(original);
    for (const QString& name : QStyleFactory::keys()) {
        QApplication::setStyle(QStyleFactory::create(name));
        ExpectGameLayoutUnclipped(name);
    }
    QApplication::setStyle(QStyleFactory::create(original));
    EXPECT_TRUE(QStyleFactory::keys().contains(QStringLiteral("Fusion"), Qt::CaseInsensitive));
}

TEST(ConfigDialog, FillsFromTheFormWithoutRunningItsHandlers) {
    ConfigDialog dialog(nullptr);
    Calls calls;
    ConfigForm form = Defaults();
    form.OnBgmVolChange = [&calls]() { calls.emplace_back("OnBgmVolChange", 0); };
    form.OnMsgAutoChange = [&calls]() { calls.emplace_back("OnMsgAutoChange", 0); };
    form.SetEffects(false);
    form.SetFullScreen(true);
    calls.clear();
    dialog.Load(form);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(dialog.EffectsOff()->isChecked());
    EXPECT_FALSE(dialog.EffectsOn()->isChecked());
    EXPECT_TRUE(dialog.FullScreen()->isChecked());
    EXPECT_TRUE(dialog.SpeedStandard()->isChecked());
    EXPECT_EQ(dialog.BgmVol()->value(), 30);
    EXPECT_EQ(dialog.VoiceVol()->value(), 100);
    EXPECT_EQ(dialog.MsgAuto()->value(), 2);
    EXPECT_EQ(dialog.DelayLabel()->text(), QStringLiteral("設定時間：2秒"));
}

TEST(ConfigDialog, ControlsWriteTheFormAndRunItsHandlersAsTheyMove) {
    ConfigDialog dialog(nullptr);
    Calls calls;
    ConfigForm form = Defaults();
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
    dialog.FullScreen()->click();
    EXPECT_TRUE(form.FullScreen);
    EXPECT_FALSE(form.Windowed);
    dialog.SpeedFast()->click();
    EXPECT_TRUE(form.SpeedFast);
    EXPECT_FALSE(form.SpeedStandard);
    EXPECT_EQ(calls, (Calls{{"OnVoiceVolChange", 40}, {"OnMsgAutoChange", 5}}));
}

TEST(ConfigDialog, DelayLabelFollowsItsSliderWithoutAHandler) {
    ConfigDialog dialog(nullptr);
    ConfigForm form = Defaults();
    dialog.Load(form);
    dialog.MsgAuto()->setValue(20);
    EXPECT_EQ(form.DelayLabel, "設定時間：20秒");
    EXPECT_EQ(dialog.DelayLabel()->text(), QStringLiteral("設定時間：20秒"));
}

TEST(ConfigDialog, BackButtonStoresAfterClosingAndTheCloseBoxDoesNot) {
    ConfigDialog dialog(nullptr);
    ConfigForm form = Defaults();
    int stored = 0;
    bool open_while_storing = true;
    form.OnOkButtonClick = [&]() {
        ++stored;
        open_while_storing = dialog.isVisible();
    };
    dialog.Load(form);
    dialog.show();
    dialog.BackButton()->click();
    EXPECT_EQ(stored, 1);
    EXPECT_FALSE(open_while_storing);
    dialog.Load(form);
    dialog.show();
    dialog.close();
    EXPECT_EQ(stored, 1);
}

TEST(ConfigDialog, KeepsTheSpeedChoiceWhenTheFormNamesNone) {
    ConfigDialog dialog(nullptr);
    ConfigForm form = Defaults();
    form.SetTextSpeed(1);
    dialog.Load(form);
    ConfigForm odd = Defaults();
    odd.SpeedSlow = odd.SpeedStandard = odd.SpeedFast = false;
    dialog.Load(odd);
    EXPECT_TRUE(dialog.SpeedSlow()->isChecked());
    EXPECT_TRUE(odd.SpeedSlow) << "the form follows what the dialog shows";
}

} // namespace
} // namespace hk::test
