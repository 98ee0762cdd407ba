#pragma once

#include "params/settingsfile.h"

#include <QList>
#include <QObject>

#include <optional>

class Exchange;
class QTimer;

// Reads the settings of both flanks from a running exchange: the flank in
// use first, then the other one; it leaves the exchange on the flank it read
// last (the task that uses it puts the flank back). Replies are matched by
// code; a setting still missing when the read-back should have ended is asked
// for again every `retry`, and after `giveUp` without progress the read
// fails.
class SettingsReader : public QObject {
    Q_OBJECT
public:
    struct Timing {
        int retryMs = 1500;
        int giveUpMs = 6000;
    };

    explicit SettingsReader(Exchange &exchange, QObject *parent = nullptr)
        : SettingsReader(exchange, Timing(), parent)
    {
    }
    SettingsReader(Exchange &exchange, Timing timing, QObject *parent = nullptr);

    // Starts reading; the exchange must be running.
    void start();
    void cancel();
    const SettingsProfile &profile() const { return m_profile; }
    // Settings read so far, of the 14.
    int received() const;

signals:
    void progress(int received, int total);
    void finished(bool complete);

private:
    void settingReceived(int code, int valueByte);
    void askForMissing();
    void readFlank(int flank);
    void finish(bool complete);

    Exchange &m_exchange;
    SettingsProfile m_profile;
    QTimer *m_retry;
    QTimer *m_giveUp;
    int m_flank = 1;
    bool m_running = false;
};

// Reads the detector's unit number (its own bus address) from a running
// exchange, as SettingsReader reads a setting: asked at once, asked again
// every `retry` until it comes, given up after `giveUp`. A reply outside the
// unit numbers is no answer.
class UnitNumberReader : public QObject {
    Q_OBJECT
public:
    UnitNumberReader(Exchange &exchange, SettingsReader::Timing timing, QObject *parent = nullptr);

    // Starts reading; the exchange must be running.
    void start();
    void cancel();
    // The number read; none until it came, or when it did not.
    std::optional<int> unitNumber() const { return m_unitNumber; }

signals:
    void finished(bool read);

private:
    void ask();
    void settingReceived(int code, int valueByte);
    void finish(bool read);

    Exchange &m_exchange;
    QTimer *m_retry;
    QTimer *m_giveUp;
    std::optional<int> m_unitNumber;
    bool m_running = false;
};

// Writes settings one at a time through a running exchange and waits for
// each confirmation. A write that is not confirmed in time is sent once
// more; a confirmation carrying another value means the detector refused it.
// Once the exchange stops, or the writer is cancelled, the write in flight is
// left unconfirmed and the ones after it are not sent.
class SettingsWriter : public QObject {
    Q_OBJECT
public:
    static constexpr int kConfirmMs = 1500;

    struct Item {
        int flank = 1;
        Setting setting = Setting::Gain;
        int position = 0;
    };
    enum class Outcome {
        Pending,      // not yet sent
        Confirmed,    // the detector holds the value
        Refused,      // the detector confirmed another value (heldPosition)
        Unconfirmed,  // sent, but no confirmation came
        NotSent,      // never sent: the exchange stopped or the writer was cancelled first
    };

    explicit SettingsWriter(Exchange &exchange, QObject *parent = nullptr);

    void start(const QList<Item> &items);
    // Stops writing: the write in flight is left unconfirmed, the rest are
    // not sent. finished() follows.
    void cancel();
    bool isRunning() const { return m_running; }
    const QList<Item> &items() const { return m_items; }
    Outcome outcome(int index) const { return m_outcomes.value(index, Outcome::Pending); }
    // The position the detector holds after a refused write.
    int heldPosition(int index) const { return m_held.value(index); }

signals:
    void itemDone(int index, SettingsWriter::Outcome outcome);
    void finished(bool allConfirmed);

private:
    void sendCurrent();
    void settingReceived(int code, int valueByte);
    void timedOut();
    // The write in flight ended with `outcome`; the next one goes out.
    void next(Outcome outcome);
    void advance();
    // Ends the writing early: the write in flight unconfirmed, the rest not sent.
    void abandon();

    Exchange &m_exchange;
    QTimer *m_timer;
    QList<Item> m_items;
    QList<Outcome> m_outcomes;
    QMap<int, int> m_held;
    int m_current = -1;  // the write in flight
    bool m_running = false;
    bool m_retried = false;
};

// The writes that turn a detector's settings into a profile's: every
// per-flank setting whose position differs, flank 1 first.
QList<SettingsWriter::Item> settingsToWrite(const SettingsProfile &from, const SettingsProfile &to);
