// The parameter panel of the window: unlock boxes, spinners, apply buttons,
// the detector's answers to reads and writes, and the address change. The
// frames the window queues are read from the mailbox (TekCom) and from what
// the fake port has written once the scheduler has run.

#include "app/updown.h"
#include "support/formfixture.h"
#include "support/replies.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kSlot = 6;              // exchange ticks per scheduler slot
constexpr int kAfterStartSlots = 14;  // start-up sequence, then the mailbox

void chooseFlank(Form1 &w, int flank)
{
    w.Combo2->setCurrentIndex(w.Combo2->findText(QString::number(flank)));
    w.flankChosen();
}

// Starts the exchange at the given link address.
void startAt(FormFixture &f, int address)
{
    f.form->Check1->setChecked(true);
    f.form->UpDown1->setValue(address);
    f.start(1);
}

const Form1::SettingControls &rowOf(const Form1 &w, const QString &unlockBox)
{
    const int i = w.settingRowIndex(unlockBox);
    Q_ASSERT(i >= 0);
    return w.settingRows()[i];
}

QWidget *editorOf(const Form1::SettingControls &r)
{
    return r.list ? static_cast<QWidget *>(r.list) : r.spinner;
}

// What a row shows: its value box (or the list's text) and spinner position.
QString shown(const Form1::SettingControls &r)
{
    if (r.list)
        return r.list->currentText();
    return r.valueBox->text() + u" @"_s + QString::number(r.spinner->Value());
}

int framesWithCode(const QByteArrayList &written, int code)
{
    const QByteArray hex = QByteArray::number(code, 16).rightJustified(2, '0');
    return int(std::count_if(written.begin(), written.end(),
                             [&](const QByteArray &f) { return f.mid(3, 2) == hex; }));
}

QByteArray codecStatusPoll(int flank)
{
    return "$010b0" + QByteArray::number(flank) + "0c\r";
}

const QStringList kUnlockBoxes = {u"Check14"_s, u"Check11"_s, u"Check10"_s, u"Check2"_s,
                                  u"Check5"_s,  u"Check12"_s, u"Check13"_s, u"Check4"_s};

}  // namespace

class SettingsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void tickUnlocksOnlyItsRow_data();
    void tickUnlocksOnlyItsRow();
    void untickQueuesTheRead_data();
    void untickQueuesTheRead();
    void spinnerShowsItsValue_data();
    void spinnerShowsItsValue();

    void applyQueuesTheWrite_data();
    void applyQueuesTheWrite();
    void secondApplyReplacesTheFirst();
    void limitWithNoItemWritesNothing();

    void replyShownAndJournalled_data();
    void replyShownAndJournalled();
    void unlockedRowIgnoresReplies_data();
    void unlockedRowIgnoresReplies();
    void outOfRangeReplyIgnored_data();
    void outOfRangeReplyIgnored();

    void addressChange_data();
    void addressChange();
    void editSurvivesFlankSwitch();
};

// ------------------------------------------------------------ unlock boxes

void SettingsWindowTest::tickUnlocksOnlyItsRow_data()
{
    QTest::addColumn<QString>("box");
    for (const QString &box : kUnlockBoxes)
        QTest::newRow(qPrintable(box)) << box;
}

void SettingsWindowTest::tickUnlocksOnlyItsRow()
{
    QFETCH(QString, box);
    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    const QString mailbox = w.state().TekCom;
    const qint16 count = w.state().CntComOutBuf;

    rowOf(w, box).unlockBox->setChecked(true);

    for (const Form1::SettingControls &r : w.settingRows()) {
        const bool own = r.unlockBox->objectName() == box;
        QCOMPARE(editorOf(r)->isEnabled(), own);
        QCOMPARE(r.apply->isEnabled(), own);
    }
    QCOMPARE(w.state().TekCom, mailbox);
    QCOMPARE(w.state().CntComOutBuf, count);
}

