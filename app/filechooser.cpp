#include "app/filechooser.h"

#include "app/rememberedchoices.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

#include <memory>

FileChooser dialogFileChooser(QWidget *parent)
{
    return [parent](const FileRequest &request) {
        const QString folder =
            request.folder.isEmpty()
                ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                : request.folder;
        const QString start = QDir(folder).filePath(request.name);
        const QString path =
            request.save
                ? QFileDialog::getSaveFileName(parent, request.caption, start, request.filter)
                : QFileDialog::getOpenFileName(parent, request.caption, folder, request.filter);
        if (path.isEmpty())
            return path;
        // A name typed without an extension gets the one offered.
        const QString suffix = QFileInfo(request.name).suffix();
        if (request.save && QFileInfo(path).suffix().isEmpty() && !suffix.isEmpty())
            return path + u'.' + suffix;
        return path;
    };
}

FileChooser rememberingFolder(FileChooser chooser, QSettings *settings)
{
    auto folder = std::make_shared<QString>(RememberedChoices::folder(settings));
    return [chooser = std::move(chooser), settings, folder](FileRequest request) {
        request.folder = *folder;
        const QString path = chooser(request);
        if (!path.isEmpty()) {
            *folder = QFileInfo(path).absolutePath();
            RememberedChoices::rememberFolder(settings, *folder);
        }
        return path;
    };
}
