#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QtGlobal>

#include <memory>

class QPainter;

// The drawing surface of the signal diagram (Picture1): a persistent image, so
// the chart survives any repaint of the window. Callers draw in twips of the
// surface, x to the right and y downwards; 15 twips make one pixel.
//
// Every coordinate is clamped to the surface before it becomes a pixel, so a
// wild sample or an element designed to run past the edge (the grid reaches
// x = 11000) cannot overflow the conversion.
//
// The drawing operations are virtual so that a test can watch which strokes
// are made, not only the pixels they leave.
class ChartCanvas {
public:
    static constexpr int kWidthTwips = 9735;
    static constexpr int kHeightTwips = 5175;

    enum class Pen {
        Trace,  // signal trace and threshold line: solid, 3 pixels wide
        Grid,   // grid: dotted, 1 pixel wide
    };

    ChartCanvas();
    virtual ~ChartCanvas();
    ChartCanvas(const ChartCanvas &) = delete;
    ChartCanvas &operator=(const ChartCanvas &) = delete;

    // A line from (x1, y1) to (x2, y2) in twips; colour is a 0xBBGGRR number.
    virtual void drawLine(int x1, int y1, int x2, int y2, quint32 colour, Pen pen);
    // The empty chart (white, with the grid) back in the rectangle with
    // opposite corners (x1, y1) and (x2, y2), both corner pixels included:
    // the same pixels as a white fill with the grid redrawn over it, copied
    // from a ready image instead of composed again.
    virtual void wipe(int x1, int y1, int x2, int y2);

    // Redraws the dotted grid: composes the grid layer over everything
    // painted since the last redraw.
    virtual void drawGrid();

    const QImage &image() const { return m_image; }

    // The pixels painted since the last call (empty when none), so that a
    // view repaints only what changed. Also ends the painting: the strokes of
    // one chart step share a painter, which is not reopened for each.
    QRegion takeChangedArea();

    // The pixel of a point given in twips, clamped to the surface first. One
    // pixel past the last column or row can result (the surface edge itself);
    // painting there is clipped away.
    static QPoint toPixels(int xTwips, int yTwips);

private:
    QPainter &painter();
    void markDirty(const QRect &pixels);
    QImage m_image;
    QImage m_gridLayer;
    QImage m_blank;  // white with the grid
    QList<QRect> m_dirty;
    QRegion m_changed;
    std::unique_ptr<QPainter> m_painter;
};
