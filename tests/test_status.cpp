// FlankMonitor: what a status reply shows, and which changes it journals.
#include "monitor/statusdecoder.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

StatusReading reading(int stateByte)
{
    StatusReading r;
    r.stateByte = stateByte;
    return r;
}

}  // namespace

class StatusTest : public QObject {
    Q_OBJECT
private slots:
    void indication_data()
    {
        QTest::addColumn<int>("stateByte");
        QTest::addColumn<QString>("flank");  // caption, then the fault note; "": left as shown
        QTest::addColumn<ToneChange>("tone");
        QTest::addColumn<EnableChange>("remoteTest");
        QTest::addColumn<bool>("tamperOpen");
        QTest::newRow("norm") << 0x00 << u"Норма| "_s << ToneChange::Stop << EnableChange::Enable
                              << false;
        QTest::newRow("alarm, tamper open") << 0x11 << u"Тревога| "_s << ToneChange::StartIfSoundOn
                                            << EnableChange::Disable << true;
        QTest::newRow("bad level") << 0x02 << u"Неисправность|Некорректный уровень ПМ!"_s
                                   << ToneChange::Unchanged << EnableChange::Unchanged << false;
        QTest::newRow("cable short, tamper open")
            << 0x34 << u"Неисправность| Замыкание кабеля "_s << ToneChange::Unchanged
            << EnableChange::Unchanged << true;
        QTest::newRow("bit 0x20 alone is no short")
            << 0x20 << QString() << ToneChange::Unchanged << EnableChange::Unchanged << false;
        QTest::newRow("high bit with alarm")
            << 0x81 << QString() << ToneChange::Unchanged << EnableChange::Unchanged << false;
    }
    void indication()
    {
        QFETCH(int, stateByte);
        QFETCH(QString, flank);
        QFETCH(ToneChange, tone);
        QFETCH(EnableChange, remoteTest);
        QFETCH(bool, tamperOpen);
        FlankMonitor monitor;
        const StatusIndication shown = monitor.decode(reading(stateByte), u"1"_s);
        QCOMPARE(shown.flankShown, !flank.isEmpty());
        if (shown.flankShown) {
            QCOMPARE(shown.flankCaption + u'|' + shown.faultCaption, flank);
            QCOMPARE(shown.faultNote == FaultNoteChange::RedText, flank.startsWith(u"Неиспр"_s));
        } else {
            QCOMPARE(shown.faultNote, FaultNoteChange::Unchanged);
        }
        QCOMPARE(shown.tone, tone);
        QCOMPARE(shown.remoteTest, remoteTest);
        QCOMPARE(shown.tamperCaption, tamperOpen ? u"Разомкнут"_s : u"Замкнут"_s);
        QCOMPARE(shown.tamperColour, tamperOpen ? bgr::Red : bgr::Black);
    }
    void journal_data()
    {
        // Replies from program start as "stateByte@flank"; the lines journalled,
        // list text then file text.
        QTest::addColumn<QString>("replies");
        QTest::addColumn<QStringList>("lines");
        const QString alarm = u"  Фланг -1  Тревога| Фланг -1  Тревога"_s;
        const QString norm = u"  Фланг -1  Норма| Фланг -1  Норма"_s;
        const QString brk = u"  Фланг -1  Обрыв кабеля| Фланг -1  Обрыв кабеля"_s;
        QTest::newRow("first norm, closed") << u"0@1"_s << QStringList{};
        QTest::newRow("alarm, norm, alarm") << u"1@1 0@1 1@1"_s << QStringList{alarm, norm, alarm};
        QTest::newRow("identical alarms") << u"1@1 1@1 1@1"_s << QStringList{alarm};
        QTest::newRow("flank switch in alarm")
            << u"1@2 1@1"_s << QStringList{u"  Фланг -2  Тревога| Фланг -2  Тревога"_s};
        QTest::newRow("unknown code between equal") << u"4@1 8@1 4@1"_s << QStringList{brk, brk};
        QTest::newRow("bad level, file spelling")
            << u"2@2"_s
            << QStringList{u"  Фланг -2  Некорректный уровень| Фланг -2  Некоректный уровень"_s};
        QTest::newRow("tamper opens with an alarm, then closes")
            << u"17@1 17@1 1@1"_s
            << QStringList{alarm, u"  ДВ разомкнут| ДВ разомкнут"_s, u"  ДВ замкнут| ДВ замкнут"_s};
    }
    void journal()
    {
        QFETCH(QString, replies);
        QFETCH(QStringList, lines);
        FlankMonitor monitor;
        QStringList written;
        for (const QString &reply : replies.split(u' ')) {
            const StatusIndication shown =
                monitor.decode(reading(reply.section(u'@', 0, 0).toInt()), reply.section(u'@', 1));
            for (const JournalLine &line : shown.journal)
                written << line.listText + u'|' + line.fileText;
        }
        QCOMPARE(written, lines);
    }
};

QTEST_APPLESS_MAIN(StatusTest)
#include "test_status.moc"
