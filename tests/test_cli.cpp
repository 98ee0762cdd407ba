// verkan-cli as a user runs it: the built program against verkan-sim on a
// pseudo-terminal (COM port 1), with no display. Every command, the exit
// codes, the files it writes, and files it must refuse without writing.
#include "support/ser2netserver.h"
#include "support/simdetector.h"

#include <QHostAddress>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <csignal>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A simulated detector in the test's folder, with what the tests read of it.
struct Sim : SimDetector {
    Sim(const QTemporaryDir &dir, const QString &name, const QStringList &options)
        : SimDetector(QStringLiteral(VERKAN_SIM_PATH), dir, options, name)
    {
    }
    // The stored settings of both flanks ("limit 1, gain 5, ..."), without
    // the flank states.
    QStringList settings()
    {
        QStringList lines = command(u"status"_s, 3).mid(1);
        for (QString &line : lines)
            line.remove(QRegularExpression(u"^flank \\d: \\w+, "_s));
        return lines;
    }
    // Setting writes the detector heard (codes 45, 47, 49..53).
    int writesHeard() const
    {
        QFile file(log());
        file.open(QIODevice::ReadOnly);
        return int(QString::fromUtf8(file.readAll())
                       .count(QRegularExpression(u"< \\$[0-9a-f]{2}(2d|2f|3[1-5])"_s)));
    }
};

struct Run {
    int code = -1;
    QString out;
    QString err;
};

// Starts verkan-cli with port 1 at `tty` and every other port at a missing
// path, on a machine without a display; `environment` ("NAME=value") is set
// on top, and given a file size limit in bytes, it finds the disk full beyond
// it.
void startCli(QProcess &process, const QStringList &arguments, const QString &tty,
              const QStringList &environment = {}, qint64 fileSizeLimit = -1)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"VERKAN_COM1"_s, tty);
    for (int n = 2; n <= 16; ++n)
        env.insert(u"VERKAN_COM%1"_s.arg(n), tty + u".missing"_s);
    for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
        env.remove(name);
    for (const QString &setting : environment)
        env.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    process.setProcessEnvironment(env);
    if (fileSizeLimit >= 0)
        process.setChildProcessModifier([fileSizeLimit] {
            rlimit limit{};
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = rlim_t(fileSizeLimit);
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::signal(SIGXFSZ, SIG_IGN);
        });
    process.start(QStringLiteral(VERKAN_CLI_PATH), arguments);
}

// A run that has not ended within `seconds` ends with code -1.
Run finished(QProcess &process, int seconds = 120)
{
    Run run;
    if (!process.waitForFinished(seconds * 1000))
        return run;
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

Run cli(const QStringList &arguments, const QString &tty, const QStringList &environment = {},
        qint64 fileSizeLimit = -1, int seconds = 120)
{
    QProcess process;
    startCli(process, arguments, tty, environment, fileSizeLimit);
    return finished(process, seconds);
}

// How the serial server stands when the command runs.
enum class Server {
    Running,
    FirstClientHolds,  // another client is connected and keeps the port
    NotListening,      // nothing on the port
};

bool hasCyrillic(const QString &text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x400 && c.unicode() <= 0x4FF; });
}

const QByteArray kProfile = R"({"format": "verkan-r settings 1", "address": 1, "speed": 9600,
 "saved": "2026-12-06T12:00:00",
 "flanks": {"1": {"limit": 100, "gain": 3, "threshold": 1.1, "accumulation": 300, "front": 14,
                  "alarmTime": 7, "selfTestDuration": 250},
            "2": {"limit": 1, "gain": 9, "threshold": 0.7, "accumulation": 50, "front": 2,
                  "alarmTime": 1, "selfTestDuration": 10}}})";

}  // namespace

Q_DECLARE_METATYPE(Ser2netServer::Mode)
Q_DECLARE_METATYPE(Server)

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void recordWritesCsv();
    void reportWithPass();
    void reportSiteAndInstaller();
    void settingsRoundTrip();
    void badFileWritesNothing_data();
    void badFileWritesNothing();
    void refusedWriteIsReported();
    void silentMidwayIsReportedPerSetting();
    void language_data();
    void language();
    void reportNeedsNoDisplay();
    void fileFailuresNamed_data();
    void fileFailuresNamed();
    void recordOntoAFullDisk();
    void throughSerialServer_data();
    void throughSerialServer();
    void settingsThroughSerialServer();

