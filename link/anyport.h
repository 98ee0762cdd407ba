#pragma once

#include "link/serialport.h"

#include <QProcessEnvironment>

#include <memory>

// The port service for a description: a local device (COM number or path)
// over QSerialPort, a serial server over TCP. A COM number whose
// VERKAN_COM<n> holds a server's description reaches that server.
std::unique_ptr<SerialPortService> makePortService(const PortDescription &port,
                                                   const QProcessEnvironment &env);

// One port service for every kind of port: each setPort() makes the service
// the description needs (through makePortService) when it differs from the
// one in use, so the exchange, the search for detectors and the tasks hold
// one port whatever the user picks. A port still open is closed first.
class AnyPortService : public SerialPortService {
    Q_OBJECT
public:
    explicit AnyPortService(QProcessEnvironment env = QProcessEnvironment::systemEnvironment(),
                            QObject *parent = nullptr);
    ~AnyPortService() override;

    void setPort(const PortDescription &port) override;
    PortDescription port() const override { return m_description; }
    QString deviceOf(const PortDescription &port) const override;
    bool fixesLineSpeed() const override { return m_service->fixesLineSpeed(); }

    bool open() override { return m_service->open(); }
    OpenError lastOpenError() const override { return m_service->lastOpenError(); }
    QString lastOpenErrorText() const override { return m_service->lastOpenErrorText(); }
    void close() override { m_service->close(); }
    bool isOpen() const override { return m_service->isOpen(); }
    bool isReady() const override { return m_service->isReady(); }
    void setBaudRate(int baud) override;
    int baudRate() const override { return m_service->baudRate(); }
    void setSoftwareFlowControl(bool on) override;
    bool outputSuspended() const override { return m_service->outputSuspended(); }
    void resumeOutput() override { m_service->resumeOutput(); }
    QByteArray readAll() override { return m_service->readAll(); }
    void write(const QByteArray &frame) override { m_service->write(frame); }

private:
    enum class Kind { Local, Network };
    static Kind kindOf(const PortDescription &resolved);
    void use(std::unique_ptr<SerialPortService> service);

    QProcessEnvironment m_env;
    PortDescription m_description = PortDescription::comPort(1);
    Kind m_kind = Kind::Local;
    std::unique_ptr<SerialPortService> m_service;
    int m_baud = 9600;
    bool m_softwareFlow = false;
};
