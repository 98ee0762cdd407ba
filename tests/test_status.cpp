#include "app/sharedstate.h"
#include "monitor/statusdecoder.h"

#include <QLocale>
#include <QtTest>

class TestStatus : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void stateByteFromBody_data();
    void stateByteFromBody();
    void indication_data();
    void indication();
    void journalSequence_data();
    void journalSequence();
};

void TestStatus::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

void TestStatus::stateByteFromBody_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("stateByte");
    QTest::newRow("cable short") << "0b0000000024ffff2d" << 0x24;
    QTest::newRow("upper-case digits") << "0B00000000B4FFFF00" << 0xB4;
    QTest::newRow("norm, samples set") << "0b1203ff0300ffff00" << 0x00;
    QTest::newRow("body too short") << "0b00000000" << 0;
}

void TestStatus::stateByteFromBody()
{
    QFETCH(QString, body);
    QFETCH(int, stateByte);
    QCOMPARE(statusStateByte(body), stateByte);
}

// One reply decoded after a reply whose codes differ from it, so that each
// row also shows its journal texts.
void TestStatus::indication_data()
{
    QTest::addColumn<int>("stateByte");
    QTest::addColumn<bool>("flankShown");
    QTest::addColumn<QString>("label4");
    QTest::addColumn<uint>("label4Background");
    QTest::addColumn<int>("label25");  // FaultLabelChange
    QTest::addColumn<QString>("label25Caption");
    QTest::addColumn<int>("command5");  // EnableChange
    QTest::addColumn<int>("timer4");    // ToneChange
    QTest::addColumn<QString>("label16");
    QTest::addColumn<uint>("label16Colour");
    QTest::addColumn<QString>("flankList");
    QTest::addColumn<QString>("flankFile");

    const int keep25 = int(FaultLabelChange::Unchanged);
    const int window25 = int(FaultLabelChange::WindowBackground);
    const int red25 = int(FaultLabelChange::RedText);
    const int keep = int(EnableChange::Unchanged);
    const int enable = int(EnableChange::Enable);
    const int disable = int(EnableChange::Disable);
    const int toneKeep = int(ToneChange::Unchanged);
    const int toneStop = int(ToneChange::Stop);
    const int toneStart = int(ToneChange::StartIfSoundTicked);
    const QString closed = "Замкнут";
    const QString open = "Разомкнут";
    const QString fault = "Неисправность";
    const uint black = bgr::Black, red = bgr::Red, yellow = bgr::Yellow;

    struct FlankCase {
        int code;
        const char *name;
        bool shown;
        QString label4;
        uint bg;
        int l25;
        QString l25Caption;
        int c5;
        int t4;
        QString list, file;
    };
    const FlankCase flankCases[] = {
        {0, "norm", true, "Норма", bgr::Green, window25, " ", enable, toneStop,
         "  Фланг -2  Норма", " Фланг -2  Норма"},
        {1, "alarm", true, "Тревога", bgr::Red, window25, " ", disable, toneStart,
         "  Фланг -2  Тревога", " Фланг -2  Тревога"},
        {2, "bad level", true, fault, yellow, red25, "Некорректный уровень ПМ!", keep, toneKeep,
         "  Фланг -2  Некорректный уровень", " Фланг -2  Некоректный уровень"},
        {4, "cable break", true, fault, yellow, red25, " Обрыв кабеля ", keep, toneKeep,
         "  Фланг -2  Обрыв кабеля", " Фланг -2  Обрыв кабеля"},
        {36, "cable short", true, fault, yellow, red25, " Замыкание кабеля ", keep, toneKeep,
         "  Фланг -2  Замыкание кабеля", " Фланг -2  Замыкание кабеля"},
        {8, "unknown 8", false, QString(), 0, keep25, QString(), keep, toneKeep, QString(),
         QString()},
        {0xE0, "unknown E0", false, QString(), 0, keep25, QString(), keep, toneKeep, QString(),
         QString()},
    };
    for (const FlankCase &c : flankCases) {
        for (const bool tamperOpen : {false, true}) {
            const int byte = c.code | (tamperOpen ? 16 : 0);
            QTest::addRow("%s, tamper %s (0x%02x)", c.name, tamperOpen ? "open" : "closed", byte)
                << byte << c.shown << c.label4 << c.bg << c.l25 << c.l25Caption << c.c5 << c.t4
                << (tamperOpen ? open : closed) << (tamperOpen ? red : black) << c.list << c.file;
        }
    }
}

