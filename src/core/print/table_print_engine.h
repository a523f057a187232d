#pragma once
// TablePrintEngine lays a table out on a drawing surface: a block of header rows, body rows, an
// optional footer row, column widths, per-cell text, font and picture, merged cells and ruled
// boxes. It breaks the body over as many pages as needed and asks its owner, through NewPage, to
// start each new page.
//
// Lengths (margins, offsets, widths, least row heights) are in the surface's units at the time of
// drawing; line thicknesses are device pixels. Rows and columns count from 0.
//
// Failures never leave a routine as an exception: a setter or DrawTable that fails returns false
// and leaves the error number (380 invalid property value, 9 subscript out of range, …) in
// Err(); a getter given a bad index returns an empty value and sets Err() to 9.
#include "core/print/fonts.h"
#include "core/print/surface.h"

#include <QString>
#include <functional>
#include <vector>

namespace print {

class TablePrintEngine {
public:
    // Error numbers.
    enum Error {
        ErrNone = 0,
        ErrOutOfMemory = 7,    // more cells than the engine will hold
        ErrSubscript = 9,      // subscript out of range
        ErrNoObject = 91,      // a cell drawn without a font
        ErrInvalidValue = 380, // invalid property value
        ErrRowTooHigh = 30001, // a fresh page cannot hold the header and one body row
    };
    // The most cells (rows × columns of the body or the header) the engine holds.
    static constexpr qint64 kMaxCells = 4'000'000;

    // NewPage(objOutput, TopMarginAlreadySet, bCancel, lLastPrintedRow): body rows remain after a
    // page. The handler starts a new page; it sets TopMarginAlreadySet when it placed CurrentY
    // itself and bCancel to stop drawing. It may hand back another surface (null stops drawing).
    using NewPageHandler =
        std::function<void(Surface *&objOutput, bool &TopMarginAlreadySet, bool &bCancel, int lLastPrintedRow)>;

    TablePrintEngine();

    int Err() const { return m_err; }
    QString ErrDescription() const;
    void clearErr() { m_err = ErrNone; }

    // Sizes. Setting any re-dimensions every table without keeping contents (texts empty, fonts
    // and pictures cleared, merge flags false, alignments 0, widths 15); the footer tables exist
    // only when HasFooter is true at that moment.
    int Rows() const { return m_rows; }
    bool setRows(int rows); // below 0: 380
    int Cols() const { return m_cols; }
    bool setCols(int cols); // below 1: 380
    int HeaderRows() const { return m_headerRows; }
    bool setHeaderRows(int rows); // below 1: 380

    // Per-cell tables. A negative index on a write means all (a negative row every row, a
    // negative column every column); any other index outside the tables is error 9.
    QString TextMatrix(int row, int col) const;
    bool setTextMatrix(int row, int col, const QString &text);
    FontRef FontMatrix(int row, int col) const;
    bool setFontMatrix(int row, int col, const FontRef &font);
    PictureRef PictureMatrix(int row, int col) const;
    bool setPictureMatrix(int row, int col, const PictureRef &picture);
    QString HeaderText(int row, int col) const;
    bool setHeaderText(int row, int col, const QString &text);
    FontRef HeaderFont(int row, int col) const;
    bool setHeaderFont(int row, int col, const FontRef &font);

    // Per-column tables; a negative column on a write sets every column.
    double ColWidth(int col) const;
    bool setColWidth(int col, double width);
    int ColAlignment(int col) const; // 0 left, 1 centre, 2 right
    bool setColAlignment(int col, int alignment);
    // Writing sets the font of every body row of the column; reading gives body row 0's.
    FontRef ColFont(int col) const;
    bool setColFont(int col, const FontRef &font);
    QString FooterText(int col) const;
    bool setFooterText(int col, const QString &text);
    FontRef FooterFont(int col) const;
    bool setFooterFont(int col, const FontRef &font);

    // Merge flags; plain indices only.
    bool MergeRow(int row) const;
    bool setMergeRow(int row, bool on);
    bool MergeCol(int col) const;
    bool setMergeCol(int col, bool on);
    bool MergeHeaderRow(int row) const;
    bool setMergeHeaderRow(int row, bool on);
    bool MergeHeaderCol(int col) const;
    bool setMergeHeaderCol(int col, bool on);

    // Single settings.
    double MarginLeft = 0;   // x of the table's left edge
    double MarginTop = 0;    // CurrentY of each new page unless the page handler placed it
    double MarginBottom = 0; // kept free at the bottom of each page
    double CellXOffset = 0;  // inner space on each side of a cell's text
    double CellYOffset = 0;  // added twice to every row height
    short LineThickness = 1; // pen of body boxes
    short HeaderLineThickness = 1;
    short FooterLineThickness = 1;
    bool HasFooter = true;
    bool PrintHeaderOnEveryPage = false;
    bool CenterMergedHeader = false;
    double RowHeightMin = 0;
    double HeaderRowHeightMin = 0;
    double FooterRowHeightMin = 0;
    bool ResizeCellsToPicHeight = false;
    // Ruled cell boxes and footer lines (the print dialog's 表格划线).
    bool TableLines = true;

    NewPageHandler NewPage;

    // Draws the table on `objOutput` from its CurrentY, from body row lRowToStart, calling the
    // first page lStartPage; leaves CurrentY below the last thing drawn and the surface's font as
    // it found it. False with Err() set when it stopped on an error.
    bool DrawTable(Surface *objOutput, int lRowToStart = 0, int lStartPage = 1);
    // How many body rows fit on a page (a whole number, never below 0); bWithFooter defaults to
    // HasFooter. Leaves the surface's font on the last font measured. −1 with Err() on an error.
    double CalcNumRowsPerPage(Surface *objOutput, bool bWithHeader, std::optional<bool> bWithFooter = std::nullopt);

private:
    struct Heights {
        double body = 0, header = 0, footer = 0;
    };
    bool fail(Error e);
    bool redimension(int rows, int cols, int headerRows);
    bool rowHeights(Surface &out, Heights &h);
    bool selectFont(Surface &out, const FontRef &font);
    void drawCellText(Surface &out, const QString &text, PixelRect rect, int alignment);
    template <class T> bool setCell(std::vector<T> &table, int rowCount, int row, int col, const T &value);
    template <class T> T cell(const std::vector<T> &table, int rowCount, int row, int col) const;
    template <class T> bool setColumn(std::vector<T> &table, int col, const T &value);
    template <class T> T column(const std::vector<T> &table, int col) const;
    size_t at(int row, int col) const { return size_t(row) * size_t(m_cols) + size_t(col); }

    int m_rows = 0, m_cols = 0, m_headerRows = 0;
    std::vector<QString> m_text;
    std::vector<FontRef> m_font;
    std::vector<PictureRef> m_picture;
    std::vector<QString> m_headerText;
    std::vector<FontRef> m_headerFont;
    std::vector<double> m_colWidth;
    std::vector<int> m_colAlignment;
    std::vector<QString> m_footerText;
    std::vector<FontRef> m_footerFont;
    std::vector<char> m_mergeRow, m_mergeCol, m_mergeHeaderRow, m_mergeHeaderCol;
    mutable int m_err = ErrNone;
    const PrintFont *m_selected = nullptr; // the font object last selected on the surface
};

} // namespace print
