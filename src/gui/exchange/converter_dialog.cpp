#include "gui/exchange/converter_dialog.h"

#include "core/base/workspace.h"
#include "core/exchange/workbook_reader.h"
#include "core/table/table_file.h"
#include "core/ui/prompter.h"
#include "gui/exchange/trial_convert_dialog.h"
#include "gui/table/grid_view.h"
#include "gui/ui/widget_names.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace exchange {

using ui::named;

ConverterDialog::ConverterDialog(Source source, base::Workspace &ws, ui::Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_sourceKind(source), m_ws(ws), m_prompter(prompter)
{
    switch (source) {
    case Source::Csv:
        setObjectName(QStringLiteral("frmCSV"));
        setWindowTitle(QStringLiteral("CSV 文本文件格式转换"));
        break;
    case Source::Dbf:
        setObjectName(QStringLiteral("Form2"));
        setWindowTitle(QStringLiteral("Foxpro DBF 数据库格式转换"));
        break;
    case Source::Workbook:
        setObjectName(QStringLiteral("frmXLSX"));
        setWindowTitle(QStringLiteral("Excel 表格格式转换"));
        break;
    }
    setModal(true);

    m_table.grid.setRows(2);
    m_table.grid.setCols(2);
    m_text1 = named(new QLineEdit, QStringLiteral("Text1"));
    m_command1 = named(new QPushButton(QStringLiteral("打开(&O)")), QStringLiteral("Command1"));
    m_grid = named(new table::GridView(m_table.grid), QStringLiteral("MSFlexGrid1"));
    m_text3 = named(new QLineEdit, QStringLiteral("Text3"));
    m_text4 = named(new QLineEdit, QStringLiteral("Text4"));
    m_text5 = named(new QLineEdit, QStringLiteral("Text5"));
    // The logged-in user: status panel 4 without "当前用户：".
    m_text2 = named(new QLineEdit(ws.panelText(4).mid(5)), QStringLiteral("Text2"));
    m_text2->setReadOnly(true);
    m_command2 = named(new QPushButton(QStringLiteral("转换保存...")), QStringLiteral("Command2"));
    m_command2->setEnabled(false);
    connect(m_command1, &QPushButton::clicked, this, &ConverterDialog::command1Clicked);
    connect(m_command2, &QPushButton::clicked, this, &ConverterDialog::command2Clicked);

    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(m_text1, 1);
    pathRow->addWidget(m_command1);
    if (source == Source::Workbook) {
        m_combo1 = named(new QComboBox, QStringLiteral("Combo1"));
        m_combo1->setEnabled(false);
        m_combo1->setMinimumContentsLength(12);
        connect(m_combo1, &QComboBox::activated, this, &ConverterDialog::sheetChosen);
        pathRow->addWidget(new QLabel(QStringLiteral("工作表：")));
        pathRow->addWidget(m_combo1);
    }

    auto *frame = named(new QGroupBox(QStringLiteral("格式：")), QStringLiteral("Frame1"));
    auto *form = new QFormLayout(frame);
    form->addRow(QStringLiteral("表格标题："), m_text3);
    form->addRow(QStringLiteral("教师    ："), m_text4);
    form->addRow(QStringLiteral("班级信息："), m_text5);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("隶属于用户：")));
    bottom->addWidget(m_text2);
    bottom->addStretch();
    bottom->addWidget(m_command2);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(pathRow);
    layout->addWidget(m_grid, 1);
    layout->addWidget(frame);
    layout->addLayout(bottom);
    resize(640, 520);
}

ConverterDialog::~ConverterDialog()
{
    delete m_grid; // it watches the member grid, which goes before the children
}

