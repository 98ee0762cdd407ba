#pragma once

#include <QByteArray>
#include <QString>

// Puts `bytes` into the file `path` whole or not at all: they go into a new
// file beside it, which is renamed onto `path` once it is complete and on
// the disk. Returns 0, or the errno of the call that failed; then `path` is
// as it was (an older file stays untouched) and the new file is gone. A file
// that replaces an older one keeps the older one's permissions.
int writeFileWhole(const QString &path, const QByteArray &bytes);

// Writes all of `bytes` to the descriptor `fd`, going on after a write cut
// short by a signal or by the disk (which then fails on the rest and says
// why). False with errno set when a write fails.
bool writeAll(int fd, const QByteArray &bytes);
