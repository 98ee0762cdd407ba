#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The serial line as the program uses it: pick a port by number, open and
// close it, set the line speed (always 8 data bits, no parity, one stop bit),
// read everything waiting, write one frame. Implemented over QSerialPort for
// the program and by a double in tests.
class SerialPortService : public QObject {
    Q_OBJECT
public:
    enum class OpenError { None, NoSuchPort, Busy, PermissionDenied, Other };

    using QObject::QObject;

    virtual void setPortNumber(int n) = 0;
    virtual int portNumber() const = 0;
    // Device path behind a port number (shown in tool tips and messages).
    virtual QString deviceOf(int n) const = 0;

    // Opens the selected port at the current speed, raw 8-bit.
    virtual bool open() = 0;
    virtual OpenError lastOpenError() const = 0;
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
};
