#include "class_table.h"

#include "core/base/workspace.h"
#include "core/table/table_file.h"
#include "scripted_prompter.h"

#include <QStringList>

void fillClassTable(table::GradeTable &t, const ClassTableShape &shape)
{
    table::Grid &g = t.grid;
    g.setRows(shape.students + 1);
    g.setCols(4);
    g.setTextMatrix(0, 1, QStringLiteral("姓名"));
    g.setTextMatrix(0, 2, QStringLiteral("语文"));
    g.setTextMatrix(0, 3, QStringLiteral("总分"));
    t.rebuildHeader();
    for (int r = 1; r <= shape.students; ++r) {
        g.setTextMatrix(r, 1, QStringLiteral("学生%1").arg(r));
        g.setTextMatrix(r, 2, QString::number(shape.firstScore + r * shape.step));
        g.setTextMatrix(r, 3, QStringLiteral("！公式：cell(?,2)+%1").arg(shape.bonus));
    }
    t.title = shape.title;
}

QString reportLabel(const QString &text, int top, int left, int size, int color)
{
    return QStringList{text,
                       QString::number(top),
                       QString::number(left),
                       QStringLiteral("宋体"),
                       QStringLiteral("0"),
                       QStringLiteral("0"),
                       QString::number(size),
                       QStringLiteral("0"),
                       QStringLiteral("0"),
                       QString::number(color)}
        .join(QStringLiteral("｜"));
}

bool saveTable(const QString &programDir, const QString &password, const QString &base, table::GradeTable &t)
{
    base::Workspace ws(programDir);
    ws.tablePassword = password;
    ScriptedPrompter quiet;
    return table::TableFile(ws, quiet).save(t, base);
}
