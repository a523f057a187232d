// The desktop program: splash, main window and login.
#include "app/program_commands.h"
#include "base/workspace.h"
#include "print/fonts.h"
#include "print/printer_qt.h"
#include "shell/login_dialog.h"
#include "shell/main_frame.h"
#include "shell/main_window.h"
#include "shell/splash_window.h"
#include "ui/prompter_qt.h"
#include "ui/settings_store.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

namespace {

// The folder of the program, where a school keeps its data; the per-user data folder when the
// program was installed where it may not write.
QString programDirectory()
{
    const QString dir = QCoreApplication::applicationDirPath();
    if (QFileInfo(dir).isWritable())
        return dir;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(shell::kProgramCaption);
    QCoreApplication::setApplicationName(shell::kProgramCaption);
    print::substituteChineseFonts();
    ui::installQtChineseTranslation(app);
    // Dates and sizes in the system's dialogs read as a Chinese desktop shows them.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));

    base::Workspace ws(programDirectory());
    ws.printers = std::make_shared<print::QtPrinterSystem>();
    ui::SystemSettingsStore settings;
    ui::QtPrompter prompter;

    shell::MDIForm1 main(ws, prompter, settings, programCommands(settings));
    prompter.setOwner(&main);
    prompter.setStartFolder(ws.tableDataDir());
    QApplication::setWindowIcon(main.windowIcon());

    shell::frmSlape splash(&main);
    QObject::connect(
        &splash, &shell::frmSlape::loginDue, &main,
        [&] {
            shell::frmLogin login(ws, prompter, settings, &main);
            if (login.exec() == shell::frmLogin::QuitProgram)
                QCoreApplication::exit(0);
        },
        Qt::QueuedConnection);
    splash.show();
    splash.start();
    return app.exec();
}
