#include "gui/ui/menu_builder_qt.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

namespace ui {

QMenu *buildMenu(QWidget *owner, const QString &name, const QString &caption, std::span<const MenuEntry> entries,
                 bool shortcutsOnOwner)
{
    auto *menu = new QMenu(caption, owner);
    menu->setObjectName(name);
    QMenu *into = menu;
    for (const MenuEntry &e : entries) {
        const QString id = QString::fromUtf16(e.name);
        if (id == QLatin1String("-")) {
            into->addSeparator();
        } else if (id.startsWith(QLatin1Char('<'))) {
            into = into->addMenu(QString::fromUtf16(e.caption));
            into->setObjectName(id.mid(1));
        } else if (id == QLatin1String(">")) {
            into = menu;
        } else {
            QAction *a = into->addAction(QString::fromUtf16(e.caption));
            a->setObjectName(id);
            if (*e.shortcut)
                a->setShortcuts(QKeySequence::listFromString(QLatin1String(e.shortcut)));
            if (shortcutsOnOwner)
                owner->addAction(a);
        }
    }
    return menu;
}

QMenu *buildMenu(QWidget *owner, Place place, bool shortcutsOnOwner)
{
    const MenuTitle &title = menuTitle(place);
    return buildMenu(owner, QString::fromUtf16(title.name), QString::fromUtf16(title.caption), menuEntries(place),
                     shortcutsOnOwner);
}

} // namespace ui
