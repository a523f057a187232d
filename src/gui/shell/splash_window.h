#pragma once
// SplashWindow: the splash window, frameless and on top of every other window. Its first timer grows
// the progress label Label5; when the label spans the window the main window is shown (still
// disabled) and the second timer starts; when that fires the splash closes, the main window is
// enabled and loginDue() asks for the login dialog.
#include "core/shell/program_info.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

class QLabel;

namespace shell {

class SplashWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTimer1Interval = 1;
    static constexpr int kTimer2Interval = 1500;

    explicit SplashWindow(QWidget *mainWindow, QWidget *parent = nullptr);

    // Starts the first timer.
    void start();
    QTimer &timer1() { return m_timer1; }
    QTimer &timer2() { return m_timer2; }

public slots:
    void advanceProgress();
    void finishSplash();

signals:
    // The splash has closed and the main window is enabled: the login dialog is due.
    void loginDue();

private:
    QPointer<QWidget> m_main;
    SplashProgress m_progress;
    QTimer m_timer1;
    QTimer m_timer2;
    QLabel *m_label5;
};

} // namespace shell
