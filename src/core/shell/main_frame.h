#pragma once
// What the main window does that needs no widgets: its loading steps, the font-holder rule, the
// toolbar's layout, the input-direction check buttons, the window list of the table windows and
// the arrangements of the window menu.
#include "core/base/workspace.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

namespace ui {
class SettingsStore;
}

namespace base {
class Workspace;
}

namespace shell {

inline const QString kProgramCaption = QStringLiteral("ZUN'S 通用Scorvane");
inline const QString kHelpMessage =
    QStringLiteral("本软件目前还处于测试阶段。不提供帮助文档。帮助文档将随正式版一同发布。");

// The font holder's rule: a stored value that is empty after trimming spaces leaves the current
// one; so does a size that is not a positive number (applying it would fail and is passed over).
QString fontNameSetting(const QString &stored, const QString &current);
double fontSizeSetting(const QString &stored, double current);

// Loading steps of the main window that touch no widget: the stored table font; then the print
// settings (copies, pen width and duplex 1, quality −3), panel 1 "就绪", panel 2 "当前表格：无" and button 16
// (横向输入) pressed.
void applyFontSettings(base::Workspace &ws, const ui::SettingsStore &settings);
void resetProgramState(base::Workspace &ws);
// Whether the table windows show formula results (on unless it was switched off).
void applyViewSettings(base::Workspace &ws, const ui::SettingsStore &settings);

// Toolbar1: 24 positions numbered from 1; a position without a tooltip is a separator.
struct ToolbarButton {
    int number;
    QString tooltip; // empty for a separator
    QString icon;    // resource path of the picture
    bool checkable = false;
    bool pressedAtStart = false;
    bool isSeparator() const { return tooltip.isEmpty(); }
};
QList<ToolbarButton> toolbarButtons();

// Buttons 16 (横向输入) and 17 (纵向输入) mirror each other: the input direction that results
// when `button` becomes pressed or released.
bool horizontalInputAfterToggle(base::ToolButton button, bool pressed);

// The window list of a table window's window menu: one entry per open table window, in the order
// in which they were opened, captioned with the window's caption; the owner's entry is checked.
struct WindowListEntry {
    QString caption;
    bool checked = false;
    bool operator==(const WindowListEntry &) const = default;
};
QList<WindowListEntry> windowList(const QStringList &captions, int ownerIndex);
// The window an entry stands for: the first whose caption equals the entry's; -1 if none.
int windowForCaption(const QStringList &captions, const QString &caption);

// 纵向平铺 (Qt::Vertical): the windows one above the other, each as wide as the area. 横向平铺
// (Qt::Horizontal): side by side, each as high as the area. Leftover pixels go to the last window,
// so the area is covered.
QList<QRect> tile(const QSize &area, int count, Qt::Orientation stacking);
// 排列图标: minimised windows as a row along the bottom edge, left to right, starting a new row
// above when a row is full.
QList<QPoint> arrangeIcons(const QSize &area, const QList<QSize> &icons);

} // namespace shell
