// The question and comment dialogs: the game's layout, and exactly one handler per answer, also
// through the platform's modal path; and the error box.
#include "platform/qt/dialogs.h"
#include "platform/qt/qt_platform.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace hk::test {
namespace {

TEST(QueryDialog, HasTheGameLayout) {
    std::uint8_t answer = 7;
    QueryForm form(answer);
    form.Question = "ゲームを終了しますか？";
    QueryDialog dialog(form, nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("確認"));
    EXPECT_EQ(dialog.size(), QSize(288, 91));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(dialog.Question()->text(), QStringLiteral("ゲームを終了しますか？"));
    EXPECT_EQ(dialog.Question()->geometry(), QRect(8, 16, 265, 17));
    EXPECT_TRUE(dialog.Question()->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(dialog.Question()->font().pixelSize(), 16);
    EXPECT_EQ(dialog.Question()->font().families().value(0), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(dialog.OkButton()->geometry(), QRect(56, 56, 75, 25));
    EXPECT_EQ(dialog.OkButton()->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog.CancelButton()->geometry(), QRect(160, 56, 75, 25));
    EXPECT_EQ(dialog.CancelButton()->text(), QStringLiteral("キャンセル"));
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(answer, 7) << "building the dialog answers nothing";
}

TEST(QueryDialog, EachWayOutAnswersOnce) {
    std::uint8_t answer = 0;
    QueryForm form(answer);
    {
        QueryDialog dialog(form, nullptr);
        dialog.OkButton()->click();
        EXPECT_EQ(answer, 1);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    {
        QueryDialog dialog(form, nullptr);
        dialog.CancelButton()->click();
        EXPECT_EQ(answer, 0);
    }
    answer = 1;
    {
        // The close box and Escape go through reject(): a no.
        QueryDialog dialog(form, nullptr);
        dialog.show();
        dialog.close();
        EXPECT_EQ(answer, 0);
    }
}

TEST(CommentDialog, HasTheGameLayoutAndOffersTheOldComment) {
    std::uint8_t answer = 0;
    CommentForm form(answer);
    form.CommentEdit = u"前のコメント";
    CommentDialog dialog(form, nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("セーブコメント"));
    EXPECT_EQ(dialog.size(), QSize(347, 73));
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(dialog.CommentLabel()->text(), QStringLiteral("コメント"));
    EXPECT_EQ(dialog.CommentLabel()->geometry(), QRect(12, 13, 37, 12));
    EXPECT_EQ(dialog.CommentEdit()->geometry(), QRect(56, 8, 281, 23));
    EXPECT_EQ(dialog.CommentEdit()->font().pixelSize(), 15);
    EXPECT_EQ(dialog.CommentEdit()->font().families().value(0), QStringLiteral("ＭＳ ゴシック"));
    EXPECT_EQ(dialog.CommentEdit()->text(), QStringLiteral("前のコメント"));
    EXPECT_EQ(dialog.SaveButton()->geometry(), QRect(176, 40, 75, 25));
    EXPECT_EQ(dialog.SaveButton()->text(), QStringLiteral("セーブ"));
    EXPECT_EQ(dialog.CancelButton()->geometry(), QRect(264, 40, 75, 25));
    EXPECT_EQ(dialog.CancelButton()->text(), QStringLiteral("キャンセル"));
}

TEST(CommentDialog, SaveStoresTheTypedTextAndCancelKeepsTheOldComment) {
    std::uint8_t answer = 0;
    CommentForm form(answer);
    form.Comment = u"old";
    {
        CommentDialog dialog(form, nullptr);
        dialog.CommentEdit()->setText(QStringLiteral("テスト"));
        dialog.CancelButton()->click();
        EXPECT_EQ(answer, 0);
        EXPECT_EQ(form.Comment, u"old");
    }
    {
        CommentDialog dialog(form, nullptr);
        dialog.CommentEdit()->setText(QStringLiteral("テスト"));
        dialog.SaveButton()->click();
        EXPECT_EQ(answer, 1);
        EXPECT_EQ(form.Comment, u"テスト");
    }
}

TEST(CommentDialog, TakesNoMoreThanTheSlotHolds) {
    std::uint8_t answer = 0;
    CommentForm form(answer);
    CommentDialog dialog(form, nullptr);
    dialog.CommentEdit()->setText(QString(30, QChar(u'あ')));
    dialog.SaveButton()->click();
    EXPECT_EQ(form.Comment, std::u16string(24, u'あ'));
}

// Presses a button of the modal dialog once its own loop runs.
void ClickInModalDialog(const char* button_name) {
    QTimer::singleShot(0, [button_name]() {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        auto* button = modal->findChild<QPushButton*>(QString::fromLatin1(button_name));
        ASSERT_NE(button, nullptr);
        button->click();
    });
}

TEST(QtPlatformDialogs, ModalQuestionReturnsWithTheAnswerAtTheFormsPlace) {
    QtPlatform platform;
    std::uint8_t answer = 0;
    QueryForm form(answer);
    form.Left = 123;
    form.Top = 45;
    QPoint shown_at;
    QTimer::singleShot(0, [&shown_at]() { shown_at = QApplication::activeModalWidget()->pos(); });
    ClickInModalDialog("OkButton");
    platform.ShowQueryForm(form);
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(shown_at, QPoint(123, 45));
    ClickInModalDialog("CancelButton");
    platform.ShowQueryForm(form);
    EXPECT_EQ(answer, 0);
}

TEST(QtPlatformDialogs, ModalCommentReturnsTheComment) {
    QtPlatform platform;
    std::uint8_t answer = 0;
    CommentForm form(answer);
    form.CommentEdit = u"セーブ前";
    ClickInModalDialog("SaveButton");
    platform.ShowCommentForm(form);
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(form.Comment, u"セーブ前");
}

TEST(QtPlatformDialogs, ErrorBoxShowsThePlayerTheJapaneseAndStandardErrorTheEnglish) {
    QtPlatform platform;
    const Platform::ErrorReport report{"「/games/haru/Save03.dat」は壊れています。\n控えを写してください。",
                                       "cannot read \"./Save03.dat\": the file has 604 bytes"};
    QString text, title, box_details;
    QTimer::singleShot(0, [&]() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        text = box->text();
        box_details = box->detailedText() + box->informativeText();
        title = box->windowTitle();
        box->accept();
    });
    ::testing::internal::CaptureStderr();
    platform.ReportError(report);
    const std::string standard_error = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(text.toStdString(), report.for_player);
    EXPECT_EQ(box_details, QString()) << "no English in the box";
    EXPECT_EQ(title, QStringLiteral("ＨＡＲＵＫＡＺＥ"));
    EXPECT_TRUE(standard_error.starts_with("error: " + report.detail + "\n")) << standard_error;
}

} // namespace
} // namespace hk::test
