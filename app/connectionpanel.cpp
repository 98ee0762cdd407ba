#include "app/connectionpanel.h"

#include "app/controls.h"
#include "app/updown.h"
#include "base/colors.h"
#include "journal/eventjournal.h"
#include "link/comports.h"
#include "link/exchange.h"
#include "link/openfailure.h"
#include "link/scheduler.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

const QString kLinkAlive = u"Установлена связь с блоком. Обмен данными..."_s;
const QString kLinkLost = u"Нет связи с блоком. Проверьте адрес и питание! "_s;
const QString kExchangeStopped = u"Обмен данными остановлен."_s;

// The highest address a request can carry.
constexpr int kMaxAddress = 128;

}  // namespace

ConnectionPanel::ConnectionPanel(QWidget *form, Exchange &exchange, EventJournal &journal)
    : QObject(form), m_exchange(exchange), m_journal(journal),
      m_status(control<QLabel>(form, "Label6")), m_speed(control<QLabel>(form, "Label24")),
      m_ports(control<QComboBox>(form, "Combo3")), m_flank(control<QComboBox>(form, "Combo2")),
      m_start(control<QPushButton>(form, "Command4")),
      m_stop(control<QPushButton>(form, "Command3")),
      m_addressUnlock(control<QCheckBox>(form, "Check1")),
      m_address(control<UpDown>(form, "UpDown1")), m_addressBox(control<QLineEdit>(form, "Text1")),
      m_form(form)
{
    connect(m_start, &QPushButton::clicked, this, &ConnectionPanel::startPressed);
    connect(m_stop, &QPushButton::clicked, &m_exchange, &Exchange::stop);
    connect(m_addressUnlock, &QCheckBox::toggled, m_address, &QWidget::setEnabled);
    connect(m_address, &UpDown::changed, this,
            [this] { m_addressBox->setText(QString::number(m_address->Value())); });
    connect(m_flank, &QComboBox::activated, this, [this] { emit flankChosen(flank()); });
}

void ConnectionPanel::load()
{
    control<QLabel>(m_form, "Label3")->setText(u"ПОДКЛЮЧЕНИЕ"_s);
    m_status->setText(u" "_s);
    control<QLabel>(m_form, "Label7")->setText(u"Фланг"_s);
    control<QLabel>(m_form, "Label19")->setText(u"COM-порт"_s);
    m_stop->setText(u"СТОП"_s);
    m_stop->setEnabled(false);
    m_start->setText(u"СТАРТ"_s);
    m_flank->setCurrentIndex(m_flank->findText(u"1"_s));
    m_flank->setEnabled(false);

    control<QLabel>(m_form, "Label5")->setText(u"Связь с блоком №:"_s);
    m_addressUnlock->setText(u"Изменить"_s);
    m_address->setEnabled(false);
    m_address->setValue(1);
    m_address->setMax(kMaxAddress);
    m_address->setMin(0);
    m_address->setIncrement(1);

    scanComPorts();
}

void ConnectionPanel::scanComPorts()
{
    // Every port that opens is closed again at once and listed; failures are
    // silent. Nothing is written to any port.
    SerialPortService &port = m_exchange.port();
    int k = 0;
    for (int n = kFirstComPort; n <= kLastComPort; ++n) {
        port.setPortNumber(n);
        if (!port.open())
            continue;
        port.close();
        m_ports->insertItem(k, QString::number(n));
        m_ports->setItemData(k, port.deviceOf(n), Qt::ToolTipRole);
        ++k;
    }
    m_ports->setCurrentIndex(-1);
}

int ConnectionPanel::flank() const
{
    return m_flank->currentText().toInt();
}

QString ConnectionPanel::flankText() const
{
    return m_flank->currentText();
}

void ConnectionPanel::showLinkError(const QString &text)
{
    setLabelTextColor(m_status, bgr::Red);
    m_status->setText(text);
}

bool ConnectionPanel::start()
{
    bool isNumber = false;
    const int portNumber = m_ports->currentText().toInt(&isNumber);
    if (m_ports->currentIndex() < 0 || !isNumber) {
        showLinkError(u"Не выбран COM-порт."_s);
        return false;
    }
    const Exchange::StartResult result = m_exchange.start(portNumber, m_address->Value(), flank());
    if (!result.started) {
        showLinkError(
            u"COM-порт %1 (%2): %3."_s.arg(portNumber)
                .arg(m_exchange.port().deviceOf(portNumber), openFailureReason(result.error)));
        return false;
    }

    m_status->setText(QString());
    const QString words = u"Старт.   COM-порт: "_s + QString::number(portNumber) +
                          u"     Адрес: "_s + QString::number(m_address->Value());
    m_journal.record(u"   "_s + words, u" "_s + words);
    m_start->setEnabled(false);
    m_stop->setEnabled(true);
    m_address->setEnabled(false);
    m_addressUnlock->setChecked(false);
    m_addressUnlock->setEnabled(false);
    m_ports->setEnabled(false);
    m_flank->setEnabled(true);
    return true;
}

void ConnectionPanel::showStopped()
{
    m_stop->setEnabled(false);
    m_start->setEnabled(true);
    m_addressUnlock->setEnabled(true);
    m_ports->setEnabled(true);
    m_flank->setEnabled(false);
    m_journal.record(u"   Стоп"_s, u" Стоп"_s);
    // After a lost link the status line keeps saying so.
    if (m_exchange.silentPeriods() < 1) {
        setLabelTextColor(m_status, bgr::Black);
        m_status->setText(kExchangeStopped);
    }
}

void ConnectionPanel::showLinkAlive()
{
    setLabelTextColor(m_status, bgr::Blue);
    showText(m_status, kLinkAlive);
}

void ConnectionPanel::showSpeed(int baud)
{
    showText(m_speed, speedCaption(baud));
}

void ConnectionPanel::showLinkLost()
{
    m_journal.record(u"  НЕТ СВЯЗИ С БЛОКОМ!"_s, u" НЕТ СВЯЗИ С БЛОКОМ!"_s);
    setLabelTextColor(m_status, bgr::Red);
    m_status->setText(kLinkLost);
}
