// The exchange dialogs as the teacher meets them: ImportDialog with its column choice, matching and
// messages; ExportTableDialog's lists; the CSV and DBF converters; TrialConvertDialog; and the commands registered
// for the table window, run through the registry.
#include "../exchange/make_table.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/exchange/exchange_commands.h"
#include "core/table/command.h"
#include "core/table/table_file.h"
#include "core/ui/command_table.h"
#include "gui/exchange/converter_dialog.h"
#include "gui/exchange/exchange_dialog.h"
#include "gui/exchange/export_table_dialog.h"
#include "gui/exchange/import_dialog.h"
#include "gui/exchange/trial_convert_dialog.h"
#include "gui/table/grid_view.h"
#include "scripted_prompter.h"
#include "test_config.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

template <typename W> W *child(QWidget *parent, const char *name)
{
    W *w = parent->findChild<W *>(QLatin1String(name));
    if (!w)
        qFatal("no child %s", name);
    return w;
}

QPushButton *button(QWidget *parent, const char *name)
{
    return child<QPushButton>(parent, name);
}

} // namespace

class TestExchangeDialogs : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<base::Workspace> m_ws;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    struct ImportRun {
        QList<exchange::FillRequest> requests;
        QList<int> percentsSeen;
        exchange::SourceLoad load = exchange::SourceLoad::Ok;
    };
    std::unique_ptr<exchange::ImportDialog> importDialog(ScriptedPrompter &p, ImportRun &run)
    {
        auto d = std::make_unique<exchange::ImportDialog>(
            classTable(3), p,
            [&run](const QString &, table::GradeTable &source) {
                source = makeTable(QStringLiteral("源"), {QStringLiteral("姓名"), QStringLiteral("数学")},
                                   {{QStringLiteral("学生2"), QStringLiteral("88")}});
                return run.load;
            },
            [&run](const exchange::FillRequest &r, const table::Grid &, base::Progress &progress) {
                run.requests << r;
                progress.setPercent(50);
            });
        d->show();
        return d;
    }

