#include "core/formula/calculate.h"

#include <QtTest>

#include <cmath>

using formula::CalcOptions;
using formula::Calculator;

namespace {

const QString FormulaError = QStringLiteral("公式错误");
const QString Overflow = QStringLiteral("Error: Overflow");
const QString DivisionByZero = QStringLiteral("Error: Division By Zero");
const QString InvalidBase = QStringLiteral("Error: Invalid Logarithm Base");
const QString CalculationError = QStringLiteral("Calculation Error");

QString repeated(const char *piece, int count)
{
    return QString::fromLatin1(piece).repeated(count);
}

constexpr double Deg = 180 / M_PI;

} // namespace

class TestCalculate : public QObject {
    Q_OBJECT

private slots:
    void results_data();
    void results();
    void failures_data();
    void failures();
    void functionsInDegrees_data();
    void functionsInDegrees();
    void functionsInRadians_data();
    void functionsInRadians();
    void degreesUseTheShortPi();
    void answerPersists();
    void answerIsTheValueOfTheText();
    void helpFlag();
    void logBase_data();
    void logBase();
    void resultBases_data();
    void resultBases();
    void deepNesting_data();
    void deepNesting();
    void expressionLength_data();
    void expressionLength();
};

void TestCalculate::results_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("expected");
    auto row = [](const char *expr, const char *expected) {
        QTest::newRow(expr) << QString::fromUtf8(expr) << QString::fromUtf8(expected);
    };
    row("2*3-5+(2^3-5/(6-2))-3+sin(30)", "5.25");
    // Left-to-right combination and precedence.
    row("10-5-2", "3");
    row("8/4/2", "1");
    row("7-3+2", "6");
    row("2+3*4", "14");
    row("2*3+4*5", "26");
    row("2/4*8", "4");
    row("2*3^2", "18");
    row("3^2+1", "10");
    row("2^(1+1)", "4");
    row("2^3", "8");
    row("2^(0-1)", "0.5");
    row("0^0", "1");
    row("(-2)^2", "4");
    row("(-2)^3", "-8");
    row("sin(30)^2", "0.25");
    row("2^0.5", "1.4142135623731");
    // Unary minus covers the rest of the expression up to the next unmatched ")".
    row("-2+3", "-5");
    row("2*(-3)+1", "-5");
    row("-(2+3)", "-5");
    row("-3^2", "-9");
    row("2*-3+1", "-8");
    row("5-(-2)", "7");
    row("2--3", "5");
    row("-0", "0");
    row("0*-1", "0");
    // A closing parenthesis missing at the very end is accepted.
    row("(2+3", "5");
    row("((2+3", "5");
    row("(2+3)*(4", "20");
    row("2^(1+1", "4");
    row("sr(16", "4");
    // Implicit multiplication.
    row("2pi", "6.28318530717958");
    row("2(3+4)", "14");
    row("2(3)(4)", "24");
    row("2*3(4)", "24");
    row("(2)(3)^2", "18");
    row("3 4", "12");
    // sin30 lies just below 0.5 with the 15-digit pi; doubling shows it.
    row("2sin30", "0.999999999999999");
    row("1.2.3", "0.36");
    // Tokens, literals and names.
    row("2 * 3", "6");
    row("  7  ", "7");
    row("12.", "12");
    row(".5", "0.5");
    row("sin30", "0.5");
    row("sin(30)", "0.5");
    row("SIN(30)", "0.5");
    row("Sin30+1", "1.5");
    row("ln(e)", "1");
    row("log(1000)", "3");
    row("sr(16)", "4");
    row("sr4", "2");
    row("sr0", "0");
    row("pi", "3.14159265358979");
    row("e", "2.71828182845905");
    row("PI", "3.14159265358979");
    // Result text: 15 significant digits, exponent outside 1E-04 … below 1E+15.
    row("1/3", "0.333333333333333");
    row("2/3", "0.666666666666667");
    row("0.1+0.2", "0.3");
    row("10^14", "100000000000000");
    row("10^15", "1E+15");
    row("10^20", "1E+20");
    row("999999999999999", "999999999999999");
    row("999999999999999.5", "1E+15");
    row("123456789012345678", "1.23456789012346E+17");
    row("1/10^4", "0.0001");
    row("1/10^5", "1E-05");
    row("0.000015", "1.5E-05");
    row("-1/10^5", "-1E-05");
    row("(10^300)*10^8", "1E+308");
    QTest::newRow("long literal") << QStringLiteral("1") + repeated("0", 69) << QStringLiteral("1E+69");
    QTest::newRow("literal too small") << QStringLiteral("0.") + repeated("0", 400) + QStringLiteral("1")
                                       << QStringLiteral("0");
}

