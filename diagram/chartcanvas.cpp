#include "diagram/chartcanvas.h"

#include "base/colors.h"
#include "base/twips.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <utility>

namespace {

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
    m_gridLayer = QImage(m_image.size(), QImage::Format_ARGB32_Premultiplied);
    m_gridLayer.fill(Qt::transparent);
    QPainter painter(&m_gridLayer);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(penFor(Pen::Grid, bgr::Black));
    auto line = [&](int x1, int y1, int x2, int y2) {
        painter.drawLine(toPixels(x1, y1), toPixels(x2, y2));
    };
    for (int y = 100; y <= 5100; y += 1000)
        line(0, y, 11000, y);
    for (int x = 500; x <= 9500; x += 1000)
        line(x, 0, x, 5900);
    line(9750, 0, 9750, 5900);
    painter.end();
    m_blank = m_image.copy();
    QPainter(&m_blank).drawImage(0, 0, m_gridLayer);
    m_dirty.append(m_image.rect());
}

ChartCanvas::~ChartCanvas() = default;

QPainter &ChartCanvas::painter()
{
    if (!m_painter) {
        m_painter = std::make_unique<QPainter>(&m_image);
        m_painter->setRenderHint(QPainter::Antialiasing, false);
    }
    return *m_painter;
}

void ChartCanvas::markDirty(const QRect &pixels)
{
    const QRect area = pixels.intersected(m_image.rect());
    m_dirty.append(area);
    m_changed += area;
}

QRegion ChartCanvas::takeChangedArea()
{
    m_painter.reset();
    return std::exchange(m_changed, QRegion());
}

void ChartCanvas::drawGrid()
{
    for (const QRect &r : std::as_const(m_dirty))
        if (!r.isEmpty())
            painter().drawImage(r.topLeft(), m_gridLayer, r);
    m_dirty.clear();
}

QPoint ChartCanvas::toPixels(int xTwips, int yTwips)
{
    return QPoint(twipsToPixels(std::clamp(xTwips, 0, kWidthTwips)),
                  twipsToPixels(std::clamp(yTwips, 0, kHeightTwips)));
}

void ChartCanvas::drawLine(int x1, int y1, int x2, int y2, quint32 colour, Pen pen)
{
    painter().setPen(penFor(pen, colour));
    const QPoint a = toPixels(x1, y1);
    const QPoint b = toPixels(x2, y2);
    painter().drawLine(a, b);
    markDirty(QRect(a, b).normalized().adjusted(-3, -3, 3, 3));
}

void ChartCanvas::wipe(int x1, int y1, int x2, int y2)
{
    const QPoint a = toPixels(x1, y1);
    const QPoint b = toPixels(x2, y2);
    const QRect area = QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                             QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())))
                           .intersected(m_image.rect());
    // An opaque image of the same format: a plain copy of the lines.
    painter().drawImage(area.topLeft(), m_blank, area);
    m_changed += area;
}
