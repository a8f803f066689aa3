// GameCommands: the main window's game menu during play and the title screen's load menu, the
// commands they carry (skip, read skip, automatic advance, hiding and floating the message window,
// save, load, settings, back to the title, quit) and the dialogs those open: the question, the save
// comment and the settings. A load ends in RestoreGame, the task that rebuilds the game from the
// slot's record. The slot files themselves are the save store's.
#pragma once

#include "engine/commands/command_host.h"
#include "engine/forms.h"
#include "engine/host.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace hk {

class MessageWindow;
class SaveStore;
class ScriptMachine;
class SoundCues;
class Stage;
struct EngineState;

class GameCommands {
    // First: the dialogs below keep a reference to it. What the question or the comment dialog
    // answered: 1 = OK.
    std::uint8_t m_query_answer = 0;

public:
    // All must outlive the commands.
    GameCommands(CommandHost& host, Platform& platform, EngineState& state, SaveStore& saves, ScriptMachine& script,
                 MessageWindow& message, Stage& stage, SoundCues& sound);
    GameCommands(const GameCommands&) = delete;
    GameCommands& operator=(const GameCommands&) = delete;

    Menu ContextMenu;   // the main window's context menu during play
    Menu TitleLoadMenu; // the title screen's load menu
    QueryForm Query;
    CommentForm SaveComment;
    ConfigForm Config;

    MenuItem& MenuItemNamed(std::string_view name);
    // Attached while messages and choices wait (when ContextMenuOn is 1).
    void AttachContextMenu();
    void DetachContextMenu();
    // Whether the game menu is attached now, so that a right click opens it.
    bool ContextMenuAttached() const { return m_context_menu_attached; }
    // Opens the game menu, or the title's load menu, at the screen point, as a right click or the
    // title's "ロード" does. The title's menu is attached only while it is open.
    void PopupContextMenu(Point screen);
    void PopupTitleLoadMenu(Point screen);
    // The platform is about to show the menu or submenu `name`, or the player chose item `name`.
    void OnMenuPopup(std::string_view name);
    void OnMenuCommand(std::string_view name);
    // Whether item `name` saves into or loads from a slot ("ItemSave12", "ItemLoadT3", ...).
    static bool IsSlotCommand(std::string_view name);
    // The yes/no question in the middle of the screen; true when the player chose "OK".
    bool Ask(const char* question);

    // ---- The game menu (context_menu.cpp) ----
    void ContextMenuPopup();
    void ItemMsgSkipClick();
    void ItemMsgKidokuClick();
    void ItemMsgAutoClick();
    void ItemMsgClearClick();
    void ItemMsgFloatClick();
    void ItemTitleClick();
    void ItemCloseClick();

    // ---- Save and load (save_load_menus.cpp) ----
    void ItemSaveClick();
    void ItemLoadClick();
    void TitleLoadMenuPopup();
    // Asks for the save comment, pre-filled from the slot the store last peeked at; true when the
    // player chose "セーブ".
    bool InputComment();
    void ItemSave1Click(int n);
    void ItemLoad1Click(int n);
    // TASK_RESTORE_GAME: rebuilds layers, music and scene from GameData, then fades in.
    void RestoreGame();

    // ---- Settings (settings.cpp) ----
    void ItemOptionClick();
    void ConfigOkButtonClick();

private:
    void BuildMenus();
    void ConnectConfigForm();
    void BuildSlotCaptions(const std::string& prefix, bool load_menu);

    CommandHost& m_host;
    Platform& m_platform;
    EngineState& m_state;
    SaveStore& m_saves;
    ScriptMachine& m_script;
    MessageWindow& m_message;
    Stage& m_stage;
    SoundCues& m_sound;
    bool m_context_menu_attached = false;
};

} // namespace hk
