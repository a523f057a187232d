#include "gui/shell/school_tree_view.h"

#include "core/base/workspace.h"
#include "core/table/grade_table.h"
#include "core/ui/prompter.h"
#include "gui/shell/school_editor_dialog.h"
#include "gui/table/table_window.h"

#include <QAction>
#include <QCursor>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace shell {

namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;

// The three node images: a school building, a folder for a grade, a sheet for a class.
QIcon nodeImage(int image)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    if (image == 1) {
        p.setBrush(QColor(200, 80, 60));
        p.drawPolygon(QPolygon({QPoint(1, 7), QPoint(8, 1), QPoint(15, 7)}));
        p.setBrush(QColor(235, 225, 200));
        p.drawRect(3, 7, 10, 8);
        p.setBrush(QColor(90, 70, 50));
        p.drawRect(7, 10, 2, 5);
    } else if (image == 2) {
        p.setBrush(QColor(240, 200, 80));
        p.drawRect(1, 4, 14, 10);
        p.drawRect(1, 2, 6, 2);
    } else {
        p.setBrush(QColor(250, 250, 250));
        p.drawRect(3, 1, 10, 14);
        p.setPen(QColor(70, 130, 200));
        for (int y = 4; y <= 12; y += 3)
            p.drawLine(5, y, 11, y);
    }
    p.end();
    return QIcon(pm);
}

// A menu caption shows "&" as itself.
QString menuText(QString text)
{
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

QStringList pathOf(const QTreeWidgetItem *item)
{
    QStringList path;
    for (; item; item = item->parent())
        path.prepend(item->text(0));
    return path;
}

// The new window as the creation steps see it; a window closed meanwhile takes nothing.
class FormTarget : public NewTableTarget {
public:
    explicit FormTarget(table::TableWindow *form) : m_form(form) {}
    table::GradeTable &document() override { return m_form ? m_form->document() : m_spare; }
    void setTitle(const QString &title) override
    {
        if (m_form)
            m_form->setTitle(title);
    }

private:
    QPointer<table::TableWindow> m_form;
    table::GradeTable m_spare;
};

} // namespace

SchoolTreePanel::SchoolTreePanel(base::Workspace &ws, ui::Prompter &prompter, SchoolTreeHost host, QWidget *parent)
    : QWidget(parent), m_ws(ws), m_prompter(prompter), m_host(std::move(host))
{
    setObjectName(QStringLiteral("SchoolTreePanel"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_hint = new QLabel(kSchoolTreeHint, this);
    m_hint->setObjectName(QStringLiteral("Label1"));
    m_hint->setWordWrap(true);
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("TreeView1"));
    m_tree->setHeaderHidden(true);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(m_hint);
    layout->addWidget(m_tree, 1);

    connect(m_tree, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { openMenuAt(m_tree->itemAt(pos), m_tree->viewport()->mapToGlobal(pos)); });
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        if (item && item->data(0, kKeyRole).toString().contains(QLatin1String("Class")))
            showMenu(QCursor::pos(), false);
    });
    buildMenu();
    AddDot();
}

void SchoolTreePanel::buildMenu()
{
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("menuPop1"));
    auto add = [this](QMenu *menu, const QString &name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    add(m_menu, QStringLiteral("menuCZBJ"), QString());
    QAction *openHere = m_menu->addSeparator();
    openHere->setObjectName(QStringLiteral("menuOpenHere"));
    openHere->setEnabled(false);
    m_fileListEnd = m_menu->addSeparator();
    m_fileListEnd->setObjectName(QStringLiteral("menuline5"));
    for (const ui::CommandRow &row : ui::commandTable()) {
        if (row.place != ui::Place::SchoolTree)
            continue;
        QAction *a = add(m_menu, QString::fromUtf16(row.name), QString::fromUtf16(row.caption));
        const ui::CommandId id = row.id;
        connect(a, &QAction::triggered, this, [this, id] {
            if (m_host.runCommand)
                m_host.runCommand(id);
        });
        m_gradeEntries << a;
    }
    if (!m_gradeEntries.isEmpty())
        m_gradeEntries << m_menu->addSeparator();
    connect(add(m_menu, QStringLiteral("menuEditTV"), QString()), &QAction::triggered, this,
            &SchoolTreePanel::editSchoolTree);
    connect(add(m_menu, QStringLiteral("menuTabelD"), QStringLiteral("新建一张不隶属任何班级的表格(&D)")),
            &QAction::triggered, this, &SchoolTreePanel::newTableOutside);
    m_newFile = m_menu->addMenu(QStringLiteral("新建表格(&N)"));
    m_newFile->setObjectName(QStringLiteral("menuNewFile"));
    m_newFile->menuAction()->setObjectName(QStringLiteral("menuNewFile"));
    connect(add(m_newFile, QStringLiteral("menuNewXD"), QStringLiteral("新建表格向导>>&>")), &QAction::triggered, this,
            &SchoolTreePanel::newTableWizard);
    connect(add(m_newFile, QStringLiteral("menuNewonly"), QStringLiteral("直接新建表格(&S)")), &QAction::triggered,
            this, &SchoolTreePanel::newTableDirect);
}

QAction *SchoolTreePanel::action(const QString &objectName) const
{
    if (objectName == QLatin1String("menuNewFile"))
        return m_newFile->menuAction();
    return m_menu->findChild<QAction *>(objectName);
}

