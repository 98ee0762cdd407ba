#pragma once

#include <QString>
#include <QStringList>

// Where the program keeps its journal and finds its alarm tone.
//
// A portable copy (the build folder, a folder on a USB stick) keeps
// "Jurnal.txt" and "ringout.wav" beside the executable. An installed copy
// lives in a folder it cannot or should not write (/usr/bin): its tone is in
// the installed data folder (../share/verkan-r) and its journal goes to the
// user's data folder (~/.local/share/verkan-r).
//
// Every function takes the folders it looks at as parameters, so that tests
// can point them at folders of their own; the *For() helpers fill them in
// for the running program.
namespace DataPaths {

inline constexpr char journalFileName[] = "Jurnal.txt";
inline constexpr char toneFileName[] = "ringout.wav";

// True when a file can really be created (and removed again) in `folder`.
// The permission bits alone are not enough: root may write almost anywhere
// the bits forbid, and a read-only mount lets nobody write.
bool folderWritable(const QString &folder);

// True when `programFolder` is the bin folder of an installation: no tone of
// its own beside the executable, but one in ../share/verkan-r. Such a folder
// is never written to, even by root.
bool isInstalledBinFolder(const QString &programFolder);

// The journal file: beside the program when its folder is writable and is
// not an installation's bin folder, otherwise in `fallbackFolder`, which is
// created when missing. When even that fails the fallback path is returned
// anyway; the journal reports the failure when it writes.
QString journalFilePath(const QString &programFolder, const QString &fallbackFolder);

// The tone file: the first "ringout.wav" found beside the program, then in
// each of `dataFolders` in order. When there is none, the path beside the
// program, which does not exist; the player does nothing with it.
QString toneFilePath(const QString &programFolder, const QStringList &dataFolders);

// The running program's folders: the user's data folder for the journal
// (QStandardPaths::AppDataLocation), and the installed data folders for the
// tone (../share/verkan-r beside the bin folder, then every application and
// generic data location's "verkan-r"). The application name must be set.
QString journalFallbackFolder();
QStringList toneDataFolders(const QString &programFolder);

}  // namespace DataPaths
