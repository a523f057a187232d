#include "core/shell/user_store.h"

#include "core/base/archive.h"
#include "core/base/file_writer.h"
#include "core/base/ini_profile.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/ui/prompter.h"

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

const QString kPasswordKey = QStringLiteral("psd");
const QString kNameTooOdd = QStringLiteral("用户名不能以双引号开头或结尾，也不能超过254个字节，请重新输入。");
const QString kPasswordTooOdd = QStringLiteral("密码不能以双引号开头或结尾，也不能超过254个字节，请重新输入。");

// Reading a value removes one pair of surrounding quotes and keeps at most 254 bytes, so a value
// that starts or ends with a quote, or is longer, would not read back as it was written.
bool valueFitsList(const QString &value)
{
    return !value.startsWith(QLatin1Char('"')) && !value.endsWith(QLatin1Char('"')) &&
           base::codec::encode(value).size() <= 254;
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
    : m_prompter(prompter), m_storeFile(ws.userStoreFile()), m_staleListFile(ws.userListFile())
{
}

bool UserStore::load(QString *text) const
{
    // A plain list left on disk by an older build is never read, and does not stay.
    QFile::remove(m_staleListFile);
    text->clear();
    if (!QFileInfo::exists(m_storeFile))
        return true;
    const base::archive::Bytes read = base::archive::unpack(m_storeFile, kMember, storePassword());
    if (!read.ok())
        return false;
    *text = base::codec::decode(read.bytes);
    return true;
}

bool UserStore::save(const QString &text) const
{
    if (base::archive::pack(base::codec::encode(text), kMember, m_storeFile, storePassword()) ==
        base::archive::Failure::None)
        return true;
    reportWriteFailure();
    return false;
}

void UserStore::reportWriteFailure() const
{
    m_prompter.message(base::kSaveFailed, kTitleError, ui::Icon::Critical);
}

QStringList UserStore::readList(const base::ini::Document &doc)
{
    QStringList names;
    // Each round needs a distinct key in the text, so the loop ends within the text's size.
    for (qsizetype i = 0;; ++i) {
        const QString value = doc.value(kListSection, listKey(i), kMissing);
        if (value.trimmed() == kMissing)
            break;
        names.append(value);
    }
    return names;
}

bool UserStore::passwordMatches(const base::ini::Document &doc, const QStringList &list, const QString &name,
                                const QString &password)
{
    // Only a listed user with a password of its own: an unknown section or a missing key would
    // read "Default" and open with that password.
    return list.contains(name) && doc.contains(name, kPasswordKey) &&
           doc.value(name, kPasswordKey, kMissing) == password;
}

QStringList UserStore::users() const
{
    QString text;
    load(&text);
    return readList(base::ini::Document(text));
}

bool UserStore::verifyPassword(const QString &name, const QString &password) const
{
    QString text;
    load(&text);
    const base::ini::Document doc(text);
    return passwordMatches(doc, readList(doc), name, password);
}

std::optional<QString> UserStore::login(const QString &name, const QString &password) const
{
    QString text;
    load(&text);
    const base::ini::Document doc(text);
    if (!passwordMatches(doc, readList(doc), name, password)) {
        m_prompter.message(QStringLiteral("密码错误，请重新输入。"), kTitleNotice, ui::Icon::Information);
        return std::nullopt;
    }
    return tablePasswordFor(name, doc.value(name, QStringLiteral("dlzip"), kMissing));
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
    if (!valueFitsList(name))
        return refuse(kNameTooOdd);
    if (name == kMissing)
        return refuse(QStringLiteral("用户名：Default 不合法。请更改一个新的用户名。"));

    QString text;
    // A store that exists but cannot be read would be replaced by one holding only the new user,
    // and every other account would be lost with it.
    if (!load(&text))
        return refuse(QStringLiteral("用户数据文件 std.dat 已损坏或无法读取，不能添加用户。"));
    base::ini::Document doc(text);
    QStringList list = readList(doc);
    // Sections match without regard to case, so "Zhang" and "ZHANG" would share one section and
    // the second account would overwrite the first one's passwords.
    if (list.contains(name, Qt::CaseInsensitive))
        return refuse(QStringLiteral("用户已存在！"));
    if (password != confirmation)
        return refuse(QStringLiteral("两次输入的密码不一致，请重新输入。"));
    if (password.size() < 6)
        return refuse(QStringLiteral("为安全性考虑，请使用至少6位的密码。"));
    if (!valueFitsList(password))
        return refuse(kPasswordTooOdd);

    list.append(name);
    bool written = true;
    for (qsizetype i = 0; i < list.size(); ++i)
        written = doc.set(kListSection, listKey(i), list.at(i)) && written;
    written = doc.set(name, kPasswordKey, password) && doc.set(name, QStringLiteral("dlzip"), password) && written;
    if (!written) {
        reportWriteFailure();
        return false;
    }
    return save(doc.text());
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
    if (!valueFitsList(newPassword)) {
        m_prompter.message(kPasswordTooOdd, kTitleNotice, ui::Icon::Information);
        return false;
    }
    QString text;
    // A store that vanished or broke since the first step must not be replaced by one without it.
    if (!load(&text))
        return false;
    base::ini::Document doc(text);
    if (!readList(doc).contains(name))
        return false;
    if (!doc.set(name, kPasswordKey, newPassword)) {
        reportWriteFailure();
        return false;
    }
    return save(doc.text());
}

UserStore::DeleteResult UserStore::deleteUser(const QString &name, const QString &password) const
{
    QString text;
    load(&text);
    const base::ini::Document doc(text);
    QStringList list = readList(doc);
    if (!passwordMatches(doc, list, name, password)) {
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
    if (list.isEmpty()) {
        if (!QFile::remove(m_storeFile)) {
            reportWriteFailure();
            return DeleteResult::Failed;
        }
        return DeleteResult::Deleted;
    }
    const QStringList lines = rebuiltListLines(list, base::codec::splitLines(text));
    return save(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")) ? DeleteResult::Deleted
                                                                             : DeleteResult::Failed;
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
