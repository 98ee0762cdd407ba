#include "link/networkport.h"

#include "base/enginetext.h"

#include <sys/socket.h>

NetworkPortService::NetworkPortService(QObject *parent) : SerialPortService(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &NetworkPortService::onTimeout);
    connect(&m_socket, &QTcpSocket::connected, this, &NetworkPortService::onConnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &NetworkPortService::onReadyRead);
    connect(&m_socket, &QTcpSocket::disconnected, this, &NetworkPortService::onDisconnected);
    // A failure found inside connectToHost() reaches the caller of open()
    // only after open() returned: errors are handled from the event loop,
    // and only while the connection they belong to is still the port's.
    connect(&m_socket, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError error) {
                const int connection = m_connection;
                QMetaObject::invokeMethod(
                    this,
                    [this, error, connection] {
                        if (connection == m_connection)
                            onSocketError(error);
                    },
                    Qt::QueuedConnection);
            });
}

NetworkPortService::~NetworkPortService()
{
    m_socket.disconnect(this);
    m_socket.abort();
}

void NetworkPortService::setPort(const PortDescription &port)
{
    m_port = port;
}

PortDescription NetworkPortService::port() const
{
    return m_port;
}

QString NetworkPortService::deviceOf(const PortDescription &port) const
{
    return port.hostAndPort();
}

bool NetworkPortService::fixesLineSpeed() const
{
    return m_port.fixesLineSpeed();
}

bool NetworkPortService::open()
{
    if (m_phase != Phase::Closed)
        return true;
    m_openError = OpenError::None;
    m_openErrorText.clear();
    if (!m_port.isNetwork()) {
        m_openError = OpenError::NoSuchPort;
        return false;
    }
    m_session = Rfc2217Session();
    m_input.clear();
    m_held.clear();
    m_rawAtStart = true;
    ++m_connection;
    m_phase = Phase::Connecting;
    m_socket.connectToHost(m_port.host(), quint16(m_port.tcpPort()));
    m_timer.start(kConnectTimeout);
    return true;
}

QString NetworkPortService::lastOpenErrorText() const
{
    return m_openErrorText.isEmpty() ? SerialPortService::lastOpenErrorText() : m_openErrorText;
}

void NetworkPortService::close()
{
    m_timer.stop();
    m_phase = Phase::Closed;
    m_socket.abort();
    m_input.clear();
    m_held.clear();
}

bool NetworkPortService::isOpen() const
{
    return m_phase != Phase::Closed;
}

bool NetworkPortService::isReady() const
{
    return m_phase == Phase::Ready;
}

void NetworkPortService::setBaudRate(int baud)
{
    if (baud <= 0)
        return;
    m_baud = baud;
    // During the set-up the new speed waits for the set-up's end.
    if (isRfc2217() && m_phase == Phase::Ready && !m_session.failed()) {
        m_session.setBaudRate(baud);
        sendPending();
    }
}

QByteArray NetworkPortService::readAll()
{
    return std::exchange(m_input, QByteArray());
}

void NetworkPortService::write(const QByteArray &frame)
{
    if (m_phase != Phase::Ready)
        return;
    // The frame and whatever the session still has to say go out in one
    // write, so that a request is one segment on the wire.
    sendNow(isRfc2217() ? m_session.takeOutgoing() + Rfc2217Session::encodeData(frame) : frame);
}

