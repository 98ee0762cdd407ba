#include "app/colors.h"
// The monitoring side of the window: what status replies arriving on the line
// do to the indication, the journal, the remote-test button, the tone timer,
// the diagram and the control pass. Replies are delivered through the fake
// port, so the whole path from the receive event to the controls runs.

#include "app/chartview.h"
#include "diagram/chartcanvas.h"
#include "support/formfixture.h"
#include "support/replies.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 kGreen = 0x00FF00;
constexpr quint32 kRed = 0x0000FF;
constexpr quint32 kYellow = 0x00FFFF;
constexpr quint32 kBlack = 0x000000;
constexpr quint32 kMarker = 0x123456;  // a colour no reply ever sets

// State bytes of the replies.
constexpr int kNorm = 0;
constexpr int kAlarm = 1;
constexpr int kBadLevel = 2;
constexpr int kBreak = 4;
constexpr int kShort = 36;
constexpr int kUnknown = 8;

quint32 textColor(const QLineEdit *box)
{
    return bgrFromColor(box->palette().color(QPalette::Text));
}

// Entries written since `before` list items, oldest first.
QStringList newListItems(const FormFixture &f, int before)
{
    QStringList items = f.journalListItems();
    QStringList added = items.mid(0, items.size() - before);
    std::reverse(added.begin(), added.end());
    return added;
}

// Runs a scenario of space-separated events and records, after each event,
// the value `probe` reports ("1"/"0").
QString runScenario(FormFixture &f, const QString &events, const std::function<bool()> &probe)
{
    Form1 &w = *f.form;
    QStringList seen;
    bool started = false;
    for (const QString &event : events.split(u' ', Qt::SkipEmptyParts)) {
        if (event == u"start") {
            if (started)
                w.startExchange();
            else
                f.start(1);
            started = true;
        } else if (event == u"stop") {
            w.stopExchange();
        } else if (event == u"norm") {
            f.port.deliver(statusReply(kNorm));
        } else if (event == u"alarm") {
            f.port.deliver(statusReply(kAlarm));
        } else if (event == u"level") {
            f.port.deliver(statusReply(kBadLevel));
        } else if (event == u"break") {
            f.port.deliver(statusReply(kBreak));
        } else if (event == u"short") {
            f.port.deliver(statusReply(kShort));
        } else if (event == u"unknown") {
            f.port.deliver(statusReply(kUnknown));
        } else if (event == u"click") {
            w.Command5->click();
        } else if (event == u"snd+") {
            w.Check3->setChecked(true);
        } else if (event == u"snd-") {
            w.Check3->setChecked(false);
        } else {
            qFatal("unknown scenario event %s", qPrintable(event));
        }
        seen << (probe() ? u"1"_s : u"0"_s);
    }
    return seen.join(u' ');
}

}  // namespace

class MonitorWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void indication_data();
    void indication();
    void journalNamesTheChosenFlank();
    void corruptReplyChangesNothing();

    void remoteTestButton_data();
    void remoteTestButton();
    void remoteTestRequestGoesOutAfterTheSequence();

    void toneTimer_data();
    void toneTimer();
    void toneTimerIsNotRestartedByRepeatedAlarms();
    void toneTickPlaysTheTone();

    void levelReadouts_data();
    void levelReadouts();
    void chartShowsTheTrace();
    void chartSurvivesRepaint();

    void usefulSignal_data();
    void usefulSignal();
    void passMean_data();
    void passMean();
    void exchangeStartClearsThePass();
    void passCutOffByStopDoesNotLeakBlocks();
    void pendingStopDoesNotEndTheNextPass();
};

// ---------------------------------------------------------------- indication

