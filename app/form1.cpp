#include "app/form1.h"

#include "app/chartpanel.h"
#include "app/connectionpanel.h"
#include "app/designedlayout.h"
#include "app/keyboard.h"
#include "app/monitorpanel.h"
#include "app/settingspanel.h"
#include "base/colors.h"
#include "base/twips.h"
#include "link/exchange.h"
#include "monitor/exchangejournal.h"

#include <QToolTip>

using namespace Qt::StringLiterals;

namespace {

// The designed client area, in twips.
constexpr int kClientWidth = 14910;
constexpr int kClientHeight = 9480;

}  // namespace

Form1::Form1(const Form1Dependencies &deps, QWidget *parent)
    : QWidget(parent), m_exchange(new Exchange(*deps.port, this))
{
    Q_ASSERT(deps.port);
    setObjectName(u"Form1"_s);
    setDesignedLook();
    buildDesignedControls(this);
    // Enter presses a focused button as Space does, and the focused control
    // is framed once the keyboard moves the focus.
    pressButtonsWithEnter(this);
    new FocusRing(this);

    // The journal lists into the monitor panel; nothing is journalled before
    // the panels exist.
    m_journal = std::make_unique<EventJournal>(
        deps.journalPath, [this](const QString &entry) { m_monitor->insertJournalEntry(entry); },
        deps.clock);
    new ExchangeJournal(*m_exchange, *m_journal, this);
    m_connection = new ConnectionPanel(this, *m_exchange, deps.settings);
    m_settings = new SettingsPanel(this, *m_exchange, *m_journal);
    m_monitor = new MonitorPanel(this, *m_exchange, deps.alarm, deps.tonePath);
    m_monitor->attachJournal(*m_journal);
    m_chart = new ChartPanel(this);

    connect(m_connection, &ConnectionPanel::startPressed, this, &Form1::startPressed);
    connect(m_connection, &ConnectionPanel::flankChosen, m_exchange, &Exchange::changeFlank);
    connect(m_exchange, &Exchange::linkAlive, this, [this] {
        m_connection->showLinkAlive();
        m_chart->showLinkAlive();
    });
    connect(m_exchange, &Exchange::speedTried, m_connection, &ConnectionPanel::showSpeedTried);
    connect(m_exchange, &Exchange::linkEstablished, m_monitor, &MonitorPanel::showLinkEstablished);
    // Readings the detector no longer backs (the exchange stopped, or polls
    // went unanswered) are greyed until the next status reply.
    connect(m_exchange, &Exchange::readingsStale, this, [this] { showReadingsStale(true); });
    connect(m_exchange, &Exchange::readingsFresh, this, [this] { showReadingsStale(false); });
    connect(m_exchange, &Exchange::speedFound, m_connection, &ConnectionPanel::showSpeed);
    connect(m_exchange, &Exchange::linkLost, this, &Form1::linkLost);
    connect(m_exchange, &Exchange::startFailed, m_connection,
            [this](SerialPortService::OpenError, const QString &reason) {
                m_connection->showStartFailed(reason);
            });
    connect(m_exchange, &Exchange::stopped, this, &Form1::exchangeStopped);
    connect(m_exchange, &Exchange::statusReceived, this, [this](const StatusReading &reading) {
        followExchangeFlank();
        m_monitor->showStatus(reading, m_connection->flankText());
        if (const std::optional<ControlPass::Step> step = m_chart->showStatus(reading))
            emit controlPassSampled(reading, *step);
    });
    connect(m_exchange, &Exchange::settingReceived, this, [this](int code, int valueByte) {
        followExchangeFlank();
        m_settings->showSetting(code, valueByte, m_connection->flankText());
    });
    load();
}

Form1::~Form1() = default;

SignalChart &Form1::chart()
{
    return m_chart->chart();
}

