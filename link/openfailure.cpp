#include "link/openfailure.h"

#include "base/enginetext.h"
#include "link/rfc2217.h"

QString openFailureReason(SerialPortService::OpenError error)
{
    using E = SerialPortService::OpenError;
    switch (error) {
    case E::NoSuchPort:
        return engineText(QT_TRANSLATE_NOOP("Engine", "порт не найден"));
    case E::Busy:
        return engineText(QT_TRANSLATE_NOOP("Engine", "порт занят другой программой"));
    case E::PermissionDenied:
        return engineText(QT_TRANSLATE_NOOP("Engine", "нет прав доступа (группа dialout)"));
    case E::ServerRefused:
        return engineText(QT_TRANSLATE_NOOP("Engine", "сервер отказал в соединении"));
    case E::ServerSilent:
        return engineText(QT_TRANSLATE_NOOP("Engine", "сервер не отвечает"));
    case E::ServerBusy:
        return busyRefusalReason();
    case E::ServerLineSetup:
        return engineText(QT_TRANSLATE_NOOP("Engine", "сервер не настроил линию"));
    default:
        return engineText(QT_TRANSLATE_NOOP("Engine", "ошибка открытия"));
    }
}

QString SerialPortService::lastOpenErrorText() const
{
    return openFailureReason(lastOpenError());
}

QString portInMessages(const PortDescription &port, const SerialPortService &service)
{
    if (port.kind() == PortDescription::Kind::ComNumber)
        return engineText(QT_TRANSLATE_NOOP("Engine", "COM-порт %1 (%2)"))
            .arg(port.comNumber())
            .arg(service.deviceOf(port));
    return port.label();
}
