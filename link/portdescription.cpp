#include "link/portdescription.h"

#include "base/enginetext.h"
#include "link/comports.h"

#include <QDir>
#include <QHostAddress>
#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr int kFirstTcpPort = 1;
constexpr int kLastTcpPort = 65535;
const QLatin1String kSchemeSeparator("://");
const QLatin1String kTcpPrefix("tcp://");
const QLatin1String kRfc2217Prefix("rfc2217://");

bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

bool allDigits(QStringView text)
{
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return !text.isEmpty();
}

// Four decimal numbers 0..255 without leading zeros (which some resolvers
// would read as octal).
bool isIpv4Address(const QString &host)
{
    const QStringList parts = host.split(u'.');
    if (parts.size() != 4)
        return false;
    for (const QString &part : parts) {
        if (!allDigits(part) || part.size() > 3 || (part.size() > 1 && part.startsWith(u'0')))
            return false;
        if (part.toInt() > 255)
            return false;
    }
    return true;
}

// A host name of letters, digits and hyphens in dot-separated labels.
bool isHostName(const QString &host)
{
    if (host.size() > 253)
        return false;
    for (const QString &label : host.split(u'.')) {
        if (label.isEmpty() || label.size() > 63 || label.startsWith(u'-') || label.endsWith(u'-'))
            return false;
        for (const QChar c : label) {
            const bool allowed = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                                 (c >= u'0' && c <= u'9') || c == u'-';
            if (!allowed)
                return false;
        }
    }
    return true;
}

QString invalidHost(const QString &host)
{
    return engineText(QT_TRANSLATE_NOOP("Engine", "неверное имя или адрес сервера \"%1\""))
        .arg(host);
}

}  // namespace

PortDescription PortDescription::comPort(int n)
{
    PortDescription port;
    port.m_kind = Kind::ComNumber;
    port.m_comNumber = n;
    return port;
}

std::optional<PortDescription> PortDescription::parse(const QString &text, QString *error)
{
    if (text.isEmpty()) {
        fail(error, engineText(QT_TRANSLATE_NOOP("Engine", "порт не указан")));
        return std::nullopt;
    }
    if (text.trimmed() != text) {
        fail(error, engineText(QT_TRANSLATE_NOOP("Engine", "пробелы в начале или в конце \"%1\""))
                        .arg(text));
        return std::nullopt;
    }

    const int separator = text.indexOf(kSchemeSeparator);
    if (separator < 0) {
        // A COM number (a sign only to say that it is out of range), else a path.
        const QStringView digits =
            text.startsWith(u'-') ? QStringView(text).mid(1) : QStringView(text);
        if (allDigits(digits)) {
            bool ok = false;
            const int n = text.toInt(&ok);
            if (!ok || n < kFirstComPort || n > kLastComPort) {
                fail(error,
                     engineText(QT_TRANSLATE_NOOP("Engine", "номер COM-порта %1 не от %2 до %3"))
                         .arg(text)
                         .arg(kFirstComPort)
                         .arg(kLastComPort));
                return std::nullopt;
            }
            return comPort(n);
        }
        if (QDir::isAbsolutePath(text)) {
            PortDescription port;
            port.m_kind = Kind::DevicePath;
            port.m_path = text;
            return port;
        }
        // "tcp:host:7000", "telnet:..." read as a scheme gone wrong, not a path.
        static const QRegularExpression schemeLike(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*:)"));
        const QRegularExpressionMatch match = schemeLike.match(text);
        if (match.hasMatch()) {
            fail(error, engineText(QT_TRANSLATE_NOOP(
                                       "Engine",
                                       "неизвестная схема \"%1\": ожидается tcp:// или rfc2217://"))
                            .arg(match.captured(1)));
            return std::nullopt;
        }
        fail(error,
             engineText(QT_TRANSLATE_NOOP("Engine", "относительный путь \"%1\": нужен номер "
                                                    "COM-порта, полный путь к устройству, tcp:// "
                                                    "или rfc2217://"))
                 .arg(text));
        return std::nullopt;
    }

    PortDescription port;
    const QString scheme = text.left(separator + kSchemeSeparator.size()).toLower();
    if (scheme == kTcpPrefix) {
        port.m_kind = Kind::Tcp;
    } else if (scheme == kRfc2217Prefix) {
        port.m_kind = Kind::Rfc2217;
    } else {
        fail(error,
             engineText(QT_TRANSLATE_NOOP(
                            "Engine", "неизвестная схема \"%1\": ожидается tcp:// или rfc2217://"))
                 .arg(text.left(separator + kSchemeSeparator.size())));
        return std::nullopt;
    }

    // HOST:PORT, or [IPV6]:PORT.
    const QString authority = text.mid(separator + kSchemeSeparator.size());
    QString hostText;
    QString rest;
    if (authority.startsWith(u'[')) {
        const int close = authority.indexOf(u']');
        if (close < 0) {
            fail(error, invalidHost(authority));
            return std::nullopt;
        }
        hostText = authority.mid(1, close - 1);
        rest = authority.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(u':')) {
            fail(error, invalidHost(authority.left(close + 1) + rest));
            return std::nullopt;
        }
        QHostAddress address;
        if (hostText.isEmpty() || !address.setAddress(hostText) ||
            address.protocol() != QAbstractSocket::IPv6Protocol) {
            fail(error, invalidHost(authority.left(close + 1)));
            return std::nullopt;
        }
        port.m_host = address.toString();
    } else {
        const int colon = authority.indexOf(u':');
        hostText = colon < 0 ? authority : authority.left(colon);
        rest = colon < 0 ? QString() : authority.mid(colon);
        if (rest.count(u':') > 1) {
            fail(error, engineText(QT_TRANSLATE_NOOP(
                            "Engine", "адрес IPv6 пишется в квадратных скобках, например [::1]")));
            return std::nullopt;
        }
        if (hostText.isEmpty()) {
            fail(error, engineText(QT_TRANSLATE_NOOP("Engine", "не указан сервер")));
            return std::nullopt;
        }
        // All digits and dots is meant as an IPv4 address, not a name.
        const bool ipv4Shaped = std::all_of(hostText.begin(), hostText.end(), [](QChar c) {
            return c == u'.' || (c >= u'0' && c <= u'9');
        });
        if (ipv4Shaped ? !isIpv4Address(hostText) : !isHostName(hostText)) {
            fail(error, invalidHost(hostText));
            return std::nullopt;
        }
        port.m_host = hostText.toLower();
    }

    // rest is empty or ":" followed by the port number.
    const QString portText = rest.mid(1);
    if (portText.isEmpty()) {
        fail(error, engineText(QT_TRANSLATE_NOOP("Engine", "не указан номер TCP-порта")));
        return std::nullopt;
    }
    qsizetype digitCount = 0;
    while (digitCount < portText.size() && portText.at(digitCount) >= u'0' &&
           portText.at(digitCount) <= u'9')
        ++digitCount;
    if (digitCount == 0) {
        fail(error, engineText(QT_TRANSLATE_NOOP("Engine", "неверный номер TCP-порта \"%1\""))
                        .arg(portText));
        return std::nullopt;
    }
    if (digitCount < portText.size()) {
        fail(error,
             engineText(QT_TRANSLATE_NOOP("Engine", "лишние символы \"%1\" после номера TCP-порта"))
                 .arg(portText.mid(digitCount)));
        return std::nullopt;
    }
    bool ok = false;
    const qulonglong number = portText.toULongLong(&ok);
    if (!ok || number < kFirstTcpPort || number > kLastTcpPort) {
        fail(error, engineText(QT_TRANSLATE_NOOP("Engine", "номер TCP-порта %1 не от %2 до %3"))
                        .arg(portText)
                        .arg(kFirstTcpPort)
                        .arg(kLastTcpPort));
        return std::nullopt;
    }
    port.m_tcpPort = int(number);
    return port;
}

