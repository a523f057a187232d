#pragma once
// ChartDialog "图表（A4纵向，约半张）": the chart window. A value collector: the command fills it with
// the field names and the first options and gives it callbacks for the rows of a display field,
// the preview, printing, the PDF export, the printer settings and saving the picture; the window
// holds the controls and shows the preview picture Picture1 (467 × 307 pixels).
#include "core/print/chart_job.h"

#include <QDialog>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace table {
class CommandRegistry;
}

namespace print {

// No Q_OBJECT: moc cannot name a class in Chinese, and the window needs no signals of its own.
class ChartDialog : public QDialog {
public:
    struct Actions {
        std::function<QStringList(int labelField)> rowTexts;                            // List2's entries
        std::function<std::shared_ptr<const RecordingSurface>(ChartOptions &)> preview; // 刷新预览
        std::function<void(ChartOptions &)> print;                                      // 打印
        std::function<void(ChartOptions &)> exportPdf;                                  // 导出PDF
        std::function<void()> printerSettings;                                          // 打印设置
        std::function<void(const RecordingSurface *preview)> savePicture;               // 保存图片
    };

    ChartDialog(const QStringList &fieldNames, const ChartOptions &initial, Actions actions, QWidget *parent = nullptr);
    ~ChartDialog() override;

    // What the controls hold now.
    ChartOptions options() const;
    // The picture Picture1 shows (white until the first preview).
    QImage picture() const { return m_image; }
    const RecordingSurface *previewPages() const { return m_pages.get(); }

    void refreshPreview();      // 刷新预览
    void print();               // 打印
    void openPrinterSettings(); // 打印设置
    void savePicture();         // 保存图片
    void exportPdf();           // 导出PDF

private:
    void fillRows();
    // Shows the boxes' texts as the check left them ("0" maximum → "1").
    void takeBack(const ChartOptions &options);

    Actions m_actions;
    ChartOptions m_initial;
    std::shared_ptr<const RecordingSurface> m_pages;
    QImage m_image;
    QListWidget *m_list1 = nullptr;
    QComboBox *m_combo1 = nullptr;
    QListWidget *m_list2 = nullptr;
    QRadioButton *m_option1 = nullptr;
    QRadioButton *m_option2 = nullptr;
    QRadioButton *m_option3 = nullptr;
    QRadioButton *m_option4 = nullptr;
    QLineEdit *m_text1 = nullptr;
    QLineEdit *m_text2 = nullptr;
    QLineEdit *m_text3 = nullptr;
    QLineEdit *m_text6 = nullptr;
    QLabel *m_picture1 = nullptr;
};

// Registers menuPrintTB (打印图表): ChartDialog over the table window, for the active table's values.
void registerChartDialogs(table::CommandRegistry &registry);

} // namespace print
