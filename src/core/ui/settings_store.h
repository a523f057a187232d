#pragma once
// The per-user settings store (application "ZUN'S 通用Scorvane"): sections and keys with text
// values. The program uses the system store; tests use the in-memory one.
#include <QMap>
#include <QString>

namespace ui {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // `fallback` when the key is absent.
    virtual QString value(const QString &section, const QString &key, const QString &fallback = {}) const = 0;
    virtual void setValue(const QString &section, const QString &key, const QString &value) = 0;
};

class MemorySettingsStore : public SettingsStore {
public:
    QString value(const QString &section, const QString &key, const QString &fallback = {}) const override;
    void setValue(const QString &section, const QString &key, const QString &value) override;
    QMap<QString, QString> values; // "section/key" -> value
};

// QSettings in its native format under organization and application "ZUN'S 通用Scorvane".
class SystemSettingsStore : public SettingsStore {
public:
    QString value(const QString &section, const QString &key, const QString &fallback = {}) const override;
    void setValue(const QString &section, const QString &key, const QString &value) override;
};

} // namespace ui
