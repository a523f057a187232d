#include "gui/table/class_info_dialog.h"

#include "core/ui/prompter.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace table {

namespace {
QLabel *label(QWidget *parent, const char *name, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}
} // namespace

ClassInfoDialog::ClassInfoDialog(const ClassInfo &info, ui::Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_prompter(prompter)
{
    setObjectName(QStringLiteral("frmClassInfo"));
    setWindowTitle(QStringLiteral("班级信息设置："));
    m_size = new QLineEdit(QString::number(info.classSize), this);
    m_size->setObjectName(QStringLiteral("Text1"));
    // The box takes what is typed; "完成" says what a class size may be rather than changing it.
    m_teacher = new QLineEdit(info.teacher, this);
    m_teacher->setObjectName(QStringLiteral("Text2"));
    m_info = new QPlainTextEdit(info.info, this);
    m_info->setObjectName(QStringLiteral("Text3"));
    m_info->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_info->setTabChangesFocus(true);
    QLabel *note = label(this, "Label4", QStringLiteral("班级人数将决定表格的行数，所以，请准确填写。"));
    note->setWordWrap(true);
    auto *done = new QPushButton(QStringLiteral("完成"), this);
    done->setObjectName(QStringLiteral("Command1"));
    done->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("Command2"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(label(this, "Label1", QStringLiteral("班级人数：")), 0, 0);
    grid->addWidget(m_size, 0, 1);
    grid->addWidget(label(this, "Label2", QStringLiteral("教师：")), 0, 2);
    grid->addWidget(m_teacher, 0, 3);
    grid->addWidget(label(this, "Label3", QStringLiteral("班级信息：")), 1, 0, 1, 4);
    grid->addWidget(m_info, 2, 0, 1, 4);
    grid->addWidget(note, 3, 0, 1, 4);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(done);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 4, 0, 1, 4);

    connect(done, &QPushButton::clicked, this, &ClassInfoDialog::done1);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(420, 280);
}

void ClassInfoDialog::done1()
{
    if (!classSizeFromText(m_size->text())) {
        m_prompter.message(classSizeMessage(), QStringLiteral("提示"), ui::Icon::Information);
        m_size->setFocus();
        m_size->selectAll();
        return;
    }
    accept();
}

ClassInfo ClassInfoDialog::classInfo() const
{
    return {classSizeFromText(m_size->text()).value_or(0), m_teacher->text(), m_info->toPlainText()};
}

} // namespace table
