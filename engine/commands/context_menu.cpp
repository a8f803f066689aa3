// The context menu of the main window (ContextMenu) and its game commands: skip, read skip,
// automatic advance, hiding and floating the message window, settings, back to the title, quit.
// The save and load submenus live in save_load_menus.cpp.
#include "engine/commands/game_commands.h"

#include "core/engine_error.h"
#include "engine/engine_state.h"
#include "engine/message/message_window.h"
#include "engine/saves/save_store.h"
#include "engine/script/script_machine.h"
#include "engine/stage/stage.h"

#include "data/script_format.h"
#include "data/shift_jis.h"

namespace hk {

namespace {

constexpr const char* kMsgClearHide = "ﾒｯｾｰｼﾞｳｨﾝﾄﾞｳの一時消去";
constexpr const char* kMsgClearShow = "ﾒｯｾｰｼﾞｳｨﾝﾄﾞｳの表示";
constexpr const char* kTitleQuestion = "タイトルに戻りますか？";

MenuItem Item(const char* name, const char* caption) {
    MenuItem item;
    item.name = name;
    item.caption = caption;
    return item;
}
MenuItem Separator() {
    MenuItem item;
    item.separator = true;
    item.caption = "-";
    return item;
}

std::vector<MenuItem> SlotItems(const std::string& prefix) {
    std::vector<MenuItem> items;
    for (int n = 1; n <= kSlotCount; ++n) {
        MenuItem item = Item("", "- セーブされていません -");
        item.name = prefix + std::to_string(n);
        item.tag = n;
        items.push_back(std::move(item));
    }
    return items;
}

// The slot number at the end of an item name with the given prefix ("ItemSave12" -> 12), or 0.
int SlotOf(std::string_view name, std::string_view prefix) {
    if (name.substr(0, prefix.size()) != prefix || name.size() == prefix.size() || name.size() > prefix.size() + 2)
        return 0;
    int n = 0;
    for (char c : name.substr(prefix.size())) {
        if (c < '0' || c > '9')
            return 0;
        n = n * 10 + (c - '0');
    }
    return n >= 1 && n <= kSlotCount ? n : 0;
}

} // namespace

GameCommands::GameCommands(CommandHost& host, Platform& platform, EngineState& state, SaveStore& saves,
                           ScriptMachine& script, MessageWindow& message, Stage& stage, SoundCues& sound)
    : Query(m_query_answer), SaveComment(m_query_answer), m_host(host), m_platform(platform), m_state(state),
      m_saves(saves), m_script(script), m_message(message), m_stage(stage), m_sound(sound) {
    BuildMenus();
    ConnectConfigForm();
}

void GameCommands::BuildMenus() {
    ContextMenu.name = "ContextMenu";
    MenuItem save = Item("ItemSave", "セーブ");
    save.items = SlotItems("ItemSave");
    MenuItem load = Item("ItemLoad", "ロード");
    load.items = SlotItems("ItemLoad");
    ContextMenu.items = {
        Item("ItemMsgSkip", "ﾒｯｾｰｼﾞｽｷｯﾌﾟ"),
        Item("ItemMsgKidoku", "既読ﾒｯｾｰｼﾞのｽｷｯﾌﾟ"),
        Item("ItemMsgAuto", "ﾒｯｾｰｼﾞの自動進行"),
        Separator(),
        Item("ItemMsgClear", kMsgClearHide),
        Item("ItemMsgFloat", "ﾒｯｾｰｼﾞｳｨﾝﾄﾞｳのﾌﾛｰﾄ化"),
        Separator(),
        std::move(save),
        std::move(load),
        Separator(),
        Item("ItemOption", "ｵﾌﾟｼｮﾝ"),
        Separator(),
        Item("ItemTitle", "タイトルに戻る"),
        Item("ItemClose", "ゲーム終了"),
    };
    TitleLoadMenu.name = "TitleLoadMenu";
    TitleLoadMenu.items = SlotItems("ItemLoadT");
}

MenuItem& GameCommands::MenuItemNamed(std::string_view name) {
    MenuItem* item = FindMenuItem(ContextMenu.items, name);
    if (!item)
        item = FindMenuItem(TitleLoadMenu.items, name);
    if (!item)
        throw EngineError("the menus have no item " + std::string(name));
    return *item;
}

void GameCommands::AttachContextMenu() {
    m_platform.AttachContextMenu(&ContextMenu);
    m_context_menu_attached = true;
}
void GameCommands::DetachContextMenu() {
    m_platform.AttachContextMenu(nullptr);
    m_context_menu_attached = false;
}

void GameCommands::PopupContextMenu(Point screen) {
    m_platform.PopupMenu(ContextMenu, screen);
}

void GameCommands::PopupTitleLoadMenu(Point screen) {
    m_platform.AttachContextMenu(&TitleLoadMenu);
    m_platform.PopupMenu(TitleLoadMenu, screen);
    m_platform.AttachContextMenu(nullptr);
    m_context_menu_attached = false;
}

bool GameCommands::IsSlotCommand(std::string_view name) {
    return SlotOf(name, "ItemSave") || SlotOf(name, "ItemLoad") || SlotOf(name, "ItemLoadT");
}

void GameCommands::OnMenuPopup(std::string_view name) {
    if (name == "ContextMenu")
        ContextMenuPopup();
    else if (name == "ItemSave")
        ItemSaveClick();
    else if (name == "ItemLoad")
        ItemLoadClick();
    else if (name == "TitleLoadMenu")
        TitleLoadMenuPopup();
}

void GameCommands::OnMenuCommand(std::string_view name) {
    if (name == "ItemMsgSkip")
        ItemMsgSkipClick();
    else if (name == "ItemMsgKidoku")
        ItemMsgKidokuClick();
    else if (name == "ItemMsgAuto")
        ItemMsgAutoClick();
    else if (name == "ItemMsgClear")
        ItemMsgClearClick();
    else if (name == "ItemMsgFloat")
        ItemMsgFloatClick();
    else if (name == "ItemOption")
        ItemOptionClick();
    else if (name == "ItemTitle")
        ItemTitleClick();
    else if (name == "ItemClose")
        ItemCloseClick();
    else if (int n = SlotOf(name, "ItemSave"))
        ItemSave1Click(n);
    else if (int m = SlotOf(name, "ItemLoadT"))
        ItemLoad1Click(m);
    else if (int k = SlotOf(name, "ItemLoad"))
        ItemLoad1Click(k);
}

bool GameCommands::Ask(const char* question) {
    const Size screen = m_platform.ScreenSize();
    Query.Left = (screen.width - QueryForm::kClientWidth) / 2;
    Query.Top = (screen.height - QueryForm::kClientHeight) / 2;
    m_query_answer = 0;
    Query.Question = question;
    m_platform.ShowQueryForm(Query);
    return m_query_answer == 1;
}

void GameCommands::ContextMenuPopup() {
    const EngineState& s = m_state;
    m_message.SetAutoMode(false);
    MenuItemNamed("ItemMsgAuto").checked = false;
    MenuItemNamed("ItemSave").enabled = m_script.GamePlaying();
    MenuItemNamed("ItemLoad").enabled = m_script.GamePlaying();
    const bool shown =
        s.Task == TaskCode::TASK_WAIT_SELECT2 ? m_message.Select2Visible() : m_message.MsgWindowVisible();
    MenuItemNamed("ItemMsgClear").caption = shown ? kMsgClearHide : kMsgClearShow;
    MenuItemNamed("ItemMsgFloat").enabled = s.Task != TaskCode::TASK_WAIT_SELECT2;
}

void GameCommands::ItemMsgSkipClick() {
    if (!m_message.LogViewing())
        m_message.SetSkipMode(true);
}

void GameCommands::ItemMsgKidokuClick() {
    if (!m_message.LogViewing()) {
        m_message.SetSkipNow(true);
        m_message.SetReadSkipMode(true);
    }
}

void GameCommands::ItemMsgAutoClick() {
    if (!m_message.LogViewing()) {
        MenuItem& item = MenuItemNamed("ItemMsgAuto");
        item.checked = !item.checked;
        m_message.SetAutoMode(true);
    }
}

void GameCommands::ItemMsgClearClick() {
    m_message.ToggleMsgWindow();
}

void GameCommands::ItemMsgFloatClick() {
    const bool checked = !m_message.MsgFloatChecked();
    MenuItemNamed("ItemMsgFloat").checked = checked;
    m_message.SwitchFloat(checked);
}

void GameCommands::ItemTitleClick() {
    m_host.HoldTicks();
    if (Ask(kTitleQuestion)) {
        if (m_message.MsgFloatChecked()) {
            m_message.ShowEmptyFloatWindow();
            m_platform.Sleep(1);
        }
        DetachContextMenu();
        m_script.GoToTitleCommand();
        m_host.SetTask(TaskCode::TASK_SCRIPT);
    }
    m_host.ResumeTicks();
}

void GameCommands::ItemCloseClick() {
    m_host.RequestClose();
}

} // namespace hk
