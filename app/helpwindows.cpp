#include "app/helpwindows.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace Help {

QStringList guideFolders(const QString &programFolder)
{
    const QDir program(programFolder);
    QStringList folders{QDir::cleanPath(program.filePath(u"../share/doc/verkan-r"_s))};
    for (const QString &data :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << QDir(data).filePath(u"doc/verkan-r"_s);
    folders << programFolder << program.filePath(u"docs"_s)
            << QDir::cleanPath(program.filePath(u"../docs"_s));
    folders.removeDuplicates();
    return folders;
}

QString guideFileName(Language language)
{
    return language == Language::English ? u"guide.en.md"_s : u"guide.ru.md"_s;
}

QString guidePath(const QStringList &folders, Language language)
{
    const Language other = language == Language::English ? Language::Russian : Language::English;
    for (const Language wanted : {language, other})
        for (const QString &folder : folders) {
            const QFileInfo guide(QDir(folder).filePath(guideFileName(wanted)));
            if (guide.isFile() && guide.isReadable())
                return guide.absoluteFilePath();
        }
    return QString();
}

QWidget *showGuide(QWidget *parent, const QString &path)
{
    if (path.isEmpty()) {
        auto *box = new QMessageBox(
            QMessageBox::Information, QCoreApplication::translate("Help", "Руководство"),
            QCoreApplication::translate("Help",
                                        "Руководство не найдено. Оно устанавливается вместе с "
                                        "программой в /usr/share/doc/verkan-r/%1.")
                .arg(guideFileName(installedLanguage())),
            QMessageBox::Close, parent);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return box;
    }
    auto *window = new QDialog(parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QCoreApplication::translate("Help", "Руководство — verkan-r"));
    auto *text = new QTextBrowser(window);
    text->setObjectName(u"guideText"_s);
    text->setOpenExternalLinks(true);
    // The pictures are found beside the guide.
    text->setSource(QUrl::fromLocalFile(path), QTextDocument::MarkdownResource);
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text);
    window->resize(1060, 700);
    window->show();
    return window;
}

void showAbout(QWidget *parent, const QString &journalPath)
{
    auto *box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(u"aboutBox"_s);
    box->setWindowTitle(QCoreApplication::translate("Help", "О программе"));
    box->setIconPixmap(QApplication::windowIcon().pixmap(64));
    box->setText(QCoreApplication::translate("Help", "verkan-r, версия %1")
                     .arg(QApplication::applicationVersion()));
    box->setInformativeText(QCoreApplication::translate(
                                "Help", "Программа настройки и контроля извещателя ВЕРКАН-Р.\n\n"
                                        "Лицензия MIT. Copyright (c) 2026 verkan-r developers.\n\n"
                                        "Журнал событий: %1")
                                .arg(QDir::toNativeSeparators(journalPath)));
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->open();
}

}  // namespace Help
