#include "cli/commandrunner.h"

#include "cli/stopsignals.h"
#include "journal/eventjournal.h"
#include "link/addresslist.h"
#include "link/linewatch.h"
#include "link/openfailure.h"
#include "monitor/exchangejournal.h"
#include "monitor/linestates.h"
#include "monitor/statusdecoder.h"
#include "mqtt/linepublisher.h"
#include "params/numbertext.h"
#include "tasks/applysettingstask.h"
#include "tasks/discovertask.h"
#include "tasks/readsettingstask.h"
#include "tasks/recordtask.h"
#include "tasks/reporttask.h"

#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTimer>

#include <chrono>
#include <csignal>
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

// A file the command will write at its end, checked before the detector is
// asked for anything. It is written beside its name and renamed onto it, so
// its folder must take a new file.
bool canWrite(const QString &path)
{
    const QFileInfo file(path);
    if (file.exists() && !file.isFile())
        return false;
    const QFileInfo folder(file.absolutePath());
    return folder.isDir() && folder.isWritable();
}

int exitCodeFor(Task::Failure failure)
{
    switch (failure) {
    case Task::Failure::None:
        return ExitDone;
    case Task::Failure::PortNotOpen:
        return ExitPortError;
    case Task::Failure::NoAnswer:
    case Task::Failure::Stopped:
        return ExitNoAnswer;
    case Task::Failure::NotConfirmed:
        return ExitUnconfirmed;
    case Task::Failure::BadFile:
    case Task::Failure::FileNotWritten:
        break;
    }
    return ExitBadUsage;
}

}  // namespace

CommandRunner::CommandRunner(const CliArguments &arguments, QObject *parent)
    : QObject(parent), m_args(arguments), m_exchange(m_port)
{
    m_exchange.setFixedSpeed(m_args.baud);
    // A serial server that could not be reached ends the command as a port
    // that does not open.
    connect(&m_exchange, &Exchange::startFailed, this,
            [this](SerialPortService::OpenError, const QString &reason) {
                fail(ExitPortError, u"%1: %2."_s.arg(portText(), reason));
            });
    if (!m_args.journal.isEmpty()) {
        m_journal = std::make_unique<EventJournal>(m_args.journal, nullptr);
        m_journal->setFailureSink([](const QString &error) {
            if (!error.isEmpty())
                warn(error);
        });
        // The watch journals the line's events instead; its speed search
        // is no exchange of the journal's.
        if (m_args.command != CliArguments::Command::Watch)
            new ExchangeJournal(m_exchange, *m_journal, this);
    }
    // The watch's speed search goes on to the next address when one is lost.
    if (m_args.command == CliArguments::Command::Watch)
        return;
    // Connected before any task: the lost link is known when a task ends
    // because of it.
    connect(&m_exchange, &Exchange::linkLost, this, [this] {
        m_linkLost = true;
        if (!m_task)
            failLinkLost();
    });
}

CommandRunner::~CommandRunner() = default;

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
    case C::Watch:
        watch();
        break;
    case C::Help:
    case C::Version:
        finish(ExitBadUsage);
        break;
    }
    if (!m_done)
        m_loop.exec();
    finishPublishing();
    return m_exit;
}

void CommandRunner::finishPublishing()
{
    if (!m_publisher || !m_publisher->isRunning())
        return;
    QEventLoop wait;
    connect(m_publisher, &LinePublisher::finished, &wait, &QEventLoop::quit);
    m_publisher->finish();
    if (m_publisher->isRunning())
        wait.exec();
    if (m_publisher->deliveredEvents() > 0)
        std::fputs((tr("MQTT: доставлено событий: %1").arg(m_publisher->deliveredEvents()) + u'\n')
                       .toUtf8()
                       .constData(),
                   stderr);
}

void CommandRunner::finish(int code)
{
    if (m_done)
        return;
    m_done = true;
    m_exit = code;
    if (m_task)
        m_task->cancel();
    m_exchange.stop();
    closeWatch();
    m_loop.quit();
}

void CommandRunner::fail(int code, const QString &message)
{
    if (m_done)
        return;
    warn(message);
    finish(code);
}

void CommandRunner::failLinkLost()
{
    fail(ExitNoAnswer, tr("%2: нет связи с блоком %1. Проверьте адрес и питание!")
                           .arg(m_args.address)
                           .arg(portText()));
}

QString CommandRunner::portText() const
{
    return portInMessages(m_args.port, m_port);
}

bool CommandRunner::startExchange()
{
    const Exchange::StartResult result =
        m_exchange.start(m_args.port, m_args.address, m_args.flank);
    if (!result.started) {
        fail(ExitPortError, u"%1: %2."_s.arg(portText(), m_port.lastOpenErrorText()));
        return false;
    }
    if (m_port.fixesLineSpeed())
        warn(tr("%1: скорость линии задана на сервере").arg(portText()));
    return true;
}

