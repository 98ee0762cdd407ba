#include "link/anyport.h"

#include "link/networkport.h"
#include "link/qtserialport.h"

std::unique_ptr<SerialPortService> makePortService(const PortDescription &port,
                                                   const QProcessEnvironment &env)
{
    const PortDescription resolved = port.resolved(env);
    std::unique_ptr<SerialPortService> service;
    if (resolved.isNetwork())
        service = std::make_unique<NetworkPortService>();
    else
        service = std::make_unique<QtSerialPortService>(env);
    service->setPort(resolved);
    return service;
}

AnyPortService::AnyPortService(QProcessEnvironment env, QObject *parent)
    : SerialPortService(parent), m_env(std::move(env))
{
    use(makePortService(m_description, m_env));
    m_kind = kindOf(m_description.resolved(m_env));
}

AnyPortService::~AnyPortService() = default;

AnyPortService::Kind AnyPortService::kindOf(const PortDescription &resolved)
{
    return resolved.isNetwork() ? Kind::Network : Kind::Local;
}

void AnyPortService::setPort(const PortDescription &port)
{
    m_description = port;
    const PortDescription resolved = port.resolved(m_env);
    if (kindOf(resolved) == m_kind) {
        m_service->setPort(resolved);
        return;
    }
    m_service->close();
    m_kind = kindOf(resolved);
    use(makePortService(port, m_env));
}

QString AnyPortService::deviceOf(const PortDescription &port) const
{
    const PortDescription resolved = port.resolved(m_env);
    return resolved.isNetwork() ? resolved.hostAndPort() : resolved.devicePath(m_env);
}

void AnyPortService::setBaudRate(int baud)
{
    if (baud > 0)
        m_baud = baud;
    m_service->setBaudRate(baud);
}

void AnyPortService::setSoftwareFlowControl(bool on)
{
    m_softwareFlow = on;
    m_service->setSoftwareFlowControl(on);
}

void AnyPortService::use(std::unique_ptr<SerialPortService> service)
{
    // The new service takes over the line's settings and speaks through
    // this one's signals.
    m_service = std::move(service);
    m_service->setBaudRate(m_baud);
    m_service->setSoftwareFlowControl(m_softwareFlow);
    connect(m_service.get(), &SerialPortService::dataReceived, this,
            &SerialPortService::dataReceived);
    connect(m_service.get(), &SerialPortService::ready, this, &SerialPortService::ready);
    connect(m_service.get(), &SerialPortService::openFailed, this, &SerialPortService::openFailed);
}
