#pragma once

#include <QHash>
#include <QImage>
#include <QProxyStyle>

// The application's style for text boxes whose text changes with nearly
// every reply (the read-outs): a new text repaints the whole box, and the
// style's frame, an antialiased rounded outline, costs more than the text.
// The frame is drawn once for each size, state and palette and copied after.
//
// A box marked Qt::WA_OpaquePaintEvent gets its panel on the colour its
// parent shows (the corners outside the rounded outline), so that it covers
// its whole rectangle and a repaint of the box need not paint the form
// beneath it first. Only for boxes over a parent of one flat colour.
class PanelCacheStyle : public QProxyStyle {
    Q_OBJECT
public:
    // The one instance, owned by the application; the boxes share its cache.
    static PanelCacheStyle *shared();

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;

private:
    PanelCacheStyle();

    // What the drawn frame depends on.
    struct PanelKey {
        int width, height, state, lineWidth, direction;
        qint64 palette;
        QRgb backdrop;  // 0 (transparent) unless the box is opaque
        qreal ratio;
        bool operator==(const PanelKey &o) const
        {
            return width == o.width && height == o.height && state == o.state &&
                   lineWidth == o.lineWidth && direction == o.direction && palette == o.palette &&
                   backdrop == o.backdrop && ratio == o.ratio;
        }
        friend size_t qHash(const PanelKey &k, size_t seed = 0)
        {
            return qHashMulti(seed, k.width, k.height, k.state, k.lineWidth, k.direction, k.palette,
                              k.backdrop, k.ratio);
        }
    };

    // A handful of boxes in two or three states: the cache stays small, and
    // is emptied should it ever grow (a palette changed again and again).
    static constexpr int kMostPanels = 32;
    mutable QHash<PanelKey, QImage> m_panels;
};