void SettingsWindowTest::untickQueuesTheRead_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("flank");
    QTest::addColumn<QString>("frame");
    QTest::newRow("threshold, flank 2") << u"Check2"_s << 2 << u"$0111020c\r"_s;
    QTest::newRow("threshold, flank 1") << u"Check2"_s << 1 << u"$0111010c\r"_s;
    QTest::newRow("unit number, flank 2: no flank field") << u"Check14"_s << 2 << u"$01200c\r"_s;
    QTest::newRow("unit number, flank 1") << u"Check14"_s << 1 << u"$01200c\r"_s;
    QTest::newRow("limit") << u"Check11"_s << 2 << u"$0115020c\r"_s;
    QTest::newRow("self-test") << u"Check4"_s << 1 << u"$0117010c\r"_s;
    QTest::newRow("front") << u"Check12"_s << 2 << u"$0114020c\r"_s;
}

void SettingsWindowTest::untickQueuesTheRead()
{
    QFETCH(QString, box);
    QFETCH(int, flank);
    QFETCH(QString, frame);
    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    chooseFlank(w, flank);
    const Form1::SettingControls &r = rowOf(w, box);
    r.unlockBox->setChecked(true);
    const qint16 count = w.state().CntComOutBuf;

    r.unlockBox->setChecked(false);

    QVERIFY(!editorOf(r)->isEnabled());
    QVERIFY(!r.apply->isEnabled());
    QCOMPARE(w.state().TekCom, frame);
    QCOMPARE(w.state().CntComOutBuf, qint16(count + 1));
    // Setting the state it already has runs nothing.
    r.unlockBox->setChecked(false);
    QCOMPARE(w.state().CntComOutBuf, qint16(count + 1));
}

// ---------------------------------------------------------------- spinners

void SettingsWindowTest::spinnerShowsItsValue_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("fromText");
    QTest::addColumn<QString>("toText");
    QTest::newRow("threshold 9 to 10") << u"Check2"_s << 9 << 10 << u"1,5"_s << u"1,6"_s;
    QTest::newRow("threshold down to 4") << u"Check2"_s << 6 << 4 << u"1,2"_s << u"1"_s;
    QTest::newRow("threshold down to 1") << u"Check2"_s << 2 << 1 << u"0,8"_s << u"0,7"_s;
    QTest::newRow("self-test up to 50") << u"Check4"_s << 48 << 50 << u"480"_s << u"500"_s;
    QTest::newRow("self-test down to 1") << u"Check4"_s << 2 << 1 << u"20"_s << u"10"_s;
    QTest::newRow("front up to 10") << u"Check12"_s << 9 << 10 << u"18"_s << u"20"_s;
    QTest::newRow("accumulation up to 19") << u"Check5"_s << 17 << 19 << u"850"_s << u"950"_s;
    QTest::newRow("gain") << u"Check10"_s << 3 << 1 << u"3"_s << u"1"_s;
    QTest::newRow("alarm time") << u"Check13"_s << 9 << 10 << u"9"_s << u"10"_s;
    QTest::newRow("unit number") << u"Check14"_s << 127 << 128 << u"127"_s << u"128"_s;
}

void SettingsWindowTest::spinnerShowsItsValue()
{
    QFETCH(QString, box);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, fromText);
    QFETCH(QString, toText);
    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    const Form1::SettingControls &r = rowOf(w, box);
    r.unlockBox->setChecked(true);
    const QString mailbox = w.state().TekCom;
    const qint16 count = w.state().CntComOutBuf;

    r.spinner->setValue(from);
    QCOMPARE(r.valueBox->text(), fromText);
    // The arrows, one step at a time.
    while (r.spinner->Value() != to) {
        const int before = r.spinner->Value();
        if (to > before)
            r.spinner->stepUp();
        else
            r.spinner->stepDown();
        QVERIFY(r.spinner->Value() != before);
    }
    QCOMPARE(r.valueBox->text(), toText);
    // Stepping sends nothing and journals nothing.
    QCOMPARE(w.state().TekCom, mailbox);
    QCOMPARE(w.state().CntComOutBuf, count);
}

