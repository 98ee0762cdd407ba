#pragma once

#include "link/serialport.h"

#include <QString>

// Why a port did not open, in the words the window and verkan-cli show:
// "порт не найден", "порт занят другой программой", "нет прав доступа
// (группа dialout)".
QString openFailureReason(SerialPortService::OpenError error);

// How messages name a port: "COM-порт 3 (/dev/ttyS2)", "/dev/ttyUSB0",
// "127.0.0.1:7000 (RFC 2217)"; a COM number set to a serial server names
// the server behind it.
QString portInMessages(const PortDescription &port, const SerialPortService &service);
