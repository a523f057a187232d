// scorvane-cli: the command-line companion for batch work and for checking the program from
// outside. Usage: scorvane-cli [--dir DIR] [--user NAME --password PW | --table-password PW]
//                 COMMAND ARGS…
#include "formula/calculate.h"
#include "formula/cell_formula.h"
#include "shell/user_cli.h"
#include "base/workspace.h"
#include "table/table_file.h"
#include "ui/prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>

namespace {

const char *const kUsage =
    "usage: scorvane-cli [--dir DIR] [--user NAME --password PW | --table-password PW] COMMAND ARGS...\n"
    "commands:\n"
    "  show FILE.gdt                                    print a table\n"
    "  save-as IN.gdt OUT.gdt [--unprotected] [--yes]   load and save a table\n"
    "  calc EXPR                                        evaluate an expression\n"
    "  user add NAME PW | user passwd NAME OLD NEW | user list\n";

int usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

struct Options {
    QString dir;
    QString tablePassword;
    QString user;
    QString password;
    bool hasUser = false;
    bool yes = false;
    bool unprotected = false;
    QStringList args; // the command and its operands
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
        } else if (a == QLatin1String("--unprotected")) {
            o->unprotected = true;
        } else {
            o->args << a;
        }
    }
    return !o->args.isEmpty();
}

// LoadData closes silently on a missing file; on the command line the user is told.
bool loadTable(table::TableFile &file, table::GradeTable &t, const QString &path)
{
    const QString full = QFileInfo(path).absoluteFilePath();
    const QString name = table::tableNameFromPath(full);
    if (!QFileInfo(name + QStringLiteral(".gdt")).isFile()) {
        std::fputs((QStringLiteral("找不到表格文件：") + name + QStringLiteral(".gdt\n")).toUtf8().constData(), stderr);
        return false;
    }
    return file.LoadData(t, name, true);
}

int cmdShow(base::Workspace &ws, ui::Prompter &prompter, const QStringList &args)
{
    if (args.size() != 2)
        return usage();
    table::GradeTable t;
    table::TableFile file(ws, prompter);
    if (!loadTable(file, t, args[1]))
        return 1;
    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    const table::Grid &g = t.成绩表;
    out << table::toFileLine(t.Caption) << '\n'
        << g.Rows() << '\n'
        << g.Cols() << '\n'
        << table::toFileLine(t.Text3) << '\n'
        << table::toFileLine(t.Text4) << '\n'
        << table::toFileLine(t.DataFormat) << '\n';
    for (int r = 0; r < g.Rows(); ++r) {
        QStringList cells;
        cells.reserve(g.Cols());
        for (int c = 0; c < g.Cols(); ++c)
            cells << table::toFileLine(formula::公式2值(g, r, c, t.DataFormat, formula::calculator(ws)));
        out << cells.join(QLatin1Char('\t')) << '\n';
    }
    return 0;
}

int cmdSaveAs(base::Workspace &ws, ui::Prompter &prompter, const Options &o)
{
    if (o.args.size() != 3)
        return usage();
    table::GradeTable t;
    table::TableFile file(ws, prompter);
    if (!loadTable(file, t, o.args[1]))
        return 1;
    t.unprotectedSave = o.unprotected;
    return file.SaveData(t, false, table::tableNameFromPath(QFileInfo(o.args[2]).absoluteFilePath())) ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Options o;
    if (!parseOptions(app.arguments(), &o))
        return usage();
    const QString dir = o.dir.isEmpty() ? QCoreApplication::applicationDirPath() : QDir(o.dir).absolutePath();
    base::Workspace ws(dir);
    ws.tablePassword = o.tablePassword;
    ui::NonInteractivePrompter prompter(o.yes);

    const QString &cmd = o.args.first();
    if (cmd == QLatin1String("calc")) {
        if (o.args.size() != 2)
            return usage();
        QTextStream out(stdout);
        out.setEncoding(QStringConverter::Utf8);
        out << formula::calculator(ws).Calculate(o.args[1]) << '\n';
        return 0;
    }
    if (cmd == QLatin1String("user")) {
        QTextStream out(stdout);
        out.setEncoding(QStringConverter::Utf8);
        const int rc = shell::runUserCommand(ws, prompter, o.args, out);
        return rc == 2 ? usage() : rc;
    }
    if (o.hasUser && !shell::cliLogin(ws, prompter, o.user, o.password))
        return 1;
    if (cmd == QLatin1String("show"))
        return cmdShow(ws, prompter, o.args);
    if (cmd == QLatin1String("save-as"))
        return cmdSaveAs(ws, prompter, o);
    return usage();
}
