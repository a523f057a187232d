#include "gui/table/field_manager_dialog.h"

#include "core/base/workspace.h"
#include "core/table/command.h"
#include "core/table/fields.h"
#include "core/table/table_properties.h"
#include "core/ui/prompter.h"
#include "gui/table/class_info_dialog.h"
#include "gui/table/font_dialog.h"
#include "gui/table/grid_view.h"
#include "gui/table/height_width_dialog.h"
#include "gui/ui/widget_names.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace table {

using ui::button;

FieldManagerDialog::FieldManagerDialog(FieldManager &manager, ui::Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_manager(manager), m_prompter(prompter)
{
    setObjectName(QStringLiteral("frm项目管理"));
    setWindowTitle(QStringLiteral("字段编辑器"));
    auto *label = new QLabel(QStringLiteral("项目列表："), this);
    label->setObjectName(QStringLiteral("Label1"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("List1"));
    QPushButton *insert = button(QStringLiteral("Command1"), QStringLiteral("< 插入(&A)"), this);
    QPushButton *remove = button(QStringLiteral("Command2"), QStringLiteral("> 删除(&D)"), this);
    QPushButton *clear = button(QStringLiteral("Command3"), QStringLiteral("清空(&C)"), this);
    QPushButton *rename = button(QStringLiteral("Command4"), QStringLiteral("重命名(&R)"), this);
    QPushButton *ok = button(QStringLiteral("Command5"), QStringLiteral("确定(&O)"), this);
    QPushButton *cancel = button(QStringLiteral("Command6"), QStringLiteral("取消"), this);
    ok->setDefault(true);

    auto *grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_list, 1, 0, 7, 1);
    grid->addWidget(insert, 1, 1);
    grid->addWidget(remove, 2, 1);
    grid->addWidget(clear, 3, 1);
    grid->addWidget(rename, 4, 1);
    grid->setRowStretch(5, 1);
    grid->addWidget(ok, 6, 1);
    grid->addWidget(cancel, 7, 1);

    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) { m_manager.selected = row; });
    connect(insert, &QPushButton::clicked, this, [this] { run(&FieldManager::insert); });
    connect(remove, &QPushButton::clicked, this, [this] { run(&FieldManager::remove); });
    connect(clear, &QPushButton::clicked, this, [this] { run(&FieldManager::clear); });
    connect(rename, &QPushButton::clicked, this, [this] { run(&FieldManager::rename); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    showItems();
    resize(360, 300);
}

void FieldManagerDialog::run(void (FieldManager::*buttonAction)(ui::Prompter &))
{
    (m_manager.*buttonAction)(m_prompter);
    showItems();
}

void FieldManagerDialog::showItems()
{
    const int selected = m_manager.selected;
    m_list->blockSignals(true);
    m_list->clear();
    m_list->addItems(m_manager.items);
    m_list->setCurrentRow(selected);
    m_list->blockSignals(false);
}

// --- commands -----------------------------------------------------------------------------------

namespace {
void fieldManager(CommandContext &ctx)
{
    FieldManager manager(ctx.doc.grid);
    FieldManagerDialog dialog(manager, ctx.prompter, ctx.window);
    if (dialog.exec() == QDialog::Accepted)
        ui::report(ctx.prompter, manager.apply(ctx.doc));
}

void classSetup(CommandContext &ctx)
{
    ClassInfoDialog dialog(classInfoOf(ctx.doc), ctx.prompter, ctx.window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!applyClassInfo(ctx.doc, dialog.classInfo()))
        ctx.prompter.message(table::kTableTooLarge, QStringLiteral("提示"), ui::Icon::Information);
}

void tableFont(CommandContext &ctx, ui::SettingsStore &settings)
{
    FontDialog dialog(QFontDatabase::families(), ctx.ws.tableFontName, ctx.ws.tableFontSize, ctx.window);
    if (dialog.exec() == QDialog::Accepted) {
        const QString name = dialog.fontName().trimmed().isEmpty() ? ctx.ws.tableFontName : dialog.fontName();
        setTableFont(ctx.ws, settings, name, dialog.pointSize());
        // The grid and its cell editor take the font at once; other tables when activated.
        if (ctx.window) {
            if (auto *view = ctx.window->findChild<GridView *>(QStringLiteral("成绩表"))) {
                QFont f = view->font();
                f.setFamily(ctx.ws.tableFontName);
                f.setPointSizeF(ctx.ws.tableFontSize);
                view->setFont(f);
                view->applySizes();
                if (auto *editor = ctx.window->findChild<QLineEdit *>(QStringLiteral("txtedit")))
                    editor->setFont(f);
            }
        }
    }
    ctx.doc.grid.setCol(0);
}

void heightWidth(CommandContext &ctx)
{
    Grid &g = ctx.doc.grid;
    HeightWidthDialog dialog(g.RowHeight(g.Row()), g.ColWidth(g.Col()), ctx.window);
    if (dialog.exec() == QDialog::Accepted)
        applyHeightWidth(g, dialog.rowHeight(), dialog.colWidth());
}
} // namespace

void registerFieldDialogs(CommandRegistry &registry, ui::SettingsStore &settings)
{
    registry.add({ui::CommandId::FieldManager, fieldManager, {}});
    registry.add({ui::CommandId::ClassSetup, classSetup, {}});
    registry.add({ui::CommandId::Font, [&settings](CommandContext &ctx) { tableFont(ctx, settings); }, {}});
    registry.add({ui::CommandId::RowHeight, heightWidth, {}});
    registry.add({ui::CommandId::ColumnWidth, heightWidth, {}});
}

} // namespace table
