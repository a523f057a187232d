#include "gui/shell/main_window.h"

#include "core/base/module1.h"
#include "core/base/workspace.h"
#include "core/shell/main_frame.h"
#include "core/table/recovery.h"
#include "core/table/table_file.h"
#include "core/table/table_lock.h"
#include "core/ui/prompter.h"
#include "core/ui/settings_store.h"
#include "gui/shell/about_dialog.h"
#include "gui/shell/school_tree_view.h"
#include "gui/table/grid_view.h"
#include "gui/table/table_window.h"
#include "gui/ui/menu_builder_qt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDockWidget>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

// The pictures live in the gui library's resources, which a static link drops unless referenced.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace shell {

namespace {

// The tool windows closed before the frame, in this order.
constexpr const char16_t *kToolWindows[] = {
    u"Form2",       u"frmAbout",    u"frmChang",       u"frmClass",  u"frmClassInfo", u"frmDataFormat",
    u"frmExpTable", u"frmFind",     u"frmFindResults", u"frmHeiWei", u"frmImport",    u"frmPrintSetup",
    u"frmSlape",    u"frm公式编辑", u"frm公式说明",    u"frm排序",   u"frm图表",      u"frm项目管理",
};

table::TableWindow *formOf(QMdiSubWindow *sub)
{
    return sub ? qobject_cast<table::TableWindow *>(sub->widget()) : nullptr;
}

} // namespace

MainWindow::MainWindow(base::Workspace &ws, ui::Prompter &prompter, ui::SettingsStore &settings,
                       table::CommandRegistry commands, QWidget *parent)
    : QMainWindow(parent), m_ws(ws), m_prompter(prompter), m_settings(settings), m_commands(std::move(commands))
{
    initResources();
    setObjectName(QStringLiteral("MDIForm1"));
    endProgram = [] { QCoreApplication::exit(0); };
    registerFrameCommands();

    buildMenus();
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MDIClient"));
    // Windows that reach past the area can be scrolled to.
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    buildToolbar();
    buildStatusBar();
    buildLeftPanel();
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &MainWindow::subWindowActivated);

    // Loading, before the window is first shown.
    m_ws.createDataDirectories();
    AddDot();
    applyFontSettings(m_ws, m_settings);
    applyViewSettings(m_ws, m_settings);
    m_ws.setAutoRecoverSeconds(table::autoRecoverSeconds(m_settings));
    setWindowTitle(kProgramCaption);
    setWindowIcon(QIcon(QStringLiteral(":/icons/app.svg")));
    resetProgramState(m_ws);
    mirrorWorkspace();

    resize(1024, 720);
}

MainWindow::~MainWindow()
{
    setBusyPointer(false);
    // The child widgets are destroyed after this body: table windows that still report to the
    // workspace or the MDI area then must not reach this half-destroyed window.
    disconnect(m_mdi, nullptr, this, nullptr);
    disconnect(&m_ws, nullptr, this, nullptr);
    menuBar()->clear();
}

QTreeWidget *MainWindow::treeView1() const
{
    return m_school->treeView1();
}

void MainWindow::AddDot()
{
    m_school->AddDot();
}

// --- building -----------------------------------------------------------------------------------

void MainWindow::buildMenus()
{
    // 文件(&F) and 帮助(&H). An entry runs the frame command of its name; one without is disabled
    // (the help topic always is).
    m_frameMenus << ui::buildMenu(this, ui::Place::MainFile, false) << ui::buildMenu(this, ui::Place::MainHelp, false);
    for (QMenu *menu : m_frameMenus)
        for (QAction *a : menu->actions()) {
            const QString name = a->objectName();
            if (name.isEmpty())
                continue;
            a->setEnabled(m_commands.frame(name) != nullptr);
            connect(a, &QAction::triggered, this, [this, id = ui::commandNamed(name)] { runFrameCommand(id); });
        }
    showMenusOf(nullptr);
}

