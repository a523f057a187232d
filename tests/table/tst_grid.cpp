// The grid model: resizing keeps contents, the header format text, linear addressing, the
// current cell and its selection; and the document's undo snapshot.
#include "core/table/grade_table.h"

#include <QTest>

using namespace table;

class GridTest : public QObject {
    Q_OBJECT

    static void number(Grid &g)
    {
        for (int r = 0; r < g.Rows(); ++r)
            for (int c = 0; c < g.Cols(); ++c)
                g.setTextMatrix(r, c, QStringLiteral("%1,%2").arg(r).arg(c));
    }

private slots:
    void createdTwoByTwo()
    {
        Grid g;
        QCOMPARE(g.Rows(), 2);
        QCOMPARE(g.Cols(), 2);
        QCOMPARE(g.FixedRows(), 1);
        QCOMPARE(g.FixedCols(), 1);
    }

    void resizeKeepsContents_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("cols");
        QTest::newRow("more rows") << 9 << 4;
        QTest::newRow("fewer rows") << 3 << 4;
        QTest::newRow("more columns") << 5 << 7;
        QTest::newRow("fewer columns") << 5 << 2;
        QTest::newRow("both shrink") << 2 << 2;
        QTest::newRow("grow both") << 10 << 10;
    }
    void resizeKeepsContents()
    {
        QFETCH(int, rows);
        QFETCH(int, cols);
        Grid g;
        g.setRows(5);
        g.setCols(4);
        number(g);
        g.setRows(rows);
        g.setCols(cols);
        QCOMPARE(g.Rows(), rows);
        QCOMPARE(g.Cols(), cols);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c)
                QCOMPARE(g.TextMatrix(r, c), r < 5 && c < 4 ? QStringLiteral("%1,%2").arg(r).arg(c) : QString());
    }

    void refusesBadCounts_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -3;
        QTest::newRow("beyond 16 bits") << 40000;
    }
    void refusesBadCounts()
    {
        QFETCH(int, count);
        Grid g;
        g.setRows(count);
        g.setCols(count);
        QCOMPARE(g.Rows(), 2);
        QCOMPARE(g.Cols(), 2);
    }

    void linearAddressing()
    {
        GradeTable t;
        t.grid.setRows(4);
        t.grid.setCols(5);
        QCOMPARE(t.faIndex(0, 0), 0);
        QCOMPARE(t.faIndex(2, 3), 13);
        t.grid.setTextArray(t.faIndex(2, 3), QStringLiteral("x"));
        QCOMPARE(t.grid.TextMatrix(2, 3), QStringLiteral("x"));
        // Out of range: reads empty, writes ignored.
        QCOMPARE(t.grid.TextArray(20), QString());
        QCOMPARE(t.grid.TextArray(-1), QString());
        t.grid.setTextArray(20, QStringLiteral("y"));
        t.grid.setTextMatrix(9, 9, QStringLiteral("y"));
        QCOMPARE(t.grid.TextMatrix(3, 4), QString());
        // 32767 × 32767 does not overflow 32 bits.
        t.grid.setCols(Grid::kMaxCount);
        QCOMPARE(t.faIndex(32767, 32766), 32767 * 32767 + 32766);
    }

    void formatString_data()
    {
        QTest::addColumn<int>("colsBefore");
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("colsAfter");
        QTest::addColumn<QStringList>("header");
        QTest::newRow("exact") << 3 << QStringLiteral("  |语文|数学") << 3
                               << QStringList{QStringLiteral("  "), QStringLiteral("语文"), QStringLiteral("数学")};
        QTest::newRow("adds columns") << 2 << QStringLiteral("  |a|b|c") << 4
                                      << QStringList{QStringLiteral("  "), QStringLiteral("a"), QStringLiteral("b"),
                                                     QStringLiteral("c")};
        QTest::newRow("never removes") << 5 << QStringLiteral("  |a") << 5
                                       << QStringList{QStringLiteral("  "), QStringLiteral("a"), QStringLiteral("old2"),
                                                      QStringLiteral("old3"), QStringLiteral("old4")};
        QTest::newRow("empty names") << 3 << QStringLiteral("  ||") << 3
                                     << QStringList{QStringLiteral("  "), QString(), QString()};
    }
    void formatString()
    {
        QFETCH(int, colsBefore);
        QFETCH(QString, format);
        QFETCH(int, colsAfter);
        QFETCH(QStringList, header);
        Grid g;
        g.setCols(colsBefore);
        for (int c = 1; c < colsBefore; ++c)
            g.setTextMatrix(0, c, QStringLiteral("old%1").arg(c));
        g.setColWidth(colsBefore - 1, 4321);
        g.setFormatString(format);
        QCOMPARE(g.Cols(), colsAfter);
        QCOMPARE(g.FormatString(), format);
        for (int c = 0; c < colsAfter; ++c)
            QCOMPARE(g.TextMatrix(0, c), header[c]);
        // Columns beyond the last segment keep their width; the others fit their text.
        const int segments = static_cast<int>(format.count(QLatin1Char('|'))) + 1;
        if (colsBefore > segments)
            QCOMPARE(g.ColWidth(colsBefore - 1), 4321);
        QCOMPARE(g.ColWidth(1), Grid::estimatedWidth(header[1]));
        QVERIFY(Grid::estimatedWidth(QStringLiteral("语文语文")) > Grid::estimatedWidth(QStringLiteral("语文")));
    }

    void currentCellAndSelection()
    {
        Grid g;
        g.setRows(5);
        g.setCols(4);
        g.setCurrent(2, 3);
        QCOMPARE(g.Row(), 2);
        QCOMPARE(g.RowSel(), 2);
        g.setRowSel(4);
        g.setColSel(1);
        QCOMPARE(g.RowSel(), 4);
        QCOMPARE(g.ColSel(), 1);
        g.setCurrent(7, 1); // outside: ignored
        QCOMPARE(g.Row(), 2);
        g.setRows(2); // shrinking pulls the current cell in
        QCOMPARE(g.Row(), 1);
        QCOMPARE(g.RowSel(), 1);
    }

    void observerHearsMovesAndBulk()
    {
        struct Spy : GridObserver {
            int aboutToMove = 0, moved = 0, resets = 0, cells = 0;
            void currentAboutToChange() override { ++aboutToMove; }
            void currentChanged() override { ++moved; }
            void gridReset() override { ++resets; }
            void cellChanged(int, int) override { ++cells; }
        } spy;
        Grid g;
        g.setRows(4);
        g.addObserver(&spy);
        g.setCurrent(2, 1);
        g.setCurrent(2, 1); // no move: nothing to commit
        QCOMPARE(spy.aboutToMove, 1);
        QCOMPARE(spy.moved, 2);
        {
            GridBulk bulk(g);
            for (int r = 0; r < 4; ++r)
                g.setTextMatrix(r, 1, QStringLiteral("x"));
        }
        QCOMPARE(spy.cells, 0);
        QCOMPARE(spy.resets, 1);
        Grid copy = g; // observers stay with the original
        copy.setTextMatrix(1, 1, QStringLiteral("y"));
        QCOMPARE(spy.cells, 0);
        g.removeObserver(&spy);
    }

    void undoRestoresHeaderAndDataKeepingWidths()
    {
        GradeTable t;
        Grid &g = t.grid;
        g.setRows(4);
        g.setCols(4);
        number(g);
        for (int c = 1; c < 4; ++c)
            g.setTextMatrix(0, c, QString(QChar(u'A' + c - 1)));
        t.rebuildHeader();
        g.setColWidth(3, 2222); // widened by hand
        t.snapshotForUndo();
        QVERIFY(t.undoEnabled());
        // Field B removed: C moves left under its own name.
        for (int r = 0; r < 4; ++r)
            g.setTextMatrix(r, 2, g.TextMatrix(r, 3));
        g.setCols(3);
        t.rebuildHeader();
        g.setTextMatrix(2, 1, QStringLiteral("changed"));
        t.undo();
        QVERIFY(!t.undoEnabled());
        QCOMPARE(g.Cols(), 4);
        QCOMPARE(g.FormatString(), QStringLiteral("  |A|B|C"));
        QCOMPARE(g.TextMatrix(0, 2), QStringLiteral("B"));
        QCOMPARE(g.TextMatrix(2, 2), QStringLiteral("2,2"));
        QCOMPARE(g.TextMatrix(2, 1), QStringLiteral("2,1"));
        QCOMPARE(g.TextMatrix(3, 0), QStringLiteral("3"));
        QCOMPARE(g.ColWidth(3), 2222);
    }

    void rebuildHeader()
    {
        GradeTable t;
        Grid &g = t.grid;
        g.setRows(101);
        g.setCols(3);
        g.setTextMatrix(0, 1, QStringLiteral("语文"));
        g.setTextMatrix(0, 2, QStringLiteral("a|b"));
        g.setTextMatrix(50, 0, QStringLiteral("junk"));
        t.rebuildHeader();
        QCOMPARE(g.FormatString(), QStringLiteral("  |语文|a|b"));
        QCOMPARE(g.Cols(), 4);
        QCOMPARE(g.TextMatrix(0, 0), QStringLiteral("  "));
        QCOMPARE(g.TextMatrix(50, 0), QStringLiteral("50"));
        QCOMPARE(g.TextMatrix(100, 0), QStringLiteral("100"));
    }
};

QTEST_GUILESS_MAIN(GridTest)
#include "tst_grid.moc"
