// The use cases below the window and verkan-cli, on an exchange whose line
// ends in a simulated detector (the one verkan-sim runs): a read that loses a
// reply, writes cut short by a silent detector or by the user, the flank put
// back, replies from before a flank change left out, the control pass as the
// report takes it.
#include "link/exchange.h"
#include "link/protocol.h"
#include "sim/detector.h"
#include "support/fakeserialport.h"
#include "support/replies.h"
#include "tasks/applysettingstask.h"
#include "tasks/passrecorder.h"
#include "tasks/readsettingstask.h"
#include "tasks/recordtask.h"
#include "tasks/reporttask.h"
#include "tasks/settingstransfer.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr int kBaud = 9600;

// A fake line whose far end is a simulated detector: every frame written
// reaches the detector at the port's speed and its reply comes back on the
// next turn of the event loop, unless the test loses it.
class DetectorLine : public FakeSerialPort {
public:
    DetectorLine() { openable = {1}; }

    sim::Detector detector{1, kBaud};
    QSet<int> loseOnce;     // request codes whose next reply is lost
    QSet<int> neverAnswer;  // request codes never answered

    void write(const QByteArray &frame) override
    {
        FakeSerialPort::write(frame);
        const int code = frame.mid(3, 2).toInt(nullptr, 16);
        const QByteArray reply = detector.receive(frame, baudRate());
        if (reply.isEmpty() || neverAnswer.contains(code) || loseOnce.remove(code))
            return;
        QTimer::singleShot(0, this, [this, reply] {
            if (isOpen())
                deliver(reply);
        });
    }
    // How many times `frame` went out.
    int sent(const QByteArray &frame) const { return int(written.count(frame)); }
};

// An exchange on a detector line, at the detector's speed, on `flank`.
struct Rig {
    explicit Rig(int flank = 1)
    {
        exchange.setFixedSpeed(kBaud);
        exchange.start(PortDescription::comPort(1), 1, flank);
    }
    bool settled()
    {
        return QTest::qWaitFor([this] { return exchange.statusIsCurrent(); }, 5000);
    }
    DetectorLine line;
    Exchange exchange{line};
};

QByteArray writeFrame(int flank, Setting setting, int position)
{
    return writeRequest(settingRow(setting), 1, flank, position)->toLatin1();
}

// The detector's settings as a profile, both flanks.
SettingsProfile profileOf(const sim::Detector &detector)
{
    SettingsProfile profile;
    for (int flank : {1, 2}) {
        const sim::FlankSettings &s = detector.settings(flank);
        const std::pair<Setting, int> bytes[] = {
            {Setting::Limit, s.limit},         {Setting::Gain, s.gain},
            {Setting::Threshold, s.threshold}, {Setting::Accumulation, s.accumulation},
            {Setting::Front, s.front},         {Setting::AlarmTime, s.alarmTime},
            {Setting::SelfTest, s.selfTest}};
        for (const auto &[setting, byte] : bytes)
            profile.flanks[flank - 1].insert(setting, positionForByte(settingRow(setting), byte));
    }
    return profile;
}

// Four writes: two on each flank.
const QList<SettingsWriter::Item> kFourWrites = {
    {1, Setting::Gain, 9}, {1, Setting::Front, 10}, {2, Setting::Gain, 9}, {2, Setting::Front, 10}};

QString saveProfile(const QTemporaryDir &dir, const sim::Detector &detector,
                    const QList<SettingsWriter::Item> &changes)
{
    SettingsProfile profile = profileOf(detector);
    profile.speed = kBaud;
    profile.saved = QDateTime::currentDateTime();
    for (const SettingsWriter::Item &item : changes)
        profile.flanks[item.flank - 1][item.setting] = item.position;
    QFile file(dir.filePath(u"profile.json"_s));
    if (!file.open(QIODevice::WriteOnly) || file.write(profile.toJson()) < 0)
        return QString();
    return file.fileName();
}

using Outcome = SettingsWriter::Outcome;

}  // namespace

