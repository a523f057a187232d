// The user store: the bytes as the list member user.dat of std.dat, then every operation that
// reads the list (and the changes, which rebuild and pack it).
#include "core/base/archive.h"
#include "core/shell/user_store.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static fuzz::SilentPrompter prompter;
    base::Workspace &ws = fuzz::workspace();
    if (base::archive::pack(fuzz::bytesOf(data, size), QStringLiteral("user.dat"), ws.userStoreFile(),
                            QString::fromUtf16(shell::kUserStorePassword)) != base::archive::Failure::None)
        abort();
    const shell::UserStore store(ws, prompter);
    const QStringList users = store.users();
    const QString first = users.value(0, QStringLiteral("nobody"));
    const QString password = QStringLiteral("123456");
    store.verifyPassword(first, password);
    store.login(first, password);
    if (store.checkPasswordForChange(first, password))
        store.changePassword(first, QStringLiteral("654321"), QStringLiteral("654321"));
    store.addUser(QStringLiteral("fuzzer"), password, password);
    store.deleteUser(QStringLiteral("fuzzer"), password);
    store.deleteUser(first, password);
    return 0;
}
