#include "app/chartview.h"

#include <QPaintEvent>
#include <QPainter>

ChartView::ChartView(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChartView::setImage(const QImage *image)
{
    m_image = image;
    update();
}

void ChartView::paintEvent(QPaintEvent *event)
{
    // Only the part asked for: a reply repaints the strip the pen moved over.
    // Each rectangle is clipped on its own: under a clip of one rectangle
    // the image is copied line by line, where a clip of several rectangles
    // would blend it, spread over helper threads, at many times the cost.
    QPainter painter(this);
    for (const QRect &area : event->region()) {
        painter.setClipRect(area);
        if (m_image)
            painter.drawImage(area.topLeft(), *m_image, area);
        else
            painter.fillRect(area, Qt::white);
    }
}
