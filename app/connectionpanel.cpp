#include "app/connectionpanel.h"

#include "app/controls.h"
#include "app/portlist.h"
#include "app/rememberedchoices.h"
#include "app/updown.h"
#include "base/colors.h"
#include "link/comports.h"
#include "link/exchange.h"
#include "link/openfailure.h"
#include "link/portscan.h"
#include "link/protocol.h"
#include "link/scheduler.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

const char *const kLinkAlive =
    QT_TRANSLATE_NOOP("ConnectionPanel", "Установлена связь с блоком. Обмен данными...");
const char *const kLinkLost =
    QT_TRANSLATE_NOOP("ConnectionPanel", "Нет связи с блоком. Проверьте адрес и питание! ");
const char *const kExchangeStopped =
    QT_TRANSLATE_NOOP("ConnectionPanel", "Обмен данными остановлен.");

// The status line as the window opens: one space.
const QString kBlankStatus = QStringLiteral(" ");

}  // namespace

ConnectionPanel::ConnectionPanel(QWidget *form, Exchange &exchange, QSettings *settings)
    : QObject(form), m_exchange(exchange), m_settings(settings),
      m_status(control<QLabel>(form, "Label6")), m_speed(control<QLabel>(form, "Label24")),
      m_ports(control<PortList>(form, "Combo3")), m_flank(control<QComboBox>(form, "Combo2")),
      m_start(control<QPushButton>(form, "Command4")),
      m_stop(control<QPushButton>(form, "Command3")),
      m_addressUnlock(control<QCheckBox>(form, "Check1")),
      m_address(control<UpDown>(form, "UpDown1")), m_addressBox(control<QLineEdit>(form, "Text1")),
      m_form(form), m_statusFont(m_status->font())
{
    connect(m_start, &QPushButton::clicked, this, &ConnectionPanel::startPressed);
    connect(m_stop, &QPushButton::clicked, &m_exchange, &Exchange::stop);
    connect(m_addressUnlock, &QCheckBox::toggled, m_address, &QWidget::setEnabled);
    connect(m_address, &UpDown::changed, this,
            [this] { m_addressBox->setText(QString::number(m_address->Value())); });
    connect(m_addressBox, &QLineEdit::editingFinished, this, &ConnectionPanel::takeTypedAddress);
    m_address->takeKeysFrom(m_addressBox);
    connect(m_flank, &QComboBox::activated, this, [this] { emit flankChosen(flank()); });
    // Opening the port list scans the ports again.
    connect(m_ports, &PortList::aboutToOpen, this, [this] {
        if (m_ports->isEnabled())
            rescanPorts();
    });
}

void ConnectionPanel::load()
{
    control<QLabel>(m_form, "Label3")->setText(tr("ПОДКЛЮЧЕНИЕ"));
    showStatus(kBlankStatus);
    m_speed->setText(QString());  // until a speed is found
    control<QLabel>(m_form, "Label7")->setText(tr("Фланг"));
    control<QLabel>(m_form, "Label19")->setText(tr("COM-порт"));
    m_stop->setText(tr("СТОП"));
    m_stop->setEnabled(false);
    m_start->setText(tr("СТАРТ"));
    m_flank->setCurrentIndex(m_flank->findText(u"1"_s));
    m_flank->setEnabled(false);

    control<QLabel>(m_form, "Label5")->setText(tr("Связь с блоком №:"));
    m_addressUnlock->setText(tr("Изменить"));
    m_address->setEnabled(false);
    m_address->setValue(1);
    m_address->setMax(protocol::kHighestAddress);
    m_address->setMin(protocol::kLowestAddress);
    m_address->setIncrement(1);

    showPermissionHint(listComPorts());
    offerRemembered();
}

void ConnectionPanel::offerRemembered()
{
    // A remembered port that is not listed now is not chosen.
    if (const std::optional<PortDescription> port = RememberedChoices::port(m_settings))
        m_ports->setCurrentIndex(m_ports->findData(port->toString()));
    if (const std::optional<int> address = RememberedChoices::address(m_settings))
        m_address->setValue(*address);
}

