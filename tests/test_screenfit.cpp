// The main window fits laptop screens' free area at any scale, and every control can be
// brought into view. Screens are in logical pixels: 1280×720 at 150 % is 853×480.
#include "app/designedarea.h"
#include "app/mainwindow.h"
#include "support/fakeserialport.h"

#include <QMenuBar>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPanel = 32;  // a desktop's panel along the top of the screen

struct Fitted {
    explicit Fitted(const QRect &area)
    {
        Form1Dependencies deps;
        deps.port = &port;
        deps.journalPath = dir.filePath(u"Jurnal.txt"_s);
        window = std::make_unique<MainWindow>(
            deps, [](const FileRequest &) { return QString(); }, [area] { return area; });
        window->show();
    }
    DesignedArea *area() const { return window->findChild<DesignedArea *>(); }
    // The control shows whole, or fills the view where it is larger.
    bool shown(const QWidget *control) const
    {
        const QRect view = area()->viewport()->rect();
        const QRect at(control->mapTo(area()->viewport(), QPoint(0, 0)), control->size());
        const QRect seen = at & view;
        return seen.width() == std::min(at.width(), view.width()) &&
               seen.height() == std::min(at.height(), view.height());
    }

    FakeSerialPort port;
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

}  // namespace

class TestScreenFit : public QObject {
    Q_OBJECT
private slots:
    void fitsAndShowsEveryControl_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("percent");
        for (const QSize screen : {QSize(1920, 1080), QSize(1366, 768), QSize(1280, 720)})
            for (const int percent : {100, 125, 150, 200})
                QTest::addRow("%dx%d at %d %%", screen.width(), screen.height(), percent)
                    << screen << percent;
    }
    void fitsAndShowsEveryControl()
    {
        QFETCH(QSize, screen);
        QFETCH(int, percent);
        const QSize logical = screen * 100 / percent;
        const QRect free(0, kPanel, logical.width(), logical.height() - kPanel);
        Fitted fitted(free);
        MainWindow &window = *fitted.window;
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const QSize frame = window.frameGeometry().size();
        QCOMPARE(frame.boundedTo(free.size()), frame);
        // The form keeps its designed size; the window never grows beyond it and its bars.
        QCOMPARE(window.form().size(), QSize(994, 632));
        const int menuHeight = window.menuBar()->height();
        QCOMPARE(window.maximumSize().width(), 994);
        QVERIFY(window.maximumSize().height() >= menuHeight + 632);

        // Scroll bars show exactly where the form does not fit, and reach all of it.
        DesignedArea *area = fitted.area();
        const QSize view = area->viewport()->size();
        QCOMPARE(area->horizontalScrollBar()->isVisible(), view.width() < 994);
        QCOMPARE(area->verticalScrollBar()->isVisible(), view.height() < 632);
        QCOMPARE(area->horizontalScrollBar()->maximum(), std::max(0, 994 - view.width()));
        QCOMPARE(area->verticalScrollBar()->maximum(), std::max(0, 632 - view.height()));
        if (free.height() >= 632 + menuHeight + 60 && free.width() >= 994 + 10) {
            QCOMPARE(view, QSize(994, 632));
            QCOMPARE(window.size(), window.maximumSize());
        }

        // A control that takes the focus is brought into view by it, however it
        // gets it; every other one can be scrolled to.
        int controls = 0;
        for (QWidget *control : window.form().findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (control->objectName().isEmpty())
                continue;
            ++controls;
            if (control->isEnabled() && (control->focusPolicy() & Qt::ClickFocus))
                control->setFocus(Qt::OtherFocusReason);
            else
                area->bringIntoView(control);
            QVERIFY2(fitted.shown(control), qPrintable(control->objectName()));
        }
        QCOMPARE(controls, 85);
    }

    // 1280×720 at 150 %: Tab goes round every control that takes it, each shown.
    void tabScrollsTheFocusedControlIntoView()
    {
        Fitted fitted(QRect(0, kPanel, 853, 480 - kPanel));
        QVERIFY(QTest::qWaitForWindowActive(fitted.window.get()));
        QWidget *first = QApplication::focusWidget();
        QCOMPARE(first->objectName(), u"Combo3"_s);
        QStringList reached;
        for (int i = 0; i < 100; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget *focused = QApplication::focusWidget();
            if (focused == first)
                break;
            QVERIFY2(fitted.shown(focused), qPrintable(focused->objectName()));
            reached << focused->objectName();
        }
        QVERIFY2(reached.contains(u"Command6"_s) && reached.contains(u"Check8"_s),
                 qPrintable(reached.join(u' ')));

        // F5 shows the button it presses.
        fitted.area()->bringIntoView(fitted.window->findChild<QWidget *>(u"Command6"_s));
        auto *start = fitted.window->findChild<QWidget *>(u"Command4"_s);
        QVERIFY(!fitted.shown(start));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
        QVERIFY(fitted.shown(start));
    }
};

QTEST_MAIN(TestScreenFit)
#include "test_screenfit.moc"
