#include "sim/simhost.h"

#include <QDateTime>

namespace sim {

SimHost::SimHost(int address, int baud, quint32 seed, QObject *parent)
    : QObject(parent), detector_(address, baud, seed, [this] { return started_.elapsed(); }),
      rng_(seed ^ 0x5a5a5a5au)
{
    started_.start();
    pieceTimer_.setSingleShot(true);
    connect(&pieceTimer_, &QTimer::timeout, this, &SimHost::pump);
    connect(&port_, &PtyPort::received, this, &SimHost::onReceived);
    detector_.setTrace([this](const QString &what) {
        log(currentSpeed_, QStringLiteral("< ") + what);
        emit requestSeen(what);
    });
}

bool SimHost::open(QString *error)
{
    return port_.open(detector_.baud(), error);
}

bool SimHost::setLogFile(const QString &path)
{
    logFile_.setFileName(path);
    return logFile_.open(QIODevice::WriteOnly | QIODevice::Append);
}

void SimHost::log(int speed, const QString &text)
{
    if (!logFile_.isOpen())
        return;
    const QString line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs) +
                         QLatin1Char(' ') + QString::number(speed) + QLatin1Char(' ') + text +
                         QLatin1Char('\n');
    logFile_.write(line.toUtf8());
    logFile_.flush();
}

CommandResult SimHost::command(const QString &line)
{
    CommandResult r = runCommand(detector_, line);
    if (!r.send.isEmpty()) {
        log(detector_.baud(), QStringLiteral("> garbage, %1 bytes").arg(r.send.size()));
        port_.write(r.send);
    }
    return r;
}

void SimHost::onReceived(const QByteArray &bytes, int lineSpeed)
{
    currentSpeed_ = lineSpeed;
    const QByteArray replies = detector_.receive(bytes, lineSpeed);
    int from = 0;
    while (from < replies.size()) {
        int end = replies.indexOf('\r', from);
        end = end < 0 ? int(replies.size()) : end + 1;
        queueReply(replies.mid(from, end - from));
        from = end;
    }
}

void SimHost::queueReply(const QByteArray &reply)
{
    QByteArray shown = reply;
    shown.chop(shown.endsWith('\r') ? 1 : 0);
    log(detector_.baud(), QStringLiteral("> ") + QString::fromLatin1(shown));
    const QList<Piece> pieces = splitForDelivery(reply, detector_.delivery(), rng_);
    for (int i = 0; i < pieces.size(); ++i)
        queue_.append({pieces[i], i + 1 == pieces.size() ? reply : QByteArray()});
    if (!pieceTimer_.isActive())
        pump();
}

void SimHost::pump()
{
    // Writes every piece that is due; a piece with a pause starts the timer
    // and is written when it fires.
    while (!queue_.isEmpty()) {
        Queued &head = queue_.first();
        if (head.piece.delayMs > 0) {
            pieceTimer_.start(head.piece.delayMs);
            head.piece.delayMs = 0;
            return;
        }
        const Queued q = queue_.takeFirst();
        port_.write(q.piece.bytes);
        if (!q.completes.isEmpty())
            emit replySent(q.completes);
    }
}

}  // namespace sim
