#pragma once

// Form1: the one window of verkan-r, "Программа настройки ВЕРКАН-Р Ливерт".
//
// The window is composition. buildDesignedControls() creates every control
// under its designed name (Command4, Check2, UpDown5, ...) at its designed
// place; four panels find their controls by name and wire them to the engine:
//
//   ConnectionPanel  port list, address, "СТАРТ"/"СТОП", flank, link status
//   SettingsPanel    the setting rows of the catalogue and the address change
//   MonitorPanel     flank and tamper state, remote test, tone, journal list
//   ChartPanel       the signal chart, its scales and the control pass
//
// The engine is an Exchange (link/) on the injected serial port; its events
// are handed to the panels here, in the order the window shows them, and its
// own journal lines (start, stop, lost link) are written by ExchangeJournal
// (monitor/). Nothing in this folder talks to the port or keeps protocol
// state; the menu bar above (MainWindow) runs the use cases of tasks/.

#include "app/networkports.h"
#include "diagram/controlpass.h"
#include "journal/eventjournal.h"
#include "link/statusreading.h"

#include <QDateTime>
#include <QList>
#include <QWidget>

#include <memory>

class AlarmPlayer;
class QSettings;
class ChartPanel;
class ConnectionPanel;
class Exchange;
class MonitorPanel;
class SerialPortService;
class SettingsPanel;
class SignalChart;

struct Form1Dependencies {
    SerialPortService *port = nullptr;  // required; not owned
    QString journalPath;                // "Jurnal.txt" beside the program
    EventJournal::Clock clock = &QDateTime::currentDateTime;
    AlarmPlayer *alarm = nullptr;  // not owned; none: silent
    QString tonePath;              // the alarm's file, named when it cannot be heard
    // The user's remembered choices (port, address, folders, names), kept
    // between runs; not owned. None: nothing is remembered or offered.
    QSettings *settings = nullptr;
};

class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(const Form1Dependencies &deps, QWidget *parent = nullptr);
    ~Form1() override;

    Exchange &exchange() { return *m_exchange; }
    EventJournal &journal() { return *m_journal; }
    SignalChart &chart();

    // For the menu bar (MainWindow): the port list scanned again (the
    // listed COM port numbers), the named network ports listed after them,
    // and a port and address chosen for "СТАРТ".
    QList<int> rescanPorts();
    QList<NamedPort> networkPorts() const;
    void choosePortAndAddress(const PortDescription &port, int address);

signals:
    // "СТАРТ" was pressed, before the exchange takes the port: whoever holds
    // the port service (the line view) lets it go now.
    void startRequested();
    // The control pass advanced on a status reading the window has shown.
    void controlPassSampled(const StatusReading &reading, const ControlPass::Step &step);

private:
    void setDesignedLook();
    void load();
    void startPressed();
    void exchangeStopped();
    void linkLost();
    void showReadingsStale(bool stale);
    // A settings read or write moves the exchange over both flanks; the
    // flank selector follows, so replies are shown and journalled under the
    // flank they belong to.
    void followExchangeFlank();

    Exchange *m_exchange;
    std::unique_ptr<EventJournal> m_journal;
    ConnectionPanel *m_connection = nullptr;
    SettingsPanel *m_settings = nullptr;
    MonitorPanel *m_monitor = nullptr;
    ChartPanel *m_chart = nullptr;
};
