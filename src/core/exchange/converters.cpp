#include "core/exchange/converters.h"

#include "core/base/file_writer.h"
#include "core/base/text_codec.h"
#include "core/exchange/csv_reader.h"
#include "core/exchange/dbf_reader.h"
#include "core/exchange/workbook_reader.h"
#include "core/table/table_file.h"
#include "core/ui/prompter.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <sys/stat.h>

namespace exchange {

namespace {

constexpr int kMaxCount = table::Grid::kMaxCount;

// A field name keeps to its column of the header text, which is split at "|".
QString headerName(QString name)
{
    name.replace(QLatin1Char('|'), QChar(0xFF5C));
    return name;
}

// Rows and columns that fit the limits for a wanted size; false when it had to be cut.
bool fitSize(qint64 wantRows, qint64 wantCols, int *rows, int *cols)
{
    const qint64 c = std::clamp<qint64>(wantCols, 1, kMaxCount);
    const qint64 r = std::clamp<qint64>(std::min<qint64>(wantRows, kMaxConvertedCells / c), 1, kMaxCount);
    *rows = int(r);
    *cols = int(c);
    return r >= wantRows && c >= wantCols;
}

void numberRows(table::Grid &g)
{
    for (int r = 1; r < g.Rows(); ++r)
        g.setTextMatrix(r, 0, QString::number(r));
}

} // namespace

Conversion csvToTable(QByteArrayView csv, table::GradeTable &out)
{
    const QString text = decodeCsvText(csv);
    // First pass: the size, so the grid is laid out once.
    qint64 records = 0, widest = 0;
    {
        CsvParser parser(text);
        QStringList values;
        // Values beyond the widest grid are counted only.
        while (parser.next(values, table::Grid::kMaxCount)) {
            ++records;
            widest = qMax<qint64>(widest, parser.count());
        }
    }
    int rows = 0, cols = 0;
    const bool fits = fitSize(records, widest + 1, &rows, &cols);

    table::GradeTable t;
    table::Grid &g = t.grid;
    {
        table::GridBulk bulk(g);
        g.setRows(rows);
        g.setCols(cols);
        CsvParser parser(text);
        QStringList values;
        for (int r = 0; r < rows && parser.next(values, cols - 1); ++r) {
            const int n = int(qMin<qsizetype>(values.size(), cols - 1));
            for (int k = 0; k < n; ++k)
                g.setTextMatrix(r, k + 1, r == 0 ? headerName(csvUnguarded(values.at(k))) : csvUnguarded(values.at(k)));
        }
        numberRows(g);
    }
    out = std::move(t);
    return {fits ? Conversion::Ok : Conversion::TooLarge};
}

Conversion csvFileToTable(const QString &path, table::GradeTable &out)
{
    QByteArray bytes;
    if (!base::codec::readBytes(path, &bytes))
        return {Conversion::ReadFailed};
    return csvToTable(bytes, out);
}

Conversion dbfFileToTable(const QString &path, table::GradeTable &out)
{
    DbfTable dbf;
    bool more = false;
    const DbfError error = readDbf(path, dbf, kMaxCount - 1, &more);
    if (error != DbfError::None)
        return {Conversion::DbfFailed, int(error)};
    int rows = 0, cols = 0;
    const bool fits = fitSize(qint64(dbf.records.size()) + 1, qint64(dbf.fields.size()) + 1, &rows, &cols) && !more;

    table::GradeTable t;
    table::Grid &g = t.grid;
    {
        table::GridBulk bulk(g);
        g.setRows(rows);
        g.setCols(cols);
        for (int k = 0; k + 1 < cols; ++k)
            g.setTextMatrix(0, k + 1, headerName(dbf.fields.at(k).name));
        for (int r = 1; r < rows; ++r) {
            const QStringList &values = dbf.records.at(r - 1);
            for (int k = 0; k + 1 < cols; ++k)
                g.setTextMatrix(r, k + 1, values.at(k));
        }
        numberRows(g);
    }
    out = std::move(t);
    return {fits ? Conversion::Ok : Conversion::TooLarge};
}

Conversion workbookFileToTable(const QString &path, int sheet, table::GradeTable &out)
{
    SheetCells cells;
    switch (readWorkbookSheet(path, sheet, &cells)) {
    case WorkbookError::None:
        break;
    case WorkbookError::Unreadable:
        return {Conversion::ReadFailed};
    case WorkbookError::BadFormat:
        return {Conversion::BadWorkbook};
    case WorkbookError::NoSheet:
        return {Conversion::NoSheet};
    }
    int rows = 0, cols = 0;
    const bool fits = fitSize(cells.rows, qint64(cells.cols) + 1, &rows, &cols);

    table::GradeTable t;
    table::Grid &g = t.grid;
    {
        table::GridBulk bulk(g);
        g.setRows(rows);
        g.setCols(cols);
        for (SheetCell &cell : cells.cells)
            if (cell.row < rows && cell.col + 1 < cols)
                g.setTextMatrix(cell.row, cell.col + 1, cell.row == 0 ? headerName(cell.text) : cell.text);
        numberRows(g);
    }
    out = std::move(t);
    return {fits ? Conversion::Ok : Conversion::TooLarge};
}

void reportConversion(ui::Prompter &prompter, const Conversion &result)
{
    switch (result.status) {
    case Conversion::Ok:
    case Conversion::ReadFailed:
    case Conversion::NoSheet:
        return;
    case Conversion::BadWorkbook:
    case Conversion::TooLarge:
        prompter.message(table::kBadFileFormat, QStringLiteral("提示"), ui::Icon::Information);
        return;
    case Conversion::DbfFailed:
        prompter.message(QStringLiteral("数据库读取发生错误。错误代码：") + QLatin1Char('\n') +
                             QString::number(result.dbfError) + QStringLiteral("（") +
                             dbfErrorText(DbfError(result.dbfError)) + QStringLiteral("）"),
                         QStringLiteral("错误"), ui::Icon::Critical);
        return;
    }
}

bool saveConverted(table::TableFile &files, table::GradeTable converted, const QString &title, const QString &teacher,
                   const QString &classInfo, const QString &path)
{
    converted.title = title;
    converted.teacher = teacher;
    converted.classInfo = classInfo;
    converted.numberFormat = QStringLiteral("###.##");
    converted.unprotectedSave = false;
    return files.save(converted, table::tableNameFromPath(path));
}

namespace {

// The first line of a file, read without reading the rest.
QString firstLine(const QString &path)
{
    // A pipe would wait for a writer: only a regular file can be a trial table.
    if (!QFileInfo(path).isFile())
        return {};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray line = f.readLine(4096);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return base::codec::decode(line);
}

void tell(ui::Prompter &prompter, const QString &text)
{
    prompter.message(text, QStringLiteral("提示"), ui::Icon::Information);
}

} // namespace

TrialResult convertTrialFile(const QString &path, bool backup, table::TableFile &files, const QString &password,
                             ui::Prompter &prompter)
{
    if (firstLine(path) != table::kMagicLine) {
        tell(prompter, QStringLiteral("数据文件：") + path +
                           QStringLiteral(" 不是有效的试用版数据格式，可能已经是新版本的数据文件。"));
        return TrialResult::NotTrial;
    }
    QByteArray member;
    table::GradeTable check;
    if (!base::codec::readBytes(path, &member) || table::readMember(member, check) != table::MemberResult::Ok) {
        tell(prompter, QStringLiteral("数据文件：") + path + QStringLiteral(" 文件格式不正确!"));
        return TrialResult::BadFormat;
    }
    // Whatever would keep the archive from replacing the file is found before a backup is made.
    if (!files.fitsTableFile(member))
        return TrialResult::PackFailed;
    if (!base::mayReplace(path)) {
        prompter.message(base::kSaveFailed, QStringLiteral("错误"), ui::Icon::Critical);
        return TrialResult::PackFailed;
    }
    if (backup) {
        const QString bak = path + QStringLiteral(".bak");
        struct stat bakStat {};
        // A folder in the backup's place cannot be replaced: the write below reports it.
        if (::lstat(QFile::encodeName(bak).constData(), &bakStat) == 0 && !S_ISDIR(bakStat.st_mode) &&
            prompter.question(QStringLiteral("确实覆盖原有数据么？"), QStringLiteral("提示："), ui::Buttons::YesNo,
                              ui::Icon::Question, ui::Answer::Yes) != ui::Answer::Yes)
            return TrialResult::BackupFailed;
        // The plain copy is as private as the file it copies, and a link planted under its name
        // is replaced, never followed.
        struct stat source {};
        base::WriteOptions options;
        options.replaceLink = true;
        options.mode = ::stat(QFile::encodeName(path).constData(), &source) == 0 ? int(source.st_mode & 0777) : 0600;
        if (base::writeFileAtomically(bak, member, options) != base::WriteResult::Written) {
            tell(prompter, QStringLiteral("备份文件写入失败：") + bak);
            return TrialResult::BackupFailed;
        }
    }
    if (files.packMember(member, path, password))
        return TrialResult::Converted;
    return TrialResult::PackFailed;
}

int convertTrialFiles(const QStringList &paths, bool backup, table::TableFile &files, const QString &password,
                      ui::Prompter &prompter)
{
    int failed = 0;
    for (const QString &path : paths)
        if (convertTrialFile(path, backup, files, password, prompter) != TrialResult::Converted)
            ++failed;
    prompter.message(QStringLiteral("转换完成。"), QStringLiteral("提示"), ui::Icon::Information);
    return failed;
}

} // namespace exchange
