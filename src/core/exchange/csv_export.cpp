#include "core/exchange/csv_export.h"

#include "core/base/file_writer.h"
#include "core/base/text_codec.h"
#include "core/exchange/csv_reader.h"
#include "core/formula/calculate.h"
#include "core/formula/cell_formula.h"
#include "core/table/grade_table.h"
#include "core/ui/prompter.h"

namespace exchange {

QByteArray csvBytes(const table::GradeTable &t, formula::Calculator &calc)
{
    const table::Grid values = formula::evaluatedCopy(t, calc);
    const int rows = values.Rows(), cols = values.Cols();
    const QLatin1String lineEnd("\r\n");
    QString text;
    text.reserve(qsizetype(rows) * cols * 6 + 64);
    text += csvField(t.title);
    text += lineEnd;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            text += QLatin1Char(',');
            text += csvField(values.TextMatrix(r, c));
        }
        text += lineEnd;
    }
    text += lineEnd;
    return base::codec::encode(text);
}

bool writeCsvFile(const table::GradeTable &t, const QString &path, formula::Calculator &calc, ui::Prompter &prompter)
{
    if (!base::codec::writeBytes(path, csvBytes(t, calc))) {
        prompter.message(base::kSaveFailed, QStringLiteral("错误"), ui::Icon::Critical);
        return false;
    }
    prompter.message(QStringLiteral("文件保存成功！您可以使用Excel作为以逗号为分割符的文本文件打开。"),
                     QStringLiteral("提示"), ui::Icon::Information);
    return true;
}

bool menuSaveCVS(const table::GradeTable &t, base::Workspace &ws, ui::Prompter &prompter)
{
    const QString path = ui::ShowSaveDialog(prompter, QStringLiteral("*.csv"));
    if (path.isEmpty())
        return false;
    return writeCsvFile(t, path, formula::calculator(ws), prompter);
}

} // namespace exchange
