#pragma once
// The texts of the formula help and its example, apart from the window.
#include <QList>
#include <QString>

namespace formula::help {

inline const QString kIntro = QStringLiteral("公式可以支持各种数学符号，除+-*/还支持以下函数。");
inline const QString kUsage = QStringLiteral("运算符：使用方式为 运算符(参数)，如： sr(4)");
inline const QString kReferences = QStringLiteral(
    "对数据表中数据的引用，请使用“横行行号,纵行序号”的形式，如：“cell(1,2)+cell(2,2)”；支持通配“?”代表与本单元格"
    "相同的行或列，如：cell(?,1)。公式中，一律使用半角字符。");
inline const QString kNote =
    QStringLiteral("另外：使用公式后，单元格立即显示公式的计算结果，在打印预览中也可以看到打印的结果。");
inline const QString kExample = QStringLiteral("2*3-5+(2^3-5/(6-2))-3+sin(30)");

struct Name {
    QString name;
    QString meaning;
};
struct Group {
    QString title;
    QList<Name> names;
};
// The names the evaluator knows, in their groups.
QList<Group> groups();

// The calculator's result as the help window shows it. The evaluator's result carries 15
// significant digits, and its 15-digit pi leaves an error in the last of them (cos(60) is
// 0.500000000000001); a decimal result that is not whole is shown rounded to 14 significant
// digits (0.5). Whole numbers, other bases and "公式错误" are shown as they are.
QString shownResult(const QString &result, bool decimal);

} // namespace formula::help
