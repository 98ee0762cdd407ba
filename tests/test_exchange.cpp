#include "app/updown.h"
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

// Settings changes and written frames in one trace.
struct TracingPort : FakeSerialPort {
    QStringList trace;

    void setSettings(const QString &s) override
    {
        trace << u"settings "_s + s;
        FakeSerialPort::setSettings(s);
    }
    void write(const QByteArray &frame) override
    {
        if (isOpen())
            trace << QString::fromLatin1(frame);
        FakeSerialPort::write(frame);
    }
};

struct TracedForm {
    TracedForm()
    {
        port.openable = {1};
        Form1Dependencies deps;
        deps.port = &port;
        deps.journalPath = dir.filePath(u"Jurnal.txt"_s);
        form = std::make_unique<Form1>(deps);
        form->Combo3->setCurrentIndex(form->Combo3->findText(u"1"_s));
        port.trace.clear();
    }
    void runSlots(int n)
    {
        for (int i = 0; i < n * kTicksPerSlot; ++i)
            form->exchangeTick();
    }
    QTemporaryDir dir;
    TracingPort port;
    std::unique_ptr<Form1> form;
};

const QString kUnitRead = u"$01200c\r"_s;
const QString kPoll = u"$010b010c\r"_s;

QStringList readBack(int flank)
{
    QStringList frames;
    for (const char *code : {"15", "0f", "11", "13", "14", "16", "17"})
        frames << u"$01%1%2"_s.arg(QLatin1String(code)).arg(flank, 2, 10, QLatin1Char('0')) +
                      u"0c\r"_s;
    return frames;
}

// The 13 start-up slots and the unit read.
QStringList startup()
{
    QStringList frames;
    for (const char *speed : {"4800", "9600", "19200", "38400", "57600", "115200"})
        frames << u"settings %1,N,8,1"_s.arg(QLatin1String(speed)) << u"$010f010c\r"_s;
    return frames << readBack(1) << kUnitRead;
}

}  // namespace

class ExchangeTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void startAndStopSwitchControls();
    void startupSequenceWithoutReply();
    void steadyExchange();
    void mailboxDuringStartupGoesOutAfterIt();
    void saturatedMailboxAndStopThenStart();
};

void ExchangeTest::startAndStopSwitchControls()
{
    FormFixture f({1, 3});
    Form1 &w = *f.form;
    w.UpDown1->setValue(5);
    f.start(3);
    QCOMPARE(f.journalListItems(),
             QStringList{f.stamp() + u"   Старт.   COM-порт: 3     Адрес: 5"_s});
    QCOMPARE(f.journalFileLines(),
             QStringList{u"\""_s + f.stamp() + u" Старт.   COM-порт: 3     Адрес: 5\""_s});
    QCOMPARE(f.port.portNumber(), 3);
    const QList<QWidget *> running = {w.Command3, w.Command5, w.Combo2, w.Check10};
    const QList<QWidget *> idle = {w.Command4, w.Combo3, w.Check1};
    for (int stopped = 0; stopped < 2; ++stopped) {
        QCOMPARE(w.Timer1->isActive(), !stopped);
        QCOMPARE(w.Timer5->isActive(), !stopped);
        QCOMPARE(f.port.isOpen(), !stopped);
        for (QWidget *c : running)
            QVERIFY2(c->isEnabled() == !stopped, qPrintable(c->objectName()));
        for (QWidget *c : idle)
            QVERIFY2(c->isEnabled() == bool(stopped), qPrintable(c->objectName()));
        w.stopExchange();
    }
    QCOMPARE(f.journalListItems().first(), f.stamp() + u"   Стоп"_s);
    QCOMPARE(w.Label6->text(), u"Обмен данными остановлен."_s);
}

void ExchangeTest::startupSequenceWithoutReply()
{
    TracedForm t;
    t.form->startExchange();
    for (int tick = 1; tick <= 17 * kTicksPerSlot; ++tick) {
        t.form->exchangeTick();
        QCOMPARE(t.port.written.size(), tick / kTicksPerSlot);
    }
    QCOMPARE(t.port.trace, startup() << kPoll << kPoll << kPoll);
}

void ExchangeTest::steadyExchange()
{
    TracedForm t;
    Form1 &w = *t.form;
    w.startExchange();
    t.runSlots(3);
    t.port.deliver("!0f0514\r");  // whole: no pause
    QVERIFY(w.Timer1->isActive());
    QCOMPARE(w.Label24->text(), u"19200,"_s);
    qsizetype from = t.port.trace.size();
    t.runSlots(9);
    QCOMPARE(t.port.trace.mid(from), readBack(1) << kUnitRead << kPoll);
    QCOMPARE(t.port.settings(), u"19200,N,8,1"_s);

    w.Combo2->setCurrentIndex(w.Combo2->findText(u"2"_s));
    w.flankChosen();
    from = t.port.trace.size();
    t.runSlots(9);
    QCOMPARE(t.port.trace.mid(from), readBack(2) << u"$010b020c\r"_s << u"$010b020c\r"_s);

    w.Check10->setChecked(true);
    w.Check10->setChecked(false);  // queues a read
    w.remoteTest();                // overwrites it
    QCOMPARE(w.state().CntComOutBuf, qint16(2));
    from = t.port.trace.size();
    t.runSlots(2);
    QCOMPARE(t.port.trace.mid(from), QStringList({u"$01030c\r"_s, u"$010b020c\r"_s}));

    t.port.deliver("!0f");
    QVERIFY(!w.Timer1->isActive());
    t.port.deliver("0615\r");
    QVERIFY(w.Timer1->isActive());
    QCOMPARE(w.Text7->text(), u"6"_s);
}

void ExchangeTest::mailboxDuringStartupGoesOutAfterIt()
{
    TracedForm t;
    t.form->startExchange();
    t.runSlots(4);
    t.form->remoteTest();
    t.runSlots(11);
    QCOMPARE(t.port.trace, startup().mid(0, 19) << u"$01030c\r"_s << kPoll);
}

void ExchangeTest::saturatedMailboxAndStopThenStart()
{
    TracedForm t;
    for (int i = 0; i < 40000; ++i)
        putIntoMailbox(t.form->state(), u"$01030c\r"_s);
    QVERIFY(t.form->state().CntComOutBuf > 0 && t.form->state().CntComOutBuf <= kMailboxCountLimit);
    for (int round = 0; round < 2; ++round) {
        t.port.trace.clear();
        t.form->startExchange();
        t.runSlots(16);
        QCOMPARE(t.port.trace, startup() << kPoll << kPoll);
        t.form->Check13->setChecked(true);
        t.form->stopExchange();  // unticking queues a read that never goes out
        QVERIFY(t.form->state().CntComOutBuf > 0);
    }
}

QTEST_MAIN(ExchangeTest)
#include "test_exchange.moc"
