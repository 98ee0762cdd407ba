#pragma once

#include "link/serialport.h"

#include <QList>
#include <QProcessEnvironment>
#include <QStringList>

// The COM numbers a port list offers: every number whose port opens (it is
// closed again at once; nothing is written), and every number set to a
// serial server through VERKAN_COM<n>, which is listed without connecting
// (a connection could take the server's line from whoever holds it).
struct PortScan {
    QList<int> comPorts;
    // Devices that exist but may not be opened by this user.
    QStringList deniedDevices;
};

PortScan scanComPorts(SerialPortService &port,
                      const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment());
