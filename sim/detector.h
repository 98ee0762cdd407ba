#pragma once

#include "link/protocol.h"

#include <QByteArray>
#include <QHash>
#include <QRandomGenerator>
#include <QString>

#include <array>
#include <functional>

// A simulated VERKAN-R detector: its settings, flank and tamper states and its
// side of the serial protocol. Bytes received from the line go in, the reply
// bytes come out; nothing here touches a terminal or a timer, and time is read
// from an injectable clock so that restarts and remote tests can be tested.
namespace sim {

// The flank states the detector reports; the value is the state code of the
// status byte.
enum class FlankState : int { Norm = 0, Alarm = 1, Level = 2, Break = 4, Short = 36 };

// How a reply is handed to the line: in one write, one byte per write, or in
// a few pieces split at random points.
enum class Delivery { Whole, Char, Random };

// The seven settings of one flank, as the value bytes travel on the line;
// their codes and ranges are those of protocol::kFlankSettings.
struct FlankSettings {
    int limit = 0;  // the list index
    int gain = 1;
    int threshold = 0;  // 0.7 V + 0.1 V per step
    int accumulation = 1;
    int front = 1;
    int alarmTime = 1;
    int selfTest = 1;

    // The value byte of `setting`.
    int &operator[](protocol::FlankSetting setting);
};

// Speeds the detector can be set to.
bool isSupportedBaud(int baud);

QString flankStateName(FlankState s);
bool flankStateFromName(const QString &name, FlankState *s);
QString deliveryName(Delivery d);

class Detector {
public:
    using Clock = std::function<qint64()>;  // milliseconds, monotonic
    using Trace = std::function<void(const QString &)>;

    static constexpr int kRestartMs = 1000;
    static constexpr int kRemoteTestMs = 3000;
    static constexpr int kMaxFrameChars = 32;

    // clock defaults to a clock that never moves.
    explicit Detector(int address = 1, int baud = 9600, quint32 seed = 1, Clock clock = {});

    // Bytes received from the line while it runs at lineSpeed. Returns the
    // replies to send, in order (empty when nothing is answered). Bytes at a
    // speed other than the detector's own are discarded, and with them any
    // request begun before.
    QByteArray receive(const QByteArray &bytes, int lineSpeed);

    // Called with a short description of every complete request frame and of
    // bytes discarded at a wrong speed.
    void setTrace(Trace t) { trace_ = std::move(t); }

    int address() const { return address_; }
    int baud() const { return baud_; }
    const FlankSettings &settings(int flank) const { return flanks_[index(flank)].settings; }
    FlankSettings &settings(int flank) { return flanks_[index(flank)].settings; }
    FlankState flankState(int flank) const { return flanks_[index(flank)].state; }
    void setFlankState(int flank, FlankState s) { flanks_[index(flank)].state = s; }
    // The state reported now: a running remote test shows alarm on both flanks.
    FlankState reportedState(int flank) const;
    bool tamperOpen() const { return tamperOpen_; }
    void setTamperOpen(bool open) { tamperOpen_ = open; }
    bool silent() const { return silent_; }
    void setSilent(bool on) { silent_ = on; }
    int everyMs() const { return everyMs_; }
    void setEveryMs(int ms) { everyMs_ = ms; }
    Delivery delivery() const { return delivery_; }
    void setDelivery(Delivery d) { delivery_ = d; }
    // Milliseconds between a request and its reply (0: at once); the host
    // that writes the replies holds them back this long.
    int lateMs() const { return lateMs_; }
    void setLateMs(int ms) { lateMs_ = ms; }
    // On a line shared with other detectors a frame for another address is
    // ignored as such before silence or a restart is considered, so that
    // only the detector a frame is for says why it did not answer.
    void setSharedLine(bool shared) { sharedLine_ = shared; }
    bool restarting() const;
    bool remoteTestRunning() const;

    // The next reply goes out with a wrong checksum.
    void sendMalformedNext() { malformedNext_ = true; }
    // Each reply goes out with a wrong checksum with this chance, 0..100 %.
    int badChecksumPercent() const { return badChecksumPercent_; }
    void setBadChecksumPercent(int percent) { badChecksumPercent_ = percent; }
    // The next reply with this code carries value as its value byte.
    void overrideNextValue(int code, int value) { overrides_.insert(code, value); }

    static constexpr char kXon = 0x11;
    static constexpr char kXoff = 0x13;

    // n random bytes for line noise, none of them the start of a reply, XON
    // or XOFF.
    QByteArray garbage(int n);

    // Address, speed, settings and states in a few lines of text.
    QString describe() const;

    // One status reply for a flank, as sent (CR included).
    QByteArray statusReply(int flank);

private:
    struct Flank {
        FlankSettings settings;
        FlankState state = FlankState::Norm;
    };

    static int index(int flank) { return flank == 2 ? 1 : 0; }
    qint64 now() const { return clock_ ? clock_() : 0; }
    void note(const QString &text) const;
    QByteArray handleFrame(const QByteArray &hex);
    QByteArray settingReply(int code, int value);
    QByteArray frame(QByteArray body);
    int signalCounts4(int flank, FlankState s);
    int levelCounts(int nominal);

    int address_;
    int baud_;
    Clock clock_;
    Trace trace_;
    QRandomGenerator rng_;
    std::array<Flank, 2> flanks_;
    bool tamperOpen_ = false;
    bool silent_ = false;
    int everyMs_ = 0;
    Delivery delivery_ = Delivery::Whole;
    int lateMs_ = 0;
    bool sharedLine_ = false;
    bool malformedNext_ = false;
    int badChecksumPercent_ = 0;
    QHash<int, int> overrides_;

    QByteArray pending_;  // characters of the request being received
    bool inFrame_ = false;
    bool answeredOnce_ = false;
    qint64 lastAnswerMs_ = 0;
    qint64 restartUntilMs_ = 0;     // silent before this time after a restart
    qint64 remoteTestUntilMs_ = 0;  // both flanks in alarm before this time
};

}  // namespace sim
