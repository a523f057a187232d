// CSV export of a whole grade's table with ten formula columns, as the teacher runs it from the
// command line (scorvane-cli export-csv, the whole process: start, unpack, evaluate, write), against
// gnumeric's ssconvert --recalc turning the same data with the same formulas, written as
// spreadsheet formulas, into CSV. Both outputs are compared value by value.
#include "bench_common.h"
#include "formula_columns.h"
#include "gnumeric_yardstick.h"

#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/exchange/csv_reader.h"
#include "core/table/table_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

using namespace bench;

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
    table::GradeTable t;
    makeFormulaTable(t);
    const QString gdt = dir.filePath(QStringLiteral("grade.gdt"));
    const QString workbook = dir.filePath(QStringLiteral("grade.gnumeric"));
    const QString ours = dir.filePath(QStringLiteral("ours.csv"));
    const QString theirs = dir.filePath(QStringLiteral("theirs.csv"));
    if (!files.writeTableFile(t, gdt, ws.tablePassword) || !base::codec::writeBytes(workbook, gnumericWorkbook(t))) {
        std::fprintf(stderr, "cannot write the inputs\n");
        return 1;
    }

    const double cliMs = medianProcessMs(cli,
                                         {QStringLiteral("--dir"), dir.path(), QStringLiteral("--table-password"),
                                          ws.tablePassword, QStringLiteral("export-csv"), gdt, ours},
                                         kProcessRepeats);
    const double gnumericMs =
        medianProcessMs(ssconvert, {QStringLiteral("--recalc"), workbook, theirs}, kProcessRepeats);
    if (cliMs < 0 || gnumericMs < 0) {
        std::fprintf(stderr, "a run failed (scorvane-cli %.0f, ssconvert %.0f)\n", cliMs, gnumericMs);
        return 1;
    }

    // Same values: our lines are the title, then ",row,fields…"; theirs start with the fields.
    const QList<QStringList> a = csvRecords(ours), b = csvRecords(theirs);
    const int cols = t.grid.Cols();
    long compared = 0, differ = 0;
    for (int r = 1; r <= kStudents && r + 1 < a.size() && r < b.size(); ++r)
        for (int c = kFields + 1; c < cols; ++c) {
            const double x = a[r + 1].value(c + 1).toDouble(), y = b[r].value(c - 1).toDouble();
            ++compared;
            if (std::fabs(x - y) > 0.006) // ours are rounded to two places (###.##)
                ++differ;
        }
    if (compared != long(kStudents) * (cols - kFields - 1) || differ) {
        std::fprintf(stderr, "outputs differ: %ld of %ld formula values\n", differ, compared);
        return 1;
    }

    o << "bench_export_csv: " << kStudents << " students x " << kFields << " fields + " << (cols - kFields - 1)
      << " formula columns, whole process, median of " << kProcessRepeats << " runs; " << compared
      << " formula values agree\n";
    auto line = [&](const QString &what, double ms) {
        o << QStringLiteral("  %1 %2\n").arg(what, -44).arg(ms, 10, 'f', 1);
    };
    line(QStringLiteral("scorvane-cli export-csv (ms)"), cliMs);
    line(QStringLiteral("ssconvert --recalc .gnumeric -> .csv (ms)"), gnumericMs);
    o << QStringLiteral("  %1 %2\n")
             .arg(QStringLiteral("ratio gnumeric/ours (target >= 20)"), -44)
             .arg(gnumericMs / cliMs, 10, 'f', 1);
    o.flush();
    row(QStringLiteral("export-csv, whole process (50,000 formulas)"), cliMs,
        QStringLiteral("ssconvert --recalc to CSV"), gnumericMs, QStringLiteral("ratio<=0.05"));
    return 0;
}
