#include "link/rfc2217.h"

#include "base/enginetext.h"

namespace {

constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kSe = 240;

constexpr std::uint8_t kBinary = 0;
constexpr std::uint8_t kSuppressGoAhead = 3;
constexpr std::uint8_t kComPort = 44;

// Client requests; the server acknowledges each with the code + 100.
constexpr std::uint8_t kSetBaudRate = 1;
constexpr std::uint8_t kSetDataSize = 2;
constexpr std::uint8_t kSetParity = 3;
constexpr std::uint8_t kSetStopSize = 4;
constexpr std::uint8_t kServerReply = 100;

// Longer subnegotiations than any acknowledgement are kept out of memory.
constexpr int kMaxSubnegotiation = 64;

const char kBusyText[] = "Port already in use";

// Options we perform ourselves, and options we let the server perform.
bool weAccept(std::uint8_t option)
{
    return option == kBinary || option == kComPort || option == kSuppressGoAhead;
}

bool serverMayUse(std::uint8_t option)
{
    return option == kBinary || option == kSuppressGoAhead;
}

QByteArray bigEndian(int value)
{
    const auto v = static_cast<std::uint32_t>(value);
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((v >> (8 * (3 - i))) & 0xFF);
    return bytes;
}

QString lineFormat(const Rfc2217Session::LineSettings &s)
{
    static const char parityLetters[] = "?NOEMS";
    const char parity = parityLetters[static_cast<int>(s.parity) % 6];
    const char *stop = s.stopBits == Rfc2217Session::StopBits::Two          ? "2"
                       : s.stopBits == Rfc2217Session::StopBits::OneAndHalf ? "1.5"
                                                                            : "1";
    return QString::number(s.dataBits) + QLatin1Char(parity) + QLatin1String(stop);
}

}  // namespace

QByteArray Rfc2217Session::start(const LineSettings &settings)
{
    m_settings = settings;
    m_phase = Phase::Negotiating;
    if (m_us[kComPort] == Q::No) {
        m_us[kComPort] = Q::WantYes;
        sendCommand(kWill, kComPort);
    }
    if (m_us[kBinary] == Q::No) {
        m_us[kBinary] = Q::WantYes;
        sendCommand(kWill, kBinary);
    }
    if (m_him[kBinary] == Q::No) {
        m_him[kBinary] = Q::WantYes;
        sendCommand(kDo, kBinary);
    }
    // The server may have offered the option before we asked.
    if (m_us[kComPort] == Q::Yes)
        comPortAgreed();
    return takeOutgoing();
}

void Rfc2217Session::setBaudRate(int baud)
{
    m_settings.baud = baud;
    if (m_phase != Phase::Ready)
        return;  // taken up by the set-up under way, or by start()
    m_phase = Phase::Configuring;
    m_fullSequence = false;
    m_step = Step::Baud;
    sendStep();
}

QByteArray Rfc2217Session::feed(const QByteArray &fromServer)
{
    QByteArray data;
    for (const char c : fromServer) {
        if (m_phase == Phase::Failed)
            break;
        const auto b = static_cast<std::uint8_t>(c);
        switch (m_parse) {
        case Parse::Data:
            if (b == kIac) {
                // ser2net sends its refusal after its telnet options: a
                // command does not end the start of the line's data.
                m_parse = Parse::Iac;
            } else {
                takePlainByte(c, data);
            }
            break;
        case Parse::Iac:
            onIacByte(b, data);
            break;
        case Parse::Option:
            m_parse = Parse::Data;
            onCommand(m_verb, b);
            break;
        case Parse::Sub:
            if (b == kIac)
                m_parse = Parse::SubIac;
            else
                appendSub(c);
            break;
        case Parse::SubIac:
            if (b == kSe) {
                m_parse = Parse::Data;
                if (!m_subOverflow)
                    onSubnegotiation();
            } else if (b == kIac) {
                m_parse = Parse::Sub;
                appendSub(c);
            } else {
                // A subnegotiation cut short by another command: dropped,
                // and the command taken as such.
                onIacByte(b, data);
            }
            break;
        }
    }
    return data;
}

