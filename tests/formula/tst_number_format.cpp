#include "core/formula/number_format.h"

#include <QtTest>

#include <limits>

using formula::formatNumber;
using formula::formatResult;
using formula::numberText;

class TestNumberFormat : public QObject {
    Q_OBJECT

private slots:
    void numberText_data();
    void numberText();
    void formatNumber_data();
    void formatNumber();
    void formatResult_data();
    void formatResult();
    void dialogPatterns_data();
    void dialogPatterns();
};

void TestNumberFormat::numberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    auto row = [](const char *name, double value, const char *expected) {
        QTest::newRow(name) << value << QString::fromLatin1(expected);
    };
    row("zero", 0, "0");
    row("negative zero", -0.0, "0");
    row("one", 1, "1");
    row("hundred", 100, "100");
    row("negative fraction", -1.5, "-1.5");
    row("85.456", 85.456, "85.456");
    row("one third", 1.0 / 3, "0.333333333333333");
    row("two thirds", 2.0 / 3, "0.666666666666667");
    row("full pi doubled", 2 * M_PI, "6.28318530717959");
    row("short pi doubled", 2 * 3.14159265358979, "6.28318530717958");
    row("1E+14 plain", 1e14, "100000000000000");
    row("1E+15", 1e15, "1E+15");
    row("rounds into 1E+15", 999999999999999.5, "1E+15");
    row("17 digits", 123456789012345678.0, "1.23456789012346E+17");
    row("1E+100", 1e100, "1E+100");
    row("largest", std::numeric_limits<double>::max(), "1.79769313486232E+308");
    row("0.0001 plain", 1e-4, "0.0001");
    row("0.000123 plain", 0.000123, "0.000123");
    row("1E-05", 1e-5, "1E-05");
    row("1.5E-05", 1.5e-5, "1.5E-05");
    row("rounds into 0.0001", 9.9999999999999999e-5, "0.0001");
    row("negative small", -2.5e-7, "-2.5E-07");
    row("1E-100", 1e-100, "1E-100");
    row("smallest denormal", std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324");
}

void TestNumberFormat::numberText()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(formula::numberText(value), expected);
}

void TestNumberFormat::formatNumber_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");
    auto row = [](const char *number, const QString &pattern, const char *expected) {
        QTest::newRow(qPrintable(QString::fromUtf8(number) + QStringLiteral(" | ") + pattern))
            << QString::fromUtf8(number) << pattern << QString::fromUtf8(expected);
    };
    const QString initial = QStringLiteral("###.##");
    // The initial data format: the "." is always written, the caller removes a trailing one.
    row("85", initial, "85.");
    row("85.456", initial, "85.46");
    row("85.4", initial, "85.4");
    row("0.5", initial, ".5");
    row("0", initial, ".");
    row("-0.5", initial, "-.5");
    row("170.5", initial, "170.5");
    // Half away from zero, on the decimal digits of the text.
    row("85.455", initial, "85.46");
    row("-85.455", initial, "-85.46");
    row("2.345", initial, "2.35");
    row("85.454999", initial, "85.45");
    row("0.005", initial, ".01");
    row("0.004", initial, ".");
    row("-0.004", initial, ".");
    row("99.995", initial, "100.");
    row("-99.995", initial, "-100.");
    row("0.333333333333333", initial, ".33");
    // Exponent forms of the result text are written out in full.
    row("1E+20", initial, "100000000000000000000.");
    row("1.23456789012346E+17", QStringLiteral("###"), "123456789012346000");
    row("-1.5E+16", QStringLiteral("###.##"), "-15000000000000000.");
    row("1.5E-05", initial, ".");
    row("1.5E-05", QStringLiteral("###.000000"), ".000015");
    row("5E-05", QStringLiteral("###.####"), ".0001");
    // Required decimals.
    row("85", QStringLiteral("###.00"), "85.00");
    row("0.5", QStringLiteral("###.00"), ".50");
    row("0", QStringLiteral("###.00"), ".00");
    row("9.999", QStringLiteral("###.00"), "10.00");
    row("-1.2", QStringLiteral("###.000"), "-1.200");
    // Required integer digits and mixed placeholders.
    row("5", QStringLiteral("0.00"), "5.00");
    row("0.5", QStringLiteral("0.00"), "0.50");
    row("0", QStringLiteral("0.##"), "0.");
    row("5", QStringLiteral("000.##"), "005.");
    row("12345", QStringLiteral("0##"), "12345");
    row("5", QStringLiteral("#0#"), "05");
    row("1", QStringLiteral("#.0#"), "1.0");
    row("1.5", QStringLiteral("#.0#"), "1.5");
    row("1.234", QStringLiteral("#.0#"), "1.23");
    // No point in the pattern: whole numbers, no leading zero for "#".
    row("12345.6", QStringLiteral("###"), "12346");
    row("0.4", QStringLiteral("###"), "");
    row("0.5", QStringLiteral("###"), "1");
    row("-0.4", QStringLiteral("###"), "");
    row("-2.5", QStringLiteral("###"), "-3");
    // Thousands grouping.
    row("1234567.891", QStringLiteral("#,##0.00"), "1,234,567.89");
    row("999.5", QStringLiteral("#,###"), "1,000");
    row("-1234", QStringLiteral("#,###"), "-1,234");
    row("12", QStringLiteral("#,###"), "12");
    row("0.5", QStringLiteral("#,###.##"), ".5");
    // Texts that are not numbers pass unchanged.
    row("公式错误", initial, "公式错误");
    row("引用错误", initial, "引用错误");
    row("", initial, "");
    row("abc", initial, "abc");
    row("1.2.3", initial, "1.2.3");
    row("FF", initial, "FF");
    row("-", initial, "-");
    row(".", initial, ".");
    row("1E", initial, "1E");
    row("1E+", initial, "1E+");
    row(" 85", initial, " 85");
    row("85 ", initial, "85 ");
    row("1E+99999", initial, "1E+99999");
    // Unusable patterns leave the number text as it is.
    row("85.456", QString(), "85.456");
    row("85.456", QStringLiteral("abc"), "85.456");
    row("85.456", QStringLiteral("##.#.#"), "85.456");
    row("85.456", QStringLiteral("###.##元"), "85.456");
    row("85.456", QStringLiteral("0.00%"), "85.456");
    row("1E-05", QStringLiteral("General"), "1E-05");
}

