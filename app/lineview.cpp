#include "app/lineview.h"

#include "app/keyboard.h"
#include "app/linetablemodel.h"
#include "app/mqttpanel.h"
#include "journal/alarmsound.h"
#include "link/addresslist.h"
#include "link/exchange.h"
#include "link/linewatch.h"
#include "link/openfailure.h"
#include "link/protocol.h"
#include "link/scheduler.h"
#include "monitor/linestates.h"
#include "monitor/statusdecoder.h"
#include "params/catalogue.h"
#include "tasks/discovertask.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString loginFromEnvironment()
{
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? qEnvironmentVariable("LOGNAME") : user;
}

// Why an address list cannot be watched, in the operator's words.
QString addressListProblem(const QString &text, const AddressListError &error)
{
    if (text.trimmed().isEmpty())
        return LineView::tr("Укажите адреса, например 1-16,20.");
    switch (error.kind) {
    case AddressListError::Kind::None:
        break;
    case AddressListError::Kind::BadItem:
        return LineView::tr("«%1» — не адрес и не диапазон адресов от %2 до %3.")
            .arg(error.item)
            .arg(protocol::kLowestAddress)
            .arg(protocol::kHighestAddress);
    case AddressListError::Kind::Backwards:
        return LineView::tr("Диапазон «%1» идёт от большего адреса к меньшему.").arg(error.item);
    case AddressListError::Kind::Twice:
        return LineView::tr("Адрес %1 указан дважды.").arg(error.address);
    }
    return QString();
}

// Cells keep their state's colours on the selected row, which is framed in
// the highlight colour instead: the row being acknowledged still shows what
// stands on it.
class KeepColoursDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        if (!selected || !index.data(Qt::BackgroundRole).isValid()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem plain = option;
        plain.state &= ~QStyle::State_Selected;
        QStyledItemDelegate::paint(painter, plain, index);
        painter->save();
        QPen pen(option.palette.color(QPalette::Highlight));
        pen.setWidth(3);
        painter->setPen(pen);
        painter->drawLine(option.rect.topLeft() + QPoint(0, 1),
                          option.rect.topRight() + QPoint(0, 1));
        painter->drawLine(option.rect.bottomLeft() - QPoint(0, 1),
                          option.rect.bottomRight() - QPoint(0, 1));
        painter->restore();
    }
};

}  // namespace

