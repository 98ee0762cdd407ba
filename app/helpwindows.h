#pragma once

#include "i18n/language.h"

#include <QString>
#include <QStringList>

class QWidget;

// "Справка": the installer's guide, one in Russian and one in English
// (docs/guide.ru.md and docs/guide.en.md, installed in share/doc/verkan-r),
// and "О программе".
namespace Help {

// The folders where the guides may be, in order: the installation's
// share/doc/verkan-r beside the bin folder, doc/verkan-r in every data
// location of the system, then a portable copy's: the program's folder,
// docs/ beside it and docs/ one level up (a build folder inside the source
// tree).
QStringList guideFolders(const QString &programFolder);
// "guide.ru.md", "guide.en.md".
QString guideFileName(Language language);
// The guide in `language` from the first of `folders` that holds it; when
// none does, the guide in the other language; empty when there is neither.
QString guidePath(const QStringList &folders, Language language);

// Opens the guide in a window of its own, beside the main window; with no
// guide, says where it is installed.
QWidget *showGuide(QWidget *parent, const QString &path);
// Version, licence and the journal file.
void showAbout(QWidget *parent, const QString &journalPath);

}  // namespace Help
