#include "link/openfailure.h"

#include "base/enginetext.h"

QString openFailureReason(SerialPortService::OpenError error)
{
    switch (error) {
    case SerialPortService::OpenError::NoSuchPort:
        return engineText(QT_TRANSLATE_NOOP("Engine", "порт не найден"));
    case SerialPortService::OpenError::Busy:
        return engineText(QT_TRANSLATE_NOOP("Engine", "порт занят другой программой"));
    case SerialPortService::OpenError::PermissionDenied:
        return engineText(QT_TRANSLATE_NOOP("Engine", "нет прав доступа (группа dialout)"));
    default:
        return engineText(QT_TRANSLATE_NOOP("Engine", "ошибка открытия"));
    }
}
