#include "tasks/readsettingstask.h"

#include "files/wholefile.h"
#include "link/exchange.h"
#include "tasks/settingstransfer.h"

#include <QCoreApplication>

QString settingsReadProgress(int address, int received, int total)
{
    return QCoreApplication::translate("SettingsRead", "Чтение настроек блока %1: %2 из %3")
        .arg(address)
        .arg(received)
        .arg(total);
}

QString settingsNotRead(int address)
{
    return QCoreApplication::translate("SettingsRead", "Блок %1 не ответил на чтение настроек.")
        .arg(address);
}

ReadSettingsTask::ReadSettingsTask(Exchange &exchange, const QString &path, QObject *parent)
    : Task(&exchange, parent), m_path(path), m_reader(new SettingsReader(exchange, this))
{
    connect(m_reader, &SettingsReader::progress, this, [this](int received, int total) {
        emit progress(settingsReadProgress(this->exchange()->address(), received, total), received,
                      total);
    });
    connect(m_reader, &SettingsReader::finished, this, &ReadSettingsTask::read);
}

void ReadSettingsTask::start()
{
    begin();
    whenExchangeRuns([this] {
        const int total = SettingsProfile::kFlankCount * int(flankSettingRows().size());
        emit progress(QCoreApplication::translate("SettingsRead", "Чтение настроек блока %1")
                          .arg(exchange()->address()),
                      0, total);
        m_reader->start();
    });
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
    QString reason;
    if (!writeWholeFile(m_path, m_profile.toJson(), &reason)) {
        fail(Failure::FileNotWritten, tr("%1: не удалось записать файл (%2)").arg(m_path, reason));
        return;
    }
    succeed(tr("Настройки блока %1 записаны в %2").arg(address).arg(m_path));
}
