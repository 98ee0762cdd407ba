#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// A simulated line (verkan-sim) run as a child of a measuring tool: its
// terminal linked at `tty` in a given folder, its commands through a FIFO
// there and its output into a file there.
//
// The child is spawned outside Qt: as a QProcess, its output pipes and its
// exit notifier would join every wait of this process's event loop, and the
// tool would measure them as the engine's cost.
class SimProcess {
public:
    SimProcess() = default;
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;
    ~SimProcess();

    // Starts `program` with the given extra options, its files in `folder`
    // (which must exist); false when it does not come up within 5 s.
    bool start(const QString &program, const QString &folder, const QStringList &options);
    // The simulator's terminal (a link in the folder).
    QString tty() const { return m_tty; }
    // Sends command lines ("7 flank 1 alarm\n") to the simulator.
    void command(const QByteArray &lines);
    // Asks the simulator to quit, and kills it after 3 s.
    void stop();
    // From now on SIGINT and SIGTERM end every running simulator with this
    // process, which then exits, so that none is left behind.
    static void endWithThisProcess();

private:
    QString m_tty;
    int m_commands = -1;  // the command FIFO, open for writing
    pid_t m_pid = 0;
};
