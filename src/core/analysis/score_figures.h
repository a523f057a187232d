#pragma once
// The figures of one analysed field (成绩分析): from the scores of its students, the average,
// extremes, population standard deviation, the pass, excellent and low counts and rates, and the
// score bands. Numbers are rounded to two decimals on their decimal value, halves away from zero,
// as a teacher rounds by hand.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace analysis {

inline constexpr int kDefaultFullMarks = 100;
// Full marks and band widths above this are refused: the bands of one field stay a short list.
inline constexpr int kMaxFullMarks = 10000;

struct AnalysisOptions {
    QHash<QString, int> fullMarks; // by field name; a field not named has defaultFullMarks
    int defaultFullMarks = kDefaultFullMarks;
    double passPercent = 60;      // pass line = full marks × passPercent / 100
    double excellentPercent = 85; // excellent line
    double lowPercent = 40;       // low line: scores below it are low
    int bandWidth = 10;           // points per score band

    int fullMarksOf(const QString &field) const { return fullMarks.value(field, defaultFullMarks); }
};

// The message for options an analysis cannot take (full marks or band width not from 1 to
// kMaxFullMarks, a percentage outside 0 … 100); empty when they are fine.
QString optionsRefusal(const AnalysisOptions &options);

// `value` rounded to two decimals, halves away from zero on the value written with 15 significant
// digits (76.145 gives 76.15 although the double is just below it), without trailing zeros: "80",
// "80.5", "76.15", "0.5", "-3.2". Empty for an infinity or NaN.
QString decimalText(double value);
// 100 × count / total with exactly two decimals and "%", halves away from zero: "12.50%", "3.13%";
// empty when total is 0.
QString rateText(qint64 count, qint64 total);

// The scores of one field over a group of students.
struct FieldSample {
    int students = 0;
    std::vector<double> scores;
};

// One score band: the scores from `low` up to `high` (the top band: every score from `low` up;
// the last band "P以下": every score below the pass line).
struct ScoreBand {
    QString label;
    double low = 0;
    double high = 0;
    int count = 0;
};

// The empty bands for full marks F, pass line P and width W, from the top: [F − W, F],
// [F − 2W, F − W), …, the first band whose lower bound would be at or below P ending at P, and
// "P以下".
QList<ScoreBand> scoreBands(int fullMarks, double passLine, int width);

struct FieldFigures {
    QString name;
    int fullMarks = kDefaultFullMarks;
    double passLine = 0, excellentLine = 0, lowLine = 0;
    int students = 0; // 人数
    int scores = 0;   // 实考
    int passCount = 0, excellentCount = 0, lowCount = 0;
    // Without scores: nullopt. The mean is unrounded (the rank of a class goes by it).
    std::optional<double> mean, highest, lowest, deviation;
    QList<ScoreBand> bands;

    int absent() const { return students - scores; } // 缺考
    QString meanText() const;
    // 科目 人数 实考 缺考 平均分 最高分 最低分 标准差 及格人数 及格率 优秀人数 优秀率 低分人数 低分率.
    QStringList figureRow() const;

    // Kept for exact comparisons and rounding: the sum of the scores in ten-thousandths when every
    // score is a whole number of them (scores are typed with a few decimals at most), and with it
    // the sum of their squares, so that the figures of parts pool exactly (pooledFigures).
    std::optional<qint64> exactSum;
    __int128 exactSquares = 0;
};

// The column names of figureRow.
QStringList figureHeader();

// `withBands` false leaves the score bands out (the grade summary shows none, and their labels
// are the dearest part of the figures).
FieldFigures fieldFigures(const QString &name, const FieldSample &sample, const AnalysisOptions &options,
                          bool withBands = true);
FieldFigures fieldFigures(const QString &name, int students, const std::vector<double> &scores,
                          const AnalysisOptions &options, bool withBands = true);
// The figures (without bands) of the parts' scores taken together, the grade over its classes, as
// fieldFigures gives them, without reading a score again; nullopt when a part's scores are not
// exact (exactSum), which only reading them all again gives to the last bit.
std::optional<FieldFigures> pooledFigures(const QString &name, int students, const QList<const FieldFigures *> &parts,
                                          const AnalysisOptions &options);

// −1, 0 or 1 as the mean of a is below, equal to or above that of b (exactly, where the scores
// allow); both must have scores.
int compareMeans(const FieldFigures &a, const FieldFigures &b);

// Whether the field is analysed unless the teacher chooses otherwise: it holds at least one score
// and every score lies between 0 and its full marks.
bool preselects(const std::vector<double> &scores, int fullMarks);

} // namespace analysis
