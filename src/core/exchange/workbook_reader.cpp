#include "core/exchange/workbook_reader.h"

#include "core/base/text_codec.h"
#include "core/exchange/sheet_rules.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <queue>

namespace exchange {

WorkbookKind workbookKind(QByteArrayView head)
{
    if (head.startsWith("PK\x03\x04"))
        return WorkbookKind::Xlsx;
    if (head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return WorkbookKind::Xls;
    return WorkbookKind::NotWorkbook;
}

bool hasWorkbookName(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("xlsx") || suffix == QLatin1String("xls");
}

namespace {

// The kind of the file at `path`; Unreadable when it cannot be read, and a regular file only (a
// pipe would wait for a writer).
WorkbookError kindOf(const QString &path, WorkbookKind *kind)
{
    if (!QFileInfo(path).isFile())
        return WorkbookError::Unreadable;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return WorkbookError::Unreadable;
    *kind = workbookKind(f.read(8));
    return *kind == WorkbookKind::NotWorkbook ? WorkbookError::BadFormat : WorkbookError::None;
}

} // namespace

WorkbookError workbookSheetNames(const QString &path, QStringList *names)
{
    WorkbookKind kind = WorkbookKind::NotWorkbook;
    if (const WorkbookError e = kindOf(path, &kind); e != WorkbookError::None)
        return e;
    if (kind == WorkbookKind::Xls)
        return xlsSheetNames(path, names);
    QByteArray bytes;
    if (!base::codec::readBytes(path, &bytes))
        return WorkbookError::Unreadable;
    return xlsxSheetNames(bytes, names);
}

WorkbookError readWorkbookSheet(const QString &path, int index, SheetCells *out)
{
    WorkbookKind kind = WorkbookKind::NotWorkbook;
    if (const WorkbookError e = kindOf(path, &kind); e != WorkbookError::None)
        return e;
    if (kind == WorkbookKind::Xls)
        return readXlsSheet(path, index, out);
    QByteArray bytes;
    if (!base::codec::readBytes(path, &bytes))
        return WorkbookError::Unreadable;
    return readXlsxSheet(bytes, index, out);
}

QString shortestNumberText(double value)
{
    if (!std::isfinite(value))
        return QString::number(value);
    char buf[64];
    // Most values are written with few digits (scores): when the shortest text that reads back as
    // the value has at most 15 significant digits, it is already the rounded one.
    double rounded = value;
    const std::to_chars_result quick = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    const char *e = std::find(static_cast<const char *>(buf), static_cast<const char *>(quick.ptr), 'e');
    const qsizetype digits =
        (e - buf) - (value < 0 ? 1 : 0) - (std::find(static_cast<const char *>(buf), e, '.') != e ? 1 : 0);
    if (digits > 15) {
        // The value a spreadsheet shows at its 15 significant digits, so 84.99999999999999 is 85.
        std::snprintf(buf, sizeof buf, "%.15g", value);
        rounded = std::strtod(buf, nullptr);
    }
    if (rounded == 0)
        rounded = 0; // no "-0"
    const double magnitude = std::fabs(rounded);
    const bool plain = magnitude == 0 || (magnitude >= 1e-5 && magnitude < 1e15);
    const std::to_chars_result r = plain ? std::to_chars(buf, buf + sizeof buf, rounded, std::chars_format::fixed)
                                         : std::to_chars(buf, buf + sizeof buf, rounded);
    return QString::fromLatin1(buf, r.ptr - buf);
}

std::optional<QString> serialDateText(double serial, bool from1904, bool withTime)
{
    if (!std::isfinite(serial) || serial < (from1904 ? 0 : 1) || serial >= 2958466)
        return std::nullopt;
    // Seconds rounded first, so 0.99999999 of a day is the next midnight.
    const qint64 seconds = qint64(std::llround(serial * 86400.0));
    qint64 days = seconds / 86400;
    const qint64 inDay = seconds % 86400;
    QDate date;
    if (from1904) {
        date = QDate(1904, 1, 1).addDays(days);
    } else {
        // The 1900 system counts a 29 February 1900 that never was: day 60.
        if (days == 60)
            return std::nullopt;
        date = QDate(1899, 12, days < 60 ? 31 : 30).addDays(days);
    }
    if (!date.isValid() || date.year() > 9999)
        return std::nullopt;
    QString text = date.toString(QStringLiteral("yyyy-MM-dd"));
    if (withTime)
        text += QStringLiteral(" %1:%2:%3")
                    .arg(inDay / 3600, 2, 10, QLatin1Char('0'))
                    .arg(inDay / 60 % 60, 2, 10, QLatin1Char('0'))
                    .arg(inDay % 60, 2, 10, QLatin1Char('0'));
    return text;
}

DateKind customFormatKind(QStringView code)
{
    bool date = false, time = false, quoted = false;
    int bracket = 0;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (quoted) {
            quoted = c != u'"';
            continue;
        }
        if (c == u'"')
            quoted = true;
        else if (c == u'\\' || c == u'_' || c == u'*')
            ++i; // the next character is shown (or fills) as it is
        else if (c == u'[')
            ++bracket;
        else if (c == u']' && bracket > 0)
            --bracket;
        else if (bracket == 0) {
            const QChar l = c.toLower();
            date = date || l == u'y' || l == u'd';
            time = time || l == u'h' || l == u's';
        }
    }
    return !date ? DateKind::None : time ? DateKind::DateTime : DateKind::Date;
}

DateKind builtInFormatKind(int id)
{
    if (id == 22)
        return DateKind::DateTime;
    if ((id >= 14 && id <= 17) || (id >= 27 && id <= 31) || id == 36 || (id >= 50 && id <= 58))
        return DateKind::Date;
    return DateKind::None;
}

QString numberCellText(double value, DateKind kind, bool from1904)
{
    std::optional<QString> date;
    if (kind != DateKind::None)
        date = serialDateText(value, from1904, kind == DateKind::DateTime);
    return date ? *date : shortestNumberText(value);
}

namespace {

// Every cell inside a merged area but its top-left one is dropped: rows swept from the top, the
// areas open at a row kept by their left column, so each cell is looked up once; each area is
// opened and closed once (by the order of their bottom rows), however many a file has.
void dropMergedCells(std::vector<SheetCell> &cells, std::vector<Merge> merges)
{
    if (merges.empty())
        return;
    std::sort(cells.begin(), cells.end(),
              [](const SheetCell &a, const SheetCell &b) { return a.row != b.row ? a.row < b.row : a.col < b.col; });
    std::sort(merges.begin(), merges.end(), [](const Merge &a, const Merge &b) { return a.top < b.top; });
    using Open = std::multimap<int, Merge>; // by left column
    Open open;
    const auto closesLater = [](Open::iterator a, Open::iterator b) { return a->second.bottom > b->second.bottom; };
    std::priority_queue<Open::iterator, std::vector<Open::iterator>, decltype(closesLater)> closing(closesLater);
    size_t next = 0;
    int openRow = -1;
    std::vector<SheetCell> kept;
    kept.reserve(cells.size());
    for (SheetCell &cell : cells) {
        if (cell.row != openRow) {
            openRow = cell.row;
            for (; !closing.empty() && closing.top()->second.bottom < openRow; closing.pop())
                open.erase(closing.top());
            for (; next < merges.size() && merges[next].top <= openRow; ++next)
                if (merges[next].bottom >= openRow)
                    closing.push(open.emplace(merges[next].left, merges[next]));
        }
        bool inside = false;
        auto it = open.upper_bound(cell.col);
        if (it != open.begin()) {
            const Merge &m = std::prev(it)->second;
            inside = cell.col <= m.right && !(cell.row == m.top && cell.col == m.left);
        }
        if (!inside)
            kept.push_back(std::move(cell));
    }
    cells = std::move(kept);
}

} // namespace

bool SheetBuilder::add(int row, int col, QString text)
{
    if (row < 0 || col < 0 || row >= kMaxSheetIndex || col >= kMaxSheetIndex)
        return false;
    if (text.isEmpty())
        return true;
    cutToCellText(text);
    m_text += text.size();
    if (m_cells.size() >= kMaxCells || m_text > kMaxSheetText)
        return false;
    m_cells.push_back({row, col, std::move(text)});
    return true;
}

bool SheetBuilder::merge(Merge m)
{
    if (m.bottom < m.top)
        std::swap(m.bottom, m.top);
    if (m.right < m.left)
        std::swap(m.right, m.left);
    if (m.top < 0 || m.left < 0 || m.bottom >= kMaxSheetIndex || m.right >= kMaxSheetIndex ||
        m_merges.size() >= kMaxMerges)
        return false;
    m_merges.push_back(m);
    return true;
}

void SheetBuilder::finish(SheetCells *out)
{
    dropMergedCells(m_cells, std::move(m_merges));
    m_merges.clear();
    out->rows = out->cols = 0;
    for (const SheetCell &c : m_cells) {
        out->rows = std::max(out->rows, c.row + 1);
        out->cols = std::max(out->cols, c.col + 1);
    }
    out->cells = std::move(m_cells);
    m_cells.clear();
    m_text = 0;
}

} // namespace exchange
