#pragma once

#include "link/serialport.h"

#include <QByteArrayList>
#include <QSet>
#include <QStringList>

// A serial line in memory. Tests choose which port numbers can be opened,
// inspect every frame written and every settings change, and deliver bytes
// as receive events.
class FakeSerialPort : public SerialPortService {
    Q_OBJECT
public:
    using SerialPortService::SerialPortService;

    // Port numbers that open successfully; every other number fails.
    QSet<int> openable;
    // Port numbers that exist but are taken by another program.
    QSet<int> busy;
    // Port numbers the user has no permission to open.
    QSet<int> denied;

    QByteArrayList written;  // frames that went out whole, in order
    QList<int> baudHistory;  // every setBaudRate() call
    // Line faults: every write fails outright, or only the first
    // `shortWriteBytes` bytes of each frame go out.
    bool failWrites = false;
    int shortWriteBytes = -1;
    QByteArrayList fragments;  // what the short writes put on the line
    // Output held by flow control (a stray XOFF): writes wait in `held`
    // until resumeOutput().
    bool suspended = false;
    QByteArrayList held;
    QList<int> openAttempts;  // port numbers open() was tried on
    int closeCalls = 0;

    // A port that opens but becomes ready only at becomeReady(), or fails
    // at failOpen(), as a serial server being reached.
    bool opensLater = false;
    // A port that runs at a speed of its own, as a raw TCP line.
    bool fixesSpeed = false;

    // COM numbers are the sets' numbers; any other description is number 0.
    void setPort(const PortDescription &port) override;
    PortDescription port() const override { return m_description; }
    QString deviceOf(const PortDescription &port) const override;
    // A raw TCP description, or `fixesSpeed`, stands for a server that fixes
    // the speed.
    bool fixesLineSpeed() const override
    {
        return fixesSpeed || m_description.fixesLineSpeed();
    }
    bool isReady() const override { return m_open && !m_pendingReady; }
    void becomeReady();
    void failOpen(OpenError error);
    bool open() override;
    OpenError lastOpenError() const override { return m_error; }
    void close() override;
    bool isOpen() const override { return m_open; }
    void setBaudRate(int baud) override;
    int baudRate() const override { return m_baud; }
    void setSoftwareFlowControl(bool on) override { m_softwareFlow = on; }
    bool softwareFlowControl() const { return m_softwareFlow; }
    bool outputSuspended() const override { return suspended && !held.isEmpty(); }
    void resumeOutput() override;
    QByteArray readAll() override;
    void write(const QByteArray &frame) override;

    // Puts bytes into the input and raises one receive event.
    void deliver(const QByteArray &bytes);
    // Simulates an unplugged adapter: the port closes and stops opening.
    void unplug();

private:
    PortDescription m_description = PortDescription::comPort(1);
    int m_number = 1;
    bool m_pendingReady = false;
    bool m_open = false;
    bool m_softwareFlow = false;
    int m_baud = 9600;
    QByteArray m_input;
    OpenError m_error = OpenError::None;
};
