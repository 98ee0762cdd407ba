// Faults of the data and of the program's own files: out-of-range values from
// the detector, a journal file that cannot be written and the alarm tone file
// removed while the tone repeats.

#include "app/updown.h"
#include "journal/alarmsound.h"
#include "link/codec.h"
#include "support/replies.h"
#include "test_e2e_faults_bench.h"

#include <QCheckBox>
#include <QDir>
#include <QScopeGuard>
#include <QSoundEffect>

using namespace faults;

namespace {

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
    QVERIFY(b.setUp());
    Form1 &w = *b.form;
    b.start();
    QVERIFY2(b.linkUp(), qPrintable(b.rowText()));

    // Each reply carries a value byte outside its row's range; the last one
    // confirms a gain the operator applied (5 -> 6), which the row keeps.
    const struct {
        const char *unlockBox;
        int code, value;
    } cases[] = {{"Check2", codec::ReadThreshold, 255},
                 {"Check14", codec::ReadUnitNumber, 129},
                 {"Check10", codec::WriteGain, 0}};
    Rows expected = kFlank1;
    bool alarm = false;
    for (const auto &c : cases) {
        const QString what = u"%1: code %2 value %3"_s.arg(c.unlockBox).arg(c.code).arg(c.value);
        const int index = w.settingRowIndex(QLatin1String(c.unlockBox));
        QVERIFY2(index >= 0, qPrintable(what));
        const Form1::SettingControls &row = w.settingRows()[index];
        const bool write = c.code == codec::WriteGain;
        b.command(u"oor %1 %2"_s.arg(c.code).arg(c.value));
        QVERIFY(b.status().contains(u"flank 2:"_s));
        row.unlockBox->setChecked(true);
        if (write) {
            w.UpDown4->stepUp();
            expected[1] = u"6"_s;
        }
        const auto position = [&row] {
            return row.spinner ? row.spinner->Value() : row.list->currentIndex();
        };
        const int positionBefore = position();
        const int journalBefore = w.List1->count();
        if (write)
            w.Command7->click();
        else
            row.unlockBox->setChecked(false);  // asks the detector for the value
        QByteArray reply = settingReply(c.code, c.value);
        reply.chop(1);  // the log shows it without its CR
        const QString logged = u"> "_s + QString::fromLatin1(reply);
        QTRY_VERIFY2_WITH_TIMEOUT(b.simLog().filter(logged).size() == 1, qPrintable(what),
                                  kTimeout);
        // Once a state change sent after that reply shows, the reply has been
        // handled and the exchange went on past it.
        alarm = !alarm;
        b.command(alarm ? u"flank 1 alarm"_s : u"flank 1 norm"_s);
        QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), alarm ? u"Тревога"_s : u"Норма"_s, kTimeout);

        QVERIFY2(b.rows() == expected, qPrintable(what + u": "_s + b.rowText()));
        QCOMPARE(w.Text8->text(), u"1"_s);
        QCOMPARE(position(), positionBefore);
        // Only the state change was journalled.
        QCOMPARE(w.List1->count(), journalBefore + 1);
        QVERIFY2(w.List1->item(0)->text().contains(u"Фланг -1"_s), qPrintable(what));
    }
    QCOMPARE(b.linkLossCount(), 0);
    QCOMPARE(w.Label6->text(), kLinkAlive);
}

