#include "core/exchange/xlsx_export.h"

#include "core/base/file_writer.h"
#include "core/exchange/workbook_reader.h"
#include "core/formula/calculate.h"
#include "core/formula/cell_formula.h"
#include "core/table/fields.h"
#include "core/table/grade_table.h"
#include "core/table/sort_rows.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <thread>
#include <unistd.h>
#include <xlsxwriter.h>
#include <zlib.h>

namespace {

// Set while this thread's workbook is being written: its members are deflated at zlib's fastest
// level. libxlsxwriter always asks minizip for the default level, at which deflating a whole
// grade's sheet takes longer than everything else the export does; the fastest level makes the
// file about a quarter larger.
thread_local bool fastWorkbookDeflate = false;

using OpenMember = int (*)(void *, const char *, const void *, const void *, unsigned, const void *, unsigned,
                           const char *, int, int, int, int, int, int, const char *, unsigned long, unsigned long,
                           unsigned long, int);

} // namespace

// minizip's call that starts each member of the archive, which libxlsxwriter makes through the
// dynamic linker: this definition in the program comes first, changes the level while a workbook
// of ours is written and hands every call on to minizip's own.
extern "C" __attribute__((visibility("default"))) int
zipOpenNewFileInZip4_64(void *zip, const char *name, const void *info, const void *localExtra, unsigned localExtraSize,
                        const void *globalExtra, unsigned globalExtraSize, const char *comment, int method, int level,
                        int raw, int windowBits, int memLevel, int strategy, const char *password,
                        unsigned long crcForCrypting, unsigned long versionMadeBy, unsigned long flagBase, int zip64)
{
    static const auto minizip = reinterpret_cast<OpenMember>(::dlsym(RTLD_NEXT, "zipOpenNewFileInZip4_64"));
    if (!minizip)
        return -1; // ZIP_ERRNO: the workbook is not written, and the export says so
    if (fastWorkbookDeflate && method == Z_DEFLATED && !raw)
        level = Z_BEST_SPEED;
    return minizip(zip, name, info, localExtra, localExtraSize, globalExtra, globalExtraSize, comment, method, level,
                   raw, windowBits, memLevel, strategy, password, crcForCrypting, versionMadeBy, flagBase, zip64);
}

