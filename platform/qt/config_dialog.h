// The settings dialog ("環境設定", TConfigForm) in the window build. It shows the form's fields in
// the game's layout and writes every change of a control straight back into the form; a slider
// goes through the form's setter, which runs the engine's change handler (live volumes, the delay
// label). "戻る" closes the dialog and then calls the form's OkButtonClick; leaving any other way
// stores nothing more. The dialog lives for the whole run, so it opens where the player left it.
#pragma once

#include "engine/forms.h"

#include <QDialog>

#include <string>

class QLabel;
class QRadioButton;
class QSlider;
class QPushButton;

namespace hk {

class ConfigDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 361;
    static constexpr int kClientHeight = 321;

    explicit ConfigDialog(QWidget* parent);

    // Fills the controls from the form (running no handler), shows the dialog modally and
    // returns when it closes.
    void Run(TConfigForm& form);
    // Fills the controls as Run does, without showing the dialog.
    void Load(TConfigForm& form);

    QRadioButton* EffOn() const { return m_eff_on; }
    QRadioButton* EffOff() const { return m_eff_off; }
    QRadioButton* ScrWin() const { return m_scr_win; }
    QRadioButton* ScrFull() const { return m_scr_full; }
    QRadioButton* MsgL() const { return m_msg_l; }
    QRadioButton* MsgM() const { return m_msg_m; }
    QRadioButton* MsgH() const { return m_msg_h; }
    QSlider* MsgAuto() const { return m_msg_auto; }
    QSlider* BgmVol() const { return m_bgm; }
    QSlider* VoiceVol() const { return m_voice; }
    QSlider* SeVol() const { return m_se; }
    QLabel* DelayLabel() const { return m_delay_label; }
    QPushButton* Button1() const { return m_back; }

private:
    // A slider moved: `set` is the form's setter for it.
    void SliderMoved(void (TConfigForm::*set)(int), int value);
    void ReadRadios();

    TConfigForm* m_form = nullptr;
    bool m_loading = false;
    QRadioButton *m_eff_on, *m_eff_off, *m_scr_win, *m_scr_full, *m_msg_l, *m_msg_m, *m_msg_h;
    QSlider *m_msg_auto, *m_bgm, *m_voice, *m_se;
    QLabel* m_delay_label;
    QPushButton* m_back;
};

// The text of DelayLabel for an automatic-advance delay of `seconds`.
std::string AutoDelayLabel(int seconds);

} // namespace hk
