#include "app/form1.h"
#include "journal/alarmsound.h"
#include "link/qtserialport.h"

#include <QApplication>
#include <QDir>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("verkan-r"));

    const QDir programFolder(QCoreApplication::applicationDirPath());
    QtSerialPortService port;
    SoundEffectPlayer alarm(programFolder.filePath(QStringLiteral("ringout.wav")));

    Form1Dependencies deps;
    deps.port = &port;
    deps.journalPath = programFolder.filePath(QStringLiteral("Jurnal.txt"));
    deps.alarm = &alarm;

    Form1 window(deps);
    window.show();
    return app.exec();
}
