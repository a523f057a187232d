#pragma once
// The property rules a new table is given on the command line, as the class-information and
// number-format dialogs and a field template give them in the window: the class size (data rows,
// numbered), teacher and class information; the number format "###." + n × "0" or "#"; the field
// names of a template file. These stand in one place until the table's property logic offers the
// same rules; the command line then calls that instead.
#include <QString>

namespace table {
class GradeTable;
}

namespace shell {

// Rows = size + 1 with the row numbers 1 … size, Text3 = teacher, Text4 = information; the
// change marker is set, as confirming the class dialog does.
void applyClassInfo(table::GradeTable &t, int classSize, const QString &teacher, const QString &information);
// "###." followed by `decimals` "0" (pad) or "#".
QString dataFormatFor(int decimals, bool pad);

enum class TemplateResult { Applied, Missing, BadFormat };
// Gives the grid the field names of a template file (records of 128 bytes: length, GBK text;
// record 1 the magic text, record 2 the column count C, records 3 … C + 2 the header segments).
// A file that is not a template, or whose count does not fit the file, changes nothing.
TemplateResult applyTemplate(table::GradeTable &t, const QString &path);

} // namespace shell
