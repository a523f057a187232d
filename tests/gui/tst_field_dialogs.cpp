// The dialogs of the field, property and formula commands, run through the command registry as
// the table window runs them. Set SCORVANE_SHOTS to a folder to keep a picture of each dialog.
#include "core/base/twips.h"
#include "core/base/workspace.h"
#include "core/table/command.h"
#include "core/table/table_file.h"
#include "core/ui/settings_store.h"
#include "gui/formula/formula_editor_dialog.h"
#include "gui/table/field_manager_dialog.h"
#include "gui/table/grid_view.h"
#include "scripted_prompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {
// Runs `act` on the modal dialog once it is shown (and keeps its picture when asked to).
void whenShown(const std::function<void(QDialog *)> &act)
{
    QTimer::singleShot(0, [act] {
        QTRY_VERIFY(qobject_cast<QDialog *>(QApplication::activeModalWidget()));
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        const QString shots = qEnvironmentVariable("SCORVANE_SHOTS");
        if (!shots.isEmpty()) {
            // From the screen where there is one (under Xvfb), else the widget's own picture.
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            QTest::qWait(200);
            QPixmap shot = dialog->screen()->grabWindow(dialog->winId());
            if (shot.isNull())
                shot = dialog->grab();
            shot.save(shots + QLatin1Char('/') + dialog->objectName() + QStringLiteral(".png"));
        }
        act(dialog);
        if (dialog->isVisible())
            dialog->reject(); // a failed check must not leave the test waiting
    });
}

template <typename T> T *child(QDialog *d, const char *name)
{
    T *w = d->findChild<T *>(QLatin1String(name));
    if (!w)
        qWarning("no child %s", name);
    return w;
}

void click(QDialog *d, const char *name)
{
    child<QPushButton>(d, name)->click();
}
} // namespace

class FieldDialogsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<base::Workspace> m_ws;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<table::TableFile> m_files;
    std::unique_ptr<table::GradeTable> m_doc;
    ui::MemorySettingsStore m_settings;
    table::CommandRegistry m_registry;

    void run(const QString &name)
    {
        table::CommandContext ctx{*m_doc, *m_ws, *m_prompter, *m_files, nullptr, nullptr};
        const table::Command *command = m_registry.find(name);
        QVERIFY2(command, qPrintable(name));
        command->run(ctx);
    }
    // Students 1 … rows − 1 under the fields; cell (r, c) holds r × 10 + c.
    void makeTable(const QStringList &fields, int rows = 4)
    {
        m_doc = std::make_unique<table::GradeTable>();
        table::Grid &g = m_doc->grid;
        g.setRows(rows);
        g.setCols(static_cast<int>(fields.size()) + 1);
        for (int c = 1; c < g.Cols(); ++c)
            g.setTextMatrix(0, c, fields[c - 1]);
        m_doc->rebuildHeader();
        for (int r = 1; r < rows; ++r)
            for (int c = 1; c < g.Cols(); ++c)
                g.setTextMatrix(r, c, QString::number(r * 10 + c));
    }

