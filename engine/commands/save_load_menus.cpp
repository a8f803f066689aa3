// The save and load submenus, the title screen's load menu (TitleLoadMenu), the comment dialog,
// and starting and restoring a load. The files themselves are the save store's.
#include "engine/commands/game_commands.h"

#include "engine/engine_state.h"
#include "engine/message/message_window.h"
#include "engine/saves/save_store.h"
#include "engine/screen_layout.h"
#include "engine/script/script_machine.h"
#include "engine/sound/sound_cues.h"
#include "engine/stage/stage.h"

#include "data/unicode.h"

namespace hk {

namespace {

constexpr const char* kEmptySlotCaption = "- セーブされていません -";
// After the file's time, for a slot file that cannot be read: loading it reports what is wrong,
// saving into it replaces it.
constexpr const char* kDamagedSlotNote = "- セーブデータが壊れています -";

// The comment units of a record, up to the first 0 unit or all 24.
std::u16string CommentOf(const GameData& data) {
    std::u16string text;
    for (int i = 0; i < kSaveCommentUnits && data.SaveComment[i] != 0; ++i)
        text += static_cast<char16_t>(data.SaveComment[i]);
    return text;
}

} // namespace

void GameCommands::BuildSlotCaptions(const std::string& prefix, bool load_menu) {
    int best_slot = 0;
    std::int32_t best_age = 0;
    for (int n = 1; n <= kSlotCount; ++n) {
        if (!m_saves.CheckSaveFile(n))
            m_saves.CreateSaveFile(n, m_state.Game);
        MenuItem& item = MenuItemNamed(prefix + std::to_string(n));
        item.checked = false;
        if (!m_saves.PeekSlot(n)) {
            // The slot keeps its place in the menu; its load item stays usable, so that choosing
            // it reports what is wrong with the file.
            item.caption = m_saves.GetSaveFileTime(n) + "　" + kDamagedSlotNote;
            if (load_menu)
                item.enabled = true;
            continue;
        }
        std::string caption = m_saves.GetSaveFileTime(n) + "　" + Utf16ToUtf8(CommentOf(m_saves.PeekData()));
        if (m_saves.PeekData().SlotInUse == 0)
            caption = kEmptySlotCaption;
        item.caption = caption;
        if (m_saves.SlotFileAge(n) > best_age) {
            best_slot = n;
            best_age = m_saves.SlotFileAge(n);
        }
        if (load_menu)
            item.enabled = m_saves.PeekData().SlotInUse != 0;
    }
    if (best_slot > 0 && best_age > 0)
        MenuItemNamed(prefix + std::to_string(best_slot)).checked = true;
}

void GameCommands::ItemSaveClick() {
    BuildSlotCaptions("ItemSave", false);
}
void GameCommands::ItemLoadClick() {
    BuildSlotCaptions("ItemLoad", true);
}
void GameCommands::TitleLoadMenuPopup() {
    BuildSlotCaptions("ItemLoadT", true);
}

bool GameCommands::InputComment() {
    SaveComment.CommentEdit = CommentOf(m_saves.PeekData());
    m_query_answer = 0;
    // The dialog's top-left corner sits on the main window's client point (166, 204).
    const Point where = m_platform.ClientToScreen(WindowId::Main, Point{kSlotMenuX, kSlotMenuY});
    SaveComment.Left = where.x;
    SaveComment.Top = where.y;
    m_platform.ShowCommentForm(SaveComment);
    return m_query_answer == 1;
}

void GameCommands::ItemSave1Click(int n) {
    if (!m_saves.CheckSaveFile(n))
        m_saves.CreateSaveFile(n, m_state.Game);
    // A damaged slot file offers no old comment; the save replaces it and keeps it aside.
    m_saves.PeekSlot(n);
    if (!InputComment())
        return;
    // The field holds 24 UTF-16 units: a longer comment is cut there, never written past it.
    GameData& game = m_state.Game;
    std::fill(std::begin(game.SaveComment), std::end(game.SaveComment), std::uint16_t{0});
    const std::u16string& text = SaveComment.Comment;
    for (std::size_t i = 0; i < text.size() && i < kSaveCommentUnits && text[i] != 0; ++i)
        game.SaveComment[i] = text[i];
    game.SlotInUse = 1;
    m_saves.CreateSaveFile(n, game);
}

void GameCommands::ItemLoad1Click(int n) {
    m_message.ClearMsgLog();
    m_saves.ReadSaveFile(n, m_state.Game);
    m_state.Game.ScriptStep -= 1;
    m_host.SetTask(TaskCode::TASK_RESTORE_GAME);
}

void GameCommands::RestoreGame() {
    GameData& game = m_state.Game;
    m_script.SetGamePlaying(true);
    // The layers as they were saved.
    if (game.LayerGraphic[0] != 0)
        m_stage.ReadGraphic(kBackgroundSlot, game.LayerGraphic[0], kPlaceCentre);
    else
        m_stage.ClearBitmap(0, m_state.Game);
    for (int layer = 1; layer <= 2; ++layer) {
        if (game.LayerGraphic[layer] != 0)
            m_stage.ReadGraphic(layer, game.LayerGraphic[layer], game.LayerPlacement[layer - 1]);
        else
            m_stage.ClearBitmap(layer, m_state.Game);
    }
    m_stage.ReadGraphic(kPartsSlot, kPartsGraphic, kPlaceCentre);
    m_stage.CreateMakeBMP(m_state.Game);
    // The music (0 stops all sound), then the scene at the saved step, then the effects.
    m_sound.RestoreMusic(game, m_state.System.BgmVolume);
    if (game.CurrentScene != 0)
        m_script.ReadScript(game.CurrentScene);
    m_sound.RestoreEffects(game, m_state.System.SeVolume);
    m_stage.ReadGraphic(kPartsSlot, kPartsGraphic, kPlaceCentre);
    // Fade in, then back to the script, which shows the saved message again.
    m_stage.StartFade(kMenuFadeMs);
    m_host.SetTask(TaskCode::TASK_EFFECT_91, TaskCode::TASK_SCRIPT);
    m_platform.ShowWindow(WindowId::Float, m_message.MsgFloatChecked());
}

} // namespace hk
