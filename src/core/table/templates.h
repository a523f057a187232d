#pragma once
// Field templates: a table's field list kept in "<name>.templet" in the template folder, so that
// other tables can be given the same structure. The file is a row of 128-byte records, each a
// 2-byte little-endian length and that many bytes of GBK text: the magic text, the column count C
// in decimal, then the C header segments ("  " and the field names).
#include "core/table/grade_table.h"
#include "core/ui/outcome.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <optional>

namespace base {
class Workspace;
}
namespace ui {
class Prompter;
}

namespace table {

inline const QString kTemplateMagic = QStringLiteral("ZUN'S 表格模版文件");
inline const QString kTemplateSuffix = QStringLiteral(".templet");
constexpr int kTemplateRecord = 128;
constexpr int kTemplateMaxValue = kTemplateRecord - 2;
constexpr int kTemplateNameMax = 60;

// The C header segments of a grid for a template, C = Cols: the header format text's segments,
// and where the text has fewer, the header cells ("   " for an unnamed field).
QStringList templateSegments(const Grid &grid);

// The template file of `segments`: C + 2 records, zero-padded. nullopt when a value does not fit
// in a record (more than 126 bytes).
std::optional<QByteArray> templateBytes(const QStringList &segments);
// The segments of a template file, or nullopt for anything but a well-formed one: wrong magic,
// C not a number from 1 to 32767, a length over 126, a value beyond the end of the data, fewer
// than C + 2 records, or a "|" in a value. The last record may end right after its value.
std::optional<QStringList> parseTemplate(QByteArrayView bytes);
// Reads a template file, never more than the largest template can hold.
std::optional<QStringList> readTemplateFile(const QString &path);

// The template menu: the "*.templet" file names of the template folder, sorted by name. The
// folder is created when it is missing (the list is then empty).
QStringList templateMenuEntries(const base::Workspace &ws);

// A template name the folder can keep: not empty after trimming, only characters allowed in file
// names, not starting with "." and at most 60 characters. Otherwise the refusal's text (an empty
// name: an empty text as well, nothing to tell).
std::optional<QString> templateNameProblem(const QString &name);

// Writes the grid's fields as template `name` (without ".templet"); refuses a name
// templateNameProblem refuses ("名称不能为空！" for an empty one) and fields too long for a record.
ui::Outcome saveTemplate(const Grid &grid, const base::Workspace &ws, const QString &name);
// 保存当前字段结构为模版: asks for the name (again after a refusal), saves and says
// "已保存模版“NAME”，共 N 个字段。". The caller rebuilds the template menu of every table window
// when it returns true.
bool askSaveTemplate(const GradeTable &t, const base::Workspace &ws, ui::Prompter &prompter);

struct TemplateRequest {
    QString entry;       // a menu entry: the file name with ".templet"
    unsigned agreed = 0; // TemplateQuestion answered yes
};
enum TemplateQuestion : unsigned {
    RelabelStudents = 1, // the number or names of fields change over students' data
};
// Applies the template file `entry` of the template folder: the header takes the template's
// names, columns are added but none removed, cells stay. Asks (RelabelStudents) when that changes
// the number or names of fields over students' data. A file that is not a well-formed template is
// refused with "模版文件格式错误!". Done when the table changed (through beginChange()).
ui::Outcome applyTemplate(GradeTable &t, const base::Workspace &ws, const TemplateRequest &request);
bool askApplyTemplate(GradeTable &t, const base::Workspace &ws, ui::Prompter &prompter, const QString &entry);

} // namespace table