private slots:
    void initTestCase()
    {
        m_ws = std::make_unique<base::Workspace>(m_dir.path());
        m_ws->tablePassword = QStringLiteral("pw");
        m_ws->setPanelText(4, QStringLiteral("当前用户：王老师"));
    }

    void importDialogMatchingSwitch()
    {
        ScriptedPrompter p;
        ImportRun run;
        auto d = importDialog(p, run);
        QCOMPARE(d->windowTitle(), QStringLiteral("导入选定数据到指定位置"));
        auto *combo1 = child<QComboBox>(d.get(), "Combo1");
        QCOMPARE(combo1->count(), 2);
        QCOMPARE(combo1->currentText(), QStringLiteral("姓名"));
        QVERIFY(!combo1->isEnabled());
        QVERIFY(!button(d.get(), "Command2")->isEnabled());
        auto *label3 = child<QLabel>(d.get(), "Label3");
        child<QCheckBox>(d.get(), "Check1")->setChecked(true);
        QVERIFY(combo1->isEnabled());
        QCOMPARE(label3->palette().color(QPalette::WindowText), QColor(255, 25, 25));
        child<QCheckBox>(d.get(), "Check1")->setChecked(false);
        QCOMPARE(label3->palette().color(QPalette::WindowText), QColor(Qt::black));
        QCOMPARE(d->targetGrid().Row(), 1);
        QCOMPARE(d->targetGrid().ColWidth(0), 160);
    }

    void importDialogPlainAndMatched_data()
    {
        QTest::addColumn<bool>("match");
        QTest::newRow("plain, after the question") << false;
        QTest::newRow("matched, with the progress bar") << true;
    }
    void importDialogPlainAndMatched()
    {
        QFETCH(bool, match);
        ScriptedPrompter p;
        ImportRun run;
        auto d = importDialog(p, run);
        p.expectOpenFile(path(QStringLiteral("s.gdt")), QStringLiteral("*.gdt"));
        button(d.get(), "Command1")->click();
        QCOMPARE(p.shown.last().title, QStringLiteral("打开数据文件"));
        QVERIFY(button(d.get(), "Command2")->isEnabled());
        QCOMPARE(child<QComboBox>(d.get(), "Combo2")->currentText(), QStringLiteral("姓名"));

        // No column chosen yet: the two-line message, and the dialog stays.
        p.expectMessage(QStringLiteral("请先设置原始表格与导入数据的表格的要进行操作的列！\n"
                                       "请设定完毕再试或按“取消”按钮结束导入操作。"),
                        QStringLiteral("提示"));
        button(d.get(), "Command2")->click();
        QVERIFY(d->isVisible());

        d->targetGrid().setCurrent(1, 2);
        d->sourceGrid().setCurrent(1, 2);
        const QString question =
            QStringLiteral("您没有选择“对号入座”功能，因此，数据只是简单的按次序导入，确定继续么？");
        if (match) {
            child<QCheckBox>(d.get(), "Check1")->setChecked(true);
            child<QComboBox>(d.get(), "Combo1")->setCurrentIndex(0);
            child<QComboBox>(d.get(), "Combo2")->setCurrentIndex(1);
        } else {
            p.expectQuestion(question, ui::Answer::No, QStringLiteral("询问"));
            button(d.get(), "Command2")->click();
            QVERIFY(d->isVisible());
            QVERIFY(run.requests.isEmpty());
            p.expectQuestion(question, ui::Answer::Yes, QStringLiteral("询问"));
        }
        button(d.get(), "Command2")->click();
        VERIFY_PROMPTS(p);
        QCOMPARE(d->result(), int(QDialog::Accepted));
        QCOMPARE(run.requests.size(), 1);
        const exchange::FillRequest r = run.requests.first();
        QCOMPARE(r.targetCol, 2);
        QCOMPARE(r.sourceCol, 2);
        QCOMPARE(r.match, match);
        if (match) {
            QCOMPARE(r.targetKey, 1);
            QCOMPARE(r.sourceKey, 2);
        }
        QVERIFY(child<QFrame>(d.get(), "Picture1")->isHidden());
    }

    void importDialogClosesOnABadSource()
    {
        ScriptedPrompter p;
        ImportRun run;
        run.load = exchange::SourceLoad::BadFormat;
        auto d = importDialog(p, run);
        p.expectOpenFile(path(QStringLiteral("s.gdt")));
        button(d.get(), "Command1")->click();
        QCOMPARE(d->result(), int(QDialog::Rejected));
        QVERIFY(!d->isVisible());
    }

    void exportDialogLists()
    {
        QList<QList<int>> calls;
        bool close = false;
        exchange::ExportTableDialog d({QStringLiteral("姓名"), QStringLiteral("语文"), QStringLiteral("数学")},
                                      {QStringLiteral("张三"), QStringLiteral("李四")},
                                      [&](const QList<int> &f, const QList<int> &r) {
                                          calls << f << r;
                                          return close;
                                      });
        d.show();
        QCOMPARE(d.windowTitle(), QStringLiteral("导出表格指定数据"));
        QCOMPARE(d.chosenFields(), QList<int>{1});
        QCOMPARE(child<QCheckBox>(&d, "Check1")->text(), QStringLiteral("全选"));
        child<QCheckBox>(&d, "Check2")->click();
        QCOMPARE(d.chosenRows(), (QList<int>{1, 2}));
        child<QCheckBox>(&d, "Check1")->click();
        QCOMPARE(d.chosenFields(), (QList<int>{1, 2, 3}));
        child<QCheckBox>(&d, "Check1")->click();
        QVERIFY(d.chosenFields().isEmpty());
        button(&d, "Command1")->click();
        QVERIFY(d.isVisible());
        close = true;
        child<QListWidget>(&d, "List1")->item(2)->setSelected(true);
        button(&d, "Command1")->click();
        QVERIFY(!d.isVisible());
        QCOMPARE(calls, (QList<QList<int>>{{}, {1, 2}, {3}, {1, 2}}));
    }

    void rowListTogglesAndShiftClickSelectsARange()
    {
        const QStringList rows{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                               QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6")};
        exchange::ExportTableDialog d({QStringLiteral("姓名")}, rows,
                                      [](const QList<int> &, const QList<int> &) { return true; });
        d.show();
        auto *list = child<QListWidget>(&d, "List2");
        const auto click = [list](int row, Qt::KeyboardModifiers modifiers = {}) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                              list->visualItemRect(list->item(row)).center());
        };
        click(1);
        click(1); // a second click takes it back
        QVERIFY(d.chosenRows().isEmpty());
        click(1);
        click(4, Qt::ShiftModifier);
        QCOMPARE(d.chosenRows(), (QList<int>{2, 3, 4, 5}));
        click(0, Qt::ShiftModifier); // upward from the same start, earlier choices kept
        QCOMPARE(d.chosenRows(), (QList<int>{1, 2, 3, 4, 5}));
    }

    void csvConverterReadsAndSaves()
    {
        QVERIFY(base::codec::writeBytes(path(QStringLiteral("in.csv")), "姓名,语文\r\n张三,80\r\n李四,\"85,5\"\r\n"));
        ScriptedPrompter p;
        exchange::ConverterDialog d(exchange::ConverterDialog::Source::Csv, *m_ws, p);
        d.show();
        QCOMPARE(d.objectName(), QStringLiteral("frmCSV"));
        QCOMPARE(d.windowTitle(), QStringLiteral("CSV 文本文件格式转换"));
        QCOMPARE(child<QLineEdit>(&d, "Text2")->text(), QStringLiteral("王老师"));
        QVERIFY(!button(&d, "Command2")->isEnabled());
        p.expectOpenFile(path(QStringLiteral("in.csv")), QStringLiteral("*.csv"));
        button(&d, "Command1")->click();
        QCOMPARE(child<QLineEdit>(&d, "Text1")->text(), path(QStringLiteral("in.csv")));
        QCOMPARE(d.preview().grid.Rows(), 3);
        QCOMPARE(d.preview().grid.TextMatrix(2, 2), QStringLiteral("85,5"));
        QVERIFY(button(&d, "Command2")->isEnabled());
        child<QLineEdit>(&d, "Text3")->setText(QStringLiteral("期中"));
        p.expectSaveFile(path(QStringLiteral("out.gdt")), QStringLiteral("*.gdt"));
        button(&d, "Command2")->click();
        VERIFY_PROMPTS(p);
        table::TableFile files(*m_ws, p);
        table::GradeTable saved;
        QVERIFY(files.readTableFile(path(QStringLiteral("out.gdt")), saved));
        QCOMPARE(saved.title, QStringLiteral("期中"));
        QCOMPARE(saved.grid.TextMatrix(1, 1), QStringLiteral("张三"));
    }

    void dbfConverterReportsADamagedFile()
    {
        // One character field "XM" of 4 bytes and three records.
        QByteArray good(32, '\0');
        good[0] = 0x03;
        good[4] = 3;
        good[8] = 65;
        good[10] = 5;
        QByteArray field(32, '\0');
        field.replace(0, 2, "XM");
        field[11] = 'C';
        field[16] = 4;
        good += field + "\x0D" + " abcd" + " efgh" + " ijkl" + "\x1A";
        QVERIFY(base::codec::writeBytes(path(QStringLiteral("good.dbf")), good));
        QVERIFY(base::codec::writeBytes(path(QStringLiteral("bad.dbf")), QByteArray(100, '\x03')));
        ScriptedPrompter p;
        exchange::ConverterDialog d(exchange::ConverterDialog::Source::Dbf, *m_ws, p);
        d.show();
        QCOMPARE(d.windowTitle(), QStringLiteral("Foxpro DBF 数据库格式转换"));
        p.expectOpenFile(path(QStringLiteral("good.dbf")), QStringLiteral("*.dbf"));
        button(&d, "Command1")->click();
        VERIFY_PROMPTS(p);
        QCOMPARE(d.preview().grid.Rows(), 4);
        QVERIFY(button(&d, "Command2")->isEnabled());
        // The next file fails: its message names the cause, and the first file's rows are gone.
        p.expectOpenFile(path(QStringLiteral("bad.dbf")), QStringLiteral("*.dbf"));
        p.expectMessage(QStringLiteral("数据库读取发生错误。错误代码：\n3（文件头已损坏）"), QStringLiteral("错误"));
        button(&d, "Command1")->click();
        VERIFY_PROMPTS(p);
        QCOMPARE(p.shown.first().title, QStringLiteral("FoxPro 2.5数据库文件"));
        QVERIFY(!button(&d, "Command2")->isEnabled());
        QCOMPARE(d.preview().grid.Rows(), 2);
        QCOMPARE(d.preview().grid.TextMatrix(1, 1), QString());
    }

    void csvConverterClearsThePreviewOfAnUnreadableFile()
    {
        QVERIFY(base::codec::writeBytes(path(QStringLiteral("in2.csv")), "姓名\r\n张三\r\n李四\r\n"));
        ScriptedPrompter p;
        exchange::ConverterDialog d(exchange::ConverterDialog::Source::Csv, *m_ws, p);
        d.show();
        p.expectOpenFile(path(QStringLiteral("in2.csv")));
        button(&d, "Command1")->click();
        QCOMPARE(d.preview().grid.Rows(), 3);
        const QString missing = path(QStringLiteral("missing.csv"));
        p.expectOpenFile(missing);
        p.expectMessage(QStringLiteral("无法读取文件：") + missing);
        button(&d, "Command1")->click();
        VERIFY_PROMPTS(p);
        QCOMPARE(d.preview().grid.Rows(), 2);
        QVERIFY(!button(&d, "Command2")->isEnabled());
    }

    void trialConverterListsEachFileOnce()
    {
        const QString trial = path(QStringLiteral("trial.gdt"));
        QVERIFY(base::codec::writeBytes(trial, table::memberBytes(classTable(2))));
        ScriptedPrompter p;
        exchange::TrialConvertDialog d(*m_ws, p);
        d.show();
        QCOMPARE(d.windowTitle(), QStringLiteral("转换 试用版 数据表"));
        QCOMPARE(child<QCheckBox>(&d, "Check1")->text(), QStringLiteral("为原有文件备份(.bak)"));
        // Nothing to convert yet; cancelling the file dialog lists nothing either.
        QVERIFY(!button(&d, "Command2")->isEnabled());
        p.expectOpenFile(QString(), QStringLiteral("*.gdt"));
        button(&d, "Command1")->click();
        QVERIFY(!button(&d, "Command2")->isEnabled());
        p.expectOpenFile(trial, QStringLiteral("*.gdt"));
        p.expectOpenFile(trial, QStringLiteral("*.gdt"));
        button(&d, "Command1")->click();
        QVERIFY(button(&d, "Command2")->isEnabled());
        button(&d, "Command1")->click();
        QCOMPARE(d.files(), QStringList{trial});
        child<QCheckBox>(&d, "Check1")->setChecked(true);
        p.expectMessage(QStringLiteral("转换完成。"));
        button(&d, "Command2")->click();
        VERIFY_PROMPTS(p);
        QVERIFY(QFile::exists(trial + QStringLiteral(".bak")));
        table::TableFile files(*m_ws, p);
        table::GradeTable loaded;
        QVERIFY(files.readTableFile(trial, loaded));
    }

    void workbookConverterChoosesASheetAndSaves()
    {
        const QString book = QStringLiteral(SCORVANE_TEST_DATA "/exchange/sheets.xlsx");
        QVERIFY(base::codec::writeBytes(path(QStringLiteral("broken.xlsx")), "PK\x03\x04 not a workbook"));
        ScriptedPrompter p;
        exchange::ConverterDialog d(exchange::ConverterDialog::Source::Workbook, *m_ws, p);
        d.show();
        QCOMPARE(d.objectName(), QStringLiteral("frmXLSX"));
        QCOMPARE(d.windowTitle(), QStringLiteral("Excel 表格格式转换"));
        auto *sheets = child<QComboBox>(&d, "Combo1");
        QVERIFY(!sheets->isEnabled());
        p.expectOpenFile(book, QStringLiteral("*.xlsx;*.xls"));
        button(&d, "Command1")->click();
        QCOMPARE(sheets->count(), 2);
        QCOMPARE(sheets->itemText(1), QStringLiteral("第二页"));
        QCOMPARE(d.preview().grid.TextMatrix(0, 1), QStringLiteral("学号"));
        QCOMPARE(d.preview().grid.TextMatrix(2, 5), QStringLiteral("2024-01-05 08:30:00"));
        // The second sheet, as the teacher picks it.
        sheets->setCurrentIndex(1);
        emit sheets->activated(1);
        QCOMPARE(d.preview().grid.TextMatrix(0, 1), QStringLiteral("名单"));
        QCOMPARE(d.preview().grid.Rows(), 3);
        // Cancelling the chooser keeps the file, its sheet and its preview.
        p.expectOpenFile(QString(), QStringLiteral("*.xlsx;*.xls"));
        button(&d, "Command1")->click();
        QCOMPARE(child<QLineEdit>(&d, "Text1")->text(), book);
        QCOMPARE(sheets->currentIndex(), 1);
        QCOMPARE(d.preview().grid.TextMatrix(0, 1), QStringLiteral("名单"));
        child<QLineEdit>(&d, "Text3")->setText(QStringLiteral("名单"));
        p.expectSaveFile(path(QStringLiteral("book.gdt")), QStringLiteral("*.gdt"));
        button(&d, "Command2")->click();
        VERIFY_PROMPTS(p);
        table::TableFile files(*m_ws, p);
        table::GradeTable saved;
        QVERIFY(files.readTableFile(path(QStringLiteral("book.gdt")), saved));
        QCOMPARE(saved.title, QStringLiteral("名单"));
        QCOMPARE(saved.grid.TextMatrix(1, 1), QStringLiteral("甲"));
        // A damaged workbook: the message, an empty preview, nothing to save or choose.
        p.expectOpenFile(path(QStringLiteral("broken.xlsx")), QStringLiteral("*.xlsx;*.xls"));
        p.expectMessage(QStringLiteral("文件格式不正确!"), QStringLiteral("提示"));
        button(&d, "Command1")->click();
        VERIFY_PROMPTS(p);
        QCOMPARE(d.preview().grid.Rows(), 2);
        QVERIFY(!button(&d, "Command2")->isEnabled());
        QVERIFY(!sheets->isEnabled());
    }

    // 从CSV文件导入到该列 takes a workbook's column A; a damaged workbook changes nothing, not even
    // the undo.
    void columnImportFromAWorkbook()
    {
        table::CommandRegistry registry;
        exchange::registerExchangeCommands(registry);
        table::GradeTable doc = classTable(3);
        ScriptedPrompter p;
        table::TableFile files(*m_ws, p);
        table::CommandContext ctx{doc, *m_ws, p, files};
        doc.grid.setCurrent(1, 2);
        const QString question = QStringLiteral("本操作将会覆盖第 2 列(语文)的所有数据，是否继续？");
        QVERIFY(base::codec::writeBytes(path(QStringLiteral("cut.xlsx")), "PK\x03\x04"));
        p.expectQuestion(question, ui::Answer::Yes);
        p.expectOpenFile(path(QStringLiteral("cut.xlsx")), QStringLiteral("*.txt;*.csv;*.xlsx;*.xls"));
        p.expectMessage(QStringLiteral("文件格式不正确!"), QStringLiteral("提示"));
        registry.find(QStringLiteral("menuImportCVS"))->run(ctx);
        VERIFY_PROMPTS(p);
        QVERIFY(!doc.isModified());
        QVERIFY(!doc.undoEnabled());
        p.expectQuestion(question, ui::Answer::Yes);
        p.expectOpenFile(QStringLiteral(SCORVANE_TEST_DATA "/exchange/gnumeric.xls"));
        p.expectMessage(QStringLiteral("已导入 3 个数值，忽略 2 个。"), QStringLiteral("提示"));
        registry.find(QStringLiteral("menuImportCVS"))->run(ctx);
        VERIFY_PROMPTS(p);
        QCOMPARE(columnOf(doc, 2), (QStringList{QStringLiteral("学号"), QStringLiteral("001"), QStringLiteral("085")}));
        doc.undo();
        QCOMPARE(doc.grid.TextMatrix(1, 2), QStringLiteral("61"));
    }

    void registeredCommandsRunOnTheTable()
    {
        table::CommandRegistry registry;
        exchange::registerExchangeCommands(registry);
        exchange::registerExchangeDialogs(registry);
        for (const char *name : {"menuSaveCVS", "menuImportCVS", "menuImportAll", "menuImportSome", "menuexptable",
                                 "menuLoadCVS", "menuDRother", "menuCovold", "menuSaveXLSX", "menuLoadXLSX"})
            QVERIFY2(registry.find(QLatin1String(name)), name);
        for (const char *name : {"menuCovCSV", "menuFoxExp", "menuCove", "menuCovXLSX"})
            QVERIFY2(registry.frame(QLatin1String(name)), name);
        const std::vector<ui::MenuEntry> tableMenu = ui::menuEntries(ui::Place::TableFile);
        const auto dbf = std::find_if(tableMenu.begin(), tableMenu.end(), [](const ui::MenuEntry &e) {
            return QStringView(e.name) == QLatin1String("menuDRother");
        });
        QVERIFY(dbf != tableMenu.end());
        QCOMPARE(QString::fromUtf16(dbf->caption), QStringLiteral("转换FoxPro格式表格(&O)"));

        table::GradeTable doc = classTable(3);
        ScriptedPrompter p;
        table::TableFile files(*m_ws, p);
        QVERIFY(files.writeTableFile(makeTable(QStringLiteral("源"), {QStringLiteral("姓名"), QStringLiteral("语文")},
                                               {{QStringLiteral("学生3"), QStringLiteral("99")}}),
                                     path(QStringLiteral("src.gdt")), m_ws->tablePassword));
        table::CommandContext ctx{doc, *m_ws, p, files};
        doc.grid.setCurrent(1, 0);
        QVERIFY(!registry.find(QStringLiteral("menuImportCVS"))->enabled(ctx)); // the row numbers
        doc.grid.setCurrent(1, 2);
        QVERIFY(registry.find(QStringLiteral("menuImportCVS"))->enabled(ctx));

        // 导入选定数据: choose the source, the columns and the key, confirm.
        p.expectOpenFile(path(QStringLiteral("src.gdt")), QStringLiteral("*.gdt"));
        QTimer::singleShot(0, this, [] {
            auto *d = qobject_cast<exchange::ImportDialog *>(QApplication::activeModalWidget());
            QVERIFY(d);
            button(d, "Command1")->click();
            d->targetGrid().setCurrent(1, 2);
            d->sourceGrid().setCurrent(1, 2);
            child<QCheckBox>(d, "Check1")->setChecked(true);
            button(d, "Command2")->click();
        });
        p.expectMessage(QStringLiteral("匹配 1 行，未匹配 2 行。"), QStringLiteral("提示"));
        registry.find(QStringLiteral("menuImportSome"))->run(ctx);
        VERIFY_PROMPTS(p);
        QCOMPARE(columnOf(doc, 2), (QStringList{QStringLiteral("61"), QStringLiteral("62"), QStringLiteral("99")}));
        QVERIFY(doc.isModified());
        doc.undo();
        QCOMPARE(doc.grid.TextMatrix(3, 2), QStringLiteral("63"));
    }
};

QTEST_MAIN(TestExchangeDialogs)
#include "tst_exchange_dialogs.moc"
