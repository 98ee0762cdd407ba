#include "app/journallistview.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QClipboard>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <limits>

namespace {

// Space above and below the text of a row, and left of it.
constexpr int kRowPadding = 1;
constexpr int kTextMargin = 3;

// One entry as screen readers see it. It holds the entry's number, not its
// row, so that it names the same entry as newer ones push it down, and it
// is invalid once the entry is gone.
class EntryAccessible : public QAccessibleInterface {
public:
    EntryAccessible(JournalListView *view, qint64 number) : m_view(view), m_number(number) {}

    const JournalListView *view() const { return m_view; }
    int row() const { return m_view ? m_view->rowOfEntry(m_number) : -1; }

    bool isValid() const override { return row() >= 0; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override
    {
        return m_view ? QAccessible::queryAccessibleInterface(m_view.data()) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Name && isValid() ? m_view->entry(row()) : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        const int at = row();
        if (at < 0)
            return {};
        const QRect inViewport = m_view->rowRect(at);
        return {m_view->viewport()->mapToGlobal(inViewport.topLeft()), inViewport.size()};
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        const int at = row();
        if (at < 0) {
            state.invalid = true;
            return state;
        }
        state.selectable = true;
        state.focusable = true;
        state.selected = at == m_view->currentRow();
        state.focused = state.selected && m_view->hasFocus();
        state.offscreen = !m_view->viewport()->rect().intersects(m_view->rowRect(at));
        return state;
    }

private:
    QPointer<JournalListView> m_view;
    qint64 m_number;
};

// The list as screen readers see it: its children are the entries, newest
// first. Their interfaces are made when asked for and kept by number.
class ListAccessible : public QAccessibleWidget {
public:
    explicit ListAccessible(JournalListView *view) : QAccessibleWidget(view, QAccessible::List) {}
    ~ListAccessible() override
    {
        for (QAccessible::Id id : std::as_const(m_entries))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return view()->count(); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= view()->count())
            return nullptr;
        // More kept than there are entries: some are gone.
        if (m_entries.size() > view()->count())
            forgetGone();
        QAccessible::Id &id = m_entries[view()->entryNumber(index)];
        if (!id)
            id = QAccessible::registerAccessibleInterface(
                new EntryAccessible(view(), view()->entryNumber(index)));
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *entry = dynamic_cast<const EntryAccessible *>(child);
        return entry && entry->view() == view() ? entry->row() : -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QPoint at = view()->viewport()->mapFromGlobal(QPoint(x, y));
        return view()->viewport()->rect().contains(at) ? child(view()->rowAt(at.y())) : nullptr;
    }
    QAccessibleInterface *focusChild() const override
    {
        return view()->hasFocus() ? child(view()->currentRow()) : nullptr;
    }

private:
    JournalListView *view() const { return static_cast<JournalListView *>(widget()); }
    void forgetGone() const
    {
        for (auto kept = m_entries.begin(); kept != m_entries.end();) {
            if (view()->rowOfEntry(kept.key()) >= 0) {
                ++kept;
            } else {
                QAccessible::deleteAccessibleInterface(kept.value());
                kept = m_entries.erase(kept);
            }
        }
    }

    mutable QHash<qint64, QAccessible::Id> m_entries;
};

QAccessibleInterface *accessibleJournalList(const QString &className, QObject *object)
{
    if (className == QLatin1String(JournalListView::staticMetaObject.className()))
        return new ListAccessible(static_cast<JournalListView *>(object));
    return nullptr;
}

}  // namespace

JournalListView::JournalListView(QWidget *parent)
    : QAbstractScrollArea(parent), m_limit(std::numeric_limits<int>::max())
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleJournalList);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setFocusPolicy(Qt::StrongFocus);
    updateScrollBars();
}

void JournalListView::insertEntry(const QString &entry)
{
    QScrollBar *bar = verticalScrollBar();
    const bool atTop = bar->value() == 0;
    m_entries.push_front(entry);
    ++m_inserted;
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
    tellScreenReaders(QAccessible::ObjectCreated, 0);
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
    if (m_current >= 0) {
        tellScreenReaders(QAccessible::Selection, m_current);
        if (hasFocus())
            tellScreenReaders(QAccessible::Focus, m_current);
    }
}

void JournalListView::tellScreenReaders(QAccessible::Event what, int row)
{
    // Qt hands the event on only while a screen reader listens; until then
    // no interface is made for it.
    QAccessibleEvent event(this, what);
    event.setChild(row);
    QAccessible::updateAccessibility(&event);
}

int JournalListView::topRow() const
{
    return verticalScrollBar()->value();
}

int JournalListView::rowOfEntry(qint64 number) const
{
    const qint64 row = m_inserted - 1 - number;
    return row >= 0 && row < count() ? int(row) : -1;
}

int JournalListView::rowAt(int y) const
{
    const int row = topRow() + y / rowHeight();
    return row < count() ? row : -1;
}

QRect JournalListView::rowRect(int row) const
{
    return {0, (row - topRow()) * rowHeight(), viewport()->width(), rowHeight()};
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
        option.rect = m_current >= 0 ? rowRect(m_current) : viewport()->rect();
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
        if (const int row = rowAt(int(event->position().y())); row >= 0)
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
