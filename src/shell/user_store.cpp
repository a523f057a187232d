#include "shell/user_store.h"

#include "base/ini_profile.h"
#include "base/temp_file_guard.h"
#include "base/text_codec.h"
#include "base/workspace.h"
#include "base/archive.h"
#include "ui/prompter.h"

#include <QFile>
#include <QFileInfo>

namespace shell {

namespace {

const QString kMember = QStringLiteral("user.dat");
const QString kListSection = QStringLiteral("user");
const QString kMissing = QStringLiteral("Default");
const QString kTitleError = QStringLiteral("错误");
const QString kTitleNotice = QStringLiteral("提示");

QString storePassword()
{
    return QString::fromUtf16(kUserStorePassword);
}

QString listKey(qsizetype index)
{
    return QStringLiteral("u") + QString::number(index + 1);
}

// Position p of the text, counted from 1 as the name rules count characters.
uint lowByteAt(const QString &text, qsizetype p)
{
    p = qBound<qsizetype>(1, p, text.size());
    return text.at(p - 1).unicode() & 0xFFu;
}

// A name becomes a section header "[name]" and a value "uN=name" in user.dat; these characters
// would end the header early, split the line or be trimmed away when the list is read back.
bool nameFitsList(const QString &name)
{
    for (QChar c : name)
        if (c == u'[' || c == u']' || c == u'=' || c == u'\r' || c == u'\n')
            return false;
    return name.trimmed() == name;
}

void makeWritable(const QString &path)
{
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser |
                                    QFile::ReadGroup | QFile::ReadOther);
}

} // namespace

QString JMuser(const QString &text)
{
    const qsizetype len = text.size();
    if (len == 0)
        return QStringLiteral("0");
    // L / 2 to the nearest whole number, halves to the even neighbour.
    qsizetype middle = len / 2;
    if (len % 2 == 1 && middle % 2 == 1)
        ++middle;
    const uint sum = lowByteAt(text, 1) + lowByteAt(text, len - 1) + lowByteAt(text, middle);
    return QString::number(sum, 16).toUpper();
}

QString tablePasswordFor(const QString &name, const QString &dlzip)
{
    return JMuser(name) + QLatin1Char('@') + dlzip;
}

void setLoggedIn(base::Workspace &ws, const QString &name, const QString &tablePassword)
{
    ws.userName = name;
    ws.tablePassword = tablePassword;
    ws.setPanelText(4, QStringLiteral("当前用户：") + name);
}

UserStore::UserStore(const base::Workspace &ws, ui::Prompter &prompter)
    : m_prompter(prompter), m_listFile(ws.userListFile()), m_storeFile(ws.userStoreFile())
{
    m_programDir = ws.programDir();
    while (m_programDir.size() > 1 && m_programDir.endsWith(QLatin1Char('/')))
        m_programDir.chop(1);
}

bool UserStore::unpackList() const
{
    QFile::remove(m_listFile);
    // A missing or unreadable store is passed over: the list then reads as empty.
    return !QFileInfo::exists(m_storeFile) ||
           base::archive::unpack(m_storeFile, kMember, m_programDir, storePassword()) == 0;
}

void UserStore::packList() const
{
    base::archive::pack(m_listFile, kMember, m_storeFile, storePassword());
}

QString UserStore::loadText() const
{
    QString text;
    if (!base::codec::readText(m_listFile, &text))
        return {};
    return text;
}

QStringList UserStore::readList(const QString &text)
{
    QStringList names;
    // Each round needs a distinct key in the text, so the loop ends within the text's size.
    for (qsizetype i = 0;; ++i) {
        const QString value = base::ini::readText(text, kListSection, listKey(i), kMissing);
        if (value.trimmed() == kMissing)
            break;
        names.append(value);
    }
    return names;
}

bool UserStore::passwordMatches(const QString &text, const QStringList &list, const QString &name,
                                const QString &password)
{
    // Only a listed user: an unknown section would read "Default" and open with that password.
    return list.contains(name) && base::ini::readText(text, name, QStringLiteral("psd"), kMissing) == password;
}

QStringList UserStore::users() const
{
    base::TempFileGuard guard(m_listFile);
    unpackList();
    return readList(loadText());
}

bool UserStore::verifyPassword(const QString &name, const QString &password) const
{
    base::TempFileGuard guard(m_listFile);
    unpackList();
    const QString text = loadText();
    return passwordMatches(text, readList(text), name, password);
}

std::optional<QString> UserStore::login(const QString &name, const QString &password) const
{
    QString dlzip;
    bool ok = false;
    {
        base::TempFileGuard guard(m_listFile);
        unpackList();
        const QString text = loadText();
        ok = passwordMatches(text, readList(text), name, password);
        if (ok)
            dlzip = base::ini::readText(text, name, QStringLiteral("dlzip"), kMissing);
    }
    if (!ok) {
        m_prompter.message(QStringLiteral("密码错误，请重新输入。"), kTitleNotice, ui::Icon::Information);
        return std::nullopt;
    }
    return tablePasswordFor(name, dlzip);
}

