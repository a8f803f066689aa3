#include "platform/qt/dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstring>

namespace hk {

namespace {

constexpr const char* kPGothic = "ＭＳ Ｐゴシック";
constexpr const char* kGothic = "ＭＳ ゴシック";

QPushButton* MakeButton(QWidget* parent, const char* object_name, const char* caption, int x, int y) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(object_name));
    button->setGeometry(x, y, 75, 25);
    return button;
}

} // namespace

QFont GameFont(const char* face, int pixel_height) {
    QFont font;
    // The proportional face's stand-in is IPAPGothic, the fixed one's IPAGothic.
    const bool proportional = std::strcmp(face, kPGothic) == 0;
    font.setFamilies(
        {QString::fromUtf8(face), proportional ? QStringLiteral("IPAPGothic") : QStringLiteral("IPAGothic")});
    font.setPixelSize(pixel_height);
    return font;
}

void MakeFixedDialog(QDialog& dialog, const char* caption, int client_width, int client_height, bool stay_on_top) {
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
    if (stay_on_top)
        flags |= Qt::WindowStaysOnTopHint;
    dialog.setWindowFlags(flags);
    dialog.setWindowTitle(QString::fromUtf8(caption));
    dialog.setFixedSize(client_width, client_height);
    dialog.setModal(true);
    dialog.setFont(GameFont(kPGothic, 12));
}

QueryDialog::QueryDialog(QueryForm& form, QWidget* parent) : QDialog(parent), m_query(form) {
    MakeFixedDialog(*this, QueryForm::kCaption, QueryForm::kClientWidth, QueryForm::kClientHeight);
    m_label = new QLabel(QString::fromStdString(form.Question), this);
    m_label->setObjectName(QStringLiteral("Question"));
    m_label->setGeometry(8, 16, 265, 17);
    m_label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_label->setFont(GameFont(kPGothic, 16));
    m_ok = MakeButton(this, "OkButton", QueryForm::kOkCaption, 56, 56);
    m_cancel = MakeButton(this, "CancelButton", QueryForm::kCancelCaption, 160, 56);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, [this]() {
        m_query.OkButtonClick();
        accept();
    });
    connect(m_cancel, &QPushButton::clicked, this, &QueryDialog::reject);
}

void QueryDialog::reject() {
    m_query.CancelButtonClick();
    QDialog::reject();
}

void QueryDialog::Run() {
    move(m_query.Left, m_query.Top);
    exec();
}

CommentDialog::CommentDialog(CommentForm& form, QWidget* parent) : QDialog(parent), m_comment(form) {
    MakeFixedDialog(*this, CommentForm::kCaption, CommentForm::kClientWidth, CommentForm::kClientHeight, true);
    m_label = new QLabel(QStringLiteral("コメント"), this);
    m_label->setObjectName(QStringLiteral("CommentLabel"));
    m_label->setGeometry(12, 13, 37, 12);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("CommentEdit"));
    m_edit->setGeometry(56, 8, 281, 23);
    m_edit->setFont(GameFont(kGothic, 15));
    // The slot keeps 24 units: the field takes no more, so nothing the player typed is cut off
    // silently later.
    m_edit->setMaxLength(kMaxCommentUnits);
    m_edit->setText(QString::fromStdU16String(form.CommentEdit));
    m_save = MakeButton(this, "SaveButton", "セーブ", 176, 40);
    m_cancel = MakeButton(this, "CancelButton", "キャンセル", 264, 40);
    m_save->setDefault(true);
    connect(m_save, &QPushButton::clicked, this, [this]() {
        m_comment.CommentEdit = m_edit->text().toStdU16String();
        m_comment.OkButtonClick();
        accept();
    });
    connect(m_cancel, &QPushButton::clicked, this, &CommentDialog::reject);
}

void CommentDialog::reject() {
    m_comment.CancelButtonClick();
    QDialog::reject();
}

void CommentDialog::Run() {
    move(m_comment.Left, m_comment.Top);
    m_edit->setFocus();
    exec();
}

} // namespace hk
