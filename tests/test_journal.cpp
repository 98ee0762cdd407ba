#include "journal/eventjournal.h"
#include "support/formfixture.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstring>

using namespace Qt::StringLiterals;

class JournalTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void timestamp_data();
    void timestamp();
    void entryGoesToListAndFile();
    void fileIsAppendedNeverOverwritten();
    void twoTimeReadingsPerEntry();
    void clearingKeepsTheFile();
    void unwritableFileKeepsListAndReportsOnce();
    void cutWriteLeavesNoFragment_data();
    void cutWriteLeavesNoFragment();
};

namespace {

// Lowers the file size limit of this process while it lives; a write that
// crosses it comes out short or fails with EFBIG instead of killing us.
struct FileSizeLimit {
    explicit FileSizeLimit(qint64 bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit lowered = saved;
        lowered.rlim_cur = rlim_t(bytes);
        setrlimit(RLIMIT_FSIZE, &lowered);
        savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, savedHandler);
    }
    rlimit saved{};
    void (*savedHandler)(int) = nullptr;
};

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

}  // namespace

void JournalTest::timestamp_data()
{
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("text");
    QTest::newRow("morning") << QDateTime(QDate(2026, 3, 14), QTime(9, 5, 7))
                             << u"14.03.2026 9:05:07"_s;
    QTest::newRow("midnight exactly gives the date alone")
        << QDateTime(QDate(2026, 1, 2), QTime(0, 0, 0)) << u"02.01.2026"_s;
    QTest::newRow("a second after midnight")
        << QDateTime(QDate(2026, 1, 2), QTime(0, 0, 1)) << u"02.01.2026 0:00:01"_s;
}

void JournalTest::timestamp()
{
    QFETCH(QDateTime, when);
    QFETCH(QString, text);
    // The hour's digits follow the locale's long time format; what must hold
    // is the date, one space, the time and no time zone.
    const QString stamp = journalTimestamp(when, QLocale(QLocale::Russian, QLocale::Russia));
    QCOMPARE(stamp.section(u' ', 0, 0), text.section(u' ', 0, 0));
    QCOMPARE(stamp.count(u' '), text.count(u' '));
    if (text.contains(u' '))
        QCOMPARE(QTime::fromString(stamp.section(u' ', 1), u"H:mm:ss"_s), when.time());
}

void JournalTest::entryGoesToListAndFile()
{
    FormFixture f;
    f.form->journal().ZapisJurnal(u"  ДВ разомкнут"_s, u" ДВ разомкнут"_s);
    f.now = f.now.addSecs(1);
    f.form->journal().ZapisJurnal(u"  ДВ замкнут"_s, u" ДВ замкнут"_s);

    // Newest first in the list, no quotes; oldest first in the file, quoted.
    const QString first = journalTimestamp(f.now.addSecs(-1));
    QCOMPARE(f.journalListItems(),
             QStringList({f.stamp() + u"  ДВ замкнут"_s, first + u"  ДВ разомкнут"_s}));
    QCOMPARE(f.journalFileLines(), QStringList({u"\""_s + first + u" ДВ разомкнут\""_s,
                                                u"\""_s + f.stamp() + u" ДВ замкнут\""_s}));

    QFile file(f.journalPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.endsWith("\"\r\n"));
    QCOMPARE(bytes.count("\r\n"), 2);
    QCOMPARE(bytes.count('\r'), 2);  // no CR CR LF
}

void JournalTest::fileIsAppendedNeverOverwritten()
{
    FormFixture f;
    {
        QFile file(f.journalPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\"earlier run\"\r\n");
    }
    f.form->journal().ZapisJurnal(u"   Стоп"_s, u" Стоп"_s);
    QCOMPARE(f.journalFileLines(),
             QStringList({u"\"earlier run\""_s, u"\""_s + f.stamp() + u" Стоп\""_s}));
}

