#pragma once

#include "monitor/statusdecoder.h"

#include <QObject>

class AlarmPlayer;
class EventJournal;
class Exchange;
class JournalListView;
class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;
class QWidget;

// The state of the chosen flank and of the tamper sensor, the remote test,
// the alarm tone and the event journal.
class MonitorPanel : public QObject {
    Q_OBJECT
public:
    // `tonePath`: the tone's file, named when it cannot be heard.
    MonitorPanel(QWidget *form, Exchange &exchange, AlarmPlayer *alarm, const QString &tonePath);
    ~MonitorPanel() override;

    // The journal's list and failure report; called once the journal exists.
    void attachJournal(EventJournal &journal);
    // The newest entries the list keeps; the file keeps every entry.
    static constexpr int kJournalListLimit = 100000;

    // Where the journal puts a new entry: at the top of the list, the oldest
    // one beyond the limit dropped.
    void insertJournalEntry(const QString &entry);

    void load();
    void exchangeStarted();
    void exchangeStopped();
    // A detector answered at the address: the remote test may be asked.
    void showLinkEstablished();
    void showLinkLost();
    // The flank state, its fault note and the tamper state greyed, or shown
    // as the last status reply set them.
    void showReadingsStale(bool stale);
    void showStatus(const StatusReading &reading, const QString &flankText);

private:
    void reportJournalFailure(const QString &error);
    void reportToneFailure(const QString &reason);
    // Marks `caption` red with `message` as its tool tip and logs it; an
    // empty message takes the mark away.
    static void showFailure(QWidget *caption, const QString &message);

    Exchange &m_exchange;
    AlarmPlayer *m_alarm;
    QString m_tonePath;
    EventJournal *m_journal = nullptr;
    FlankMonitor m_monitor;
    QWidget *m_form;
    QLabel *m_flankState;       // Label4
    QLabel *m_faultNote;        // Label25
    QLabel *m_tamperState;      // Label16
    QLabel *m_journalCaption;   // Label18
    QPushButton *m_remoteTest;  // Command5
    QCheckBox *m_sound;         // Check3
    JournalListView *m_list;    // List1
    QTimer *m_tone;             // Timer4
};
