// The secondary forms of the game as the engine sees them: small classes that hold the state of
// their controls and run their button handlers. The platform draws them (real dialogs in the
// window build, a queue of scripted answers headless) and reports the player's actions by
// calling the handlers below.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace hk {

// The yes/no question ("確認"), client area 288 x 91.
class QueryForm {
public:
    static constexpr const char* kCaption = "確認";
    static constexpr int kClientWidth = 288;
    static constexpr int kClientHeight = 91;
    static constexpr const char* kOkCaption = "OK";
    static constexpr const char* kCancelCaption = "キャンセル";

    explicit QueryForm(std::uint8_t& query_answer) : m_answer(query_answer) {}

    std::string Question; // UTF-8
    int Left = 0;         // screen position of the dialog's top-left corner
    int Top = 0;

    void OkButtonClick() { m_answer = 1; }
    void CancelButtonClick() { m_answer = 0; }

private:
    std::uint8_t& m_answer;
};

// The save comment dialog ("セーブコメント"), client area 347 x 73.
class CommentForm {
public:
    static constexpr const char* kCaption = "セーブコメント";
    static constexpr int kClientWidth = 347;
    static constexpr int kClientHeight = 73;

    explicit CommentForm(std::uint8_t& query_answer) : m_answer(query_answer) {}

    std::u16string CommentEdit; // the comment being edited
    std::u16string Comment;     // what OkButtonClick stored
    int Left = 0;
    int Top = 0;

    void OkButtonClick() {
        Comment = CommentEdit;
        m_answer = 1;
    }
    void CancelButtonClick() { m_answer = 0; }

private:
    std::uint8_t& m_answer;
};

// The settings dialog ("環境設定"). Moving a slider, by the player or from code, runs its change
// handler when the value really changes (values are clamped to the slider's range); the handlers
// and "戻る" are the main form's and are set when the form is created.
class ConfigForm {
public:
    static constexpr const char* kCaption = "環境設定";
    static constexpr int kClientWidth = 361;
    static constexpr int kClientHeight = 321;

    // Radio groups: exactly one of each group is checked.
    bool EffectsOn = true, EffectsOff = false;
    bool Windowed = true, FullScreen = false;
    bool SpeedSlow = false, SpeedStandard = true, SpeedFast = false;
    std::string DelayLabel = "設定時間：1秒";

    int MsgAuto() const { return m_msg_auto; }   // 1..20
    int BgmVol() const { return m_bgm_vol; }     // 0..100
    int VoiceVol() const { return m_voice_vol; } // 0..100
    int SeVol() const { return m_se_vol; }       // 0..100
    void SetMsgAuto(int value) { Set(m_msg_auto, value, 1, 20, OnMsgAutoChange); }
    void SetBgmVol(int value) { Set(m_bgm_vol, value, 0, 100, OnBgmVolChange); }
    void SetVoiceVol(int value) { Set(m_voice_vol, value, 0, 100, OnVoiceVolChange); }
    void SetSeVol(int value) { Set(m_se_vol, value, 0, 100, OnSeVolChange); }

    void SetEffects(bool on) {
        EffectsOn = on;
        EffectsOff = !on;
    }
    void SetFullScreen(bool full) {
        FullScreen = full;
        Windowed = !full;
    }
    // 1 slow, 2 standard, 3 fast; other values leave the buttons as they are.
    void SetTextSpeed(int speed) {
        if (speed >= 1 && speed <= 3) {
            SpeedSlow = speed == 1;
            SpeedStandard = speed == 2;
            SpeedFast = speed == 3;
        }
    }
    // Sets a control by the name of the setting it shows ("BgmVolume", "TextSpeed", ...), as the
    // player would; false for an unknown name.
    bool SetControl(const std::string& setting, int value) {
        if (setting == "EffectsOn")
            SetEffects(value != 0);
        else if (setting == "FullScreen")
            SetFullScreen(value != 0);
        else if (setting == "TextSpeed")
            SetTextSpeed(value);
        else if (setting == "AutoDelay")
            SetMsgAuto(value);
        else if (setting == "BgmVolume")
            SetBgmVol(value);
        else if (setting == "VoiceVolume")
            SetVoiceVol(value);
        else if (setting == "SeVolume")
            SetSeVol(value);
        else
            return false;
        return true;
    }

    // "戻る": stores everything; the platform closes the dialog afterwards.
    void OkButtonClick() {
        if (OnOkButtonClick)
            OnOkButtonClick();
    }

    std::function<void()> OnMsgAutoChange, OnBgmVolChange, OnVoiceVolChange, OnSeVolChange, OnOkButtonClick;

private:
    static void Set(int& slot, int value, int low, int high, const std::function<void()>& handler) {
        value = value < low ? low : value > high ? high : value;
        if (value == slot)
            return;
        slot = value;
        if (handler)
            handler();
    }

    int m_msg_auto = 1, m_bgm_vol = 0, m_voice_vol = 0, m_se_vol = 0;
};

// The debug window's labels and memo, shown by the platform while the window is visible.
class DebugForm {
public:
    static constexpr const char* kCaption = "DebugWindow -- HARUKAZE Ver.0.７1R2 --";
    std::string BgmLabel, MouseLabel, KeyLabel, TaskLabel, MsgLogLabel, BgmFileLabel;
    std::vector<std::string> Listing;
};

} // namespace hk