void TestCalculate::results()
{
    QFETCH(QString, expression);
    QFETCH(QString, expected);
    Calculator calc;
    QCOMPARE(calc.Calculate(expression), expected);
    QCOMPARE(calc.lastError(), QString());
}

void TestCalculate::failures_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("error");
    auto row = [](const char *name, const QString &expr, const QString &error) {
        QTest::newRow(name) << expr << error;
    };
    auto plain = [&row](const char *expr, const QString &error) { row(expr, QString::fromUtf8(expr), error); };
    // A power ends its term; tokens left after the expression.
    plain("3^2*2", CalculationError);
    plain("2^3^2", CalculationError);
    plain("2^2(3)", CalculationError);
    plain("2pi^2", CalculationError);
    plain("2+3)", CalculationError);
    plain("2)", CalculationError);
    plain("1 2 3", CalculationError);
    row("empty", QString(), CalculationError);
    row("spaces only", QStringLiteral("   "), CalculationError);
    plain("(", CalculationError);
    plain("()", CalculationError);
    plain("+2", CalculationError);
    plain("2*", CalculationError);
    plain("2+", CalculationError);
    // Exponents and arguments that are neither a literal nor a parenthesised expression.
    plain("2^pi", CalculationError);
    plain("2^-1", CalculationError);
    plain("sin pi", CalculationError);
    plain("sr -4", CalculationError);
    plain("sin", CalculationError);
    plain("sin()", CalculationError);
    // Characters and names the evaluator does not know.
    plain("1,5", CalculationError);
    plain("2?", CalculationError);
    plain("5%", CalculationError);
    row("tab", QStringLiteral("2\t3"), CalculationError);
    row("full-width digit", QStringLiteral("２+1"), CalculationError);
    row("full-width parenthesis", QStringLiteral("2*（3）"), CalculationError);
    plain("foo", CalculationError);
    plain("cell(1,2)", CalculationError);
    plain("sin30x", CalculationError);
    // Invalid literals.
    plain("1..5", CalculationError);
    plain(".", CalculationError);
    plain("2+..", CalculationError);
    // Domain errors.
    plain("sr(-1)", CalculationError);
    plain("sr(-0.01)", CalculationError);
    plain("ln(0)", CalculationError);
    plain("ln(-1)", CalculationError);
    plain("log(0)", CalculationError);
    plain("(-8)^(1/3)", CalculationError);
    plain("isn(2)", CalculationError);
    plain("ics(-2)", CalculationError);
    plain("isc(0.5)", CalculationError);
    plain("ihc(0.5)", CalculationError);
    plain("ihc(-2)", CalculationError);
    plain("iht(-1)", CalculationError);
    plain("iht(2)", CalculationError);
    plain("ihct(-1)", CalculationError);
    // Division by zero.
    plain("1/0", DivisionByZero);
    plain("0/0", DivisionByZero);
    plain("5/(2-2)", DivisionByZero);
    plain("0^(0-1)", DivisionByZero);
    plain("isn(1)", DivisionByZero);
    plain("isn(-1)", DivisionByZero);
    plain("ics(1)", DivisionByZero);
    plain("cot(0)", DivisionByZero);
    plain("csc(0)", DivisionByZero);
    plain("ihct(1)", DivisionByZero);
    plain("hcc(0)", DivisionByZero);
    plain("hct(0)", DivisionByZero);
    plain("iht(1)", DivisionByZero);
    plain("isc(1)", DivisionByZero);
    plain("icc(1)", DivisionByZero);
    plain("ihsc(0)", DivisionByZero);
    plain("ihcc(0)", DivisionByZero);
    // Overflow.
    plain("10^400", Overflow);
    plain("(10^300)*10^9", Overflow);
    plain("10^308+10^308", Overflow);
    plain("0-10^308-10^308", Overflow);
    plain("hsn(100000)", Overflow);
    plain("htn(100000)", Overflow);
    row("literal too large", QStringLiteral("1") + repeated("0", 400), Overflow);
}

