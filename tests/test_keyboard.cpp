// The window under the keyboard: Enter, F5/F6, F10 and the focus frame.
#include "app/keyboard.h"
#include "app/mainwindow.h"
#include "link/exchange.h"
#include "support/formfixture.h"
#include "support/windowfixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Pixels of exactly `colour` in the band `width` wide inside `rect`'s edge.
int pixelsInBand(const QImage &image, const QRect &rect, int width, QRgb colour)
{
    int count = 0;
    const QRect inner = rect.adjusted(width, width, -width, -width);
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (!inner.contains(x, y) && image.rect().contains(x, y) &&
                (image.pixel(x, y) & 0xffffff) == (colour & 0xffffff))
                ++count;
    return count;
}

}  // namespace

class TestKeyboard : public QObject {
    Q_OBJECT
private slots:

    void enterPressesTheFocusedButton_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("clicks");
        QTest::newRow("СТАРТ, Return") << u"Command4"_s << int(Qt::Key_Return) << 0 << 1;
        QTest::newRow("journal's Очистить, keypad Enter")
            << u"Command6"_s << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 1;
        QTest::newRow("scale box, Return") << u"Check9"_s << int(Qt::Key_Return) << 0 << 1;
        QTest::newRow("Ctrl+Return is not Enter")
            << u"Check1"_s << int(Qt::Key_Return) << int(Qt::ControlModifier) << 0;
    }

    void enterPressesTheFocusedButton()
    {
        QFETCH(QString, button);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, clicks);
        FormFixture fixture;
        auto *pressed = fixture.control<QAbstractButton>(qPrintable(button));
        fixture.control<QComboBox>("Combo3")->setCurrentIndex(0);
        const bool wasChecked = pressed->isChecked();
        QSignalSpy clicked(pressed, &QAbstractButton::clicked);
        pressed->setFocus();
        QTest::keyClick(pressed, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(clicked.size(), clicks);
        // A check box changes as a click changes it.
        if (pressed->isCheckable())
            QCOMPARE(pressed->isChecked(), clicks ? !wasChecked : wasChecked);
    }

    void f5StartsAndF6StopsThroughTheDesignedButtons()
    {
        WindowFixture w;
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        auto *start = w.find<QPushButton>("Command4");
        auto *stop = w.find<QPushButton>("Command3");
        QCOMPARE(start->toolTip(), u"Старт обмена (F5)"_s);
        QCOMPARE(stop->toolTip(), u"Стоп обмена (F6)"_s);
        QSignalSpy startClicks(start, &QPushButton::clicked);
        QSignalSpy stopClicks(stop, &QPushButton::clicked);
        // Nothing to stop yet; once started, "СТАРТ" is greyed and F5 presses nothing.
        QTest::keyClick(w.window.get(), Qt::Key_F6);
        QCOMPARE(stopClicks.size(), 0);
        w.find<QComboBox>("Combo3")->setCurrentIndex(0);
        QTest::keyClick(w.window.get(), Qt::Key_F5);
        QTest::keyClick(w.window.get(), Qt::Key_F5);
        QCOMPARE(startClicks.size(), 1);
        QVERIFY(w.exchange().isRunning());
        QTest::keyClick(w.window.get(), Qt::Key_F6);
        QCOMPARE(stopClicks.size(), 1);
        QVERIFY(!w.exchange().isRunning());
    }

    void f10OpensTheMenuBar()
    {
        WindowFixture w;
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        QAction *first = w.window->menuBar()->actions().value(0);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10);
        QCOMPARE(w.window->menuBar()->activeAction(), first);
        QTRY_VERIFY(first->menu()->isVisible());
        first->menu()->hide();
    }

    void focusedControlIsFramed_data()
    {
        QTest::addColumn<QString>("control");
        for (const char *name : {"Command6", "Check3", "Combo3", "Text1", "List1", "Check9"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void focusedControlIsFramed()
    {
        QFETCH(QString, control);
        WindowFixture w;
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        Form1 &form = w.window->form();
        auto *focused = w.find<QWidget>(qPrintable(control));
        const int width = FocusRing::kWidth;
        const QRect ring(focused->geometry().adjusted(-width, -width, width, width));
        const auto framed = [&] {
            return pixelsInBand(form.grab().toImage(), ring, width,
                                form.palette().color(QPalette::Highlight).rgb());
        };
        QCOMPARE(framed(), 0);
        // Focused by the mouse alone, the window looks as designed.
        focused->setFocus(Qt::MouseFocusReason);
        QCOMPARE(QApplication::focusWidget(), focused);
        QCOMPARE(framed(), 0);
        // Once the keyboard moves the focus, the focused control is framed.
        QTest::keyClick(focused, Qt::Key_Tab);
        focused->setFocus(Qt::OtherFocusReason);
        QCOMPARE(framed(), 2 * width * (ring.width() + ring.height()) - 4 * width * width);
        // Elsewhere, no frame is left behind.
        w.find<QWidget>(control == u"Combo3"_s ? "Check3" : "Combo3")->setFocus();
        QCOMPARE(framed(), 0);
    }
};

QTEST_MAIN(TestKeyboard)
#include "test_keyboard.moc"
