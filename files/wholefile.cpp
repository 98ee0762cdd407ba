#include "files/wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Opens a new file of a name no other file has, in the folder of `target`:
// ".otchet.pdf.1f3a9c20". Returns the descriptor, or -1 with errno set.
int createBeside(const QString &target, QByteArray *name)
{
    const QFileInfo info(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate =
            info.dir().filePath(QLatin1Char('.') + info.fileName() + QLatin1Char('.') +
                                QString::number(QRandomGenerator::global()->generate(), 16));
        *name = QFile::encodeName(candidate);
        const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

}  // namespace

bool writeAll(int fd, const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

int writeFileWhole(const QString &path, const QByteArray &bytes)
{
    // A link to a file is followed: the file it names is replaced and the
    // link stays.
    const QFileInfo info(path);
    const QString target = info.exists() ? info.canonicalFilePath() : path;
    const QByteArray targetName = QFile::encodeName(target);

    QByteArray name;
    const int fd = createBeside(target, &name);
    if (fd < 0)
        return errno;
    struct stat older {};
    bool ok = true;
    if (::stat(targetName.constData(), &older) == 0)
        ok = ::fchmod(fd, older.st_mode & 07777) == 0;
    ok = ok && writeAll(fd, bytes) && ::fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(name.constData(), targetName.constData()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok)
        ::unlink(name.constData());
    return error;
}
