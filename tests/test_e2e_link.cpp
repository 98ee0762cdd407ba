// The window on the real serial service, talking to the simulated detector on
// a pseudo-terminal.

#include "app/colors.h"
#include "app/form1.h"
#include "link/comports.h"
#include "link/qtserialport.h"
#include "support/e2e_simulator.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeout = 15000;

const QString kLinkAlive = u"Установлена связь с блоком. Обмен данными..."_s;

// The rows as the simulator's default settings show them.
struct FlankValues {
    QString limit, gain, threshold, accumulation, front, alarmTime, selfTest;
};
const FlankValues kFlank1{u"10"_s, u"5"_s, u"1,5"_s, u"200"_s, u"6"_s, u"2"_s, u"100"_s};
const FlankValues kFlank2{u"100"_s, u"6"_s, u"1,3"_s, u"350"_s, u"10"_s, u"3"_s, u"200"_s};

// A simulator at 19200 baud, address 1, as port 1; ports 2-16 lead nowhere.
struct Bench {
    Bench() : sim(QStringLiteral(VERKAN_SIM_PATH)) {}

    bool setUp()
    {
        if (!sim.start({u"--baud"_s, u"19200"_s, u"--address"_s, u"1"_s}))
            return false;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"VERKAN_COM1"_s, sim.linkPath());
        for (int n = 2; n <= kLastComPort; ++n)
            env.insert(u"VERKAN_COM%1"_s.arg(n), sim.missingPath(n));
        port = std::make_unique<QtSerialPortService>(env);
        Form1Dependencies deps;
        deps.port = port.get();
        deps.journalPath = journalDir.filePath(u"Jurnal.txt"_s);
        form = std::make_unique<Form1>(deps);
        return true;
    }
    ~Bench() { form.reset(); }

    void start()
    {
        form->Combo3->setCurrentIndex(form->Combo3->findText(u"1"_s));
        form->startExchange();
    }
    void chooseFlank(int flank)
    {
        form->Combo2->setCurrentIndex(form->Combo2->findText(QString::number(flank)));
        form->flankChosen();
    }
    QStringList journal() const
    {
        QStringList items;
        for (int i = 0; i < form->List1->count(); ++i)
            items << form->List1->item(i)->text();
        return items;
    }
    bool shows(const FlankValues &v) const
    {
        const Form1 &w = *form;
        return w.Combo1->currentText() == v.limit && w.Text7->text() == v.gain &&
               w.Text5->text() == v.threshold && w.Text6->text() == v.accumulation &&
               w.Text9->text() == v.front && w.Text10->text() == v.alarmTime &&
               w.Text4->text() == v.selfTest;
    }
    QString rows() const
    {
        const Form1 &w = *form;
        return QStringList{w.Combo1->currentText(), w.Text7->text(), w.Text5->text(),
                           w.Text6->text(),         w.Text9->text(), w.Text10->text(),
                           w.Text4->text()}
            .join(u" | "_s);
    }

    E2eSimulator sim;
    QTemporaryDir journalDir;
    std::unique_ptr<QtSerialPortService> port;
    std::unique_ptr<Form1> form;
};

}  // namespace

class E2eLinkTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void linkComesUpAndShowsBothFlanks();
    void splitDeliveryKeepsTheLink_data();
    void splitDeliveryKeepsTheLink();
    void silenceLosesTheLinkAndStartBringsItBack();
};

void E2eLinkTest::linkComesUpAndShowsBothFlanks()
{
    Bench b;
    QVERIFY2(b.setUp(), qPrintable(b.sim.error()));
    Form1 &w = *b.form;
    QCOMPARE(w.Combo3->count(), 1);
    QCOMPARE(w.Combo3->itemText(0), u"1"_s);

    b.start();
    QVERIFY(b.port->isOpen());
    QTRY_COMPARE_WITH_TIMEOUT(w.Label6->text(), kLinkAlive, kTimeout);
    QCOMPARE(Form1::labelTextColor(w.Label6), bgr::Blue);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label24->text(), u"19200,"_s, kTimeout);
    QTRY_VERIFY2_WITH_TIMEOUT(b.shows(kFlank1), qPrintable(b.rows()), kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(w.Text8->text(), u"1"_s, kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), u"Норма"_s, kTimeout);
    QVERIFY(w.Command9->isEnabled());

    b.chooseFlank(2);
    QTRY_VERIFY2_WITH_TIMEOUT(b.shows(kFlank2), qPrintable(b.rows()), kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), u"Норма"_s, kTimeout);
    QCOMPARE(w.Label24->text(), u"19200,"_s);
    QVERIFY(w.Command3->isEnabled());
    QCOMPARE(b.journal().filter(u"НЕТ СВЯЗИ"_s).size(), 0);
}

