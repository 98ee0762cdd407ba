#pragma once

#include "app/networkports.h"

#include <QDialog>
#include <QList>

class DiscoverTask;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;
class SerialPortService;

// "Найти блок…": searches a port over a range of addresses at every line
// speed, with a progress bar and "Отмена", and lists the detectors that
// answered. Choosing one hands its port and address to the window. Used only
// while the exchange is stopped: the search has the port to itself.
class DiscoveryDialog : public QDialog {
    Q_OBJECT
public:
    // `ports`: the ports to offer under the names the port list gives them
    // (COM ports by number, then the named network ports); `port`: the one
    // chosen at first.
    DiscoveryDialog(QWidget *parent, SerialPortService &service, const QList<NamedPort> &ports,
                    const PortDescription &port);
    ~DiscoveryDialog() override;

signals:
    void chosen(const PortDescription &port, int address);

protected:
    void reject() override;

private:
    void searchPressed();
    void closePressed();
    void searchEnded();
    void choose();
    bool searching() const;
    void showText(const QString &text, bool failed = false);

    SerialPortService &m_service;
    DiscoverTask *m_task = nullptr;
    QComboBox *m_ports;
    QSpinBox *m_first;
    QSpinBox *m_last;
    QPushButton *m_search;
    QLabel *m_text;
    QProgressBar *m_progress;
    QListWidget *m_found;
    QPushButton *m_choose;
    QPushButton *m_close;
    PortDescription m_searchedPort = PortDescription::comPort(1);
    QString m_searchedName;  // as the port list names it
};
