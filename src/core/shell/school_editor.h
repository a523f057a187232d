#pragma once
// The logic of the school tree editor SchoolEditorDialog "班级编制": the school name (Text1), the grades
// (List1), the classes of every grade (List3, one list per grade) and of the selected grade
// (List2), the six edit commands with their questions and refusals, the changed flag, "完成"
// and "取消". The dialog only shows this state and forwards the user's actions.
#include "core/shell/school_tree.h"

#include <QString>
#include <QStringList>

namespace base {
class Workspace;
}
namespace ui {
class Prompter;
}

namespace shell {

inline const QString kSchoolNamePlaceholder = QStringLiteral("在此输入学校名称");
// The longest grade, class or school name the editor accepts.
constexpr int kMaxSchoolName = 60;

class SchoolEditor {
public:
    SchoolEditor(base::Workspace &ws, ui::Prompter &prompter);

    // Fills the lists from SchoolInfo.ini (empty when there is none), selects the first grade and
    // clears the changed flag.
    void load();

    // Text1. An edit by the user sets the changed flag; the placeholder comes and goes with the
    // focus without counting as an edit.
    QString name() const { return m_name; }
    void nameEdited(const QString &text);
    void nameFocusIn();
    void nameFocusOut();

    QStringList grades() const;             // List1
    QStringList classes() const;            // List2: the classes of the selected grade
    QStringList classesOf(int grade) const; // List3(grade)
    int gradeIndex() const { return m_grade; }
    int classIndex() const { return m_class; }
    void selectGrade(int index); // refills List2, no class selected
    void selectClass(int index);

    // "添加>", "删除<", "重命名" for grades (Command3..5) and classes (Command6..8).
    void addGrade();
    void deleteGrade();
    void renameGrade();
    void addClass();
    void deleteClass();
    void renameClass();

    // "完成": writes SchoolInfo.ini whole and renames the folders of renamed grades and classes
    // (and of the school) when the new name is free; no folder is ever deleted. False (the editor
    // stays open) when the school name is refused or the file could not be written.
    bool finish();
    // "取消": true when the editor may close (unchanged, or the user agreed to drop the changes).
    bool cancel();

    bool isModified() const { return m_changed; }
    // The school as the lists hold it.
    School school() const;

private:
    struct Entry {
        QString name;
        QString original; // the name it was loaded with; empty for an entry added here
    };
    struct Grade {
        Entry entry;
        QList<Entry> classes;
    };
    // Asks until the answer is usable or cancelled; the trimmed name, or an empty text.
    QString askName(const QString &prompt, const QString &title, const QString &preset, const QStringList &siblings,
                    const QString &self);
    bool confirmDelete(const QString &name);
    void refuse(const QString &text);
    void renameFolders(const School &written);

    base::Workspace &m_ws;
    ui::Prompter &m_prompter;
    QString m_name;
    QString m_originalSchool;
    QList<Grade> m_grades;
    int m_grade = -1;
    int m_class = -1;
    bool m_changed = false;
};

// Why a typed name cannot be used in a list (empty when it can): empty, already in `siblings`, a
// character a folder name cannot hold, "." or "..", or longer than kMaxSchoolName.
QString schoolNameRefusal(const QString &trimmedName, const QStringList &siblings);

} // namespace shell
