// The link to the simulated detector comes up, and an alarm reaches the window
// and the journal.

#include "test_e2e_faults_bench.h"

using namespace faults;

class E2eLinkTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void linkComesUpAndAlarmIsShown();
};

void E2eLinkTest::linkComesUpAndAlarmIsShown()
{
    Bench b;
    QVERIFY(b.setUp());
    Form1 &w = *b.form;
    b.start();
    QVERIFY(b.port->isOpen());
    QVERIFY2(b.linkUp(), qPrintable(b.rowText()));
    QCOMPARE(Form1::labelTextColor(w.Label6), bgr::Blue);
    QVERIFY(w.Command3->isEnabled());
    QVERIFY(w.Command9->isEnabled());
    QCOMPARE(b.linkLossCount(), 0);

    b.command(u"flank 1 alarm"_s);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), u"Тревога"_s, kTimeout);
    QCOMPARE(Form1::labelBackColor(w.Label4), bgr::Red);
    QVERIFY(!w.Command5->isEnabled());
    QCOMPARE(b.journalCount(u"  Фланг -1  Тревога"_s), 1);
    QVERIFY(b.fileHas(u" Фланг -1  Тревога"_s));
}

QTEST_MAIN(E2eLinkTest)
#include "test_e2e_link.moc"
