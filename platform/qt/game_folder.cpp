#include "platform/qt/game_folder.h"

#include "data/game_files.h"

#include <QFileDialog>
#include <QMessageBox>

namespace hk {

namespace {

const char* const kArchives[] = {"GRP.IFP", "SCR.IFP"};

QString NotAGameFolderText(const std::filesystem::path& folder) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(folder, error).lexically_normal();
    return QStringLiteral("フォルダ「%1」には、ゲームのデータ「SCR.IFP」と「GRP.IFP」がありません。\n"
                          "ゲームのデータ（SCR.IFP、GRP.IFP、Sound、VOICE）があるフォルダを選んでください。")
        .arg(QString::fromStdString((error ? folder : full).string()));
}

} // namespace

bool HoldsGameArchives(const std::filesystem::path& folder) {
    std::error_code error;
    if (folder.empty() || !std::filesystem::is_directory(folder, error))
        return false;
    const GameFiles files(folder);
    for (const char* archive : kArchives) {
        const auto size = files.FileSize(archive);
        if (!size || *size == 0)
            return false;
    }
    return true;
}

std::optional<std::filesystem::path>
FindGameFolder(const std::vector<std::optional<std::filesystem::path>>& candidates) {
    for (const auto& candidate : candidates)
        if (candidate && HoldsGameArchives(*candidate))
            return candidate;
    return std::nullopt;
}

std::optional<std::filesystem::path> ChooseGameFolder(QWidget* parent, const std::filesystem::path& start) {
    QString where = QString::fromStdString(start.string());
    for (;;) {
        QFileDialog chooser(
            parent, QStringLiteral("ゲームのフォルダを選んでください（SCR.IFP と GRP.IFP があるフォルダ）"), where);
        chooser.setObjectName(QStringLiteral("GameFolderChooser"));
        chooser.setFileMode(QFileDialog::Directory);
        chooser.setOption(QFileDialog::ShowDirsOnly, true);
        chooser.setAcceptMode(QFileDialog::AcceptOpen);
        if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
            return std::nullopt;
        const std::filesystem::path chosen = chooser.selectedFiles().first().toStdString();
        if (HoldsGameArchives(chosen))
            return chosen;
        QMessageBox::warning(parent, QStringLiteral("ＨＡＲＵＫＡＺＥ"), NotAGameFolderText(chosen));
        where = QString::fromStdString(chosen.string());
    }
}

} // namespace hk
