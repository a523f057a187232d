#include "app/program_commands.h"

#include "formula/formula_commands.h"
#include "table/table_commands.h"
#include "table/table_window.h"

table::CommandRegistry programCommands()
{
    table::CommandRegistry r;
    table::registerTableCommands(r);
    table::registerTableWindowCommands(r);
    formula::registerFormulaCommands(r);
    return r;
}
