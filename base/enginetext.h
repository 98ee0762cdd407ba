#pragma once

#include <QCoreApplication>
#include <QString>

// The engine's texts (table captions, journal words, error reasons) are
// marked with QT_TRANSLATE_NOOP("Engine", ...) and translated here, where
// they become QStrings. Without an installed translator (verkan-cli, the
// Russian window) this returns the text as written.
inline QString engineText(const char *text)
{
    return QCoreApplication::translate("Engine", text);
}