void NetworkPortService::sendNow(const QByteArray &bytes)
{
    // A request is a few bytes that the kernel takes at once: handed to it
    // directly, they go out without the socket's write notifier being
    // switched on and off, which would wake the event loop twice for every
    // request. What the kernel does not take, or anything the socket still
    // holds, goes through the socket's own buffer behind it, in order.
    qsizetype sent = 0;
    if (m_socket.bytesToWrite() == 0) {
        const ssize_t n = ::send(int(m_socket.socketDescriptor()), bytes.constData(),
                                 size_t(bytes.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0)
            sent = n;
    }
    if (sent < bytes.size())
        m_socket.write(bytes.mid(sent));
}

void NetworkPortService::onConnected()
{
    if (m_phase != Phase::Connecting)
        return;
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_phase = Phase::SettingUp;
    if (isRfc2217()) {
        Rfc2217Session::LineSettings settings;
        settings.baud = m_baud;
        m_setupBaud = m_baud;
        m_socket.write(m_session.start(settings));
        m_timer.start(kSetupTimeout);
    } else {
        m_timer.start(kRawSettleTime);
    }
}

void NetworkPortService::onReadyRead()
{
    const QByteArray chunk = m_socket.readAll();
    if (m_phase == Phase::Closed || m_phase == Phase::Connecting)
        return;
    QByteArray data;
    if (isRfc2217()) {
        // During the set-up the chunk goes in a byte at a time: the line's
        // bytes are only those after the set-up's last acknowledgement,
        // whether or not TCP put that in the same segment.
        qsizetype used = 0;
        while (m_phase == Phase::SettingUp && used < chunk.size() && !m_session.ready() &&
               !m_session.failed())
            m_session.feed(chunk.mid(used++, 1));
        data = m_session.feed(chunk.mid(used));
        if (m_session.failed()) {
            const OpenError error = m_session.error() == busyRefusalReason()
                                        ? OpenError::ServerBusy
                                        : OpenError::ServerLineSetup;
            if (m_phase == Phase::Ready)
                drop();
            else
                failOpen(error, m_session.error());
            return;
        }
        sendPending();
        if (m_phase == Phase::SettingUp) {
            if (!m_session.ready())
                return;
            becomeReady();
            // A speed asked for during the set-up follows it.
            if (m_baud != m_setupBaud)
                setBaudRate(m_baud);
        }
    } else if (m_phase == Phase::SettingUp || m_rawAtStart) {
        // The start of a raw stream is held while it may still be a busy
        // server's refusal, also when the server was slow to send it and
        // the line is ready by then.
        m_held += chunk;
        switch (matchBusyRefusal(m_held)) {
        case BusyRefusal::Partial:
            // The line is ready after a quiet spell: a refusal still coming
            // in is no quiet, however slowly it comes.
            if (m_phase == Phase::SettingUp)
                m_timer.start(kRawSettleTime);
            return;
        case BusyRefusal::Busy:
            if (m_phase == Phase::Ready)
                drop();
            else
                failOpen(OpenError::ServerBusy, busyRefusalReason());
            return;
        case BusyRefusal::NotBusy:
            m_rawAtStart = false;
            data = std::exchange(m_held, QByteArray());
            if (m_phase == Phase::SettingUp)
                becomeReady();
            break;
        }
    } else {
        data = chunk;
    }
    if (data.isEmpty() || m_phase != Phase::Ready)
        return;
    m_input += data;
    emit dataReceived();
}

void NetworkPortService::becomeReady()
{
    m_timer.stop();
    m_phase = Phase::Ready;
    emit ready();
}

void NetworkPortService::onDisconnected()
{
    switch (m_phase) {
    case Phase::Closed:
        return;
    case Phase::Ready:
        drop();
        return;
    default:
        failOpen(OpenError::ServerRefused,
                 engineText(QT_TRANSLATE_NOOP("Engine", "сервер закрыл соединение")));
    }
}

void NetworkPortService::onSocketError(QAbstractSocket::SocketError error)
{
    if (m_phase == Phase::Closed)
        return;
    if (m_phase == Phase::Ready) {
        // The connection is gone (the server went away, the network
        // dropped): the port is lost, as an unplugged adapter.
        if (m_socket.state() != QAbstractSocket::ConnectedState)
            drop();
        return;
    }
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        failOpen(OpenError::ServerRefused);
        break;
    case QAbstractSocket::HostNotFoundError:
        failOpen(OpenError::NoSuchPort,
                 engineText(QT_TRANSLATE_NOOP("Engine", "сервер не найден")));
        break;
    case QAbstractSocket::SocketTimeoutError:
        failOpen(OpenError::ServerSilent);
        break;
    case QAbstractSocket::RemoteHostClosedError:
        onDisconnected();
        break;
    default:
        if (m_socket.state() != QAbstractSocket::ConnectedState)
            failOpen(OpenError::ServerRefused, m_socket.errorString());
    }
}

void NetworkPortService::onTimeout()
{
    switch (m_phase) {
    case Phase::Connecting:
        failOpen(OpenError::ServerSilent);
        break;
    case Phase::SettingUp:
        if (isRfc2217()) {
            failOpen(OpenError::ServerLineSetup, noLineControlReason());
        } else {
            // Whatever was held is no refusal that ever ends: the line's.
            const QByteArray held = std::exchange(m_held, QByteArray());
            m_rawAtStart = held.isEmpty();
            becomeReady();
            if (!held.isEmpty()) {
                m_input += held;
                emit dataReceived();
            }
        }
        break;
    default:
        break;
    }
}

void NetworkPortService::sendPending()
{
    const QByteArray out = m_session.takeOutgoing();
    if (!out.isEmpty())
        sendNow(out);
}

void NetworkPortService::failOpen(OpenError error, const QString &text)
{
    m_timer.stop();
    m_phase = Phase::Closed;
    m_socket.abort();
    m_held.clear();
    m_openError = error;
    m_openErrorText = text;
    emit openFailed();
}

void NetworkPortService::drop()
{
    m_timer.stop();
    m_phase = Phase::Closed;
    m_socket.abort();
    m_held.clear();
}
