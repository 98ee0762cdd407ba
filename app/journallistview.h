#pragma once

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QRect>
#include <QString>

#include <deque>

// A list box of single-line text entries, newest first, that costs the same
// for a new entry whatever it holds: the entries sit in a deque (a new one
// in front, the oldest dropped at the back beyond the limit), all rows have
// the height of one line of the font, and only the rows in view are painted.
// The width of an entry is measured once, when it arrives.
//
// One entry can be chosen by a click or with the arrow, page, Home and End
// keys; Ctrl+C copies it. The chosen entry stays chosen as newer entries
// arrive, and while the user has scrolled away from the top, the rows in
// view stay where they are.
//
// Screen readers see a list whose items are the entries; an item keeps
// naming its entry as newer ones push it down, and the chosen entry is
// announced as it is chosen.
class JournalListView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit JournalListView(QWidget *parent = nullptr);

    // Puts `entry` at the top (row 0), dropping the oldest beyond the limit.
    void insertEntry(const QString &entry);
    void clear();
    int count() const { return int(m_entries.size()); }
    // Row 0 is the newest; an empty text outside 0..count() - 1.
    QString entry(int row) const;

    // The most entries kept (at least 1); a lower limit drops the oldest now.
    void setLimit(int limit);
    int limit() const { return m_limit; }

    // The chosen row, -1 for none. A row outside 0..count() - 1 chooses none.
    int currentRow() const { return m_current; }
    void setCurrentRow(int row);
    // The row at the top of the view.
    int topRow() const;

    // Entries are numbered as they arrive, from 0, and keep their number;
    // clear() does not start again. The row of a numbered entry, -1 once it
    // is gone; the number of a row.
    int rowOfEntry(qint64 number) const;
    qint64 entryNumber(int row) const { return m_inserted - 1 - row; }
    // Where a row is in the viewport, in view or not; the row at a height
    // within the viewport, -1 below the last entry.
    QRect rowRect(int row) const;
    int rowAt(int y) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int rowHeight() const;
    // Rows the view shows whole, at least 1.
    int rowsInView() const;
    void dropBeyondLimit();
    void updateScrollBars();
    void scrollToRow(int row);
    // Tells screen readers of a change to the entry in `row`.
    void tellScreenReaders(QAccessible::Event what, int row);

    std::deque<QString> m_entries;
    qint64 m_inserted = 0;  // entries ever inserted
    int m_limit;
    int m_current = -1;
    // The widest entry since the last clear, kept to measure it again when
    // the font changes, and its width.
    QString m_widestEntry;
    int m_widest = 0;
};
