#pragma once

// Exchange: the conversation with one detector over one serial port, with no
// widgets, shared by the window and verkan-cli.
//
//   tick timer ("Timer1", protocol::kTick) -> Scheduler::tick -> SerialPortService::write
//   SerialPortService::dataReceived -> ReplyAssembler::feed -> frameEnd /
//       statusReply / settingReply below -> the signals of this class
//   watchdog ("Timer5", 2 s without a valid reply) -> port reset, then link lost
//   a body that nothing closes within a reply's time (line noise) is dropped
//   status replies against the polls sent -> readingsFresh / readingsStale
//
// start() opens the port and begins the start-up sequence (speed search,
// read-back of the flank's settings); stop() ends everything and closes the
// port. Everything runs on the caller's thread; nothing blocks.

#include "link/receiver.h"
#include "link/scheduler.h"
#include "link/serialport.h"
#include "link/statusreading.h"

#include <QElapsedTimer>
#include <QObject>

#include <chrono>

class QTimer;

class Exchange : public QObject, private ReplyHandler {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kWatchdogPeriod{2000};
    // How many polls in a row, each still unanswered when the next slot
    // came, make the shown readings stale.
    static constexpr int kMissedPollsForStale = 2;

    struct StartResult {
        bool started = false;
        SerialPortService::OpenError error = SerialPortService::OpenError::None;
    };

    explicit Exchange(SerialPortService &port, QObject *parent = nullptr);
    ~Exchange() override;

    // Opens `port` and starts talking to the detector at `address` about
    // flank `flank`. A port that does not open leaves everything stopped and
    // says why. A port that opens but is not ready yet (a serial server
    // being reached) holds the start-up sequence and the watchdog until it
    // is; started() comes then, or startFailed() and then stopped().
    StartResult start(const PortDescription &port, int address, int flank);
    // Ends the exchange and closes the port; reports stopped().
    void stop();
    // Polls `flank` from now on and reads its settings back.
    void changeFlank(int flank);
    // Puts one request into the mailbox: it goes out at the next slot that
    // the start-up sequence does not need. A request not yet sent is
    // replaced.
    void queueRequest(const QString &frame);
    // Skips the speed search at the next start: one probe at `baud`, then the
    // read-back at that speed. 0 (the default) searches every speed.
    // A port that fixes its own speed (a raw TCP line) never searches.
    void setFixedSpeed(int baud) { m_fixedSpeed = baud; }

    bool isRunning() const { return m_running; }
    // A status reply now answers the poll of the flank in use: no start-up
    // sequence or read-back is under way, so nothing still in flight from
    // before a flank change can arrive as if it were this flank's.
    bool statusIsCurrent() const { return m_running && m_scheduler.startupSlotsLeft() == 0; }
    // The port of the last start.
    const PortDescription &portDescription() const { return m_portDescription; }
    // Started, and the port is not ready yet: nothing is sent until it is.
    bool isWaitingForPort() const { return m_running && m_waitingForPort; }
    int address() const { return m_address; }
    int flank() const { return m_flank; }
    int baudRate() const { return m_port.baudRate(); }
    // Consecutive watchdog periods that passed without a reply.
    int silentPeriods() const { return m_silentPeriods; }
    // A valid reply has come since the last start.
    bool isLinkEstablished() const { return m_linkEstablished; }
    // The last status reading still tells the detector's state: a status
    // reply came after the exchange started and since then fewer than
    // kMissedPollsForStale polls in a row went unanswered. Stale before the
    // first reading and once the exchange stops.
    bool readingsAreFresh() const { return m_readingsFresh; }
    const Scheduler &scheduler() const { return m_scheduler; }
    const ReplyAssembler &assembler() const { return m_assembler; }
    SerialPortService &port() { return m_port; }

    // How long a reply body may stay open at `baud` before it is taken for
    // line noise: a whole reply plus a margin, at most one slot.
    static std::chrono::milliseconds openBodyLimit(int baud);

    // The timer handlers, public so that tests can step the exchange without
    // waiting for real time to pass.
    void tick();
    void watchdogExpired();
    void bytesArrived();
    void openBodyExpired();

signals:
    // The port opened (and is ready) and the start-up sequence began.
    void started();
    // A port that opened but was not ready could not be made ready (the
    // serial server refused, did not answer or cannot set the line); the
    // exchange stops right after (stopped() follows). `reason` is the
    // port's own words.
    void startFailed(SerialPortService::OpenError error, const QString &reason);
    // A reply frame ended: the detector is answering.
    void linkAlive();
    // The speed search set the line to `baud` and sent its probe there.
    void speedTried(int baud);
    // The first valid reply since start(): there is a detector at the
    // address. Follows linkAlive(), before the reply is handed on.
    void linkEstablished();
    // The speed search ended at `baud`.
    void speedFound(int baud);
    // The first silent watchdog period closed and reopened the port.
    void portReset();
    // The second silent period: the detector is lost. stopped() follows.
    void linkLost();
    void stopped();
    // The shown readings no longer tell the detector's state: the exchange
    // stopped (before stopped()), or kMissedPollsForStale polls in a row
    // went unanswered.
    void readingsStale();
    // A status reply after stale readings; statusReceived() follows.
    void readingsFresh();
    void statusReceived(const StatusReading &reading);
    // A setting reply: its code and value byte.
    void settingReceived(int code, int valueByte);

private:
    bool openPort();
    void portReady();
    void portOpenFailed();
    void beginStartup();
    void armTicks(qint64 from);
    void pauseTicks();
    void ticksElapsed();
    void resumeTicking();
    void dropOpenBody();
    void countPollSlot(bool poll);
    void markReadingsStale();

    // ReplyHandler
    void bodyClosed() override;
    void frameEnd() override;
    void pauseExchange() override;
    void statusReply(const QString &body) override;
    void settingReply(int code, const QString &body) override;

    SerialPortService &m_port;
    QTimer *m_tickTimer;  // sleeps until the next slot
    QElapsedTimer m_clock;
    qint64 m_armedAt = 0;  // when the ticks it stands for began, on m_clock
    int m_armedTicks = 0;  // ticks the tick timer stands for
    QTimer *m_watchdog;
    QTimer *m_bodyTimer;  // how long an open body may hold the ticks
    Scheduler m_scheduler;
    ReplyAssembler m_assembler;
    PortDescription m_portDescription = PortDescription::comPort(1);
    int m_fixedSpeed = 0;
    bool m_waitingForPort = false;
    int m_address = 0;
    int m_flank = 1;
    int m_silentPeriods = 0;
    bool m_running = false;
    bool m_linkEstablished = false;
    bool m_readingsFresh = false;
    bool m_pollAwaitsReply = false;  // the last slot polled, no status reply yet
    int m_missedPolls = 0;
    // False from a dropped noise body until the next slot goes out: noise
    // cannot hold the exchange twice in a row.
    bool m_mayPause = true;
};
