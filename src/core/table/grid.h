#pragma once
// The text grid every table is kept in: one fixed row (the field names) and one fixed column (the
// row numbers), cells of text with optional colour and bold, column widths and row heights in
// twips, a current cell and a selection. Changing Rows or Cols keeps the contents of the cells
// that remain. The grid view widget only draws it.
#include <QRgb>
#include <QString>
#include <vector>

namespace table {

class Grid;

// Told about changes so a view can follow; the defaults do nothing.
class GridObserver {
public:
    virtual ~GridObserver() = default;
    virtual void gridReset() {}
    virtual void cellChanged(int /*row*/, int /*col*/) {}
    virtual void currentAboutToChange() {}
    virtual void currentChanged() {}
    virtual void sizesChanged() {}
};

class Grid {
public:
    Grid();
    Grid(const Grid &other);
    // Takes the other grid's cells without copying them; the other is left empty.
    Grid(Grid &&other) noexcept;
    Grid &operator=(const Grid &other);
    // Takes the other grid's cells, sizes and format without copying them; like the copy, keeps
    // this grid's observers and tells them of the reset.
    Grid &operator=(Grid &&other) noexcept;

    int Rows() const { return m_rows; }
    int Cols() const { return m_cols; }
    // Negative counts are refused; the fixed row and column always remain.
    void setRows(int rows);
    void setCols(int cols);
    int FixedRows() const { return 1; }
    int FixedCols() const { return 1; }

    // Linear access: index = row × Cols + col. Out-of-range reads give "", writes are ignored.
    QString TextArray(int index) const;
    void setTextArray(int index, const QString &text);
    QString TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString &text);
    // The text without a copy, for loops over many cells; "" out of range.
    const QString &cellText(int row, int col) const { return inRange(row, col) ? m_text[at(row, col)] : emptyText(); }
    // Changes whenever a cell's text, Rows or Cols changes, and no two grids ever share a value, so
    // (grid, contentVersion) names one content: what was read from it still holds while it stays.
    quint64 contentVersion() const { return m_contentVersion; }

    // The header format text: "  |name1|name2…". Setting it splits at "|": segment i becomes the
    // text of cell (0, i) and column i's width fits it (estimated here; a view measures with its
    // font, see headerFormats()); columns are added when there are more segments than columns and
    // never removed. Reading gives the text last given.
    QString FormatString() const { return m_formatString; }
    enum WidthRule { FitWidths, KeepWidths };
    void setFormatString(const QString &format, WidthRule widths = FitWidths);
    // Changes with every header text given with FitWidths, so a view knows when to fit its columns
    // again.
    int headerFormats() const { return m_headerFormats; }

    // Current cell and the far corner of the selection.
    int Row() const { return m_row; }
    int Col() const { return m_col; }
    int RowSel() const { return m_rowSel; }
    int ColSel() const { return m_colSel; }
    int TopRow() const { return m_topRow; }
    // Moving the current cell collapses the selection onto it.
    void setRow(int row);
    void setCol(int col);
    void setCurrent(int row, int col);
    void setRowSel(int row);
    void setColSel(int col);
    void setTopRow(int row);

    // Sizes in twips.
    int ColWidth(int col) const;
    void setColWidth(int col, int twips);
    int RowHeight(int row) const;
    void setRowHeight(int row, int twips);
    // An estimate of the width a text needs, for want of a font: half-width characters 105 twips,
    // full-width 210, plus the cell margin.
    static int estimatedWidth(const QString &text);

    // Per-cell foreground colour (0 = default) and bold.
    QRgb cellForeColor(int row, int col) const;
    void setCellForeColor(int row, int col, QRgb color);
    bool cellFontBold(int row, int col) const;
    void setCellFontBold(int row, int col, bool bold);

    // The row sort's reordering: data row 1 + i takes the cells (texts and styles, all columns) of
    // row order[i]. `order` must hold each data row 1 … Rows − 1 once; anything else is ignored.
    // The header row never moves; row heights stay with their positions.
    bool reorderRows(const std::vector<int> &order);

    // Observers are not copied with the grid.
    void addObserver(GridObserver *observer);
    void removeObserver(GridObserver *observer);

    // Suppresses per-cell notifications; the outermost end sends one reset.
    void beginBulk() { ++m_bulk; }
    void endBulk();

    static constexpr int kDefaultColWidth = 1200;
    static constexpr int kDefaultRowHeight = 300;
    // The largest Rows and Cols: counts are 16-bit in the interfaces.
    static constexpr int kMaxCount = 32767;

private:
    struct Style {
        QRgb fore = 0;
        bool bold = false;
    };
    bool inRange(int row, int col) const { return row >= 0 && col >= 0 && row < m_rows && col < m_cols; }
    size_t at(int row, int col) const
    {
        return static_cast<size_t>(row) * static_cast<size_t>(m_cols) + static_cast<size_t>(col);
    }
    void relayout(int rows, int cols);
    void notifyCell(int row, int col);
    void notifyReset();
    void clampCurrent();
    void contentChanged();
    static const QString &emptyText();

    int m_rows = 0;
    int m_cols = 0;
    std::vector<QString> m_text;
    std::vector<Style> m_style; // empty until a style is set
    std::vector<int> m_colWidth;
    std::vector<int> m_rowHeight;
    QString m_formatString;
    int m_row = 0, m_col = 0, m_rowSel = 0, m_colSel = 0, m_topRow = 1;
    int m_bulk = 0;
    int m_headerFormats = 0;
    quint64 m_contentVersion = 0;
    std::vector<GridObserver *> m_observers;
};

// Scope guard for Grid::beginBulk/endBulk.
class GridBulk {
public:
    explicit GridBulk(Grid &g) : m_g(g) { m_g.beginBulk(); }
    ~GridBulk() { m_g.endBulk(); }
    GridBulk(const GridBulk &) = delete;
    GridBulk &operator=(const GridBulk &) = delete;

private:
    Grid &m_g;
};

} // namespace table
