#include "shell/main_window.h"

#include "shell/about_dialog.h"
#include "shell/main_frame.h"
#include "base/module1.h"
#include "base/workspace.h"
#include "table/table_file.h"
#include "table/table_window.h"
#include "ui/prompter.h"
#include "ui/settings_store.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDockWidget>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>

// The pictures live in the gui library's resources, which a static link drops unless referenced.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace shell {

namespace {

struct FrameEntry {
    const char16_t *name; // objectName; empty for a separator
    const char16_t *caption;
    const char *shortcut;
    bool enabled;
};

// 文件(&F). The school tree editor and the converters belong to later parts of the program and
// stay disabled until they exist.
constexpr FrameEntry kFileMenu[] = {
    {u"menuClass", u"新建/编辑学校关系树(&C)", "", false},
    {u"menuOpen", u"打开(&O)...", "", true},
    {u"", u"", "", true},
    {u"menuCove", u"转换 试用版 格式数据表(&V)", "", false},
    {u"menuCovCSV", u"转换 CSV(逗号分隔符&)文本文件", "", false},
    {u"menuFoxExp", u"转换 &FoxPro 格式表格", "", false},
    {u"", u"", "", true},
    {u"menuExit", u"退出(&X)", "", true},
};

// 帮助(&H): the help topic entry is always disabled.
constexpr FrameEntry kHelpMenu[] = {
    {u"menuHelpItem", u"帮助主题         ", "F1", false},
    {u"", u"", "", true},
    {u"menuAbout", u"关于(&A)...", "", true},
};

template <size_t N>
QMenu *buildFrameMenu(QWidget *owner, const QString &name, const QString &caption, const FrameEntry (&entries)[N])
{
    auto *menu = new QMenu(caption, owner);
    menu->setObjectName(name);
    for (const FrameEntry &e : entries) {
        const QString id = QString::fromUtf16(e.name);
        if (id.isEmpty()) {
            menu->addSeparator();
            continue;
        }
        QAction *a = menu->addAction(QString::fromUtf16(e.caption));
        a->setObjectName(id);
        if (*e.shortcut)
            a->setShortcut(QKeySequence(QLatin1String(e.shortcut)));
        a->setEnabled(e.enabled);
    }
    return menu;
}

// The tool windows closed before the frame, in this order.
constexpr const char16_t *kToolWindows[] = {
    u"Form2",       u"frmAbout",    u"frmChang",  u"frmClass",  u"frmClassInfo",  u"frmDataFormat",
    u"frmExpTable", u"frmFind",     u"frmHeiWei", u"frmImport", u"frmPrintSetup", u"frmSlape",
    u"frm公式编辑", u"frm公式说明", u"frm排序",   u"frm图表",   u"frm项目管理",
};

table::Form1 *formOf(QMdiSubWindow *sub)
{
    return sub ? qobject_cast<table::Form1 *>(sub->widget()) : nullptr;
}

} // namespace

MDIForm1::MDIForm1(base::Workspace &ws, ui::Prompter &prompter, ui::SettingsStore &settings, QWidget *parent)
    : QMainWindow(parent), m_ws(ws), m_prompter(prompter), m_settings(settings)
{
    initResources();
    setObjectName(QStringLiteral("MDIForm1"));
    endProgram = [] { QCoreApplication::exit(0); };

    buildMenus();
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MDIClient"));
    setCentralWidget(m_mdi);
    buildToolbar();
    buildStatusBar();
    buildLeftPanel();
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &MDIForm1::subWindowActivated);

    // Loading, before the window is first shown.
    m_ws.createDataDirectories();
    AddDot();
    applyFontSettings(m_ws, m_settings);
    setWindowTitle(kProgramCaption);
    setWindowIcon(QIcon(QStringLiteral(":/icons/app.svg")));
    resetProgramState(m_ws);
    mirrorWorkspace();

    resize(1024, 720);
}

MDIForm1::~MDIForm1()
{
    setBusyPointer(false);
    // The child widgets are destroyed after this body: table windows that still report to the
    // workspace or the MDI area then must not reach this half-destroyed window.
    disconnect(m_mdi, nullptr, this, nullptr);
    disconnect(&m_ws, nullptr, this, nullptr);
    menuBar()->clear();
}

void MDIForm1::AddDot()
{
    // The school tree comes from SchoolInfo.ini; the tree is built by the school-tree part of the
    // shell, which this window does not contain yet, so the tree stays empty.
}

// --- building -----------------------------------------------------------------------------------

