#pragma once
// The logic behind ReportDialog "报表打印": the open report template, the bindings of its labels to
// the table's fields, the binding files, the item choices and the pages — one per item (student
// row), bound labels showing that student's value of their field (from the table's values, every
// formula evaluated), the others their fixed text — for the preview, the printer and a PDF file.
// The window shows this state and forwards the user's actions; the command line uses it directly.
#include "core/print/recording_surface.h"
#include "core/print/report_binding.h"
#include "core/print/report_template.h"
#include "core/table/grid.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace base {
class Progress;
class Workspace;
} // namespace base
namespace formula {
class Calculator;
}
namespace table {
class GradeTable;
}
namespace ui {
class Prompter;
}

namespace print {

// The item choice of the frame "打印参数：".
struct ItemChoice {
    enum Kind { One, All, Range } kind = All; // Option1 打印项目, Option2 打印全部项目, Option3 打印
    int one = 1;                              // Combo3
    int first = 1;                            // Combo4
    int last = 1;                             // Combo5
};

// The range guard: the last item is never before the first.
int guardedLast(int first, int last);

class ReportSession {
public:
    // Takes the table's values (every formula evaluated) and field names.
    ReportSession(const table::GradeTable &doc, formula::Calculator &calc, base::Workspace &ws);

    const table::Grid &values() const { return m_values; }
    // Combo2: the field names of columns 1 … Cols − 1, trimmed.
    QStringList fieldNames() const;
    // Combo3, Combo4, Combo5: "1" … Rows − 1.
    QStringList itemChoices() const;
    int itemCount() const { return std::max(0, m_values.Rows() - 1); }

    bool hasTemplate() const { return m_template.has_value(); }
    const ReportTemplate *reportTemplate() const { return m_template ? &*m_template : nullptr; }
    // Combo1: the labels' captions, line breaks as "[/]".
    QStringList labelCaptions() const;
    // 纸张纵向 / 纸张横向: the template chooses it; the user may change it.
    bool landscape() const { return m_landscape; }
    void setLandscape(bool on) { m_landscape = on; }

    // 打开报表模板(&O): asks for a "*.rpl" file ("打开") and opens it; false when cancelled or refused.
    bool menuOpen(ui::Prompter &prompter);
    // The whole template is read first; a malformed one gives "文件格式错误，不是有效的报表模板文件。"
    // and changes nothing. Otherwise it replaces the template, takes its orientation and drops the
    // bindings.
    bool openTemplate(const QString &path, ui::Prompter &prompter);

    const Bindings &bindings() const { return m_bindings; }
    // 绑定 &>>: label and field by their list positions (Combo1, Combo2). False when either is not
    // chosen or the same binding is already there.
    bool bind(int labelIndex, int fieldIndex);
    // 取消绑定: the binding at `position` of List1, after the question; false when kept.
    bool unbind(int position, ui::Prompter &prompter);

    // The binding files of "标签引用数据" ("*.bind"), by name.
    QStringList bindingFiles() const;
    // 保存当前引用(&S): asks for the name ("未命名的引用"); Cancel or an empty name writes nothing; a
    // name that cannot be a file name, or a failed write, gives the save-failure message.
    bool menuSaveLink(ui::Prompter &prompter);
    bool saveBindings(const QString &name, ui::Prompter &prompter);
    // A binding file of the menu (its file name): "引用数据文件不存在。" when it is not in
    // "标签引用数据", "文件格式错误，不是有效的引用数据文件。" when it is not a binding file (nothing
    // loaded); otherwise its bindings replace the present ones.
    bool loadBindings(const QString &fileName, ui::Prompter &prompter);

    // The items a choice prints: one, all, or first … last after the guard; only rows of the table.
    QList<int> items(const ItemChoice &choice) const;
    // The texts of the labels on item k's page: each label's caption, or the value of the last
    // binding of that label whose field is a column of the table.
    QStringList pageTexts(int item) const;

    // The page preview: the template's lines and labels (their captions) on an A4 page in the
    // chosen orientation; an empty page without a template.
    std::unique_ptr<RecordingSurface> preview() const;
    // One page per item, in order.
    void layout(Surface &out, const QList<int> &items) const;
    // 开始打印(&P): on the current printer with the program's settings and the chosen orientation.
    // No items or no template: no job.
    bool print(const QList<int> &items, ui::Prompter &prompter);
    // 导出PDF: the same pages into `path`.
    bool exportPdf(const QList<int> &items, const QString &path, base::Progress &progress, ui::Prompter &prompter);
    // Asks for the file ("*.pdf") first; false when cancelled.
    bool menuExportPdf(const QList<int> &items, base::Progress &progress, ui::Prompter &prompter);

private:
    base::Workspace &m_ws;
    table::Grid m_values;
    QString m_caption;
    std::optional<ReportTemplate> m_template;
    bool m_landscape = false;
    Bindings m_bindings;
};

// 报表编辑器: starts the report designer from the program directory as a separate process (a native
// "报表生成器" first, else "报表生成器.exe"); when there is none or it cannot be started,
// "无法找到组件：报表生成器.exe". `start` starts a program detached (QProcess by default).
bool startReportDesigner(const base::Workspace &ws, ui::Prompter &prompter,
                         const std::function<bool(const QString &program)> &start = {});

} // namespace print
