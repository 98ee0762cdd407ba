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

namespace sim {

// The simulator at run time: a detector behind a pseudo-terminal, its replies
// written piece by piece as the delivery mode says, every request and reply
// logged on request.
class SimHost : public QObject {
    Q_OBJECT
public:
    SimHost(int address, int baud, quint32 seed, QObject *parent = nullptr);

    bool open(QString *error);
    QString slavePath() const { return port_.slavePath(); }
    // Appends a line per request and per reply to the file; false when it
    // cannot be opened.
    bool setLogFile(const QString &path);

    Detector &detector() { return detector_; }
    // Runs one operator command; garbage goes out at once.
    CommandResult command(const QString &line);

signals:
    // A description of every request frame heard (or bytes discarded).
    void requestSeen(const QString &what);
    // A reply has been handed to the line in full.
    void replySent(const QByteArray &reply);

private:
    void onReceived(const QByteArray &bytes, int lineSpeed);
    void queueReply(const QByteArray &reply);
    void pump();
    void log(int speed, const QString &text);

    QElapsedTimer started_;
    Detector detector_;
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
