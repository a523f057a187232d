#pragma once
// The dialogs give every widget the system's objectName as they make it, one expression per
// widget; the window tests and the settings find the widgets by these names.
#include <QString>

namespace ui {

// `widget`, named `name`.
template <typename W> W *named(W *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

} // namespace ui
