#pragma once

#include <QDialog>

class QLineEdit;
class QSettings;

// Asks, before the commissioning report's file is chosen, for what the
// report says that no detector can tell: the site and the installer's name.
// Both are offered as they were typed last time and remembered when the
// dialog is accepted, in the user's settings store (none: nothing is
// remembered). Either may stay empty: the report then has a line to write
// on. Opened window-modal with open(); deletes itself when closed.
class ReportDetailsDialog : public QDialog {
    Q_OBJECT
public:
    ReportDetailsDialog(QWidget *parent, QSettings *settings);

    QString site() const;
    QString installer() const;

    void accept() override;

private:
    QSettings *m_settings;
    QLineEdit *m_site;
    QLineEdit *m_installer;
};
