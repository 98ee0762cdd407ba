#include "app/datapaths.h"
#include "app/form1.h"
#include "journal/alarmsound.h"
#include "link/qtserialport.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("verkan-r"));
    // Lets the desktop match the window with the installed verkan-r.desktop
    // (its icon and name in the task bar).
    QGuiApplication::setDesktopFileName(QStringLiteral("verkan-r"));

    const QString programFolder = QCoreApplication::applicationDirPath();
    QtSerialPortService port;
    SoundEffectPlayer alarm(
        DataPaths::toneFilePath(programFolder, DataPaths::toneDataFolders(programFolder)));

    Form1Dependencies deps;
    deps.port = &port;
    deps.journalPath =
        DataPaths::journalFilePath(programFolder, DataPaths::journalFallbackFolder());
    deps.alarm = &alarm;

    Form1 window(deps);
    window.show();
    return app.exec();
}
