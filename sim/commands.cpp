#include "sim/commands.h"

#include "link/addresslist.h"
#include "link/protocol.h"

#include <QStringList>

#include <algorithm>

namespace sim {

namespace {

CommandResult error(const QString &why)
{
    CommandResult r;
    r.ok = false;
    r.text = QStringLiteral("error: ") + why;
    return r;
}

CommandResult done()
{
    CommandResult r;
    r.text = QStringLiteral("ok");
    return r;
}

bool toInt(const QString &s, int lowest, int highest, int *value)
{
    bool ok = false;
    const int v = s.toInt(&ok);
    if (!ok || v < lowest || v > highest)
        return false;
    *value = v;
    return true;
}

bool onOff(const QString &s, bool *on)
{
    if (s == QLatin1String("on") || s == QLatin1String("off")) {
        *on = s == QLatin1String("on");
        return true;
    }
    return false;
}

// Codes answered with a setting reply whose value byte can be overridden.
bool hasSettingReply(int code)
{
    return code == protocol::kReadUnitNumber || protocol::flankSettingForCode(code) != nullptr;
}

}  // namespace

QString commandHelp()
{
    return QStringLiteral(
        "Commands (one per line on standard input; with several detectors on the line a "
        "leading address picks one, as in \"7 flank 1 alarm\", and without it the first "
        "listed is meant):\n"
        "  flank N norm|alarm|level|break|short  set the state of flank N (1 or 2)\n"
        "  tamper open|closed                    set the tamper sensor\n"
        "  silence on|off                        hear nothing, answer nothing\n"
        "  delivery whole|char|random            how replies are written to the line\n"
        "  malformed                             next reply carries a wrong checksum\n"
        "  badsum PERCENT                        each reply has a wrong checksum at this rate\n"
        "  oor CODE VALUE                        next reply with CODE carries VALUE (0..255)\n"
        "  garbage N                             send N random bytes now (1..4096)\n"
        "  every MS                              handle at most one request per MS ms (0: all)\n"
        "  late MS                               answer MS ms after each request (0..1000)\n"
        "  status                                show address, speed, settings and states\n"
        "  help                                  list these commands\n"
        "  quit                                  exit\n");
}

CommandResult runCommand(Detector &detector, const QString &line)
{
    const QStringList w = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (w.isEmpty())
        return done();
    const QString &cmd = w[0];

    if (cmd == QLatin1String("flank")) {
        int flank = 0;
        FlankState s;
        if (w.size() != 3 || !toInt(w[1], 1, 2, &flank))
            return error(QStringLiteral("usage: flank 1|2 norm|alarm|level|break|short"));
        if (!flankStateFromName(w[2], &s))
            return error(QStringLiteral("unknown state \"%1\"").arg(w[2]));
        detector.setFlankState(flank, s);
        return done();
    }
    if (cmd == QLatin1String("tamper")) {
        if (w.size() != 2 || (w[1] != QLatin1String("open") && w[1] != QLatin1String("closed")))
            return error(QStringLiteral("usage: tamper open|closed"));
        detector.setTamperOpen(w[1] == QLatin1String("open"));
        return done();
    }
    if (cmd == QLatin1String("silence")) {
        bool on = false;
        if (w.size() != 2 || !onOff(w[1], &on))
            return error(QStringLiteral("usage: silence on|off"));
        detector.setSilent(on);
        return done();
    }
    if (cmd == QLatin1String("delivery")) {
        if (w.size() != 2)
            return error(QStringLiteral("usage: delivery whole|char|random"));
        for (Delivery d : {Delivery::Whole, Delivery::Char, Delivery::Random}) {
            if (deliveryName(d) == w[1]) {
                detector.setDelivery(d);
                return done();
            }
        }
        return error(QStringLiteral("usage: delivery whole|char|random"));
    }
    if (cmd == QLatin1String("malformed")) {
        if (w.size() != 1)
            return error(QStringLiteral("usage: malformed"));
        detector.sendMalformedNext();
        return done();
    }
    if (cmd == QLatin1String("badsum")) {
        int percent = 0;
        if (w.size() != 2 || !toInt(w[1], 0, 100, &percent))
            return error(QStringLiteral("usage: badsum PERCENT (0..100)"));
        detector.setBadChecksumPercent(percent);
        return done();
    }
    if (cmd == QLatin1String("oor")) {
        int code = 0;
        int value = 0;
        if (w.size() != 3 || !toInt(w[1], 0, 255, &code) || !toInt(w[2], 0, 255, &value))
            return error(QStringLiteral("usage: oor CODE VALUE (both 0..255)"));
        if (!hasSettingReply(code))
            return error(QStringLiteral("code %1 has no setting reply").arg(code));
        detector.overrideNextValue(code, value);
        return done();
    }
    if (cmd == QLatin1String("garbage")) {
        int n = 0;
        if (w.size() != 2 || !toInt(w[1], 1, 4096, &n))
            return error(QStringLiteral("usage: garbage N (1..4096)"));
        CommandResult r = done();
        r.send = detector.garbage(n);
        return r;
    }
    if (cmd == QLatin1String("every")) {
        int ms = 0;
        if (w.size() != 2 || !toInt(w[1], 0, 3600000, &ms))
            return error(QStringLiteral("usage: every MS (0..3600000)"));
        detector.setEveryMs(ms);
        return done();
    }
    if (cmd == QLatin1String("late")) {
        int ms = 0;
        if (w.size() != 2 || !toInt(w[1], 0, kMaxLateMs, &ms))
            return error(QStringLiteral("usage: late MS (0..%1)").arg(kMaxLateMs));
        detector.setLateMs(ms);
        return done();
    }
    if (cmd == QLatin1String("status")) {
        if (w.size() != 1)
            return error(QStringLiteral("usage: status"));
        CommandResult r;
        r.text = detector.describe();
        return r;
    }
    if (cmd == QLatin1String("help")) {
        if (w.size() != 1)
            return error(QStringLiteral("usage: help"));
        CommandResult r;
        r.text = commandHelp().trimmed();
        return r;
    }
    if (cmd == QLatin1String("quit")) {
        CommandResult r = done();
        r.quit = true;
        return r;
    }
    return error(QStringLiteral("unknown command \"%1\"").arg(cmd));
}

bool parseAddressList(const QString &text, QList<int> *addresses, QString *error)
{
    AddressListError why;
    const QList<int> list = ::parseAddressList(text, &why);
    switch (why.kind) {
    case AddressListError::Kind::None:
        *addresses = list;
        return true;
    case AddressListError::Kind::BadItem:
        *error = QStringLiteral("\"%1\" is not an address or a range of addresses %2..%3")
                     .arg(why.item)
                     .arg(protocol::kLowestAddress)
                     .arg(protocol::kHighestAddress);
        break;
    case AddressListError::Kind::Backwards:
        *error = QStringLiteral("range \"%1\" runs backwards").arg(why.item);
        break;
    case AddressListError::Kind::Twice:
        *error = QStringLiteral("address %1 is listed twice").arg(why.address);
        break;
    }
    return false;
}

QList<Piece> splitForDelivery(const QByteArray &reply, Delivery mode, QRandomGenerator &rng)
{
    QList<Piece> pieces;
    if (reply.isEmpty())
        return pieces;
    switch (mode) {
    case Delivery::Whole:
        pieces.append({reply, 0});
        break;
    case Delivery::Char:
        for (int i = 0; i < reply.size(); ++i)
            pieces.append({reply.mid(i, 1), i == 0 ? 0 : 2});
        break;
    case Delivery::Random: {
        const int maxCuts = std::min(3, int(reply.size()) - 1);
        QList<int> cuts;
        const int wanted = maxCuts > 0 ? 1 + int(rng.bounded(maxCuts)) : 0;
        while (cuts.size() < wanted) {
            const int at = 1 + int(rng.bounded(int(reply.size()) - 1));
            if (!cuts.contains(at))
                cuts.append(at);
        }
        std::sort(cuts.begin(), cuts.end());
        cuts.append(int(reply.size()));
        int from = 0;
        for (int at : cuts) {
            pieces.append({reply.mid(from, at - from), from == 0 ? 0 : 1 + int(rng.bounded(15))});
            from = at;
        }
        break;
    }
    }
    return pieces;
}

}  // namespace sim