void CommandRunner::runTask(Task *task, std::function<void()> ended)
{
    m_task = task;
    connect(task, &Task::finished, this, [this, task, ended] {
        if (m_done)
            return;
        if (ended)
            ended();
        taskEnded(task);
    });
}

void CommandRunner::taskEnded(Task *task)
{
    if (task->state() == Task::State::Done) {
        finish(ExitDone);
        return;
    }
    // A lost link is told the same way whatever the command was doing.
    if (m_linkLost) {
        failLinkLost();
        return;
    }
    fail(exitCodeFor(task->failure()), task->message());
}

// --- discover ----------------------------------------------------------------

void CommandRunner::discover()
{
    auto *task = new DiscoverTask(m_port, m_args.port,
                                  {m_args.firstAddress, m_args.lastAddress, m_args.baud}, this);
    const bool terminal = ::isatty(STDERR_FILENO);
    connect(task, &DiscoverTask::detectorFound, this, [this, terminal](int address, int baud) {
        // The progress line on a terminal is cleared first, so the finding
        // stands on a line of its own.
        if (terminal)
            std::fputs("\r\033[K", stderr);
        // A raw TCP line runs at the server's speed, which nobody here knows.
        if (m_port.fixesLineSpeed())
            say(u"address %1 speed server"_s.arg(address));
        else
            say(u"address %1 speed %2"_s.arg(address).arg(baud));
    });
    connect(task, &DiscoverTask::probed, this,
            [this, terminal](int address, int baud, int done, int total) {
                // A raw TCP line is searched once, at the server's speed.
                const QString speed =
                    m_port.fixesLineSpeed() ? tr("скорость сервера") : tr("%1 бод").arg(baud);
                // On a terminal one line is rewritten probe by probe; into a
                // file or a pipe one line per speed.
                if (terminal) {
                    const QString line = u"\r"_s +
                                         tr("поиск: %1, адрес %2 (проверено %3 из %4)")
                                             .arg(speed)
                                             .arg(address)
                                             .arg(done)
                                             .arg(total) +
                                         u"   "_s;
                    std::fputs(line.toUtf8().constData(), stderr);
                } else if (baud != m_lastProgressBaud) {
                    const QString line = tr("поиск: %1, адреса %2-%3")
                                             .arg(speed)
                                             .arg(m_args.firstAddress)
                                             .arg(m_args.lastAddress) +
                                         u'\n';
                    std::fputs(line.toUtf8().constData(), stderr);
                }
                m_lastProgressBaud = baud;
            });
    runTask(task, [terminal] {
        if (terminal)
            std::fputs("\n", stderr);
    });
    task->start();
}

// --- status ------------------------------------------------------------------

void CommandRunner::status()
{
    connect(&m_exchange, &Exchange::statusReceived, this, [this](const StatusReading &reading) {
        if (!m_exchange.statusIsCurrent() || m_done)
            return;
        const QString state = flankStateText(reading.flankCode());
        if (m_port.fixesLineSpeed())
            say(tr("Блок %1, %2, скорость задана на сервере").arg(m_args.address).arg(portText()));
        else
            say(tr("Блок %1, %2, %3 бод")
                    .arg(m_args.address)
                    .arg(portText())
                    .arg(m_exchange.baudRate()));
        say(tr("Фланг %1: %2")
                .arg(m_args.flank)
                .arg(state.isEmpty() ? tr("код %1").arg(reading.flankCode()) : state));
        say(tr("Датчик вскрытия: ") + (reading.tamperOpen() ? tr("Разомкнут") : tr("Замкнут")));
        say(tr("Сигнал: ") + voltsReadout(reading.signalVolts()));
        say(tr("Порог: ") + voltsReadout(reading.thresholdVolts()));
        say(tr("Уровни <1> <2> : %1  %2")
                .arg(voltsReadout(reading.level1 / StatusReading::kCountsPerVolt),
                     voltsReadout(reading.level2 / StatusReading::kCountsPerVolt)));
        finish(ExitDone);
    });
    startExchange();
}

// --- settings show / save ------------------------------------------------------

void CommandRunner::readSettings()
{
    const bool save = m_args.command == CliArguments::Command::SettingsSave;
    if (save && !canWrite(m_args.file)) {
        fail(ExitBadUsage, tr("%1: файл нельзя записать").arg(m_args.file));
        return;
    }
    auto *task = new ReadSettingsTask(m_exchange, save ? m_args.file : QString(), this);
    runTask(task, [task, save] {
        if (task->state() != Task::State::Done)
            return;
        if (save) {
            say(task->message());
            return;
        }
        const QByteArray json = task->profile().toJson();
        std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
        std::fflush(stdout);
    });
    task->start();
    if (task->isRunning())
        startExchange();
}