LineView::LineView(const Dependencies &deps, QWidget *parent)
    : QWidget(parent, Qt::Window), m_exchange(*deps.exchange), m_alarm(deps.alarm),
      m_operatorName(deps.operatorName ? deps.operatorName : &loginFromEnvironment),
      m_watch(new LineWatch(m_exchange.port(), this)),
      m_states(new LineStates(*m_watch, &QDateTime::currentDateTime, this)),
      m_journal(new LineJournal(*m_states, *deps.journal, this)),
      m_model(new LineTableModel(*m_states, this)), m_ports(new QComboBox(this)),
      m_addresses(new QLineEdit(QLatin1String(kDefaultAddresses), this)),
      m_addressError(new QLabel(this)), m_find(new QPushButton(tr("&Найти блоки"), this)),
      m_speed(new QComboBox(this)), m_start(new QPushButton(tr("С&тарт"), this)),
      m_stop(new QPushButton(tr("Ст&оп"), this)), m_status(new QLabel(this)),
      m_table(new QTableView(this)), m_acknowledge(new QPushButton(tr("&Квитировать"), this)),
      m_open(new QPushButton(tr("Открыть в &главном окне"), this)),
      m_remoteTest(new QPushButton(tr("&Дистанционный контроль"), this)),
      m_mqtt(new MqttPanel(*m_states, deps.settings, deps.chooser, this)), m_tone(new QTimer(this))
{
    Q_ASSERT(deps.exchange && deps.journal);
    setObjectName(u"lineView"_s);
    setWindowTitle(tr("Наблюдение за линией"));
    // A window beside the main one: it neither keeps the program running
    // nor ends it.
    setAttribute(Qt::WA_QuitOnClose, false);
    m_ports->setObjectName(u"linePortBox"_s);
    m_addresses->setObjectName(u"lineAddresses"_s);
    m_addressError->setObjectName(u"lineAddressError"_s);
    m_find->setObjectName(u"lineFindButton"_s);
    m_speed->setObjectName(u"lineSpeedBox"_s);
    m_start->setObjectName(u"lineStartButton"_s);
    m_stop->setObjectName(u"lineStopButton"_s);
    m_status->setObjectName(u"lineStatus"_s);
    m_table->setObjectName(u"lineTable"_s);
    m_acknowledge->setObjectName(u"lineAcknowledgeButton"_s);
    m_open->setObjectName(u"lineOpenButton"_s);
    m_remoteTest->setObjectName(u"lineRemoteTestButton"_s);
    m_tone->setObjectName(u"lineToneTimer"_s);

    for (const int baud : kSearchSpeeds)
        m_speed->addItem(QString::number(baud), baud);
    m_speed->setCurrentIndex(m_speed->findData(kDefaultBaud));
    m_addressError->setStyleSheet(u"color: red"_s);
    m_addressError->setWordWrap(true);
    m_status->setWordWrap(true);
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false);
    m_table->verticalHeader()->hide();
    m_table->setItemDelegate(new KeepColoursDelegate(m_table));
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setMinimumSectionSize(m_table->fontMetrics().averageCharWidth() *
                                                       10);
    m_table->installEventFilter(this);

    auto label = [this](const QString &text, QWidget *buddy) {
        auto *l = new QLabel(text, this);
        l->setBuddy(buddy);
        buddy->setAccessibleName(QString(text).remove(u'&'));
        return l;
    };
    auto *line = new QGridLayout;
    line->addWidget(label(tr("&Порт"), m_ports), 0, 0);
    line->addWidget(m_ports, 0, 1);
    line->addWidget(label(tr("&Адреса"), m_addresses), 0, 2);
    line->addWidget(m_addresses, 0, 3);
    line->addWidget(m_find, 0, 4);
    line->addWidget(label(tr("&Скорость, бод"), m_speed), 0, 5);
    line->addWidget(m_speed, 0, 6);
    line->addWidget(m_start, 0, 7);
    line->addWidget(m_stop, 0, 8);
    line->addWidget(m_addressError, 1, 2, 1, 3);
    line->setColumnStretch(3, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_remoteTest);
    buttons->addStretch();
    buttons->addWidget(m_acknowledge);
    buttons->addWidget(m_open);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(line);
    layout->addWidget(m_status);
    layout->addWidget(label(tr("&Блоки на линии:"), m_table));
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    layout->addWidget(m_mqtt);
    m_addressError->setAccessibleName(tr("Ошибка в адресах"));
    m_status->setAccessibleName(tr("Состояние наблюдения"));
    for (QPushButton *button : {m_find, m_start, m_stop, m_remoteTest, m_acknowledge, m_open})
        button->setAccessibleName(button->text().remove(u'&'));
    QList<QWidget *> tabOrder{m_ports, m_addresses, m_find,       m_speed,       m_start,
                              m_stop,  m_table,     m_remoteTest, m_acknowledge, m_open};
    tabOrder << m_mqtt->tabChain();
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    pressButtonsWithEnter(this);
    resize(820, 480);

    connect(m_addresses, &QLineEdit::textChanged, this, &LineView::addressesEdited);
    connect(m_ports, &QComboBox::currentIndexChanged, this, [this] {
        if (const std::optional<PortDescription> port = chosenPort())
            m_mqtt->setPort(*port);
    });
    connect(m_addresses, &QLineEdit::returnPressed, this, &LineView::startPressed);
    connect(m_start, &QPushButton::clicked, this, &LineView::startPressed);
    connect(m_stop, &QPushButton::clicked, m_watch, &LineWatch::stop);
    connect(m_find, &QPushButton::clicked, this, &LineView::findPressed);
    connect(m_acknowledge, &QPushButton::clicked, this, &LineView::acknowledgeCurrent);
    connect(m_open, &QPushButton::clicked, this, &LineView::openCurrent);
    connect(m_remoteTest, &QPushButton::clicked, this, &LineView::remoteTestCurrent);
    connect(m_table, &QTableView::doubleClicked, this, &LineView::openCurrent);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &LineView::updateControls);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &LineView::updateControls);
    connect(m_watch, &LineWatch::stopped, this, &LineView::watchStopped);
    connect(m_watch, &LineWatch::startFailed, this, [this](const QString &reason) {
        showStatus(tr("%1: %2.").arg(portInMessages(m_watchedPort, m_exchange.port()), reason),
                   true);
    });
    connect(m_states, &LineStates::rowChanged, this, &LineView::updateTone);
    connect(m_states, &LineStates::acknowledged, this, &LineView::updateTone);
    connect(m_tone, &QTimer::timeout, this, [this] {
        if (m_alarm)
            m_alarm->restart();
    });
    // The main exchange and the watch share the port: what the main window
    // does with it changes what this window may do.
    connect(&m_exchange, &Exchange::started, this, &LineView::updateControls);
    connect(&m_exchange, &Exchange::stopped, this, &LineView::updateControls);
    addressesEdited();
}

