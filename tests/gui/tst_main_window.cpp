// The main window as the program shows it: the loading steps, toolbar, status bar and frame menus,
// opening a table file, the menus and window list of the active table window, the window
// arrangements, closing the frame with a changed table, the about box and the splash window.
#include "core/base/workspace.h"
#include "core/table/table_file.h"
#include "core/ui/command_table.h"
#include "core/ui/settings_store.h"
#include "gui/app/program_commands.h"
#include "gui/shell/about_dialog.h"
#include "gui/shell/main_window.h"
#include "gui/shell/splash_window.h"
#include "gui/table/grid_view.h"
#include "gui/table/table_window.h"
#include "scripted_prompter.h"
#include "test_support.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <memory>

using namespace shell;

namespace {
const QString kPassword = QStringLiteral("1A3@secret1");
const QString kSaveQuestion = QStringLiteral("是否保存对%1的更改？");

// The accelerator of a caption ("&&" is a plain "&"), lower case; none when empty.
QString accelerator(const QString &caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&'))
            continue;
        if (caption[i + 1] != QLatin1Char('&'))
            return caption.mid(i + 1, 1).toLower();
        ++i;
    }
    return {};
}

// "menu: entry, entry" for every menu under `root` where two entries share an accelerator.
QStringList sharedAccelerators(const QObject *root)
{
    QStringList shared;
    for (const QMenu *menu : root->findChildren<QMenu *>()) {
        QMultiHash<QString, QString> byKey;
        for (const QAction *a : menu->actions())
            if (!a->isSeparator() && !accelerator(a->text()).isEmpty())
                byKey.insert(accelerator(a->text()), a->text());
        for (const QString &key : byKey.uniqueKeys()) {
            // The captions given with their keys share them with an older entry: 重做(&R) beside
            // 替换(&R) in 编辑, the two Excel entries beside 关闭(&X) in 成绩表. The key then moves
            // between them and Enter runs the one chosen. Any other entry sharing a key is a fault.
            const QStringList entries = byKey.values(key);
            const auto given = [](const QString &caption) {
                for (const char16_t *prefix : {u"重做", u"保存为Excel文件", u"转换Excel表格"})
                    if (caption.startsWith(QStringView(prefix)))
                        return true;
                return false;
            };
            if (std::count_if(entries.begin(), entries.end(), [&](const QString &e) { return !given(e); }) <= 1)
                continue;
            if (byKey.count(key) > 1)
                shared << menu->title() + QStringLiteral(": ") +
                              QStringList(byKey.values(key)).join(QStringLiteral(", "));
        }
    }
    return shared;
}