QByteArray Rfc2217Session::takeOutgoing()
{
    QByteArray out;
    out.swap(m_out);
    return out;
}

QByteArray Rfc2217Session::encodeData(const QByteArray &data)
{
    QByteArray out;
    out.reserve(data.size() + data.count(char(kIac)));
    for (const char c : data) {
        out.append(c);
        if (static_cast<std::uint8_t>(c) == kIac)
            out.append(c);
    }
    return out;
}

bool Rfc2217Session::waitingForServer() const
{
    return m_phase == Phase::Negotiating || m_phase == Phase::Configuring;
}

void Rfc2217Session::onIacByte(std::uint8_t b, QByteArray &data)
{
    switch (b) {
    case kIac:
        data.append(char(kIac));
        m_parse = Parse::Data;
        break;
    case kWill:
    case kWont:
    case kDo:
    case kDont:
        m_verb = b;
        m_parse = Parse::Option;
        break;
    case kSb:
        m_sub.clear();
        m_subOverflow = false;
        m_parse = Parse::Sub;
        break;
    default:
        // NOP, go-ahead, data mark, a stray SE and the like carry nothing
        // for the line.
        m_parse = Parse::Data;
        break;
    }
}

void Rfc2217Session::appendSub(char c)
{
    if (m_sub.size() < kMaxSubnegotiation)
        m_sub.append(c);
    else
        m_subOverflow = true;
}

void Rfc2217Session::onCommand(std::uint8_t verb, std::uint8_t option)
{
    const bool comPortWanted = option == kComPort && m_phase != Phase::Idle;
    switch (verb) {
    case kWill: {
        Q &q = m_him[option];
        if (q == Q::No) {
            if (serverMayUse(option)) {
                q = Q::Yes;
                sendCommand(kDo, option);
            } else {
                sendCommand(kDont, option);
            }
        } else if (q == Q::WantNo) {
            q = Q::No;  // the server answered a DONT with WILL: it stays off
        } else if (q == Q::WantYes) {
            q = Q::Yes;
        }
        break;
    }
    case kWont: {
        Q &q = m_him[option];
        if (q == Q::Yes)
            sendCommand(kDont, option);
        q = Q::No;
        // Some servers answer our WILL with WONT rather than DONT.
        if (comPortWanted && m_us[kComPort] == Q::WantYes)
            failNoComPort();
        break;
    }
    case kDo: {
        Q &q = m_us[option];
        if (q == Q::No) {
            if (weAccept(option)) {
                q = Q::Yes;
                sendCommand(kWill, option);
                if (option == kComPort)
                    comPortAgreed();
            } else {
                sendCommand(kWont, option);
            }
        } else if (q == Q::WantNo) {
            q = Q::No;
        } else if (q == Q::WantYes) {
            q = Q::Yes;
            if (option == kComPort)
                comPortAgreed();
        }
        break;
    }
    case kDont: {
        Q &q = m_us[option];
        if (q == Q::Yes)
            sendCommand(kWont, option);
        const bool wasWanted = q == Q::Yes || q == Q::WantYes;
        q = Q::No;
        if (comPortWanted && wasWanted)
            failNoComPort();
        break;
    }
    default:
        break;
    }
}

void Rfc2217Session::comPortAgreed()
{
    if (m_phase != Phase::Negotiating)
        return;
    m_phase = Phase::Configuring;
    m_fullSequence = true;
    m_step = Step::Baud;
    sendStep();
}

void Rfc2217Session::onSubnegotiation()
{
    if (m_sub.size() < 2 || static_cast<std::uint8_t>(m_sub[0]) != kComPort)
        return;
    const auto command = static_cast<std::uint8_t>(m_sub[1]);
    // Line and modem state notifications, flow control and signatures carry
    // nothing the line's user needs.
    if (command >= kServerReply + kSetBaudRate && command <= kServerReply + kSetStopSize)
        onAcknowledgement(command - kServerReply, m_sub.mid(2));
}

