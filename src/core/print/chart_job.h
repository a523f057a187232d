#pragma once
// The logic behind ChartDialog "图表（A4纵向，约半张）": the field and row lists of a grade table, the
// checks of 刷新预览 and 打印, the chart data taken from the table's values (every formula
// evaluated, as 计算所有公式 would), and the outputs: the preview picture, the printed page, a PDF of
// that page and the preview saved as a Windows bitmap.
#include "core/print/chart_drawing.h"
#include "core/print/recording_surface.h"
#include "core/table/grid.h"

#include <QByteArray>
#include <QDate>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

namespace base {
class Progress;
class Workspace;
} // namespace base
namespace formula {
class Calculator;
}
namespace table {
class GradeTable;
}
namespace ui {
class Prompter;
}

namespace print {

// The limits the dialog's boxes accept: maximum 1 … 100000, segments 1 … 100, minimum 0 … 100000.
inline constexpr int kChartMaxLimit = 100000;
inline constexpr int kChartSegmentsLimit = 100;

// What the dialog collects. Fields and rows are grid columns and rows (1 …).
struct ChartOptions {
    QList<int> fields;                       // List1: the checked fields, in list order
    int currentField = -1;                   // List1: the entry with the focus (the bar chart's subject when checked)
    int labelField = 1;                      // Combo1 显示字段
    QList<int> rows;                         // List2: the selected rows, in list order
    bool bar = true;                         // Option2 柱形图, else Option1 折线图
    bool upward = true;                      // Option4 降序↑, else Option3 升序↓
    QString min = QStringLiteral("0");       // Text1 最小值
    QString max = QStringLiteral("100");     // Text2 最大值
    QString segments = QStringLiteral("10"); // Text3 分 … 个段
    QString title;                           // Text6 图表标题
    QDate date;                              // for "打印时间： "
};

// The boxes as numbers: an empty, zero or negative maximum or segment count becomes "1" (also in
// the texts, as the dialog shows them after 刷新预览), whatever the digits ("00" included); larger
// values are held to the limits. The minimum is a number ≥ 0 and is taken as 0 when it is not
// below the maximum.
ChartAxis normalizeAxis(ChartOptions &options);

// The grid lines' labels, the points and the bars in the preview picture (7000 × 4600 twips).
QImage chartImage(const RecordingSurface &preview);
// A 24-bit Windows bitmap of the image.
QByteArray bitmapBytes(const QImage &image);

class ChartJob {
public:
    // Takes the table's values (every formula evaluated) and title.
    ChartJob(const table::GradeTable &doc, formula::Calculator &calc);

    const table::Grid &values() const { return m_values; }
    // List1 and Combo1: the field names of columns 1 … Cols − 1.
    QStringList fieldNames() const;
    // List2: the data rows by the text of the display field.
    QStringList rowTexts(int labelField) const;
    // The dialog's first state: the table's title, 柱形图, 降序↑, 0, 100, 10; the first field has
    // the focus and is the display field; nothing checked or selected.
    ChartOptions initialOptions(const QDate &today) const;

    // "柱形图只能选择一个科目。" for a bar chart with more than one checked field; else
    // "请先选择要处理的数据（字段、处理对象）。" unless a field is checked and a row selected.
    bool checkSelection(const ChartOptions &options, ui::Prompter &prompter) const;
    // The categories, values and labels the options chart; cells that are not numbers count as 0.
    ChartData data(const ChartOptions &options) const;
    // The subject of the bar chart (which the check allows one checked field): the focused field
    // when it is checked, else the first checked.
    static int barSubject(const ChartOptions &options);
    // The variant the options choose, drawn on `out` at `scale` with the picture's corner at `origin`.
    void draw(Surface &out, double scale, const ChartOptions &options, QPointF origin = {}) const;

    // 刷新预览: after the check and the numeric corrections (written back into `options`), the
    // preview picture at scale 1; null (nothing drawn) when the check failed.
    std::unique_ptr<RecordingSurface> preview(ChartOptions &options, ui::Prompter &prompter) const;
    // 打印: the same checks, then one A4 portrait page at scale 1.5, 1 cm from the paper's top and
    // left edges, on the current printer with the program's settings.
    bool print(ChartOptions &options, base::Workspace &ws, ui::Prompter &prompter) const;
    // 导出PDF: the page 打印 would print, into `path`.
    bool exportPdf(ChartOptions &options, const QString &path, base::Workspace &ws, ui::Prompter &prompter) const;
    // 导出PDF in the dialog: asks for the file ("*.pdf") first; false when cancelled.
    bool menuExportPdf(ChartOptions &options, base::Workspace &ws, ui::Prompter &prompter) const;

private:
    table::Grid m_values;
    QString m_caption;
};

// 保存图片: the preview picture (white where nothing was drawn; all white before the first
// preview) as a 24-bit Windows bitmap at `path`. A failed write says so.
bool saveChartBitmap(const RecordingSurface *preview, const QString &path, ui::Prompter &prompter);
// Asks for the file with the save-file dialog ("*.bmp") first; false when cancelled.
bool menuSaveChartBitmap(const RecordingSurface *preview, ui::Prompter &prompter);

} // namespace print
