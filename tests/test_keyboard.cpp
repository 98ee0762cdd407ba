// The window under the keyboard: Enter presses the focused button, F5 and F6
// press "СТАРТ" and "СТОП", F10 opens the menu bar, and the control with the
// focus is framed once the keyboard moves it.
#include "app/keyboard.h"
#include "app/mainwindow.h"
#include "link/exchange.h"
#include "support/fakeserialport.h"
#include "support/formfixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The main window on a fake line where port 1 opens, on a screen with room.
struct Window {
    Window()
    {
        port.openable = {1};
        Form1Dependencies deps;
        deps.port = &port;
        deps.journalPath = dir.filePath(u"Jurnal.txt"_s);
        window = std::make_unique<MainWindow>(
            deps, [](const FileRequest &) { return QString(); },
            [] { return QRect(0, 0, 1920, 1040); });
        window->show();
    }
    template <typename T> T *find(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    Exchange &exchange() const { return window->form().exchange(); }
    int journalled(const QString &text) const
    {
        QFile file(dir.filePath(u"Jurnal.txt"_s));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).count(text) : 0;
    }

    FakeSerialPort port;
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

// How many pixels of `image` have exactly `colour`, in the band `width`
// wide along the inside of `rect`.
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
    void enterPressesTheFocusedButton_data();
    void enterPressesTheFocusedButton();
    void f5StartsAndF6StopsThroughTheDesignedButtons();
    void f10OpensTheMenuBar();
    void focusedControlIsFramed_data();
    void focusedControlIsFramed();
};

void TestKeyboard::enterPressesTheFocusedButton_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("clicks");
    QTest::newRow("СТАРТ, Return") << u"Command4"_s << int(Qt::Key_Return) << 0 << 1;
    QTest::newRow("journal's Очистить, keypad Enter")
        << u"Command6"_s << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 1;
    QTest::newRow("flank 1 scale box, Return") << u"Check9"_s << int(Qt::Key_Return) << 0 << 1;
    QTest::newRow("address Изменить, Return") << u"Check1"_s << int(Qt::Key_Return) << 0 << 1;
    QTest::newRow("scale box, keypad Enter")
        << u"Check6"_s << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 1;
    QTest::newRow("sound box, Return") << u"Check3"_s << int(Qt::Key_Return) << 0 << 1;
    QTest::newRow("Ctrl+Return is not Enter")
        << u"Check1"_s << int(Qt::Key_Return) << int(Qt::ControlModifier) << 0;
}

void TestKeyboard::enterPressesTheFocusedButton()
{
    QFETCH(QString, button);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, clicks);
    FormFixture fixture;
    auto *pressed = fixture.control<QAbstractButton>(qPrintable(button));
    QVERIFY(pressed->isEnabled());
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

void TestKeyboard::f5StartsAndF6StopsThroughTheDesignedButtons()
{
    Window w;
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    auto *start = w.find<QPushButton>("Command4");
    auto *stop = w.find<QPushButton>("Command3");
    auto *startAction = w.find<QAction>("startAction");
    auto *stopAction = w.find<QAction>("stopAction");
    QCOMPARE(startAction->shortcut(), QKeySequence(Qt::Key_F5));
    QCOMPARE(stopAction->shortcut(), QKeySequence(Qt::Key_F6));
    QCOMPARE(start->toolTip(), u"Старт обмена (F5)"_s);
    QCOMPARE(stop->toolTip(), u"Стоп обмена (F6)"_s);
    QVERIFY(startAction && stopAction);
    QSignalSpy startClicks(start, &QPushButton::clicked);
    QSignalSpy stopClicks(stop, &QPushButton::clicked);
    // Nothing to stop yet.
    QVERIFY(!stopAction->isEnabled());
    QTest::keyClick(w.window.get(), Qt::Key_F6);
    QCOMPARE(stopClicks.size(), 0);

    w.find<QComboBox>("Combo3")->setCurrentIndex(0);
    QTest::keyClick(w.window.get(), Qt::Key_F5);
    QCOMPARE(startClicks.size(), 1);
    QVERIFY(w.exchange().isRunning());
    QCOMPARE(w.journalled(u"Старт."_s), 1);
    QVERIFY(!startAction->isEnabled());
    QVERIFY(stopAction->isEnabled());
    // "СТАРТ" is greyed while the exchange runs; F5 presses nothing.
    QTest::keyClick(w.window.get(), Qt::Key_F5);
    QCOMPARE(startClicks.size(), 1);
    QCOMPARE(w.journalled(u"Старт."_s), 1);

    QTest::keyClick(w.window.get(), Qt::Key_F6);
    QCOMPARE(stopClicks.size(), 1);
    QVERIFY(!w.exchange().isRunning());
    QVERIFY(start->isEnabled());
    QVERIFY(startAction->isEnabled());
    QVERIFY(!stopAction->isEnabled());
}

void TestKeyboard::f10OpensTheMenuBar()
{
    Window w;
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    QAction *first = w.window->menuBar()->actions().value(0);
    QVERIFY(!first->menu()->isVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10);
    QCOMPARE(w.window->menuBar()->activeAction(), first);
    QTRY_VERIFY(first->menu()->isVisible());
    first->menu()->hide();
}

void TestKeyboard::focusedControlIsFramed_data()
{
    QTest::addColumn<QString>("control");
    for (const char *name : {"Command6", "Check3", "Combo3", "Text1", "List1", "Check9"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestKeyboard::focusedControlIsFramed()
{
    QFETCH(QString, control);
    Window w;
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    Form1 &form = w.window->form();
    auto *focused = w.find<QWidget>(qPrintable(control));
    const QRgb highlight = form.palette().color(QPalette::Highlight).rgb();
    const QRect ring(focused->geometry().adjusted(-FocusRing::kWidth, -FocusRing::kWidth,
                                                  FocusRing::kWidth, FocusRing::kWidth));
    const int ringPixels = 2 * FocusRing::kWidth * (ring.width() + ring.height()) -
                           4 * FocusRing::kWidth * FocusRing::kWidth;
    const QImage unfocused = form.grab().toImage();
    QCOMPARE(pixelsInBand(unfocused, ring, FocusRing::kWidth, highlight), 0);

    // Focused by the mouse alone, the window looks as designed.
    focused->setFocus(Qt::MouseFocusReason);
    QCOMPARE(QApplication::focusWidget(), focused);
    QCOMPARE(pixelsInBand(form.grab().toImage(), ring, FocusRing::kWidth, highlight), 0);

    // Once the keyboard moves the focus, the focused control is framed.
    QTest::keyClick(focused, Qt::Key_Tab);
    focused->setFocus(Qt::OtherFocusReason);
    QCOMPARE(QApplication::focusWidget(), focused);
    QCOMPARE(pixelsInBand(form.grab().toImage(), ring, FocusRing::kWidth, highlight), ringPixels);

    // Elsewhere, far from it, no frame is left behind.
    w.find<QWidget>(control == u"Combo3"_s ? "Check3" : "Combo3")->setFocus();
    QCOMPARE(pixelsInBand(form.grab().toImage(), ring, FocusRing::kWidth, highlight), 0);
}

QTEST_MAIN(TestKeyboard)
#include "test_keyboard.moc"
