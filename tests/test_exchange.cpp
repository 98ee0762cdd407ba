#include "app/colors.h"
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

// A fake line that keeps settings changes and written frames in one trace,
// so the order between them can be checked.
class TracingPort : public FakeSerialPort {
public:
    using FakeSerialPort::FakeSerialPort;
    QStringList trace;  // "settings 4800,N,8,1" or the frame written

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
    explicit TracedForm(QSet<int> openablePorts = {1})
    {
        port.openable = std::move(openablePorts);
        Form1Dependencies deps;
        deps.port = &port;
        deps.journalPath = dir.filePath(u"Jurnal.txt"_s);
        form = std::make_unique<Form1>(deps);
        port.trace.clear();
    }
    void start(int portNumber = 1)
    {
        form->Combo3->setCurrentIndex(form->Combo3->findText(QString::number(portNumber)));
        form->startExchange();
    }
    void runSlots(int n)
    {
        for (int i = 0; i < n * kTicksPerSlot; ++i)
            form->exchangeTick();
    }
    void chooseFlank(int flank)
    {
        form->Combo2->setCurrentIndex(form->Combo2->findText(QString::number(flank)));
        form->flankChosen();
    }
    // The trace entries from position `from` on.
    QStringList traceFrom(qsizetype from) const { return port.trace.mid(from); }

    QTemporaryDir dir;
    TracingPort port;
    std::unique_ptr<Form1> form;
};

const QString kProbe = u"$010f010c\r"_s;
const QString kUnitRead = u"$01200c\r"_s;
const QString kPoll = u"$010b010c\r"_s;

QStringList readBack(int flank)
{
    QStringList frames;
    for (const char *code : {"15", "0f", "11", "13", "14", "16", "17"})
        frames << u"$01"_s + QLatin1String(code) + u"%1"_s.arg(flank, 2, 10, QLatin1Char('0')) +
                      u"0c\r"_s;
    return frames;
}

const QString kLinkAlive = u"Установлена связь с блоком. Обмен данными..."_s;

QList<QCheckBox *> unlockBoxes(const Form1 &w)
{
    return {w.Check2, w.Check5, w.Check10, w.Check11, w.Check12, w.Check13, w.Check4, w.Check14};
}

}  // namespace

class ExchangeTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void startJournalsAndSwitchesControls();
    void stopSwitchesBack();
    void startupSequenceWithoutReply();
    void replyEndsSpeedSearch_data();
    void replyEndsSpeedSearch();
    void flankChangeReadsTheNewFlank();
    void flankChangeDuringSpeedSearch_data();
    void flankChangeDuringSpeedSearch();
    void mailboxSendsOnlyTheLatest();
    void mailboxDuringStartupGoesOutAfterIt();
    void mailboxCountSaturates();
    void stopThenStartSendsTheUnitRead();
    void replyDuringReadBack_data();
    void replyDuringReadBack();
    void startThatCannotOpen_data();
    void startThatCannotOpen();
    void splitReplyPausesTheScheduler();
    void frameEndDeclaresTheLinkAlive_data();
    void frameEndDeclaresTheLinkAlive();
};

