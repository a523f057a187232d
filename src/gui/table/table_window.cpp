#include "gui/table/table_window.h"

#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/formula/cell_formula.h"
#include "core/table/editing.h"
#include "core/table/field_commands.h"
#include "core/table/find_replace.h"
#include "core/table/formula_text.h"
#include "core/table/grid_model.h"
#include "core/table/table_commands.h"
#include "core/table/templates.h"
#include "core/ui/command_table.h"
#include "core/ui/settings_store.h"
#include "gui/table/cell_editor_window.h"
#include "gui/table/grid_view.h"

#include "core/base/twips.h"
#include "core/ui/prompter.h"
#include "gui/ui/menu_builder_qt.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace table {

using base::kTwipsPerPixel;

namespace {

// The buttons a table window drives while it is active.
constexpr base::ToolButton kTableButtons[] = {
    base::ToolButton::Find,          base::ToolButton::Print,          base::ToolButton::Save,
    base::ToolButton::SortAscending, base::ToolButton::SortDescending, base::ToolButton::Properties,
    base::ToolButton::Cut,           base::ToolButton::Copy,           base::ToolButton::Paste,
};

} // namespace

TableWindow::TableWindow(base::Workspace &ws, ui::Prompter &prompter, const CommandRegistry &commands, QWidget *parent)
    : QWidget(parent), m_ws(ws), m_prompter(prompter), m_commands(commands), m_file(ws, prompter, &m_progress)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(m_doc.title);
    m_editing = new Editing(*this);
    buildControls();
    buildMenus();
    bindActions();
    m_doc.grid.addObserver(m_editing);
    m_doc.undoStateChanged = [this] { undoStateChanged(); };
    m_doc.changeStateChanged = [this] { changeStateChanged(); };
    m_recoverTimer = new QTimer(this);
    connect(m_recoverTimer, &QTimer::timeout, this, &TableWindow::writeRecoveryCopy);
    connect(&m_ws, &base::Workspace::autoRecoverChanged, this, &TableWindow::scheduleRecovery);
    scheduleRecovery(m_ws.autoRecoverSeconds());

    // Creation: column 0 current. Whether the pointer is over the fixed row or column is known by
    // the view itself (its headers), so no extents need measuring.
    m_doc.grid.setCol(0);
    resize(640, 420);
}

TableWindow::~TableWindow()
{
    // The grid view and the editors refer to the document, which goes before the child widgets.
    m_doc.undoStateChanged = nullptr;
    m_doc.changeStateChanged = nullptr;
    m_txtedit->removeEventFilter(m_editing);
    m_text1->removeEventFilter(m_editing);
    m_doc.grid.removeObserver(m_editing);
    delete m_grid;
}

