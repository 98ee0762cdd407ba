#include "link/openfailure.h"

using namespace Qt::StringLiterals;

QString openFailureReason(SerialPortService::OpenError error)
{
    switch (error) {
    case SerialPortService::OpenError::NoSuchPort:
        return u"порт не найден"_s;
    case SerialPortService::OpenError::Busy:
        return u"порт занят другой программой"_s;
    case SerialPortService::OpenError::PermissionDenied:
        return u"нет прав доступа (группа dialout)"_s;
    default:
        return u"ошибка открытия"_s;
    }
}
