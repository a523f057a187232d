#include "gui/shell/school_editor_dialog.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace shell {

SchoolEditorDialog::SchoolEditorDialog(base::Workspace &ws, ui::Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_editor(ws, prompter)
{
    setObjectName(QStringLiteral("frmClass"));
    setWindowTitle(QStringLiteral("班级编制"));
    setModal(true);

    auto label = [this](const QString &name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(name);
        return l;
    };
    auto button = [this](const QString &name, const QString &text, void (SchoolEditor::*command)()) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        if (command)
            connect(b, &QPushButton::clicked, this, [this, command] { run(command); });
        return b;
    };

    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->installEventFilter(this);
    connect(m_text1, &QLineEdit::textEdited, this, [this](const QString &text) { m_editor.nameEdited(text); });
    m_list1 = new QListWidget(this);
    m_list1->setObjectName(QStringLiteral("List1"));
    connect(m_list1, &QListWidget::currentRowChanged, this, [this](int row) {
        if (m_refreshing)
            return;
        m_editor.selectGrade(row);
        refresh();
    });
    m_list2 = new QListWidget(this);
    m_list2->setObjectName(QStringLiteral("List2"));
    connect(m_list2, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_refreshing)
            m_editor.selectClass(row);
    });

    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(label(QStringLiteral("Label3"), QStringLiteral("1:")));
    nameRow->addWidget(label(QStringLiteral("Label1"), QStringLiteral("学校名称：")));
    nameRow->addWidget(m_text1, 1);
    auto *grid = new QGridLayout;
    grid->addWidget(label(QStringLiteral("Label3"), QStringLiteral("2:")), 1, 0);
    grid->addWidget(label(QStringLiteral("Label2"), QStringLiteral("年级设置：")), 1, 1);
    grid->addWidget(label(QStringLiteral("Label3"), QStringLiteral("3:")), 1, 3);
    grid->addWidget(label(QStringLiteral("Label4"), QStringLiteral("下属班级：")), 1, 4);
    auto *gradeButtons = new QVBoxLayout;
    gradeButtons->addWidget(button(QStringLiteral("Command3"), QStringLiteral("添加>"), &SchoolEditor::addGrade));
    gradeButtons->addWidget(button(QStringLiteral("Command4"), QStringLiteral("删除<"), &SchoolEditor::deleteGrade));
    gradeButtons->addWidget(button(QStringLiteral("Command5"), QStringLiteral("重命名"), &SchoolEditor::renameGrade));
    gradeButtons->addStretch();
    auto *classButtons = new QVBoxLayout;
    classButtons->addWidget(button(QStringLiteral("Command6"), QStringLiteral("添加>"), &SchoolEditor::addClass));
    classButtons->addWidget(button(QStringLiteral("Command7"), QStringLiteral("删除<"), &SchoolEditor::deleteClass));
    classButtons->addWidget(button(QStringLiteral("Command8"), QStringLiteral("重命名"), &SchoolEditor::renameClass));
    classButtons->addStretch();
    grid->addWidget(m_list1, 2, 1);
    grid->addLayout(gradeButtons, 2, 2);
    grid->addLayout(classButtons, 2, 3);
    grid->addWidget(m_list2, 2, 4);

    auto *note = label(QStringLiteral("Label5"),
                       QStringLiteral("请按“1，2，3”的顺序编辑学校的关系树。每个年级的都可以下属任意多的班级。各年级的"
                                      "班级相对独立，不会互相影响。"));
    note->setWordWrap(true);
    auto *finish = button(QStringLiteral("Command1"), QStringLiteral("完成"), nullptr);
    auto *cancel = button(QStringLiteral("Command2"), QStringLiteral("取消"), nullptr);
    connect(finish, &QPushButton::clicked, this, &SchoolEditorDialog::finish);
    connect(cancel, &QPushButton::clicked, this, &SchoolEditorDialog::cancel);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(note, 1);
    bottom->addWidget(finish);
    bottom->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(nameRow);
    layout->addLayout(grid);
    layout->addLayout(bottom);
    resize(560, 360);

    m_editor.load();
    refresh();
    // The placeholder stays in view until the user goes to the name box.
    m_list1->setFocus();
}

QPushButton *SchoolEditorDialog::button(const QString &objectName) const
{
    return findChild<QPushButton *>(objectName);
}

void SchoolEditorDialog::refresh()
{
    m_refreshing = true;
    if (m_text1->text() != m_editor.name())
        m_text1->setText(m_editor.name());
    m_list1->clear();
    m_list1->addItems(m_editor.grades());
    m_list1->setCurrentRow(m_editor.gradeIndex());
    m_list2->clear();
    m_list2->addItems(m_editor.classes());
    m_list2->setCurrentRow(m_editor.classIndex());
    m_refreshing = false;
}

void SchoolEditorDialog::run(void (SchoolEditor::*command)())
{
    (m_editor.*command)();
    refresh();
}

bool SchoolEditorDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_text1 && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        if (event->type() == QEvent::FocusIn)
            m_editor.nameFocusIn();
        else
            m_editor.nameFocusOut();
        if (m_text1->text() != m_editor.name())
            m_text1->setText(m_editor.name());
    }
    return QDialog::eventFilter(watched, event);
}

void SchoolEditorDialog::finish()
{
    m_editor.nameEdited(m_text1->text());
    if (m_editor.finish())
        accept();
}

void SchoolEditorDialog::cancel()
{
    reject();
}

void SchoolEditorDialog::reject()
{
    // The close box and Escape ask as "取消" does.
    if (m_editor.cancel())
        QDialog::reject();
}

} // namespace shell
