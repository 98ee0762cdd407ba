#include "livesession.h"

#include "link/exchange.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QThread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

LiveSession::~LiveSession()
{
    stop();
}

bool LiveSession::startSimulator(const QStringList &options)
{
    const QByteArray fifo = QFile::encodeName(path(QStringLiteral("commands")));
    if (::mkfifo(fifo.constData(), 0600) != 0)
        return false;
    // Opened for reading and writing, so that neither this open nor the
    // simulator's waits for the other end.
    m_commands = ::open(fifo.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (m_commands < 0)
        return false;
    const QByteArray output = QFile::encodeName(path(QStringLiteral("sim.out")));
    QList<QByteArray> arguments{QByteArrayLiteral(VERKAN_SIM_PATH), QByteArrayLiteral("--link"),
                                QFile::encodeName(path(QStringLiteral("tty"))),
                                QByteArrayLiteral("--quiet")};
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
    const int failed = posix_spawn(&m_simPid, argv[0], &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (failed != 0) {
        m_simPid = 0;
        return false;
    }
    // The simulator prints its terminal's path once it is ready.
    QElapsedTimer waited;
    waited.start();
    while (QFileInfo(QFile::decodeName(output)).size() == 0) {
        if (waited.elapsed() > 5000 || ::waitpid(m_simPid, nullptr, WNOHANG) != 0) {
            m_simPid = 0;
            return false;
        }
        QThread::msleep(20);
    }
    return QFileInfo::exists(path(QStringLiteral("tty")));
}

void LiveSession::command(const QByteArray &lines)
{
    if (m_commands >= 0 && ::write(m_commands, lines.constData(), size_t(lines.size())) < 0)
        std::fprintf(stderr, "live session: a command to the simulator was lost\n");
}

QProcessEnvironment LiveSession::portEnvironment() const
{
    QProcessEnvironment env;
    for (int n = 1; n <= 16; ++n)
        env.insert(QStringLiteral("VERKAN_COM%1").arg(n),
                   n == 1 ? path(QStringLiteral("tty")) : path(QStringLiteral("none%1").arg(n)));
    return env;
}

MainWindow &LiveSession::openWindow()
{
    m_port = std::make_unique<QtSerialPortService>(portEnvironment());
    Form1Dependencies deps;
    deps.port = m_port.get();
    deps.journalPath = path(QStringLiteral("Jurnal.txt"));
    // A screen with room for the whole window, whatever the offscreen one is.
    m_window =
        std::make_unique<MainWindow>(deps, FileChooser(), [] { return QRect(0, 0, 1920, 1040); });
    m_window->show();
    return *m_window;
}

Form1 &LiveSession::openWindowAndStart()
{
    Form1 &form = openWindow().form();
    form.findChild<QComboBox *>(QStringLiteral("Combo3"))->setCurrentIndex(0);
    form.findChild<QPushButton *>(QStringLiteral("Command4"))->click();
    return form;
}

void LiveSession::stop()
{
    if (m_window)
        m_window->form().exchange().stop();
    if (m_simPid > 0) {
        command("quit\n");
        QElapsedTimer waited;
        waited.start();
        while (::waitpid(m_simPid, nullptr, WNOHANG) == 0) {
            if (waited.elapsed() > 3000) {
                ::kill(m_simPid, SIGKILL);
                ::waitpid(m_simPid, nullptr, 0);
                break;
            }
            QThread::msleep(20);
        }
        m_simPid = 0;
    }
    if (m_commands >= 0) {
        ::close(m_commands);
        m_commands = -1;
    }
}
