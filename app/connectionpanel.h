#pragma once

#include "app/networkports.h"

#include <QFont>
#include <QList>
#include <QObject>
#include <QStringList>

class Exchange;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class PortList;
class QPushButton;
class QSettings;
class QWidget;
class UpDown;

// "ПОДКЛЮЧЕНИЕ": the port list, the detector's address, "СТАРТ" and "СТОП",
// the flank selector, the link status line and the speed under the chart.
class ConnectionPanel : public QObject {
    Q_OBJECT
public:
    // `settings`: where the port and address of the last "СТАРТ" are kept
    // (none: nothing is remembered).
    ConnectionPanel(QWidget *form, Exchange &exchange, QSettings *settings = nullptr);

    // Captions and start-up state; scans the ports and offers the port and
    // address remembered from the last run.
    void load();
    // "СТАРТ": true when the exchange started, and the port and address are
    // remembered. A port not chosen or not opening is reported in red in the
    // status line.
    bool start();
    // The exchange stopped, by "СТОП" or after a lost link.
    void showStopped();
    void showLinkAlive();
    void showSpeed(int baud);
    // The speed search tries `baud`: said in the status line while it has
    // nothing else to say.
    void showSpeedTried(int baud);
    void showLinkLost();
    // A serial server could not be reached after "СТАРТ": said in red as a
    // port that does not open; the stop that follows leaves it there.
    void showStartFailed(const QString &reason);

    // The flank chosen in the selector (1 or 2), and as shown ("1" or "2").
    int flank() const;
    QString flankText() const;

    // For the menu bar. The port list is scanned again by the start-up rule,
    // keeping the chosen port when it is still there; nothing is scanned
    // while the port is in use. Returns the listed COM port numbers.
    QList<int> rescanPorts();
    // The named network ports listed after the COM numbers, as last listed.
    const QList<NamedPort> &networkPorts() const { return m_networkPorts; }
    // Chooses the port and the detector's address, ready for "СТАРТ".
    void choosePortAndAddress(const PortDescription &port, int address);
    // Shows `flank` in the selector when the exchange moved to it by itself
    // (a settings read or write goes over both flanks).
    void showFlank(int flank);

signals:
    void startPressed();
    void flankChosen(int flank);

private:
    // Lists the COM ports that open, then the named network ports; returns
    // the devices refused for lack of permission.
    QStringList listComPorts();
    // The port of the chosen item, or none.
    std::optional<PortDescription> chosenPort() const;
    // A port that did not open or could not be reached, and why, in red.
    void showPortFailure(const PortDescription &port, const QString &reason);
    // The status line's word on the ports refused by the last scan.
    void showPermissionHint(const QStringList &denied);
    // The address typed into the box, taken or put back.
    void takeTypedAddress();
    void showLinkError(const QString &text);
    // The status line, fitted to its designed area.
    void showStatus(const QString &text);

    // The remembered port chosen in the list and the address on the spinner.
    void offerRemembered();

    Exchange &m_exchange;
    QSettings *m_settings;
    QLabel *m_status;            // Label6
    QLabel *m_speed;             // Label24
    PortList *m_ports;           // Combo3
    QComboBox *m_flank;          // Combo2
    QPushButton *m_start;        // Command4
    QPushButton *m_stop;         // Command3
    QCheckBox *m_addressUnlock;  // Check1
    UpDown *m_address;           // UpDown1
    QLineEdit *m_addressBox;     // Text1
    QWidget *m_form;
    QFont m_statusFont;               // Label6's designed font
    QString m_statusText;             // the whole text last shown in Label6
    bool m_showsSearch = false;       // Label6 shows the speed search, not a message of its own
    QString m_permissionHint;         // the hint of the last scan, empty when it refused none
    QList<NamedPort> m_networkPorts;  // listed after the COM numbers
    bool m_startFailed = false;       // the next stop keeps the red message of a failed start
};
