#pragma once
// ReportDialog "报表打印": the report window. It shows the state of a ReportSession (the template's
// page preview with scroll bars, the labels, the fields, the bindings, the binding files and the
// item choices) and forwards every action to it; the printer settings come as a callback.
#include "core/print/report_session.h"

#include <QDialog>
#include <functional>

class QAction;
class QComboBox;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;

namespace base {
class Progress;
}
namespace table {
class CommandRegistry;
}

namespace print {

class PreviewView;

class ReportDialog : public QDialog {
    Q_OBJECT
public:
    ReportDialog(ReportSession &session, ui::Prompter &prompter, base::Progress &progress,
                 std::function<void(QWidget *)> printerSettings, QWidget *parent = nullptr);
    ~ReportDialog() override;

    PreviewView *preview() const { return m_preview; }
    // The item choice the frame "打印参数：" shows.
    ItemChoice itemChoice() const;
    // The entries of the binding-file menu (menuLinkfilelist).
    QList<QAction *> linkFileEntries() const;

    void openTemplate();
    void print();
    void exportPdf();
    void saveBinding();
    void loadBinding(int index);
    void openPrinterSettings(); // 打印设置(&E)
    void bindLabel();           // 绑定 &>>
    void unbindLabel();         // 取消绑定

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void fillLinkFiles();
    void showTemplate();
    void showBindings();
    void refreshPreview();
    void guardRange();

    ReportSession &m_session;
    ui::Prompter &m_prompter;
    base::Progress &m_progress;
    std::function<void(QWidget *)> m_printerSettings;
    QMenuBar *m_menuBar = nullptr;
    QMenu *m_linkFiles = nullptr;
    QAction *m_menuPrint = nullptr;
    QAction *m_menuPdf = nullptr;
    PreviewView *m_preview = nullptr;
    QWidget *m_controls = nullptr;
    QComboBox *m_combo1 = nullptr;
    QComboBox *m_combo2 = nullptr;
    QComboBox *m_combo3 = nullptr;
    QComboBox *m_combo4 = nullptr;
    QComboBox *m_combo5 = nullptr;
    QListWidget *m_list1 = nullptr;
    QRadioButton *m_option1 = nullptr;
    QRadioButton *m_option2 = nullptr;
    QRadioButton *m_option3 = nullptr;
    QRadioButton *m_option4 = nullptr;
    QRadioButton *m_option5 = nullptr;
};

// Registers menuPrintBB (打印报表: ReportDialog over the table window, for the active table's values)
// and menuBBedit (报表编辑器: the report designer as a separate process).
void registerReportDialogs(table::CommandRegistry &registry);

} // namespace print
