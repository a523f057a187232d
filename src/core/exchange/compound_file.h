#pragma once
// The compound document (OLE2) that holds an .xls workbook's streams, read from the file's bytes.
// Nothing in it is trusted: every sector index is checked against the file, every chain is bounded
// and may visit a sector once, and a stream must fit the file and kMaxMemberSize.
#include <QByteArray>
#include <QStringView>

namespace exchange::compound {

enum class Stream {
    Found,
    Missing, // a sound document without that stream
    Damaged, // not a compound document, or damaged, truncated, hostile or over the limits
};

// The stream named `name` (in any case, as the format compares names) in the document's root
// storage.
Stream readStream(const QByteArray &file, QStringView name, QByteArray *out);

} // namespace exchange::compound
