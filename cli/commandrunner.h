#pragma once

#include "cli/arguments.h"
#include "link/anyport.h"
#include "link/exchange.h"
#include "tasks/task.h"

#include <QEventLoop>
#include <QObject>

#include <memory>

class EventJournal;
class LineJournal;
class LinePublisher;
class LineStates;
class LineWatch;
class StopSignals;

// Runs one verkan-cli command on the shared engine: the command starts the
// exchange (or, for discover, has the port to itself), runs the task of its
// use case and prints what the task reports; run() turns the event loop
// meanwhile. Nothing here waits on the port: pacing is the exchange's slot
// and the detector's replies.
class CommandRunner : public QObject {
    Q_OBJECT
public:
    explicit CommandRunner(const CliArguments &arguments, QObject *parent = nullptr);
    ~CommandRunner() override;

    // Runs the command to its end and returns the exit code.
    int run();

private:
    // Opens the port and starts the exchange; false (and done) when the
    // port does not open.
    bool startExchange();
    void finish(int code);
    void fail(int code, const QString &message);
    // The detector stopped answering: said the same way whatever the command.
    void failLinkLost();
    // The port as shown in messages: "COM-порт 1 (/dev/ttyS0)" or the path.
    QString portText() const;
    // Starts the task once the exchange runs; `ended` prints what the task
    // did, then its failure (if any) becomes the exit code.
    void runTask(Task *task, std::function<void()> ended = {});
    void taskEnded(Task *task);

    void discover();
    void status();
    void readSettings();
    void apply();
    void record();
    void report();
    void watch();
    // The speed search of watch: the exchange's search at the next listed
    // address; none left: no detector answered at any speed.
    void searchNextAddress();
    // Starts watching the line at `baud`.
    void startWatch(int baud);
    // SIGINT, SIGTERM or --seconds: the watch ends in order, exit 0.
    void endWatch();
    // Stops the watch (if it runs) and writes the journal's stop line.
    void closeWatch();
    // watch --mqtt: connects to the broker beside the watch; false (and
    // done) when the settings cannot be used.
    bool startPublishing();
    // Delivers what the publisher still holds, for a few seconds at most.
    void finishPublishing();

    CliArguments m_args;
    AnyPortService m_port;
    Exchange m_exchange;
    std::unique_ptr<EventJournal> m_journal;
    QEventLoop m_loop;
    Task *m_task = nullptr;
    int m_exit = ExitDone;
    bool m_done = false;
    bool m_linkLost = false;
    int m_lastProgressBaud = 0;

    // watch
    std::unique_ptr<LineWatch> m_watch;
    std::unique_ptr<LineStates> m_states;
    LineJournal *m_lineJournal = nullptr;
    LinePublisher *m_publisher = nullptr;
    StopSignals *m_stopSignals = nullptr;
    QList<int> m_searchLeft;  // addresses the speed search has still to try
    int m_foundBaud = 0;      // the speed the search found (0: none yet)
    bool m_journalStarted = false;
    bool m_outputClosed = false;  // standard output can no longer be written
    int m_events = 0;
    int m_droppedReplies = 0;
};
