#include "core/formula/formula_commands.h"

#include "core/formula/calculate.h"
#include "core/formula/cell_formula.h"
#include "core/table/grade_table.h"

namespace formula {

void registerFormulaCommands(table::CommandRegistry &r)
{
    using table::CommandContext;
    r.displayValue = [](const table::GradeTable &t, base::Workspace &ws, int row, int col) {
        return 公式2值(t.grid, row, col, t.numberFormat, calculator(ws));
    };
    r.add({QStringLiteral("menuCheckGS"),
           base::ToolButton::None,
           [](CommandContext &c) { menuCheckGS(c.doc, calculator(c.ws)); },
           {}});
    r.add({QStringLiteral("menuRun"),
           base::ToolButton::None,
           [](CommandContext &c) { menuRun(c.doc, c.prompter, calculator(c.ws)); },
           {}});
    r.add({QStringLiteral("menuSetGStoLine"), base::ToolButton::None,
           [](CommandContext &c) { menuSetGStoLine(c.doc, c.prompter); },
           [](const CommandContext &c) {
               const table::Grid &g = c.doc.grid;
               return isFormula(g.TextMatrix(g.Row(), g.Col()));
           }});
}

} // namespace formula
