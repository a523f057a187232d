#include "core/exchange/column_import.h"

#include "core/base/text_codec.h"
#include "core/exchange/csv_reader.h"
#include "core/table/grade_table.h"
#include "core/ui/prompter.h"

namespace exchange {

int importColumn(table::GradeTable &t, int col, QByteArrayView csv, qsizetype *ignored)
{
    table::Grid &g = t.grid;
    if (ignored)
        *ignored = 0;
    if (col < 0 || col >= g.Cols())
        return 0;
    const qsizetype room = g.Rows() - 1;
    QStringList values;
    qsizetype total = 0;
    {
        // Values past the last row are counted, not held.
        CsvParser parser(decodeCsvText(csv));
        QStringList record;
        while (parser.next(record, room - values.size())) {
            values += record;
            total += parser.count();
        }
    }
    if (ignored)
        *ignored = total - values.size();
    table::GridBulk bulk(g);
    for (qsizetype k = 0; k < values.size(); ++k)
        g.setTextMatrix(int(k) + 1, col, csvUnguarded(values.at(k)));
    return int(values.size());
}

bool menuImportCVS(table::GradeTable &t, ui::Prompter &prompter)
{
    const table::Grid &g = t.grid;
    const int col = g.ColSel();
    // Column 0 holds the row numbers, which every load renumbers: nothing to import into.
    if (col < 1 || col >= g.Cols())
        return false;
    const QString question = QStringLiteral("本操作将会覆盖第 ") + QString::number(col) + QStringLiteral(" 列(") +
                             g.TextMatrix(0, col) + QStringLiteral(")的所有数据，是否继续？");
    if (prompter.question(question, QStringLiteral("提示"), ui::Buttons::YesNo, ui::Icon::Question, ui::Answer::Yes) !=
        ui::Answer::Yes)
        return false;
    const QString path = ui::ShowOpenDialog(prompter, QStringLiteral("*.txt;*.csv"),
                                            QStringLiteral("打开以逗号分隔的文本文件，可以用Excel导出"));
    if (path.isEmpty())
        return false;
    QByteArray bytes;
    if (!base::codec::readBytes(path, &bytes))
        return false;
    t.beginChange();
    qsizetype ignored = 0;
    const int filled = importColumn(t, col, bytes, &ignored);
    prompter.message(QStringLiteral("已导入 %1 个数值，忽略 %2 个。").arg(filled).arg(ignored), QStringLiteral("提示"),
                     ui::Icon::Information);
    return true;
}

} // namespace exchange
