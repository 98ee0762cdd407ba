#pragma once

#include <QString>
#include <QWidget>
#include <QtGlobal>

class QLabel;
class QLineEdit;
class QTimer;

// Ends the program: the window has no control `name` of the kind asked for.
// A control the layout failed to make is a fault of the build, and it must
// stop the program at start rather than leave a null pointer behind.
[[noreturn]] void missingControl(const char *name, const char *kind);

// The designed control `name` of `form`, never null.
template <typename T> T *control(QWidget *form, const char *name)
{
    T *found = form->findChild<T *>(QLatin1String(name));
    if (!found)
        missingControl(name, T::staticMetaObject.className());
    return found;
}

// Colours as the original controls had them (0xBBGGRR). Like the text
// setters below, they change nothing (and cause no repaint) when the control
// already shows the value. The text colour is a label's or a check box's
// caption. On a control shown stale (below) they set, and tell, the colours
// it shows once it is fresh again.
void setLabelTextColor(QWidget *label, quint32 bgr);
void setLabelBackColor(QLabel *label, quint32 bgr);
quint32 labelTextColor(const QWidget *label);
quint32 labelBackColor(const QLabel *label);
void setBoxTextColor(QLineEdit *box, quint32 bgr);
// A read-out whose value no longer tells the detector's state is shown
// greyed: the same text in the form's disabled colours. Shown fresh again it
// has exactly the colours set last, including those set while it was stale.
void showStale(QWidget *readout, bool stale);
bool isShownStale(const QWidget *readout);
void showText(QLabel *label, const QString &text);
void showText(QLineEdit *box, const QString &text);
// Shows `text` whole within the label's area: on one line in `font` (the
// label's designed font) or, when it is too long, in a smaller size, down to
// 7.5 pt, on one line or two. A text that is too long even then is cut short
// with "…", and the whole text is the label's tool tip.
void showFitted(QLabel *label, const QString &text, const QFont &font);

// Enables a timer that has a non-zero interval; a running timer is left as
// it is, keeping its phase. Disabling stops it.
void setTimerEnabled(QTimer *timer, bool enabled);
