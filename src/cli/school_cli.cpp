#include "cli/school_cli.h"

#include "core/base/module1.h"
#include "core/base/workspace.h"
#include "core/shell/new_table.h"
#include "core/shell/school_tree.h"
#include "core/table/table_file.h"
#include "core/table/table_properties.h"
#include "core/table/templates.h"

#include <QDir>
#include <QFileInfo>

namespace shell {

using namespace table::cli;

namespace {

std::optional<QList<TreeNode>> loadTree(Context &ctx)
{
    const std::optional<School> school = readSchool(ctx.ws.schoolInfoFile());
    if (!school) {
        tell(ctx, kNoSchoolTree);
        return std::nullopt;
    }
    return treeNodes(*school);
}

// The class folder named by PATH as `school show` prints it; empty (with the message) when PATH is
// no class of the tree or its names cannot be folders.
QString classFolder(Context &ctx, const QList<TreeNode> &nodes, const QString &path)
{
    const int node = nodeByPath(nodes, path);
    if (node < 0 || !nodes[node].isClass()) {
        tell(ctx, QStringLiteral("找不到班级：") + path);
        return {};
    }
    const QString dir = classDirectory(ctx.ws, nodePath(nodes, node));
    if (dir.isEmpty())
        tell(ctx, QStringLiteral("该班级的名称不能用作文件夹名称：") + path);
    return dir;
}

int show(Context &ctx)
{
    const auto nodes = loadTree(ctx);
    if (!nodes)
        return Failed;
    for (int i = 0; i < nodes->size(); ++i)
        printLine(ctx, nodes->at(i).key + QLatin1Char('\t') + nodePath(*nodes, i).join(QLatin1Char('/')));
    return Done;
}

int tables(Context &ctx, const QString &path, bool proposed)
{
    const auto nodes = loadTree(ctx);
    if (!nodes)
        return Failed;
    const QString dir = classFolder(ctx, *nodes, path);
    if (dir.isEmpty())
        return Failed;
    const QStringList names = tableNames(dir);
    if (proposed) {
        printLine(ctx, proposedTableName(names));
        return Done;
    }
    for (const QString &name : names)
        printLine(ctx, name);
    return Done;
}

} // namespace

int runSchoolCommand(Context &ctx, Args args)
{
    const bool proposed = args.flag(QStringLiteral("--proposed"));
    const std::optional<QStringList> ops = args.operands();
    if (!ops || ops->isEmpty())
        return Usage;
    if (ops->first() == QLatin1String("show") && ops->size() == 1 && !proposed)
        return show(ctx);
    if (ops->first() == QLatin1String("tables") && ops->size() == 2)
        return tables(ctx, ops->at(1), proposed);
    return Usage;
}

int runNewTableCommand(Context &ctx, Args args)
{
    const std::optional<QString> title = args.value(QStringLiteral("--title"));
    const std::optional<QString> size = args.value(QStringLiteral("--class-size"));
    const std::optional<QString> teacher = args.value(QStringLiteral("--teacher"));
    const std::optional<QString> info = args.value(QStringLiteral("--class-info"));
    const std::optional<QString> decimals = args.value(QStringLiteral("--decimals"));
    const bool pad = args.flag(QStringLiteral("--pad"));
    const std::optional<QString> templateName = args.value(QStringLiteral("--template"));
    const std::optional<QStringList> ops = args.operands(2);
    if (!ops || (pad && !decimals))
        return Usage;
    const QString &name = ops->at(1);

    const auto nodes = loadTree(ctx);
    if (!nodes)
        return Failed;
    const QString dir = classFolder(ctx, *nodes, ops->at(0));
    if (dir.isEmpty())
        return Failed;
    if (const QString why = tableNameRefusal(name, dir); !why.isEmpty()) {
        tell(ctx, why);
        return Failed;
    }

    table::GradeTable t;
    t.filePath = dir + QLatin1Char('/') + name;
    // The direct way names the table after its file; the wizard asks, and refuses an empty title.
    t.title = title.value_or(name);
    if (t.title.trimmed().isEmpty()) {
        tell(ctx, QStringLiteral("标题不能为空！"));
        return Failed;
    }
    int classSize = 1;
    if (size) {
        const std::optional<int> n = numberInRange(ctx, *size, 0, table::Grid::kMaxCount - 1);
        if (!n)
            return Failed;
        classSize = *n;
    }
    table::applyClassInfo(t, {classSize, teacher.value_or(QString()), info.value_or(QString())});
    if (decimals) {
        const std::optional<int> n = numberInRange(ctx, *decimals, 0, table::kMaxDecimals);
        if (!n)
            return Failed;
        t.numberFormat = table::dataFormatFor(*n, pad);
    }
    if (templateName) {
        // Only a file of the template folder itself, as the window's template menu lists them; the
        // window's reader then refuses anything malformed.
        const QString entry = *templateName + table::kTemplateSuffix;
        if (!base::IsValidName(*templateName) || !QFileInfo(ctx.ws.templateDir() + entry).isFile()) {
            tell(ctx, QStringLiteral("找不到模版文件：") + *templateName);
            return Failed;
        }
        if (!table::askApplyTemplate(t, ctx.ws, ctx.prompter, entry))
            return Failed;
    }
    t.rebuildHeader();
    // The school, grade and class folders this table needs and that do not exist yet, innermost
    // first: removed again unless the table is saved.
    QStringList created;
    for (QFileInfo f(dir); !f.exists() && !f.isSymLink() && !f.isRoot(); f = QFileInfo(f.absolutePath()))
        created << f.absoluteFilePath();
    QDir().mkpath(dir);
    table::TableFile file(ctx.ws, ctx.prompter);
    if (file.save(t, t.filePath))
        return Done;
    for (const QString &folder : created)
        QDir().rmdir(folder);
    return Failed;
}

} // namespace shell
