#include "sim/detector.h"

#include "link/codec.h"
#include "link/protocol.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kCountsPerVolt = 51.0;

// Settings defaults: each flank different in every setting, so that a reply
// shows which flank it came from.
FlankSettings defaultsFor(int flank)
{
    FlankSettings s;
    if (flank == 1) {
        s.limit = 1;
        s.gain = 5;
        s.threshold = 8;  // 1.5 V
        s.accumulation = 4;
        s.front = 3;
        s.alarmTime = 2;
        s.selfTest = 10;
    } else {
        s.limit = 2;
        s.gain = 6;
        s.threshold = 6;  // 1.3 V
        s.accumulation = 7;
        s.front = 5;
        s.alarmTime = 3;
        s.selfTest = 20;
    }
    return s;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Number of bytes (address, code, [flank], [value], end byte) a request with
// this code carries, 0 for codes the detector does not know.
int requestBytesFor(int code)
{
    switch (code) {
    case protocol::kRemoteTest:
    case protocol::kReadUnitNumber:
        return 3;
    case protocol::kStatus:
        return 4;
    case protocol::kSetUnitNumber:
        return 5;
    default:
        break;
    }
    if (const protocol::FlankSettingCodes *setting = protocol::flankSettingForCode(code))
        return code == setting->writeCode ? 5 : 4;
    return 0;
}

QByteArray hexByte(int v)
{
    return codec::encodeByte(v).toLatin1();
}

}  // namespace

int &FlankSettings::operator[](protocol::FlankSetting setting)
{
    switch (setting) {
    case protocol::FlankSetting::Limit:
        return limit;
    case protocol::FlankSetting::Gain:
        return gain;
    case protocol::FlankSetting::Threshold:
        return threshold;
    case protocol::FlankSetting::Accumulation:
        return accumulation;
    case protocol::FlankSetting::Front:
        return front;
    case protocol::FlankSetting::AlarmTime:
        return alarmTime;
    case protocol::FlankSetting::SelfTest:
        return selfTest;
    }
    Q_UNREACHABLE();
}

bool isSupportedBaud(int baud)
{
    switch (baud) {
    case 4800:
    case 9600:
    case 19200:
    case 38400:
    case 57600:
    case 115200:
        return true;
    default:
        return false;
    }
}

QString flankStateName(FlankState s)
{
    switch (s) {
    case FlankState::Norm:
        return QStringLiteral("norm");
    case FlankState::Alarm:
        return QStringLiteral("alarm");
    case FlankState::Level:
        return QStringLiteral("level");
    case FlankState::Break:
        return QStringLiteral("break");
    case FlankState::Short:
        return QStringLiteral("short");
    }
    return QString();
}

bool flankStateFromName(const QString &name, FlankState *s)
{
    for (FlankState c : {FlankState::Norm, FlankState::Alarm, FlankState::Level, FlankState::Break,
                         FlankState::Short}) {
        if (flankStateName(c) == name) {
            *s = c;
            return true;
        }
    }
    return false;
}

QString deliveryName(Delivery d)
{
    switch (d) {
    case Delivery::Whole:
        return QStringLiteral("whole");
    case Delivery::Char:
        return QStringLiteral("char");
    case Delivery::Random:
        return QStringLiteral("random");
    }
    return QString();
}

Detector::Detector(int address, int baud, quint32 seed, Clock clock)
    : address_(address), baud_(baud), clock_(std::move(clock)), rng_(seed)
{
    flanks_[0].settings = defaultsFor(1);
    flanks_[1].settings = defaultsFor(2);
}

FlankState Detector::reportedState(int flank) const
{
    return remoteTestRunning() ? FlankState::Alarm : flankState(flank);
}

bool Detector::restarting() const
{
    return now() < restartUntilMs_;
}

bool Detector::remoteTestRunning() const
{
    return now() < remoteTestUntilMs_;
}

void Detector::note(const QString &text) const
{
    if (trace_)
        trace_(text);
}