class TestTasks : public QObject {
    Q_OBJECT
private slots:
    void readerRetriesAndGivesUp_data();
    void readerRetriesAndGivesUp();
    void readPutsTheFlankBack();
    void applyInterrupted_data();
    void applyInterrupted();
    void recordLeavesOutStaleReplies();
    void reportReadsTheUnitNumber_data();
    void reportReadsTheUnitNumber();
    void passRecorder_data();
    void passRecorder();
};

void TestTasks::readerRetriesAndGivesUp_data()
{
    QTest::addColumn<bool>("lostForGood");
    QTest::newRow("a reply lost once is asked for again") << false;
    QTest::newRow("a setting never answered gives up") << true;
}

void TestTasks::readerRetriesAndGivesUp()
{
    QFETCH(bool, lostForGood);
    Rig rig;
    QVERIFY(rig.settled());
    const int code = settingRow(Setting::Accumulation).readCode;
    (lostForGood ? rig.line.neverAnswer : rig.line.loseOnce).insert(code);
    SettingsReader reader(rig.exchange, {300, 1500});
    QSignalSpy finished(&reader, &SettingsReader::finished);
    const QByteArray read = readRequest(settingRow(Setting::Accumulation), 1, 1).toLatin1();
    const int sentBefore = rig.line.sent(read);
    reader.start();
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.first().first().toBool(), !lostForGood);
    const int sent = rig.line.sent(read) - sentBefore;
    if (lostForGood) {
        QCOMPARE(reader.received(), 6);
        QVERIFY(sent >= 3);  // asked again until it gave up
    } else {
        QCOMPARE(reader.profile().flanks[0], profileOf(rig.line.detector).flanks[0]);
        QCOMPARE(reader.profile().flanks[1], profileOf(rig.line.detector).flanks[1]);
        QCOMPARE(sent, 2);  // the read-back's, lost, and the one asked again
    }
}

void TestTasks::readPutsTheFlankBack()
{
    // Started on flank 2, the read goes over both flanks and returns to 2,
    // both when it completes and when it fails.
    for (bool answered : {true, false}) {
        Rig rig(2);
        QVERIFY(rig.settled());
        if (!answered)
            rig.line.neverAnswer.insert(settingRow(Setting::Front).readCode);
        ReadSettingsTask task(rig.exchange);
        QSignalSpy finished(&task, &Task::finished);
        task.start();
        QVERIFY(finished.wait(15000));
        QCOMPARE(task.state(), answered ? Task::State::Done : Task::State::Failed);
        QCOMPARE(rig.exchange.flank(), 2);
        if (answered) {
            QCOMPARE(task.profile().flanks[1], profileOf(rig.line.detector).flanks[1]);
        } else {
            QCOMPARE(task.failure(), Task::Failure::NoAnswer);
            QVERIFY2(task.message().contains(u"не ответил"_s), qPrintable(task.message()));
        }
    }
}

void TestTasks::applyInterrupted_data()
{
    QTest::addColumn<bool>("detectorFallsSilent");  // else the user cancels
    QTest::newRow("the detector falls silent") << true;
    QTest::newRow("the user cancels") << false;
}

