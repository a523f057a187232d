// Saving and loading a full class table with a table password, against Info-ZIP in the same run:
// unzip reading the same member of the same file, zip packing the same member with the same level
// and encryption.
#include "bench_common.h"

#include "core/base/text_codec.h"
#include "core/base/workspace.h"
#include "core/table/table_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    using namespace bench;
    auto &o = out();

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary directory\n");
        return 1;
    }
    base::Workspace ws(dir.path());
    ws.userName = QStringLiteral("bench");
    ws.tablePassword = QStringLiteral("pw");
    GoAheadPrompter prompter;
    table::TableFile files(ws, prompter);

    table::GradeTable source;
    makeClassTable(source);
    const QString name = ws.tableDataDir() + QStringLiteral("高一3班");
    const QString path = name + QStringLiteral(".gdt");

    bool allOk = true;
    const double saveMs = medianMs([&] { allOk = files.save(source, name) && allOk; }, [&] { QFile::remove(path); });

    table::GradeTable loaded;
    const double loadMs = medianMs([&] { allOk = files.load(loaded, name, true) && allOk; });
    if (!allOk || prompter.messages || loaded.grid.Rows() != source.grid.Rows() ||
        loaded.grid.Cols() != source.grid.Cols() ||
        loaded.grid.TextMatrix(kStudents, 2) != source.grid.TextMatrix(kStudents, 2)) {
        std::fprintf(stderr, "save or load failed\n");
        return 1;
    }

    int unzipExit = 0;
    const double unzipMs = medianMs([&] {
        QProcess unzip;
        unzip.setStandardOutputFile(QProcess::nullDevice());
        unzip.start(QStringLiteral("unzip"),
                    {QStringLiteral("-P"), ws.tablePassword, QStringLiteral("-p"), path, QStringLiteral("data.file")});
        if (!unzip.waitForFinished(60000) || unzip.exitStatus() != QProcess::NormalExit)
            unzipExit = -1;
        else
            unzipExit = std::max(unzipExit, unzip.exitCode());
    });
    if (unzipExit != 0) {
        std::fprintf(stderr, "unzip failed (%d)\n", unzipExit);
        return 1;
    }

    // Info-ZIP packing the same member with the same level and encryption, from a file as it
    // takes its input.
    const QString memberFile = dir.filePath(QStringLiteral("data.file"));
    const QString zipPath = dir.filePath(QStringLiteral("zip.gdt"));
    if (!base::codec::writeBytes(memberFile, table::memberBytes(source))) {
        std::fprintf(stderr, "cannot write the member\n");
        return 1;
    }
    int zipExit = 0;
    const double zipMs = medianMs(
        [&] {
            QProcess zip;
            zip.setWorkingDirectory(dir.path());
            zip.setStandardOutputFile(QProcess::nullDevice());
            zip.start(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-6"), QStringLiteral("-P"),
                                              ws.tablePassword, zipPath, QStringLiteral("data.file")});
            if (!zip.waitForFinished(60000) || zip.exitStatus() != QProcess::NormalExit)
                zipExit = -1;
            else
                zipExit = std::max(zipExit, zip.exitCode());
        },
        [&] { QFile::remove(zipPath); });
    if (zipExit != 0) {
        std::fprintf(stderr, "zip failed (%d)\n", zipExit);
        return 1;
    }

    o << "bench_table_file: " << kStudents << " students x " << kFields << " fields, file "
      << QFileInfo(path).size() / 1024 << " KiB, median of " << kRepeats << " runs\n";
    o << QStringLiteral("  %1 %2\n").arg(QStringLiteral("operation"), -28).arg(QStringLiteral("ms"), 10);
    auto line = [&](const QString &what, double ms) {
        o << QStringLiteral("  %1 %2\n").arg(what, -28).arg(ms, 10, 'f', 1);
    };
    line(QStringLiteral("save"), saveMs);
    line(QStringLiteral("load"), loadMs);
    line(QStringLiteral("unzip -P pw -p (baseline)"), unzipMs);
    line(QStringLiteral("zip -6 -P pw (baseline)"), zipMs);
    o << QStringLiteral("  %1 %2\n").arg(QStringLiteral("ratio load/unzip"), -28).arg(loadMs / unzipMs, 10, 'f', 2);
    o << QStringLiteral("  %1 %2\n").arg(QStringLiteral("ratio save/zip"), -28).arg(saveMs / zipMs, 10, 'f', 2);
    o.flush();
    row(QStringLiteral("load (5,000 x 30)"), loadMs, QStringLiteral("unzip -P -p, same member"), unzipMs,
        QStringLiteral("ratio<=2"));
    row(QStringLiteral("save (5,000 x 30)"), saveMs, QStringLiteral("zip -6 -P, same member"), zipMs,
        QStringLiteral("ratio<=1.5"));
    return 0;
}
