// Faults of the data and of the program's own files, end to end: out-of-range
// setting values from the detector, a journal file that cannot be written and
// an alarm tone file removed while the tone repeats.

#include "app/updown.h"
#include "journal/alarmsound.h"
#include "link/codec.h"
#include "support/replies.h"
#include "test_e2e_faults_bench.h"

#include <QCheckBox>
#include <QDir>
#include <QScopeGuard>
#include <QSoundEffect>
#include <QTimer>

using namespace faults;

namespace {

// Counts the warnings that report the journal file failing.
int journalFailureWarnings = 0;
QtMessageHandler previousHandler = nullptr;

void countJournalFailures(QtMsgType type, const QMessageLogContext &context, const QString &msg)
{
    if (type == QtWarningMsg && msg.contains(u"Не удалось записать файл журнала"_s))
        ++journalFailureWarnings;
    if (previousHandler)
        previousHandler(type, context, msg);
}

}  // namespace

class E2eFaultsValuesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void outOfRangeValuesAreIgnored();
    void journalFolderTurnsUnwritable();
    void toneFileRemovedMidAlarm();
};

void E2eFaultsValuesTest::outOfRangeValuesAreIgnored()
{
    Bench b;
    QVERIFY2(b.setUp(), qPrintable(b.error()));
    Form1 &w = *b.form;
    b.start();
    QVERIFY2(b.linkUp(), qPrintable(b.rows()));

    // Each read reply below carries a value byte outside its row's range.
    const struct {
        const char *unlockBox;
        int code;
        int value;
    } cases[] = {
        {"Check11", codec::ReadLimit, 4},        {"Check10", codec::ReadGain, 0},
        {"Check10", codec::ReadGain, 10},        {"Check2", codec::ReadThreshold, 14},
        {"Check2", codec::ReadThreshold, 255},   {"Check5", codec::ReadAccumulation, 0},
        {"Check5", codec::ReadAccumulation, 20}, {"Check12", codec::ReadFront, 11},
        {"Check13", codec::ReadAlarmTime, 0},    {"Check4", codec::ReadSelfTest, 51},
        {"Check14", codec::ReadUnitNumber, 0},   {"Check14", codec::ReadUnitNumber, 129},
    };
    bool alarm = false;
    for (const auto &c : cases) {
        const QString name = QLatin1String(c.unlockBox);
        const QString what = u"%1: code %2 value %3"_s.arg(name).arg(c.code).arg(c.value);
        const int index = w.settingRowIndex(name);
        QVERIFY2(index >= 0, qPrintable(what));
        const Form1::SettingControls &row = w.settingRows()[index];
        const int positionBefore = row.spinner ? row.spinner->Value() : row.list->currentIndex();
        const int journalBefore = w.List1->count();
        QByteArray reply = settingReply(c.code, c.value);
        reply.chop(1);  // the log shows it without its CR
        const QString logged = u"> "_s + QString::fromLatin1(reply);
        QCOMPARE(b.simLog().filter(logged).size(), 0);

        b.sim->command(u"oor %1 %2"_s.arg(c.code).arg(c.value));
        QVERIFY(b.sim->sync());
        row.unlockBox->setChecked(true);
        row.unlockBox->setChecked(false);  // asks the detector for the value
        QTRY_VERIFY2_WITH_TIMEOUT(b.simLog().filter(logged).size() == 1, qPrintable(what),
                                  kTimeout);
        // A state change sent after that reply: once it shows, the reply has
        // been handled, and the exchange went on past it.
        alarm = !alarm;
        b.sim->command(alarm ? u"flank 1 alarm"_s : u"flank 1 norm"_s);
        QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), alarm ? u"Тревога"_s : u"Норма"_s, kTimeout);

        QVERIFY2(b.shows(kFlank1), qPrintable(what + u": "_s + b.rows()));
        QCOMPARE(w.Text8->text(), u"1"_s);
        QCOMPARE(row.spinner ? row.spinner->Value() : row.list->currentIndex(), positionBefore);
        // Only the state change was journalled.
        QCOMPARE(w.List1->count(), journalBefore + 1);
        QVERIFY2(w.List1->item(0)->text().contains(u"Фланг -1"_s), qPrintable(what));
    }

    // An out-of-range confirmation of a write is not journalled either; the
    // row keeps what the operator applied.
    const int journalBefore = w.List1->count();
    b.sim->command(u"oor %1 0"_s.arg(codec::WriteGain));
    QVERIFY(b.sim->sync());
    w.Check10->setChecked(true);
    w.UpDown4->stepUp();
    QCOMPARE(w.Text7->text(), u"6"_s);
    w.Command7->click();
    QByteArray confirmation = settingReply(codec::WriteGain, 0);
    confirmation.chop(1);
    const QString logged = u"> "_s + QString::fromLatin1(confirmation);
    QTRY_VERIFY_WITH_TIMEOUT(b.simLog().filter(logged).size() == 1, kTimeout);
    alarm = !alarm;
    b.sim->command(alarm ? u"flank 1 alarm"_s : u"flank 1 norm"_s);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), alarm ? u"Тревога"_s : u"Норма"_s, kTimeout);
    QCOMPARE(w.List1->count(), journalBefore + 1);
    QCOMPARE(b.journalCount(u"Установлено усиление -6"_s), 0);
    QCOMPARE(w.Text7->text(), u"6"_s);
    QCOMPARE(w.UpDown4->Value(), 6);
    QCOMPARE(b.linkLossCount(), 0);
    QCOMPARE(w.Label6->text(), kLinkAlive);
}

