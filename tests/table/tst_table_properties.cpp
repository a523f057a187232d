// The table's properties: title, class information with undo, the number format both ways, the
// font size list and the stored font, row heights and column widths.
#include "core/base/workspace.h"
#include "core/table/table_properties.h"
#include "core/ui/settings_store.h"
#include "scripted_prompter.h"

#include <QTemporaryDir>
#include <QTest>

using namespace table;

class TablePropertiesTest : public QObject {
    Q_OBJECT
private slots:
    void titleChangeIsUndoableAndMarked()
    {
        GradeTable t;
        t.filePath = QStringLiteral("/x/期中");
        ScriptedPrompter p;
        p.expectInput(
            QStringLiteral("请输入新的表格标题，它可以用于将表格文件更名保存，同时，被更改的标题也将在打印中体现"
                           "出来。"),
            QStringLiteral("期末"), QStringLiteral("更改标题"));
        p.expectInput({}, QString());
        QVERIFY(menuChangTitile(t, p));
        QCOMPARE(t.title, QStringLiteral("期末"));
        QCOMPARE(t.filePath, QStringLiteral("/x/期中"));
        QVERIFY(t.isModified());
        QVERIFY(t.undoEnabled());
        QVERIFY(!menuChangTitile(t, p)); // empty answer
        QCOMPARE(t.title, QStringLiteral("期末"));
        VERIFY_PROMPTS(p);
        t.undo();
        QCOMPARE(t.title, QStringLiteral("未命名的表格"));
    }

