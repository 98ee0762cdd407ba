#pragma once

// A real mosquitto broker and a real mosquitto_sub, for tests of the MQTT
// publisher. The broker runs in the foreground from its own configuration
// in a temporary folder, on a free port of 127.0.0.1, keeping its state
// (retained messages, persistent sessions) in that folder across a restart.
//
// What mosquitto 2.0 does, as the tests rely on it:
// - "listener PORT 127.0.0.1" without allow_anonymous refuses every
//   anonymous client; with a password_file only its users get in, and a
//   wrong password is refused with "not authorised";
// - on SIGTERM it writes its persistence file and exits; a restart on the
//   same port brings back retained messages and the persistent sessions
//   (clean session off) with their queued QoS 1 messages;
// - a client that goes without DISCONNECT (killed) gets its last will
//   published at once.

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class MosquittoBroker {
public:
    // user -> password; empty: anonymous clients are let in.
    explicit MosquittoBroker(const QList<QPair<QString, QString>> &users = {});
    ~MosquittoBroker();
    MosquittoBroker(const MosquittoBroker &) = delete;
    MosquittoBroker &operator=(const MosquittoBroker &) = delete;

    static bool available();
    // Under CI (CI=true) a missing broker fails the test; it is skipped otherwise.
    static bool missingIsFailure();

    // Starts the broker and waits (up to 5 s) until its port accepts.
    bool start();
    // SIGTERM (the broker saves its state), SIGKILL after a grace time.
    void stop();
    int port() const { return m_port; }
    QString address() const;  // "127.0.0.1:PORT"
    QString errorText() const { return m_error; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    QString m_error;
};

// mosquitto_sub -v on some topics, its output read as it comes: one message
// per line, "r TOPIC PAYLOAD" with r the retain flag (0 or 1).
class MqttSubscriber {
public:
    struct Message {
        bool retained = false;
        QByteArray topic;
        QByteArray payload;
    };

    // A persistent session (clientId set) keeps the subscription and its
    // queued QoS 1 messages while the subscriber or the broker is away.
    MqttSubscriber(const MosquittoBroker &broker, const QStringList &topics,
                   const QString &clientId = QString());
    ~MqttSubscriber();

    // Starts mosquitto_sub and waits (up to 5 s) until the broker has
    // acknowledged its subscription; false when that did not happen.
    bool start();
    // Everything received so far.
    const QList<Message> &messages();
    QList<Message> messagesOn(const QByteArray &topic);

private:
    const MosquittoBroker &m_broker;
    QStringList m_topics;
    QString m_clientId;
    QProcess m_process;
    QByteArray m_partial;
    QList<Message> m_messages;
    bool m_subscribed = false;
};

#define MOSQUITTO_REQUIRED()                                                                       \
    do {                                                                                           \
        if (!MosquittoBroker::available()) {                                                       \
            if (MosquittoBroker::missingIsFailure())                                               \
                QFAIL("mosquitto not found (CI=true: it must be installed)");                      \
            QSKIP("mosquitto and mosquitto_sub not found: install them to run the MQTT tests");    \
        }                                                                                          \
    } while (false)