// ------------------------------------------------------------------- apply

void SettingsWindowTest::applyQueuesTheWrite_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("flank");
    QTest::addColumn<int>("position");   // spinner position or list index
    QTest::addColumn<QString>("frame");  // at address 5
    QTest::newRow("threshold 9") << u"Check2"_s << 1 << 9 << u"$052f01080c\r"_s;
    QTest::newRow("threshold 1 sends 0") << u"Check2"_s << 2 << 1 << u"$052f02000c\r"_s;
    QTest::newRow("self-test 50") << u"Check4"_s << 1 << 50 << u"$053501320c\r"_s;
    QTest::newRow("gain 9, flank 2") << u"Check10"_s << 2 << 9 << u"$052d02090c\r"_s;
    QTest::newRow("accumulation 19") << u"Check5"_s << 1 << 19 << u"$053101130c\r"_s;
    QTest::newRow("front 10") << u"Check12"_s << 1 << 10 << u"$0532010a0c\r"_s;
    QTest::newRow("alarm time 10, flank 2") << u"Check13"_s << 2 << 10 << u"$0534020a0c\r"_s;
    QTest::newRow("limit 1000") << u"Check11"_s << 1 << 3 << u"$053301030c\r"_s;
    QTest::newRow("limit 1, flank 2") << u"Check11"_s << 2 << 0 << u"$053302000c\r"_s;
}

void SettingsWindowTest::applyQueuesTheWrite()
{
    QFETCH(QString, box);
    QFETCH(int, flank);
    QFETCH(int, position);
    QFETCH(QString, frame);
    FormFixture f;
    Form1 &w = *f.form;
    startAt(f, 5);
    chooseFlank(w, flank);
    const Form1::SettingControls &r = rowOf(w, box);
    r.unlockBox->setChecked(true);
    if (r.list)
        r.list->setCurrentIndex(position);
    else
        r.spinner->setValue(position);
    const qint16 count = w.state().CntComOutBuf;
    const int listBefore = w.List1->count();

    QVERIFY(r.apply->isEnabled());
    r.apply->click();

    QCOMPARE(w.state().TekCom, frame);
    // The unticked box queued its read first; the write replaced it.
    QCOMPARE(w.state().CntComOutBuf, qint16(count + 2));
    QVERIFY(!r.unlockBox->isChecked());
    QVERIFY(!r.apply->isEnabled());
    QVERIFY(!editorOf(r)->isEnabled());
    QCOMPARE(w.List1->count(), listBefore);  // only the confirmation journals

    f.tick(kAfterStartSlots * kSlot);
    QCOMPARE(f.port.written.count(frame.toLatin1()), 1);
    QCOMPARE(w.state().CntComOutBuf, qint16(0));
}

void SettingsWindowTest::secondApplyReplacesTheFirst()
{
    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    w.Check2->setChecked(true);
    w.UpDown2->setValue(9);
    w.Check10->setChecked(true);
    w.UpDown4->setValue(3);
    w.Command2->click();
    w.Command7->click();
    f.tick(kAfterStartSlots * kSlot);
    QCOMPARE(framesWithCode(f.port.written, 47), 0);
    QCOMPARE(f.port.written.count("$012d01030c\r"), 1);
    // The threshold row keeps showing the unsent value.
    QCOMPARE(w.Text5->text(), u"1,5"_s);
}

void SettingsWindowTest::limitWithNoItemWritesNothing()
{
    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    w.Check11->setChecked(true);
    w.Combo1->setCurrentIndex(-1);
    QVERIFY(w.Command10->isEnabled());
    w.Command10->click();
    QVERIFY(!w.Check11->isChecked());
    QVERIFY(!w.Command10->isEnabled());
    QVERIFY(!w.Combo1->isEnabled());
    QVERIFY(!w.state().TekCom.startsWith(u"$0133"_s));
    f.tick((kAfterStartSlots + 2) * kSlot);
    QCOMPARE(framesWithCode(f.port.written, 51), 0);
}

