#pragma once

#include "sim/detector.h"

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>
#include <QString>

namespace sim {

// Outcome of one operator command read from standard input.
struct CommandResult {
    bool ok = true;
    QString text;     // "ok", "error: ..." or the status lines
    QByteArray send;  // bytes to put on the line now (garbage)
    bool quit = false;
};

// Executes one command line against the detector. Blank lines give ok and
// change nothing.
CommandResult runCommand(Detector &detector, const QString &line);

// The longest a detector's replies can be held back (the late command and
// --late), in milliseconds.
constexpr int kMaxLateMs = 1000;

// Reads a list of bus addresses such as "1-16,20": single addresses and
// ranges, comma-separated, each within the bus's range and none twice. The
// addresses come out in the order written; on a bad list *error says why.
bool parseAddressList(const QString &text, QList<int> *addresses, QString *error);

// The command summary shown by --help and by the help command: a heading,
// then one line per command with a short description.
QString commandHelp();

// One piece of a reply and the pause before it is written.
struct Piece {
    QByteArray bytes;
    int delayMs = 0;
};

// Splits a reply into the writes of a delivery mode: one piece, one piece per
// byte with a short pause before each after the first, or two to four pieces
// cut at random points with short random pauses. The pieces always add up to
// the reply.
QList<Piece> splitForDelivery(const QByteArray &reply, Delivery mode, QRandomGenerator &rng);

}  // namespace sim
