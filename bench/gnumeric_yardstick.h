#pragma once
// Shared by the benchmarks that race gnumeric's ssconvert: the table as a Gnumeric workbook (its
// formulas as spreadsheet formulas), timing a whole process, and reading a CSV file back.
#include "bench_common.h"

#include "core/base/text_codec.h"
#include "core/exchange/csv_reader.h"
#include "core/formula/cell_formula.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>

namespace bench {

inline constexpr int kProcessRepeats = 5;

// ssconvert and our command line, both needed for the race; false, saying so, when one is missing.
inline bool racersFound(QString *ssconvert, const QString &cli)
{
    *ssconvert = QStandardPaths::findExecutable(QStringLiteral("ssconvert"));
    if (ssconvert->isEmpty() || !QFile::exists(cli)) {
        std::fprintf(stderr, "needs ssconvert (gnumeric) and %s\n", qPrintable(cli));
        return false;
    }
    return true;
}

// The race's folder; SCORVANE_BENCH_KEEP=1 keeps the inputs and outputs for a closer look.
inline bool raceFolderReady(QTemporaryDir &dir)
{
    if (!dir.isValid())
        return false;
    if (qEnvironmentVariableIsSet("SCORVANE_BENCH_KEEP")) {
        dir.setAutoRemove(false);
        std::fprintf(stderr, "files in %s\n", qPrintable(dir.path()));
    }
    return true;
}

// Spreadsheet column letters of grid column c (column 1 is A).
inline QString columnLetters(int c)
{
    QString letters;
    for (int n = c; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
}

// A cell formula body as a spreadsheet formula on sheet row `sheetRow`.
inline QString spreadsheetFormula(const QString &body, int sheetRow)
{
    static const QRegularExpression ref(QStringLiteral("cell\\(\\?,(\\d+)\\)"));
    QString f = body;
    f.replace(QStringLiteral("sr("), QStringLiteral("sqrt("));
    QString out;
    qsizetype last = 0;
    for (auto it = ref.globalMatch(f); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(f).sliced(last, m.capturedStart() - last);
        out += columnLetters(m.captured(1).toInt()) + QString::number(sheetRow);
        last = m.capturedEnd();
    }
    out += QStringView(f).sliced(last);
    return QLatin1Char('=') + out;
}

inline QString xmlEscaped(const QString &s)
{
    return s.toHtmlEscaped();
}

// The table as a Gnumeric workbook: row 1 the field names, then one row per student; scores as
// numbers, names as text, formula cells as formulas.
inline QByteArray gnumericWorkbook(const table::GradeTable &t)
{
    const table::Grid &g = t.grid;
    QString x;
    x += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<gnm:Workbook xmlns:gnm=\"http://www.gnumeric.org/v10.dtd\">\n"
                        "<gnm:SheetNameIndex><gnm:SheetName>Sheet1</gnm:SheetName></gnm:SheetNameIndex>\n"
                        "<gnm:Sheets><gnm:Sheet><gnm:Name>Sheet1</gnm:Name>\n");
    x += QStringLiteral("<gnm:MaxCol>%1</gnm:MaxCol><gnm:MaxRow>%2</gnm:MaxRow>\n<gnm:Cells>\n")
             .arg(g.Cols() - 2)
             .arg(g.Rows() - 1);
    for (int r = 0; r < g.Rows(); ++r)
        for (int c = 1; c < g.Cols(); ++c) {
            const QString text = g.TextMatrix(r, c);
            if (text.isEmpty())
                continue;
            const QString pos = QStringLiteral("Row=\"%1\" Col=\"%2\"").arg(r).arg(c - 1);
            if (formula::isFormula(text)) {
                x += QStringLiteral("<gnm:Cell %1>%2</gnm:Cell>\n")
                         .arg(pos, xmlEscaped(spreadsheetFormula(text.mid(formula::kFormulaMarker.size()), r + 1)));
            } else {
                bool number = false;
                text.toDouble(&number);
                x += QStringLiteral("<gnm:Cell %1 ValueType=\"%2\">%3</gnm:Cell>\n")
                         .arg(pos, number && r > 0 ? QStringLiteral("40") : QStringLiteral("60"), xmlEscaped(text));
            }
        }
    x += QStringLiteral("</gnm:Cells>\n</gnm:Sheet></gnm:Sheets>\n</gnm:Workbook>\n");
    return x.toUtf8();
}

// Runs a program `repeats` times; the median wall time in ms, or -1 when a run failed.
inline double medianProcessMs(const QString &program, const QStringList &args, int repeats)
{
    std::vector<double> ms;
    for (int i = 0; i < repeats; ++i) {
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        p.start(program, args);
        if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return -1;
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

inline QList<QStringList> csvRecords(const QString &path)
{
    QByteArray bytes;
    base::codec::readBytes(path, &bytes);
    exchange::CsvParser parser(exchange::decodeCsvText(bytes));
    QList<QStringList> records;
    QStringList r;
    while (parser.next(r))
        records << r;
    return records;
}

} // namespace bench
