#include "core/ui/settings_store.h"

#include <QSettings>

namespace ui {

static QString joinKey(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

QString MemorySettingsStore::value(const QString &section, const QString &key, const QString &fallback) const
{
    return values.value(joinKey(section, key), fallback);
}

void MemorySettingsStore::setValue(const QString &section, const QString &key, const QString &value)
{
    values.insert(joinKey(section, key), value);
}

static QSettings systemSettings()
{
    // Without an organization name the file would land under "Unknown Organization".
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("ZUN'S 通用Scorvane"),
                     QStringLiteral("ZUN'S 通用Scorvane"));
}

QString SystemSettingsStore::value(const QString &section, const QString &key, const QString &fallback) const
{
    QSettings s = systemSettings();
    return s.value(joinKey(section, key), fallback).toString();
}

void SystemSettingsStore::setValue(const QString &section, const QString &key, const QString &value)
{
    QSettings s = systemSettings();
    s.setValue(joinKey(section, key), value);
}

} // namespace ui
