#include "table/table_window.h"

#include "formula/calculate.h"
#include "formula/cell_formula.h"
#include "base/workspace.h"
#include "table/editing.h"
#include "ui/grid_view.h"
#include "ui/prompter.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

namespace table {

using ui::kTwipsPerPixel;

// The grid's observer and the editors' event filter: commits a pending edit before the current
// cell moves, and routes the in-cell editor's and the formula bar's keys.
class Form1::Editing : public QObject, public GridObserver {
public:
    explicit Editing(Form1 &w) : QObject(&w), m_w(w) {}

    void currentAboutToChange() override
    {
        if (m_w.m_txtedit->isVisible())
            m_w.commitEditor();
    }
    void currentChanged() override { m_w.currentCellChanged(); }
    void gridReset() override { m_w.currentCellChanged(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_w.m_txtedit)
            return editorEvent(event);
        if (watched == m_w.m_text1 && event->type() == QEvent::KeyPress)
            return formulaBarKey(static_cast<QKeyEvent *>(event));
        if (watched == m_w.m_text1 && event->type() == QEvent::InputMethod)
            markIfCommitted(event);
        return false;
    }

private:
    // Text an input method commits counts as typed characters.
    void markIfCommitted(QEvent *event)
    {
        if (!static_cast<QInputMethodEvent *>(event)->commitString().isEmpty())
            m_w.m_doc.markChanged();
    }

    bool editorEvent(QEvent *event)
    {
        switch (event->type()) {
        case QEvent::FocusIn:
            m_w.setUndoEnabled(false);
            return false;
        case QEvent::FocusOut:
            m_w.setUndoEnabled(m_w.m_doc.undoArmed);
            return false;
        case QEvent::KeyPress:
            return editorKey(static_cast<QKeyEvent *>(event));
        case QEvent::InputMethod:
            markIfCommitted(event);
            return false;
        default:
            return false;
        }
    }

    bool editorKey(QKeyEvent *e)
    {
        Grid &g = m_w.m_doc.成绩表;
        switch (e->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // The key itself: focus back to the grid, the text not yet written; the character then
            // moves by the input direction, which commits.
            m_w.m_doc.markChanged();
            m_w.m_grid->setFocus();
            editing::moveAfterEnter(g, m_w.m_ws.verticalInput(), m_w.m_ws.horizontalInput());
            return true;
        case Qt::Key_Escape:
            m_w.m_grid->setFocus();
            m_w.m_txtedit->hide();
            m_w.showCurrentCell(); // the formula bar shows the cell again, not the discarded text
            return true;
        case Qt::Key_Up:
            m_w.m_grid->setFocus();
            QCoreApplication::processEvents();
            if (g.Row() > g.FixedRows())
                g.setRow(g.Row() - 1);
            return true;
        case Qt::Key_Down:
            m_w.m_grid->setFocus();
            QCoreApplication::processEvents();
            if (g.Row() < g.Rows() - 1)
                g.setRow(g.Row() + 1);
            return true;
        default:
            if (!e->text().isEmpty())
                m_w.m_doc.markChanged();
            return false;
        }
    }

    bool formulaBarKey(QKeyEvent *e)
    {
        if (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter) {
            if (!e->text().isEmpty())
                m_w.m_doc.markChanged();
            return false;
        }
        m_w.m_doc.markChanged();
        m_w.commitFormulaBar();
        return true;
    }

