#pragma once

#include "link/portdescription.h"

#include <QString>

#include <optional>

class QSettings;

// The user's choices kept between runs in the settings store: the port and
// the detector's address of the last exchange started, and the folder of the
// last file chosen. A store that is missing (none given) remembers nothing;
// a value that is missing, not a number, out of range or not a folder is
// not offered. The port is kept as its description's text: a COM number as
// the number, a serial server as tcp:// or rfc2217://; a device path is not
// offered, the port list does not hold one.
namespace RememberedChoices {

std::optional<PortDescription> port(const QSettings *settings);
std::optional<int> address(const QSettings *settings);
QString folder(const QSettings *settings);

void rememberConnection(QSettings *settings, const PortDescription &port, int address);
void rememberFolder(QSettings *settings, const QString &folder);

}  // namespace RememberedChoices
