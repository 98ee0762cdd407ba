#include "link/comports.h"

QString devicePathForComPort(int n, const QProcessEnvironment &env)
{
    const QString overrideName = QStringLiteral("VERKAN_COM%1").arg(n);
    const QString overridden = env.value(overrideName);
    if (!overridden.isEmpty())
        return overridden;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    if (n >= 1 && n <= 4)
        return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    if (n >= 5 && n <= 12)
        return QStringLiteral("/dev/ttyUSB%1").arg(n - 5);
    if (n >= 13 && n <= 16)
        return QStringLiteral("/dev/ttyACM%1").arg(n - 13);
    return QString();
#endif
}
