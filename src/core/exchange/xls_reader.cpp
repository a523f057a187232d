// The older binary workbooks (.xls, BIFF) through FreeXL, which gives dates as text already and
// every other value typed.
#include "core/exchange/workbook_reader.h"

#include <QFile>
#include <freexl.h>

namespace exchange {

namespace {

struct Handle {
    const void *xls = nullptr;
    ~Handle()
    {
        if (xls)
            freexl_close(xls);
    }
};

// FreeXL opens the file (only the list of sheets when `infoOnly`); a password-protected or
// damaged one is BadFormat.
WorkbookError open(const QString &path, bool infoOnly, Handle *h)
{
    const QByteArray name = QFile::encodeName(path);
    const int rc = infoOnly ? freexl_open_info(name.constData(), &h->xls) : freexl_open(name.constData(), &h->xls);
    if (rc == FREEXL_FILE_NOT_FOUND)
        return WorkbookError::Unreadable;
    // FreeXL gives no handle but success for some files it cannot read (a text spanning
    // continuation records).
    if (rc != FREEXL_OK || !h->xls)
        return WorkbookError::BadFormat;
    unsigned int protection = 0;
    if (freexl_get_info(h->xls, FREEXL_BIFF_PASSWORD, &protection) != FREEXL_OK || protection == FREEXL_BIFF_OBFUSCATED)
        return WorkbookError::BadFormat;
    return WorkbookError::None;
}

unsigned int sheetCount(const Handle &h)
{
    unsigned int count = 0;
    return freexl_get_info(h.xls, FREEXL_BIFF_SHEET_COUNT, &count) == FREEXL_OK ? count : 0;
}

} // namespace

WorkbookError xlsSheetNames(const QString &path, QStringList *names)
{
    Handle h;
    if (const WorkbookError e = open(path, true, &h); e != WorkbookError::None)
        return e;
    names->clear();
    const unsigned int count = sheetCount(h);
    for (unsigned int i = 0; i < count && i <= 0xFFFF; ++i) {
        const char *name = nullptr;
        if (freexl_get_worksheet_name(h.xls, static_cast<unsigned short>(i), &name) != FREEXL_OK)
            return WorkbookError::BadFormat;
        *names << QString::fromUtf8(name ? name : "");
    }
    return WorkbookError::None;
}

WorkbookError readXlsSheet(const QString &path, int index, SheetCells *out)
{
    Handle h;
    if (const WorkbookError e = open(path, false, &h); e != WorkbookError::None)
        return e;
    if (index < 0 || unsigned(index) >= sheetCount(h) || index > 0xFFFF)
        return WorkbookError::NoSheet;
    if (freexl_select_active_worksheet(h.xls, static_cast<unsigned short>(index)) != FREEXL_OK)
        return WorkbookError::BadFormat;
    unsigned int rows = 0;
    unsigned short cols = 0;
    if (freexl_worksheet_dimensions(h.xls, &rows, &cols) != FREEXL_OK)
        return WorkbookError::BadFormat;
    SheetCells cells;
    for (unsigned int r = 0; r < rows; ++r)
        for (unsigned short c = 0; c < cols; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(h.xls, r, c, &v) != FREEXL_OK)
                return WorkbookError::BadFormat;
            QString text;
            switch (v.type) {
            case FREEXL_CELL_INT:
                text = QString::number(v.value.int_value);
                break;
            case FREEXL_CELL_DOUBLE:
                text = shortestNumberText(v.value.double_value);
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                text = QString::fromUtf8(v.value.text_value ? v.value.text_value : "");
                break;
            default:
                break;
            }
            if (text.isEmpty())
                continue;
            // A value past the table's rows or columns refuses the file, as in an .xlsx.
            if (r >= unsigned(kMaxSheetIndex) || c >= kMaxSheetIndex)
                return WorkbookError::BadFormat;
            cutToCellText(text);
            cells.rows = std::max(cells.rows, int(r) + 1);
            cells.cols = std::max(cells.cols, int(c) + 1);
            cells.cells.push_back({int(r), int(c), std::move(text)});
        }
    *out = std::move(cells);
    return WorkbookError::None;
}

} // namespace exchange