void TableWindow::buildControls()
{
    m_check1 = new QCheckBox(QStringLiteral("公式"), this);
    m_check1->setObjectName(QStringLiteral("Check1"));
    // Keys typed for the cells never reach the check box or the button: they take no focus.
    m_check1->setFocusPolicy(Qt::NoFocus);
    m_result = new QLabel(QStringLiteral("非公式单元格"), this);
    m_result->setObjectName(QStringLiteral("Label1"));
    m_result->setEnabled(false);
    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_command2 = new QPushButton(QStringLiteral("…"), this);
    m_command2->setObjectName(QStringLiteral("Command2"));
    m_command2->setToolTip(QStringLiteral("公式编辑器"));
    m_command2->setFocusPolicy(Qt::NoFocus);
    m_text2 = new QLineEdit(this);
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_text2->setReadOnly(true);
    m_text2->setFocusPolicy(Qt::ClickFocus);

    m_grid = new GridView(m_doc.grid, this);
    m_grid->setObjectName(QStringLiteral("成绩表"));
    // A window that becomes active gives the keyboard to its grid, not to the formula bar.
    setFocusProxy(m_grid);
    m_txtedit = new QLineEdit(m_grid->viewport());
    m_txtedit->setObjectName(QStringLiteral("txtedit"));
    m_txtedit->setFrame(false);
    m_txtedit->hide();
    m_txtedit->installEventFilter(m_editing);
    m_text1->installEventFilter(m_editing);

    connect(m_grid, &GridView::keyTyped, this, [this](const QString &text) {
        showCurrentCell();
        editCell(text);
    });
    connect(m_grid, &GridView::cellClicked, this, &TableWindow::showCurrentCell);
    connect(m_grid, &GridView::cellDoubleClicked, this, [this] {
        if (!m_grid->overHeader())
            editCell(QStringLiteral(" "));
    });
    connect(m_grid, &GridView::cellRightClicked, this, &TableWindow::showPopupMenu);
    connect(m_grid, &GridView::tabPressed, this, &TableWindow::moveByTab);
    connect(m_grid, &GridView::focusChangedTo, this, [this](bool) { undoStateChanged(); });
    connect(m_txtedit, &QLineEdit::textChanged, m_text1, &QLineEdit::setText);
    connect(m_text1, &QLineEdit::textChanged, this, &TableWindow::formulaBarChanged);
    connect(m_check1, &QCheckBox::clicked, this, [this](bool checked) {
        m_text1->setText(applyFormulaCheck(m_text1->text(), checked));
        commitFormulaBar();
        m_doc.markChanged();
    });
    // The formula bar's button opens the formula editor, as 公式编辑器(&G) does.
    connect(m_command2, &QPushButton::clicked, this, [this] { execute(ui::CommandId::FormulaEditor); });
}

void TableWindow::buildMenus()
{
    using enum ui::Place;
    for (ui::Place place : {TableFile, Edit, Format, Field, Tools, Window, Help})
        m_menus << ui::buildMenu(this, place, true);
    m_popup = ui::buildMenu(this, Popup, true);
    rebuildTemplateMenu();
    // Another window may have saved a template meanwhile: the list is read again before it shows.
    connect(m_menus[3], &QMenu::aboutToShow, this, &TableWindow::rebuildTemplateMenu);
    // The results of the last search, before the Edit menu decides whether its submenu is enabled.
    connect(m_menus[1], &QMenu::aboutToShow, this, &TableWindow::rebuildFindResults);
    action(QStringLiteral("menuUnPasSave"))->setCheckable(true);
    action(QStringLiteral("menuShowResults"))->setCheckable(true);
    for (QMenu *m : findChildren<QMenu *>())
        connect(m, &QMenu::aboutToShow, this, &TableWindow::refreshActions);
}

void TableWindow::rebuildTemplateMenu()
{
    QAction *first = action(QStringLiteral("menuModel"));
    QMenu *menu = m_menus[3];
    for (QAction *a : menu->actions())
        if (a != first && a->objectName() == QLatin1String("menuModel"))
            delete a;
    const QStringList entries = templateMenuEntries(m_ws);
    first->setVisible(!entries.isEmpty());
    first->setText(entries.value(0));
    for (qsizetype i = 1; i < entries.size(); ++i) {
        QAction *a = menu->addAction(entries[i]);
        a->setObjectName(QStringLiteral("menuModel"));
        const QString entry = entries[i];
        connect(a, &QAction::triggered, this, [this, entry] { run(templateCommand(entry)); });
    }
}

void TableWindow::bindActions()
{
    for (QAction *a : findChildren<QAction *>()) {
        const QString name = a->objectName();
        if (name == QLatin1String("menuModel"))
            connect(a, &QAction::triggered, this, [this, a] { run(templateCommand(a->text())); });
        else if (const ui::CommandId id = ui::commandNamed(name); id != ui::CommandId::None)
            connect(a, &QAction::triggered, this, [this, id] { execute(id); });
    }
    refreshActions();
}

QAction *TableWindow::action(const QString &objectName) const
{
    return findChild<QAction *>(objectName);
}

void TableWindow::setTitle(const QString &title)
{
    m_doc.title = title;
    showCaption();
    if (m_active)
        m_ws.showCurrentTable(title);
    emit titleChanged(title);
}

