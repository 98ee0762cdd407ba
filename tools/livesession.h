#pragma once

#include "app/mainwindow.h"
#include "link/qtserialport.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// The program's window (with its menu bar) connected to a running simulated detector: the
// simulator on a pseudo-terminal in a temporary folder, COM port 1 pointing
// at it (2-16 at missing paths), and the journal in the same folder.
class LiveSession {
public:
    // Starts the simulator with the given extra options; false when it does
    // not come up.
    bool startSimulator(const QStringList &options);
    // Builds and shows the window and presses "СТАРТ" on port 1.
    Form1 &openWindowAndStart();

    QString path(const QString &name) const { return m_work.filePath(name); }
    QProcess &simulator() { return m_sim; }
    MainWindow &mainWindow() { return *m_window; }
    void stop();

private:
    QTemporaryDir m_work;
    QProcess m_sim;
    std::unique_ptr<QtSerialPortService> m_port;
    std::unique_ptr<MainWindow> m_window;
};