QString PortDescription::devicePath(const QProcessEnvironment &env) const
{
    switch (m_kind) {
    case Kind::ComNumber:
        return devicePathForComPort(m_comNumber, env);
    case Kind::DevicePath:
        return m_path;
    default:
        return QString();
    }
}

PortDescription PortDescription::resolved(const QProcessEnvironment &env) const
{
    if (m_kind != Kind::ComNumber)
        return *this;
    const QString overridden = env.value(QStringLiteral("VERKAN_COM%1").arg(m_comNumber));
    if (!overridden.contains(kSchemeSeparator))
        return *this;
    const std::optional<PortDescription> server = parse(overridden);
    return server && server->isNetwork() ? *server : *this;
}

QString PortDescription::hostAndPort() const
{
    if (!isNetwork())
        return QString();
    const QString host =
        m_host.contains(u':') ? QLatin1Char('[') + m_host + QLatin1Char(']') : m_host;
    return host + u':' + QString::number(m_tcpPort);
}

QString PortDescription::toString() const
{
    switch (m_kind) {
    case Kind::ComNumber:
        return QString::number(m_comNumber);
    case Kind::DevicePath:
        return m_path;
    case Kind::Tcp:
        return kTcpPrefix + hostAndPort();
    case Kind::Rfc2217:
        return kRfc2217Prefix + hostAndPort();
    }
    return QString();
}

QString PortDescription::label(const QProcessEnvironment &env) const
{
    switch (m_kind) {
    case Kind::ComNumber:
        return QStringLiteral("COM%1 (%2)").arg(m_comNumber).arg(devicePath(env));
    case Kind::DevicePath:
        return m_path;
    case Kind::Tcp:
        return hostAndPort() + QStringLiteral(" (TCP)");
    case Kind::Rfc2217:
        return hostAndPort() + QStringLiteral(" (RFC 2217)");
    }
    return QString();
}

bool operator==(const PortDescription &a, const PortDescription &b)
{
    return a.m_kind == b.m_kind && a.m_comNumber == b.m_comNumber && a.m_path == b.m_path &&
           a.m_host == b.m_host && a.m_tcpPort == b.m_tcpPort;
}
