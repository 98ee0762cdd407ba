#pragma once

#include <QScrollArea>

// The designed area inside the main window: a scroll area without a frame
// that holds Form1 at its designed size. Where the screen has room the
// window is exactly as large as the form and no scroll bar shows; on a small
// screen (a laptop at 150 %) the window is smaller, scroll bars appear, and
// a control that takes the keyboard focus is scrolled into view.
class DesignedArea : public QScrollArea {
    Q_OBJECT
public:
    explicit DesignedArea(QWidget *form, QWidget *parent = nullptr);

    // The form's size: the most the area ever needs.
    QSize sizeHint() const override;

    // Scrolls the form so that `control` shows whole, with some room around
    // it where the view has it; a control larger than the view shows from
    // its top left.
    void bringIntoView(QWidget *control);

private:
    void focusChanged(QWidget *now);
};
