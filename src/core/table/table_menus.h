#pragma once
// The table window's menus: names, captions and shortcuts. What an entry does is the command
// registered under its name; an entry without one is disabled.
#include "core/ui/menu_layout.h"

#include <span>

namespace table {

extern const std::span<const ui::MenuEntry> kTableMenu;
extern const std::span<const ui::MenuEntry> kEditMenu;
extern const std::span<const ui::MenuEntry> kFormatMenu;
extern const std::span<const ui::MenuEntry> kFieldMenu;
extern const std::span<const ui::MenuEntry> kToolsMenu;
extern const std::span<const ui::MenuEntry> kWindowMenu;
extern const std::span<const ui::MenuEntry> kHelpMenu;
extern const std::span<const ui::MenuEntry> kPopMenu;

} // namespace table
