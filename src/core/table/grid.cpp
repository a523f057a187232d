#include "core/table/grid.h"

#include <QStringList>
#include <algorithm>
#include <atomic>

namespace table {

namespace {
std::atomic<quint64> g_contentVersions{0};
// Every cell written takes a new version: each thread takes them from a block of its own, so two
// threads reading tables at once do not contend for one counter at every cell.
constexpr quint64 kVersionBlock = 4096;
thread_local quint64 t_nextVersion = 0, t_blockEnd = 0;
} // namespace

void Grid::contentChanged()
{
    if (t_nextVersion == t_blockEnd) {
        t_nextVersion = g_contentVersions.fetch_add(kVersionBlock) + 1;
        t_blockEnd = t_nextVersion + kVersionBlock;
    }
    m_contentVersion = t_nextVersion++;
}

const QString &Grid::emptyText()
{
    static const QString empty;
    return empty;
}

Grid::Grid()
{
    relayout(2, 2);
    m_row = 1;
    m_col = 1;
    m_rowSel = 1;
    m_colSel = 1;
}

Grid::Grid(const Grid &o)
    : m_rows(o.m_rows), m_cols(o.m_cols), m_text(o.m_text), m_style(o.m_style), m_colWidth(o.m_colWidth),
      m_rowHeight(o.m_rowHeight), m_formatString(o.m_formatString), m_row(o.m_row), m_col(o.m_col),
      m_rowSel(o.m_rowSel), m_colSel(o.m_colSel), m_topRow(o.m_topRow), m_headerFormats(o.m_headerFormats)
{
    contentChanged();
}

Grid::Grid(Grid &&o) noexcept : Grid()
{
    *this = std::move(o);
}

Grid &Grid::operator=(const Grid &o)
{
    if (this == &o)
        return *this;
    m_rows = o.m_rows;
    m_cols = o.m_cols;
    m_text = o.m_text;
    m_style = o.m_style;
    m_colWidth = o.m_colWidth;
    m_rowHeight = o.m_rowHeight;
    m_formatString = o.m_formatString;
    m_row = o.m_row;
    m_col = o.m_col;
    m_rowSel = o.m_rowSel;
    m_colSel = o.m_colSel;
    m_topRow = o.m_topRow;
    m_headerFormats = o.m_headerFormats;
    contentChanged();
    notifyReset();
    return *this;
}

Grid &Grid::operator=(Grid &&o) noexcept
{
    if (this == &o)
        return *this;
    m_rows = o.m_rows;
    m_cols = o.m_cols;
    m_text = std::move(o.m_text);
    m_style = std::move(o.m_style);
    m_colWidth = std::move(o.m_colWidth);
    m_rowHeight = std::move(o.m_rowHeight);
    m_formatString = std::move(o.m_formatString);
    m_row = o.m_row;
    m_col = o.m_col;
    m_rowSel = o.m_rowSel;
    m_colSel = o.m_colSel;
    m_topRow = o.m_topRow;
    m_headerFormats = o.m_headerFormats;
    o.m_rows = o.m_cols = 0;
    contentChanged();
    o.contentChanged();
    notifyReset();
    return *this;
}

void Grid::relayout(int rows, int cols)
{
    if (rows == m_rows && cols == m_cols)
        return;
    if (cols != m_cols) {
        std::vector<QString> text(static_cast<size_t>(rows) * static_cast<size_t>(cols));
        std::vector<Style> style;
        if (!m_style.empty())
            style.resize(text.size());
        const int keepRows = std::min(rows, m_rows), keepCols = std::min(cols, m_cols);
        for (int r = 0; r < keepRows; ++r)
            for (int c = 0; c < keepCols; ++c) {
                const size_t to = static_cast<size_t>(r) * static_cast<size_t>(cols) + static_cast<size_t>(c);
                text[to] = std::move(m_text[at(r, c)]);
                if (!style.empty())
                    style[to] = m_style[at(r, c)];
            }
        m_text = std::move(text);
        m_style = std::move(style);
    } else {
        // Same column count: rows are contiguous, so growing or shrinking keeps the rest in place.
        m_text.resize(static_cast<size_t>(rows) * static_cast<size_t>(cols));
        if (!m_style.empty())
            m_style.resize(m_text.size());
    }
    m_colWidth.resize(static_cast<size_t>(cols), kDefaultColWidth);
    m_rowHeight.resize(static_cast<size_t>(rows), kDefaultRowHeight);
    m_rows = rows;
    m_cols = cols;
    contentChanged();
    clampCurrent();
}

void Grid::clampCurrent()
{
    auto clampTo = [](int v, int hi) { return std::max(0, std::min(v, hi)); };
    m_row = clampTo(m_row, m_rows - 1);
    m_col = clampTo(m_col, m_cols - 1);
    m_rowSel = clampTo(m_rowSel, m_rows - 1);
    m_colSel = clampTo(m_colSel, m_cols - 1);
    m_topRow = clampTo(m_topRow, m_rows - 1);
}

void Grid::setRows(int rows)
{
    if (rows < 1 || rows > kMaxCount || rows == m_rows)
        return;
    relayout(rows, m_cols);
    notifyReset();
}

void Grid::setCols(int cols)
{
    if (cols < 1 || cols > kMaxCount || cols == m_cols)
        return;
    relayout(m_rows, cols);
    notifyReset();
}

QString Grid::TextArray(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_text.size())
        return {};
    return m_text[static_cast<size_t>(index)];
}

