#pragma once
// PrinterSettingsDialog "打印设置：": the printer and the program-wide print settings. A value collector:
// it shows a PrinterSetup, asks the caller for a printer's values when another one is chosen, and
// gives back what the user accepted.
#include "core/print/printer_settings.h"

#include <QDialog>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace base {
class Workspace;
}
namespace ui {
class Prompter;
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

// The outputs a print or chart dialog offers over one job its actions keep alive: 打印, 导出PDF
// (the job takes the printer settings as they are then) and 打印设置, whose dialog opens over
// `dialogWindow` (the caller points it at the dialog once that stands).
template <class Actions, class Job>
void bindJobOutputs(Actions &actions, std::shared_ptr<const Job> job, base::Workspace &ws, ui::Prompter &prompter,
                    QWidget *const &dialogWindow)
{
    actions.print = [job, &ws, &prompter](auto &options) { job->print(options, ws, prompter); };
    actions.exportPdf = [job, &ws, &prompter](auto &options) { job->menuExportPdf(options, ws, prompter); };
    actions.printerSettings = [&ws, &dialogWindow] { showPrinterSettings(ws, dialogWindow); };
}

} // namespace print
