#include "platform/qt/debug_window_view.h"

#include "platform/qt/dialogs.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace hk {

namespace {

struct LabelPlace {
    const char* name;
    int x, y;
};
constexpr LabelPlace kLabels[] = {
    {"BgmLabel", 8, 8},   {"MouseLabel", 8, 24},  {"KeyLabel", 8, 40},
    {"TaskLabel", 8, 56}, {"MsgLogLabel", 8, 72}, {"BgmFileLabel", 360, 40},
};

struct ButtonPlace {
    const char* caption;
    int x, y;
};
constexpr ButtonPlace kButtons[] = {
    {"CG/SC SET", 360, 8}, {"CG/SC CLR", 440, 8}, {"CG/SC RND", 520, 8}, {"変数表示", 16, 168}, {"ﾒｯｾｰｼﾞﾛｸﾞ", 96, 168},
};

} // namespace

DebugWindowView::DebugWindowView()
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QString::fromUtf8(DebugForm::kCaption));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(GameFont("ＭＳ Ｐゴシック", 12));
    // Appearing must not take the keyboard from the game.
    setAttribute(Qt::WA_ShowWithoutActivating);
    move(0, 0);

    for (std::size_t i = 0; i < m_labels.size(); ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(kLabels[i].name));
        label->move(kLabels[i].x, kLabels[i].y);
        m_labels[i] = label;
    }
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("Listing"));
    m_memo->setGeometry(8, 88, 609, 73);
    m_memo->setFont(GameFont("ＭＳ ゴシック", 12));
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setReadOnly(true);
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        auto* button = new QPushButton(QString::fromUtf8(kButtons[i].caption), this);
        button->setObjectName(QStringLiteral("Button%1").arg(i + 1));
        button->setGeometry(kButtons[i].x, kButtons[i].y, 75, 25);
        button->setFocusPolicy(Qt::NoFocus);
        const int number = static_cast<int>(i) + 1;
        connect(button, &QPushButton::clicked, this, [this, number]() {
            if (on_button)
                on_button(number);
        });
        m_buttons[i] = button;
    }
}

QLabel* DebugWindowView::Label(const char* name) const {
    for (QLabel* label : m_labels)
        if (label->objectName() == QLatin1String(name))
            return label;
    return nullptr;
}

void DebugWindowView::Show(const DebugForm& window) {
    const std::string* texts[] = {&window.BgmLabel,  &window.MouseLabel,  &window.KeyLabel,
                                  &window.TaskLabel, &window.MsgLogLabel, &window.BgmFileLabel};
    for (std::size_t i = 0; i < m_labels.size(); ++i) {
        if (*texts[i] == m_label_texts[i])
            continue;
        m_label_texts[i] = *texts[i];
        m_labels[i]->setText(QString::fromStdString(m_label_texts[i]));
        m_labels[i]->adjustSize();
    }
    if (window.Listing != m_memo_lines) {
        m_memo_lines = window.Listing;
        QStringList lines;
        lines.reserve(static_cast<qsizetype>(m_memo_lines.size()));
        for (const std::string& line : m_memo_lines)
            lines.push_back(QString::fromStdString(line));
        m_memo->setPlainText(lines.join(QLatin1Char('\n')));
    }
}

void DebugWindowView::closeEvent(QCloseEvent* event) {
    // Only the game shows or hides this window.
    event->ignore();
}

} // namespace hk