void Grid::setTextArray(int index, const QString &text)
{
    if (index < 0 || static_cast<size_t>(index) >= m_text.size())
        return;
    m_text[static_cast<size_t>(index)] = text;
    contentChanged();
    notifyCell(index / m_cols, index % m_cols);
}

QString Grid::TextMatrix(int row, int col) const
{
    return inRange(row, col) ? m_text[at(row, col)] : QString();
}

void Grid::setTextMatrix(int row, int col, const QString &text)
{
    if (!inRange(row, col))
        return;
    m_text[at(row, col)] = text;
    contentChanged();
    notifyCell(row, col);
}

int Grid::estimatedWidth(const QString &text)
{
    int w = 0;
    for (QChar ch : text)
        w += ch.unicode() < 0x2E80 ? 105 : 210;
    return w + 120;
}

void Grid::setFormatString(const QString &format, WidthRule widths)
{
    m_formatString = format;
    const QStringList segments = format.split(QLatin1Char('|'));
    const int needed = static_cast<int>(std::min<qsizetype>(segments.size(), kMaxCount));
    if (needed > m_cols)
        relayout(m_rows, needed);
    for (int i = 0; i < needed; ++i) {
        m_text[at(0, i)] = segments[i];
        if (widths == FitWidths)
            m_colWidth[static_cast<size_t>(i)] = estimatedWidth(segments[i]);
    }
    contentChanged();
    // A number no other header text got, in this grid or any other, so a view that is handed
    // another grid (a loaded table) sees the change as well.
    static std::atomic<int> generation{0}; // tables are also read on worker threads
    if (widths == FitWidths)
        m_headerFormats = ++generation;
    notifyReset();
}

void Grid::setRow(int row)
{
    setCurrent(row, m_col);
}
void Grid::setCol(int col)
{
    setCurrent(m_row, col);
}

void Grid::setCurrent(int row, int col)
{
    if (row < 0 || row >= m_rows || col < 0 || col >= m_cols)
        return;
    if (row != m_row || col != m_col)
        for (GridObserver *o : m_observers)
            o->currentAboutToChange();
    m_row = m_rowSel = row;
    m_col = m_colSel = col;
    for (GridObserver *o : m_observers)
        o->currentChanged();
}

void Grid::setRowSel(int row)
{
    if (row >= 0 && row < m_rows) {
        m_rowSel = row;
        for (GridObserver *o : m_observers)
            o->currentChanged();
    }
}