void MDIForm1::buildMenus()
{
    m_frameMenus << buildFrameMenu(this, QStringLiteral("menuMainFile"), QStringLiteral("文件(&F)"), kFileMenu)
                 << buildFrameMenu(this, QStringLiteral("menuMainHelp"), QStringLiteral("帮助(&H)"), kHelpMenu);
    connect(frameAction(QStringLiteral("menuOpen")), &QAction::triggered, this, &MDIForm1::menuOpen_Click);
    connect(frameAction(QStringLiteral("menuExit")), &QAction::triggered, this, &MDIForm1::menuExit_Click);
    connect(frameAction(QStringLiteral("menuAbout")), &QAction::triggered, this, &MDIForm1::menuAbout_Click);
    showMenusOf(nullptr);
}

QAction *MDIForm1::frameAction(const QString &objectName) const
{
    for (QMenu *menu : m_frameMenus)
        if (auto *a = menu->findChild<QAction *>(objectName))
            return a;
    return nullptr;
}

void MDIForm1::buildToolbar()
{
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setIconSize(QSize(24, 24));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolbar->toggleViewAction()->setEnabled(false);
    addToolBar(Qt::TopToolBarArea, m_toolbar);

    for (const ToolbarButton &b : toolbarButtons()) {
        auto *a = new QAction(m_toolbar);
        a->setObjectName(QStringLiteral("Toolbar1_%1").arg(b.number));
        if (b.isSeparator()) {
            a->setSeparator(true);
        } else {
            a->setText(b.tooltip);
            a->setToolTip(b.tooltip);
            a->setIcon(QIcon(b.icon));
            a->setCheckable(b.checkable);
            a->setChecked(b.pressedAtStart);
            const int number = b.number;
            if (b.checkable)
                connect(a, &QAction::toggled, this, [this, number](bool pressed) {
                    if (number == 16 || number == 17)
                        m_ws.setHorizontalInput(horizontalInputAfterToggle(number, pressed));
                });
            else
                connect(a, &QAction::triggered, this, [this, number] { onToolbarButton(number); });
        }
        m_toolbar->addAction(a);
        m_buttons.append(a);
    }
}

QAction *MDIForm1::toolbarButton(int number) const
{
    return number >= 1 && number <= m_buttons.size() ? m_buttons[number - 1] : nullptr;
}

void MDIForm1::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(true);
    for (int panel = 1; panel <= 4; ++panel) {
        auto *label = new QLabel(bar);
        label->setObjectName(QStringLiteral("StatusBar1_%1").arg(panel));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setMinimumWidth(panel == 3 ? 40 : 160);
        label->setContentsMargins(4, 0, 4, 0);
        bar->addWidget(label, panel == 1 || panel == 2 ? 1 : 0);
        m_panels.append(label);
    }
}

QLabel *MDIForm1::statusPanel(int panel) const
{
    return panel >= 1 && panel <= m_panels.size() ? m_panels[panel - 1] : nullptr;
}

void MDIForm1::buildLeftPanel()
{
    auto *dock = new QDockWidget(this);
    dock->setObjectName(QStringLiteral("Picture1Dock"));
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    dock->setTitleBarWidget(new QWidget(dock));
    dock->setAllowedAreas(Qt::LeftDockWidgetArea);

    m_picture1 = new QWidget(dock);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setMinimumSize(120, 60);
    m_tree = new QTreeWidget(m_picture1);
    m_tree->setObjectName(QStringLiteral("TreeView1"));
    m_tree->setHeaderHidden(true);
    m_tree->move(0, 0);
    m_picture1->installEventFilter(this);
    dock->setWidget(m_picture1);
    addDockWidget(Qt::LeftDockWidgetArea, dock);
    resizeDocks({dock}, {220}, Qt::Horizontal);
}

void MDIForm1::resizeLeftPanel()
{
    // The tree takes the panel's inner width; its height is the inner height less its top offset.
    const QRect inner = m_picture1->contentsRect();
    m_tree->setGeometry(inner.left(), m_tree->y(), inner.width(), std::max(0, inner.bottom() + 1 - m_tree->y()));
}

bool MDIForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_picture1 && event->type() == QEvent::Resize)
        resizeLeftPanel();
    return QMainWindow::eventFilter(watched, event);
}

