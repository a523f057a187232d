#include "core/analysis/grade_summary.h"

#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/table/grade_table.h"
#include "core/table/table_file.h"

#include <QCollator>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace analysis {

namespace {

QString tablePath(const base::Workspace &ws, const QList<shell::TreeNode> &nodes, int node, const QString &table)
{
    const QString dir = shell::classDirectory(ws, shell::nodePath(nodes, node));
    return dir.isEmpty() ? QString() : dir + QLatin1Char('/') + table + QStringLiteral(".gdt");
}

} // namespace

QList<int> gradeClasses(const QList<shell::TreeNode> &nodes, int grade)
{
    QList<int> classes;
    if (grade < 0 || grade >= nodes.size() || nodes[grade].image != 2)
        return classes;
    for (int i = 0; i < nodes.size(); ++i)
        if (nodes[i].parent == grade && nodes[i].isClass())
            classes << i;
    return classes;
}

QStringList gradeTableNames(const base::Workspace &ws, const QList<shell::TreeNode> &nodes, int grade)
{
    QStringList names;
    for (int node : gradeClasses(nodes, grade))
        for (const QString &name : shell::tableNames(shell::classDirectory(ws, shell::nodePath(nodes, node))))
            if (!names.contains(name))
                names << name;
    QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    std::sort(names.begin(), names.end(), [&](const QString &a, const QString &b) {
        const int c = collator.compare(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

ChartBars GradeSummary::averageChart(int field) const
{
    ChartBars chart;
    if (field < 0 || field >= fields.size())
        return chart;
    chart.field = fields[field];
    chart.title = fields[field] + QStringLiteral("平均分");
    chart.labels = classes;
    for (const std::optional<double> &a : averages[field])
        chart.values << a.value_or(0);
    return chart;
}

QStringList GradeScores::preselectedFields(const AnalysisOptions &o) const
{
    // In order of first appearance, class by class and column by column, whichever class it is
    // preselected in.
    QStringList fields;
    for (const QString &name : fieldNamesFound)
        for (const ClassScores &c : classes)
            if (const auto it = c.columns.constFind(name);
                it != c.columns.cend() && c.table->preselects(*it, o.fullMarksOf(name))) {
                fields << name;
                break;
            }
    return fields;
}

std::optional<GradeScores> readGradeScores(base::Workspace &ws, ui::Prompter &prompter, formula::Calculator &calc,
                                           const QList<shell::TreeNode> &nodes, int grade, const QString &tableName)
{
    GradeScores s;
    s.grade = grade >= 0 && grade < nodes.size() ? nodes[grade].text : QString();
    s.tableName = tableName;
    QList<int> found;
    QStringList paths;
    for (int node : gradeClasses(nodes, grade)) {
        const QString path = tablePath(ws, nodes, node, tableName);
        if (path.isEmpty() || !QFileInfo(path).isFile()) {
            s.notes << nodes[node].text + QStringLiteral("：没有表格“") + tableName + QStringLiteral("”");
            continue;
        }
        found << node;
        paths << path;
    }
    // The tables are read and their scores taken on two threads, each evaluating with a calculator
    // of its own (the cache of compiled formulas is not shared between threads); what is left to
    // evaluate later is evaluated with `calc`, on this thread.
    std::vector<std::shared_ptr<TableAnalysis>> analyses(size_t(paths.size()));
    std::atomic<qsizetype> next{0};
    const auto readSome = [&] {
        formula::Calculator own = calc;
        own.formulas.reset();
        for (qsizetype i = next++; i < paths.size(); i = next++) {
            table::GradeTable t;
            if (!table::readTableFileQuietly(paths[i], ws.tablePassword, t))
                continue;
            analyses[size_t(i)] = std::make_shared<TableAnalysis>(std::move(t), own);
            // What the preselection under the usual full marks will want (averages, not 总分).
            analyses[size_t(i)]->readColumnsWithin(kDefaultFullMarks);
        }
    };
    {
        std::optional<std::thread> helper;
        if (paths.size() > 1)
            helper.emplace(readSome);
        readSome();
        if (helper)
            helper->join();
    }
    QSet<QString> namesFound;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const int node = found[i];
        ClassScores scores;
        scores.name = nodes[node].text;
        std::shared_ptr<TableAnalysis> &analysis = analyses[size_t(i)];
        if (analysis) {
            analysis->evaluateLaterWith(calc);
        } else {
            // Read again here to say why it cannot be opened (it may open now after all).
            table::GradeTable t;
            if (!table::TableFile(ws, prompter).readTableFile(paths[i], t))
                return std::nullopt;
            analysis = std::make_shared<TableAnalysis>(std::move(t), calc);
        }
        scores.table = std::move(analysis);
        scores.students = scores.table->students();
        const QStringList names = scores.table->fieldNames();
        for (int k = 0; k < names.size(); ++k) {
            const QString &name = names[k];
            if (name.isEmpty() || scores.columns.contains(name))
                continue;
            if (!namesFound.contains(name)) {
                namesFound.insert(name);
                s.fieldNamesFound << name;
            }
            scores.fieldOrder << name;
            scores.columns.insert(name, k + 1);
        }
        s.classes << std::move(scores);
    }
    return s;
}

std::optional<GradeSummary> summarizeGrade(base::Workspace &ws, ui::Prompter &prompter, formula::Calculator &calc,
                                           const QList<shell::TreeNode> &nodes, int grade, const QString &tableName,
                                           const AnalysisOptions &o, const QStringList &chosen)
{
    const std::optional<GradeScores> scores = readGradeScores(ws, prompter, calc, nodes, grade, tableName);
    if (!scores)
        return std::nullopt;
    return summarizeScores(*scores, o, chosen.isEmpty() ? scores->preselectedFields(o) : chosen);
}

GradeSummary summarizeScores(const GradeScores &scores, const AnalysisOptions &o, const QStringList &chosen)
{
    GradeSummary s;
    s.grade = scores.grade;
    s.tableName = scores.tableName;
    s.notes = scores.notes;
    s.fieldNamesFound = scores.fieldNamesFound;
    const QList<ClassScores> &classes = scores.classes;
    for (const ClassScores &c : classes)
        s.classes << c.name;
    s.fields = chosen;

    QStringList header{QStringLiteral("班级"), QStringLiteral("人数")};
    for (const QString &f : s.fields)
        header << f + QStringLiteral("平均分") << f + QStringLiteral("及格率") << f + QStringLiteral("优秀率")
               << f + QStringLiteral("名次");
    s.sheet << header;

    // figures[f][k], nullopt where class k's table lacks field f.
    QList<QList<std::optional<FieldFigures>>> figures;
    figures.reserve(s.fields.size());
    s.averages.reserve(s.fields.size());
    int gradeStudents = 0;
    for (const ClassScores &c : classes)
        gradeStudents += c.students;
    QList<FieldFigures> pooled;
    pooled.reserve(s.fields.size());
    for (const QString &f : s.fields) {
        QList<std::optional<FieldFigures>> perClass;
        perClass.reserve(classes.size());
        QList<std::optional<double>> averages;
        averages.reserve(classes.size());
        QList<const FieldFigures *> parts;
        parts.reserve(classes.size());
        for (const ClassScores &c : classes) {
            const auto it = c.columns.constFind(f);
            if (it == c.columns.cend()) {
                perClass << std::nullopt;
                averages << std::nullopt;
                continue;
            }
            perClass << fieldFigures(f, c.students, c.table->columnScores(*it), o, false);
            averages << perClass.back()->mean;
        }
        for (const std::optional<FieldFigures> &p : perClass)
            if (p)
                parts << &*p;
        // The grade pools the classes' sums; scores with more decimals are read again together.
        std::optional<FieldFigures> grade = pooledFigures(f, gradeStudents, parts, o);
        if (!grade) {
            std::vector<double> all;
            for (const ClassScores &c : classes)
                if (const auto it = c.columns.constFind(f); it != c.columns.cend())
                    all.insert(all.end(), c.table->columnScores(*it).begin(), c.table->columnScores(*it).end());
            grade = fieldFigures(f, gradeStudents, all, o, false);
        }
        pooled << std::move(*grade);
        figures << std::move(perClass);
        s.averages << averages;
    }

    s.sheet.reserve(classes.size() + 2);
    const qsizetype width = 2 + 4 * s.fields.size();
    for (int k = 0; k < classes.size(); ++k) {
        QStringList row{classes[k].name, QString::number(classes[k].students)};
        row.reserve(width);
        for (int f = 0; f < s.fields.size(); ++f) {
            const std::optional<FieldFigures> &mine = figures[f][k];
            if (!mine) {
                row << QString() << QString() << QString() << QString();
                continue;
            }
            QString rank;
            if (mine->scores > 0) {
                int above = 0;
                for (const std::optional<FieldFigures> &other : figures[f])
                    above += other && other->scores > 0 && compareMeans(*other, *mine) > 0;
                rank = QString::number(above + 1);
            }
            row << mine->meanText() << rateText(mine->passCount, mine->scores)
                << rateText(mine->excellentCount, mine->scores) << rank;
        }
        s.sheet << row;
    }
    QStringList total{QStringLiteral("年级"), QString::number(gradeStudents)};
    total.reserve(width);
    for (const FieldFigures &p : pooled)
        total << p.meanText() << rateText(p.passCount, p.scores) << rateText(p.excellentCount, p.scores) << QString();
    s.sheet << total;
    return s;
}

} // namespace analysis
