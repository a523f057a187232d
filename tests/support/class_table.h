#pragma once
// The class table the print, chart and report tests share, the label lines of their report
// templates, and saving a table as the program does.
#include "core/table/grade_table.h"

#include <QString>

// The fields 姓名, 语文 and 总分; for 学生1 … 学生N (row r) 语文 is firstScore + r × step and 总分
// the formula 语文 + bonus.
struct ClassTableShape {
    int students = 6;
    int firstScore = 60;
    int step = 1;
    int bonus = 10;
    QString title;
};
void fillClassTable(table::GradeTable &t, const ClassTableShape &shape);

// One label of a ".rpl" template: text, top and left in twips, 宋体 at `size` points in `color`.
QString reportLabel(const QString &text, int top, int left, int size = 12, int color = 0);

// Saves `t` as base + ".gdt" with `password` through the program's own table file code. False when
// the save failed.
bool saveTable(const QString &programDir, const QString &password, const QString &base, table::GradeTable &t);
