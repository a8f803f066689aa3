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

QueryDialog::QueryDialog(TQueryForm& form, QWidget* parent) : QDialog(parent), m_form(form) {
    MakeFixedDialog(*this, TQueryForm::kCaption, TQueryForm::kClientWidth, TQueryForm::kClientHeight);
    m_label = new QLabel(QString::fromStdString(form.Label1), this);
    m_label->setObjectName(QStringLiteral("Label1"));
    m_label->setGeometry(8, 16, 265, 17);
    m_label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_label->setFont(GameFont(kPGothic, 16));
    m_ok = MakeButton(this, "OkButton", TQueryForm::kOkCaption, 56, 56);
    m_cancel = MakeButton(this, "CancelButton", TQueryForm::kCancelCaption, 160, 56);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, [this]() {
        m_form.OkButtonClick();
        accept();
    });
    connect(m_cancel, &QPushButton::clicked, this, &QueryDialog::reject);
}

void QueryDialog::reject() {
    m_form.CancelButtonClick();
    QDialog::reject();
}

void QueryDialog::Run() {
    move(m_form.Left, m_form.Top);
    exec();
}

CommentDialog::CommentDialog(TCommentForm& form, QWidget* parent) : QDialog(parent), m_form(form) {
    MakeFixedDialog(*this, TCommentForm::kCaption, TCommentForm::kClientWidth, TCommentForm::kClientHeight, true);
    m_label = new QLabel(QStringLiteral("コメント"), this);
    m_label->setObjectName(QStringLiteral("Label1"));
    m_label->setGeometry(12, 13, 37, 12);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("CommentEdit"));
    m_edit->setGeometry(56, 8, 281, 23);
    m_edit->setFont(GameFont(kGothic, 15));
    // The slot keeps 24 units: the field takes no more, so nothing the player typed is cut off
    // silently later.
    m_edit->setMaxLength(kMaxCommentUnits);
    m_edit->setText(QString::fromStdU16String(form.CommentEdit));
    m_save = MakeButton(this, "Button1", "セーブ", 176, 40);
    m_cancel = MakeButton(this, "Button2", "キャンセル", 264, 40);
    m_save->setDefault(true);
    connect(m_save, &QPushButton::clicked, this, [this]() {
        m_form.CommentEdit = m_edit->text().toStdU16String();
        m_form.OkButtonClick();
        accept();
    });
    connect(m_cancel, &QPushButton::clicked, this, &CommentDialog::reject);
}

void CommentDialog::reject() {
    m_form.CancelButtonClick();
    QDialog::reject();
}

void CommentDialog::Run() {
    move(m_form.Left, m_form.Top);
    m_edit->setFocus();
    exec();
}

} // namespace hk
