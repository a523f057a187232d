// The user store with a whole school district's accounts: listing, logging in and adding a user
// among 10,000, against the same operations among 10 as the baseline.
#include "bench_common.h"
#include "core/base/archive.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/shell/user_store.h"

#include <QCoreApplication>
#include <QTemporaryDir>

using namespace bench;

namespace {

// A store of `count` users written directly, as the program would have written it.
void makeStore(const base::Workspace &ws, int count)
{
    QStringList lines{QStringLiteral("[user]")};
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("u%1=teacher%1").arg(i);
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("[teacher%1]").arg(i) << QStringLiteral("psd=secret%1").arg(i)
              << QStringLiteral("dlzip=secret%1").arg(i);
    base::archive::pack(base::codec::joinLines(lines), QStringLiteral("user.dat"), ws.userStoreFile(),
                        QString::fromUtf16(shell::kUserStorePassword));
}

struct Figures {
    double list, login, add;
};

Figures measure(int count)
{
    QTemporaryDir dir;
    base::Workspace ws(dir.path());
    GoAheadPrompter prompter;
    shell::UserStore store(ws, prompter);
    makeStore(ws, count);
    Figures f{};
    bool ok = true;
    f.list = medianMs([&] { ok = store.users().size() == count && ok; });
    const QString last = QStringLiteral("teacher%1").arg(count);
    f.login = medianMs([&] { ok = store.login(last, QStringLiteral("secret%1").arg(count)).has_value() && ok; });
    int added = 0;
    f.add = medianMs([&] {
        ok = store.addUser(QStringLiteral("newcomer%1").arg(++added), QStringLiteral("secret0"),
                           QStringLiteral("secret0")) &&
             ok;
    });
    if (!ok || prompter.messages)
        std::fprintf(stderr, "user store failed with %d users\n", count);
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const Figures small = measure(10);
    const Figures large = measure(10000);
    QTextStream &o = out();
    o << "bench_user_store: median of " << kRepeats << " runs, ms (target: under 500 with 10,000 users)\n";
    o << QStringLiteral("  %1 %2 %3\n")
             .arg(QStringLiteral("operation"), -12)
             .arg(QStringLiteral("10 users"), 12)
             .arg(QStringLiteral("10,000 users"), 14);
    auto line = [&](const QString &what, double a, double b) {
        o << QStringLiteral("  %1 %2 %3\n").arg(what, -12).arg(a, 12, 'f', 1).arg(b, 14, 'f', 1);
    };
    line(QStringLiteral("list"), small.list, large.list);
    line(QStringLiteral("login"), small.login, large.login);
    line(QStringLiteral("add"), small.add, large.add);
    o.flush();
    const QString few = QStringLiteral("the same among 10 users");
    row(QStringLiteral("user list, 10,000 users"), large.list, few, small.list, QStringLiteral("ms<500"));
    row(QStringLiteral("login, 10,000 users"), large.login, few, small.login, QStringLiteral("ms<500"));
    row(QStringLiteral("add a user, 10,000 users"), large.add, few, small.add, QStringLiteral("ms<500"));
    return 0;
}
