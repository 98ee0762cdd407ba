#pragma once

#include "link/rfc2217.h"
#include "link/serialport.h"

#include <QTcpSocket>
#include <QTimer>

#include <chrono>

// A serial line behind a serial server (ser2net, a device server), reached
// over TCP: raw (tcp://, the server fixes the speed) or through the telnet
// COM-PORT-OPTION (rfc2217://, the line is set from here).
//
// open() starts connecting and returns at once; ready() follows once the
// server is connected and, for RFC 2217, has acknowledged the line's
// settings; openFailed() follows when the server refuses, does not answer
// within kConnectTimeout, does not set the line up within kSetupTimeout, or
// answers with ser2net's "Port already in use". A connection that drops
// later closes the port, as an unplugged adapter closes a local one; the
// exchange's watchdog opens it again. Frames go out in one write each, with
// TCP_NODELAY; the line's bytes come back without telnet commands, however
// TCP cut them.
class NetworkPortService : public SerialPortService {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kConnectTimeout{3000};
    static constexpr std::chrono::milliseconds kSetupTimeout{2000};
    // A raw line is ready when its server has said nothing this long after
    // the connection (a busy server says so at once), or when the line's
    // first bytes cannot be such a refusal. A refusal that comes later
    // still never reaches the line: it closes the port as a drop does.
    static constexpr std::chrono::milliseconds kRawSettleTime{150};

    explicit NetworkPortService(QObject *parent = nullptr);
    ~NetworkPortService() override;

    // Takes a tcp:// or rfc2217:// description; any other leaves the port
    // unable to open (NoSuchPort).
    void setPort(const PortDescription &port) override;
    PortDescription port() const override;
    QString deviceOf(const PortDescription &port) const override;
    bool fixesLineSpeed() const override;

    bool open() override;
    OpenError lastOpenError() const override { return m_openError; }
    QString lastOpenErrorText() const override;
    void close() override;
    bool isOpen() const override;
    bool isReady() const override;
    void setBaudRate(int baud) override;
    int baudRate() const override { return m_baud; }
    // Flow control is the server's business: XON/XOFF on the serial line
    // are bytes like any other on the way here.
    void setSoftwareFlowControl(bool) override {}
    QByteArray readAll() override;
    void write(const QByteArray &frame) override;

private:
    enum class Phase { Closed, Connecting, SettingUp, Ready };

    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onSocketError(QAbstractSocket::SocketError error);
    void onTimeout();
    void sendPending();
    void sendNow(const QByteArray &bytes);
    // Ends an open that never became ready: closes and reports openFailed().
    void failOpen(OpenError error, const QString &text = QString());
    void becomeReady();
    bool isRfc2217() const { return m_port.kind() == PortDescription::Kind::Rfc2217; }
    // A ready connection is gone: the port closes, nothing is reported.
    void drop();

    PortDescription m_port = PortDescription::comPort(1);
    int m_setupBaud = 0;  // the speed the line's set-up asked for
    QTcpSocket m_socket;
    QTimer m_timer;  // bounds the connection and the line's set-up
    Rfc2217Session m_session;
    Phase m_phase = Phase::Closed;
    int m_baud = 9600;
    OpenError m_openError = OpenError::None;
    QString m_openErrorText;
    QByteArray m_input;        // the line's bytes not yet taken by readAll()
    QByteArray m_held;         // a raw stream's start, while it may be a refusal
    bool m_rawAtStart = true;  // no byte of the raw stream has yet shown it is no refusal
    int m_connection = 0;      // counts open() calls: tells a stale error apart
};
