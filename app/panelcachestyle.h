#pragma once

#include <QHash>
#include <QImage>
#include <QProxyStyle>

// The application's style for text boxes whose text changes with nearly
// every reply (the read-outs): a new text repaints the whole box, and the
// style's frame, an antialiased rounded outline, costs more than the text.
// The frame is drawn once for each size, state and palette and copied after.
class PanelCacheStyle : public QProxyStyle {
    Q_OBJECT
public:
    // The one instance, owned by the application; the boxes share its cache.
    static PanelCacheStyle *shared();

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;

private:
    PanelCacheStyle();

    // A handful of boxes in two or three states: the cache stays small, and
    // is emptied should it ever grow (a palette changed again and again).
    static constexpr int kMostPanels = 32;
    mutable QHash<QString, QImage> m_panels;
};
