#pragma once
// Builds a table in memory for the exchange tests: field names and rows of cell texts.
#include "core/table/grade_table.h"

#include <QList>
#include <QStringList>

inline table::GradeTable makeTable(const QString &title, const QStringList &fields, const QList<QStringList> &rows)
{
    table::GradeTable t;
    t.title = title;
    table::Grid &g = t.grid;
    g.setRows(int(rows.size()) + 1);
    g.setCols(int(fields.size()) + 1);
    for (qsizetype c = 0; c < fields.size(); ++c)
        g.setTextMatrix(0, int(c) + 1, fields.at(c));
    for (qsizetype r = 0; r < rows.size(); ++r)
        for (qsizetype c = 0; c < rows.at(r).size(); ++c)
            g.setTextMatrix(int(r) + 1, int(c) + 1, rows.at(r).at(c));
    t.rebuildHeader();
    return t;
}

// `count` students named 学生1 … with a score column holding base + i.
inline table::GradeTable classTable(int count, const QString &prefix = QStringLiteral("学生"), int base = 60)
{
    QList<QStringList> rows;
    for (int i = 1; i <= count; ++i)
        rows << QStringList{prefix + QString::number(i), QString::number(base + i % 40)};
    return makeTable(QStringLiteral("期中"), {QStringLiteral("姓名"), QStringLiteral("语文")}, rows);
}

// The cells of one column, rows 1 … Rows − 1.
inline QStringList columnOf(const table::GradeTable &t, int col)
{
    QStringList cells;
    for (int r = 1; r < t.grid.Rows(); ++r)
        cells << t.grid.TextMatrix(r, col);
    return cells;
}
