#include "core/table/command.h"

namespace table {

void CommandRegistry::add(Command command)
{
    Q_ASSERT(command.id != ui::CommandId::None);
    const ui::CommandId id = command.id;
    m_commands.insert_or_assign(id, std::move(command));
}

const Command *CommandRegistry::find(ui::CommandId id) const
{
    const auto it = m_commands.find(id);
    return it == m_commands.end() ? nullptr : &it->second;
}

const Command *CommandRegistry::forButton(base::ToolButton button) const
{
    const ui::CommandRow *row = ui::buttonRow(button);
    return row ? find(row->id) : nullptr;
}

void CommandRegistry::addFrame(ui::CommandId id, FrameCommand command)
{
    Q_ASSERT(id != ui::CommandId::None);
    m_frame.insert_or_assign(id, std::move(command));
}

const FrameCommand *CommandRegistry::frame(ui::CommandId id) const
{
    const auto it = m_frame.find(id);
    return it == m_frame.end() ? nullptr : &it->second;
}

} // namespace table
