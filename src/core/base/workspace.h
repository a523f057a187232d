#pragma once
// The program-wide state, created once by the application and passed down: program directory and
// data folders, the logged-in user and table password, the table font, the print settings, the
// input direction, the status-bar texts and the table toolbar buttons' enabled states.
// The main window mirrors the status and toolbar state through the signals.
#include "core/base/progress.h"

#include <QObject>
#include <QString>
#include <array>
#include <memory>

namespace formula {
class Calculator;
}
namespace print {
class PrinterSystem;
}

namespace base {

// The positions of the main toolbar that stand for commands (the others are separators).
enum class ToolButton : int {
    None = 0,
    SchoolTree = 2,
    Open = 3,
    Save = 4,
    Undo = 6,
    Cut = 8,
    Copy = 9,
    Paste = 10,
    Find = 11,
    Print = 13,
    ArrowKeys = 15,
    Horizontal = 16,
    Vertical = 17,
    SortAscending = 19,
    SortDescending = 20,
    Properties = 22,
    Help = 24,
};

// The program directory when none is given: the executable's folder, where a school keeps its data
// beside the program; the per-user data folder when the program is installed where it may not
// write. The application and organization names must be set first.
QString defaultProgramDirectory();

class Workspace : public QObject, public Progress {
    Q_OBJECT
public:
    // `programDir` is created if missing; a trailing "/" is appended unless present.
    explicit Workspace(const QString &programDir, QObject *parent = nullptr);
    ~Workspace() override;

    // The program directory with a trailing "/".
    QString programDir() const { return m_programDir; }
    // Where older builds kept the plain table member and user list while they worked; nothing
    // is written there now, and a stale copy is removed at start.
    QString workingFile() const { return m_programDir + QStringLiteral("data.file"); }
    QString tableDataDir() const { return m_programDir + QStringLiteral("表格数据/"); }
    QString templateDir() const { return m_programDir + QStringLiteral("表格模版/"); }
    QString bindingDir() const { return m_programDir + QStringLiteral("标签引用数据/"); }
    QString userListFile() const { return m_programDir + QStringLiteral("user.dat"); }
    void removeStaleWorkingFiles() const;
    QString userStoreFile() const { return m_programDir + QStringLiteral("std.dat"); }
    QString schoolInfoFile() const { return m_programDir + QStringLiteral("SchoolInfo.ini"); }
    // Creates the three data directories where missing; failures are passed over.
    void createDataDirectories() const;

    // Login results.
    QString userName;
    QString tablePassword;

    // Program-wide table font (the main window's font holder).
    QString tableFontName = QStringLiteral("宋体");
    double tableFontSize = 12;

    // Print settings, kept for the run only and applied by every print routine: copies per job;
    // quality −1 draft, −2 low, −3 medium, −4 high, or dots per inch; pen width in pixels; duplex
    // 1 one-sided, 2 flipped on the short side, 3 flipped on the long side. The printer chosen in
    // the printer settings, by its name ("" until one is chosen: the system's default).
    int printCopies = 1;
    int printQuality = -3;
    int printLineWidth = 1;
    int printDuplex = 1;
    QString printerName;
    // The system's printers. The programs install them at start; without them there is no printer.
    std::shared_ptr<print::PrinterSystem> printers;

    // Whether the table windows show formula cells by their results (格式 → 显示公式结果).
    bool showFormulaResults = true;

    // Seconds between the recovery copies of a table with unsaved changes; 0: none are written.
    int autoRecoverSeconds() const { return m_autoRecoverSeconds; }
    void setAutoRecoverSeconds(int seconds);

    // Input direction of toolbar buttons 16 (horizontal) and 17 (vertical): exactly one is pressed.
    bool horizontalInput() const { return m_horizontal; }
    bool verticalInput() const { return !m_horizontal; }
    void setHorizontalInput(bool on);

    // The evaluator, whose state (the last answer) lives as long as the program. The formula
    // folder creates it on first use (formula::calculator), as the foundation knows no formulas.
    std::shared_ptr<formula::Calculator> evaluator;

    // Status bar panels 1..4.
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString &text);
    // Long operations: status panel 1 and the busy pointer (see Progress).
    void start(const QString &status) override;
    void setPercent(int percent) override;
    void finish() override;
    bool busy() const { return m_busyDepth > 0; }

    // Status panel 2: "当前表格：" and the active table's title, or "无" without one.
    void showCurrentTable(const QString &title);
    void showNoCurrentTable();

    // The toolbar buttons' enabled states.
    bool buttonEnabled(ToolButton button) const;
    void setButtonEnabled(ToolButton button, bool enabled);

signals:
    void panelChanged(int panel, const QString &text);
    void busyChanged(bool busy);
    void percentChanged(int percent);
    void buttonEnabledChanged(base::ToolButton button, bool enabled);
    void inputDirectionChanged(bool horizontal);
    void autoRecoverChanged(int seconds);

private:
    QString m_programDir;
    bool m_horizontal = true;
    int m_autoRecoverSeconds = 300;
    int m_busyDepth = 0;
    std::array<QString, 5> m_panels;
    std::array<bool, 25> m_buttons{};
};

} // namespace base
