#include "core/print/report_session.h"

#include "core/base/module1.h"
#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/formula/cell_formula.h"
#include "core/print/print_output.h"
#include "core/table/grade_table.h"
#include "core/ui/prompter.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace print {

namespace {

const QString kError = QStringLiteral("错误");

} // namespace

int guardedLast(int first, int last)
{
    return std::max(first, last);
}

ReportSession::ReportSession(const table::GradeTable &doc, formula::Calculator &calc, base::Workspace &ws)
    : m_ws(ws), m_values(formula::evaluatedCopy(doc, calc)), m_caption(doc.title)
{
}

QStringList ReportSession::fieldNames() const
{
    QStringList names;
    for (int c = 1; c < m_values.Cols(); ++c)
        names << m_values.TextMatrix(0, c).trimmed();
    return names;
}

QStringList ReportSession::itemChoices() const
{
    QStringList items;
    for (int k = 1; k <= itemCount(); ++k)
        items << QString::number(k);
    return items;
}

QStringList ReportSession::labelCaptions() const
{
    QStringList captions;
    if (m_template)
        for (const ReportLabel &l : m_template->labels)
            captions << displayCaption(l.caption);
    return captions;
}

bool ReportSession::menuOpen(ui::Prompter &prompter)
{
    const QString path = ui::ShowOpenDialog(prompter, QStringLiteral("*.rpl"), QStringLiteral("打开"));
    if (path.isEmpty())
        return false;
    return openTemplate(path, prompter);
}

bool ReportSession::openTemplate(const QString &path, ui::Prompter &prompter)
{
    std::optional<ReportTemplate> t = readReportTemplate(path);
    if (!t) {
        prompter.message(QStringLiteral("文件格式错误，不是有效的报表模板文件。"), kError, ui::Icon::Critical);
        return false;
    }
    m_template = std::move(t);
    m_landscape = m_template->landscape;
    m_bindings = Bindings();
    return true;
}

bool ReportSession::bind(int labelIndex, int fieldIndex)
{
    if (!m_template || labelIndex < 0 || labelIndex >= m_template->labels.size() || fieldIndex < 0 ||
        fieldIndex >= m_values.Cols() - 1)
        return false;
    const QString key = keyLine(BindingKey{labelIndex + 1, fieldIndex + 1});
    if (m_bindings.keys.contains(key))
        return false;
    m_bindings.display << displayLine(m_template->labels[labelIndex].caption, fieldNames()[fieldIndex]);
    m_bindings.keys << key;
    return true;
}

bool ReportSession::unbind(int position, ui::Prompter &prompter)
{
    if (position < 0 || position >= m_bindings.display.size())
        return false;
    const ui::Answer answer =
        prompter.question(QStringLiteral("是否取消绑定：") + m_bindings.display[position] + QStringLiteral(" ？"),
                          QStringLiteral("提示"), ui::Buttons::YesNo, ui::Icon::Question, ui::Answer::Yes);
    if (answer == ui::Answer::No)
        return false;
    m_bindings.display.removeAt(position);
    m_bindings.keys.removeAt(position);
    return true;
}

QStringList ReportSession::bindingFiles() const
{
    return QDir(m_ws.bindingDir())
        .entryList(QStringList{QStringLiteral("*.bind")}, QDir::Files | QDir::Hidden, QDir::Name);
}

bool ReportSession::menuSaveLink(ui::Prompter &prompter)
{
    QDir().mkpath(m_ws.bindingDir());
    const std::optional<QString> name = prompter.input(QStringLiteral("请输入要保存的引用数据的文件名:"),
                                                       QStringLiteral("保存"), QStringLiteral("未命名的引用"));
    // Cancelling writes nothing, and so does an empty name.
    if (!name || name->isEmpty())
        return false;
    return saveBindings(*name, prompter);
}

bool ReportSession::saveBindings(const QString &name, ui::Prompter &prompter)
{
    QDir().mkpath(m_ws.bindingDir());
    if (name.isEmpty() || !base::IsValidName(name) ||
        !base::codec::writeBytes(m_ws.bindingDir() + name + QStringLiteral(".bind"), bindingFileBytes(m_bindings))) {
        prompter.message(kOutputSaveFailed, kError, ui::Icon::Information);
        return false;
    }
    return true;
}

