#include "cli/commandrunner.h"

#include "base/systemerror.h"
#include "link/openfailure.h"
#include "monitor/statusdecoder.h"
#include "params/numbertext.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>

#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

void say(const QString &text)
{
    std::fputs((text + u'\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void warn(const QString &text)
{
    std::fputs((u"verkan-cli: "_s + text + u'\n').toUtf8().constData(), stderr);
}

QProcessEnvironment portEnvironment(const CliArguments &arguments)
{
    // A device path is put behind the port number, as VERKAN_COM<n> would.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!arguments.devicePath.isEmpty())
        env.insert(u"VERKAN_COM%1"_s.arg(arguments.portNumber), arguments.devicePath);
    return env;
}

// A file the command will write at its end, checked before the detector is
// asked for anything.
bool canWrite(const QString &path)
{
    const QFileInfo file(path);
    if (file.exists())
        return file.isFile() && file.isWritable();
    const QFileInfo folder(file.absolutePath());
    return folder.isDir() && folder.isWritable();
}

const QString kNoAnswer = u"%2: нет связи с блоком %1. Проверьте адрес и питание!"_s;

}  // namespace

CommandRunner::CommandRunner(const CliArguments &arguments, QObject *parent)
    : QObject(parent), m_args(arguments), m_port(portEnvironment(arguments)), m_exchange(m_port),
      m_reader(m_exchange), m_writer(m_exchange)
{
    m_exchange.setFixedSpeed(m_args.baud);
    connect(&m_exchange, &Exchange::linkLost, this,
            [this] { fail(ExitNoAnswer, kNoAnswer.arg(m_args.address).arg(portText())); });
    m_recordTimer.setSingleShot(true);
}

int CommandRunner::run()
{
    using C = CliArguments::Command;
    switch (m_args.command) {
    case C::Discover:
        discover();
        break;
    case C::Status:
        status();
        break;
    case C::SettingsShow:
    case C::SettingsSave:
        readSettings();
        break;
    case C::SettingsApply:
        apply();
        break;
    case C::Record:
        record();
        break;
    case C::Report:
        report();
        break;
    case C::Help:
    case C::Version:
        finish(ExitBadUsage);
        break;
    }
    if (!m_done)
        m_loop.exec();
    return m_exit;
}

void CommandRunner::finish(int code)
{
    if (m_done)
        return;
    m_done = true;
    m_exit = code;
    m_recordTimer.stop();
    m_reader.cancel();
    m_writer.cancel();
    m_exchange.stop();
    if (m_discovery)
        m_discovery->cancel();
    m_loop.quit();
}

void CommandRunner::fail(int code, const QString &message)
{
    if (m_done)
        return;
    warn(message);
    finish(code);
}

QString CommandRunner::portText() const
{
    return m_args.devicePath.isEmpty() ? u"COM-порт %1 (%2)"_s.arg(m_args.portNumber)
                                             .arg(m_port.deviceOf(m_args.portNumber))
                                       : m_args.portName();
}

bool CommandRunner::settled() const
{
    return m_exchange.scheduler().startupSlotsLeft() == 0;
}

bool CommandRunner::startExchange()
{
    const Exchange::StartResult result =
        m_exchange.start(m_args.portNumber, m_args.address, m_args.flank);
    if (!result.started) {
        fail(ExitPortError, u"%1: %2."_s.arg(portText(), openFailureReason(result.error)));
        return false;
    }
    return true;
}

// --- discover ----------------------------------------------------------------

void CommandRunner::discover()
{
    m_discovery = std::make_unique<Discovery>(m_port);
    const bool terminal = ::isatty(STDERR_FILENO);
    connect(m_discovery.get(), &Discovery::detectorFound, this, [terminal](int address, int baud) {
        // The progress line on a terminal is cleared first, so the finding
        // stands on a line of its own.
        if (terminal)
            std::fputs("\r\033[K", stderr);
        say(u"address %1 speed %2"_s.arg(address).arg(baud));
    });
    connect(m_discovery.get(), &Discovery::progress, this,
            [this, terminal](int done, int total, int baud) {
                // On a terminal one line is rewritten probe by probe; into a
                // file or a pipe one line per speed.
                const int count = m_args.lastAddress - m_args.firstAddress + 1;
                if (terminal) {
                    const QString line =
                        u"\rпоиск: %1 бод, адрес %2 (проверено %3 из %4)   "_s.arg(baud)
                            .arg(m_args.firstAddress + (done - 1) % count)
                            .arg(done)
                            .arg(total);
                    std::fputs(line.toUtf8().constData(), stderr);
                } else if (baud != m_lastProgressBaud) {
                    const QString line = u"поиск: %1 бод, адреса %2-%3\n"_s.arg(baud)
                                             .arg(m_args.firstAddress)
                                             .arg(m_args.lastAddress);
                    std::fputs(line.toUtf8().constData(), stderr);
                }
                m_lastProgressBaud = baud;
            });
    connect(m_discovery.get(), &Discovery::finished, this, [this, terminal] {
        if (terminal)
            std::fputs("\n", stderr);
        if (m_done)
            return;
        if (m_discovery->found().isEmpty())
            fail(ExitNoAnswer, u"%1: ни один блок не ответил."_s.arg(portText()));
        else
            finish(ExitDone);
    });
    if (!m_discovery->start(m_args.portNumber, m_args.firstAddress, m_args.lastAddress,
                            m_args.baud))
        fail(ExitPortError,
             u"%1: %2."_s.arg(portText(), openFailureReason(m_port.lastOpenError())));
}

// --- status ------------------------------------------------------------------

void CommandRunner::status()
{
    connect(&m_exchange, &Exchange::statusReceived, this, [this](const StatusReading &reading) {
        if (!settled() || m_done)
            return;
        const QString state = flankStateText(reading.flankCode());
        say(u"Блок %1, %2, %3 бод"_s.arg(m_args.address)
                .arg(portText())
                .arg(m_exchange.baudRate()));
        say(u"Фланг %1: %2"_s.arg(m_args.flank)
                .arg(state.isEmpty() ? u"код %1"_s.arg(reading.flankCode()) : state));
        say(u"Датчик вскрытия: "_s + (reading.tamperOpen() ? u"Разомкнут"_s : u"Замкнут"_s));
        say(u"Сигнал: "_s + voltsReadout(reading.signalVolts()));
        say(u"Порог: "_s + voltsReadout(reading.thresholdVolts()));
        say(u"Уровни <1> <2> : %1  %2"_s.arg(
            voltsReadout(reading.level1 / StatusReading::kCountsPerVolt),
            voltsReadout(reading.level2 / StatusReading::kCountsPerVolt)));
        finish(ExitDone);
    });
    startExchange();
}

// --- settings show / save ------------------------------------------------------

void CommandRunner::readSettings()
{
    if (m_args.command == CliArguments::Command::SettingsSave && !canWrite(m_args.file)) {
        fail(ExitBadUsage, u"%1: файл нельзя записать"_s.arg(m_args.file));
        return;
    }
    connect(&m_reader, &SettingsReader::finished, this, [this](bool complete) {
        if (m_done)
            return;
        if (!complete) {
            fail(ExitNoAnswer, u"блок %1 не ответил на чтение настроек."_s.arg(m_args.address));
            return;
        }
        SettingsProfile profile = m_reader.profile();
        profile.saved = QDateTime::currentDateTime();
        const QByteArray json = profile.toJson();
        if (m_args.command == CliArguments::Command::SettingsShow) {
            std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
            std::fflush(stdout);
            finish(ExitDone);
            return;
        }
        QFile file(m_args.file);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(json) != json.size() || !file.flush()) {
            const int error = errno;  // of the call that failed
            fail(ExitBadUsage,
                 u"%1: не удалось записать файл (%2)"_s.arg(m_args.file, systemErrorText(error)));
            return;
        }
        say(u"Настройки блока %1 записаны в %2"_s.arg(m_args.address).arg(m_args.file));
        finish(ExitDone);
    });
    if (startExchange())
        m_reader.start();
}

// --- settings apply ------------------------------------------------------------

void CommandRunner::apply()
{
    QFile file(m_args.file);
    if (!file.open(QIODevice::ReadOnly)) {
        const int error = errnoOfFailedOpen(m_args.file);
        fail(ExitBadUsage,
             u"%1: не удалось прочитать файл (%2)"_s.arg(m_args.file, systemErrorText(error)));
        return;
    }
    const ProfileParse parsed = parseSettingsProfile(file.readAll());
    if (!parsed.profile) {
        fail(ExitBadUsage, u"%1: %2. Ничего не записано."_s.arg(m_args.file, parsed.error));
        return;
    }
    m_wanted = *parsed.profile;
    connect(&m_reader, &SettingsReader::finished, this, [this](bool complete) {
        if (m_writer.items().isEmpty())
            applyRead(complete);
        else
            applyReadBack(complete);
    });
    connect(&m_writer, &SettingsWriter::itemDone, this,
            [this](int index, SettingsWriter::Outcome outcome) {
                const SettingsWriter::Item &item = m_writer.items()[index];
                const QString where =
                    u"фланг %1, %2"_s.arg(item.flank).arg(settingName(settingRow(item.setting)));
                if (outcome == SettingsWriter::Outcome::Unconfirmed)
                    warn(where + u": запись не подтверждена (повторена один раз)"_s);
                else if (outcome == SettingsWriter::Outcome::Refused)
                    warn(where + u": блок не принял значение, оставлено %1"_s.arg(textForPosition(
                                     settingRow(item.setting), m_writer.heldPosition(index))));
            });
    connect(&m_writer, &SettingsWriter::finished, this, [this](bool allConfirmed) {
        m_allConfirmed = allConfirmed;
        applyWritten();
    });
    if (startExchange())
        m_reader.start();
}

void CommandRunner::applyRead(bool complete)
{
    if (m_done)
        return;
    if (!complete) {
        fail(ExitNoAnswer, u"блок %1 не ответил на чтение настроек."_s.arg(m_args.address));
        return;
    }
    m_before = m_reader.profile();
    const QList<SettingsWriter::Item> items = settingsToWrite(m_before, m_wanted);
    if (items.isEmpty()) {
        say(u"Настройки блока %1 уже совпадают с файлом; ничего не записано."_s.arg(
            m_args.address));
        finish(ExitDone);
        return;
    }
    m_writer.start(items);
}

void CommandRunner::applyWritten()
{
    if (m_done)
        return;
    // Everything is read back, whatever the confirmations said.
    m_reader.start();
}

void CommandRunner::applyReadBack(bool complete)
{
    if (m_done)
        return;
    if (!complete) {
        fail(ExitNoAnswer,
             u"блок %1 не ответил на чтение настроек после записи."_s.arg(m_args.address));
        return;
    }
    const SettingsProfile &after = m_reader.profile();
    int changed = 0;
    bool allAsWanted = true;
    for (int i = 0; i < SettingsProfile::kFlankCount; ++i) {
        for (const SettingRow *row : flankSettingRows()) {
            const int old = m_before.flanks[i].value(row->setting);
            const int now = after.flanks[i].value(row->setting);
            if (now != m_wanted.flanks[i].value(row->setting))
                allAsWanted = false;
            if (old == now)
                continue;
            ++changed;
            say(u"Фланг %1, %2: %3 -> %4"_s.arg(i + 1).arg(
                settingName(*row), textForPosition(*row, old), textForPosition(*row, now)));
        }
    }
    if (changed == 0)
        say(u"Ничего не изменилось."_s);
    if (!allAsWanted || !m_allConfirmed) {
        fail(ExitUnconfirmed, allAsWanted
                                  ? u"не все записи подтверждены блоком %1."_s.arg(m_args.address)
                                  : u"не все настройки блока %1 совпадают с файлом %2."_s.arg(
                                        QString::number(m_args.address), m_args.file));
        return;
    }
    finish(ExitDone);
}

// --- record --------------------------------------------------------------------

void CommandRunner::record()
{
    if (!m_csv.open(m_args.file)) {
        fail(ExitBadUsage,
             u"%1: не удалось создать файл (%2)"_s.arg(m_args.file, m_csv.errorString()));
        return;
    }
    connect(&m_recordTimer, &QTimer::timeout, this, [this] {
        m_csv.close();
        say(u"Записано ответов: %1, файл %2"_s.arg(m_csv.rows()).arg(m_args.file));
        finish(ExitDone);
    });
    connect(&m_exchange, &Exchange::statusReceived, this, [this](const StatusReading &reading) {
        if (m_done || !settled())
            return;
        if (!m_recordTimer.isActive())
            m_recordTimer.start(int(m_args.seconds * 1000));
        if (!m_csv.append(QDateTime::currentDateTime(), m_exchange.flank(), reading))
            fail(ExitBadUsage,
                 u"%1: не удалось записать файл (%2)"_s.arg(m_args.file, m_csv.errorString()));
    });
    connect(&m_exchange, &Exchange::linkLost, this, [this] { m_csv.close(); });
    startExchange();
}

// --- report --------------------------------------------------------------------

void CommandRunner::report()
{
    if (!canWrite(m_args.file)) {
        fail(ExitBadUsage, u"%1: файл нельзя записать"_s.arg(m_args.file));
        return;
    }
    m_report.port = portText();
    m_report.address = m_args.address;
    connect(&m_reader, &SettingsReader::finished, this, [this](bool complete) {
        if (m_done)
            return;
        if (!complete) {
            fail(ExitNoAnswer, u"блок %1 не ответил на чтение настроек."_s.arg(m_args.address));
            return;
        }
        m_report.settings = m_reader.profile();
        // The status of both flanks comes next, from the poll.
        connect(&m_exchange, &Exchange::statusReceived, this, &CommandRunner::reportStatus);
    });
    if (startExchange())
        m_reader.start();
}

void CommandRunner::reportStatus(const StatusReading &reading)
{
    if (m_done || !settled())
        return;
    if (m_report.pass) {
        reportPassStep(reading);
        return;
    }
    const int flank = m_exchange.flank();
    if (const int missing = m_report.takeStatus(flank, reading)) {
        m_exchange.changeFlank(missing);
        return;
    }
    if (m_args.seconds <= 0) {
        writeReport();
        return;
    }
    if (flank != m_args.flank) {
        m_exchange.changeFlank(m_args.flank);
        return;
    }
    // The control pass starts with this sample.
    m_report.pass = CommissioningReport::Pass();
    m_report.pass->flank = m_args.flank;
    m_chart.pass().start();
    m_passClock.start();
    say(u"Контрольный проход на фланге %1: %2 с"_s.arg(m_args.flank)
            .arg(numberText(m_args.seconds)));
    reportPassStep(reading);
}

void CommandRunner::reportPassStep(const StatusReading &reading)
{
    const double elapsed = m_passClock.elapsed() / 1000.0;
    if (!m_passStopping && elapsed >= m_args.seconds) {
        m_chart.pass().requestStop();
        m_passStopping = true;
    }
    const SignalChart::Update update = m_chart.step(reading);
    CommissioningReport::Pass &pass = *m_report.pass;
    pass.signal.append({elapsed, reading.signalVolts()});
    pass.thresholdVolts = reading.thresholdVolts();
    if (!update.pass || !update.pass->ended)
        return;
    pass.seconds = elapsed;
    if (update.pass->meanText && !update.pass->meanText->isEmpty() && m_chart.pass().lastResult())
        pass.meanVolts = m_chart.pass().lastResult()->meanVolts;
    say(u"Средний полезный сигнал: %1, порог: %2"_s.arg(
        pass.meanVolts ? voltsReadout(*pass.meanVolts) : u"нет"_s,
        voltsReadout(pass.thresholdVolts)));
    writeReport();
}

void CommandRunner::writeReport()
{
    m_report.time = QDateTime::currentDateTime();
    m_report.baud = m_exchange.baudRate();
    QString error;
    if (!m_report.writePdf(m_args.file, &error)) {
        fail(ExitBadUsage, u"%1: не удалось записать файл (%2)"_s.arg(m_args.file, error));
        return;
    }
    say(u"Отчёт записан в %1"_s.arg(m_args.file));
    finish(ExitDone);
}