QByteArray Detector::receive(const QByteArray &bytes, int lineSpeed)
{
    if (bytes.isEmpty())
        return QByteArray();
    if (lineSpeed != baud_) {
        // A UART at another speed sees only framing errors and noise.
        pending_.clear();
        inFrame_ = false;
        QByteArray shown = bytes;
        shown.replace('\r', ' ');
        note(QStringLiteral("%1 ignored: line at %2 baud")
                 .arg(QString::fromLatin1(shown.trimmed()))
                 .arg(lineSpeed));
        return QByteArray();
    }

    QByteArray out;
    for (char c : bytes) {
        if (c == codec::kRequestStart) {
            inFrame_ = true;
            pending_.clear();
        } else if (c == codec::kFrameEnd) {
            if (inFrame_)
                out += handleFrame(pending_);
            inFrame_ = false;
            pending_.clear();
        } else if (inFrame_) {
            if (pending_.size() >= kMaxFrameChars) {
                note(QStringLiteral("$%1... ignored: too long").arg(QString::fromLatin1(pending_)));
                inFrame_ = false;
                pending_.clear();
            } else {
                pending_ += c;
            }
        }
    }
    return out;
}

QByteArray Detector::handleFrame(const QByteArray &hex)
{
    const QString text = QLatin1Char('$') + QString::fromLatin1(hex);
    auto ignore = [&](const char *why) {
        note(text + QStringLiteral(" ignored: ") + QLatin1String(why));
        return QByteArray();
    };

    if (hex.size() % 2 != 0 || hex.size() < 6 || hex.size() > 10 ||
        !std::all_of(hex.begin(), hex.end(), isHexDigit))
        return ignore("malformed");
    QList<int> b;
    for (int i = 0; i < hex.size(); i += 2)
        b.append(hex.mid(i, 2).toInt(nullptr, 16));
    if (b.last() != codec::kEndByte)
        return ignore("no end byte");
    if (sharedLine_ && b[0] != address_)
        return ignore("other address");
    if (silent_)
        return ignore("silence on");
    if (restarting())
        return ignore("restarting");
    if (b[0] != address_)
        return ignore("other address");
    const int code = b[1];
    const int expected = requestBytesFor(code);
    if (expected == 0)
        return ignore("unknown code");
    if (b.size() != expected)
        return ignore("wrong length for its code");
    const int flank = expected >= 4 ? b[2] : 0;
    if (expected >= 4 && code != protocol::kSetUnitNumber && flank != 1 && flank != 2)
        return ignore("no such flank");
    if (code == protocol::kSetUnitNumber && !protocol::kSetUnitNumberByte.contains(b[3]))
        return ignore("unit number out of range");
    if (everyMs_ > 0 && answeredOnce_ && now() - lastAnswerMs_ < everyMs_)
        return ignore("not yet (every)");
    answeredOnce_ = true;
    lastAnswerMs_ = now();
    note(text);

    switch (code) {
    case protocol::kRemoteTest:
        remoteTestUntilMs_ = now() + kRemoteTestMs;
        return QByteArray();
    case protocol::kSetUnitNumber: {
        address_ = protocol::unitNumberForByte(b[3]);
        restartUntilMs_ = now() + kRestartMs;
        remoteTestUntilMs_ = 0;
        return QByteArray();
    }
    case protocol::kStatus:
        return statusReply(flank);
    case protocol::kReadUnitNumber:
        return settingReply(code, address_);
    default:
        break;
    }

    // Every other known code is a flank setting's read or write.
    const protocol::FlankSettingCodes *onLine = protocol::flankSettingForCode(code);
    if (!onLine)
        return QByteArray();
    int &setting = settings(flank)[onLine->setting];
    if (code == onLine->writeCode) {
        const int value = b[3];
        // A value outside the setting's range is refused: the detector keeps
        // its setting and confirms what it still holds.
        if (onLine->value.contains(value))
            setting = value;
        else
            note(text + QStringLiteral(" refused: value out of range"));
    }
    return settingReply(code, setting);
}

QByteArray Detector::frame(QByteArray body)
{
    int sum = 0;
    for (int i = 0; i + 1 < body.size(); i += 2)
        sum += body.mid(i, 2).toInt(nullptr, 16);
    sum %= 256;
    const bool randomlyBad =
        badChecksumPercent_ > 0 && int(rng_.bounded(100)) < badChecksumPercent_;
    if (malformedNext_ || randomlyBad) {
        malformedNext_ = false;
        sum = (sum + 1) % 256;
    }
    return codec::kReplyStart + body + hexByte(sum) + codec::kFrameEnd;
}

