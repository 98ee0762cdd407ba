#include "app/rememberedchoices.h"

#include "link/protocol.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {

const QString kPortKey = u"connection/port"_s;
const QString kAddressKey = u"connection/address"_s;
const QString kFolderKey = u"files/folder"_s;

// The whole number stored under `key` when it lies in first..last.
std::optional<int> numberIn(const QSettings *settings, const QString &key, int first, int last)
{
    if (!settings)
        return std::nullopt;
    bool isNumber = false;
    const int number = settings->value(key).toString().trimmed().toInt(&isNumber);
    if (!isNumber || number < first || number > last)
        return std::nullopt;
    return number;
}

}  // namespace

namespace RememberedChoices {

std::optional<PortDescription> port(const QSettings *settings)
{
    if (!settings)
        return std::nullopt;
    std::optional<PortDescription> port =
        PortDescription::parse(settings->value(kPortKey).toString().trimmed());
    if (port && port->kind() == PortDescription::Kind::DevicePath)
        return std::nullopt;
    return port;
}

std::optional<int> address(const QSettings *settings)
{
    return numberIn(settings, kAddressKey, protocol::kLowestAddress, protocol::kHighestAddress);
}

QString folder(const QSettings *settings)
{
    if (!settings)
        return {};
    const QString folder = settings->value(kFolderKey).toString();
    const QFileInfo info(folder);
    // A folder removed since, or a relative path that would depend on
    // where the program was started, is not offered.
    if (folder.isEmpty() || !info.isAbsolute() || !info.isDir())
        return {};
    return QDir::cleanPath(info.absoluteFilePath());
}

void rememberConnection(QSettings *settings, const PortDescription &port, int address)
{
    if (!settings)
        return;
    settings->setValue(kPortKey, port.toString());
    settings->setValue(kAddressKey, address);
}

void rememberFolder(QSettings *settings, const QString &folder)
{
    if (settings && !folder.isEmpty())
        settings->setValue(kFolderKey, folder);
}

}  // namespace RememberedChoices
