#include "mqtt/linepublisher.h"

#include "monitor/linestates.h"

#include <QFile>
#include <QFileInfo>

LinePublisher::LinePublisher(LineStates &states, QObject *parent)
    : QObject(parent), m_states(states)
{
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &LinePublisher::attempt);
    m_grace.setSingleShot(true);
    connect(&m_grace, &QTimer::timeout, this, &LinePublisher::finishNow);

    connect(&m_client, &MosquittoClient::connected, this, &LinePublisher::connected);
    connect(&m_client, &MosquittoClient::lost, this,
            [this](const QString &reason) { connectionFailed(reason, false); });
    connect(&m_client, &MosquittoClient::refused, this,
            [this](const QString &reason) { connectionFailed(reason, true); });
    connect(&m_client, &MosquittoClient::delivered, this, &LinePublisher::delivered);
    connect(&m_client, &MosquittoClient::messageReceived, this,
            [this](const QByteArray &topic, const QByteArray &payload, bool retained) {
                // Home Assistant came (back) up and reads its discovery
                // topics afresh. A retained "online" is the one it left
                // before this connection, whose discovery has just gone.
                if (topic == LineTopics::kHomeAssistantStatus && payload == "online" && !retained) {
                    publishDiscovery();
                    for (int row = 0; row < m_states.rows().size(); ++row)
                        publishState(row, true);
                }
            });

    connect(&m_states, &LineStates::event, this, &LinePublisher::enqueue);
    connect(&m_states, &LineStates::rowChanged, this,
            [this](int row) { publishState(row, false); });
}

bool LinePublisher::start(const MqttSettings &settings, const QList<int> &addresses, QString *error)
{
    auto refuse = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (settings.host.isEmpty())
        return refuse(tr("не задан адрес брокера MQTT"));
    if (!checkTopicName(tr("Префикс MQTT"), settings.prefix, error) ||
        !checkTopicName(tr("Имя линии MQTT"), settings.line, error))
        return false;
    MosquittoClient::Options options;
    options.host = settings.host;
    options.port = settings.effectivePort();
    options.user = settings.user;
    options.caFile = settings.caFile;
    options.keepAliveSeconds = kKeepAliveSeconds;
    if (!settings.passwordFile.isEmpty()) {
        if (settings.user.isEmpty())
            return refuse(tr("пароль MQTT задан без имени пользователя"));
        QFile file(settings.passwordFile);
        if (!file.open(QIODevice::ReadOnly))
            return refuse(tr("файл пароля MQTT %1 не читается: %2")
                              .arg(settings.passwordFile, file.errorString()));
        options.password = QString::fromUtf8(file.readLine()).remove(u'\n').remove(u'\r');
    }
    if (!settings.caFile.isEmpty() && !QFileInfo(settings.caFile).isReadable())
        return refuse(tr("сертификат MQTT %1 не читается").arg(settings.caFile));

    m_settings = settings;
    m_topics = LineTopics(settings.prefix, settings.line);
    options.willTopic = m_topics.status();
    options.willPayload = "offline";
    m_options = options;
    m_addresses = addresses;
    m_queue.clear();
    m_handed = 0;
    m_lastState.clear();
    m_dropped = m_droppedSaid = m_delivered = 0;
    m_retryMilliseconds = kFirstRetryMilliseconds;
    m_running = true;
    m_finishing = false;
    m_everConnected = false;
    m_failureSaid = false;
    attempt();
    return true;
}

void LinePublisher::attempt()
{
    if (!m_running)
        return;
    QString error;
    if (!m_client.open(m_options, &error))
        connectionFailed(error, false);
}

void LinePublisher::connectionFailed(const QString &why, bool refused)
{
    // What was handed to the lost connection is sent again, from the start
    // of the queue, on the next one.
    for (int i = 0; i < m_handed; ++i)
        m_queue[size_t(i)].messageId = -1;
    m_handed = 0;
    if (m_finishing) {
        finishNow();
        return;
    }
    if (!m_failureSaid) {
        m_failureSaid = true;
        const QString broker = m_settings.brokerText();
        QString reason = why.trimmed();
        while (reason.endsWith(u'.'))
            reason.chop(1);
        if (refused)
            emit notice(tr("MQTT: брокер %1 отказал в подключении: %2. Проверьте имя "
                           "пользователя и пароль. Наблюдение идёт, события ждут брокера")
                            .arg(broker, reason));
        else if (!m_everConnected)
            emit notice(tr("MQTT: брокер %1 недоступен: %2. Наблюдение идёт, события ждут "
                           "брокера")
                            .arg(broker, reason));
        else
            emit notice(tr("MQTT: связь с брокером %1 потеряна: %2. Наблюдение идёт, события "
                           "ждут брокера")
                            .arg(broker, reason));
        emit connectedChanged(false);
    }
    m_retry.start(m_retryMilliseconds);
    m_retryMilliseconds = qMin(m_retryMilliseconds * 2, kLastRetryMilliseconds);
}

