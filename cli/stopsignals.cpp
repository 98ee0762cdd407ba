#include "cli/stopsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The socket pair's ends: the handler writes to [0], the notifier reads [1].
int g_pipe[2] = {-1, -1};

constexpr int kSignals[] = {SIGINT, SIGTERM};

extern "C" void onStopSignal(int signalNumber)
{
    const int saved = errno;
    const char byte = char(signalNumber);
    // Non-blocking: when the pair is full, a stop is already pending.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[0], &byte, 1);
    errno = saved;
}

}  // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    if (g_pipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_pipe) != 0)
        return;
    for (const int fd : g_pipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::readable);
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : kSignals)
        ::sigaction(s, &action, nullptr);
}

StopSignals::~StopSignals()
{
    if (!m_notifier)
        return;
    for (const int s : kSignals)
        ::signal(s, SIG_DFL);
    delete m_notifier;
    m_notifier = nullptr;
    for (int &fd : g_pipe) {
        ::close(fd);
        fd = -1;
    }
}

void StopSignals::readable()
{
    char bytes[16];
    const ssize_t count = ::read(g_pipe[1], bytes, sizeof bytes);
    for (ssize_t i = 0; i < count; ++i)
        emit received(int(bytes[i]));
}
