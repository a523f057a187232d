#include "core/table/table_commands.h"

#include "core/table/editing.h"
#include "core/table/grade_table.h"
#include "core/table/table_file.h"

#include <QClipboard>
#include <QGuiApplication>

namespace table {

namespace {

QClipboard *clipboard()
{
    return QGuiApplication::clipboard();
}

void cut(CommandContext &ctx)
{
    if (ctx.focus == CommandContext::Focus::Grid) {
        clipboard()->setText(editing::cutCell(ctx.doc));
    } else if (ctx.focus == CommandContext::Focus::TextBox) {
        clipboard()->setText(ctx.textBox->selectedText());
        ctx.textBox->removeSelectedText();
    }
}

void copy(CommandContext &ctx)
{
    if (ctx.focus == CommandContext::Focus::Grid)
        clipboard()->setText(editing::copyCell(ctx.doc));
    else if (ctx.focus == CommandContext::Focus::TextBox)
        clipboard()->setText(ctx.textBox->selectedText());
}

void paste(CommandContext &ctx)
{
    if (ctx.focus == CommandContext::Focus::Grid)
        editing::pasteCell(ctx.doc, clipboard()->text());
    else if (ctx.focus == CommandContext::Focus::TextBox)
        ctx.textBox->insert(clipboard()->text());
}

void remove(CommandContext &ctx)
{
    if (ctx.focus == CommandContext::Focus::Grid)
        editing::deleteRange(ctx.doc);
    else if (ctx.focus == CommandContext::Focus::TextBox && ctx.textBox->hasSelectedText())
        ctx.textBox->removeSelectedText();
}

} // namespace

void registerTableCommands(CommandRegistry &r)
{
    using base::ToolButton;
    r.add({ui::CommandId::Save, [](CommandContext &c) { c.files.saveToOwnFile(c.doc); }, {}});
    r.add({ui::CommandId::SaveAs, [](CommandContext &c) { c.files.saveAs(c.doc); }, {}});
    r.add({ui::CommandId::SaveUnprotected, [](CommandContext &c) { c.files.saveWithoutPassword(c.doc); }, {}});
    r.add({ui::CommandId::Undo, [](CommandContext &c) { c.doc.undo(); },
           [](const CommandContext &c) { return c.doc.undoEnabled(); }});
    r.add({ui::CommandId::Redo, [](CommandContext &c) { c.doc.redo(); },
           [](const CommandContext &c) { return c.doc.redoEnabled(); }});
    r.add({ui::CommandId::Cut, cut, {}, true});
    r.add({ui::CommandId::Copy, copy, {}, true});
    r.add({ui::CommandId::Paste, paste, {}, true});
    r.add({ui::CommandId::Delete, remove, {}, true});
    r.add({ui::CommandId::SelectAll, [](CommandContext &c) { editing::selectAll(c.doc); }, {}});
}

} // namespace table
