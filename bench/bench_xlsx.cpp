// Excel workbooks as the teacher converts them from the command line, each a whole process against
// gnumeric's ssconvert doing the same conversion in the same run:
//   export-xlsx of a whole grade's table with 50,000 formulas, against ssconvert --recalc turning
//   the same data and formulas (a Gnumeric workbook) into .xlsx;
//   convert-xlsx of a 5,000 × 30 workbook (written by ssconvert, shared strings and all) into a
//   table, against ssconvert reading that workbook into CSV (and, for comparison, into its own file).
// Both exports are read back and compared value by value; the peak memory of our processes is
// reported beside the size of the data.
#include "bench_common.h"
#include "formula_columns.h"
#include "gnumeric_yardstick.h"

#include "core/base/workspace.h"
#include "core/exchange/converters.h"
#include "core/exchange/workbook_reader.h"
#include "core/table/table_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

using namespace bench;

namespace {

// The peak resident memory in KiB of one run, by GNU time.
long peakKiB(const QString &program, const QStringList &args, const QString &scratch)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    const QString report = scratch + QStringLiteral("/peak");
    p.start(QStringLiteral("/usr/bin/time"),
            QStringList{QStringLiteral("-f"), QStringLiteral("%M"), QStringLiteral("-o"), report, program} + args);
    if (!p.waitForFinished(600000))
        return -1;
    QFile f(report);
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().split('\n').last().toLong() : -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    auto &o = out();
    QString ssconvert;
    const QString cli = QStringLiteral(SCORVANE_CLI_PATH);
    QTemporaryDir dir;
    if (!racersFound(&ssconvert, cli) || !raceFolderReady(dir))
        return 1;
    base::Workspace ws(dir.path());
    ws.tablePassword = QStringLiteral("pw");
    GoAheadPrompter prompter;
    table::TableFile files(ws, prompter);
    auto file = [&](const char *name) { return dir.filePath(QLatin1String(name)); };
    const QStringList common{QStringLiteral("--dir"), dir.path(), QStringLiteral("--table-password"), ws.tablePassword,
                             QStringLiteral("--yes")};

    // Export: the table with its formulas.
    table::GradeTable t;
    makeFormulaTable(t);
    table::GradeTable plain;
    makeClassTable(plain);
    if (!files.writeTableFile(t, file("grade.gdt"), ws.tablePassword) ||
        !base::codec::writeBytes(file("grade.gnumeric"), gnumericWorkbook(t)) ||
        !base::codec::writeBytes(file("plain.gnumeric"), gnumericWorkbook(plain))) {
        std::fprintf(stderr, "cannot write the inputs\n");
        return 1;
    }
    const QStringList exportArgs =
        common + QStringList{QStringLiteral("export-xlsx"), file("grade.gdt"), file("ours.xlsx")};
    const double exportMs = medianProcessMs(cli, exportArgs, kProcessRepeats);
    const double gnumericExportMs = medianProcessMs(
        ssconvert, {QStringLiteral("--recalc"), file("grade.gnumeric"), file("theirs.xlsx")}, kProcessRepeats);

    // Convert: a 5,000 × 30 workbook another program wrote.
    if (medianProcessMs(ssconvert, {file("plain.gnumeric"), file("plain.xlsx")}, 1) < 0) {
        std::fprintf(stderr, "ssconvert could not write the workbook\n");
        return 1;
    }
    const QStringList convertArgs =
        common + QStringList{QStringLiteral("convert-xlsx"), file("plain.xlsx"), file("plain.gdt")};
    const double convertMs = medianProcessMs(cli, convertArgs, kProcessRepeats);
    const double gnumericConvertMs =
        medianProcessMs(ssconvert, {file("plain.xlsx"), file("plain.csv")}, kProcessRepeats);
    // For comparison only: ssconvert turning the workbook into its own (compressed) file, as ours
    // turns it into a table file.
    const double gnumericNativeMs =
        medianProcessMs(ssconvert, {file("plain.xlsx"), file("native.gnumeric")}, kProcessRepeats);
    if (exportMs < 0 || gnumericExportMs < 0 || convertMs < 0 || gnumericConvertMs < 0) {
        std::fprintf(stderr, "a run failed (export %.0f / %.0f, convert %.0f / %.0f)\n", exportMs, gnumericExportMs,
                     convertMs, gnumericConvertMs);
        return 1;
    }

