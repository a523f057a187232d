#include "table/fields.h"

#include "ui/prompter.h"

namespace table {

namespace {
const QString kNotice = QStringLiteral("提示");

// Copies text, colour and bold of one cell, so find marks travel with their values.
void copyCell(Grid &g, int row, int from, int to)
{
    g.setTextMatrix(row, to, g.TextMatrix(row, from));
    const QRgb fore = g.cellForeColor(row, from);
    const bool bold = g.cellFontBold(row, from);
    if (fore != g.cellForeColor(row, to))
        g.setCellForeColor(row, to, fore);
    if (bold != g.cellFontBold(row, to))
        g.setCellFontBold(row, to, bold);
}

void clearCell(Grid &g, int row, int col)
{
    g.setTextMatrix(row, col, QString());
    if (g.cellForeColor(row, col))
        g.setCellForeColor(row, col, 0);
    if (g.cellFontBold(row, col))
        g.setCellFontBold(row, col, false);
}

bool refuseColumnZero(const Grid &g, ui::Prompter &prompter)
{
    if (g.Col() >= 1)
        return false;
    prompter.message(QStringLiteral("请先选定要操作的列！"), kNotice, ui::Icon::Information);
    return true;
}
} // namespace

void rebuildFieldHeader(Grid &grid)
{
    QString header = QStringLiteral("  ");
    for (int c = 1; c < grid.Cols(); ++c) {
        const QString name = grid.TextMatrix(0, c);
        header += QLatin1Char('|') + (name.isEmpty() ? QStringLiteral("   ") : name);
    }
    grid.setFormatString(header);
}

bool isUsableFieldName(const QString &name)
{
    return !name.contains(QLatin1Char('|')) && !name.contains(QLatin1Char('\n')) && !name.contains(QLatin1Char('\r'));
}

std::optional<QString> askFieldName(ui::Prompter &prompter, const QString &prompt, const QString &title,
                                    const QString &preset)
{
    QString shown = preset;
    for (;;) {
        const std::optional<QString> answer = prompter.input(prompt, title, shown);
        if (!answer || answer->isEmpty())
            return std::nullopt;
        if (isUsableFieldName(*answer))
            return answer;
        prompter.message(QStringLiteral("字段名称中不能包含“|”或换行。"), kNotice, ui::Icon::Information);
        shown = *answer;
    }
}

bool fitsInGrid(qint64 rows, qint64 cols)
{
    return rows >= 1 && cols >= 1 && rows <= Grid::kMaxCount && cols <= Grid::kMaxCount && rows * cols <= kMaxCells;
}

bool insertColumn(Grid &g, int k)
{
    if (k < 1 || k > g.Cols() || !fitsInGrid(g.Rows(), qint64(g.Cols()) + 1))
        return false;
    GridBulk bulk(g);
    g.setCols(g.Cols() + 1);
    for (int r = 0; r < g.Rows(); ++r) {
        for (int c = g.Cols() - 1; c > k; --c)
            copyCell(g, r, c - 1, c);
        clearCell(g, r, k);
    }
    rebuildFieldHeader(g);
    return true;
}

bool removeColumn(Grid &g, int k)
{
    if (k < 1 || k >= g.Cols())
        return false;
    GridBulk bulk(g);
    for (int r = 0; r < g.Rows(); ++r)
        for (int c = k; c < g.Cols() - 1; ++c)
            copyCell(g, r, c + 1, c);
    g.setCols(g.Cols() - 1);
    rebuildFieldHeader(g);
    return true;
}

void renameColumn(GradeTable &t, int col, const QString &name, bool snapshot)
{
    if (snapshot)
        t.beginChange();
    GridBulk bulk(t.成绩表);
    t.成绩表.setTextMatrix(0, col, name);
    rebuildFieldHeader(t.成绩表);
}

static std::optional<QString> askNewFieldName(ui::Prompter &prompter, const QString &current)
{
    return askFieldName(prompter, QStringLiteral("请输入新的字段名称："), QStringLiteral("字段名称"),
                        current.trimmed());
}

bool menuIstLei(GradeTable &t, ui::Prompter &prompter)
{
    Grid &g = t.成绩表;
    const int k = std::max(g.Col(), 1);
    if (!fitsInGrid(g.Rows(), qint64(g.Cols()) + 1)) {
        prompter.message(QStringLiteral("表格过大，无法完成该操作。"), kNotice, ui::Icon::Information);
        return false;
    }
    t.beginChange();
    insertColumn(g, k);
    // Named at once; the insert's snapshot covers the name too, so one undo takes back both.
    if (const std::optional<QString> name = askNewFieldName(prompter, g.TextMatrix(0, k)))
        renameColumn(t, k, *name, false);
    return true;
}

bool menuRemLei(GradeTable &t, ui::Prompter &prompter)
{
    if (refuseColumnZero(t.成绩表, prompter))
        return false;
    t.beginChange();
    return removeColumn(t.成绩表, t.成绩表.Col());
}

bool menuChangeLeiTitle(GradeTable &t, ui::Prompter &prompter)
{
    Grid &g = t.成绩表;
    if (refuseColumnZero(g, prompter))
        return false;
    const int k = g.Col();
    const std::optional<QString> name = askNewFieldName(prompter, g.TextMatrix(0, k));
    if (!name)
        return false;
    renameColumn(t, k, *name);
    return true;
}

// --- field manager ------------------------------------------------------------------------------

FieldManager::FieldManager(const Grid &grid)
{
    // The names in the header cells, never the header text split at "|": after an earlier
    // run of the manager the two can differ.
    for (int i = 1; i < grid.Cols(); ++i)
        items << grid.TextMatrix(0, i).trimmed();
    selected = static_cast<int>(items.size()) - 1;
}

static const QString kNewItemPrompt = QStringLiteral("请输入一个新的项目名称：");

void FieldManager::insert(ui::Prompter &prompter)
{
    if (const std::optional<QString> name = askFieldName(prompter, kNewItemPrompt, QStringLiteral("插入项目"), {})) {
        items << *name;
        selected = static_cast<int>(items.size()) - 1;
    }
}

void FieldManager::remove(ui::Prompter &prompter)
{
    if (selected < 0 || selected >= items.size()) {
        prompter.message(QStringLiteral("请先选择要删除的项目。"), kNotice, ui::Icon::Information);
        return;
    }
    if (prompter.question(QStringLiteral("确实删除项目：“") + items[selected] + QStringLiteral("” 么？"),
                          QStringLiteral("确认删除"), ui::Buttons::YesNo, ui::Icon::Question,
                          ui::Answer::No) != ui::Answer::Yes)
        return;
    items.removeAt(selected);
    selected = std::min(selected, static_cast<int>(items.size()) - 1);
}

void FieldManager::clear(ui::Prompter &prompter)
{
    if (selected < 0 || selected >= items.size()) {
        prompter.message(QStringLiteral("请先选择要删除的项目。"), kNotice, ui::Icon::Information);
        return;
    }
    if (prompter.question(QStringLiteral("确实要删除所有项目？"), QStringLiteral("确认删除"), ui::Buttons::YesNo,
                          ui::Icon::Question, ui::Answer::No) != ui::Answer::Yes)
        return;
    items.clear();
    selected = -1;
}

void FieldManager::rename(ui::Prompter &prompter)
{
    if (selected < 0 || selected >= items.size()) {
        prompter.message(QStringLiteral("请先选定要改名的项目！"), kNotice, ui::Icon::Information);
        return;
    }
    if (const std::optional<QString> name =
            askFieldName(prompter, kNewItemPrompt, QStringLiteral("项目重命名"), items[selected]))
        items[selected] = *name;
}

QString FieldManager::headerText() const
{
    QString text = QStringLiteral("   ");
    for (const QString &item : items)
        text += QLatin1Char('|') + item;
    return text;
}

bool FieldManager::apply(GradeTable &t, ui::Prompter &prompter) const
{
    Grid &g = t.成绩表;
    if (!fitsInGrid(g.Rows(), std::max<qint64>(g.Cols(), items.size() + 1))) {
        prompter.message(QStringLiteral("表格过大，无法完成该操作。"), kNotice, ui::Icon::Information);
        return false;
    }
    t.beginChange();
    g.setFormatString(headerText());
    return true;
}

} // namespace table
