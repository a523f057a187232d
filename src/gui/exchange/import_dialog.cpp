#include "gui/exchange/import_dialog.h"

#include "core/ui/prompter.h"
#include "gui/table/grid_view.h"
#include "gui/ui/widget_names.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace exchange {

using ui::named;

namespace {

void fillFieldNames(QComboBox *combo, const table::Grid &g)
{
    combo->clear();
    for (int c = 1; c < g.Cols(); ++c)
        combo->addItem(g.TextMatrix(0, c));
    combo->setCurrentIndex(combo->count() > 0 ? 0 : -1);
}

} // namespace

// The row-number column of MSFlexGrid1 follows the current cell: 160 twips per digit of Rows.
class ImportDialog::RowNumberWidth : public table::GridObserver {
public:
    explicit RowNumberWidth(ImportDialog &d) : m_d(d) {}
    void currentChanged() override { m_d.sizeRowNumbers(); }

private:
    ImportDialog &m_d;
};

ImportDialog::ImportDialog(const table::GradeTable &target, ui::Prompter &prompter, SourceLoader loader, Applier apply,
                           QWidget *parent)
    : QDialog(parent), m_prompter(prompter), m_loader(std::move(loader)), m_apply(std::move(apply))
{
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(QStringLiteral("导入选定数据到指定位置"));
    setModal(true);

    m_target.title = target.title;
    m_target.grid = target.grid;
    m_target.grid.setRow(1);

    m_grid1 = named(new table::GridView(m_target.grid), QStringLiteral("MSFlexGrid1"));
    m_grid2 = named(new table::GridView(m_source.grid), QStringLiteral("MSFlexGrid2"));
    m_source.grid.setRows(1);
    m_source.grid.setCols(1);
    m_rowNumbers = new RowNumberWidth(*this);
    m_target.grid.addObserver(m_rowNumbers);

    // A click restricts the selection to the clicked column.
    for (table::GridView *view : {m_grid1, m_grid2})
        connect(view, &table::GridView::cellClicked, this, [view] { view->grid().setColSel(view->grid().Col()); });

    m_combo1 = named(new QComboBox, QStringLiteral("Combo1"));
    m_combo2 = named(new QComboBox, QStringLiteral("Combo2"));
    fillFieldNames(m_combo1, m_target.grid);
    m_combo1->setEnabled(false);
    m_combo2->setEnabled(false);
    m_check1 = named(new QCheckBox(QStringLiteral("对号入座：")), QStringLiteral("Check1"));
    m_label3 = named(
        new QLabel(QStringLiteral(
            "    许多的数据表出于种种原因，它们的排列顺序都有所不同，遇到这种情况，使用“对号入座”功能，可以实现根据"
            "所选的两表相关字段（如：姓名 与 姓名）把数据自动填充到应该所在的位置。（使用本功能的前提：“相关字段”"
            "中的数据必须唯一，否则，结果会有出入，所以请事先做一定的调整。）")),
        QStringLiteral("Label3"));
    m_label3->setWordWrap(true);
    check1Toggled(false);
    connect(m_check1, &QCheckBox::toggled, this, &ImportDialog::check1Toggled);

    m_command1 = named(new QPushButton(QStringLiteral("浏览...")), QStringLiteral("Command1"));
    m_command2 = named(new QPushButton(QStringLiteral("确认(&O)")), QStringLiteral("Command2"));
    m_command3 = named(new QPushButton(QStringLiteral("取消")), QStringLiteral("Command3"));
    m_command2->setEnabled(false);
    connect(m_command1, &QPushButton::clicked, this, &ImportDialog::command1Clicked);
    connect(m_command2, &QPushButton::clicked, this, &ImportDialog::command2Clicked);
    connect(m_command3, &QPushButton::clicked, this, &QDialog::reject);

    m_picture1 = named(new QFrame, QStringLiteral("Picture1"));
    m_picture1->setFrameShape(QFrame::Box);
    m_picture1->setFixedHeight(18);
    m_label4 = named(new QLabel(m_picture1), QStringLiteral("Label4"));
    m_label4->setAutoFillBackground(true);
    QPalette bar = m_label4->palette();
    bar.setColor(QPalette::Window, QColor(0, 0, 128));
    m_label4->setPalette(bar);
    m_label4->setGeometry(0, 0, 0, 18);
    m_picture1->hide();

    auto *grids = new QGridLayout;
    grids->addWidget(new QLabel(QStringLiteral("被编辑的表格：(选择要被填充的列，只可导入一列)")), 0, 0);
    grids->addWidget(new QLabel(QStringLiteral("需提取数据的表格：(选择要被导入数据的列)")), 0, 1);
    grids->addWidget(m_grid1, 1, 0);
    grids->addWidget(m_grid2, 1, 1);
    grids->addWidget(m_combo1, 2, 0);
    grids->addWidget(m_combo2, 2, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_command1);
    buttons->addStretch();
    buttons->addWidget(m_command2);
    buttons->addWidget(m_command3);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grids, 1);
    layout->addWidget(m_check1);
    layout->addWidget(m_label3);
    layout->addWidget(m_picture1);
    layout->addLayout(buttons);
    resize(760, 520);
    sizeRowNumbers();
}