private:
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestCli::commands_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QString>("simCommand");  // given before the tool runs
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("out");  // lines or parts of lines, in order
    QTest::addColumn<QString>("err");

    const QStringList none;
    QTest::newRow("status")
        << QStringList{u"--address"_s, u"7"_s, u"--baud"_s, u"19200"_s} << QString()
        << QStringList{u"--address"_s, u"7"_s, u"status"_s} << 0
        << QStringList{u"Блок 7, COM-порт 1 ("_s,     u"19200 бод"_s, u"Фланг 1: Норма"_s,
                       u"Датчик вскрытия: Замкнут"_s, u"Сигнал: "_s,  u"Порог: 1,5 В"_s,
                       u"Уровни <1> <2> : "_s}
        << QString();
    QTest::newRow("status of a faulty flank 2")
        << none << u"tamper open\nflank 2 break"_s << QStringList{u"status"_s, u"--flank"_s, u"2"_s}
        << 0
        << QStringList{u"Фланг 2: Неисправность Обрыв кабеля"_s, u"Датчик вскрытия: Разомкнут"_s}
        << QString();
    QTest::newRow("fixed speed") << QStringList{u"--baud"_s, u"38400"_s} << QString()
                                 << QStringList{u"--baud"_s, u"38400"_s, u"status"_s} << 0
                                 << QStringList{u"38400 бод"_s} << QString();
    QTest::newRow("fixed wrong speed")
        << QStringList{u"--baud"_s, u"38400"_s} << QString()
        << QStringList{u"--baud"_s, u"9600"_s, u"status"_s} << 3 << none << u"COM-порт 1 ("_s;
    QTest::newRow("other address")
        << QStringList{u"--address"_s, u"2"_s} << QString() << QStringList{u"status"_s} << 3 << none
        << u"нет связи с блоком 1. Проверьте адрес и питание!"_s;
    QTest::newRow("silent detector")
        << none << u"silence on"_s << QStringList{u"settings"_s, u"show"_s} << 3 << none
        << u"нет связи с блоком 1"_s;
    QTest::newRow("settings show") << QStringList{u"--baud"_s, u"4800"_s} << QString()
                                   << QStringList{u"settings"_s, u"show"_s} << 0
                                   << QStringList{u"\"1\": {"_s,
                                                  u"\"threshold\": 1.5"_s,
                                                  u"\"2\": {"_s,
                                                  u"\"threshold\": 1.3"_s,
                                                  u"\"format\": \"verkan-r settings 1\""_s,
                                                  u"\"speed\": 4800"_s}
                                   << QString();
    QTest::newRow("discover") << QStringList{u"--address"_s, u"5"_s, u"--baud"_s, u"57600"_s}
                              << QString() << QStringList{u"discover"_s, u"--addresses"_s, u"3-6"_s}
                              << 0 << QStringList{u"address 5 speed 57600"_s}
                              << u"поиск: 115200 бод"_s;
    QTest::newRow("discover address 0")
        << QStringList{u"--address"_s, u"0"_s, u"--baud"_s, u"115200"_s} << QString()
        << QStringList{u"discover"_s, u"--addresses"_s, u"0-1"_s} << 0
        << QStringList{u"address 0 speed 115200"_s} << QString();
    QTest::newRow("discover nothing") << QStringList{u"--address"_s, u"5"_s} << QString()
                                      << QStringList{u"discover"_s, u"--addresses"_s, u"0-4"_s} << 3
                                      << none << u"ни один блок не ответил"_s;
    QTest::newRow("missing port") << none << QString()
                                  << QStringList{u"--port"_s, u"2"_s, u"status"_s} << 4 << none
                                  << u".missing): порт не найден."_s;
    QTest::newRow("missing device")
        << none << QString() << QStringList{u"--port"_s, u"/nonexistent/tty"_s, u"discover"_s} << 4
        << none << u"verkan-cli: /nonexistent/tty: порт не найден."_s;
    QTest::newRow("empty port") << none << QString() << QStringList{u"--port"_s, u""_s, u"status"_s}
                                << 2 << none << u"--port: порт не указан"_s;
    QTest::newRow("negative length")
        << none << QString() << QStringList{u"record"_s, u"-1"_s, u"rec.csv"_s} << 2 << none
        << u"-1: ожидается положительное число"_s;
    QTest::newRow("unknown command") << none << QString() << QStringList{u"frobnicate"_s} << 2
                                     << none << u"неизвестная команда frobnicate"_s;
    QTest::newRow("unknown option") << none << QString() << QStringList{u"--bogus"_s, u"status"_s}
                                    << 2 << none << u"неизвестный параметр bogus"_s;
    QTest::newRow("option of another command")
        << none << QString() << QStringList{u"status"_s, u"--pass"_s, u"3"_s} << 2 << none
        << u"параметр --pass не относится к команде status"_s;
    QTest::newRow("site for another command")
        << none << QString() << QStringList{u"status"_s, u"--site"_s, u"Склад"_s} << 2 << none
        << u"параметр --site не относится к команде status"_s;
    QTest::newRow("installer for another command")
        << none << QString() << QStringList{u"settings"_s, u"show"_s, u"--installer"_s, u"Петров"_s}
        << 2 << none << u"параметр --installer не относится к команде settings show"_s;
    QTest::newRow("address out of range")
        << none << QString() << QStringList{u"--address"_s, u"129"_s, u"status"_s} << 2 << none
        << u"--address: адрес блока от 0 до 128"_s;
    QTest::newRow("missing file") << none << QString() << QStringList{u"settings"_s, u"save"_s} << 2
                                  << none << u"Использование: verkan-cli"_s;
    QTest::newRow("help") << none << QString() << QStringList{u"--help"_s} << 0
                          << QStringList{u"Использование: verkan-cli"_s, u"discover"_s,
                                         u"--site ТЕКСТ"_s, u"--installer ТЕКСТ"_s,
                                         u"Коды завершения"_s}
                          << QString();
}

