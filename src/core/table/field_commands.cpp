#include "core/table/field_commands.h"

#include "core/table/fields.h"
#include "core/table/table_properties.h"
#include "core/table/templates.h"

namespace table {

void registerFieldCommands(CommandRegistry &registry)
{
    registry.add({ui::CommandId::InsertField, [](CommandContext &ctx) { askInsertField(ctx.doc, ctx.prompter); }, {}});
    registry.add({ui::CommandId::RemoveField, [](CommandContext &ctx) { askRemoveField(ctx.doc, ctx.prompter); }, {}});
    registry.add({ui::CommandId::RenameField, [](CommandContext &ctx) { askRenameField(ctx.doc, ctx.prompter); }, {}});
    registry.add(
        {ui::CommandId::SaveTemplate, [](CommandContext &ctx) { askSaveTemplate(ctx.doc, ctx.ws, ctx.prompter); }, {}});
    registry.add({ui::CommandId::ChangeTitle, [](CommandContext &ctx) { menuChangTitile(ctx.doc, ctx.prompter); }, {}});
}

Command templateCommand(const QString &entry)
{
    return {ui::CommandId::Templates,
            [entry](CommandContext &ctx) { askApplyTemplate(ctx.doc, ctx.ws, ctx.prompter, entry); },
            {}};
}

} // namespace table
