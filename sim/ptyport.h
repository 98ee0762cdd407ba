#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

namespace sim {

// The detector's end of a pseudo-terminal. The program opens the slave side
// as its serial port; the simulator reads and writes the master side. A slave
// descriptor of our own stays open for the whole run, so the program closing
// and reopening its port never hangs up the master; the line speed the
// program sets on the slave is read back from that descriptor.
class PtyPort : public QObject {
    Q_OBJECT
public:
    explicit PtyPort(QObject *parent = nullptr);
    ~PtyPort() override;

    // Creates the pseudo-terminal in raw mode at baud. False with a reason in
    // *error when the system refuses.
    bool open(int baud, QString *error);
    QString slavePath() const { return slavePath_; }

    // The speed currently set on the line (0 when it cannot be read).
    int lineSpeed() const;

    // Queues bytes for the line; never blocks. Bytes beyond a generous
    // backlog (nobody reading the slave) are dropped.
    void write(const QByteArray &bytes);

    static constexpr int kMaxBacklog = 64 * 1024;

signals:
    // Bytes the program wrote, with the line speed at the time they were read.
    void received(const QByteArray &bytes, int lineSpeed);

private:
    void onReadable();
    void onWritable();
    void flush();
    void pauseReading();

    int master_ = -1;
    int slave_ = -1;
    QString slavePath_;
    QSocketNotifier *readNotifier_ = nullptr;
    QSocketNotifier *writeNotifier_ = nullptr;
    QByteArray backlog_;
    QTimer resume_;  // re-arms reading some time after an error
};

// termios speed constant of a baud rate and back; 0 for other rates.
unsigned speedConstant(int baud);
int baudOfSpeedConstant(unsigned speed);

}  // namespace sim
