#pragma once

#include <QString>

#include <functional>

class QSettings;
class QWidget;

// What the menu asks for when it needs a file.
struct FileRequest {
    bool save = true;     // false: an existing file to open
    QString caption;      // the dialog's title
    QString filter;       // "Настройки (*.json)"
    QString name;         // the file name offered when saving
    QString folder = {};  // where to look first; empty: the documents folder
};

// Chooses a file; an empty path means the user changed their mind. The
// window asks through this, so that tests answer without a dialog.
using FileChooser = std::function<QString(const FileRequest &)>;

// The file dialogs of the desktop, starting in the request's folder.
FileChooser dialogFileChooser(QWidget *parent);

// `chooser` asked in the folder of the file chosen last: the one remembered
// in `settings` at first, if any (none: the documents folder), and every
// folder chosen is remembered there for the next run.
FileChooser rememberingFolder(FileChooser chooser, QSettings *settings);
