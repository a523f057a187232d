#include "core/print/table_print_job.h"

#include "core/base/progress.h"
#include "core/base/workspace.h"
#include "core/formula/cell_formula.h"
#include "core/print/print_output.h"
#include "core/print/table_print_engine.h"
#include "core/print/tp_helper.h"
#include "core/table/grade_table.h"
#include "core/ui/prompter.h"

#include <algorithm>
#include <cmath>

namespace print {

namespace {

const QString kPrintErrorTitle = QStringLiteral("打印错误");
constexpr QRgb kPageLineGrey = 0xff808080; // red, green and blue 128 each

PrintFont font(const QString &name, double size, bool bold)
{
    PrintFont f;
    f.name = name;
    f.size = size;
    f.bold = bold;
    return f;
}

const QString kSong = QStringLiteral("宋体");

// Starts the next page: on paper a new sheet; on the preview the picture grows by one A4 page,
// with a grey line where the page ends when lines are on. CurrentY goes to the top margin.
void nextPage(Surface &out, TablePrintJob::Output output, bool lines)
{
    if (output == TablePrintJob::Output::Paper) {
        out.NewPage();
        out.setCurrentY(TablePrintJob::kMargin);
        return;
    }
    const double y = out.ScaleHeight();
    out.setHeight(out.Height() + kA4Height);
    if (lines)
        out.Line(0, y, out.ScaleWidth(), y, LineKind::Line, kPageLineGrey);
    out.setCurrentY(y + TablePrintJob::kMargin);
}

} // namespace

QString printTimeText(const QDate &date)
{
    return QStringLiteral("打印时间：") + date.toString(QStringLiteral("yyyy/M/d"));
}

TablePrintJob::TablePrintJob(const table::GradeTable &doc, formula::Calculator &calc)
    : m_values(formula::evaluatedCopy(doc, calc)), m_caption(doc.title), m_teacher(doc.teacher),
      m_classInfo(doc.classInfo)
{
}

int TablePrintJob::pageCount(int rows)
{
    const int students = std::max(0, rows - 1);
    return std::max(1, (students + kRowsPerPage - 1) / kRowsPerPage);
}

QStringList TablePrintJob::pageChoices() const
{
    QStringList choices{QStringLiteral("全部")};
    for (int p = 1; p <= pageCount(); ++p)
        choices << QString::number(p);
    return choices;
}

QStringList TablePrintJob::rowChoices() const
{
    QStringList choices{QStringLiteral("任意")};
    for (int r = 1; r < m_values.Rows(); ++r)
        choices << QString::number(r);
    return choices;
}

PrintOptions TablePrintJob::initialOptions(const QDate &today) const
{
    PrintOptions o;
    o.title = m_caption;
    o.teacher = !m_teacher.isEmpty();
    o.printTime = printTimeText(today);
    return o;
}

table::Grid TablePrintJob::workGrid(const PrintOptions &options) const
{
    const table::Grid &t = m_values;
    table::Grid work;
    work.setCols(t.Cols());
    QList<int> rows{0};
    if (options.page > 0) {
        const int first = (options.page - 1) * kRowsPerPage;
        const int count = std::min(kRowsPerPage + 1, t.Rows() - first);
        for (int k = 1; k < count; ++k)
            rows << first + k;
    } else if (options.row > 0 && options.row < t.Rows()) {
        rows << options.row;
    } else {
        return t;
    }
    work.setRows(int(rows.size()));
    for (int k = 0; k < int(rows.size()); ++k)
        for (int c = 0; c < t.Cols(); ++c)
            work.setTextMatrix(k, c, t.TextMatrix(rows[k], c));
    // The header format sets the header row; the widths are the table's own, not a fit to the names.
    work.setFormatString(t.FormatString());
    for (int c = 0; c < t.Cols(); ++c) {
        work.setTextMatrix(0, c, t.TextMatrix(0, c));
        work.setColWidth(c, t.ColWidth(c));
    }
    return work;
}

bool TablePrintJob::showsHeading(const PrintOptions &options) const
{
    return options.page <= 1;
}

bool TablePrintJob::showsTrailer(const PrintOptions &options) const
{
    return options.page <= 0 || options.page == pageCount();
}

int TablePrintJob::sheetCount(const PrintOptions &options, double twipsPerPixel) const
{
    PrintOptions counted = options;
    counted.pageNumbers = false;
    RecordingSurface sheets(RecordingSurface::Measure::Fonts, twipsPerPixel, kA4Width, kA4Height);
    layout(sheets, counted, Output::Paper, 1, nullptr);
    return sheets.pageCount();
}

bool TablePrintJob::layout(Surface &out, const PrintOptions &o, Output output, int lineWidth, QString *error) const
{
    const double width = out.ScaleWidth();
    // Page numbers count the sheets of the whole printout; one page of it keeps its own number.
    int pageNumber = 1, pageTotal = 1;
    if (o.pageNumbers) {
        PrintOptions whole = o;
        if (o.page > 0) {
            whole.page = whole.row = 0;
            pageNumber = o.page;
        }
        pageTotal = sheetCount(whole, out.twipsPerPixelX());
    }
    // In the bottom margin, centred, 宋体 8; the cells' fonts are chosen again after it.
    auto printPageNumber = [&] {
        if (!o.pageNumbers)
            return;
        const PrintFont before = out.Font();
        const QString text = QStringLiteral("第 %1 页 共 %2 页").arg(pageNumber).arg(std::max(pageNumber, pageTotal));
        out.setFont(font(kSong, 8, false));
        out.setCurrentX((width - out.TextWidth(text)) / 2);
        out.setCurrentY(out.ScaleHeight() - kMargin + 200);
        out.Print(text, false);
        out.setFont(before);
    };
    auto breakPage = [&] {
        printPageNumber();
        ++pageNumber;
        nextPage(out, output, o.lines);
    };
    auto heading = [&] {
        const QString teacherLine = QStringLiteral("教师： ") + m_teacher;
        const bool teacher = o.teacher && !m_teacher.isEmpty();
        if (output == Output::Paper) {
            out.Print();
            out.setFont(font(QStringLiteral("黑体"), 14, true));
            out.setCurrentX((width - out.TextWidth(o.title)) * 0.5);
            out.Print(o.title);
            out.Print();
            out.setFont(font(kSong, 8, false));
            out.setCurrentY(300);
            out.setCurrentX(width - out.TextWidth(teacherLine) - kMargin);
            if (teacher)
                out.Print(teacherLine);
        } else {
            out.setFont(font(QStringLiteral("黑体"), 14, true));
            out.setCurrentX((width - out.TextWidth(o.title)) / 2);
            out.setCurrentY(50);
            out.Print(o.title);
            out.setFont(font(kSong, 8, false));
            out.setCurrentY(200);
            out.setCurrentX(width - out.TextWidth(teacherLine) - kMargin);
            if (teacher)
                out.Print(teacherLine, false);
        }
    };
    // Empty line and class information in 宋体 9, footer and print time in 宋体 8, right-aligned
    // 567 twips from the edge; on a page of their own when they would reach the bottom margin.
    auto trailer = [&] {
        const bool classInfo = o.classInfo && !m_classInfo.isEmpty();
        const double em9 = 180, em8 = 160;
        const double classLines = classInfo ? double(textLines(m_classInfo).size()) : 1;
        const bool footer = !o.footer.trimmed().isEmpty();
        const double height = em9 + classLines * em9 + (footer ? em8 : 0) + em8;
        if (out.CurrentY() + height > out.ScaleHeight() - kMargin)
            breakPage();
        out.setFont(font(kSong, 9, false));
        out.Print();
        out.setCurrentX(600);
        if (classInfo)
            out.Print(m_classInfo, false);
        out.Print();
        out.setFontSize(8);
        if (footer) {
            out.setCurrentX(width - out.TextWidth(o.footer) - kMargin);
            out.Print(o.footer);
        }
        out.setCurrentX(width - out.TextWidth(o.printTime) - kMargin);
        out.Print(o.printTime);
    };

    if (output == Output::Preview) {
        out.setWidth(kA4Width);
        out.setHeight(kA4Height);
        out.Cls();
    } else if (showsHeading(o)) {
        heading();
    }

    const bool whole = o.page <= 0 && o.row <= 0;
    const table::Grid work = whole ? table::Grid() : workGrid(o);
    TablePrintEngine tp;
    mdlTPHelper::GridLook look;
    look.gridLineWidth = std::clamp(lineWidth, 1, 10);
    if (!mdlTPHelper::LoadFromFlexGrid(tp, whole ? m_values : work, o.fitToPaper ? width - 2 * kMargin : -1, look)) {
        if (error)
            *error = tp.ErrDescription();
        return false;
    }
    tp.MarginBottom = tp.MarginLeft = tp.MarginTop = kMargin;
    tp.TableLines = o.lines;
    tp.NewPage = [&](Surface *&, bool &topSet, bool &, int) {
        breakPage();
        topSet = true;
    };
    out.setCurrentY(kMargin);
    if (!tp.DrawTable(&out, 0, 1)) {
        if (error)
            *error = tp.ErrDescription();
        return false;
    }
    if (showsTrailer(o))
        trailer();
    printPageNumber();
    if (output == Output::Preview && showsHeading(o))
        heading();
    if (!out.ok()) {
        if (error)
            *error = out.errorText();
        return false;
    }
    return true;
}

std::unique_ptr<RecordingSurface> TablePrintJob::preview(const PrintOptions &options, base::Workspace &ws,
                                                         ui::Prompter &prompter) const
{
    base::BusyScope busy(ws, QStringLiteral("正在生成打印预览..."));
    auto out = std::make_unique<RecordingSurface>(RecordingSurface::Measure::Fonts);
    QString error;
    if (!layout(*out, options, Output::Preview, ws.printLineWidth, &error))
        prompter.message(error, kPrintErrorTitle, ui::Icon::Critical);
    return out;
}

bool TablePrintJob::print(const PrintOptions &options, base::Workspace &ws, ui::Prompter &prompter) const
{
    const int lineWidth = ws.printLineWidth;
    return printPages(
        [&](Surface &pages, QString *error) { return layout(pages, options, Output::Paper, lineWidth, error); },
        options.title, kPortrait, ws, prompter);
}

bool TablePrintJob::exportPdf(const PrintOptions &options, const QString &path, base::Workspace &ws,
                              ui::Prompter &prompter) const
{
    const int lineWidth = ws.printLineWidth;
    return exportPagesPdf(
        [&](Surface &pages, QString *error) { return layout(pages, options, Output::Paper, lineWidth, error); },
        options.title, kPortrait, lineWidth, path, ws, prompter);
}

bool TablePrintJob::menuExportPdf(const PrintOptions &options, base::Workspace &ws, ui::Prompter &prompter) const
{
    const QString path = ui::ShowSaveDialog(prompter, QStringLiteral("*.pdf"));
    if (path.isEmpty())
        return false;
    return exportPdf(options, path, ws, prompter);
}

} // namespace print
