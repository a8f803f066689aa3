#include "platform/qt/config_dialog.h"

#include "platform/qt/dialogs.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <map>

namespace hk {

namespace {

QGroupBox* MakeGroup(QWidget* parent, const char* title, int x, int y, int w, int h) {
    auto* group = new QGroupBox(QString::fromUtf8(title), parent);
    group->setGeometry(x, y, w, h);
    return group;
}

QRadioButton* MakeRadio(QGroupBox* group, const char* name, const char* caption, int x, int y, int w) {
    auto* radio = new QRadioButton(QString::fromUtf8(caption), group);
    radio->setObjectName(QString::fromLatin1(name));
    radio->setGeometry(x, y, w, 17);
    return radio;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, int x, int y) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(x, y);
    label->adjustSize();
    return label;
}

QSlider* MakeSlider(QGroupBox* group, const char* name, int x, int y, int w, int min, int max) {
    auto* slider = new QSlider(Qt::Horizontal, group);
    slider->setObjectName(QString::fromLatin1(name));
    slider->setGeometry(x, y, w, 25);
    slider->setRange(min, max);
    slider->setSingleStep(1);
    slider->setPageStep(1);
    slider->setTickPosition(QSlider::NoTicks);
    return slider;
}

} // namespace

std::string AutoDelayLabel(int seconds) {
    return "設定時間：" + std::to_string(seconds) + "秒";
}

