#include "app/chartview.h"

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

void ChartView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (m_image)
        painter.drawImage(QPoint(0, 0), *m_image);
}