namespace exchange {

namespace {

// The longest text a spreadsheet cell holds.
constexpr qsizetype kMaxWorkbookText = 32'767;

} // namespace

std::optional<double> workbookNumber(QStringView v)
{
    if (!isShortestNumberText(v))
        return std::nullopt;
    return table::sortNumber(v);
}

namespace {
// XML 1.0 cannot hold control characters other than tab and the line ends, not even escaped: in a
// property or sheet name they would make the workbook unreadable.
QString withoutControls(QString text)
{
    for (QChar &c : text)
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
            c = u'_';
    return text;
}
} // namespace

QString sheetNameForTitle(const QString &title)
{
    QString name = title;
    for (QChar &c : name)
        if (QStringView(u"[]:*?/\\").contains(c) || c.unicode() < 0x20)
            c = u'_';
    if (name.size() > 31)
        name.truncate(name.at(30).isHighSurrogate() ? 30 : 31);
    if (name.startsWith(u'\''))
        name[0] = u'_';
    if (name.endsWith(u'\''))
        name[name.size() - 1] = u'_';
    return name.isEmpty() ? QStringLiteral("Sheet1") : name;
}

namespace {

// A workbook's text spells a character as "_xHHHH_", so a cell that holds those characters
// itself has its "_" written as "_x005F_"; readers give the text back unchanged.
QString escapedText(QString text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    static const QRegularExpression escape(QStringLiteral("_(x[0-9A-Fa-f]{4}_)"));
    return text.replace(escape, QStringLiteral("_x005F_\\1"));
}

QByteArray cellBytes(const QString &text)
{
    if (text.size() <= kMaxWorkbookText)
        return escapedText(text).toUtf8();
    return escapedText(
               text.left(text.at(kMaxWorkbookText - 1).isHighSurrogate() ? kMaxWorkbookText - 1 : kMaxWorkbookText))
        .toUtf8();
}

// A grid column's width in twips as a spreadsheet's width in characters (7 pixels each plus 5 of
// padding at 15 twips a pixel).
double characterWidth(int twips)
{
    const double pixels = twips / 15.0;
    return pixels <= 12 ? pixels / 12 : (pixels - 5) / 7;
}

// libxlsxwriter prints its own errors (in English) to stderr; the program says what failed in its
// own words, so they are kept from the terminal while the library writes.
class QuietStderr {
public:
    QuietStderr()
    {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_saved >= 0 && null >= 0)
            ::dup2(null, STDERR_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~QuietStderr()
    {
        std::fflush(stderr);
        if (m_saved >= 0) {
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
        }
    }
    QuietStderr(const QuietStderr &) = delete;
    QuietStderr &operator=(const QuietStderr &) = delete;

private:
    int m_saved = -1;
};

struct Closer {
    lxw_workbook *wb;
    ~Closer()
    {
        if (wb)
            workbook_close(wb);
    }
};

// The values the sheet is written from. When no formula refers to a formula cell, any order of
// evaluation gives each formula its evaluated copy's value, so a second thread evaluates the rows
// while the sheet is written and the writer waits only for a row not yet done; otherwise the
// evaluated copy is made first.
class SheetValues {
public:
    SheetValues(const table::GradeTable &t, formula::Calculator &calc) : m_grid(t.grid), m_cols(t.grid.Cols())
    {
        if (!formula::formulasReferOnlyToPlainCells(t.grid, calc)) {
            m_copy = formula::evaluatedCopy(t, calc);
            return;
        }
        m_values.resize(size_t(t.grid.Rows()) * size_t(m_cols));
        // The cache of compiled formulas is not shared between threads.
        formula::Calculator own = calc;
        own.formulas.reset();
        m_evaluator = std::thread([this, &t, own = std::move(own)]() mutable {
            for (int r = 0; r < t.grid.Rows() && !m_stop.load(std::memory_order_relaxed); ++r) {
                for (int c = 0; c < m_cols; ++c)
                    if (formula::isFormula(m_grid.cellText(r, c)))
                        m_values[index(r, c)] = formula::displayValue(m_grid, r, c, t.numberFormat, own);
                m_rowsDone.store(r + 1, std::memory_order_release);
                m_rowsDone.notify_all();
            }
        });
    }
    ~SheetValues()
    {
        if (m_evaluator.joinable()) {
            m_stop = true;
            m_evaluator.join();
        }
    }
    SheetValues(const SheetValues &) = delete;
    SheetValues &operator=(const SheetValues &) = delete;

    const QString &at(int r, int c) const
    {
        if (m_copy)
            return m_copy->cellText(r, c);
        for (int done = m_rowsDone.load(std::memory_order_acquire); done <= r;
             done = m_rowsDone.load(std::memory_order_acquire))
            m_rowsDone.wait(done, std::memory_order_acquire);
        const QString &text = m_grid.cellText(r, c);
        return formula::isFormula(text) ? m_values[index(r, c)] : text;
    }

private:
    size_t index(int r, int c) const { return size_t(r) * size_t(m_cols) + size_t(c); }

