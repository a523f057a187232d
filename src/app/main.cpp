// The desktop program: splash, main window and login.
#include "app/program_commands.h"
#include "shell/login_dialog.h"
#include "shell/main_frame.h"
#include "shell/main_window.h"
#include "shell/splash_window.h"
#include "base/workspace.h"
#include "ui/prompter_qt.h"
#include "ui/settings_store.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QStandardPaths>

namespace {

void substituteChineseFonts()
{
    // The system's Chinese font names are unknown to fontconfig here.
    const QStringList serif{QStringLiteral("Noto Serif CJK SC"), QStringLiteral("WenQuanYi Zen Hei")};
    const QStringList sans{QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Zen Hei")};
    for (const QString &name : {QStringLiteral("宋体"), QStringLiteral("新宋体"), QStringLiteral("SimSun")})
        QFont::insertSubstitutions(name, serif);
    for (const QString &name : {QStringLiteral("黑体"), QStringLiteral("SimHei")})
        QFont::insertSubstitutions(name, sans);
}

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
    substituteChineseFonts();
    ui::installQtChineseTranslation(app);

    base::Workspace ws(programDirectory());
    ui::SystemSettingsStore settings;
    ui::QtPrompter prompter;

    shell::MDIForm1 main(ws, prompter, settings, programCommands());
    prompter.setOwner(&main);
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
