#include "support/mosquittobroker.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

namespace {

constexpr int kStartMilliseconds = 5000;
constexpr int kTermGrace = 3000;
const QStringList kSbin{QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")};

QString findProgram(const QString &name)
{
    QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? QStandardPaths::findExecutable(name, kSbin) : found;
}

int freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

bool accepts(int port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(port));
    return socket.waitForConnected(200);
}

}  // namespace

MosquittoBroker::MosquittoBroker(const QList<QPair<QString, QString>> &users) : m_port(freePort())
{
    // Started as root, mosquitto becomes the user "user" names; this one
    // can read the password file and write the state in this folder.
    const passwd *self = ::getpwuid(::geteuid());
    QString config = QStringLiteral("listener %1 127.0.0.1\n"
                                    "user %3\n"
                                    "persistence true\n"
                                    "persistence_location %2/\n"
                                    "log_dest stdout\n")
                         .arg(m_port)
                         .arg(m_dir.path(), QString::fromLocal8Bit(self ? self->pw_name : "root"));
    if (users.isEmpty()) {
        config += QStringLiteral("allow_anonymous true\n");
    } else {
        const QString passwords = m_dir.filePath(QStringLiteral("passwords"));
        QFile(passwords).open(QIODevice::WriteOnly);
        for (const auto &[user, password] : users)
            QProcess::execute(findProgram(QStringLiteral("mosquitto_passwd")),
                              {QStringLiteral("-b"), passwords, user, password});
        config += QStringLiteral("allow_anonymous false\npassword_file %1\n").arg(passwords);
    }
    QFile file(m_dir.filePath(QStringLiteral("mosquitto.conf")));
    if (file.open(QIODevice::WriteOnly))
        file.write(config.toUtf8());
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

MosquittoBroker::~MosquittoBroker()
{
    stop();
}

bool MosquittoBroker::available()
{
    return !findProgram(QStringLiteral("mosquitto")).isEmpty() &&
           !findProgram(QStringLiteral("mosquitto_sub")).isEmpty() &&
           !findProgram(QStringLiteral("mosquitto_passwd")).isEmpty();
}

bool MosquittoBroker::missingIsFailure()
{
    return qEnvironmentVariable("CI").compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

QString MosquittoBroker::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

bool MosquittoBroker::start()
{
    m_process.start(findProgram(QStringLiteral("mosquitto")),
                    {QStringLiteral("-c"), m_dir.filePath(QStringLiteral("mosquitto.conf"))});
    if (!m_process.waitForStarted(kStartMilliseconds)) {
        m_error = m_process.errorString();
        return false;
    }
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kStartMilliseconds) {
        if (m_process.state() == QProcess::NotRunning)
            break;
        if (accepts(m_port))
            return true;
        QTest::qWait(50);
    }
    m_error = QString::fromLocal8Bit(m_process.readAll());
    stop();
    return false;
}

void MosquittoBroker::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(kTermGrace)) {
        m_process.kill();
        m_process.waitForFinished(kTermGrace);
    }
}

MqttSubscriber::MqttSubscriber(const MosquittoBroker &broker, const QStringList &topics,
                               const QString &clientId)
    : m_broker(broker), m_topics(topics), m_clientId(clientId)
{
}

MqttSubscriber::~MqttSubscriber()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(kTermGrace);
    }
}

bool MqttSubscriber::start()
{
    QStringList arguments{QStringLiteral("-d"),
                          QStringLiteral("-h"),
                          QStringLiteral("127.0.0.1"),
                          QStringLiteral("-p"),
                          QString::number(m_broker.port()),
                          QStringLiteral("-q"),
                          QStringLiteral("1"),
                          QStringLiteral("-F"),
                          QStringLiteral("M %r %t %p")};
    if (!m_clientId.isEmpty())
        arguments << QStringLiteral("-c") << QStringLiteral("-i") << m_clientId;
    for (const QString &topic : std::as_const(m_topics))
        arguments << QStringLiteral("-t") << topic;
    // mosquitto_sub flushes its output after each message, not after its
    // debug lines: stdbuf makes it flush each line, the SUBACK's among them.
    m_process.start(QStringLiteral("stdbuf"),
                    QStringList{QStringLiteral("-oL"), findProgram(QStringLiteral("mosquitto_sub"))} +
                        arguments);
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kStartMilliseconds && m_process.state() != QProcess::NotRunning) {
        messages();
        if (m_subscribed)
            return true;
        QTest::qWait(20);
    }
    return false;
}

const QList<MqttSubscriber::Message> &MqttSubscriber::messages()
{
    m_partial += m_process.readAllStandardOutput();
    qsizetype end;
    qsizetype from = 0;
    while ((end = m_partial.indexOf('\n', from)) >= 0) {
        const QByteArray line = m_partial.mid(from, end - from);
        from = end + 1;
        if (!line.startsWith("M ")) {  // mosquitto_sub's own debug lines
            m_subscribed = m_subscribed || line.contains("received SUBACK");
            continue;
        }
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 3)
            continue;
        Message message;
        message.retained = fields[1] == "1";
        message.topic = fields[2];
        message.payload = line.mid(fields[0].size() + fields[1].size() + fields[2].size() + 3);
        m_messages.append(message);
    }
    m_partial = m_partial.mid(from);
    return m_messages;
}

QList<MqttSubscriber::Message> MqttSubscriber::messagesOn(const QByteArray &topic)
{
    QList<MqttSubscriber::Message> found;
    for (const Message &message : messages())
        if (message.topic == topic)
            found.append(message);
    return found;
}
