#include "core/table/fields.h"

#include "core/table/formula_refs.h"
#include "core/ui/prompter.h"

namespace table {

namespace {
const QString kNotice = QStringLiteral("提示");

bool askYes(ui::Prompter &prompter, const QString &question, const QString &title)
{
    return prompter.question(question, title, ui::Buttons::YesNo, ui::Icon::Question, ui::Answer::No) ==
           ui::Answer::Yes;
}

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
        prompter.message(kUnusableFieldName, kNotice, ui::Icon::Information);
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
    const refs::ColumnMap moved = refs::ColumnMap::inserted(g.Cols(), k);
    g.setCols(g.Cols() + 1);
    for (int r = 0; r < g.Rows(); ++r) {
        for (int c = g.Cols() - 1; c > k; --c)
            copyCell(g, r, c - 1, c);
        clearCell(g, r, k);
    }
    refs::remapFormulaColumns(g, moved);
    rebuildFieldHeader(g);
    return true;
}

bool removeColumn(Grid &g, int k)
{
    if (k < 1 || k >= g.Cols())
        return false;
    GridBulk bulk(g);
    const refs::ColumnMap moved = refs::ColumnMap::removed(g.Cols(), k);
    for (int r = 0; r < g.Rows(); ++r)
        for (int c = k; c < g.Cols() - 1; ++c)
            copyCell(g, r, c + 1, c);
    g.setCols(g.Cols() - 1);
    refs::remapFormulaColumns(g, moved);
    rebuildFieldHeader(g);
    return true;
}

bool rearrangeColumns(Grid &g, const std::vector<int> &sourceOf)
{
    const int oldCols = g.Cols();
    const int newCols = int(sourceOf.size()) + 1;
    if (!fitsInGrid(g.Rows(), newCols))
        return false;
    refs::ColumnMap moved;
    moved.newCols = newCols;
    moved.newColumn.assign(std::size_t(oldCols), refs::ColumnMap::kRemoved);
    moved.newColumn[0] = 0;
    for (int j = 1; j < newCols; ++j) {
        const int from = sourceOf[std::size_t(j - 1)];
        if (from >= 1 && from < oldCols)
            moved.newColumn[std::size_t(from)] = j;
    }
    GridBulk bulk(g);
    const Grid old = g;
    g.setCols(newCols);
    for (int r = 0; r < g.Rows(); ++r)
        for (int j = 1; j < newCols; ++j) {
            const int from = sourceOf[std::size_t(j - 1)];
            if (from >= 1 && from < oldCols) {
                g.setTextMatrix(r, j, old.cellText(r, from));
                if (old.cellForeColor(r, from) != g.cellForeColor(r, j))
                    g.setCellForeColor(r, j, old.cellForeColor(r, from));
                if (old.cellFontBold(r, from) != g.cellFontBold(r, j))
                    g.setCellFontBold(r, j, old.cellFontBold(r, from));
            } else {
                clearCell(g, r, j);
            }
        }
    refs::remapFormulaColumns(g, moved);
    return true;
}

int formulasReferringTo(const Grid &grid, int col)
{
    const std::vector<int> counts = refs::formulaReferenceCounts(grid);
    return col >= 0 && col < int(counts.size()) ? counts[std::size_t(col)] : 0;
}

bool columnHoldsData(const Grid &grid, int col)
{
    for (int r = 1; r < grid.Rows(); ++r)
        if (!grid.cellText(r, col).trimmed().isEmpty())
            return true;
    return false;
}

namespace {
const QString kChooseColumn = QStringLiteral("请先选定要操作的列！");
const QString kConfirmRemoval = QStringLiteral("确认删除");

QString removeItemQuestion(const QString &name)
{
    return QStringLiteral("确实删除项目：“") + name + QStringLiteral("” 么？");
}

QString referringFormulasQuestion(int formulas)
{
    return QStringLiteral("有 ") + QString::number(formulas) +
           QStringLiteral(" 个公式引用了该列，删除后这些公式将显示“公式错误”。是否继续？");
}

std::optional<ui::Outcome> nameProblem(const QString &name)
{
    if (name.isEmpty())
        return ui::Outcome::refused(QStringLiteral("名称不能为空！"));
    if (!isUsableFieldName(name))
        return ui::Outcome::refused(kUnusableFieldName);
    return std::nullopt;
}

bool isDataColumn(const Grid &g, int col)
{
    return col >= 1 && col < g.Cols();
}

void renameColumn(GradeTable &t, int col, const QString &name)
{
    GridBulk bulk(t.grid);
    t.grid.setTextMatrix(0, col, name);
    rebuildFieldHeader(t.grid);
}

std::optional<QString> askNewFieldName(ui::Prompter &prompter, const QString &current)
{
    return askFieldName(prompter, QStringLiteral("请输入新的字段名称："), QStringLiteral("字段名称"),
                        current.trimmed());
}
} // namespace

ui::Outcome insertField(GradeTable &t, const FieldRequest &request)
{
    Grid &g = t.grid;
    if (const std::optional<ui::Outcome> problem = nameProblem(request.name))
        return *problem;
    if (!fitsInGrid(g.Rows(), qint64(g.Cols()) + 1))
        return ui::Outcome::refused(kTableTooLarge);
    const int k = std::clamp(request.column, 1, g.Cols());
    t.beginChange();
    insertColumn(g, k);
    renameColumn(t, k, request.name);
    return ui::Outcome::ok();
}

ui::Outcome removeField(GradeTable &t, const FieldRequest &request)
{
    const Grid &g = t.grid;
    const int k = request.column;
    if (!isDataColumn(g, k))
        return ui::Outcome::refused(kChooseColumn);
    if (!(request.agreed & RemoveFieldData) && columnHoldsData(g, k))
        return ui::Outcome::ask(RemoveFieldData, removeItemQuestion(g.TextMatrix(0, k).trimmed()), kConfirmRemoval);
    const int formulas = formulasReferringTo(g, k);
    if (!(request.agreed & BreakReferringFormulas) && formulas > 0)
        return ui::Outcome::ask(BreakReferringFormulas, referringFormulasQuestion(formulas));
    t.beginChange();
    removeColumn(t.grid, k);
    return ui::Outcome::ok();
}

ui::Outcome renameField(GradeTable &t, const FieldRequest &request)
{
    if (!isDataColumn(t.grid, request.column))
        return ui::Outcome::refused(kChooseColumn);
    if (const std::optional<ui::Outcome> problem = nameProblem(request.name))
        return *problem;
    t.beginChange();
    renameColumn(t, request.column, request.name);
    return ui::Outcome::ok();
}

bool askInsertField(GradeTable &t, ui::Prompter &prompter)
{
    const Grid &g = t.grid;
    // Told before the name is asked, which would be asked in vain.
    if (!fitsInGrid(g.Rows(), qint64(g.Cols()) + 1))
        return ui::report(prompter, ui::Outcome::refused(kTableTooLarge));
    const std::optional<QString> name = askNewFieldName(prompter, QString());
    if (!name)
        return false;
    return ui::report(prompter, insertField(t, {.column = g.Col(), .name = *name, .agreed = 0}));
}

bool askRemoveField(GradeTable &t, ui::Prompter &prompter)
{
    FieldRequest request{.column = t.grid.Col(), .name = {}, .agreed = 0};
    return ui::settle(prompter, request, [&t](const FieldRequest &r) { return removeField(t, r); }).done();
}

bool askRenameField(GradeTable &t, ui::Prompter &prompter)
{
    const Grid &g = t.grid;
    if (!isDataColumn(g, g.Col()))
        return ui::report(prompter, ui::Outcome::refused(kChooseColumn));
    const std::optional<QString> name = askNewFieldName(prompter, g.TextMatrix(0, g.Col()));
    if (!name)
        return false;
    return ui::report(prompter, renameField(t, {.column = g.Col(), .name = *name, .agreed = 0}));
}

// --- field manager ------------------------------------------------------------------------------

FieldManager::FieldManager(const Grid &grid)
{
    // The names in the header cells, never the header text split at "|": after an earlier
    // run of the manager the two can differ.
    for (int i = 1; i < grid.Cols(); ++i) {
        items << grid.TextMatrix(0, i).trimmed();
        origins.push_back(i);
    }
    selected = static_cast<int>(items.size()) - 1;
    references = refs::formulaReferenceCounts(grid);
}

int FieldManager::originOf(qsizetype item) const
{
    return item >= 0 && std::size_t(item) < origins.size() ? origins[std::size_t(item)] : 0;
}

static const QString kNewItemPrompt = QStringLiteral("请输入一个新的项目名称：");

void FieldManager::insert(ui::Prompter &prompter)
{
    const std::optional<QString> name = askFieldName(prompter, kNewItemPrompt, QStringLiteral("插入项目"), {});
    if (!name)
        return;
    origins.resize(std::size_t(items.size()), 0); // entries added by hand are new columns
    if (selected < 0 || selected >= items.size()) {
        items << *name;
        origins.push_back(0);
        selected = static_cast<int>(items.size()) - 1;
        return;
    }
    // Before the selected entry, which stays selected, so names entered one after another keep
    // their order.
    items.insert(selected, *name);
    origins.insert(origins.begin() + selected, 0);
    ++selected;
}

void FieldManager::remove(ui::Prompter &prompter)
{
    if (selected < 0 || selected >= items.size()) {
        prompter.message(QStringLiteral("请先选择要删除的项目。"), kNotice, ui::Icon::Information);
        return;
    }
    if (!askYes(prompter, removeItemQuestion(items[selected]), kConfirmRemoval))
        return;
    const int origin = originOf(selected);
    const int formulas = origin > 0 && std::size_t(origin) < references.size() ? references[std::size_t(origin)] : 0;
    if (formulas > 0 && !askYes(prompter, referringFormulasQuestion(formulas), kNotice))
        return;
    if (std::size_t(selected) < origins.size())
        origins.erase(origins.begin() + selected);
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
    origins.clear();
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

ui::Outcome FieldManager::apply(GradeTable &t) const
{
    Grid &g = t.grid;
    if (!fitsInGrid(g.Rows(), items.size() + 1))
        return ui::Outcome::refused(kTableTooLarge);
    t.beginChange();
    // Each entry's column comes with it: data and the formulas' references follow the names.
    std::vector<int> sourceOf;
    sourceOf.reserve(std::size_t(items.size()));
    for (qsizetype i = 0; i < items.size(); ++i)
        sourceOf.push_back(originOf(i));
    rearrangeColumns(g, sourceOf);
    g.setFormatString(headerText());
    return ui::Outcome::ok();
}

} // namespace table