// ----------------------------------------------------------------- replies

void SettingsWindowTest::replyShownAndJournalled_data()
{
    QTest::addColumn<int>("flank");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");  // value box, or the limit list's text
    QTest::addColumn<int>("position");  // spinner; -1 for the limit
    QTest::addColumn<QString>("listText");
    QTest::addColumn<QString>("fileText");

    QTest::newRow("threshold confirmed 0")
        << 1 << 47 << 0 << u"Check2"_s << u"0,7"_s << 1 << u"  Фланг -1  Установлен порог -0,7"_s
        << u" Фланг -1  Установлен порог -0,7"_s;
    QTest::newRow("threshold read 8")
        << 1 << 17 << 8 << u"Check2"_s << u"1,5"_s << 9 << QString() << QString();
    QTest::newRow("threshold confirmed 13, flank 2")
        << 2 << 47 << 13 << u"Check2"_s << u"2"_s << 14 << u"  Фланг -2  Установлен порог -2"_s
        << u" Фланг -2  Установлен порог -2"_s;
    QTest::newRow("limit confirmed 2")
        << 1 << 51 << 2 << u"Check11"_s << u"100"_s << -1 << u"  Фланг -1  Установлен предел -100"_s
        << u" Фланг -1   Установлен предел -100"_s;
    QTest::newRow("limit confirmed 3, no group separator")
        << 2 << 51 << 3 << u"Check11"_s << u"1000"_s << -1
        << u"  Фланг -2  Установлен предел -1000"_s << u" Фланг -2   Установлен предел -1000"_s;
    QTest::newRow("limit read 0") << 1 << 21 << 0 << u"Check11"_s << u"1"_s << -1 << QString()
                                  << QString();
    QTest::newRow("gain confirmed 7, flank 2")
        << 2 << 45 << 7 << u"Check10"_s << u"7"_s << 7 << u"  Фланг -2  Установлено усиление -7"_s
        << u" Фланг -2  Установлено усиление -7"_s;
    QTest::newRow("gain read 5") << 1 << 15 << 5 << u"Check10"_s << u"5"_s << 5 << QString()
                                 << QString();
    QTest::newRow("accumulation confirmed 19") << 1 << 49 << 19 << u"Check5"_s << u"950"_s << 19
                                               << u"  Фланг -1  Установлено накопление -950"_s
                                               << u" Фланг -1  Установлено накопление -950"_s;
    QTest::newRow("front confirmed 5")
        << 1 << 50 << 5 << u"Check12"_s << u"10"_s << 5 << u"  Фланг -1  Установлен фронт -10"_s
        << u" Фланг -1  Установлен фронт -10"_s;
    QTest::newRow("front read 5") << 1 << 20 << 5 << u"Check12"_s << u"10"_s << 5 << QString()
                                  << QString();
    QTest::newRow("alarm time confirmed 10") << 2 << 52 << 10 << u"Check13"_s << u"10"_s << 10
                                             << u"  Фланг -2  Установлено время тревоги -10"_s
                                             << u" Фланг -2  Установлено время тревоги -10"_s;
    QTest::newRow("self-test confirmed 50") << 1 << 53 << 50 << u"Check4"_s << u"500"_s << 50
                                            << u"  Фланг -1  Установлена длит. самоконтр. -500"_s
                                            << u" Фланг -1  Установлена длит. самоконтр. -500"_s;
    QTest::newRow("self-test read 1")
        << 1 << 23 << 1 << u"Check4"_s << u"10"_s << 1 << QString() << QString();
    QTest::newRow("unit number 17")
        << 2 << 32 << 17 << u"Check14"_s << u"17"_s << 17 << QString() << QString();
}

