#include "tasks/applysettingstask.h"

#include "base/systemerror.h"
#include "link/exchange.h"
#include "tasks/readsettingstask.h"

#include <QCoreApplication>
#include <QFile>

QString writeOutcomeText(const ApplySettingsTask::Result &result)
{
    using Outcome = SettingsWriter::Outcome;
    switch (result.outcome) {
    case Outcome::Confirmed:
        return QCoreApplication::translate("ApplySettingsTask", "подтверждено");
    case Outcome::Refused:
        return QCoreApplication::translate("ApplySettingsTask",
                                           "блок не принял значение, оставлено %1")
            .arg(textForPosition(settingRow(result.item.setting), result.held));
    case Outcome::Unconfirmed:
        return QCoreApplication::translate("ApplySettingsTask", "отправлено, не подтверждено");
    case Outcome::Pending:
    case Outcome::NotSent:
        break;
    }
    return QCoreApplication::translate("ApplySettingsTask", "не отправлено");
}

ApplySettingsTask::ApplySettingsTask(Exchange &exchange, const QString &path, Options options,
                                     QObject *parent)
    : Task(&exchange, parent), m_path(path), m_options(options),
      m_reader(makeSettingsReader(this, exchange)), m_writer(new SettingsWriter(exchange, this))
{
    connect(m_reader, &SettingsReader::finished, this, [this](bool complete) {
        if (m_readingBack)
            readBackDone(complete);
        else
            detectorRead(complete);
    });
    connect(m_writer, &SettingsWriter::itemDone, this,
            [this](int index, SettingsWriter::Outcome outcome) {
                m_results[index].outcome = outcome;
                if (outcome == SettingsWriter::Outcome::Refused)
                    m_results[index].held = m_writer->heldPosition(index);
                emit resultChanged(index);
                if (isRunning() && m_writing)
                    emit progress(writeProgress(), index + 1, int(m_results.size()));
            });
    connect(m_writer, &SettingsWriter::finished, this, &ApplySettingsTask::written);
}

void ApplySettingsTask::start()
{
    begin();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(Failure::BadFile, tr("%1: не удалось прочитать файл (%2)")
                                   .arg(m_path, systemErrorText(errnoOfFailedOpen(m_path))));
        return;
    }
    const ProfileParse parsed = parseSettingsProfile(file.readAll());
    if (!parsed.profile) {
        fail(Failure::BadFile, tr("%1: %2. Ничего не записано.").arg(m_path, parsed.error));
        return;
    }
    m_wanted = *parsed.profile;
    whenExchangeRuns([this] { startReading(this, m_reader, exchange()->address()); });
}

int ApplySettingsTask::confirmedCount() const
{
    return int(std::count_if(m_results.begin(), m_results.end(), [](const Result &r) {
        return r.outcome == SettingsWriter::Outcome::Confirmed;
    }));
}

void ApplySettingsTask::detectorRead(bool complete)
{
    if (!isRunning())
        return;
    if (!complete) {
        fail(Failure::NoAnswer, settingsNotRead(exchange()->address()));
        return;
    }
    m_before = m_reader->profile();
    m_results.clear();
    for (const SettingsWriter::Item &item : settingsToWrite(m_before, m_wanted))
        m_results.append({item, m_before.flanks[item.flank - 1].value(item.setting, -1), {}, -1});
    if (m_results.isEmpty()) {
        succeed(tr("Настройки блока %1 уже совпадают с файлом; ничего не записано.")
                    .arg(exchange()->address()));
        return;
    }
    // The reader left the exchange on the flank it read last.
    restoreFlank();
    emit comparisonReady();
    if (!m_options.askBeforeWriting)
        write();
}

void ApplySettingsTask::write()
{
    if (!isRunning() || m_writing || m_results.isEmpty())
        return;
    m_writing = true;
    emit progress(writeProgress(), 0, int(m_results.size()));
    QList<SettingsWriter::Item> items;
    for (const Result &result : std::as_const(m_results))
        items.append(result.item);
    m_writer->start(items);
}

QString ApplySettingsTask::writeProgress() const
{
    int done = 0;
    for (const Result &result : m_results)
        done += result.outcome != SettingsWriter::Outcome::Pending;
    return tr("Запись в блок %1: %2 из %3")
        .arg(exchange()->address())
        .arg(done)
        .arg(m_results.size());
}

QString ApplySettingsTask::notAllWritten() const
{
    return tr("Подтверждено блоком: %1 из %2.").arg(confirmedCount()).arg(m_results.size());
}

void ApplySettingsTask::written()
{
    if (!isRunning() || !m_writing)
        return;
    m_writing = false;
    if (m_options.readBack) {
        // Everything is read back, whatever the confirmations said.
        m_readingBack = true;
        m_reader->start();
        return;
    }
    if (confirmedCount() == m_results.size())
        succeed(tr("Записано и подтверждено блоком: %1 из %1.").arg(confirmedCount()));
    else
        fail(Failure::NotConfirmed, notAllWritten());
}

void ApplySettingsTask::readBackDone(bool complete)
{
    if (!isRunning())
        return;
    if (!complete) {
        fail(Failure::NoAnswer,
             tr("Блок %1 не ответил на чтение настроек после записи.").arg(exchange()->address()));
        return;
    }
    m_after = m_reader->profile();
    bool asWanted = true;
    for (int i = 0; i < SettingsProfile::kFlankCount; ++i)
        for (const SettingRow *row : flankSettingRows())
            asWanted = asWanted && m_after.flanks[i].value(row->setting) ==
                                       m_wanted.flanks[i].value(row->setting);
    if (!asWanted) {
        fail(Failure::NotConfirmed, tr("Не все настройки блока %1 совпадают с файлом %2.")
                                        .arg(exchange()->address())
                                        .arg(m_path));
        return;
    }
    if (confirmedCount() != m_results.size()) {
        fail(Failure::NotConfirmed, notAllWritten());
        return;
    }
    succeed(tr("Записано и подтверждено блоком: %1 из %1.").arg(confirmedCount()));
}

void ApplySettingsTask::endWork()
{
    // A write in flight stays unconfirmed and the rest are never sent.
    m_writer->cancel();
    m_reader->cancel();
}

void ApplySettingsTask::exchangeEnded(bool linkLost)
{
    if (!m_writing) {
        Task::exchangeEnded(linkLost);
        return;
    }
    // The results must say what happened before the words are chosen.
    m_writing = false;
    m_writer->cancel();
    const QString lost = linkLost ? tr("Нет связи с блоком %1.").arg(exchange()->address())
                                  : tr("Обмен данными остановлен.");
    fail(linkLost ? Failure::NoAnswer : Failure::Stopped, lost + u' ' + notAllWritten());
}