void TestCli::commands()
{
    QFETCH(QStringList, simOptions);
    QFETCH(QString, simCommand);
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(QStringList, out);
    QFETCH(QString, err);
    Sim sim(m_dir, u"tty"_s, simOptions);
    QVERIFY(sim.ready());
    for (const QString &line : simCommand.split(u'\n', Qt::SkipEmptyParts))
        QCOMPARE(sim.command(line), QStringList{u"ok"_s});

    const Run run = cli(arguments, sim.tty());
    QVERIFY2(run.code == code, qPrintable(u"exit %1\n%2%3"_s.arg(run.code).arg(run.out, run.err)));
    qsizetype at = 0;
    for (const QString &part : out) {
        at = run.out.indexOf(part, at);
        QVERIFY2(at >= 0, qPrintable(part + u" not in:\n"_s + run.out));
    }
    if (out.isEmpty() && code != 0)
        QCOMPARE(run.out, QString());
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
    if (arguments.first() == u"discover"_s)
        QCOMPARE(run.out.count(u'\n'), out.size());
}

void TestCli::recordWritesCsv()
{
    Sim sim(m_dir, u"tty"_s, {u"--baud"_s, u"19200"_s});
    QVERIFY(sim.ready());
    QCOMPARE(sim.command(u"flank 2 alarm"_s), QStringList{u"ok"_s});
    const Run run =
        cli({u"record"_s, u"1.5"_s, file(u"rec.csv"_s), u"--flank"_s, u"2"_s}, sim.tty());
    QCOMPARE(run.code, 0);
    QFile csv(file(u"rec.csv"_s));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.first(),
             u"time,flank,state_code,state,tamper,signal_v,threshold_v,level1_v,level2_v"_s);
    // About one reply per 60 ms slot; how many came depends on the
    // machine's load, so only that some did.
    QVERIFY2(lines.size() > 2 && lines.size() < 40, qPrintable(QString::number(lines.size())));
    QVERIFY(run.out.contains(u"Записано ответов: %1"_s.arg(lines.size() - 1)));
    // Threshold 1.3 V at 4 x 51 counts per volt: 265 / 204.
    const QRegularExpression row(
        u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3},2,1,\"Тревога\",0,"
        "(\\d\\.\\d{3}),1\\.299,2\\.\\d{3},1\\.\\d{3}$"_s);
    for (const QString &line : lines.mid(1)) {
        const QRegularExpressionMatch match = row.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        QVERIFY(match.captured(1).toDouble() > 1.299);  // alarm: above the threshold
    }
}