void MainWindow::registerFrameCommands()
{
    using Id = ui::CommandId;
    auto add = [this](Id id, void (MainWindow::*slot)()) {
        m_commands.addFrame(id, [this, slot](table::FrameContext &) { (this->*slot)(); });
    };
    add(Id::Open, &MainWindow::openTable);
    add(Id::Exit, &MainWindow::exitProgram);
    add(Id::About, &MainWindow::showAbout);
    add(Id::HelpTopics, &MainWindow::showHelpTopics);
    add(Id::Cascade, &MainWindow::cascadeWindows);
    add(Id::TileVertically, &MainWindow::tileVertically);
    add(Id::TileHorizontally, &MainWindow::tileHorizontally);
    add(Id::ArrangeIcons, &MainWindow::arrangeMinimizedWindows);
    m_commands.addFrame(Id::Options,
                        [this](table::FrameContext &) { table::askAutoRecoverMinutes(m_ws, m_prompter, m_settings); });
    m_commands.addFrame(Id::EditSchoolTree, [this](table::FrameContext &) { m_school->editSchoolTree(); });
    // The school tree's menu for the selected node, as a right click on it shows.
    m_commands.addFrame(Id::SchoolTreeMenu,
                        [this](table::FrameContext &) { m_school->showMenu(QCursor::pos(), true); });
}

void MainWindow::runFrameCommand(ui::CommandId id)
{
    if (const table::FrameCommand *command = m_commands.frame(id)) {
        table::FrameContext ctx{m_ws, m_prompter, this, this, m_school ? m_school->selectedKey() : QString()};
        (*command)(ctx);
    }
}

QAction *MainWindow::frameAction(const QString &objectName) const
{
    for (QMenu *menu : m_frameMenus)
        if (auto *a = menu->findChild<QAction *>(objectName))
            return a;
    return nullptr;
}

void MainWindow::buildToolbar()
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
            const auto button = static_cast<base::ToolButton>(b.number);
            if (b.checkable)
                connect(a, &QAction::toggled, this, [this, button](bool pressed) {
                    if (button == base::ToolButton::Horizontal || button == base::ToolButton::Vertical)
                        m_ws.setHorizontalInput(horizontalInputAfterToggle(button, pressed));
                });
            else
                connect(a, &QAction::triggered, this, [this, button] { onToolbarButton(button); });
        }
        m_toolbar->addAction(a);
        m_buttons.append(a);
    }
}

QAction *MainWindow::toolbarButton(int number) const
{
    return number >= 1 && number <= m_buttons.size() ? m_buttons[number - 1] : nullptr;
}

void MainWindow::buildStatusBar()
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

QLabel *MainWindow::statusPanel(int panel) const
{
    return panel >= 1 && panel <= m_panels.size() ? m_panels[panel - 1] : nullptr;
}

void MainWindow::buildLeftPanel()
{
    auto *dock = new QDockWidget(this);
    dock->setObjectName(QStringLiteral("Picture1Dock"));
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    dock->setTitleBarWidget(new QWidget(dock));
    dock->setAllowedAreas(Qt::LeftDockWidgetArea);

    m_picture1 = new QWidget(dock);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setMinimumSize(120, 60);
    SchoolTreeHost host;
    host.openTable = [this](const QString &path) { openTable(path); };
    host.newTableWindow = [this] { return createTableWindow(); };
    host.runCommand = [this](ui::CommandId id) { runFrameCommand(id); };
    // The wizard's steps are the table window's own property dialogs, run on the new table.
    host.wizardDialog = [](WizardDialog step, table::TableWindow &form) {
        form.execute(step == WizardDialog::ClassInfo    ? ui::CommandId::ClassSetup
                     : step == WizardDialog::DataFormat ? ui::CommandId::DataFormat
                                                        : ui::CommandId::FieldManager);
    };
    m_school = new SchoolTreePanel(m_ws, m_prompter, std::move(host), m_picture1);
    auto *fill = new QVBoxLayout(m_picture1);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(m_school);
    dock->setWidget(m_picture1);
    addDockWidget(Qt::LeftDockWidgetArea, dock);
    resizeDocks({dock}, {220}, Qt::Horizontal);
}

