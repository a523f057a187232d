#pragma once
// A small reader of dBase III and FoxPro 2.x tables (".dbf"): the header, the field descriptors,
// the records with their deletion flag, and the memo files (FoxPro ".fpt", dBase ".dbt"). Every
// count and offset in the files is checked against the real file sizes, so a damaged file ends in
// an error code and never in a crash or an unbounded allocation.
#include <QList>
#include <QString>
#include <QStringList>

namespace exchange {

// Why a file could not be read; the number follows "数据库读取发生错误。错误代码：".
enum class DbfError {
    None = 0,
    CannotOpen = 1,    // the table file cannot be read
    NotATable = 2,     // too short, or an unknown version byte
    BadHeader = 3,     // header or record length impossible for this file
    BadFields = 4,     // field descriptors missing, damaged or not adding up to the record length
    Truncated = 5,     // fewer records in the file than its header counts
    BadRecord = 6,     // a record whose deletion flag is neither " " nor "*"
    MemoMissing = 7,   // a memo field without its ".fpt" / ".dbt" file
    BadMemoFile = 8,   // a memo file whose header is damaged
    BadMemoBlock = 9,  // a memo block outside the memo file
    MemoTooLarge = 10, // the memo texts of all records together larger than a table may hold
};

// The cause in the teacher's words, shown after the number.
QString dbfErrorText(DbfError error);

struct DbfField {
    QString name;    // as stored
    char type = 'C'; // C, N, F, D, L, M (and a few later types)
    int offset = 0;  // within the record, after the deletion flag
    int length = 0;
    int decimals = 0;
};

struct DbfTable {
    QList<DbfField> fields;
    QList<QStringList> records; // records not marked deleted, in file order, one text per field
    int codePage = 0;           // the header's code-page byte
};

// Reads the table at `path` (its memo file beside it when a memo field exists). At most
// `maxRecords` records are kept; *more is set when the file has further ones.
DbfError readDbf(const QString &path, DbfTable &table, int maxRecords, bool *more = nullptr);

// The text forms of the values (exposed for the tests): numbers without trailing zeros,
// dates YYYY-MM-DD, logicals 是/否, blanks empty.
QString dbfNumberText(QStringView raw);
QString dbfDateText(QStringView raw);
QString dbfLogicalText(char raw);

} // namespace exchange
