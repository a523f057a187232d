#pragma once
// FormulaHelpDialog "公式说明": the names the evaluator knows, how to refer to cells, and a small
// calculator that shares the program's evaluator (and so its "ans").
#include <QDialog>

class QLineEdit;

namespace formula {

class Calculator;

// No Q_OBJECT: moc cannot name a class in Chinese, and the dialog needs no signals of its own.
class FormulaHelpDialog : public QDialog {
public:
    explicit FormulaHelpDialog(Calculator &calc, QWidget *parent = nullptr);

protected:
    // Enter in the example box calculates instead of closing the window.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void runCalculation();

    Calculator &m_calc;
    QLineEdit *m_example;
    QLineEdit *m_result;
};

} // namespace formula
