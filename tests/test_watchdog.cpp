#include "app/colors.h"
#include "link/scheduler.h"
#include "support/formfixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString kLinkAlive = u"Установлена связь с блоком. Обмен данными..."_s;

// An exchange on port 1 that has heard the detector and shows values.
struct RunningForm : FormFixture {
    RunningForm()
    {
        start(1);
        tick(3 * kTicksPerSlot);
        port.deliver("!0f0514\r");
    }
};

}  // namespace

class WatchdogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void firstPeriodReopensFrameEndResets();
    void secondPeriodDeclaresTheLoss_data();
    void secondPeriodDeclaresTheLoss();
    void startAfterALossSearchesAgain();
};

void WatchdogTest::firstPeriodReopensFrameEndResets()
{
    RunningForm f;
    Form1 &w = *f.form;
    f.port.deliver("!0f");  // a cut-off reply pauses Timer1
    QVERIFY(!w.Timer1->isActive());
    const qsizetype attempts = f.port.openAttempts.size();
    const QStringList journal = f.journalListItems();
    w.watchdogTick();
    QCOMPARE(w.state().CntPoteriObm, qint16(1));
    QCOMPARE(f.port.openAttempts.mid(attempts), QList<int>{1});
    QVERIFY(f.port.isOpen());
    QVERIFY(w.Timer1->isActive());
    QCOMPARE(f.journalListItems(), journal);
    f.port.deliver("!0f0514\r");
    QCOMPARE(w.state().CntPoteriObm, qint16(0));
    w.watchdogTick();  // a single period again is no loss; STOP then keeps Label6
    w.stopExchange();
    QCOMPARE(f.journalListItems().mid(1), journal);
    QCOMPARE(w.Label6->text(), kLinkAlive);
    QCOMPARE(Form1::labelTextColor(w.Label6), bgr::Blue);
}

void WatchdogTest::secondPeriodDeclaresTheLoss_data()
{
    QTest::addColumn<bool>("reopenFails");
    QTest::newRow("reopened") << false;
    QTest::newRow("reopen fails") << true;
}

void WatchdogTest::secondPeriodDeclaresTheLoss()
{
    QFETCH(bool, reopenFails);
    RunningForm f;
    Form1 &w = *f.form;
    if (reopenFails)
        f.port.openable.clear();
    w.watchdogTick();
    QCOMPARE(f.port.isOpen(), !reopenFails);
    w.watchdogTick();
    QCOMPARE(f.journalListItems().mid(0, 2),
             QStringList({f.stamp() + u"   Стоп"_s, f.stamp() + u"  НЕТ СВЯЗИ С БЛОКОМ!"_s}));
    QCOMPARE(w.Label6->text(), u"Нет связи с блоком. Проверьте адрес и питание! "_s);
    QCOMPARE(Form1::labelTextColor(w.Label6), bgr::Red);
    QCOMPARE(w.Label4->text(), u"Нет связи"_s);
    QCOMPARE(Form1::labelBackColor(w.Label4), bgr::White);
    QCOMPARE(w.Text7->text(), u" "_s);
    QVERIFY(!w.Timer5->isActive());
    QVERIFY(!f.port.isOpen());
    QVERIFY(w.Command4->isEnabled());
}

void WatchdogTest::startAfterALossSearchesAgain()
{
    RunningForm f;
    Form1 &w = *f.form;
    w.watchdogTick();
    w.watchdogTick();
    f.port.written.clear();
    f.port.settingsHistory.clear();
    f.start(1);
    f.tick(2 * kTicksPerSlot);
    QCOMPARE(f.port.settingsHistory, QStringList({u"4800,N,8,1"_s, u"9600,N,8,1"_s}));
    QCOMPARE(f.port.written, QByteArrayList({"$010f010c\r", "$010f010c\r"}));
    f.port.deliver("!0f0514\r");
    QCOMPARE(w.Label6->text(), kLinkAlive);
    QCOMPARE(w.Label24->text(), u"9600,N"_s);
}

QTEST_MAIN(WatchdogTest)
#include "test_watchdog.moc"