void ConnectionPanel::showPermissionHint(const QStringList &denied)
{
    // A port the user may not open is not listed; the status line says why
    // and how to mend it, naming the first such port. A scan that finds the
    // same ports again leaves the status line to what came since; one that
    // finds none takes the hint back.
    if (denied.isEmpty()) {
        if (!m_permissionHint.isEmpty() && m_statusText == m_permissionHint) {
            setLabelTextColor(m_status, bgr::Black);
            showStatus(kBlankStatus);
        }
        m_permissionHint.clear();
        return;
    }
    const qsizetype more = denied.size() - 1;
    const QString others = more == 0   ? QString()
                           : more == 1 ? tr(" и ещё 1 порту")
                                       : tr(" и ещё %1 портам").arg(more);
    const QString hint = tr("Нет прав доступа к %1%2: добавьте пользователя в группу dialout и "
                            "войдите в систему снова.")
                             .arg(denied.first(), others);
    if (hint == m_permissionHint)
        return;
    m_permissionHint = hint;
    showLinkError(hint);
}

QStringList ConnectionPanel::listComPorts()
{
    // Failures are silent; nothing is written to any port.
    SerialPortService &port = m_exchange.port();
    const PortScan scan = scanComPorts(port);
    int k = 0;
    for (const int n : scan.comPorts) {
        const PortDescription com = PortDescription::comPort(n);
        m_ports->insertItem(k, QString::number(n), com.toString());
        m_ports->setItemData(k, port.deviceOf(com), Qt::ToolTipRole);
        ++k;
    }
    // The user's serial servers are listed by name and never tried: a
    // connection could take the server's line from another client.
    m_networkPorts = NetworkPorts::load(m_settings);
    for (const NamedPort &named : std::as_const(m_networkPorts)) {
        m_ports->addItem(named.name, named.port.toString());
        m_ports->setItemData(m_ports->count() - 1, named.port.toString(), Qt::ToolTipRole);
    }
    m_ports->setCurrentIndex(-1);
    return scan.deniedDevices;
}

int ConnectionPanel::flank() const
{
    return m_flank->currentText().toInt();
}

QString ConnectionPanel::flankText() const
{
    return m_flank->currentText();
}

void ConnectionPanel::showStatus(const QString &text)
{
    m_showsSearch = false;
    // Every reply confirms the link: fitting the same text again would
    // measure it in several font sizes for nothing.
    if (text == m_statusText)
        return;
    m_statusText = text;
    showFitted(m_status, text, m_statusFont);
}

void ConnectionPanel::showLinkError(const QString &text)
{
    setLabelTextColor(m_status, bgr::Red);
    showStatus(text);
}

std::optional<PortDescription> ConnectionPanel::chosenPort() const
{
    if (m_ports->currentIndex() < 0)
        return std::nullopt;
    return PortDescription::parse(m_ports->currentData().toString());
}

void ConnectionPanel::showPortFailure(const PortDescription &port, const QString &reason)
{
    // "COM-порт 5 (/dev/ttyUSB0): порт не найден." for a COM number.
    showLinkError(tr("%1: %2.").arg(portInMessages(port, m_exchange.port()), reason));
}

bool ConnectionPanel::start()
{
    const std::optional<PortDescription> chosen = chosenPort();
    if (!chosen) {
        showLinkError(tr("Не выбран COM-порт."));
        return false;
    }
    takeTypedAddress();
    const PortDescription &port = *chosen;
    m_startFailed = false;
    const Exchange::StartResult result = m_exchange.start(port, m_address->Value(), flank());
    if (!result.started) {
        showPortFailure(port, m_exchange.port().lastOpenErrorText());
        return false;
    }

    RememberedChoices::rememberConnection(m_settings, port, m_address->Value());
    showStatus(QString());
    m_start->setEnabled(false);
    m_stop->setEnabled(true);
    m_address->setEnabled(false);
    m_addressUnlock->setChecked(false);
    m_addressUnlock->setEnabled(false);
    m_ports->setEnabled(false);
    m_flank->setEnabled(true);
    return true;
}

void ConnectionPanel::takeTypedAddress()
{
    // What the box shows is the address used: a number the spinner can hold
    // moves it; anything else, or typing during an exchange, is put back.
    bool isNumber = false;
    const int typed = m_addressBox->text().toInt(&isNumber);
    if (isNumber && typed >= m_address->Min() && typed <= m_address->Max() && m_start->isEnabled())
        m_address->setValue(typed);
    showText(m_addressBox, QString::number(m_address->Value()));
}

