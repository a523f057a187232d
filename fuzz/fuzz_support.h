#pragma once
// Shared by the fuzz targets: a prompter that shows nothing, and a scratch folder for the readers
// that take a path. The folder is on /dev/shm when there is one, so the program's flushed writes
// cost no disk time per input.
#include "core/base/workspace.h"
#include "core/ui/prompter.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

namespace fuzz {

// Messages go nowhere, questions are answered Yes (so every confirmed path runs), inputs and file
// dialogs are cancelled.
class SilentPrompter : public ui::Prompter {
public:
    void message(const QString &, const QString &, ui::Icon) override {}
    ui::Answer question(const QString &, const QString &, ui::Buttons buttons, ui::Icon, ui::Answer) override
    {
        return buttons == ui::Buttons::Ok || buttons == ui::Buttons::OkCancel ? ui::Answer::Ok : ui::Answer::Yes;
    }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return std::nullopt; }
    QString openFile(const QString &, const QString &) override { return {}; }
    QString saveFile(const QString &, const QString &) override { return {}; }
};

inline QByteArray bytesOf(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

// A folder that lives as long as the process.
inline QString scratchDir()
{
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/scorvane-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/scorvane-fuzz-XXXXXX"));
    return dir.path() + QLatin1Char('/');
}

// `bytes` as the file `name` of the scratch folder (or of `dir` when given); its path.
inline QString writeScratch(const QString &name, const QByteArray &bytes, const QString &dir = QString())
{
    const QString path = (dir.isEmpty() ? scratchDir() : dir) + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        abort();
    return path;
}

// A program directory in the scratch folder, for the readers that work on the workspace's files.
inline base::Workspace &workspace()
{
    static base::Workspace ws(scratchDir() + QStringLiteral("program"));
    return ws;
}

} // namespace fuzz
