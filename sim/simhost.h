#pragma once

#include "sim/commands.h"
#include "sim/detector.h"
#include "sim/ptyport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

#include <memory>
#include <vector>

namespace sim {

// The simulator at run time: one detector, or several sharing one line,
// behind a pseudo-terminal, their replies written piece by piece as the
// delivery mode says, every request and reply logged on request.
class SimHost : public QObject {
    Q_OBJECT
public:
    SimHost(int address, int baud, quint32 seed, QObject *parent = nullptr);
    // Detectors at these addresses on one line at one speed; the first listed
    // is the one commands without an address go to. The first uses seed for
    // its signal noise, each other seed + its address - the first address,
    // so that their signals differ.
    SimHost(const QList<int> &addresses, int baud, quint32 seed, QObject *parent = nullptr);
    ~SimHost() override;

    bool open(QString *error);
    QString slavePath() const { return port_.slavePath(); }
    // Appends a line per request and per reply to the file; false when it
    // cannot be opened.
    bool setLogFile(const QString &path);

    // The first detector listed.
    Detector &detector() { return *detectors_.front(); }
    // The detector now answering at address, nullptr when none does.
    Detector *detectorAt(int address);
    int detectorCount() const { return int(detectors_.size()); }
    // Runs one operator command, optionally led by the address of the
    // detector it is for; garbage goes out at once.
    CommandResult command(const QString &line);

    // Milliseconds a request and a reply of `replyChars` characters take on
    // a wire at `baud`, rounded up.
    static int wireMilliseconds(qsizetype replyChars, int baud);

signals:
    // A description of every request frame heard (or bytes discarded).
    void requestSeen(const QString &what);
    // A reply has been handed to the line in full.
    void replySent(const QByteArray &reply);

private:
    void onReceived(const QByteArray &bytes, int lineSpeed);
    void receiveShared(const QByteArray &bytes, int lineSpeed);
    void deliver(Detector *from, const QByteArray &replies);
    void queueReplies(Detector *from, const QByteArray &replies);
    void queueReply(Detector *from, const QByteArray &reply);
    void pump();
    void log(int speed, const QString &text);

    QElapsedTimer started_;
    std::vector<std::unique_ptr<Detector>> detectors_;
    std::vector<QStringList> notes_;  // per detector, while several share the line
    PtyPort port_;
    QRandomGenerator rng_;
    struct Queued {
        Piece piece;
        QByteArray completes;  // the whole reply, on its last piece only
    };
    QList<Queued> queue_;
    QTimer pieceTimer_;
    QFile logFile_;
    int currentSpeed_ = 0;
};

}  // namespace sim
