#pragma once
// A working file (data.file, user.dat, a scratch file) exists only while one operation runs: the
// guard deletes it when the operation leaves its scope, whether it returns early, fails or throws.
#include <QFile>
#include <QString>
#include <utility>

namespace base {

class TempFileGuard {
public:
    explicit TempFileGuard(QString path) : m_path(std::move(path)) {}
    ~TempFileGuard() { removeNow(); }

    TempFileGuard(const TempFileGuard &) = delete;
    TempFileGuard &operator=(const TempFileGuard &) = delete;

    const QString &path() const { return m_path; }

    // Deletes the file at once (a missing file is no failure); the guard stays armed, so a file
    // written again later in the same operation is deleted at the end as well.
    void removeNow() const
    {
        if (!m_path.isEmpty())
            QFile::remove(m_path);
    }

    // The file outlives the operation (it was renamed or handed on).
    void release() { m_path.clear(); }

private:
    QString m_path;
};

} // namespace base
