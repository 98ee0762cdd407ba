#pragma once

#include "app/networkports.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QSettings;
class QTableWidget;

// "Сетевые порты": the user's serial servers under names of their own, a
// table of name and port description (tcp://HOST:PORT or
// rfc2217://HOST:PORT) with "Добавить" and "Удалить". What is wrong is said
// in red under the table and OK waits until it is mended; OK saves the list
// into the settings store (none: nothing is kept). Opened window-modal with
// open(); deletes itself when closed.
class NetworkPortsDialog : public QDialog {
    Q_OBJECT
public:
    NetworkPortsDialog(QWidget *parent, QSettings *settings);

    // The rows as they stand, valid or not.
    QList<NetworkPorts::Row> rows() const;

    void accept() override;

private:
    void addRow(const QString &name, const QString &port);
    void addPressed();
    void removePressed();
    // Checks the rows; says what is wrong and enables OK when nothing is.
    bool check();

    QSettings *m_settings;
    QTableWidget *m_table;
    QPushButton *m_add;
    QPushButton *m_remove;
    QPushButton *m_ok;
    QLabel *m_problem;
    QList<NamedPort> m_checked;  // the rows as ports, when check() passed
};