void MDIForm1::mirrorWorkspace()
{
    for (int panel = 1; panel <= 4; ++panel)
        m_panels[panel - 1]->setText(m_ws.panelText(panel));
    connect(&m_ws, &base::Workspace::panelChanged, this, [this](int panel, const QString &text) {
        if (QLabel *label = statusPanel(panel))
            label->setText(text);
    });

    for (int n = 1; n <= 24; ++n)
        if (!m_buttons[n - 1]->isSeparator())
            m_buttons[n - 1]->setEnabled(m_ws.buttonEnabled(n));
    connect(&m_ws, &base::Workspace::buttonEnabledChanged, this, [this](int number, bool enabled) {
        if (QAction *a = toolbarButton(number))
            a->setEnabled(enabled);
    });

    auto showDirection = [this](bool horizontal) {
        const QSignalBlocker b16(toolbarButton(16)), b17(toolbarButton(17));
        toolbarButton(16)->setChecked(horizontal);
        toolbarButton(17)->setChecked(!horizontal);
    };
    showDirection(m_ws.horizontalInput());
    connect(&m_ws, &base::Workspace::inputDirectionChanged, this, showDirection);

    setBusyPointer(m_ws.busy());
    connect(&m_ws, &base::Workspace::busyChanged, this, &MDIForm1::setBusyPointer);
}