void TestCli::reportWithPass()
{
    Sim sim(m_dir, u"tty"_s, {u"--address"_s, u"3"_s});
    QVERIFY(sim.ready());
    for (const QString &pass : {QString(), u"2"_s}) {
        QStringList arguments{u"--address"_s, u"3"_s, u"report"_s, file(u"report.pdf"_s)};
        if (!pass.isEmpty())
            arguments << u"--pass"_s << pass;
        const Run run = cli(arguments, sim.tty());
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QCOMPARE(run.out.contains(u"Средний полезный сигнал: 0,"_s), !pass.isEmpty());
        QFile pdf(file(u"report.pdf"_s));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF-"));
        QVERIFY(bytes.contains("/MediaBox [0 0 595"));  // A4: 595 x 842 points
        QVERIFY(bytes.contains("842"));
        // The picture of the pass is the report's only image.
        QCOMPARE(bytes.contains("/Subtype /Image"), !pass.isEmpty());
    }
}

void TestCli::reportSiteAndInstaller()
{
    // The site and the installer go into the report, the site also into the
    // PDF's title; the unit number the detector gave is said.
    Sim sim(m_dir, u"tty"_s, {u"--address"_s, u"3"_s});
    QVERIFY(sim.ready());
    const Run run = cli({u"--address"_s, u"3"_s, u"report"_s, file(u"site.pdf"_s), u"--site"_s,
                         u"Warehouse 7"_s, u"--installer"_s, u"Ivanov"_s},
                        sim.tty());
    QVERIFY2(run.code == 0, qPrintable(run.err));
    QVERIFY2(run.out.contains(u"Номер блока: 3\n"_s), qPrintable(run.out));
    QFile pdf(file(u"site.pdf"_s));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    const QString title = u"Протокол пусконаладки ВЕРКАН-Р — Warehouse 7"_s;
    QByteArray utf16{"\xfe\xff"};
    for (QChar c : title)
        utf16 += char(c.unicode() >> 8), utf16 += char(c.unicode() & 0xff);
    QVERIFY(bytes.contains(utf16));
}

void TestCli::settingsRoundTrip()
{
    // A takes the profile, then hands it on to B, which starts from other
    // values at another address.
    Sim a(m_dir, u"a"_s, {u"--baud"_s, u"9600"_s});
    Sim b(m_dir, u"b"_s, {u"--address"_s, u"9"_s, u"--baud"_s, u"57600"_s});
    QVERIFY(a.ready() && b.ready());
    QFile profile(file(u"profile.json"_s));
    QVERIFY(profile.open(QIODevice::WriteOnly) && profile.write(kProfile) > 0);
    profile.close();
    Run run = cli({u"settings"_s, u"apply"_s, profile.fileName()}, a.tty());
    QVERIFY2(run.code == 0, qPrintable(run.err));
    QVERIFY2(run.out.contains(u"Фланг 1, Порог (В): 1,5 -> 1,1\n"_s), qPrintable(run.out));
    QCOMPARE(run.out.count(u" -> "_s), 14);
    QCOMPARE(a.settings(), QStringList({u"limit 2, gain 3, threshold 4, accumulation 6, front 7, "
                                        u"alarm time 7, self-test 25"_s,
                                        u"limit 0, gain 9, threshold 0, accumulation 1, front 1, "
                                        u"alarm time 1, self-test 1"_s}));

    run = cli({u"settings"_s, u"save"_s, file(u"a.json"_s)}, a.tty());
    QCOMPARE(run.code, 0);
    QVERIFY(b.settings() != a.settings());
    run = cli({u"--address"_s, u"9"_s, u"settings"_s, u"apply"_s, file(u"a.json"_s)}, b.tty());
    QVERIFY2(run.code == 0, qPrintable(run.err));
    QCOMPARE(b.settings(), a.settings());
    QVERIFY(b.command(u"status"_s, 3).first().startsWith(u"address 9, baud 57600"_s));
    // Nothing left to write the second time.
    run = cli({u"--address"_s, u"9"_s, u"settings"_s, u"apply"_s, file(u"a.json"_s)}, b.tty());
    QCOMPARE(run.code, 0);
    QCOMPARE(b.writesHeard(), 14);
}

void TestCli::badFileWritesNothing_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QString>("err");
    QTest::newRow("malformed") << QByteArray("}}}") << QByteArray("}") << u"JSON"_s;
    QTest::newRow("missing key") << QByteArray("\"front\": 2,") << QByteArray()
                                 << u"нет ключа \"flanks.2.front\" (Фронт (мВ/мсек))"_s;
    QTest::newRow("unknown key") << QByteArray("\"gain\": 3,")
                                 << QByteArray("\"gain\": 3, \"hue\": 1,")
                                 << u"неизвестный ключ \"hue\""_s;
    QTest::newRow("off the table")
        << QByteArray("\"accumulation\": 50") << QByteArray("\"accumulation\": 75")
        << u"\"flanks.2.accumulation\" (Накопление (мсек)): недопустимое значение 75; допустимы: 50, 100,"_s;
}

