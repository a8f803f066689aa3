// Finding the game folder: which folders hold the game, the order the candidates are tried in,
// and a start from a folder without the game, where the player chooses the folder in the chooser
// (answered here), a folder without the game is refused, and the choice is remembered for the
// next start. Runs on the offscreen platform, and under Xvfb from tests/scripts/folder_chooser.sh.
#include "app/launch.h"
#include "platform/qt/game_folder.h"
#include "support/archive_builder.h"
#include "support/scene_assembler.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace hk::test {
namespace {

namespace fs = std::filesystem;

void MakeGame(const fs::path& folder, const char* scr = "SCR.IFP", const char* grp = "GRP.IFP") {
    fs::create_directories(folder);
    ScenarioArchive({{1, "start:\n    wait 0\n    jump start\n"}}).WriteTo(folder / scr);
    ArchiveBuilder().WriteTo(folder / grp);
}

TEST(GameFolder, HoldsTheGameWhenBothArchivesAreThere) {
    TempDir dir;
    MakeGame(dir / "game");
    MakeGame(dir / "copied-from-a-disc", "scr.ifp", "Grp.Ifp");
    MakeGame(dir / "half");
    fs::remove(dir / "half" / "GRP.IFP");
    fs::create_directories(dir / "empty-archives");
    WriteFileBytes(dir / "empty-archives" / "SCR.IFP", {});
    WriteFileBytes(dir / "empty-archives" / "GRP.IFP", {});
    EXPECT_TRUE(HoldsGameArchives(dir / "game"));
    EXPECT_TRUE(HoldsGameArchives(dir / "copied-from-a-disc"));
    EXPECT_FALSE(HoldsGameArchives(dir / "half"));
    EXPECT_FALSE(HoldsGameArchives(dir / "empty-archives"));
    EXPECT_FALSE(HoldsGameArchives(dir / "game" / "SCR.IFP")) << "a file is no folder";
    EXPECT_FALSE(HoldsGameArchives(dir / "missing"));
    EXPECT_FALSE(HoldsGameArchives(fs::path()));

    EXPECT_EQ(FindGameFolder({dir / "half", std::nullopt, dir / "game", dir / "copied-from-a-disc"}), dir / "game");
    EXPECT_FALSE(FindGameFolder({dir / "half", std::nullopt}));
}

// Starts of the program in a folder without the game, with the dialogs it opens answered by
// `answers`, in order, as they appear.
class GameFolderStart : public ::testing::Test {
protected:
    using Answer = std::function<void(QWidget* dialog)>;

    GameFolderStart() {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "harukaze", "harukaze").clear();
        m_old_home = qgetenv("HOME");
        fs::create_directories(m_dir / "home");
        fs::create_directories(m_dir / "empty");
        qputenv("HOME", QByteArray::fromStdString((m_dir / "home").string()));
        m_old_cwd = fs::current_path();
        fs::current_path(m_dir / "empty");
        MakeGame(m_dir / "game");
    }
    ~GameFolderStart() override {
        fs::current_path(m_old_cwd);
        qputenv("HOME", m_old_home);
    }

    // Runs EnterGameFolder; each dialog that opens gets the next answer (a dialog with no answer
    // left is a failure, and is cancelled).
    bool Start(const LaunchOptions& options, std::vector<Answer> answers) {
        std::size_t next = 0;
        QWidget* last = nullptr;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog || dialog == last)
                return;
            last = dialog;
            if (next == answers.size()) {
                ADD_FAILURE() << "an unexpected dialog: " << dialog->windowTitle().toStdString();
                QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
                return;
            }
            answers[next++](dialog);
        });
        watch.start(20);
        UserSettings settings;
        const bool entered = EnterGameFolder(options, settings);
        EXPECT_EQ(next, answers.size()) << "dialogs answered";
        return entered;
    }

    static Answer ChooseFolder(fs::path folder) {
        return [folder](QWidget* dialog) {
            auto* chooser = qobject_cast<QFileDialog*>(dialog);
            ASSERT_NE(chooser, nullptr) << "the folder chooser, not " << dialog->metaObject()->className();
            EXPECT_EQ(chooser->fileMode(), QFileDialog::Directory);
            auto* name = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(QString::fromStdString(folder.string()));
            QMetaObject::invokeMethod(chooser, "accept", Qt::QueuedConnection);
        };
    }
    static Answer Cancel() {
        return [](QWidget* dialog) { QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection); };
    }
    static Answer AcknowledgeRefusal(fs::path folder) {
        return [folder](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            ASSERT_NE(box, nullptr) << "a message box, not " << dialog->metaObject()->className();
            EXPECT_TRUE(box->text().contains(QString::fromStdString(folder.string())));
            EXPECT_TRUE(box->text().contains(QStringLiteral("SCR.IFP")));
            QMetaObject::invokeMethod(box, "accept", Qt::QueuedConnection);
        };
    }

    TempDir m_dir;
    QByteArray m_old_home;
    fs::path m_old_cwd;
};

TEST_F(GameFolderStart, ChosenFolderIsPlayedAndRememberedForTheNextStart) {
    // A folder without the game is refused with a message; the chooser then asks again.
    ASSERT_TRUE(
        Start({}, {ChooseFolder(m_dir / "empty"), AcknowledgeRefusal(m_dir / "empty"), ChooseFolder(m_dir / "game")}));
    EXPECT_TRUE(fs::equivalent(fs::current_path(), m_dir / "game"));
    EXPECT_TRUE(fs::equivalent(*UserSettings().GameFolder(), m_dir / "game"));
    EXPECT_TRUE(fs::is_empty(m_dir / "empty")) << "nothing written where the game started";

    // The next start from the same empty folder goes straight to the remembered game.
    fs::current_path(m_dir / "empty");
    ASSERT_TRUE(Start({}, {}));
    EXPECT_TRUE(fs::equivalent(fs::current_path(), m_dir / "game"));
}

TEST_F(GameFolderStart, GivingUpEndsTheStart) {
    EXPECT_FALSE(Start({}, {Cancel()}));
    EXPECT_FALSE(UserSettings().GameFolder());
}

TEST_F(GameFolderStart, TheCommandLineTheOldLinkAndTheCurrentFolderNeedNoChooser) {
    LaunchOptions named;
    named.game_folder = (m_dir / "game").string();
    ASSERT_TRUE(Start(named, {}));
    EXPECT_TRUE(fs::equivalent(fs::current_path(), m_dir / "game"));

    // ~/harukaze, a link to the game made by hand, still works (nothing remembered yet).
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "harukaze", "harukaze").clear();
    fs::create_directory_symlink(m_dir / "game", m_dir / "home" / "harukaze");
    fs::current_path(m_dir / "empty");
    ASSERT_TRUE(Start({}, {}));
    EXPECT_TRUE(fs::equivalent(fs::current_path(), m_dir / "game"));

    // A game in the current folder comes before the remembered one.
    MakeGame(m_dir / "other");
    fs::current_path(m_dir / "other");
    ASSERT_TRUE(Start({}, {}));
    EXPECT_TRUE(fs::equivalent(fs::current_path(), m_dir / "other"));
    EXPECT_TRUE(fs::equivalent(*UserSettings().GameFolder(), m_dir / "other"));
}

} // namespace
} // namespace hk::test