    Form1 &m_w;
};

namespace {
struct MenuEntry {
    const char *name;    // objectName; "-" for a separator; "<" opens a submenu, ">" closes it
    const char *caption; // UTF-8
    const char *shortcut;
    bool enabled;
};

// The table window's menus. Entries whose commands are not part of this build are present and
// disabled.
const MenuEntry kTableMenu[] = {
    {"menuChangTitile", "更改表格标题(&T)", "", false},
    {"menuClassSetup", "设置班级信息(&S)", "", false},
    {"menuSetdataFormat", "设置数据格式(&D)", "", false},
    {"-", "", "", true},
    {"menuCheckGS", "检查所有公式有效性(&C)", "", true},
    {"menuRun", "计算所有公式(&R)", "", true},
    {"-", "", "", true},
    {"menuSave", "保存表格", "Ctrl+S", true},
    {"menuCopyTable", "表格另存为...(&A)", "", true},
    {"menuUnPasSave", "去除密码保护保存(&W)", "", true},
    {"menuexptable", "导出部分表格(&E)", "", false},
    {"menuSaveCVS", "保存为C&SV文件(供其它程序调用)", "", false},
    {"-", "", "", true},
    {"menuCovold", "转换试用版数据表(&F)", "", false},
    {"menuLoadCVS", "转换CSV(逗号分隔符&)文本文件", "", false},
    {"menuDRother", "转换FoxFr&o格式表格", "", false},
    {"<menuImport", "导入另一张表格(&I)", "", true},
    {"menuImportAll", "导入整张表格(&E)", "", false},
    {"menuImportSome", "导入选定数据到指定位置(&S)", "", false},
    {">", "", "", true},
    {"-", "", "", true},
    {"menuSeletPrinter", "打印设置(&E)", "", false},
    {"menuPrintTB", "打印图表(&H)", "", false},
    {"menuPrintBB", "打印报表(&B)", "", false},
    {"menuPrintView", "打印、预览[表格](&P)", "Ctrl+P", false},
    {"-", "", "", true},
    {"menuClose", "关闭(&X)", "", true},
};
const MenuEntry kEditMenu[] = {
    {"menuUndo", "撤消(&U)", "Ctrl+Z", false},
    {"-", "", "", true},
    {"menuCut", "剪切(&T)", "Ctrl+X", true},
    {"menuCopy", "复制(&C)", "Ctrl+C", true},
    {"menuPaste", "粘贴(&P)", "Ctrl+V", true},
    {"menuDel", "删除(&L)", "Del", true},
    {"-", "", "", true},
    {"menuFind", "查找单元格(&F)", "Ctrl+F", false},
    {"<menuGoto", "转到查找结果(&G)", "", true},
    {"menuZD", "(空)", "", false},
    {">", "", "", true},
    {"menuMark", "清除查找标记(&M)", "", false},
    {"menuChange", "替换(&R)", "Ctrl+H", false},
    {"-", "", "", true},
    {"menuSelAll", "全选(&A)", "Ctrl+A", true},
};
const MenuEntry kFormatMenu[] = {
    {"menuFont", "字体(&F)...", "", false},
    {"menuHeight", "行高(&H)", "", false},
    {"mneuWeight", "列宽(&W)", "", false},
};
const MenuEntry kFieldMenu[] = {
    {"menuIstLei", "插入列[字段](&I)", "", false},
    {"menuRemLei", "删除列(&R)", "", false},
    {"menuChangeLeiTitle", "更改列标题[字段名称](&E)", "", false},
    {"menuAddTitle", "表格字段管理(&A)", "", false},
    {"-", "", "", true},
    {"menuSaveModel", "保存当前字段结构为模版(&S)", "", false},
    {"-", "", "", true},
    {"menuModel", "", "", false},
};
const MenuEntry kToolsMenu[] = {
    {"menuGSBJ", "公式编辑器(&G)", "", false},
    {"menuGSSM", "公式说明(&V)", "", false},
    {"menuBBedit", "报表编辑器", "", false},
};
const MenuEntry kWindowMenu[] = {
    {"menuCD", "层叠(&S)", "", true},
    {"menuZXPP", "纵向平铺(&H)", "", true},
    {"menuHXPP", "横向平铺(&E)", "", true},
    {"menuPL", "排列图标(&A)", "", true},
    {"-", "", "", true},
    {"<menuSelWindow", "选择数据表(&L)", "", true},
    {">", "", "", true},
};
const MenuEntry kHelpMenu[] = {
    {"menuHelpZT", "帮助主题", "F1", true},
    {"menuAbout", "关于...(&A)", "", true},
};
const MenuEntry kPopMenu[] = {
    {"menuEditit", "编辑选中单元格(&E)", "", true},
    {"menuImportCVS", "从CS&V文件导入到该列", "", false},
    {"menuSetGStoLine", "设置该公式为本列公式(&S)", "", true},
};

template <size_t N>
QMenu *buildMenu(QWidget *owner, const char *name, const char *caption, const MenuEntry (&entries)[N])
{
    auto *menu = new QMenu(QString::fromUtf8(caption), owner);
    menu->setObjectName(QLatin1String(name));
    QMenu *into = menu;
    for (const MenuEntry &e : entries) {
        const QLatin1String id(e.name);
        if (id == QLatin1String("-")) {
            into->addSeparator();
        } else if (e.name[0] == '<') {
            into = into->addMenu(QString::fromUtf8(e.caption));
            into->setObjectName(QLatin1String(e.name + 1));
        } else if (e.name[0] == '>') {
            into = menu;
        } else {
            QAction *a = into->addAction(QString::fromUtf8(e.caption));
            a->setObjectName(id);
            if (*e.shortcut)
                a->setShortcut(QKeySequence(QLatin1String(e.shortcut)));
            a->setEnabled(e.enabled);
            owner->addAction(a);
        }
    }
    return menu;
}
} // namespace

Form1::Form1(base::Workspace &ws, ui::Prompter &prompter, QWidget *parent)
    : QWidget(parent), m_ws(ws), m_prompter(prompter), m_file(ws, prompter, &m_progress)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(m_doc.Caption);
    m_editing = new Editing(*this);
    buildControls();
    buildMenus();
    m_doc.成绩表.addObserver(m_editing);

