#include "app/designedarea.h"

#include <QApplication>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Room kept around a control scrolled into view, so that its caption or
// its neighbours show with it.
constexpr int kFocusMargin = 24;

}  // namespace

DesignedArea::DesignedArea(QWidget *form, QWidget *parent) : QScrollArea(parent)
{
    setObjectName(u"designedArea"_s);
    setFrameShape(QFrame::NoFrame);
    // The form keeps its designed size; the area only shows part of it.
    setWidgetResizable(false);
    setWidget(form);
    setMaximumSize(form->size());
    // The area itself never takes the focus: the keyboard goes from control
    // to control, and each one is brought into view.
    setFocusPolicy(Qt::NoFocus);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *now) { focusChanged(now); });
}

QSize DesignedArea::sizeHint() const
{
    return widget() ? widget()->size() : QScrollArea::sizeHint();
}

void DesignedArea::bringIntoView(QWidget *control)
{
    // Not ensureWidgetVisible(): for a text box it shows the text cursor
    // only, and the box may stay cut at the edge.
    const QRect at(control->mapTo(widget(), QPoint(0, 0)), control->size());
    const QSize view = viewport()->size();
    const auto margin = [](int room, int size) {
        return std::clamp((room - size) / 2, 0, kFocusMargin);
    };
    ensureVisible(at.center().x(), at.center().y(),
                  at.width() / 2 + margin(view.width(), at.width()),
                  at.height() / 2 + margin(view.height(), at.height()));
}

void DesignedArea::focusChanged(QWidget *now)
{
    if (now && widget() && widget()->isAncestorOf(now))
        bringIntoView(now);
}
