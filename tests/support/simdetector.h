#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// verkan-sim on a pseudo-terminal reached through the symbolic link `name`
// in a folder of the caller's, logging to `name`.log there. Commands are
// acknowledged on its standard output, so each one has taken effect when
// command() returns.
class SimDetector {
public:
    // `program`: the built verkan-sim (VERKAN_SIM_PATH in the tests).
    SimDetector(const QString &program, const QTemporaryDir &dir, const QStringList &options = {},
                const QString &name = QStringLiteral("tty"));
    ~SimDetector();

    bool ready() const { return m_ready; }
    const QString &tty() const { return m_tty; }
    const QString &log() const { return m_log; }
    // Sends one command line and returns the `replyLines` lines it printed.
    QStringList command(const QString &line, int replyLines = 1);
    // Ends the simulator at once, whatever it was writing: its terminal vanishes.
    void kill();
    // Environment that puts COM port 1 on the simulator and 2..16 on missing
    // paths, so that no test opens a real serial port.
    QProcessEnvironment portEnvironment() const;

private:
    QStringList readLines(int count);

    QString m_tty;
    QString m_log;
    QProcess m_process;
    bool m_ready = false;
};