void MonitorWindowTest::indication_data()
{
    QTest::addColumn<int>("before");  // state byte of an earlier reply, -1: none
    QTest::addColumn<int>("stateByte");
    QTest::addColumn<QString>("label4");
    QTest::addColumn<uint>("label4Back");
    QTest::addColumn<QString>("label25");
    QTest::addColumn<int>("label25Kind");  // 0 window background, 1 red text, 2 untouched
    QTest::addColumn<QString>("label16");
    QTest::addColumn<uint>("label16Color");
    QTest::addColumn<QStringList>("listLines");
    QTest::addColumn<QStringList>("fileLines");

    const QString closed = u"Замкнут"_s, open = u"Разомкнут"_s, fault = u"Неисправность"_s;
    QTest::newRow("first norm journals nothing")
        << -1 << kNorm << u"Норма"_s << uint(kGreen) << u" "_s << 0 << closed << uint(kBlack)
        << QStringList() << QStringList();
    QTest::newRow("alarm after norm")
        << kNorm << kAlarm << u"Тревога"_s << uint(kRed) << u" "_s << 0 << closed << uint(kBlack)
        << QStringList{u"  Фланг -1  Тревога"_s} << QStringList{u" Фланг -1  Тревога"_s};
    QTest::newRow("norm after alarm")
        << kAlarm << kNorm << u"Норма"_s << uint(kGreen) << u" "_s << 0 << closed << uint(kBlack)
        << QStringList{u"  Фланг -1  Норма"_s} << QStringList{u" Фланг -1  Норма"_s};
    QTest::newRow("bad level, tamper opens")
        << kNorm << (kBadLevel | 16) << fault << uint(kYellow) << u"Некорректный уровень ПМ!"_s << 1
        << open << uint(kRed)
        << QStringList{u"  Фланг -1  Некорректный уровень"_s, u"  ДВ разомкнут"_s}
        << QStringList{u" Фланг -1  Некоректный уровень"_s, u" ДВ разомкнут"_s};
    QTest::newRow("cable break after alarm")
        << kAlarm << kBreak << fault << uint(kYellow) << u" Обрыв кабеля "_s << 1 << closed
        << uint(kBlack) << QStringList{u"  Фланг -1  Обрыв кабеля"_s}
        << QStringList{u" Фланг -1  Обрыв кабеля"_s};
    QTest::newRow("cable short with tamper open, 0x34")
        << kNorm << 0x34 << fault << uint(kYellow) << u" Замыкание кабеля "_s << 1 << open
        << uint(kRed) << QStringList{u"  Фланг -1  Замыкание кабеля"_s, u"  ДВ разомкнут"_s}
        << QStringList{u" Фланг -1  Замыкание кабеля"_s, u" ДВ разомкнут"_s};
    QTest::newRow("tamper closes, flank stays in norm")
        << 16 << kNorm << u"Норма"_s << uint(kGreen) << u" "_s << 0 << closed << uint(kBlack)
        << QStringList{u"  ДВ замкнут"_s} << QStringList{u" ДВ замкнут"_s};
    QTest::newRow("repeated alarm journals nothing")
        << kAlarm << kAlarm << u"Тревога"_s << uint(kRed) << u" "_s << 0 << closed << uint(kBlack)
        << QStringList() << QStringList();
    QTest::newRow("unknown code keeps the alarm shown")
        << kAlarm << kUnknown << u"Тревога"_s << uint(kRed) << QString() << 2 << closed
        << uint(kBlack) << QStringList() << QStringList();
}

