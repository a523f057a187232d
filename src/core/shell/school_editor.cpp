#include "core/shell/school_editor.h"

#include "core/base/module1.h"
#include "core/base/workspace.h"
#include "core/ui/prompter.h"

#include <QDir>
#include <QFileInfo>

namespace shell {

namespace {
const QString kTip = QStringLiteral("提示");

bool exists(const QString &path)
{
    const QFileInfo fi(path);
    return fi.exists() || fi.isSymLink();
}

struct Move {
    QString from;
    QString to;
};

// Renames what can be renamed; a move whose target is taken waits for another move of the same
// level to free it, so a chain a→b, b→c goes through in any order. Nothing is ever overwritten.
void applyMoves(QList<Move> moves)
{
    bool progress = true;
    while (progress && !moves.isEmpty()) {
        progress = false;
        for (qsizetype i = 0; i < moves.size();) {
            const Move &m = moves[i];
            if (!QFileInfo(m.from).isDir()) {
                moves.removeAt(i);
                continue;
            }
            if (!exists(m.to) && QDir().rename(m.from, m.to)) {
                moves.removeAt(i);
                progress = true;
                continue;
            }
            ++i;
        }
    }
}
} // namespace

QString schoolNameRefusal(const QString &trimmedName, const QStringList &siblings)
{
    if (trimmedName.isEmpty())
        return QStringLiteral("名称不能为空，请重新输入。");
    if (siblings.contains(trimmedName))
        return QStringLiteral("该名称已经存在，请重新输入。");
    if (!base::IsValidName(trimmedName))
        return QStringLiteral("名称中包含了诸如“\\/*?”之类的非法字符，请重新输入。");
    if (trimmedName == QLatin1String(".") || trimmedName == QLatin1String(".."))
        return QStringLiteral("名称不能为“.”或“..”，请重新输入。");
    if (trimmedName.size() > kMaxSchoolName)
        return QStringLiteral("名称不能超过60个字符，请重新输入。");
    return {};
}

SchoolEditor::SchoolEditor(base::Workspace &ws, ui::Prompter &prompter) : m_ws(ws), m_prompter(prompter) {}

void SchoolEditor::load()
{
    m_grades.clear();
    m_name.clear();
    m_originalSchool.clear();
    if (const std::optional<School> s = readSchool(m_ws.schoolInfoFile())) {
        m_name = m_originalSchool = s->name;
        for (const SchoolGrade &g : s->grades) {
            Grade grade{{g.name, g.name}, {}};
            for (const QString &c : g.classes)
                grade.classes.append(Entry{c, c});
            m_grades.append(grade);
        }
    }
    if (m_name.trimmed().isEmpty())
        m_name = kSchoolNamePlaceholder;
    m_grade = m_class = -1;
    if (!m_grades.isEmpty())
        selectGrade(0);
    m_changed = false;
}

void SchoolEditor::nameEdited(const QString &text)
{
    m_name = text;
    m_changed = true;
}

void SchoolEditor::nameFocusIn()
{
    if (m_name.trimmed() == kSchoolNamePlaceholder)
        m_name.clear();
}

void SchoolEditor::nameFocusOut()
{
    if (m_name.trimmed().isEmpty())
        m_name = kSchoolNamePlaceholder;
}

QStringList SchoolEditor::grades() const
{
    QStringList names;
    for (const Grade &g : m_grades)
        names << g.entry.name;
    return names;
}

QStringList SchoolEditor::classesOf(int grade) const
{
    QStringList names;
    if (grade >= 0 && grade < m_grades.size())
        for (const Entry &c : m_grades[grade].classes)
            names << c.name;
    return names;
}

QStringList SchoolEditor::classes() const
{
    return classesOf(m_grade);
}

void SchoolEditor::selectGrade(int index)
{
    m_grade = index >= 0 && index < m_grades.size() ? index : -1;
    m_class = -1;
}

void SchoolEditor::selectClass(int index)
{
    m_class = m_grade >= 0 && index >= 0 && index < m_grades[m_grade].classes.size() ? index : -1;
}

void SchoolEditor::refuse(const QString &text)
{
    m_prompter.message(text, kTip, ui::Icon::Information);
}

QString SchoolEditor::askName(const QString &prompt, const QString &title, const QString &preset,
                              const QStringList &siblings, const QString &self)
{
    QStringList others = siblings;
    others.removeOne(self);
    QString shown = preset;
    for (;;) {
        const std::optional<QString> answer = m_prompter.input(prompt, title, shown);
        if (!answer)
            return {};
        const QString name = answer->trimmed();
        const QString why = schoolNameRefusal(name, others);
        if (why.isEmpty())
            return name;
        refuse(why);
        shown = *answer;
    }
}

bool SchoolEditor::confirmDelete(const QString &name)
{
    return m_prompter.question(QStringLiteral("确实删除项目：“") + name + QStringLiteral("” 么？"),
                               QStringLiteral("确认删除"), ui::Buttons::YesNo, ui::Icon::Question,
                               ui::Answer::No) == ui::Answer::Yes;
}

void SchoolEditor::addGrade()
{
    m_changed = true;
    const QString name = askName(QStringLiteral("请输入一个年级的名称：（如：一年级）"), QStringLiteral("添加年级"),
                                 QString(), grades(), QString());
    if (name.isEmpty())
        return;
    m_grades.append(Grade{Entry{name, QString()}, {}});
    selectGrade(static_cast<int>(m_grades.size() - 1));
}

void SchoolEditor::deleteGrade()
{
    m_changed = true;
    if (m_grade < 0) {
        refuse(QStringLiteral("请先选择要删除的项目!"));
        return;
    }
    if (!confirmDelete(m_grades[m_grade].entry.name))
        return;
    // The grade leaves with its own classes; the following grades keep theirs.
    m_grades.removeAt(m_grade);
    selectGrade(-1);
}

void SchoolEditor::renameGrade()
{
    if (m_grade < 0) {
        refuse(QStringLiteral("请先选择要重命名的项目!"));
        return;
    }
    const QString current = m_grades[m_grade].entry.name;
    const QString name = askName(QStringLiteral("请输入新的年级名称：（如：二年级）"), QStringLiteral("年级重命名"),
                                 current, grades(), current);
    if (name.isEmpty())
        return;
    m_grades[m_grade].entry.name = name;
    m_changed = true;
}

void SchoolEditor::addClass()
{
    m_changed = true;
    if (m_grade < 0) {
        refuse(QStringLiteral("请先选择要添加班级的年级!"));
        return;
    }
    const QString name = askName(QStringLiteral("请输入一个班级的名称：（如：(1)班）"), QStringLiteral("添加班级"),
                                 QString(), classes(), QString());
    if (name.isEmpty())
        return;
    m_grades[m_grade].classes.append(Entry{name, QString()});
    selectClass(static_cast<int>(m_grades[m_grade].classes.size() - 1));
}

void SchoolEditor::deleteClass()
{
    m_changed = true;
    if (m_grade < 0 || m_class < 0) {
        refuse(QStringLiteral("请先选择要删除的项目!"));
        return;
    }
    QList<Entry> &list = m_grades[m_grade].classes;
    if (!confirmDelete(list[m_class].name))
        return;
    const int at = m_class;
    list.removeAt(at);
    // The same position again, or the new last entry when the last one went.
    selectClass(std::min(at, static_cast<int>(list.size()) - 1));
}

void SchoolEditor::renameClass()
{
    if (m_grade < 0 || m_class < 0) {
        refuse(QStringLiteral("请先选择要重命名的项目!"));
        return;
    }
    Entry &entry = m_grades[m_grade].classes[m_class];
    const QString name = askName(QStringLiteral("请输入新的班级名称：（如：(2)班）"), QStringLiteral("班机重命名"),
                                 entry.name, classes(), entry.name);
    if (name.isEmpty())
        return;
    entry.name = name;
    m_changed = true;
}

School SchoolEditor::school() const
{
    School s;
    s.name = m_name;
    for (const Grade &g : m_grades) {
        SchoolGrade out{g.entry.name, {}};
        for (const Entry &c : g.classes)
            out.classes << c.name;
        s.grades << out;
    }
    return s;
}

bool SchoolEditor::finish()
{
    School s = school();
    const QString typed = s.name.trimmed();
    // The school name is a folder name too; the box's placeholder is no name, or the school's
    // folder would be renamed to it.
    const QString why = schoolNameRefusal(typed == kSchoolNamePlaceholder ? QString() : typed, {});
    if (!why.isEmpty()) {
        refuse(why);
        return false;
    }
    s.name = typed;
    if (!writeSchool(m_ws.schoolInfoFile(), s)) {
        m_prompter.message(QStringLiteral("学校关系树保存失败！"), QStringLiteral("错误"), ui::Icon::Critical);
        return false;
    }
    renameFolders(s);
    return true;
}

void SchoolEditor::renameFolders(const School &written)
{
    const QString base = m_ws.tableDataDir();
    auto renamed = [](const QString &from, const QString &to) {
        return !from.isEmpty() && from != to && isUsableName(from) && isUsableName(to);
    };
    if (renamed(m_originalSchool, written.name))
        applyMoves({{base + m_originalSchool, base + written.name}});
    if (!isUsableName(written.name))
        return;
    const QString school = base + written.name + QLatin1Char('/');
    // A folder that another entry of the same list keeps its name for (a hand-edited file may
    // repeat a name) stays where it is.
    auto stillUsed = [](const QString &original, const QStringList &kept) { return kept.contains(original); };
    QStringList keptGrades;
    for (const Grade &g : m_grades)
        if (g.entry.original == g.entry.name)
            keptGrades << g.entry.name;
    QList<Move> gradeMoves;
    for (const Grade &g : m_grades)
        if (renamed(g.entry.original, g.entry.name) && !stillUsed(g.entry.original, keptGrades))
            gradeMoves.append(Move{school + g.entry.original, school + g.entry.name});
    applyMoves(gradeMoves);
    QList<Move> classMoves;
    for (const Grade &g : m_grades) {
        if (!isUsableName(g.entry.name))
            continue;
        const QString grade = school + g.entry.name + QLatin1Char('/');
        QStringList keptClasses;
        for (const Entry &c : g.classes)
            if (c.original == c.name)
                keptClasses << c.name;
        for (const Entry &c : g.classes)
            if (renamed(c.original, c.name) && !stillUsed(c.original, keptClasses))
                classMoves.append(Move{grade + c.original, grade + c.name});
    }
    applyMoves(classMoves);
}

bool SchoolEditor::cancel()
{
    if (!m_changed)
        return true;
    return m_prompter.question(QStringLiteral("真的不保存修改么?"), kTip, ui::Buttons::YesNo, ui::Icon::Question,
                               ui::Answer::No) == ui::Answer::Yes;
}

} // namespace shell
