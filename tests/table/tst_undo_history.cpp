// Many-step undo and redo on the document: typed cells, a sort and an import walked back and
// forth with the change marker and the step names at every step, a save in the middle, a new change
// dropping the redo steps, what a step costs on the 5,000-row table, and the bounds.
#include "core/exchange/table_import.h"
#include "core/table/grade_table.h"
#include "core/table/sort_rows.h"
#include "scripted_prompter.h"

#include <QTest>

using namespace table;
using namespace Qt::StringLiterals;

namespace {

QStringList cells(const GradeTable &t)
{
    QStringList all{t.title};
    for (int i = 0; i < t.grid.Rows() * t.grid.Cols(); ++i)
        all << t.grid.TextArray(i);
    return all;
}

void makeTable(GradeTable &t, int rows)
{
    Grid &g = t.grid;
    g.setRows(rows + 1);
    g.setCols(4);
    g.setTextMatrix(0, 1, u"姓名"_s);
    g.setTextMatrix(0, 2, u"语文"_s);
    g.setTextMatrix(0, 3, u"数学"_s);
    for (int r = 1; r <= rows; ++r) {
        g.setTextMatrix(r, 1, u"学生"_s + QString::number(r));
        g.setTextMatrix(r, 2, QString::number(50 + (r * 37) % 50));
        g.setTextMatrix(r, 3, QString::number(40 + (r * 53) % 60));
    }
    t.rebuildHeader();
}

QStringList sortKeys(const GradeTable &t, int column)
{
    QStringList keys;
    for (int r = 0; r < t.grid.Rows(); ++r)
        keys << t.grid.TextMatrix(r, column);
    return keys;
}

void type(GradeTable &t, int row, int col, const QString &text)
{
    t.beginCellChange(row, col);
    t.grid.setTextMatrix(row, col, text);
}

} // namespace

class UndoHistoryTest : public QObject {
    Q_OBJECT
private slots:
    // Typed cell, sort, import, typed cell; every state comes back on the way down and up, the
    // marker is off exactly at the saved state, and each entry names its step.
    void walksStepsWithTheMarker()
    {
        GradeTable t;
        makeTable(t, 6);
        t.markSaved();
        ScriptedPrompter p;
        QList<QStringList> states{cells(t)};
        const QStringList names{u"输入"_s, u"排序"_s, u"导入整张表格"_s, u"输入"_s};

        type(t, 2, 2, u"99"_s);
        states << cells(t);
        QVERIFY(sortTable(t, {2, false, -1}, sortKeys(t, 2)));
        t.settleChange();
        states << cells(t);
        GradeTable source;
        makeTable(source, 3);
        t.changeLabel = u"导入整张表格"_s;
        QVERIFY(exchange::appendTable(t, source.grid, p));
        t.settleChange();
        t.changeLabel.clear();
        states << cells(t);
        QCOMPARE(t.grid.Rows(), 10);
        type(t, 9, 3, u"100"_s);
        states << cells(t);
        QCOMPARE(t.history().stepCount(), 4);

        for (int i = 4; i > 0; --i) {
            QVERIFY(t.isModified());
            QCOMPARE(t.undoLabel(), names[i - 1]);
            t.undo();
            QCOMPARE(cells(t), states[i - 1]);
            QCOMPARE(t.redoLabel(), names[i - 1]);
        }
        QVERIFY(!t.isModified());
        QVERIFY(!t.undoEnabled());
        QCOMPARE(t.grid.FormatString(), u"  |姓名|语文|数学"_s);
        for (int i = 1; i <= 4; ++i) {
            t.redo();
            QCOMPARE(cells(t), states[i]);
            QVERIFY(t.isModified());
        }
        QVERIFY(!t.redoEnabled());

        // Saved after the sort: that state, and only that one, is unmarked.
        t.undo();
        t.undo();
        t.markSaved();
        t.redo();
        QVERIFY(t.isModified());
        t.undo();
        QVERIFY(!t.isModified());
        t.undo();
        QVERIFY(t.isModified());
        QCOMPARE(cells(t), states[1]);
        // A new change after undoing: what was undone cannot come back, and the saved state,
        // dropped with it, is never taken for this one.
        type(t, 1, 1, u"新"_s);
        QVERIFY(!t.redoEnabled());
        QCOMPARE(t.history().stepCount(), 2);
        t.undo();
        QCOMPARE(cells(t), states[1]);
        QVERIFY(t.isModified());
        VERIFY_PROMPTS(p);
    }

    // Properties are steps like cells, and a command that changed nothing leaves no step.
    void propertiesAndEmptyChanges()
    {
        GradeTable t;
        makeTable(t, 3);
        t.beginChange();
        t.title = u"期中成绩"_s;
        t.settleChange();
        t.beginChange();
        t.settleChange();
        QCOMPARE(t.history().stepCount(), 1);
        t.undo();
        QCOMPARE(t.title, u"未命名的表格"_s);
        t.redo();
        QCOMPARE(t.title, u"期中成绩"_s);
    }

    // On the 5,000-row table a typed cell costs under 1 KiB and a sort at most one copy of the
    // grid's cell slots; the history keeps 100 steps and 64 MiB at most, the oldest going first.
    void memoryFollowsTheChange()
    {
        GradeTable t;
        makeTable(t, 5000);
        const qint64 gridSlots = qint64(t.grid.Rows()) * t.grid.Cols() * qint64(sizeof(QString));
        type(t, 10, 2, u"77"_s);
        QVERIFY2(t.history().bytes() < 1024, qPrintable(QString::number(t.history().bytes())));
        const qint64 afterCell = t.history().bytes();
        QVERIFY(sortTable(t, {3, true, -1}, sortKeys(t, 3)));
        t.settleChange();
        const qint64 sortStep = t.history().bytes() - afterCell;
        QVERIFY2(sortStep <= gridSlots + 4096, qPrintable(u"%1 > %2"_s.arg(sortStep).arg(gridSlots)));
        // The sort's step is one copy whichever way it was last walked.
        t.undo();
        t.redo();
        QVERIFY(t.history().bytes() - afterCell <= gridSlots + 4096);

        for (int i = 0; i < 150; ++i)
            type(t, 1 + i, 1, QString::number(i));
        QCOMPARE(t.history().stepCount(), UndoHistory::kMaxSteps);
        int undone = 0;
        while (t.undoEnabled()) {
            t.undo();
            ++undone;
        }
        QCOMPARE(undone, UndoHistory::kMaxSteps);
        // The 51st edit is the oldest kept: undone; the 50th is not.
        QVERIFY(t.grid.TextMatrix(51, 1) != u"50"_s);
        QCOMPARE(t.grid.TextMatrix(50, 1), u"49"_s);

        GradeTable big;
        makeTable(big, 32000);
        big.grid.setCols(40);
        const qint64 bigGridSlots = qint64(big.grid.Rows()) * big.grid.Cols() * qint64(sizeof(QString));
        for (int i = 0; i < 4; ++i) {
            big.beginChange();
            big.grid.setRows(big.grid.Rows() + 1); // every copy a whole grid
            big.settleChange();
            QVERIFY(big.history().bytes() <= UndoHistory::kMaxBytes);
        }
        QCOMPARE(big.history().stepCount(), int(UndoHistory::kMaxBytes / bigGridSlots));
    }
};

QTEST_GUILESS_MAIN(UndoHistoryTest)
#include "tst_undo_history.moc"
