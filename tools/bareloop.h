#pragma once

// What the measuring tools share: the process's CPU time, and the least
// work one request and its reply per slot can cost on a line.

#include "link/codec.h"
#include "link/protocol.h"

#include <QFile>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A terminal opened raw at `speed` (115200 baud unless told), or -1.
inline int openRawTerminal(const QString &path, speed_t speed = B115200)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    termios mode{};
    ::tcgetattr(fd, &mode);
    ::cfmakeraw(&mode);
    ::cfsetspeed(&mode, speed);
    ::tcsetattr(fd, TCSANOW, &mode);
    return fd;
}

// The standing poll of `address` written to `fd` every slot and whatever
// comes back read, in a plain poll() loop, for `warmUp` and then `measured`
// more. Closes `fd`; returns the CPU seconds used during `measured`, or -1
// when the line failed before the measuring began.
inline double bareLoop(int fd, int address, std::chrono::seconds warmUp,
                       std::chrono::seconds measured)
{
    const QByteArray request = codec::requestForFlank(address, protocol::kStatus, 1).toLatin1();
    using Clock = std::chrono::steady_clock;
    const Clock::time_point measuredFrom = Clock::now() + warmUp;
    const Clock::time_point end = measuredFrom + measured;
    Clock::time_point next = Clock::now();
    double cpuStart = -1;
    for (Clock::time_point now = Clock::now(); now < end; now = Clock::now()) {
        if (cpuStart < 0 && now >= measuredFrom)
            cpuStart = cpuSeconds();
        if (now >= next) {
            if (::write(fd, request.constData(), size_t(request.size())) < 0)
                break;
            next += protocol::kSlot;
        }
        pollfd readable{fd, POLLIN, 0};
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now());
        if (::poll(&readable, 1, int(std::max<qint64>(0, wait.count()))) > 0) {
            char buffer[256];
            if (::read(fd, buffer, sizeof buffer) <= 0)
                break;
        }
    }
    ::close(fd);
    return cpuStart < 0 ? -1 : cpuSeconds() - cpuStart;
}