void TableWindow::showCaption()
{
    // Unsaved changes show as a trailing " *", as desktop editors mark them.
    const QString title = m_doc.readOnly ? m_doc.title + QStringLiteral("（只读）") : m_doc.title;
    setWindowTitle(m_doc.isModified() ? title + QStringLiteral(" *") : title);
}

bool TableWindow::load(const QString &name, bool fullPath)
{
    m_opened = true;
    const bool ok = m_file.load(m_doc, name, fullPath);
    if (!ok) {
        requestClose();
        return false;
    }
    showLoadedTable();
    return true;
}

void TableWindow::showLoadedTable()
{
    setTitle(m_doc.title);
    // The teacher starts on the first score, not on the row numbers.
    Grid &g = m_doc.grid;
    if (g.Rows() > 1 && g.Cols() > 1)
        g.setCurrent(1, 1);
    showCurrentCell();
    focusGrid();
}

void TableWindow::showResults()
{
    // The cells keep their formulas; the grid shows what they evaluate to, or their text.
    const bool show = m_ws.showFormulaResults;
    action(QStringLiteral("menuShowResults"))->setChecked(show);
    if (show == m_showingResults)
        return;
    m_showingResults = show;
    if (show)
        m_grid->gridModel()->setFormulaValues([this](int row, int col) { return displayValue(row, col); });
    else
        m_grid->gridModel()->setFormulaValues({});
}

void TableWindow::focusGrid()
{
    // Typed scores go into cells: the grid takes the keyboard with its current cell in view.
    if (m_txtedit->isVisible())
        return;
    m_grid->setFocus();
    m_grid->showCurrent();
}

void TableWindow::moveByTab(bool forward)
{
    Grid &g = m_doc.grid;
    const int lastRow = g.Rows() - 1, lastCol = g.Cols() - 1;
    int r = std::max(g.Row(), 1), c = std::max(g.Col(), 1);
    if (forward) {
        if (g.Col() >= 1 && c < lastCol)
            ++c;
        else if (g.Col() >= 1)
            c = 1, r = r < lastRow ? r + 1 : 1;
    } else if (c > 1) {
        --c;
    } else {
        c = lastCol, r = r > 1 ? r - 1 : lastRow;
    }
    g.setCurrent(r, c);
}

bool TableWindow::save(const QString &name)
{
    commitPendingEdit();
    const bool ok = m_file.save(m_doc, name);
    refreshActions();
    return ok;
}

void TableWindow::requestClose()
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->close();
    else
        close();
}

void TableWindow::commitPendingEdit()
{
    // A value still open in the cell editor is written before a command works on the table, so
    // what the teacher sees is what the command gets.
    if (m_txtedit->isVisible())
        commitEditor();
}

// --- commands -----------------------------------------------------------------------------------

CommandContext TableWindow::context(QLineEdit **focusedBox)
{
    CommandContext ctx{m_doc, m_ws, m_prompter, m_file, this, m_windows};
    QWidget *focus = QApplication::focusWidget();
    auto *edit = qobject_cast<QLineEdit *>(focus);
    // The formula bar and the position box ("Text*"), and the in-cell editor as well.
    if (focus == m_grid) {
        ctx.focus = CommandContext::Focus::Grid;
    } else if (edit && isAncestorOf(edit) &&
               (edit->objectName().startsWith(QLatin1String("Text")) || edit == m_txtedit)) {
        ctx.focus = CommandContext::Focus::TextBox;
        *focusedBox = edit;
    } else {
        ctx.focus = CommandContext::Focus::None;
    }
    return ctx;
}

void TableWindow::execute(const QString &name)
{
    execute(ui::commandNamed(name));
}

void TableWindow::execute(ui::CommandId id)
{
    if (const Command *command = m_commands.find(id)) {
        run(*command);
    } else if (const FrameCommand *frame = m_commands.frame(id)) {
        // The main window's commands its 窗口 and 帮助 menus show here as well.
        FrameContext ctx{m_ws, m_prompter, window(), m_windows, QString()};
        (*frame)(ctx);
    }
}