void TestCli::badFileWritesNothing()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QString, err);
    Sim sim(m_dir, u"tty"_s, {});
    QVERIFY(sim.ready());
    const QStringList before = sim.settings();
    QFile bad(file(u"bad.json"_s));
    QVERIFY(bad.open(QIODevice::WriteOnly) &&
            bad.write(QByteArray(kProfile).replace(from, to)) > 0);
    bad.close();
    const Run run = cli({u"settings"_s, u"apply"_s, bad.fileName()}, sim.tty());
    QCOMPARE(run.code, 2);
    QVERIFY2(run.err.contains(err) && run.err.contains(u"Ничего не записано"_s),
             qPrintable(run.err));
    QCOMPARE(sim.writesHeard(), 0);
    QCOMPARE(sim.settings(), before);
}

void TestCli::refusedWriteIsReported()
{
    // The detector confirms a gain other than the one written.
    Sim sim(m_dir, u"tty"_s, {});
    QVERIFY(sim.ready());
    QCOMPARE(sim.command(u"oor 45 4"_s), QStringList{u"ok"_s});
    QFile profile(file(u"profile.json"_s));
    QVERIFY(profile.open(QIODevice::WriteOnly) && profile.write(kProfile) > 0);
    profile.close();
    const Run run = cli({u"settings"_s, u"apply"_s, profile.fileName()}, sim.tty());
    QCOMPARE(run.code, 5);
    QVERIFY2(run.err.contains(u"фланг 1, Усиление = 3: блок не принял значение, оставлено 4"_s),
             qPrintable(run.err));
}

void TestCli::silentMidwayIsReportedPerSetting()
{
    // The detector stops answering once the first write went out: the
    // output says of every setting whether it was confirmed, sent without
    // confirmation or not sent, and the exit code is that of a lost link.
    Sim sim(m_dir, u"tty"_s, {u"--baud"_s, u"19200"_s});
    QVERIFY(sim.ready());
    QFile profile(file(u"profile.json"_s));
    QVERIFY(profile.open(QIODevice::WriteOnly) && profile.write(kProfile) > 0);
    profile.close();
    QProcess process;
    startCli(process, {u"settings"_s, u"apply"_s, profile.fileName()}, sim.tty());
    QVERIFY(QTest::qWaitFor([&sim] { return sim.writesHeard() >= 1; }, 20000));
    QCOMPARE(sim.command(u"silence on"_s), QStringList{u"ok"_s});
    const Run run = finished(process);
    QCOMPARE(run.code, 3);
    const QStringList lines = run.err.split(u'\n', Qt::SkipEmptyParts);
    int confirmed = 0, unconfirmed = 0, notSent = 0;
    for (const QString &line : lines) {
        confirmed += line.endsWith(u": подтверждено"_s);
        unconfirmed += line.endsWith(u": отправлено, не подтверждено"_s);
        notSent += line.endsWith(u": не отправлено"_s);
    }
    QVERIFY2(confirmed >= 1 && unconfirmed >= 1 && notSent >= 1, qPrintable(run.err));
    QCOMPARE(confirmed + unconfirmed + notSent, 14);
    QVERIFY2(run.err.contains(u"нет связи с блоком 1"_s), qPrintable(run.err));
}

void TestCli::language_data()
{
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("english");
    QTest::newRow("English system")
        << QStringList{u"LANG=en_US.UTF-8"_s, u"LC_ALL="_s} << QStringList{} << true;
    QTest::newRow("Russian system")
        << QStringList{u"LANG=ru_RU.UTF-8"_s, u"LC_ALL="_s} << QStringList{} << false;
    QTest::newRow("--lang en") << QStringList{u"LANG=ru_RU.UTF-8"_s, u"LC_ALL="_s}
                               << QStringList{u"--lang"_s, u"en"_s} << true;
    QTest::newRow("--lang ru") << QStringList{u"LANG=en_US.UTF-8"_s, u"LC_ALL="_s}
                               << QStringList{u"--lang"_s, u"ru"_s} << false;
}

