#include "app/discoverydialog.h"

#include "link/protocol.h"
#include "tasks/discovertask.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

using namespace Qt::StringLiterals;

namespace {

enum Role { AddressRole = Qt::UserRole, PortRole };

}  // namespace

DiscoveryDialog::DiscoveryDialog(QWidget *parent, SerialPortService &service,
                                 const QList<NamedPort> &ports, const PortDescription &port)
    : QDialog(parent), m_service(service), m_ports(new QComboBox(this)),
      m_first(new QSpinBox(this)), m_last(new QSpinBox(this)),
      m_search(new QPushButton(tr("&Искать"), this)), m_text(new QLabel(this)),
      m_progress(new QProgressBar(this)), m_found(new QListWidget(this)),
      m_choose(new QPushButton(tr("&Выбрать"), this)), m_close(new QPushButton(tr("Закрыть"), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Найти блок"));
    setWindowModality(Qt::WindowModal);
    m_ports->setObjectName(u"portBox"_s);
    m_first->setObjectName(u"firstAddress"_s);
    m_last->setObjectName(u"lastAddress"_s);
    m_search->setObjectName(u"searchButton"_s);
    m_text->setObjectName(u"searchText"_s);
    m_progress->setObjectName(u"searchProgress"_s);
    m_found->setObjectName(u"foundList"_s);
    m_choose->setObjectName(u"chooseButton"_s);
    m_close->setObjectName(u"closeButton"_s);

    for (const NamedPort &named : ports) {
        m_ports->addItem(named.name, named.port.toString());
        if (named.port.isNetwork())
            m_ports->setItemData(m_ports->count() - 1, named.port.toString(), Qt::ToolTipRole);
    }
    m_ports->setCurrentIndex(std::max(0, m_ports->findData(port.toString())));
    for (QSpinBox *box : {m_first, m_last})
        box->setRange(protocol::kLowestAddress, protocol::kHighestAddress);
    m_first->setValue(protocol::kLowestAddress);
    m_last->setValue(protocol::kHighestAddress);
    m_text->setWordWrap(true);
    m_text->setMinimumWidth(440);
    m_progress->setValue(0);
    m_choose->setEnabled(false);
    m_search->setDefault(true);
    m_search->setEnabled(!ports.isEmpty());
    showText(ports.isEmpty() ? tr("Ни один COM-порт не открывается.")
                             : tr("Поиск перебирает все скорости от 4800 до 115200 бод, по одному "
                                  "запросу на адрес каждые 60 мс."),
             ports.isEmpty());

    auto *range = new QGridLayout;
    auto label = [this](const QString &text, QWidget *buddy) {
        auto *l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    range->addWidget(label(tr("COM-&порт"), m_ports), 0, 0);
    range->addWidget(m_ports, 0, 1);
    range->addWidget(label(tr("&Адреса с"), m_first), 0, 2);
    range->addWidget(m_first, 0, 3);
    range->addWidget(label(tr("п&о"), m_last), 0, 4);
    range->addWidget(m_last, 0, 5);
    range->addWidget(m_search, 0, 6);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_choose);
    buttons->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(range);
    layout->addWidget(m_text);
    layout->addWidget(m_progress);
    layout->addWidget(label(tr("Найденные &блоки:"), m_found));
    layout->addWidget(m_found);
    layout->addLayout(buttons);

    connect(m_search, &QPushButton::clicked, this, &DiscoveryDialog::searchPressed);
    connect(m_close, &QPushButton::clicked, this, &DiscoveryDialog::closePressed);
    connect(m_choose, &QPushButton::clicked, this, &DiscoveryDialog::choose);
    connect(m_found, &QListWidget::itemDoubleClicked, this, &DiscoveryDialog::choose);
    connect(m_found, &QListWidget::currentRowChanged, this,
            [this](int row) { m_choose->setEnabled(row >= 0); });
}

DiscoveryDialog::~DiscoveryDialog()
{
    // The port is closed even when the window goes away during a search.
    if (m_task) {
        m_task->disconnect(this);
        m_task->cancel();
    }
}

bool DiscoveryDialog::searching() const
{
    return m_task && m_task->isRunning();
}

void DiscoveryDialog::showText(const QString &text, bool failed)
{
    m_text->setStyleSheet(failed ? u"color: red"_s : QString());
    m_text->setText(text);
}

void DiscoveryDialog::searchPressed()
{
    if (searching() || m_ports->currentIndex() < 0)
        return;
    const int first = std::min(m_first->value(), m_last->value());
    const int last = std::max(m_first->value(), m_last->value());
    m_first->setValue(first);
    m_last->setValue(last);
    const std::optional<PortDescription> port =
        PortDescription::parse(m_ports->currentData().toString());
    if (!port)
        return;
    m_searchedPort = *port;
    m_searchedName = m_ports->currentText();
    m_found->clear();
    delete m_task;
    m_task = new DiscoverTask(m_service, m_searchedPort, {first, last, 0}, this);
    connect(m_task, &DiscoverTask::detectorFound, this, [this](int address, int baud) {
        const QString text =
            m_searchedPort.kind() == PortDescription::Kind::ComNumber
                ? tr("Блок №%1 — COM-порт %2, %3 бод")
                      .arg(address)
                      .arg(m_searchedPort.comNumber())
                      .arg(baud)
                : tr("Блок №%1 — %2, %3 бод").arg(address).arg(m_searchedName).arg(baud);
        auto *item = new QListWidgetItem(text);
        item->setData(AddressRole, address);
        item->setData(PortRole, m_searchedPort.toString());
        m_found->addItem(item);
        if (m_found->currentRow() < 0)
            m_found->setCurrentRow(0);
    });
    connect(m_task, &Task::progress, this, [this](const QString &text, int done, int total) {
        showText(text);
        m_progress->setRange(0, total);
        m_progress->setValue(done);
    });
    connect(m_task, &Task::finished, this, &DiscoveryDialog::searchEnded);
    m_task->start();
    if (!searching())
        return;
    for (QWidget *input : {static_cast<QWidget *>(m_ports), static_cast<QWidget *>(m_first),
                           static_cast<QWidget *>(m_last), static_cast<QWidget *>(m_search)})
        input->setEnabled(false);
    m_close->setText(tr("Отмена"));
}

void DiscoveryDialog::closePressed()
{
    // During a search the button is "Отмена": it ends the search and keeps
    // what was found so far.
    if (searching()) {
        m_task->cancel();
        return;
    }
    reject();
}

void DiscoveryDialog::searchEnded()
{
    for (QWidget *input : {static_cast<QWidget *>(m_ports), static_cast<QWidget *>(m_first),
                           static_cast<QWidget *>(m_last), static_cast<QWidget *>(m_search)})
        input->setEnabled(true);
    m_close->setText(tr("Закрыть"));
    if (m_task->failure() == Task::Failure::PortNotOpen) {
        showText(m_task->message(), true);
        return;
    }
    const int found = m_found->count();
    const QString words = found == 0
                              ? tr("ни один блок не ответил.")
                              : tr("найдено блоков: %1. Выберите блок для «СТАРТ».").arg(found);
    const bool cancelled = m_task->state() == Task::State::Cancelled;
    showText((cancelled ? tr("Поиск прерван: ") : tr("Поиск окончен: ")) + words);
}

void DiscoveryDialog::choose()
{
    const QListWidgetItem *item = m_found->currentItem();
    if (!item)
        return;
    if (searching())
        m_task->cancel();
    const std::optional<PortDescription> port =
        PortDescription::parse(item->data(PortRole).toString());
    if (!port)
        return;
    emit chosen(*port, item->data(AddressRole).toInt());
    accept();
}

void DiscoveryDialog::reject()
{
    if (searching())
        m_task->cancel();
    QDialog::reject();
}
