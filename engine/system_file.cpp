// The system file "Save00.dat": the SystemData record stored whole. Every write keeps the file it
// replaces as "Save00.dat.bak" when that file is one the game could use. A start-up that finds
// the file damaged (cut, unreadable, or holding what the game never writes) or gone never
// deletes anything: a damaged file is moved aside, the last good copy is taken when it is sound,
// the defaults of a first start otherwise, and the player is told once what happened.
#include "engine/engine.h"
#include "engine/record_checks.h"

#include <cstring>
#include <memory>

namespace hk {

namespace {

constexpr const char* kSystemFileName = "Save00.dat";
constexpr const char* kSystemCopyName = "Save00.dat.bak";
constexpr const char* kDamagedSuffix = ".damaged";

// What start-up found under one name, and, when it cannot be used, why (for the player).
struct RecordCheck {
    enum class Found { Missing, Whole, Damaged } found = Found::Missing;
    std::string problem;
};

// "263,496 バイト"
std::string ByteCount(std::uint64_t n) {
    std::string digits = std::to_string(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return digits + " バイト";
}

// Reads the record stored under `name` into `dest` when it is whole and could have been written
// by the game: a file of the right length filled with anything else is damaged all the same.
RecordCheck ReadRecord(const GameFiles& files, const char* name, SystemData& dest) {
    const StoredEntry entry = files.Inspect(name);
    switch (entry.kind) {
    case StoredEntry::Kind::Missing: return {};
    case StoredEntry::Kind::Other:
        return {RecordCheck::Found::Damaged, "ファイルではなく、フォルダなどになっていました"};
    case StoredEntry::Kind::File: break;
    }
    if (entry.size != sizeof(SystemData))
        return {RecordCheck::Found::Damaged, "大きさが " + ByteCount(entry.size) + "で、正しい " +
                                                 ByteCount(sizeof(SystemData)) + "と違っていました"};
    try {
        files.ReadExact(name, &dest, sizeof(SystemData));
    } catch (const FileError& error) {
        return {RecordCheck::Found::Damaged, std::string("読み込めませんでした（") + error.what() + "）"};
    }
    if (std::string problem = SystemDataProblem(dest); !problem.empty())
        return {RecordCheck::Found::Damaged, "中身に誤りがありました：" + problem};
    return {RecordCheck::Found::Whole, {}};
}

std::string Quoted(const std::string& name) {
    return "「" + name + "」";
}

} // namespace

void Engine::SetDefaultSettings(SystemData& data) {
    data.TextSpeed = 2;
    data.EffectsOn = 1;
    data.FullScreen = 0;
    data.VoiceVolume = 100;
    data.BgmVolume = 30;
    data.SeVolume = 100;
    data.AutoDelay = 2;
}

bool Engine::CheckSystemFile() {
    return m_files.Exists(kSystemFileName);
}

void Engine::CreateSystemFile() {
    m_files.WriteKeepingCopy(kSystemFileName, &m_state.System, sizeof(SystemData), IsSoundSystemFile);
    m_system_loaded = true;
}

void Engine::ReadSystemFile() {
    // Through a scratch record, so a failed read leaves the one in memory as it was.
    auto loaded = std::make_unique<SystemData>();
    m_files.ReadWhole(kSystemFileName, loaded.get(), sizeof(SystemData));
    m_state.System = *loaded;
    m_system_loaded = true;
}

void Engine::LoadSystemFile() {
    auto record = std::make_unique<SystemData>();
    const RecordCheck file = ReadRecord(m_files, kSystemFileName, *record);
    if (file.found == RecordCheck::Found::Whole) {
        m_state.System = *record;
        m_system_loaded = true;
        return;
    }
    // The player is shown full paths: the file may be in the game folder or in the save folder.
    const std::filesystem::path file_path = m_files.FullPath(kSystemFileName);
    const std::string file_name = Quoted(file_path.string());
    const std::string copy_name = Quoted(m_files.FullPath(kSystemCopyName).string());
    const auto kept_name = [&](const std::string& kept) { return Quoted((file_path.parent_path() / kept).string()); };
    std::string note = "設定と進み具合を記録するファイル" + file_name;
    if (file.found == RecordCheck::Found::Damaged) {
        // In a folder that cannot be written this fails, and start-up stops with that error:
        // nothing has been changed then.
        const std::string kept = m_files.MoveAside(kSystemFileName, kDamagedSuffix);
        note += "が壊れていました（" + file.problem + "）。\n壊れたファイルは消さずに" + kept_name(kept) +
                "として残しました。\n";
    } else {
        note += "が見つかりませんでした。\n";
    }

    const RecordCheck copy = ReadRecord(m_files, kSystemCopyName, *record);
    if (copy.found == RecordCheck::Found::Whole) {
        m_state.System = *record;
        CreateSystemFile();
        m_platform.ShowMessage(note + "前回の控え" + copy_name +
                               "から、設定、CGとシーンの記録、既読の印を元に戻しました。");
        return;
    }
    if (copy.found == RecordCheck::Found::Damaged) {
        const std::string kept = m_files.MoveAside(kSystemCopyName, kDamagedSuffix);
        note += "控えの" + copy_name + "も壊れていたため（" + copy.problem + "）、" + kept_name(kept) +
                "として残しました。\n";
    } else if (file.found == RecordCheck::Found::Damaged) {
        note += "控えの" + copy_name + "はありませんでした。\n";
    }
    // As on a first start: the defaults in an otherwise empty record, written and read back.
    std::memset(&m_state.System, 0, sizeof(SystemData));
    SetDefaultSettings(m_state.System);
    CreateSystemFile();
    ReadSystemFile();
    if (file.found == RecordCheck::Found::Missing && copy.found == RecordCheck::Found::Missing)
        return; // the very first start
    m_platform.ShowMessage(note + "これまでの進み具合は戻せなかったため、初めて起動したときの設定で始めます。");
}

} // namespace hk
