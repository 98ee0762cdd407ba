#include "app/linetablemodel.h"

#include "base/colors.h"
#include "base/enginetext.h"
#include "journal/eventjournal.h"
#include "monitor/linestates.h"
#include "monitor/statusdecoder.h"

#include <QFont>

using namespace Qt::StringLiterals;

namespace {

// The DetectorRow cell behind a column; CellCount for a column without one.
DetectorRow::Cell cellOf(int column)
{
    switch (column) {
    case LineTableModel::Flank1:
        return DetectorRow::Flank1;
    case LineTableModel::Flank2:
        return DetectorRow::Flank2;
    case LineTableModel::Tamper:
        return DetectorRow::Tamper;
    case LineTableModel::Link:
        return DetectorRow::Link;
    default:
        return DetectorRow::CellCount;
    }
}

QString cellText(const DetectorRow &row, int column, int baud)
{
    switch (column) {
    case LineTableModel::Address:
        return QString::number(row.address);
    case LineTableModel::Speed:
        return QString::number(baud);
    case LineTableModel::Flank1:
    case LineTableModel::Flank2:
        return flankStateText(row.flankCode[column == LineTableModel::Flank1 ? 0 : 1]);
    case LineTableModel::Tamper:
        if (row.tamper < 0)
            return QString();
        return row.tamper ? engineText(QT_TRANSLATE_NOOP("Engine", "Разомкнут"))
                          : engineText(QT_TRANSLATE_NOOP("Engine", "Замкнут"));
    case LineTableModel::Link:
        if (row.link < 0)
            return QString();
        return row.link ? LineTableModel::tr("На связи") : LineTableModel::tr("Нет связи");
    case LineTableModel::LastChange:
        return row.lastChange.isValid() ? journalTimestamp(row.lastChange) : QString();
    default:
        return QString();
    }
}

// The cell's background (0xBBGGRR), or none: the table's own.
std::optional<quint32> cellBackground(const DetectorRow &row, int column)
{
    const DetectorRow::Cell cell = cellOf(column);
    if (column == LineTableModel::Address)
        return row.needsAcknowledgement() ? std::optional(bgr::Red) : std::nullopt;
    if (cell == DetectorRow::Flank1 || cell == DetectorRow::Flank2) {
        const int code = row.flankCode[cell == DetectorRow::Flank1 ? 0 : 1];
        return code < 0 || flankStateText(code).isEmpty() ? std::nullopt
                                                          : std::optional(flankStateColour(code));
    }
    if (cell != DetectorRow::CellCount && row.attention[cell])
        return bgr::Red;
    return std::nullopt;
}

std::optional<quint32> cellForeground(const DetectorRow &row, int column)
{
    const DetectorRow::Cell cell = cellOf(column);
    const bool marked = column == LineTableModel::Address
                            ? row.needsAcknowledgement()
                            : cell != DetectorRow::CellCount && row.attention[cell];
    // White on the red of what awaits acknowledgement; the tamper contact
    // open and a lost link red as the main window shows them.
    if (marked && column != LineTableModel::Flank1 && column != LineTableModel::Flank2)
        return bgr::White;
    if ((column == LineTableModel::Tamper && row.tamper == 1) ||
        (column == LineTableModel::Link && row.link == 0))
        return bgr::Red;
    if (column == LineTableModel::Flank1 || column == LineTableModel::Flank2)
        return bgr::Black;  // readable on the state's colour under any theme
    return std::nullopt;
}

bool awaitsAcknowledgement(const DetectorRow &row, int column)
{
    if (column == LineTableModel::Address)
        return row.needsAcknowledgement();
    const DetectorRow::Cell cell = cellOf(column);
    return cell != DetectorRow::CellCount && row.attention[cell];
}

}  // namespace

LineTableModel::LineTableModel(LineStates &states, QObject *parent)
    : QAbstractTableModel(parent), m_states(states)
{
    connect(&states, &LineStates::rowChanged, this,
            [this](int row) { emit dataChanged(index(row, 0), index(row, ColumnCount - 1)); });
}

void LineTableModel::reset(const QList<int> &addresses, int baud)
{
    beginResetModel();
    m_states.reset(addresses);
    m_baud = baud;
    endResetModel();
}

int LineTableModel::addressAt(int row) const
{
    return row >= 0 && row < m_states.rows().size() ? m_states.rows()[row].address : -1;
}

int LineTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_states.rows().size());
}

int LineTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LineTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_states.rows().size())
        return {};
    const DetectorRow &row = m_states.rows()[index.row()];
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return cellText(row, column, m_baud);
    case Qt::BackgroundRole:
        if (const auto colour = cellBackground(row, column))
            return colorFromBgr(*colour);
        return {};
    case Qt::ForegroundRole:
        if (const auto colour = cellForeground(row, column))
            return colorFromBgr(*colour);
        return {};
    case Qt::FontRole:
        if (awaitsAcknowledgement(row, column)) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        return awaitsAcknowledgement(row, column) ? tr("Не квитировано") : QVariant();
    case Qt::TextAlignmentRole:
        return column == Address || column == Speed ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                    : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant LineTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal ||
        (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Address:
        return tr("Адрес");
    case Speed:
        return tr("Скорость, бод");
    case Flank1:
        return tr("Фланг 1");
    case Flank2:
        return tr("Фланг 2");
    case Tamper:
        return tr("Датчик вскрытия");
    case Link:
        return tr("Связь");
    case LastChange:
        return tr("Последнее изменение");
    default:
        return {};
    }
}
