#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

// The client side of a serial line reached through a telnet server with the
// COM-PORT-OPTION (RFC 2217), as bytes in and bytes out: no socket, no timer.
// The caller writes what start(), setBaudRate() and takeOutgoing() hand it,
// passes every received chunk through feed() and gets the line's own bytes
// back, and encodes every frame with encodeData() before writing it.
//
// Telnet options are negotiated by the Q method (RFC 1143), so an option is
// asked for once and a refusal is never answered again. The line is set up
// with SET-BAUDRATE, SET-DATASIZE, SET-PARITY and SET-STOPSIZE, one at a
// time: each goes out only after the server acknowledged the one before.
class Rfc2217Session {
public:
    enum class Parity : std::uint8_t { None = 1, Odd = 2, Even = 3, Mark = 4, Space = 5 };
    enum class StopBits : std::uint8_t { One = 1, Two = 2, OneAndHalf = 3 };

    struct LineSettings {
        int baud = 9600;
        int dataBits = 8;
        Parity parity = Parity::None;
        StopBits stopBits = StopBits::One;
    };

    // Asks for the options and, once the server agreed, sets the line up.
    // Returns the bytes to send first.
    QByteArray start(const LineSettings &settings);
    // Changes the speed of a line in use: one SET-BAUDRATE, acknowledged.
    // The request is queued in takeOutgoing().
    void setBaudRate(int baud);

    // Takes a chunk from the server, returns the line's data bytes in it.
    // Telnet commands may be cut anywhere between chunks. The line's first
    // bytes that could begin ser2net's "Port already in use" (which it sends
    // after its telnet options) are held back, whatever commands come among
    // them, and handed out as soon as they cannot. Nothing is taken once the
    // session failed.
    QByteArray feed(const QByteArray &fromServer);
    // Bytes to send to the server (answers to its negotiation, requests),
    // emptied by the call.
    QByteArray takeOutgoing();

    // The line's bytes as the server must receive them: 0xFF doubled.
    static QByteArray encodeData(const QByteArray &data);

    // The line is set as asked and no request is waiting for an answer.
    bool ready() const { return m_phase == Phase::Ready; }
    // An answer from the server is awaited: the option, or an
    // acknowledgement. The caller bounds this wait with its own timer.
    bool waitingForServer() const;
    bool failed() const { return m_phase == Phase::Failed; }
    // Why the session failed, in the engine's words; empty otherwise.
    QString error() const { return m_error; }

private:
    enum class Phase { Idle, Negotiating, Configuring, Ready, Failed };
    // Q method states of one option on one side (RFC 1143).
    enum class Q : std::uint8_t { No, Yes, WantNo, WantYes };
    enum class Parse { Data, Iac, Option, Sub, SubIac };
    enum class Step { Baud, DataSize, Parity, StopSize, Done };

    void onIacByte(std::uint8_t b, QByteArray &data);
    void appendSub(char c);
    void onCommand(std::uint8_t verb, std::uint8_t option);
    void onSubnegotiation();
    void onAcknowledgement(std::uint8_t command, const QByteArray &value);
    void sendCommand(std::uint8_t verb, std::uint8_t option);
    void sendComPort(std::uint8_t command, const QByteArray &value);
    void sendStep();
    void comPortAgreed();
    void failNoComPort();
    void fail(const QString &reason);
    void takePlainByte(char byte, QByteArray &data);
    void releaseHeld(QByteArray &data);

    Phase m_phase = Phase::Idle;
    Parse m_parse = Parse::Data;
    Step m_step = Step::Done;
    LineSettings m_settings;
    // True while the whole set-up runs, false for a single speed change.
    bool m_fullSequence = true;
    int m_baudAsked = 0;
    int m_baudSet = 0;
    std::uint8_t m_asked = 0;
    std::uint8_t m_verb = 0;
    QByteArray m_sub;
    bool m_subOverflow = false;
    // Until the first telnet command, the stream's start is held back
    // while it may still be a server's plain-text refusal.
    bool m_atStart = true;
    QByteArray m_held;
    std::array<Q, 256> m_us{};
    std::array<Q, 256> m_him{};
    QByteArray m_out;
    QString m_error;
};

// How the start of a stream from a serial server compares with the text
// ser2net sends a second client before closing ("Port already in use").
enum class BusyRefusal { Partial, Busy, NotBusy };
BusyRefusal matchBusyRefusal(const QByteArray &start);
// The message for that refusal, in the engine's words.
QString busyRefusalReason();
// The message for a server that does not set line speeds (no
// COM-PORT-OPTION), in the engine's words.
QString noLineControlReason();
