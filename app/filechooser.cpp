#include "app/filechooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

#include <memory>

FileChooser dialogFileChooser(QWidget *parent)
{
    auto folder = std::make_shared<QString>(
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    return [parent, folder](const FileRequest &request) {
        const QString start = QDir(*folder).filePath(request.name);
        const QString path =
            request.save
                ? QFileDialog::getSaveFileName(parent, request.caption, start, request.filter)
                : QFileDialog::getOpenFileName(parent, request.caption, *folder, request.filter);
        if (path.isEmpty())
            return path;
        const QFileInfo chosen(path);
        *folder = chosen.absolutePath();
        // A name typed without an extension gets the one offered.
        const QString suffix = QFileInfo(request.name).suffix();
        if (request.save && chosen.suffix().isEmpty() && !suffix.isEmpty())
            return path + u'.' + suffix;
        return path;
    };
}