void TestTasks::applyInterrupted()
{
    // After the first write is confirmed the writing is cut short. Every
    // setting then says truly what became of it: none after the first is
    // reported confirmed, a write reported as not sent never went out, and
    // one reported as sent did.
    QFETCH(bool, detectorFallsSilent);
    QTemporaryDir dir;
    Rig rig;
    QVERIFY(rig.settled());
    const QString path = saveProfile(dir, rig.line.detector, kFourWrites);
    QVERIFY(!path.isEmpty());
    ApplySettingsTask task(rig.exchange, path, {});
    connect(&task, &ApplySettingsTask::resultChanged, this, [&](int index) {
        if (index != 0 || task.results()[0].outcome != Outcome::Confirmed)
            return;
        if (detectorFallsSilent)
            rig.line.detector.setSilent(true);
        else
            task.cancel();
    });
    QSignalSpy finished(&task, &Task::finished);
    task.start();
    QVERIFY2(finished.count() == 1 || finished.wait(20000), qPrintable(task.message()));
    const qsizetype wireAtEnd = rig.line.written.size();

    const QList<ApplySettingsTask::Result> &results = task.results();
    QCOMPARE(results.size(), 4);
    QCOMPARE(results[0].outcome, Outcome::Confirmed);
    QCOMPARE(results.last().outcome, Outcome::NotSent);
    for (const ApplySettingsTask::Result &r : results.mid(1)) {
        QVERIFY(r.outcome == Outcome::Unconfirmed || r.outcome == Outcome::NotSent);
        const int sent = rig.line.sent(writeFrame(r.item.flank, r.item.setting, r.item.position));
        QCOMPARE(sent > 0, r.outcome == Outcome::Unconfirmed);
    }
    QCOMPARE(rig.line.detector.settings(1).gain, 9);
    QCOMPARE(rig.line.detector.settings(2).front,
             profileOf(rig.line.detector).flanks[1].value(Setting::Front));
    if (detectorFallsSilent) {
        QCOMPARE(task.failure(), Task::Failure::NoAnswer);
        QVERIFY(!rig.exchange.isRunning());
    } else {
        QCOMPARE(task.state(), Task::State::Cancelled);
        // Back on the flank the user had, and nothing more is written.
        QCOMPARE(rig.exchange.flank(), 1);
        QTest::qWait(500);
        for (const QByteArray &frame : rig.line.written.mid(wireAtEnd))
            QVERIFY2(!frame.startsWith("$012d") && !frame.startsWith("$0132"), frame.constData());
    }
    QVERIFY2(task.message().contains(u"Подтверждено блоком: 1 из 4."_s) ||
                 task.state() == Task::State::Cancelled,
             qPrintable(task.message()));
}

void TestTasks::recordLeavesOutStaleReplies()
{
    // Status replies during the start-up sequence and during the read-back
    // after a flank change may answer the poll of the other flank: they are
    // not recorded. The exchange is stepped by hand; the test is the
    // detector.
    QTemporaryDir dir;
    FakeSerialPort port;
    port.openable = {1};
    Exchange exchange(port);
    exchange.setFixedSpeed(kBaud);
    RecordTask task(exchange, dir.filePath(u"signal.csv"_s));
    task.start();
    QVERIFY(exchange.start(PortDescription::comPort(1), 1, 1).started);
    auto runSlots = [&](int count) {
        for (int i = 0; i < count * protocol::kTicksPerSlot; ++i)
            exchange.tick();
    };
    port.deliver(statusReply(0));  // the speed probe's slot
    runSlots(3);
    port.deliver(statusReply(0));  // in the read-back
    QCOMPARE(task.rows(), 0);
    runSlots(Scheduler::kReadBackLength + 1);
    port.deliver(statusReply(0));
    QCOMPARE(task.rows(), 1);
    exchange.changeFlank(2);
    runSlots(1);
    port.deliver(statusReply(1));  // may still be flank 1's
    QCOMPARE(task.rows(), 1);
    runSlots(Scheduler::kReadBackLength);
    port.deliver(statusReply(1));
    QCOMPARE(task.rows(), 2);
    task.stop();
    QCOMPARE(task.state(), Task::State::Done);
    QFile csv(dir.filePath(u"signal.csv"_s));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    QCOMPARE(lines.size(), 4);            // header, two rows, the empty rest
    QVERIFY(lines[1].contains(",1,0,"));  // flank 1, norm
    QVERIFY(lines[2].contains(",2,1,"));  // flank 2, alarm
}

void TestTasks::reportReadsTheUnitNumber_data()
{
    QTest::addColumn<bool>("lost");  // the first reply to the read is lost
    QTest::addColumn<bool>("neverAnswered");
    QTest::newRow("answered") << false << false;
    QTest::newRow("lost once, asked again") << true << false;
    QTest::newRow("never answered: the report says so") << false << true;
}

