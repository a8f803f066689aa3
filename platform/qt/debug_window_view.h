// The debug window (DebugForm) in the window build: a small always-on-top tool window at the
// screen's top-left corner with live labels, a memo and five buttons. It refuses to close; the
// game shows or hides it. Show() is called every tick while it is visible, so it only touches the
// widgets whose text changed.
#pragma once

#include "engine/forms.h"

#include <QWidget>

#include <array>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace hk {

class DebugWindowView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 624;
    static constexpr int kClientHeight = 199;

    DebugWindowView();

    // Shows the labels and the memo of `window`.
    void Show(const DebugForm& window);

    // The buttons ("CG/SC SET" .. "ﾒｯｾｰｼﾞﾛｸﾞ"), numbered 1..5.
    std::function<void(int button)> on_button;

    QLabel* Label(const char* name) const;
    QPlainTextEdit* Listing() const { return m_memo; }
    QPushButton* Button(int number) const { return m_buttons.at(static_cast<std::size_t>(number - 1)); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::array<QLabel*, 6> m_labels{}; // BGM, MOUSE, KEY, TASK, MSGLOG, BgmFileLabel
    std::array<std::string, 6> m_label_texts;
    QPlainTextEdit* m_memo;
    std::vector<std::string> m_memo_lines;
    std::array<QPushButton*, 5> m_buttons{};
};

} // namespace hk
