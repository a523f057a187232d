#pragma once
// The table's properties apart from their dialogs: the title, the class information (class size,
// teacher, notes), the number format of formula results, the table font, and row heights and
// column widths.
#include "core/table/grade_table.h"

#include <QString>
#include <array>
#include <optional>

namespace base {
class Workspace;
}
namespace ui {
class Prompter;
class SettingsStore;
} // namespace ui

namespace table {

// 更改表格标题: asks for the title; a non-empty answer becomes the title (through beginChange()).
bool menuChangTitile(GradeTable &t, ui::Prompter &prompter);
void setTitle(GradeTable &t, const QString &title);

// --- class information --------------------------------------------------------------------------

constexpr int kMaxClassSize = Grid::kMaxCount - 1;

struct ClassInfo {
    int classSize = 0; // Rows − 1
    QString teacher;   // the 教师 box
    QString info;      // the 班级信息 box, may hold line breaks
};
ClassInfo classInfoOf(const GradeTable &t);
// The class size in the box's text (blanks around it allowed); nullopt for anything that is not a
// whole number 0 … 32766, which "完成" refuses with classSizeMessage() and the dialog stays open.
std::optional<int> classSizeFromText(const QString &typed);
QString classSizeMessage();
// "完成": Rows = class size + 1 (new rows empty, dropped rows with their data), teacher, class
// information and the row numbers, through beginChange(). False (nothing changed) when the size is
// outside 0 … 32766 or the grid would grow too large.
bool applyClassInfo(GradeTable &t, const ClassInfo &info);

// --- number format ------------------------------------------------------------------------------

constexpr int kMaxDecimals = 15;
// The number of characters after the first "." of the format (0 without one), at most 15.
int decimalsOf(const QString &dataFormat);
// Whether the format pads with zeros: it ends with "0".
bool padsOf(const QString &dataFormat);
// "###." + n × "0" (pad) or n × "#"; n is limited to 0 … 15.
QString dataFormatFor(int decimals, bool pad);
// The decimals box after an edit: empty becomes "0", anything that is not a whole number is
// cleared, a number beyond 15 becomes "15".
QString decimalsBoxText(const QString &typed);
// Sets the table's number format (through beginChange() when it differs).
bool applyDataFormat(GradeTable &t, const QString &dataFormat);

// --- font ---------------------------------------------------------------------------------------

struct FontSizeEntry {
    const char16_t *text;
    int points;
};
// The size list of the font dialog, in its order.
extern const std::array<FontSizeEntry, 31> kFontSizes;
// The entry to preselect for a point size: the first with that point size, else "9".
int fontSizeIndex(double points);
// The program-wide table font: the workspace's font holder and the user settings ("Font"/"Name",
// "Font"/"Size"). Table windows take it when they are activated.
void setTableFont(base::Workspace &ws, ui::SettingsStore &settings, const QString &name, int points);

// --- row height and column width ----------------------------------------------------------------

constexpr int kMaxCellTwips = 32767;
// A size box after an edit: a text that is not a whole number from 0 to 32767 becomes `current`.
QString sizeBoxText(const QString &typed, int current);
// The height to every row from Row to RowSel and the width to every column from Col to ColSel
// (whichever way the selection runs). Values outside 0 … 32767 are not applied.
void applyHeightWidth(Grid &grid, int heightTwips, int widthTwips);

} // namespace table