void ExchangeTest::startJournalsAndSwitchesControls()
{
    FormFixture f({1, 3});
    Form1 &w = *f.form;
    w.UpDown1->setValue(5);
    w.Label4->setText(u"Норма"_s);
    w.Text3->setText(u"2,5"_s);
    w.Text12->setText(u"3"_s);
    w.Check1->setChecked(true);
    f.start(3);

    QCOMPARE(f.journalListItems(),
             QStringList{f.stamp() + u"   Старт.   COM-порт: 3     Адрес: 5"_s});
    QCOMPARE(f.journalFileLines(),
             QStringList{u"\""_s + f.stamp() + u" Старт.   COM-порт: 3     Адрес: 5\""_s});

    QVERIFY(f.port.isOpen());
    QCOMPARE(f.port.portNumber(), 3);
    QVERIFY(f.port.softwareFlowControl());
    QVERIFY(w.Timer1->isActive());
    QCOMPARE(w.Timer1->interval(), 10);
    QVERIFY(w.Timer5->isActive());
    QCOMPARE(w.Timer5->interval(), 2000);
    QCOMPARE(w.state().Adres, u"5"_s);
    QCOMPARE(w.state().MarkerCom, quint8(5));
    QCOMPARE(w.state().ZaprosCom, u"$050b010c\r"_s);
    QCOMPARE(w.state().TekCom, u"$05200c\r"_s);
    QCOMPARE(w.state().CntZaprosUstanov, qint16(kStartupSequenceLength));
    QCOMPARE(w.state().CntPoteriObm, qint16(0));
    QCOMPARE(w.Label4->text(), QString());
    QCOMPARE(w.Label6->text(), QString());
    QCOMPARE(w.Text3->text(), QString());
    QCOMPARE(w.Text12->text(), QString());
    QVERIFY(!w.Check1->isChecked());

    QList<QWidget *> enabled = {w.Command3, w.Command5, w.Combo2, w.Command6};
    for (QCheckBox *box : unlockBoxes(w))
        enabled << box;
    const QList<QWidget *> disabled = {
        w.Command4, w.Combo3,   w.Check1,    w.UpDown1,   w.Command9,  w.Command8,  w.Command1,
        w.Command2, w.Command7, w.Command10, w.Command11, w.Command12, w.Command13, w.Command14};
    for (QWidget *c : enabled)
        QVERIFY2(c->isEnabled(), qPrintable(c->objectName()));
    for (QWidget *c : disabled)
        QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));

    // The first frame carries the chosen address.
    f.tick(kTicksPerSlot);
    QCOMPARE(f.port.written, QByteArrayList{"$050f010c\r"});
}

void ExchangeTest::stopSwitchesBack()
{
    FormFixture f({1});
    Form1 &w = *f.form;
    f.start(1);
    f.port.deliver("!0f0514\r");  // Command9 comes on at the frame end
    QVERIFY(w.Command9->isEnabled());
    w.Check10->setChecked(true);
    w.Check11->setChecked(true);
    f.now = f.now.addSecs(5);
    w.stopExchange();

    QCOMPARE(f.journalListItems().first(), f.stamp() + u"   Стоп"_s);
    QCOMPARE(f.journalFileLines().last(), u"\""_s + f.stamp() + u" Стоп\""_s);
    QCOMPARE(w.Label6->text(), u"Обмен данными остановлен."_s);
    QCOMPARE(Form1::labelTextColor(w.Label6), bgr::Black);
    QVERIFY(!f.port.isOpen());
    QVERIFY(!w.Timer1->isActive());
    QVERIFY(!w.Timer5->isActive());

    const QList<QWidget *> enabled = {w.Command4, w.Check1, w.Combo3, w.Command6};
    QList<QWidget *> disabled = {w.Command3, w.Command5, w.Command9, w.Command8, w.Combo2,
                                 w.UpDown1,  w.UpDown4,  w.Combo1,   w.Command7, w.Command10};
    for (QCheckBox *box : unlockBoxes(w)) {
        disabled << box;
        QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
    }
    for (QWidget *c : enabled)
        QVERIFY2(c->isEnabled(), qPrintable(c->objectName()));
    for (QWidget *c : disabled)
        QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));

    // Values shown stay; nothing is sent while stopped.
    QCOMPARE(w.Text7->text(), u"5"_s);
    const qsizetype sent = f.port.written.size();
    f.tick(60);
    QCOMPARE(f.port.written.size(), sent);
}

void ExchangeTest::startupSequenceWithoutReply()
{
    TracedForm t;
    t.start();
    QVERIFY(t.port.isOpen());

    // One frame per six ticks, counted from the first tick after "СТАРТ".
    int frames = 0;
    for (int tick = 1; tick <= 17 * kTicksPerSlot; ++tick) {
        t.form->exchangeTick();
        if (tick % kTicksPerSlot == 0)
            ++frames;
        QCOMPARE(t.port.written.size(), frames);
    }

    QStringList expected;
    for (const char *speed : {"4800", "9600", "19200", "38400", "57600", "115200"})
        expected << u"settings %1,N,8,1"_s.arg(QLatin1String(speed)) << kProbe;
    expected << readBack(1) << kUnitRead << kPoll << kPoll << kPoll;
    QCOMPARE(t.port.trace, expected);
    QCOMPARE(t.port.settings(), u"115200,N,8,1"_s);
    QCOMPARE(t.form->state().CntZaprosUstanov, qint16(0));
    QCOMPARE(t.form->state().CntComOutBuf, qint16(0));
    QCOMPARE(t.form->Label24->text(), u"Label24"_s);
}