    void classSizeGrowsShrinksAndUndoes_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("40 to 42") << 42;
        QTest::newRow("40 to 38") << 38;
        QTest::newRow("40 to 0") << 0;
    }
    void classSizeGrowsShrinksAndUndoes()
    {
        QFETCH(int, size);
        GradeTable t;
        Grid &g = t.grid;
        g.setRows(41);
        g.setCols(3);
        g.setTextMatrix(0, 1, QStringLiteral("姓名"));
        t.rebuildHeader();
        for (int r = 1; r <= 40; ++r)
            g.setTextMatrix(r, 1, QStringLiteral("学生%1").arg(r));
        ClassInfo info = classInfoOf(t);
        QCOMPARE(info.classSize, 40);
        info.classSize = size;
        info.teacher = QStringLiteral("王");
        info.info = QStringLiteral("初一\n(2)班");
        QVERIFY(applyClassInfo(t, info));
        QCOMPARE(g.Rows(), size + 1);
        QCOMPARE(t.teacher, QStringLiteral("王"));
        QCOMPARE(t.classInfo, QStringLiteral("初一\n(2)班"));
        QVERIFY(t.isModified());
        if (size > 40) {
            QCOMPARE(g.TextMatrix(42, 0), QStringLiteral("42"));
            QCOMPARE(g.TextMatrix(41, 1), QString());
        }
        t.undo();
        QCOMPARE(g.Rows(), 41);
        QCOMPARE(t.teacher, QString());
        QCOMPARE(t.classInfo, QString());
        QCOMPARE(g.TextMatrix(40, 1), QStringLiteral("学生40"));
        QCOMPARE(g.TextMatrix(40, 0), QStringLiteral("40"));
    }

    void classSizeOutOfRangeChangesNothing_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("negative") << -1;
        QTest::newRow("32767") << 32767;
    }
    void classSizeOutOfRangeChangesNothing()
    {
        QFETCH(int, size);
        GradeTable t;
        QVERIFY(!applyClassInfo(t, {size, {}, {}}));
        QCOMPARE(t.grid.Rows(), 2);
        QVERIFY(!t.isModified());
    }

    void classSizeBox_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("size"); // -1: refused
        QTest::newRow("number") << QStringLiteral("42") << 42;
        QTest::newRow("blanks around") << QStringLiteral(" 42 ") << 42;
        QTest::newRow("zero") << QStringLiteral("0") << 0;
        QTest::newRow("the largest") << QStringLiteral("32766") << 32766;
        QTest::newRow("empty") << QString() << -1;
        QTest::newRow("letters") << QStringLiteral("abc") << -1;
        QTest::newRow("digits and letters") << QStringLiteral("4a") << -1;
        QTest::newRow("negative") << QStringLiteral("-3") << -1;
        QTest::newRow("one too many") << QStringLiteral("32767") << -1;
        QTest::newRow("too large") << QStringLiteral("99999") << -1;
        QTest::newRow("far too long") << QStringLiteral("99999999999") << -1;
    }
    void classSizeBox()
    {
        QFETCH(QString, typed);
        QFETCH(int, size);
        QCOMPARE(classSizeFromText(typed).value_or(-1), size);
        QCOMPARE(classSizeMessage(), QStringLiteral("班级人数应为 0 … 32766 之间的整数，请重新填写。"));
    }

    // The format dialog reads a format into decimals and padding and writes them back.
    void formatMapping_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<bool>("pad");
        QTest::addColumn<QString>("written");
        QTest::newRow("###.##") << QStringLiteral("###.##") << 2 << false << QStringLiteral("###.##");
        QTest::newRow("###.000") << QStringLiteral("###.000") << 3 << true << QStringLiteral("###.000");
        QTest::newRow("###.") << QStringLiteral("###.") << 0 << false << QStringLiteral("###.");
        QTest::newRow("no point means 0") << QStringLiteral("###") << 0 << false << QStringLiteral("###.");
        QTest::newRow("no point, ends in 0") << QStringLiteral("0") << 0 << true << QStringLiteral("###.");
        QTest::newRow("empty") << QString() << 0 << false << QStringLiteral("###.");
        QTest::newRow("first point counts") << QStringLiteral("#.#.#") << 3 << false << QStringLiteral("###.###");
        QTest::newRow("more than 15") << QStringLiteral("###.") + QString(20, QLatin1Char('0')) << 15 << true
                                      << QStringLiteral("###.") + QString(15, QLatin1Char('0'));
    }
    void formatMapping()
    {
        QFETCH(QString, format);
        QFETCH(int, decimals);
        QFETCH(bool, pad);
        QFETCH(QString, written);
        QCOMPARE(decimalsOf(format), decimals);
        QCOMPARE(padsOf(format), pad);
        QCOMPARE(dataFormatFor(decimals, pad), written);
        QCOMPARE(decimalsOf(written), decimals);
        QCOMPARE(padsOf(written), pad && decimals > 0);
    }

    void formatChangeIsMarked()
    {
        GradeTable t;
        QVERIFY(!applyDataFormat(t, QStringLiteral("###.##")));
        QVERIFY(!t.isModified());
        QVERIFY(applyDataFormat(t, QStringLiteral("###.0000")));
        QCOMPARE(t.numberFormat, QStringLiteral("###.0000"));
        QVERIFY(t.isModified());
    }

    // Matched by point size: sizes that only a named entry has find it.
    void fontSizePreselection_data()
    {
        QTest::addColumn<double>("points");
        QTest::addColumn<QString>("entry");
        QTest::newRow("12") << 12.0 << QStringLiteral("12");
        QTest::newRow("15 is 小三") << 15.0 << QStringLiteral("小三");
        QTest::newRow("42 is 初号") << 42.0 << QStringLiteral("初号");
        QTest::newRow("7 is 六号") << 7.0 << QStringLiteral("六号");
        QTest::newRow("5 is the first 5") << 5.0 << QStringLiteral("七号");
        QTest::newRow("unknown gives 9") << 11.0 << QStringLiteral("9");
        QTest::newRow("fraction gives 9") << 10.5 << QStringLiteral("9");
    }
    void fontSizePreselection()
    {
        QFETCH(double, points);
        QFETCH(QString, entry);
        QCOMPARE(QString::fromUtf16(kFontSizes[static_cast<size_t>(fontSizeIndex(points))].text), entry);
    }

    void fontIsStored()
    {
        QTemporaryDir dir;
        base::Workspace ws(dir.path());
        ui::MemorySettingsStore settings;
        const FontSizeEntry 小四 = kFontSizes[static_cast<size_t>(24)];
        QCOMPARE(QString::fromUtf16(小四.text), QStringLiteral("小四"));
        setTableFont(ws, settings, QStringLiteral("黑体"), 小四.points);
        QCOMPARE(ws.tableFontName, QStringLiteral("黑体"));
        QCOMPARE(ws.tableFontSize, 12.0);
        QCOMPARE(settings.value(QStringLiteral("Font"), QStringLiteral("Name")), QStringLiteral("黑体"));
        QCOMPARE(settings.value(QStringLiteral("Font"), QStringLiteral("Size")), QStringLiteral("12"));
    }

    // Rows Row … RowSel and columns Col … ColSel, whichever way the selection runs.
    void heightAndWidthFollowTheSelection_data()
    {
        QTest::addColumn<bool>("backwards");
        QTest::newRow("forwards") << false;
        QTest::newRow("backwards") << true;
    }
    void heightAndWidthFollowTheSelection()
    {
        QFETCH(bool, backwards);
        Grid g;
        g.setRows(6);
        g.setCols(6);
        g.setCurrent(backwards ? 4 : 2, backwards ? 3 : 2);
        g.setRowSel(backwards ? 2 : 4);
        g.setColSel(backwards ? 2 : 3);
        applyHeightWidth(g, 600, 2400);
        for (int r = 0; r < 6; ++r)
            QCOMPARE(g.RowHeight(r), r >= 2 && r <= 4 ? 600 : Grid::kDefaultRowHeight);
        for (int c = 0; c < 6; ++c)
            QCOMPARE(g.ColWidth(c), c >= 2 && c <= 3 ? 2400 : Grid::kDefaultColWidth);
    }
};

QTEST_GUILESS_MAIN(TablePropertiesTest)
#include "tst_table_properties.moc"
