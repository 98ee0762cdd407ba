// The files the program writes for the user: what they say about their
// context (the stamp under a saved chart, the site, installer, unit number
// and signatures of a report), and how they behave on a disk that fills up:
// a CSV recording keeps whole rows only, a report replaces its older self
// only when complete, and each failure names the system's reason in the
// program's words.
#include "base/datetext.h"
#include "files/chartstamp.h"
#include "files/commissioningreport.h"
#include "files/statuscsv.h"
#include "i18n/language.h"
#include "support/filesizelimit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <optional>

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

// The program's language for one test, Russian again afterwards.
struct InLanguage {
    explicit InLanguage(bool english)
    {
        installLanguage(*QCoreApplication::instance(),
                        english ? Language::English : Language::Russian);
    }
    ~InLanguage() { installLanguage(*QCoreApplication::instance(), Language::Russian); }
};

// A chart as the window draws one: white, a dotted grid, a trace.
QImage sampleChart()
{
    QImage chart(649, 345, QImage::Format_RGB32);
    chart.fill(Qt::white);
    for (int x = 0; x < chart.width(); x += 3)
        for (int y = 6; y < chart.height(); y += 66)
            chart.setPixel(x, y, qRgb(0, 0, 0));
    for (int x = 0; x < chart.width(); ++x)
        chart.setPixel(x, 300 - x / 4, qRgb(0, 0, 255));
    return chart;
}

// The text a reader of the report sees, cells and lines run together with
// one space between them.
QString reportText(const CommissioningReport &report)
{
    QTextDocument document;
    document.setHtml(report.html());
    return document.toPlainText().simplified();
}

}  // namespace