    // Creation: flags cleared, column 0 current. Whether the pointer is over the fixed row or
    // column is known by the view itself (its headers), so no extents need measuring.
    m_doc.undoArmed = false;
    m_doc.成绩表.setCol(0);
    resize(640, 420);
}

Form1::~Form1()
{
    // The grid view and the editors refer to the document, which goes before the child widgets.
    m_txtedit->removeEventFilter(m_editing);
    m_text1->removeEventFilter(m_editing);
    m_doc.成绩表.removeObserver(m_editing);
    delete m_grid;
}

void Form1::buildControls()
{
    m_check1 = new QCheckBox(QStringLiteral("公式"), this);
    m_check1->setObjectName(QStringLiteral("Check1"));
    m_result = new QLabel(QStringLiteral("非公式单元格"), this);
    m_result->setObjectName(QStringLiteral("Label1"));
    m_result->setEnabled(false);
    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_command2 = new QPushButton(QStringLiteral("…"), this);
    m_command2->setObjectName(QStringLiteral("Command2"));
    m_command2->setToolTip(QStringLiteral("公式编辑器"));
    m_command2->setEnabled(false);
    m_text2 = new QLineEdit(this);
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_text2->setReadOnly(true);
    m_text2->setFocusPolicy(Qt::ClickFocus);

    m_grid = new ui::GridView(m_doc.成绩表, this);
    m_grid->setObjectName(QStringLiteral("成绩表"));
    m_txtedit = new QLineEdit(m_grid->viewport());
    m_txtedit->setObjectName(QStringLiteral("txtedit"));
    m_txtedit->setFrame(false);
    m_txtedit->hide();
    m_txtedit->installEventFilter(m_editing);
    m_text1->installEventFilter(m_editing);

    connect(m_grid, &ui::GridView::keyTyped, this, [this](const QString &text) {
        showCurrentCell();
        MSFlexGridEdit(text);
    });
    connect(m_grid, &ui::GridView::cellClicked, this, &Form1::showCurrentCell);
    connect(m_grid, &ui::GridView::cellDoubleClicked, this, [this] {
        if (!m_grid->overHeader())
            MSFlexGridEdit(QStringLiteral(" "));
    });
    connect(m_grid, &ui::GridView::cellRightClicked, this, &Form1::showPopupMenu);
    connect(m_grid, &ui::GridView::focusChangedTo, this, [this](bool) { mirrorUndoButton(); });
    connect(m_txtedit, &QLineEdit::textChanged, m_text1, &QLineEdit::setText);
    connect(m_text1, &QLineEdit::textChanged, this, &Form1::formulaBarChanged);
    connect(m_check1, &QCheckBox::clicked, this, [this](bool checked) {
        m_text1->setText(formula::applyFormulaCheck(m_text1->text(), checked));
        commitFormulaBar();
        m_doc.markChanged();
    });
}