void SettingsWindowTest::replyShownAndJournalled()
{
    QFETCH(int, flank);
    QFETCH(int, code);
    QFETCH(int, value);
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(int, position);
    QFETCH(QString, listText);
    QFETCH(QString, fileText);
    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    chooseFlank(w, flank);
    const int listBefore = w.List1->count();
    const int fileBefore = int(f.journalFileLines().size());

    f.port.deliver(settingReply(code, value));

    const Form1::SettingControls &r = rowOf(w, box);
    if (r.list) {
        QCOMPARE(r.list->currentText(), text);
    } else {
        QCOMPARE(r.valueBox->text(), text);
        QCOMPARE(r.spinner->Value(), position);
    }
    const QStringList list = f.journalListItems().mid(0, w.List1->count() - listBefore);
    const QStringList file = f.journalFileLines().mid(fileBefore);
    if (listText.isEmpty()) {
        QCOMPARE(list, QStringList());
        QCOMPARE(file, QStringList());
    } else {
        // Exactly one entry per confirmation.
        QCOMPARE(list, QStringList{f.stamp() + listText});
        QCOMPARE(file, QStringList{u"\""_s + f.stamp() + fileText + u"\""_s});
    }
}

void SettingsWindowTest::unlockedRowIgnoresReplies_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("readCode");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("value");
    QTest::newRow("threshold confirmation") << u"Check2"_s << 17 << 47 << 9;
    QTest::newRow("threshold read") << u"Check2"_s << 17 << 17 << 9;
    QTest::newRow("limit confirmation") << u"Check11"_s << 21 << 51 << 0;
    QTest::newRow("gain confirmation") << u"Check10"_s << 15 << 45 << 8;
    QTest::newRow("self-test read") << u"Check4"_s << 23 << 23 << 40;
    QTest::newRow("unit number read") << u"Check14"_s << 32 << 32 << 99;
}

void SettingsWindowTest::unlockedRowIgnoresReplies()
{
    QFETCH(QString, box);
    QFETCH(int, readCode);
    QFETCH(int, code);
    QFETCH(int, value);
    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    f.port.deliver(settingReply(readCode, 3));
    const Form1::SettingControls &r = rowOf(w, box);
    r.unlockBox->setChecked(true);
    const QString before = shown(r);
    const int listBefore = w.List1->count();

    f.port.deliver(settingReply(code, value));

    QCOMPARE(shown(r), before);
    QCOMPARE(w.List1->count(), listBefore);
    // Locked again, the row takes the next answer.
    r.unlockBox->setChecked(false);
    f.port.deliver(settingReply(code, value));
    QVERIFY(shown(r) != before);
}

void SettingsWindowTest::outOfRangeReplyIgnored_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("readCode");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("value");
    QTest::newRow("threshold read 14") << u"Check2"_s << 17 << 17 << 14;
    QTest::newRow("threshold confirmed 255") << u"Check2"_s << 17 << 47 << 255;
    QTest::newRow("gain read 0") << u"Check10"_s << 15 << 15 << 0;
    QTest::newRow("gain confirmed 10") << u"Check10"_s << 15 << 45 << 10;
    QTest::newRow("unit number 0") << u"Check14"_s << 32 << 32 << 0;
    QTest::newRow("unit number 129") << u"Check14"_s << 32 << 32 << 129;
    QTest::newRow("limit read 4") << u"Check11"_s << 21 << 21 << 4;
    QTest::newRow("limit confirmed 4") << u"Check11"_s << 21 << 51 << 4;
    QTest::newRow("front read 11") << u"Check12"_s << 20 << 20 << 11;
    QTest::newRow("front confirmed 0") << u"Check12"_s << 20 << 50 << 0;
    QTest::newRow("accumulation confirmed 20") << u"Check5"_s << 19 << 49 << 20;
    QTest::newRow("alarm time read 11") << u"Check13"_s << 22 << 22 << 11;
    QTest::newRow("self-test read 51") << u"Check4"_s << 23 << 23 << 51;
    QTest::newRow("self-test confirmed 0") << u"Check4"_s << 23 << 53 << 0;
}