void TestCli::language()
{
    // status, a failure and the usage: no Russian letter in English; the
    // Russian texts as they always were.
    QFETCH(QStringList, environment);
    QFETCH(QStringList, options);
    QFETCH(bool, english);
    Sim sim(m_dir, u"tty"_s, {u"--baud"_s, u"19200"_s});
    QVERIFY(sim.ready());
    const Run status = cli(options + QStringList{u"status"_s}, sim.tty(), environment);
    QCOMPARE(status.code, 0);
    const Run missing =
        cli(options + QStringList{u"--port"_s, u"2"_s, u"status"_s}, sim.tty(), environment);
    QCOMPARE(missing.code, 4);
    const Run usage = cli(options + QStringList{u"--bogus"_s}, sim.tty(), environment);
    QCOMPARE(usage.code, 2);
    const QString all = status.out + status.err + missing.err + usage.err;
    QCOMPARE(hasCyrillic(all), !english);
    if (english) {
        QVERIFY2(status.out.contains(u"Tamper switch: "_s), qPrintable(status.out));
        QVERIFY2(status.out.contains(u"Threshold: 1.5 V"_s), qPrintable(status.out));
    } else {
        QVERIFY2(status.out.contains(u"Датчик вскрытия: Замкнут"_s), qPrintable(status.out));
        QVERIFY2(status.out.contains(u"Порог: 1,5 В"_s), qPrintable(status.out));
        QVERIFY2(missing.err.contains(u"порт не найден"_s), qPrintable(missing.err));
    }
}

void TestCli::reportNeedsNoDisplay()
{
    // A platform that needs a display, and none: the report is written anyway.
    Sim sim(m_dir, u"tty"_s, {u"--baud"_s, u"19200"_s});
    QVERIFY(sim.ready());
    const Run run =
        cli({u"report"_s, file(u"nodisplay.pdf"_s)}, sim.tty(), {u"QT_QPA_PLATFORM=xcb"_s});
    QVERIFY2(run.code == 0, qPrintable(run.err));
    QFile pdf(file(u"nodisplay.pdf"_s));
    QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
}

void TestCli::fileFailuresNamed_data()
{
    QTest::addColumn<QStringList>("arguments");  // "%1": the test's folder
    QTest::addColumn<qint64>("fileSizeLimit");   // bytes; -1: none
    QTest::addColumn<QString>("err");
    QTest::newRow("settings from a missing file")
        << QStringList{u"settings"_s, u"apply"_s, u"%1/missing.json"_s} << qint64(-1)
        << u"missing.json: не удалось прочитать файл (нет такого файла или папки)"_s;
    QTest::newRow("settings from a folder")
        << QStringList{u"settings"_s, u"apply"_s, u"%1"_s} << qint64(-1)
        << u": не удалось прочитать файл (это папка)"_s;
    QTest::newRow("settings onto a full disk")
        << QStringList{u"settings"_s, u"save"_s, u"%1/full.json"_s} << qint64(300)
        << u"full.json: не удалось записать файл (файл слишком большой)"_s;
    QTest::newRow("recording onto a full disk")
        << QStringList{u"record"_s, u"5"_s, u"/dev/full"_s} << qint64(-1)
        << u"/dev/full: не удалось создать файл (нет места на диске)"_s;
}

void TestCli::fileFailuresNamed()
{
    QFETCH(QStringList, arguments);
    QFETCH(qint64, fileSizeLimit);
    QFETCH(QString, err);
    Sim sim(m_dir, u"tty"_s, {});
    QVERIFY(sim.ready());
    for (QString &argument : arguments)
        argument = argument.arg(m_dir.path());
    const Run run = cli(arguments, sim.tty(), {}, fileSizeLimit);
    QCOMPARE(run.code, 2);
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
}

void TestCli::recordOntoAFullDisk()
{
    // 1024 bytes hold the header and a dozen rows; the row that does not
    // fit is not left half written.
    Sim sim(m_dir, u"tty"_s, {u"--baud"_s, u"115200"_s});
    QVERIFY(sim.ready());
    const QString path = file(u"full.csv"_s);
    const Run run = cli({u"record"_s, u"30"_s, path}, sim.tty(), {}, 1024);
    QCOMPARE(run.code, 2);
    QVERIFY2(run.err.contains(u"full.csv: не удалось записать файл (файл слишком большой)"_s),
             qPrintable(run.err));
    QFile csv(path);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QByteArray bytes = csv.readAll();
    QVERIFY(bytes.size() > 1024 - 100 && bytes.size() <= 1024);
    QVERIFY(bytes.endsWith('\n'));
    const QList<QByteArray> lines = bytes.chopped(1).split('\n');
    for (const QByteArray &line : lines)
        QVERIFY2(line.count(',') == 8, line.constData());
}

