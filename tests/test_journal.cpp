// The event journal: list entries and file lines, read back byte for byte.
#include "journal/eventjournal.h"
#include "support/filesizelimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// A journal in a temporary folder whose clock moves one second per reading.
struct Rig {
    QTemporaryDir dir;
    QString path = dir.filePath(u"Jurnal.txt"_s);
    QStringList list;  // top first
    QDateTime start{QDate(2026, 3, 14), QTime(9, 26, 53)};
    int readings = 0;
    EventJournal journal{path, [this](const QString &e) { list.prepend(e); },
                         [this] { return start.addSecs(readings++); }};

    QString stamp(int reading) const { return journalTimestamp(start.addSecs(reading)); }
    QByteArray file() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

}  // namespace

class JournalTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    // The date and time of every journal line follow the window's language:
    // Russian as the locale writes it, English in ISO 8601 with the 24-hour
    // clock whichever English-speaking country the locale belongs to.
    void timestampByLanguage_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("text");
        const QLocale russian(QLocale::Russian, QLocale::Russia);
        const QLocale british(QLocale::English, QLocale::UnitedKingdom);
        const QLocale american(QLocale::English, QLocale::UnitedStates);
        const QDateTime afternoon(QDate(2026, 12, 7), QTime(14, 5, 9));
        const QDateTime morning(QDate(2026, 3, 4), QTime(9, 5, 7));
        const QDateTime midnight(QDate(2026, 1, 2), QTime(0, 0, 0));
        QTest::newRow("Russian") << russian << afternoon << u"07.12.2026 14:05:09"_s;
        QTest::newRow("Russian, midnight") << russian << midnight << u"02.01.2026"_s;
        QTest::newRow("British") << british << afternoon << u"2026-12-07 14:05:09"_s;
        QTest::newRow("British, midnight") << british << midnight << u"2026-01-02"_s;
        QTest::newRow("British, a second after midnight")
            << british << midnight.addSecs(1) << u"2026-01-02 00:00:01"_s;
        QTest::newRow("American") << american << afternoon << u"2026-12-07 14:05:09"_s;
        QTest::newRow("American, morning") << american << morning << u"2026-03-04 09:05:07"_s;
    }
    void timestampByLanguage()
    {
        QFETCH(QLocale, locale);
        QFETCH(QDateTime, when);
        QFETCH(QString, text);
        QCOMPARE(journalTimestamp(when, locale), text);
    }
    void entriesGoToListAndFile()
    {
        Rig rig;
        {
            QFile earlier(rig.path);  // an earlier run's journal is appended to
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("\"earlier run\"\r\n");
        }
        rig.journal.record(u"  ДВ разомкнут"_s, u" ДВ разомкнут"_s);
        rig.journal.record({u"   Стоп"_s, u" Стоп"_s});
        // Newest first in the list, no quotes; the list and the file each read
        // the clock. Oldest first in the file, quoted, CR LF (never CR CR LF).
        QCOMPARE(rig.list,
                 QStringList({rig.stamp(2) + u"   Стоп"_s, rig.stamp(0) + u"  ДВ разомкнут"_s}));
        const QString file = u"\"earlier run\"\r\n\"%1 ДВ разомкнут\"\r\n\"%2 Стоп\"\r\n"_s.arg(
            rig.stamp(1), rig.stamp(3));
        QCOMPARE(rig.file(), file.toUtf8());
    }
    void unwritableFileKeepsListAndReportsOnce()
    {
        Rig rig;
        // A folder where the file should be: no write can succeed, even as root.
        QVERIFY(QDir().mkpath(rig.path));
        QStringList reports;
        rig.journal.setFailureSink([&](const QString &error) { reports << error; });
        rig.journal.record(u"   Стоп"_s, u" Стоп"_s);
        rig.journal.record(u"   Стоп"_s, u" Стоп"_s);
        QCOMPARE(rig.list.size(), 2);
        QCOMPARE(reports.size(), 1);
        QVERIFY(!reports.first().isEmpty());
        QVERIFY(!rig.journal.fileWritable());

        // Writable again: reported as recovered, and entries land in the file.
        QVERIFY(QDir(rig.path).removeRecursively());
        rig.journal.record(u"   Выполнен ДК"_s, u" Выполнен ДК"_s);
        QCOMPARE(reports.size(), 2);
        QVERIFY(reports.last().isEmpty());
        QVERIFY(rig.journal.fileWritable());
        QCOMPARE(rig.file(), u"\"%1 Выполнен ДК\"\r\n"_s.arg(rig.stamp(5)).toUtf8());
    }
    void cutWriteLeavesNoFragment_data()
    {
        const QByteArray whole = "\"06.12.2026 12:30:22 Фланг -1  Норма\"\r\n";
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("room");  // bytes a file size limit leaves; -1: none
        QTest::newRow("line cut short") << whole << 5;
        QTest::newRow("no room at all") << whole << 0;
        QTest::newRow("line cut by a crash") << whole + "\"06." << -1;
    }
    void cutWriteLeavesNoFragment()
    {
        QFETCH(QByteArray, before);
        QFETCH(int, room);
        Rig rig;
        {
            QFile file(rig.path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
        }
        QStringList reports;
        rig.journal.setFailureSink([&](const QString &error) { reports << error; });
        if (room >= 0) {
            {
                const FileSizeLimit limit(before.size() + room);
                rig.journal.record(u" Тревога"_s, u" Тревога"_s);
            }
            QCOMPARE(rig.file(), before);
            // The system's reason, not Qt's "Unknown error".
            QCOMPARE(reports, QStringList{QString::fromLocal8Bit(std::strerror(EFBIG))});
        }
        rig.journal.record(u" Тревога"_s, u" Тревога"_s);
        // Every line whole, the new one at a line start.
        const int reading = room >= 0 ? 3 : 1;
        const QByteArray line = "\"" + rig.stamp(reading).toUtf8() + " Тревога\"\r\n";
        QCOMPARE(rig.file(), before + (before.endsWith('\n') ? "" : "\r\n") + line);
        QCOMPARE(reports.size(), room >= 0 ? 2 : 0);
        QVERIFY(reports.isEmpty() || reports.last().isEmpty());
    }
};

QTEST_GUILESS_MAIN(JournalTest)
#include "test_journal.moc"
