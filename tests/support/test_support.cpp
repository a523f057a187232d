#include "test_support.h"

#include <QDir>
#include <QProcess>

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
