#pragma once

#include "app/taskdialog.h"
#include "params/settingstransfer.h"

class Exchange;
class QTableWidget;

// Starts reading both flanks' settings for `dialog`, showing the progress
// there; "Отмена" stops the read. The reader belongs to the dialog.
SettingsReader *startSettingsRead(TaskDialog *dialog, Exchange &exchange);

// "Сохранить настройки блока…": reads both flanks from the running exchange
// and writes the settings file of verkan-cli.
class SaveSettingsDialog : public TaskDialog {
    Q_OBJECT
public:
    SaveSettingsDialog(QWidget *parent, Exchange &exchange, const QString &path);
};

// "Записать настройки в блок…": reads the file and the detector, shows each
// setting with the detector's value and the file's, the differing ones in
// red, and after "Записать" writes those one at a time. Each confirmation
// ticks its row; what the detector does not confirm stays red.
class ApplyProfileDialog : public TaskDialog {
    Q_OBJECT
public:
    ApplyProfileDialog(QWidget *parent, Exchange &exchange, const QString &path);

private:
    void showComparison(const SettingsProfile &detector);
    void writePressed();
    void itemDone(int index, SettingsWriter::Outcome outcome);
    void written();
    int tableRow(const SettingsWriter::Item &item) const;

    Exchange &m_exchange;
    SettingsProfile m_wanted;
    SettingsWriter *m_writer;
    QTableWidget *m_table;
    QList<SettingsWriter::Item> m_items;
    int m_originalFlank = 1;
    int m_done = 0;
};
