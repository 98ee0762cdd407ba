#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// "Справка": the user's guide (README.md, installed with its pictures in
// share/doc/verkan-r) and "О программе".
namespace Help {

// The folders where the guide may be, in order: the installation's
// share/doc/verkan-r beside the bin folder, doc/verkan-r in every data
// location of the system, then the program's folder and the one above it
// (a build folder inside the source tree).
QStringList guideFolders(const QString &programFolder);
// The first README.md found in `folders`; empty when there is none.
QString guidePath(const QStringList &folders);

// Opens the guide in a window of its own, beside the main window; with no
// guide, says where it is installed.
QWidget *showGuide(QWidget *parent, const QString &path);
// Version, licence and the journal file.
void showAbout(QWidget *parent, const QString &journalPath);

}  // namespace Help
