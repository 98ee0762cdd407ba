#include "app/journallistview.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <limits>

namespace {

// Space above and below the text of a row, and left of it.
constexpr int kRowPadding = 1;
constexpr int kTextMargin = 3;

}  // namespace

JournalListView::JournalListView(QWidget *parent)
    : QAbstractScrollArea(parent), m_limit(std::numeric_limits<int>::max())
{
    setFocusPolicy(Qt::StrongFocus);
    updateScrollBars();
}

void JournalListView::insertEntry(const QString &entry)
{
    QScrollBar *bar = verticalScrollBar();
    const bool atTop = bar->value() == 0;
    m_entries.push_front(entry);
    if (m_current >= 0)
        ++m_current;
    dropBeyondLimit();
    const int width = fontMetrics().horizontalAdvance(entry);
    if (width > m_widest) {
        m_widest = width;
        m_widestEntry = entry;
    }
    updateScrollBars();
    // Away from the top the user is reading older entries: keep them in view.
    if (!atTop)
        bar->setValue(bar->value() + 1);
    viewport()->update();
}

void JournalListView::clear()
{
    m_entries.clear();
    m_current = -1;
    m_widest = 0;
    m_widestEntry.clear();
    updateScrollBars();
    viewport()->update();
}

QString JournalListView::entry(int row) const
{
    return row >= 0 && row < count() ? m_entries[std::size_t(row)] : QString();
}

void JournalListView::setLimit(int limit)
{
    m_limit = std::max(1, limit);
    dropBeyondLimit();
    updateScrollBars();
    viewport()->update();
}

void JournalListView::setCurrentRow(int row)
{
    m_current = row >= 0 && row < count() ? row : -1;
    if (m_current >= 0)
        scrollToRow(m_current);
    viewport()->update();
}

int JournalListView::topRow() const
{
    return verticalScrollBar()->value();
}

void JournalListView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QPalette::ColorGroup group = !isEnabled()       ? QPalette::Disabled
                                       : isActiveWindow() ? QPalette::Active
                                                          : QPalette::Inactive;
    const QPalette &colours = palette();
    const int height = rowHeight();
    const int width = viewport()->width();
    const int top = topRow();
    const int first = top + std::max(0, event->rect().top()) / height;
    const int last = std::min(count() - 1, top + event->rect().bottom() / height);
    const int x = kTextMargin - horizontalScrollBar()->value();
    const int baseline = kRowPadding + fontMetrics().ascent();
    for (int row = first; row <= last; ++row) {
        const int y = (row - top) * height;
        const bool chosen = row == m_current;
        if (chosen)
            painter.fillRect(0, y, width, height, colours.brush(group, QPalette::Highlight));
        painter.setPen(colours.color(group, chosen ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(x, y + baseline, m_entries[std::size_t(row)]);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = m_current >= 0 ? QRect(0, (m_current - top) * height, width, height)
                                     : viewport()->rect();
        option.backgroundColor =
            colours.color(group, m_current >= 0 ? QPalette::Highlight : QPalette::Base);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void JournalListView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void JournalListView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        // Only the widest entry is measured again: another one may now be a
        // little wider, which costs at most a few pixels of scrolling.
        m_widest = fontMetrics().horizontalAdvance(m_widestEntry);
        updateScrollBars();
    }
}

void JournalListView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        const int row = topRow() + int(event->position().y()) / rowHeight();
        if (row < count())
            setCurrentRow(row);
    }
    event->accept();
}

void JournalListView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        if (m_current >= 0)
            QGuiApplication::clipboard()->setText(entry(m_current));
        return;
    }
    // With no row chosen, the first step chooses the top row in view.
    const int from = m_current >= 0 ? m_current : topRow();
    const int step = m_current >= 0 ? 1 : 0;
    int row;
    switch (event->key()) {
    case Qt::Key_Up:
        row = from - step;
        break;
    case Qt::Key_Down:
        row = from + step;
        break;
    case Qt::Key_PageUp:
        row = from - step * rowsInView();
        break;
    case Qt::Key_PageDown:
        row = from + step * rowsInView();
        break;
    case Qt::Key_Home:
        row = 0;
        break;
    case Qt::Key_End:
        row = count() - 1;
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);  // Left and Right scroll across
        return;
    }
    if (count() > 0)
        setCurrentRow(std::clamp(row, 0, count() - 1));
}

void JournalListView::scrollContentsBy(int, int)
{
    viewport()->update();
}

int JournalListView::rowHeight() const
{
    return fontMetrics().height() + 2 * kRowPadding;
}

int JournalListView::rowsInView() const
{
    return std::max(1, viewport()->height() / rowHeight());
}

void JournalListView::dropBeyondLimit()
{
    while (count() > m_limit)
        m_entries.pop_back();
    if (m_current >= count())
        m_current = -1;
}

// Changing a range may show or hide a scroll bar, which resizes the viewport
// and comes back here; each range is therefore taken from the viewport's
// size as it is at that moment.
void JournalListView::updateScrollBars()
{
    QScrollBar *vertical = verticalScrollBar();
    vertical->setRange(0, std::max(0, count() - rowsInView()));
    vertical->setPageStep(rowsInView());
    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, m_widest + 2 * kTextMargin - viewport()->width()));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(fontMetrics().averageCharWidth());
}

void JournalListView::scrollToRow(int row)
{
    QScrollBar *bar = verticalScrollBar();
    if (row < bar->value())
        bar->setValue(row);
    else if (row >= bar->value() + rowsInView())
        bar->setValue(row - rowsInView() + 1);
}
