#pragma once

#include <QObject>

class EventJournal;
class Exchange;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class UpDown;

// "ПОДКЛЮЧЕНИЕ": the port list, the detector's address, "СТАРТ" and "СТОП",
// the flank selector, the link status line and the speed under the chart.
class ConnectionPanel : public QObject {
    Q_OBJECT
public:
    ConnectionPanel(QWidget *form, Exchange &exchange, EventJournal &journal);

    // Captions and start-up state; scans the ports.
    void load();
    // "СТАРТ": true when the exchange started. A port not chosen or not
    // opening is reported in red in the status line.
    bool start();
    // The exchange stopped, by "СТОП" or after a lost link.
    void showStopped();
    void showLinkAlive();
    void showSpeed(int baud);
    void showLinkLost();

    // The flank chosen in the selector (1 or 2), and as shown ("1" or "2").
    int flank() const;
    QString flankText() const;

signals:
    void startPressed();
    void flankChosen(int flank);

private:
    void scanComPorts();
    void showLinkError(const QString &text);

    Exchange &m_exchange;
    EventJournal &m_journal;
    QLabel *m_status;            // Label6
    QLabel *m_speed;             // Label24
    QComboBox *m_ports;          // Combo3
    QComboBox *m_flank;          // Combo2
    QPushButton *m_start;        // Command4
    QPushButton *m_stop;         // Command3
    QCheckBox *m_addressUnlock;  // Check1
    UpDown *m_address;           // UpDown1
    QLineEdit *m_addressBox;     // Text1
    QWidget *m_form;
};
