#include "app/settingsdialogs.h"

#include "base/systemerror.h"
#include "link/exchange.h"

#include <QCoreApplication>
#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QString noAnswer(int address)
{
    return QCoreApplication::translate("SettingsRead", "Блок %1 не ответил на чтение настроек.")
        .arg(address);
}

enum Column { FlankColumn, NameColumn, DetectorColumn, FileColumn, ColumnCount };

}  // namespace

SettingsReader *startSettingsRead(TaskDialog *dialog, Exchange &exchange)
{
    auto *reader = new SettingsReader(exchange, dialog);
    const int address = exchange.address();
    QObject::connect(
        reader, &SettingsReader::progress, dialog, [dialog, address](int received, int total) {
            dialog->showProgress(
                QCoreApplication::translate("SettingsRead", "Чтение настроек блока %1: %2 из %3")
                    .arg(address)
                    .arg(received)
                    .arg(total),
                received, total);
        });
    QObject::connect(dialog, &TaskDialog::cancelRequested, reader, &SettingsReader::cancel);
    dialog->showProgress(
        QCoreApplication::translate("SettingsRead", "Чтение настроек блока %1").arg(address), 0,
        SettingsProfile::kFlankCount * int(flankSettingRows().size()));
    reader->start();
    return reader;
}

// --- save ----------------------------------------------------------------------

SaveSettingsDialog::SaveSettingsDialog(QWidget *parent, Exchange &exchange, const QString &path)
    : TaskDialog(parent, tr("Сохранить настройки блока"))
{
    const int address = exchange.address();
    SettingsReader *reader = startSettingsRead(this, exchange);
    connect(reader, &SettingsReader::finished, this, [this, reader, address, path](bool complete) {
        if (!isWorking())
            return;
        if (!complete) {
            showEnded(noAnswer(address), true);
            return;
        }
        SettingsProfile profile = reader->profile();
        profile.saved = QDateTime::currentDateTime();
        const QByteArray json = profile.toJson();
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(json) != json.size() || !file.flush()) {
            const int error = errno;  // of the call that failed
            showEnded(tr("%1: не удалось записать файл (%2)").arg(path, systemErrorText(error)),
                      true);
            return;
        }
        showEnded(tr("Настройки блока %1 записаны в %2").arg(address).arg(path));
    });
}

// --- apply ---------------------------------------------------------------------

ApplyProfileDialog::ApplyProfileDialog(QWidget *parent, Exchange &exchange, const QString &path)
    : TaskDialog(parent, tr("Записать настройки в блок")), m_exchange(exchange),
      m_writer(new SettingsWriter(exchange, this)), m_table(new QTableWidget(this))
{
    m_table->setObjectName(u"settingsTable"_s);
    m_table->hide();
    body()->addWidget(m_table);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const int error = errnoOfFailedOpen(path);
        showEnded(tr("%1: не удалось прочитать файл (%2)").arg(path, systemErrorText(error)), true);
        return;
    }
    const ProfileParse parsed = parseSettingsProfile(file.readAll());
    if (!parsed.profile) {
        showEnded(tr("%1: %2. Ничего не записано.").arg(path, parsed.error), true);
        return;
    }
    m_wanted = *parsed.profile;
    SettingsReader *reader = startSettingsRead(this, exchange);
    connect(reader, &SettingsReader::finished, this, [this, reader](bool complete) {
        if (!isWorking())
            return;
        if (!complete)
            showEnded(noAnswer(m_exchange.address()), true);
        else
            showComparison(reader->profile());
    });
    connect(m_writer, &SettingsWriter::itemDone, this, &ApplyProfileDialog::itemDone);
    connect(m_writer, &SettingsWriter::finished, this, &ApplyProfileDialog::written);
    connect(this, &TaskDialog::cancelRequested, this, [this] {
        m_writer->cancel();
        if (m_exchange.isRunning() && m_exchange.flank() != m_originalFlank)
            m_exchange.changeFlank(m_originalFlank);
    });
}

