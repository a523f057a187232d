#include "core/table/field_commands.h"

#include "core/table/fields.h"
#include "core/table/table_properties.h"
#include "core/table/templates.h"

namespace table {

void registerFieldCommands(CommandRegistry &registry)
{
    registry.add({QStringLiteral("menuIstLei"),
                  base::ToolButton::None,
                  [](CommandContext &ctx) { menuIstLei(ctx.doc, ctx.prompter); },
                  {}});
    registry.add({QStringLiteral("menuRemLei"),
                  base::ToolButton::None,
                  [](CommandContext &ctx) { menuRemLei(ctx.doc, ctx.prompter); },
                  {}});
    registry.add({QStringLiteral("menuChangeLeiTitle"),
                  base::ToolButton::None,
                  [](CommandContext &ctx) { menuChangeLeiTitle(ctx.doc, ctx.prompter); },
                  {}});
    registry.add({QStringLiteral("menuSaveModel"),
                  base::ToolButton::None,
                  [](CommandContext &ctx) { menuSaveModel(ctx.doc, ctx.ws, ctx.prompter); },
                  {}});
    registry.add({QStringLiteral("menuChangTitile"),
                  base::ToolButton::None,
                  [](CommandContext &ctx) { menuChangTitile(ctx.doc, ctx.prompter); },
                  {}});
}

Command templateCommand(const QString &entry)
{
    return {QStringLiteral("menuModel"),
            base::ToolButton::None,
            [entry](CommandContext &ctx) { applyTemplate(ctx.doc, ctx.ws, ctx.prompter, entry); },
            {}};
}

} // namespace table
