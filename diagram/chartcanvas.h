#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QtGlobal>

#include <unordered_map>
#include <vector>

// The drawing surface of the signal diagram (Picture1): a persistent image, so
// the chart survives any repaint of the window. Callers draw in twips of the
// surface, x to the right and y downwards; 15 twips make one pixel.
//
// Every coordinate is clamped to the surface before it becomes a pixel, so a
// wild sample or an element designed to run past the edge (the grid reaches
// x = 11000) cannot overflow the conversion.
//
// Strokes are not rasterised anew for each line: the pixels of a stroke
// depend only on its pen and on the vector from one end to the other, so
// each such stroke is drawn once by QPainter into a small mask, kept, and
// stamped wherever a line with the same vector goes. The wipe and the grid
// are plain copies of pixels. The result is the pixels QPainter would give.
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
    // The same line again where it stood, drawn only inside the area changed
    // since the last takeChangedArea(): everywhere else its pixels are
    // already there.
    virtual void redrawLine(int x1, int y1, int x2, int y2, quint32 colour, Pen pen);
    // The empty chart (white, with the grid) back in the rectangle with
    // opposite corners (x1, y1) and (x2, y2), both corner pixels included:
    // the same pixels as a white fill with the grid redrawn over it. Only
    // the pixels strokes left there are copied back from a ready image, and
    // only they count as changed.
    virtual void wipe(int x1, int y1, int x2, int y2);

    // Redraws the dotted grid: composes the grid layer over everything
    // painted since the last redraw.
    virtual void drawGrid();

    const QImage &image() const { return m_image; }

    // The pixels painted since the last call (empty when none), so that a
    // view repaints only what changed.
    QRegion takeChangedArea();

    // The pixel of a point given in twips, clamped to the surface first. One
    // pixel past the last column or row can result (the surface edge itself);
    // painting there is clipped away.
    static QPoint toPixels(int xTwips, int yTwips);

    // Strokes kept at most (a steep one is a few KiB); past it the kept ones
    // are dropped and drawn anew as they come. A noisy trace keeps a few
    // dozen.
    static constexpr std::size_t kMaxStamps = 256;

private:
    // A run of pixels of a stroke on one row, relative to its first end.
    struct Run {
        int dy;
        int x0;
        int x1;  // inclusive
    };
    using Stamp = std::vector<Run>;

    const Stamp &stampFor(QPoint vector, Pen pen);
    void stamp(const Stamp &runs, QPoint at, QRgb colour, const QRect &clip);
    void markDirty(const QRect &pixels);
    QImage m_image;
    QImage m_gridLayer;
    QImage m_blank;  // white with the grid
    // For each column, the rows a stroke may have painted since the column
    // was last wiped (first > last when none): everywhere else the column is
    // the blank chart's, so a wipe copies and repaints only these rows.
    struct Rows {
        int first;
        int last;
    };
    std::vector<Rows> m_drawnRows;
    QList<QRect> m_dirty;
    QRegion m_changed;
    std::unordered_map<quint64, Stamp> m_stamps;
};
