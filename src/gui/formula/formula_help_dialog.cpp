#include "gui/formula/formula_help_dialog.h"

#include "core/formula/calculate.h"
#include "core/formula/formula_help.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace formula {

namespace {
QLabel *wrapped(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}
} // namespace

FormulaHelpDialog::FormulaHelpDialog(Calculator &calc, QWidget *parent) : QDialog(parent), m_calc(calc)
{
    setObjectName(QStringLiteral("frm公式说明"));
    setWindowTitle(QStringLiteral("公式说明"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(wrapped(help::kIntro, this));
    layout->addWidget(wrapped(help::kUsage, this));

    auto *names = new QGroupBox(this);
    auto *grid = new QGridLayout(names);
    int row = 0;
    for (const help::Group &group : help::groups()) {
        auto *title = new QLabel(group.title, names);
        title->setStyleSheet(QStringLiteral("font-weight: bold"));
        grid->addWidget(title, row, 0, Qt::AlignTop);
        for (int i = 0; i < group.names.size(); ++i)
            grid->addWidget(new QLabel(group.names[i].name + QStringLiteral("  ") + group.names[i].meaning, names),
                            row + i / 3, 1 + i % 3);
        row += static_cast<int>((group.names.size() + 2) / 3);
    }
    layout->addWidget(names);
    layout->addWidget(wrapped(help::kReferences, this));
    layout->addWidget(wrapped(help::kNote, this));

    m_example = new QLineEdit(help::kExample, this);
    m_example->setObjectName(QStringLiteral("Text1"));
    m_result = new QLineEdit(this);
    m_result->setObjectName(QStringLiteral("Text2"));
    m_result->setReadOnly(true);
    auto *calculate = new QPushButton(QStringLiteral("计算"), this);
    calculate->setObjectName(QStringLiteral("Command1"));
    calculate->setAutoDefault(false);
    auto *ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("Command2"));
    ok->setDefault(true);
    auto *calc1 = new QGridLayout;
    calc1->addWidget(new QLabel(QStringLiteral("例如："), this), 0, 0);
    calc1->addWidget(m_example, 0, 1);
    calc1->addWidget(calculate, 0, 2);
    calc1->addWidget(new QLabel(QStringLiteral("结果："), this), 1, 0);
    calc1->addWidget(m_result, 1, 1);
    calc1->addWidget(ok, 1, 2);
    layout->addLayout(calc1);

    connect(calculate, &QPushButton::clicked, this, &FormulaHelpDialog::runCalculation);
    m_example->installEventFilter(this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    resize(560, 0);
}

void FormulaHelpDialog::runCalculation()
{
    m_result->setText(
        help::shownResult(m_calc.Calculate(m_example->text()), m_calc.options.base == CalcOptions::Base::Dec));
}

bool FormulaHelpDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_example && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            runCalculation();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace formula