void Form1::buildMenus()
{
    m_menus << buildMenu(this, "menuFile", "成绩表(&B)", kTableMenu)
            << buildMenu(this, "menuEdit", "编辑(&E)", kEditMenu)
            << buildMenu(this, "menuFormat", "格式(&O)", kFormatMenu)
            << buildMenu(this, "menuField", "成绩表字段(&L)", kFieldMenu)
            << buildMenu(this, "menuTools", "工具(&T)", kToolsMenu)
            << buildMenu(this, "menuWindow", "窗口(&W)", kWindowMenu)
            << buildMenu(this, "menuHelp", "帮助(&H)", kHelpMenu);
    m_popup = buildMenu(this, "menuPop1", "右键菜单1", kPopMenu);
    action(QStringLiteral("menuModel"))->setVisible(false);
    action(QStringLiteral("menuHeight"))->setVisible(false);
    action(QStringLiteral("mneuWeight"))->setVisible(false);

    auto on = [this](const char *name, auto slot) {
        connect(action(QLatin1String(name)), &QAction::triggered, this, slot);
    };
    on("menuSave", &Form1::menuSave_Click);
    on("menuCopyTable", &Form1::menuCopyTable_Click);
    on("menuUnPasSave", &Form1::menuUnPasSave_Click);
    on("menuClose", &Form1::menuClose_Click);
    on("menuUndo", &Form1::menuUndo_Click);
    on("menuCut", &Form1::menuCut_Click);
    on("menuCopy", &Form1::menuCopy_Click);
    on("menuPaste", &Form1::menuPaste_Click);
    on("menuDel", &Form1::menuDel_Click);
    on("menuSelAll", &Form1::menuSelAll_Click);
    on("menuCheckGS", &Form1::menuCheckGS_Click);
    on("menuRun", &Form1::menuRun_Click);
    on("menuSetGStoLine", &Form1::menuSetGStoLine_Click);
    on("menuEditit", &Form1::menuEditit_Click);
    action(QStringLiteral("menuUnPasSave"))->setCheckable(true);
}

QAction *Form1::action(const QString &objectName) const
{
    return findChild<QAction *>(objectName);
}

void Form1::setTitle(const QString &title)
{
    m_doc.Caption = title;
    setWindowTitle(title);
    emit titleChanged(title);
}

void Form1::refreshFromDocument()
{
    setWindowTitle(m_doc.Caption);
    emit titleChanged(m_doc.Caption);
    showCurrentCell();
}

bool Form1::LoadData(const QString &name, bool fullPath)
{
    const bool ok = m_file.LoadData(m_doc, name, fullPath);
    if (!ok) {
        closeSelf();
        return false;
    }
    refreshFromDocument();
    return true;
}

bool Form1::SaveData(bool temporary, const QString &name)
{
    commitPendingEdit();
    const bool ok = m_file.SaveData(m_doc, temporary, name);
    syncUnprotectedMark();
    return ok;
}

void Form1::GridHidingProgress::start(const QString &status)
{
    m_w.m_ws.start(status);
    if (m_depth++ == 0)
        m_w.m_grid->hide();
}

void Form1::GridHidingProgress::setPercent(int percent)
{
    m_w.m_ws.setPercent(percent);
}

void Form1::GridHidingProgress::finish()
{
    m_w.m_ws.finish();
    if (m_depth > 0 && --m_depth == 0)
        m_w.m_grid->show();
}

void Form1::closeSelf()
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->close();
    else
        close();
}

void Form1::syncUnprotectedMark()
{
    action(QStringLiteral("menuUnPasSave"))->setChecked(m_doc.unprotectedSave);
}

void Form1::commitPendingEdit()
{
    // A value still open in the cell editor is written before the table is saved, so what the
    // teacher sees is what the file holds.
    if (m_txtedit->isVisible())
        commitEditor();
}

// --- activation ---------------------------------------------------------------------------------

void Form1::activated()
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
    m_ws.setPanelText(2, QStringLiteral("当前表格：") + m_doc.Caption);
    for (int b : base::Workspace::tableButtons)
        m_ws.setButtonEnabled(b, true);
    m_ws.setButtonEnabled(6, action(QStringLiteral("menuUndo"))->isEnabled());
}