private slots:
    void initTestCase()
    {
        m_ws = std::make_unique<base::Workspace>(m_dir.path());
        table::registerFieldDialogs(m_registry, m_settings);
        formula::registerFormulaEditorDialogs(m_registry);
    }
    void init()
    {
        m_prompter = std::make_unique<ScriptedPrompter>();
        m_files = std::make_unique<table::TableFile>(*m_ws, *m_prompter);
        makeTable({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    }
    void cleanup() { VERIFY_PROMPTS(*m_prompter); }

    // Deleting an entry deletes its column; inserting puts a new column before the selected entry.
    void fieldManagerDeletesAndInsertsInPlace()
    {
        m_doc->grid.setTextMatrix(1, 3, QStringLiteral("！公式：cell(?,1)+cell(?,3)"));
        m_prompter->expectQuestion(QStringLiteral("确实删除项目：“B” 么？"), ui::Answer::Yes);
        m_prompter->expectInput(QStringLiteral("请输入一个新的项目名称："), QStringLiteral("新"),
                                QStringLiteral("插入项目"));
        whenShown([](QDialog *d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("字段编辑器"));
            auto *list = child<QListWidget>(d, "List1");
            QCOMPARE(list->count(), 3);
            QCOMPARE(list->currentRow(), 2); // the last entry
            list->setCurrentRow(1);
            click(d, "Command2");
            QCOMPARE(list->count(), 2);
            list->setCurrentRow(0);
            click(d, "Command1");
            QCOMPARE(list->count(), 3);
            QCOMPARE(list->item(0)->text(), QStringLiteral("新"));
            QCOMPARE(list->currentRow(), 1); // still A
            click(d, "Command5");
        });
        run(QStringLiteral("menuAddTitle"));
        const table::Grid &g = m_doc->grid;
        QCOMPARE(g.FormatString(), QStringLiteral("   |新|A|C"));
        QCOMPARE(g.Cols(), 4);
        QCOMPARE(g.TextMatrix(2, 1), QString());
        QCOMPARE(g.TextMatrix(2, 2), QStringLiteral("21"));
        QCOMPARE(g.TextMatrix(2, 3), QStringLiteral("23"));
        QCOMPARE(g.TextMatrix(1, 3), QStringLiteral("！公式：cell(?,2)+cell(?,3)"));
    }

    void fieldManagerCancelChangesNothing()
    {
        whenShown([](QDialog *d) { click(d, "Command6"); });
        run(QStringLiteral("menuAddTitle"));
        QVERIFY(!m_doc->isModified());
        QVERIFY(!m_doc->undoEnabled());
    }

    // Toolbar button 22 is the class-information command: it shows the table's values.
    void propertiesButtonShowsTheTable()
    {
        makeTable({QStringLiteral("姓名")}, 41);
        m_doc->teacher = QStringLiteral("王");
        m_doc->classInfo = QStringLiteral("初一\n(2)班");
        const table::Command *button = m_registry.forButton(base::ToolButton::Properties);
        QVERIFY(button);
        QCOMPARE(button->name(), QStringLiteral("menuClassSetup"));
        whenShown([](QDialog *d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("班级信息设置："));
            auto *size = child<QLineEdit>(d, "Text1");
            QCOMPARE(size->text(), QStringLiteral("40"));
            QCOMPARE(child<QLineEdit>(d, "Text2")->text(), QStringLiteral("王"));
            QCOMPARE(child<QPlainTextEdit>(d, "Text3")->toPlainText(), QStringLiteral("初一\n(2)班"));
            // A size that is no class size is refused with the range, and the dialog stays.
            for (const QString &bad : {QStringLiteral("abc"), QStringLiteral("99999"), QString()}) {
                size->setText(bad);
                QCOMPARE(size->text(), bad);
                click(d, "Command1");
                QVERIFY(d->isVisible());
            }
            size->setText(QStringLiteral("42"));
            click(d, "Command1");
        });
        for (int i = 0; i < 3; ++i)
            m_prompter->expectMessage(QStringLiteral("班级人数应为 0 … 32766 之间的整数，请重新填写。"),
                                      QStringLiteral("提示"));
        run(button->name());
        VERIFY_PROMPTS(*m_prompter);
        QCOMPARE(m_doc->grid.Rows(), 43);
        QCOMPARE(m_doc->grid.TextMatrix(42, 0), QStringLiteral("42"));
        QVERIFY(m_doc->isModified());
        m_doc->undo();
        QCOMPARE(m_doc->grid.Rows(), 41);
    }

    void dataFormatPreview()
    {
        whenShown([](QDialog *d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("表格数据格式："));
            auto *decimals = child<QLineEdit>(d, "Text1");
            auto *pad = child<QCheckBox>(d, "Check1");
            auto *preview = child<QLabel>(d, "Label3");
            QCOMPARE(decimals->text(), QStringLiteral("2"));
            QVERIFY(!pad->isChecked());
            QCOMPARE(preview->text(), QStringLiteral("123.46"));
            decimals->setText(QStringLiteral("4"));
            pad->setChecked(true);
            QCOMPARE(preview->text(), QStringLiteral("123.4568"));
            decimals->setText(QStringLiteral("0"));
            QCOMPARE(preview->text(), QStringLiteral("123"));
            decimals->setText(QStringLiteral("99"));
            QCOMPARE(decimals->text(), QStringLiteral("15"));
            decimals->setText(QStringLiteral("3"));
            click(d, "Command1");
        });
        run(QStringLiteral("menuSetdataFormat"));
        QCOMPARE(m_doc->numberFormat, QStringLiteral("###.000"));
        QVERIFY(m_doc->isModified());
    }

    void fontDialogMatchesThePointSize()
    {
        m_ws->tableFontName = QStringLiteral("宋体");
        m_ws->tableFontSize = 15;
        whenShown([](QDialog *d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("更改字体："));
            auto *sizes = child<QListWidget>(d, "List2");
            QCOMPARE(sizes->count(), 31);
            QCOMPARE(sizes->currentItem()->text(), QStringLiteral("小三"));
            QCOMPARE(child<QLineEdit>(d, "Text1")->text(), QStringLiteral("宋体"));
            QVERIFY(child<QListWidget>(d, "List1")->count() > 0);
            sizes->setCurrentRow(25); // 五号
            child<QLineEdit>(d, "Text1")->setText(QStringLiteral("黑体"));
            click(d, "Command1");
        });
        run(QStringLiteral("menuFont"));
        QCOMPARE(m_settings.value(QStringLiteral("Font"), QStringLiteral("Size")), QStringLiteral("10"));
        QCOMPARE(m_settings.value(QStringLiteral("Font"), QStringLiteral("Name")), QStringLiteral("黑体"));
        QCOMPARE(m_ws->tableFontSize, 10.0);
        QCOMPARE(m_doc->grid.Col(), 0);
    }

    void rowHeightAndColumnWidth()
    {
        table::Grid &g = m_doc->grid;
        g.setCurrent(1, 1);
        g.setRowSel(2);
        g.setColSel(2);
        g.setRowHeight(1, 450);
        const int width3 = g.ColWidth(3);
        for (const char *name : {"menuHeight", "mneuWeight"}) {
            whenShown([](QDialog *d) {
                QCOMPARE(d->windowTitle(), QStringLiteral("行高 列宽"));
                QCOMPARE(child<QLineEdit>(d, "Text1")->text(), QStringLiteral("450"));
                child<QLineEdit>(d, "Text2")->setText(QStringLiteral("2400"));
                click(d, "Command1");
            });
            run(QLatin1String(name));
        }
        QCOMPARE(g.RowHeight(2), 450);
        QCOMPARE(g.ColWidth(2), 2400);
        QCOMPARE(g.ColWidth(3), width3);
        // The grid on screen shows the heights of the rows and the widths of the columns.
        table::GridView view(g);
        QCOMPARE(view.rowHeight(1), 450 / base::kTwipsPerPixel);
        QCOMPARE(view.rowHeight(2), view.verticalHeader()->defaultSectionSize());
        QCOMPARE(view.columnWidth(1), 2400 / base::kTwipsPerPixel);
    }

    void formulaEditorBuildsAndPlaces()
    {
        m_doc->grid.setCurrent(2, 3);
        whenShown([](QDialog *d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("公式编辑器"));
            QVERIFY(child<QLabel>(d, "Label1")->text().contains(QStringLiteral("方便套用的通配符格式")));
            QCOMPARE(child<QLineEdit>(d, "Text2")->text(), QStringLiteral("行:2列:3"));
            QVERIFY(!child<QPushButton>(d, "Command1")->isEnabled());
            auto *view = child<table::GridView>(d, "MSFlexGrid1");
            // Dragged from row 2, column 2 back to row 2, column 1.
            auto *sel = view->selectionModel();
            sel->setCurrentIndex(view->model()->index(1, 1), QItemSelectionModel::ClearAndSelect);
            sel->setCurrentIndex(view->model()->index(1, 0), QItemSelectionModel::NoUpdate);
            sel->select(QItemSelection(view->model()->index(1, 0), view->model()->index(1, 1)),
                        QItemSelectionModel::ClearAndSelect);
            QCOMPARE(child<QLineEdit>(d, "Text1")->text(), QStringLiteral("cell(?,2)+cell(?,1)"));
            QCOMPARE(child<QLineEdit>(d, "Text3")->text(), QStringLiteral("43"));
            child<QComboBox>(d, "Combo1")->setCurrentIndex(3);
            QCOMPARE(child<QLineEdit>(d, "Text1")->text(), QStringLiteral("(cell(?,2)+cell(?,1))/2"));
            QCOMPARE(child<QLineEdit>(d, "Text3")->text(), QStringLiteral("21.5"));
            click(d, "Command1");
        });
        run(QStringLiteral("menuGSBJ"));
        QCOMPARE(m_doc->grid.TextMatrix(2, 3), QStringLiteral("！公式：(cell(?,2)+cell(?,1))/2"));
        m_doc->undo();
        QCOMPARE(m_doc->grid.TextMatrix(2, 3), QStringLiteral("23"));
    }

    // The drag itself: the notice comes once, when the mouse is released.
    void formulaCellIsToldOnRelease()
    {
        m_doc->grid.setTextMatrix(1, 1, QStringLiteral("！公式：1"));
        m_doc->grid.setCurrent(3, 3);
        m_prompter->expectMessage(QStringLiteral("公式中不可以引用已经包含公式的单元格！"));
        whenShown([this](QDialog *d) {
            auto *view = child<table::GridView>(d, "MSFlexGrid1");
            const QPoint from = view->visualRect(view->model()->index(1, 1)).center();
            const QPoint to = view->visualRect(view->model()->index(0, 0)).center();
            QTest::mousePress(view->viewport(), Qt::LeftButton, {}, from);
            QTest::mouseMove(view->viewport(), to);
            QCOMPARE(m_prompter->shown.size(), 0);
            QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, to);
            QCOMPARE(child<QLineEdit>(d, "Text1")->text(), QStringLiteral("cell(2,2)+cell(2,1)+cell(1,2)+cell(1,1)"));
            QCOMPARE(m_prompter->shown.size(), 1);
            // The grid keeps the dragged block: current cell where the drag began, far corner where it ended.
            const table::Grid &g = view->grid();
            QCOMPARE((QList<int>{g.Row(), g.Col(), g.RowSel(), g.ColSel()}), (QList<int>{2, 2, 1, 1}));
            QVERIFY(!child<QPushButton>(d, "Command1")->isEnabled());
            QCOMPARE(child<QLineEdit>(d, "Text3")->text(), QStringLiteral("公式错误"));
            d->reject();
        });
        run(QStringLiteral("menuGSBJ"));
        QVERIFY(!m_doc->isModified());
    }

    void formulaEditorRefusesColumnZero()
    {
        m_doc->grid.setCol(0);
        m_prompter->expectMessage(QStringLiteral("请先选定要放置公式的单元格！"), QStringLiteral("提示"));
        run(QStringLiteral("menuGSBJ"));
        QVERIFY(!QApplication::activeModalWidget());
    }

    void formulaHelpCalculates()
    {
        whenShown([](QDialog *d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("公式说明"));
            click(d, "Command1");
            QCOMPARE(child<QLineEdit>(d, "Text2")->text(), QStringLiteral("5.25"));
            // Enter in the example box calculates and keeps the window open.
            auto *example = child<QLineEdit>(d, "Text1");
            example->setFocus();
            example->setText(QStringLiteral("cos(60)"));
            QTest::keyClick(example, Qt::Key_Return);
            QCOMPARE(child<QLineEdit>(d, "Text2")->text(), QStringLiteral("0.5"));
            QVERIFY(d->isVisible());
            click(d, "Command2");
        });
        run(QStringLiteral("menuGSSM"));
    }
};

QTEST_MAIN(FieldDialogsTest)
#include "tst_field_dialogs.moc"
