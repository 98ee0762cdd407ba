#include "app/colors.h"
#include "link/scheduler.h"
#include "support/formfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString kLinkLost = u"Нет связи с блоком. Проверьте адрес и питание! "_s;
const QString kLinkAlive = u"Установлена связь с блоком. Обмен данными..."_s;
const QString kStartList = u"   Старт.   COM-порт: 1     Адрес: 1"_s;

// A window running an exchange on port 1 that has heard the detector once
// and shows values in its rows.
struct RunningForm : FormFixture {
    RunningForm()
    {
        start(1);
        tick(3 * kTicksPerSlot);
        port.deliver("!0f0514\r");
        tick(kTicksPerSlot);
        port.deliver("!150217\r");  // limit list shows "100"
        port.deliver("!200121\r");  // unit number 1
        form->Label25->setText(u"Обрыв"_s);
        form->Label16->setText(u"ДВ замкнут"_s);
        for (QLineEdit *box : {form->Text2, form->Text3, form->Text11, form->Text12})
            box->setText(u"1,25"_s);
    }
};

}  // namespace

class WatchdogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void firstSilentPeriodReopensThePort();
    void frameEndAfterThePortResetLeavesNoTrace();
    void secondSilentPeriodDeclaresTheLinkLost();
    void userStopAfterOneSilentPeriod_data();
    void userStopAfterOneSilentPeriod();
    void failedReopenStillDeclaresTheLoss();
    void startAfterALossSearchesAgain();
    void unpluggedAdapterRecovers();
    void detectorAnsweringEveryThreeSeconds();
};

void WatchdogTest::firstSilentPeriodReopensThePort()
{
    RunningForm f;
    Form1 &w = *f.form;
    f.port.deliver("!0f");  // a reply cut off: the scheduler is paused
    QVERIFY(!w.Timer1->isActive());
    const int closes = f.port.closeCalls;
    const qsizetype attempts = f.port.openAttempts.size();
    const QString speed = f.port.settings();
    const QStringList journal = f.journalListItems();

    w.watchdogTick();
    QCOMPARE(w.state().CntPoteriObm, qint16(1));
    QCOMPARE(f.port.closeCalls, closes + 1);
    QCOMPARE(f.port.openAttempts.mid(attempts), QList<int>{1});
    QVERIFY(f.port.isOpen());
    QCOMPARE(f.port.settings(), speed);
    QVERIFY(w.Timer1->isActive());
    QVERIFY(w.Timer5->isActive());
    QVERIFY(w.Command3->isEnabled());
    QCOMPARE(f.journalListItems(), journal);
    QCOMPARE(w.Label6->text(), kLinkAlive);
    QCOMPARE(w.Text7->text(), u"5"_s);

    // The exchange goes on where it was: poll, no new speed search.
    QCOMPARE(w.state().CntZaprosUstanov, qint16(6));
    const qsizetype sent = f.port.written.size();
    f.tick(kTicksPerSlot);
    QCOMPARE(f.port.written.mid(sent), QByteArrayList{"$010f010c\r"});
}

void WatchdogTest::frameEndAfterThePortResetLeavesNoTrace()
{
    RunningForm f;
    Form1 &w = *f.form;
    const QStringList journal = f.journalListItems();
    for (int round = 0; round < 3; ++round) {
        w.watchdogTick();
        QCOMPARE(w.state().CntPoteriObm, qint16(1));
        f.port.deliver("!0f0514\r");
        QCOMPARE(w.state().CntPoteriObm, qint16(0));
    }
    QCOMPARE(f.journalListItems(), journal);
    QCOMPARE(w.Label6->text(), kLinkAlive);
    QCOMPARE(Form1::labelTextColor(w.Label6), bgr::Blue);
    QVERIFY(w.Command3->isEnabled());
    QVERIFY(w.Timer5->isActive());
    QVERIFY(f.port.isOpen());
}

