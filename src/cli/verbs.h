#pragma once
// What each verb of the command table does on the command line: the function that reads its
// arguments and runs it, bound to the verb's id.
#include "cli/cli_support.h"
#include "core/ui/command_table.h"

#include <span>

namespace table::cli {

struct Verb {
    ui::CommandId id;
    int (*run)(Context &, Args);
    // Whether --user logs in first; the user store's own commands work without a login.
    bool logsIn = true;
};

std::span<const Verb> verbs();
// The verb bound to the command line's `name`; null when there is none.
const Verb *findVerb(const QString &name);

} // namespace table::cli