void SettingsWindowTest::outOfRangeReplyIgnored()
{
    QFETCH(QString, box);
    QFETCH(int, readCode);
    QFETCH(int, code);
    QFETCH(int, value);
    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    f.port.deliver(settingReply(readCode, 3));
    const Form1::SettingControls &r = rowOf(w, box);
    const QString before = shown(r);
    const int listBefore = w.List1->count();
    const int fileBefore = int(f.journalFileLines().size());

    f.port.deliver(settingReply(code, value));

    QCOMPARE(shown(r), before);
    QCOMPARE(w.List1->count(), listBefore);
    QCOMPARE(int(f.journalFileLines().size()), fileBefore);
    // The program carries on with the next reply.
    f.port.deliver(statusReply(1));
    QCOMPARE(w.Label4->text(), u"Тревога"_s);
}

// --------------------------------------------------------- address change

void SettingsWindowTest::addressChange_data()
{
    QTest::addColumn<int>("flank");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("frame");
    QTest::newRow("5, flank 1") << 1 << 5 << u"$012e01040c\r"_s;
    QTest::newRow("lowest number sends 0") << 1 << 1 << u"$012e01000c\r"_s;
    QTest::newRow("highest number, flank 2") << 2 << 128 << u"$012e027f0c\r"_s;
}

void SettingsWindowTest::addressChange()
{
    QFETCH(int, flank);
    QFETCH(int, number);
    QFETCH(QString, frame);
    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    chooseFlank(w, flank);
    f.tick(kAfterStartSlots * kSlot);  // sequence and mailbox done
    w.Check14->setChecked(true);
    w.UpDown5->setValue(number);
    const int listBefore = w.List1->count();
    const int fileBefore = int(f.journalFileLines().size());
    const int unitReads = framesWithCode(f.port.written, 32);
    const int written = int(f.port.written.size());

    QVERIFY(w.Command13->isEnabled());
    w.Command13->click();

    // Form1::addressChangeApplied is empty: the click changes nothing.
    QCOMPARE(w.state().TekCom, frame);
    QVERIFY(!w.Command13->isEnabled());
    QVERIFY(!w.UpDown5->isEnabled());
    QVERIFY(!w.Check14->isChecked());
    QCOMPARE(f.journalListItems().mid(0, w.List1->count() - listBefore),
             QStringList{f.stamp() + u"  Перезагрузка извещателя!!! Установлен адрес:"_s +
                         QString::number(number)});
    QCOMPARE(f.journalFileLines().mid(fileBefore),
             QStringList{u"\""_s + f.stamp() + u" Перезагрузка извещателя!!! Установлен адрес:"_s +
                         QString::number(number) + u"\""_s});

    f.tick(kSlot);
    QCOMPARE(f.port.written.size(), written + 1);
    QCOMPARE(f.port.written.last(), frame.toLatin1());
    f.tick(kSlot);
    QCOMPARE(framesWithCode(f.port.written, 32), unitReads);
    // The exchange keeps the address it was started with.
    QCOMPARE(f.port.written.last(), codecStatusPoll(flank));
}

void SettingsWindowTest::editSurvivesFlankSwitch()
{
    FormFixture f;
    Form1 &w = *f.form;
    f.start(1);
    f.port.deliver(settingReply(15, 5));
    f.port.deliver(settingReply(17, 8));
    w.Check10->setChecked(true);
    w.UpDown4->setValue(8);
    QCOMPARE(w.Text7->text(), u"8"_s);

    chooseFlank(w, 2);
    // The read-back of flank 2 answers every row; the unlocked one keeps
    // the operator's value, the others follow.
    f.port.deliver(settingReply(15, 6));
    f.port.deliver(settingReply(17, 5));
    QCOMPARE(w.Text7->text(), u"8"_s);
    QCOMPARE(w.UpDown4->Value(), 8);
    QCOMPARE(w.Text5->text(), u"1,2"_s);

    w.Command7->click();
    QCOMPARE(w.state().TekCom, u"$012d02080c\r"_s);
}

QTEST_MAIN(SettingsWindowTest)
#include "test_settings_window.moc"
