#pragma once
// The printed page of an analysis: one A4 portrait page with the heading "成绩分析：" + the title,
// the figures table, the band table (or nothing, for a grade summary) and a bar chart, drawn
// through the table print engine and the chart routine on any drawing surface, and the print time.
// A table wider than the page is printed in pieces one under the other, each repeating the
// leading columns. The tables' font shrinks (宋体 9 down to 5) and the chart goes from 1.5 to 1
// until everything fits the page; only what does not fit even then goes on over further pages
// (宋体 9, the chart at 1 under the tables or on a page of its own).
#include "core/analysis/grade_summary.h"
#include "core/analysis/table_analysis.h"
#include "core/print/surface.h"

#include <QDate>
#include <QString>

namespace base {
class Progress;
class Workspace;
} // namespace base
namespace ui {
class Prompter;
}

namespace analysis {

struct AnalysisPage {
    QString title;      // after "成绩分析："
    Sheet figures;      // the first table
    int keyColumns = 1; // its leading columns, repeated when it is printed in pieces side by side
    Sheet bands;        // the second table; empty: none
    QStringList notes;  // lines under the tables ("（3）班：没有表格“期中”")
    ChartBars chart;    // the bar chart under them
    QString printTime;  // "打印时间：" and the date
};

// The page of one table's analysis, its chart the bands of fields[field].
AnalysisPage analysisPage(const AnalysisResult &result, int field, const QDate &today);
// The page of a grade summary, its chart the classes' averages of fields[field].
AnalysisPage gradePage(const GradeSummary &summary, int field, const QDate &today);

// Draws the page on `out` from its first page. False with the message in *error when the engine
// stopped.
bool layoutAnalysisPage(print::Surface &out, const AnalysisPage &page, QString *error);

// 打印: on the current printer with the program's settings.
bool printAnalysisPage(const AnalysisPage &page, base::Workspace &ws, ui::Prompter &prompter);
// 导出PDF: the page 打印 would print, into `path`, written whole or not at all.
bool exportAnalysisPdf(const AnalysisPage &page, const QString &path, int penWidth, base::Progress &progress,
                       ui::Prompter &prompter);

} // namespace analysis
