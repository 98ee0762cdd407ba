#pragma once

// "Наблюдение за линией": every detector of one line (an RS-485 bus) in a
// table, polled in turn by a LineWatch on the main window's port service
// while the main exchange is stopped. A window of its own beside the designed
// one, which it leaves as it is.
//
//   LineWatch -> LineStates -> LineTableModel -> the table
//                           -> LineJournal -> the main window's EventJournal
//                           -> the alarm tone while an alarm is not acknowledged
//                           -> MqttPanel's LinePublisher, when publishing is on
//
// The watch holds the port only while it runs; whoever else needs the port
// (the main window's "СТАРТ") calls releasePort() first. Double-clicking a
// row, or "Открыть в главном окне", ends the watch and hands that detector's
// port and address on (chosen()).

#include "app/filechooser.h"
#include "app/networkports.h"
#include "link/portdescription.h"

#include <QList>
#include <QWidget>

#include <functional>

class AlarmPlayer;
class DiscoverTask;
class EventJournal;
class Exchange;
class LineJournal;
class LineStates;
class LineTableModel;
class LineWatch;
class MqttPanel;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;
class QTableView;
class QTimer;

class LineView : public QWidget {
    Q_OBJECT
public:
    // The operator's login name, for acknowledgements.
    using OperatorName = std::function<QString()>;

    struct Dependencies {
        Exchange *exchange = nullptr;     // required: its port serves the line while it is stopped
        EventJournal *journal = nullptr;  // required
        AlarmPlayer *alarm = nullptr;     // none: silent
        OperatorName operatorName;        // none: USER, else LOGNAME, of the environment
        QSettings *settings = nullptr;    // the MQTT fields kept between runs; none: not kept
        FileChooser chooser;              // the MQTT files; none: the desktop's dialogs
    };

    // The addresses offered at first.
    static constexpr const char *kDefaultAddresses = "1-16";
    static constexpr int kDefaultBaud = 19200;

    LineView(const Dependencies &deps, QWidget *parent = nullptr);
    ~LineView() override;

    // The ports to offer, named as the main window's port list names them;
    // `current` is chosen when listed and nothing is watched.
    void setPorts(const QList<NamedPort> &ports, const PortDescription &current);
    // Ends the watch and any search: the port is free for the main exchange.
    void releasePort();
    bool isWatching() const;
    // Watching or searching: the port is this window's.
    bool holdsPort() const;

signals:
    // The operator wants to set up this detector in the main window.
    void chosen(const PortDescription &port, int address);
    // A watch or a search started or ended: the port is taken or free again.
    void portHeldChanged(bool held);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void startPressed();
    void watchStopped();
    void findPressed();
    void searchEnded();
    void acknowledgeCurrent();
    void openCurrent();
    void remoteTestCurrent();
    void addressesEdited();
    void updateControls();
    void updateTone();
    void showStatus(const QString &text, bool failed = false);
    int currentAddress() const;
    std::optional<PortDescription> chosenPort() const;

    Exchange &m_exchange;
    AlarmPlayer *m_alarm;
    OperatorName m_operatorName;
    LineWatch *m_watch;
    LineStates *m_states;
    LineJournal *m_journal;
    LineTableModel *m_model;
    DiscoverTask *m_search = nullptr;
    QList<int> m_found;
    PortDescription m_watchedPort = PortDescription::comPort(1);
    bool m_journalled = false;  // the watch's start is journalled, its stop not yet

    QComboBox *m_ports;
    QLineEdit *m_addresses;
    QLabel *m_addressError;
    QPushButton *m_find;
    QComboBox *m_speed;
    QPushButton *m_start;
    QPushButton *m_stop;
    QLabel *m_status;
    QTableView *m_table;
    QPushButton *m_acknowledge;
    QPushButton *m_open;
    QPushButton *m_remoteTest;
    MqttPanel *m_mqtt;
    QTimer *m_tone;
};
