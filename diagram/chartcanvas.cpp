#include "diagram/chartcanvas.h"

#include "app/colors.h"

#include <QPainter>
#include <QPen>

#include <algorithm>

namespace {

// Twips to pixels, rounded to the nearest pixel. Inputs are never negative
// here (clamped first), so the integer form is exact.
int twipsToPixels(int twips)
{
    return (twips + ChartCanvas::kTwipsPerPixel / 2) / ChartCanvas::kTwipsPerPixel;
}

QPen penFor(ChartCanvas::Pen kind, quint32 colour)
{
    QPen pen(colorFromBgr(colour));
    if (kind == ChartCanvas::Pen::Trace) {
        // A pen wider than one pixel is always drawn solid, with round ends.
        pen.setWidth(3);
        pen.setStyle(Qt::SolidLine);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    } else {
        // Dotted: three pixels on, three off, starting with a dot.
        pen.setWidth(1);
        pen.setDashPattern({3, 3});
        pen.setCapStyle(Qt::FlatCap);
    }
    return pen;
}

}  // namespace

ChartCanvas::ChartCanvas()
    : m_image(twipsToPixels(kWidthTwips), twipsToPixels(kHeightTwips), QImage::Format_RGB32)
{
    m_image.fill(colorFromBgr(bgr::White));
}

QPoint ChartCanvas::toPixels(int xTwips, int yTwips)
{
    return QPoint(twipsToPixels(std::clamp(xTwips, 0, kWidthTwips)),
                  twipsToPixels(std::clamp(yTwips, 0, kHeightTwips)));
}

void ChartCanvas::drawLine(int x1, int y1, int x2, int y2, quint32 colour, Pen pen)
{
    QPainter painter(&m_image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(penFor(pen, colour));
    painter.drawLine(toPixels(x1, y1), toPixels(x2, y2));
}

void ChartCanvas::fillRect(int x1, int y1, int x2, int y2, quint32 colour)
{
    const QPoint a = toPixels(x1, y1);
    const QPoint b = toPixels(x2, y2);
    const QRect area = QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                             QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
    QPainter painter(&m_image);
    painter.fillRect(area, colorFromBgr(colour));
}
