#pragma once
// The one way the program replaces a file on disk. The new contents go to a fixed temporary name
// beside the target (".NAME.saving"), are flushed to the device and only then renamed over the
// target, so a full disk, a failing device or a killed process leaves the old file whole; a
// temporary left by a killed save is replaced by the next save of the same target. The target
// keeps its permissions, a symbolic link is written through to the file it names, and a target
// that may not be written (no write permission, or no write bit at all) is refused.
#include <QByteArray>
#include <QString>

namespace base {

enum class WriteResult {
    Written,
    NotWritable, // the target or its folder may not be written; nothing was touched
    Failed,      // writing, flushing or renaming failed; the old file is unchanged
};

WriteResult writeFileAtomically(const QString &path, const QByteArray &bytes);

// The temporary name used for `target` (the file a link names, not the link).
QString savingNameFor(const QString &target);

// Tests that cannot mount a small file system make every write after `bytes` bytes fail as a full
// disk would; a negative value switches this off.
void failWritesAfterForTesting(qint64 bytes);

} // namespace base