ImportDialog::~ImportDialog()
{
    // The views watch grids that are members: they go first.
    delete m_grid1;
    delete m_grid2;
    m_target.grid.removeObserver(m_rowNumbers);
    delete m_rowNumbers;
}

void ImportDialog::sizeRowNumbers()
{
    m_target.grid.setColWidth(0, 160 * int(QString::number(m_target.grid.Rows()).size()));
}

void ImportDialog::check1Toggled(bool on)
{
    m_combo1->setEnabled(on);
    m_combo2->setEnabled(on && m_combo2->count() > 0);
    QPalette p = m_label3->palette();
    p.setColor(QPalette::WindowText, on ? QColor(255, 25, 25) : QColor(Qt::black));
    m_label3->setPalette(p);
}

void ImportDialog::command1Clicked()
{
    const QString path = ui::ShowOpenDialog(m_prompter, QStringLiteral("*.gdt"), QStringLiteral("打开数据文件"));
    if (path.isEmpty())
        return;
    table::GradeTable loaded;
    switch (m_loader(path, loaded)) {
    case SourceLoad::OpenFailed:
        return;
    case SourceLoad::BadFormat:
        reject();
        return;
    case SourceLoad::Ok:
        break;
    }
    m_source.title = loaded.title;
    m_source.grid = std::move(loaded.grid);
    m_source.grid.setCol(0);
    fillFieldNames(m_combo2, m_source.grid);
    m_combo2->setEnabled(m_check1->isChecked());
    m_command2->setEnabled(true);
}

void ImportDialog::command2Clicked()
{
    FillRequest request;
    request.targetCol = m_target.grid.Col();
    request.sourceCol = m_source.grid.Col();
    if (request.targetCol == 0 || request.sourceCol == 0) {
        m_prompter.message(QStringLiteral("请先设置原始表格与导入数据的表格的要进行操作的列！\n"
                                          "请设定完毕再试或按“取消”按钮结束导入操作。"),
                           QStringLiteral("提示"), ui::Icon::Information);
        return;
    }
    request.match = m_check1->isChecked();
    if (!request.match) {
        if (m_prompter.question(
                QStringLiteral("您没有选择“对号入座”功能，因此，数据只是简单的按次序导入，确定继续么？"),
                QStringLiteral("询问"), ui::Buttons::YesNo, ui::Icon::Question, ui::Answer::Yes) != ui::Answer::Yes)
            return;
    } else {
        request.targetKey = m_combo1->currentIndex() + 1;
        request.sourceKey = m_combo2->currentIndex() + 1;
    }
    if (request.match) {
        base::BusyScope bar(*this, QString());
        m_apply(request, m_source.grid, *this);
    } else {
        m_apply(request, m_source.grid, *this);
    }
    accept();
}

void ImportDialog::start(const QString &)
{
    m_label4->resize(0, m_picture1->height());
    m_picture1->show();
}

void ImportDialog::setPercent(int percent)
{
    m_label4->resize(m_picture1->width() * qBound(0, percent, 100) / 100, m_picture1->height());
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ImportDialog::finish()
{
    m_picture1->hide();
}

} // namespace exchange
