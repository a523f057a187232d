#pragma once
// One entry of a menu layout: the entry's system name (its objectName), caption and shortcut.
namespace ui {

struct MenuEntry {
    const char16_t *name; // objectName; u"-" a separator; u"<name" opens a submenu, u">" closes it
    const char16_t *caption;
    const char *shortcut = "";
};

} // namespace ui
