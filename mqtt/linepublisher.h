#pragma once

// Publishes a watched line to an MQTT broker for a control room: the line's
// status with a last will, each detector's retained state, every event with
// QoS 1 and Home Assistant's discovery (topics in mqtt/linetopics.h).
//
//   LineStates::event  -> the event queue -> MosquittoClient::publish (QoS 1)
//                         ... PUBACK -> delivered: the event leaves the queue
//   LineStates::rowChanged -> the detector's retained state (QoS 0), when connected
//
// The watch never waits for the broker: events wait in the queue (at most
// kQueueLimit, the oldest dropped first and counted) while the broker is
// away, and go out in order once it is back. A lost connection is retried
// after 0.5 s, then twice as long each time up to 5 s; on every connection
// the status, the discovery and all states are published again. Nothing
// received changes the line: the only subscription is Home Assistant's
// status, which makes the discovery go out again.

#include "mqtt/linetopics.h"
#include "mqtt/mosquittoclient.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>

class LineStates;
struct LineEvent;

class LinePublisher : public QObject {
    Q_OBJECT
public:
    static constexpr int kQueueLimit = 10000;
    // Events handed to the connection before their acknowledgement.
    static constexpr int kInFlight = 64;
    static constexpr int kFirstRetryMilliseconds = 500;
    static constexpr int kLastRetryMilliseconds = 5000;
    static constexpr int kKeepAliveSeconds = 10;

    explicit LinePublisher(LineStates &states, QObject *parent = nullptr);

    // Reads the password file and checks the names, then connects (a broker
    // that cannot be reached is retried, the watch goes on). False, with
    // the reason in *error, when the settings cannot be used.
    bool start(const MqttSettings &settings, const QList<int> &addresses, QString *error);
    // Delivers what is still queued (for at most `graceMilliseconds` while
    // connected), publishes "offline" and disconnects; finished() follows,
    // at once when not connected.
    void finish(int graceMilliseconds = 3000);

    bool isRunning() const { return m_running; }
    bool isConnected() const { return m_client.isConnected(); }
    int queuedEvents() const { return int(m_queue.size()); }
    qint64 droppedEvents() const { return m_dropped; }
    qint64 deliveredEvents() const { return m_delivered; }
    const MqttSettings &settings() const { return m_settings; }

signals:
    // Something the user should read: connected, lost, refused, dropped.
    void notice(const QString &text);
    void connectedChanged(bool connected);
    void finished();

private:
    struct Pending {
        QByteArray topic;
        QByteArray payload;
        int messageId = -1;  // -1: not handed to the connection yet
    };

    void attempt();
    void connectionFailed(const QString &reason, bool refused);
    void connected();
    void delivered(int messageId);
    void enqueue(const LineEvent &event);
    void sendQueue();
    void publishState(int row, bool evenIfUnchanged);
    void publishDiscovery();
    void finishNow();

    LineStates &m_states;
    MosquittoClient m_client;
    MqttSettings m_settings;
    LineTopics m_topics{QString(), QString()};
    MosquittoClient::Options m_options;
    QList<int> m_addresses;
    std::deque<Pending> m_queue;
    int m_handed = 0;                    // the first m_handed queue entries await their PUBACK
    QHash<int, QByteArray> m_lastState;  // per address, as last published
    QTimer m_retry;
    QTimer m_grace;
    int m_retryMilliseconds = kFirstRetryMilliseconds;
    bool m_running = false;
    bool m_finishing = false;
    bool m_everConnected = false;
    bool m_failureSaid = false;  // this outage has been reported
    qint64 m_dropped = 0;
    qint64 m_droppedSaid = 0;  // drops already reported
    qint64 m_delivered = 0;
};
