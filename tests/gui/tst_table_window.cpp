// The table window as a teacher uses it: typing into cells (keys and input-method text), Enter
// by input direction, Escape, the formula bar and its check box, the clipboard, undo, the close
// prompt, and a whole session that types scores and a formula and saves the table.
#include "core/base/workspace.h"
#include "core/table/find_replace.h"
#include "core/table/table_file.h"
#include "core/ui/settings_store.h"
#include "gui/app/program_commands.h"
#include "gui/table/grid_view.h"
#include "gui/table/table_window.h"
#include "scripted_prompter.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <memory>

using namespace table;

class TableWindowTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<base::Workspace> m_ws;
    ScriptedPrompter m_p;
    ui::MemorySettingsStore m_settings;
    table::CommandRegistry m_commands = programCommands(m_settings);
    std::unique_ptr<TableWindow> m_w;

    Grid &grid() { return m_w->document().grid; }
    QLineEdit *editor() { return m_w->findChild<QLineEdit *>(QStringLiteral("txtedit")); }
    QLineEdit *text1() { return m_w->findChild<QLineEdit *>(QStringLiteral("Text1")); }
    QWidget *view() { return m_w->gridView(); }
    void trigger(const char *name) { m_w->action(QLatin1String(name))->trigger(); }
    void typeOnGrid(const QString &text)
    {
        QInputMethodEvent e;
        e.setCommitString(text);
        QApplication::sendEvent(view(), &e);
    }
    void go(int r, int c)
    {
        grid().setCurrent(r, c);
        view()->setFocus();
    }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        m_ws = std::make_unique<base::Workspace>(m_tmp->path());
        m_ws->tablePassword = QStringLiteral("ABC@pw1234");
        m_p.clear();
        m_w = std::make_unique<TableWindow>(*m_ws, m_p, m_commands);
        Grid &g = grid();
        g.setRows(4);
        g.setCols(4);
        g.setTextMatrix(0, 1, QStringLiteral("语文"));
        g.setTextMatrix(0, 2, QStringLiteral("数学"));
        g.setTextMatrix(0, 3, QStringLiteral("总分"));
        m_w->document().rebuildHeader();
        g.setTextMatrix(1, 1, QStringLiteral("85"));
        m_w->show();
        m_w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
        m_w->activated();
        go(1, 1);
    }
    void cleanup()
    {
        m_w->document().markSaved(); // no close prompt in teardown
        m_w.reset();
        VERIFY_PROMPTS(m_p);
    }

    void typedCharacterReplacesAndCommitsOnMove()
    {
        QTest::keyClick(view(), Qt::Key_7);
        QVERIFY(editor()->isVisible());
        QCOMPARE(editor()->text(), QStringLiteral("7"));
        QCOMPARE(editor()->cursorPosition(), 1);
        QCOMPARE(grid().TextMatrix(1, 1), QStringLiteral("85")); // not written yet
        QTest::keyClick(editor(), Qt::Key_5);
        QCOMPARE(text1()->text(), QStringLiteral("75"));
        grid().setCurrent(2, 2); // any move commits
        QVERIFY(!editor()->isVisible());
        QCOMPARE(grid().Row(), 2);
        QCOMPARE(grid().Col(), 2);
        QCOMPARE(grid().TextMatrix(1, 1), QStringLiteral("75"));
        QVERIFY(m_w->document().isModified());
    }

    void startKeysEditExistingText_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("space") << int(Qt::Key_Space);
        QTest::newRow("enter") << int(Qt::Key_Return);
        QTest::newRow("backspace") << int(Qt::Key_Backspace);
    }
    void startKeysEditExistingText()
    {
        QFETCH(int, key);
        QTest::keyClick(view(), Qt::Key(key));
        QVERIFY(editor()->isVisible());
        QCOMPARE(editor()->text(), QStringLiteral("85"));
        QCOMPARE(editor()->cursorPosition(), 2);
    }

    void fullStopStartsAnEdit()
    {
        QTest::keyClick(view(), Qt::Key_Period);
        QCOMPARE(editor()->text(), QStringLiteral("."));
        QTest::keyClick(editor(), Qt::Key_5);
        grid().setCurrent(2, 1);
        QCOMPARE(grid().TextMatrix(1, 1), QStringLiteral(".5"));
    }

    void escapeDiscardsButMarksChanged()
    {
        m_w->editCell(QStringLiteral(" ")); // as a double-click
        QCOMPARE(editor()->text(), QStringLiteral("85"));
        QVERIFY(!m_w->document().isModified());
        QTest::keyClick(editor(), Qt::Key_9);
        QTest::keyClick(editor(), Qt::Key_Escape);
        QVERIFY(!editor()->isVisible());
        QCOMPARE(grid().TextMatrix(1, 1), QStringLiteral("85"));
        QCOMPARE(grid().Col(), 1);
        QCOMPARE(text1()->text(), QStringLiteral("85"));
        QVERIFY(m_w->document().isModified());
        grid().setCurrent(2, 1);
        QCOMPARE(grid().TextMatrix(1, 1), QStringLiteral("85"));
    }

    void inputMethodTextOpensEditor()
    {
        typeOnGrid(QStringLiteral("张三"));
        QVERIFY(editor()->isVisible());
        QCOMPARE(editor()->text(), QStringLiteral("张三"));
        // More input-method text goes into the editor, which has the focus.
        QInputMethodEvent e;
        e.setCommitString(QStringLiteral("丰"));
        QApplication::sendEvent(QApplication::focusWidget(), &e);
        QCOMPARE(editor()->text(), QStringLiteral("张三丰"));
        QTest::keyClick(editor(), Qt::Key_Return);
        QTRY_COMPARE(grid().TextMatrix(1, 1), QStringLiteral("张三丰"));
        QCOMPARE(grid().Col(), 2); // horizontal input at start
    }

    void enterMovesByDirection_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("toRow");
        QTest::addColumn<int>("toCol");
        QTest::newRow("horizontal: right") << false << 1 << 1 << 1 << 2;
        // Typing began in the last column: the next row goes on there.
        QTest::newRow("horizontal: wrap to next row") << false << 2 << 3 << 3 << 3;
        QTest::newRow("horizontal: last cell to first row") << false << 3 << 3 << 1 << 3;
        QTest::newRow("vertical: down") << true << 1 << 2 << 2 << 2;
        QTest::newRow("vertical: last row to next column") << true << 3 << 1 << 1 << 2;
        QTest::newRow("vertical: bottom right to top of last column") << true << 3 << 3 << 1 << 3;
    }
    void enterMovesByDirection()
    {
        QFETCH(bool, vertical);
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(int, toRow);
        QFETCH(int, toCol);
        m_ws->setHorizontalInput(!vertical);
        go(row, col);
        QTest::keyClick(view(), Qt::Key_4);
        QTest::keyClick(editor(), Qt::Key_Return);
        QCOMPARE(grid().Row(), toRow);
        QCOMPARE(grid().Col(), toCol);
        QCOMPARE(grid().TextMatrix(row, col), QStringLiteral("4"));
        QVERIFY(!editor()->isVisible());
    }

    // Enter at the last column goes on in the next row at the column where typing began; moving
    // elsewhere starts a new run.
    void enterAtTheLastColumnGoesBackWhereTypingBegan()
    {
        m_ws->setHorizontalInput(true);
        go(1, 2);
        for (const char *score : {"7", "8", "9", "5"}) {
            typeOnGrid(QLatin1String(score));
            QTest::keyClick(editor(), Qt::Key_Return);
        }
        QCOMPARE((QList<int>{grid().Row(), grid().Col()}), (QList<int>{3, 2}));
        QCOMPARE(grid().TextMatrix(2, 2), QStringLiteral("9"));
        QCOMPARE(grid().TextMatrix(2, 3), QStringLiteral("5"));
        go(1, 1);
        for (int i = 0; i < 3; ++i) {
            typeOnGrid(QStringLiteral("6"));
            QTest::keyClick(editor(), Qt::Key_Return);
        }
        QCOMPARE((QList<int>{grid().Row(), grid().Col()}), (QList<int>{2, 1}));
    }

    // F2 edits the current cell's text, as spreadsheets do.
    void f2EditsTheCurrentCell()
    {
        QTest::keyClick(view(), Qt::Key_F2);
        QVERIFY(editor()->isVisible());
        QCOMPARE(editor()->text(), QStringLiteral("85"));
        QTest::keyClick(editor(), Qt::Key_5);
        QTest::keyClick(editor(), Qt::Key_Return);
        QTRY_COMPARE(grid().TextMatrix(1, 1), QStringLiteral("855"));
    }

    // The value label shows the current cell's result at every move, after a find jump and right
    // after opening, also where the next cell holds the same column formula.
    void valueLabelFollowsTheCurrentCell()
    {
        auto *label = m_w->findChild<QLabel *>(QStringLiteral("Label1"));
        const QString sum = QStringLiteral("！公式：cell(?,1)+cell(?,2)");
        for (int r = 1; r <= 3; ++r) {
            grid().setTextMatrix(r, 1, QString::number(10 * r));
            grid().setTextMatrix(r, 2, QStringLiteral("1"));
            grid().setTextMatrix(r, 3, sum);
        }
        go(1, 3);
        QCOMPARE(label->text(), QStringLiteral("=11"));
        go(2, 3);
        QCOMPARE(label->text(), QStringLiteral("=21"));
        QTest::keyClick(view(), Qt::Key_Down);
        QCOMPARE(grid().Row(), 3);
        QCOMPARE(label->text(), QStringLiteral("=31"));

        findCells(m_w->document(), QStringLiteral("20"), {});
        emit m_w->findChild<QMenu *>(QStringLiteral("menuEdit"))->aboutToShow();
        m_w->findChild<QMenu *>(QStringLiteral("menuFindJG"))->actions().at(1)->trigger();
        QCOMPARE((QList<int>{grid().Row(), grid().Col()}), (QList<int>{2, 1}));
        QCOMPARE(text1()->text(), QStringLiteral("20"));
        QCOMPARE(label->text(), QStringLiteral("非公式单元格"));

        grid().setTextMatrix(1, 1, QStringLiteral("！公式：2*3"));
        m_w->document().filePath = m_tmp->path() + QStringLiteral("/开");
        trigger("menuSave");
        TableWindow opened(*m_ws, m_p, m_commands);
        QVERIFY(opened.load(m_tmp->path() + QStringLiteral("/开"), true));
        const Grid &g = opened.document().grid;
        QCOMPARE((QList<int>{g.Row(), g.Col()}), (QList<int>{1, 1}));
        QCOMPARE(opened.findChild<QLabel *>(QStringLiteral("Label1"))->text(), QStringLiteral("=6"));
        QCOMPARE(opened.findChild<QLineEdit *>(QStringLiteral("Text2"))->text(), QStringLiteral("行:1列:1"));
    }

    void upAndDownCommitAndMove()
    {
        go(2, 1);
        QTest::keyClick(view(), Qt::Key_6);
        QTest::keyClick(editor(), Qt::Key_Up);
        QCOMPARE(grid().Row(), 1);
        QCOMPARE(grid().TextMatrix(2, 1), QStringLiteral("6"));
        QTest::keyClick(view(), Qt::Key_1);
        QTest::keyClick(editor(), Qt::Key_Up); // already at the first data row: stays, editor open
        QCOMPARE(grid().Row(), 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(grid().Row(), 2);
        QCOMPARE(grid().TextMatrix(1, 1), QStringLiteral("1"));
    }

    void editorDisablesUndoWhileFocused()
    {
        QAction *undo = m_w->action(QStringLiteral("menuUndo"));
        QVERIFY(!undo->isEnabled());
        QTest::keyClick(view(), Qt::Key_3);
        QVERIFY(!undo->isEnabled());
        QVERIFY(!m_ws->buttonEnabled(base::ToolButton(6)));
        QTest::keyClick(editor(), Qt::Key_Return);
        QTRY_VERIFY(undo->isEnabled());
        QVERIFY(m_ws->buttonEnabled(base::ToolButton(6)));
        trigger("menuUndo");
        QCOMPARE(grid().TextMatrix(1, 1), QStringLiteral("85"));
        QVERIFY(!undo->isEnabled());
        QVERIFY(!m_ws->buttonEnabled(base::ToolButton(6)));
    }

    // Typed cells walked back and forth with the menu, Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z: the entries
    // say what they bring back, the caption's marker is off exactly at the table as it was.
    void manyStepsWithCaptionsAndShortcuts()
    {
        QAction *undo = m_w->action(QStringLiteral("menuUndo"));
        QAction *redo = m_w->action(QStringLiteral("menuRedo"));
        QCOMPARE(redo->shortcuts(), (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Y")),
                                                         QKeySequence(QStringLiteral("Ctrl+Shift+Z"))}));
        QCOMPARE(undo->text(), QStringLiteral("撤消(&U)"));
        QVERIFY(!redo->isEnabled());
        for (const char *typed : {"90", "7"}) {
            for (const char *k = typed; *k; ++k)
                QTest::keyClick(QApplication::focusWidget(), *k);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTRY_VERIFY(!editor()->isVisible());
        }
        QCOMPARE(grid().TextMatrix(1, 1), QStringLiteral("90"));
        QCOMPARE(grid().TextMatrix(1, 2), QStringLiteral("7"));
        QCOMPARE(undo->text(), QStringLiteral("撤消 输入(&U)"));
        QCOMPARE(m_w->windowTitle(), QStringLiteral("未命名的表格 *"));

        QTest::keyClick(view(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(grid().TextMatrix(1, 2), QString());
        QCOMPARE(redo->text(), QStringLiteral("重做 输入(&R)"));
        QVERIFY(redo->isEnabled());
        trigger("menuUndo");
        QCOMPARE(grid().TextMatrix(1, 1), QStringLiteral("85"));
        QVERIFY(!undo->isEnabled());
        QCOMPARE(m_w->windowTitle(), QStringLiteral("未命名的表格"));
        QTest::keyClick(view(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(grid().TextMatrix(1, 1), QStringLiteral("90"));
        QCOMPARE(m_w->windowTitle(), QStringLiteral("未命名的表格 *"));
        QTest::keyClick(view(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(grid().TextMatrix(1, 2), QStringLiteral("7"));
        QVERIFY(!redo->isEnabled());
        QVERIFY(m_ws->buttonEnabled(base::ToolButton(6)));
    }

    void formulaBarEnterAndCheckBox()
    {
        go(1, 3);
        grid().setTextMatrix(1, 2, QStringLiteral("90.5"));
        text1()->setFocus();
        text1()->setText(QStringLiteral("cell(?,1)+cell(?,2)"));
        auto *check = m_w->findChild<QCheckBox *>(QStringLiteral("Check1"));
        auto *label = m_w->findChild<QLabel *>(QStringLiteral("Label1"));
        QVERIFY(!check->isChecked());
        QCOMPARE(label->text(), QStringLiteral("非公式单元格"));
        QVERIFY(!label->isEnabled());
        check->click();
        QCOMPARE(text1()->text(), QStringLiteral("！公式：cell(?,1)+cell(?,2)"));
        QCOMPARE(grid().TextMatrix(1, 3), QStringLiteral("！公式：cell(?,1)+cell(?,2)"));
        QCOMPARE(label->text(), QStringLiteral("=175.5"));
        QVERIFY(label->isEnabled());
        QVERIFY(m_w->document().isModified());
        QVERIFY(m_w->action(QStringLiteral("menuUndo"))->isEnabled());
        check->click();
        QCOMPARE(grid().TextMatrix(1, 3), QStringLiteral("cell(?,1)+cell(?,2)"));
        // Enter in the formula bar writes the cell.
        text1()->setText(QStringLiteral("66"));
        QTest::keyClick(text1(), Qt::Key_Return);
        QCOMPARE(grid().TextMatrix(1, 3), QStringLiteral("66"));
        // The keyboard is back on the grid: arrows move.
        QCOMPARE(QApplication::focusWidget(), view());
        QTest::keyClick(view(), Qt::Key_Down);
        QCOMPARE(grid().Row(), 2);
    }

    void inputMethodTextInFormulaBarMarksChanged()
    {
        QInputMethodEvent e;
        e.setCommitString(QStringLiteral("缺考"));
        text1()->setFocus();
        QApplication::sendEvent(text1(), &e);
        QCOMPARE(text1()->text(), QStringLiteral("85缺考"));
        QVERIFY(m_w->document().isModified());
    }

    void clipboardOnGrid()
    {
        QClipboard *cb = QGuiApplication::clipboard();
        trigger("menuCopy");
        QCOMPARE(cb->text(), QStringLiteral("85"));
        go(2, 2);
        cb->setText(QStringLiteral("a\tb\nc"));
        trigger("menuPaste");
        // A block copied from a spreadsheet fills the cells from the target on.
        QCOMPARE(grid().TextMatrix(2, 2), QStringLiteral("a"));
        QCOMPARE(grid().TextMatrix(2, 3), QStringLiteral("b"));
        QCOMPARE(grid().TextMatrix(3, 2), QStringLiteral("c"));
        QVERIFY(m_w->action(QStringLiteral("menuUndo"))->isEnabled());
        go(1, 1);
        trigger("menuCut");
        QCOMPARE(cb->text(), QStringLiteral("85"));
        QCOMPARE(grid().TextMatrix(1, 1), QString());
        trigger("menuUndo");
        QCOMPARE(grid().TextMatrix(1, 1), QStringLiteral("85"));
        QVERIFY(m_w->document().isModified()); // every command that changes the table marks it
    }

    void deleteCountsUpwardFromCurrent()
    {
        for (int r = 1; r < 4; ++r)
            for (int c = 1; c < 4; ++c)
                grid().setTextMatrix(r, c, QStringLiteral("v"));
        go(1, 1);
        grid().setRowSel(2);
        grid().setColSel(2);
        trigger("menuDel");
        QCOMPARE(grid().TextMatrix(2, 2), QString());
        QCOMPARE(grid().TextMatrix(1, 1), QString());
        QCOMPARE(grid().TextMatrix(3, 3), QStringLiteral("v"));
        trigger("menuUndo");
        QCOMPARE(grid().TextMatrix(2, 2), QStringLiteral("v"));
        trigger("menuUndo"); // a second undo does nothing
        QCOMPARE(grid().TextMatrix(2, 2), QStringLiteral("v"));
        // A block selected upward and leftward is cleared whole, as the teacher sees it.
        go(3, 3);
        grid().setRowSel(2);
        grid().setColSel(2);
        trigger("menuDel");
        QCOMPARE(grid().TextMatrix(3, 3), QString());
        QCOMPARE(grid().TextMatrix(2, 2), QString());
        QCOMPARE(grid().TextMatrix(1, 1), QStringLiteral("v"));
        trigger("menuUndo");
        go(2, 2);
        grid().setRowSel(3);
        grid().setColSel(2);
        trigger("menuDel");
        QCOMPARE(grid().TextMatrix(2, 2), QString());
        QCOMPARE(grid().TextMatrix(3, 2), QString());
        QCOMPARE(grid().TextMatrix(3, 1), QStringLiteral("v"));
    }

    void clipboardOnFormulaBar()
    {
        text1()->setFocus();
        text1()->setText(QStringLiteral("12345"));
        text1()->setSelection(1, 2);
        trigger("menuCut");
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("23"));
        QCOMPARE(text1()->text(), QStringLiteral("145"));
        text1()->setSelection(0, 1);
        trigger("menuPaste");
        QCOMPARE(text1()->text(), QStringLiteral("2345"));
        QCOMPARE(grid().TextMatrix(1, 1), QStringLiteral("85")); // the cell waits for Enter
        QVERIFY(!m_w->action(QStringLiteral("menuUndo"))->isEnabled());
    }

    void selectAll()
    {
        go(2, 2);
        trigger("menuSelAll");
        QCOMPARE(grid().Row(), 1);
        QCOMPARE(grid().Col(), 1);
        QCOMPARE(grid().RowSel(), 3);
        QCOMPARE(grid().ColSel(), 3);
        QCOMPARE(m_w->findChild<QLineEdit *>(QStringLiteral("Text2"))->text(), QStringLiteral("行:1列:1"));
    }

    void rowNumberColumnWidth()
    {
        grid().setRows(41);
        go(1, 1);
        QCOMPARE(grid().ColWidth(0), 340);
        grid().setRows(101);
        go(2, 1);
        QCOMPARE(grid().ColWidth(0), 510);
    }

    void closePrompt_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("saved");
        QTest::newRow("yes saves and closes") << int(ui::Answer::Yes) << QString() << true << true;
        QTest::newRow("yes with a failing save keeps")
            << int(ui::Answer::Yes) << QStringLiteral("/无此目录") << false << false;
        QTest::newRow("no closes") << int(ui::Answer::No) << QString() << true << false;
        QTest::newRow("cancel keeps") << int(ui::Answer::Cancel) << QString() << false << false;
    }
    void closePrompt()
    {
        QFETCH(int, answer);
        QFETCH(QString, folder);
        QFETCH(bool, closes);
        QFETCH(bool, saved);
        m_w->setTitle(QStringLiteral("期中"));
        const QString path = m_tmp->path() + folder + QStringLiteral("/close");
        m_w->document().filePath = path;
        m_w->document().markChanged();
        m_p.expectQuestion(QStringLiteral("是否保存对期中的更改？"), ui::Answer(answer), QStringLiteral("提示："));
        if (!folder.isEmpty())
            m_p.expectMessage(QStringLiteral("文件保存失败！请检查保存介质是否可写！"));
        QCOMPARE(m_w->close(), closes);
        QCOMPARE(m_p.shown.first().buttons, ui::Buttons::YesNoCancel);
        QCOMPARE(QFile::exists(path + QStringLiteral(".gdt")), saved);
        // Cancel, or a save that failed, leaves the open table active with its status and buttons.
        QCOMPARE(m_ws->panelText(2), closes ? QStringLiteral("当前表格：无") : QStringLiteral("当前表格：期中"));
        QCOMPARE(m_ws->buttonEnabled(base::ToolButton::Save), !closes);
        QCOMPARE(m_w->document().isModified(), !saved);
    }

    // The caption marks unsaved changes and follows the title at once, the status bar too; a
    // save clears the marker, a failed one keeps it.
    void saveClearsTheMarkerAndCaptionShowsIt()
    {
        m_w->setTitle(QStringLiteral("期中"));
        QCOMPARE(m_w->windowTitle(), QStringLiteral("期中"));
        QCOMPARE(m_ws->panelText(2), QStringLiteral("当前表格：期中"));
        typeOnGrid(QStringLiteral("7"));
        QCOMPARE(m_w->windowTitle(), QStringLiteral("期中 *"));
        m_p.expectInput(QString(), QStringLiteral("期末"), QStringLiteral("更改标题"));
        trigger("menuChangTitile");
        QCOMPARE(m_w->windowTitle(), QStringLiteral("期末 *"));
        QCOMPARE(m_ws->panelText(2), QStringLiteral("当前表格：期末"));

        m_w->document().filePath = m_tmp->path() + QStringLiteral("/无此目录/期末");
        m_p.expectMessage(QStringLiteral("文件保存失败！请检查保存介质是否可写！"));
        trigger("menuSave");
        VERIFY_PROMPTS(m_p);
        QVERIFY(m_w->document().isModified());
        QCOMPARE(m_w->windowTitle(), QStringLiteral("期末 *"));

        m_w->document().filePath = m_tmp->path() + QStringLiteral("/期末");
        trigger("menuSave");
        QVERIFY(!m_w->document().isModified());
        QCOMPARE(m_w->windowTitle(), QStringLiteral("期末"));
        QCOMPARE(grid().TextMatrix(1, 1), QStringLiteral("7"));
        QVERIFY(m_w->close()); // nothing left to ask about
    }

    void closingUnchangedAsksNothing() { QVERIFY(m_w->close()); }

    void typeScoresAndFormulaThenSave()
    {
        // 85 is in (1,1); type 90 in (1,2), then a formula in (1,3) through the formula bar.
        go(1, 2);
        // The first key opens the editor; the next ones go to the widget with the focus.
        QTest::keyClick(view(), Qt::Key_9);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_0);
        QCOMPARE(editor()->text(), QStringLiteral("90"));
        QTest::keyClick(editor(), Qt::Key_Return);
        QTRY_COMPARE(grid().Col(), 3);
        text1()->setFocus();
        QInputMethodEvent e;
        e.setCommitString(QStringLiteral("！公式：cell(?,1)+cell(?,2)"));
        QApplication::sendEvent(text1(), &e);
        QTest::keyClick(text1(), Qt::Key_Return);
        QCOMPARE(m_w->displayValue(1, 3), QStringLiteral("175"));
        QVERIFY(m_w->document().isModified());
        m_p.expectSaveFile(m_tmp->path() + QStringLiteral("/成绩.gdt"), QStringLiteral("*.gdt"));
        trigger("menuSave");

        TableFile file(*m_ws, m_p);
        GradeTable back;
        QVERIFY(file.load(back, m_tmp->path() + QStringLiteral("/成绩"), true));
        QCOMPARE(back.grid.TextMatrix(1, 2), QStringLiteral("90"));
        QCOMPARE(back.grid.TextMatrix(1, 3), QStringLiteral("！公式：cell(?,1)+cell(?,2)"));
    }

    void commandsFollowTheirRuleAndMirrorUndo()
    {
        int runs = 0;
        bool allowed = false;
        table::CommandRegistry commands = programCommands(m_settings);
        commands.add({ui::CommandId::Font,
                      [&](CommandContext &c) {
                          ++runs;
                          c.doc.beginChange();
                          c.doc.title += QStringLiteral("！"); // a step needs a change
                      },
                      [&](const CommandContext &) { return allowed; }});
        TableWindow w(*m_ws, m_p, commands);
        w.show();
        w.activated();
        QMenu *format = w.findChild<QMenu *>(QStringLiteral("menuFormat"));
        QAction *font = w.action(QStringLiteral("menuFont"));
        QAction *undo = w.action(QStringLiteral("menuUndo"));
        emit format->aboutToShow();
        QVERIFY(!font->isEnabled());
        w.execute(QStringLiteral("menuFont"));
        QCOMPARE(runs, 0);
        // An entry without any command stays disabled.
        for (QAction *a : w.findChildren<QAction *>()) {
            const QString name = a->objectName();
            if (name.startsWith(QLatin1String("menu")) && !commands.find(name) && !commands.frame(name) &&
                name != QLatin1String("menuZD") && name != QLatin1String("menuListFrm1") &&
                name != QLatin1String("menuModel"))
                QVERIFY2(!a->isEnabled(), qPrintable(name));
        }

        allowed = true;
        emit format->aboutToShow();
        QVERIFY(font->isEnabled());
        QVERIFY(!undo->isEnabled() && !m_ws->buttonEnabled(base::ToolButton::Undo));
        font->trigger();
        QCOMPARE(runs, 1);
        QVERIFY(undo->isEnabled() && m_ws->buttonEnabled(base::ToolButton::Undo));
        QVERIFY(w.document().isModified());
        undo->trigger();
        QVERIFY(!undo->isEnabled() && !m_ws->buttonEnabled(base::ToolButton::Undo));
        w.document().markSaved();
        m_w->activated();
    }

    // Tab goes from cell to cell; a field name selects its column; formula cells show their
    // results, numbers to the right, until 显示公式结果 is switched off.
    void gridAsATeacherUsesIt()
    {
        go(1, 1);
        QTest::keyClick(view(), Qt::Key_Tab);
        QCOMPARE(grid().Col(), 2);
        QTest::keyClick(view(), Qt::Key_Backtab);
        QCOMPARE(grid().Col(), 1);
        QCOMPARE(QApplication::focusWidget(), view());
        QTest::keyClick(view(), Qt::Key_6);
        QTest::keyClick(editor(), Qt::Key_Tab);
        QCOMPARE(grid().TextMatrix(1, 1), QStringLiteral("6"));
        QCOMPARE(grid().Col(), 2);

        auto *header = m_w->gridView()->horizontalHeader();
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(1) + 4, 4));
        QCOMPARE((QList<int>{grid().Row(), grid().Col(), grid().RowSel(), grid().ColSel()}), (QList<int>{1, 2, 3, 2}));

        grid().setTextMatrix(1, 2, QStringLiteral("9"));
        grid().setTextMatrix(2, 3, QStringLiteral("！公式：cell(1,1)+cell(1,2)"));
        auto *model = m_w->gridView()->model();
        const QModelIndex formula = model->index(1, 2);
        QCOMPARE(model->data(formula).toString(), QStringLiteral("15"));
        QVERIFY(model->data(formula, Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
        QVERIFY(model->data(model->index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
        grid().setTextMatrix(1, 1, QStringLiteral("王"));
        QVERIFY(model->data(model->index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignLeft);
        QCOMPARE(model->data(formula).toString(), QStringLiteral("公式错误"));
        trigger("menuShowResults");
        QCOMPARE(model->data(formula).toString(), QStringLiteral("！公式：cell(1,1)+cell(1,2)"));
        QCOMPARE(m_settings.value(QStringLiteral("View"), QStringLiteral("ShowFormulaResults")), QStringLiteral("0"));
        trigger("menuShowResults");
        m_w->document().markSaved();
    }

    void saveWritesTheOpenEditorsValue()
    {
        QTest::keyClick(view(), Qt::Key_8);
        QVERIFY(editor()->isVisible());
        m_w->document().filePath = m_tmp->path() + QStringLiteral("/open");
        trigger("menuSave");
        QCOMPARE(grid().TextMatrix(1, 1), QStringLiteral("8"));
    }

    void rightClickOffersColumnFormula()
    {
        auto *gv = m_w->gridView();
        grid().setTextMatrix(2, 3, QStringLiteral("！公式：cell(?,1)*2"));
        grid().setTextMatrix(1, 1, QStringLiteral("40"));
        const QPoint formulaCell = gv->cellRect(2, 3).center();
        QTest::mouseMove(gv->viewport(), formulaCell);
        QTest::mousePress(gv->viewport(), Qt::RightButton, Qt::NoModifier, formulaCell);
        QCOMPARE(grid().Row(), 2);
        QCOMPARE(grid().Col(), 3);
        QAction *setToLine = m_w->action(QStringLiteral("menuSetGStoLine"));
        QVERIFY(setToLine->isEnabled());
        auto *popup = m_w->findChild<QMenu *>(QStringLiteral("menuPop1"));
        QTRY_VERIFY(popup->isVisible());
        popup->hide();
        m_p.expectQuestion(QStringLiteral("本操作将会覆盖第 3 列(总分)的所有数据，是否继续？"), ui::Answer::Yes,
                           QStringLiteral("提示"));
        setToLine->trigger();
        QCOMPARE(grid().TextMatrix(1, 3), QStringLiteral("！公式：cell(?,1)*2"));
        QCOMPARE(m_w->displayValue(1, 3), QStringLiteral("80"));
        QVERIFY(m_w->action(QStringLiteral("menuUndo"))->isEnabled());
        // On a plain cell the entry is disabled.
        const QPoint plain = gv->cellRect(1, 1).center();
        QTest::mousePress(gv->viewport(), Qt::RightButton, Qt::NoModifier, plain);
        QVERIFY(!setToLine->isEnabled());
        popup->hide();
    }

    void doubleClickEditsExistingText()
    {
        auto *gv = m_w->gridView();
        const QPoint p = gv->cellRect(1, 1).center();
        QTest::mouseMove(gv->viewport(), p);
        QTest::mouseDClick(gv->viewport(), Qt::LeftButton, Qt::NoModifier, p);
        QVERIFY(editor()->isVisible());
        QCOMPARE(editor()->text(), QStringLiteral("85"));
        QCOMPARE(editor()->geometry(), gv->cellRect(1, 1));
    }

    void failedLoadClosesWindow()
    {
        m_p.expectMessage(); // none expected for a missing file: verified below
        m_p.clear();
        QVERIFY(!m_w->load(m_tmp->path() + QStringLiteral("/none"), true));
        QVERIFY(!m_w->isVisible());
    }
};

QTEST_MAIN(TableWindowTest)
#include "tst_table_window.moc"
