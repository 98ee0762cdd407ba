#include "app/chartview.h"
#include "app/colors.h"
#include "app/updown.h"
#include "support/formfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void enabledAfterLoad();
    void captionsAndTexts_data();
    void captionsAndTexts();
    void spinnersAfterLoad_data();
    void spinnersAfterLoad();
    void stateAfterLoad();
    void designedGeometry_data();
    void designedGeometry();
    void scalePairs_data();
    void scalePairs();
    void portScanListsOpenablePortsInOrder();
    void addressSpinnerFollowsUnlockBox();
};

void StartupTest::enabledAfterLoad()
{
    FormFixture f({1, 3});
    Form1 &w = *f.form;
    const QList<QWidget *> enabled = {w.Command4, w.Command6, w.Combo3, w.Check1, w.Check3,
                                      w.Check6,   w.Check7,   w.Check8, w.Check9, w.Text1};
    const QList<QWidget *> disabled = {
        w.Command1,  w.Command2, w.Command7, w.Command10, w.Command11, w.Command12,
        w.Command14, w.Command5, w.Command3, w.Command13, w.Command9,  w.Command8,
        w.Combo2,    w.Check2,   w.Check4,   w.Check5,    w.Check10,   w.Check11,
        w.Check12,   w.Check13,  w.Check14,  w.UpDown1,   w.UpDown2,   w.UpDown3,
        w.UpDown4,   w.UpDown5,  w.UpDown6,  w.UpDown7,   w.UpDown8};
    for (QWidget *c : enabled)
        QVERIFY2(c->isEnabled(), qPrintable(c->objectName()));
    for (QWidget *c : disabled)
        QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
    QVERIFY(!w.Timer1->isActive());
    QVERIFY(!w.Timer4->isActive());
    QVERIFY(!w.Timer5->isActive());
    QVERIFY(!f.port.isOpen());
}

void StartupTest::captionsAndTexts_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("text");
    const QList<std::pair<const char *, QString>> rows = {
        {"Label2", u"П"_s + QLatin1Char('A') + u"РАМЕТРЫ"_s},
        {"Label4", u" "_s},
        {"Label6", u" "_s},
        {"Label9", u"Уровни <1> <2> :"_s},
        {"Label16", u" "_s},
        {"Label21", u"КОНТРОЛЬНЫЙ  ПРОХОД"_s},
        {"Label24", u"Label24"_s},
        {"Label25", QString()},
        {"Text1", u"1"_s},
        {"Text2", u" "_s},
        {"Text12", QString()},
        {"Command4", u"СТАРТ"_s},
        {"Check8", u"0,5"_s + QLatin1Char('c') + u"./дел."_s},
        {"Check9", u"1"_s + QLatin1Char('c') + u"./дел."_s},
        {"Combo2", u"1"_s},
        {"Combo1", QString()},
    };
    for (const auto &[name, text] : rows)
        QTest::newRow(name) << QString::fromLatin1(name) << text;
}

void StartupTest::captionsAndTexts()
{
    QFETCH(QString, control);
    QFETCH(QString, text);
    FormFixture f;
    QWidget *w = f.form->findChild<QWidget *>(control);
    QVERIFY(w);
    QString shown;
    if (auto *label = qobject_cast<QLabel *>(w))
        shown = label->text();
    else if (auto *edit = qobject_cast<QLineEdit *>(w))
        shown = edit->text();
    else if (auto *button = qobject_cast<QAbstractButton *>(w))
        shown = button->text();
    else if (auto *combo = qobject_cast<QComboBox *>(w))
        shown = combo->currentText();
    QCOMPARE(shown, text);
}

void StartupTest::spinnersAfterLoad_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::newRow("UpDown1") << u"UpDown1"_s << 0 << 128;
    QTest::newRow("UpDown2") << u"UpDown2"_s << 1 << 14;
    QTest::newRow("UpDown3") << u"UpDown3"_s << 1 << 19;
    QTest::newRow("UpDown4") << u"UpDown4"_s << 1 << 9;
    QTest::newRow("UpDown5") << u"UpDown5"_s << 1 << 128;
    QTest::newRow("UpDown6") << u"UpDown6"_s << 1 << 10;
    QTest::newRow("UpDown7") << u"UpDown7"_s << 1 << 10;
    QTest::newRow("UpDown8") << u"UpDown8"_s << 1 << 50;
}

void StartupTest::spinnersAfterLoad()
{
    QFETCH(QString, name);
    QFETCH(int, min);
    QFETCH(int, max);
    FormFixture f;
    auto *spinner = f.form->findChild<UpDown *>(name);
    QVERIFY(spinner);
    QCOMPARE(spinner->Value(), 1);
    QCOMPARE(spinner->Min(), min);
    QCOMPARE(spinner->Max(), max);
    QCOMPARE(spinner->Increment(), 1);
}

