// Flank 2's settings read and changed through the window, against the
// simulated detector.

#include "app/updown.h"
#include "test_e2e_faults_bench.h"

#include <QCheckBox>

using namespace faults;

class E2eSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void flankTwoIsReadAndChanged();
};

void E2eSettingsTest::flankTwoIsReadAndChanged()
{
    Bench b;
    QVERIFY(b.setUp());
    Form1 &w = *b.form;
    b.start();
    QVERIFY2(b.linkUp(), qPrintable(b.rowText()));
    b.chooseFlank(2);
    QTRY_VERIFY2_WITH_TIMEOUT(b.rows() == kFlank2, qPrintable(b.rowText()), kTimeout);
    QCOMPARE(w.Label4->text(), u"Норма"_s);

    // Gain 6 -> 8, then threshold position 7 (1,3) -> 12 (1,8), value byte 11.
    w.Check10->setChecked(true);
    w.UpDown4->stepUp();
    w.UpDown4->stepUp();
    QCOMPARE(w.Text7->text(), u"8"_s);
    w.Command7->click();
    QTRY_COMPARE_WITH_TIMEOUT(b.journalCount(u"  Фланг -2  Установлено усиление -8"_s), 1,
                              kTimeout);
    w.Check2->setChecked(true);
    w.UpDown2->setValue(12);
    w.Command2->click();
    QTRY_COMPARE_WITH_TIMEOUT(b.journalCount(u"  Фланг -2  Установлен порог -1,8"_s), 1, kTimeout);
    QCOMPARE(w.UpDown2->Value(), 12);
    QVERIFY(b.fileHas(u" Фланг -2  Установлено усиление -8"_s));
    QVERIFY(b.fileHas(u" Фланг -2  Установлен порог -1,8"_s));

    // The detector holds the new values for flank 2 only.
    const QString status = b.status();
    const QString flank1 = status.section(u"flank 1:"_s, 1).section(u'\n', 0, 0);
    const QString flank2 = status.section(u"flank 2:"_s, 1).section(u'\n', 0, 0);
    QVERIFY2(flank2.contains(u"gain 8,"_s) && flank2.contains(u"threshold 11,"_s) &&
                 flank1.contains(u"gain 5,"_s) && flank1.contains(u"threshold 8,"_s),
             qPrintable(status));

    // Both flanks show their own values when chosen again.
    b.chooseFlank(1);
    QTRY_VERIFY2_WITH_TIMEOUT(b.rows() == kFlank1, qPrintable(b.rowText()), kTimeout);
    Rows changed = kFlank2;
    changed[1] = u"8"_s;
    changed[2] = u"1,8"_s;
    b.chooseFlank(2);
    QTRY_VERIFY2_WITH_TIMEOUT(b.rows() == changed, qPrintable(b.rowText()), kTimeout);
}

QTEST_MAIN(E2eSettingsTest)
#include "test_e2e_settings.moc"
