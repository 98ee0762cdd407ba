#include "tasks/settingstransfer.h"

#include "link/exchange.h"

#include <QTimer>

#include <algorithm>

SettingsReader::SettingsReader(Exchange &exchange, Timing timing, QObject *parent)
    : QObject(parent), m_exchange(exchange), m_retry(new QTimer(this)), m_giveUp(new QTimer(this))
{
    m_retry->setInterval(timing.retryMs);
    m_giveUp->setInterval(timing.giveUpMs);
    m_giveUp->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, &SettingsReader::askForMissing);
    connect(m_giveUp, &QTimer::timeout, this, [this] { finish(false); });
    connect(&m_exchange, &Exchange::settingReceived, this, &SettingsReader::settingReceived);
    connect(&m_exchange, &Exchange::stopped, this, [this] {
        if (m_running)
            finish(false);
    });
}

int SettingsReader::received() const
{
    int n = 0;
    for (const auto &flank : m_profile.flanks)
        n += int(flank.size());
    return n;
}

void SettingsReader::start()
{
    m_profile = SettingsProfile();
    m_profile.address = m_exchange.address();
    m_running = true;
    m_giveUp->start();
    // A start-up sequence under way reads the flank in use by itself.
    if (m_exchange.scheduler().startupSlotsLeft() > 0)
        m_flank = m_exchange.flank();
    else
        readFlank(m_exchange.flank());
    m_retry->start();
}

void SettingsReader::cancel()
{
    if (m_running)
        finish(false);
}

void SettingsReader::readFlank(int flank)
{
    m_flank = flank;
    m_exchange.changeFlank(flank);
}

void SettingsReader::settingReceived(int code, int valueByte)
{
    if (!m_running)
        return;
    const SettingRow *row = settingForReplyCode(code);
    if (!row || !row->flankInRequest || isConfirmationCode(*row, code))
        return;
    const int position = positionForByte(*row, valueByte);
    if (!positionInRange(*row, position))
        return;
    auto &values = m_profile.flanks[m_flank - 1];
    if (values.contains(row->setting))
        return;
    values.insert(row->setting, position);
    m_profile.speed = m_exchange.baudRate();
    m_giveUp->start();
    emit progress(received(), SettingsProfile::kFlankCount * int(flankSettingRows().size()));
    if (values.size() < flankSettingRows().size())
        return;
    const int other = m_flank == 1 ? 2 : 1;
    if (m_profile.flanks[other - 1].size() < flankSettingRows().size()) {
        readFlank(other);
        return;
    }
    finish(true);
}

void SettingsReader::askForMissing()
{
    // Ask only once the read-back had its time: its own slots come first.
    if (m_exchange.scheduler().startupSlotsLeft() > 0)
        return;
    for (const SettingRow *row : flankSettingRows()) {
        if (!m_profile.flanks[m_flank - 1].contains(row->setting)) {
            m_exchange.queueRequest(readRequest(*row, m_exchange.address(), m_flank));
            return;  // the mailbox holds one request at a time
        }
    }
}

void SettingsReader::finish(bool complete)
{
    m_running = false;
    m_retry->stop();
    m_giveUp->stop();
    emit finished(complete);
}

UnitNumberReader::UnitNumberReader(Exchange &exchange, SettingsReader::Timing timing,
                                   QObject *parent)
    : QObject(parent), m_exchange(exchange), m_retry(new QTimer(this)), m_giveUp(new QTimer(this))
{
    m_retry->setInterval(timing.retryMs);
    m_giveUp->setInterval(timing.giveUpMs);
    m_giveUp->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, &UnitNumberReader::ask);
    connect(m_giveUp, &QTimer::timeout, this, [this] { finish(false); });
    connect(&m_exchange, &Exchange::settingReceived, this, &UnitNumberReader::settingReceived);
    connect(&m_exchange, &Exchange::stopped, this, [this] {
        if (m_running)
            finish(false);
    });
}

void UnitNumberReader::start()
{
    m_unitNumber.reset();
    m_running = true;
    m_giveUp->start();
    m_retry->start();
    ask();
}

void UnitNumberReader::cancel()
{
    if (m_running)
        finish(false);
}

void UnitNumberReader::ask()
{
    m_exchange.queueRequest(
        readRequest(settingRow(Setting::UnitNumber), m_exchange.address(), m_exchange.flank()));
}

