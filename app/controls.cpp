#include "app/controls.h"

#include "base/colors.h"

#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace {

void setRoleColor(QWidget *widget, QPalette::ColorRole role, quint32 bgr)
{
    const QColor colour = colorFromBgr(bgr);
    if (widget->palette().color(role) == colour)
        return;
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

}  // namespace

void setLabelTextColor(QLabel *label, quint32 bgr)
{
    setRoleColor(label, QPalette::WindowText, bgr);
}

void setLabelBackColor(QLabel *label, quint32 bgr)
{
    setRoleColor(label, QPalette::Window, bgr);
}

quint32 labelTextColor(const QLabel *label)
{
    return bgrFromColor(label->palette().color(QPalette::WindowText));
}

quint32 labelBackColor(const QLabel *label)
{
    return bgrFromColor(label->palette().color(QPalette::Window));
}

void setBoxTextColor(QLineEdit *box, quint32 bgr)
{
    setRoleColor(box, QPalette::Text, bgr);
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
