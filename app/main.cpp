#include "app/datapaths.h"
#include "app/mainwindow.h"
#include "base/commandline.h"
#include "i18n/language.h"
#include "journal/alarmsound.h"
#include "link/anyport.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QSettings>

namespace {

// The window's icon, from the PNGs of every size built into the program
// (the same pictures the package installs in the icon theme).
QIcon programIcon()
{
    QIcon icon;
    for (const QFileInfo &file : QDir(QStringLiteral(":/icons")).entryInfoList(QDir::Files))
        icon.addFile(file.filePath());
    return icon;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("verkan-r"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VERKAN_VERSION));
    // The command line is read before the window's application object is
    // made, so that --help, --version and a wrong option need no display.
    {
        QCoreApplication commandLine(argc, argv);
        QCommandLineParser parser;
        parser.setApplicationDescription(
            QStringLiteral("Setup and monitoring program of the VERKAN-R perimeter intrusion "
                           "detector. It takes no arguments; see verkan-r(1)."));
        if (const int status = CommandLine::parse(parser, QCoreApplication::arguments());
            status >= 0)
            return status;
    }

    QApplication app(argc, argv);
    installLanguage(app);
    QApplication::setWindowIcon(programIcon());
    // Lets the desktop match the window with the installed verkan-r.desktop
    // (its icon and name in the task bar).
    QGuiApplication::setDesktopFileName(QStringLiteral("verkan-r"));

    const QString programFolder = QCoreApplication::applicationDirPath();
    AnyPortService port;
    SoundEffectPlayer alarm(
        DataPaths::toneFilePath(programFolder, DataPaths::toneDataFolders(programFolder)));

    Form1Dependencies deps;
    deps.port = &port;
    deps.journalPath =
        DataPaths::journalFilePath(programFolder, DataPaths::journalFallbackFolder());
    deps.alarm = &alarm;
    deps.tonePath = alarm.filePath();
    // ~/.config/verkan-r/verkan-r.conf (XDG_CONFIG_HOME when set).
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("verkan-r"),
                       QStringLiteral("verkan-r"));
    deps.settings = &settings;

    MainWindow window(deps);
    window.show();
    return app.exec();
}
