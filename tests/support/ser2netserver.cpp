#include "support/ser2netserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

constexpr int kStartTimeout = 5000;
constexpr int kTermGrace = 3000;
const QByteArray kBindFailure = "Unable to startup network port";

int freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    const int port = probe.serverPort();
    probe.close();
    return port;
}

}  // namespace

Ser2netServer::Ser2netServer(const QString &devicePath, Mode mode)
    : m_device(devicePath), m_mode(mode), m_port(freePort())
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardInputFile(QProcess::nullDevice());
}

Ser2netServer::~Ser2netServer()
{
    stop();
}

QString Ser2netServer::program()
{
    QString found = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(
            QStringLiteral("ser2net"),
            {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
    return found;
}

bool Ser2netServer::missingIsFailure()
{
    return qEnvironmentVariable("CI").compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

QString Ser2netServer::url() const
{
    const QString scheme =
        m_mode == Mode::RawTcp ? QStringLiteral("tcp") : QStringLiteral("rfc2217");
    return QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(m_port);
}

bool Ser2netServer::writeConfig()
{
    const QString accepter = m_mode == Mode::RawTcp
                                 ? QStringLiteral("tcp(nodelay)")
                                 : QStringLiteral("telnet(rfc2217),tcp(nodelay)");
    QString yaml = QStringLiteral("connection: &verkan\n"
                                  "  accepter: %1,127.0.0.1,%2\n"
                                  "  options:\n")
                       .arg(accepter)
                       .arg(m_port);
    if (m_mode != Mode::Rfc2217NoKick)
        yaml += QStringLiteral("    kickolduser: true\n");
    yaml += QStringLiteral("    chardelay: false\n"
                           "  connector: serialdev,%1,9600n81,local\n")
                .arg(m_device);
    QFile file(m_dir.filePath(QStringLiteral("ser2net.yaml")));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(yaml.toUtf8()) == yaml.toUtf8().size();
}

bool Ser2netServer::accepts() const
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(m_port));
    // Connecting to a local port is decided at once: refused or accepted.
    const bool ok = QTest::qWaitFor(
        [&] {
            return socket.state() == QAbstractSocket::ConnectedState ||
                   socket.state() == QAbstractSocket::UnconnectedState;
        },
        1000);
    const bool connected = ok && socket.state() == QAbstractSocket::ConnectedState;
    socket.abort();
    return connected;
}

bool Ser2netServer::start()
{
    // The free port was found when this server was made; another program
    // may have taken it since. Until ser2net first listened (after that,
    // clients know the port), another free port is tried.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (launch()) {
            m_listened = true;
            return true;
        }
        if (m_listened || !m_bindFailed)
            return false;
        m_port = freePort();
    }
    return false;
}

bool Ser2netServer::launch()
{
    m_error.clear();
    m_bindFailed = false;
    const QString ser2net = program();
    if (ser2net.isEmpty()) {
        m_error = QStringLiteral("ser2net not found");
        return false;
    }
    if (!m_dir.isValid() || m_port == 0 || !writeConfig()) {
        m_error = QStringLiteral("cannot prepare the configuration or a free port");
        return false;
    }
    // -d: stay in the foreground and report errors (a port it cannot bind) on
    // the output; -u: no UUCP lock file (see the header).
    m_process.start(ser2net, {QStringLiteral("-d"), QStringLiteral("-u"), QStringLiteral("-c"),
                              m_dir.filePath(QStringLiteral("ser2net.yaml"))});
    QByteArray output;
    bool listening = false;
    QElapsedTimer timer;
    timer.start();
    while (!listening && timer.elapsed() < kStartTimeout) {
        QTest::qWait(20);
        output += m_process.readAll();
        if (m_process.state() == QProcess::NotRunning || output.contains(kBindFailure))
            break;
        listening = m_process.state() == QProcess::Running && accepts();
    }
    output += m_process.readAll();
    m_bindFailed = output.contains(kBindFailure);
    if (listening && !m_bindFailed)
        return true;
    m_error = QStringLiteral("ser2net on port %1 did not start: %2 %3")
                  .arg(m_port)
                  .arg(m_process.errorString(), QString::fromLocal8Bit(output).trimmed());
    stop();
    return false;
}

void Ser2netServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!QTest::qWaitFor([this] { return m_process.state() == QProcess::NotRunning; },
                         kTermGrace)) {
        m_process.kill();
        (void)QTest::qWaitFor([this] { return m_process.state() == QProcess::NotRunning; },
                              kTermGrace);
    }
    m_process.readAll();
}

bool Ser2netServer::restart()
{
    stop();
    return start();
}
