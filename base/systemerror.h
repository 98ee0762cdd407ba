#pragma once

#include "base/enginetext.h"

#include <QFileInfo>
#include <QString>

#include <cerrno>
#include <cstring>

// Why a system call failed, as a short reason in the program's language, for
// messages such as "файл: не удалось записать файл (нет места на диске)".
// `error` is the errno the failing call left: save it right after that call,
// since almost anything after it may change errno. Reasons a person writing
// files meets are the program's own words; anything rarer is the C library's
// text.
inline QString systemErrorText(int error)
{
    switch (error) {
    case 0:
        // A failure that left no reason, rather than the C library's "Success".
        return engineText(QT_TRANSLATE_NOOP("Engine", "неизвестная ошибка"));
    case ENOSPC:
        return engineText(QT_TRANSLATE_NOOP("Engine", "нет места на диске"));
    case EDQUOT:
        return engineText(QT_TRANSLATE_NOOP("Engine", "превышена дисковая квота"));
    case EFBIG:
        return engineText(QT_TRANSLATE_NOOP("Engine", "файл слишком большой"));
    case EACCES:
    case EPERM:
        return engineText(QT_TRANSLATE_NOOP("Engine", "нет прав доступа"));
    case EROFS:
        return engineText(QT_TRANSLATE_NOOP("Engine", "файловая система только для чтения"));
    case ENOENT:
        return engineText(QT_TRANSLATE_NOOP("Engine", "нет такого файла или папки"));
    case ENOTDIR:
        return engineText(QT_TRANSLATE_NOOP("Engine", "часть пути не является папкой"));
    case EISDIR:
        return engineText(QT_TRANSLATE_NOOP("Engine", "это папка"));
    case EEXIST:
        return engineText(QT_TRANSLATE_NOOP("Engine", "файл уже существует"));
    case ENAMETOOLONG:
        return engineText(QT_TRANSLATE_NOOP("Engine", "слишком длинное имя файла"));
    case EMFILE:
    case ENFILE:
        return engineText(QT_TRANSLATE_NOOP("Engine", "открыто слишком много файлов"));
    case EIO:
        return engineText(QT_TRANSLATE_NOOP("Engine", "ошибка ввода-вывода"));
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

// The errno a QFile::open() of `path` that has just failed left, to be called
// at once after it. QFile opens a folder for reading and then refuses it
// itself, with no system error: that is given as EISDIR.
inline int errnoOfFailedOpen(const QString &path)
{
    const int error = errno;
    return QFileInfo(path).isDir() ? EISDIR : error;
}
