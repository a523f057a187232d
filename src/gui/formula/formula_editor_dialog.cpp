#include "gui/formula/formula_editor_dialog.h"

#include "core/base/workspace.h"
#include "core/formula/calculate.h"
#include "core/formula/number_format.h"
#include "core/table/command.h"
#include "core/table/table_properties.h"
#include "core/ui/prompter.h"
#include "gui/formula/formula_help_dialog.h"
#include "gui/table/data_format_dialog.h"
#include "gui/table/grid_view.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace formula {

FormulaEditorDialog::FormulaEditorDialog(FormulaEditor &editor, ui::Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_editor(editor), m_prompter(prompter)
{
    setObjectName(QStringLiteral("frm公式编辑"));
    setWindowTitle(QStringLiteral("公式编辑器"));
    auto *instruction =
        new QLabel(QStringLiteral("      请在下面的表格中，选择要引用的单元格：（只可选择连续的单元格；系统会"
                                  "自动使用方便套用的通配符格式；公式中不可以引用已经包含公式的单元格！）"),
                   this);
    instruction->setObjectName(QStringLiteral("Label1"));
    instruction->setWordWrap(true);
    m_grid = new table::GridView(m_editor.grid, this);
    m_grid->setObjectName(QStringLiteral("MSFlexGrid1"));
    m_combo = new QComboBox(this);
    m_combo->setObjectName(QStringLiteral("Combo1"));
    m_combo->addItems(operationNames());
    m_body = new QLineEdit(this);
    m_body->setObjectName(QStringLiteral("Text1"));
    m_target = new QLineEdit(m_editor.targetText(), this);
    m_target->setObjectName(QStringLiteral("Text2"));
    m_target->setReadOnly(true);
    m_preview = new QLineEdit(this);
    m_preview->setObjectName(QStringLiteral("Text3"));
    m_preview->setReadOnly(true);
    m_preview->setToolTip(QStringLiteral("此处的数据格式可以在菜单项\"设置数据格式\"中更改"));
    m_ok = new QPushButton(QStringLiteral("确定(&O)"), this);
    m_ok->setObjectName(QStringLiteral("Command1"));
    m_ok->setAutoDefault(false);

    auto *grid = new QGridLayout(this);
    grid->addWidget(instruction, 0, 0, 1, 4);
    grid->addWidget(m_grid, 1, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("选择运算符："), this), 2, 0);
    grid->addWidget(m_combo, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("公式应用于："), this), 2, 2);
    grid->addWidget(m_target, 2, 3);
    grid->addWidget(new QLabel(QStringLiteral("生成的公式："), this), 3, 0);
    grid->addWidget(m_body, 3, 1, 1, 3);
    grid->addWidget(m_preview, 4, 1);
    grid->addWidget(m_ok, 4, 3, Qt::AlignRight);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    connect(m_grid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &FormulaEditorDialog::selectionChanged);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &FormulaEditorDialog::selectionChanged);
    // Told once the mouse is released, not for every cell the drag passes.
    connect(m_grid, &table::GridView::cellClicked, this, [this] {
        m_editor.warnIfDue(m_prompter);
        showState();
    });
    connect(m_combo, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_editor.setOperation(static_cast<Operation>(index));
        showBody();
        m_editor.warnIfDue(m_prompter);
    });
    connect(m_body, &QLineEdit::textEdited, this, &FormulaEditorDialog::bodyEdited);
    connect(m_body, &QLineEdit::editingFinished, this, [this] {
        if (m_editor.warnIfDue(m_prompter))
            showState();
    });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    showBody();
    resize(640, 460);
}

FormulaEditorDialog::~FormulaEditorDialog()
{
    // The view goes before the editor's grid it observes.
    delete m_grid;
}

void FormulaEditorDialog::selectionChanged()
{
    // The cell under the mouse (or moved by the keyboard) is the end of the walk; the opposite
    // corner of its selected block is the anchor.
    const QModelIndex end = m_grid->currentIndex();
    if (!end.isValid())
        return;
    for (const QItemSelectionRange &range : m_grid->selectionModel()->selection()) {
        if (!range.contains(end))
            continue;
        const int anchorRow = end.row() == range.top() ? range.bottom() : range.top();
        const int anchorCol = end.column() == range.left() ? range.right() : range.left();
        m_editor.setSelection(anchorRow + 1, anchorCol + 1, end.row() + 1, end.column() + 1);
        showBody();
        return;
    }
}

void FormulaEditorDialog::showBody()
{
    m_body->setText(m_editor.body());
    showState();
}

void FormulaEditorDialog::bodyEdited(const QString &text)
{
    m_editor.setBody(text);
    showState();
}

void FormulaEditorDialog::showState()
{
    m_preview->setText(m_editor.preview());
    m_ok->setEnabled(m_editor.acceptable());
}

// --- commands -----------------------------------------------------------------------------------

namespace {
void formulaEditor(table::CommandContext &ctx)
{
    if (const std::optional<QString> refusal = FormulaEditor::refusal(ctx.doc)) {
        ctx.prompter.message(*refusal, QStringLiteral("提示"), ui::Icon::Information);
        return;
    }
    FormulaEditor editor(ctx.doc, calculator(ctx.ws));
    FormulaEditorDialog dialog(editor, ctx.prompter, ctx.window);
    if (dialog.exec() == QDialog::Accepted)
        editor.apply(ctx.doc);
}

void formulaHelp(table::CommandContext &ctx)
{
    FormulaHelpDialog dialog(calculator(ctx.ws), ctx.window);
    dialog.exec();
}

void dataFormat(table::CommandContext &ctx)
{
    table::DataFormatDialog dialog(
        ctx.doc.numberFormat,
        [](const QString &pattern) { return formatResult(QStringLiteral("123.456789"), pattern); }, ctx.window);
    if (dialog.exec() == QDialog::Accepted)
        table::applyDataFormat(ctx.doc, dialog.dataFormat());
}
} // namespace

void registerFormulaEditorDialogs(table::CommandRegistry &registry)
{
    registry.add({ui::CommandId::FormulaEditor, formulaEditor, {}});
    registry.add({ui::CommandId::FormulaHelp, formulaHelp, {}});
    registry.add({ui::CommandId::DataFormat, dataFormat, {}});
}

} // namespace formula
