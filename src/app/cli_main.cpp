// scorvane-cli: the command-line companion for batch work and for checking the program from
// outside. Usage: scorvane-cli [--dir DIR] [--user NAME --password PW | --table-password PW] [--yes]
//                 COMMAND ARGS…
// Each command lives in the folder whose logic it runs; this file only reads the options every
// command shares, logs in and dispatches.
#include "cli/cli_support.h"
#include "cli/exchange_cli.h"
#include "cli/field_cli.h"
#include "cli/find_cli.h"
#include "cli/formula_cli.h"
#include "cli/print_cli.h"
#include "cli/printer_plugin.h"
#include "cli/school_cli.h"
#include "cli/sort_cli.h"
#include "cli/user_cli.h"
#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/formula/cell_formula.h"
#include "core/print/fonts.h"
#include "core/shell/main_frame.h"
#include "core/table/table_file.h"
#include "core/ui/prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

using namespace table::cli;

const char *const kUsage =
    "usage: scorvane-cli [--dir DIR] [--user NAME --password PW | --table-password PW] [--yes] COMMAND ARGS...\n"
    "FIELD is a column number or a field name; table-changing commands write in place unless --out OUT.gdt.\n"
    "After \"--\" every argument is an operand, also one that begins with \"-\".\n"
    "commands:\n"
    "  help [COMMAND] | --version\n"
    "  show FILE.gdt | save-as IN.gdt OUT.gdt [--unprotected] | calc EXPR\n"
    "  user add NAME PW | user passwd NAME OLD NEW | user list\n"
    "  template list | template save FILE.gdt NAME | template apply FILE.gdt NAME [--out OUT.gdt]\n"
    "  field insert FILE.gdt AT NAME | field remove FILE.gdt FIELD | field rename FILE.gdt FIELD NAME\n"
    "  set-props FILE.gdt [--title T] [--teacher X] [--class-info Y] [--class-size N] [--decimals N [--pad]]\n"
    "  formula FILE.gdt OP R1,C1 R2,C2 --at R,C\n"
    "  school show | school tables PATH [--proposed]\n"
    "  new-table PATH NAME [--title T] [--class-size N] [--teacher X] [--class-info Y] [--decimals N [--pad]]\n"
    "        [--template NAME]\n"
    "  find FILE.gdt TEXT [--contains] | replace FILE.gdt FROM TO [--whole] [--out OUT.gdt]\n"
    "  sort FILE.gdt FIELD [--desc] [--rank-into FIELD [--ties shared]] [--out OUT.gdt]\n"
    "  export-csv FILE.gdt OUT.csv | import-column FILE.gdt FIELD IN.csv [--out OUT.gdt]\n"
    "  import-table FILE.gdt SOURCE.gdt [--out OUT.gdt]\n"
    "  fill-column FILE.gdt FIELD SOURCE.gdt SFIELD [--match KEY SKEY] [--out OUT.gdt]\n"
    "  export-part FILE.gdt OUT.gdt --fields F[,F...] [--rows N[-M][,...]]\n"
    "  convert-csv IN.csv OUT.gdt [--title T] [--teacher X] [--class-info Y] | convert-dbf IN.dbf OUT.gdt [...]\n"
    "  convert-trial [--backup] FILE.gdt...\n"
    "  print FILE.gdt --pdf OUT.pdf | --printer NAME [--page N | --row R] [--title T] [--footer T]\n"
    "        [--no-teacher] [--no-class-info] [--no-lines] [--no-fit] [--page-numbers]\n"
    "        [--pen-width 1-10] [--date YYYY-MM-DD]\n"
    "  print FILE.gdt --list-pages\n"
    "  chart FILE.gdt --type bar|up|down --fields F[,F...] --rows R[,R...|A-B] [--label-field F]\n"
    "        [--min N] [--max N] [--segments N] [--title T] [--date YYYY-MM-DD]\n"
    "        (--pdf OUT.pdf | --bmp OUT.bmp | --printer NAME)\n"
    "  report FILE.gdt TEMPLATE.rpl [--bind NAME] [--link LABEL=FIELD]... [--item K | --items A-B | --all]\n"
    "        (--pdf OUT.pdf | --printer NAME)\n"
    "  bind TEMPLATE.rpl FILE.gdt --save NAME LABEL=FIELD...\n";

int usage()
{
    std::fputs(kUsage, stderr);
    return Usage;
}

QByteArray versionLine(const char *program)
{
    return QByteArray(program) + ' ' + QByteArray::number(SCORVANE_VERSION_MAJOR) + '.' +
           QByteArray::number(SCORVANE_VERSION_MINOR) + '.' + QByteArray::number(SCORVANE_VERSION_PATCH) + '\n';
}

