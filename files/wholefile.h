#pragma once

#include <QByteArray>
#include <QString>

// Puts `bytes` into the file `path` whole or not at all: they go into a new
// file beside it, which is renamed onto `path` once it is complete and on
// the disk. Returns 0, or the errno of the call that failed; then `path` is
// as it was (an older file stays untouched) and the new file is gone. A file
// that replaces an older one keeps the older one's permissions.
int writeFileWhole(const QString &path, const QByteArray &bytes);
