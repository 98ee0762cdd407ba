#pragma once

#include "link/serialport.h"

#include <QProcessEnvironment>
#include <QSerialPort>

// Why an open failed, from QSerialPort's error and the device file's state.
SerialPortService::OpenError classifyOpenFailure(QSerialPort::SerialPortError error,
                                                 bool deviceExists, bool deviceWritable);

// The serial line over QSerialPort. A read or resource error closes the port
// once; further error events of the dead port are ignored, so an unplugged
// adapter cannot flood the event loop. Recovery is the exchange watchdog's.
// A port is locked by its device, not its name: a second opener of the same
// device by any name, in this program or another, finds it busy.
class QtSerialPortService : public SerialPortService {
    Q_OBJECT
public:
    explicit QtSerialPortService(QProcessEnvironment env = QProcessEnvironment::systemEnvironment(),
                                 QObject *parent = nullptr);

    // Takes a COM number or a device path.
    void setPort(const PortDescription &port) override { m_description = port; }
    PortDescription port() const override { return m_description; }
    QString deviceOf(const PortDescription &port) const override;
    bool open() override;
    OpenError lastOpenError() const override { return m_openError; }
    void close() override;
    bool isOpen() const override;
    void setBaudRate(int baud) override;
    int baudRate() const override { return m_baud; }
    void setSoftwareFlowControl(bool on) override;
    bool outputSuspended() const override;
    void resumeOutput() override;
    QByteArray readAll() override;
    void write(const QByteArray &frame) override;

    ~QtSerialPortService() override { unlockDevice(); }

private:
    void onError(QSerialPort::SerialPortError error);
    // Opens `device` and locks it exclusively, or says why not in
    // m_openError.
    bool lockDevice(const QString &device);
    void unlockDevice();

    QProcessEnvironment m_env;
    QSerialPort m_port;
    PortDescription m_description = PortDescription::comPort(1);
    int m_baud = 9600;
    bool m_softwareFlow = false;
    OpenError m_openError = OpenError::None;
    int m_lockFd = -1;  // holds the device's lock while the port is open
};
