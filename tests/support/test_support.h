#pragma once
// Helpers shared by the tests: a program directory in a temporary folder, running the
// command-line companion and the Info-ZIP peers.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

struct ProcessResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs a program with arguments and optional standard input; waits at most 60 s.
ProcessResult runProcess(const QString &program, const QStringList &args, const QByteArray &input = {},
                         const QString &workDir = {});
// What a command-line run told the user on stderr: its non-empty lines, without Qt's own notes.
QString stderrMessages(const ProcessResult &r);
// The scorvane-cli built with the tests (from the environment the test runner sets).
QString cliPath();
// Files of `dir` (names only), for checking that no working file is left behind.
QStringList filesIn(const QString &dir);

// A table of one student ("张三") under the fields 姓名 and 语文, saved as base + ".gdt" with
// `password` through the program's own table file code. False when the save failed.
bool saveOneStudentTable(const QString &programDir, const QString &password, const QString &base, const QString &title,
                         const QString &score);
// The 语文 score of that student in base + ".gdt", or "<unreadable>".
QString oneStudentScore(const QString &programDir, const QString &password, const QString &base);

// A word of a PDF page as poppler's pdftotext -bbox finds it, in points from the page's top-left
// corner.
struct PdfWord {
    QString text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};
struct PdfPage {
    double width = 0, height = 0;
    QList<PdfWord> words;
    QStringList texts() const;
    // The first word with this text, or nullptr.
    const PdfWord *find(const QString &text) const;
};
// Every page of a PDF file (empty when pdftotext is missing or fails).
QList<PdfPage> pdfPages(const QString &path);
// Whether poppler's tools are installed.
bool havePdfTools();