void Rfc2217Session::onAcknowledgement(std::uint8_t command, const QByteArray &value)
{
    if (m_phase != Phase::Configuring || command != static_cast<int>(m_step) + 1)
        return;  // not an answer to the request waiting
    if (m_step == Step::Baud) {
        if (value != bigEndian(m_baudAsked)) {
            fail(engineText(QT_TRANSLATE_NOOP("Engine", "сервер не принимает скорость %1"))
                     .arg(m_baudAsked));
            return;
        }
        m_baudSet = m_baudAsked;
    } else if (value != QByteArray(1, char(m_asked))) {
        fail(engineText(QT_TRANSLATE_NOOP("Engine", "сервер не принимает формат линии %1"))
                 .arg(lineFormat(m_settings)));
        return;
    }
    m_step = m_fullSequence ? Step(static_cast<int>(m_step) + 1) : Step::Done;
    if (m_step == Step::Done && m_baudSet != m_settings.baud) {
        // The speed was changed while the line was being set up.
        m_fullSequence = false;
        m_step = Step::Baud;
    }
    if (m_step == Step::Done)
        m_phase = Phase::Ready;
    else
        sendStep();
}

void Rfc2217Session::sendStep()
{
    switch (m_step) {
    case Step::Baud:
        m_baudAsked = m_settings.baud;
        sendComPort(kSetBaudRate, bigEndian(m_baudAsked));
        break;
    case Step::DataSize:
        m_asked = static_cast<std::uint8_t>(m_settings.dataBits);
        sendComPort(kSetDataSize, QByteArray(1, char(m_asked)));
        break;
    case Step::Parity:
        m_asked = static_cast<std::uint8_t>(m_settings.parity);
        sendComPort(kSetParity, QByteArray(1, char(m_asked)));
        break;
    case Step::StopSize:
        m_asked = static_cast<std::uint8_t>(m_settings.stopBits);
        sendComPort(kSetStopSize, QByteArray(1, char(m_asked)));
        break;
    case Step::Done:
        break;
    }
}

void Rfc2217Session::sendCommand(std::uint8_t verb, std::uint8_t option)
{
    m_out.append(char(kIac));
    m_out.append(char(verb));
    m_out.append(char(option));
}

void Rfc2217Session::sendComPort(std::uint8_t command, const QByteArray &value)
{
    m_out.append(char(kIac));
    m_out.append(char(kSb));
    m_out.append(char(kComPort));
    m_out.append(char(command));
    m_out.append(encodeData(value));
    m_out.append(char(kIac));
    m_out.append(char(kSe));
}

void Rfc2217Session::failNoComPort()
{
    fail(noLineControlReason());
}

void Rfc2217Session::fail(const QString &reason)
{
    m_phase = Phase::Failed;
    m_step = Step::Done;
    m_error = reason;
}

void Rfc2217Session::takePlainByte(char byte, QByteArray &data)
{
    if (!m_atStart) {
        data.append(byte);
        return;
    }
    m_held.append(byte);
    switch (matchBusyRefusal(m_held)) {
    case BusyRefusal::Busy:
        m_held.clear();
        fail(busyRefusalReason());
        break;
    case BusyRefusal::NotBusy:
        releaseHeld(data);
        break;
    case BusyRefusal::Partial:
        break;
    }
}

void Rfc2217Session::releaseHeld(QByteArray &data)
{
    m_atStart = false;
    data.append(m_held);
    m_held.clear();
}

BusyRefusal matchBusyRefusal(const QByteArray &start)
{
    const QByteArray text(kBusyText);
    const qsizetype n = qMin(start.size(), text.size());
    if (start.left(n) != text.left(n))
        return BusyRefusal::NotBusy;
    return start.size() >= text.size() ? BusyRefusal::Busy : BusyRefusal::Partial;
}

QString busyRefusalReason()
{
    return engineText(
        QT_TRANSLATE_NOOP("Engine", "порт сервера занят другим клиентом (Port already in use)"));
}

QString noLineControlReason()
{
    return engineText(
        QT_TRANSLATE_NOOP("Engine", "сервер не устанавливает скорость линии; используйте tcp://"));
}