void Form1::setDesignedLook()
{
    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    // The window's default font and colours: a small sans serif (Arial, which
    // fontconfig maps to Liberation Sans), a light grey face with white boxes
    // and black text, and disabled captions in a mid grey that stays readable
    // on it. Every role of every group is set, so that no colour comes from
    // the system's theme: under a dark theme the window looks the same.
    QFont defaultFont(u"Arial"_s);
    defaultFont.setPointSizeF(8.25);
    setFont(defaultFont);
    // Role, colour when enabled (active or not), colour when disabled. Shades
    // and selection are those of Qt's light Fusion palette.
    const QRgb grey = colorFromBgr(bgr::LightGrey).rgb();
    const struct {
        QPalette::ColorRole role;
        QRgb enabled;
        QRgb disabled;
    } roles[] = {
        {QPalette::Window, grey, grey},
        {QPalette::WindowText, 0x000000, 0x808080},
        {QPalette::Base, 0xffffff, 0xefefef},
        {QPalette::AlternateBase, 0xf7f7f7, 0xf7f7f7},
        {QPalette::Text, 0x000000, 0x808080},
        {QPalette::PlaceholderText, 0x808080, 0x808080},
        {QPalette::Button, grey, grey},
        {QPalette::ButtonText, 0x000000, 0x808080},
        {QPalette::BrightText, 0xffffff, 0xffffff},
        {QPalette::Light, 0xffffff, 0xffffff},
        {QPalette::Midlight, 0xcacaca, 0xcacaca},
        {QPalette::Mid, 0xb8b8b8, 0xb8b8b8},
        {QPalette::Dark, 0x9f9f9f, 0xbebebe},
        {QPalette::Shadow, 0x767676, 0xb1b1b1},
        {QPalette::Highlight, 0x308cc6, 0x919191},
        {QPalette::HighlightedText, 0xffffff, 0xffffff},
        {QPalette::ToolTipBase, 0xffffdc, 0xffffdc},
        {QPalette::ToolTipText, 0x000000, 0x000000},
        {QPalette::Link, 0x0000ff, 0x0000ff},
        {QPalette::LinkVisited, 0xff00ff, 0xff00ff},
    };
    QPalette palette;
    for (const auto &shade : roles) {
        palette.setColor(QPalette::Active, shade.role, QColor(shade.enabled));
        palette.setColor(QPalette::Inactive, shade.role, QColor(shade.enabled));
        palette.setColor(QPalette::Disabled, shade.role, QColor(shade.disabled));
    }
    setPalette(palette);
    // Tool tips are windows of their own, with a palette of their own.
    QToolTip::setPalette(palette);
    setAutoFillBackground(true);
}

void Form1::load()
{
    setWindowTitle(tr("Программа настройки ВЕРКАН-Р Ливерт"));
    m_chart->load();
    m_monitor->load();
    m_settings->load();
    m_connection->load();
}

void Form1::startPressed()
{
    emit startRequested();
    if (!m_connection->start())
        return;
    m_monitor->exchangeStarted();
    m_chart->exchangeStarted();
    m_settings->exchangeStarted();
}

void Form1::exchangeStopped()
{
    m_monitor->exchangeStopped();
    m_chart->exchangeStopped();
    m_settings->exchangeStopped();
    m_connection->showStopped();
}

void Form1::showReadingsStale(bool stale)
{
    m_monitor->showReadingsStale(stale);
    m_chart->showReadingsStale(stale);
}

void Form1::linkLost()
{
    m_connection->showLinkLost();
    m_monitor->showLinkLost();
    m_settings->clearValues();
    m_chart->showLinkLost();
}

// --- for the menu bar ------------------------------------------------------

QList<int> Form1::rescanPorts()
{
    return m_connection->rescanPorts();
}

QList<NamedPort> Form1::networkPorts() const
{
    return m_connection->networkPorts();
}

void Form1::choosePortAndAddress(const PortDescription &port, int address)
{
    m_connection->choosePortAndAddress(port, address);
}

void Form1::followExchangeFlank()
{
    if (m_connection->flank() != m_exchange->flank())
        m_connection->showFlank(m_exchange->flank());
}