void TestCalculate::failures()
{
    QFETCH(QString, expression);
    QFETCH(QString, error);
    Calculator calc;
    QCOMPARE(calc.Calculate(expression), FormulaError);
    QCOMPARE(calc.lastError(), error);
}

void TestCalculate::functionsInDegrees_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<double>("expected");
    auto row = [](const char *expr, double expected) { QTest::newRow(expr) << QString::fromLatin1(expr) << expected; };
    row("sr(2)", std::sqrt(2.0));
    row("ln(10)", std::log(10.0));
    row("log(0.01)", -2);
    row("sin(30)", 0.5);
    row("cos(60)", 0.5);
    row("tan(45)", 1);
    row("sec(60)", 2);
    row("csc(30)", 2);
    row("cot(45)", 1);
    row("sin(-90)", -1);
    row("hsn(90)", std::sinh(M_PI / 2));
    row("hcs(90)", std::cosh(M_PI / 2));
    row("htn(90)", std::tanh(M_PI / 2));
    row("hsc(90)", 1 / std::cosh(M_PI / 2));
    row("hcc(90)", 1 / std::sinh(M_PI / 2));
    row("hct(90)", 1 / std::tanh(M_PI / 2));
    row("hsn(0)", 0);
    row("hcs(0)", 1);
    row("isn(0.5)", 30);
    row("isn(-0.5)", -30);
    row("ics(0.5)", 60);
    row("itn(1)", 45);
    row("ict(1)", 135);
    // The classic inverse-secant formulas, taken as they stand.
    row("isc(2)", (std::atan(2 / std::sqrt(3.0)) + M_PI / 2) * Deg);
    row("isc(-2)", (std::atan(-2 / std::sqrt(3.0)) - M_PI / 2) * Deg);
    row("icc(2)", std::atan(2 / std::sqrt(3.0)) * Deg);
    row("icc(-2)", (std::atan(-2 / std::sqrt(3.0)) - M_PI) * Deg);
    row("ihs(1)", std::asinh(1.0) * Deg);
    row("ihc(2)", std::acosh(2.0) * Deg);
    row("iht(0.5)", std::atanh(0.5) * Deg);
    row("ihsc(0.5)", std::acosh(2.0) * Deg);
    row("ihcc(1)", std::asinh(1.0) * Deg);
    row("ihcc(-1)", -std::asinh(1.0) * Deg);
    row("ihct(2)", std::atanh(0.5) * Deg);
}

void TestCalculate::functionsInDegrees()
{
    QFETCH(QString, expression);
    QFETCH(double, expected);
    Calculator calc;
    const QString text = calc.Calculate(expression);
    QVERIFY2(text != FormulaError, qPrintable(calc.lastError()));
    QVERIFY2(std::fabs(calc.answer() - expected) <= 1e-13 * std::max(1.0, std::fabs(expected)), qPrintable(text));
}

void TestCalculate::functionsInRadians_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("expected");
    auto row = [](const char *expr, const char *expected) {
        QTest::newRow(expr) << QString::fromLatin1(expr) << QString::fromUtf8(expected);
    };
    row("sin(pi/2)", "1");
    row("cos(pi)", "-1");
    row("itn(1)", "0.785398163397448");
    row("ict(0)", "1.5707963267949");
    row("hsn(1)", "1.1752011936438");
    row("ihs(1)", "0.881373587019543");
    row("isn(1)", "公式错误");
    row("cot(0)", "公式错误");
}

void TestCalculate::functionsInRadians()
{
    QFETCH(QString, expression);
    QFETCH(QString, expected);
    Calculator calc;
    calc.options.angle = CalcOptions::Angle::Radians;
    QCOMPARE(calc.Calculate(expression), expected);
}

