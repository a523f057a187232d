#include "core/formula/formula_commands.h"

#include "core/formula/calculate.h"
#include "core/formula/cell_formula.h"
#include "core/table/grade_table.h"

namespace formula {

void registerFormulaCommands(table::CommandRegistry &r)
{
    using table::CommandContext;
    r.add({ui::CommandId::CheckFormulas, [](CommandContext &c) { menuCheckGS(c.doc, calculator(c.ws)); }, {}});
    r.add({ui::CommandId::Calculate, [](CommandContext &c) { menuRun(c.doc, c.prompter, calculator(c.ws)); }, {}});
    r.add({ui::CommandId::SetColumnFormula, [](CommandContext &c) { menuSetGStoLine(c.doc, c.prompter); },
           [](const CommandContext &c) {
               const table::Grid &g = c.doc.grid;
               return isFormula(g.TextMatrix(g.Row(), g.Col()));
           }});
}

} // namespace formula