void Form1::deactivated()
{
    m_active = false;
    releaseTableButtons();
}

void Form1::releaseTableButtons()
{
    m_ws.setPanelText(2, QStringLiteral("当前表格：无"));
    for (int b : base::Workspace::tableButtons)
        m_ws.setButtonEnabled(b, false);
    m_ws.setButtonEnabled(6, false);
}

void Form1::closeEvent(QCloseEvent *event)
{
    releaseTableButtons();
    if (m_doc.changed()) {
        const ui::Answer a = m_prompter.question(
            QStringLiteral("是否更改对表格：“") + m_doc.Caption + QStringLiteral("”所做的修改?"),
            QStringLiteral("提示："), ui::Buttons::YesNoCancel, ui::Icon::Question, ui::Answer::Yes);
        if (a == ui::Answer::Cancel) {
            event->ignore();
            return;
        }
        if (a == ui::Answer::Yes)
            menuSave_Click(); // closes whatever the outcome of the save
    }
    event->accept();
}

void Form1::resizeEvent(QResizeEvent *event)
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

void Form1::currentCellChanged()
{
    Grid &g = m_doc.成绩表;
    g.setColWidth(0, static_cast<int>(QString::number(g.Rows()).size()) * 170);
    showCurrentCell();
}

void Form1::showCurrentCell()
{
    const Grid &g = m_doc.成绩表;
    if (!m_txtedit->isVisible())
        m_text1->setText(g.TextMatrix(g.Row(), g.Col()));
    m_text2->setText(editing::positionText(g));
}

void Form1::MSFlexGridEdit(const QString &typed)
{
    Grid &g = m_doc.成绩表;
    // Only data cells are edited; the fixed row and column are rebuilt on every load.
    if (g.Row() < 1 || g.Col() < 1)
        g.setCurrent(std::max(g.Row(), 1), std::max(g.Col(), 1));
    if (g.Row() < 1 || g.Col() < 1)
        return;
    m_doc.takeSnapshot();
    m_doc.undoArmed = true;
    m_txtedit->setText(editing::startText(g.TextMatrix(g.Row(), g.Col()), typed));
    m_txtedit->end(false);
    m_grid->scrollTo(m_grid->model()->index(g.Row() - 1, g.Col() - 1));
    m_txtedit->setGeometry(m_grid->cellRect(g.Row(), g.Col()));
    m_txtedit->show();
    m_txtedit->setFocus();
    if (!editing::editsExisting(typed))
        m_doc.markChanged();
}

void Form1::commitEditor()
{
    Grid &g = m_doc.成绩表;
    g.setTextMatrix(g.Row(), g.Col(), m_txtedit->text());
    m_doc.markChanged();
    // Hiding the focused editor would pass the focus on by itself; hand it to the grid first.
    if (m_txtedit->hasFocus())
        m_grid->setFocus();
    m_txtedit->hide();
}

void Form1::commitFormulaBar()
{
    Grid &g = m_doc.成绩表;
    m_doc.takeSnapshot();
    setUndoEnabled(true);
    g.setTextMatrix(g.Row(), g.Col(), m_text1->text());
    if (m_txtedit->isVisible())
        m_txtedit->setText(m_text1->text());
    formulaBarChanged(m_text1->text());
}

void Form1::formulaBarChanged(const QString &text)
{
    const bool isFormula = formula::isFormula(text);
    m_check1->setChecked(isFormula);
    m_result->setText(formula::resultLabel(text, m_doc.成绩表, m_doc.DataFormat, formula::calculator(m_ws)));
    m_result->setEnabled(isFormula);
}

QString Form1::公式2值(int16_t row, int16_t col)
{
    return formula::公式2值(m_doc.成绩表, row, col, m_doc.DataFormat, formula::calculator(m_ws));
}

void Form1::showPopupMenu()
{
    if (m_grid->overHeader())
        return;
    const Grid &g = m_doc.成绩表;
    showCurrentCell();
    action(QStringLiteral("menuSetGStoLine"))->setEnabled(formula::isFormula(g.TextMatrix(g.Row(), g.Col())));
    m_popup->popup(QCursor::pos());
}