void UnitNumberReader::settingReceived(int code, int valueByte)
{
    const SettingRow &row = settingRow(Setting::UnitNumber);
    if (!m_running || code != row.readCode ||
        !positionInRange(row, positionForByte(row, valueByte)))
        return;
    m_unitNumber = positionForByte(row, valueByte);
    finish(true);
}

void UnitNumberReader::finish(bool read)
{
    m_running = false;
    m_retry->stop();
    m_giveUp->stop();
    emit finished(read);
}

SettingsWriter::SettingsWriter(Exchange &exchange, QObject *parent)
    : QObject(parent), m_exchange(exchange), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setInterval(kConfirmMs);
    connect(m_timer, &QTimer::timeout, this, &SettingsWriter::timedOut);
    connect(&m_exchange, &Exchange::settingReceived, this, &SettingsWriter::settingReceived);
    connect(&m_exchange, &Exchange::stopped, this, [this] {
        if (isRunning())
            abandon();
    });
}

void SettingsWriter::start(const QList<Item> &items)
{
    m_items = items;
    m_outcomes = QList<Outcome>(items.size(), Outcome::Pending);
    m_held.clear();
    m_current = -1;
    m_running = true;
    advance();
}

void SettingsWriter::cancel()
{
    if (m_running)
        abandon();
}

void SettingsWriter::abandon()
{
    m_timer->stop();
    m_running = false;
    for (int i = std::max(m_current, 0); i < m_items.size(); ++i) {
        if (m_outcomes[i] != Outcome::Pending)
            continue;
        m_outcomes[i] = i == m_current ? Outcome::Unconfirmed : Outcome::NotSent;
        emit itemDone(i, m_outcomes[i]);
    }
    m_current = -1;
    emit finished(false);
}

void SettingsWriter::sendCurrent()
{
    const Item &item = m_items[m_current];
    if (m_exchange.flank() != item.flank)
        m_exchange.changeFlank(item.flank);
    const std::optional<QString> frame =
        writeRequest(settingRow(item.setting), m_exchange.address(), item.flank, item.position);
    if (!frame) {
        next(Outcome::Refused);
        return;
    }
    m_exchange.queueRequest(*frame);
    m_timer->start();
}

void SettingsWriter::settingReceived(int code, int valueByte)
{
    if (!m_running || m_current < 0)
        return;
    const SettingRow &row = settingRow(m_items[m_current].setting);
    if (code != row.writeCode)
        return;
    const int held = positionForByte(row, valueByte);
    if (held == m_items[m_current].position) {
        next(Outcome::Confirmed);
        return;
    }
    m_held.insert(m_current, held);
    next(Outcome::Refused);
}

void SettingsWriter::timedOut()
{
    if (!m_running)
        return;
    if (!m_retried) {
        m_retried = true;
        sendCurrent();
        return;
    }
    next(Outcome::Unconfirmed);
}

void SettingsWriter::next(Outcome outcome)
{
    m_timer->stop();
    m_outcomes[m_current] = outcome;
    emit itemDone(m_current, outcome);
    // A handler of itemDone may have cancelled the writing.
    if (m_running)
        advance();
}

void SettingsWriter::advance()
{
    ++m_current;
    m_retried = false;
    if (m_current < m_items.size() && m_exchange.isRunning()) {
        sendCurrent();
        return;
    }
    // The exchange stopped: nothing more goes out.
    for (int i = m_current; i < m_items.size(); ++i) {
        m_outcomes[i] = Outcome::NotSent;
        emit itemDone(i, Outcome::NotSent);
    }
    m_running = false;
    m_current = -1;
    emit finished(std::all_of(m_outcomes.begin(), m_outcomes.end(),
                              [](Outcome o) { return o == Outcome::Confirmed; }));
}

QList<SettingsWriter::Item> settingsToWrite(const SettingsProfile &from, const SettingsProfile &to)
{
    QList<SettingsWriter::Item> items;
    for (int i = 0; i < SettingsProfile::kFlankCount; ++i) {
        for (const SettingRow *row : flankSettingRows()) {
            if (!to.flanks[i].contains(row->setting))
                continue;
            const int wanted = to.flanks[i].value(row->setting);
            if (from.flanks[i].value(row->setting, -1) != wanted)
                items.append({i + 1, row->setting, wanted});
        }
    }
    return items;
}
