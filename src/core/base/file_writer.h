#pragma once
// The one way the program replaces a file on disk. The new contents go to a temporary of this
// write's own beside the target (".NAME.PID-XXXXXX.saving", created exclusively and owner-only
// before the first byte), are flushed to the device and only then renamed over the target, so a
// full disk, a failing device or a killed process leaves the old file whole, and of several
// processes writing one target each one told it wrote did write. Temporaries that processes no
// longer running left beside a target are removed by the next write of it. The target keeps its
// permissions, a symbolic link is written through to the file it names, and a target that may not
// be written (no write permission, or no write bit at all) is refused.
#include <QByteArray>
#include <QString>
#include <functional>

namespace base {

// What the user is told when a file could not be written.
inline const QString kSaveFailed = QStringLiteral("文件保存失败！请检查保存介质是否可写！");

enum class WriteResult {
    Written,
    NotWritable, // the target or its folder may not be written; nothing was touched
    Failed,      // writing, flushing or renaming failed; the old file is unchanged
};

struct WriteOptions {
    // A symbolic link at the path is replaced by the file instead of being written through (a new
    // file that must not land where a planted link points).
    bool replaceLink = false;
    // The permissions of the written file; negative: those of the file replaced, for a new file
    // the default the umask leaves.
    int mode = -1;
};

WriteResult writeFileAtomically(const QString &path, const QByteArray &bytes, const WriteOptions &options = {});
// The same for a library that writes its output to a file name itself: `produce` writes the
// temporary under the name it is given (truncating it, never replacing it) and says whether it
// succeeded; the temporary is renamed over the target only then, and removed otherwise.
WriteResult writeFileAtomicallyBy(const QString &path, const std::function<bool(const QString &temporary)> &produce,
                                  const WriteOptions &options = {});

// False when writeFileAtomically would refuse `path` as NotWritable because of the file itself
// (read-only, or no write bit at all); a missing file may be written.
bool mayReplace(const QString &path);

// The temporaries of writes to `target` (the file a link names, not the link) that exist now.
QStringList savingFilesFor(const QString &target);

// Tests that cannot mount a small file system make every write after `bytes` bytes fail as a full
// disk would; a negative value switches this off.
void failWritesAfterForTesting(qint64 bytes);

} // namespace base