void SchoolTreePanel::AddDot()
{
    m_tree->clear();
    const std::optional<School> school = readSchool(m_ws.schoolInfoFile());
    if (!school) {
        m_tree->setEnabled(false);
        return;
    }
    const QList<TreeNode> nodes = treeNodes(*school);
    QList<QTreeWidgetItem *> items;
    items.reserve(nodes.size());
    for (const TreeNode &n : nodes) {
        auto *item = n.parent < 0 ? new QTreeWidgetItem(m_tree) : new QTreeWidgetItem(items[n.parent]);
        item->setText(0, n.text);
        item->setData(0, kKeyRole, n.key);
        item->setData(0, kImageRole, n.image);
        item->setIcon(0, nodeImage(n.image));
        items.append(item);
        if (n.image == 2)
            item->setExpanded(true);
    }
    items.first()->setExpanded(true);
    m_tree->setEnabled(true);
    m_tree->setCurrentItem(items.first());
}

QString SchoolTreePanel::selectedKey() const
{
    const QTreeWidgetItem *item = m_tree->currentItem();
    return item ? item->data(0, kKeyRole).toString() : QString();
}

QString SchoolTreePanel::selectedPath() const
{
    return pathOf(m_tree->currentItem()).join(QLatin1Char('\\'));
}

QString SchoolTreePanel::selectedClassDir() const
{
    const QTreeWidgetItem *item = m_tree->currentItem();
    if (!item || !selectedKey().contains(QLatin1String("Class")) || selectedPath().isEmpty())
        return {};
    return classDirectory(m_ws, pathOf(item));
}

void SchoolTreePanel::prepareMenu(bool fromToolbar)
{
    for (QAction *a : std::as_const(m_fileEntries))
        delete a;
    m_fileEntries.clear();
    // Entry 0 of the table list always exists; it stays hidden when the class has no tables.
    auto addEntry = [this](const QString &name) {
        auto *a = new QAction(menuText(name), m_menu);
        a->setObjectName(QStringLiteral("menufileList"));
        connect(a, &QAction::triggered, this, [this, name] { openListedTable(name); });
        m_menu->insertAction(m_fileListEnd, a);
        m_fileEntries.append(a);
        return a;
    };

    const QString dir = selectedClassDir();
    m_newFile->menuAction()->setEnabled(!dir.isEmpty());
    QStringList tables;
    if (!dir.isEmpty() && !fromToolbar) {
        QDir().mkpath(dir); // failures are passed over: the menu still opens
        tables = tableNames(dir);
    }
    if (tables.isEmpty())
        addEntry(QString())->setVisible(false);
    for (const QString &name : std::as_const(tables))
        addEntry(name);

    const bool grade =
        selectedKey().startsWith(QLatin1String("Grade")) && !selectedKey().contains(QLatin1String("Class"));
    for (QAction *a : std::as_const(m_gradeEntries))
        a->setVisible(grade);

    QAction *czbj = action(QStringLiteral("menuCZBJ"));
    QAction *editTV = action(QStringLiteral("menuEditTV"));
    if (m_tree->topLevelItemCount() == 0) {
        czbj->setText(kNoSchoolTree);
        czbj->setEnabled(false);
        editTV->setText(QStringLiteral("新建学校关系树(&C)"));
    } else {
        czbj->setText(menuText(selectedPath()));
        czbj->setEnabled(true);
        editTV->setText(QStringLiteral("编辑学校关系树(&C)"));
    }
}

void SchoolTreePanel::showMenu(const QPoint &globalPos, bool fromToolbar)
{
    prepareMenu(fromToolbar);
    m_menu->popup(globalPos);
}

void SchoolTreePanel::openMenuAt(QTreeWidgetItem *item, const QPoint &globalPos)
{
    if (item)
        m_tree->setCurrentItem(item);
    showMenu(globalPos, false);
}

void SchoolTreePanel::editSchoolTree()
{
    SchoolEditorDialog editor(m_ws, m_prompter, window());
    editor.exec();
    AddDot();
}

void SchoolTreePanel::openListedTable(const QString &name)
{
    const QString dir = selectedClassDir();
    if (!dir.isEmpty() && m_host.openTable)
        m_host.openTable(dir + QLatin1Char('/') + name);
}

void SchoolTreePanel::newTableDirect()
{
    const QString dir = selectedClassDir();
    if (dir.isEmpty() || !m_host.newTableWindow)
        return;
    FormTarget target(m_host.newTableWindow());
    shell::newTableDirect(m_prompter, target, dir, proposedTableName(tableNames(dir)));
}

void SchoolTreePanel::newTableWizard()
{
    const QString dir = selectedClassDir();
    if (dir.isEmpty() || !m_host.newTableWindow)
        return;
    QPointer<table::TableWindow> form = m_host.newTableWindow();
    FormTarget target(form);
    shell::newTableWizard(m_prompter, target, dir, proposedTableName(tableNames(dir)), [&](WizardDialog which) {
        if (form && m_host.wizardDialog)
            m_host.wizardDialog(which, *form);
    });
}

void SchoolTreePanel::newTableOutside()
{
    if (m_host.newTableWindow)
        m_host.newTableWindow();
}

} // namespace shell