void TableWindow::run(const Command &c)
{
    const Command *command = &c;
    bool onText = false;
    {
        QLineEdit *box = nullptr;
        const CommandContext probe = context(&box);
        if (command->enabled && !command->enabled(probe))
            return;
        onText = command->actsOnFocusedText && probe.focus == CommandContext::Focus::TextBox;
    }
    if (!onText)
        commitPendingEdit();
    QLineEdit *box = nullptr;
    CommandContext ctx = context(&box);
    FocusedTextBox textBox(box);
    if (box && onText)
        ctx.textBox = &textBox;
    // The command's step of the undo history is named after it and ends with it.
    m_doc.changeLabel = ui::stepLabel(command->id);
    command->run(ctx);
    m_doc.settleChange();
    m_doc.changeLabel.clear();
    setTitle(m_doc.title);
    if (!onText) {
        showCurrentCell();
        focusGrid();
    }
    refreshActions();
}

bool TableWindow::executeButton(base::ToolButton button)
{
    const Command *command = m_commands.forButton(button);
    if (!command)
        return false;
    execute(command->id);
    return true;
}

bool TableWindow::buttonAvailable(base::ToolButton button)
{
    const Command *command = m_commands.forButton(button);
    if (!command)
        return false;
    QLineEdit *box = nullptr;
    return !command->enabled || command->enabled(context(&box));
}

void TableWindow::refreshActions()
{
    QLineEdit *box = nullptr;
    CommandContext ctx = context(&box);
    // The lists others fill (windows, find results, templates) keep their own states.
    static const QStringList kLists{QStringLiteral("menuListFrm1"), QStringLiteral("menuZD"),
                                    QStringLiteral("menuModel"), QStringLiteral("FindResultsList")};
    for (QAction *a : findChildren<QAction *>()) {
        const QString name = a->objectName();
        if (name.isEmpty() || kLists.contains(name))
            continue;
        const Command *command = m_commands.find(name);
        a->setEnabled(command ? !command->enabled || command->enabled(ctx) : m_commands.frame(name) != nullptr);
    }
    // A submenu whose entries are all disabled is disabled itself.
    for (QMenu *m : findChildren<QMenu *>()) {
        if (m_menus.contains(m) || m == m_popup)
            continue;
        const QList<QAction *> entries = m->actions();
        m->menuAction()->setEnabled(
            std::any_of(entries.begin(), entries.end(), [](QAction *a) { return a->isEnabled() && a->isVisible(); }));
    }
    action(QStringLiteral("menuUnPasSave"))->setChecked(m_doc.unprotectedSave);
    showResults();
    m_command2->setEnabled(m_commands.find(ui::CommandId::FormulaEditor) != nullptr);
    undoStateChanged();
}

void TableWindow::undoStateChanged()
{
    // The entries say what they would bring back: "撤消 排序(&U)".
    QAction *undo = action(QStringLiteral("menuUndo"));
    undo->setEnabled(m_doc.undoEnabled());
    const QString undone = m_doc.undoLabel();
    undo->setText(undone.isEmpty() ? QStringLiteral("撤消(&U)")
                                   : QStringLiteral("撤消 ") + undone + QStringLiteral("(&U)"));
    QAction *redo = action(QStringLiteral("menuRedo"));
    redo->setEnabled(m_doc.redoEnabled());
    const QString redone = m_doc.redoLabel();
    redo->setText(redone.isEmpty() ? QStringLiteral("重做(&R)")
                                   : QStringLiteral("重做 ") + redone + QStringLiteral("(&R)"));
    if (m_active)
        m_ws.setButtonEnabled(base::ToolButton::Undo, m_doc.undoEnabled());
}

// --- activation ---------------------------------------------------------------------------------

