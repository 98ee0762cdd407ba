#include "app/updown.h"
#include "params/catalogue.h"
#include "support/formfixture.h"
#include "support/replies.h"

#include <QTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {

constexpr int kSettled = 14 * 6;  // start-up sequence, then the mailbox

struct Bench : FormFixture {
    Bench()  // link address 5
    {
        form->Check1->setChecked(true);
        form->UpDown1->setValue(5);
        start(1);
    }
    Form1 &w = *form;
    const auto &row(const QString &b) const
    {
        return form->settingRows()[form->settingRowIndex(b)];
    }
    void chooseFlank(int flank)
    {
        form->Combo2->setCurrentIndex(form->Combo2->findText(QString::number(flank)));
        form->flankChosen();
    }
    QStringList added(int n) const { return journalListItems().mid(0, form->List1->count() - n); }
};

QString shown(const Form1::SettingControls &r)
{
    return r.list ? r.list->currentText()
                  : r.valueBox->text() + u" @"_s + QString::number(r.spinner->Value());
}

}  // namespace

class SettingsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void tickUntickApply_data()
    {
        for (const char *c : {"box", "read", "write"})  // frames at address 5, flank 2
            QTest::addColumn<QString>(c);
        QTest::addColumn<int>("position");  // spinner position or list index
        QTest::newRow("threshold 9") << u"Check2"_s << u"$0511020c\r"_s << u"$052f02080c\r"_s << 9;
        QTest::newRow("limit 1000") << u"Check11"_s << u"$0515020c\r"_s << u"$053302030c\r"_s << 3;
    }
    void tickUntickApply()
    {
        QFETCH(QString, box);
        QFETCH(int, position);
        QFETCH(QString, read);
        QFETCH(QString, write);
        Bench f;
        f.chooseFlank(2);
        const qint16 count = f.w.state().CntComOutBuf;
        const Form1::SettingControls &own = f.row(box);
        own.unlockBox->setChecked(true);
        for (const Form1::SettingControls &r : f.w.settingRows()) {
            QCOMPARE(r.list ? r.list->isEnabled() : r.spinner->isEnabled(), &r == &own);
            QCOMPARE(r.apply->isEnabled(), &r == &own);
        }
        QCOMPARE(f.w.state().CntComOutBuf, count);
        own.unlockBox->setChecked(false);
        QCOMPARE(f.w.state().TekCom, read);
        QCOMPARE(f.w.state().CntComOutBuf, qint16(count + 1));

        own.unlockBox->setChecked(true);
        own.list ? own.list->setCurrentIndex(position) : own.spinner->setValue(position);
        own.apply->click();  // unticks the box, which queues the read; the write replaces it
        QCOMPARE(f.w.state().TekCom, write);
        QCOMPARE(f.w.state().CntComOutBuf, qint16(count + 3));
        f.tick(kSettled);
        QCOMPARE(f.port.written.count(write.toLatin1()), 1);
    }

    void secondApplyReplacesTheFirst()
    {
        Bench f;
        f.w.Check2->setChecked(true);
        f.w.UpDown2->setValue(9);
        f.w.Check10->setChecked(true);
        f.w.UpDown4->setValue(3);
        f.w.Command2->click();
        f.w.Command7->click();
        f.tick(kSettled);
        QCOMPARE(f.port.written.count("$052f01080c\r"), 0);
        QCOMPARE(f.port.written.count("$052d01030c\r"), 1);
        QCOMPARE(f.w.Text5->text(), u"1,5"_s);  // the threshold row keeps the unsent value
    }

    void limitWithNoItemWritesNothing()
    {
        Bench f;
        f.w.Check11->setChecked(true);
        f.w.Combo1->setCurrentIndex(-1);
        f.w.Command10->click();
        f.tick(kSettled + 12);
        QVERIFY(!f.port.written.join().contains("$0533"));
    }

    void replies_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("unlocked");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("value");
        QTest::addColumn<QStringList>("expect");  // row text, list line, file line; none: untouched
        QTest::newRow("threshold confirmed 0")
            << u"Check2"_s << false << 47 << 0
            << QStringList{u"0,7 @1"_s, u"  Фланг -1  Установлен порог -0,7"_s,
                           u" Фланг -1  Установлен порог -0,7"_s};
        QTest::newRow("gain read 5") << u"Check10"_s << false << 15 << 5 << QStringList{u"5 @5"_s};
        QTest::newRow("unlocked threshold") << u"Check2"_s << true << 47 << 9 << QStringList();
        QTest::newRow("unlocked limit") << u"Check11"_s << true << 51 << 0 << QStringList();
        QTest::newRow("threshold read 14") << u"Check2"_s << false << 17 << 14 << QStringList();
        QTest::newRow("limit confirmed 4") << u"Check11"_s << false << 51 << 4 << QStringList();
    }
    void replies()
    {
        QFETCH(QString, box);
        QFETCH(bool, unlocked);
        QFETCH(int, code);
        QFETCH(int, value);
        QFETCH(QStringList, expect);
        Bench f;
        f.port.deliver(settingReply(settingForUnlockBox(box)->readCode, 3));
        const Form1::SettingControls &r = f.row(box);
        r.unlockBox->setChecked(unlocked);
        const QString before = shown(r);
        const int listBefore = f.w.List1->count();
        const qsizetype fileBefore = f.journalFileLines().size();
        f.port.deliver(settingReply(code, value));
        QCOMPARE(shown(r), expect.value(0, before));
        QCOMPARE(f.added(listBefore),
                 expect.size() == 3 ? QStringList{f.stamp() + expect[1]} : QStringList());
        QCOMPARE(f.journalFileLines().mid(fileBefore),
                 expect.size() == 3 ? QStringList{'"' + f.stamp() + expect[2] + '"'}
                                    : QStringList());
    }

    void addressChange()  // spinner 1 sends 00, 128 sends 7f
    {
        for (const auto &[number, frame] :
             {std::pair{1, "$052e01000c\r"}, {128, "$052e017f0c\r"}}) {
            Bench f;
            f.tick(kSettled);
            f.w.Check14->setChecked(true);
            f.w.UpDown5->setValue(number);
            const int listBefore = f.w.List1->count();
            const qsizetype written = f.port.written.size();
            f.w.Command13->click();
            QVERIFY(!f.w.Command13->isEnabled());
            QCOMPARE(f.added(listBefore),
                     QStringList{f.stamp() + u"  Перезагрузка извещателя!!! Установлен адрес:"_s +
                                 QString::number(number)});
            f.tick(2 * 6);
            QCOMPARE(f.port.written.size(), written + 2);
            QCOMPARE(f.port.written[written], frame);
            QCOMPARE(f.port.written.last(), "$050b010c\r");  // a status poll, no unit-number read
        }
    }

    void editSurvivesFlankSwitch()
    {
        Bench f;
        f.w.Check10->setChecked(true);
        f.w.UpDown4->setValue(8);
        f.chooseFlank(2);
        f.port.deliver(settingReply(15, 6));  // flank 2's read-back
        QCOMPARE(f.w.Text7->text(), u"8"_s);
        f.w.Command7->click();
        QCOMPARE(f.w.state().TekCom, u"$052d02080c\r"_s);
    }
};

QTEST_MAIN(SettingsWindowTest)
#include "test_settings_window.moc"