void WatchdogTest::secondSilentPeriodDeclaresTheLinkLost()
{
    RunningForm f;
    Form1 &w = *f.form;
    const QString comboText = w.Combo1->currentText();
    QCOMPARE(comboText, u"100"_s);
    QCOMPARE(w.Text1->text(), u"1"_s);

    w.watchdogTick();
    f.now = f.now.addSecs(2);
    w.watchdogTick();

    QCOMPARE(f.journalListItems(),
             QStringList({f.stamp() + u"   Стоп"_s, f.stamp() + u"  НЕТ СВЯЗИ С БЛОКОМ!"_s,
                          journalTimestamp(f.now.addSecs(-2)) + kStartList}));
    QCOMPARE(f.journalFileLines().mid(1),
             QStringList({u"\""_s + f.stamp() + u" НЕТ СВЯЗИ С БЛОКОМ!\""_s,
                          u"\""_s + f.stamp() + u" Стоп\""_s}));
    QCOMPARE(w.Label6->text(), kLinkLost);
    QCOMPARE(Form1::labelTextColor(w.Label6), bgr::Red);
    QCOMPARE(w.Label4->text(), u"Нет связи"_s);
    QCOMPARE(Form1::labelBackColor(w.Label4), bgr::White);
    QCOMPARE(w.Label16->text(), u" "_s);
    for (QLineEdit *box : {w.Text2, w.Text3, w.Text6, w.Text8, w.Text11, w.Text7, w.Text5, w.Text9,
                           w.Text10, w.Text12, w.Text4})
        QVERIFY2(box->text() == u" "_s, qPrintable(box->objectName() + u": "_s + box->text()));
    // Kept: the fault detail, the address, the limit list.
    QCOMPARE(w.Label25->text(), u"Обрыв"_s);
    QCOMPARE(w.Text1->text(), u"1"_s);
    QCOMPARE(w.Combo1->currentText(), comboText);

    // Stopped, as after "СТОП".
    QCOMPARE(w.state().CntPoteriObm, qint16(1));
    QVERIFY(!w.Timer1->isActive());
    QVERIFY(!w.Timer5->isActive());
    QVERIFY(!f.port.isOpen());
    QVERIFY(w.Command4->isEnabled());
    QVERIFY(!w.Command3->isEnabled());
    QVERIFY(!w.Command9->isEnabled());
    QVERIFY(w.Combo3->isEnabled());
    QVERIFY(!w.Combo2->isEnabled());
}

void WatchdogTest::userStopAfterOneSilentPeriod_data()
{
    QTest::addColumn<int>("silentPeriods");
    QTest::addColumn<QString>("label6");
    QTest::newRow("link alive") << 0 << u"Обмен данными остановлен."_s;
    QTest::newRow("one silent period") << 1 << kLinkAlive;
}

void WatchdogTest::userStopAfterOneSilentPeriod()
{
    QFETCH(int, silentPeriods);
    QFETCH(QString, label6);
    RunningForm f;
    Form1 &w = *f.form;
    for (int i = 0; i < silentPeriods; ++i)
        w.watchdogTick();
    w.stopExchange();
    QCOMPARE(w.Label6->text(), label6);
    QCOMPARE(Form1::labelTextColor(w.Label6), silentPeriods ? bgr::Blue : bgr::Black);
    QVERIFY(!w.Timer5->isActive());
    QVERIFY(!f.journalListItems().join(u'\n').contains(u"НЕТ СВЯЗИ"_s));
}

