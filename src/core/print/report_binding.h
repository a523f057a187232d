#pragma once
// Label bindings and their files (".bind" in "标签引用数据"): which label of a report template shows
// which field of the table. A binding is two lines, kept in step: the display line
// (label caption + " = " + field name; a caption's line breaks written as "[/]") and the key line
// (label number + " = " + field number, in decimal). The file is the magic line and then the two
// lines of every binding, in code page 936 with CR LF line ends.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace print {

inline const QString kBindingMagic = QStringLiteral("ZUN'S Scorvane 报表数据绑定文件");
// A binding file larger than this cannot be one.
inline constexpr qint64 kMaxBindingFileBytes = 4 * 1024 * 1024;

struct BindingKey {
    int label = 0; // 1 … labels of the template
    int field = 0; // the table's column
    bool operator==(const BindingKey &) const = default;
};

// The bindings as the window lists them: List1 (display lines) and List3 (key lines).
struct Bindings {
    QStringList display;
    QStringList keys;
    bool operator==(const Bindings &) const = default;
};

// "N = M" with N and M decimal numbers; nullopt for anything else.
std::optional<BindingKey> parseKeyLine(const QString &line);
QString keyLine(const BindingKey &key);
// A caption on the display line: line breaks as "[/]", so the binding stays two lines.
QString displayCaption(const QString &caption);
QString displayLine(const QString &caption, const QString &fieldName);

// The file's bytes.
QByteArray bindingFileBytes(const Bindings &bindings);
// The bindings of a file's bytes: the magic line, then pairs whose key line has the form "N = M"
// (empty lines at the end are passed over); nullopt when anything else is found.
std::optional<Bindings> parseBindingFile(const QByteArray &bytes);

} // namespace print
