// The desktop program: splash, main window and login.
#include "core/base/workspace.h"
#include "core/print/fonts.h"
#include "core/shell/main_frame.h"
#include "core/ui/settings_store.h"
#include "gui/app/program_commands.h"
#include "gui/print/printer_qt.h"
#include "gui/shell/login_dialog.h"
#include "gui/shell/main_window.h"
#include "gui/shell/splash_window.h"
#include "gui/ui/prompter_qt.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <cstdio>
#include <cstring>

namespace {

// The table named on the command line, absolute and without ".gdt" as table windows name their
// files; empty when there is none.
QString tablePathArgument(const QStringList &arguments)
{
    if (arguments.size() < 2 || arguments.at(1).isEmpty())
        return {};
    QString path = QFileInfo(arguments.at(1)).absoluteFilePath();
    if (path.endsWith(QLatin1String(".gdt"), Qt::CaseInsensitive))
        path.chop(4);
    return path;
}

} // namespace

int main(int argc, char **argv)
{
    // Answered before any window system is needed, as desktop programs do.
    if (argc == 2 && (!std::strcmp(argv[1], "--version") || !std::strcmp(argv[1], "--help"))) {
        if (!std::strcmp(argv[1], "--version"))
            std::printf("scorvane %d.%d.%d\n", SCORVANE_VERSION_MAJOR, SCORVANE_VERSION_MINOR, SCORVANE_VERSION_PATCH);
        else
            std::printf("usage: scorvane [FILE.gdt]\n       scorvane --version\n");
        return 0;
    }
    QApplication app(argc, argv);
    // The installed menu entry's name, by which the desktop pairs the windows with its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.scorvane.Scorvane"));
    QCoreApplication::setOrganizationName(shell::kProgramCaption);
    QCoreApplication::setApplicationName(shell::kProgramCaption);
    print::substituteChineseFonts();
    ui::installQtChineseTranslation(app);
    // Dates and sizes in the system's dialogs read as a Chinese desktop shows them.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));

    base::Workspace ws(base::defaultProgramDirectory());
    ws.printers = std::make_shared<print::QtPrinterSystem>();
    ui::SystemSettingsStore settings;
    ui::QtPrompter prompter;

    shell::MainWindow main(ws, prompter, settings, programCommands(settings));
    prompter.setOwner(&main);
    main.endOnTerminationSignals();
    prompter.setStartFolder(ws.tableDataDir());
    QApplication::setWindowIcon(main.windowIcon());

    const QString tableArgument = tablePathArgument(QCoreApplication::arguments());

    shell::SplashWindow splash(&main);
    QObject::connect(
        &splash, &shell::SplashWindow::loginDue, &main,
        [&] {
            shell::LoginDialog login(ws, prompter, settings, &main);
            if (login.exec() == shell::LoginDialog::QuitProgram) {
                QCoreApplication::exit(0);
                return;
            }
            // Unsaved work of this teacher that a crash left behind comes first.
            main.offerRecovery();
            // A table the desktop handed over (a double-click on a ".gdt" file) opens once a
            // teacher is logged in, since tables open with the user's table password.
            if (!tableArgument.isEmpty())
                main.openTable(tableArgument);
        },
        Qt::QueuedConnection);
    splash.show();
    splash.start();
    return app.exec();
}
