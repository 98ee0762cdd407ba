#include "app/networkportsdialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

enum Column { NameColumn, PortColumn };

// Cells are edited in line edits that show an example while empty.
class ExampleDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *line = qobject_cast<QLineEdit *>(editor))
            line->setPlaceholderText(index.column() == PortColumn
                                         ? u"rfc2217://192.168.1.50:4001"_s
                                         : NetworkPortsDialog::tr("Шкаф 2"));
        return editor;
    }
};

}  // namespace

NetworkPortsDialog::NetworkPortsDialog(QWidget *parent, QSettings *settings)
    : QDialog(parent), m_settings(settings), m_table(new QTableWidget(0, 2, this)),
      m_add(new QPushButton(tr("&Добавить"), this)),
      m_remove(new QPushButton(tr("&Удалить"), this)), m_problem(new QLabel(this))
{
    setObjectName(u"networkPortsDialog"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(tr("Сетевые порты"));
    m_table->setObjectName(u"networkPortsTable"_s);
    m_add->setObjectName(u"addNetworkPortButton"_s);
    m_remove->setObjectName(u"removeNetworkPortButton"_s);
    m_problem->setObjectName(u"networkPortsProblem"_s);

    m_table->setHorizontalHeaderLabels({tr("Имя"), tr("Порт")});
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->setVisible(false);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setItemDelegate(new ExampleDelegate(m_table));
    m_table->setColumnWidth(NameColumn, 160);
    m_table->setMinimumWidth(480);
    for (const NamedPort &named : NetworkPorts::load(m_settings))
        addRow(named.name, named.port.toString());

    auto *note = new QLabel(tr("Порты серверов последовательных линий, по имени в списке "
                               "«COM-порт» после номеров: tcp://ХОСТ:ПОРТ (скорость задана на "
                               "сервере) или rfc2217://ХОСТ:ПОРТ, например "
                               "rfc2217://192.168.1.50:4001."),
                            this);
    note->setWordWrap(true);
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(u"color: red"_s);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(u"networkPortsButtons"_s);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_add, &QPushButton::clicked, this, &NetworkPortsDialog::addPressed);
    connect(m_remove, &QPushButton::clicked, this, &NetworkPortsDialog::removePressed);
    connect(m_table, &QTableWidget::itemChanged, this, &NetworkPortsDialog::check);

    auto *edits = new QHBoxLayout;
    edits->addWidget(m_add);
    edits->addWidget(m_remove);
    edits->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(m_table);
    layout->addLayout(edits);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
    check();
}

void NetworkPortsDialog::addRow(const QString &name, const QString &port)
{
    const int row = m_table->rowCount();
    // One check for the whole row, not one per cell.
    const QSignalBlocker quiet(m_table);
    m_table->insertRow(row);
    m_table->setItem(row, NameColumn, new QTableWidgetItem(name));
    m_table->setItem(row, PortColumn, new QTableWidgetItem(port));
}

QList<NetworkPorts::Row> NetworkPortsDialog::rows() const
{
    QList<NetworkPorts::Row> out;
    for (int row = 0; row < m_table->rowCount(); ++row)
        out.append(
            {m_table->item(row, NameColumn)->text(), m_table->item(row, PortColumn)->text()});
    return out;
}

void NetworkPortsDialog::addPressed()
{
    addRow(QString(), QString());
    check();
    const int row = m_table->rowCount() - 1;
    m_table->setCurrentCell(row, NameColumn);
    m_table->editItem(m_table->item(row, NameColumn));
}

void NetworkPortsDialog::removePressed()
{
    const int row = m_table->currentRow();
    if (row < 0)
        return;
    m_table->removeRow(row);
    check();
}

bool NetworkPortsDialog::check()
{
    QString problem;
    const bool valid = NetworkPorts::check(rows(), &m_checked, &problem);
    m_problem->setText(problem);
    m_problem->setVisible(!valid);
    m_ok->setEnabled(valid);
    m_add->setEnabled(m_table->rowCount() < NetworkPorts::kMaxPorts);
    m_remove->setEnabled(m_table->rowCount() > 0);
    return valid;
}

void NetworkPortsDialog::accept()
{
    if (!check())
        return;
    NetworkPorts::save(m_settings, m_checked);
    QDialog::accept();
}
