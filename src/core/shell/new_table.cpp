#include "core/shell/new_table.h"

#include "core/base/module1.h"
#include "core/table/grade_table.h"
#include "core/table/table_file.h"
#include "core/ui/prompter.h"

#include <QFileInfo>

namespace shell {

namespace {

const QString kTableTitle = QStringLiteral("表格");

void tell(ui::Prompter &prompter, const QString &text)
{
    prompter.message(text, QString(), ui::Icon::Information);
}

// The file-name question, repeated until the answer is usable; the box has no way out, as the
// new window already stands.
QString askTableName(ui::Prompter &prompter, const QString &prompt, const QString &classDir, const QString &proposed)
{
    for (;;) {
        const QString answer = prompter.input(prompt, kTableTitle, proposed).value_or(QString());
        const QString why = tableNameRefusal(answer, classDir);
        if (why.isEmpty())
            return answer;
        tell(prompter, why);
    }
}

QString tablePath(const QString &classDir, const QString &name)
{
    return classDir + QLatin1Char('/') + name;
}

} // namespace

QString tableNameRefusal(const QString &answer, const QString &classDir)
{
    if (answer.trimmed().isEmpty())
        return QStringLiteral("文件名称不能为空！请重新输入。");
    // A name beginning with "." would be a hidden file (or "." and "..") the tree never lists.
    if (!base::IsValidName(answer) || answer.startsWith(QLatin1Char('.')))
        return QStringLiteral("文件名中包含了诸如“\\/*?”之类的非法字符，请重新输入。");
    if (!table::namesFit(answer + QStringLiteral(".gdt")))
        return QStringLiteral("文件名过长。");
    // A table of that name would be replaced by an empty one at the first save.
    const QFileInfo existing(tablePath(classDir, answer) + QStringLiteral(".gdt"));
    if (existing.exists() || existing.isSymLink())
        return QStringLiteral("该班级中已经存在同名的表格，请重新输入。");
    return {};
}

void newTableDirect(ui::Prompter &prompter, NewTableTarget &target, const QString &classDir, const QString &proposed)
{
    const QString name = askTableName(prompter,
                                      QStringLiteral("请输入新表格要使用的文件名称，可以使用中文，这要可以使该表格更易"
                                                     "于管理。同时该文件名也将暂时作为表格的标题。"),
                                      classDir, proposed);
    target.document().filePath = tablePath(classDir, name);
    target.setTitle(name);
}

void newTableWizard(ui::Prompter &prompter, NewTableTarget &target, const QString &classDir, const QString &proposed,
                    const WizardDialogs &dialogs)
{
    auto show = [&](WizardDialog which) {
        if (dialogs)
            dialogs(which);
    };
    tell(prompter, QStringLiteral("下面将显示一系列的窗口，以帮助您快速的设置完表格的各个信息。"));
    const QString name = askTableName(
        prompter, QStringLiteral("请输入新表格要使用的文件名称，可以使用中文，这要可以使该表格更易于管理。"), classDir,
        proposed);
    target.document().filePath = tablePath(classDir, name);

    tell(prompter, QStringLiteral("下面，首先将设置班级的人数，班主任等信息。"));
    show(WizardDialog::ClassInfo);
    tell(prompter, QStringLiteral("接下来，我们开始设置使用公式时的数据格式，即数值的格式。如：小数位数等。"));
    show(WizardDialog::DataFormat);

    tell(prompter, QStringLiteral("然后，是对表格标题的设置，它也是打印时所使用的标题。"));
    const QString preset = target.document().title;
    for (;;) {
        const std::optional<QString> title = prompter.input(
            QStringLiteral(
                "请输入新的表格标题，它可以用于将表格文件更名保存，同时，被更改的标题也将在打印中体现出来。"),
            QStringLiteral("更改标题"), preset);
        if (title && !title->trimmed().isEmpty()) {
            target.setTitle(*title);
            break;
        }
        prompter.message(QStringLiteral("标题不能为空！"), QStringLiteral("提示"), ui::Icon::Information);
    }

    tell(prompter, QStringLiteral("最后，我们要设置表格的项目，也就是平时所说的字段。你可以使用项目管理器编辑表格的项目"
                                  "，也可以在表格的“成绩表字段模版”菜单下，选择已存在的字段模版。"));
    show(WizardDialog::FieldManager);
    tell(prompter, QStringLiteral("至此，一张新的表格就已经设置完成！接下来，可以输入数据了。你可以通过右键菜单里的项目"
                                  "来简化你的操作过程。"));
}

} // namespace shell