void ConverterDialog::command1Clicked()
{
    QString path;
    switch (m_sourceKind) {
    case Source::Csv:
        path = ui::ShowOpenDialog(m_prompter, QStringLiteral("*.csv"), QString());
        break;
    case Source::Dbf:
        path = ui::ShowOpenDialog(m_prompter, QStringLiteral("*.dbf"), QStringLiteral("FoxPro 2.5数据库文件"));
        break;
    case Source::Workbook:
        path = ui::ShowOpenDialog(m_prompter, QStringLiteral("*.xlsx;*.xls"), QStringLiteral("Excel 工作簿"));
        break;
    }
    // Cancelling the chooser changes nothing: the file shown and its preview stay.
    if (path.isEmpty())
        return;
    m_text1->setText(path);
    table::GradeTable converted;
    if (m_sourceKind == Source::Workbook) {
        QStringList sheets;
        const WorkbookError e = workbookSheetNames(path, &sheets);
        m_combo1->clear();
        m_combo1->addItems(sheets);
        m_combo1->setEnabled(!sheets.isEmpty());
        const Conversion result = e == WorkbookError::Unreadable ? Conversion{Conversion::ReadFailed}
                                  : e != WorkbookError::None     ? Conversion{Conversion::BadWorkbook}
                                                                 : workbookFileToTable(path, 0, converted);
        showConversion(result, converted, path);
        return;
    }
    const Conversion result =
        m_sourceKind == Source::Csv ? csvFileToTable(path, converted) : dbfFileToTable(path, converted);
    showConversion(result, converted, path);
}

void ConverterDialog::sheetChosen(int index)
{
    const QString path = m_text1->text();
    if (path.isEmpty() || index < 0)
        return;
    table::GradeTable converted;
    showConversion(workbookFileToTable(path, index, converted), converted, path);
}

void ConverterDialog::showConversion(const Conversion &result, table::GradeTable &converted, const QString &path)
{
    if (result.status == Conversion::ReadFailed)
        m_prompter.message(QStringLiteral("无法读取文件：") + path, QStringLiteral("提示"), ui::Icon::Information);
    reportConversion(m_prompter, result);
    // A file that could not be read empties the preview, so the previous file's rows cannot be
    // saved under the new name; one cut at the limits shows what fits.
    if (result.status != Conversion::Ok && result.status != Conversion::TooLarge) {
        table::Grid empty;
        empty.setRows(2);
        empty.setCols(2);
        m_table.grid = std::move(empty);
        m_command2->setEnabled(false);
        if (m_combo1 && result.status != Conversion::NoSheet) {
            m_combo1->clear();
            m_combo1->setEnabled(false);
        }
        return;
    }
    m_table.grid = std::move(converted.grid);
    const int digits = int(QString::number(m_table.grid.Rows()).size());
    m_table.grid.setColWidth(0, (m_sourceKind == Source::Dbf ? 150 : 170) * digits);
    m_command2->setEnabled(true);
}

void ConverterDialog::command2Clicked()
{
    const QString path = ui::ShowSaveDialog(m_prompter, QStringLiteral("*.gdt"));
    if (path.isEmpty())
        return;
    table::TableFile files(m_ws, m_prompter);
    table::GradeTable copy;
    copy.grid = m_table.grid;
    saveConverted(files, std::move(copy), m_text3->text(), m_text4->text(), m_text5->text(), path);
}

void openCsvConverter(base::Workspace &ws, ui::Prompter &prompter, QWidget *parent)
{
    ConverterDialog dialog(ConverterDialog::Source::Csv, ws, prompter, parent);
    dialog.exec();
}

void openDbfConverter(base::Workspace &ws, ui::Prompter &prompter, QWidget *parent)
{
    ConverterDialog dialog(ConverterDialog::Source::Dbf, ws, prompter, parent);
    dialog.exec();
}

void openWorkbookConverter(base::Workspace &ws, ui::Prompter &prompter, QWidget *parent)
{
    ConverterDialog dialog(ConverterDialog::Source::Workbook, ws, prompter, parent);
    dialog.exec();
}

void openTrialConverter(base::Workspace &ws, ui::Prompter &prompter, QWidget *parent)
{
    TrialConvertDialog dialog(ws, prompter, parent);
    dialog.exec();
}

} // namespace exchange