QStringList menuCaptions(QMenuBar *bar)
{
    QStringList captions;
    for (QAction *a : bar->actions())
        captions << a->text();
    return captions;
}
} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<base::Workspace> m_ws;
    ui::MemorySettingsStore m_settings;
    ScriptedPrompter m_p;
    std::unique_ptr<MainWindow> m_w;

    QString programDir() const { return m_tmp->path() + QStringLiteral("/程序/"); }
    void makeWindow()
    {
        m_ws = std::make_unique<base::Workspace>(programDir());
        m_ws->tablePassword = kPassword;
        m_w = std::make_unique<MainWindow>(*m_ws, m_p, m_settings, programCommands(m_settings));
    }
    void showWindow()
    {
        m_w->resize(1000, 700);
        m_w->show();
        m_w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
    }
    // A table file made with the table API; returns its path with ".gdt".
    QString makeTableFile(const QString &name, const QString &title, const QString &score)
    {
        QDir().mkpath(programDir() + QStringLiteral("表格数据"));
        const QString base = programDir() + QStringLiteral("表格数据/") + name;
        if (!saveOneStudentTable(programDir(), kPassword, base, title, score))
            return {};
        return base + QStringLiteral(".gdt");
    }
    // Reads a table file back; the score of the first student.
    QString scoreInFile(const QString &path)
    {
        return oneStudentScore(programDir(), kPassword, path.left(path.size() - 4));
    }
    table::TableWindow *openThroughMenu(const QString &path)
    {
        m_p.expectOpenFile(path, QStringLiteral("*.gdt"));
        m_w->frameAction(QStringLiteral("menuOpen"))->trigger();
        return m_w->activeTableWindow();
    }
    QAction *button(int n) { return m_w->toolbarButton(n); }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        m_settings.values.clear();
        m_p.clear();
    }
    void cleanup()
    {
        if (m_w) {
            for (table::TableWindow *f : m_w->tableWindows())
                f->document().markSaved(); // no close prompts in teardown
        }
        m_w.reset();
        m_ws.reset();
        VERIFY_PROMPTS(m_p);
    }

    // --- loading ----------------------------------------------------------------------------

    void firstStartCreatesTheDataDirectories()
    {
        makeWindow();
        for (const QString &name :
             {QStringLiteral("标签引用数据"), QStringLiteral("表格模版"), QStringLiteral("表格数据")})
            QVERIFY2(QFileInfo(programDir() + name).isDir(), qPrintable(name));
    }

    void existingDataDirectoriesAreKept()
    {
        QDir().mkpath(programDir() + QStringLiteral("表格数据/初一/一班"));
        QFile f(programDir() + QStringLiteral("表格模版/常用.templet"));
        QDir().mkpath(programDir() + QStringLiteral("表格模版"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("  |姓名|语文");
        f.close();
        makeWindow();
        QVERIFY(QFileInfo(programDir() + QStringLiteral("表格数据/初一/一班")).isDir());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("  |姓名|语文"));
        QVERIFY(QFileInfo(programDir() + QStringLiteral("标签引用数据")).isDir());
    }

    void storedFontIsApplied_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("expectedName");
        QTest::addColumn<double>("expectedSize");
        QTest::newRow("absent") << QStringLiteral("<absent>") << QStringLiteral("<absent>") << QStringLiteral("宋体")
                                << 12.0;
        QTest::newRow("stored") << QStringLiteral("黑体") << QStringLiteral("10.5") << QStringLiteral("黑体") << 10.5;
        QTest::newRow("size of spaces") << QStringLiteral("黑体") << QStringLiteral("   ") << QStringLiteral("黑体")
                                        << 12.0;
        QTest::newRow("name of spaces") << QStringLiteral("  ") << QStringLiteral("16") << QStringLiteral("宋体")
                                        << 16.0;
    }
    void storedFontIsApplied()
    {
        QFETCH(QString, name);
        QFETCH(QString, size);
        QFETCH(QString, expectedName);
        QFETCH(double, expectedSize);
        if (name != QLatin1String("<absent>"))
            m_settings.setValue(QStringLiteral("Font"), QStringLiteral("Name"), name);
        if (size != QLatin1String("<absent>"))
            m_settings.setValue(QStringLiteral("Font"), QStringLiteral("Size"), size);
        makeWindow();
        QCOMPARE(m_ws->tableFontName, expectedName);
        QCOMPARE(m_ws->tableFontSize, expectedSize);
    }

    void captionAndPrintSettings()
    {
        m_ws = std::make_unique<base::Workspace>(programDir());
        m_ws->printCopies = 5;
        m_ws->printDuplex = 3;
        m_w = std::make_unique<MainWindow>(*m_ws, m_p, m_settings, programCommands(m_settings));
        QCOMPARE(m_w->objectName(), QStringLiteral("MDIForm1"));
        QCOMPARE(m_w->windowTitle(), QStringLiteral("ZUN'S 通用Scorvane"));
        QCOMPARE(m_ws->printCopies, 1);
        QCOMPARE(m_ws->printQuality, -3);
        QCOMPARE(m_ws->printLineWidth, 1);
        QCOMPARE(m_ws->printDuplex, 1);
        QVERIFY(m_w->findChild<QMdiArea *>());
        QCOMPARE(m_w->treeView1()->objectName(), QStringLiteral("TreeView1"));
        QCOMPARE(m_w->treeView1()->topLevelItemCount(), 0);
        QCOMPARE(m_w->picture1()->objectName(), QStringLiteral("Picture1"));
    }

    void leftPanelTreeFollowsThePanel()
    {
        makeWindow();
        showWindow();
        QWidget *panel = m_w->picture1();
        QTreeWidget *tree = m_w->treeView1();
        panel->resize(panel->width() + 40, panel->height());
        QTRY_COMPARE(tree->width(), panel->contentsRect().width());
        // Below the hint line, the tree reaches the panel's lower edge.
        QVERIFY(tree->mapTo(panel, QPoint(0, 0)).y() > 0);
        QTRY_COMPARE(tree->mapTo(panel, QPoint(0, tree->height())).y(), panel->contentsRect().bottom() + 1);
    }

    // --- toolbar and status bar ---------------------------------------------------------------

    void toolbarPositions()
    {
        makeWindow();
        QToolBar *bar = m_w->toolbar1();
        QCOMPARE(bar->objectName(), QStringLiteral("Toolbar1"));
        QCOMPARE(bar->actions().size(), 24);
        const QList<int> separators{1, 5, 7, 12, 14, 18, 21, 23};
        for (int n = 1; n <= 24; ++n) {
            QAction *a = bar->actions().at(n - 1);
            QCOMPARE(a->objectName(), QStringLiteral("Toolbar1_%1").arg(n));
            QCOMPARE(a, button(n));
            QCOMPARE(a->isSeparator(), separators.contains(n));
        }
    }

    void toolbarTooltipsAndPictures_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("tooltip");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("2") << 2 << QStringLiteral("新建/编辑学校关系树") << true;
        QTest::newRow("3") << 3 << QStringLiteral("打开") << true;
        QTest::newRow("4") << 4 << QStringLiteral("保存") << false;
        QTest::newRow("6") << 6 << QStringLiteral("撤消") << false;
        QTest::newRow("8") << 8 << QStringLiteral("剪切") << false;
        QTest::newRow("9") << 9 << QStringLiteral("复制") << false;
        QTest::newRow("10") << 10 << QStringLiteral("粘贴") << false;
        QTest::newRow("11") << 11 << QStringLiteral("查找") << false;
        QTest::newRow("13") << 13 << QStringLiteral("打印") << false;
        QTest::newRow("15") << 15 << QStringLiteral("方向键控制") << true;
        QTest::newRow("16") << 16 << QStringLiteral("横向输入") << true;
        QTest::newRow("17") << 17 << QStringLiteral("纵向输入") << true;
        QTest::newRow("19") << 19 << QStringLiteral("升序排列") << false;
        QTest::newRow("20") << 20 << QStringLiteral("降序排列") << false;
        QTest::newRow("22") << 22 << QStringLiteral("成绩表属性") << false;
        QTest::newRow("24") << 24 << QStringLiteral("帮助") << true;
    }
    void toolbarTooltipsAndPictures()
    {
        QFETCH(int, number);
        QFETCH(QString, tooltip);
        QFETCH(bool, enabled);
        QVERIFY2(QImageReader::supportedImageFormats().contains("svg"),
                 "the SVG image plugin (Debian package libqt6svg6) is missing: the toolbar shows no pictures");
        makeWindow();
        QAction *a = button(number);
        QCOMPARE(a->toolTip(), tooltip);
        QVERIFY2(!a->icon().pixmap(24, 24).isNull(), "no picture");
        // With no table window open the table buttons are disabled.
        QCOMPARE(a->isEnabled(), enabled);
    }

    void buttonStatesFollowTheWorkspace()
    {
        makeWindow();
        m_ws->setButtonEnabled(base::ToolButton(11), true);
        QVERIFY(button(11)->isEnabled());
        m_ws->setButtonEnabled(base::ToolButton(11), false);
        QVERIFY(!button(11)->isEnabled());
        m_ws->setButtonEnabled(base::ToolButton(3), false);
        QVERIFY(!button(3)->isEnabled());
    }

    void inputDirectionButtonsMirrorEachOther()
    {
        makeWindow();
        QVERIFY(button(15)->isChecked());
        QVERIFY(button(16)->isChecked());
        QVERIFY(!button(17)->isChecked());

        struct Step {
            int click;
            bool pressed16;
        };
        // Pressing 横向输入 while pressed releases it and presses 纵向输入, and so on.
        const Step steps[] = {{16, false}, {16, true}, {17, false}, {17, true}, {16, false}, {17, true}};
        for (const Step &s : steps) {
            button(s.click)->trigger();
            QCOMPARE(button(16)->isChecked(), s.pressed16);
            QCOMPARE(button(17)->isChecked(), !s.pressed16);
            QCOMPARE(m_ws->horizontalInput(), s.pressed16);
        }
        // The direction set elsewhere shows on the buttons; 方向键控制 is independent of it.
        m_ws->setHorizontalInput(false);
        QVERIFY(!button(16)->isChecked());
        QVERIFY(button(17)->isChecked());
        button(15)->trigger();
        QVERIFY(!button(15)->isChecked());
        QVERIFY(m_ws->verticalInput());
    }

    void statusPanels()
    {
        makeWindow();
        QCOMPARE(m_w->statusBar()->objectName(), QStringLiteral("StatusBar1"));
        QCOMPARE(m_w->statusPanel(1)->text(), QStringLiteral("就绪"));
        QCOMPARE(m_w->statusPanel(2)->text(), QStringLiteral("当前表格：无"));
        QCOMPARE(m_w->statusPanel(3)->text(), QString());
        QCOMPARE(m_w->statusPanel(4)->text(), QString());
        m_ws->setPanelText(4, QStringLiteral("当前用户：张老师"));
        QCOMPARE(m_w->statusPanel(4)->text(), QStringLiteral("当前用户：张老师"));
        m_ws->setPanelText(1, QStringLiteral("正在保存文件..."));
        QCOMPARE(m_w->statusPanel(1)->text(), QStringLiteral("正在保存文件..."));
    }

    void busyPointer()
    {
        makeWindow();
        QVERIFY(!QApplication::overrideCursor());
        m_ws->start(QStringLiteral("文件读取中..."));
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        m_ws->finish();
        QVERIFY(!QApplication::overrideCursor());
    }

    void helpMessage_data()
    {
        QTest::addColumn<bool>("fromToolbar");
        QTest::newRow("toolbar 24") << true;
        QTest::newRow("menuHelpZT") << false;
    }
    void helpMessage()
    {
        QFETCH(bool, fromToolbar);
        makeWindow();
        table::TableWindow *form = fromToolbar ? nullptr : m_w->createTableWindow();
        m_p.expectMessage(QStringLiteral("本软件目前还处于测试阶段。不提供帮助文档。帮助文档将随正式版一同发布。"),
                          QStringLiteral("提示"));
        if (fromToolbar)
            button(24)->trigger();
        else
            form->findChild<QAction *>(QStringLiteral("menuHelpZT"))->trigger();
        QCOMPARE(m_p.shown.size(), 1);
        QCOMPARE(m_p.shown[0].icon, ui::Icon::Information);
    }

    // --- frame menus --------------------------------------------------------------------------

    void frameMenuEntries_data()
    {
        QTest::addColumn<int>("menu");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("menuClass") << 0 << QStringLiteral("menuClass") << QStringLiteral("新建/编辑学校关系树(&C)")
                                   << QString() << true;
        QTest::newRow("menuOpen") << 0 << QStringLiteral("menuOpen") << QStringLiteral("打开(&O)...")
                                  << QStringLiteral("Ctrl+O") << true;
        QTest::newRow("menuCove") << 0 << QStringLiteral("menuCove") << QStringLiteral("转换 试用版 格式数据表(&V)")
                                  << QString() << true;
        QTest::newRow("menuCovCSV") << 0 << QStringLiteral("menuCovCSV")
                                    << QStringLiteral("转换 CSV(逗号分隔符&)文本文件") << QString() << true;
        QTest::newRow("menuFoxExp") << 0 << QStringLiteral("menuFoxExp") << QStringLiteral("转换 &FoxPro 格式表格")
                                    << QString() << true;
        QTest::newRow("menuExit") << 0 << QStringLiteral("menuExit") << QStringLiteral("退出(&X)") << QString() << true;
        QTest::newRow("menuHelpItem") << 1 << QStringLiteral("menuHelpItem") << QStringLiteral("帮助主题         ")
                                      << QStringLiteral("F1") << false;
        QTest::newRow("menuAbout") << 1 << QStringLiteral("menuAbout") << QStringLiteral("关于(&A)...") << QString()
                                   << true;
    }
    void frameMenuEntries()
    {
        QFETCH(int, menu);
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, shortcut);
        QFETCH(bool, enabled);
        makeWindow();
        QAction *a = m_w->frameMenus().at(menu)->findChild<QAction *>(name);
        QVERIFY(a);
        QCOMPARE(a->text(), caption);
        QCOMPARE(a->shortcut().toString(), shortcut);
        QCOMPARE(a->isEnabled(), enabled);
    }

    void frameMenusInOrder()
    {
        makeWindow();
        QCOMPARE(menuCaptions(m_w->menuBar()), (QStringList{QStringLiteral("文件(&F)"), QStringLiteral("帮助(&H)")}));
        QStringList file;
        for (QAction *a : m_w->frameMenus().at(0)->actions())
            file << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
        QCOMPARE(file,
                 (QStringList{QStringLiteral("menuClass"), QStringLiteral("menuOpen"), QStringLiteral("-"),
                              QStringLiteral("menuCove"), QStringLiteral("menuCovCSV"), QStringLiteral("menuFoxExp"),
                              QStringLiteral("menuCovXLSX"), QStringLiteral("-"), QStringLiteral("menuExit")}));
        QStringList help;
        for (QAction *a : m_w->frameMenus().at(1)->actions())
            help << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
        QCOMPARE(help, (QStringList{QStringLiteral("menuHelpItem"), QStringLiteral("-"), QStringLiteral("menuAbout")}));
    }

    void exitWithUnchangedTablesEndsWithoutQuestions()
    {
        makeWindow();
        showWindow();
        int ended = 0;
        m_w->endProgram = [&ended] { ++ended; };
        m_w->createTableWindow();
        m_w->frameAction(QStringLiteral("menuExit"))->trigger();
        QCOMPARE(ended, 1);
        QTRY_VERIFY(m_w->tableWindows().isEmpty());
    }

    // Within each menu of the frame and of a table window (submenus and the right-click menu
    // included) every accelerator leads to one entry.
    void acceleratorsAreUniqueInEveryMenu()
    {
        makeWindow();
        showWindow();
        table::TableWindow *form = m_w->createTableWindow();
        m_w->createTableWindow();
        m_w->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(form->parentWidget()));
        for (QMenu *menu : form->findChildren<QMenu *>())
            emit menu->aboutToShow(); // the lists filled as they show
        QVERIFY(form->findChildren<QMenu *>().size() >= 10);
        QCOMPARE(sharedAccelerators(form), QStringList());
        QCOMPARE(m_w->frameMenus().size(), 2);
        QCOMPARE(sharedAccelerators(m_w.get()), QStringList());
        QCOMPARE(accelerator(QStringLiteral("保存为C&SV文件")), QStringLiteral("s"));
        QCOMPARE(accelerator(QStringLiteral("A&&B(&X)")), QStringLiteral("x"));
    }

    // The command table and what runs it agree: every menu entry and toolbar button of the table
    // runs a command (bar the placeholders its window fills), every command has a row, and every
    // action a window shows comes from a row.
    void everyEntryRunsACommand()
    {
        makeWindow();
        const table::CommandRegistry &commands = m_w->commands();
        QStringList unbound, unreached;
        for (const ui::CommandRow &row : ui::commandTable()) {
            const bool window = row.place != ui::Place::CommandLine;
            if (!window || row.id == ui::CommandId::None || row.placeholder || row.checkable)
                continue;
            if (!commands.find(row.id) && !commands.frame(row.id))
                unbound << QString::fromUtf16(row.name);
        }
        for (int id = 1; id < int(ui::CommandId::Count); ++id)
            if (ui::commandName(ui::CommandId(id)).isEmpty())
                unreached << QString::number(id);
        QCOMPARE(unbound, QStringList());
        QCOMPARE(unreached, QStringList());

        table::TableWindow *form = m_w->createTableWindow();
        QList<QMenu *> menus = form->findChildren<QMenu *>();
        for (QMenu *frameMenu : m_w->frameMenus())
            menus << frameMenu << frameMenu->findChildren<QMenu *>();
        QStringList foreign;
        for (const QMenu *menu : menus)
            for (const QAction *a : menu->actions())
                if (!a->isSeparator() && !a->menu() && a->objectName() != QLatin1String("menuListFrm1") &&
                    ui::commandNamed(a->objectName()) == ui::CommandId::None)
                    foreign << menu->objectName() + QLatin1Char('/') + a->objectName();
        QCOMPARE(foreign, QStringList());
    }

    void aboutBox()
    {
        makeWindow();
        QString caption, title, version, ok;
        QTimer::singleShot(0, this, [&] {
            auto *about = qobject_cast<AboutDialog *>(QApplication::activeModalWidget());
            if (!about) {
                if (QWidget *other = QApplication::activeModalWidget())
                    other->close();
                return;
            }
            caption = about->windowTitle();
            title = about->findChild<QLabel *>(QStringLiteral("lblTitle"))->text();
            version = about->findChild<QLabel *>(QStringLiteral("lblVersion"))->text();
            auto *cmdOK = about->findChild<QPushButton *>(QStringLiteral("cmdOK"));
            ok = cmdOK->text();
            cmdOK->click();
        });
        m_w->frameAction(QStringLiteral("menuAbout"))->trigger();
        QCOMPARE(caption, QStringLiteral("关于 通用Scorvane"));
        QCOMPARE(title, QStringLiteral("ZUN'S 通用Scorvane"));
        QCOMPARE(version, QStringLiteral("版本 %1.%2.%3")
                              .arg(SCORVANE_VERSION_MAJOR)
                              .arg(SCORVANE_VERSION_MINOR)
                              .arg(SCORVANE_VERSION_PATCH));
        QCOMPARE(ok, QStringLiteral("确定"));
        QCOMPARE(AboutDialog::authorMailUrl().scheme(), QStringLiteral("mailto"));
    }

    // --- table windows ------------------------------------------------------------------------

    void openTableThroughTheFileMenu()
    {
        const QString path =
            makeTableFile(QStringLiteral("期中"), QStringLiteral("初一(1)班期中成绩"), QStringLiteral("91"));
        QVERIFY(!path.isEmpty());
        makeWindow();
        showWindow();
        table::TableWindow *form = openThroughMenu(path);
        VERIFY_PROMPTS(m_p);
        QCOMPARE(m_p.shown.at(0).title, QStringLiteral("打开数据文件"));
        QVERIFY(form);
        QCOMPARE(m_w->tableWindows(), QList<table::TableWindow *>{form});
        QVERIFY(form->isVisible());
        QCOMPARE(form->size(), table::TableWindow(*m_ws, m_p, m_w->commands()).size()); // not shrunk to its title bar
        QCOMPARE(form->document().filePath, path.left(path.size() - 4));
        QCOMPARE(form->title(), QStringLiteral("初一(1)班期中成绩"));
        QCOMPARE(form->parentWidget()->windowTitle(), QStringLiteral("初一(1)班期中成绩"));
        QCOMPARE(form->document().grid.TextMatrix(1, 1), QStringLiteral("张三"));
        QCOMPARE(form->document().grid.TextMatrix(1, 2), QStringLiteral("91"));

        // The active table owns the menu bar after the frame's 文件 menu, the current-table panel
        // and the table buttons.
        QStringList captions{QStringLiteral("文件(&F)")};
        for (QMenu *m : form->menus())
            captions << m->title();
        QCOMPARE(menuCaptions(m_w->menuBar()), captions);
        QCOMPARE(m_w->statusPanel(2)->text(), QStringLiteral("当前表格：初一(1)班期中成绩"));
        // A button whose command is not in this build stays disabled, like its menu entry.
        for (int b : {4, 8, 9, 10})
            QVERIFY2(button(b)->isEnabled(), qPrintable(QString::number(b)));
        for (int b : {11, 13, 19, 20, 22})
            QCOMPARE(button(b)->isEnabled(), form->buttonAvailable(base::ToolButton(b)));
        QVERIFY(!button(6)->isEnabled()); // nothing to undo yet

        // Closing the last table brings the frame menus back.
        form->parentWidget()->close();
        QTRY_VERIFY(m_w->tableWindows().isEmpty());
        QCOMPARE(menuCaptions(m_w->menuBar()), (QStringList{QStringLiteral("文件(&F)"), QStringLiteral("帮助(&H)")}));
        QCOMPARE(m_w->statusPanel(2)->text(), QStringLiteral("当前表格：无"));
        QVERIFY(!button(4)->isEnabled());
    }

    void openFromToolbarCancelled()
    {
        makeWindow();
        m_p.expectOpenFile(QString(), QStringLiteral("*.gdt"));
        button(3)->trigger();
        QVERIFY(m_w->tableWindows().isEmpty());
    }

    void unreadableTableClosesItsWindow()
    {
        QFile bad(programDir() + QStringLiteral("坏.gdt"));
        QDir().mkpath(programDir());
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not an archive");
        bad.close();
        makeWindow();
        showWindow();
        m_p.expectOpenFile(bad.fileName());
        m_p.expectMessage(); // the table part's own failure message
        m_w->frameAction(QStringLiteral("menuOpen"))->trigger();
        QTRY_VERIFY(m_w->tableWindows().isEmpty());
        QTRY_VERIFY(m_w->mdiArea()->subWindowList().isEmpty());
        QCOMPARE(m_w->statusPanel(2)->text(), QStringLiteral("当前表格：无"));
    }

    void windowListNamesEveryTableAndMarksTheOwner()
    {
        makeWindow();
        showWindow();
        table::TableWindow *a = m_w->createTableWindow();
        a->setTitle(QStringLiteral("一班"));
        table::TableWindow *b = m_w->createTableWindow();
        b->setTitle(QStringLiteral("二班"));
        table::TableWindow *c = m_w->createTableWindow();
        c->setTitle(QStringLiteral("三班"));
        QCOMPARE(m_w->activeTableWindow(), c);

        auto *windowMenu = b->findChild<QMenu *>(QStringLiteral("menuWindow"));
        emit windowMenu->aboutToShow();
        auto *list = b->findChild<QMenu *>(QStringLiteral("menuSelWindow"));
        QStringList captions;
        QList<bool> checked;
        for (QAction *e : list->actions()) {
            QCOMPARE(e->objectName(), QStringLiteral("menuListFrm1"));
            captions << e->text();
            checked << e->isChecked();
        }
        QCOMPARE(captions, (QStringList{QStringLiteral("一班"), QStringLiteral("二班"), QStringLiteral("三班")}));
        QCOMPARE(checked, (QList<bool>{false, true, false}));

        // Choosing an entry activates that table: its menus, its title in panel 2.
        list->actions().at(0)->trigger();
        QCOMPARE(m_w->activeTableWindow(), a);
        QCOMPARE(m_w->statusPanel(2)->text(), QStringLiteral("当前表格：一班"));
        QCOMPARE(m_w->menuBar()->actions().at(1), a->menus().first()->menuAction());

        // A closed table leaves the list.
        b->document().markSaved();
        b->parentWidget()->close();
        QTRY_COMPARE(m_w->tableWindows().size(), 2);
        emit c->findChild<QMenu *>(QStringLiteral("menuWindow"))->aboutToShow();
        captions.clear();
        for (QAction *e : c->findChild<QMenu *>(QStringLiteral("menuSelWindow"))->actions())
            captions << e->text();
        QCOMPARE(captions, (QStringList{QStringLiteral("一班"), QStringLiteral("三班")}));
    }

    void toolbarActsOnTheActiveTable()
    {
        const QString path = makeTableFile(QStringLiteral("期末"), QStringLiteral("期末"), QStringLiteral("70"));
        makeWindow();
        showWindow();
        table::TableWindow *form = openThroughMenu(path);
        QVERIFY(form);
        form->document().grid.setTextMatrix(1, 2, QStringLiteral("88"));
        m_p.expectQuestion(QStringLiteral("确实覆盖原有数据么？"), ui::Answer::Yes, QStringLiteral("提示："));
        button(4)->trigger();
        VERIFY_PROMPTS(m_p);
        QCOMPARE(scoreInFile(path), QStringLiteral("88"));
    }

    void shortcutsReachOnlyTheActiveTable()
    {
        const QString first = makeTableFile(QStringLiteral("甲"), QStringLiteral("甲表"), QStringLiteral("70"));
        const QString second = makeTableFile(QStringLiteral("乙"), QStringLiteral("乙表"), QStringLiteral("80"));
        makeWindow();
        showWindow();
        openThroughMenu(first);
        table::TableWindow *active = openThroughMenu(second);
        QVERIFY(active);
        active->gridView()->setFocus();
        active->document().grid.setTextMatrix(1, 2, QStringLiteral("81"));
        m_p.expectQuestion(QStringLiteral("确实覆盖原有数据么？"), ui::Answer::Yes, QStringLiteral("提示："));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
        VERIFY_PROMPTS(m_p);
        QCOMPARE(scoreInFile(second), QStringLiteral("81"));
        QCOMPARE(scoreInFile(first), QStringLiteral("70"));
    }

    // Opening a table that is open shows its window; typing right after opening reaches the grid;
    // beside a maximised window a new one opens maximised, and restored it is a real window.
    void openingAsATeacherDoes()
    {
        const QString path = makeTableFile(QStringLiteral("甲"), QStringLiteral("甲表"), QStringLiteral("70"));
        const QString other = makeTableFile(QStringLiteral("乙"), QStringLiteral("乙表"), QStringLiteral("80"));
        makeWindow();
        showWindow();
        table::TableWindow *first = openThroughMenu(path);
        QTRY_COMPARE(QApplication::focusWidget(), first->gridView());
        auto *sub = qobject_cast<QMdiSubWindow *>(first->parentWidget());
        sub->showMaximized();
        table::TableWindow *second = openThroughMenu(other);
        QVERIFY(second != first);
        auto *secondSub = qobject_cast<QMdiSubWindow *>(second->parentWidget());
        QVERIFY(secondSub->isMaximized());
        secondSub->showNormal();
        QVERIFY(secondSub->height() >= second->minimumSizeHint().height());
        QVERIFY(m_w->mdiArea()->viewport()->rect().contains(secondSub->geometry()));
        QCOMPARE(openThroughMenu(path), first);
        QCOMPARE(m_w->tableWindows().size(), 2);
        VERIFY_PROMPTS(m_p);
    }

    void toolbarSaveOfANewTableAsksForAPath()
    {
        makeWindow();
        showWindow();
        table::TableWindow *form = m_w->createTableWindow();
        QVERIFY(form->document().filePath.isEmpty());
        m_p.expectSaveFile(QString(), QStringLiteral("*.gdt"));
        button(4)->trigger();
        VERIFY_PROMPTS(m_p);
        QVERIFY(form->document().filePath.isEmpty());
        QCOMPARE(QDir(programDir() + QStringLiteral("表格数据")).entryList(QDir::Files), QStringList());
    }

    void arrangements()
    {
        makeWindow();
        showWindow();
        for (int i = 0; i < 3; ++i)
            m_w->createTableWindow();
        const QSize area = m_w->mdiArea()->viewport()->size();
        table::TableWindow *form = m_w->activeTableWindow();

        form->findChild<QAction *>(QStringLiteral("menuZXPP"))->trigger();
        QList<QMdiSubWindow *> subs = m_w->mdiArea()->subWindowList();
        int height = 0;
        for (QMdiSubWindow *s : subs) {
            QCOMPARE(s->x(), 0);
            QCOMPARE(s->width(), area.width());
            height += s->height();
        }
        QCOMPARE(height, area.height());

        form->findChild<QAction *>(QStringLiteral("menuHXPP"))->trigger();
        int width = 0;
        for (QMdiSubWindow *s : subs) {
            QCOMPARE(s->y(), 0);
            QCOMPARE(s->height(), area.height());
            width += s->width();
        }
        QCOMPARE(width, area.width());

        // Icons of minimised tables go to the bottom edge, side by side.
        subs[0]->showMinimized();
        subs[1]->showMinimized();
        subs[0]->move(300, 50);
        form->findChild<QAction *>(QStringLiteral("menuPL"))->trigger();
        QCOMPARE(subs[0]->geometry().bottom() + 1, area.height());
        QCOMPARE(subs[1]->geometry().bottom() + 1, area.height());
        QCOMPARE(subs[0]->x(), 0);
        QCOMPARE(subs[1]->x(), subs[0]->width());

        for (QMdiSubWindow *s : subs)
            s->showNormal();
        form->findChild<QAction *>(QStringLiteral("menuCD"))->trigger();
        QVERIFY(subs[0]->pos() != subs[1]->pos());
        QVERIFY(subs[1]->pos() != subs[2]->pos());
        QVERIFY(subs[0]->pos() != subs[2]->pos());
    }

    // --- closing the frame --------------------------------------------------------------------

    void closingAsksAboutAChangedTable_data()
    {
        QTest::addColumn<bool>("throughExit");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QString>("scoreAfter");
        QTest::newRow("Yes saves") << false << int(ui::Answer::Yes) << true << QStringLiteral("99");
        QTest::newRow("No discards") << false << int(ui::Answer::No) << true << QStringLiteral("60");
        QTest::newRow("Cancel keeps the frame") << false << int(ui::Answer::Cancel) << false << QStringLiteral("60");
        // 文件 → 退出 closes as the close box does.
        QTest::newRow("退出: Yes saves") << true << int(ui::Answer::Yes) << true << QStringLiteral("99");
        QTest::newRow("退出: No discards") << true << int(ui::Answer::No) << true << QStringLiteral("60");
        QTest::newRow("退出: Cancel keeps running") << true << int(ui::Answer::Cancel) << false << QStringLiteral("60");
    }
    void closingAsksAboutAChangedTable()
    {
        QFETCH(bool, throughExit);
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(QString, scoreAfter);
        const QString path = makeTableFile(QStringLiteral("月考"), QStringLiteral("三月月考"), QStringLiteral("60"));
        const QString unchanged = makeTableFile(QStringLiteral("周测"), QStringLiteral("周测"), QStringLiteral("50"));
        makeWindow();
        showWindow();
        table::TableWindow *form = openThroughMenu(path);
        table::TableWindow *quiet = openThroughMenu(unchanged);
        QVERIFY(quiet && form);
        form->document().grid.setTextMatrix(1, 2, QStringLiteral("99"));
        form->document().markChanged();
        // The question comes with its table in front and named in the status bar.
        QStringList statusWhileAsked;
        m_p.whileAsking = [&] { statusWhileAsked << m_ws->panelText(2); };

        // Only the changed table asks.
        m_p.expectQuestion(kSaveQuestion.arg(QStringLiteral("三月月考")), ui::Answer(answer), QStringLiteral("提示："));
        if (ui::Answer(answer) == ui::Answer::Yes)
            m_p.expectQuestion(QStringLiteral("确实覆盖原有数据么？"), ui::Answer::Yes, QStringLiteral("提示："));
        int ended = 0;
        m_w->endProgram = [&ended] { ++ended; };
        if (throughExit)
            m_w->frameAction(QStringLiteral("menuExit"))->trigger();
        else
            QCOMPARE(m_w->close(), closed);
        QCOMPARE(ended, throughExit && closed ? 1 : 0);
        VERIFY_PROMPTS(m_p);
        QCOMPARE(m_p.shown.at(m_p.shown.size() - (ui::Answer(answer) == ui::Answer::Yes ? 2 : 1)).buttons,
                 ui::Buttons::YesNoCancel);
        m_p.whileAsking = nullptr;
        QCOMPARE(statusWhileAsked.value(0), QStringLiteral("当前表格：三月月考"));
        QCOMPARE(scoreInFile(path), scoreAfter);
        if (closed) {
            QTRY_VERIFY(m_w->tableWindows().isEmpty());
            QVERIFY(!m_w->isVisible());
        } else {
            QVERIFY(m_w->isVisible());
            // Cancel stops at the first question: the table behind it stays open too.
            QCOMPARE(m_w->tableWindows().size(), 2);
            QVERIFY(m_w->tableWindows().contains(form));
            QCOMPARE(m_ws->panelText(2), QStringLiteral("当前表格：三月月考"));
        }
    }

    // --- splash -------------------------------------------------------------------------------

    void splashTexts()
    {
        makeWindow();
        SplashWindow splash(m_w.get());
        QVERIFY(splash.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
        QStringList texts;
        for (QLabel *l : splash.findChildren<QLabel *>())
            texts << l->text();
        QVERIFY(texts.contains(QStringLiteral("ZUN'S")));
        QVERIFY(texts.contains(QStringLiteral("     快捷的输入，轻松的成绩分析，清晰的班级分类……让成绩统计更轻松。")));
        QVERIFY(texts.contains(QStringLiteral("For Linux")));
        QVERIFY(texts.contains(QStringLiteral("V %1.%2.%3")
                                   .arg(SCORVANE_VERSION_MAJOR)
                                   .arg(SCORVANE_VERSION_MINOR)
                                   .arg(SCORVANE_VERSION_PATCH, 4, 10, QLatin1Char('0'))));
        QVERIFY(!splash.findChild<QLabel *>(QStringLiteral("Image1"))->pixmap().isNull());
    }

    void splashSequence()
    {
        makeWindow();
        SplashWindow splash(m_w.get());
        splash.show();
        QSignalSpy loginDue(&splash, &SplashWindow::loginDue);
        auto *label5 = splash.findChild<QLabel *>(QStringLiteral("Label5"));
        QCOMPARE(splash.timer1().interval(), 1);
        QCOMPARE(splash.timer2().interval(), 1500);

        // The ticks are driven by hand: each grows Label5 by 200 twips (13 pixels at 96 dpi).
        const int ticks = (splash.width() * 15 + 199) / 200;
        for (int i = 1; i < ticks; ++i) {
            splash.advanceProgress();
            QVERIFY(!m_w->isVisible());
        }
        QVERIFY(label5->width() < splash.width());
        splash.advanceProgress();
        QVERIFY(label5->width() >= splash.width());
        QVERIFY(m_w->isVisible());
        QVERIFY(!m_w->isEnabled());
        QCOMPARE(label5->text(), QStringLiteral("启动完成,正在加载组件..."));
        QVERIFY(!splash.timer1().isActive());
        QVERIFY(splash.timer2().isActive());
        QCOMPARE(loginDue.count(), 0);

        splash.finishSplash();
        QVERIFY(!splash.isVisible());
        QVERIFY(!splash.timer2().isActive());
        QVERIFY(m_w->isVisible());
        QVERIFY(m_w->isEnabled());
        QCOMPARE(loginDue.count(), 1);
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