void MDIForm1::setBusyPointer(bool busy)
{
    if (busy == m_busyPointer)
        return;
    m_busyPointer = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

// --- table windows ------------------------------------------------------------------------------

QList<table::Form1 *> MDIForm1::tableWindows() const
{
    QList<table::Form1 *> forms;
    for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (table::Form1 *form = formOf(sub))
            forms.append(form);
    return forms;
}

table::Form1 *MDIForm1::activeTableWindow() const
{
    // The current child stays current while another top-level window (a dialog) has the focus.
    return formOf(m_mdi->currentSubWindow());
}

table::Form1 *MDIForm1::createTableWindow()
{
    auto *form = new table::Form1(m_ws, m_prompter);
    // The table window lays out its controls itself and so has no size hint: the child window
    // takes the table window's own size plus its frame.
    const QSize size = form->size();
    QMdiSubWindow *sub = m_mdi->addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    connectTableWindow(form);
    sub->show();
    sub->resize(size + (sub->size() - form->size()));
    m_mdi->setActiveSubWindow(sub);
    return form;
}

void MDIForm1::connectTableWindow(table::Form1 *form)
{
    auto on = [this, form](const QString &name, void (MDIForm1::*slot)()) {
        if (auto *a = form->findChild<QAction *>(name))
            connect(a, &QAction::triggered, this, slot);
    };
    on(QStringLiteral("menuCD"), &MDIForm1::menuCD_Click);
    on(QStringLiteral("menuZXPP"), &MDIForm1::menuZXPP_Click);
    on(QStringLiteral("menuHXPP"), &MDIForm1::menuHXPP_Click);
    on(QStringLiteral("menuPL"), &MDIForm1::menuPL_Click);
    on(QStringLiteral("menuHelpZT"), &MDIForm1::menuHelpZT_Click);
    on(QStringLiteral("menuAbout"), &MDIForm1::menuAbout_Click);
    if (auto *windowMenu = form->findChild<QMenu *>(QStringLiteral("menuWindow")))
        connect(windowMenu, &QMenu::aboutToShow, form, [this, form] { fillWindowList(form); });
}

void MDIForm1::subWindowActivated(QMdiSubWindow *sub)
{
    table::Form1 *form = formOf(sub);
    if (form == m_active)
        return;
    if (m_active)
        m_active->deactivated();
    m_active = form;
    if (form) {
        fillWindowList(form);
        form->activated();
    }
    showMenusOf(form);
}

void MDIForm1::showMenusOf(table::Form1 *form)
{
    QMenuBar *bar = menuBar();
    bar->clear();
    for (QMenu *menu : form ? form->menus() : m_frameMenus)
        bar->addMenu(menu);
}

void MDIForm1::fillWindowList(table::Form1 *owner)
{
    auto *list = owner->findChild<QMenu *>(QStringLiteral("menuSelWindow"));
    if (!list)
        return;
    const QList<table::Form1 *> forms = tableWindows();
    QStringList captions;
    for (table::Form1 *f : forms)
        captions << f->title();
    list->clear();
    const QList<WindowListEntry> entries = windowList(captions, static_cast<int>(forms.indexOf(owner)));
    for (const WindowListEntry &e : entries) {
        QAction *a = list->addAction(e.caption);
        a->setObjectName(QStringLiteral("menuListFrm1"));
        a->setCheckable(true);
        a->setChecked(e.checked);
        const QString caption = e.caption;
        connect(a, &QAction::triggered, this, [this, caption] { showTableWindow(caption); });
    }
}

void MDIForm1::showTableWindow(const QString &caption)
{
    const QList<table::Form1 *> forms = tableWindows();
    QStringList captions;
    for (table::Form1 *f : forms)
        captions << f->title();
    const int i = windowForCaption(captions, caption);
    if (i < 0)
        return;
    auto *sub = qobject_cast<QMdiSubWindow *>(forms[i]->parentWidget());
    if (!sub)
        return;
    sub->show();
    m_mdi->setActiveSubWindow(sub);
    forms[i]->setFocus();
}

void MDIForm1::openTableFile()
{
    const QString path = ui::ShowOpenDialog(m_prompter, QStringLiteral("*.gdt"), QStringLiteral("打开数据文件"));
    if (path.isEmpty())
        return;
    table::Form1 *form = createTableWindow();
    form->document().Text7 = table::tableNameFromPath(path);
    // A table that cannot be loaded closes its window itself.
    form->LoadData(form->document().Text7, true);
}

// --- commands -----------------------------------------------------------------------------------

void MDIForm1::menuOpen_Click()
{
    openTableFile();
}

void MDIForm1::menuExit_Click()
{
    if (endProgram)
        endProgram();
}

void MDIForm1::menuAbout_Click()
{
    frmAbout about(this);
    about.exec();
}

void MDIForm1::menuHelpZT_Click()
{
    m_prompter.message(kHelpMessage, QStringLiteral("提示"), ui::Icon::Information);
}

void MDIForm1::onToolbarButton(int number)
{
    // Buttons 2, 11, 13, 19, 20 and 22 drive windows of later parts of the program.
    if (number == 3) {
        openTableFile();
        return;
    }
    if (number == 24) {
        menuHelpZT_Click();
        return;
    }
    table::Form1 *form = activeTableWindow();
    if (!form)
        return;
    switch (number) {
    case 4:
        form->menuSave_Click();
        break;
    case 6:
        form->menuUndo_Click();
        break;
    case 8:
        form->menuCut_Click();
        break;
    case 9:
        form->menuCopy_Click();
        break;
    case 10:
        form->menuPaste_Click();
        break;
    default:
        break;
    }
}

QList<QMdiSubWindow *> MDIForm1::arrangeableWindows() const
{
    // Topmost first, as the system tiles; minimised windows keep their icons.
    QList<QMdiSubWindow *> subs = m_mdi->subWindowList(QMdiArea::StackingOrder);
    std::reverse(subs.begin(), subs.end());
    subs.erase(
        std::remove_if(subs.begin(), subs.end(), [](QMdiSubWindow *s) { return s->isHidden() || s->isMinimized(); }),
        subs.end());
    for (QMdiSubWindow *s : subs)
        if (s->isMaximized())
            s->showNormal();
    return subs;
}

void MDIForm1::menuCD_Click()
{
    m_mdi->cascadeSubWindows();
}

void MDIForm1::menuZXPP_Click()
{
    const QList<QMdiSubWindow *> subs = arrangeableWindows();
    const QList<QRect> rects = tileOneAboveTheOther(m_mdi->viewport()->size(), static_cast<int>(subs.size()));
    for (int i = 0; i < subs.size(); ++i)
        subs[i]->setGeometry(rects[i]);
}

void MDIForm1::menuHXPP_Click()
{
    const QList<QMdiSubWindow *> subs = arrangeableWindows();
    const QList<QRect> rects = tileSideBySide(m_mdi->viewport()->size(), static_cast<int>(subs.size()));
    for (int i = 0; i < subs.size(); ++i)
        subs[i]->setGeometry(rects[i]);
}

void MDIForm1::menuPL_Click()
{
    QList<QMdiSubWindow *> icons;
    QList<QSize> sizes;
    for (QMdiSubWindow *s : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (s->isMinimized() && !s->isHidden()) {
            icons.append(s);
            sizes.append(s->size());
        }
    const QList<QPoint> points = arrangeIcons(m_mdi->viewport()->size(), sizes);
    for (int i = 0; i < icons.size(); ++i)
        icons[i]->move(points[i]);
}

// --- closing ------------------------------------------------------------------------------------

void MDIForm1::unloadToolWindows()
{
    for (const char16_t *name : kToolWindows) {
        const QString id = QString::fromUtf16(name);
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w != this && w->objectName() == id && w->isVisible())
                w->close();
    }
}

void MDIForm1::closeEvent(QCloseEvent *event)
{
    unloadToolWindows();
    // Each table window may ask about its changes; a Cancel keeps it, and the frame with it.
    QList<QPointer<QMdiSubWindow>> subs;
    for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::CreationOrder))
        subs.append(sub);
    for (const QPointer<QMdiSubWindow> &sub : subs) {
        if (sub && !sub->close()) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

} // namespace shell