void TestTasks::reportReadsTheUnitNumber()
{
    // Started on flank 2, the report takes both flanks' status and settings
    // and returns to 2. It asks the detector for its unit number itself, as
    // the settings are asked for: again while it does not come, and a
    // detector that never tells it still gets its report.
    QFETCH(bool, lost);
    QFETCH(bool, neverAnswered);
    QTemporaryDir dir;
    Rig rig(2);
    QVERIFY(rig.settled());
    rig.line.detector.setFlankState(1, sim::FlankState::Alarm);
    const int code = protocol::kReadUnitNumber;
    if (lost)
        rig.line.loseOnce.insert(code);
    if (neverAnswered)
        rig.line.neverAnswer.insert(code);
    const QByteArray read = readRequest(settingRow(Setting::UnitNumber), 1, 1).toLatin1();
    const int sentBefore = rig.line.sent(read);
    ReportTask::Options options;
    options.site = u"Склад 3"_s;
    options.installer = u"Петров"_s;
    options.unitNumberTiming = {300, 1500};
    ReportTask task(rig.exchange, dir.filePath(u"report.pdf"_s), options);
    QSignalSpy finished(&task, &Task::finished);
    task.start();
    QVERIFY(finished.wait(20000));
    QVERIFY2(task.state() == Task::State::Done, qPrintable(task.message()));
    QCOMPARE(rig.exchange.flank(), 2);
    const CommissioningReport &report = task.report();
    QVERIFY(report.status[0] && report.status[1]);
    QCOMPARE(report.status[0]->flankCode(), int(sim::FlankState::Alarm));
    QCOMPARE(report.status[1]->flankCode(), int(sim::FlankState::Norm));
    QVERIFY(report.settings.isComplete());
    QVERIFY(!report.pass);
    QFile pdf(dir.filePath(u"report.pdf"_s));
    QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
    QCOMPARE(report.unitNumber, neverAnswered ? std::optional<int>() : std::optional<int>(1));
    QCOMPARE(report.site, u"Склад 3"_s);
    QCOMPARE(report.installer, u"Петров"_s);
    const int sent = rig.line.sent(read) - sentBefore;
    QVERIFY2(neverAnswered || lost ? sent >= 2 : sent == 1, qPrintable(QString::number(sent)));
}

namespace {

// What happened on one sample the control pass saw.
enum Sample {
    PassRan,        // the pass advanced and goes on
    PassEnded,      // it ended, too short for a mean
    PassEndedMean,  // it ended with a mean
    ExchangeEnded,  // the exchange ended: the pass is dropped
};

}  // namespace

void TestTasks::passRecorder_data()
{
    QTest::addColumn<QList<int>>("samples");
    QTest::addColumn<int>("passes");       // passes handed over
    QTest::addColumn<int>("lastSamples");  // samples of the last one
    QTest::addColumn<bool>("lastHasMean");
    QTest::newRow("a pass with a mean")
        << QList<int>{PassRan, PassRan, PassRan, PassRan, PassEndedMean} << 1 << 5 << true;
    QTest::newRow("started and stopped between two replies")
        << QList<int>{PassEnded} << 1 << 1 << false;
    QTest::newRow("two passes") << QList<int>{PassRan, PassRan, PassEndedMean, PassRan, PassEnded}
                                << 2 << 2 << false;
    QTest::newRow("cut off by the end of the exchange")
        << QList<int>{PassRan, PassRan, ExchangeEnded, PassRan, PassEndedMean} << 1 << 2 << true;
}

void TestTasks::passRecorder()
{
    QFETCH(QList<int>, samples);
    QFETCH(int, passes);
    QFETCH(int, lastSamples);
    QFETCH(bool, lastHasMean);
    PassRecorder recorder;
    QList<CommissioningReport::Pass> handed;
    StatusReading reading;
    reading.signal = 51;  // 1 V
    reading.threshold = 102;
    for (int sample : samples) {
        if (sample == ExchangeEnded) {
            recorder.drop();
            continue;
        }
        ControlPass::Step step;
        step.ended = sample != PassRan;
        if (sample == PassEndedMean)
            step.result = ControlPass::Result{0.5, 1};
        if (auto pass = recorder.take(reading, step, 2))
            handed.append(*pass);
    }
    QCOMPARE(handed.size(), passes);
    QCOMPARE(handed.last().signal.size(), lastSamples);
    QCOMPARE(handed.last().meanVolts.has_value(), lastHasMean);
    QCOMPARE(handed.last().flank, 2);
    QCOMPARE(handed.last().thresholdVolts, 2.0);
    QCOMPARE(handed.last().signal.last().y(), 1.0);
}

QTEST_MAIN(TestTasks)
#include "test_tasks.moc"
