#include "app/form1.h"

#include "app/chartpanel.h"
#include "app/connectionpanel.h"
#include "app/designedlayout.h"
#include "app/monitorpanel.h"
#include "app/settingspanel.h"
#include "base/colors.h"
#include "base/twips.h"
#include "link/exchange.h"

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

    // The journal lists into the monitor panel; nothing is journalled before
    // the panels exist.
    m_journal = std::make_unique<EventJournal>(
        deps.journalPath, [this](const QString &entry) { m_monitor->insertJournalEntry(entry); },
        deps.clock);
    m_connection = new ConnectionPanel(this, *m_exchange, *m_journal);
    m_settings = new SettingsPanel(this, *m_exchange, *m_journal);
    m_monitor = new MonitorPanel(this, *m_exchange, deps.alarm);
    m_monitor->attachJournal(*m_journal);
    m_chart = new ChartPanel(this);

    connect(m_connection, &ConnectionPanel::startPressed, this, &Form1::startPressed);
    connect(m_connection, &ConnectionPanel::flankChosen, m_exchange, &Exchange::changeFlank);
    connect(m_exchange, &Exchange::linkAlive, this, [this] {
        m_connection->showLinkAlive();
        m_chart->showLinkAlive();
    });
    connect(m_exchange, &Exchange::speedFound, m_connection, &ConnectionPanel::showSpeed);
    connect(m_exchange, &Exchange::linkLost, this, &Form1::linkLost);
    connect(m_exchange, &Exchange::stopped, this, &Form1::exchangeStopped);
    connect(m_exchange, &Exchange::statusReceived, this, [this](const StatusReading &reading) {
        m_monitor->showStatus(reading, m_connection->flankText());
        m_chart->showStatus(reading);
    });
    connect(m_exchange, &Exchange::settingReceived, this, [this](int code, int valueByte) {
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
    // fontconfig maps to Liberation Sans), a light grey face, and disabled
    // captions in a mid grey that stays readable on it.
    QFont defaultFont(u"Arial"_s);
    defaultFont.setPointSizeF(8.25);
    setFont(defaultFont);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, colorFromBgr(bgr::LightGrey));
    palette.setColor(QPalette::Button, colorFromBgr(bgr::LightGrey));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        palette.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x80));
    setPalette(palette);
    setAutoFillBackground(true);
}

void Form1::load()
{
    setWindowTitle(u"Программа настройки ВЕРКАН-Р Ливерт"_s);
    m_chart->load();
    m_monitor->load();
    m_settings->load();
    m_connection->load();
}

void Form1::startPressed()
{
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

void Form1::linkLost()
{
    m_connection->showLinkLost();
    m_monitor->showLinkLost();
    m_settings->clearValues();
    m_chart->showLinkLost();
}