void MonitorWindowTest::indication()
{
    QFETCH(int, before);
    QFETCH(int, stateByte);
    QFETCH(QString, label4);
    QFETCH(uint, label4Back);
    QFETCH(QString, label25);
    QFETCH(int, label25Kind);
    QFETCH(QString, label16);
    QFETCH(uint, label16Color);
    QFETCH(QStringList, listLines);
    QFETCH(QStringList, fileLines);

    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    if (before >= 0)
        f.port.deliver(statusReply(before));
    // Colours no reply sets, to see which of them a reply changes.
    setLabelBackColor(w.Label25, kMarker);
    setLabelTextColor(w.Label25, kBlack);
    w.Label25->setText(u"marker"_s);
    const int listBefore = w.List1->count();
    const int fileBefore = int(f.journalFileLines().size());

    f.port.deliver(statusReply(stateByte));

    QCOMPARE(w.Label4->text(), label4);
    QCOMPARE(Form1::labelBackColor(w.Label4), quint32(label4Back));
    switch (label25Kind) {
    case 0:
        QCOMPARE(w.Label25->text(), label25);
        QCOMPARE(Form1::labelBackColor(w.Label25), w.windowBackColor());
        QCOMPARE(Form1::labelTextColor(w.Label25), kBlack);
        break;
    case 1:
        QCOMPARE(w.Label25->text(), label25);
        QCOMPARE(Form1::labelTextColor(w.Label25), kRed);
        QCOMPARE(Form1::labelBackColor(w.Label25), kMarker);
        break;
    default:
        QCOMPARE(w.Label25->text(), u"marker"_s);
        QCOMPARE(Form1::labelBackColor(w.Label25), kMarker);
        break;
    }
    QCOMPARE(w.Label16->text(), label16);
    QCOMPARE(Form1::labelTextColor(w.Label16), quint32(label16Color));

    QStringList expectedList, expectedFile;
    for (const QString &t : listLines)
        expectedList << f.stamp() + t;
    for (const QString &t : fileLines)
        expectedFile << u"\""_s + f.stamp() + t + u"\""_s;
    QCOMPARE(newListItems(f, listBefore), expectedList);
    QCOMPARE(f.journalFileLines().mid(fileBefore), expectedFile);
}

void MonitorWindowTest::journalNamesTheChosenFlank()
{
    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    f.port.deliver(statusReply(kNorm));
    w.Combo2->setCurrentIndex(w.Combo2->findText(u"2"_s));
    w.flankChosen();
    f.port.deliver(statusReply(kAlarm));
    QCOMPARE(f.journalListItems().first(), f.stamp() + u"  Фланг -2  Тревога"_s);
    QCOMPARE(f.journalFileLines().last(), u"\""_s + f.stamp() + u" Фланг -2  Тревога\""_s);
}

void MonitorWindowTest::corruptReplyChangesNothing()
{
    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    f.port.deliver(statusReply(kNorm));
    const int listBefore = w.List1->count();
    f.port.deliver(corruptStatusReply(kAlarm));
    QCOMPARE(w.Label4->text(), u"Норма"_s);
    QCOMPARE(w.List1->count(), listBefore);
    QVERIFY(w.Command5->isEnabled());
}

// --------------------------------------------------------- remote test button

void MonitorWindowTest::remoteTestButton_data()
{
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("enabled");  // Command5 after each event

    QTest::newRow("start enables") << "start"
                                   << "1";
    QTest::newRow("alarm disables, norm enables") << "start alarm norm"
                                                  << "1 0 1";
    QTest::newRow("faults keep it disabled") << "start alarm level break short"
                                             << "1 0 0 0 0";
    QTest::newRow("faults keep it enabled") << "start norm level break short"
                                            << "1 1 1 1 1";
    QTest::newRow("unknown code changes nothing") << "start alarm unknown norm unknown"
                                                  << "1 0 0 1 1";
    QTest::newRow("click disables until norm") << "start click level norm"
                                               << "1 0 0 1";
    QTest::newRow("click while in norm waits for the next norm") << "start norm click unknown norm"
                                                                 << "1 1 0 0 1";
    QTest::newRow("stop disables") << "start norm stop"
                                   << "1 1 0";
    QTest::newRow("restart enables again") << "start alarm stop start"
                                           << "1 0 0 1";
}

void MonitorWindowTest::remoteTestButton()
{
    QFETCH(QString, events);
    QFETCH(QString, enabled);
    FormFixture f;
    QCOMPARE(runScenario(f, events, [&] { return f.form->Command5->isEnabled(); }), enabled);
}

void MonitorWindowTest::remoteTestRequestGoesOutAfterTheSequence()
{
    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    const int listBefore = w.List1->count();
    const int fileBefore = int(f.journalFileLines().size());
    w.Command5->click();

    QVERIFY(!w.Command5->isEnabled());
    QCOMPARE(w.state().TekCom, u"$01030c\r"_s);
    QCOMPARE(newListItems(f, listBefore), QStringList{f.stamp() + u"   Выполнен ДК"_s});
    QCOMPARE(f.journalFileLines().mid(fileBefore),
             QStringList{u"\""_s + f.stamp() + u" Выполнен ДК\""_s});

    // Thirteen slots of the start-up sequence, then the request, then the poll.
    f.tick(13 * 6);
    QCOMPARE(f.port.written.size(), 13);
    QVERIFY(!f.port.written.contains("$01030c\r"));
    f.tick(6);
    QCOMPARE(f.port.written.last(), QByteArray("$01030c\r"));
    f.tick(6);
    QCOMPARE(f.port.written.last(), QByteArray("$010b010c\r"));
    QCOMPARE(f.port.written.count("$01030c\r"), 1);
}

