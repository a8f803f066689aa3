// The settings dialog ("環境設定", ConfigForm) in the window build. It shows the form's fields in
// the game's layout and writes every change of a control straight back into the form; a slider
// goes through the form's setter, which runs the engine's change handler (live volumes, the delay
// label). "戻る" closes the dialog and then calls the form's OkButtonClick; leaving any other way
// stores nothing more. The dialog lives for the whole run, so its controls keep their state.
// The game's layout is kept as far as the style allows: a group box's controls start below the
// box's title as the style draws it, and the dialog grows by the few pixels that takes.
#pragma once

#include "engine/forms.h"
#include "engine/host.h"

#include <QDialog>

#include <string>
#include <vector>

class QGroupBox;
class QLabel;
class QRadioButton;
class QSlider;
class QPushButton;

namespace hk {

class ConfigDialog final : public QDialog {
    Q_OBJECT
public:
    // The game's client size; the style may make the dialog a few pixels taller.
    static constexpr int kClientWidth = 361;
    static constexpr int kClientHeight = 321;
    // Where the dialog's top-left corner goes, as a point of the game's 800x600 picture (the
    // game's own screen position when the picture fills an 800x600 display).
    static constexpr Point kPlaceOnPicture{12, 123};

    explicit ConfigDialog(QWidget* parent);

    // Fills the controls from the form (running no handler), shows the dialog modally and
    // returns when it closes.
    void Run(ConfigForm& form);
    // Fills the controls as Run does, without showing the dialog.
    void Load(ConfigForm& form);

    QRadioButton* EffectsOn() const { return m_eff_on; }
    QRadioButton* EffectsOff() const { return m_eff_off; }
    QRadioButton* Windowed() const { return m_scr_win; }
    QRadioButton* FullScreen() const { return m_scr_full; }
    QRadioButton* SpeedSlow() const { return m_msg_l; }
    QRadioButton* SpeedStandard() const { return m_msg_m; }
    QRadioButton* SpeedFast() const { return m_msg_h; }
    QSlider* MsgAuto() const { return m_msg_auto; }
    QSlider* BgmVol() const { return m_bgm; }
    QSlider* VoiceVol() const { return m_voice; }
    QSlider* SeVol() const { return m_se; }
    QLabel* DelayLabel() const { return m_delay_label; }
    QPushButton* BackButton() const { return m_back; }

private:
    void FitGroupsToStyle(const std::vector<QGroupBox*>& groups);
    // A slider moved: `set` is the form's setter for it.
    void SliderMoved(void (ConfigForm::*set)(int), int value);
    void ReadRadios();

    ConfigForm* m_config = nullptr;
    bool m_loading = false;
    QRadioButton *m_eff_on, *m_eff_off, *m_scr_win, *m_scr_full, *m_msg_l, *m_msg_m, *m_msg_h;
    QSlider *m_msg_auto, *m_bgm, *m_voice, *m_se;
    QLabel* m_delay_label;
    QPushButton* m_back;
};

// The text of DelayLabel for an automatic-advance delay of `seconds`.
std::string AutoDelayLabel(int seconds);

} // namespace hk
