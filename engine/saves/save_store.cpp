// The system file "Save00.dat": the SystemData record stored whole. Every write keeps the file it
// replaces as "Save00.dat.bak" when that file is one the game could use. A start-up that finds
// the file damaged (cut, unreadable, or holding what the game never writes) or gone never
// deletes anything: a damaged file is moved aside, the last good copy is taken when it is sound,
// the defaults of a first start otherwise, and the player is told once what happened.
//
// The thirty slot files Save01.dat .. Save30.dat: the GameData record stored whole. A save keeps
// the file it replaces as "SaveNN.dat.bak" when the game could load it; a damaged slot file (cut,
// unreadable, or holding what the game never writes) is never deleted.
#include "engine/saves/save_store.h"

#include "core/engine_error.h"
#include "engine/saves/record_checks.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
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
        return {RecordCheck::Found::Damaged, "大きさが " + ByteCountForPlayer(entry.size) + "で、正しい " +
                                                 ByteCountForPlayer(sizeof(SystemData)) + "と違っていました"};
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

void CheckSlot(int n) {
    if (n < 1 || n > kSlotCount)
        throw EngineError("there is no save slot " + std::to_string(n));
}

// The packed local date-time of a file (the DOS layout: year-1980, month, day, hour, minute,
// second/2 from the high bits down), so that a later time compares greater.
std::int32_t PackedLocalTime(const std::tm& t) {
    const std::uint32_t packed =
        (static_cast<std::uint32_t>(t.tm_year + 1900 - 1980) << 25) | (static_cast<std::uint32_t>(t.tm_mon + 1) << 21) |
        (static_cast<std::uint32_t>(t.tm_mday) << 16) | (static_cast<std::uint32_t>(t.tm_hour) << 11) |
        (static_cast<std::uint32_t>(t.tm_min) << 5) | static_cast<std::uint32_t>(t.tm_sec / 2);
    return static_cast<std::int32_t>(packed);
}

// Reads slot file `name` into `dest`: a file that is not whole, or not a record the game could
// have written, throws FileError naming it.
void ReadSlotRecord(const GameFiles& files, const std::string& name, GameData& dest) {
    files.ReadWhole(name, &dest, sizeof(GameData));
    const std::string problem = GameDataProblem(dest);
    if (problem.empty())
        return;
    std::error_code ec;
    const std::string path = std::filesystem::absolute(files.Resolve(name), ec).lexically_normal().string();
    throw FileError("cannot load \"" + path + "\": it holds values the game never writes (it is damaged)",
                    "セーブデータ「" + path + "」は壊れています（" + problem + "）。\n" +
                        "このスロットには新しくセーブし直せます。同じフォルダに前回の控え「" + path +
                        ".bak」があれば、ゲームを閉じてからそれを「" + path + "」に写すと、ひとつ前の記録に戻せます。");
}

} // namespace

void SaveStore::SetDefaultSettings(SystemData& data) {
    data.TextSpeed = 2;
    data.EffectsOn = 1;
    data.FullScreen = 0;
    data.VoiceVolume = 100;
    data.BgmVolume = 30;
    data.SeVolume = 100;
    data.AutoDelay = 2;
}

bool SaveStore::CheckSystemFile() const {
    return m_files.Exists(kSystemFileName);
}

void SaveStore::CreateSystemFile(const SystemData& data) {
    m_files.WriteKeepingCopy(kSystemFileName, &data, sizeof(SystemData), IsSoundSystemFile);
    m_system_in_use = true;
}

void SaveStore::ReadSystemFile(SystemData& dest) {
    // Through a scratch record, so a failed read leaves the one in memory as it was.
    auto loaded = std::make_unique<SystemData>();
    m_files.ReadWhole(kSystemFileName, loaded.get(), sizeof(SystemData));
    dest = *loaded;
    m_system_in_use = true;
}

std::string SaveStore::LoadSystemFile(SystemData& dest) {
    auto record = std::make_unique<SystemData>();
    const RecordCheck file = ReadRecord(m_files, kSystemFileName, *record);
    if (file.found == RecordCheck::Found::Whole) {
        dest = *record;
        m_system_in_use = true;
        return {};
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
        dest = *record;
        CreateSystemFile(dest);
        return note + "前回の控え" + copy_name + "から、設定、CGとシーンの記録、既読の印を元に戻しました。";
    }
    if (copy.found == RecordCheck::Found::Damaged) {
        const std::string kept = m_files.MoveAside(kSystemCopyName, kDamagedSuffix);
        note += "控えの" + copy_name + "も壊れていたため（" + copy.problem + "）、" + kept_name(kept) +
                "として残しました。\n";
    } else if (file.found == RecordCheck::Found::Damaged) {
        note += "控えの" + copy_name + "はありませんでした。\n";
    }
    // As on a first start: the defaults in an otherwise empty record, written and read back.
    std::memset(&dest, 0, sizeof(SystemData));
    SetDefaultSettings(dest);
    CreateSystemFile(dest);
    ReadSystemFile(dest);
    if (file.found == RecordCheck::Found::Missing && copy.found == RecordCheck::Found::Missing)
        return {}; // the very first start
    return note + "これまでの進み具合は戻せなかったため、初めて起動したときの設定で始めます。";
}

std::string SaveStore::SlotFileName(int n) {
    return (n <= 9 ? "Save0" : "Save") + std::to_string(n) + ".dat";
}

bool SaveStore::CheckSaveFile(int n) const {
    CheckSlot(n);
    // A damaged slot (a short file, a folder) is not missing: creating an empty slot over it
    // would lose it. It stays until the player saves into that slot.
    return m_files.Inspect(SlotFileName(n)).kind != StoredEntry::Kind::Missing;
}

void SaveStore::CreateSaveFile(int n, const GameData& data) {
    CheckSlot(n);
    m_files.WriteKeepingCopy(SlotFileName(n), &data, sizeof(GameData), IsSoundSlotFile);
}

void SaveStore::ReadSaveFile(int n, GameData& dest) const {
    CheckSlot(n);
    // Read into a scratch record first so a damaged or missing file leaves dest untouched.
    GameData loaded;
    ReadSlotRecord(m_files, SlotFileName(n), loaded);
    dest = loaded;
}

void SaveStore::PeekSaveFile(int n) {
    ReadSaveFile(n, m_peek_data);
}

bool SaveStore::PeekSlot(int n) {
    try {
        PeekSaveFile(n);
        return true;
    } catch (const FileError&) {
        // An empty record: no old comment to offer, and no time stamp taken for the check mark.
        m_peek_data = GameData{};
        return false;
    }
}

std::string SaveStore::GetSaveFileTime(int n) {
    static const std::string kNoTime(16, ' ');
    try {
        CheckSlot(n);
        const auto modified = m_files.ModificationTime(SlotFileName(n));
        if (!modified)
            return kNoTime;
        std::tm local{};
        if (!localtime_r(&*modified, &local) || local.tm_year + 1900 < 1980 || local.tm_year + 1900 > 2107)
            return kNoTime;
        char text[32];
        std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                      local.tm_mday, local.tm_hour, local.tm_min);
        if (m_peek_data.SlotInUse != 0)
            m_slot_file_age[static_cast<std::size_t>(n)] = PackedLocalTime(local);
        return text;
    } catch (const std::exception&) {
        return kNoTime;
    }
}

std::int32_t SaveStore::SlotFileAge(int n) const {
    if (n < 1 || n > kSlotCount)
        return 0;
    return m_slot_file_age[static_cast<std::size_t>(n)];
}

} // namespace hk
