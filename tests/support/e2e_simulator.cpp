#include "support/e2e_simulator.h"

#include <QDeadlineTimer>
#include <QFileInfo>

E2eSimulator::E2eSimulator(QString program) : m_program(std::move(program))
{
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
}

E2eSimulator::~E2eSimulator()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.write("quit\n");
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(2000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

bool E2eSimulator::start(const QStringList &options, int timeoutMs)
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    m_process.start(m_program, QStringList(options) << QStringLiteral("--link") << linkPath()
                                                    << QStringLiteral("--quiet"));
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = m_process.errorString();
        return false;
    }
    // The first line of output is the terminal, written once the link is made.
    const QDeadlineTimer deadline(timeoutMs);
    while (!m_process.canReadLine()) {
        if (deadline.hasExpired() || !m_process.waitForReadyRead(int(deadline.remainingTime()))) {
            m_error = QStringLiteral("no terminal reported: ") +
                      QString::fromLocal8Bit(m_process.readAllStandardError());
            return false;
        }
    }
    m_process.readLine();
    if (!QFileInfo::exists(linkPath())) {
        m_error = QStringLiteral("link %1 missing").arg(linkPath());
        return false;
    }
    return true;
}

QString E2eSimulator::missingPath(int n) const
{
    return m_dir.filePath(QStringLiteral("missing-%1").arg(n));
}

void E2eSimulator::command(const QString &line)
{
    m_process.write(line.toLocal8Bit() + '\n');
    m_process.waitForBytesWritten(2000);
}
