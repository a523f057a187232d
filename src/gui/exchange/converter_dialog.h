#pragma once
// The converters that show foreign data before saving it as a table: frmCSV
// ("CSV 文本文件格式转换"), Form2 ("Foxpro DBF 数据库格式转换") and frmXLSX ("Excel 表格格式转换").
// All have the path box Text1 with 打开(&O), the preview grid, the frame "格式：" with title,
// teacher and class information, the owning user and 转换保存...; frmXLSX has the sheet chooser
// Combo1 ("工作表：") besides. Reading and saving are the converters' logic.
#include "core/exchange/converters.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace base {
class Workspace;
}
namespace table {
class GridView;
}
namespace ui {
class Prompter;
}

namespace exchange {

class ConverterDialog : public QDialog {
    Q_OBJECT
public:
    enum class Source { Csv, Dbf, Workbook };
    ConverterDialog(Source source, base::Workspace &ws, ui::Prompter &prompter, QWidget *parent = nullptr);
    ~ConverterDialog() override;

    const table::GradeTable &preview() const { return m_table; }

private:
    void command1Clicked();
    void command2Clicked();
    void showConversion(const Conversion &result, table::GradeTable &converted, const QString &path);
    void sheetChosen(int index);

    Source m_sourceKind;
    base::Workspace &m_ws;
    ui::Prompter &m_prompter;
    table::GradeTable m_table;
    QLineEdit *m_text1;
    table::GridView *m_grid;
    QLineEdit *m_text3;
    QLineEdit *m_text4;
    QLineEdit *m_text5;
    QLineEdit *m_text2;
    QPushButton *m_command1;
    QPushButton *m_command2;
    QComboBox *m_combo1 = nullptr; // the workbook's sheets
};

// frmCSV, Form2, frmXLSX and TrialConvertDialog (转换 试用版 数据表), each shown modally over `parent`. The main
// window's 文件 menu (menuCovCSV, menuFoxExp, menuCove) and the table window's menus open them alike.
void openCsvConverter(base::Workspace &ws, ui::Prompter &prompter, QWidget *parent);
void openDbfConverter(base::Workspace &ws, ui::Prompter &prompter, QWidget *parent);
void openWorkbookConverter(base::Workspace &ws, ui::Prompter &prompter, QWidget *parent);
void openTrialConverter(base::Workspace &ws, ui::Prompter &prompter, QWidget *parent);

} // namespace exchange