void ConfigDialog::FitGroupsToStyle(const std::vector<QGroupBox*>& groups) {
    // The game's positions are relative to each box's outer corner, for a toolkit whose box titles
    // take less room than Qt's styles give them. Each box keeps its controls' positions relative
    // to one another, moved only as far right and down as the style's frame and title need; the
    // box grows by what that takes, the boxes of one row to the same height, and what lies below
    // moves down with them.
    std::map<int, int> row_growth; // design top of a row of boxes -> how much taller its boxes get
    for (QGroupBox* group : groups) {
        const QMargins frame = group->contentsMargins();
        QRect used;
        for (QWidget* control : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            used |= control->geometry();
        const int dx = std::max(0, frame.left() - used.left());
        const int dy = std::max(0, frame.top() - used.top());
        for (QWidget* control : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            control->move(control->pos() + QPoint(dx, dy));
        const int needed = used.bottom() + 1 + dy + frame.bottom();
        int& growth = row_growth[group->y()];
        growth = std::max(growth, needed - group->height());
    }
    auto below = [&row_growth](int y) {
        int shift = 0;
        for (const auto& [top, growth] : row_growth)
            if (top < y)
                shift += growth;
        return shift;
    };
    for (QGroupBox* group : groups) {
        const int top = group->y();
        group->setGeometry(group->x(), top + below(top), group->width(), group->height() + row_growth[top]);
    }
    const int total = below(kClientHeight);
    m_back->move(m_back->x(), m_back->y() + total);
    setFixedSize(kClientWidth, kClientHeight + total);
}

ConfigDialog::ConfigDialog(QWidget* parent) : QDialog(parent) {
    MakeFixedDialog(*this, ConfigForm::kCaption, kClientWidth, kClientHeight);

    QGroupBox* effects = MakeGroup(this, "画面効果", 8, 8, 169, 65);
    m_eff_on = MakeRadio(effects, "EffectsOn", "あり", 16, 16, 65);
    m_eff_off = MakeRadio(effects, "EffectsOff", "なし", 16, 40, 65);

    QGroupBox* mode = MakeGroup(this, "画面モード", 184, 8, 169, 65);
    m_scr_win = MakeRadio(mode, "Windowed", "標準ウィンドウ", 16, 16, 113);
    m_scr_full = MakeRadio(mode, "FullScreen", "フルスクリーン", 16, 40, 113);

    QGroupBox* speed = MakeGroup(this, "メッセージ表示", 8, 80, 169, 73);
    m_msg_l = MakeRadio(speed, "SpeedSlow", "おそい", 8, 16, 113);
    m_msg_m = MakeRadio(speed, "SpeedStandard", "標準", 8, 32, 113);
    m_msg_h = MakeRadio(speed, "SpeedFast", "はやい", 8, 48, 113);

    QGroupBox* automatic = MakeGroup(this, "メッセージ自動進行", 184, 80, 169, 73);
    // Laid out with its widest text, so the box leaves room for every delay it can show.
    m_delay_label = MakeLabel(automatic, "DelayLabel", AutoDelayLabel(20).c_str(), 72, 16);
    m_msg_auto = MakeSlider(automatic, "MsgAuto", 8, 32, 145, 1, 20);
    MakeLabel(automatic, "AutoDelayMinLabel", "1秒", 11, 56);
    MakeLabel(automatic, "AutoDelayMaxLabel", "20秒", 136, 56);

    QGroupBox* volume = MakeGroup(this, "ボリューム", 8, 160, 345, 121);
    MakeLabel(volume, "BgmVolumeLabel", "ＢＧＭ", 16, 16);
    m_bgm = MakeSlider(volume, "BgmVol", 64, 12, 265, 0, 100);
    MakeLabel(volume, "VoiceVolumeLabel", "ボイス", 16, 48);
    m_voice = MakeSlider(volume, "VoiceVol", 64, 44, 265, 0, 100);
    MakeLabel(volume, "SeVolumeLabel", "効果音", 16, 80);
    m_se = MakeSlider(volume, "SeVol", 64, 76, 265, 0, 100);
    MakeLabel(volume, "VolumeMinLabel", "小", 64, 104);
    MakeLabel(volume, "VolumeMaxLabel", "大", 312, 104);

    m_back = new QPushButton(QStringLiteral("戻る"), this);
    m_back->setObjectName(QStringLiteral("BackButton"));
    m_back->setGeometry(272, 288, 75, 25);
    m_back->setDefault(true);
    FitGroupsToStyle({effects, mode, speed, automatic, volume});

    for (QRadioButton* radio : {m_eff_on, m_eff_off, m_scr_win, m_scr_full, m_msg_l, m_msg_m, m_msg_h})
        connect(radio, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                ReadRadios();
        });
    connect(m_msg_auto, &QSlider::valueChanged, this, [this](int v) { SliderMoved(&ConfigForm::SetMsgAuto, v); });
    connect(m_bgm, &QSlider::valueChanged, this, [this](int v) { SliderMoved(&ConfigForm::SetBgmVol, v); });
    connect(m_voice, &QSlider::valueChanged, this, [this](int v) { SliderMoved(&ConfigForm::SetVoiceVol, v); });
    connect(m_se, &QSlider::valueChanged, this, [this](int v) { SliderMoved(&ConfigForm::SetSeVol, v); });
    connect(m_back, &QPushButton::clicked, this, [this]() {
        // Close first: "戻る" may switch the screen mode, which should not happen under the dialog.
        ConfigForm* form = m_config;
        accept();
        if (form)
            form->OkButtonClick();
    });
}

void ConfigDialog::Load(ConfigForm& form) {
    m_config = &form;
    m_loading = true;
    m_eff_on->setChecked(form.EffectsOn);
    m_eff_off->setChecked(form.EffectsOff);
    m_scr_win->setChecked(form.Windowed);
    m_scr_full->setChecked(form.FullScreen);
    // A radio group with none of its fields set keeps the buttons as they were.
    if (form.SpeedSlow || form.SpeedStandard || form.SpeedFast) {
        m_msg_l->setChecked(form.SpeedSlow);
        m_msg_m->setChecked(form.SpeedStandard);
        m_msg_h->setChecked(form.SpeedFast);
    }
    auto load = [](QSlider* slider, int value) {
        const QSignalBlocker quiet(slider);
        slider->setValue(value);
    };
    load(m_msg_auto, form.MsgAuto());
    load(m_bgm, form.BgmVol());
    load(m_voice, form.VoiceVol());
    load(m_se, form.SeVol());
    if (form.DelayLabel.empty())
        form.DelayLabel = AutoDelayLabel(form.MsgAuto());
    m_delay_label->setText(QString::fromStdString(form.DelayLabel));
    m_delay_label->adjustSize();
    m_loading = false;
    // The radio buttons' own state is what the form holds now (a group may have kept its old
    // choice); read it back so the form and the screen agree.
    form.EffectsOn = m_eff_on->isChecked();
    form.EffectsOff = m_eff_off->isChecked();
    form.Windowed = m_scr_win->isChecked();
    form.FullScreen = m_scr_full->isChecked();
    form.SpeedSlow = m_msg_l->isChecked();
    form.SpeedStandard = m_msg_m->isChecked();
    form.SpeedFast = m_msg_h->isChecked();
}

void ConfigDialog::Run(ConfigForm& form) {
    Load(form);
    exec();
    m_config = nullptr;
}

void ConfigDialog::ReadRadios() {
    if (m_loading || !m_config)
        return;
    ConfigForm& f = *m_config;
    // Radios of one group are exclusive: the fields of the whole group follow the buttons.
    f.EffectsOn = m_eff_on->isChecked();
    f.EffectsOff = m_eff_off->isChecked();
    f.Windowed = m_scr_win->isChecked();
    f.FullScreen = m_scr_full->isChecked();
    f.SpeedSlow = m_msg_l->isChecked();
    f.SpeedStandard = m_msg_m->isChecked();
    f.SpeedFast = m_msg_h->isChecked();
}

void ConfigDialog::SliderMoved(void (ConfigForm::*set)(int), int value) {
    if (m_loading || !m_config)
        return;
    ConfigForm& f = *m_config;
    (f.*set)(value);
    // Without the engine's handler the label still follows its slider.
    if (set == &ConfigForm::SetMsgAuto && !f.OnMsgAutoChange)
        f.DelayLabel = AutoDelayLabel(f.MsgAuto());
    m_delay_label->setText(QString::fromStdString(f.DelayLabel));
    m_delay_label->adjustSize();
}

} // namespace hk
