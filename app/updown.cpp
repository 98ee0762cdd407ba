#include "app/updown.h"

#include <QKeyEvent>
#include <QToolButton>

#include <algorithm>

UpDown::UpDown(QWidget *parent, int value, int min, int max)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this)), m_value(value),
      m_min(min), m_max(max)
{
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton *b : {m_up, m_down}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
    }
    m_up->setObjectName(QStringLiteral("up"));
    m_down->setObjectName(QStringLiteral("down"));
    connect(m_up, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(m_down, &QToolButton::clicked, this, &UpDown::stepDown);
}

void UpDown::setValue(int value)
{
    const int v = std::clamp(value, std::min(m_min, m_max), std::max(m_min, m_max));
    if (v == m_value)
        return;
    m_value = v;
    emit changed();
}

void UpDown::setMin(int min)
{
    m_min = min;
}

void UpDown::setMax(int max)
{
    m_max = max;
}

void UpDown::stepUp()
{
    setValue(m_value + m_increment);
}

void UpDown::stepDown()
{
    setValue(m_value - m_increment);
}

void UpDown::takeKeysFrom(QWidget *box)
{
    box->installEventFilter(this);
}

bool UpDown::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && isEnabled()) {
        constexpr int kPageSteps = 10;
        int steps = 0;
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Up:
            steps = 1;
            break;
        case Qt::Key_Down:
            steps = -1;
            break;
        case Qt::Key_PageUp:
            steps = kPageSteps;
            break;
        case Qt::Key_PageDown:
            steps = -kPageSteps;
            break;
        default:
            break;
        }
        if (steps != 0) {
            setValue(m_value + steps * m_increment);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void UpDown::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange) {
        m_up->setEnabled(isEnabled());
        m_down->setEnabled(isEnabled());
    }
    QWidget::changeEvent(event);
}

void UpDown::resizeEvent(QResizeEvent *event)
{
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
    QWidget::resizeEvent(event);
}