bool ReportSession::loadBindings(const QString &fileName, ui::Prompter &prompter)
{
    const QString path = m_ws.bindingDir() + fileName;
    if (fileName.isEmpty() || !base::IsValidName(fileName) || !QFileInfo(path).isFile()) {
        prompter.message(QStringLiteral("引用数据文件不存在。"), kError, ui::Icon::Information);
        return false;
    }
    QByteArray bytes;
    std::optional<Bindings> loaded;
    if (QFileInfo(path).size() <= kMaxBindingFileBytes && base::codec::readBytes(path, &bytes))
        loaded = parseBindingFile(bytes);
    if (!loaded) {
        prompter.message(QStringLiteral("文件格式错误，不是有效的引用数据文件。"), kError, ui::Icon::Critical);
        return false;
    }
    m_bindings = std::move(*loaded);
    return true;
}

QList<int> ReportSession::items(const ItemChoice &choice) const
{
    QList<int> items;
    const auto add = [&](int k) {
        if (k >= 1 && k <= itemCount())
            items << k;
    };
    switch (choice.kind) {
    case ItemChoice::One:
        add(choice.one);
        break;
    case ItemChoice::All:
        for (int k = 1; k <= itemCount(); ++k)
            items << k;
        break;
    case ItemChoice::Range:
        for (int k = std::max(1, choice.first); k <= std::min(itemCount(), guardedLast(choice.first, choice.last)); ++k)
            add(k);
        break;
    }
    return items;
}

QStringList ReportSession::pageTexts(int item) const
{
    QStringList texts;
    if (!m_template)
        return texts;
    for (const ReportLabel &l : m_template->labels)
        texts << l.caption;
    // A binding of a label or field that is not there (a stale file) has no effect.
    for (const QString &line : m_bindings.keys) {
        const std::optional<BindingKey> key = parseKeyLine(line);
        if (!key || key->label < 1 || key->label > texts.size() || key->field < 1 || key->field >= m_values.Cols())
            continue;
        texts[key->label - 1] = m_values.TextMatrix(item, key->field);
    }
    return texts;
}

std::unique_ptr<RecordingSurface> ReportSession::preview() const
{
    auto out = std::make_unique<RecordingSurface>(
        RecordingSurface::Measure::Fonts, 15, m_landscape ? kA4Height : kA4Width, m_landscape ? kA4Width : kA4Height);
    out->Cls();
    if (m_template) {
        QStringList captions;
        for (const ReportLabel &l : m_template->labels)
            captions << l.caption;
        drawReportPage(*out, *m_template, captions);
    }
    return out;
}

void ReportSession::layout(Surface &out, const QList<int> &items) const
{
    if (!m_template)
        return;
    for (qsizetype i = 0; i < items.size() && out.ok(); ++i) {
        if (i > 0)
            out.NewPage();
        drawReportPage(out, *m_template, pageTexts(items[i]));
    }
}

bool ReportSession::print(const QList<int> &items, ui::Prompter &prompter)
{
    if (items.isEmpty() || !m_template)
        return false;
    return printPages(
        [&](Surface &pages, QString *) {
            layout(pages, items);
            return true;
        },
        m_caption, m_landscape ? kLandscape : kPortrait, m_ws, prompter);
}

bool ReportSession::exportPdf(const QList<int> &items, const QString &path, base::Progress &progress,
                              ui::Prompter &prompter)
{
    if (items.isEmpty() || !m_template)
        return false;
    return exportPagesPdf(
        [&](Surface &pages, QString *) {
            layout(pages, items);
            return true;
        },
        m_caption, m_landscape ? kLandscape : kPortrait, m_ws.printLineWidth, path, progress, prompter);
}

bool ReportSession::menuExportPdf(const QList<int> &items, base::Progress &progress, ui::Prompter &prompter)
{
    if (items.isEmpty() || !m_template)
        return false;
    const QString path = ui::ShowSaveDialog(prompter, QStringLiteral("*.pdf"));
    if (path.isEmpty())
        return false;
    return exportPdf(items, path, progress, prompter);
}

bool startReportDesigner(const base::Workspace &ws, ui::Prompter &prompter,
                         const std::function<bool(const QString &program)> &start)
{
    const auto launch = [&](const QString &program) {
        return start ? start(program) : QProcess::startDetached(program, {}, ws.programDir());
    };
    const QFileInfo native(ws.programDir() + QStringLiteral("报表生成器"));
    const QFileInfo windows(ws.programDir() + QStringLiteral("报表生成器.exe"));
    if (native.isFile() && native.isExecutable() && launch(native.absoluteFilePath()))
        return true;
    if (windows.isFile() && launch(windows.absoluteFilePath()))
        return true;
    prompter.message(QStringLiteral("无法找到组件：报表生成器.exe"), kError, ui::Icon::Critical);
    return false;
}

} // namespace print
