// The save and load submenus, the title screen's load menu (TitleLoadMenu), the comment dialog,
// and starting a load.
#include "engine/engine.h"

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

void Engine::BuildSlotCaptions(const std::string& prefix, bool load_menu) {
    int best_slot = 0;
    std::int32_t best_age = 0;
    for (int n = 1; n <= kSlotCount; ++n) {
        if (!CheckSaveFile(n))
            CreateSaveFile(n);
        MenuItem& item = MenuItemNamed(prefix + std::to_string(n));
        item.checked = false;
        if (!PeekSlot(n)) {
            // The slot keeps its place in the menu; its load item stays usable, so that choosing
            // it reports what is wrong with the file.
            item.caption = GetSaveFileTime(n) + "　" + kDamagedSlotNote;
            if (load_menu)
                item.enabled = true;
            continue;
        }
        std::string caption = GetSaveFileTime(n) + "　" + Utf16ToUtf8(CommentOf(m_state.PeekData));
        if (m_state.PeekData.SlotInUse == 0)
            caption = kEmptySlotCaption;
        item.caption = caption;
        if (m_state.SlotFileAge[n] > best_age) {
            best_slot = n;
            best_age = m_state.SlotFileAge[n];
        }
        if (load_menu)
            item.enabled = m_state.PeekData.SlotInUse != 0;
    }
    if (best_slot > 0 && best_age > 0)
        MenuItemNamed(prefix + std::to_string(best_slot)).checked = true;
}

bool Engine::PeekSlot(int n) {
    try {
        PeekSaveFile(n);
        return true;
    } catch (const FileError&) {
        // An empty record: no old comment to offer, and no time stamp taken for the check mark.
        m_state.PeekData = GameData{};
        return false;
    }
}

void Engine::ItemSaveClick() {
    BuildSlotCaptions("ItemSave", false);
}
void Engine::ItemLoadClick() {
    BuildSlotCaptions("ItemLoad", true);
}
void Engine::TitleLoadMenuPopup() {
    BuildSlotCaptions("ItemLoadT", true);
}

bool Engine::InputComment() {
    SaveComment.CommentEdit = CommentOf(m_state.PeekData);
    m_state.QueryAnswer = 0;
    // The dialog's top-left corner sits on the main window's client point (166, 204).
    const Point where = m_platform.ClientToScreen(WindowId::Main, Point{166, 204});
    SaveComment.Left = where.x;
    SaveComment.Top = where.y;
    m_platform.ShowCommentForm(SaveComment);
    return m_state.QueryAnswer == 1;
}

void Engine::ItemSave1Click(int n) {
    if (!CheckSaveFile(n))
        CreateSaveFile(n);
    // A damaged slot file offers no old comment; the save replaces it and keeps it aside.
    PeekSlot(n);
    if (!InputComment())
        return;
    // The field holds 24 UTF-16 units: a longer comment is cut there, never written past it.
    GameData& game = m_state.Game;
    std::fill(std::begin(game.SaveComment), std::end(game.SaveComment), std::uint16_t{0});
    const std::u16string& text = SaveComment.Comment;
    for (std::size_t i = 0; i < text.size() && i < kSaveCommentUnits && text[i] != 0; ++i)
        game.SaveComment[i] = text[i];
    game.SlotInUse = 1;
    CreateSaveFile(n);
}

void Engine::ItemLoad1Click(int n) {
    m_message.ClearMsgLog();
    ReadSaveFile(n);
    m_state.Game.ScriptStep -= 1;
    SetTask(TaskCode::TASK_RESTORE_GAME);
}

} // namespace hk
