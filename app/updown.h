#pragma once

#include <QWidget>

class QToolButton;

// A spin button: two small arrows and a position (Value) inside Min..Max,
// stepped by Increment. It shows no number itself; the window shows the
// value in a separate box. changed() is raised synchronously after every
// change of position, by the arrows, the keys or code, and never when the
// position stays the same. It never takes focus: the value box beside it
// takes the keys for it (takeKeysFrom).
class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget *parent = nullptr, int value = 0, int min = 0, int max = 10);

    int Value() const { return m_value; }
    int Min() const { return m_min; }
    int Max() const { return m_max; }
    int Increment() const { return m_increment; }

    // Positions outside Min..Max are clamped into it.
    void setValue(int value);
    void setMin(int min);
    void setMax(int max);
    void setIncrement(int increment) { m_increment = increment; }

    void stepUp();
    void stepDown();

    // While the spinner is enabled, Up and Down in `box` step it, PageUp and
    // PageDown step it ten times.
    void takeKeysFrom(QWidget *box);

signals:
    void changed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QToolButton *m_up;
    QToolButton *m_down;
    int m_value;
    int m_min;
    int m_max;
    int m_increment = 1;
};
