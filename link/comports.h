#pragma once

#include <QProcessEnvironment>
#include <QString>

// COM port numbers on this platform. On Linux 1-4 are /dev/ttyS0-3, 5-12
// /dev/ttyUSB0-7 and 13-16 /dev/ttyACM0-3; on Windows n is "COMn". The
// environment variable VERKAN_COM<n> replaces the device of port n with any
// path (a pseudo-terminal, a /dev/serial/by-id link).
constexpr int kFirstComPort = 1;
constexpr int kLastComPort = 16;

QString
devicePathForComPort(int n,
                     const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment());