void TestCli::throughSerialServer_data()
{
    // verkan-cli through a real ser2net in front of the detector, at address 7.
    QTest::addColumn<Ser2netServer::Mode>("mode");
    QTest::addColumn<Server>("server");
    QTest::addColumn<QString>("scheme");  // of the --port given
    QTest::addColumn<QString>("simBaud");
    QTest::addColumn<QStringList>("arguments");  // "%1": the test's folder
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("out");  // parts, in order; "PORT": the server's
    QTest::addColumn<QString>("err");
    QTest::addColumn<QString>("written");  // a file in the folder and how it begins
    QTest::addColumn<QByteArray>("writtenStart");
    QTest::addColumn<int>("seconds");  // time to end in

    using M = Ser2netServer::Mode;
    const QStringList status{u"--address"_s, u"7"_s, u"status"_s};
    const QStringList none;
    QTest::newRow("discover at 4800") << M::Rfc2217 << Server::Running << u"rfc2217"_s << u"4800"_s
                                      << QStringList{u"discover"_s, u"--addresses"_s, u"6-8"_s} << 0
                                      << QStringList{u"address 7 speed 4800"_s}
                                      << u"поиск: 4800 бод"_s << QString() << QByteArray() << 120;
    QTest::newRow("status at 115200")
        << M::Rfc2217 << Server::Running << u"rfc2217"_s << u"115200"_s << status << 0
        << QStringList{u"Блок 7, 127.0.0.1:PORT (RFC 2217), 115200 бод\n"_s, u"Фланг 1: Норма"_s}
        << QString() << QString() << QByteArray() << 120;
    QTest::newRow("record") << M::Rfc2217 << Server::Running << u"rfc2217"_s << u"19200"_s
                            << QStringList{u"--address"_s, u"7"_s, u"record"_s, u"2"_s,
                                           u"%1/rec.csv"_s}
                            << 0 << QStringList{u"Записано ответов: "_s} << QString()
                            << u"rec.csv"_s << QByteArray("time,flank,state_code,") << 120;
    QTest::newRow("report with a pass")
        << M::Rfc2217 << Server::Running << u"rfc2217"_s << u"38400"_s
        << QStringList{u"--address"_s, u"7"_s, u"report"_s, u"%1/report.pdf"_s, u"--pass"_s, u"1"_s}
        << 0 << QStringList{u"Контрольный проход на фланге 1: "_s, u"Номер блока: 7\n"_s}
        << QString() << u"report.pdf"_s << QByteArray("%PDF-") << 120;
    QTest::newRow("status over raw TCP")
        << M::RawTcp << Server::Running << u"tcp"_s << u"9600"_s << status << 0
        << QStringList{u"Блок 7, 127.0.0.1:PORT (TCP), скорость задана на сервере\n"_s,
                       u"Фланг 1: Норма"_s}
        << u"verkan-cli: 127.0.0.1:PORT (TCP): скорость линии задана на сервере\n"_s << QString()
        << QByteArray() << 120;
    QTest::newRow("second client refused")
        << M::Rfc2217NoKick << Server::FirstClientHolds << u"rfc2217"_s << u"9600"_s << status << 4
        << none
        << u"verkan-cli: 127.0.0.1:PORT (RFC 2217): порт сервера занят другим клиентом "
           "(Port already in use).\n"_s
        << QString() << QByteArray() << 30;
    QTest::newRow("nobody listens")
        << M::Rfc2217 << Server::NotListening << u"rfc2217"_s << u"9600"_s << status << 4 << none
        << u"verkan-cli: 127.0.0.1:PORT (RFC 2217): сервер отказал в соединении.\n"_s << QString()
        << QByteArray() << 10;
    // Without the line set up, a speed search would go on for minutes.
    QTest::newRow("RFC 2217 to a raw TCP server")
        << M::RawTcp << Server::Running << u"rfc2217"_s << u"9600"_s << status << 4 << none
        << u"(RFC 2217): сервер не устанавливает скорость линии; используйте tcp://.\n"_s
        << QString() << QByteArray() << 20;
}

