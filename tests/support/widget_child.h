#pragma once
// Whole-window tests find widgets by their objectNames; a missing one stops the test at once.
#include <QObject>
#include <QString>

template <typename W> W *child(QObject *w, const char *name)
{
    W *found = w->findChild<W *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}
