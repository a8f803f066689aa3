// PictureMenus: the screens drawn from a picture and a parts sheet - the title, the album menu, the
// CG album's pages and its viewer, the scene album's pages and the music room. Each has a task that
// draws it and starts the menus' fade, and a task that waits for the pointer and the click; the
// cursor keys move the pointer from target to target, Return clicks where it is, and Escape clicks
// the way back where a screen has one. The
// pictures and surfaces are the stage's; everything else comes through the MenuHost, and what an
// entry starts beyond the menus (a game, a replay, the load pop-up, closing) goes back to it.
#pragma once

#include "core/task_codes.h"
#include "engine/menus/album_book.h"
#include "engine/menus/menu_host.h"
#include "engine/stage/stage.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace hk {

struct MenuEntry;

class PictureMenus {
public:
    // Both must outlive the menus.
    PictureMenus(MenuHost& host, Stage& stage) : m_host(host), m_stage(stage) {}
    PictureMenus(const PictureMenus&) = delete;
    PictureMenus& operator=(const PictureMenus&) = delete;

    // Runs one tick of the menu task `task`; false when `task` is not a menu's.
    bool RunTask(TaskCode task);

    void DispTitleMenu();
    void WaitTitleMenu();
    void DispAlbumMenu();
    void WaitAlbumMenu();
    void DispCgAlbumMenu();
    void WaitCgAlbumMenu();
    void DispCgAlbum();
    void WaitCgAlbum();
    void DispScAlbumMenu();
    void WaitScAlbumMenu();
    void DispBgmMenu();
    void WaitBgmMenu();

    // The albums' tables, the open page and the CG being viewed.
    const AlbumBook& Albums() const { return m_albums; }

private:
    // The entry of `entries` chosen in this tick: the hovered one (or -1) on a click or Return, the
    // way back `back` on Escape (-1: the screen has none); nothing when the player chose nothing,
    // and then the cursor keys have moved the pointer.
    std::optional<int> ChooseEntry(std::span<const MenuEntry> entries, int hovered, int back);
    // Escape was counted: the pointer goes onto the way back, whose click the caller then makes.
    bool BackedOut(const MenuEntry& back);
    // A click or Return: the click of this tick, at the pointer.
    bool Activated() { return m_host.LeftClick() || m_host.KeyReturn(); }
    // A cursor key counts in this tick (the targets are only listed then: a waiting menu
    // allocates nothing).
    bool FocusKeyDown() { return m_host.FocusKeysNow().Direction().has_value(); }
    // A cursor key moves the pointer from the target it is on to the next one that way.
    void MoveFocus(std::span<const FocusTarget> targets);
    // An album page's targets: the cells `open` lets a click use, then its three buttons.
    static std::vector<FocusTarget> AlbumPageTargets(const std::function<bool(int cell)>& open);
    void StartMenuFade(TaskCode wait_task);
    void LoadMenuScreen(int background, int parts);
    void CopyHighlight(const MenuEntry& entry);
    // One tick of a picture menu: the scene, the hovered entry's highlight, presented; answers
    // the hovered entry (0-based) or -1. A menu that shows the same entry as on the tick before
    // is already on screen and is not composed or presented again.
    int ShowPictureMenu(std::span<const MenuEntry> entries);
    // The album pages are composed on every tick; the window is only repainted when the picture
    // differs from what it shows.
    void PresentIfChanged();
    void DrawAlbumFrame(int cell);
    void DrawAlbumLock(int cell);
    void DrawQueueMark(Bitmap& surface, int x, int y, int position);
    // Album button 1 (back to the album menu), 2 or 3 (previous or next page, drawn by page_task).
    void PressAlbumButton(int button, TaskCode page_task);

    MenuHost& m_host;
    Stage& m_stage;
    struct {
        const MenuEntry* table = nullptr;
        int entry = -1;
        std::uint64_t tick = 0;
    } m_menu_shown; // the picture menu last composed, and on which tick
    AlbumBook m_albums;
};

} // namespace hk