void E2eLinkTest::splitDeliveryKeepsTheLink_data()
{
    QTest::addColumn<QString>("delivery");
    QTest::newRow("one byte per write") << u"char"_s;
    QTest::newRow("random pieces") << u"random"_s;
}

void E2eLinkTest::splitDeliveryKeepsTheLink()
{
    QFETCH(QString, delivery);
    Bench b;
    QVERIFY2(b.setUp(), qPrintable(b.sim.error()));
    Form1 &w = *b.form;
    // From the first reply on, every reply arrives in pieces.
    b.sim.command(u"delivery "_s + delivery);
    b.start();
    QTRY_COMPARE_WITH_TIMEOUT(w.Label24->text(), u"19200,"_s, kTimeout);
    QTRY_VERIFY2_WITH_TIMEOUT(b.shows(kFlank1), qPrintable(b.rows()), kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(w.Text8->text(), u"1"_s, kTimeout);
    b.chooseFlank(2);
    QTRY_VERIFY2_WITH_TIMEOUT(b.shows(kFlank2), qPrintable(b.rows()), kTimeout);

    // Status replies keep coming: the watchdog never counts a silent period
    // across more than one of its periods.
    for (int i = 0; i < 2; ++i) {
        QTest::qWait(1100);
        QCOMPARE(w.state().CntPoteriObm, qint16(0));
    }
    QCOMPARE(w.Label4->text(), u"Норма"_s);
    QCOMPARE(w.Label6->text(), kLinkAlive);
    QVERIFY(w.Command3->isEnabled());
    QCOMPARE(b.journal().filter(u"НЕТ СВЯЗИ"_s).size(), 0);
}

void E2eLinkTest::silenceLosesTheLinkAndStartBringsItBack()
{
    Bench b;
    QVERIFY2(b.setUp(), qPrintable(b.sim.error()));
    Form1 &w = *b.form;
    b.start();
    QTRY_VERIFY2_WITH_TIMEOUT(b.shows(kFlank1), qPrintable(b.rows()), kTimeout);

    b.sim.command(u"silence on"_s);
    QElapsedTimer silent;
    silent.start();
    QTRY_VERIFY_WITH_TIMEOUT(w.Command4->isEnabled(), kTimeout);
    // Two watchdog periods after the last reply, never fewer.
    QVERIFY2(silent.elapsed() > 3500, qPrintable(QString::number(silent.elapsed())));
    const QStringList journal = b.journal();
    QVERIFY(journal.size() >= 3);
    QVERIFY2(journal[0].endsWith(u"   Стоп"_s), qPrintable(journal[0]));
    QVERIFY2(journal[1].endsWith(u"  НЕТ СВЯЗИ С БЛОКОМ!"_s), qPrintable(journal[1]));
    QCOMPARE(journal.filter(u"НЕТ СВЯЗИ"_s).size(), 1);
    QCOMPARE(w.Label6->text(), u"Нет связи с блоком. Проверьте адрес и питание! "_s);
    QCOMPARE(w.Label4->text(), u"Нет связи"_s);
    QCOMPARE(w.Text7->text(), u" "_s);
    QVERIFY(!w.Timer1->isActive());
    QVERIFY(!w.Timer5->isActive());
    QVERIFY(!b.port->isOpen());

    b.sim.command(u"silence off"_s);
    w.Label24->setText(u"-"_s);
    b.start();
    QCOMPARE(w.state().CntPoteriObm, qint16(0));
    QTRY_COMPARE_WITH_TIMEOUT(w.Label6->text(), kLinkAlive, kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label24->text(), u"19200,"_s, kTimeout);
    QTRY_VERIFY2_WITH_TIMEOUT(b.shows(kFlank1), qPrintable(b.rows()), kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), u"Норма"_s, kTimeout);
    QVERIFY(w.Command3->isEnabled());
}

QTEST_MAIN(E2eLinkTest)
#include "test_e2e_link.moc"