void StartupTest::stateAfterLoad()
{
    FormFixture f;
    const SharedState &s = f.form->state();
    QCOMPARE(s.CntIntervCom, 6);
    QCOMPARE(s.cntProh, 8);
    QCOMPARE(s.Kvgraf, 1000);
    QCOMPARE(s.Ksgraf, 120);
    QCOMPARE(f.port.settings(), u"9600,N,8,1"_s);
    QCOMPARE(f.form->windowTitle(), u"Программа настройки ВЕРКАН-Р Ливерт"_s);
    QCOMPARE(f.form->size(), QSize(994, 632));
    QVERIFY(!QFile::exists(f.journalPath()));  // startup journals nothing
}

void StartupTest::designedGeometry_data()
{
    // Twips of the design at 15 twips per pixel.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("Picture1") << u"Picture1"_s << QRect(336, 96, 649, 345);
    QTest::newRow("List1") << u"List1"_s << QRect(616, 472, 369, 134);
    QTest::newRow("Command4") << u"Command4"_s << QRect(768, 32, 81, 17);
    QTest::newRow("Check8") << u"Check8"_s << QRect(456, 440, 73, 20);
}

void StartupTest::designedGeometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, rect);
    FormFixture f;
    QWidget *w = f.form->findChild<QWidget *>(name);
    QVERIFY(w);
    QCOMPARE(w->geometry(), rect);
}

void StartupTest::scalePairs_data()
{
    // Clicks (by object name) and the resulting ticks and scales.
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("ticked");
    QTest::addColumn<int>("kvgraf");
    QTest::addColumn<int>("ksgraf");
    QTest::newRow("after load") << QStringList() << u"Check6 Check8"_s << 1000 << 120;
    QTest::newRow("click ticked 1V moves to 0.5V")
        << QStringList{u"Check6"_s} << u"Check7 Check8"_s << 2000 << 120;
    QTest::newRow("and back") << QStringList{u"Check6"_s, u"Check6"_s} << u"Check6 Check8"_s << 1000
                              << 120;
    QTest::newRow("click 0.5V") << QStringList{u"Check7"_s} << u"Check7 Check8"_s << 2000 << 120;
    QTest::newRow("click 1s") << QStringList{u"Check9"_s} << u"Check6 Check9"_s << 1000 << 60;
    QTest::newRow("click ticked 0.5s")
        << QStringList{u"Check8"_s} << u"Check6 Check9"_s << 1000 << 60;
    QTest::newRow("click ticked 1s")
        << QStringList{u"Check9"_s, u"Check9"_s} << u"Check6 Check8"_s << 1000 << 120;
}

void StartupTest::scalePairs()
{
    QFETCH(QStringList, clicks);
    QFETCH(QString, ticked);
    QFETCH(int, kvgraf);
    QFETCH(int, ksgraf);
    FormFixture f;
    for (const QString &name : clicks)
        QTest::mouseClick(f.form->findChild<QCheckBox *>(name), Qt::LeftButton, {}, QPoint(5, 5));
    QStringList tickedNow;
    for (QCheckBox *box : {f.form->Check6, f.form->Check7, f.form->Check8, f.form->Check9})
        if (box->isChecked())
            tickedNow << box->objectName();
    QCOMPARE(tickedNow.join(u' '), ticked);
    QCOMPARE(int(f.form->state().Kvgraf), kvgraf);
    QCOMPARE(int(f.form->state().Ksgraf), ksgraf);
}

void StartupTest::portScanListsOpenablePortsInOrder()
{
    QTemporaryDir dir;
    FakeSerialPort port;
    port.openable = {1, 3, 4};
    port.busy = {2};
    Form1Dependencies deps;
    deps.port = &port;
    deps.journalPath = dir.filePath(u"Jurnal.txt"_s);
    Form1 form(deps);

    QStringList listed;
    QStringList tips;
    for (int i = 0; i < form.Combo3->count(); ++i) {
        listed << form.Combo3->itemText(i);
        tips << form.Combo3->itemData(i, Qt::ToolTipRole).toString();
    }
    QCOMPARE(listed, QStringList({u"1"_s, u"3"_s, u"4"_s}));
    QCOMPARE(tips.first(), u"/fake/tty1"_s);
    QCOMPARE(form.Combo3->currentIndex(), -1);  // no port chosen
    QCOMPARE(port.openAttempts.size(), 16);
    QVERIFY(port.written.isEmpty());
    QVERIFY(!port.isOpen());
    QVERIFY(port.closeCalls >= 3);
    QVERIFY(form.Label6->text() == u" "_s);  // failures are silent
}

void StartupTest::addressSpinnerFollowsUnlockBox()
{
    FormFixture f;
    Form1 &w = *f.form;
    w.Check1->setChecked(true);
    QVERIFY(w.UpDown1->isEnabled());
    w.UpDown1->stepDown();
    QCOMPARE(w.Text1->text(), u"0"_s);  // the address spinner goes down to 0
    w.UpDown1->stepDown();
    QCOMPARE(w.UpDown1->Value(), 0);
    w.UpDown1->setValue(200);
    QCOMPARE(w.Text1->text(), u"128"_s);
    w.Check1->setChecked(false);
    QVERIFY(!w.UpDown1->isEnabled());
}

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
