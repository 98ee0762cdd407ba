#include "diagram/chartcanvas.h"

#include "base/colors.h"
#include "base/twips.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cstdlib>
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
    // Without its grid yet, every pixel may differ from the blank chart.
    m_drawnRows.assign(std::size_t(m_image.width()), Rows{0, m_image.height() - 1});
    m_dirty.append(m_image.rect());
}

ChartCanvas::~ChartCanvas() = default;

void ChartCanvas::markDirty(const QRect &pixels)
{
    const QRect area = pixels.intersected(m_image.rect());
    m_dirty.append(area);
    m_changed += area;
}

QRegion ChartCanvas::takeChangedArea()
{
    return std::exchange(m_changed, QRegion());
}

void ChartCanvas::drawGrid()
{
    // The grid layer is opaque black where a dot is and transparent
    // elsewhere, so composing it is copying its opaque pixels.
    for (const QRect &r : std::as_const(m_dirty)) {
        if (r.isEmpty())
            continue;
        for (int y = r.top(); y <= r.bottom(); ++y) {
            const auto *grid = reinterpret_cast<const QRgb *>(m_gridLayer.constScanLine(y));
            auto *row = reinterpret_cast<QRgb *>(m_image.scanLine(y));
            for (int x = r.left(); x <= r.right(); ++x)
                if (qAlpha(grid[x]) == 255)
                    row[x] = grid[x];
        }
        // A line drawn before the last takeChangedArea() has its grid
        // restored only now.
        m_changed += r;
    }
    m_dirty.clear();
}

QPoint ChartCanvas::toPixels(int xTwips, int yTwips)
{
    return QPoint(twipsToPixels(std::clamp(xTwips, 0, kWidthTwips)),
                  twipsToPixels(std::clamp(yTwips, 0, kHeightTwips)));
}

const ChartCanvas::Stamp &ChartCanvas::stampFor(QPoint vector, Pen pen)
{
    // Both coordinates lie well within 20 bits (the surface is a few hundred
    // pixels across), so the key is unique.
    const quint64 key = quint64(quint32(vector.x()) & 0xFFFFF) |
                        quint64(quint32(vector.y()) & 0xFFFFF) << 20 | quint64(pen) << 40;
    if (const auto found = m_stamps.find(key); found != m_stamps.end())
        return found->second;
    if (m_stamps.size() >= kMaxStamps)
        m_stamps.clear();

    // Wider than half the widest pen with its round cap.
    constexpr int kMargin = 4;
    const QPoint origin(kMargin + std::max(0, -vector.x()), kMargin + std::max(0, -vector.y()));
    QImage mask(std::abs(vector.x()) + 2 * kMargin + 1, std::abs(vector.y()) + 2 * kMargin + 1,
                QImage::Format_RGB32);
    mask.fill(Qt::white);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(penFor(pen, bgr::Black));
        painter.drawLine(origin, origin + vector);
    }
    Stamp runs;
    for (int y = 0; y < mask.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(mask.constScanLine(y));
        for (int x = 0; x < mask.width();) {
            if (qGray(row[x]) != 0) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < mask.width() && qGray(row[x]) == 0)
                ++x;
            runs.push_back({y - origin.y(), start - origin.x(), x - 1 - origin.x()});
        }
    }
    return m_stamps.emplace(key, std::move(runs)).first->second;
}

void ChartCanvas::stamp(const Stamp &runs, QPoint at, QRgb colour, const QRect &clip)
{
    const QRect area = clip.intersected(m_image.rect());
    if (area.isEmpty())
        return;
    for (const Run &run : runs) {
        const int y = at.y() + run.dy;
        if (y < area.top() || y > area.bottom())
            continue;
        const int x0 = std::max(at.x() + run.x0, area.left());
        const int x1 = std::min(at.x() + run.x1, area.right());
        if (x0 > x1)
            continue;
        auto *row = reinterpret_cast<QRgb *>(m_image.scanLine(y));
        std::fill(row + x0, row + x1 + 1, colour);
        for (int x = x0; x <= x1; ++x) {
            Rows &drawn = m_drawnRows[std::size_t(x)];
            drawn.first = std::min(drawn.first, y);
            drawn.last = std::max(drawn.last, y);
        }
    }
}

void ChartCanvas::drawLine(int x1, int y1, int x2, int y2, quint32 colour, Pen pen)
{
    const QPoint a = toPixels(x1, y1);
    const QPoint b = toPixels(x2, y2);
    stamp(stampFor(b - a, pen), a, colorFromBgr(colour).rgb(), m_image.rect());
    markDirty(QRect(a, b).normalized().adjusted(-3, -3, 3, 3));
}

void ChartCanvas::redrawLine(int x1, int y1, int x2, int y2, quint32 colour, Pen pen)
{
    const QPoint a = toPixels(x1, y1);
    const QPoint b = toPixels(x2, y2);
    const Stamp &runs = stampFor(b - a, pen);
    const QRgb rgb = colorFromBgr(colour).rgb();
    for (const QRect &area : std::as_const(m_changed))
        stamp(runs, a, rgb, area);
}

void ChartCanvas::wipe(int x1, int y1, int x2, int y2)
{
    const QPoint a = toPixels(x1, y1);
    const QPoint b = toPixels(x2, y2);
    const QRect area = QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                             QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())))
                           .intersected(m_image.rect());
    if (area.isEmpty())
        return;
    // Both images are opaque and of the same format: a copy of pixels.
    int top = area.bottom() + 1;
    int bottom = area.top() - 1;
    for (int x = area.left(); x <= area.right(); ++x) {
        const Rows drawn = m_drawnRows[std::size_t(x)];
        top = std::min(top, std::max(drawn.first, area.top()));
        bottom = std::max(bottom, std::min(drawn.last, area.bottom()));
    }
    for (int y = top; y <= bottom; ++y) {
        const auto *blank = reinterpret_cast<const QRgb *>(m_blank.constScanLine(y));
        auto *row = reinterpret_cast<QRgb *>(m_image.scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            const Rows drawn = m_drawnRows[std::size_t(x)];
            if (y >= drawn.first && y <= drawn.last)
                row[x] = blank[x];
        }
    }
    for (int x = area.left(); x <= area.right(); ++x) {
        Rows &drawn = m_drawnRows[std::size_t(x)];
        if (area.top() <= drawn.first && drawn.last <= area.bottom())
            drawn = Rows{m_image.height(), -1};
    }
    if (top <= bottom)
        m_changed += QRect(QPoint(area.left(), top), QPoint(area.right(), bottom));
}