void TestNumberFormat::formatNumber()
{
    QFETCH(QString, number);
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(formula::formatNumber(number, pattern), expected);
}

void TestNumberFormat::formatResult_data()
{
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    auto row = [](const char *result, const char *format, const char *expected) {
        QTest::newRow(qPrintable(QString::fromUtf8(result) + QStringLiteral(" | ") + QString::fromLatin1(format)))
            << QString::fromUtf8(result) << QString::fromLatin1(format) << QString::fromUtf8(expected);
    };
    row("85", "###.##", "85");
    row("85.456", "###.##", "85.46");
    row("0.5", "###.##", ".5");
    row("0", "###.##", "");
    row("170.5", "###.##", "170.5");
    row("99.995", "###.##", "100");
    row("85", "###.00", "85.00");
    row("0", "###", "");
    row("公式错误", "###.##", "公式错误");
    row("引用错误", "###.00", "引用错误");
    // Only one "." goes.
    row("12.", "", "12");
}

void TestNumberFormat::formatResult()
{
    QFETCH(QString, result);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(formula::formatResult(result, format), expected);
}

// The data-format dialog builds "###." and n decimals, all "0" or all "#"; its preview shows
// 123.456789.
void TestNumberFormat::dialogPatterns_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("preview");
    auto row = [](int decimals, bool pad, const char *preview) {
        const QString pattern = QStringLiteral("###.") + QString(decimals, pad ? QLatin1Char('0') : QLatin1Char('#'));
        QTest::newRow(qPrintable(pattern)) << pattern << QString::fromLatin1(preview);
    };
    row(0, false, "123");
    row(1, false, "123.5");
    row(2, false, "123.46");
    row(4, true, "123.4568");
    row(6, false, "123.456789");
    row(8, false, "123.456789");
    row(8, true, "123.45678900");
    row(20, true, "123.45678900000000000000");
}

void TestNumberFormat::dialogPatterns()
{
    QFETCH(QString, pattern);
    QFETCH(QString, preview);
    QCOMPARE(formula::formatResult(QStringLiteral("123.456789"), pattern), preview);
}

QTEST_APPLESS_MAIN(TestNumberFormat)
#include "tst_number_format.moc"
