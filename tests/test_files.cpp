// The files the program writes for the user, on a disk that fills up: a CSV
// recording keeps whole rows only, a report replaces its older self only
// when complete, and each failure names the system's reason in the
// program's words.
#include "files/commissioningreport.h"
#include "files/statuscsv.h"
#include "support/filesizelimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every entry of a folder, hidden ones too.
QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

const QDateTime kStart(QDate(2026, 12, 6), QTime(12, 30, 22));

StatusReading reading(int n)
{
    StatusReading r;
    r.signal = 51 * n;
    r.threshold = 102;
    r.stateByte = n % 2 ? 0x10 : 0;
    r.level1 = 10 + n;
    r.level2 = 20 + n;
    return r;
}

CommissioningReport sampleReport()
{
    CommissioningReport report;
    report.time = kStart;
    report.port = u"COM-порт 1 (/dev/ttyS0)"_s;
    report.baud = 19200;
    report.address = 1;
    report.takeStatus(1, reading(1));
    CommissioningReport::Pass pass;
    pass.seconds = 3;
    pass.meanVolts = 1.5;
    pass.thresholdVolts = 2;
    for (int i = 0; i < 30; ++i)
        pass.signal.append(QPointF(i / 10.0, 1 + (i % 7) / 10.0));
    report.pass = pass;
    return report;
}

}  // namespace

class TestFiles : public QObject {
    Q_OBJECT
private slots:
    // A row the disk has no room for is not left in the file: the recording
    // still ends with its last whole row, and goes on once there is room.
    void csvKeepsWholeRows_data()
    {
        QTest::addColumn<int>("room");  // bytes the file may still grow by
        QTest::newRow("row cut short") << 7;
        QTest::newRow("no room at all") << 0;
        QTest::newRow("room for all but the newline")
            << int(StatusCsvWriter::row(kStart, 1, reading(2)).size()) - 1;
    }
    void csvKeepsWholeRows()
    {
        QFETCH(int, room);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"rec.csv"_s);
        StatusCsvWriter csv;
        QVERIFY(csv.open(path));
        QByteArray expected = StatusCsvWriter::header();
        for (int n = 0; n < 2; ++n) {
            QVERIFY(csv.append(kStart.addSecs(n), 1, reading(n)));
            expected += StatusCsvWriter::row(kStart.addSecs(n), 1, reading(n));
        }
        {
            const FileSizeLimit limit(expected.size() + room);
            QVERIFY(!csv.append(kStart.addSecs(2), 1, reading(2)));
        }
        QCOMPARE(csv.errorString(), u"файл слишком большой"_s);
        QCOMPARE(csv.rows(), 2);
        QCOMPARE(contents(path), expected);

        QVERIFY(csv.append(kStart.addSecs(3), 2, reading(3)));
        csv.close();
        expected += StatusCsvWriter::row(kStart.addSecs(3), 2, reading(3));
        QCOMPARE(contents(path), expected);
        QVERIFY(expected.endsWith('\n'));
    }

    void csvOpenNamesTheReason_data()
    {
        QTest::addColumn<QString>("path");  // "%1": a temporary folder
        QTest::addColumn<QString>("reason");
        QTest::newRow("full disk") << u"/dev/full"_s << u"нет места на диске"_s;
        QTest::newRow("no such folder")
            << u"%1/missing/rec.csv"_s << u"нет такого файла или папки"_s;
        QTest::newRow("a folder") << u"%1"_s << u"это папка"_s;
        QTest::newRow("a file for a folder")
            << u"%1/file/rec.csv"_s << u"часть пути не является папкой"_s;
    }
    void csvOpenNamesTheReason()
    {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QFile file(dir.filePath(u"file"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        StatusCsvWriter csv;
        QVERIFY(!csv.open(path.arg(dir.path())));
        QCOMPARE(csv.errorString(), reason);
    }

    // A report that cannot be written whole leaves the older report as it
    // was and nothing else in its folder.
    void reportWrittenWholeOrNotAtAll_data()
    {
        QTest::addColumn<QByteArray>("before");  // the older report; empty: none
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("limit");  // file size limit; -1: none
        QTest::addColumn<QString>("reason");
        QTest::newRow("full, over an older report")
            << QByteArray("%PDF-1.4 older report\n%%EOF\n") << u"otchet.pdf"_s << qint64(4096)
            << u"файл слишком большой"_s;
        QTest::newRow("full, no older report")
            << QByteArray() << u"otchet.pdf"_s << qint64(4096) << u"файл слишком большой"_s;
        QTest::newRow("full at once")
            << QByteArray("older") << u"otchet.pdf"_s << qint64(0) << u"файл слишком большой"_s;
        QTest::newRow("no such folder") << QByteArray() << u"missing/otchet.pdf"_s << qint64(-1)
                                        << u"нет такого файла или папки"_s;
    }
    void reportWrittenWholeOrNotAtAll()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, name);
        QFETCH(qint64, limit);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        if (!before.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
        }
        const QStringList entriesBefore = entries(dir.path());
        QString error;
        bool written = false;
        if (limit >= 0) {
            const FileSizeLimit lowered(limit);
            written = sampleReport().writePdf(path, &error);
        } else {
            written = sampleReport().writePdf(path, &error);
        }
        QVERIFY(!written);
        QCOMPARE(error, reason);
        QCOMPARE(contents(path), before);
        QCOMPARE(entries(dir.path()), entriesBefore);
    }

    void reportReplacesTheOlderOne()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"otchet.pdf"_s);
        QFile older(path);
        QVERIFY(older.open(QIODevice::WriteOnly) && older.write(QByteArray(100000, 'x')) > 0);
        older.close();
        QString error;
        QVERIFY2(sampleReport().writePdf(path, &error), qPrintable(error));
        const QByteArray pdf = contents(path);
        QVERIFY(pdf.startsWith("%PDF-"));
        QVERIFY(pdf.trimmed().endsWith("%%EOF"));
        QVERIFY(!pdf.contains("xxxxxxxx"));
        QCOMPARE(entries(dir.path()), QStringList{u"otchet.pdf"_s});
    }
};

QTEST_MAIN(TestFiles)
#include "test_files.moc"