void TestCli::throughSerialServer()
{
    QFETCH(Ser2netServer::Mode, mode);
    QFETCH(Server, server);
    QFETCH(QString, scheme);
    QFETCH(QString, simBaud);
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(QStringList, out);
    QFETCH(QString, err);
    QFETCH(QString, written);
    QFETCH(QByteArray, writtenStart);
    QFETCH(int, seconds);
    SER2NET_REQUIRED();
    Sim sim(m_dir, u"tty"_s, {u"--address"_s, u"7"_s, u"--baud"_s, simBaud});
    QVERIFY(sim.ready());
    Ser2netServer ser2net(sim.tty(), mode);
    if (server != Server::NotListening)
        QVERIFY2(ser2net.start(), qPrintable(ser2net.errorText()));
    QTcpSocket first;
    if (server == Server::FirstClientHolds) {
        // ser2net has taken it as its client once it offers the telnet options.
        first.connectToHost(QHostAddress::LocalHost, quint16(ser2net.port()));
        QVERIFY(QTest::qWaitFor([&first] { return first.bytesAvailable() > 0; }, 5000));
    }
    const QString port = QString::number(ser2net.port());
    for (QString &argument : arguments)
        argument.replace(u"%1"_s, m_dir.path());
    const QString url = u"%1://127.0.0.1:%2"_s.arg(scheme, port);
    const Run run = cli(QStringList{u"--port"_s, url} + arguments, sim.tty(), {}, -1, seconds);

    QVERIFY2(run.code == code, qPrintable(u"exit %1\n%2%3"_s.arg(run.code).arg(run.out, run.err)));
    qsizetype at = 0;
    for (QString part : out) {
        at = run.out.indexOf(part.replace(u"PORT"_s, port), at);
        QVERIFY2(at >= 0, qPrintable(part + u" not in:\n"_s + run.out));
    }
    if (out.isEmpty())
        QCOMPARE(run.out, QString());
    QVERIFY2(run.err.contains(err.replace(u"PORT"_s, port)), qPrintable(run.err));
    if (arguments.first() == u"discover"_s)
        QCOMPARE(run.out.count(u'\n'), out.size());
    if (!written.isEmpty()) {
        QFile file(m_dir.filePath(written));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith(writtenStart));
        QVERIFY2(bytes.count('\n') >= 2, bytes.constData());  // a CSV row at least
    }
    if (server == Server::FirstClientHolds) {
        // Refused, not handed over: the first client keeps the port.
        QCOMPARE(first.state(), QAbstractSocket::ConnectedState);
        QVERIFY(!first.readAll().contains("in use"));
    }
}

void TestCli::settingsThroughSerialServer()
{
    // Saved through the server, applied back as saved, then with a value
    // changed in the file.
    SER2NET_REQUIRED();
    Sim sim(m_dir, u"tty"_s, {u"--address"_s, u"7"_s, u"--baud"_s, u"57600"_s});
    QVERIFY(sim.ready());
    Ser2netServer ser2net(sim.tty(), Ser2netServer::Mode::Rfc2217);
    QVERIFY2(ser2net.start(), qPrintable(ser2net.errorText()));
    const QStringList options{u"--port"_s, ser2net.url(), u"--address"_s, u"7"_s, u"settings"_s};
    const QString path = file(u"saved.json"_s);
    Run run = cli(options + QStringList{u"save"_s, path}, sim.tty());
    QVERIFY2(run.code == 0, qPrintable(run.err));
    run = cli(options + QStringList{u"apply"_s, path}, sim.tty());
    QVERIFY2(run.code == 0, qPrintable(run.err));
    QVERIFY2(run.out.contains(u"Настройки блока 7 уже совпадают с файлом; ничего не записано."_s),
             qPrintable(run.out));
    QCOMPARE(sim.writesHeard(), 0);

    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QByteArray json = saved.readAll();
    saved.close();
    QCOMPARE(json.count("\"threshold\": 1.3"), 1);  // flank 2's
    QVERIFY(saved.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
            saved.write(json.replace("\"threshold\": 1.3", "\"threshold\": 1.1")) > 0);
    saved.close();
    run = cli(options + QStringList{u"apply"_s, path}, sim.tty());
    QVERIFY2(run.code == 0, qPrintable(run.err));
    QVERIFY2(run.out.contains(u"Фланг 2, Порог (В): 1,3 -> 1,1\n"_s), qPrintable(run.out));
    QCOMPARE(run.out.count(u" -> "_s), 1);
    QCOMPARE(sim.writesHeard(), 1);
    QVERIFY2(sim.settings().at(1).contains(u", threshold 4,"_s), qPrintable(sim.settings().at(1)));
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
