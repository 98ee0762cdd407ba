#include "app/monitorpanel.h"

#include "app/controls.h"
#include "app/journallistview.h"
#include "journal/alarmsound.h"
#include "journal/eventjournal.h"
#include "link/exchange.h"
#include "params/catalogue.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

MonitorPanel::MonitorPanel(QWidget *form, Exchange &exchange, AlarmPlayer *alarm,
                           const QString &tonePath)
    : QObject(form), m_exchange(exchange), m_alarm(alarm), m_tonePath(tonePath), m_form(form),
      m_flankState(control<QLabel>(form, "Label4")), m_faultNote(control<QLabel>(form, "Label25")),
      m_tamperState(control<QLabel>(form, "Label16")),
      m_journalCaption(control<QLabel>(form, "Label18")),
      m_remoteTest(control<QPushButton>(form, "Command5")),
      m_sound(control<QCheckBox>(form, "Check3")), m_list(control<JournalListView>(form, "List1")),
      m_tone(new QTimer(form))
{
    m_list->setLimit(kJournalListLimit);
    m_tone->setObjectName(u"Timer4"_s);
    m_tone->setInterval(0);
    connect(m_tone, &QTimer::timeout, this, [this] {
        if (m_alarm)
            m_alarm->restart();
    });
    connect(m_sound, &QCheckBox::toggled, this, [this](bool on) {
        if (!on)
            setTimerEnabled(m_tone, false);
        else if (m_alarm)
            m_alarm->check();  // a tone that cannot be heard is told now, not at the alarm
    });
    if (m_alarm)
        m_alarm->setFailureSink([this](const QString &reason) { reportToneFailure(reason); });
    connect(m_remoteTest, &QPushButton::clicked, this, [this] {
        m_remoteTest->setEnabled(false);
        m_exchange.queueRequest(remoteTestRequest(m_exchange.address()));
        m_journal->record(tr("   Выполнен ДК"), tr(" Выполнен ДК"));
    });
    connect(control<QPushButton>(form, "Command6"), &QPushButton::clicked, this, [this] {
        m_list->clear();
        m_journal->record(tr("  Очистка журнала"), tr(" Очистка журнала"));
    });
}

MonitorPanel::~MonitorPanel()
{
    if (m_alarm)
        m_alarm->setFailureSink({});
}

void MonitorPanel::attachJournal(EventJournal &journal)
{
    m_journal = &journal;
    journal.setFailureSink([this](const QString &error) { reportJournalFailure(error); });
}

void MonitorPanel::insertJournalEntry(const QString &entry)
{
    m_list->insertEntry(entry);
}

void MonitorPanel::load()
{
    m_flankState->setText(u" "_s);
    control<QLabel>(m_form, "Label9")->setText(tr("Уровни <1> <2> :"));
    control<QLabel>(m_form, "Label10")->setText(tr("Датчик вскрытия:"));
    control<QLabel>(m_form, "Label11")->setText(tr("Состояние:"));
    m_tamperState->setText(u" "_s);
    m_journalCaption->setText(tr("Журнал событий"));
    m_list->setAccessibleName(m_journalCaption->text());
    m_remoteTest->setText(tr("Выполнить"));
    m_remoteTest->setEnabled(false);
    control<QPushButton>(m_form, "Command6")->setText(tr("Очистить"));
    m_sound->setText(tr("Звук"));
    setTimerEnabled(m_tone, false);
}

void MonitorPanel::exchangeStarted()
{
    m_flankState->setText(QString());
}

void MonitorPanel::showLinkEstablished()
{
    // Not at "СТАРТ": with no detector at the address the test would be
    // journalled as done and then the link lost.
    m_remoteTest->setEnabled(true);
}

void MonitorPanel::exchangeStopped()
{
    m_remoteTest->setEnabled(false);
}

void MonitorPanel::showLinkLost()
{
    m_flankState->setText(tr("Нет связи"));
    m_tamperState->setText(u" "_s);
    setLabelBackColor(m_flankState, bgr::White);
}

void MonitorPanel::showReadingsStale(bool stale)
{
    for (QWidget *readout : {m_flankState, m_faultNote, m_tamperState})
        showStale(readout, stale);
}

void MonitorPanel::showStatus(const StatusReading &reading, const QString &flankText)
{
    const StatusIndication shown = m_monitor.decode(reading, flankText);
    if (shown.flankShown) {
        showText(m_flankState, shown.flankCaption);
        setLabelBackColor(m_flankState, shown.flankColour);
    }
    switch (shown.faultNote) {
    case FaultNoteChange::WindowBackground:
        showText(m_faultNote, shown.faultCaption);
        setLabelBackColor(m_faultNote, bgrFromColor(m_form->palette().color(QPalette::Window)));
        break;
    case FaultNoteChange::RedText:
        setLabelTextColor(m_faultNote, bgr::Red);
        showText(m_faultNote, shown.faultCaption);
        break;
    case FaultNoteChange::Unchanged:
        break;
    }
    if (shown.remoteTest != EnableChange::Unchanged)
        m_remoteTest->setEnabled(shown.remoteTest == EnableChange::Enable);
    for (const JournalLine &line : shown.journal)
        m_journal->record(line);
    if (shown.tone == ToneChange::Stop) {
        setTimerEnabled(m_tone, false);
    } else if (shown.tone == ToneChange::StartIfSoundOn && m_sound->isChecked() &&
               !m_tone->isActive()) {
        m_tone->setInterval(kAlarmToneRepeat);
        setTimerEnabled(m_tone, true);
    }
    setLabelTextColor(m_tamperState, shown.tamperColour);
    showText(m_tamperState, shown.tamperCaption);
}

void MonitorPanel::reportJournalFailure(const QString &error)
{
    showFailure(
        m_journalCaption,
        error.isEmpty()
            ? QString()
            : tr("Не удалось записать файл журнала %1: %2").arg(m_journal->filePath(), error));
}

void MonitorPanel::reportToneFailure(const QString &reason)
{
    const QString file = m_tonePath.isEmpty() ? QString() : u" (%1)"_s.arg(m_tonePath);
    showFailure(m_sound, reason.isEmpty() ? QString()
                                          : tr("Сигнал тревоги не слышен%1: %2").arg(file, reason));
}

void MonitorPanel::showFailure(QWidget *caption, const QString &message)
{
    // On the caption of what failed (the journal's, or "Звук"), never with a
    // dialog: the exchange must go on while the file cannot be written or
    // the tone cannot be heard. An empty message clears the mark.
    setLabelTextColor(caption, message.isEmpty() ? bgr::Black : bgr::Red);
    caption->setToolTip(message);
    if (!message.isEmpty())
        qWarning("%s", qPrintable(message));
}
