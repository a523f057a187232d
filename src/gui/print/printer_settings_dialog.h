#pragma once
// PrinterSettingsDialog "打印设置：": the printer and the program-wide print settings. A value collector:
// it shows a PrinterSetup, asks the caller for a printer's values when another one is chosen, and
// gives back what the user accepted.
#include "core/print/printer_settings.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace base {
class Workspace;
}

namespace print {

class PrinterSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // `choose` gives the setup after choosing the printer at the index.
    using Choose = std::function<PrinterSetup(const PrinterSetup &, int index)>;
    PrinterSettingsDialog(const PrinterSetup &setup, Choose choose, QWidget *parent = nullptr);

    // The controls' values.
    PrinterSetup setup() const;

private:
    void display(const PrinterSetup &setup);

    PrinterSetup m_setup;
    Choose m_choose;
    QComboBox *m_combo1 = nullptr;
    QLineEdit *m_text1 = nullptr;
    QComboBox *m_combo2 = nullptr;
    QComboBox *m_combo3 = nullptr;
    QCheckBox *m_check1 = nullptr;
    QRadioButton *m_option1 = nullptr;
    QRadioButton *m_option2 = nullptr;
    QPushButton *m_command1 = nullptr;
};

// Opens PrinterSettingsDialog over `parent` for the workspace's printers; 确定 makes the settings program-wide.
void showPrinterSettings(base::Workspace &ws, QWidget *parent);

} // namespace print