QByteArray Detector::settingReply(int code, int value)
{
    if (overrides_.contains(code))
        value = overrides_.take(code);
    return frame(hexByte(code) + hexByte(value));
}

int Detector::signalCounts4(int flank, FlankState s)
{
    const double thresholdVolts = 0.7 + 0.1 * settings(flank).threshold;
    const double t = double(now()) / 1000.0;
    const double wave = std::sin(2.0 * kPi * t / 8.0 + (flank == 2 ? 1.3 : 0.0));
    const double noise = (rng_.generateDouble() - 0.5) * 0.06;
    double volts = 0;
    switch (s) {
    case FlankState::Alarm:
        volts = thresholdVolts + 0.45 + 0.15 * wave + noise;
        break;
    case FlankState::Break:
        volts = 0.02 + std::abs(noise) / 3;
        break;
    case FlankState::Short:
        volts = 0;
        break;
    case FlankState::Norm:
    case FlankState::Level:
        volts = 0.55 * thresholdVolts + 0.12 * wave + noise;
        break;
    }
    const double counts = std::clamp(volts * kCountsPerVolt, 0.0, 255.75);
    return std::clamp(int(std::nearbyint(counts * 4)), 0, 1023);
}

int Detector::levelCounts(int nominal)
{
    return std::clamp(nominal + int(rng_.bounded(3)) - 1, 0, 255);
}

QByteArray Detector::statusReply(int flank)
{
    const FlankState s = reportedState(flank);
    const int signal = signalCounts4(flank, s);
    const int threshold = std::clamp(
        int(std::nearbyint((0.7 + 0.1 * settings(flank).threshold) * kCountsPerVolt * 4)), 0, 1023);
    int level1 = 0;
    int level2 = 0;
    switch (s) {
    case FlankState::Norm:
    case FlankState::Alarm:
        level1 = levelCounts(128);  // about 2.5 V
        level2 = levelCounts(77);   // about 1.5 V
        break;
    case FlankState::Level:
        level1 = levelCounts(235);  // about 4.6 V, outside the working band
        level2 = levelCounts(77);
        break;
    case FlankState::Break:
        level1 = level2 = 255;
        break;
    case FlankState::Short:
        level1 = level2 = 0;
        break;
    }
    const int stateByte = int(s) | (tamperOpen_ ? 16 : 0);
    QByteArray body = hexByte(protocol::kStatus);
    for (int v :
         {signal & 0xff, signal >> 8, threshold & 0xff, threshold >> 8, stateByte, level1, level2})
        body += hexByte(v);
    return frame(body);
}

QByteArray Detector::garbage(int n)
{
    QByteArray out;
    out.reserve(n);
    while (out.size() < n) {
        // Never the start of a reply, and never XON or XOFF: the program's
        // port runs software flow control, and the line discipline would take
        // those two as flow control rather than as noise.
        const char c = char(rng_.bounded(256));
        if (c != codec::kReplyStart && c != kXon && c != kXoff)
            out += c;
    }
    return out;
}

QString Detector::describe() const
{
    QStringList lines;
    QString head =
        QStringLiteral("address %1, baud %2, tamper %3, silence %4, delivery %5, every %6 ms")
            .arg(address_)
            .arg(baud_)
            .arg(tamperOpen_ ? QStringLiteral("open") : QStringLiteral("closed"))
            .arg(silent_ ? QStringLiteral("on") : QStringLiteral("off"))
            .arg(deliveryName(delivery_))
            .arg(everyMs_);
    if (lateMs_ > 0)
        head += QStringLiteral(", late %1 ms").arg(lateMs_);
    if (restarting())
        head += QStringLiteral(", restarting");
    if (remoteTestRunning())
        head += QStringLiteral(", remote test running");
    lines << head;
    for (int flank : {1, 2}) {
        const FlankSettings &s = settings(flank);
        lines << QStringLiteral("flank %1: %2, limit %3, gain %4, threshold %5, accumulation %6, "
                                "front %7, alarm time %8, self-test %9")
                     .arg(flank)
                     .arg(flankStateName(flankState(flank)))
                     .arg(s.limit)
                     .arg(s.gain)
                     .arg(s.threshold)
                     .arg(s.accumulation)
                     .arg(s.front)
                     .arg(s.alarmTime)
                     .arg(s.selfTest);
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace sim
