// The journal's list box: newest first within its limit, the chosen entry and rows in view kept
// as entries arrive, keys, clicks, the palette and what screen readers see.

#include "app/journallistview.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Entries "0" (the oldest) to "n - 1" (the newest), shown a few rows high.
struct View : JournalListView {
    explicit View(int n, int limit = 1000)
    {
        setLimit(limit);
        for (int i = 0; i < n; ++i)
            insertEntry(QString::number(i));
        resize(200, 120);
        show();
    }
    QStringList entries() const
    {
        QStringList out;
        for (int row = 0; row < count(); ++row)
            out << entry(row);
        return out;
    }
    int page() const { return verticalScrollBar()->pageStep(); }
};

}  // namespace

class JournalListViewTest : public QObject {
    Q_OBJECT
private slots:
    // Five entries within `limit`, row `chosen` chosen, `added` "new" ones, the limit lowered.
    void entries_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("lowered");  // 0: kept
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<int>("chosenAfter");  // -1: none
        QTest::newRow("under the limit")
            << 10 << 2 << 2 << 0 << QStringList{"new", "new", "4", "3", "2", "1", "0"} << 4;
        QTest::newRow("oldest dropped")
            << 5 << 1 << 3 << 0 << QStringList{"new", "new", "new", "4", "3"} << 4;
        QTest::newRow("chosen dropped")
            << 5 << 3 << 2 << 0 << QStringList{"new", "new", "4", "3", "2"} << -1;
        QTest::newRow("limit lowered") << 5 << -1 << 0 << 2 << QStringList{"4", "3"} << -1;
    }
    void entries()
    {
        QFETCH(int, limit);
        QFETCH(int, chosen);
        QFETCH(int, added);
        QFETCH(int, lowered);
        QFETCH(int, chosenAfter);
        View list(5, limit);
        list.setCurrentRow(chosen);
        for (int i = 0; i < added; ++i)
            list.insertEntry(u"new"_s);
        if (lowered)
            list.setLimit(lowered);
        QTEST(list.entries(), "shown");
        QCOMPARE(list.entry(list.count()), QString());
        QCOMPARE(list.currentRow(), chosenAfter);
        if (chosenAfter >= 0)
            QCOMPARE(list.entry(chosenAfter), QString::number(4 - chosen));
    }

    // Clearing forgets the entries, the chosen row and the widest entry.
    void clearForgetsAll()
    {
        View list(3);
        list.insertEntry(QString(200, u'x'));
        list.setCurrentRow(1);
        QVERIFY(list.horizontalScrollBar()->maximum() > 0);
        list.clear();
        list.insertEntry(u"short"_s);
        QCOMPARE(list.entries(), QStringList{u"short"_s});
        QCOMPARE(list.currentRow(), -1);
        QCOMPARE(list.horizontalScrollBar()->maximum(), 0);
    }

    // At the top the newest entry shows; scrolled away, the rows in view stay.
    void viewFollowsReader()
    {
        View list(100);
        list.insertEntry(u"new"_s);
        QCOMPARE(list.topRow(), 0);
        list.verticalScrollBar()->setValue(10);
        const QString shown = list.entry(10);
        for (int i = 0; i < 3; ++i)
            list.insertEntry(u"newer"_s);
        QCOMPARE(list.topRow(), 13);
        QCOMPARE(list.entry(13), shown);
    }

    // The chosen row after the keys, `rows` plus `pages` pages, stays in view.
    void keys_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("pages");
        QTest::newRow("first step: top row") << QList<int>{Qt::Key_Up} << 0 << 0;
        QTest::newRow("down from the top row")
            << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Down} << 2 << 0;
        QTest::newRow("home, page down")
            << QList<int>{Qt::Key_End, Qt::Key_Home, Qt::Key_PageDown} << 0 << 1;
        QTest::newRow("end") << QList<int>{Qt::Key_End} << 49 << 0;
        QTest::newRow("down at the end") << QList<int>{Qt::Key_End, Qt::Key_Down} << 49 << 0;
        QTest::newRow("page up from the end")
            << QList<int>{Qt::Key_End, Qt::Key_PageUp} << 49 << -1;
    }
    void keys()
    {
        QFETCH(QList<int>, keys);
        QFETCH(int, rows);
        QFETCH(int, pages);
        View list(50);
        QVERIFY(list.page() > 2);
        for (int key : keys)
            QTest::keyClick(&list, Qt::Key(key));
        const int row = list.currentRow();
        QCOMPARE(row, rows + pages * list.page());
        QVERIFY(row >= list.topRow() && row < list.topRow() + list.page());
    }

    // A click chooses the row under it (from the top row), Ctrl+C copies it; below the last,
    // nothing.
    void clickChoosesRow()
    {
        View list(50);
        list.verticalScrollBar()->setValue(7);
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(5, 1));
        QCOMPARE(list.currentRow(), 7);
        QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"42"_s);
        View few(1);
        QTest::mouseClick(few.viewport(), Qt::LeftButton, {}, QPoint(5, 100));
        QCOMPARE(few.currentRow(), -1);
    }

    // The chosen row in the palette's Highlight, the others on Base, wherever scrolled.
    void paintsWithPalette()
    {
        View list(50);
        QPalette colours = list.palette();
        colours.setColor(QPalette::Base, Qt::yellow);
        colours.setColor(QPalette::Highlight, Qt::darkBlue);
        list.setPalette(colours);
        list.setCurrentRow(20);
        const auto topRightPixel = [&list] {
            const QImage image = list.viewport()->grab().toImage();
            return image.pixelColor(image.width() - 2, 1);
        };
        list.verticalScrollBar()->setValue(20);
        QCOMPARE(topRightPixel(), QColor(Qt::darkBlue));
        list.verticalScrollBar()->setValue(19);
        QCOMPARE(topRightPixel(), QColor(Qt::yellow));
    }

    // Items name their entries newest first, keep naming them as newer ones arrive, turn invalid
    // once dropped, and lie on their rows.
    void screenReaderSeesEntries()
    {
        View list(3, 4);
        list.setAccessibleName(u"Журнал"_s);
        QAccessibleInterface *shown = QAccessible::queryAccessibleInterface(&list);
        QVERIFY(shown);
        QCOMPARE(shown->role(), QAccessible::List);
        QCOMPARE(shown->text(QAccessible::Name), u"Журнал"_s);
        QAccessibleInterface *oldest = shown->child(2);
        QCOMPARE(oldest->role(), QAccessible::ListItem);
        QCOMPARE(oldest->parent(), shown);
        const QPoint centre = oldest->rect().center();
        QCOMPARE(shown->childAt(centre.x(), centre.y()), oldest);
        list.setCurrentRow(2);
        list.insertEntry(u"3"_s);
        QCOMPARE(shown->childCount(), 4);
        QCOMPARE(oldest->text(QAccessible::Name), u"0"_s);
        QCOMPARE(shown->child(3), oldest);
        QVERIFY(oldest->state().selected && !shown->child(0)->state().selected);
        QCOMPARE(shown->child(0)->text(QAccessible::Name), u"3"_s);
        list.insertEntry(u"4"_s);  // "0" goes beyond the limit
        QVERIFY(!oldest->isValid() && oldest->text(QAccessible::Name).isEmpty());
        QCOMPARE(shown->indexOfChild(oldest), -1);
        list.clear();
        QCOMPARE(shown->childCount(), 0);
    }

    // Rows scrolled away are off screen.
    void screenReaderFindsRows()
    {
        View list(20);
        QAccessibleInterface *shown = QAccessible::queryAccessibleInterface(&list);
        QVERIFY(!shown->child(0)->state().offscreen && shown->child(19)->state().offscreen);
        list.setCurrentRow(19);
        QVERIFY(!shown->child(19)->state().offscreen && shown->child(0)->state().offscreen);
    }
};

QTEST_MAIN(JournalListViewTest)
#include "test_journallistview.moc"
