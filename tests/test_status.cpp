#include "app/sharedstate.h"
#include "monitor/statusdecoder.h"

#include <QLocale>
#include <QtTest>

namespace {
using F = FaultLabelChange;  // E: Command5, T: Timer4
using E = EnableChange;
using T = ToneChange;
struct Case {  // flank journal texts follow "Фланг -2  "; empty: flank not shown
    int code;
    uint bg;
    F l25;
    E c5;
    T t4;
    QString label4{}, l25Caption{}, list{}, file{};
};
const QString kFault = "Неисправность";
const Case kCases[] = {
    {0, bgr::Green, F::WindowBackground, E::Enable, T::Stop, "Норма", " ", "Норма", ""},
    {1, bgr::Red, F::WindowBackground, E::Disable, T::StartIfSoundTicked, "Тревога", " ",
     "Тревога"},
    {2, bgr::Yellow, F::RedText, E::Unchanged, T::Unchanged, kFault, "Некорректный уровень ПМ!",
     "Некорректный уровень", "Некоректный уровень"},
    {4, bgr::Yellow, F::RedText, E::Unchanged, T::Unchanged, kFault, " Обрыв кабеля ",
     "Обрыв кабеля"},
    {36, bgr::Yellow, F::RedText, E::Unchanged, T::Unchanged, kFault, " Замыкание кабеля ",
     "Замыкание кабеля"},
    {8, 0, F::Unchanged, E::Unchanged, T::Unchanged},
};
}  // namespace

class TestStatus : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void stateByteFromBody()
    {
        QCOMPARE(statusStateByte("0B00000000B4FFFF00"), 0xB4);
        QCOMPARE(statusStateByte("0b00000000"), 0);  // body too short
    }
    void indication_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("tamper");
        for (int i = 0; i < int(std::size(kCases)); ++i)
            for (const bool tamper : {false, true})
                QTest::addRow("0x%02x", kCases[i].code | (tamper ? 16 : 0)) << i << tamper;
    }
    void indication()
    {
        QFETCH(int, index);
        QFETCH(bool, tamper);
        const Case &c = kCases[index];
        SharedState s;
        s.OLDSostKanNoDV = 99;      // no reply ever carries it
        s.OLDDV = tamper ? 0 : 16;  // the tamper state changes too
        const StatusIndication r = decodeStatus(s, c.code | (tamper ? 16 : 0), "2");

        QCOMPARE(r.flankShown, !c.list.isEmpty());
        if (r.flankShown) {
            QCOMPARE(r.label4Caption, c.label4);
            QCOMPARE(r.label4Background, c.bg);
        }
        QCOMPARE(r.label25, c.l25);
        if (c.l25 != F::Unchanged)
            QCOMPARE(r.label25Caption, c.l25Caption);
        if (c.l25 == F::RedText)
            QCOMPARE(r.label25TextColour, bgr::Red);
        QCOMPARE(r.command5, c.c5);
        QCOMPARE(r.timer4, c.t4);
        QCOMPARE(r.label16Caption, tamper ? QString("Разомкнут") : QString("Замкнут"));
        QCOMPARE(r.label16TextColour, tamper ? bgr::Red : bgr::Black);
        QCOMPARE(int(s.OLDSostKanNoDV), c.code);  // remembered, recognised or not
        QCOMPARE(int(s.OLDDV), tamper ? 16 : 0);

        QStringList got, want;  // "list text|file text"
        for (const JournalLine &line : r.journal)
            got << line.listText + '|' + line.fileText;
        if (!c.list.isEmpty())
            want << "  Фланг -2  " + c.list + "| Фланг -2  " + (c.file.isEmpty() ? c.list : c.file);
        want << (tamper ? "  ДВ разомкнут| ДВ разомкнут" : "  ДВ замкнут| ДВ замкнут");
        QCOMPARE(got, want);
    }
    // Replies from program start, "byte@flank"; the list texts journalled.
    void journalSequence_data()
    {
        QTest::addColumn<QString>("replies");
        QTest::addColumn<QStringList>("lines");
        const QString norm = "  Фланг -1  Норма", alarm = "  Фланг -1  Тревога";
        const QString brk = "  Фланг -1  Обрыв кабеля";
        QTest::newRow("first norm, closed") << "0@1" << QStringList{};
        QTest::newRow("alarm, norm, alarm") << "1@1 0@1 1@1" << QStringList{alarm, norm, alarm};
        QTest::newRow("identical alarms") << "1@1 1@1 1@1" << QStringList{alarm};
        QTest::newRow("flank switch in alarm") << "1@1 1@2 1@2" << QStringList{alarm};
        QTest::newRow("unknown between equal") << "4@1 8@1 4@1" << QStringList{brk, brk};
        QTest::newRow("tamper open once") << "16@1 16@1" << QStringList{"  ДВ разомкнут"};
    }
    void journalSequence()
    {
        QFETCH(QString, replies);
        QFETCH(QStringList, lines);
        SharedState s;
        QStringList written;
        for (const QString &reply : replies.split(' ')) {
            const QStringList parts = reply.split('@');
            for (const JournalLine &line : decodeStatus(s, parts[0].toInt(), parts[1]).journal)
                written << line.listText;
        }
        QCOMPARE(written, lines);
    }
};

QTEST_GUILESS_MAIN(TestStatus)
#include "test_status.moc"
