#include "cli/user_cli.h"

#include "core/base/workspace.h"
#include "core/shell/user_store.h"
#include "core/ui/prompter.h"

#include <QTextStream>

namespace shell {

int runUserCommand(base::Workspace &ws, ui::Prompter &prompter, const QStringList &args, QTextStream &out)
{
    QStringList a = args;
    if (!a.isEmpty() && a.first() == QStringLiteral("user"))
        a.removeFirst();
    UserStore store(ws, prompter);
    const QString command = a.value(0);

    if (command == QStringLiteral("list") && a.size() == 1) {
        for (const QString &name : store.users())
            out << name << '\n';
        out.flush();
        return 0;
    }
    if (command == QStringLiteral("add") && a.size() == 3) {
        // One password on the command line stands for both boxes of the dialog.
        return store.addUser(a.at(1), a.at(2), a.at(2)) ? 0 : 1;
    }
    if (command == QStringLiteral("passwd") && a.size() == 4) {
        if (!store.checkPasswordForChange(a.at(1), a.at(2)))
            return 1;
        return store.changePassword(a.at(1), a.at(3), a.at(3)) ? 0 : 1;
    }
    prompter.message(QStringLiteral("用法：user add 用户名 密码 | user passwd 用户名 旧密码 新密码 | user list"),
                     QStringLiteral("错误"), ui::Icon::Critical);
    return 2;
}

bool cliLogin(base::Workspace &ws, ui::Prompter &prompter, const QString &name, const QString &password)
{
    const std::optional<QString> tablePassword = UserStore(ws, prompter).login(name, password);
    if (!tablePassword)
        return false;
    setLoggedIn(ws, name, *tablePassword);
    return true;
}

} // namespace shell