void Grid::setColSel(int col)
{
    if (col >= 0 && col < m_cols) {
        m_colSel = col;
        for (GridObserver *o : m_observers)
            o->currentChanged();
    }
}

void Grid::setTopRow(int row)
{
    if (row >= 0 && row < m_rows)
        m_topRow = row;
}

int Grid::ColWidth(int col) const
{
    return col >= 0 && col < m_cols ? m_colWidth[static_cast<size_t>(col)] : 0;
}

void Grid::setColWidth(int col, int twips)
{
    // Column 0 is set on every move of the current cell; only a real change reaches the view.
    if (col < 0 || col >= m_cols || twips < 0 || m_colWidth[static_cast<size_t>(col)] == twips)
        return;
    m_colWidth[static_cast<size_t>(col)] = twips;
    if (!m_bulk)
        for (GridObserver *o : m_observers)
            o->sizesChanged();
}

int Grid::RowHeight(int row) const
{
    return row >= 0 && row < m_rows ? m_rowHeight[static_cast<size_t>(row)] : 0;
}

void Grid::setRowHeight(int row, int twips)
{
    if (row < 0 || row >= m_rows || twips < 0 || m_rowHeight[static_cast<size_t>(row)] == twips)
        return;
    m_rowHeight[static_cast<size_t>(row)] = twips;
    if (!m_bulk)
        for (GridObserver *o : m_observers)
            o->sizesChanged();
}

QRgb Grid::cellForeColor(int row, int col) const
{
    return inRange(row, col) && !m_style.empty() ? m_style[at(row, col)].fore : 0;
}

void Grid::setCellForeColor(int row, int col, QRgb color)
{
    if (!inRange(row, col))
        return;
    if (m_style.empty())
        m_style.resize(m_text.size());
    m_style[at(row, col)].fore = color;
    notifyCell(row, col);
}

bool Grid::cellFontBold(int row, int col) const
{
    return inRange(row, col) && !m_style.empty() && m_style[at(row, col)].bold;
}

void Grid::setCellFontBold(int row, int col, bool bold)
{
    if (!inRange(row, col))
        return;
    if (m_style.empty())
        m_style.resize(m_text.size());
    m_style[at(row, col)].bold = bold;
    notifyCell(row, col);
}

bool Grid::reorderRows(const std::vector<int> &order)
{
    const size_t dataRows = m_rows > 1 ? static_cast<size_t>(m_rows - 1) : 0;
    if (order.size() != dataRows)
        return false;
    std::vector<bool> seen(dataRows, false);
    for (int r : order) {
        if (r < 1 || r >= m_rows || seen[static_cast<size_t>(r - 1)])
            return false;
        seen[static_cast<size_t>(r - 1)] = true;
    }
    std::vector<QString> text(m_text.size());
    std::vector<Style> style(m_style.size());
    const size_t cols = static_cast<size_t>(m_cols);
    auto moveRow = [&](size_t to, size_t from) {
        for (size_t c = 0; c < cols; ++c) {
            text[to * cols + c] = std::move(m_text[from * cols + c]);
            if (!m_style.empty())
                style[to * cols + c] = m_style[from * cols + c];
        }
    };
    moveRow(0, 0);
    for (size_t i = 0; i < dataRows; ++i)
        moveRow(i + 1, static_cast<size_t>(order[i]));
    m_text = std::move(text);
    m_style = std::move(style);
    contentChanged();
    notifyReset();
    return true;
}

void Grid::addObserver(GridObserver *observer)
{
    if (std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void Grid::removeObserver(GridObserver *observer)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

void Grid::endBulk()
{
    if (m_bulk > 0 && --m_bulk == 0)
        notifyReset();
}

void Grid::notifyCell(int row, int col)
{
    if (m_bulk)
        return;
    for (GridObserver *o : m_observers)
        o->cellChanged(row, col);
}

void Grid::notifyReset()
{
    if (m_bulk)
        return;
    for (GridObserver *o : m_observers)
        o->gridReset();
}

} // namespace table