// --- settings apply ------------------------------------------------------------

void CommandRunner::apply()
{
    auto *task = new ApplySettingsTask(m_exchange, m_args.file, {false, true}, this);
    runTask(task, [this, task] {
        const QList<ApplySettingsTask::Result> &results = task->results();
        if (task->failure() == Task::Failure::BadFile)
            return;
        if (task->state() == Task::State::Done && results.isEmpty()) {
            say(task->message());
            return;
        }
        // What changed, as read back.
        const SettingsProfile &after = task->readBack();
        if (after.isComplete()) {
            int changed = 0;
            for (int i = 0; i < SettingsProfile::kFlankCount; ++i) {
                for (const SettingRow *row : flankSettingRows()) {
                    const int old = task->before().flanks[i].value(row->setting);
                    const int now = after.flanks[i].value(row->setting);
                    if (old == now)
                        continue;
                    ++changed;
                    say(tr("Фланг %1, %2: %3 -> %4")
                            .arg(i + 1)
                            .arg(settingName(*row), textForPosition(*row, old),
                                 textForPosition(*row, now)));
                }
            }
            if (changed == 0)
                say(tr("Ничего не изменилось."));
        }
        // Not all written: every setting says what became of it, so a
        // detector left half set up is never taken for one set up.
        if (task->confirmedCount() == results.size())
            return;
        for (const ApplySettingsTask::Result &result : results) {
            const SettingRow &row = settingRow(result.item.setting);
            warn(tr("фланг %1, %2 = %3: %4")
                     .arg(result.item.flank)
                     .arg(settingName(row), textForPosition(row, result.item.position),
                          writeOutcomeText(result)));
        }
    });
    task->start();
    if (task->isRunning())
        startExchange();
}

// --- record --------------------------------------------------------------------

void CommandRunner::record()
{
    auto *task = new RecordTask(m_exchange, m_args.file, m_args.seconds, this);
    runTask(task, [task] {
        if (task->state() == Task::State::Done)
            say(task->message());
    });
    task->start();
    if (task->isRunning())
        startExchange();
}

// --- report --------------------------------------------------------------------

void CommandRunner::report()
{
    if (!canWrite(m_args.file)) {
        fail(ExitBadUsage, tr("%1: файл нельзя записать").arg(m_args.file));
        return;
    }
    ReportTask::Options options;
    options.passSeconds = m_args.seconds;
    options.site = m_args.site;
    options.installer = m_args.installer;
    auto *task = new ReportTask(m_exchange, m_args.file, options, this);
    // The pass takes a while: say that it runs.
    connect(task, &ReportTask::passStarted, this, [this](int flank) {
        std::fputs((tr("Контрольный проход на фланге %1, не дольше %2 с…")
                        .arg(flank)
                        .arg(numberText(m_args.seconds)) +
                    u'\n')
                       .toUtf8()
                       .constData(),
                   stderr);
    });
    runTask(task, [this, task] {
        const std::optional<CommissioningReport::Pass> &pass = task->report().pass;
        if (task->state() != Task::State::Done)
            return;
        if (pass) {
            say(tr("Контрольный проход на фланге %1: %2 с")
                    .arg(pass->flank)
                    .arg(numberText(roundHalfEven(pass->seconds * 10) / 10)));
            say(tr("Средний полезный сигнал: %1, порог: %2")
                    .arg(pass->meanVolts ? voltsReadout(*pass->meanVolts) : tr("нет"),
                         voltsReadout(pass->thresholdVolts)));
        }
        const std::optional<int> &unitNumber = task->report().unitNumber;
        say(unitNumber ? tr("Номер блока: %1").arg(*unitNumber)
                       : tr("Номер блока не прочитан: блок не ответил"));
        say(task->message());
    });
    task->start();
    if (task->isRunning())
        startExchange();
}

// --- watch ---------------------------------------------------------------------

