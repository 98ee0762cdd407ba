#pragma once

#include <QAbstractTableModel>
#include <QList>

class LineStates;

// The line view's table: one row per watched detector, as LineStates keeps
// it. The words and colours are the main window's: a flank's state with its
// background (green, red, yellow), the tamper contact red while open, a lost
// link in red. What the operator has not acknowledged yet (an alarm, an open
// tamper contact, a lost link) stays marked until acknowledged: its cell in
// bold (tamper and link on red), the row's address on red, and "Не
// квитировано" as the cell's description for screen readers.
class LineTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Address, Speed, Flank1, Flank2, Tamper, Link, LastChange, ColumnCount };

    explicit LineTableModel(LineStates &states, QObject *parent = nullptr);

    // Watches `addresses` at `baud` from now on: one row each, nothing read.
    void reset(const QList<int> &addresses, int baud);
    // The address of `row`, or -1.
    int addressAt(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    LineStates &m_states;
    int m_baud = 0;
};