void JournalTest::twoTimeReadingsPerEntry()
{
    // The list and the file each read the clock: a second can pass between.
    QTemporaryDir dir;
    QStringList list;
    int reading = 0;
    const QDateTime base(QDate(2026, 5, 1), QTime(12, 0, 0));
    EventJournal journal(
        dir.filePath(u"Jurnal.txt"_s), [&](const QString &e) { list.prepend(e); },
        [&] { return base.addSecs(reading++); });
    journal.ZapisJurnal(u"   Выполнен ДК"_s, u" Выполнен ДК"_s);
    QCOMPARE(list, QStringList{journalTimestamp(base) + u"   Выполнен ДК"_s});
    QFile file(dir.filePath(u"Jurnal.txt"_s));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()),
             u"\""_s + journalTimestamp(base.addSecs(1)) + u" Выполнен ДК\"\r\n"_s);
}

void JournalTest::clearingKeepsTheFile()
{
    FormFixture f;
    f.form->journal().ZapisJurnal(u"   Стоп"_s, u" Стоп"_s);
    f.form->journal().ZapisJurnal(u"   Выполнен ДК"_s, u" Выполнен ДК"_s);
    f.form->clearJournal();
    QCOMPARE(f.journalListItems(), QStringList{f.stamp() + u"  Очистка журнала"_s});
    QCOMPARE(f.journalFileLines(), QStringList({u"\""_s + f.stamp() + u" Стоп\""_s,
                                                u"\""_s + f.stamp() + u" Выполнен ДК\""_s,
                                                u"\""_s + f.stamp() + u" Очистка журнала\""_s}));
}

void JournalTest::unwritableFileKeepsListAndReportsOnce()
{
    QTemporaryDir dir;
    // A folder where the file should be: no write can succeed, even as root.
    const QString path = dir.filePath(u"Jurnal.txt"_s);
    QVERIFY(QDir().mkpath(path));
    QStringList list;
    QStringList reports;
    EventJournal journal(path, [&](const QString &e) { list.prepend(e); });
    journal.setFailureSink([&](const QString &error) { reports << error; });

    journal.ZapisJurnal(u"   Стоп"_s, u" Стоп"_s);
    journal.ZapisJurnal(u"   Стоп"_s, u" Стоп"_s);
    QCOMPARE(list.size(), 2);
    QCOMPARE(reports.size(), 1);
    QVERIFY(!reports.first().isEmpty());
    QVERIFY(!journal.fileWritable());

    // Writable again: reported as recovered, and entries land in the file.
    QVERIFY(QDir(path).removeRecursively());
    journal.ZapisJurnal(u"   Стоп"_s, u" Стоп"_s);
    QCOMPARE(reports.size(), 2);
    QVERIFY(reports.last().isEmpty());
    QVERIFY(journal.fileWritable());
    QVERIFY(QFile::exists(path));
}

void JournalTest::cutWriteLeavesNoFragment_data()
{
    const QByteArray whole = "\"06.12.2026 12:30:22 Фланг -1  Норма\"\r\n";
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<int>("room");  // bytes a file size limit leaves; -1: none
    QTest::newRow("line cut short") << whole << 5;
    QTest::newRow("no room at all") << whole << 0;
    QTest::newRow("line cut by a crash") << whole + "\"06." << -1;
}

void JournalTest::cutWriteLeavesNoFragment()
{
    QFETCH(QByteArray, before);
    QFETCH(int, room);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Jurnal.txt"_s);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
    }
    QStringList reports;
    const QDateTime when(QDate(2026, 12, 6), QTime(12, 30, 23));
    EventJournal journal(path, {}, [&] { return when; });
    journal.setFailureSink([&](const QString &error) { reports << error; });
    if (room >= 0) {
        {
            const FileSizeLimit limit(before.size() + room);
            journal.ZapisJurnal(u" Тревога"_s, u" Тревога"_s);
        }
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(reports, QStringList{QString::fromLocal8Bit(std::strerror(EFBIG))});
    }
    journal.ZapisJurnal(u" Тревога"_s, u" Тревога"_s);
    // Every line whole, the new one at a line start.
    const QByteArray line = "\"" + journalTimestamp(when).toUtf8() + " Тревога\"\r\n";
    QCOMPARE(fileBytes(path), before + (before.endsWith('\n') ? "" : "\r\n") + line);
    QCOMPARE(reports.size(), room >= 0 ? 2 : 0);
    QVERIFY(reports.isEmpty() || reports.last().isEmpty());
}

QTEST_MAIN(JournalTest)
#include "test_journal.moc"
