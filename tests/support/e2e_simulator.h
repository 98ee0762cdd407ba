#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// The simulated detector (verkan-sim) in a child process, on a pseudo-
// terminal reached through a symbolic link in a temporary folder. The link
// exists once start() returns true; the process is ended with the object.
class E2eSimulator {
public:
    explicit E2eSimulator(QString program);
    ~E2eSimulator();
    E2eSimulator(const E2eSimulator &) = delete;
    E2eSimulator &operator=(const E2eSimulator &) = delete;

    // Starts the simulator with the given options plus --link and --quiet,
    // and waits (up to timeoutMs) for it to report its terminal.
    bool start(const QStringList &options, int timeoutMs = 10000);
    // The link to the terminal, for VERKAN_COM<n>.
    QString linkPath() const { return m_dir.filePath(QStringLiteral("tty")); }
    // A path in the same folder that does not exist.
    QString missingPath(int n) const;
    // Writes one command line to the simulator's standard input.
    void command(const QString &line);
    // What went wrong in start(), for the test's message.
    QString error() const { return m_error; }

private:
    QString m_program;
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_error;
};