void TestCalculate::degreesUseTheShortPi()
{
    // With the full-precision pi, sin(180) would be about 1.2E-16; the 15-digit pi leaves 3.23E-15.
    Calculator calc;
    const QString text = calc.Calculate(QStringLiteral("sin(180)"));
    QVERIFY2(text.startsWith(QStringLiteral("3.231089148")) && text.endsWith(QStringLiteral("E-15")), qPrintable(text));
}

void TestCalculate::answerPersists()
{
    Calculator calc;
    QCOMPARE(calc.Calculate(QStringLiteral("ans")), QStringLiteral("0"));
    QCOMPARE(calc.Calculate(QStringLiteral("3+4")), QStringLiteral("7"));
    QCOMPARE(calc.Calculate(QStringLiteral("ans")), QStringLiteral("7"));
    QCOMPARE(calc.Calculate(QStringLiteral("ANS*2")), QStringLiteral("14"));
    QCOMPARE(calc.Calculate(QStringLiteral("1/0")), FormulaError);
    QCOMPARE(calc.answer(), 14.0);
    QCOMPARE(calc.Calculate(QStringLiteral("ans")), QStringLiteral("14"));
    QCOMPARE(calc.Calculate(QStringLiteral("2ans+ans")), QStringLiteral("42"));
    // The last error text survives a later success.
    QCOMPARE(calc.lastError(), DivisionByZero);
}

void TestCalculate::answerIsTheValueOfTheText()
{
    Calculator calc;
    QCOMPARE(calc.Calculate(QStringLiteral("1/3")), QStringLiteral("0.333333333333333"));
    QVERIFY(calc.answer() == 0.333333333333333);
    QCOMPARE(calc.Calculate(QStringLiteral("ans*3")), QStringLiteral("0.999999999999999"));

    calc.options.base = CalcOptions::Base::Hex;
    QCOMPARE(calc.Calculate(QStringLiteral("255")), QStringLiteral("FF"));
    QVERIFY(calc.answer() == 255);
}

void TestCalculate::helpFlag()
{
    Calculator calc;
    QCOMPARE(calc.Calculate(QStringLiteral("2+HELP")), FormulaError);
    QVERIFY(calc.helpRequested());
    QCOMPARE(calc.lastError(), CalculationError);
    QCOMPARE(calc.Calculate(QStringLiteral("1")), QStringLiteral("1"));
    QVERIFY(!calc.helpRequested());
    QCOMPARE(calc.Calculate(QStringLiteral("helpme")), FormulaError);
    QVERIFY(!calc.helpRequested());
}

void TestCalculate::logBase_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("baseAfter");
    auto row = [](const char *name, const char *base, const char *expr, const char *expected, const QString &error,
                  const char *after) {
        QTest::newRow(name) << QString::fromLatin1(base) << QString::fromLatin1(expr) << QString::fromUtf8(expected)
                            << error << QString::fromLatin1(after);
    };
    row("base 2", "2", "log(8)", "3", {}, "2");
    row("empty becomes 10", "", "log(100)", "2", {}, "10");
    row("leading zero normalised", "010", "log(100)", "2", {}, "10");
    row("trailing zero normalised", "2.50", "log(6.25)", "2", {}, "2.5");
    row("trailing point normalised", "5.", "log(25)", "2", {}, "5");
    row("letters", "abc", "log(100)", "公式错误", InvalidBase, "abc");
    row("two points", "1.2.3", "log(100)", "公式错误", InvalidBase, "1.2.3");
    row("sign", "-10", "log(100)", "公式错误", InvalidBase, "-10");
    row("space", " 10", "log(100)", "公式错误", InvalidBase, " 10");
    row("base checked before the argument", "abc", "log(-1)", "公式错误", InvalidBase, "abc");
    row("base 1", "1", "log(5)", "公式错误", DivisionByZero, "1");
    row("base 0", "0", "log(5)", "公式错误", CalculationError, "0");
    row("only log reads the base", "abc", "ln(1)+2", "2", {}, "abc");
}

void TestCalculate::logBase()
{
    QFETCH(QString, base);
    QFETCH(QString, expression);
    QFETCH(QString, expected);
    QFETCH(QString, error);
    QFETCH(QString, baseAfter);
    Calculator calc;
    calc.options.logBase = base;
    QCOMPARE(calc.Calculate(expression), expected);
    QCOMPARE(calc.lastError(), error);
    QCOMPARE(calc.options.logBase, baseAfter);
}

