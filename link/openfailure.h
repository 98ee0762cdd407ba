#pragma once

#include "link/serialport.h"

#include <QString>

// Why a port did not open, in the words the window and verkan-cli show:
// "порт не найден", "порт занят другой программой", "нет прав доступа
// (группа dialout)".
QString openFailureReason(SerialPortService::OpenError error);
