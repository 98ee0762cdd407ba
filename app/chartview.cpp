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
    QPainter painter(this);
    for (const QRect &area : event->region()) {
        if (m_image)
            painter.drawImage(area.topLeft(), *m_image, area);
        else
            painter.fillRect(area, Qt::white);
    }
}