// ------------------------------------------------------------ alarm tone timer

void MonitorWindowTest::toneTimer_data()
{
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("active");  // Timer4 after each event

    QTest::newRow("alarm with sound starts it") << "start snd+ alarm"
                                                << "0 0 1";
    QTest::newRow("norm stops it") << "start snd+ alarm alarm norm"
                                   << "0 0 1 1 0";
    QTest::newRow("faults and unknown codes leave it")
        << "start snd+ alarm level break short unknown"
        << "0 0 1 1 1 1 1";
    QTest::newRow("unticking the sound stops it") << "start snd+ alarm snd-"
                                                  << "0 0 1 0";
    QTest::newRow("alarm without sound does not start it") << "start alarm"
                                                           << "0 0";
    QTest::newRow("ticking sound starts nothing until the next alarm")
        << "start alarm snd+ level alarm"
        << "0 0 0 0 1";
    QTest::newRow("stop leaves it ringing") << "start snd+ alarm stop"
                                            << "0 0 1 1";
    QTest::newRow("norm or fault never start it") << "start snd+ norm level"
                                                  << "0 0 0 0";
    QTest::newRow("unticked then alarm again stays silent") << "start snd+ alarm snd- alarm"
                                                            << "0 0 1 0 0";
}

void MonitorWindowTest::toneTimer()
{
    QFETCH(QString, events);
    QFETCH(QString, active);
    FormFixture f;
    QCOMPARE(runScenario(f, events, [&] { return f.form->Timer4->isActive(); }), active);
    if (f.form->Timer4->isActive())
        QCOMPARE(f.form->Timer4->interval(), 700);
}

void MonitorWindowTest::toneTimerIsNotRestartedByRepeatedAlarms()
{
    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    w.Check3->setChecked(true);
    f.port.deliver(statusReply(kAlarm));
    QVERIFY(w.Timer4->isActive());
    QCOMPARE(w.Timer4->interval(), 700);
    // Had the next alarm started the timer anew, it would carry 700 again.
    w.Timer4->setInterval(60000);
    f.port.deliver(statusReply(kAlarm));
    f.port.deliver(statusReply(kAlarm | 16));
    QVERIFY(w.Timer4->isActive());
    QCOMPARE(w.Timer4->interval(), 60000);
    QCOMPARE(f.alarm.restarts, 0);  // replies never play the tone themselves
}

void MonitorWindowTest::toneTickPlaysTheTone()
{
    FormFixture f;
    Form1 &w = *f.form;
    w.alarmToneTick();
    QCOMPARE(f.alarm.restarts, 1);
    // The timer's own tick is wired to the same handler.
    QVERIFY(QMetaObject::invokeMethod(w.Timer4, "timeout"));
    QCOMPARE(f.alarm.restarts, 2);
}

// ------------------------------------------------------------------- diagram

void MonitorWindowTest::levelReadouts_data()
{
    QTest::addColumn<int>("l1");
    QTest::addColumn<int>("l2");
    QTest::addColumn<QString>("text2");
    QTest::addColumn<QString>("text11");
    QTest::newRow("full scale and zero") << 255 << 0 << u"5 В"_s << u"0 В"_s;
    QTest::newRow("two decimals, comma") << 128 << 51 << u"2,51 В"_s << u"1 В"_s;
    QTest::newRow("one decimal") << 127 << 102 << u"2,49 В"_s << u"2 В"_s;
    QTest::newRow("no trailing zero") << 153 << 76 << u"3 В"_s << u"1,49 В"_s;
}