class TestFiles : public QObject {
    Q_OBJECT
private slots:
    // The stamp under a saved chart says when, which detector and flank, at
    // what speed and scales, against which threshold, in the window's
    // language and numbers.
    void stampSaysWhatTheChartShows_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("flank");
        QTest::addColumn<int>("baud");
        QTest::addColumn<double>("voltsPerDivision");
        QTest::addColumn<double>("secondsPerDivision");
        QTest::addColumn<double>("threshold");   // below 0: nothing drawn yet
        QTest::addColumn<QStringList>("lines");  // after the date and time
        QTest::newRow("1 V and 0.5 s per division")
            << false << 7 << 2 << 19200 << 1.0 << 0.5 << 1.1
            << QStringList{u"Адрес блока: 7    Фланг: 2    Скорость: 19200 бод"_s,
                           u"Масштаб: 1 В/дел., 0,5 с/дел.    Порог: 1,1 В"_s};
        QTest::newRow("0.5 V and 1 s per division")
            << false << 128 << 1 << 115200 << 0.5 << 1.0 << 0.7
            << QStringList{u"Адрес блока: 128    Фланг: 1    Скорость: 115200 бод"_s,
                           u"Масштаб: 0,5 В/дел., 1 с/дел.    Порог: 0,7 В"_s};
        QTest::newRow("nothing known yet")
            << false << 1 << 1 << 0 << 1.0 << 0.5 << -1.0
            << QStringList{u"Адрес блока: 1    Фланг: 1    Скорость: —"_s,
                           u"Масштаб: 1 В/дел., 0,5 с/дел.    Порог: —"_s};
        QTest::newRow("English") << true << 7 << 2 << 19200 << 0.5 << 0.5 << 1.25
                                 << QStringList{
                                        u"Unit address: 7    Flank: 2    Speed: 19200 baud"_s,
                                        u"Scale: 0.5 V/div., 0.5 s/div.    Threshold: 1.25 V"_s};
    }
    void stampSaysWhatTheChartShows()
    {
        QFETCH(bool, english);
        QFETCH(int, address);
        QFETCH(int, flank);
        QFETCH(int, baud);
        QFETCH(double, voltsPerDivision);
        QFETCH(double, secondsPerDivision);
        QFETCH(double, threshold);
        QFETCH(QStringList, lines);
        const InLanguage language(english);
        ChartStamp stamp;
        stamp.time = kStart;
        stamp.address = address;
        stamp.flank = flank;
        stamp.baud = baud;
        stamp.voltsPerDivision = voltsPerDivision;
        stamp.secondsPerDivision = secondsPerDivision;
        if (threshold >= 0)
            stamp.thresholdVolts = threshold;
        const QStringList made = chartStampLines(stamp);
        QCOMPARE(made.mid(1), lines);
        QCOMPARE(made.first(),
                 (english ? u"Date and time: "_s : u"Дата и время: "_s) + dateTimeText(kStart));
    }

    // The stamped picture is the chart, pixel for pixel, above a band that
    // holds text.
    void stampedChartKeepsTheChart()
    {
        const QImage chart = sampleChart();
        ChartStamp stamp;
        stamp.time = kStart;
        stamp.baud = 9600;
        const QImage stamped = stampedChart(chart, stamp);
        QCOMPARE(stamped.width(), chart.width());
        QVERIFY(stamped.height() > chart.height() + 30);
        QCOMPARE(stamped.copy(0, 0, chart.width(), chart.height()).convertToFormat(chart.format()),
                 chart);
        // Text is drawn in the band: dark pixels below the chart's edge.
        int dark = 0;
        for (int y = chart.height() + 2; y < stamped.height(); ++y)
            for (int x = 0; x < stamped.width(); ++x)
                dark += qGray(stamped.pixel(x, y)) < 128;
        QVERIFY2(dark > 200 * chartStampLines(stamp).size(), qPrintable(QString::number(dark)));
    }

    // What the report says besides the detector's data: the site, the
    // installer, the unit number the detector gave (or that it gave none),
    // a control pass that was not made, and where to sign.
    void reportCarriesItsContext_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<int>("unitNumber");  // 0: not read
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<QStringList>("notSaid");
        QTest::newRow("Russian") << false << 7
                                 << QStringList{u"Объект Склад № 3, периметр"_s,
                                                u"Монтажник Петров П. П."_s,
                                                u"Номер блока 7"_s,
                                                u"Контрольный проход не выполнялся"_s,
                                                u"Монтажник Петров П. П. Подпись ____"_s,
                                                u"Заказчик Подпись ____"_s,
                                                u"Дата ____"_s}
                                 << QStringList{u"не прочитан"_s};
        QTest::newRow("Russian, no number")
            << false << 0 << QStringList{u"Номер блока не прочитан: блок не ответил"_s}
            << QStringList{};
        QTest::newRow("English") << true << 7
                                 << QStringList{u"Site Склад № 3, периметр"_s,
                                                u"Installer Петров П. П."_s,
                                                u"Unit number 7"_s,
                                                u"No control pass was made"_s,
                                                u"Installer Петров П. П. Signature ____"_s,
                                                u"Customer Signature ____"_s,
                                                u"Date ____"_s}
                                 << QStringList{u"not read"_s};
    }
    void reportCarriesItsContext()
    {
        QFETCH(bool, english);
        QFETCH(int, unitNumber);
        QFETCH(QStringList, said);
        QFETCH(QStringList, notSaid);
        const InLanguage language(english);
        CommissioningReport report = sampleReport();
        report.pass.reset();
        report.site = u"Склад № 3, периметр"_s;
        report.installer = u"Петров П. П."_s;
        if (unitNumber)
            report.unitNumber = unitNumber;
        const QString text = reportText(report);
        for (const QString &words : said)
            QVERIFY2(text.contains(words), qPrintable(words + u" not in:\n"_s + text));
        for (const QString &words : notSaid)
            QVERIFY2(!text.contains(words), qPrintable(words + u" in:\n"_s + text));
    }

    // With a pass, the report says what it measured and nothing of a pass
    // that was not made; left empty, the site and installer are lines to
    // write on.
    void reportWithPassAndBlankFields()
    {
        const QString text = reportText(sampleReport());
        QVERIFY(!text.contains(u"не выполнялся"_s));
        QVERIFY(text.contains(u"Средний полезный сигнал 1,5 В"_s));
        QVERIFY2(text.contains(u"Объект ________"_s), qPrintable(text));
        QVERIFY(text.contains(u"Монтажник ________"_s));
    }

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
        std::optional<FileSizeLimit> lowered;
        if (limit >= 0)
            lowered.emplace(limit);
        QVERIFY(!sampleReport().writePdf(path, &error));
        lowered.reset();
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
