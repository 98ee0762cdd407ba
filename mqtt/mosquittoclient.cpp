#include "mqtt/mosquittoclient.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QHostInfo>
#include <QSocketNotifier>

#include <mosquitto.h>

#include <cerrno>
#include <cstring>

namespace {

// How often the library gets a turn without socket activity, for its
// keep-alive ping: sent at most this late after the keep-alive is due, well
// within the broker's patience (one and a half keep-alives). Reading needs
// no timer: the library reads until the socket (and TLS) has nothing left.
// Each turn wakes the watch, so no more often than needed.
constexpr int kServiceMilliseconds = 2000;

void initialiseLibrary()
{
    static const bool initialised = [] {
        mosquitto_lib_init();
        return true;
    }();
    Q_UNUSED(initialised);
}

QString errorText(int rc)
{
    if (rc == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QString::fromUtf8(mosquitto_strerror(rc));
}

bool connectionGone(int rc)
{
    return rc == MOSQ_ERR_NO_CONN || rc == MOSQ_ERR_CONN_LOST || rc == MOSQ_ERR_ERRNO ||
           rc == MOSQ_ERR_PROTOCOL || rc == MOSQ_ERR_TLS;
}

}  // namespace

MosquittoClient::MosquittoClient(QObject *parent) : QObject(parent)
{
    initialiseLibrary();
    m_keepAlive.setInterval(kServiceMilliseconds);
    connect(&m_keepAlive, &QTimer::timeout, this, &MosquittoClient::service);
    m_connectTimeout.setSingleShot(true);
    connect(&m_connectTimeout, &QTimer::timeout, this, [this] {
        if (m_mosq && !m_connected) {
            m_happenings.push_back({Happening::Lost,
                                    0,
                                    {},
                                    {},
                                    false,
                                    QCoreApplication::translate("Mqtt", "брокер не ответил")});
            dispatch();
        }
    });
}

MosquittoClient::~MosquittoClient()
{
    release();
}

bool MosquittoClient::open(const Options &options, QString *error)
{
    release();
    m_happenings.clear();
    auto fail = [&](const QString &why) {
        release();
        if (error)
            *error = why;
        return false;
    };
    // Without an id the library refuses a persistent session (EINVAL).
    m_mosq = mosquitto_new(options.clientId.isEmpty() ? nullptr : options.clientId.constData(),
                           options.cleanSession, this);
    if (!m_mosq)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    // An event follows its detector's state at once, and the state needs
    // no answer: with Nagle's algorithm the event would wait for the
    // broker's delayed acknowledgement of the state (40 ms here).
    mosquitto_int_option(m_mosq, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_connect_callback_set(m_mosq, &MosquittoClient::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MosquittoClient::onDisconnect);
    mosquitto_publish_callback_set(m_mosq, &MosquittoClient::onPublish);
    mosquitto_message_callback_set(m_mosq, &MosquittoClient::onMessage);
    if (!options.willTopic.isEmpty()) {
        const int rc = mosquitto_will_set(m_mosq, options.willTopic.constData(),
                                          int(options.willPayload.size()),
                                          options.willPayload.constData(), 1, true);
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(errorText(rc));
    }
    if (!options.user.isEmpty()) {
        const QByteArray user = options.user.toUtf8();
        const QByteArray password = options.password.toUtf8();
        const int rc = mosquitto_username_pw_set(
            m_mosq, user.constData(), options.password.isEmpty() ? nullptr : password.constData());
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(errorText(rc));
    }
    if (!options.caFile.isEmpty()) {
        const QByteArray caFile = QFile::encodeName(options.caFile);
        const int rc =
            mosquitto_tls_set(m_mosq, caFile.constData(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(QCoreApplication::translate("Mqtt", "сертификат %1 не читается: %2")
                            .arg(options.caFile, errorText(rc)));
    }
    m_connectTimeout.start(options.connectTimeoutMilliseconds);
    // libmosquitto looks a name up itself, and that call waits for the
    // name server. An address is used as it is; a name is looked up here
    // first, in the background, so the event loop (and the serial line's
    // exchange on it) never waits for a slow or absent name server.
    if (!QHostAddress().setAddress(options.host)) {
        m_lookup =
            QHostInfo::lookupHost(options.host, this, [this, options](const QHostInfo &info) {
                m_lookup = -1;
                if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
                    m_happenings.push_back(
                        {Happening::Lost,
                         0,
                         {},
                         {},
                         false,
                         QCoreApplication::translate("Mqtt", "адрес не найден: %1")
                             .arg(info.errorString())});
                    dispatch();
                    return;
                }
                // Over TLS the certificate names the host, so the name goes on
                // (found at once now); otherwise the address found.
                connectTo(options.caFile.isEmpty() ? info.addresses().constFirst().toString()
                                                   : options.host,
                          options);
            });
        return true;
    }
    QString why;
    if (!connectTo(options.host, options, &why))
        return fail(why);
    return true;
}

bool MosquittoClient::connectTo(const QString &host, const Options &options, QString *error)
{
    const QByteArray hostBytes = host.toUtf8();
    const int rc = mosquitto_connect_async(m_mosq, hostBytes.constData(), options.port,
                                           options.keepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        const QString why = errorText(rc);
        if (error) {
            *error = why;
        } else {
            m_happenings.push_back({Happening::Lost, rc, {}, {}, false, why});
            dispatch();
        }
        return false;
    }
    watchSocket();
    m_keepAlive.start();
    return true;
}

void MosquittoClient::close()
{
    if (m_mosq && m_connected)
        mosquitto_disconnect(m_mosq);
    release();
}

int MosquittoClient::publish(const QByteArray &topic, const QByteArray &payload, int qos,
                             bool retain)
{
    if (!m_mosq)
        return -1;
    int mid = -1;
    const int rc = mosquitto_publish(m_mosq, &mid, topic.constData(), int(payload.size()),
                                     payload.constData(), qos, retain);
    if (rc != MOSQ_ERR_SUCCESS) {
        if (connectionGone(rc)) {
            m_happenings.push_back({Happening::Lost, rc, {}, {}, false, errorText(rc)});
            QMetaObject::invokeMethod(this, &MosquittoClient::dispatch, Qt::QueuedConnection);
        }
        return -1;
    }
    watchSocket();
    return mid;
}

bool MosquittoClient::subscribe(const QByteArray &topic, int qos)
{
    if (!m_mosq)
        return false;
    const bool ok =
        mosquitto_subscribe(m_mosq, nullptr, topic.constData(), qos) == MOSQ_ERR_SUCCESS;
    watchSocket();
    return ok;
}

void MosquittoClient::onConnect(mosquitto *, void *self, int rc)
{
    auto *client = static_cast<MosquittoClient *>(self);
    client->m_happenings.push_back({rc == 0 ? Happening::Connected : Happening::Refused,
                                    rc,
                                    {},
                                    {},
                                    false,
                                    QString::fromUtf8(mosquitto_connack_string(rc))});
}

void MosquittoClient::onDisconnect(mosquitto *, void *self, int rc)
{
    // 0: our own disconnect, nothing to report.
    if (rc != 0)
        static_cast<MosquittoClient *>(self)->m_happenings.push_back(
            {Happening::Lost, rc, {}, {}, false, errorText(rc)});
}

void MosquittoClient::onPublish(mosquitto *, void *self, int mid)
{
    static_cast<MosquittoClient *>(self)->m_happenings.push_back(
        {Happening::Delivered, mid, {}, {}, false, {}});
}

void MosquittoClient::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    static_cast<MosquittoClient *>(self)->m_happenings.push_back(
        {Happening::Message,
         0,
         QByteArray(message->topic),
         QByteArray(static_cast<const char *>(message->payload), message->payloadlen),
         message->retain,
         {}});
}

void MosquittoClient::service()
{
    if (!m_mosq || m_inService)
        return;
    m_inService = true;
    const int rc = mosquitto_loop(m_mosq, 0, 1);
    m_inService = false;
    if (rc != MOSQ_ERR_SUCCESS) {
        bool reported = false;
        for (const Happening &h : m_happenings)
            reported = reported || h.kind == Happening::Lost || h.kind == Happening::Refused;
        if (!reported)
            m_happenings.push_back({Happening::Lost, rc, {}, {}, false, errorText(rc)});
    }
    dispatch();
    watchSocket();
}

void MosquittoClient::watchSocket()
{
    if (!m_mosq) {
        m_readable.reset();
        m_writable.reset();
        m_socket = -1;
        return;
    }
    const int socket = mosquitto_socket(m_mosq);
    if (socket != m_socket) {
        m_readable.reset();
        m_writable.reset();
        m_socket = socket;
        if (socket >= 0) {
            m_readable = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
            connect(m_readable.get(), &QSocketNotifier::activated, this, &MosquittoClient::service);
            m_writable = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Write);
            connect(m_writable.get(), &QSocketNotifier::activated, this, &MosquittoClient::service);
        }
    }
    if (m_writable)
        m_writable->setEnabled(mosquitto_want_write(m_mosq));
}

void MosquittoClient::dispatch()
{
    std::vector<Happening> happenings;
    happenings.swap(m_happenings);
    for (const Happening &h : happenings) {
        switch (h.kind) {
        case Happening::Connected:
            m_connected = true;
            m_connectTimeout.stop();
            emit connected();
            break;
        case Happening::Refused:
            release();
            emit refused(h.text);
            return;  // the rest belonged to the connection just freed
        case Happening::Lost:
            release();
            emit lost(h.text);
            return;
        case Happening::Delivered:
            emit delivered(h.code);
            break;
        case Happening::Message:
            emit messageReceived(h.topic, h.payload, h.retained);
            break;
        }
        if (!m_mosq)
            return;  // a slot closed the connection
    }
}

void MosquittoClient::release()
{
    if (m_lookup >= 0) {
        QHostInfo::abortHostLookup(m_lookup);
        m_lookup = -1;
    }
    m_keepAlive.stop();
    m_connectTimeout.stop();
    m_readable.reset();
    m_writable.reset();
    m_socket = -1;
    m_connected = false;
    if (m_mosq) {
        mosquitto_destroy(m_mosq);
        m_mosq = nullptr;
    }
}