void TestCalculate::resultBases_data()
{
    QTest::addColumn<int>("base");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("expected");
    auto row = [](const char *name, CalcOptions::Base base, const char *expr, const char *expected) {
        QTest::newRow(name) << int(base) << QString::fromLatin1(expr) << QString::fromLatin1(expected);
    };
    using B = CalcOptions::Base;
    row("dec", B::Dec, "255", "255");
    row("bin 5", B::Bin, "5", "101");
    row("bin 0", B::Bin, "0", "0");
    row("bin 1", B::Bin, "1", "1");
    row("bin 255", B::Bin, "255", "11111111");
    row("bin rounds up at .5", B::Bin, "2.5", "11");
    row("bin rounds down below .5", B::Bin, "2.4", "10");
    row("bin largest", B::Bin, "32767", "111111111111111");
    row("bin beyond stays decimal", B::Bin, "32768", "32768");
    row("bin negative", B::Bin, "0-5", "-101");
    row("hex 255", B::Hex, "255", "FF");
    row("hex rounds", B::Hex, "254.5", "FF");
    row("hex 4095", B::Hex, "4095", "FFF");
    row("hex -1", B::Hex, "0-1", "FFFFFFFF");
    row("hex beyond 32 bits stays decimal", B::Hex, "2^31", "2147483648");
    row("oct 8", B::Oct, "8", "10");
    row("oct 511", B::Oct, "511", "777");
    row("oct -1", B::Oct, "0-1", "37777777777");
}

void TestCalculate::resultBases()
{
    QFETCH(int, base);
    QFETCH(QString, expression);
    QFETCH(QString, expected);
    Calculator calc;
    calc.options.base = static_cast<CalcOptions::Base>(base);
    QCOMPARE(calc.Calculate(expression), expected);
}

void TestCalculate::deepNesting_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("expected");
    QTest::newRow("5000 open") << repeated("(", 5000) + QStringLiteral("1") << FormulaError;
    QTest::newRow("5000 closed") << repeated("(", 5000) + QStringLiteral("1") + repeated(")", 5000) << FormulaError;
    QTest::newRow("5000 minus") << repeated("-", 5000) + QStringLiteral("1") << FormulaError;
    QTest::newRow("5000 exponents") << repeated("2^(", 5000) + QStringLiteral("1") << FormulaError;
    QTest::newRow("5000 arguments") << repeated("sin(", 5000) + QStringLiteral("0") << FormulaError;
    QTest::newRow("900 groups") << repeated("(", 900) + QStringLiteral("7") + repeated(")", 900) << QStringLiteral("7");
    QTest::newRow("900 minus") << repeated("-", 900) + QStringLiteral("1") << QStringLiteral("1");
}

void TestCalculate::deepNesting()
{
    QFETCH(QString, expression);
    QFETCH(QString, expected);
    Calculator calc;
    QCOMPARE(calc.Calculate(expression), expected);
    if (expected == FormulaError)
        QCOMPARE(calc.lastError(), CalculationError);
}

void TestCalculate::expressionLength_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("error");
    // "1+" n times and a final "11": the sum is n + 11.
    const QString longest = repeated("1+", 16382) + QStringLiteral("11");
    QCOMPARE(longest.size(), Calculator::MaxExpressionLength);
    QTest::newRow("32766 characters") << longest << QStringLiteral("16393") << QString();
    QTest::newRow("32767 characters") << longest + QStringLiteral(" ") << FormulaError << Overflow;
    QTest::newRow("40000 characters") << repeated("1+", 19999) + QStringLiteral("11") << FormulaError << Overflow;
}

void TestCalculate::expressionLength()
{
    QFETCH(QString, expression);
    QFETCH(QString, expected);
    QFETCH(QString, error);
    Calculator calc;
    QCOMPARE(calc.Calculate(expression), expected);
    QCOMPARE(calc.lastError(), error);
}

QTEST_APPLESS_MAIN(TestCalculate)
#include "tst_calculate.moc"
