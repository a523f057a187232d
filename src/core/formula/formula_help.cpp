#include "core/formula/formula_help.h"

#include "core/formula/number_format.h"

#include <charconv>
#include <cmath>

namespace formula::help {

QList<Group> groups()
{
    auto n = [](const char16_t *name, const char16_t *meaning) {
        return Name{QString::fromUtf16(name), QString::fromUtf16(meaning)};
    };
    return {
        {QStringLiteral("三角："),
         {n(u"cos", u"余弦"), n(u"cot", u"余切"), n(u"csc", u"余割"), n(u"sec", u"正割"), n(u"sin", u"正弦"),
          n(u"tan", u"正切")}},
        {QStringLiteral("反双曲："),
         {n(u"ihc", u"反双曲余弦"), n(u"ihcc", u"反双曲余割"), n(u"ihct", u"反双曲余切"), n(u"ihs", u"反双曲正弦"),
          n(u"ihsc", u"反双曲正割"), n(u"iht", u"反双曲正切")}},
        {QStringLiteral("双曲："),
         {n(u"hcc", u"双曲余割"), n(u"hcs", u"双曲余弦"), n(u"hct", u"双曲余切"), n(u"hsc", u"双曲正割"),
          n(u"hsn", u"双曲正弦"), n(u"htn", u"双曲正切")}},
        {QStringLiteral("反三角："),
         {n(u"icc", u"反余割"), n(u"ics", u"反余弦"), n(u"ict", u"反余切"), n(u"isc", u"反正割"), n(u"isn", u"反正弦"),
          n(u"itn", u"反正切")}},
        {QStringLiteral("对数："), {n(u"ln", u"自然对数"), n(u"log", u"常用对数")}},
        {QStringLiteral("其他："),
         {n(u"^", u"乘方"), n(u"ans", u"前次得数"), n(u"e", u"e (2.7182...)"), n(u"pi", u"3.1415..."),
          n(u"sr", u"平方根")}},
    };
}

QString shownResult(const QString &result, bool decimal)
{
    bool ok = false;
    const double value = result.toDouble(&ok);
    if (!decimal || !ok || !std::isfinite(value) || value == std::trunc(value))
        return result;
    char buf[40];
    const auto end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 13).ptr;
    double rounded = value;
    std::from_chars(buf, end, rounded);
    return numberText(rounded);
}

} // namespace formula::help
