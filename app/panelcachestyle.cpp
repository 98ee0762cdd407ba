#include "app/panelcachestyle.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOption>

PanelCacheStyle::PanelCacheStyle()
    : QProxyStyle(QStyleFactory::create(QApplication::style()->name()))
{
    setParent(qApp);
}

PanelCacheStyle *PanelCacheStyle::shared()
{
    static QPointer<PanelCacheStyle> style;
    if (!style)
        style = new PanelCacheStyle;
    return style;
}

void PanelCacheStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                                    QPainter *painter, const QWidget *widget) const
{
    const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(option);
    if (element != PE_PanelLineEdit || !frame || option->rect.isEmpty()) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const qreal ratio = painter->device()->devicePixelRatio();
    const QWidget *parent = widget ? widget->parentWidget() : nullptr;
    const QColor backdrop = parent && widget->testAttribute(Qt::WA_OpaquePaintEvent)
                                ? parent->palette().color(parent->backgroundRole())
                                : QColor(Qt::transparent);
    const PanelKey key{
        option->rect.width(),   option->rect.height(),      int(option->state), frame->lineWidth,
        int(option->direction), option->palette.cacheKey(), backdrop.rgba(),    ratio};
    auto found = m_panels.constFind(key);
    if (found == m_panels.constEnd()) {
        if (m_panels.size() >= kMostPanels)
            m_panels.clear();
        QImage panel(option->rect.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        panel.setDevicePixelRatio(ratio);
        panel.fill(backdrop);
        QStyleOptionFrame atOrigin = *frame;
        atOrigin.rect.moveTo(0, 0);
        QPainter onPanel(&panel);
        QProxyStyle::drawPrimitive(element, &atOrigin, &onPanel, widget);
        onPanel.end();
        found = m_panels.insert(key, panel);
    }
    painter->drawImage(option->rect.topLeft(), *found);
}
