#include "app/datapaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace DataPaths {

namespace {

const QString appFolderName = QStringLiteral("verkan-r");

QString installedDataFolder(const QString &programFolder)
{
    return QDir::cleanPath(programFolder + QStringLiteral("/../share/") + appFolderName);
}

bool isFile(const QString &path)
{
    return QFileInfo(path).isFile();
}

}  // namespace

bool folderWritable(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isWritable())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".verkan-r-probe-XXXXXX")));
    // The file is removed when the probe goes out of scope.
    return probe.open();
}

bool isInstalledBinFolder(const QString &programFolder)
{
    return !isFile(QDir(programFolder).filePath(QLatin1String(toneFileName))) &&
           isFile(QDir(installedDataFolder(programFolder)).filePath(QLatin1String(toneFileName)));
}

QString journalFilePath(const QString &programFolder, const QString &fallbackFolder)
{
    if (!isInstalledBinFolder(programFolder) && folderWritable(programFolder))
        return QDir(programFolder).filePath(QLatin1String(journalFileName));
    QDir().mkpath(fallbackFolder);
    return QDir(fallbackFolder).filePath(QLatin1String(journalFileName));
}

QString toneFilePath(const QString &programFolder, const QStringList &dataFolders)
{
    const QString beside = QDir(programFolder).filePath(QLatin1String(toneFileName));
    if (isFile(beside))
        return beside;
    for (const QString &folder : dataFolders) {
        const QString candidate = QDir(folder).filePath(QLatin1String(toneFileName));
        if (isFile(candidate))
            return candidate;
    }
    return beside;
}

QString journalFallbackFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QStringList toneDataFolders(const QString &programFolder)
{
    QStringList folders{installedDataFolder(programFolder)};
    folders += QStandardPaths::standardLocations(QStandardPaths::AppDataLocation);
    for (const QString &generic :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders += QDir(generic).filePath(appFolderName);
    folders.removeDuplicates();
    return folders;
}

}  // namespace DataPaths
