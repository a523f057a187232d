#pragma once
// 年级成绩汇总: one table name (期中, …) over every class of a grade of the school tree, one row per
// class in tree order — 班级, 人数, then per field 平均分, 及格率, 优秀率 and 名次 — and a last row
// 年级 over all the grade's students pooled together. A class is ranked by its unrounded average
// within the grade, highest first, equal averages sharing a rank (1, 2, 2, 4); a class without
// scores in a field has no rank there. Fields are matched by name.
#include "core/analysis/table_analysis.h"
#include "core/shell/school_tree.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace base {
class Workspace;
}
namespace formula {
class Calculator;
}
namespace ui {
class Prompter;
}

namespace analysis {

// What the summary keeps of one class's table: its students and the scores of each named field
// (the first column of a name). A formula field is evaluated when its scores are first needed.
struct ClassScores {
    QString name;
    int students = 0;
    QStringList fieldOrder;      // the names in column order, each once
    QHash<QString, int> columns; // each name's first column
    std::shared_ptr<const TableAnalysis> table;
};

// The scores of one table name over a grade's classes, read once; the summary is worked out from
// them for any choice of fields and lines without opening the tables again.
struct GradeScores {
    QString grade;
    QString tableName;
    QList<ClassScores> classes;  // the classes that have the table, in tree order
    QStringList notes;           // one per class without the table: "（3）班：没有表格“期中”"
    QStringList fieldNamesFound; // every field name read, each once in order of first appearance

    // The fields the single-table analysis preselects in any class, in order of first appearance.
    QStringList preselectedFields(const AnalysisOptions &options) const;
};

struct GradeSummary {
    QString grade;     // the grade node's name
    QString tableName; // the table summarised
    QStringList fields;
    QStringList classes; // the classes that have the table, in tree order
    // 班级 人数 语文平均分 语文及格率 语文优秀率 语文名次 …; one row per class, then 年级.
    Sheet sheet;
    // One per class without the table: "（3）班：没有表格“期中”".
    QStringList notes;
    // Every field name of the tables read, each once in order of first appearance.
    QStringList fieldNamesFound;
    // averages[f][k]: the unrounded average of fields[f] in classes[k]; nullopt without scores.
    QList<QList<std::optional<double>>> averages;

    // The classes' averages of one field as bars (a class without scores: 0).
    ChartBars averageChart(int field) const;
};

// The grade nodes's classes, as node indices in tree order.
QList<int> gradeClasses(const QList<shell::TreeNode> &nodes, int grade);
// The names of the tables found in the grade's class folders, each once, in Chinese order.
QStringList gradeTableNames(const base::Workspace &ws, const QList<shell::TreeNode> &nodes, int grade);

// The scores of `tableName` over the grade `grade` (a node index). A table that cannot be opened
// stops the reading: its load message goes through the prompter and the answer is nullopt.
std::optional<GradeScores> readGradeScores(base::Workspace &ws, ui::Prompter &prompter, formula::Calculator &calc,
                                           const QList<shell::TreeNode> &nodes, int grade, const QString &tableName);
// The summary of the scores over the fields named.
GradeSummary summarizeScores(const GradeScores &scores, const AnalysisOptions &options, const QStringList &fields);
// Both in one; `fields` empty: GradeScores::preselectedFields.
std::optional<GradeSummary> summarizeGrade(base::Workspace &ws, ui::Prompter &prompter, formula::Calculator &calc,
                                           const QList<shell::TreeNode> &nodes, int grade, const QString &tableName,
                                           const AnalysisOptions &options, const QStringList &fields = {});

} // namespace analysis