void MainWindow::mirrorWorkspace()
{
    for (int panel = 1; panel <= 4; ++panel)
        m_panels[panel - 1]->setText(m_ws.panelText(panel));
    connect(&m_ws, &base::Workspace::panelChanged, this, [this](int panel, const QString &text) {
        if (QLabel *label = statusPanel(panel))
            label->setText(text);
    });

    for (int n = 1; n <= 24; ++n)
        if (!m_buttons[n - 1]->isSeparator())
            m_buttons[n - 1]->setEnabled(m_ws.buttonEnabled(static_cast<base::ToolButton>(n)));
    connect(&m_ws, &base::Workspace::buttonEnabledChanged, this, [this](base::ToolButton button, bool enabled) {
        if (QAction *a = toolbarButton(int(button)))
            a->setEnabled(enabled);
    });

    auto showDirection = [this](bool horizontal) {
        QAction *h = toolbarButton(int(base::ToolButton::Horizontal));
        QAction *v = toolbarButton(int(base::ToolButton::Vertical));
        const QSignalBlocker bh(h), bv(v);
        h->setChecked(horizontal);
        v->setChecked(!horizontal);
    };
    showDirection(m_ws.horizontalInput());
    connect(&m_ws, &base::Workspace::inputDirectionChanged, this, showDirection);

    setBusyPointer(m_ws.busy());
    connect(&m_ws, &base::Workspace::busyChanged, this, &MainWindow::setBusyPointer);
}

void MainWindow::setBusyPointer(bool busy)
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

QList<table::TableWindow *> MainWindow::tableWindows() const
{
    QList<table::TableWindow *> forms;
    for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (table::TableWindow *form = formOf(sub))
            forms.append(form);
    return forms;
}

table::TableWindow *MainWindow::activeTableWindow() const
{
    // The current child stays current while another top-level window (a dialog) has the focus.
    return formOf(m_mdi->currentSubWindow());
}

table::TableWindow *MainWindow::createTableWindow()
{
    auto *form = new table::TableWindow(m_ws, m_prompter, m_commands);
    form->setTableWindows(this);
    // A new window opens maximised when the active one is, otherwise at its own size, fully in view;
    // either way its normal size is a usable one, so 还原 gives a real window.
    QMdiSubWindow *active = m_mdi->activeSubWindow();
    const bool maximized = active && active->isMaximized();
    QMdiSubWindow *sub = m_mdi->addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    // The current table can go while the frame is not the active window (its close question was in
    // front), when the area tells nobody; what the area has active then becomes current.
    connect(form, &QObject::destroyed, &m_tableWatch, [this] {
        // After the window and its frame are gone for good.
        QTimer::singleShot(0, &m_tableWatch, [this] {
            if (!m_active)
                currentTableGone();
        });
    });
    if (auto *windowMenu = form->findChild<QMenu *>(QStringLiteral("menuWindow")))
        connect(windowMenu, &QMenu::aboutToShow, form, [this, form] { fillWindowList(form); });
    const QSize frame = sub->size() - sub->contentsRect().size();
    sub->setMinimumSize(form->minimumSizeHint() + frame);
    sub->resize(form->sizeHint() + frame);
    if (maximized) {
        sub->showMaximized();
    } else {
        sub->show();
        keepInView(sub);
    }
    m_mdi->setActiveSubWindow(sub);
    return form;
}

void MainWindow::currentTableGone()
{
    table::TableWindow *next = formOf(m_mdi->activeSubWindow());
    m_active = next;
    if (next) {
        fillWindowList(next);
        next->activated();
    }
    showMenusOf(next);
}

void MainWindow::subWindowActivated(QMdiSubWindow *sub)
{
    table::TableWindow *form = formOf(sub);
    if (form == m_active)
        return;
    // The area reports no active window while the frame is not the active window (a question or
    // dialog in front, another program); the table is still the current one.
    if (!form && m_active && (!isActiveWindow() || QApplication::activeModalWidget())) {
        const QList<QMdiSubWindow *> open = m_mdi->subWindowList();
        if (std::any_of(open.begin(), open.end(), [this](QMdiSubWindow *s) { return formOf(s) == m_active; }))
            return;
    }
    if (m_active)
        m_active->deactivated();
    m_active = form;
    if (form) {
        fillWindowList(form);
        form->activated();
    }
    showMenusOf(form);
}

void MainWindow::showMenusOf(table::TableWindow *form)
{
    // The table's menus follow the frame's 文件 menu, so 打开 and 退出 stay at hand.
    QMenuBar *bar = menuBar();
    bar->clear();
    bar->addMenu(m_frameMenus.first());
    if (form) {
        for (QMenu *menu : form->menus())
            bar->addMenu(menu);
    } else {
        for (QMenu *menu : m_frameMenus.mid(1))
            bar->addMenu(menu);
    }
}

