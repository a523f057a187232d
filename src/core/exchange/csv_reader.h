#pragma once
// Reading comma-separated text as spreadsheets write it: whole records, so a quoted value may hold
// commas, doubled quotes and line breaks; a quoted value keeps its inner spaces, an unquoted one
// loses the spaces around it. The bytes are UTF-8 when they carry a byte-order mark or are valid
// UTF-8 (current spreadsheets write it), otherwise GBK.
#include "core/base/csv_text.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace exchange {

// The text of a CSV file's bytes.
QString decodeCsvText(QByteArrayView bytes);

// The records of a text one at a time, without holding more than one. A record ends at CR LF, LF
// or CR outside quotes; a final line end does not start another record; an empty line is one
// empty value.
class CsvParser {
public:
    explicit CsvParser(const QString &text) : m_text(text) {}
    // The next record into `values`, at most `keep` of its values when keep >= 0 (a record of
    // millions of commas is counted, not held); false at the end.
    bool next(QStringList &values, qsizetype keep = -1);
    // How many values the record last read has, kept or not.
    qsizetype count() const { return m_count; }

private:
    QString m_text;
    qsizetype m_pos = 0;
    qsizetype m_count = 0;
};

// The guard against spreadsheet formulas (base/csv_text.h), taken away again on reading.
using base::csvGuarded;
using base::csvUnguarded;

// Every value of every record, in order (column import reads values, not records).
QStringList csvValues(const QString &text, qsizetype limit = -1);

} // namespace exchange