// The usage of one command, taken from the overview so the two cannot differ: its forms on the
// command lines (a form is a part between " | " that begins with the command's name; a part that
// does not begin with a name continues the form before it) and the indented lines continuing them.
QStringList commandUsage(const QString &command)
{
    QStringList forms;
    bool inCommand = false;
    const QStringList lines = QString::fromUtf8(kUsage).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("        "))) {
            if (inCommand)
                forms.last() += QLatin1String("\n    ") + line.trimmed();
            continue;
        }
        inCommand = false;
        if (!line.startsWith(QLatin1String("  ")))
            continue;
        for (const QString &part : line.trimmed().split(QLatin1String(" | "))) {
            const QString name = part.section(QLatin1Char(' '), 0, 0);
            if (name.startsWith(QLatin1Char('-')) || name.startsWith(QLatin1Char('('))) {
                if (inCommand)
                    forms.last() += QLatin1String(" | ") + part;
                continue;
            }
            inCommand = name == command;
            if (inCommand)
                forms << part;
        }
    }
    return forms;
}

// "help": the overview; "help COMMAND": that command's forms after the shared options.
int help(const QStringList &args)
{
    if (args.size() == 1) {
        std::fputs(kUsage, stdout);
        return Done;
    }
    const QStringList forms = args.size() == 2 ? commandUsage(args.at(1)) : QStringList();
    if (forms.isEmpty())
        return usage();
    for (const QString &form : forms)
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

int cmdShow(Context &ctx, Args args)
{
    const auto ops = args.operands(1);
    if (!ops)
        return Usage;
    table::GradeTable t;
    if (!loadTable(ctx, ops->at(0), t))
        return Failed;
    const table::Grid &g = t.grid;
    ctx.out << table::toFileLine(t.title) << '\n'
            << g.Rows() << '\n'
            << g.Cols() << '\n'
            << table::toFileLine(t.teacher) << '\n'
            << table::toFileLine(t.classInfo) << '\n'
            << table::toFileLine(t.numberFormat) << '\n';
    formula::Calculator &calc = formula::calculator(ctx.ws);
    for (int r = 0; r < g.Rows(); ++r) {
        QStringList cells;
        cells.reserve(g.Cols());
        for (int c = 0; c < g.Cols(); ++c)
            cells << table::toFileLine(formula::公式2值(g, r, c, t.numberFormat, calc));
        ctx.out << cells.join(QLatin1Char('\t')) << '\n';
    }
    return Done;
}

int cmdSaveAs(Context &ctx, Args args)
{
    const bool unprotected = args.flag(QStringLiteral("--unprotected"));
    const auto ops = args.operands(2);
    if (!ops)
        return Usage;
    table::GradeTable t;
    if (!loadTable(ctx, ops->at(0), t))
        return Failed;
    t.unprotectedSave = unprotected;
    return saveTable(ctx, t, ops->at(0), ops->at(1));
}

int cmdCalc(Context &ctx, Args args)
{
    // The text after the command is the expression, also when it begins with "-".
    const QString expression = args.raw().join(QLatin1Char(' '));
    if (expression.isEmpty())
        return Usage;
    table::cli::printLine(ctx, formula::calculator(ctx.ws).Calculate(expression));
    return Done;
}

struct CommandEntry {
    const char *name;
    int (*run)(Context &, Args);
};

// Commands that work on tables, after the login.
const CommandEntry kCommands[] = {
    {"show", cmdShow},
    {"save-as", cmdSaveAs},
    {"calc", cmdCalc},
    {"template", table::runTemplateCommand},
    {"field", table::runFieldCommand},
    {"set-props", table::runSetPropsCommand},
    {"formula", formula::runFormulaCommand},
    {"school", shell::runSchoolCommand},
    {"new-table", shell::runNewTableCommand},
    {"find", table::cli::runFindCommand},
    {"replace", table::cli::runReplaceCommand},
    {"sort", formula::runSortCommand},
    {"export-csv", exchange::cli::exportCsv},
    {"import-column", exchange::cli::importColumn},
    {"import-table", exchange::cli::importTable},
    {"fill-column", exchange::cli::fillColumn},
    {"export-part", exchange::cli::exportPart},
    {"convert-csv", exchange::cli::convertCsv},
    {"convert-dbf", exchange::cli::convertDbf},
    {"convert-trial", exchange::cli::convertTrial},
    {"print", print::runPrintCommand},
    {"chart", print::runChartCommand},
    {"report", print::runReportCommand},
    {"bind", print::runBindCommand},
};

// Commands that lay out pages need fonts and a paint engine, which need the gui application.
bool drawingCommand(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (!std::strcmp(a, "--dir") || !std::strcmp(a, "--table-password") || !std::strcmp(a, "--user") ||
            !std::strcmp(a, "--password"))
            ++i;
        else if (std::strcmp(a, "--yes") && std::strcmp(a, "--"))
            return !std::strcmp(a, "print") || !std::strcmp(a, "chart") || !std::strcmp(a, "report");
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

    const QString &cmd = o.args.first();
    if (cmd == QLatin1String("user")) {
        const int rc = shell::runUserCommand(ws, prompter, o.args, out);
        return rc == Usage ? usage() : rc;
    }
    for (const CommandEntry &c : kCommands) {
        if (cmd != QLatin1String(c.name))
            continue;
        if (o.hasUser && !shell::cliLogin(ws, prompter, o.user, o.password))
            return Failed;
        const int rc = c.run(ctx, Args(o.args.mid(1)));
        out.flush();
        return rc == Usage ? usage() : rc;
    }
    return usage();
}
