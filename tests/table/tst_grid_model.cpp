// The grid's item model under Qt's own model checker while the grid changes in every way the
// program changes it: cells, header texts, row and column counts, bulk loads and whole copies.
#include "core/table/grid_model.h"

#include <QAbstractItemModelTester>
#include <QTest>

using namespace table;

class GridModelTest : public QObject {
    Q_OBJECT
private slots:
    void followsTheGrid()
    {
        Grid g;
        GridModel model(g);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        g.setRows(5);
        g.setCols(4);
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.columnCount(), 3);
        g.setFormatString(QStringLiteral("  |语文|数学|英语"));
        QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("数学"));
        g.setTextMatrix(2, 3, QStringLiteral("88"));
        QCOMPARE(model.data(model.index(1, 2), Qt::DisplayRole).toString(), QStringLiteral("88"));
        g.setTextMatrix(3, 0, QStringLiteral("3"));
        QCOMPARE(model.headerData(2, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral("3"));
        g.setCellForeColor(1, 1, qRgb(255, 0, 0));
        QVERIFY(model.data(model.index(0, 0), Qt::ForegroundRole).isValid());
        {
            GridBulk bulk(g);
            g.setRows(200);
            g.setCols(31);
            for (int r = 1; r < 200; ++r)
                g.setTextMatrix(r, 1, QString::number(r));
        }
        QCOMPARE(model.rowCount(), 199);
        Grid other;
        other.setRows(3);
        g = other;
        QCOMPARE(model.rowCount(), 2);
        g = Grid();
        QCOMPARE(model.columnCount(), 1);
        g.setCols(1);
        QCOMPARE(model.columnCount(), 0);
    }
};

QTEST_GUILESS_MAIN(GridModelTest)
#include "tst_grid_model.moc"
