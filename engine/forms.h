// The secondary forms of the game as the engine sees them: small classes that hold the state of
// their controls and run their button handlers. The platform draws them (real dialogs in the
// window build, a queue of scripted answers headless) and reports the player's actions by
// calling the handlers below.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hk {

// The yes/no question ("確認"), client area 288 x 91.
class TQueryForm {
public:
    static constexpr const char* kCaption = "確認";
    static constexpr int kClientWidth = 288;
    static constexpr int kClientHeight = 91;
    static constexpr const char* kOkCaption = "OK";
    static constexpr const char* kCancelCaption = "キャンセル";

    explicit TQueryForm(std::uint8_t& query_answer) : m_answer(query_answer) {}

    std::string Label1;  // the question, UTF-8
    int Left = 0;        // screen position of the dialog's top-left corner
    int Top = 0;

    void OkButtonClick() { m_answer = 1; }
    void CancelButtonClick() { m_answer = 0; }

private:
    std::uint8_t& m_answer;
};

// The save comment dialog ("セーブコメント"), client area 347 x 73.
class TCommentForm {
public:
    static constexpr const char* kCaption = "セーブコメント";
    static constexpr int kClientWidth = 347;
    static constexpr int kClientHeight = 73;

    explicit TCommentForm(std::uint8_t& query_answer) : m_answer(query_answer) {}

    std::u16string Edit1;    // the comment being edited
    std::u16string Comment;  // what Button1Click stored
    int Left = 0;
    int Top = 0;

    void Button1Click() {
        Comment = Edit1;
        m_answer = 1;
    }
    void Button2Click() { m_answer = 0; }

private:
    std::uint8_t& m_answer;
};

// The settings dialog ("環境設定"); its handlers live with the settings code of the main form.
class TConfigForm {
public:
    static constexpr const char* kCaption = "環境設定";
    bool EffOn = true, EffOff = false;
    bool ScrWin = true, ScrFull = false;
    bool MsgL = false, MsgM = true, MsgH = false;
    int MsgAuto = 1;   // 1..20
    int BgmVol = 0;    // 0..100
    int VoiceVol = 0;
    int SeVol = 0;
    std::string Label8;
    bool StoredByButton1 = false; // set by "戻る", clear when closed with the close box
};

// The debug window's labels and memo, shown by the platform while the window is visible.
class TDebugWindow {
public:
    static constexpr const char* kCaption = "DebugWindow -- HARUKAZE Ver.0.７1R2 --";
    std::string BGM_LABEL, MOUSE_LABEL, KEY_LABEL, TASK_LABEL, MSGLOG_LABEL, BgmLabel2;
    std::vector<std::string> Memo1;
};

} // namespace hk
