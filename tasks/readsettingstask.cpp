#include "tasks/readsettingstask.h"

#include "base/systemerror.h"
#include "files/wholefile.h"
#include "link/exchange.h"
#include "tasks/settingstransfer.h"

#include <QCoreApplication>

SettingsReader *makeSettingsReader(Task *task, Exchange &exchange)
{
    auto *reader = new SettingsReader(exchange, task);
    QObject::connect(
        reader, &SettingsReader::progress, task, [task, &exchange](int received, int total) {
            emit task->progress(
                QCoreApplication::translate("SettingsRead", "Чтение настроек блока %1: %2 из %3")
                    .arg(exchange.address())
                    .arg(received)
                    .arg(total),
                received, total);
        });
    return reader;
}

void startReading(Task *task, SettingsReader *reader, int address)
{
    emit task->progress(
        QCoreApplication::translate("SettingsRead", "Чтение настроек блока %1").arg(address), 0,
        SettingsProfile::kFlankCount * int(flankSettingRows().size()));
    reader->start();
}

QString settingsNotRead(int address)
{
    return QCoreApplication::translate("SettingsRead", "Блок %1 не ответил на чтение настроек.")
        .arg(address);
}

ReadSettingsTask::ReadSettingsTask(Exchange &exchange, const QString &path, QObject *parent)
    : Task(&exchange, parent), m_path(path), m_reader(makeSettingsReader(this, exchange))
{
    connect(m_reader, &SettingsReader::finished, this, &ReadSettingsTask::read);
}

void ReadSettingsTask::start()
{
    begin();
    whenExchangeRuns([this] { startReading(this, m_reader, exchange()->address()); });
}

void ReadSettingsTask::endWork()
{
    m_reader->cancel();
}

void ReadSettingsTask::read(bool complete)
{
    if (!isRunning())
        return;
    const int address = exchange()->address();
    if (!complete) {
        fail(Failure::NoAnswer, settingsNotRead(address));
        return;
    }
    m_profile = m_reader->profile();
    m_profile.saved = QDateTime::currentDateTime();
    if (m_path.isEmpty()) {
        succeed(tr("Настройки блока %1 прочитаны.").arg(address));
        return;
    }
    if (const int error = writeFileWhole(m_path, m_profile.toJson())) {
        fail(Failure::FileNotWritten,
             tr("%1: не удалось записать файл (%2)").arg(m_path, systemErrorText(error)));
        return;
    }
    succeed(tr("Настройки блока %1 записаны в %2").arg(address).arg(m_path));
}
