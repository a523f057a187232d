#pragma once
// Menus built from a layout table: every entry is an action whose objectName is the system's name
// of the entry, so commands, tests and the main window find it by that name.
#include "core/ui/command_table.h"
#include "core/ui/menu_layout.h"

#include <QString>
#include <span>

class QMenu;
class QWidget;

namespace ui {

// The menu `name` captioned `caption`, owned by `owner`. With `shortcutsOnOwner` every action is
// also added to the owner, so its shortcut works while the owner has the focus.
QMenu *buildMenu(QWidget *owner, const QString &name, const QString &caption, std::span<const MenuEntry> entries,
                 bool shortcutsOnOwner);
// The menu of the command table's `place`, with its own objectName and caption.
QMenu *buildMenu(QWidget *owner, Place place, bool shortcutsOnOwner);

} // namespace ui
