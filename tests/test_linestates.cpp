// A line's readings become events once each, in every form they leave the
// program: JSON and text lines, journal lines, highlights until acknowledged.
#include "journal/eventjournal.h"
#include "link/addresslist.h"
#include "link/linewatch.h"
#include "link/portdescription.h"
#include "monitor/linestates.h"
#include "support/fakeserialport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kWhen(QDate(2026, 12, 6), QTime(10, 0, 0, 123), Qt::UTC);

// Plays readings into the states as the watch reports them: "f ADDRESS FLANK
// CODE", "t ADDRESS OPEN", "l ADDRESS ALIVE".
struct Rig {
    FakeSerialPort port;
    LineWatch watch{port};
    LineStates states{watch, [] { return kWhen; }};
    QStringList events;  // as "ADDRESS KIND [FLANK] STATE"

    explicit Rig(const QList<int> &addresses)
    {
        states.reset(addresses);
        QObject::connect(&states, &LineStates::event, [this](const LineEvent &e) {
            events << lineEventText(e).section(u' ', 2);
        });
    }
    void play(const QStringList &readings)
    {
        for (const QString &r : readings) {
            const QStringList f = r.split(u' ');
            if (f[0] == "f"_L1)
                emit watch.flankState(f[1].toInt(), f[2].toInt(), f[3].toInt());
            else if (f[0] == "t"_L1)
                emit watch.tamper(f[1].toInt(), f[2] == "1"_L1);
            else
                emit watch.link(f[1].toInt(), f[2] == "1"_L1);
        }
    }
};

}  // namespace

