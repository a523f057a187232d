#pragma once
// PrintDialog "打印:": the print dialog. A value collector: the command fills it with the page
// and row choices and the first options, and gives it callbacks for the preview, printing, the
// PDF export and the printer settings; the dialog holds the controls and the preview view.
#include "core/print/table_print_job.h"

#include <QDialog>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace table {
class CommandRegistry;
}

namespace print {

class PreviewView;

class PrintDialog : public QDialog {
    Q_OBJECT
public:
    struct Actions {
        std::function<std::shared_ptr<const RecordingSurface>(const PrintOptions &)> preview; // 刷新
        std::function<void(const PrintOptions &)> print;                                      // 打印
        std::function<void(const PrintOptions &)> exportPdf;                                  // 导出PDF
        std::function<void()> printerSettings;                                                // 打印设置
    };

    // `hasTeacher` false disables and clears 显示教师. The preview is built at once.
    PrintDialog(const QStringList &pageChoices, const QStringList &rowChoices, const PrintOptions &initial,
                bool hasTeacher, Actions actions, QWidget *parent = nullptr);
    ~PrintDialog() override;

    // The options the controls show now.
    PrintOptions options() const;
    PreviewView *preview() const { return m_preview; }

public slots:
    void refreshPreview();
    void print();
    void exportPdf();
    void openPrinterSettings();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    Actions m_actions;
    PrintOptions m_initial;
    QComboBox *m_combo1 = nullptr;
    QComboBox *m_combo2 = nullptr;
    QLineEdit *m_text2 = nullptr;
    QLineEdit *m_text1 = nullptr;
    QCheckBox *m_check3 = nullptr;
    QCheckBox *m_check2 = nullptr;
    QCheckBox *m_chkColWidth = nullptr;
    QCheckBox *m_check1 = nullptr;
    QCheckBox *m_chkPageNumbers = nullptr;
    QWidget *m_previewBar = nullptr;
    QWidget *m_controls = nullptr;
    PreviewView *m_preview = nullptr;
};

// Registers menuPrintView (打印、预览[表格], toolbar button 13) and menuSeletPrinter (打印设置).
void registerPrintDialogs(table::CommandRegistry &registry);

} // namespace print