void E2eFaultsValuesTest::journalFolderTurnsUnwritable()
{
    journalFailureWarnings = 0;
    previousHandler = qInstallMessageHandler(countJournalFailures);
    const auto restore = qScopeGuard([] { qInstallMessageHandler(previousHandler); });

    Bench b;
    QVERIFY2(b.setUp(), qPrintable(b.error()));
    Form1 &w = *b.form;
    b.start();
    QVERIFY2(b.linkUp(), qPrintable(b.rows()));
    QVERIFY(QFileInfo(b.journalPath()).isFile());
    QCOMPARE(journalFailureWarnings, 0);
    QCOMPARE(Form1::labelTextColor(w.Label18), bgr::Black);

    // Jurnal.txt turns into a folder: no write can succeed.
    QVERIFY(QFile::remove(b.journalPath()));
    QVERIFY(QDir().mkdir(b.journalPath()));
    const int listBefore = w.List1->count();
    const char *const changes[] = {"flank 1 alarm", "flank 1 norm", "tamper open", "tamper closed"};
    const QString shown[] = {u"Тревога"_s, u"Норма"_s, u"Тревога"_s, u"Норма"_s};
    for (int i = 0; i < 4; ++i) {
        b.sim->command(QLatin1String(changes[i]));
        if (i < 2) {
            QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), shown[i], kTimeout);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(w.List1->count(), listBefore + i + 1, kTimeout);
        }
    }
    // Every event is in the list; the failure is reported once.
    QCOMPARE(w.List1->count(), listBefore + 4);
    QCOMPARE(journalFailureWarnings, 1);
    QCOMPARE(Form1::labelTextColor(w.Label18), bgr::Red);
    QVERIFY2(w.Label18->toolTip().contains(b.journalPath()), qPrintable(w.Label18->toolTip()));
    QCOMPARE(w.Label18->text(), u"Журнал событий"_s);
    QVERIFY(QFileInfo(b.journalPath()).isDir());
    QCOMPARE(b.linkLossCount(), 0);
    QCOMPARE(w.Label6->text(), kLinkAlive);
    QVERIFY(w.Command3->isEnabled());
    QVERIFY(w.Timer1->isActive() || w.state().Mode == 1);

    // The folder goes away: the next event is written again.
    QVERIFY(QDir().rmdir(b.journalPath()));
    b.sim->command(u"flank 1 alarm"_s);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), u"Тревога"_s, kTimeout);
    QCOMPARE(w.List1->count(), listBefore + 5);
    QCOMPARE(Form1::labelTextColor(w.Label18), bgr::Black);
    QCOMPARE(w.Label18->toolTip(), QString());
    QFile file(b.journalPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u"\r\n"_s);
    QCOMPARE(lines.size(), 2);  // one entry and what follows its CR LF
    QVERIFY2(lines[0].startsWith(u'"') && lines[0].endsWith(u" Фланг -1  Тревога\""_s),
             qPrintable(lines[0]));
    QCOMPARE(lines[1], QString());
    QCOMPARE(journalFailureWarnings, 1);
}

void E2eFaultsValuesTest::toneFileRemovedMidAlarm()
{
    QTemporaryDir toneDir;
    QVERIFY(toneDir.isValid());
    const QString tonePath = toneDir.filePath(u"ringout.wav"_s);
    QVERIFY2(QFile::copy(QStringLiteral(VERKAN_TONE_PATH), tonePath), VERKAN_TONE_PATH);
    SoundEffectPlayer player(tonePath);

    Bench b;
    QVERIFY2(b.setUp(&player), qPrintable(b.error()));
    Form1 &w = *b.form;
    int ticks = 0;
    QObject::connect(w.Timer4, &QTimer::timeout, [&ticks] { ++ticks; });
    b.start();
    QVERIFY2(b.linkUp(), qPrintable(b.rows()));

    w.Check3->setChecked(true);
    b.sim->command(u"flank 1 alarm"_s);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), u"Тревога"_s, kTimeout);
    QVERIFY(w.Timer4->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, kTimeout);
    // While the file is there, each tick opens it anew.
    QCOMPARE(player.findChildren<QSoundEffect *>().size(), 1);

    QVERIFY(QFile::remove(tonePath));
    const int ticksAtRemoval = ticks;
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= ticksAtRemoval + 3, kTimeout);
    // Nothing plays any more, and nothing else changed.
    QTRY_COMPARE_WITH_TIMEOUT(player.findChildren<QSoundEffect *>().size(), 0, kTimeout);
    QCOMPARE(w.Label4->text(), u"Тревога"_s);
    QCOMPARE(Form1::labelBackColor(w.Label4), bgr::Red);
    QVERIFY(w.Timer4->isActive());
    QVERIFY(w.Check3->isChecked());
    QCOMPARE(b.journalCount(u"  Фланг -1  Тревога"_s), 1);
    QCOMPARE(b.linkLossCount(), 0);
    QCOMPARE(w.Label6->text(), kLinkAlive);
    QVERIFY(w.Command3->isEnabled());
    QVERIFY2(b.shows(kFlank1), qPrintable(b.rows()));

    // The alarm ends: the tone stops.
    b.sim->command(u"flank 1 norm"_s);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), u"Норма"_s, kTimeout);
    QVERIFY(!w.Timer4->isActive());
}

QTEST_MAIN(E2eFaultsValuesTest)
#include "test_e2e_faults_values.moc"
