#pragma once

// The designed window under the keyboard: Enter presses the focused button,
// and the focused control is framed so that it can be found at a glance.

#include <QPointer>
#include <QWidget>

// Enter and Return press a focused button of `area` as Space does: a push
// button clicks on release, a check box toggles. The buttons keep their look:
// they are not made default buttons, which some styles draw differently.
void pressButtonsWithEnter(QWidget *area);

// A frame of the palette's highlight colour around the control of `area`
// that has the focus, drawn just outside the control over whatever lies
// there. It shows once the keyboard has moved the focus in the window (Tab,
// a shortcut), as styles show their own focus cues, so that a window used
// with the mouse alone looks exactly as designed.
class FocusRing : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 2;

    explicit FocusRing(QWidget *area);

    // The control framed; none while the ring is hidden.
    QWidget *framed() const { return isVisible() ? m_target.data() : nullptr; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void follow(QWidget *focused);
    void place();

    QPointer<QWidget> m_target;
};
