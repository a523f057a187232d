#pragma once
// Preview and printing of a grade table (the logic behind PrintDialog "打印:"). The job takes
// the table's values once, from the evaluated copy, so the open table, its undo snapshot and its
// change marker are never touched. It offers the page and row choices, lays out the preview (one
// tall picture with grey page lines), and sends exactly the pages the preview shows to a printer
// or a PDF file: a heading (title, teacher), the table in 64-row pages and a trailer (class
// information, footer text, print time).
#include "core/print/recording_surface.h"
#include "core/table/grid.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <memory>

namespace base {
class Progress;
class Workspace;
} // namespace base
namespace formula {
class Calculator;
}
namespace table {
class GradeTable;
}
namespace ui {
class Prompter;
}

namespace print {

// The choices of the print dialog.
struct PrintOptions {
    QString title;            // Text2 表格标题
    QString footer;           // Text1 页脚文字
    bool classInfo = true;    // Check3 显示班级信息
    bool teacher = true;      // Check2 显示教师
    bool fitToPaper = true;   // chkColWidth 适应纸张大小(A4纸张)
    bool lines = true;        // Check1 表格划线
    int page = 0;             // Combo1: 0 全部, else the page
    int row = 0;              // Combo2: 0 任意, else the table row
    QString printTime;        // "打印时间：" and the date
    bool pageNumbers = false; // chkPageNumbers 打印页码: "第 N 页 共 M 页" under each page
};

// "打印时间：" followed by the date in the short form yyyy/M/d.
QString printTimeText(const QDate &date);

class TablePrintJob {
public:
    static constexpr int kRowsPerPage = 64;
    static constexpr double kMargin = 567;

    // Takes the table's values (every formula evaluated, as 计算所有公式 would), title, teacher and
    // class information.
    TablePrintJob(const table::GradeTable &doc, formula::Calculator &calc);

    const table::Grid &values() const { return m_values; }
    QString teacher() const { return m_teacher; }
    QString classInfo() const { return m_classInfo; }

    // ⌈(Rows − 1) ÷ 64⌉ pages, at least one, so every student is on a page.
    static int pageCount(int rows);
    int pageCount() const { return pageCount(m_values.Rows()); }
    // Combo1: "全部", "1", "2", …; Combo2: "任意", "1" … Rows − 1.
    QStringList pageChoices() const;
    QStringList rowChoices() const;
    // The dialog's first state: the title, today's print time, everything ticked (the teacher
    // only when there is one), all pages, any row.
    PrintOptions initialOptions(const QDate &today) const;

    // What is printed: one page of students under the header row, one student under it, or the
    // whole table. The work grid has the table's columns and column widths.
    table::Grid workGrid(const PrintOptions &options) const;
    bool showsHeading(const PrintOptions &options) const;
    bool showsTrailer(const PrintOptions &options) const;

    enum class Output { Preview, Paper };
    // Lays the chosen pages out: on the preview one tall picture that grows by a page at each
    // break (a grey line between pages when lines are on), on paper page by page. False with the
    // message in *error when the engine stopped.
    bool layout(Surface &out, const PrintOptions &options, Output output, int lineWidth, QString *error) const;
    // The paper sheets the options print, laid out once more without page numbers.
    int sheetCount(const PrintOptions &options, double twipsPerPixel) const;

    // Every output draws with the printer settings' line width (the header's doubled) as it is at
    // that moment: 打印机设置 may change it while the dialog is open.
    // 刷新: the preview, with the status text and busy pointer meanwhile. An error is shown and
    // the preview keeps what was laid out before it.
    std::unique_ptr<RecordingSurface> preview(const PrintOptions &options, base::Workspace &ws,
                                              ui::Prompter &prompter) const;
    // 打印: on the current printer with the program's settings. Without a printer, or when the
    // printer fails, "打印错误，请检查 打印机连接！"; a failed job is aborted.
    bool print(const PrintOptions &options, base::Workspace &ws, ui::Prompter &prompter) const;
    // 导出PDF: the pages 打印 would print, into `path` (written whole or not at all).
    bool exportPdf(const PrintOptions &options, const QString &path, base::Workspace &ws, ui::Prompter &prompter) const;
    // 导出PDF(&D) in the dialog: asks for the file ("*.pdf") first; false when cancelled.
    bool menuExportPdf(const PrintOptions &options, base::Workspace &ws, ui::Prompter &prompter) const;

private:
    table::Grid m_values;
    QString m_caption;
    QString m_teacher;
    QString m_classInfo;
};

} // namespace print
