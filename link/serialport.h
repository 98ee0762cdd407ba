#pragma once

#include "link/portdescription.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// The serial line as the program uses it: pick a port by its description,
// open and close it, set the line speed (always 8 data bits, no parity, one
// stop bit), read everything waiting, write one frame. Implemented over
// QSerialPort and over TCP (a serial server) for the program, and by a
// double in tests.
//
// A local port opens at once. A port behind a serial server is open from
// open() on but ready for the line's bytes only once the server has been
// reached and has set the line up: ready() follows, or openFailed() when the
// server refused or did not answer. Whoever opens a port waits for
// isReady() before it relies on the line.
class SerialPortService : public QObject {
    Q_OBJECT
public:
    enum class OpenError {
        None,
        NoSuchPort,
        Busy,
        PermissionDenied,
        Other,
        // A serial server: refused the connection, did not answer it, holds
        // the line for another client, or cannot set the line up (the
        // reason is in lastOpenErrorText()).
        ServerRefused,
        ServerSilent,
        ServerBusy,
        ServerLineSetup,
    };

    using QObject::QObject;

    virtual void setPort(const PortDescription &port) = 0;
    virtual PortDescription port() const = 0;
    // What is behind a port, shown in tool tips and messages: the device of
    // a COM number or path, HOST:PORT of a serial server.
    virtual QString deviceOf(const PortDescription &port) const = 0;
    // The port runs at a speed it chooses itself (a raw TCP line, set on
    // the server): setBaudRate() changes nothing on the line.
    virtual bool fixesLineSpeed() const { return false; }

    // Opens the selected port at the current speed, raw 8-bit. False when
    // it cannot open at all; lastOpenError() says why.
    virtual bool open() = 0;
    virtual OpenError lastOpenError() const = 0;
    // Why the last open failed, in the engine's words ("порт не найден",
    // "сервер не отвечает").
    virtual QString lastOpenErrorText() const;
    // The line's bytes can be written and read: the port is open and, for a
    // serial server, connected and set up.
    virtual bool isReady() const { return isOpen(); }
    // Closes the port; does nothing when it is closed.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Line speed in baud. Takes effect on an open port for the next bytes;
    // reads back as set.
    virtual void setBaudRate(int baud) = 0;
    virtual int baudRate() const = 0;
    virtual void setSoftwareFlowControl(bool on) = 0;

    // Our output is held by the line's flow control (an XOFF was received)
    // with bytes still waiting; resumeOutput() lets them go.
    virtual bool outputSuspended() const { return false; }
    virtual void resumeOutput() {}

    virtual QByteArray readAll() = 0;
    // Hands one frame to the driver without waiting; ignored on a closed port.
    virtual void write(const QByteArray &frame) = 0;

signals:
    // Bytes have arrived; readAll() takes them.
    void dataReceived();
    // A port that was open but not ready has become ready.
    void ready();
    // A port that was open but not ready could not be made ready; it is
    // closed now and lastOpenError() says why.
    void openFailed();
};
