#include "core/shell/school_tree.h"

#include "core/base/ini_profile.h"
#include "core/base/module1.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>
#include <algorithm>

namespace shell {

namespace {

const QString kSchool = QStringLiteral("School");

QString decodeSchoolFile(const QByteArray &bytes)
{
    static const QByteArray bom("\xEF\xBB\xBF", 3);
    if (!bytes.startsWith(bom))
        return base::codec::decode(bytes);
    // An editor that added the mark most likely saved the text as UTF-8.
    const QByteArrayView rest = QByteArrayView(bytes).sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(rest);
    return utf8.hasError() ? base::codec::decode(rest) : text;
}

// The highest index i below kMaxListEntries such that every key prefix + 0 … prefix + i + suffix
// is present; −1 when the first is missing.
int highestPresent(const base::ini::Document &doc, const QString &section, const QString &prefix,
                   const QString &suffix = {})
{
    int i = -1;
    while (i + 1 < kMaxListEntries && doc.contains(section, prefix + QString::number(i + 1) + suffix))
        ++i;
    return i;
}

// The count key read with the rules of a hand-edited file (see the header).
int highestIndex(const base::ini::Document &doc, const QString &section, const QString &countKey, int present)
{
    if (!doc.contains(section, countKey))
        return present;
    const QString v = doc.value(section, countKey, QString()).trimmed();
    qsizetype digits = (!v.isEmpty() && (v[0] == u'+' || v[0] == u'-')) ? 1 : 0;
    if (digits >= v.size())
        return present;
    for (qsizetype i = digits; i < v.size(); ++i)
        if (v[i] < u'0' || v[i] > u'9')
            return present;
    if (v[0] == u'-') {
        // Any negative count means no entries; "-0" is still 0.
        bool ok = false;
        const qlonglong n = v.toLongLong(&ok);
        return ok && n == 0 ? std::min(0, present) : -1;
    }
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok); // too many digits: far beyond the keys present
    return ok ? static_cast<int>(std::min<qlonglong>(n, present)) : present;
}

// A value as the profile reader gives it back: one with white space at either end goes inside
// quotes, which reading removes. A line break would start a line of its own.
QString storedValue(QString value)
{
    value.replace(QLatin1String("\r\n"), QLatin1String(" "));
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const bool edgeSpace = !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
    return edgeSpace ? QLatin1Char('"') + value + QLatin1Char('"') : value;
}

} // namespace

School schoolFromBytes(const QByteArray &bytes)
{
    const base::ini::Document doc(decodeSchoolFile(bytes));
    School school;
    school.name = doc.value(kSchool, QStringLiteral("Name"), QString());
    const QString grade = QStringLiteral("Grade");
    const int grades = highestIndex(doc, kSchool, grade, highestPresent(doc, kSchool, grade));
    for (int i = 0; i <= grades; ++i) {
        const QString gradeKey = grade + QString::number(i);
        SchoolGrade g;
        g.name = doc.value(kSchool, gradeKey, QString());
        const QString section = gradeKey;
        const QString classKey = QStringLiteral("Class");
        const int classes = highestIndex(doc, kSchool, gradeKey + classKey, highestPresent(doc, section, classKey));
        for (int j = 0; j <= classes; ++j)
            g.classes << doc.value(section, classKey + QString::number(j), QString());
        school.grades << g;
    }
    return school;
}

std::optional<School> readSchool(const QString &file)
{
    if (!QFileInfo(file).isFile())
        return std::nullopt;
    QByteArray bytes;
    if (!base::codec::readBytes(file, &bytes))
        return std::nullopt;
    return schoolFromBytes(bytes);
}

QByteArray schoolFileBytes(const School &school)
{
    // Composed in the exact form the profile writer gives when the keys are written one by one
    // into a new file: School first, then each grade's section in grade order.
    QStringList lines{kSchoolFileComment1, kSchoolFileComment2, QStringLiteral("[School]")};
    lines << QStringLiteral("Name=") + storedValue(school.name);
    lines << QStringLiteral("Grade=") + QString::number(school.grades.size() - 1);
    for (qsizetype i = 0; i < school.grades.size(); ++i) {
        const QString key = QStringLiteral("Grade") + QString::number(i);
        lines << key + QLatin1Char('=') + storedValue(school.grades[i].name);
        lines << key + QStringLiteral("Class=") + QString::number(school.grades[i].classes.size() - 1);
    }
    for (qsizetype i = 0; i < school.grades.size(); ++i) {
        const QStringList &classes = school.grades[i].classes;
        if (classes.isEmpty())
            continue;
        lines << QStringLiteral("[Grade") + QString::number(i) + QLatin1Char(']');
        for (qsizetype j = 0; j < classes.size(); ++j)
            lines << QStringLiteral("Class") + QString::number(j) + QLatin1Char('=') + storedValue(classes[j]);
    }
    return base::codec::encode(lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n"));
}

bool writeSchool(const QString &file, const School &school)
{
    return base::codec::writeBytes(file, schoolFileBytes(school));
}

QList<TreeNode> treeNodes(const School &school)
{
    QList<TreeNode> nodes;
    nodes.append({QStringLiteral("School1"), school.name, 1, -1});
    for (qsizetype i = 0; i < school.grades.size(); ++i) {
        const QString gradeKey = QStringLiteral("Grade") + QString::number(i);
        const int gradeIndex = static_cast<int>(nodes.size());
        nodes.append({gradeKey, school.grades[i].name, 2, 0});
        const QStringList &classes = school.grades[i].classes;
        for (qsizetype j = 0; j < classes.size(); ++j)
            nodes.append({gradeKey + QStringLiteral("Class") + QString::number(j), classes[j], 3, gradeIndex});
    }
    return nodes;
}

QStringList nodePath(const QList<TreeNode> &nodes, int index)
{
    QStringList path;
    for (int i = index; i >= 0 && i < nodes.size(); i = nodes[i].parent)
        path.prepend(nodes[i].text);
    return path;
}

int nodeByPath(const QList<TreeNode> &nodes, const QString &path)
{
    for (int i = 0; i < nodes.size(); ++i)
        if (nodePath(nodes, i).join(QLatin1Char('/')) == path)
            return i;
    return -1;
}

bool isUsableName(const QString &name)
{
    return !name.trimmed().isEmpty() && base::IsValidName(name) && name != QLatin1String(".") &&
           name != QLatin1String("..");
}

bool isUsablePath(const QStringList &path)
{
    return !path.isEmpty() && std::all_of(path.begin(), path.end(), isUsableName);
}

QString classDirectory(const base::Workspace &ws, const QStringList &path)
{
    if (!isUsablePath(path))
        return {};
    return ws.tableDataDir() + path.join(QLatin1Char('/'));
}

QStringList tableNames(const QString &dir)
{
    if (dir.isEmpty())
        return {};
    QStringList names;
    const QDir d(dir);
    // Case-sensitive, so every listed name opens as name + ".gdt".
    const QStringList files = d.entryList({QStringLiteral("*.gdt")}, QDir::Files | QDir::CaseSensitive, QDir::NoSort);
    for (const QString &f : files)
        names << f.left(f.size() - 4);
    // In Chinese (pinyin) order, as a teacher looks for them.
    QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    std::sort(names.begin(), names.end(), [&](const QString &a, const QString &b) {
        const int c = collator.compare(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

QString proposedTableName(const QStringList &tables)
{
    const QString stem = QStringLiteral("新成绩表");
    qsizetype n = tables.size() - 1;
    while (tables.contains(stem + QString::number(n)))
        ++n;
    return stem + QString::number(n);
}

} // namespace shell