class TestLineStates : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void eventForms_data()
    {
        QTest::addColumn<int>("offsetMinutes");
        QTest::addColumn<QString>("reading");
        QTest::addColumn<QString>("json");
        QTest::addColumn<QString>("listLine");
        QTest::addColumn<QString>("fileLine");
        QTest::newRow("flank alarm, UTC")
            << 0 << "f 7 1 1"
            << R"({"time": "2026-12-06T10:00:00.123+00:00", "address": 7, "event": "flank", "flank": 1, "state": "alarm"})"
            << "  Блок 7: Фланг -1  Тревога"
            << " Блок 7: Фланг -1  Тревога";
        // The file keeps the journal's own spelling of the level fault.
        QTest::newRow("bad level, east of UTC")
            << 180 << "f 12 2 2"
            << R"({"time": "2026-12-06T13:00:00.123+03:00", "address": 12, "event": "flank", "flank": 2, "state": "level"})"
            << "  Блок 12: Фланг -2  Некорректный уровень"
            << " Блок 12: Фланг -2  Некоректный уровень";
        QTest::newRow("tamper, west of UTC")
            << -330 << "t 0 1"
            << R"({"time": "2026-12-06T04:30:00.123-05:30", "address": 0, "event": "tamper", "state": "open"})"
            << "  Блок 0: ДВ разомкнут"
            << " Блок 0: ДВ разомкнут";
        QTest::newRow("link lost")
            << 0 << "l 128 0"
            << R"({"time": "2026-12-06T10:00:00.123+00:00", "address": 128, "event": "link", "state": "lost"})"
            << "  Блок 128: НЕТ СВЯЗИ С БЛОКОМ!"
            << " Блок 128: НЕТ СВЯЗИ С БЛОКОМ!";
    }
    void eventForms()
    {
        QFETCH(int, offsetMinutes);
        QFETCH(QString, reading);
        QFETCH(QString, json);
        QFETCH(QString, listLine);
        QFETCH(QString, fileLine);
        Rig rig({0, 7, 12, 128});
        QList<LineEvent> seen;
        connect(&rig.states, &LineStates::event, this, [&](const LineEvent &e) {
            seen << e;
            seen.last().time = kWhen.toOffsetFromUtc(offsetMinutes * 60);
        });
        rig.play({reading});
        QCOMPARE(seen.size(), 1);
        QCOMPARE(QString::fromUtf8(lineEventJson(seen[0])), json);
        const JournalLine line = lineEventJournalLine(seen[0]);
        QCOMPARE(line.listText, listLine);
        QCOMPARE(line.fileText, fileLine);
    }

    void readingsBecomeEvents_data()
    {
        QTest::addColumn<QStringList>("readings");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("attention");  // per row: cells needing acknowledgement
        QTest::addColumn<bool>("tone");
        QTest::newRow("first readings once, repeats nothing")
            << QStringList{"l 7 1", "f 7 1 0", "f 7 2 0", "t 7 0", "f 7 1 0", "t 7 0", "l 7 1"}
            << QStringList{"7 link alive", "7 flank 1 norm", "7 flank 2 norm", "7 tamper closed"}
            << "7:" << false;
        QTest::newRow("a code without a name changes nothing")
            << QStringList{"f 7 1 0", "f 7 1 99", "f 7 1 0", "f 7 1 99", "f 7 1 1"}
            << QStringList{"7 flank 1 norm", "7 flank 1 alarm"} << "7:1" << true;
        QTest::newRow("addresses not watched are ignored")
            << QStringList{"f 9 1 1", "t 9 1", "l 9 0"} << QStringList{} << "7:" << false;
        QTest::newRow("alarm stays highlighted after norm; tone only while it stands")
            << QStringList{"f 7 2 1", "f 7 2 0"} << QStringList{"7 flank 2 alarm", "7 flank 2 norm"}
            << "7:2" << false;
        QTest::newRow("tamper and lost link highlighted, no tone")
            << QStringList{"t 7 1", "t 7 0", "l 7 1", "l 7 0", "l 7 1"}
            << QStringList{"7 tamper open", "7 tamper closed", "7 link alive", "7 link lost",
                           "7 link alive"}
            << "7:TL" << false;
        QTest::newRow("faults are not alarms")
            << QStringList{"f 7 1 4", "f 7 2 36", "f 7 1 2"}
            << QStringList{"7 flank 1 break", "7 flank 2 short", "7 flank 1 level"}
            << "7:" << false;
    }
    void readingsBecomeEvents()
    {
        QFETCH(QStringList, readings);
        QFETCH(QStringList, events);
        QFETCH(QString, attention);
        QFETCH(bool, tone);
        Rig rig({7});
        rig.play(readings);
        QCOMPARE(rig.events, events);
        const DetectorRow &row = rig.states.rows().at(0);
        QString cells = u"7:"_s;
        const char *marks = "12TL";
        for (int c = 0; c < DetectorRow::CellCount; ++c)
            cells += row.attention[c] ? QChar::fromLatin1(marks[c]) : QString();
        QCOMPARE(cells, attention);
        QCOMPARE(rig.states.alarmUnacknowledged(), tone);
        QCOMPARE(row.lastChange.isValid(), !events.isEmpty());
    }

    // A list as the journal writes it reads back as the same addresses.
    void addressListsWrittenShort_data()
    {
        QTest::addColumn<QList<int>>("addresses");
        QTest::addColumn<QString>("text");
        QTest::newRow("a range and one more") << QList<int>{1, 2, 3, 4, 5, 20} << "1-5,20";
        QTest::newRow("two in a row stay apart") << QList<int>{3, 4} << "3,4";
        QTest::newRow("order kept") << QList<int>{9, 1, 2, 3} << "9,1-3";
        QTest::newRow("ends of the bus") << QList<int>{0, 1, 2, 127, 128} << "0-2,127,128";
    }
    void addressListsWrittenShort()
    {
        QFETCH(QList<int>, addresses);
        QFETCH(QString, text);
        QCOMPARE(addressListText(addresses), text);
        QCOMPARE(parseAddressList(text), addresses);
    }

    // Acknowledging ends the highlights and the tone and is journalled with the
    // operator's name, among the line's other journal lines.
    void acknowledgementIsJournalled()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Jurnal.txt"_s);
        QStringList list;
        EventJournal journal(
            path, [&](const QString &e) { list.prepend(e); }, [] { return kWhen; });
        Rig rig({3, 7});
        LineJournal lineJournal(rig.states, journal);
        lineJournal.started(*PortDescription::parse(u"rfc2217://bus.local:2001"_s), {3, 7});
        rig.play({"f 7 1 1", "t 3 1"});
        QVERIFY(rig.states.alarmUnacknowledged());
        QVERIFY(rig.states.acknowledge(7, u"ivanov"_s));
        QVERIFY(!rig.states.alarmUnacknowledged());
        QVERIFY(!rig.states.acknowledge(7, u"ivanov"_s));         // nothing left to acknowledge
        QVERIFY(rig.states.rows().at(0).needsAcknowledgement());  // 3's tamper still stands
        lineJournal.stopped();

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString stamp = journalTimestamp(kWhen);
        const QStringList expected{
            " Наблюдение за линией.   Порт: rfc2217://bus.local:2001     Адреса: 3,7",
            " Блок 7: Фланг -1  Тревога", " Блок 3: ДВ разомкнут",
            " Блок 7: Квитировано, оператор ivanov", " Наблюдение за линией: стоп"};
        QByteArray want;
        for (const QString &words : expected)
            want += ('"' + stamp + words + "\"\r\n").toUtf8();
        QCOMPARE(QString::fromUtf8(file.readAll()), QString::fromUtf8(want));
        QCOMPARE(list.size(), expected.size());
    }
};

QTEST_MAIN(TestLineStates)
#include "test_linestates.moc"
