#include "app/controls.h"

#include "base/colors.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

namespace {

// Where a control shown stale keeps the palette its colours were set in.
constexpr char kSetPalette[] = "verkanSetPalette";

// The palette the colour setters have given the control: its own while it
// is shown fresh, the kept one while it is shown stale.
QPalette coloursSet(const QWidget *widget)
{
    const QVariant kept = widget->property(kSetPalette);
    return kept.isValid() ? kept.value<QPalette>() : widget->palette();
}

void setRoleColor(QWidget *widget, QPalette::ColorRole role, quint32 bgr)
{
    const QColor colour = colorFromBgr(bgr);
    QPalette palette = coloursSet(widget);
    if (palette.color(role) == colour)
        return;
    palette.setColor(role, colour);
    // A stale control keeps its grey until it is shown fresh, and then
    // shows the colour set last.
    if (widget->property(kSetPalette).isValid())
        widget->setProperty(kSetPalette, palette);
    else
        widget->setPalette(palette);
}

}  // namespace

void missingControl(const char *name, const char *kind)
{
    qFatal("The window has no control %s (%s).", name, kind);
    std::abort();  // qFatal does not return; this says so to the compiler
}

void setLabelTextColor(QWidget *label, quint32 bgr)
{
    setRoleColor(label, QPalette::WindowText, bgr);
}

void setLabelBackColor(QLabel *label, quint32 bgr)
{
    setRoleColor(label, QPalette::Window, bgr);
}

quint32 labelTextColor(const QWidget *label)
{
    return bgrFromColor(coloursSet(label).color(QPalette::WindowText));
}

quint32 labelBackColor(const QLabel *label)
{
    return bgrFromColor(coloursSet(label).color(QPalette::Window));
}

void setBoxTextColor(QLineEdit *box, quint32 bgr)
{
    setRoleColor(box, QPalette::Text, bgr);
}

void showStale(QWidget *readout, bool stale)
{
    if (stale == isShownStale(readout))
        return;
    if (!stale) {
        const QPalette set = coloursSet(readout);
        readout->setProperty(kSetPalette, QVariant());
        readout->setPalette(set);
        return;
    }
    // The text, the face of a label and the field of a text box take the
    // colours the form gives its disabled controls, in every group: the
    // value reads as a greyed one, whatever colour it was shown in.
    const QPalette form = readout->parentWidget()->palette();
    QPalette grey = readout->palette();
    readout->setProperty(kSetPalette, grey);
    for (QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::Window, QPalette::Base})
        grey.setColor(role, form.color(QPalette::Disabled, role));
    readout->setPalette(grey);
}

bool isShownStale(const QWidget *readout)
{
    return readout->property(kSetPalette).isValid();
}

void showText(QLabel *label, const QString &text)
{
    if (label->text() != text)
        label->setText(text);
}

void showText(QLineEdit *box, const QString &text)
{
    if (box->text() != text)
        box->setText(text);
}

void showFitted(QLabel *label, const QString &text, const QFont &font)
{
    constexpr qreal kSmallestPoints = 7.5;
    constexpr qreal kStep = 0.75;
    const QRect area = label->contentsRect();
    QFont fitted = font;
    QString shown = text;
    bool twoLines = false;
    for (qreal points = font.pointSizeF();; points -= kStep) {
        fitted.setPointSizeF(std::max(points, kSmallestPoints));
        const QFontMetrics metrics(fitted);
        if (metrics.horizontalAdvance(text) <= area.width())
            break;
        if (points > kSmallestPoints)
            continue;
        twoLines = 2 * metrics.lineSpacing() <= area.height() &&
                   metrics.boundingRect(area, Qt::TextWordWrap, text).height() <= area.height();
        if (!twoLines)
            shown = metrics.elidedText(text, Qt::ElideRight, area.width());
        break;
    }
    if (label->font() != fitted)
        label->setFont(fitted);
    if (label->wordWrap() != twoLines)
        label->setWordWrap(twoLines);
    showText(label, shown);
    const QString tip = shown == text ? QString() : text;
    if (label->toolTip() != tip)
        label->setToolTip(tip);
}

void setTimerEnabled(QTimer *timer, bool enabled)
{
    if (!enabled) {
        timer->stop();
        return;
    }
    // An interval of 0 never fires; a running timer keeps its phase.
    if (timer->interval() > 0 && !timer->isActive())
        timer->start();
}
