// The evaluator: byte 0 chooses the options (angle, result base, logarithm base), the rest is the
// expression as UTF-8. Evaluated twice, so the second run can use the first one's answer.
#include "core/formula/calculate.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    static const char *const logBases[] = {"10", "2", "e", "0", "1", "-3", "x", ""};
    formula::Calculator calc;
    calc.options.angle = data[0] & 1 ? formula::CalcOptions::Angle::Radians : formula::CalcOptions::Angle::Degrees;
    calc.options.base = static_cast<formula::CalcOptions::Base>((data[0] >> 1) & 3);
    calc.options.logBase = QString::fromLatin1(logBases[(data[0] >> 3) & 7]);
    const QString expression = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    calc.Calculate(expression);
    calc.Calculate(expression);
    return 0;
}
