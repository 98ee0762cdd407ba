// verkan-cli as built, against verkan-sim on a pseudo-terminal (COM 1), with no display.
#include "support/ser2netserver.h"
#include "support/simdetector.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
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
    // The stored settings of both flanks ("limit 1, gain 5, ..."), without the flank states.
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
    QString out, err;
};

// Port 1 at `tty`, the others missing, no display; `environment` "NAME=value" on top.
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

// Why `run` is not as expected: the exit code, the parts of `out` in order (no output when
// none and failed), `err` among the errors, and after discover a line per unit found.
QString mismatch(const Run &run, int code, const QStringList &out, const QString &err,
                 bool discover)
{
    const QString got = u"exit %1\n%2%3"_s.arg(run.code).arg(run.out, run.err);
    qsizetype at = 0;
    for (const QString &part : out)
        if ((at = run.out.indexOf(part, at)) < 0)
            return part + u" not in:\n"_s + got;
    const bool ok = run.code == code && run.err.contains(err) &&
                    !(out.isEmpty() && code != 0 && !run.out.isEmpty()) &&
                    !(discover && run.out.count(u'\n') != out.size());
    return ok ? QString() : got;
}

// How the serial server stands when the command runs: FirstClientHolds, another client keeps
// the port; NotListening, nothing on the port.
enum class Server { Running, FirstClientHolds, NotListening };

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

QString writeProfile(const QString &path, const QByteArray &json = kProfile)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(json) > 0 ? path : QString();
}

// The events of watch's output as "7 flank 1 alarm", "7 tamper open", "7 link lost": from
// JSON objects or from the text lines; a line that is neither becomes "unreadable: LINE".
QStringList watchEvents(const QString &out, bool json)
{
    static const QRegularExpression text(
        u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d address (\\d+ "
        "(flank [12] (norm|alarm|level|break|short)|tamper (open|closed)|link (lost|alive)))$"_s);
    QStringList events;
    for (const QString &line : out.split(u'\n', Qt::SkipEmptyParts)) {
        QString event;
        if (json) {
            const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
            if (text.match(
                        o[u"time"_s].toString() + u" address "_s +
                        QString::number(o[u"address"_s].toInt(-1)) + u' ' +
                        o[u"event"_s].toString() +
                        (o.contains(u"flank"_s) ? u" %1"_s.arg(o[u"flank"_s].toInt()) : QString()) +
                        u' ' + o[u"state"_s].toString())
                    .hasMatch() &&
                o.size() == (o[u"event"_s] == u"flank"_s ? 5 : 4))
                event = u"%1 %2%3 %4"_s.arg(o[u"address"_s].toInt())
                            .arg(o[u"event"_s].toString(),
                                 o.contains(u"flank"_s) ? u" %1"_s.arg(o[u"flank"_s].toInt())
                                                        : QString(),
                                 o[u"state"_s].toString());
        } else {
            event = text.match(line).captured(1);
        }
        events << (event.isEmpty() ? u"unreadable: "_s + line : event);
    }
    return events;
}

// What the first round reports of each of the detectors 1..3 at their defaults.
QStringList firstRound()
{
    QStringList events;
    for (int address = 1; address <= 3; ++address)
        for (const QString &what :
             {u"link alive"_s, u"flank 1 norm"_s, u"flank 2 norm"_s, u"tamper closed"_s})
            events << u"%1 %2"_s.arg(address).arg(what);
    return events;
}

}  // namespace

Q_DECLARE_METATYPE(Ser2netServer::Mode)
Q_DECLARE_METATYPE(Server)

