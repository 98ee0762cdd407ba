#pragma once

// LineWatch: watches every detector on one line (an RS-485 bus), with no
// widgets. The single-detector Exchange is untouched; this runs instead of it
// on a line with several detectors.
//
//   slot timer (slotLength()) -> end of the slot in flight -> a mailbox
//       request (every other slot at most) or the next (address, flank)
//       -> SerialPortService::write of its frame
//   SerialPortService::dataReceived -> ReplyAssembler::feed -> statusReply
//       -> attributed to the slot's (address, flank), or dropped
//
// A status reply carries no address: it belongs to the poll in flight, and
// only while that poll's slot lasts. A reply that completes sooner after the
// poll went out than a poll and a reply take on the wire cannot answer it
// (it is a late reply to the slot before) and is dropped. A simulator on a
// pseudo-terminal therefore has to take the wire's time as a real line
// does. Everything runs on the caller's thread; nothing blocks.

#include "link/receiver.h"
#include "link/serialport.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>

class QTimer;

class LineWatch : public QObject, private ReplyHandler {
    Q_OBJECT
public:
    // Polls of an address in a row without a valid reply that make its link
    // lost.
    static constexpr int kMissedPollsForLost = 3;
    // Live slots between two slots given to a lost or never-answering
    // address: those take at most one slot in (kLiveSlotsPerDeadSlot + 1).
    // An address not heard yet is polled with the live ones until it has
    // missed kMissedPollsForLost polls.
    static constexpr int kLiveSlotsPerDeadSlot = 9;
    // Characters of a status poll and of a status reply on the wire, and
    // the bits each character takes (start, 8 data, stop).
    static constexpr int kPollChars = 10;
    static constexpr int kStatusReplyChars = 20;
    static constexpr int kBitsPerChar = 10;
    // Time a slot leaves after the shortest answer at slow speeds.
    static constexpr int kSlotMarginMicroseconds = 10000;
    // How much sooner than a whole slot after its frame went out a slot may
    // end, for the cadence to absorb a late timer or a slow write.
    static constexpr int kSlotSlackMilliseconds = 5;
    // Requests the mailbox holds at most.
    static constexpr int kMailboxLimit = 16;

    explicit LineWatch(SerialPortService &port, QObject *parent = nullptr);
    ~LineWatch() override;

    // Opens `port` at `baud` and starts polling `addresses` (each once, in
    // the order given). False when the port does not open (its
    // lastOpenError() says why) or there is nothing to poll. A port that
    // opens but is not ready yet is polled once it is ready, or
    // startFailed() and stopped() follow.
    bool start(const PortDescription &port, const QList<int> &addresses, int baud);
    // Ends the polling and closes the port; reports stopped().
    void stop();
    // Puts a request (a frame of link/codec.h, addressed to one of the
    // watched detectors) into the mailbox. Each request takes the next slot
    // in place of a poll, at most every other slot, in the order queued; a
    // setting reply within that slot is reported by requestAnswered(). False
    // when the watch is not running, the frame names no watched address or
    // kMailboxLimit requests are already waiting.
    bool queueRequest(const QString &frame);
    int queuedRequests() const { return int(m_mailbox.size()); }
    bool isRunning() const { return m_running; }

    // Valid replies that could not answer the request in flight (too
    // soon after it went out, or a second one in a slot), thrown away.
    int droppedReplies() const { return m_dropped; }
    // The address answers: it replied, and fewer than kMissedPollsForLost
    // of its polls in a row went unanswered since.
    bool isAlive(int address) const;

    // The shortest time, in microseconds, from a poll going out to its reply
    // being complete at `baud`: both frames on the wire, the detector taking
    // no time at all.
    static qint64 shortestAnswerMicroseconds(int baud);
    // A slot's length at `baud`: the protocol's slot, or longer where a poll
    // and its reply need more time on the wire.
    static std::chrono::milliseconds slotLength(int baud);

    // The slot timer's handler, public so that tests can step the watch.
    void slot();

signals:
    // A flank's state code (StatusReading::flankCode()) changed; the first
    // reading of each flank reports too.
    void flankState(int address, int flank, int stateCode);
    // The tamper contact's state changed; the first reading reports too.
    void tamper(int address, bool open);
    // The address's link changed: alive at its first reply (and the first
    // after it was lost), lost after kMissedPollsForLost missed polls. An
    // address that never answers reports lost once.
    void link(int address, bool alive);
    // A setting reply answered the mailbox request of `address` in its slot.
    void requestAnswered(int address, int code, const QString &body);
    // A port that opened could not be made ready; `reason` in the port's
    // words. stopped() follows.
    void startFailed(const QString &reason);
    void stopped();

private:
    struct Station {
        int address = 0;
        bool alive = false;
        bool linkReported = false;
        int missed = 0;
        int flankCode[2] = {-1, -1};  // -1: not read yet
        int tamper = -1;              // -1: not read yet, else 0 / 1

        // Polled in the round with the live ones: it answers, or it has not
        // yet missed the polls that make it lost. The first round thus reads
        // every detector, however many there are.
        bool polledAsLive() const { return alive || !linkReported; }
    };

    void portReady();
    void portOpenFailed();
    void bytesArrived();
    void endSlot();
    void armNextSlot();
    // The station and flank the next slot polls; false when nothing is due.
    bool chooseNext(int *station, int *flank);
    bool nextLive(int *station, int *flank);
    int nextDead();
    int liveCount() const;

    // ReplyHandler
    void frameEnd() override {}
    void pauseExchange() override {}
    void statusReply(const QString &body) override;
    void settingReply(int code, const QString &body) override;

    SerialPortService &m_port;
    QTimer *m_timer;
    QElapsedTimer m_clock;
    ReplyAssembler m_assembler;
    QList<Station> m_stations;
    bool m_running = false;
    bool m_waitingForPort = false;
    // Counts the starts, so that a handler of a signal that stopped and
    // started the watch again ends the work of the old run.
    int m_generation = 0;
    // The poll in flight: its station (-1: none), flank, when it went out
    // (on m_clock, in ns) and whether a reply has answered it.
    qint64 m_slotNanoseconds = 0;
    qint64 m_deadline = 0;  // when the slot in flight ends, on m_clock
    int m_slotStation = -1;
    int m_slotFlank = 1;
    qint64 m_sentAt = 0;
    bool m_answered = false;
    // Where the round over the live stations stands: the station and flank
    // polled last.
    int m_liveStation = -1;
    int m_liveFlank = 2;
    int m_deadStation = -1;  // the dead station polled last
    int m_liveSlotsSinceDead = 0;
    int m_dropped = 0;
    QStringList m_mailbox;
    // The slot in flight carries a mailbox request to this address (-1:
    // none); the slot after it polls.
    int m_requestAddress = -1;
};