bool UserStore::addUser(const QString &name, const QString &password, const QString &confirmation) const
{
    auto refuse = [this](const QString &text) {
        m_prompter.message(text, kTitleError, ui::Icon::Information);
        return false;
    };
    if (name.size() < 3)
        return refuse(QStringLiteral("用户名至少需要三个字符，请重新输入。"));
    if (!nameFitsList(name))
        return refuse(QStringLiteral("用户名不能包含“[”、“]”、“=”或换行，开头和结尾也不能是空格，请重新输入。"));
    if (name == kMissing)
        return refuse(QStringLiteral("用户名：Default 不合法。请更改一个新的用户名。"));

    base::TempFileGuard guard(m_listFile);
    // A store that exists but cannot be read would be replaced by one holding only the new user,
    // and every other account would be lost with it.
    if (!unpackList())
        return refuse(QStringLiteral("用户数据文件 std.dat 已损坏或无法读取，不能添加用户。"));
    QStringList list = readList(loadText());
    // Sections match without regard to case, so "Zhang" and "ZHANG" would share one section and
    // the second account would overwrite the first one's passwords.
    if (list.contains(name, Qt::CaseInsensitive)) {
        guard.removeNow();
        return refuse(QStringLiteral("用户已存在！"));
    }
    if (password != confirmation) {
        guard.removeNow();
        return refuse(QStringLiteral("两次输入的密码不一致，请重新输入。"));
    }
    if (password.size() < 6) {
        guard.removeNow();
        return refuse(QStringLiteral("为安全性考虑，请使用至少6位的密码。"));
    }

    list.append(name);
    for (qsizetype i = 0; i < list.size(); ++i)
        base::ini::write(m_listFile, kListSection, listKey(i), list.at(i));
    base::ini::write(m_listFile, name, QStringLiteral("psd"), password);
    base::ini::write(m_listFile, name, QStringLiteral("dlzip"), password);
    packList();
    return true;
}

bool UserStore::checkPasswordForChange(const QString &name, const QString &password) const
{
    if (verifyPassword(name, password))
        return true;
    m_prompter.message(QStringLiteral("请先在密码框中输入您的密码，然后再输入您想更改的密码。"), kTitleNotice,
                       ui::Icon::Information);
    return false;
}

bool UserStore::changePassword(const QString &name, const QString &newPassword, const QString &confirmation) const
{
    if (newPassword != confirmation) {
        m_prompter.message(QStringLiteral("两次输入的密码不一致，请重新输入。"), kTitleNotice, ui::Icon::Information);
        return false;
    }
    base::TempFileGuard guard(m_listFile);
    unpackList();
    // A store that vanished since the first step must not be replaced by a file without the list.
    if (!readList(loadText()).contains(name))
        return false;
    base::ini::write(m_listFile, name, QStringLiteral("psd"), newPassword);
    packList();
    return true;
}

UserStore::DeleteResult UserStore::deleteUser(const QString &name, const QString &password) const
{
    base::TempFileGuard guard(m_listFile);
    unpackList();
    const QString text = loadText();
    QStringList list = readList(text);
    QStringList oldLines;
    base::codec::readLines(m_listFile, &oldLines);
    // The plain list is not left on disk while the question waits for the user.
    guard.removeNow();

    if (!passwordMatches(text, list, name, password)) {
        m_prompter.message(QStringLiteral("请先在密码框中输入您的密码，然后才能进行删除操作！"), kTitleNotice,
                           ui::Icon::Information);
        return DeleteResult::WrongPassword;
    }
    const QString question = QStringLiteral("请确认您的操作，删除用户后，即便重新建立完全相同的账号，") + QChar(u'\r') +
                             QStringLiteral("也不保证原本由该用户建立的数据表都能够正确打开。") + QChar(u'\r') +
                             QChar(u'\r') + QStringLiteral("确认要删除用户:") + name + QStringLiteral(" 吗？");
    if (m_prompter.question(question, kTitleNotice, ui::Buttons::YesNo, ui::Icon::Question, ui::Answer::No) !=
        ui::Answer::Yes)
        return DeleteResult::Declined;

    list.removeAt(list.indexOf(name));
    makeWritable(m_storeFile);
    if (list.isEmpty()) {
        QFile::remove(m_storeFile);
        return DeleteResult::Deleted;
    }
    base::codec::writeLines(m_listFile, rebuiltListLines(list, oldLines));
    packList();
    return DeleteResult::Deleted;
}

QStringList UserStore::rebuiltListLines(const QStringList &remaining, const QStringList &oldLines)
{
    QStringList lines{QStringLiteral("[user]")};
    for (qsizetype i = 0; i < remaining.size(); ++i)
        lines.append(listKey(i) + QLatin1Char('=') + remaining.at(i));
    for (const QString &line : oldLines) {
        if (line.compare(QStringLiteral("[USER]"), Qt::CaseInsensitive) == 0 || line.startsWith(QLatin1Char('u')))
            continue;
        lines.append(line);
    }
    return lines;
}

} // namespace shell