void TableWindow::activated()
{
    m_active = true;
    QFont f = m_grid->font();
    if (f.family() != m_ws.tableFontName)
        f.setFamily(m_ws.tableFontName);
    if (f.pointSizeF() != m_ws.tableFontSize && m_ws.tableFontSize > 0)
        f.setPointSizeF(m_ws.tableFontSize);
    if (f != m_grid->font()) {
        m_grid->setFont(f);
        m_grid->applySizes();
    }
    m_txtedit->setFont(m_grid->font());
    m_ws.showCurrentTable(m_doc.title);
    if (!isAncestorOf(QApplication::focusWidget()))
        focusGrid();
    for (base::ToolButton b : kTableButtons)
        m_ws.setButtonEnabled(b, buttonAvailable(b));
    undoStateChanged();
}

void TableWindow::deactivated()
{
    m_active = false;
    releaseTableButtons();
}

void TableWindow::releaseTableButtons()
{
    m_ws.showNoCurrentTable();
    for (base::ToolButton b : kTableButtons)
        m_ws.setButtonEnabled(b, false);
    m_ws.setButtonEnabled(base::ToolButton::Undo, false);
}

void TableWindow::closeEvent(QCloseEvent *event)
{
    if (m_doc.isModified()) {
        // The question is about the table in front, so the teacher sees which one it is.
        if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()); sub && sub->mdiArea() && !m_active)
            sub->mdiArea()->setActiveSubWindow(sub);
        const ui::Answer a = m_prompter.question(
            QStringLiteral("是否保存对") + m_doc.title + QStringLiteral("的更改？"), QStringLiteral("提示："),
            ui::Buttons::YesNoCancel, ui::Icon::Question, ui::Answer::Yes);
        bool keepOpen = a == ui::Answer::Cancel;
        if (a == ui::Answer::Yes) {
            commitPendingEdit();
            // A save that failed or was called off would lose the changes with the window.
            keepOpen = !m_file.saveToOwnFile(m_doc);
        }
        if (keepOpen) {
            // The table stays open and active: status bar, toolbar and menus as they were.
            event->ignore();
            if (m_active)
                activated();
            return;
        }
    }
    if (m_active)
        releaseTableButtons();
    event->accept();
}

void TableWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The formula bar row on top, the grid below it filling the window.
    const int w = width(), h = height();
    const int barH = 22, gridTop = 330 / kTwipsPerPixel;
    m_check1->setGeometry(2, 1, 50, barH - 2);
    m_result->setGeometry(54, 1, 110, barH - 2);
    const int text1Left = 166;
    const int text1Width = std::max(40, w - 1800 / kTwipsPerPixel - text1Left);
    m_text1->setGeometry(text1Left, 0, text1Width, barH);
    m_command2->setGeometry(text1Left + text1Width + 20 / kTwipsPerPixel, 0, 20, barH);
    m_text2->setGeometry(text1Left + text1Width + 350 / kTwipsPerPixel, 0,
                         1800 / kTwipsPerPixel - 350 / kTwipsPerPixel - 2, barH);
    m_grid->setGeometry(0, gridTop, std::max(0, w), std::max(0, h - gridTop));
}

// --- current cell, editor and formula bar -------------------------------------------------------

void TableWindow::showPopupMenu()
{
    if (m_grid->overHeader())
        return;
    showCurrentCell();
    refreshActions();
    m_popup->popup(QCursor::pos());
}

// --- the window's own commands ------------------------------------------------------------------

void registerTableWindowCommands(CommandRegistry &r, ui::SettingsStore &settings)
{
    r.add({ui::CommandId::ShowResults,
           [&settings](CommandContext &c) {
               c.ws.showFormulaResults = !c.ws.showFormulaResults;
               settings.setValue(kViewSection, kShowResultsKey,
                                 c.ws.showFormulaResults ? QStringLiteral("1") : QStringLiteral("0"));
           },
           {}});
    auto form = [](CommandContext &c) { return qobject_cast<TableWindow *>(c.window); };
    r.add({ui::CommandId::Close,
           [form](CommandContext &c) {
               if (TableWindow *w = form(c))
                   w->requestClose();
           },
           {}});
    r.add({ui::CommandId::EditCell,
           [form](CommandContext &c) {
               if (TableWindow *w = form(c))
                   w->editCell(QStringLiteral(" "));
           },
           {}});
}

} // namespace table
