// The table window on a full class table: loading into the window (the grid view included)
// against the bare document load, starting a cell edit (the undo snapshot of the whole table) and
// undoing it. Runs on the offscreen platform unless another is set.
#include "bench_common.h"
#include "gui/app/program_commands.h"

#include "core/base/workspace.h"
#include "core/table/table_file.h"
#include "core/ui/settings_store.h"
#include "gui/table/table_window.h"

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    using namespace bench;
    auto &o = out();

    QTemporaryDir dir;
    base::Workspace ws(dir.path());
    ws.tablePassword = QStringLiteral("pw");
    GoAheadPrompter prompter;
    table::TableFile files(ws, prompter);
    table::GradeTable source;
    makeClassTable(source);
    const QString name = ws.tableDataDir() + QStringLiteral("高一3班");
    if (!files.save(source, name)) {
        std::fprintf(stderr, "save failed\n");
        return 1;
    }

    table::GradeTable bare;
    const double documentMs = medianMs([&] { files.load(bare, name, true); });

    ui::MemorySettingsStore settings;
    const table::CommandRegistry commands = programCommands(settings);
    table::TableWindow window(ws, prompter, commands);
    window.resize(1000, 700);
    window.show();
    bool ok = true;
    const double windowMs = medianMs([&] {
        ok = window.load(name, true) && ok;
        QCoreApplication::processEvents();
    });
    window.document().grid.setCurrent(kStudents / 2, 5);
    const double editMs = medianMs(
        [&] {
            window.editCell(QStringLiteral("9"));
            QCoreApplication::processEvents();
        },
        [&] { window.document().grid.setCurrent(kStudents / 2, 5); });
    const double undoMs = medianMs(
        [&] {
            window.execute(QStringLiteral("menuUndo"));
            QCoreApplication::processEvents();
        },
        [&] {
            window.document().snapshotForUndo();
            window.document().grid.setTextMatrix(1, 3, QStringLiteral("0"));
        });
    if (!ok || prompter.messages || window.document().grid.Rows() != kStudents + 1) {
        std::fprintf(stderr, "load into the window failed\n");
        return 1;
    }
    window.document().markSaved();

    o << "bench_table_window: " << kStudents << " students x " << kFields << " fields, median of " << kRepeats
      << " runs\n";
    auto line = [&](const QString &what, double ms) {
        o << QStringLiteral("  %1 %2\n").arg(what, -40).arg(ms, 10, 'f', 1);
    };
    line(QStringLiteral("load, document only (baseline)"), documentMs);
    line(QStringLiteral("load into the table window"), windowMs);
    line(QStringLiteral("start a cell edit (undo snapshot)"), editMs);
    line(QStringLiteral("undo (whole table)"), undoMs);
    o << QStringLiteral("  %1 %2\n")
             .arg(QStringLiteral("ratio window/document"), -40)
             .arg(windowMs / documentMs, 10, 'f', 2);
    o.flush();
    row(QStringLiteral("load into the table window"), windowMs, QStringLiteral("load, document only"), documentMs);
    row(QStringLiteral("start a cell edit (undo snapshot)"), editMs);
    row(QStringLiteral("undo (whole table)"), undoMs);
    return 0;
}
