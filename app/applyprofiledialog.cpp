#include "app/applyprofiledialog.h"

#include "link/exchange.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

enum Column { FlankColumn, NameColumn, DetectorColumn, FileColumn, ColumnCount };

}  // namespace

ApplyProfileDialog::ApplyProfileDialog(QWidget *parent, Exchange &exchange, const QString &path)
    : TaskDialog(parent, tr("Записать настройки в блок")),
      m_task(new ApplySettingsTask(exchange, path, {true, false}, this)),
      m_table(new QTableWidget(this))
{
    m_table->setObjectName(u"settingsTable"_s);
    m_table->hide();
    body()->addWidget(m_table);
    follow(m_task);
    connect(m_task, &ApplySettingsTask::comparisonReady, this, &ApplyProfileDialog::showComparison);
    connect(m_task, &ApplySettingsTask::resultChanged, this, &ApplyProfileDialog::showResult);
    connect(m_task, &Task::finished, this, &ApplyProfileDialog::ended);
    m_task->start();
}

int ApplyProfileDialog::tableRow(const SettingsWriter::Item &item) const
{
    const QList<const SettingRow *> rows = flankSettingRows();
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i]->setting == item.setting)
            return (item.flank - 1) * int(rows.size()) + i;
    return -1;
}

void ApplyProfileDialog::showComparison()
{
    const SettingsProfile &detector = m_task->before();
    const SettingsProfile &wanted = m_task->wanted();
    const QList<const SettingRow *> rows = flankSettingRows();
    m_table->setColumnCount(ColumnCount);
    m_table->setHorizontalHeaderLabels({tr("Фланг"), tr("Параметр"), tr("В блоке"), tr("В файле")});
    m_table->setRowCount(SettingsProfile::kFlankCount * int(rows.size()));
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    for (int flank = 1; flank <= SettingsProfile::kFlankCount; ++flank) {
        for (const SettingRow *row : rows) {
            const int r = tableRow({flank, row->setting, 0});
            const int held = detector.flanks[flank - 1].value(row->setting, -1);
            const int want = wanted.flanks[flank - 1].value(row->setting);
            const QStringList texts = {QString::number(flank), settingName(*row),
                                       textForPosition(*row, held), textForPosition(*row, want)};
            for (int c = 0; c < ColumnCount; ++c) {
                auto *cell = new QTableWidgetItem(texts[c]);
                cell->setFlags(Qt::ItemIsEnabled);
                if (held != want)
                    cell->setForeground(Qt::red);
                m_table->setItem(r, c, cell);
            }
            // The box that a confirmation ticks.
            if (held != want)
                m_table->item(r, FlankColumn)->setData(Qt::CheckStateRole, Qt::Unchecked);
        }
    }
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setMinimumHeight(m_table->verticalHeader()->length() +
                              m_table->horizontalHeader()->height() + 4);
    m_table->show();

    showEnded(tr("Отличаются настроек: %1 (красные строки). Записать их в блок %2?")
                  .arg(m_task->results().size())
                  .arg(detector.address));
    QPushButton *write = addButton(tr("Записать"), "writeButton");
    write->setDefault(true);
    connect(write, &QPushButton::clicked, this, [this, write] {
        write->hide();
        m_task->write();
    });
}

void ApplyProfileDialog::showResult(int index)
{
    const ApplySettingsTask::Result &result = m_task->results()[index];
    const SettingRow &row = settingRow(result.item.setting);
    const int r = tableRow(result.item);
    if (result.outcome == SettingsWriter::Outcome::Confirmed) {
        m_table->item(r, FlankColumn)->setData(Qt::CheckStateRole, Qt::Checked);
        m_table->item(r, DetectorColumn)->setText(textForPosition(row, result.item.position));
        for (int c = 0; c < ColumnCount; ++c)
            m_table->item(r, c)->setForeground(palette().text());
    } else if (result.outcome == SettingsWriter::Outcome::Refused) {
        m_table->item(r, DetectorColumn)->setText(textForPosition(row, result.held));
    }
}

void ApplyProfileDialog::ended()
{
    const QList<ApplySettingsTask::Result> &results = m_task->results();
    const bool written = std::any_of(results.begin(), results.end(), [](const auto &result) {
        return result.outcome != SettingsWriter::Outcome::Pending;
    });
    if (m_task->state() == Task::State::Failed && written)
        showEnded(m_task->message() + tr(" Красные строки блок не подтвердил."), true);
}
