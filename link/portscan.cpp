#include "link/portscan.h"

#include "link/comports.h"

PortScan scanComPorts(SerialPortService &port, const QProcessEnvironment &env)
{
    PortScan scan;
    for (int n = kFirstComPort; n <= kLastComPort; ++n) {
        const PortDescription com = PortDescription::comPort(n);
        if (com.resolved(env).isNetwork()) {
            scan.comPorts.append(n);
            continue;
        }
        port.setPort(com);
        if (!port.open()) {
            if (port.lastOpenError() == SerialPortService::OpenError::PermissionDenied)
                scan.deniedDevices << port.deviceOf(com);
            continue;
        }
        port.close();
        scan.comPorts.append(n);
    }
    return scan;
}