void MonitorWindowTest::levelReadouts()
{
    QFETCH(int, l1);
    QFETCH(int, l2);
    QFETCH(QString, text2);
    QFETCH(QString, text11);
    FormFixture f;
    f.start(1);
    f.port.deliver(statusReply(kNorm, 0, 0, l1, l2));
    QCOMPARE(f.form->Text2->text(), text2);
    QCOMPARE(f.form->Text11->text(), text11);
}

namespace {

// True when a pure blue pixel lies within one pixel of p.
bool blueNear(const QImage &image, QPoint p)
{
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            if (image.pixelColor(p + QPoint(dx, dy)) == QColor(0, 0, 255))
                return true;
    return false;
}

// Three replies with a constant signal of 76 counts (1,49 V): with the
// designed scales the trace runs flat at y = 5100 - 1490 = 3610 twips
// between x = 120 and x = 360 twips, away from every grid line.
void feedFlatTrace(FormFixture &f)
{
    for (int i = 0; i < 3; ++i)
        f.port.deliver(statusReply(kNorm, 76, 0, 0, 0));
}

const QPoint kTracePoint = ChartCanvas::toPixels(180, 3610);

}  // namespace

void MonitorWindowTest::chartShowsTheTrace()
{
    FormFixture f;
    f.start(1);
    QVERIFY(!blueNear(f.form->chart().image(), kTracePoint));
    feedFlatTrace(f);
    QVERIFY(blueNear(f.form->chart().image(), kTracePoint));
}

void MonitorWindowTest::chartSurvivesRepaint()
{
    FormFixture f;
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    f.start(1);
    feedFlatTrace(f);
    QVERIFY(blueNear(f.form->Picture1->grab().toImage(), kTracePoint));
    // A full repaint of the window redraws the surface from the kept image.
    f.form->repaint();
    QCoreApplication::processEvents();
    QVERIFY(blueNear(f.form->Picture1->grab().toImage(), kTracePoint));
}

// -------------------------------------------------------------- control pass

void MonitorWindowTest::usefulSignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<QString>("text12");
    QTest::addColumn<uint>("color");
    // The first sample of a pass is averaged with the smoothed value 0.
    QTest::newRow("above the threshold") << 102 << 51 << u"1 В"_s << uint(kRed);
    QTest::newRow("below the threshold") << 102 << 102 << u"1 В"_s << uint(kBlack);
    QTest::newRow("exactly at the threshold") << 100 << 50 << u"0,98 В"_s << uint(kRed);
    QTest::newRow("just below") << 99 << 50 << u"0,97 В"_s << uint(kBlack);
}

void MonitorWindowTest::usefulSignal()
{
    QFETCH(int, signal);
    QFETCH(int, threshold);
    QFETCH(QString, text12);
    QFETCH(uint, color);
    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    QVERIFY(!w.Command9->isEnabled());
    f.port.deliver(statusReply(kNorm, signal, threshold));
    QCOMPARE(w.Text12->text(), QString());  // no pass, no read-out
    QVERIFY(w.Command9->isEnabled());
    w.Command9->click();
    QVERIFY(!w.Command9->isEnabled());
    QVERIFY(w.Command8->isEnabled());
    f.port.deliver(statusReply(kNorm, signal, threshold));
    QCOMPARE(w.Text12->text(), text12);
    QCOMPARE(textColor(w.Text12), quint32(color));
}

void MonitorWindowTest::passMean_data()
{
    QTest::addColumn<int>("samples");      // replies between "Старт" and "Стоп"
    QTest::addColumn<int>("laterSignal");  // signal of the samples after the first nine
    QTest::addColumn<QString>("text3");
    // Eight samples of 102 counts are summed and the ninth closes the block;
    // the reply after "Стоп" still counts and may close a block itself.
    QTest::newRow("one block") << 9 << 0 << u"2 В"_s;
    QTest::newRow("mean of two blocks") << 18 << 51 << u"1,5 В"_s;
    QTest::newRow("stopped early, no block") << 3 << 0 << QString();
    QTest::newRow("block still open at the end") << 7 << 0 << QString();
    QTest::newRow("the last reply closes the block") << 8 << 0 << u"2 В"_s;
}

