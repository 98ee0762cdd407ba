#include "support/simdetector.h"

#include <QFile>

SimDetector::SimDetector(const QString &program, const QTemporaryDir &dir,
                         const QStringList &options, const QString &name)
    : m_tty(dir.filePath(name)), m_log(dir.filePath(name + QStringLiteral(".log")))
{
    QFile::remove(m_log);  // a folder may serve several simulators in turn
    m_process.start(program,
                    QStringList{QStringLiteral("--link"), m_tty, QStringLiteral("--log"), m_log} +
                        options);
    // The first line is the terminal's path, printed once it is ready.
    m_ready = m_process.waitForStarted() && !readLines(1).isEmpty();
}

SimDetector::~SimDetector()
{
    m_process.write("quit\n");
    m_process.waitForFinished(3000);
}

QStringList SimDetector::command(const QString &line, int replyLines)
{
    m_process.write(line.toUtf8() + '\n');
    return readLines(replyLines);
}

void SimDetector::kill()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

QProcessEnvironment SimDetector::portEnvironment() const
{
    QProcessEnvironment env;
    for (int n = 1; n <= 16; ++n)
        env.insert(QStringLiteral("VERKAN_COM%1").arg(n),
                   n == 1 ? m_tty : m_tty + QStringLiteral(".missing%1").arg(n));
    return env;
}

QStringList SimDetector::readLines(int count)
{
    QStringList lines;
    while (lines.size() < count && (m_process.canReadLine() || m_process.waitForReadyRead(5000)))
        while (lines.size() < count && m_process.canReadLine())
            lines << QString::fromUtf8(m_process.readLine()).trimmed();
    return lines;
}
