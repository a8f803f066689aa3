// Pop-up menus of the window build: a QMenu built from the engine's menu model each time it
// opens. Captions are shown exactly as written (an '&' is a character, never an accelerator);
// a submenu asks the engine to refresh its model just before it appears.
#pragma once

#include "engine/host.h"

#include <QPoint>
#include <QString>

#include <string>

class QMenu;
class QWidget;

namespace hk {

// A caption as Qt shows it literally: UTF-8 to QString with '&' doubled.
QString MenuCaption(const std::string& caption);

// Fills `menu` (emptied first) with `items`. Each action's data() is the item's name. Each
// submenu, when it is about to show, tells the sink (OnMenuPopup with its name) and then rebuilds
// itself from the item of that name found afresh in `model` (the engine may have rebuilt it).
void FillMenu(QMenu& menu, Menu& model, const std::vector<MenuItem>& items, PlatformEvents* sink);

// Opens the menu modally at a global point: OnMenuPopup(model.name) first, then the menu; when it
// closes with a choice, OnMenuCommand(name) after the menu is gone. Returns the chosen name
// (empty when the player chose nothing).
std::string RunPopupMenu(Menu& model, PlatformEvents* sink, QPoint global_pos, QWidget* parent);

} // namespace hk
