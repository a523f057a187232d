#include "core/table/command.h"

namespace table {

void CommandRegistry::add(Command command)
{
    const QString name = command.name;
    m_commands.insert_or_assign(name, std::move(command));
}

const Command *CommandRegistry::find(const QString &name) const
{
    const auto it = m_commands.find(name);
    return it == m_commands.end() ? nullptr : &it->second;
}

const Command *CommandRegistry::forButton(base::ToolButton button) const
{
    if (button == base::ToolButton::None)
        return nullptr;
    for (const auto &[name, command] : m_commands)
        if (command.button == button)
            return &command;
    return nullptr;
}

void CommandRegistry::addFrame(const QString &name, FrameCommand command)
{
    m_frame.insert_or_assign(name, std::move(command));
}

const FrameCommand *CommandRegistry::frame(const QString &name) const
{
    const auto it = m_frame.find(name);
    return it == m_frame.end() ? nullptr : &it->second;
}

QStringList CommandRegistry::names() const
{
    QStringList all;
    for (const auto &entry : m_commands)
        all << entry.first;
    return all;
}

} // namespace table
