#pragma once

#include "app/mainwindow.h"
#include "link/qtserialport.h"

#include <QByteArray>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/types.h>

#include <memory>

// The program's window (with its menu bar) connected to a running simulated detector: the
// simulator on a pseudo-terminal in a temporary folder, COM port 1 pointing
// at it (2-16 at missing paths), and the journal in the same folder.
//
// The simulator is spawned outside Qt: its commands go through a FIFO and its
// output into a file. As a QProcess, its output pipes and its exit notifier
// would join every wait of this process's event loop, and a soak would
// measure them as the window's cost.
class LiveSession {
public:
    LiveSession() = default;
    LiveSession(const LiveSession &) = delete;
    LiveSession &operator=(const LiveSession &) = delete;
    ~LiveSession();

    // Starts the simulator with the given extra options; false when it does
    // not come up.
    bool startSimulator(const QStringList &options);
    // Builds and shows the window, the exchange stopped.
    MainWindow &openWindow();
    // Builds and shows the window and presses "СТАРТ" on port 1.
    Form1 &openWindowAndStart();

    QString path(const QString &name) const { return m_work.filePath(name); }
    // COM port 1 at the simulator's terminal, ports 2-16 at missing paths.
    QProcessEnvironment portEnvironment() const;
    // Sends operator command lines ("flank 1 alarm\n") to the simulator.
    void command(const QByteArray &lines);
    MainWindow &mainWindow() { return *m_window; }
    void stop();

private:
    QTemporaryDir m_work;
    int m_commands = -1;  // the command FIFO, open for writing
    pid_t m_simPid = 0;
    std::unique_ptr<QtSerialPortService> m_port;
    std::unique_ptr<MainWindow> m_window;
};
