#include "table/table_file.h"

#include "base/module1.h"
#include "base/temp_file_guard.h"
#include "base/text_codec.h"
#include "base/workspace.h"
#include "base/archive.h"
#include "ui/prompter.h"

#include <QDir>
#include <QFileInfo>

namespace table {

namespace {
constexpr int kHeaderLines = 7;

// A count of rows or columns as the file holds it: decimal, 1 … 32767.
bool parseCount(const QString &line, int *out)
{
    bool ok = false;
    const int v = line.trimmed().toInt(&ok);
    if (!ok || v < 1 || v > Grid::kMaxCount)
        return false;
    *out = v;
    return true;
}
} // namespace

QString toFileLine(const QString &value)
{
    if (!value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r')))
        return value;
    QString v = value;
    v.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    v.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    v.replace(QLatin1Char('\n'), QLatin1String("[/]"));
    return v;
}

QString fromFileLine(const QString &line)
{
    if (!line.contains(QLatin1String("[/]")))
        return line;
    QString v = line;
    v.replace(QLatin1String("[/]"), QLatin1String("\n"));
    return v;
}

QStringList writeMember(const GradeTable &t)
{
    const Grid &g = t.成绩表;
    const int rows = g.Rows(), cols = g.Cols();
    QStringList lines;
    lines.reserve(kHeaderLines + rows * cols);
    lines << kMagicLine << toFileLine(t.Caption) << QString::number(rows) << QString::number(cols)
          << toFileLine(t.Text3) << toFileLine(t.Text4) << toFileLine(t.DataFormat);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            lines << toFileLine(g.TextArray(t.faIndex(static_cast<int16_t>(r), static_cast<int16_t>(c))));
    return lines;
}

MemberResult readMember(const QStringList &lines, GradeTable &t)
{
    if (lines.isEmpty() || lines.first() != kMagicLine)
        return MemberResult::BadMagic;
    int rows = 0, cols = 0;
    if (lines.size() < kHeaderLines || !parseCount(lines[2], &rows) || !parseCount(lines[3], &cols))
        return MemberResult::BadFormat;
    const qint64 cells = qint64(rows) * cols;
    const qint64 present = lines.size() - kHeaderLines;
    // An editor may have dropped trailing empty lines, so up to one row may be missing; anything
    // beyond that is not a table this program wrote.
    if (cells > present + cols)
        return MemberResult::BadFormat;

    Grid &g = t.成绩表;
    GridBulk bulk(g);
    t.Caption = fromFileLine(lines[1]);
    g.setRows(rows);
    g.setCols(cols);
    t.Text3 = fromFileLine(lines[4]);
    t.Text4 = fromFileLine(lines[5]);
    t.DataFormat = fromFileLine(lines[6]);
    for (qint64 i = 0; i < cells; ++i) {
        const qint64 line = kHeaderLines + i;
        g.setTextArray(static_cast<int>(i), line < lines.size() ? fromFileLine(lines[line]) : QString());
    }
    t.rebuildHeader();
    return MemberResult::Ok;
}

QString tableNameFromPath(const QString &path)
{
    // The dialog adds ".gdt"; a path typed without it is taken whole rather than cut short.
    if (path.endsWith(QLatin1String(".gdt"), Qt::CaseInsensitive))
        return path.left(path.size() - 4);
    return path;
}

void TableFile::beginLong(const QString &status)
{
    m_ws.setPanelText(1, status);
    if (showGrid)
        showGrid(false);
    m_ws.setBusy(true);
}

void TableFile::endLong()
{
    m_ws.setBusy(false);
    m_ws.setPanelText(1, QStringLiteral("就绪"));
    if (showGrid)
        showGrid(true);
}

int TableFile::ZIPFile(const QString &, const QString &archive, const QString &password)
{
    base::TempFileGuard working(m_ws.workingFile());
    const int result = base::archive::pack(m_ws.workingFile(), QStringLiteral("data.file"), archive, password);
    if (result != 0) {
        m_prompter.message(QStringLiteral("文件保存失败！请检查保存介质是否可写！"), QStringLiteral("错误"),
                           ui::Icon::Critical);
        return 1;
    }
    return 0;
}

int TableFile::unZIPFile(const QString &archive, const QString &password, OpenMessage which)
{
    const QString dir = m_ws.programDir().chopped(1);
    if (base::archive::unpack(archive, QStringLiteral("data.file"), dir, password) != 0) {
        m_prompter.message(which == OpenMessage::Table
                               ? QStringLiteral("文件打开失败！请确认文件格式正确，或确认您有权访问该文档。")
                               : QStringLiteral("文件打开失败！请确认文件格式正确。"),
                           QStringLiteral("错误"), ui::Icon::Critical);
        return 1;
    }
    return 0;
}

bool TableFile::LoadData(GradeTable &table, const QString &name, bool fullPath)
{
    beginLong(QStringLiteral("文件读取中..."));
    base::TempFileGuard working(m_ws.workingFile());
    auto fail = [&] {
        endLong();
        table.成绩表.setCol(0);
        return false;
    };
    if (name.trimmed().isEmpty())
        return fail();
    const QString path = (fullPath ? name : m_ws.tableDataDir() + name) + QStringLiteral(".gdt");
    if (!QFileInfo(path).isFile())
        return fail();
    if (unZIPFile(path, m_ws.tablePassword) == 1)
        return fail();

    QStringList lines;
    base::codec::readLines(m_ws.workingFile(), &lines);
    GradeTable loaded;
    loaded.成绩表.measureText = table.成绩表.measureText;
    if (readMember(lines, loaded) != MemberResult::Ok) {
        m_prompter.message(QStringLiteral("文件格式不正确!"), QStringLiteral("提示"), ui::Icon::Information);
        return fail();
    }
    table.Caption = loaded.Caption;
    table.Text3 = loaded.Text3;
    table.Text4 = loaded.Text4;
    table.DataFormat = loaded.DataFormat;
    {
        GridBulk bulk(table.成绩表);
        Grid &g = table.成绩表;
        const auto measure = g.measureText;
        g = loaded.成绩表;
        g.measureText = measure;
    }
    endLong();
    table.成绩表.setCol(0);
    m_ws.setPanelText(2, QStringLiteral("当前表格：") + table.Caption);
    return true;
}

bool TableFile::SaveData(GradeTable &table, bool, const QString &name)
{
    beginLong(QStringLiteral("正在保存文件..."));
    struct Ending {
        TableFile &f;
        GradeTable &t;
        ~Ending()
        {
            f.endLong();
            t.unprotectedSave = false;
        }
    } ending{*this, table};

    QDir().mkpath(m_ws.tableDataDir());
    const QString path = name + QStringLiteral(".gdt");
    if (QFileInfo::exists(path) &&
        m_prompter.question(QStringLiteral("确实覆盖原有数据么？"), QStringLiteral("提示："), ui::Buttons::YesNo,
                            ui::Icon::Question, ui::Answer::Yes) != ui::Answer::Yes)
        return false;

    base::TempFileGuard working(m_ws.workingFile());
    QFile::remove(m_ws.workingFile());
    if (!base::codec::writeLines(m_ws.workingFile(), writeMember(table))) {
        m_prompter.message(QStringLiteral("文件保存失败！请检查保存介质是否可写！"), QStringLiteral("错误"),
                           ui::Icon::Critical);
        return false;
    }
    return ZIPFile(QStringLiteral("data.file"), path, table.unprotectedSave ? QString() : m_ws.tablePassword) == 0;
}

bool TableFile::saveToChosenPath(GradeTable &table)
{
    const QString chosen = ui::ShowSaveDialog(m_prompter, QStringLiteral("*.gdt"));
    if (chosen.isEmpty())
        return false;
    return SaveData(table, false, tableNameFromPath(chosen));
}

bool TableFile::menuSave(GradeTable &table)
{
    if (!table.Text7.isEmpty())
        return SaveData(table, false, table.Text7);
    return saveToChosenPath(table);
}

bool TableFile::menuCopyTable(GradeTable &table)
{
    return saveToChosenPath(table);
}

bool TableFile::menuUnPasSave(GradeTable &table)
{
    const QString chosen = ui::ShowSaveDialog(m_prompter, QStringLiteral("*.gdt"));
    if (chosen.isEmpty())
        return false;
    table.unprotectedSave = true;
    return SaveData(table, false, tableNameFromPath(chosen));
}

} // namespace table
