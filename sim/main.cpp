// verkan-sim: a simulated VERKAN-R detector on a pseudo-terminal, for running
// and testing the setup program without the hardware.

#include "base/commandline.h"
#include "link/protocol.h"
#include "sim/commands.h"
#include "sim/simhost.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[0], &c, 1);
}

void say(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void fail(const QString &text)
{
    std::fputs(("verkan-sim: " + text + '\n').toLocal8Bit().constData(), stderr);
}

// Points link at target; an existing symbolic link is replaced, anything else
// in its place is left alone.
bool makeLink(const QString &link, const QString &target, QString *error)
{
    const QFileInfo info(link);
    if (info.isSymLink()) {
        if (!QFile::remove(link)) {
            *error = QStringLiteral("cannot remove old link %1").arg(link);
            return false;
        }
    } else if (info.exists()) {
        *error = QStringLiteral("%1 exists and is not a symbolic link").arg(link);
        return false;
    }
    QDir().mkpath(info.absolutePath());
    if (!QFile::link(target, link)) {
        *error = QStringLiteral("cannot create link %1").arg(link);
        return false;
    }
    return true;
}

// Reads operator commands from standard input, a line at a time. End of input
// only stops reading: the simulator keeps running until "quit" or a signal.
class CommandReader : public QObject {
public:
    CommandReader(sim::SimHost &host, bool quiet) : host_(host), quiet_(quiet)
    {
        ::fcntl(0, F_SETFL, ::fcntl(0, F_GETFL) | O_NONBLOCK);
        notifier_ = new QSocketNotifier(0, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &CommandReader::onReadable);
    }

private:
    void onReadable()
    {
        char buf[1024];
        const ssize_t n = ::read(0, buf, sizeof buf);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (n <= 0) {
            notifier_->setEnabled(false);
            if (!line_.isEmpty())
                run(line_);
            line_.clear();
            return;
        }
        line_.append(buf, int(n));
        int nl;
        while ((nl = line_.indexOf('\n')) >= 0) {
            const QByteArray line = line_.left(nl);
            line_.remove(0, nl + 1);
            run(line);
        }
        if (line_.size() > 4096)
            line_.clear();
    }

    void run(const QByteArray &line)
    {
        const sim::CommandResult r = host_.command(QString::fromLocal8Bit(line).trimmed());
        if (!quiet_ || (r.ok && !r.text.startsWith(QLatin1String("ok"))))
            say(r.text);
        if (r.quit)
            QCoreApplication::quit();
    }

    sim::SimHost &host_;
    bool quiet_;
    QSocketNotifier *notifier_ = nullptr;
    QByteArray line_;
};

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("verkan-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VERKAN_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated VERKAN-R detector on a pseudo-terminal. Prints the terminal's "
                       "path on the first line of output.\n\n") +
        sim::commandHelp().trimmed());
    const QCommandLineOption addressOpt(QStringLiteral("address"),
                                        QStringLiteral("Bus address, %1..%2 (default 1).")
                                            .arg(protocol::kLowestAddress)
                                            .arg(protocol::kHighestAddress),
                                        QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption addressesOpt(
        QStringLiteral("addresses"),
        QStringLiteral("Several detectors on the line, e.g. 1-16,20 (instead of --address)."),
        QStringLiteral("LIST"));
    const QCommandLineOption lateOpt(
        QStringLiteral("late"),
        QStringLiteral("The first address answers MS ms after each request, 0..%1 (default 0).")
            .arg(sim::kMaxLateMs),
        QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption baudOpt(
        QStringLiteral("baud"),
        QStringLiteral("Line speed: 4800, 9600, 19200, 38400, 57600 or 115200 (default 9600)."),
        QStringLiteral("N"), QStringLiteral("9600"));
    const QCommandLineOption linkOpt(QStringLiteral("link"),
                                     QStringLiteral("Make a symbolic link PATH to the terminal."),
                                     QStringLiteral("PATH"));
    const QCommandLineOption logOpt(QStringLiteral("log"),
                                    QStringLiteral("Append every request and reply to FILE."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption seedOpt(QStringLiteral("seed"),
                                     QStringLiteral("Seed of the signal noise (default 1)."),
                                     QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption quietOpt(QStringLiteral("quiet"),
                                      QStringLiteral("Do not answer commands with ok/error."));
    parser.addOptions(
        {addressOpt, addressesOpt, baudOpt, lateOpt, linkOpt, logOpt, seedOpt, quietOpt});
    if (const int status = CommandLine::parse(parser, QCoreApplication::arguments()); status >= 0)
        return status;

    bool ok = false;
    QList<int> addresses;
    if (parser.isSet(addressesOpt)) {
        QString why;
        if (parser.isSet(addressOpt)) {
            fail(QStringLiteral("--address and --addresses cannot be given together"));
            return CommandLine::usageError;
        }
        if (!sim::parseAddressList(parser.value(addressesOpt), &addresses, &why)) {
            fail(QStringLiteral("--addresses: ") + why);
            return CommandLine::usageError;
        }
    } else {
        const int address = parser.value(addressOpt).toInt(&ok);
        if (!ok || address < protocol::kLowestAddress || address > protocol::kHighestAddress) {
            fail(QStringLiteral("--address must be %1..%2")
                     .arg(protocol::kLowestAddress)
                     .arg(protocol::kHighestAddress));
            return CommandLine::usageError;
        }
        addresses = {address};
    }
    const int lateMs = parser.value(lateOpt).toInt(&ok);
    if (!ok || lateMs < 0 || lateMs > sim::kMaxLateMs) {
        fail(QStringLiteral("--late must be 0..%1").arg(sim::kMaxLateMs));
        return CommandLine::usageError;
    }
    const int baud = parser.value(baudOpt).toInt(&ok);
    if (!ok || !sim::isSupportedBaud(baud)) {
        fail(QStringLiteral("--baud must be one of 4800 9600 19200 38400 57600 115200"));
        return CommandLine::usageError;
    }
    const quint32 seed = parser.value(seedOpt).toUInt(&ok);
    if (!ok) {
        fail(QStringLiteral("--seed must be a whole number"));
        return CommandLine::usageError;
    }

    sim::SimHost host(addresses, baud, seed);
    host.detector().setLateMs(lateMs);
    QString error;
    if (!host.open(&error)) {
        fail(error);
        return 1;
    }
    if (parser.isSet(logOpt) && !host.setLogFile(parser.value(logOpt))) {
        fail(QStringLiteral("cannot open log file %1").arg(parser.value(logOpt)));
        return 1;
    }
    const QString link = parser.value(linkOpt);
    if (!link.isEmpty() && !makeLink(link, host.slavePath(), &error)) {
        fail(error);
        return 1;
    }
    say(host.slavePath());

    // SIGINT and SIGTERM end the event loop through a socket pair, so the
    // link is removed on the way out.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
        auto *sn = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &app);
        QObject::connect(sn, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        sigaction(SIGINT, &sa, nullptr);
        sigaction(SIGTERM, &sa, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);

    CommandReader reader(host, parser.isSet(quietOpt));
    const int rc = app.exec();
    if (!link.isEmpty() && QFileInfo(link).isSymLink() &&
        QFileInfo(link).symLinkTarget() == host.slavePath())
        QFile::remove(link);
    return rc;
}
