#include "simprocess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace {

// The running simulators, for the signal handler (which may only read them).
constexpr int kMaxRunning = 8;
volatile sig_atomic_t running[kMaxRunning] = {};

void remember(pid_t pid)
{
    for (volatile sig_atomic_t &slot : running) {
        if (slot == 0) {
            slot = pid;
            return;
        }
    }
}

void forget(pid_t pid)
{
    for (volatile sig_atomic_t &slot : running) {
        if (slot == pid)
            slot = 0;
    }
}

extern "C" void endEveryone(int signal)
{
    for (const volatile sig_atomic_t &slot : running) {
        if (slot > 0)
            ::kill(pid_t(slot), SIGTERM);
    }
    ::_exit(128 + signal);
}

}  // namespace

void SimProcess::endWithThisProcess()
{
    struct sigaction action {};
    action.sa_handler = endEveryone;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

SimProcess::~SimProcess()
{
    stop();
}

bool SimProcess::start(const QString &program, const QString &folder, const QStringList &options)
{
    const QDir dir(folder);
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("commands")));
    if (::mkfifo(fifo.constData(), 0600) != 0)
        return false;
    // Opened for reading and writing, so that neither this open nor the
    // simulator's waits for the other end.
    m_commands = ::open(fifo.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (m_commands < 0)
        return false;
    m_tty = dir.filePath(QStringLiteral("tty"));
    const QByteArray output = QFile::encodeName(dir.filePath(QStringLiteral("sim.out")));
    QList<QByteArray> arguments{QFile::encodeName(program), QByteArrayLiteral("--link"),
                                QFile::encodeName(m_tty), QByteArrayLiteral("--quiet")};
    for (const QString &option : options)
        arguments.append(option.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, fifo.constData(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, output.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    const int failed = posix_spawn(&m_pid, argv[0], &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (failed != 0) {
        m_pid = 0;
        return false;
    }
    remember(m_pid);
    // The simulator prints its terminal's path once it is ready.
    QElapsedTimer waited;
    waited.start();
    while (QFileInfo(QFile::decodeName(output)).size() == 0) {
        const bool ended = ::waitpid(m_pid, nullptr, WNOHANG) != 0;
        if (ended || waited.elapsed() > 5000) {
            if (!ended) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, nullptr, 0);
            }
            forget(m_pid);
            m_pid = 0;
            return false;
        }
        QThread::msleep(20);
    }
    return QFileInfo::exists(m_tty);
}

void SimProcess::command(const QByteArray &lines)
{
    if (m_commands >= 0 && ::write(m_commands, lines.constData(), size_t(lines.size())) < 0)
        std::fprintf(stderr, "simulator: a command was lost\n");
}

void SimProcess::stop()
{
    if (m_pid > 0) {
        command("quit\n");
        QElapsedTimer waited;
        waited.start();
        while (::waitpid(m_pid, nullptr, WNOHANG) == 0) {
            if (waited.elapsed() > 3000) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, nullptr, 0);
                break;
            }
            QThread::msleep(20);
        }
        forget(m_pid);
        m_pid = 0;
    }
    if (m_commands >= 0) {
        ::close(m_commands);
        m_commands = -1;
    }
}