void MonitorWindowTest::passMean()
{
    QFETCH(int, samples);
    QFETCH(int, laterSignal);
    QFETCH(QString, text3);
    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    f.port.deliver(statusReply(kNorm));
    w.Command9->click();
    for (int i = 0; i < samples; ++i)
        f.port.deliver(statusReply(kNorm, i < 9 ? 102 : laterSignal, 255));
    QCOMPARE(w.Text3->text(), QString());  // no mean while the pass runs
    w.Command8->click();
    QVERIFY(w.Command9->isEnabled());
    QVERIFY(!w.Command8->isEnabled());
    f.port.deliver(statusReply(kNorm, 102, 255));
    QCOMPARE(w.Text3->text(), text3);
    QCOMPARE(w.state().FlStartIzmer, qint16(0));
    QCOMPARE(w.Label30->text(), u"Измерение"_s);
    // The pass is over: later replies leave the mean alone.
    const QString text12 = w.Text12->text();
    f.port.deliver(statusReply(kNorm, 0, 255));
    QCOMPARE(w.Text3->text(), text3);
    QCOMPARE(w.Text12->text(), text12);
}

void MonitorWindowTest::exchangeStartClearsThePass()
{
    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    f.port.deliver(statusReply(kNorm));
    w.Command9->click();
    for (int i = 0; i < 9; ++i)
        f.port.deliver(statusReply(kNorm, 102, 255));
    w.Command8->click();
    f.port.deliver(statusReply(kNorm, 102, 255));
    QCOMPARE(w.Text3->text(), u"2 В"_s);
    w.Command9->click();
    f.port.deliver(statusReply(kNorm, 102, 255));
    QVERIFY(!w.Text12->text().trimmed().isEmpty());

    w.stopExchange();
    w.startExchange();
    QCOMPARE(w.state().FlStartIzmer, qint16(0));
    QCOMPARE(w.Text12->text(), QString());
    QCOMPARE(w.Text3->text(), QString());
    // No pass runs after the restart: replies leave the read-out empty.
    f.port.deliver(statusReply(kNorm, 102, 255));
    QCOMPARE(w.Text12->text(), QString());
}

void MonitorWindowTest::passCutOffByStopDoesNotLeakBlocks()
{
    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    f.port.deliver(statusReply(kNorm));
    w.Command9->click();
    for (int i = 0; i < 9; ++i)  // one complete block of 2 V
        f.port.deliver(statusReply(kNorm, 102, 255));
    w.stopExchange();  // the exchange ends while the pass runs
    w.startExchange();
    f.port.deliver(statusReply(kNorm));
    w.Command9->click();
    f.port.deliver(statusReply(kNorm, 0, 255));
    f.port.deliver(statusReply(kNorm, 0, 255));
    w.Command8->click();
    f.port.deliver(statusReply(kNorm, 0, 255));
    // The new pass completed no block of its own.
    // Form1::startControlPassClicked sets FlStartIzmer only and keeps the
    // blocks of the pass cut off by "СТОП".
    QCOMPARE(w.Text3->text(), QString());
}

void MonitorWindowTest::pendingStopDoesNotEndTheNextPass()
{
    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    f.port.deliver(statusReply(kNorm));
    w.Command9->click();
    f.port.deliver(statusReply(kNorm, 102, 255));
    w.Command8->click();  // the pass would end at the next reply...
    w.stopExchange();     // ...but the exchange stops first
    w.startExchange();
    f.port.deliver(statusReply(kNorm));
    w.Command9->click();
    f.port.deliver(statusReply(kNorm, 102, 255));
    // Form1::startControlPassClicked leaves FlStopIzmer set, so the new pass
    // ends at its first reply.
    QCOMPARE(w.state().FlStartIzmer, qint16(1));
    QVERIFY(w.Command8->isEnabled());
    // The pass carries on: its next reply still shows the useful signal.
    f.port.deliver(statusReply(kNorm, 0, 255));
    QCOMPARE(w.state().FlStartIzmer, qint16(1));
}

QTEST_MAIN(MonitorWindowTest)
#include "test_monitor_window.moc"
