#pragma once
// Shared by the benchmarks: a realistic class table (student numbers, Chinese names, scores of
// seven subjects in four exams), a prompter that always goes ahead, and median timing.
#include "core/table/grade_table.h"
#include "core/ui/prompter.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringList>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

inline constexpr int kStudents = 5000;
inline constexpr int kFields = 30;    // 学号, 姓名 and 28 scores
inline constexpr int kFirstScore = 3; // columns 3 … 30 hold scores
inline constexpr int kRepeats = 7;

inline QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}

// Answers every question with Yes or OK; a message would mean the benchmark went wrong.
class GoAheadPrompter : public ui::Prompter {
public:
    int messages = 0;
    void message(const QString &text, const QString &title, ui::Icon) override
    {
        ++messages;
        std::fprintf(stderr, "message: %s %s\n", qPrintable(title), qPrintable(text));
    }
    ui::Answer question(const QString &, const QString &, ui::Buttons buttons, ui::Icon, ui::Answer) override
    {
        return buttons == ui::Buttons::YesNo || buttons == ui::Buttons::YesNoCancel ? ui::Answer::Yes : ui::Answer::Ok;
    }
    std::optional<QString> input(const QString &, const QString &, const QString &preset) override { return preset; }
    QString openFile(const QString &, const QString &) override { return {}; }
    QString saveFile(const QString &, const QString &) override { return {}; }
};

inline QString scoreText(QRandomGenerator &rng)
{
    // Mostly whole marks between 40 and 100, a fifth with a half mark, the odd absent blank.
    const int roll = int(rng.bounded(100));
    if (roll == 0)
        return {};
    const int whole = 40 + int(rng.bounded(61));
    if (roll < 20 && whole < 100)
        return QString::number(whole) + QStringLiteral(".5");
    return QString::number(whole);
}

inline QString chineseName(QRandomGenerator &rng)
{
    static const QString surnames = QStringLiteral(
        "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程苏魏吕丁任沈姚卢姜崔钟"
        "谭陆汪范金石廖贾夏韦付方白邹孟熊秦邱江尹薛闫段雷侯龙史陶黎贺顾毛郝龚邵万钱严覃武戴莫孔向汤");
    static const QString given = QStringLiteral("伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超秀兰霞平刚桂英华玉萍红娥玲芬燕彬"
                                                "鹏飞宇浩然子涵欣怡梓轩雨桐思远嘉怡俊杰晨曦一诺诗琪博文家豪");
    QString name = surnames.at(int(rng.bounded(int(surnames.size()))));
    const int len = 1 + int(rng.bounded(2));
    for (int i = 0; i < len; ++i)
        name += given.at(int(rng.bounded(int(given.size()))));
    return name;
}

// Field names of columns 1 … 30.
inline QStringList fieldNames()
{
    QStringList names{QStringLiteral("学号"), QStringLiteral("姓名")};
    const QStringList exams{QStringLiteral("月考一"), QStringLiteral("月考二"), QStringLiteral("期中"),
                            QStringLiteral("期末")};
    const QStringList subjects{QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("英语"),
                               QStringLiteral("物理"), QStringLiteral("化学"), QStringLiteral("生物"),
                               QStringLiteral("政治")};
    for (const QString &e : exams)
        for (const QString &s : subjects)
            names << e + s;
    return names;
}

// kStudents rows of kFields fields, plus `extraFields` further columns left empty for the caller.
inline void makeClassTable(table::GradeTable &t, const QStringList &extraFields = {})
{
    QRandomGenerator rng(20240901);
    table::Grid &g = t.grid;
    const QStringList names = fieldNames() + extraFields;
    table::GridBulk bulk(g);
    g.setRows(kStudents + 1);
    g.setCols(int(names.size()) + 1);
    g.setFormatString(QStringLiteral("  |") + names.join(QLatin1Char('|')));
    for (int r = 1; r <= kStudents; ++r) {
        g.setTextMatrix(r, 1, QString::number(20240000 + r));
        g.setTextMatrix(r, 2, chineseName(rng));
        for (int c = kFirstScore; c <= kFields; ++c)
            g.setTextMatrix(r, c, scoreText(rng));
    }
    t.rebuildHeader();
    t.title = QStringLiteral("高一（3）班成绩表");
    t.teacher = QStringLiteral("王老师");
    t.classInfo = QStringLiteral("高一（3）班\n班主任：王老师");
}

// One figure of scripts/bench.sh's table, as a line of tab-separated fields: "@row", the figure,
// its median in ms, the baseline's name and median measured in the same run (none: empty and 0),
// and the target ("ratio<=2", "ms<20"; empty when there is none). The script gathers these lines
// from every benchmark; everything else a benchmark prints goes to the detailed log.
inline void row(const QString &figure, double ms, const QString &baseline = {}, double baselineMs = 0,
                const QString &target = {})
{
    auto clean = [](QString s) { return s.replace(QLatin1Char('\t'), QLatin1Char(' ')); };
    out() << "@row\t" << clean(figure) << '\t' << QString::number(ms, 'f', 2) << '\t' << clean(baseline) << '\t'
          << QString::number(baselineMs, 'f', 2) << '\t' << target << '\n';
    out().flush();
}

// Runs `work` kRepeats times, each after `prepare` (not timed); the median in milliseconds.
inline double medianMs(const std::function<void()> &work, const std::function<void()> &prepare = {})
{
    std::vector<double> ms;
    for (int i = 0; i < kRepeats; ++i) {
        if (prepare)
            prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace bench