void CommandRunner::watch()
{
    m_stopSignals = new StopSignals(this);
    connect(m_stopSignals, &StopSignals::received, this, &CommandRunner::endWatch);
    m_watch = std::make_unique<LineWatch>(m_port);
    m_states = std::make_unique<LineStates>(*m_watch);
    if (m_journal)
        m_lineJournal = new LineJournal(*m_states, *m_journal, this);
    // Each event goes out the moment it happens: a reader on a pipe sees it
    // then, not when a buffer fills. A reader that goes away (watch | head)
    // ends the watch in order, as a signal does, instead of SIGPIPE killing
    // it before the journal's stop line.
    std::signal(SIGPIPE, SIG_IGN);
    connect(m_states.get(), &LineStates::event, this, [this](const LineEvent &event) {
        if (m_outputClosed)
            return;
        const QByteArray line =
            (m_args.json ? lineEventJson(event) : lineEventText(event).toUtf8()) + '\n';
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            m_outputClosed = true;
            // Not from inside the watch's own reply handling.
            QTimer::singleShot(0, this, &CommandRunner::endWatch);
            return;
        }
        ++m_events;
    });
    connect(m_watch.get(), &LineWatch::startFailed, this, [this](const QString &reason) {
        fail(ExitPortError, u"%1: %2."_s.arg(portText(), reason));
    });
    if (m_args.mqtt && !startPublishing())
        return;

    m_port.setPort(m_args.port);
    if (m_port.fixesLineSpeed()) {
        warn(tr("%1: скорость линии задана на сервере").arg(portText()));
        startWatch(m_port.baudRate());
        return;
    }
    if (m_args.baud > 0) {
        startWatch(m_args.baud);
        return;
    }
    // No speed given: the exchange's speed search, at the listed addresses
    // in turn until one answers. The speed counts once a status poll at it
    // has been answered after the search: a stray frame (a reply still on
    // its way from before the port was opened) can end the search at a
    // speed nobody answers at, and then the address is lost as any other.
    // The exchange's signals come from inside its own handlers, so the next
    // step waits for them to return.
    m_searchLeft = m_args.addresses;
    connect(&m_exchange, &Exchange::statusReceived, this, [this] {
        if (m_foundBaud || m_done || !m_exchange.statusIsCurrent())
            return;
        m_foundBaud = m_exchange.baudRate();
        QTimer::singleShot(0, this, [this] {
            if (!m_done)
                m_exchange.stop();
        });
    });
    connect(&m_exchange, &Exchange::stopped, this, [this] {
        QTimer::singleShot(0, this, [this] {
            if (m_done || m_watch->isRunning() || m_exchange.isRunning())
                return;
            if (m_foundBaud)
                startWatch(m_foundBaud);
            else
                searchNextAddress();
        });
    });
    searchNextAddress();
}

bool CommandRunner::startPublishing()
{
    MqttSettings settings = *m_args.mqtt;
    if (settings.line.isEmpty())
        settings.line = defaultLineName(m_args.port);
    m_publisher = new LinePublisher(*m_states, this);
    connect(m_publisher, &LinePublisher::notice, this,
            [](const QString &text) { std::fputs((text + u'\n').toUtf8().constData(), stderr); });
    QString error;
    if (!m_publisher->start(settings, m_args.addresses, &error)) {
        fail(ExitBadUsage, error);
        return false;
    }
    return true;
}

void CommandRunner::searchNextAddress()
{
    if (m_searchLeft.isEmpty()) {
        fail(ExitNoAnswer, tr("%1: ни один из блоков %2 не ответил ни на одной скорости. "
                              "Проверьте адреса и питание!")
                               .arg(portText(), addressListText(m_args.addresses)));
        return;
    }
    const int address = m_searchLeft.takeFirst();
    std::fputs((tr("поиск скорости линии: блок %1").arg(address) + u'\n').toUtf8().constData(),
               stderr);
    if (!m_exchange.start(m_args.port, address, 1).started)
        fail(ExitPortError, u"%1: %2."_s.arg(portText(), m_port.lastOpenErrorText()));
}

void CommandRunner::startWatch(int baud)
{
    m_states->reset(m_args.addresses);
    if (!m_watch->start(m_args.port, m_args.addresses, baud)) {
        fail(ExitPortError, u"%1: %2."_s.arg(portText(), m_port.lastOpenErrorText()));
        return;
    }
    if (m_foundBaud)
        std::fputs((tr("скорость линии: %1 бод").arg(baud) + u'\n').toUtf8().constData(), stderr);
    if (m_lineJournal) {
        m_lineJournal->started(m_args.port, m_args.addresses);
        m_journalStarted = true;
    }
    if (m_args.seconds > 0)
        QTimer::singleShot(std::chrono::milliseconds(qRound64(m_args.seconds * 1000)), this,
                           &CommandRunner::endWatch);
}

void CommandRunner::endWatch()
{
    if (m_done)
        return;
    finish(ExitDone);
    std::fflush(stdout);
    std::fputs(
        (tr("событий: %1, отброшено запоздавших ответов: %2").arg(m_events).arg(m_droppedReplies) +
         u'\n')
            .toUtf8()
            .constData(),
        stderr);
}

void CommandRunner::closeWatch()
{
    if (m_watch) {
        if (m_watch->isRunning())
            m_droppedReplies = m_watch->droppedReplies();
        m_watch->stop();
    }
    if (m_journalStarted) {
        m_journalStarted = false;
        m_lineJournal->stopped();
    }
}