void ExchangeTest::replyEndsSpeedSearch_data()
{
    QTest::addColumn<int>("probes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("4800") << 1 << u"4800,N"_s;
    QTest::newRow("19200") << 3 << u"19200,"_s;
    QTest::newRow("115200") << 6 << u"115200"_s;
}

void ExchangeTest::replyEndsSpeedSearch()
{
    QFETCH(int, probes);
    QFETCH(QString, shown);
    TracedForm t;
    t.start();
    t.runSlots(probes);
    t.port.deliver("!0f0514\r");
    QCOMPARE(t.form->Label24->text(), shown);
    QCOMPARE(t.form->state().CntZaprosUstanov, qint16(kReadBackLength));
    QCOMPARE(t.form->Text7->text(), u"5"_s);

    const qsizetype from = t.port.trace.size();
    t.runSlots(9);
    // No further speed change: the seven reads, the unit read, the poll.
    QCOMPARE(t.traceFrom(from), readBack(1) << kUnitRead << kPoll);
    QCOMPARE(t.port.settings().left(6), shown);
}

void ExchangeTest::flankChangeReadsTheNewFlank()
{
    TracedForm t;
    t.start();
    t.runSlots(3);
    t.port.deliver("!0f0514\r");
    t.runSlots(9);
    QCOMPARE(t.port.trace.last(), kPoll);

    t.chooseFlank(2);
    QCOMPARE(t.form->state().CntZaprosUstanov, qint16(kReadBackLength));
    const qsizetype from = t.port.trace.size();
    t.runSlots(9);
    QCOMPARE(t.traceFrom(from), readBack(2) << u"$010b020c\r"_s << u"$010b020c\r"_s);
    QCOMPARE(readBack(2).first(), u"$0115020c\r"_s);

    // And back.
    t.chooseFlank(1);
    const qsizetype back = t.port.trace.size();
    t.runSlots(8);
    QCOMPARE(t.traceFrom(back), readBack(1) << kPoll);
}

void ExchangeTest::flankChangeDuringSpeedSearch_data()
{
    QTest::addColumn<int>("probes");
    QTest::addColumn<QString>("speed");
    QTest::newRow("after 4800") << 1 << u"4800,N,8,1"_s;
    QTest::newRow("after 9600") << 2 << u"9600,N,8,1"_s;
    QTest::newRow("after 57600") << 5 << u"57600,N,8,1"_s;
}

void ExchangeTest::flankChangeDuringSpeedSearch()
{
    QFETCH(int, probes);
    QFETCH(QString, speed);
    TracedForm t;
    t.start();
    t.runSlots(probes);
    t.chooseFlank(2);
    const qsizetype from = t.port.trace.size();
    t.runSlots(9);
    QCOMPARE(t.traceFrom(from), readBack(2) << kUnitRead << u"$010b020c\r"_s);
    QCOMPARE(t.port.settings(), speed);
}

void ExchangeTest::mailboxSendsOnlyTheLatest()
{
    TracedForm t;
    t.start();
    t.runSlots(14);  // start-up sequence and unit read
    QCOMPARE(t.port.trace.last(), kUnitRead);

    // Unticking the gain box queues a read; the remote test overwrites it.
    t.form->Check10->setChecked(true);
    t.form->Check10->setChecked(false);
    t.form->remoteTest();
    QCOMPARE(t.form->state().CntComOutBuf, qint16(2));
    const qsizetype from = t.port.trace.size();
    t.runSlots(1);
    QCOMPARE(t.form->state().CntComOutBuf, qint16(0));
    t.runSlots(2);
    QCOMPARE(t.traceFrom(from), QStringList({u"$01030c\r"_s, kPoll, kPoll}));
}

void ExchangeTest::mailboxDuringStartupGoesOutAfterIt()
{
    TracedForm t;
    t.start();
    t.runSlots(4);
    t.form->remoteTest();
    const qsizetype from = t.port.trace.size();
    t.runSlots(11);
    const QStringList sent = t.traceFrom(from);
    // Two more probes (with their speed changes), the seven reads, then the
    // queued request ahead of any poll.
    QCOMPARE(sent.mid(4), readBack(1) << u"$01030c\r"_s << kPoll);
    QVERIFY(!sent.mid(0, 4).contains(kPoll));
}

void ExchangeTest::mailboxCountSaturates()
{
    TracedForm t;
    for (int i = 0; i < 40000; ++i) {
        putIntoMailbox(t.form->state(), u"$01030c\r"_s);
        QVERIFY(t.form->state().CntComOutBuf > 0);
    }
    QVERIFY(t.form->state().CntComOutBuf <= kMailboxCountLimit);

    t.start();
    QVERIFY(t.form->state().CntComOutBuf > 0);
    QVERIFY(t.form->state().CntComOutBuf <= kMailboxCountLimit);
    t.runSlots(13);
    const qsizetype from = t.port.trace.size();
    t.runSlots(3);
    QCOMPARE(t.traceFrom(from), QStringList({kUnitRead, kPoll, kPoll}));
    QCOMPARE(t.form->state().CntComOutBuf, qint16(0));
}

void ExchangeTest::stopThenStartSendsTheUnitRead()
{
    TracedForm t;
    t.start();
    t.runSlots(15);
    t.form->Check10->setChecked(true);
    t.form->Check13->setChecked(true);
    t.form->stopExchange();
    // Unticking at "СТОП" queued reads that never went out.
    QVERIFY(t.form->state().CntComOutBuf > 0);
    QCOMPARE(t.form->state().TekCom, u"$0116010c\r"_s);

    t.port.trace.clear();
    t.start();
    t.runSlots(16);
    QStringList expected;
    for (const char *speed : {"4800", "9600", "19200", "38400", "57600", "115200"})
        expected << u"settings %1,N,8,1"_s.arg(QLatin1String(speed)) << kProbe;
    expected << readBack(1) << kUnitRead << kPoll << kPoll;
    QCOMPARE(t.port.trace, expected);
}

void ExchangeTest::replyDuringReadBack_data()
{
    QTest::addColumn<int>("readSlots");
    QTest::addColumn<int>("countAfter");
    QTest::addColumn<bool>("speedShownAgain");
    QTest::newRow("at 7: stays 7, speed shown again") << 0 << 7 << true;
    QTest::newRow("at 6") << 1 << 6 << false;
    QTest::newRow("at 1") << 6 << 1 << false;
    QTest::newRow("at 0") << 7 << 0 << false;
    QTest::newRow("steady exchange") << 9 << 0 << false;
}

void ExchangeTest::replyDuringReadBack()
{
    QFETCH(int, readSlots);
    QFETCH(int, countAfter);
    QFETCH(bool, speedShownAgain);
    TracedForm t;
    t.start();
    t.runSlots(3);
    t.port.deliver("!0f0514\r");
    t.runSlots(readSlots);
    t.form->Label24->setText(u"-"_s);
    t.port.deliver("!0f0514\r");
    QCOMPARE(t.form->state().CntZaprosUstanov, qint16(countAfter));
    QCOMPARE(t.form->Label24->text(), speedShownAgain ? u"19200,"_s : u"-"_s);
    QCOMPARE(t.port.settings(), u"19200,N,8,1"_s);
}

void ExchangeTest::startThatCannotOpen_data()
{
    QTest::addColumn<int>("portNumber");  // 0: none chosen
    QTest::addColumn<bool>("busy");
    QTest::newRow("no port chosen") << 0 << false;
    QTest::newRow("port gone since the scan") << 3 << false;
    QTest::newRow("port taken by another program") << 3 << true;
}

void ExchangeTest::startThatCannotOpen()
{
    QFETCH(int, portNumber);
    QFETCH(bool, busy);
    FormFixture f({1, 3});
    Form1 &w = *f.form;
    QCOMPARE(w.Combo3->count(), 2);
    if (busy)
        f.port.busy.insert(3);
    else
        f.port.openable.remove(3);
    if (portNumber)
        f.start(portNumber);
    else
        w.startExchange();

    QVERIFY(!f.port.isOpen());
    QVERIFY(w.Command4->isEnabled());
    QVERIFY(!w.Command3->isEnabled());
    QVERIFY(!w.Command5->isEnabled());
    QVERIFY(w.Combo3->isEnabled());
    QVERIFY(w.Check1->isEnabled());
    QVERIFY(!w.Combo2->isEnabled());
    for (QCheckBox *box : unlockBoxes(w))
        QVERIFY2(!box->isEnabled(), qPrintable(box->objectName()));
    QVERIFY(!w.Timer1->isActive());
    QVERIFY(!w.Timer5->isActive());
    QVERIFY(f.journalListItems().isEmpty());
    QVERIFY(f.journalFileLines().isEmpty());
    QCOMPARE(Form1::labelTextColor(w.Label6), bgr::Red);
    QVERIFY(!w.Label6->text().trimmed().isEmpty());
    if (portNumber)
        QVERIFY2(w.Label6->text().contains(u"3"_s), qPrintable(w.Label6->text()));
    QCOMPARE(w.state().CntZaprosUstanov, qint16(0));
    f.tick(60);
    QVERIFY(f.port.written.isEmpty());

    // Once the port can be had, "СТАРТ" works as usual.
    f.port.busy.clear();
    f.port.openable.insert(3);
    f.start(3);
    QVERIFY(f.port.isOpen());
    QVERIFY(w.Command3->isEnabled());
    QVERIFY(!w.Command4->isEnabled());
    QCOMPARE(w.Label6->text(), QString());
    QCOMPARE(f.journalListItems().size(), 1);
}

void ExchangeTest::splitReplyPausesTheScheduler()
{
    FormFixture f;
    Form1 &w = *f.form;
    f.start();
    f.tick(3 * kTicksPerSlot);
    QVERIFY(w.Timer1->isActive());

    f.port.deliver("!0f0514\r");
    QVERIFY(w.Timer1->isActive());
    QCOMPARE(w.Text7->text(), u"5"_s);

    f.port.deliver("!0f");
    QVERIFY(!w.Timer1->isActive());
    f.port.deliver("06");
    QVERIFY(!w.Timer1->isActive());
    f.port.deliver("15\r");
    QVERIFY(w.Timer1->isActive());
    QCOMPARE(w.Text7->text(), u"6"_s);

    // An echo of our own request neither pauses nor counts as a reply.
    f.port.deliver("$010b010c\r");
    QVERIFY(w.Timer1->isActive());
}

void ExchangeTest::frameEndDeclaresTheLinkAlive_data()
{
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<bool>("alive");
    QTest::newRow("valid reply") << QByteArrayList{"!0f0514\r"} << true;
    QTest::newRow("valid reply char by char")
        << QByteArrayList{"!", "0", "f", "0", "5", "1", "4", "\r"} << true;
    QTest::newRow("empty body") << QByteArrayList{"!", "\r"} << true;
    QTest::newRow("bad checksum") << QByteArrayList{"!0f0515\r"} << true;
    QTest::newRow("echoed request") << QByteArrayList{"$010b010c\r"} << false;
    QTest::newRow("CR alone") << QByteArrayList{"\r"} << false;
    QTest::newRow("body not closed") << QByteArrayList{"!0f0514"} << false;
}

void ExchangeTest::frameEndDeclaresTheLinkAlive()
{
    QFETCH(QByteArrayList, chunks);
    QFETCH(bool, alive);
    FormFixture f;
    Form1 &w = *f.form;
    f.start();
    f.tick(2 * kTicksPerSlot);
    w.watchdogTick();  // one silent period counted
    QCOMPARE(w.state().CntPoteriObm, qint16(1));
    QVERIFY(!w.Command9->isEnabled());

    for (const QByteArray &chunk : chunks)
        f.port.deliver(chunk);
    QCOMPARE(w.Label6->text(), alive ? kLinkAlive : QString());
    if (alive)
        QCOMPARE(Form1::labelTextColor(w.Label6), bgr::Blue);
    QCOMPARE(w.Command9->isEnabled(), alive);
    QCOMPARE(w.state().CntPoteriObm, qint16(alive ? 0 : 1));
    QCOMPARE(w.Label24->text(), alive ? u"9600,N"_s : u"Label24"_s);
    QVERIFY(w.Timer5->isActive());
    QCOMPARE(f.journalListItems().size(), 1);
}

QTEST_MAIN(ExchangeTest)
#include "test_exchange.moc"