void MainWindow::openTableFile()
{
    const QString path = ui::ShowOpenDialog(m_prompter, QStringLiteral("*.gdt"), QStringLiteral("打开数据文件"));
    if (!path.isEmpty())
        openTable(table::tableNameFromPath(path));
}

table::TableWindow *MainWindow::windowOf(const QString &tablePath) const
{
    const QString wanted = QFileInfo(tablePath + QStringLiteral(".gdt")).absoluteFilePath();
    for (table::TableWindow *f : tableWindows()) {
        const QString open = f->document().filePath;
        if (!open.isEmpty() && QFileInfo(open + QStringLiteral(".gdt")).absoluteFilePath() == wanted)
            return f;
    }
    return nullptr;
}

void MainWindow::openTable(const QString &tablePath)
{
    // Two windows on one file would overwrite each other's edits: the open one is shown instead.
    if (table::TableWindow *open = windowOf(tablePath)) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(open->parentWidget())) {
            sub->showNormal();
            m_mdi->setActiveSubWindow(sub);
        }
        return;
    }
    // Another teacher or program that has it open is asked about before anything is read.
    const table::OpenMode mode = table::askHowToOpen(m_prompter, tablePath);
    if (mode == table::OpenMode::Cancelled)
        return;
    table::TableWindow *form = createTableWindow();
    form->document().filePath = tablePath;
    // A table that cannot be loaded closes its window itself.
    if (!form->load(form->document().filePath, true))
        return;
    if (mode == table::OpenMode::ReadOnly)
        form->setReadOnly();
    else
        form->holdLock();
}

namespace {

// The signal handler only writes a byte; the event loop (the main one or a dialog's) does the rest.
int g_terminationPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_terminationPipe[1], &byte, 1);
}

} // namespace

void MainWindow::endOnTerminationSignals()
{
    if (g_terminationPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_terminationPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_terminationPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &MainWindow::keepWorkAndEnd);
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

void MainWindow::keepWorkAndEnd()
{
    for (table::TableWindow *form : tableWindows())
        form->keepForRecovery();
    // Nothing else is half-done: commands run on this thread, and the copies are written. Closing
    // the windows would ask about their changes, and their ends would remove the copies.
    std::fflush(nullptr);
    std::_Exit(0);
}

void MainWindow::offerRecovery()
{
    QList<table::RecoveryEntry> restore;
    if (table::offerRecovery(m_ws, m_prompter, &restore) != table::RecoveryChoice::Restore)
        return;
    for (const table::RecoveryEntry &entry : restore) {
        // The table may be open elsewhere by now: asked as any opening is.
        const table::OpenMode mode =
            entry.tablePath.isEmpty() ? table::OpenMode::Normal : table::askHowToOpen(m_prompter, entry.tablePath);
        if (mode == table::OpenMode::Cancelled)
            continue;
        table::TableWindow *form = createTableWindow();
        if (!form->restore(entry)) {
            // A copy that cannot be read would be offered at every start.
            table::discardRecoveryCopy(m_ws, entry.id);
            continue;
        }
        if (mode == table::OpenMode::ReadOnly)
            form->setReadOnly();
        else if (!entry.tablePath.isEmpty())
            form->holdLock();
    }
}

// --- commands -----------------------------------------------------------------------------------

void MainWindow::openTable()
{
    openTableFile();
}

void MainWindow::exitProgram()
{
    // As the title bar's close box: every changed table asks first, and a Cancel keeps running.
    if (!close())
        return;
    if (endProgram)
        endProgram();
}

void MainWindow::showAbout()
{
    AboutDialog about(this);
    about.exec();
}

void MainWindow::showHelpTopics()
{
    m_prompter.message(kHelpMessage, QStringLiteral("提示"), ui::Icon::Information);
}

void MainWindow::onToolbarButton(base::ToolButton button)
{
    // A button runs its command on the active table, or the main window's own when it has one.
    if (table::TableWindow *form = activeTableWindow(); form && form->executeButton(button))
        return;
    if (const ui::CommandRow *row = ui::buttonRow(button))
        runFrameCommand(row->id);
}

// --- closing ------------------------------------------------------------------------------------

void MainWindow::unloadToolWindows()
{
    for (const char16_t *name : kToolWindows) {
        const QString id = QString::fromUtf16(name);
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w != this && w->objectName() == id && w->isVisible())
                w->close();
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
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