    const table::Grid &m_grid;
    const int m_cols;
    std::optional<table::Grid> m_copy;
    std::vector<QString> m_values; // the formula cells' values, row by row
    mutable std::atomic<int> m_rowsDone{0};
    std::atomic<bool> m_stop{false};
    std::thread m_evaluator;
};

struct FastDeflate {
    FastDeflate() { fastWorkbookDeflate = true; }
    ~FastDeflate() { fastWorkbookDeflate = false; }
    FastDeflate(const FastDeflate &) = delete;
    FastDeflate &operator=(const FastDeflate &) = delete;
};

// The workbook written to `path` by libxlsxwriter; false on any error.
bool writeWorkbook(const table::GradeTable &t, const SheetValues &values, const QString &path)
{
    const QuietStderr quiet;
    const FastDeflate fast;
    const QByteArray fileName = QFile::encodeName(path);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    Closer wb{workbook_new_opt(fileName.constData(), &options)};
    if (!wb.wb)
        return false;
    QByteArray title = withoutControls(t.title).toUtf8(), author = withoutControls(t.teacher).toUtf8();
    lxw_doc_properties properties{};
    properties.title = title.data();
    properties.author = author.data();
    if (workbook_set_properties(wb.wb, &properties) != LXW_NO_ERROR)
        return false;
    const QByteArray sheetName = sheetNameForTitle(t.title).toUtf8();
    lxw_worksheet *sheet = workbook_add_worksheet(wb.wb, sheetName.constData());
    lxw_format *bold = workbook_add_format(wb.wb);
    if (!sheet || !bold)
        return false;
    format_set_bold(bold);
    const int rows = t.grid.Rows(), cols = t.grid.Cols();
    // In constant-memory mode the columns and the frozen header come before the first cell.
    for (int c = 0; c < cols; ++c)
        if (worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), characterWidth(t.grid.ColWidth(c)), nullptr) !=
            LXW_NO_ERROR)
            return false;
    worksheet_freeze_panes(sheet, 1, 0);
    if (worksheet_set_row(sheet, 0, LXW_DEF_ROW_HEIGHT, bold) != LXW_NO_ERROR)
        return false;
    for (int r = 0; r < rows; ++r) {
        lxw_format *format = r == 0 ? bold : nullptr;
        for (int c = 0; c < cols; ++c) {
            if (r == 0 && c == 0)
                continue; // the corner stays empty
            const QString &text = values.at(r, c);
            if (text.isEmpty())
                continue;
            lxw_error e = LXW_NO_ERROR;
            if (const std::optional<double> n = workbookNumber(text))
                e = worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), *n, format);
            else
                e = worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), cellBytes(text).constData(), format);
            if (e != LXW_NO_ERROR)
                return false;
        }
    }
    lxw_workbook *closing = wb.wb;
    wb.wb = nullptr;
    return workbook_close(closing) == LXW_NO_ERROR;
}

} // namespace

ui::Outcome exportWorkbook(const table::GradeTable &t, formula::Calculator &calc, const WorkbookExportRequest &request)
{
    if (QFileInfo::exists(request.path) && !(request.agreed & kReplaceWorkbook))
        return ui::Outcome::ask(kReplaceWorkbook, QStringLiteral("确实覆盖原有数据么？"), QStringLiteral("提示："));
    // A worksheet has 16,384 columns; a table may have twice as many.
    if (t.grid.Cols() > 16'384)
        return ui::Outcome::refused(table::kTableTooLarge);
    const SheetValues values(t, calc);
    const base::WriteResult written = base::writeFileAtomicallyBy(
        request.path, [&](const QString &temporary) { return writeWorkbook(t, values, temporary); });
    if (written != base::WriteResult::Written)
        return ui::Outcome::failed(base::kSaveFailed);
    ui::Outcome done = ui::Outcome::ok();
    done.text = QStringLiteral("文件保存成功！您可以使用Excel打开该工作簿。");
    done.title = ui::Outcome::kNotice;
    done.icon = ui::Icon::Information;
    return done;
}

bool menuSaveXLSX(const table::GradeTable &t, base::Workspace &ws, ui::Prompter &prompter)
{
    WorkbookExportRequest request{.path = ui::ShowSaveDialog(prompter, QStringLiteral("*.xlsx")), .agreed = 0};
    if (request.path.isEmpty())
        return false;
    return ui::settle(prompter, request,
                      [&](const WorkbookExportRequest &r) { return exportWorkbook(t, formula::calculator(ws), r); })
        .done();
}

} // namespace exchange