LineView::~LineView()
{
    // The port is closed and the stop journalled, even when the window goes
    // away during a watch or a search.
    releasePort();
}

bool LineView::isWatching() const
{
    return m_watch->isRunning();
}

void LineView::setPorts(const QList<NamedPort> &ports, const PortDescription &current)
{
    if (isWatching() || (m_search && m_search->isRunning()))
        return;
    const QString chosen =
        m_ports->currentIndex() >= 0 ? m_ports->currentData().toString() : current.toString();
    m_ports->clear();
    for (const NamedPort &named : ports) {
        m_ports->addItem(named.name, named.port.toString());
        if (named.port.isNetwork())
            m_ports->setItemData(m_ports->count() - 1, named.port.toString(), Qt::ToolTipRole);
    }
    const int found = m_ports->findData(chosen);
    m_ports->setCurrentIndex(found >= 0 ? found : m_ports->findData(current.toString()));
    updateControls();
}

void LineView::releasePort()
{
    if (m_search && m_search->isRunning())
        m_search->cancel();
    m_watch->stop();
}

bool LineView::holdsPort() const
{
    return isWatching() || (m_search && m_search->isRunning());
}

std::optional<PortDescription> LineView::chosenPort() const
{
    if (m_ports->currentIndex() < 0)
        return std::nullopt;
    return PortDescription::parse(m_ports->currentData().toString());
}

void LineView::showStatus(const QString &text, bool failed)
{
    m_status->setStyleSheet(failed ? u"color: red"_s : QString());
    m_status->setText(text);
}

void LineView::addressesEdited()
{
    AddressListError error;
    parseAddressList(m_addresses->text(), &error);
    const QString problem = addressListProblem(m_addresses->text(), error);
    m_addressError->setText(problem);
    m_addressError->setVisible(!problem.isEmpty());
    m_addresses->setToolTip(problem);
    updateControls();
}

void LineView::startPressed()
{
    if (isWatching() || (m_search && m_search->isRunning()))
        return;
    if (m_exchange.isRunning()) {
        showStatus(tr("Порт занят обменом главного окна: нажмите там «СТОП»."), true);
        return;
    }
    const std::optional<PortDescription> port = chosenPort();
    const QList<int> addresses = parseAddressList(m_addresses->text());
    if (!port || addresses.isEmpty())
        return;
    // The publisher starts first, so that it has the watch's first events;
    // settings it cannot use keep the watch from starting.
    QString mqttError;
    if (!m_mqtt->startPublishing(*port, addresses, &mqttError)) {
        showStatus(mqttError, true);
        return;
    }
    const int baud = m_speed->currentData().toInt();
    m_model->reset(addresses, baud);
    m_watchedPort = *port;
    if (!m_watch->start(*port, addresses, baud)) {
        m_mqtt->finishPublishing();
        showStatus(tr("%1: %2.").arg(portInMessages(*port, m_exchange.port()),
                                     m_exchange.port().lastOpenErrorText()),
                   true);
        updateControls();
        return;
    }
    m_journal->started(*port, addresses);
    m_journalled = true;
    const QString where = port->kind() == PortDescription::Kind::ComNumber
                              ? tr("COM-порт %1").arg(port->comNumber())
                              : m_ports->currentText();
    showStatus(
        tr("Наблюдение: %1, адреса %2, %3 бод.").arg(where, addressListText(addresses)).arg(baud));
    m_table->setCurrentIndex(m_model->index(0, 0));
    updateControls();
    emit portHeldChanged(true);
}

void LineView::watchStopped()
{
    // However the watch ended: the publisher delivers what it holds on its
    // own, nobody waits for it.
    m_mqtt->finishPublishing();
    if (m_journalled) {
        m_journalled = false;
        m_journal->stopped();
        // A failed start keeps its red words.
        if (m_status->styleSheet().isEmpty())
            showStatus(tr("Наблюдение остановлено."));
    }
    updateTone();
    updateControls();
    emit portHeldChanged(false);
}