void TestStatus::indication()
{
    QFETCH(int, stateByte);
    QFETCH(bool, flankShown);
    QFETCH(QString, label4);
    QFETCH(uint, label4Background);
    QFETCH(int, label25);
    QFETCH(QString, label25Caption);
    QFETCH(int, command5);
    QFETCH(int, timer4);
    QFETCH(QString, label16);
    QFETCH(uint, label16Colour);
    QFETCH(QString, flankList);
    QFETCH(QString, flankFile);

    SharedState s;
    s.OLDSostKanNoDV = 99;                // no reply ever carries it
    s.OLDDV = (stateByte & 16) ? 0 : 16;  // the tamper state changes too
    const StatusIndication r = decodeStatus(s, stateByte, "2");

    QCOMPARE(r.flankShown, flankShown);
    if (flankShown) {
        QCOMPARE(r.label4Caption, label4);
        QCOMPARE(r.label4Background, label4Background);
    }
    QCOMPARE(int(r.label25), label25);
    if (r.label25 != FaultLabelChange::Unchanged)
        QCOMPARE(r.label25Caption, label25Caption);
    if (r.label25 == FaultLabelChange::RedText)
        QCOMPARE(r.label25TextColour, bgr::Red);
    QCOMPARE(int(r.command5), command5);
    QCOMPARE(int(r.timer4), timer4);
    QCOMPARE(r.label16Caption, label16);
    QCOMPARE(r.label16TextColour, label16Colour);

    // Every code is remembered, recognised or not.
    QCOMPARE(int(s.OLDSostKanNoDV), stateByte & 0xEF);
    QCOMPARE(int(s.OLDDV), stateByte & 16);

    QList<JournalLine> expected;
    if (!flankList.isEmpty())
        expected.append(JournalLine{flankList, flankFile});
    if (stateByte & 16)
        expected.append(JournalLine{"  ДВ разомкнут", " ДВ разомкнут"});
    else
        expected.append(JournalLine{"  ДВ замкнут", " ДВ замкнут"});
    QCOMPARE(r.journal.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(r.journal[i].listText, expected[i].listText);
        QCOMPARE(r.journal[i].fileText, expected[i].fileText);
    }
}

// Replies from program start, each "byte@flank"; the list texts journalled
// over the whole sequence, in order.
void TestStatus::journalSequence_data()
{
    QTest::addColumn<QStringList>("replies");
    QTest::addColumn<QStringList>("lines");

    const QString norm1 = "  Фланг -1  Норма", alarm1 = "  Фланг -1  Тревога";
    const QString norm2 = "  Фланг -2  Норма";
    const QString break1 = "  Фланг -1  Обрыв кабеля";
    const QString tamperOpen = "  ДВ разомкнут", tamperClosed = "  ДВ замкнут";

    QTest::newRow("first reply norm, closed") << QStringList{"0@1"} << QStringList{};
    QTest::newRow("first reply alarm") << QStringList{"1@1"} << QStringList{alarm1};
    QTest::newRow("alarm, norm, alarm")
        << QStringList{"1@1", "0@1", "1@1"} << QStringList{alarm1, norm1, alarm1};
    QTest::newRow("identical alarms")
        << QStringList{"1@1", "1@1", "1@1", "1@1"} << QStringList{alarm1};
    QTest::newRow("flank switch, both in alarm")
        << QStringList{"1@1", "1@2", "1@2"} << QStringList{alarm1};
    QTest::newRow("flank switch, both in norm") << QStringList{"0@1", "0@2"} << QStringList{};
    QTest::newRow("flank switch, alarm to norm")
        << QStringList{"1@1", "0@2"} << QStringList{alarm1, norm2};
    QTest::newRow("unknown code between equal codes")
        << QStringList{"4@1", "8@1", "4@1"} << QStringList{break1, break1};
    QTest::newRow("unknown code between norms")
        << QStringList{"0@1", "8@1", "0@1"} << QStringList{norm1};
    QTest::newRow("fault after alarm")
        << QStringList{"1@1", "4@1", "4@1"} << QStringList{alarm1, break1};
    QTest::newRow("tamper open written once")
        << QStringList{"16@1", "16@1", "16@1"} << QStringList{tamperOpen};
    QTest::newRow("tamper open then closed")
        << QStringList{"16@1", "0@1"} << QStringList{tamperOpen, tamperClosed};
    QTest::newRow("norm with tamper open after alarm")
        << QStringList{"1@1", "16@1"} << QStringList{alarm1, norm1, tamperOpen};
    QTest::newRow("tamper open with unknown code")
        << QStringList{"24@1", "24@1"} << QStringList{tamperOpen};
    QTest::newRow("cable short with tamper open (0x34)")
        << QStringList{"52@1"} << QStringList{"  Фланг -1  Замыкание кабеля", tamperOpen};
}

void TestStatus::journalSequence()
{
    QFETCH(QStringList, replies);
    QFETCH(QStringList, lines);

    SharedState s;
    QStringList written;
    for (const QString &reply : replies) {
        const QStringList parts = reply.split('@');
        const StatusIndication r = decodeStatus(s, parts[0].toInt(), parts[1]);
        for (const JournalLine &line : r.journal)
            written << line.listText;
    }
    QCOMPARE(written, lines);
}

QTEST_GUILESS_MAIN(TestStatus)
#include "test_status.moc"
