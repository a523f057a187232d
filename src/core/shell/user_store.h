#pragma once
// The user store: the user list `user.dat` (INI text, section [user] with u1 … uN, one section
// per user with `psd`, the current password, and `dlzip`, the password given at creation), kept
// packed in the protected archive `std.dat` in the program directory. Every operation unpacks
// user.dat in memory (it never reaches the disk in plain form), parses it once, works on it and
// packs it back where it changed. Refusals are shown through the prompter with the login dialog's
// texts; a store that cannot be written is reported and the old one kept; an unreadable store
// reads as an empty list.
#include "core/base/ini_profile.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace ui {
class Prompter;
}

namespace base {
class Workspace;
}

namespace shell {

// Fixed for every build, so a store written by one opens in any other.
inline constexpr char16_t kUserStorePassword[] = u"ScorvaneUsers!7";

// The short key text that prefixes a table password: the low 8 bits of the UTF-16 code units of
// the first, the next-to-last and the middle character (L / 2, halves to even) added up and written
// in upper-case hexadecimal.
QString JMuser(const QString &text);

// The table password of a user: JMuser(name) + "@" + dlzip.
QString tablePasswordFor(const QString &name, const QString &dlzip);

// The results of a successful login: user name, table password and status panel 4.
void setLoggedIn(base::Workspace &ws, const QString &name, const QString &tablePassword);

class UserStore {
public:
    UserStore(const base::Workspace &ws, ui::Prompter &prompter);

    // The user names in list order (u1, u2, … up to the first key that reads "Default").
    QStringList users() const;

    // True when `name` is a listed user whose `psd` equals `password` (case-sensitive).
    bool verifyPassword(const QString &name, const QString &password) const;

    // The table password, or nullopt after showing "密码错误，请重新输入。".
    std::optional<QString> login(const QString &name, const QString &password) const;

    // Runs the checks in order (length, characters that break the list file, "Default", taken
    // name, confirmation, password length) and shows the first that fails; then appends the user
    // to the list, writes psd and dlzip and packs the store. True when the user was added.
    bool addUser(const QString &name, const QString &password, const QString &confirmation) const;

    // First step of a password change: the user's current password. Shows the notice and answers
    // false when it does not match.
    bool checkPasswordForChange(const QString &name, const QString &password) const;

    // Second step: writes the new psd (dlzip stays, and so does the table password). Shows the
    // notice and answers false when the confirmation differs.
    bool changePassword(const QString &name, const QString &newPassword, const QString &confirmation) const;

    enum class DeleteResult { Deleted, WrongPassword, Declined, Failed };
    // Verifies the password, asks for confirmation, removes the name from the list and renumbers
    // the others; deletes std.dat when no user is left. Failed: the store could not be written
    // (reported; the old store is kept). The user's own section stays in the file.
    DeleteResult deleteUser(const QString &name, const QString &password) const;

    // The text of user.dat after `name` has left the list `remaining`: a fresh [user] section with
    // the remaining names, then every old line except the old list header and the lines that
    // begin with a lower-case "u". One entry per line (the caller joins with CR LF).
    static QStringList rebuiltListLines(const QStringList &remaining, const QStringList &oldLines);

    QString storeFile() const { return m_storeFile; }

private:
    // The text of user.dat; empty when there is no store. False when std.dat exists but cannot be
    // unpacked.
    bool load(QString *text) const;
    // Packs the text into std.dat; shows the save-failure message and answers false when the
    // store could not be written (the old one is kept).
    bool save(const QString &text) const;
    static QStringList readList(const base::ini::Document &doc);
    static bool passwordMatches(const base::ini::Document &doc, const QStringList &list, const QString &name,
                                const QString &password);
    void reportWriteFailure() const;

    ui::Prompter &m_prompter;
    QString m_storeFile;
    QString m_staleListFile;
};

} // namespace shell