// --- undo ---------------------------------------------------------------------------------------

void Form1::setUndoEnabled(bool enabled)
{
    m_doc.undoEnabled = enabled;
    action(QStringLiteral("menuUndo"))->setEnabled(enabled);
    mirrorUndoButton();
}

void Form1::mirrorUndoButton()
{
    if (m_active)
        m_ws.setButtonEnabled(6, action(QStringLiteral("menuUndo"))->isEnabled());
}

void Form1::afterTableCommand()
{
    setUndoEnabled(m_doc.undoEnabled);
    showCurrentCell();
}

// --- commands -----------------------------------------------------------------------------------

void Form1::menuSave_Click()
{
    commitPendingEdit();
    m_file.menuSave(m_doc);
    syncUnprotectedMark();
}

void Form1::menuCopyTable_Click()
{
    commitPendingEdit();
    m_file.menuCopyTable(m_doc);
    syncUnprotectedMark();
}

void Form1::menuUnPasSave_Click()
{
    commitPendingEdit();
    m_file.menuUnPasSave(m_doc);
    syncUnprotectedMark();
}

void Form1::menuClose_Click()
{
    closeSelf();
}

void Form1::menuUndo_Click()
{
    if (!m_doc.undoEnabled)
        return;
    m_doc.undo();
    setUndoEnabled(false);
    showCurrentCell();
}

Form1::Target Form1::editTarget(QLineEdit **box) const
{
    QWidget *focus = QApplication::focusWidget();
    if (focus == m_grid)
        return Target::Grid;
    // The formula bar and the position box ("Text*"), and the in-cell editor as well.
    auto *edit = qobject_cast<QLineEdit *>(focus);
    if (edit && isAncestorOf(edit) && (edit->objectName().startsWith(QLatin1String("Text")) || edit == m_txtedit)) {
        *box = edit;
        return Target::TextBox;
    }
    return Target::None;
}

void Form1::menuCopy_Click()
{
    QLineEdit *box = nullptr;
    switch (editTarget(&box)) {
    case Target::Grid:
        QGuiApplication::clipboard()->setText(editing::copyCell(m_doc));
        break;
    case Target::TextBox:
        QGuiApplication::clipboard()->setText(box->selectedText());
        break;
    case Target::None:
        break;
    }
}

void Form1::menuCut_Click()
{
    QLineEdit *box = nullptr;
    switch (editTarget(&box)) {
    case Target::Grid:
        QGuiApplication::clipboard()->setText(editing::cutCell(m_doc));
        afterTableCommand();
        break;
    case Target::TextBox:
        QGuiApplication::clipboard()->setText(box->selectedText());
        box->del();
        break;
    case Target::None:
        break;
    }
}

void Form1::menuPaste_Click()
{
    QLineEdit *box = nullptr;
    switch (editTarget(&box)) {
    case Target::Grid:
        editing::pasteCell(m_doc, QGuiApplication::clipboard()->text());
        afterTableCommand();
        break;
    case Target::TextBox:
        box->insert(QGuiApplication::clipboard()->text());
        break;
    case Target::None:
        break;
    }
}

void Form1::menuDel_Click()
{
    QLineEdit *box = nullptr;
    switch (editTarget(&box)) {
    case Target::Grid:
        editing::deleteRange(m_doc);
        afterTableCommand();
        break;
    case Target::TextBox:
        if (box->hasSelectedText())
            box->del();
        break;
    case Target::None:
        break;
    }
}

void Form1::menuSelAll_Click()
{
    editing::selectAll(m_doc);
    showCurrentCell();
}

void Form1::menuCheckGS_Click()
{
    formula::menuCheckGS(m_doc, formula::calculator(m_ws));
    afterTableCommand();
}

void Form1::menuRun_Click()
{
    if (formula::menuRun(m_doc, m_prompter, formula::calculator(m_ws)))
        afterTableCommand();
}

void Form1::menuSetGStoLine_Click()
{
    if (formula::menuSetGStoLine(m_doc, m_prompter))
        afterTableCommand();
}

void Form1::menuEditit_Click()
{
    MSFlexGridEdit(QStringLiteral(" "));
}

void Form1::menuPrintView_Click() {}

} // namespace table
