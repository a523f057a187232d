#pragma once
// What the editing commands do to a table, apart from the widgets: the start-of-edit rule, the
// movement after Enter, and the clipboard and delete commands on the grid.
#include "core/table/grade_table.h"

#include <QString>

namespace table::editing {

// The editor's text when an edit starts with `typed` (the key character or input-method text) on a
// cell holding `cellText`: characters 0 … 32 (space, Enter, Backspace) edit the existing text; any
// other text, the full stop included, replaces it.
QString startText(const QString &cellText, const QString &typed);
bool editsExisting(const QString &typed);

// The current cell after Enter in the cell editor, by input direction. Horizontally, Enter at the
// last column goes on in the next row at `firstCol`, the column where typing of the row began.
void moveAfterEnter(Grid &grid, bool vertical, bool horizontal, int firstCol = 1);

// The grid's side of the Edit commands. Each table-changing one takes the undo snapshot first and
// sets the change marker.
QString copyCell(const GradeTable &t);
QString cutCell(GradeTable &t);
void pasteCell(GradeTable &t, const QString &clipboardText);
// Copy and cut take the cell (RowSel, ColSel), or a selected block as tab-separated lines. Paste
// puts a plain text into (RowSel, ColSel); a text with tabs or line breaks fills the block from
// the selection's first cell, clipped at the last row and column. Delete clears the selected
// block, whichever way it was selected.
void deleteRange(GradeTable &t);
void selectAll(GradeTable &t);

// "行:" row "列:" col.
QString positionText(const Grid &grid);

} // namespace table::editing
