#pragma once
// Long operations (load, save, import, preview, print) tell the user they are running: a status
// text in panel 1, the busy pointer, optionally a percentage, and whatever the caller's window hides
// meanwhile (the table window hides its grid). When they end, on every way out, "就绪" and the
// normal pointer come back. The workspace implements it for the status bar; a table window wraps it
// to hide and show its grid; the command line uses the workspace's, which nobody sees.
#include <QString>

namespace base {

class Progress {
public:
    virtual ~Progress() = default;
    // Status text and busy pointer; calls may nest, the outermost finish() restores.
    virtual void start(const QString &status) = 0;
    // 0 … 100 while a long operation can tell how far it is.
    virtual void setPercent(int percent) = 0;
    virtual void finish() = 0;
};

// Starts an operation and finishes it when the scope is left, however it is left.
class BusyScope {
public:
    BusyScope(Progress &progress, const QString &status) : m_progress(progress) { m_progress.start(status); }
    ~BusyScope() { m_progress.finish(); }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

    void setPercent(int percent) { m_progress.setPercent(percent); }

private:
    Progress &m_progress;
};

} // namespace base
