// The binary workbooks (.xls): BIFF8, what Excel wrote from 97 to 2003, by our own reader in
// this process (biff_reader.cpp); an older BIFF (Excel 5 and 95) through FreeXL, which gives dates
// as text already and every other value typed. FreeXL believes the lengths a file gives (a hostile
// sheet name makes it read far past its own buffers), so it runs in a child process of its own:
// whatever the file does to it, the program is told "文件格式不正确!" and goes on.
#include "core/base/text_codec.h"
#include "core/exchange/biff_reader.h"
#include "core/exchange/sheet_rules.h"
#include "core/exchange/workbook_reader.h"

#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <freexl.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

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

// A child that takes longer than this is taken to be stuck in a hostile file.
constexpr int kChildMilliseconds = 60'000;
// Nothing a sheet may hold (64 Mi characters of text at most) needs more to be handed over.
constexpr qint64 kMaxAnswerBytes = qint64(512) << 20;

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Runs `work` (FreeXL on the file, its answer written into a stream) in a child process and gives
// back what it wrote, or nullopt when the child failed, crashed, hung or said too much.
template <typename F> std::optional<QByteArray> inChild(F &&work)
{
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        return std::nullopt;
    }
    if (child == 0) {
        // Only FreeXL and the answer from here on; nothing it prints, and no exit handlers.
        ::close(pipeEnds[0]);
        if (const int null = ::open("/dev/null", O_WRONLY); null >= 0) {
            ::dup2(null, STDERR_FILENO);
            ::close(null);
        }
        QByteArray answer;
        {
            QDataStream out(&answer, QIODevice::WriteOnly);
            work(out);
        }
        ::_exit(writeAll(pipeEnds[1], answer) ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    QByteArray answer;
    bool ok = true;
    QElapsedTimer clock;
    clock.start();
    char chunk[64 * 1024];
    for (;;) {
        const qint64 left = kChildMilliseconds - clock.elapsed();
        pollfd p{pipeEnds[0], POLLIN, 0};
        const int ready = left > 0 ? ::poll(&p, 1, int(left)) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            ok = false;
            break;
        }
        const ssize_t n = ::read(pipeEnds[0], chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        answer.append(chunk, n);
        if (answer.size() > kMaxAnswerBytes) {
            ok = false;
            break;
        }
    }
    ::close(pipeEnds[0]);
    if (!ok)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!ok || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return answer;
}

WorkbookError sheetNamesHere(const QString &path, QStringList *names)
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

WorkbookError sheetHere(const QString &path, int index, SheetCells *out)
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
    SheetBuilder sheet;
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
            // A value past the table's rows or columns refuses the file, as in an .xlsx.
            if (!text.isEmpty() && !sheet.add(int(std::min(r, unsigned(kMaxSheetIndex))), c, std::move(text)))
                return WorkbookError::BadFormat;
        }
    sheet.finish(out);
    return WorkbookError::None;
}

WorkbookError freexlSheetNames(const QString &path, QStringList *names)
{
    const std::optional<QByteArray> answer = inChild([&path](QDataStream &out) {
        QStringList found;
        const WorkbookError e = sheetNamesHere(path, &found);
        out << qint32(e) << found;
    });
    if (!answer)
        return WorkbookError::BadFormat;
    QDataStream in(*answer);
    qint32 e = 0;
    QStringList found;
    in >> e >> found;
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return WorkbookError::BadFormat;
    if (WorkbookError(e) == WorkbookError::None)
        *names = std::move(found);
    return WorkbookError(e) == WorkbookError::None || WorkbookError(e) == WorkbookError::Unreadable
               ? WorkbookError(e)
               : WorkbookError::BadFormat;
}

WorkbookError readFreexlSheet(const QString &path, int index, SheetCells *out)
{
    const std::optional<QByteArray> answer = inChild([&path, index](QDataStream &stream) {
        SheetCells cells;
        const WorkbookError e = sheetHere(path, index, &cells);
        stream << qint32(e) << qint32(cells.rows) << qint32(cells.cols) << quint32(cells.cells.size());
        for (const SheetCell &c : cells.cells)
            stream << qint32(c.row) << qint32(c.col) << c.text;
    });
    if (!answer)
        return WorkbookError::BadFormat;
    QDataStream in(*answer);
    qint32 e = 0, rows = 0, cols = 0;
    quint32 count = 0;
    in >> e >> rows >> cols >> count;
    if (in.status() != QDataStream::Ok)
        return WorkbookError::BadFormat;
    if (WorkbookError(e) != WorkbookError::None)
        return WorkbookError(e) == WorkbookError::NoSheet || WorkbookError(e) == WorkbookError::Unreadable
                   ? WorkbookError(e)
                   : WorkbookError::BadFormat;
    // What the child says is checked as any file's content would be.
    // Each cell takes at least its row, column and text length.
    if (rows < 0 || cols < 0 || rows > kMaxSheetIndex || cols > kMaxSheetIndex || count > quint32(answer->size() / 12))
        return WorkbookError::BadFormat;
    SheetCells cells;
    cells.rows = rows;
    cells.cols = cols;
    cells.cells.reserve(count);
    for (quint32 k = 0; k < count; ++k) {
        SheetCell c;
        in >> c.row >> c.col >> c.text;
        if (in.status() != QDataStream::Ok || c.row < 0 || c.col < 0 || c.row >= rows || c.col >= cols)
            return WorkbookError::BadFormat;
        cells.cells.push_back(std::move(c));
    }
    if (!in.atEnd())
        return WorkbookError::BadFormat;
    *out = std::move(cells);
    return WorkbookError::None;
}

} // namespace

WorkbookError xlsSheetNames(const QString &path, QStringList *names)
{
    // Whether the file can be read at all is asked here: a missing file is no hostile one.
    QByteArray bytes;
    if (!base::codec::readBytes(path, &bytes))
        return WorkbookError::Unreadable;
    if (const std::optional<WorkbookError> e = biff8SheetNames(bytes, names))
        return *e;
    return freexlSheetNames(path, names);
}

WorkbookError readXlsSheet(const QString &path, int index, SheetCells *out)
{
    QByteArray bytes;
    if (!base::codec::readBytes(path, &bytes))
        return WorkbookError::Unreadable;
    if (const std::optional<WorkbookError> e = readBiff8Sheet(bytes, index, out))
        return *e;
    return readFreexlSheet(path, index, out);
}

} // namespace exchange
