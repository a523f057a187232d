#include "core/exchange/part_export.h"

#include "core/formula/cell_formula.h"
#include "core/table/table_file.h"
#include "core/ui/prompter.h"

#include <algorithm>

namespace exchange {

namespace {

const QString kNoRow = QStringLiteral("请至少选择一名要导出的学生！");

QList<int> ascendingOnce(QList<int> v, int limit)
{
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
    v.removeIf([limit](int i) { return i < 1 || i >= limit; });
    return v;
}

} // namespace

table::GradeTable partTable(const table::GradeTable &source, QList<int> fields, QList<int> rows,
                            formula::Calculator &calc)
{
    const table::Grid values = formula::evaluatedCopy(source, calc);
    fields = ascendingOnce(std::move(fields), values.Cols());
    rows = ascendingOnce(std::move(rows), values.Rows());

    table::GradeTable part;
    part.title = source.title + QStringLiteral(" 导出表");
    part.teacher = source.teacher;
    part.classInfo = source.classInfo;
    part.numberFormat = source.numberFormat;
    table::Grid &g = part.grid;
    table::GridBulk bulk(g);
    g.setRows(int(rows.size()) + 1);
    g.setCols(int(fields.size()) + 1);
    auto copyRow = [&](int to, int from) {
        g.setTextMatrix(to, 0, values.TextMatrix(from, 0));
        for (qsizetype k = 0; k < fields.size(); ++k)
            g.setTextMatrix(to, int(k) + 1, values.TextMatrix(from, fields.at(k)));
    };
    copyRow(0, 0);
    for (qsizetype k = 0; k < rows.size(); ++k)
        copyRow(int(k) + 1, rows.at(k));
    return part;
}

PartExport exportPart(const table::GradeTable &source, const QList<int> &fields, const QList<int> &rows,
                      const QString &path, table::TableFile &files, ui::Prompter &prompter, formula::Calculator &calc,
                      const std::function<bool(const QString &)> &inUse)
{
    table::GradeTable part = partTable(source, fields, rows, calc);
    if (part.grid.Cols() < 2) {
        prompter.message(QStringLiteral("请至少选择一个要导出的项目！"), QStringLiteral("提示"), ui::Icon::Information);
        return PartExport::NoField;
    }
    const QString name = table::tableNameFromPath(path);
    if (inUse && inUse(name)) {
        prompter.message(QStringLiteral("该文件正在使用中，请选择其他文件名。"), QStringLiteral("提示"),
                         ui::Icon::Information);
        return PartExport::InUse;
    }
    return files.save(part, name) ? PartExport::Written : PartExport::NotWritten;
}

bool confirmPartExport(const table::GradeTable &source, const QList<int> &fields, const QList<int> &rows,
                       table::TableFile &files, ui::Prompter &prompter, formula::Calculator &calc,
                       const std::function<bool(const QString &)> &inUse,
                       const std::function<void(const QString &)> &open)
{
    if (fields.isEmpty()) {
        prompter.message(QStringLiteral("请至少选择一个要导出的项目！"), QStringLiteral("提示"), ui::Icon::Information);
        return false;
    }
    if (rows.isEmpty()) {
        prompter.message(kNoRow, QStringLiteral("提示"), ui::Icon::Information);
        return false;
    }
    const QString path = ui::ShowSaveDialog(prompter, QStringLiteral("*.gdt"));
    if (path.isEmpty())
        return false;
    if (exportPart(source, fields, rows, path, files, prompter, calc, inUse) != PartExport::Written)
        return false;
    if (prompter.question(QStringLiteral("文件保存完毕，是否现在打开？"), QStringLiteral("提示"), ui::Buttons::YesNo,
                          ui::Icon::Question, ui::Answer::Yes) == ui::Answer::Yes &&
        open)
        open(table::tableNameFromPath(path));
    return true;
}

} // namespace exchange