void ConnectionPanel::showStopped()
{
    m_stop->setEnabled(false);
    m_start->setEnabled(true);
    m_addressUnlock->setEnabled(true);
    m_ports->setEnabled(true);
    m_flank->setEnabled(false);
    // After a lost link, or a serial server not reached, the status line
    // keeps saying so. The speed search is over: its words go, back to the
    // empty line of the start.
    if (m_startFailed) {
        m_startFailed = false;
    } else if (m_exchange.silentPeriods() < 1) {
        setLabelTextColor(m_status, bgr::Black);
        showStatus(tr(kExchangeStopped));
    } else if (m_showsSearch) {
        showStatus(QString());
    }
}

void ConnectionPanel::showLinkAlive()
{
    setLabelTextColor(m_status, bgr::Blue);
    showStatus(tr(kLinkAlive));
}

void ConnectionPanel::showSpeed(int baud)
{
    // A raw TCP line runs at the speed set on the server, which the program
    // does not know: the caption names the server instead ("10.0.0.5 TCP").
    if (m_exchange.port().fixesLineSpeed()) {
        const PortDescription &port = m_exchange.portDescription();
        QString host = port.resolved().host();
        if (host.isEmpty())
            host = m_exchange.port().deviceOf(port);
        showText(m_speed, u"%1 TCP"_s.arg(host));
        return;
    }
    showText(m_speed, speedCaption(baud));
}

void ConnectionPanel::showStartFailed(const QString &reason)
{
    m_startFailed = true;
    showPortFailure(m_exchange.portDescription(), reason);
}

void ConnectionPanel::showSpeedTried(int baud)
{
    // Only on the empty line of a starting exchange: the window's own
    // messages keep their place and their words.
    if (!m_statusText.isEmpty() && !m_showsSearch)
        return;
    setLabelTextColor(m_status, bgr::Black);
    showStatus(tr("Поиск скорости: %1 бод…").arg(baud));
    m_showsSearch = true;
}

void ConnectionPanel::showLinkLost()
{
    setLabelTextColor(m_status, bgr::Red);
    showStatus(tr(kLinkLost));
    // The message keeps its words; its tool tip names the port and where to
    // look for a detector whose address is not known. A tool tip the fitting
    // gave (the whole message, when cut short) comes first.
    const PortDescription &port = m_exchange.portDescription();
    const QString hint =
        port.kind() == PortDescription::Kind::ComNumber
            ? tr("COM-порт %1 (%2), адрес %3.\nНе знаете адрес блока? Найдите блок: "
                 "Блок → Найти блок…")
                  .arg(port.comNumber())
                  .arg(m_exchange.port().deviceOf(port))
                  .arg(m_exchange.address())
            : tr("%1, адрес %2.\nНе знаете адрес блока? Найдите блок: Блок → Найти блок…")
                  .arg(port.toString())
                  .arg(m_exchange.address());
    const QString fitted = m_status->toolTip();
    m_status->setToolTip(fitted.isEmpty() ? hint : fitted + u'\n' + hint);
}

// --- for the menu bar ------------------------------------------------------

QList<int> ConnectionPanel::rescanPorts()
{
    if (!m_exchange.port().isOpen()) {
        const QVariant chosen = m_ports->currentData();
        m_ports->clear();
        showPermissionHint(listComPorts());
        m_ports->setCurrentIndex(m_ports->findData(chosen));
    }
    QList<int> listed;
    for (int i = 0; i < m_ports->count(); ++i) {
        const auto port = PortDescription::parse(m_ports->itemData(i).toString());
        if (port && port->kind() == PortDescription::Kind::ComNumber)
            listed.append(port->comNumber());
    }
    return listed;
}

void ConnectionPanel::choosePortAndAddress(const PortDescription &port, int address)
{
    const QString text = port.toString();
    if (m_ports->findData(text) < 0)
        rescanPorts();
    m_ports->setCurrentIndex(m_ports->findData(text));
    m_address->setValue(address);
}

void ConnectionPanel::showFlank(int flank)
{
    m_flank->setCurrentIndex(m_flank->findText(QString::number(flank)));
}
