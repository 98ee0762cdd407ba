#pragma once

#include "link/serialport.h"

#include <QList>
#include <QObject>
#include <QStringList>

class QTimer;

// Finds detectors on a port: at every search speed, from the slowest up, one
// unit-number read per address and slot (the exchange's pacing,
// protocol::kSlot). A detector answers only at its address and speed, but a
// reply heard in a slot may be late from the slot before or one nobody asked
// for: an address that answered is asked once more in the next slot, and it
// is a detector only when the same reply comes in that slot too.
class Discovery : public QObject {
    Q_OBJECT
public:
    struct Found {
        int address = 0;
        int baud = 0;
    };

    Discovery(SerialPortService &port, QObject *parent = nullptr);

    // Opens `port` and starts the search over the addresses first..last, at
    // every search speed or only at `onlyBaud` (a port that fixes its own
    // speed is searched once, at its speed). False when the port does not
    // open (its lastOpenError says why). A port that opens but is not ready
    // yet (a serial server being reached) is searched once it is ready, or
    // openFailed() and finished() follow.
    bool start(const PortDescription &port, int firstAddress, int lastAddress, int onlyBaud = 0);
    void cancel();
    bool isRunning() const;
    const QList<Found> &found() const { return m_found; }
    // Probes in all and probes sent so far.
    int total() const;
    int done() const { return m_done; }
    // Replies that the second request did not confirm, dropped.
    int unconfirmed() const { return m_unconfirmed; }

signals:
    void detectorFound(int address, int baud);
    void progress(int done, int total, int baud);
    // A port that opened could not be made ready: `reason` in the port's
    // words. finished() follows.
    void openFailed(const QString &reason);
    // The search ended, by itself or cancelled; the port is closed.
    void finished();

private:
    void slot();
    void askAgain();
    void bytesArrived();
    void portReady();
    void portOpenFailed();
    void finish();

    SerialPortService &m_port;
    QTimer *m_timer;
    QList<Found> m_found;
    QByteArray m_received;
    int m_first = 0;
    int m_last = 0;
    QList<int> m_speeds;
    int m_speedIndex = 0;
    int m_address = 0;
    int m_asked = -1;  // address of the probe in flight, -1: none
    int m_done = 0;
    int m_unconfirmed = 0;
    // The replies heard for m_asked, awaiting the confirmation of one.
    QStringList m_candidates;
    bool m_waitingForPort = false;
};
