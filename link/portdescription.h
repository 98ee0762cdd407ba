#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <optional>

// Where a detector's serial line is reached, as the user writes it:
//   3                     COM port 3 (its device through devicePathForComPort)
//   /dev/ttyUSB0          a device by its absolute path
//   tcp://HOST:PORT       a serial server's raw TCP port (the server fixes the speed)
//   rfc2217://HOST:PORT   a serial server speaking RFC 2217 (the client sets the speed)
// HOST is a name, an IPv4 address or an IPv6 address in brackets ([::1]).
// toString() prints the canonical text (scheme and host in lower case), which
// parse() reads back to an equal value.
class PortDescription {
public:
    enum class Kind { ComNumber, DevicePath, Tcp, Rfc2217 };

    // The value for a text, or nothing with the reason in *error (the
    // engine's translated words).
    static std::optional<PortDescription> parse(const QString &text, QString *error = nullptr);
    static PortDescription comPort(int n);

    Kind kind() const { return m_kind; }
    // 0 unless kind() is ComNumber.
    int comNumber() const { return m_comNumber; }
    // The device to open for ComNumber and DevicePath; empty for network ports.
    QString
    devicePath(const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment()) const;
    // Host without brackets (as a socket takes it) and TCP port; empty and 0
    // unless isNetwork().
    QString host() const { return m_host; }
    int tcpPort() const { return m_tcpPort; }
    bool isNetwork() const { return m_kind == Kind::Tcp || m_kind == Kind::Rfc2217; }
    // A raw TCP line runs at the speed set on the server: no speed search.
    bool fixesLineSpeed() const { return m_kind == Kind::Tcp; }

    // The port actually reached: a COM number whose VERKAN_COM<n> holds a
    // serial server's description (tcp://, rfc2217://) stands for that
    // server; every other description stands for itself.
    PortDescription
    resolved(const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment()) const;
    // "HOST:PORT" with an IPv6 host in brackets; empty unless isNetwork().
    QString hostAndPort() const;

    QString toString() const;
    // Short text for captions and messages: "127.0.0.1:7000 (TCP)",
    // "[::1]:7000 (RFC 2217)", "COM3 (/dev/ttyS2)", "/dev/ttyUSB0".
    QString label(const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment()) const;

    friend bool operator==(const PortDescription &a, const PortDescription &b);
    friend bool operator!=(const PortDescription &a, const PortDescription &b) { return !(a == b); }

private:
    PortDescription() = default;

    Kind m_kind = Kind::ComNumber;
    int m_comNumber = 0;
    QString m_path;
    QString m_host;
    int m_tcpPort = 0;
};