int ApplyProfileDialog::tableRow(const SettingsWriter::Item &item) const
{
    const QList<const SettingRow *> rows = flankSettingRows();
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i]->setting == item.setting)
            return (item.flank - 1) * int(rows.size()) + i;
    return -1;
}

void ApplyProfileDialog::showComparison(const SettingsProfile &detector)
{
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
            const int wanted = m_wanted.flanks[flank - 1].value(row->setting);
            const QStringList texts = {QString::number(flank), settingName(*row),
                                       textForPosition(*row, held), textForPosition(*row, wanted)};
            for (int c = 0; c < ColumnCount; ++c) {
                auto *cell = new QTableWidgetItem(texts[c]);
                cell->setFlags(Qt::ItemIsEnabled);
                if (held != wanted)
                    cell->setForeground(Qt::red);
                m_table->setItem(r, c, cell);
            }
            // The box that a confirmation ticks.
            if (held != wanted)
                m_table->item(r, FlankColumn)->setData(Qt::CheckStateRole, Qt::Unchecked);
        }
    }
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setMinimumHeight(m_table->verticalHeader()->length() +
                              m_table->horizontalHeader()->height() + 4);
    m_table->show();

    m_items = settingsToWrite(detector, m_wanted);
    const int address = m_exchange.address();
    if (m_items.isEmpty()) {
        showEnded(
            tr("Настройки блока %1 уже совпадают с файлом; ничего не записано.").arg(address));
        return;
    }
    showEnded(tr("Отличаются настроек: %1 (красные строки). Записать их в блок %2?")
                  .arg(m_items.size())
                  .arg(address));
    QPushButton *write = addButton(tr("Записать"), "writeButton");
    write->setDefault(true);
    connect(write, &QPushButton::clicked, this, [this, write] {
        write->hide();
        writePressed();
    });
}

void ApplyProfileDialog::writePressed()
{
    m_originalFlank = m_exchange.flank();
    m_done = 0;
    showProgress(tr("Запись в блок %1: 0 из %2").arg(m_exchange.address()).arg(m_items.size()), 0,
                 int(m_items.size()));
    m_writer->start(m_items);
}

void ApplyProfileDialog::itemDone(int index, SettingsWriter::Outcome outcome)
{
    const SettingsWriter::Item &item = m_writer->items()[index];
    const SettingRow &row = settingRow(item.setting);
    const int r = tableRow(item);
    if (outcome == SettingsWriter::Outcome::Confirmed) {
        m_table->item(r, FlankColumn)->setData(Qt::CheckStateRole, Qt::Checked);
        m_table->item(r, DetectorColumn)->setText(textForPosition(row, item.position));
        for (int c = 0; c < ColumnCount; ++c)
            m_table->item(r, c)->setForeground(palette().text());
    } else if (outcome == SettingsWriter::Outcome::Refused) {
        m_table->item(r, DetectorColumn)
            ->setText(textForPosition(row, m_writer->heldPosition(index)));
    }
    ++m_done;
    showProgress(
        tr("Запись в блок %1: %2 из %3").arg(m_exchange.address()).arg(m_done).arg(m_items.size()),
        m_done, int(m_items.size()));
}

void ApplyProfileDialog::written()
{
    if (!isWorking())
        return;
    if (m_exchange.isRunning() && m_exchange.flank() != m_originalFlank)
        m_exchange.changeFlank(m_originalFlank);
    int confirmed = 0;
    for (int i = 0; i < m_items.size(); ++i)
        confirmed += m_writer->outcome(i) == SettingsWriter::Outcome::Confirmed;
    if (confirmed == m_items.size()) {
        showEnded(tr("Записано и подтверждено блоком: %1 из %1.").arg(confirmed));
        return;
    }
    showEnded(tr("Подтверждено блоком: %1 из %2. Красные строки блок не подтвердил.")
                  .arg(confirmed)
                  .arg(m_items.size()),
              true);
}
