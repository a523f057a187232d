#include "test_support.h"

#include "class_table.h"
#include "core/base/workspace.h"
#include "core/table/table_file.h"
#include "scripted_prompter.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

ProcessResult runProcess(const QString &program, const QStringList &args, const QByteArray &input,
                         const QString &workDir)
{
    ProcessResult r;
    QProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return r;
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QString cliPath()
{
    return qEnvironmentVariable("SCORVANE_CLI");
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

bool saveOneStudentTable(const QString &programDir, const QString &password, const QString &base, const QString &title,
                         const QString &score)
{
    table::GradeTable t;
    t.title = title;
    t.grid.setRows(3);
    t.grid.setCols(3);
    t.grid.setTextMatrix(0, 1, QStringLiteral("姓名"));
    t.grid.setTextMatrix(0, 2, QStringLiteral("语文"));
    t.rebuildHeader();
    t.grid.setTextMatrix(1, 1, QStringLiteral("张三"));
    t.grid.setTextMatrix(1, 2, score);
    return saveTable(programDir, password, base, t);
}

QString oneStudentScore(const QString &programDir, const QString &password, const QString &base)
{
    base::Workspace ws(programDir);
    ws.tablePassword = password;
    ScriptedPrompter quiet;
    table::TableFile file(ws, quiet);
    table::GradeTable t;
    if (!file.load(t, base, true))
        return QStringLiteral("<unreadable>");
    return t.grid.TextMatrix(1, 2);
}

QStringList PdfPage::texts() const
{
    QStringList all;
    for (const PdfWord &w : words)
        all << w.text;
    return all;
}

const PdfWord *PdfPage::find(const QString &text) const
{
    for (const PdfWord &w : words)
        if (w.text == text)
            return &w;
    return nullptr;
}

bool havePdfTools()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty();
}

QList<PdfPage> pdfPages(const QString &path)
{
    QList<PdfPage> pages;
    const ProcessResult r =
        runProcess(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    if (r.exitCode != 0)
        return pages;
    static const QRegularExpression page(QString::fromLatin1(R"re(<page width="([\d.]+)" height="([\d.]+)">)re"));
    static const QRegularExpression word(QString::fromLatin1(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    for (const QString &line : QString::fromUtf8(r.out).split(QLatin1Char('\n'))) {
        if (const auto m = page.match(line); m.hasMatch()) {
            pages.append(PdfPage{m.captured(1).toDouble(), m.captured(2).toDouble(), {}});
        } else if (const auto w = word.match(line); w.hasMatch() && !pages.isEmpty()) {
            QString text = w.captured(5);
            text.replace(QStringLiteral("&amp;"), QStringLiteral("&"))
                .replace(QStringLiteral("&lt;"), QStringLiteral("<"))
                .replace(QStringLiteral("&gt;"), QStringLiteral(">"));
            pages.last().words.append(PdfWord{text, w.captured(1).toDouble(), w.captured(2).toDouble(),
                                              w.captured(3).toDouble(), w.captured(4).toDouble()});
        }
    }
    return pages;
}

QString stderrMessages(const ProcessResult &r)
{
    QStringList lines;
    for (const QString &l : QString::fromUtf8(r.err).split(QLatin1Char('\n')))
        if (!l.isEmpty() && !l.startsWith(QLatin1String("QStandardPaths")))
            lines << l;
    return lines.join(QLatin1Char('\n'));
}
