#include "core/exchange/table_import.h"

#include "core/base/progress.h"
#include "core/table/fields.h"
#include "core/table/table_file.h"
#include "core/ui/prompter.h"

#include <QFileInfo>
#include <QHash>

namespace exchange {

bool appendTable(table::GradeTable &t, const table::Grid &source, ui::Prompter &prompter)
{
    table::Grid &g = t.grid;
    const int oldRows = g.Rows();
    const int added = source.Rows() - 1;
    if (added <= 0)
        return false;
    if (added > table::Grid::kMaxCount - oldRows) {
        prompter.message(QStringLiteral("导入后表格将超过 32767 行，无法导入。"), QStringLiteral("提示"),
                         ui::Icon::Information);
        return false;
    }
    // Rows within bounds can still make more cells than a table may hold.
    if (!table::fitsInGrid(qint64(oldRows) + added, g.Cols())) {
        prompter.message(table::kTableTooLarge, QStringLiteral("提示"), ui::Icon::Information);
        return false;
    }
    t.beginChange();
    table::GridBulk bulk(g);
    g.setRows(oldRows + added);
    const int cols = g.Cols();
    const int shared = qMin(cols, source.Cols());
    QStringList fieldNames;
    for (int j = 0; j < cols; ++j)
        fieldNames << g.TextMatrix(0, j);
    for (int k = 1; k <= added; ++k) {
        const int row = oldRows - 1 + k;
        for (int j = 0; j < shared; ++j) {
            const QString text = source.TextMatrix(k, j);
            if (text != fieldNames.at(j))
                g.setTextMatrix(row, j, text);
        }
    }
    for (int r = 1; r < g.Rows(); ++r)
        g.setTextMatrix(r, 0, QString::number(r));
    return true;
}

namespace {

bool importTableFile(table::GradeTable &t, const QString &path, table::TableFile &files, ui::Prompter &prompter,
                     base::Progress &progress)
{
    base::BusyScope busy(progress, QStringLiteral("文件导入中..."));
    if (!QFileInfo(path).isFile())
        return false;
    table::GradeTable source;
    if (!files.readTableFile(path, source))
        return false;
    return appendTable(t, source.grid, prompter);
}

} // namespace

bool ImpData(table::GradeTable &t, const QString &name, table::TableFile &files, ui::Prompter &prompter,
             base::Progress &progress)
{
    if (name.trimmed().isEmpty())
        return false;
    return importTableFile(t, name + QStringLiteral(".gdt"), files, prompter, progress);
}

bool menuImportAll(table::GradeTable &t, table::TableFile &files, ui::Prompter &prompter, base::Progress &progress)
{
    prompter.message(
        QStringLiteral("使用该功能是为了方便诸如年级里对所有班级成绩的汇总，需要注意的是，请一定保证要导入的"
                       "表格与原表格的格式（项目）相同！否则最终的表格可能会发生数据紊乱的情况！"),
        QStringLiteral("提示"), ui::Icon::Information);
    const QString path = ui::ShowOpenDialog(prompter, QStringLiteral("*.gdt"), QStringLiteral("导入表格文件"));
    if (path.isEmpty())
        return false;
    // The chosen path is read as it is: a name whose extension is spelt ".GDT" is still found.
    return importTableFile(t, path, files, prompter, progress);
}

SourceLoad loadImportSource(table::TableFile &files, const QString &path, const QString &password,
                            table::GradeTable &source, ui::Prompter &prompter)
{
    const std::optional<QByteArray> member = files.unpackMember(path, password, table::TableFile::OpenMessage::Import);
    if (!member)
        return SourceLoad::OpenFailed;
    table::GradeTable loaded;
    if (table::readMember(*member, loaded) != table::MemberResult::Ok) {
        prompter.message(table::kBadFileFormat, QStringLiteral("提示"), ui::Icon::Information);
        return SourceLoad::BadFormat;
    }
    source.title = loaded.title;
    source.teacher = loaded.teacher;
    source.classInfo = loaded.classInfo;
    source.numberFormat = loaded.numberFormat;
    source.grid = std::move(loaded.grid);
    return SourceLoad::Ok;
}

int fillColumn(table::Grid &target, const table::Grid &source, const FillRequest &r, base::Progress *progress)
{
    const int targetRows = target.Rows(), sourceRows = source.Rows();
    if (r.targetCol < 1 || r.targetCol >= target.Cols() || r.sourceCol < 1 || r.sourceCol >= source.Cols())
        return 0;
    table::GridBulk bulk(target);
    int written = 0;
    if (!r.match) {
        const int n = qMin(targetRows, sourceRows) - 1;
        for (int i = 1; i <= n; ++i)
            target.setTextMatrix(i, r.targetCol, source.TextMatrix(i, r.sourceCol));
        return qMax(n, 0);
    }
    if (r.targetKey < 0 || r.targetKey >= target.Cols() || r.sourceKey < 0 || r.sourceKey >= source.Cols())
        return 0;
    QHash<QString, int> firstRow;
    firstRow.reserve(sourceRows);
    for (int j = 1; j < sourceRows; ++j) {
        const QString key = source.TextMatrix(j, r.sourceKey);
        if (!firstRow.contains(key))
            firstRow.insert(key, j);
    }
    const int dataRows = targetRows - 1;
    int shown = -1;
    for (int i = 1; i < targetRows; ++i) {
        const auto it = firstRow.constFind(target.TextMatrix(i, r.targetKey));
        if (it != firstRow.constEnd()) {
            target.setTextMatrix(i, r.targetCol, source.TextMatrix(it.value(), r.sourceCol));
            ++written;
        }
        const int percent = int(qint64(i) * 100 / dataRows); // dataRows ≥ 1 inside the loop
        if (progress && percent != shown) {
            progress->setPercent(percent);
            shown = percent;
        }
    }
    return written;
}

} // namespace exchange
