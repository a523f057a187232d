#pragma once
// The dialogs give every widget the system's objectName as they make it, one expression per
// widget; the window tests and the settings find the widgets by these names.
#include <QPushButton>
#include <QString>

namespace ui {

// `widget`, named `name`.
template <typename W> W *named(W *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

// A dialog's push button named `name`; none is the default button of its own accord, so Enter
// stays with the box being typed in.
inline QPushButton *button(const QString &name, const QString &text, QWidget *parent)
{
    auto *b = named(new QPushButton(text, parent), name);
    b->setAutoDefault(false);
    return b;
}

} // namespace ui