void WatchdogTest::failedReopenStillDeclaresTheLoss()
{
    RunningForm f;
    Form1 &w = *f.form;
    f.port.openable.clear();
    w.watchdogTick();
    QVERIFY(!f.port.isOpen());
    QVERIFY(w.Timer5->isActive());
    QCOMPARE(w.state().CntPoteriObm, qint16(1));
    // Ticks on a closed port write nothing and do no harm.
    const qsizetype sent = f.port.written.size();
    f.tick(5 * kTicksPerSlot);
    QCOMPARE(f.port.written.size(), sent);

    w.watchdogTick();
    QCOMPARE(f.journalListItems().mid(0, 2),
             QStringList({f.stamp() + u"   Стоп"_s, f.stamp() + u"  НЕТ СВЯЗИ С БЛОКОМ!"_s}));
    QCOMPARE(w.Label6->text(), kLinkLost);
    QVERIFY(!w.Timer5->isActive());
    QVERIFY(w.Command4->isEnabled());
}

void WatchdogTest::startAfterALossSearchesAgain()
{
    RunningForm f;
    Form1 &w = *f.form;
    w.watchdogTick();
    w.watchdogTick();
    QCOMPARE(w.state().CntPoteriObm, qint16(1));
    f.port.written.clear();
    f.port.settingsHistory.clear();

    f.start(1);
    QCOMPARE(w.state().CntPoteriObm, qint16(0));
    QCOMPARE(w.state().CntZaprosUstanov, qint16(kStartupSequenceLength));
    QCOMPARE(w.Label6->text(), QString());
    QVERIFY(w.Timer5->isActive());
    f.tick(2 * kTicksPerSlot);
    QCOMPARE(f.port.settingsHistory, QStringList({u"4800,N,8,1"_s, u"9600,N,8,1"_s}));
    QCOMPARE(f.port.written, QByteArrayList({"$010f010c\r", "$010f010c\r"}));
    f.port.deliver("!0f0514\r");
    QCOMPARE(w.Label6->text(), kLinkAlive);
    QCOMPARE(w.Label24->text(), u"9600,N"_s);

    // A single silent period now is a port reset again, not a loss.
    w.watchdogTick();
    QVERIFY(w.Command3->isEnabled());
    QCOMPARE(f.journalListItems().filter(u"НЕТ СВЯЗИ"_s).size(), 1);
}

void WatchdogTest::unpluggedAdapterRecovers()
{
    RunningForm f;
    Form1 &w = *f.form;
    f.port.deliver("!0f05");
    f.port.unplug();
    QVERIFY(!f.port.isOpen());
    const qsizetype sent = f.port.written.size();
    f.tick(4 * kTicksPerSlot);
    QCOMPARE(f.port.written.size(), sent);

    // The adapter is back: the port reset reopens it and the exchange
    // resumes where it stood.
    w.watchdogTick();
    QVERIFY(f.port.isOpen());
    QVERIFY(w.Timer1->isActive());
    f.tick(kTicksPerSlot);
    QCOMPARE(f.port.written.size(), sent + 1);
    f.port.deliver("!0f0514\r");
    QCOMPARE(w.state().CntPoteriObm, qint16(0));
    QVERIFY(w.Command3->isEnabled());

    // Unplugged for good: the loss is declared.
    f.port.unplug();
    f.port.openable.clear();
    w.watchdogTick();
    w.watchdogTick();
    QCOMPARE(w.Label6->text(), kLinkLost);
    QVERIFY(w.Command4->isEnabled());
    QVERIFY(!w.Timer5->isActive());
}

void WatchdogTest::detectorAnsweringEveryThreeSeconds()
{
    // A reply falls between each port reset and the loss that would follow:
    // the link is never lost and the port is reopened once between replies.
    RunningForm f;
    Form1 &w = *f.form;
    const int closes = f.port.closeCalls;
    for (int reply = 0; reply < 4; ++reply) {
        w.watchdogTick();
        f.port.deliver("!0f0514\r");
    }
    QCOMPARE(f.port.closeCalls, closes + 4);
    QCOMPARE(w.state().CntPoteriObm, qint16(0));
    QVERIFY(w.Command3->isEnabled());
    QCOMPARE(f.journalListItems().filter(u"НЕТ СВЯЗИ"_s).size(), 0);
}

QTEST_MAIN(WatchdogTest)
#include "test_watchdog.moc"