void E2eFaultsValuesTest::journalFolderTurnsUnwritable()
{
    journalFailureWarnings = 0;
    previousHandler = qInstallMessageHandler(countJournalFailures);
    const auto restore = qScopeGuard([] { qInstallMessageHandler(previousHandler); });
    Bench b;
    QVERIFY(b.setUp());
    Form1 &w = *b.form;
    b.start();
    QVERIFY2(b.linkUp(), qPrintable(b.rowText()));
    QVERIFY(QFileInfo(b.journalPath()).isFile());
    QCOMPARE(Form1::labelTextColor(w.Label18), bgr::Black);

    // Jurnal.txt turns into a folder: no write can succeed.
    QVERIFY(QFile::remove(b.journalPath()));
    QVERIFY(QDir().mkdir(b.journalPath()));
    const int listBefore = w.List1->count();
    const char *const changes[] = {"flank 1 alarm", "flank 1 norm", "tamper open", "tamper closed"};
    for (int i = 0; i < 4; ++i) {
        b.command(QLatin1String(changes[i]));
        QTRY_COMPARE_WITH_TIMEOUT(w.List1->count(), listBefore + i + 1, kTimeout);
    }
    QTest::qWait(500);
    // Every event is in the list; the failure is reported once.
    QCOMPARE(w.List1->count(), listBefore + 4);
    QCOMPARE(journalFailureWarnings, 1);
    QCOMPARE(Form1::labelTextColor(w.Label18), bgr::Red);
    QVERIFY2(w.Label18->toolTip().contains(b.journalPath()), qPrintable(w.Label18->toolTip()));
    QCOMPARE(w.Label18->text(), u"Журнал событий"_s);
    QCOMPARE(b.linkLossCount(), 0);
    QCOMPARE(w.Label6->text(), kLinkAlive);

    // The folder goes away: the next event is written again.
    QVERIFY(QDir().rmdir(b.journalPath()));
    b.command(u"flank 1 alarm"_s);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), u"Тревога"_s, kTimeout);
    QCOMPARE(w.List1->count(), listBefore + 5);
    QCOMPARE(Form1::labelTextColor(w.Label18), bgr::Black);
    QCOMPARE(w.Label18->toolTip(), QString());
    QFile file(b.journalPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u"\r\n"_s);
    QCOMPARE(lines.size(), 2);  // one entry and the empty rest after its CR LF
    QVERIFY2(lines[0].startsWith(u'"') && lines[0].endsWith(u" Фланг -1  Тревога\""_s),
             qPrintable(lines[0]));
    QCOMPARE(journalFailureWarnings, 1);
}

void E2eFaultsValuesTest::toneFileRemovedMidAlarm()
{
    QTemporaryDir toneDir;
    const QString tonePath = toneDir.filePath(u"ringout.wav"_s);
    QVERIFY2(QFile::copy(QStringLiteral(VERKAN_TONE_PATH), tonePath), VERKAN_TONE_PATH);
    SoundEffectPlayer player(tonePath);
    Bench b;
    QVERIFY(b.setUp(&player));
    Form1 &w = *b.form;
    int ticks = 0;
    QObject::connect(w.Timer4, &QTimer::timeout, [&ticks] { ++ticks; });
    b.start();
    QVERIFY2(b.linkUp(), qPrintable(b.rowText()));

    w.Check3->setChecked(true);
    b.command(u"flank 1 alarm"_s);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), u"Тревога"_s, kTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, kTimeout);
    QCOMPARE(player.findChildren<QSoundEffect *>().size(), 1);

    QVERIFY(QFile::remove(tonePath));
    const int ticksAtRemoval = ticks;
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= ticksAtRemoval + 3, kTimeout);
    // Nothing plays any more, and nothing else changed.
    QTRY_COMPARE_WITH_TIMEOUT(player.findChildren<QSoundEffect *>().size(), 0, kTimeout);
    QCOMPARE(w.Label4->text(), u"Тревога"_s);
    QCOMPARE(Form1::labelBackColor(w.Label4), bgr::Red);
    QVERIFY(w.Timer4->isActive() && w.Check3->isChecked());
    QCOMPARE(b.journalCount(u"  Фланг -1  Тревога"_s), 1);
    QCOMPARE(b.linkLossCount(), 0);
    QVERIFY2(b.rows() == kFlank1, qPrintable(b.rowText()));

    // The alarm ends: the tone stops.
    b.command(u"flank 1 norm"_s);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), u"Норма"_s, kTimeout);
    QVERIFY(!w.Timer4->isActive());
}

QTEST_MAIN(E2eFaultsValuesTest)
#include "test_e2e_faults_values.moc"
