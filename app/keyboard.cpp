#include "app/keyboard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

// Hands Enter and Return on to the button as Space: the button's own key
// handling presses it, with its pressed look while the key is down.
class EnterAsSpace : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
            return false;
        const auto *key = static_cast<const QKeyEvent *>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            (key->modifiers() & ~Qt::KeypadModifier))
            return false;
        QKeyEvent space(key->type(), Qt::Key_Space, Qt::NoModifier, u" "_s, key->isAutoRepeat());
        QCoreApplication::sendEvent(watched, &space);
        return true;
    }
};

}  // namespace

void pressButtonsWithEnter(QWidget *area)
{
    auto *filter = new EnterAsSpace(area);
    for (QAbstractButton *button : area->findChildren<QAbstractButton *>())
        button->installEventFilter(filter);
}

FocusRing::FocusRing(QWidget *area) : QWidget(area)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *now) { follow(now); });
}

void FocusRing::follow(QWidget *focused)
{
    if (m_target)
        m_target->removeEventFilter(this);
    QWidget *area = parentWidget();
    const bool keyboardInUse =
        focused && focused->window()->testAttribute(Qt::WA_KeyboardFocusChange);
    m_target = keyboardInUse && area->isAncestorOf(focused) ? focused : nullptr;
    if (!m_target) {
        hide();
        return;
    }
    m_target->installEventFilter(this);
    place();
}

void FocusRing::place()
{
    if (!m_target || !m_target->isVisible()) {
        hide();
        return;
    }
    const QRect control(m_target->mapTo(parentWidget(), QPoint(0, 0)), m_target->size());
    setGeometry(control.adjusted(-kWidth, -kWidth, kWidth, kWidth));
    // Only the ring itself covers what lies beneath.
    setMask(QRegion(rect()) - QRegion(rect().adjusted(kWidth, kWidth, -kWidth, -kWidth)));
    raise();
    show();
}

bool FocusRing::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_target) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            place();
            break;
        default:
            break;
        }
    }
    return false;
}

void FocusRing::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Highlight));
}
