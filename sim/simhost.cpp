#include "sim/simhost.h"

#include <algorithm>

#include <QDateTime>

namespace sim {

namespace {

const QString kOtherAddress = QStringLiteral(" ignored: other address");

}  // namespace

SimHost::SimHost(int address, int baud, quint32 seed, QObject *parent)
    : SimHost(QList<int>{address}, baud, seed, parent)
{
}

SimHost::SimHost(const QList<int> &addresses, int baud, quint32 seed, QObject *parent)
    : QObject(parent), rng_(seed ^ 0x5a5a5a5au)
{
    Q_ASSERT(!addresses.isEmpty());
    started_.start();
    const bool shared = addresses.size() > 1;
    notes_.resize(addresses.size());
    for (int i = 0; i < addresses.size(); ++i) {
        auto d = std::make_unique<Detector>(addresses[i], baud,
                                            seed + quint32(addresses[i] - addresses.first()),
                                            [this] { return started_.elapsed(); });
        d->setSharedLine(shared);
        if (shared) {
            // Every detector hears every frame; what is logged is sorted out
            // once all of them have seen it (receiveShared).
            d->setTrace([this, i](const QString &what) { notes_[i].append(what); });
        } else {
            d->setTrace([this](const QString &what) {
                log(currentSpeed_, QStringLiteral("< ") + what);
                emit requestSeen(what);
            });
        }
        detectors_.push_back(std::move(d));
    }
    pieceTimer_.setSingleShot(true);
    connect(&pieceTimer_, &QTimer::timeout, this, &SimHost::pump);
    connect(&port_, &PtyPort::received, this, &SimHost::onReceived);
}

SimHost::~SimHost() = default;

bool SimHost::open(QString *error)
{
    return port_.open(detector().baud(), error);
}

bool SimHost::setLogFile(const QString &path)
{
    logFile_.setFileName(path);
    return logFile_.open(QIODevice::WriteOnly | QIODevice::Append);
}

Detector *SimHost::detectorAt(int address)
{
    for (const auto &d : detectors_)
        if (d->address() == address)
            return d.get();
    return nullptr;
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
    // A leading number is the address of the detector the command is for.
    QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    Detector *target = &detector();
    bool isAddress = false;
    const int address = words.value(0).toInt(&isAddress);
    if (isAddress) {
        target = detectorAt(address);
        if (!target || words.size() < 2) {
            CommandResult r;
            r.ok = false;
            r.text = !target ? QStringLiteral("error: no detector at address %1 on this line")
                                   .arg(words.first())
                             : QStringLiteral("error: usage: ADDRESS COMMAND ...");
            return r;
        }
        words.removeFirst();
    }
    CommandResult r = runCommand(*target, isAddress ? words.join(QLatin1Char(' ')) : line);
    if (!r.send.isEmpty()) {
        log(detector().baud(), QStringLiteral("> garbage, %1 bytes").arg(r.send.size()));
        port_.write(r.send);
    }
    return r;
}

void SimHost::onReceived(const QByteArray &bytes, int lineSpeed)
{
    currentSpeed_ = lineSpeed;
    if (detectors_.size() > 1) {
        receiveShared(bytes, lineSpeed);
        return;
    }
    Detector *d = detectors_.front().get();
    deliver(d, d->receive(bytes, lineSpeed));
}

void SimHost::receiveShared(const QByteArray &bytes, int lineSpeed)
{
    // The bytes go to every detector a frame at a time, so that each frame is
    // logged once: by the detectors it concerns, or, when it is for nobody
    // on the line, once as being for another address. Bytes at a wrong speed
    // are discarded whole, as one detector alone does.
    QList<QByteArray> segments;
    if (lineSpeed != detector().baud()) {
        segments.append(bytes);
    } else {
        int from = 0;
        while (from < bytes.size()) {
            int end = bytes.indexOf('\r', from);
            end = end < 0 ? int(bytes.size()) : end + 1;
            segments.append(bytes.mid(from, end - from));
            from = end;
        }
    }
    QList<QPair<Detector *, QByteArray>> replies;
    for (const QByteArray &segment : segments) {
        for (size_t i = 0; i < detectors_.size(); ++i) {
            notes_[i].clear();
            const QByteArray out = detectors_[i]->receive(segment, lineSpeed);
            if (!out.isEmpty())
                replies.append({detectors_[i].get(), out});
        }
        QStringList shown;
        for (const QStringList &notes : notes_)
            for (const QString &note : notes)
                if (!note.endsWith(kOtherAddress) && !shown.contains(note))
                    shown.append(note);
        if (shown.isEmpty())
            shown = notes_.front();
        for (const QString &note : shown) {
            log(lineSpeed, QStringLiteral("< ") + note);
            emit requestSeen(note);
        }
    }
    for (const auto &[from, out] : replies)
        deliver(from, out);
}

int SimHost::wireMilliseconds(qsizetype replyChars, int baud)
{
    // A status poll is 10 characters; each character is 10 bits on the wire.
    constexpr qsizetype kRequestChars = 10;
    constexpr qint64 kBitsPerChar = 10;
    if (baud <= 0)
        return 0;
    const qint64 bits = (kRequestChars + replyChars) * kBitsPerChar;
    return int((bits * 1000 + baud - 1) / baud);
}

void SimHost::deliver(Detector *from, const QByteArray &replies)
{
    if (replies.isEmpty())
        return;
    // On a shared line a reply takes at least as long as the request and the
    // reply take on a real wire, which a pseudo-terminal does not: a watch
    // of the line tells late replies from prompt ones by that time.
    // A detector also takes a moment to turn the line around before it
    // answers; those 2 ms keep a prompt reply clear of the wire time even
    // when the watch's write returns a little late.
    constexpr int kTurnaroundMs = 2;
    int holdMs = from->lateMs();
    if (detectors_.size() > 1)
        holdMs = std::max(holdMs, wireMilliseconds(replies.size(), from->baud()) + kTurnaroundMs);
    if (holdMs > 0) {
        // Held replies wait on a timer while the line goes on; the detectors
        // live as long as the host, which owns the timer.
        QTimer::singleShot(holdMs, Qt::PreciseTimer, this,
                           [this, from, replies] { queueReplies(from, replies); });
        return;
    }
    queueReplies(from, replies);
}

void SimHost::queueReplies(Detector *from, const QByteArray &replies)
{
    int at = 0;
    while (at < replies.size()) {
        int end = replies.indexOf('\r', at);
        end = end < 0 ? int(replies.size()) : end + 1;
        queueReply(from, replies.mid(at, end - at));
        at = end;
    }
}

void SimHost::queueReply(Detector *from, const QByteArray &reply)
{
    QByteArray shown = reply;
    shown.chop(shown.endsWith('\r') ? 1 : 0);
    QString text = QStringLiteral("> ") + QString::fromLatin1(shown);
    if (detectors_.size() > 1)
        text += QStringLiteral(" [%1]").arg(from->address());
    log(from->baud(), text);
    const QList<Piece> pieces = splitForDelivery(reply, from->delivery(), rng_);
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
