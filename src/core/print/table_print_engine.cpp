#include "core/print/table_print_engine.h"

#include <algorithm>
#include <cmath>

namespace print {

namespace {

// Whole pixels as a Single-to-Long assignment gives them.
int toPixels(double v)
{
    return int(std::lround(v));
}

} // namespace

TablePrintEngine::TablePrintEngine()
{
    redimension(5, 2, 1);
}

QString TablePrintEngine::ErrDescription() const
{
    switch (m_err) {
    case ErrNone:
        return {};
    case ErrOutOfMemory:
        return QStringLiteral("Out of memory");
    case ErrSubscript:
        return QStringLiteral("Subscript out of range");
    case ErrNoObject:
        return QStringLiteral("Object variable or With block variable not set");
    case ErrInvalidValue:
        return QStringLiteral("Invalid property value");
    case ErrRowTooHigh:
        return QStringLiteral("表格行高超出纸张高度，无法打印。");
    default:
        return QStringLiteral("Error %1").arg(m_err);
    }
}

bool TablePrintEngine::fail(Error e)
{
    m_err = e;
    return false;
}

// --- sizes -----------------------------------------------------------------------------------

bool TablePrintEngine::redimension(int rows, int cols, int headerRows)
{
    if (qint64(rows) * cols > kMaxCells || qint64(headerRows) * cols > kMaxCells)
        return fail(ErrOutOfMemory);
    m_rows = rows;
    m_cols = cols;
    m_headerRows = headerRows;
    const size_t body = size_t(rows) * size_t(cols), header = size_t(headerRows) * size_t(cols);
    m_text.assign(body, QString());
    m_font.assign(body, nullptr);
    m_picture.assign(body, nullptr);
    m_headerText.assign(header, QString());
    m_headerFont.assign(header, nullptr);
    m_colWidth.assign(size_t(cols), 15.0);
    m_colAlignment.assign(size_t(cols), 0);
    m_footerText.assign(HasFooter ? size_t(cols) : 0, QString());
    m_footerFont.assign(HasFooter ? size_t(cols) : 0, nullptr);
    m_mergeRow.assign(size_t(rows), 0);
    m_mergeCol.assign(size_t(cols), 0);
    m_mergeHeaderRow.assign(size_t(headerRows), 0);
    m_mergeHeaderCol.assign(size_t(cols), 0);
    return true;
}

bool TablePrintEngine::setRows(int rows)
{
    return rows < 0 ? fail(ErrInvalidValue) : redimension(rows, m_cols, m_headerRows);
}

bool TablePrintEngine::setCols(int cols)
{
    return cols < 1 ? fail(ErrInvalidValue) : redimension(m_rows, cols, m_headerRows);
}

bool TablePrintEngine::setHeaderRows(int rows)
{
    return rows < 1 ? fail(ErrInvalidValue) : redimension(m_rows, m_cols, rows);
}

// --- indexed tables --------------------------------------------------------------------------

template <class T> bool TablePrintEngine::setCell(std::vector<T> &table, int rowCount, int row, int col, const T &value)
{
    if (row >= rowCount || col >= m_cols)
        return fail(ErrSubscript);
    const int r0 = row < 0 ? 0 : row, r1 = row < 0 ? rowCount : row + 1;
    const int c0 = col < 0 ? 0 : col, c1 = col < 0 ? m_cols : col + 1;
    for (int r = r0; r < r1; ++r)
        for (int c = c0; c < c1; ++c)
            table[at(r, c)] = value;
    return true;
}

template <class T> T TablePrintEngine::cell(const std::vector<T> &table, int rowCount, int row, int col) const
{
    if (row < 0 || col < 0 || row >= rowCount || col >= m_cols) {
        m_err = ErrSubscript;
        return T();
    }
    return table[at(row, col)];
}

template <class T> bool TablePrintEngine::setColumn(std::vector<T> &table, int col, const T &value)
{
    if (col >= int(table.size()))
        return fail(ErrSubscript);
    if (col < 0)
        std::fill(table.begin(), table.end(), value);
    else
        table[size_t(col)] = value;
    return true;
}

template <class T> T TablePrintEngine::column(const std::vector<T> &table, int col) const
{
    if (col < 0 || col >= int(table.size())) {
        m_err = ErrSubscript;
        return T();
    }
    return table[size_t(col)];
}

QString TablePrintEngine::TextMatrix(int row, int col) const
{
    return cell(m_text, m_rows, row, col);
}
bool TablePrintEngine::setTextMatrix(int row, int col, const QString &text)
{
    return setCell(m_text, m_rows, row, col, text);
}
FontRef TablePrintEngine::FontMatrix(int row, int col) const
{
    return cell(m_font, m_rows, row, col);
}
bool TablePrintEngine::setFontMatrix(int row, int col, const FontRef &font)
{
    return setCell(m_font, m_rows, row, col, font);
}
PictureRef TablePrintEngine::PictureMatrix(int row, int col) const
{
    return cell(m_picture, m_rows, row, col);
}
bool TablePrintEngine::setPictureMatrix(int row, int col, const PictureRef &picture)
{
    return setCell(m_picture, m_rows, row, col, picture);
}
QString TablePrintEngine::HeaderText(int row, int col) const
{
    return cell(m_headerText, m_headerRows, row, col);
}
bool TablePrintEngine::setHeaderText(int row, int col, const QString &text)
{
    return setCell(m_headerText, m_headerRows, row, col, text);
}
FontRef TablePrintEngine::HeaderFont(int row, int col) const
{
    return cell(m_headerFont, m_headerRows, row, col);
}
bool TablePrintEngine::setHeaderFont(int row, int col, const FontRef &font)
{
    return setCell(m_headerFont, m_headerRows, row, col, font);
}

double TablePrintEngine::ColWidth(int col) const
{
    return column(m_colWidth, col);
}
bool TablePrintEngine::setColWidth(int col, double width)
{
    return setColumn(m_colWidth, col, width);
}
int TablePrintEngine::ColAlignment(int col) const
{
    return column(m_colAlignment, col);
}
bool TablePrintEngine::setColAlignment(int col, int alignment)
{
    return setColumn(m_colAlignment, col, alignment);
}
FontRef TablePrintEngine::ColFont(int col) const
{
    return cell(m_font, m_rows, 0, col);
}
bool TablePrintEngine::setColFont(int col, const FontRef &font)
{
    if (col < 0 || col >= m_cols)
        return fail(ErrSubscript);
    return setCell(m_font, m_rows, -1, col, font);
}
QString TablePrintEngine::FooterText(int col) const
{
    return column(m_footerText, col);
}
bool TablePrintEngine::setFooterText(int col, const QString &text)
{
    return setColumn(m_footerText, col, text);
}
FontRef TablePrintEngine::FooterFont(int col) const
{
    return column(m_footerFont, col);
}
bool TablePrintEngine::setFooterFont(int col, const FontRef &font)
{
    return setColumn(m_footerFont, col, font);
}

namespace {

bool flagAt(const std::vector<char> &flags, int i, int &err)
{
    if (i < 0 || i >= int(flags.size())) {
        err = TablePrintEngine::ErrSubscript;
        return false;
    }
    return flags[size_t(i)] != 0;
}

bool setFlagAt(std::vector<char> &flags, int i, bool on, int &err)
{
    if (i < 0 || i >= int(flags.size())) {
        err = TablePrintEngine::ErrSubscript;
        return false;
    }
    flags[size_t(i)] = on ? 1 : 0;
    return true;
}

} // namespace

bool TablePrintEngine::MergeRow(int row) const
{
    return flagAt(m_mergeRow, row, m_err);
}
bool TablePrintEngine::setMergeRow(int row, bool on)
{
    return setFlagAt(m_mergeRow, row, on, m_err);
}
bool TablePrintEngine::MergeCol(int col) const
{
    return flagAt(m_mergeCol, col, m_err);
}
bool TablePrintEngine::setMergeCol(int col, bool on)
{
    return setFlagAt(m_mergeCol, col, on, m_err);
}
bool TablePrintEngine::MergeHeaderRow(int row) const
{
    return flagAt(m_mergeHeaderRow, row, m_err);
}
bool TablePrintEngine::setMergeHeaderRow(int row, bool on)
{
    return setFlagAt(m_mergeHeaderRow, row, on, m_err);
}
bool TablePrintEngine::MergeHeaderCol(int col) const
{
    return flagAt(m_mergeHeaderCol, col, m_err);
}
bool TablePrintEngine::setMergeHeaderCol(int col, bool on)
{
    return setFlagAt(m_mergeHeaderCol, col, on, m_err);
}

// --- layout ----------------------------------------------------------------------------------

bool TablePrintEngine::selectFont(Surface &out, const FontRef &font)
{
    if (!font)
        return fail(ErrNoObject);
    if (font.get() != m_selected) {
        out.setFont(*font);
        m_selected = font.get();
    }
    return true;
}

bool TablePrintEngine::rowHeights(Surface &out, Heights &h)
{
    h.body = RowHeightMin - 2 * CellYOffset;
    h.header = HeaderRowHeightMin - 2 * CellYOffset;
    h.footer = FooterRowHeightMin - 2 * CellYOffset;
    const int mode = out.ScaleMode();
    for (int c = 0; c < m_cols; ++c) {
        for (int r = 0; r < m_rows; ++r) {
            const size_t i = at(r, c);
            if (!selectFont(out, m_font[i]))
                return false;
            h.body = std::max(h.body, out.TextHeight(m_text[i]));
            if (ResizeCellsToPicHeight && m_picture[i])
                h.body = std::max(h.body, out.ScaleY(m_picture[i]->heightHimetric(), vbHimetric, mode));
        }
        for (int r = 0; r < m_headerRows; ++r) {
            const size_t i = at(r, c);
            if (!selectFont(out, m_headerFont[i]))
                return false;
            h.header = std::max(h.header, out.TextHeight(m_headerText[i]));
        }
        if (HasFooter) {
            if (c >= int(m_footerFont.size()))
                return fail(ErrSubscript);
            if (!selectFont(out, m_footerFont[size_t(c)]))
                return false;
            h.footer = std::max(h.footer, out.TextHeight(m_footerText[size_t(c)]));
        }
    }
    h.body += 2 * CellYOffset;
    h.header += 2 * CellYOffset;
    if (h.footer > 0)
        h.footer += 2 * CellYOffset;
    return true;
}

double TablePrintEngine::CalcNumRowsPerPage(Surface *objOutput, bool bWithHeader, std::optional<bool> bWithFooter)
{
    m_err = ErrNone;
    if (!objOutput) {
        fail(ErrNoObject);
        return -1;
    }
    m_selected = nullptr;
    Heights h;
    if (!rowHeights(*objOutput, h))
        return -1;
    double room = objOutput->ScaleHeight() - MarginTop - MarginBottom;
    if (bWithHeader)
        room -= m_headerRows * h.header;
    if (bWithFooter.value_or(HasFooter))
        room -= h.footer;
    if (room <= 0 || h.body <= 0)
        return 0;
    return std::floor(room / h.body);
}

void TablePrintEngine::drawCellText(Surface &out, const QString &text, PixelRect rect, int alignment)
{
    PixelRect measured = rect;
    const int textHeight = out.DrawText(text, measured, DT_CALCRECT | DT_NOPREFIX | alignment);
    rect.top += (rect.bottom - rect.top - textHeight) / 2;
    out.DrawText(text, rect, DT_NOPREFIX | alignment);
}

bool TablePrintEngine::DrawTable(Surface *objOutput, int lRowToStart, int lStartPage)
{
    m_err = ErrNone;
    if (!objOutput)
        return fail(ErrNoObject);
    if (lRowToStart < 0 || lRowToStart > m_rows)
        return fail(ErrSubscript);
    Surface *out = objOutput;
    const PrintFont savedFont = out->Font();
    const int mode = out->ScaleMode();
    m_selected = nullptr;

    Heights h;
    if (!rowHeights(*out, h)) {
        out->setFont(savedFont);
        return false;
    }
    // Column boundaries in whole pixels, from the left margin.
    std::vector<int> left(size_t(m_cols) + 1);
    left[0] = toPixels(out->ScaleX(MarginLeft, mode, vbPixels));
    double totalWidth = 0;
    for (int c = 0; c < m_cols; ++c) {
        left[size_t(c) + 1] = left[size_t(c)] + toPixels(out->ScaleX(m_colWidth[size_t(c)], mode, vbPixels));
        totalWidth += m_colWidth[size_t(c)];
    }
    const int xOff = toPixels(out->ScaleX(CellXOffset, mode, vbPixels));
    auto pixelY = [&](double y) { return toPixels(out->ScaleY(y, mode, vbPixels)); };
    auto box = [&](int l, int t, int r, int b) {
        if (!TableLines)
            return;
        out->setScaleMode(vbPixels);
        out->Line(l, t, r, b, LineKind::Box);
        out->setScaleMode(mode);
    };
    out->setFillStyle(vbFSTransparent);

    int page = lStartPage;
    int last = lRowToStart - 1;
    double Y = 0;
    bool freshPage = false;
    for (;;) {
        double room = std::max(0.0, out->ScaleHeight() - out->CurrentY() - MarginBottom);
        const bool showHeader = PrintHeaderOnEveryPage || page == 1;
        const bool rowsLeft = last < m_rows - 1;
        if (room >= h.body) {
            if (showHeader)
                room -= m_headerRows * h.header;
            const long fit = h.body > 0 ? long(std::floor(std::max(0.0, room) / h.body)) : long(m_rows);
            // A page that was just started and still cannot take one row never will.
            if (freshPage && rowsLeft && fit == 0) {
                m_err = ErrRowTooHigh;
                break;
            }
            const int first = last + 1;
            last = int(std::min<long>(long(last) + fit, long(m_rows) - 1));
            Y = out->CurrentY();

            if (showHeader) {
                out->setDrawWidth(HeaderLineThickness);
                std::vector<int> runTop(size_t(m_cols), -1);
                for (int hr = 0; hr < m_headerRows; ++hr) {
                    int acrossStart = -1;
                    for (int c = 0; c < m_cols; ++c) {
                        const QString &text = m_headerText[at(hr, c)];
                        if (m_mergeHeaderCol[size_t(c)] && hr < m_headerRows - 1 &&
                            m_headerText[at(hr + 1, c)] == text) {
                            if (runTop[size_t(c)] < 0)
                                runTop[size_t(c)] = hr;
                            continue;
                        }
                        const int top = runTop[size_t(c)] >= 0 ? runTop[size_t(c)] : hr;
                        runTop[size_t(c)] = -1;
                        if (m_mergeHeaderRow[size_t(hr)] && c < m_cols - 1 && m_headerText[at(hr, c + 1)] == text) {
                            if (acrossStart < 0)
                                acrossStart = c;
                            continue;
                        }
                        const int from = acrossStart >= 0 ? acrossStart : c;
                        acrossStart = -1;
                        PixelRect r{left[size_t(from)] + xOff, pixelY(Y + top * h.header), left[size_t(c) + 1] - xOff,
                                    pixelY(Y + (hr + 1) * h.header)};
                        box(r.left - xOff, r.top, r.right + xOff, r.bottom);
                        if (!selectFont(*out, m_headerFont[at(hr, c)]))
                            break;
                        const int align = CenterMergedHeader && c > from ? DT_CENTER : m_colAlignment[size_t(c)];
                        drawCellText(*out, text, r, align);
                    }
                    if (m_err)
                        break;
                }
                if (m_err)
                    break;
                Y += m_headerRows * h.header;
            }

            out->setDrawWidth(LineThickness);
            // Across-merged runs remember their left edge by row; a page starts with none.
            std::vector<int> acrossLeft(size_t(std::max(0, last - first + 1)), -1);
            for (int c = 0; c < m_cols && !m_err; ++c) {
                int runStart = first;
                for (int r = first; r <= last; ++r) {
                    const size_t i = at(r, c);
                    if (m_mergeCol[size_t(c)] && r < last && m_text[at(r + 1, c)] == m_text[i])
                        continue;
                    int &rememberedLeft = acrossLeft[size_t(r - first)];
                    if (m_mergeRow[size_t(r)] && c < m_cols - 1 && m_text[at(r, c + 1)] == m_text[i]) {
                        if (rememberedLeft < 0)
                            rememberedLeft = left[size_t(c)];
                        runStart = r + 1;
                        continue;
                    }
                    const int cellLeft = rememberedLeft >= 0 ? rememberedLeft : left[size_t(c)];
                    rememberedLeft = -1;
                    const double top = Y + (runStart - first) * h.body;
                    const double height = (r - runStart + 1) * h.body;
                    if (const PictureRef &pic = m_picture[i]) {
                        double colLeft = MarginLeft;
                        for (int k = 0; k < c; ++k)
                            colLeft += m_colWidth[size_t(k)];
                        double w = out->ScaleX(pic->widthHimetric(), vbHimetric, mode);
                        double ph = out->ScaleY(pic->heightHimetric(), vbHimetric, mode);
                        w = std::min(w, m_colWidth[size_t(c)] - 2 * CellXOffset);
                        if (w > 0) {
                            double y = top + (height - ph) / 2;
                            if (ph > height) {
                                y = top;
                                ph = height;
                            }
                            double x = colLeft + CellXOffset;
                            if (m_colAlignment[size_t(c)] == 1)
                                x = colLeft + (m_colWidth[size_t(c)] - w) / 2;
                            else if (m_colAlignment[size_t(c)] == 2)
                                x = colLeft + m_colWidth[size_t(c)] - CellXOffset - w;
                            out->PaintPicture(pic, x, y, w, ph, 0, 0, w, ph);
                        }
                    }
                    PixelRect rect{cellLeft + xOff, pixelY(top), left[size_t(c) + 1] - xOff, pixelY(top + height)};
                    box(rect.left - xOff, rect.top, rect.right + xOff, rect.bottom);
                    if (!selectFont(*out, m_font[i]))
                        break;
                    drawCellText(*out, m_text[i], rect, m_colAlignment[size_t(c)]);
                    runStart = r + 1;
                }
            }
            if (m_err)
                break;
            Y += std::max(0, last - first + 1) * h.body;

            if (last == m_rows - 1 && HasFooter) {
                if (int(m_footerFont.size()) < m_cols) {
                    m_err = ErrSubscript;
                    break;
                }
                out->setDrawWidth(FooterLineThickness);
                if (TableLines)
                    out->Line(MarginLeft, Y, MarginLeft + totalWidth, Y + h.footer, LineKind::Box);
                double colLeft = MarginLeft;
                for (int c = 0; c < m_cols; ++c) {
                    PixelRect rect{left[size_t(c)] + xOff, pixelY(Y), left[size_t(c) + 1] - xOff, pixelY(Y + h.footer)};
                    if (!selectFont(*out, m_footerFont[size_t(c)]))
                        break;
                    drawCellText(*out, m_footerText[size_t(c)], rect, m_colAlignment[size_t(c)]);
                    if (TableLines && c > 0)
                        out->Line(colLeft, Y, colLeft, Y + h.footer);
                    colLeft += m_colWidth[size_t(c)];
                }
                if (m_err)
                    break;
                Y += h.footer;
            }
        } else if (freshPage && rowsLeft) {
            m_err = ErrRowTooHigh;
            break;
        }

        out->setCurrentY(Y);
        if (last >= m_rows - 1)
            break;
        bool topSet = false, cancel = false;
        Surface *const before = out;
        if (NewPage)
            NewPage(out, topSet, cancel, last);
        if (cancel || !out || !out->ok())
            break;
        if (out != before)
            m_selected = nullptr;
        if (!topSet)
            out->setCurrentY(MarginTop);
        ++page;
        freshPage = true;
    }
    if (out) {
        out->setFont(savedFont);
        out->setScaleMode(mode);
    }
    m_selected = nullptr;
    return m_err == ErrNone;
}

} // namespace print
