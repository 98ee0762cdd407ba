#pragma once

#include "app/taskdialog.h"
#include "tasks/applysettingstask.h"

class Exchange;
class QTableWidget;

// "Записать настройки в блок…": reads the file and the detector, shows each
// setting with the detector's value and the file's, the differing ones in
// red, and after "Записать" writes those one at a time. Each confirmation
// ticks its row; what the detector does not confirm stays red.
class ApplyProfileDialog : public TaskDialog {
    Q_OBJECT
public:
    ApplyProfileDialog(QWidget *parent, Exchange &exchange, const QString &path);

private:
    void showComparison();
    void showResult(int index);
    void ended();
    int tableRow(const SettingsWriter::Item &item) const;

    ApplySettingsTask *m_task;
    QTableWidget *m_table;
};
