#pragma once

#include <QByteArray>
#include <QString>

// Writes `bytes` to `path` whole or not at all: into a new file beside it,
// which replaces `path` only once it is complete on disk. An existing file
// stays as it was when the write fails. False, with the reason, when the
// file cannot be written.
bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *reason);
