#pragma once

#include <QObject>
#include <QString>

#include <functional>

class Exchange;

// One use case of the program, run on the engine for whoever asked for it:
// the window's menu shows it in a dialog, verkan-cli prints it. A task reports
// progress while it works and ends exactly once: done, failed with a reason,
// or cancelled; message() then holds the words for the user and failure()
// what went wrong, for callers that act on it (verkan-cli's exit code).
//
// Tasks that talk to a detector run on a running Exchange and share its
// rules here, written once:
//   - a task that moves the exchange to the other flank puts it back on the
//     flank it found, however the task ends;
//   - a lost link ends the task as "no answer", a stopped exchange as
//     "stopped" (Exchange::linkLost comes before Exchange::stopped).
class Task : public QObject {
    Q_OBJECT
public:
    enum class State { Ready, Running, Done, Failed, Cancelled };
    enum class Failure {
        None,
        PortNotOpen,     // the port does not open
        NoAnswer,        // the detector did not answer, or the link was lost
        BadFile,         // a file the task reads is unreadable or refused
        FileNotWritten,  // a file the task writes cannot be written
        NotConfirmed,    // a write the detector did not confirm or refused
        Stopped,         // the exchange was stopped while the task ran
    };

    ~Task() override;

    State state() const { return m_state; }
    bool isRunning() const { return m_state == State::Running; }
    bool hasEnded() const { return m_state > State::Running; }
    Failure failure() const { return m_failure; }
    // What the user is told at the end: what was done, or why not.
    const QString &message() const { return m_message; }

    // Ends a running task: what it has done stays done, nothing more is sent.
    void cancel();

signals:
    // Work under way: a line of text and, where it can be counted, how much
    // of how much is done (total 0: cannot be counted).
    void progress(const QString &text, int done, int total);
    // The task ended; state(), failure() and message() say how.
    void finished();

protected:
    // `exchange`: the exchange the task talks through; none for a task that
    // owns its port (the search for detectors).
    explicit Task(Exchange *exchange, QObject *parent = nullptr);

    Exchange *exchange() const { return m_exchange; }
    // Marks the task running and remembers the flank the exchange is on
    // (or will start on).
    void begin();
    void succeed(const QString &message);
    void fail(Failure failure, const QString &message);
    // Puts the exchange back on the flank the task found it on.
    void restoreFlank();
    // Runs `work` now when the exchange runs, or as soon as it starts: a
    // task can be started first and check what it can (its files) before
    // the port is opened.
    void whenExchangeRuns(std::function<void()> work);

    // Called once as the task ends, in any way, before finished(): stop
    // timers and helpers, close files.
    virtual void endWork() {}
    // The exchange stopped under the running task; `linkLost`: because the
    // detector stopped answering. By default the task fails with the
    // matching words.
    virtual void exchangeEnded(bool linkLost);

private:
    void end(State state, Failure failure, const QString &message);

    Exchange *m_exchange;
    State m_state = State::Ready;
    Failure m_failure = Failure::None;
    QString m_message;
    int m_originalFlank = 1;
};
