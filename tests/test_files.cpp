// The files the program writes for the user, on a disk that fills up: a CSV
// recording keeps whole rows only, and each failure names the system's
// reason in the program's words.
#include "files/statuscsv.h"
#include "support/filesizelimit.h"

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
};

QTEST_MAIN(TestFiles)
#include "test_files.moc"
