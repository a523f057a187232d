// scorvane-cli: the command-line companion for batch work and for checking the program from
// outside. Usage: scorvane-cli [--dir DIR] [--user NAME --password PW | --table-password PW] [--yes]
//                 COMMAND ARGS…
// Each command lives in the folder whose logic it runs; this file only reads the options every
// command shares, logs in and dispatches.
#include "cli/cli_support.h"
#include "cli/printer_plugin.h"
#include "cli/user_cli.h"
#include "cli/verbs.h"
#include "core/base/workspace.h"
#include "core/print/fonts.h"
#include "core/shell/main_frame.h"
#include "core/ui/command_table.h"
#include "core/ui/prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

using namespace table::cli;

int usage()
{
    std::fputs(ui::commandLineHelp().toUtf8().constData(), stderr);
    return Usage;
}

QByteArray versionLine(const char *program)
{
    return QByteArray(program) + ' ' + QByteArray::number(SCORVANE_VERSION_MAJOR) + '.' +
           QByteArray::number(SCORVANE_VERSION_MINOR) + '.' + QByteArray::number(SCORVANE_VERSION_PATCH) + '\n';
}

// "help": the overview; "help COMMAND": that command's forms after the shared options.
int help(const QStringList &args)
{
    if (args.size() == 1) {
        std::fputs(ui::commandLineHelp().toUtf8().constData(), stdout);
        return Done;
    }
    const ui::CommandRow *row = args.size() == 2 ? ui::verbRow(args.at(1)) : nullptr;
    if (!row)
        return usage();
    for (const QString &form : ui::verbForms(*row))
        std::fputs(("usage: scorvane-cli [OPTIONS] " + form.toUtf8() + '\n').constData(), stdout);
    std::fputs("OPTIONS: [--dir DIR] [--user NAME --password PW | --table-password PW] [--yes]\n", stdout);
    return Done;
}

// The options every command shares; the rest are the command and its own arguments.
struct Options {
    QString dir;
    QString tablePassword;
    QString user;
    QString password;
    bool hasUser = false;
    bool yes = false;
    QStringList args;
};

bool parseOptions(const QStringList &argv, Options *o)
{
    for (int i = 1; i < argv.size(); ++i) {
        const QString &a = argv[i];
        auto takeValue = [&](QString *into) {
            if (i + 1 >= argv.size())
                return false;
            *into = argv[++i];
            return true;
        };
        if (a == QLatin1String("--")) {
            // The end of the options, the command's own too: after the command's name the rest
            // goes to it behind a "--" of its own.
            QStringList rest = argv.mid(i + 1);
            if (o->args.isEmpty() && !rest.isEmpty())
                o->args << rest.takeFirst();
            if (!o->args.isEmpty())
                o->args << a << rest;
            break;
        }
        if (a == QLatin1String("--dir")) {
            if (!takeValue(&o->dir))
                return false;
        } else if (a == QLatin1String("--table-password")) {
            if (!takeValue(&o->tablePassword))
                return false;
        } else if (a == QLatin1String("--user")) {
            if (!takeValue(&o->user))
                return false;
            o->hasUser = true;
        } else if (a == QLatin1String("--password")) {
            if (!takeValue(&o->password))
                return false;
        } else if (a == QLatin1String("--yes")) {
            o->yes = true;
        } else {
            o->args << a;
        }
    }
    return !o->args.isEmpty();
}

// Commands that lay out pages need fonts and a paint engine, which need the gui application; stats
// lays one out only for --pdf.
bool drawingCommand(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (!std::strcmp(a, "--dir") || !std::strcmp(a, "--table-password") || !std::strcmp(a, "--user") ||
            !std::strcmp(a, "--password"))
            ++i;
        else if (std::strcmp(a, "--yes") && std::strcmp(a, "--")) {
            if (!std::strcmp(a, "stats"))
                return std::any_of(argv + i + 1, argv + argc, [](const char *b) { return !std::strcmp(b, "--pdf"); });
            return !std::strcmp(a, "print") || !std::strcmp(a, "chart") || !std::strcmp(a, "report");
        }
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    // Nothing is shown: without a display the offscreen platform serves.
    const bool draws = drawingCommand(argc, argv);
    if (draws && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app =
        draws ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    if (draws)
        print::substituteChineseFonts();
    Options o;
    if (!parseOptions(QCoreApplication::arguments(), &o))
        return usage();
    if (o.args.first() == QLatin1String("--version")) {
        std::fputs(versionLine("scorvane-cli").constData(), stdout);
        return Done;
    }
    if (o.args.first() == QLatin1String("help") || o.args.first() == QLatin1String("--help"))
        return help(o.args);
    // The same program directory the desktop program uses when none is given.
    QCoreApplication::setOrganizationName(shell::kProgramCaption);
    QCoreApplication::setApplicationName(shell::kProgramCaption);
    const QString dir = o.dir.isEmpty() ? base::defaultProgramDirectory() : QDir(o.dir).absolutePath();
    base::Workspace ws(dir);
    ws.removeStaleWorkingFiles();
    // The printers come from a plugin, loaded only for --printer.
    ws.printers = std::make_shared<print::PluginPrinterSystem>(
        print::printerPluginFolders(QCoreApplication::applicationDirPath()));
    ws.tablePassword = o.tablePassword;
    ui::NonInteractivePrompter prompter(o.yes);
    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    Context ctx{ws, prompter, out};

    const Verb *verb = findVerb(o.args.first());
    if (!verb)
        return usage();
    if (verb->logsIn && o.hasUser && !shell::cliLogin(ws, prompter, o.user, o.password))
        return Failed;
    const int rc = verb->run(ctx, Args(o.args.mid(1)));
    out.flush();
    return rc == Usage ? usage() : rc;
}
