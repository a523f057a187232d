// The undo history on a whole grade's table (5,000 students × 30 fields): what 100 typed cells and
// 10 sorts keep in memory, as the history counts it and as the heap grows, and what the steps cost
// in time against the same changes made with no history kept.
#include "bench_common.h"

#include "core/base/workspace.h"
#include "core/formula/sort_keys.h"
#include "core/table/sort_rows.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <malloc.h>

namespace {

qint64 heapBytes()
{
    return qint64(mallinfo2().uordblks);
}

QString kib(qint64 bytes)
{
    return QString::number(double(bytes) / 1024.0, 'f', 1) + QStringLiteral(" KiB");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    using namespace bench;
    auto &o = out();

    QTemporaryDir dir;
    base::Workspace ws(dir.path());
    table::GradeTable t;
    makeClassTable(t);
    const table::Grid original = t.grid;
    const int cells = t.grid.Rows() * t.grid.Cols();

    // 100 typed cells, each as the table window commits one: a step of that cell, then its text.
    auto typeCells = [&t](bool steps) {
        QRandomGenerator rng(7);
        for (int i = 0; i < 100; ++i) {
            const int r = 1 + int(rng.bounded(kStudents)), c = kFirstScore + int(rng.bounded(kFields - kFirstScore));
            if (steps)
                t.beginCellChange(r, c);
            t.grid.setTextMatrix(r, c, QString::number(60 + i % 40));
        }
    };
    auto restart = [&] {
        t.grid = original;
        t.resetHistory();
    };

    restart();
    malloc_trim(0);
    qint64 heap = heapBytes();
    typeCells(true);
    const qint64 typedHeap = heapBytes() - heap;
    const qint64 typedHistory = t.history().bytes();
    const int typedSteps = t.history().stepCount();

    // 10 sorts, each of another field, as 排序 runs them: keys as shown, then the sort and its step.
    auto sortFields = [&](bool steps) {
        for (int i = 0; i < 10; ++i) {
            const int column = kFirstScore + i;
            const QStringList keys = formula::columnDisplayValues(t, column, ws);
            table::sortTable(t, {column, i % 2 == 0, -1}, keys);
            t.settleChange();
            if (!steps)
                t.resetHistory();
        }
    };
    restart();
    malloc_trim(0);
    heap = heapBytes();
    sortFields(true);
    const qint64 sortHeap = heapBytes() - heap;
    const qint64 sortHistory = t.history().bytes();
    const int sortSteps = t.history().stepCount();
    const qint64 gridSlots = qint64(cells) * qint64(sizeof(QString));

    o << "table: " << kStudents << " rows x " << kFields << " fields, " << cells << " cells; one grid's cell slots "
      << kib(gridSlots) << "\n";
    o << "100 typed cells: " << typedSteps << " steps, history " << typedHistory << " bytes ("
      << typedHistory / std::max(typedSteps, 1) << " per step), heap grew " << kib(typedHeap) << " (texts included)\n";
    o << "10 sorts: " << sortSteps << " steps, history " << kib(sortHistory) << " ("
      << kib(sortHistory / std::max(sortSteps, 1)) << " per step), heap grew " << kib(sortHeap) << "\n";

    // Walking all 10 sorts back and forth brings the table back cell for cell.
    restart();
    sortFields(true);
    const table::Grid sorted = t.grid;
    for (int i = 0; i < 10; ++i)
        t.undo();
    bool same = true;
    for (int i = 0; i < cells; ++i)
        same = same && t.grid.TextArray(i) == original.TextArray(i);
    for (int i = 0; i < 10; ++i)
        t.redo();
    for (int i = 0; i < cells; ++i)
        same = same && t.grid.TextArray(i) == sorted.TextArray(i);
    o << "10 undos and 10 redos give back the table cell for cell: " << (same ? "yes" : "NO") << "\n";

    const double typedMs = medianMs([&] { typeCells(true); }, restart);
    const double bareTypedMs = medianMs([&] { typeCells(false); }, restart);
    row(QStringLiteral("100 typed cells with their undo steps"), typedMs, QStringLiteral("the same, no history"),
        bareTypedMs);
    const double sortMs = medianMs([&] { sortFields(true); }, restart);
    const double bareSortMs = medianMs([&] { sortFields(false); }, restart);
    row(QStringLiteral("10 sorts with their undo steps"), sortMs, QStringLiteral("the same, history dropped each time"),
        bareSortMs);
    restart();
    sortFields(true);
    const double undoMs = medianMs([&] {
        for (int i = 0; i < 10; ++i)
            t.undo();
        for (int i = 0; i < 10; ++i)
            t.redo();
    });
    row(QStringLiteral("10 undos and 10 redos of the sorts"), undoMs);
    return same && typedHistory < typedSteps * 1024 && sortHistory <= sortSteps * (gridSlots + gridSlots / 2) ? 0 : 1;
}