class TestCli : public QObject {
    Q_OBJECT
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;

private slots:
    void commands_data()
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
            << none << u"tamper open\nflank 2 break"_s
            << QStringList{u"status"_s, u"--flank"_s, u"2"_s} << 0
            << QStringList{u"Фланг 2: Неисправность Обрыв кабеля"_s,
                           u"Датчик вскрытия: Разомкнут"_s}
            << QString();
        QTest::newRow("fixed speed") << QStringList{u"--baud"_s, u"38400"_s} << QString()
                                     << QStringList{u"--baud"_s, u"38400"_s, u"status"_s} << 0
                                     << QStringList{u"38400 бод"_s} << QString();
        QTest::newRow("fixed wrong speed")
            << QStringList{u"--baud"_s, u"38400"_s} << QString()
            << QStringList{u"--baud"_s, u"9600"_s, u"status"_s} << 3 << none << u"COM-порт 1 ("_s;
        QTest::newRow("other address")
            << QStringList{u"--address"_s, u"2"_s} << QString() << QStringList{u"status"_s} << 3
            << none << u"нет связи с блоком 1. Проверьте адрес и питание!"_s;
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
                                  << QString()
                                  << QStringList{u"discover"_s, u"--addresses"_s, u"3-6"_s} << 0
                                  << QStringList{u"address 5 speed 57600"_s}
                                  << u"поиск: 115200 бод"_s;
        QTest::newRow("discover nothing") << QStringList{u"--address"_s, u"5"_s} << QString()
                                          << QStringList{u"discover"_s, u"--addresses"_s, u"0-4"_s}
                                          << 3 << none << u"ни один блок не ответил"_s;
        QTest::newRow("missing port")
            << none << QString() << QStringList{u"--port"_s, u"2"_s, u"status"_s} << 4 << none
            << u".missing): порт не найден."_s;
        QTest::newRow("negative length")
            << none << QString() << QStringList{u"record"_s, u"-1"_s, u"rec.csv"_s} << 2 << none
            << u"-1: ожидается положительное число"_s;
        QTest::newRow("unknown command") << none << QString() << QStringList{u"frobnicate"_s} << 2
                                         << none << u"неизвестная команда frobnicate"_s;
        QTest::newRow("unknown option")
            << none << QString() << QStringList{u"--bogus"_s, u"status"_s} << 2 << none
            << u"неизвестный параметр bogus"_s;
        QTest::newRow("option of another command")
            << none << QString() << QStringList{u"status"_s, u"--pass"_s, u"3"_s} << 2 << none
            << u"параметр --pass не относится к команде status"_s;
        QTest::newRow("address out of range")
            << none << QString() << QStringList{u"--address"_s, u"129"_s, u"status"_s} << 2 << none
            << u"--address: адрес блока от 0 до 128"_s;
        QTest::newRow("missing file") << none << QString() << QStringList{u"settings"_s, u"save"_s}
                                      << 2 << none << u"Использование: verkan-cli"_s;
        const QStringList line{u"--addresses"_s, u"1-3"_s, u"--baud"_s, u"19200"_s};
        QTest::newRow("watch: a bad item")
            << line << QString() << QStringList{u"watch"_s, u"--addresses"_s, u"1-3,x"_s} << 2
            << none << u"--addresses: \"x\" не адрес и не диапазон адресов 0-128"_s;
        QTest::newRow("watch: an address twice")
            << line << QString() << QStringList{u"watch"_s, u"--addresses"_s, u"1-3,2"_s} << 2
            << none << u"--addresses: адрес 2 указан дважды"_s;
        QTest::newRow("watch: nobody answers at any speed")
            << line << QString() << QStringList{u"watch"_s, u"--addresses"_s, u"7"_s} << 3 << none
            << u"ни один из блоков 7 не ответил ни на одной скорости"_s;
        QTest::newRow("watch: missing port")
            << line << QString()
            << QStringList{u"--port"_s, u"2"_s, u"watch"_s, u"--addresses"_s, u"1-3"_s} << 4 << none
            << u".missing): порт не найден."_s;
        const QStringList watchLine{u"watch"_s, u"--addresses"_s, u"1-3"_s, u"--mqtt"_s,
                                    u"localhost"_s};
        QTest::newRow("watch: an MQTT password on the command line")
            << line << QString() << (watchLine + QStringList{u"--mqtt-password"_s, u"x"_s}) << 2
            << none << u"--mqtt-password: пароль в командной строке виден всем в ps"_s;
        QTest::newRow("watch: MQTT details without a broker")
            << line << QString()
            << QStringList{u"watch"_s, u"--addresses"_s, u"1-3"_s, u"--mqtt-user"_s, u"u"_s} << 2
            << none << u"--mqtt-user: задайте и брокер"_s;
        QTest::newRow("watch: a line name no topic can hold")
            << line << QString() << (watchLine + QStringList{u"--mqtt-line"_s, u"a/b"_s}) << 2
            << none << u"--mqtt-line «a/b»"_s;
        QTest::newRow("watch: an unreadable MQTT password file")
            << line << QString()
            << (watchLine + QStringList{u"--mqtt-user"_s, u"u"_s, u"--mqtt-password-file"_s,
                                        u"/nonexistent/password"_s})
            << 2 << none << u"файл пароля MQTT /nonexistent/password не читается"_s;
        QTest::newRow("status does not publish")
            << none << QString() << QStringList{u"status"_s, u"--mqtt"_s, u"localhost"_s} << 2
            << none << u"параметр --mqtt не относится к команде status"_s;
        QTest::newRow("help") << none << QString() << QStringList{u"--help"_s} << 0
                              << QStringList{u"Использование: verkan-cli"_s,
                                             u"discover"_s,
                                             u"--site ТЕКСТ"_s,
                                             u"--installer ТЕКСТ"_s,
                                             u"watch --addresses СПИСОК [--json] [--seconds N]"_s,
                                             u"Коды завершения"_s}
                              << QString();
    }

    void commands()
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
        const QString why = mismatch(run, code, out, err, arguments.first() == u"discover"_s);
        QVERIFY2(why.isEmpty(), qPrintable(why));
    }

    void watchFollowsTheLine()
    {
        // The speed searched, the first round, then each event as it happens, in JSON;
        // SIGTERM ends the watch with everything written.
        Sim sim(m_dir, u"tty"_s, {u"--addresses"_s, u"1-3"_s, u"--baud"_s, u"19200"_s});
        QVERIFY(sim.ready());
        const QString journal = file(u"watch.txt"_s);
        QProcess process;
        startCli(process,
                 {u"watch"_s, u"--addresses"_s, u"1-3"_s, u"--json"_s, u"--journal"_s, journal},
                 sim.tty());
        QString out;
        // Output is read while the watch runs: each event is there when it happens.
        auto seen = [&](const QString &event) {
            return QTest::qWaitFor(
                [&] {
                    out += QString::fromUtf8(process.readAllStandardOutput());
                    return watchEvents(out, true).contains(event);
                },
                60000);
        };
        for (const QString &event : firstRound())
            QVERIFY2(seen(event), qPrintable(event + u" not in:\n"_s + out));
        const QStringList script[] = {{u"2 flank 1 alarm"_s, u"2 flank 1 alarm"_s},
                                      {u"3 tamper open"_s, u"3 tamper open"_s},
                                      {u"1 silence on"_s, u"1 link lost"_s},
                                      {u"1 silence off"_s, u"1 link alive"_s}};
        for (const QStringList &step : script) {
            QCOMPARE(sim.command(step[0]), QStringList{u"ok"_s});
            // The alive after the silence is the second one of address 1.
            QVERIFY2(seen(step[1]) &&
                         QTest::qWaitFor(
                             [&] {
                                 out += QString::fromUtf8(process.readAllStandardOutput());
                                 return watchEvents(out, true).count(step[1]) ==
                                        (step[1] == u"1 link alive"_s ? 2 : 1);
                             },
                             60000),
                     qPrintable(step[1] + u" not in:\n"_s + out));
        }
        process.terminate();
        const Run run = finished(process);
        QCOMPARE(run.code, 0);
        const QStringList events = watchEvents(out + run.out, true);
        for (const QStringList &step : script)
            QCOMPARE(events.count(step[1]), step[1] == u"1 link alive"_s ? 2 : 1);
        for (const QString &event : firstRound())
            QCOMPARE(events.count(event), event == u"1 link alive"_s ? 2 : 1);
        QVERIFY2(!events.join(u'\n').contains(u"unreadable"_s), qPrintable(out + run.out));
        QVERIFY2(run.err.contains(u"скорость линии: 19200 бод\n"_s), qPrintable(run.err));
        // Every event counted was written out, and journaled once.
        QVERIFY2(run.err.contains(u"событий: %1,"_s.arg(events.size())), qPrintable(run.err));
        QFile file(journal);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(file.readAll()).split(u"\r\n"_s, Qt::SkipEmptyParts);
        QCOMPARE(lines.filter(u" Блок "_s).size(), events.size());
        QVERIFY2(lines.filter(u"Блок 2: Фланг -1  Тревога"_s).size() == 1,
                 qPrintable(lines.join(u'\n')));
        QVERIFY2(lines.last().endsWith(u"Наблюдение за линией: стоп\""_s),
                 qPrintable(lines.last()));
    }

    void watchEndsWhenItsReaderGoes()
    {
        // "watch | head -n 2": the next event cannot be written, and the watch ends in order
        // instead of dying of SIGPIPE (pipefail: the pipeline's status is the watch's).
        Sim sim(m_dir, u"tty"_s, {u"--addresses"_s, u"1-3"_s, u"--baud"_s, u"19200"_s});
        QVERIFY(sim.ready());
        const QString journal = file(u"reader.txt"_s);
        QProcess shell;
        shell.setProcessEnvironment(sim.portEnvironment());
        shell.start(u"bash"_s, {u"-c"_s, u"set -o pipefail; \"$0\" \"$@\" | head -n 2"_s,
                                QStringLiteral(VERKAN_CLI_PATH), u"--baud"_s, u"19200"_s,
                                u"watch"_s, u"--addresses"_s, u"1-3"_s, u"--journal"_s, journal});
        const Run run = finished(shell, 60);
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QCOMPARE(run.out.count(u'\n'), 2);
        QFile file(journal);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().endsWith("Наблюдение за линией: стоп\"\r\n"));
    }

    void watchForSeconds_data()
    {
        QTest::addColumn<int>("server");  // -1: none, else a Ser2netServer::Mode
        QTest::addColumn<QString>("simBaud");
        QTest::addColumn<QString>("err");  // on standard error
        QTest::newRow("pseudo-terminal, speed given") << -1 << u"38400"_s << QString();
        QTest::newRow("RFC 2217 server, speed searched")
            << int(Ser2netServer::Mode::Rfc2217) << u"38400"_s << u"скорость линии: 38400 бод\n"_s;
        QTest::newRow("raw TCP server, its speed")
            << int(Ser2netServer::Mode::RawTcp) << u"9600"_s
            << u"(TCP): скорость линии задана на сервере\n"_s;
    }

    void watchForSeconds()
    {
        // --seconds ends the watch in order; the first round reports each detector once.
        QFETCH(int, server);
        QFETCH(QString, simBaud);
        QFETCH(QString, err);
        if (server >= 0)
            SER2NET_REQUIRED();
        Sim sim(m_dir, u"tty"_s, {u"--addresses"_s, u"1-3"_s, u"--baud"_s, simBaud});
        QVERIFY(sim.ready());
        QStringList arguments{u"watch"_s, u"--addresses"_s, u"1-3"_s, u"--seconds"_s, u"6"_s};
        std::unique_ptr<Ser2netServer> ser2net;
        if (server >= 0) {
            ser2net = std::make_unique<Ser2netServer>(sim.tty(), Ser2netServer::Mode(server));
            QVERIFY2(ser2net->start(), qPrintable(ser2net->errorText()));
            arguments << u"--port"_s << ser2net->url();
        } else {
            arguments << u"--baud"_s << simBaud;
        }
        const Run run = cli(arguments, sim.tty());
        QVERIFY2(run.code == 0, qPrintable(run.err));
        const QStringList events = watchEvents(run.out, false);
        for (const QString &event : firstRound())
            QVERIFY2(events.count(event) == 1, qPrintable(event + u" not once in:\n"_s + run.out));
        QVERIFY2(!events.join(u'\n').contains(u"unreadable"_s), qPrintable(run.out));
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
        QVERIFY2(run.err.contains(u"событий: %1,"_s.arg(events.size())), qPrintable(run.err));
    }

    void recordWritesCsv()
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
        // About one reply per 60 ms slot; how many depends on the machine's load.
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

    void report()
    {
        // Without a pass, then with a pass, a site and an installer, on a platform
        // that needs a display there is not.
        Sim sim(m_dir, u"tty"_s, {u"--address"_s, u"3"_s});
        QVERIFY(sim.ready());
        for (const bool pass : {false, true}) {
            QStringList arguments{u"--address"_s, u"3"_s, u"report"_s, file(u"report.pdf"_s)};
            if (pass)
                arguments << u"--pass"_s << u"2"_s << u"--site"_s << u"Warehouse 7"_s
                          << u"--installer"_s << u"Ivanov"_s;
            const Run run = cli(arguments, sim.tty(), {u"QT_QPA_PLATFORM=xcb"_s});
            QVERIFY2(run.code == 0, qPrintable(run.err));
            QCOMPARE(run.out.contains(u"Средний полезный сигнал: 0,"_s), pass);
            QVERIFY2(run.out.contains(u"Номер блока: 3\n"_s), qPrintable(run.out));
            QFile pdf(file(u"report.pdf"_s));
            QVERIFY(pdf.open(QIODevice::ReadOnly));
            const QByteArray bytes = pdf.readAll();
            QVERIFY(bytes.startsWith("%PDF-"));
            QVERIFY(bytes.contains("/MediaBox [0 0 595"));  // A4: 595 x 842 points
            QVERIFY(bytes.contains("842"));
            // The picture of the pass is the report's only image.
            QCOMPARE(bytes.contains("/Subtype /Image"), pass);
            // The site goes into the PDF's title, in UTF-16.
            QByteArray title{"\xfe\xff"};
            for (QChar c : u"Протокол пусконаладки ВЕРКАН-Р — Warehouse 7"_s)
                title += char(c.unicode() >> 8), title += char(c.unicode() & 0xff);
            QCOMPARE(bytes.contains(title), pass);
        }
    }

    void settingsRoundTrip()
    {
        // A takes the profile and hands it on to B, at another address with other values.
        Sim a(m_dir, u"a"_s, {u"--baud"_s, u"9600"_s});
        Sim b(m_dir, u"b"_s, {u"--address"_s, u"9"_s, u"--baud"_s, u"57600"_s});
        QVERIFY(a.ready() && b.ready());
        const QString profile = writeProfile(file(u"profile.json"_s));
        QVERIFY(!profile.isEmpty());
        Run run = cli({u"settings"_s, u"apply"_s, profile}, a.tty());
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QVERIFY2(run.out.contains(u"Фланг 1, Порог (В): 1,5 -> 1,1\n"_s), qPrintable(run.out));
        QCOMPARE(run.out.count(u" -> "_s), 14);
        QCOMPARE(a.settings(),
                 QStringList({u"limit 2, gain 3, threshold 4, accumulation 6, front 7, "
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
        QVERIFY2(
            run.out.contains(u"Настройки блока 9 уже совпадают с файлом; ничего не записано."_s),
            qPrintable(run.out));
        QCOMPARE(b.writesHeard(), 14);
    }

    void badFileWritesNothing_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QString>("err");
        QTest::newRow("malformed") << QByteArray("}}}") << QByteArray("}") << u"JSON"_s;
        QTest::newRow("missing key") << QByteArray("\"front\": 2,") << QByteArray()
                                     << u"нет ключа \"flanks.2.front\" (Фронт (мВ/мсек))"_s;
        QTest::newRow("unknown key")
            << QByteArray("\"gain\": 3,") << QByteArray("\"gain\": 3, \"hue\": 1,")
            << u"неизвестный ключ \"hue\""_s;
        QTest::newRow("off the table")
            << QByteArray("\"accumulation\": 50") << QByteArray("\"accumulation\": 75")
            << u"\"flanks.2.accumulation\" (Накопление (мсек)): недопустимое значение 75; допустимы: 50, 100,"_s;
    }

    void badFileWritesNothing()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QString, err);
        Sim sim(m_dir, u"tty"_s, {});
        QVERIFY(sim.ready());
        const QStringList before = sim.settings();
        const QString bad =
            writeProfile(file(u"bad.json"_s), QByteArray(kProfile).replace(from, to));
        const Run run = cli({u"settings"_s, u"apply"_s, bad}, sim.tty());
        QCOMPARE(run.code, 2);
        QVERIFY2(run.err.contains(err) && run.err.contains(u"Ничего не записано"_s),
                 qPrintable(run.err));
        QCOMPARE(sim.writesHeard(), 0);
        QCOMPARE(sim.settings(), before);
    }

    void refusedWriteIsReported()
    {
        // The detector confirms a gain other than the one written.
        Sim sim(m_dir, u"tty"_s, {});
        QVERIFY(sim.ready());
        QCOMPARE(sim.command(u"oor 45 4"_s), QStringList{u"ok"_s});
        const QString profile = writeProfile(file(u"profile.json"_s));
        QVERIFY(!profile.isEmpty());
        const Run run = cli({u"settings"_s, u"apply"_s, profile}, sim.tty());
        QCOMPARE(run.code, 5);
        QVERIFY2(run.err.contains(u"фланг 1, Усиление = 3: блок не принял значение, оставлено 4"_s),
                 qPrintable(run.err));
    }

    void silentMidwayIsReportedPerSetting()
    {
        // Silent after the first write: each setting is confirmed, unconfirmed or not sent.
        Sim sim(m_dir, u"tty"_s, {u"--baud"_s, u"19200"_s});
        QVERIFY(sim.ready());
        const QString profile = writeProfile(file(u"profile.json"_s));
        QVERIFY(!profile.isEmpty());
        QProcess process;
        startCli(process, {u"settings"_s, u"apply"_s, profile}, sim.tty());
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

    void language_data()
    {
        QTest::addColumn<QString>("lang");  // of the system
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("english");
        QTest::newRow("English system") << u"en_US"_s << QStringList{} << true;
        QTest::newRow("Russian system") << u"ru_RU"_s << QStringList{} << false;
        QTest::newRow("--lang en") << u"ru_RU"_s << QStringList{u"--lang"_s, u"en"_s} << true;
        QTest::newRow("--lang ru") << u"en_US"_s << QStringList{u"--lang"_s, u"ru"_s} << false;
    }

    void language()
    {
        // Status, a failure and the usage: no Russian letter in English.
        QFETCH(QString, lang);
        QFETCH(QStringList, options);
        const QStringList environment{u"LANG=%1.UTF-8"_s.arg(lang), u"LC_ALL="_s};
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

    void fileFailuresNamed_data()
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

    void fileFailuresNamed()
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

    void recordOntoAFullDisk()
    {
        // 1024 bytes hold a dozen rows; the row that does not fit is not left half written.
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

    void throughSerialServer_data()
    {
        // verkan-cli through a real ser2net in front of the detector, at address 7.
        QTest::addColumn<Ser2netServer::Mode>("mode");
        QTest::addColumn<Server>("server");
        QTest::addColumn<QString>("scheme");  // of the --port given
        QTest::addColumn<QString>("simBaud");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("out");  // parts, in order; "PORT": the server's
        QTest::addColumn<QString>("err");
        QTest::addColumn<int>("seconds");  // time to end in

        using M = Ser2netServer::Mode;
        const QStringList status{u"--address"_s, u"7"_s, u"status"_s};
        const QStringList none;
        QTest::newRow("discover at 4800")
            << M::Rfc2217 << Server::Running << u"rfc2217"_s << u"4800"_s
            << QStringList{u"discover"_s, u"--addresses"_s, u"6-8"_s} << 0
            << QStringList{u"address 7 speed 4800"_s} << u"поиск: 4800 бод"_s << 120;
        QTest::newRow("status at 115200")
            << M::Rfc2217 << Server::Running << u"rfc2217"_s << u"115200"_s << status << 0
            << QStringList{u"Блок 7, 127.0.0.1:PORT (RFC 2217), 115200 бод\n"_s,
                           u"Фланг 1: Норма"_s}
            << QString() << 120;
        QTest::newRow("status over raw TCP")
            << M::RawTcp << Server::Running << u"tcp"_s << u"9600"_s << status << 0
            << QStringList{u"Блок 7, 127.0.0.1:PORT (TCP), скорость задана на сервере\n"_s,
                           u"Фланг 1: Норма"_s}
            << u"verkan-cli: 127.0.0.1:PORT (TCP): скорость линии задана на сервере\n"_s << 120;
        QTest::newRow("second client refused")
            << M::Rfc2217NoKick << Server::FirstClientHolds << u"rfc2217"_s << u"9600"_s << status
            << 4 << none
            << u"verkan-cli: 127.0.0.1:PORT (RFC 2217): порт сервера занят другим клиентом "
               "(Port already in use).\n"_s
            << 30;
        QTest::newRow("nobody listens")
            << M::Rfc2217 << Server::NotListening << u"rfc2217"_s << u"9600"_s << status << 4
            << none << u"verkan-cli: 127.0.0.1:PORT (RFC 2217): сервер отказал в соединении.\n"_s
            << 10;
        QTest::newRow("watch: nobody listens")
            << M::Rfc2217 << Server::NotListening << u"rfc2217"_s << u"9600"_s
            << QStringList{u"watch"_s, u"--addresses"_s, u"7"_s, u"--baud"_s, u"9600"_s} << 4
            << none << u"verkan-cli: 127.0.0.1:PORT (RFC 2217): сервер отказал в соединении.\n"_s
            << 10;
        // Without the line set up, a speed search would go on for minutes.
        QTest::newRow("RFC 2217 to a raw TCP server")
            << M::RawTcp << Server::Running << u"rfc2217"_s << u"9600"_s << status << 4 << none
            << u"(RFC 2217): сервер не устанавливает скорость линии; используйте tcp://.\n"_s << 20;
    }

    void throughSerialServer()
    {
        QFETCH(Ser2netServer::Mode, mode);
        QFETCH(Server, server);
        QFETCH(QString, scheme);
        QFETCH(QString, simBaud);
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QStringList, out);
        QFETCH(QString, err);
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
        const QString url = u"%1://127.0.0.1:%2"_s.arg(scheme, port);
        const Run run = cli(QStringList{u"--port"_s, url} + arguments, sim.tty(), {}, -1, seconds);
        const QString why =
            mismatch(run, code, out.replaceInStrings(u"PORT"_s, port), err.replace(u"PORT"_s, port),
                     arguments.first() == u"discover"_s);
        QVERIFY2(why.isEmpty(), qPrintable(why));
        if (server == Server::FirstClientHolds) {
            // Refused, not handed over: the first client keeps the port.
            QCOMPARE(first.state(), QAbstractSocket::ConnectedState);
            QVERIFY(!first.readAll().contains("in use"));
        }
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
