#include "sim/ptyport.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

struct SpeedPair {
    int baud;
    speed_t constant;
};

const SpeedPair kSpeeds[] = {{1200, B1200},   {2400, B2400},   {4800, B4800},   {9600, B9600},
                             {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

}  // namespace

unsigned speedConstant(int baud)
{
    for (const SpeedPair &p : kSpeeds) {
        if (p.baud == baud)
            return p.constant;
    }
    return 0;
}

int baudOfSpeedConstant(unsigned speed)
{
    for (const SpeedPair &p : kSpeeds) {
        if (p.constant == speed)
            return p.baud;
    }
    return 0;
}

PtyPort::PtyPort(QObject *parent) : QObject(parent)
{
    resume_.setSingleShot(true);
    resume_.setInterval(250);
    connect(&resume_, &QTimer::timeout, this, [this] {
        if (readNotifier_)
            readNotifier_->setEnabled(true);
    });
}

PtyPort::~PtyPort()
{
    delete readNotifier_;
    delete writeNotifier_;
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
}

bool PtyPort::open(int baud, QString *error)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) {
        *error = systemError("posix_openpt");
        return false;
    }
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        *error = systemError("grantpt/unlockpt");
        return false;
    }
    const char *name = ::ptsname(master_);
    if (!name) {
        *error = systemError("ptsname");
        return false;
    }
    slavePath_ = QString::fromLocal8Bit(name);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);

    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave_ < 0) {
        *error = systemError("open slave");
        return false;
    }
    termios t{};
    if (::tcgetattr(slave_, &t) != 0) {
        *error = systemError("tcgetattr");
        return false;
    }
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&t, speedConstant(baud));
    ::cfsetospeed(&t, speedConstant(baud));
    if (::tcsetattr(slave_, TCSANOW, &t) != 0) {
        *error = systemError("tcsetattr");
        return false;
    }

    readNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Read);
    connect(readNotifier_, &QSocketNotifier::activated, this, &PtyPort::onReadable);
    writeNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Write);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &PtyPort::onWritable);
    return true;
}

int PtyPort::lineSpeed() const
{
    // On Linux the master reports the slave's settings too; our own slave
    // descriptor is the direct way and works everywhere.
    termios t{};
    const int fd = slave_ >= 0 ? slave_ : master_;
    if (fd < 0 || ::tcgetattr(fd, &t) != 0)
        return 0;
    return baudOfSpeedConstant(unsigned(::cfgetospeed(&t)));
}

void PtyPort::pauseReading()
{
    // Never spin on a descriptor that keeps failing: look again later.
    readNotifier_->setEnabled(false);
    resume_.start();
}

void PtyPort::onReadable()
{
    char buf[4096];
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n > 0) {
        const int speed = lineSpeed();
        emit received(QByteArray(buf, int(n)), speed);
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    pauseReading();  // EIO (no slave open) or end of file
}

void PtyPort::write(const QByteArray &bytes)
{
    if (master_ < 0 || bytes.isEmpty())
        return;
    if (backlog_.size() + bytes.size() > kMaxBacklog)
        return;
    backlog_ += bytes;
    flush();
}

void PtyPort::onWritable()
{
    flush();
}

void PtyPort::flush()
{
    while (!backlog_.isEmpty()) {
        const ssize_t n = ::write(master_, backlog_.constData(), size_t(backlog_.size()));
        if (n > 0) {
            backlog_.remove(0, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            backlog_.clear();  // the line is gone; what was queued is lost
            break;
        }
        writeNotifier_->setEnabled(true);
        return;
    }
    writeNotifier_->setEnabled(false);
}

}  // namespace sim
