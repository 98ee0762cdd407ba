#pragma once

// Form1: the one window of verkan-r.
//
// The window owns every control (under its designed name: Command4, Check2,
// UpDown5, ...), the three timers and the shared state (SharedState). It does
// no protocol work of its own: it wires the controls to the core library.
//
//   Timer1 (10 ms)  -> schedulerTick()      -> SerialPortService::write()
//   dataReceived    -> receiveBytes()       -> frameEnd() / statusReply() /
//                                              settingReply() below
//   statusReply     -> decodeStatus() (indication, journal, tone), then the
//                      diagram step (chart, levels, control pass)
//   settingReply    -> the parameter catalogue: value box, spinner, journal
//   Timer5 (2 s)    -> watchdog: port reset, then link lost and "СТОП"
//   buttons/boxes   -> handlers that queue frames with putIntoMailbox()
//
// Everything runs on the GUI thread. Setting a check box or spinner from code
// runs its handler at once (Qt's toggled / UpDown::changed signals), which
// the handlers rely on exactly as the operator's clicks do.

#include "app/sharedstate.h"
#include "journal/eventjournal.h"
#include "link/receiver.h"

#include <QDateTime>
#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
class AlarmPlayer;
class ChartCanvas;
class ChartView;
struct SettingRow;
class SerialPortService;
class UpDown;

struct Form1Dependencies {
    SerialPortService *port = nullptr;  // required; not owned
    QString journalPath;                // "Jurnal.txt" beside the program
    EventJournal::Clock clock = &QDateTime::currentDateTime;
    AlarmPlayer *alarm = nullptr;  // not owned; none: silent
};

class Form1 : public QWidget, private ReplyHandler {
    Q_OBJECT
public:
    explicit Form1(const Form1Dependencies &deps, QWidget *parent = nullptr);
    ~Form1() override;

    SharedState &state() { return m_state; }
    const SharedState &state() const { return m_state; }
    EventJournal &journal() { return *m_journal; }
    SerialPortService &port() { return *m_port; }

    // Handlers, public so that code (the watchdog, tests) can press a button
    // the way the operator does.
    void startExchange();            // Command4 "СТАРТ"
    void stopExchange();             // Command3 "СТОП"
    void addressUnlockToggled();     // Check1
    void flankChosen();              // Combo2, the operator's pick
    void exchangeTick();             // Timer1
    void watchdogTick();             // Timer5
    void bytesReceived();            // MSComm1 receive event
    void clearJournal();             // Command6 "Очистить"
    void soundToggled();             // Check3 "Звук"
    void alarmToneTick();            // Timer4
    void remoteTest();               // Command5 "Выполнить"
    void startControlPassClicked();  // Command9 "Старт"
    void stopControlPassClicked();   // Command8 "Стоп"
    void addressChangeApplied();     // Command13
    void unlockBoxToggled(int row);  // the "Изменить" box of a setting row
    void spinnerChanged(int row);    // the spinner of a setting row
    void applyClicked(int row);      // the "Применить" button of a setting row

    // Controls, under their designed names.
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9,
        *Label10, *Label11, *Label12, *Label13, *Label14, *Label15, *Label16, *Label17, *Label18,
        *Label19, *Label20, *Label21, *Label22, *Label23, *Label24, *Label25, *Label26, *Label27,
        *Label28, *Label29, *Label30, *Label31;
    QLineEdit *Text1, *Text2, *Text3, *Text4, *Text5, *Text6, *Text7, *Text8, *Text9, *Text10,
        *Text11, *Text12;
    QPushButton *Command1, *Command2, *Command3, *Command4, *Command5, *Command6, *Command7,
        *Command8, *Command9, *Command10, *Command11, *Command12, *Command13, *Command14;
    QCheckBox *Check1, *Check2, *Check3, *Check4, *Check5, *Check6, *Check7, *Check8, *Check9,
        *Check10, *Check11, *Check12, *Check13, *Check14;
    QComboBox *Combo1, *Combo2, *Combo3;
    UpDown *UpDown1, *UpDown2, *UpDown3, *UpDown4, *UpDown5, *UpDown6, *UpDown7, *UpDown8;
    QListWidget *List1;
    ChartView *Picture1;
    QLabel *Picture2;
    QTimer *Timer1, *Timer4, *Timer5;

    // The controls of one setting row, found by the names in the catalogue.
    struct SettingControls {
        const SettingRow *row = nullptr;
        QCheckBox *unlockBox = nullptr;
        UpDown *spinner = nullptr;  // none for the limit
        QComboBox *list = nullptr;  // the limit's list
        QPushButton *apply = nullptr;
        QLineEdit *valueBox = nullptr;  // none for the limit
    };
    const QList<SettingControls> &settingRows() const { return m_rows; }
    int settingRowIndex(const QString &unlockBoxName) const;
    const ChartCanvas &chart() const { return *m_chart; }

    // The flank chosen in Combo2 as a number (1 or 2).
    int flankNumber() const;
    // Colours as the window shows them, 0xBBGGRR.
    static quint32 labelTextColor(const QLabel *label);
    static quint32 labelBackColor(const QLabel *label);
    quint32 windowBackColor() const;

private:
    void createControls();
    void connectHandlers();
    void buildSettingRows();
    void load();
    void scanComPorts();
    bool openPortForExchange(int portNumber);
    void showLinkError(const QString &text);
    void reportJournalFailure(const QString &error);

    // ReplyHandler
    void frameEnd() override;
    void pauseExchange() override;
    void statusReply() override;
    void settingReply(int code) override;

    void scaleToggled(QCheckBox *box, QCheckBox *partner, qint16 &scale, qint16 value);

    SharedState m_state;
    SerialPortService *m_port;
    AlarmPlayer *m_alarm;
    std::unique_ptr<EventJournal> m_journal;
    std::unique_ptr<ChartCanvas> m_chart;
    QList<SettingControls> m_rows;
};

// Sets a label's colours (0xBBGGRR) the way the original controls had them.
void setLabelTextColor(QLabel *label, quint32 bgr);
void setLabelBackColor(QLabel *label, quint32 bgr);
// Enables a timer that has a non-zero interval; a running timer is left as
// it is. Disabling stops it.
void setTimerEnabled(QTimer *timer, bool enabled);