void LineView::findPressed()
{
    if (m_search && m_search->isRunning()) {
        m_search->cancel();
        return;
    }
    const std::optional<PortDescription> port = chosenPort();
    if (!port || isWatching())
        return;
    if (m_exchange.isRunning()) {
        showStatus(tr("Порт занят обменом главного окна: нажмите там «СТОП»."), true);
        return;
    }
    delete m_search;
    m_found.clear();
    m_watchedPort = *port;
    m_search = new DiscoverTask(
        m_exchange.port(), *port,
        {protocol::kLowestAddress, protocol::kHighestAddress, m_speed->currentData().toInt()},
        this);
    connect(m_search, &DiscoverTask::detectorFound, this,
            [this](int address, int) { m_found.append(address); });
    connect(m_search, &Task::progress, this,
            [this](const QString &text, int, int) { showStatus(text); });
    connect(m_search, &Task::finished, this, &LineView::searchEnded);
    m_search->start();
    updateControls();
    emit portHeldChanged(holdsPort());
}

void LineView::searchEnded()
{
    if (m_search->failure() == Task::Failure::PortNotOpen) {
        showStatus(m_search->message(), true);
    } else if (m_found.isEmpty()) {
        showStatus(tr("Ни один блок не ответил."));
    } else {
        std::sort(m_found.begin(), m_found.end());
        m_addresses->setText(addressListText(m_found));
        showStatus(tr("Найдено блоков: %1.").arg(m_found.size()));
    }
    updateControls();
    emit portHeldChanged(false);
}

int LineView::currentAddress() const
{
    return m_model->addressAt(m_table->currentIndex().row());
}

void LineView::remoteTestCurrent()
{
    const int address = currentAddress();
    if (address >= 0 && m_watch->queueRequest(remoteTestRequest(address)))
        showStatus(tr("Дистанционный контроль: блок %1.").arg(address));
}

void LineView::acknowledgeCurrent()
{
    const int address = currentAddress();
    if (address >= 0)
        m_states->acknowledge(address, m_operatorName());
}

void LineView::openCurrent()
{
    const int address = currentAddress();
    if (address < 0)
        return;
    const PortDescription port = m_watchedPort;
    releasePort();
    emit chosen(port, address);
}

void LineView::updateTone()
{
    const bool sound = isWatching() && m_states->alarmUnacknowledged();
    if (!sound) {
        m_tone->stop();
    } else if (!m_tone->isActive()) {
        // At once, then as often as the main window repeats it.
        if (m_alarm)
            m_alarm->restart();
        m_tone->start(kAlarmToneRepeat);
    }
}

void LineView::updateControls()
{
    const bool watching = isWatching();
    const bool searching = m_search && m_search->isRunning();
    const bool portBusy = m_exchange.isRunning();
    const bool listValid = !parseAddressList(m_addresses->text()).isEmpty();
    const bool idle = !watching && !searching;
    for (QWidget *input : {static_cast<QWidget *>(m_ports), static_cast<QWidget *>(m_addresses),
                           static_cast<QWidget *>(m_speed)})
        input->setEnabled(idle);
    m_mqtt->setEditable(idle);
    m_start->setEnabled(idle && !portBusy && listValid && m_ports->currentIndex() >= 0);
    m_stop->setEnabled(watching);
    m_find->setEnabled(!watching && (searching || (!portBusy && m_ports->currentIndex() >= 0)));
    m_find->setText(searching ? tr("Прервать &поиск") : tr("&Найти блоки"));
    m_find->setAccessibleName(m_find->text().remove(u'&'));
    const int row = m_table->currentIndex().row();
    m_acknowledge->setEnabled(row >= 0 && row < m_states->rows().size() &&
                              m_states->rows()[row].needsAcknowledgement());
    m_open->setEnabled(row >= 0 && !searching);
    // The remote test goes out between the polls, to a detector that answers.
    m_remoteTest->setEnabled(watching && row >= 0 && row < m_states->rows().size() &&
                             m_states->rows()[row].link == 1);
    const QString why = portBusy && idle ? tr("Порт занят обменом главного окна") : QString();
    m_start->setToolTip(why);
    m_find->setToolTip(why);
}

void LineView::closeEvent(QCloseEvent *event)
{
    releasePort();
    event->accept();
}

bool LineView::eventFilter(QObject *watched, QEvent *event)
{
    // Enter on a row acknowledges it, as "Квитировать" does.
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<const QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            !(key->modifiers() & ~Qt::KeypadModifier)) {
            acknowledgeCurrent();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
