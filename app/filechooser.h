#pragma once

#include <QString>

#include <functional>

class QWidget;

// What the menu asks for when it needs a file.
struct FileRequest {
    bool save = true;  // false: an existing file to open
    QString caption;   // the dialog's title
    QString filter;    // "Настройки (*.json)"
    QString name;      // the file name offered when saving
};

// Chooses a file; an empty path means the user changed their mind. The
// window asks through this, so that tests answer without a dialog.
using FileChooser = std::function<QString(const FileRequest &)>;

// The file dialogs of the desktop, starting in the folder chosen last
// (the documents folder at first).
FileChooser dialogFileChooser(QWidget *parent);