void LinePublisher::connected()
{
    m_retryMilliseconds = kFirstRetryMilliseconds;
    m_everConnected = true;
    m_failureSaid = false;
    QString said = tr("MQTT: подключено к брокеру %1").arg(m_settings.brokerText());
    if (m_dropped > m_droppedSaid) {
        said += tr("; очередь была полна, старейших событий отброшено: %1")
                    .arg(m_dropped - m_droppedSaid);
        m_droppedSaid = m_dropped;
    }
    emit notice(said);
    emit connectedChanged(true);

    m_client.publish(m_topics.status(), "online", 1, true);
    publishDiscovery();
    m_lastState.clear();
    for (int row = 0; row < m_states.rows().size(); ++row)
        publishState(row, true);
    m_client.subscribe(LineTopics::kHomeAssistantStatus, 1);
    sendQueue();
}

void LinePublisher::publishDiscovery()
{
    for (const int address : std::as_const(m_addresses)) {
        for (int s = 0; s < LineTopics::SensorCount; ++s) {
            const auto sensor = LineTopics::Sensor(s);
            m_client.publish(m_topics.discovery(address, sensor),
                             m_topics.discoveryPayload(address, sensor), 1, true);
        }
    }
}

void LinePublisher::publishState(int row, bool evenIfUnchanged)
{
    if (!m_running || !m_client.isConnected() || row < 0 || row >= m_states.rows().size())
        return;
    const DetectorRow &detector = m_states.rows().at(row);
    if (!detector.lastChange.isValid())
        return;  // nothing read yet
    const QByteArray payload = LineTopics::statePayload(detector);
    if (!evenIfUnchanged && m_lastState.value(detector.address) == payload)
        return;  // an acknowledgement changes the row, not the state
    m_lastState.insert(detector.address, payload);
    // QoS 0: the broker acknowledges nothing, which would wake the watch once
    // more per change; a state lost with a connection is published again on
    // the next one, with all the others.
    m_client.publish(m_topics.state(detector.address), payload, 0, true);
}

void LinePublisher::enqueue(const LineEvent &event)
{
    if (!m_running || m_finishing)
        return;
    if (m_queue.size() >= size_t(kQueueLimit)) {
        // The oldest goes; if it was in flight its acknowledgement finds
        // nothing to remove.
        if (m_handed > 0)
            --m_handed;
        m_queue.pop_front();
        if (++m_dropped == m_droppedSaid + 1)
            emit notice(
                tr("MQTT: очередь событий полна (%1), старейшие отбрасываются").arg(kQueueLimit));
    }
    m_queue.push_back({m_topics.event(event.address), lineEventJson(event), -1});
    sendQueue();
}

void LinePublisher::sendQueue()
{
    while (m_client.isConnected() && m_handed < kInFlight && size_t(m_handed) < m_queue.size()) {
        Pending &next = m_queue[size_t(m_handed)];
        const int id = m_client.publish(next.topic, next.payload, 1, false);
        if (id < 0)
            return;  // the connection is going; the queue waits for the next one
        next.messageId = id;
        ++m_handed;
    }
}

void LinePublisher::delivered(int messageId)
{
    for (int i = 0; i < m_handed; ++i) {
        if (m_queue[size_t(i)].messageId == messageId) {
            m_queue.erase(m_queue.begin() + i);
            --m_handed;
            ++m_delivered;
            break;
        }
    }
    sendQueue();
    if (m_finishing && m_queue.empty())
        finishNow();
}

void LinePublisher::finish(int graceMilliseconds)
{
    if (!m_running) {
        emit finished();
        return;
    }
    m_finishing = true;
    m_retry.stop();
    if (m_client.isConnected() && !m_queue.empty())
        m_grace.start(graceMilliseconds);
    else
        finishNow();
}

void LinePublisher::finishNow()
{
    if (!m_running)
        return;
    m_grace.stop();
    m_retry.stop();
    if (m_client.isConnected())
        m_client.publish(m_topics.status(), "offline", 1, true);
    m_client.close();
    m_running = false;
    m_finishing = false;
    if (!m_queue.empty())
        emit notice(tr("MQTT: не доставлено брокеру событий: %1").arg(m_queue.size()));
    if (m_dropped > m_droppedSaid)
        emit notice(tr("MQTT: отброшено старейших событий при полной очереди: %1")
                        .arg(m_dropped - m_droppedSaid));
    emit finished();
}
