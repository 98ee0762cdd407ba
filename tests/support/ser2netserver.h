#pragma once

// A real ser2net (4.x) in front of a device path, for tests of the serial
// server ports. It runs in the foreground (-n) from a YAML configuration in
// its own temporary folder, on a free port of 127.0.0.1.
//
// What ser2net 4.3.11 does, as the tests rely on it:
// - it opens the device only while a client is connected and resets its line
//   to the configured 9600n81 for each new client;
// - a telnet(rfc2217) accepter first sends IAC WILL SGA, DO SGA, WILL ECHO,
//   DONT ECHO, DO BINARY, WILL BINARY, DO COM-PORT-OPTION; after the client's
//   WILL COM-PORT-OPTION it reports the modem state (44 sub 107, value 0);
//   each request is acknowledged with its code + 100 and the value in force;
// - without kickolduser a second client gets "Port already in use" + CR LF
//   (after the telnet options on a telnet accepter) and is closed; with it
//   the first client is closed without a word;
// - on SIGTERM it closes its clients (FIN) and exits with code 1, usually
//   within milliseconds, but it may take a second or ignore a TERM that
//   arrives while it is still setting up, hence the kill after a grace time;
//   the port can be bound again at once (SO_REUSEADDR);
// - a port it cannot bind is reported only on -d's output ("Unable to
//   startup network port ...") and the process keeps running without it;
// - it takes a UUCP lock file for the device in /var/lock (named after the
//   path, slashes as '_'), which needs that folder writable and clashes
//   between tests on the same path: -u turns the locking off, so the server
//   runs the same as root and as any user who can open the device.
// - "Unable to start mdns: Out of memory" on stderr at start is harmless.

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class Ser2netServer {
public:
    enum class Mode {
        Rfc2217,        // telnet(rfc2217),tcp(nodelay), kickolduser
        RawTcp,         // tcp(nodelay), kickolduser
        Rfc2217NoKick,  // telnet(rfc2217),tcp(nodelay), a second client is refused
    };

    Ser2netServer(const QString &devicePath, Mode mode);
    ~Ser2netServer();
    Ser2netServer(const Ser2netServer &) = delete;
    Ser2netServer &operator=(const Ser2netServer &) = delete;

    // The ser2net executable, empty when it is not installed.
    static QString program();
    static bool available() { return !program().isEmpty(); }
    // Why tests cannot run without ser2net; under CI (CI=true) that is a
    // failure: `QSKIP` otherwise. Use SER2NET_REQUIRED() below.
    static bool missingIsFailure();

    // Starts ser2net and waits (up to 5 s) until its port accepts connections.
    bool start();
    // SIGTERM, then SIGKILL after a grace time; returns once it has exited.
    void stop();
    // stop() and start() on the same port.
    bool restart();
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }

    int port() const { return m_port; }
    // rfc2217://127.0.0.1:PORT or tcp://127.0.0.1:PORT
    QString url() const;
    // ser2net's output when start() failed, with what went wrong.
    QString errorText() const { return m_error; }

private:
    bool launch();
    bool writeConfig();
    bool accepts() const;

    QString m_device;
    Mode m_mode;
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    bool m_listened = false;    // ser2net has listened on m_port
    bool m_bindFailed = false;  // the last launch could not bind m_port
    QString m_error;
};

// In a test function: skip when ser2net is missing, fail under CI.
#define SER2NET_REQUIRED()                                                                         \
    do {                                                                                           \
        if (!Ser2netServer::available()) {                                                         \
            if (Ser2netServer::missingIsFailure())                                                 \
                QFAIL("ser2net not found (CI=true: it must be installed)");                        \
            QSKIP("ser2net not found: install it to run the serial server tests");                 \
        }                                                                                          \
    } while (false)
