#include "core/base/csv_text.h"

#include <QStringView>
#include <cmath>

namespace base {

namespace {

// What a spreadsheet would take for a formula once any apostrophes before it are gone.
bool guardedCore(QStringView value, qsizetype *apostrophes)
{
    qsizetype k = 0;
    while (k < value.size() && value[k] == u'\'')
        ++k;
    *apostrophes = k;
    const QStringView core = value.sliced(k);
    if (core.isEmpty() || !QStringView(u"=+-@\t\r").contains(core.front()))
        return false;
    bool number = false;
    const double v = core.toDouble(&number);
    return !(number && std::isfinite(v));
}

} // namespace

QString csvGuarded(const QString &value)
{
    qsizetype apostrophes = 0;
    return guardedCore(value, &apostrophes) ? QLatin1Char('\'') + value : value;
}

QString csvUnguarded(const QString &value)
{
    qsizetype apostrophes = 0;
    return guardedCore(value, &apostrophes) && apostrophes > 0 ? value.mid(1) : value;
}

QString csvField(const QString &plain)
{
    const QString value = csvGuarded(plain);
    bool quote = false;
    for (QChar c : value)
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n') {
            quote = true;
            break;
        }
    if (!quote)
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace base
