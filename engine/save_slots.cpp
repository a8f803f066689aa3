// The thirty slot files Save01.dat .. Save30.dat: the GameData record stored whole. A save keeps
// the file it replaces as "SaveNN.dat.bak" when the game could load it; a damaged slot file (cut,
// unreadable, or holding what the game never writes) is never deleted.
#include "engine/engine.h"
#include "engine/record_checks.h"

#include <ctime>
#include <filesystem>

namespace hk {

namespace {

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

std::string Engine::SlotFileName(int n) {
    return (n <= 9 ? "Save0" : "Save") + std::to_string(n) + ".dat";
}

bool Engine::CheckSaveFile(int n) {
    CheckSlot(n);
    // A damaged slot (a short file, a folder) is not missing: creating an empty slot over it
    // would lose it. It stays until the player saves into that slot.
    return m_files.Inspect(SlotFileName(n)).kind != StoredEntry::Kind::Missing;
}

void Engine::CreateSaveFile(int n) {
    CheckSlot(n);
    m_files.WriteKeepingCopy(SlotFileName(n), &m_state.Game, sizeof(GameData), IsSoundSlotFile);
}

void Engine::ReadSaveFile(int n) {
    CheckSlot(n);
    // Read into a scratch record first so a damaged or missing file leaves the game untouched.
    GameData loaded;
    ReadSlotRecord(m_files, SlotFileName(n), loaded);
    m_state.Game = loaded;
}

void Engine::PeekSaveFile(int n) {
    CheckSlot(n);
    GameData loaded;
    ReadSlotRecord(m_files, SlotFileName(n), loaded);
    m_state.PeekData = loaded;
}

std::string Engine::GetSaveFileTime(int n) {
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
        if (m_state.PeekData.SlotInUse != 0)
            m_state.SlotFileAge[n] = PackedLocalTime(local);
        return text;
    } catch (const std::exception&) {
        return kNoTime;
    }
}

void Engine::RestoreGame() {
    EngineState& s = m_state;
    GameData& game = s.Game;
    m_script.SetGamePlaying(true);
    // The layers as they were saved.
    if (game.LayerGraphic[0] != 0)
        ReadGraphic(kBackgroundSlot, game.LayerGraphic[0], kPlaceCentre);
    else
        ClearBitmap(0);
    for (int layer = 1; layer <= 2; ++layer) {
        if (game.LayerGraphic[layer] != 0)
            ReadGraphic(layer, game.LayerGraphic[layer], game.LayerPlacement[layer - 1]);
        else
            ClearBitmap(layer);
    }
    ReadGraphic(kPartsSlot, kPartsGraphic, kPlaceCentre);
    CreateMakeBMP();
    // The music (0 stops all sound), then the scene at the saved step.
    PlayBGM(game.CurrentBgm, game.BgmLoop);
    if (game.CurrentScene != 0)
        m_script.ReadScript(game.CurrentScene);
    for (int channel = 0; channel < 2; ++channel)
        if (game.SeRestoreNumber[channel] != 0)
            PlaySE(channel + 1, game.SeRestoreNumber[channel], game.SeRestoreLoop[channel]);
    ReadGraphic(kPartsSlot, kPartsGraphic, kPlaceCentre);
    // Fade in over 500 ms, then back to the script, which shows the saved message again.
    const std::int32_t now = static_cast<std::int32_t>(m_platform.TickCount());
    s.EffectState.FirstTick = 0;
    s.EffectState.StartTime = now;
    s.EffectState.Duration = 500;
    s.EffectState.EndTime = now + 500;
    SetTask(TaskCode::TASK_EFFECT_91, TaskCode::TASK_SCRIPT);
    m_platform.ShowWindow(WindowId::Float, MsgFloatChecked());
}

} // namespace hk
