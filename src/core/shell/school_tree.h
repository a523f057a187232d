#pragma once
// The school's structure in SchoolInfo.ini (school, grades, classes of each grade), the tree
// TreeView1 built from it by AddDot, and the table catalogue: each class has a folder below
// "表格数据" named by its path school/grade/class, holding the class's ".gdt" files.
//
// The file is only ever read here; "完成" of the editor writes it whole (writeSchool). A
// hand-edited file is read defensively: every count key holds the highest index (−1: none); a
// count that is missing or not a number stands for the keys present without a gap from index 0,
// one below −1 for −1, one beyond the keys present for the last key present; at most
// kMaxListEntries entries per list. So no node is ever read from a missing key.
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace base {
class Workspace;
}

namespace shell {

inline const QString kNoSchoolTree = QStringLiteral("请先建立学校关系树");
// The two lines that open the file.
inline const QString kSchoolFileComment1 = QStringLiteral(";ZUN'S 通用Scorvane 学校关系树");
inline const QString kSchoolFileComment2 = QStringLiteral(";由“班级编制”生成，请勿手工修改");

constexpr int kMaxListEntries = 999;

struct SchoolGrade {
    QString name;
    QStringList classes;
    bool operator==(const SchoolGrade &) const = default;
};

struct School {
    QString name;
    QList<SchoolGrade> grades;
    bool operator==(const School &) const = default;
};

// The file's text (a UTF-8 byte-order mark is accepted; the rest is then read as UTF-8 when it
// is valid UTF-8, as code page 936 otherwise).
School schoolFromBytes(const QByteArray &bytes);
// nullopt when the file does not exist or cannot be read.
std::optional<School> readSchool(const QString &file);
// The file as "完成" writes it: the two comment lines, the School section, one section per grade
// that has classes; code page 936, CR LF.
QByteArray schoolFileBytes(const School &school);
// Written beside the file and renamed over it; false when that failed (the old file stays).
bool writeSchool(const QString &file, const School &school);

// One node of TreeView1 in tree order (root, then each grade followed by its classes).
struct TreeNode {
    QString key;     // "School1", "Grade" + i, "Grade" + i + "Class" + j
    QString text;    // the name
    int image = 1;   // 1 school, 2 grade, 3 class
    int parent = -1; // index of the parent node; −1 for the root
    bool isClass() const { return key.contains(QLatin1String("Class")); }
};
QList<TreeNode> treeNodes(const School &school);
// The texts from the root down to nodes[index].
QStringList nodePath(const QList<TreeNode> &nodes, int index);
// The node whose path, joined with "/", is `path`; −1 when none.
int nodeByPath(const QList<TreeNode> &nodes, const QString &path);

// Whether a name can be a folder below "表格数据": not empty, no character IsValidName refuses,
// not "." or "..". A node with an unusable name on its path has no tables and no 新建.
bool isUsableName(const QString &name);
bool isUsablePath(const QStringList &path);
// The class folder ("表格数据/school/grade/class"); empty when the path is not usable.
QString classDirectory(const base::Workspace &ws, const QStringList &path);
// The ".gdt" files of a folder, each without its extension, in Chinese (pinyin) order.
QStringList tableNames(const QString &dir);
// "新成绩表" + (number of tables − 1), counted up while that name is taken.
QString proposedTableName(const QStringList &tables);

} // namespace shell
