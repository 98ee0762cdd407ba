#pragma once

// One connection to an MQTT broker through libmosquitto, driven by the Qt
// event loop: socket notifiers call the library when the socket is ready, a
// timer keeps the connection alive, and nothing waits for the network.
// libmosquitto's callbacks only note what happened; the signals go out after
// the library has returned, so a slot may close the client or open it again.
//
// A connection is used once: when it is lost or refused the client frees it,
// with whatever libmosquitto still held, and the owner opens a new one. The
// owner keeps its own queue of what must be delivered.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <vector>

class QSocketNotifier;
struct mosquitto;
struct mosquitto_message;

class MosquittoClient : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString host;
        int port = 1883;
        QString user;      // empty: none
        QString password;  // only with a user
        QString caFile;    // TLS with this CA certificate; empty: plain TCP
        QByteArray willTopic;
        QByteArray willPayload;  // sent retained, QoS 1
        int keepAliveSeconds = 10;
        int connectTimeoutMilliseconds = 5000;
        // Empty: the library makes one up. A persistent session (cleanSession
        // false) needs an id of its own: the broker keeps its subscriptions
        // and queues its QoS 1 messages while it is away, under that id.
        QByteArray clientId;
        bool cleanSession = true;
    };

    explicit MosquittoClient(QObject *parent = nullptr);
    ~MosquittoClient() override;

    // Starts connecting; connected() or lost()/refused() follows. False, with
    // the reason in *error, when the options are unusable or the connection
    // fails at once.
    bool open(const Options &options, QString *error);
    // Says goodbye to the broker (no last will) and frees the connection.
    void close();
    bool isOpen() const { return m_mosq != nullptr; }
    bool isConnected() const { return m_connected; }

    // The message id, or -1 when libmosquitto refused it (not connected).
    int publish(const QByteArray &topic, const QByteArray &payload, int qos, bool retain);
    bool subscribe(const QByteArray &topic, int qos);

signals:
    void connected();
    // The broker answered the connection with a refusal (bad credentials,
    // not authorised); the connection is freed.
    void refused(const QString &reason);
    // The connection failed or dropped; it is freed.
    void lost(const QString &reason);
    // The broker acknowledged a QoS 1 message.
    void delivered(int messageId);
    void messageReceived(const QByteArray &topic, const QByteArray &payload, bool retained);

private:
    struct Happening {
        enum Kind { Connected, Refused, Lost, Delivered, Message } kind;
        int code = 0;
        QByteArray topic;
        QByteArray payload;
        bool retained = false;
        QString text;  // what went wrong, read when it happened
    };

    static void onConnect(mosquitto *, void *self, int rc);
    static void onDisconnect(mosquitto *, void *self, int rc);
    static void onPublish(mosquitto *, void *self, int mid);
    static void onMessage(mosquitto *, void *self, const mosquitto_message *message);

    // Starts libmosquitto's connection to `host` (an address, or over TLS
    // the name); false with the reason in *error, or reported as lost when
    // no error is asked for.
    bool connectTo(const QString &host, const Options &options, QString *error = nullptr);
    // Lets libmosquitto read, write and keep alive, then reports.
    void service();
    // Socket notifiers for the current socket, writing only when needed.
    void watchSocket();
    void dispatch();
    void release();

    mosquitto *m_mosq = nullptr;
    int m_socket = -1;
    int m_lookup = -1;  // the host name lookup under way, if any
    std::unique_ptr<QSocketNotifier> m_readable;
    std::unique_ptr<QSocketNotifier> m_writable;
    QTimer m_keepAlive;
    QTimer m_connectTimeout;
    bool m_connected = false;
    bool m_inService = false;
    std::vector<Happening> m_happenings;
};
