// The two small modal dialogs of the game in the window build: the yes/no question (QueryForm,
// "確認") and the save comment (CommentForm, "セーブコメント"). Each shows the form's state with
// the game's own layout and runs the form's button handler exactly once: the OK/save button its
// yes handler, anything else (the cancel button, Escape, the close box) its no handler.
#pragma once

#include "engine/forms.h"

#include <QDialog>
#include <QFont>

class QLabel;
class QLineEdit;
class QPushButton;

namespace hk {

// The game's two Gothic faces by the names it uses ("ＭＳ Ｐゴシック", "ＭＳ ゴシック"), falling
// back to their metric-compatible stand-ins; pixel_height is the character height in pixels.
QFont GameFont(const char* face, int pixel_height);

// A fixed-size dialog with the given client size and caption, with a close box and no help or
// maximise button.
void MakeFixedDialog(QDialog& dialog, const char* caption, int client_width, int client_height,
                     bool stay_on_top = false);

class QueryDialog final : public QDialog {
    Q_OBJECT
public:
    QueryDialog(QueryForm& form, QWidget* parent);
    // Places the dialog at the form's Left/Top and shows it modally.
    void Run();

    QLabel* Question() const { return m_label; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }

    void reject() override;

private:
    QueryForm& m_query;
    QLabel* m_label;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

class CommentDialog final : public QDialog {
    Q_OBJECT
public:
    // The longest comment a save slot holds, in UTF-16 units.
    static constexpr int kMaxCommentUnits = 24;

    CommentDialog(CommentForm& form, QWidget* parent);
    void Run();

    QLabel* CommentLabel() const { return m_label; }
    QLineEdit* CommentEdit() const { return m_edit; }
    QPushButton* SaveButton() const { return m_save; }
    QPushButton* CancelButton() const { return m_cancel; }

    void reject() override;

private:
    CommentForm& m_comment;
    QLabel* m_label;
    QLineEdit* m_edit;
    QPushButton* m_save;
    QPushButton* m_cancel;
};

} // namespace hk
