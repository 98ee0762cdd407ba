// The main window on laptop screens: it fits the screen's free area at any
// scale, and every designed control can be brought into view and used.
// Screens are given as Qt sees them, in logical pixels: 1280×720 at 150 %
// is 853×480.
#include "app/designedarea.h"
#include "app/mainwindow.h"
#include "support/fakeserialport.h"

#include <QMenuBar>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A desktop's panel along the top of the screen.
constexpr int kPanel = 32;

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
    // Where `control` lies in the part of the form the window shows.
    QRect inView(const QWidget *control) const
    {
        QWidget *viewport = area()->viewport();
        return QRect(control->mapTo(viewport, QPoint(0, 0)), control->size());
    }
    // The control shows whole, or fills the view where it is larger.
    bool shown(const QWidget *control) const
    {
        const QRect view = area()->viewport()->rect();
        const QRect at = inView(control);
        const QRect seen = at & view;
        return seen.width() == std::min(at.width(), view.width()) &&
               seen.height() == std::min(at.height(), view.height());
    }

    FakeSerialPort port;
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

// The designed controls: the form's own children with their designed names.
QList<QWidget *> designedControls(QWidget *form)
{
    QList<QWidget *> controls;
    for (QWidget *c : form->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (!c->objectName().isEmpty())
            controls << c;
    return controls;
}

}  // namespace

class TestScreenFit : public QObject {
    Q_OBJECT
private slots:
    void everyControlCanBeShown_data() { windowFitsTheScreen_data(); }

    void windowFitsTheScreen_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("percent");
        for (const QSize screen : {QSize(1920, 1080), QSize(1366, 768), QSize(1280, 720)})
            for (const int percent : {100, 125, 150, 200})
                QTest::addRow("%dx%d at %d %%", screen.width(), screen.height(), percent)
                    << screen << percent;
    }

    void windowFitsTheScreen()
    {
        QFETCH(QSize, screen);
        QFETCH(int, percent);
        const QSize logical = screen * 100 / percent;
        const QRect free(0, kPanel, logical.width(), logical.height() - kPanel);
        Fitted fitted(free);
        MainWindow &window = *fitted.window;
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QVERIFY2(window.frameGeometry().width() <= free.width() &&
                     window.frameGeometry().height() <= free.height(),
                 qPrintable(u"%1×%2"_s.arg(window.frameGeometry().width())
                                .arg(window.frameGeometry().height())));
        // The form keeps its designed size, whatever part of it shows.
        QCOMPARE(window.form().size(), QSize(994, 632));
        // The window never grows beyond the form and its bars.
        const int menuHeight = window.menuBar()->height();
        QVERIFY(window.maximumSize().width() == 994);
        QVERIFY(window.maximumSize().height() >= menuHeight + 632);

        // Scroll bars show exactly where the form does not fit, and reach all of it.
        DesignedArea *area = fitted.area();
        const QSize view = area->viewport()->size();
        QCOMPARE(area->horizontalScrollBar()->isVisible(), view.width() < 994);
        QCOMPARE(area->verticalScrollBar()->isVisible(), view.height() < 632);
        QCOMPARE(area->horizontalScrollBar()->maximum(), std::max(0, 994 - view.width()));
        QCOMPARE(area->verticalScrollBar()->maximum(), std::max(0, 632 - view.height()));
        // Where the screen has room, the window is the designed one.
        if (free.height() >= 632 + menuHeight + 60 && free.width() >= 994 + 10) {
            QCOMPARE(view, QSize(994, 632));
            QCOMPARE(window.size(), window.maximumSize());
        }
    }

    void everyControlCanBeShown()
    {
        QFETCH(QSize, screen);
        QFETCH(int, percent);
        const QSize logical = screen * 100 / percent;
        Fitted fitted(QRect(0, kPanel, logical.width(), logical.height() - kPanel));
        QVERIFY(QTest::qWaitForWindowActive(fitted.window.get()));
        Form1 &form = fitted.window->form();
        const QList<QWidget *> controls = designedControls(&form);
        QCOMPARE(controls.size(), 85);
        for (QWidget *control : controls) {
            // A control that takes the focus is brought into view by it, however
            // it gets it; every other one can be scrolled to.
            if (control->isEnabled() && (control->focusPolicy() & Qt::ClickFocus))
                control->setFocus(Qt::OtherFocusReason);
            else
                fitted.area()->bringIntoView(control);
            QVERIFY2(fitted.shown(control), qPrintable(control->objectName()));
        }
    }

    // 1280×720 at 150 %: Tab goes through every control that takes it, and each
    // shows as the focus reaches it.
    void tabScrollsTheFocusedControlIntoView()
    {
        Fitted fitted(QRect(0, kPanel, 853, 480 - kPanel));
        QVERIFY(QTest::qWaitForWindowActive(fitted.window.get()));
        QWidget *first = QApplication::focusWidget();
        QVERIFY(first);
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
        // From the port list to the journal's "Очистить" and round.
        QVERIFY2(reached.contains(u"Command6"_s), qPrintable(reached.join(u' ')));
        QVERIFY2(reached.contains(u"Check8"_s), qPrintable(reached.join(u' ')));

        // F5 and F6 show the button they press, with the link status beside it.
        fitted.area()->bringIntoView(fitted.window->findChild<QWidget *>(u"Command6"_s));
        auto *start = fitted.window->findChild<QWidget *>(u"Command4"_s);
        QVERIFY(!fitted.shown(start));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
        QVERIFY(fitted.shown(start));
    }
};

QTEST_MAIN(TestScreenFit)
#include "test_screenfit.moc"