    // Same values: our export read by our reader against gnumeric's own .xlsx, and the converted
    // table against the data it came from.
    exchange::SheetCells ours, theirs;
    if (exchange::readWorkbookSheet(file("ours.xlsx"), 0, &ours) != exchange::WorkbookError::None ||
        exchange::readWorkbookSheet(file("theirs.xlsx"), 0, &theirs) != exchange::WorkbookError::None) {
        std::fprintf(stderr, "an export cannot be read back\n");
        return 1;
    }
    std::vector<std::vector<QString>> a(kStudents + 1), b(kStudents + 1);
    const int cols = t.grid.Cols();
    for (auto &r : a)
        r.resize(cols + 1);
    for (auto &r : b)
        r.resize(cols + 1);
    for (const exchange::SheetCell &c : ours.cells)
        if (c.row <= kStudents && c.col <= cols)
            a[c.row][c.col] = c.text; // column A holds the row numbers
    for (const exchange::SheetCell &c : theirs.cells)
        if (c.row <= kStudents && c.col + 1 <= cols)
            b[c.row][c.col + 1] = c.text;
    long compared = 0, differ = 0;
    for (int r = 1; r <= kStudents; ++r)
        for (int c = kFields + 1; c < cols; ++c) {
            ++compared;
            if (std::fabs(a[r][c].toDouble() - b[r][c].toDouble()) > 0.006) // ours: ###.##
                ++differ;
        }
    table::GradeTable converted;
    if (!files.readTableFile(file("plain.gdt"), converted)) {
        std::fprintf(stderr, "the converted table cannot be read\n");
        return 1;
    }
    long cells = 0, wrong = 0;
    for (int r = 1; r <= kStudents; ++r)
        for (int c = 1; c <= kFields; ++c, ++cells)
            if (converted.grid.TextMatrix(r, c) != plain.grid.TextMatrix(r, c))
                ++wrong;
    if (compared != long(kStudents) * (cols - kFields - 1) || differ || wrong) {
        std::fprintf(stderr, "outputs differ: %ld of %ld formula values, %ld of %ld converted cells\n", differ,
                     compared, wrong, cells);
        return 1;
    }

    const long exportKiB = peakKiB(cli, exportArgs, dir.path());
    const long convertKiB = peakKiB(cli, convertArgs, dir.path());
    o << "bench_xlsx: " << kStudents << " students x " << kFields << " fields + " << (cols - kFields - 1)
      << " formula columns, whole processes, median of " << kProcessRepeats << " runs; " << compared
      << " formula values and " << cells << " converted cells agree\n";
    auto line = [&](const QString &what, double value) {
        o << QStringLiteral("  %1 %2\n").arg(what, -50).arg(value, 10, 'f', 1);
    };
    line(QStringLiteral("scorvane-cli export-xlsx (ms)"), exportMs);
    line(QStringLiteral("ssconvert --recalc .gnumeric -> .xlsx (ms)"), gnumericExportMs);
    line(QStringLiteral("scorvane-cli convert-xlsx (ms)"), convertMs);
    line(QStringLiteral("ssconvert .xlsx -> .csv (ms)"), gnumericConvertMs);
    line(QStringLiteral("ssconvert .xlsx -> .gnumeric (ms)"), gnumericNativeMs);
    line(QStringLiteral("export-xlsx peak memory (KiB)"), double(exportKiB));
    line(QStringLiteral("convert-xlsx peak memory (KiB)"), double(convertKiB));
    line(QStringLiteral("workbook converted (KiB)"), double(QFileInfo(file("plain.xlsx")).size()) / 1024);
    o.flush();
    row(QStringLiteral("export-xlsx, whole process (50,000 formulas)"), exportMs,
        QStringLiteral("ssconvert --recalc to .xlsx"), gnumericExportMs, QStringLiteral("ratio<=0.1"));
    row(QStringLiteral("convert-xlsx, whole process (5,000 x 30)"), convertMs, QStringLiteral("ssconvert .xlsx to CSV"),
        gnumericConvertMs, QStringLiteral("ratio<=0.1"));
    return 0;
}
