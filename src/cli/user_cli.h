#pragma once
// The user commands of the command-line companion, over the same store and with the same checks
// and messages as the login dialog. Messages go through the prompter (on the command line: stderr).
#include <QString>
#include <QStringList>

class QTextStream;
namespace ui {
class Prompter;
}

namespace base {
class Workspace;
}

namespace shell {

// `args` is "add NAME PW", "passwd NAME OLD NEW" or "list", optionally preceded by "user".
// "list" writes one name per line to `out`. 0 on success, 1 on a refusal, 2 on a usage error.
int runUserCommand(base::Workspace &ws, ui::Prompter &prompter, const QStringList &args, QTextStream &out);

// Logs in as the dialog does: on success the workspace holds the user name, the table password
// and status panel 4; a wrong password shows "密码错误，请重新输入。" and answers false.
bool cliLogin(base::Workspace &ws, ui::Prompter &prompter, const QString &name, const QString &password);

} // namespace shell
