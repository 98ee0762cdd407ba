// The alarm tone player, with or without a sound device: whatever the file,
// restarts must neither crash, block nor pile up players; a tone that cannot
// be heard is reported once, with its reason, and a file that is replaced,
// disappears or comes back is noticed at the next restart.
#include "journal/alarmsound.h"

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;

class AlarmSoundTest : public QObject {
    Q_OBJECT
private slots:
    void tones_data();
    void tones();
    void replacedFileIsReadAnew();
};

namespace {

QByteArray goodTone()
{
    QFile file(QStringLiteral(VERKAN_TONE_PATH));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The built tone with one field of its header changed: it is a plain
// 44-byte header, the fmt chunk first.
QByteArray patched(int at, quint32 value, int width)
{
    QByteArray tone = goodTone();
    if (width == 2)
        qToLittleEndian<quint16>(quint16(value), tone.data() + at);
    else
        qToLittleEndian<quint32>(value, tone.data() + at);
    return tone;
}

bool writeFile(const QString &path, const QByteArray &bytes, qint64 size = -1)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
           (size < 0 || file.resize(size));
}

// What a usable tone leaves reported on this machine: nothing, or the
// missing output device.
bool usable(const QString &failure)
{
    return QMediaDevices::audioOutputs().isEmpty() ? failure.contains(u"устройств"_s)
                                                   : failure.isEmpty();
}

int liveEffects(const SoundEffectPlayer &player)
{
    return int(player.findChildren<QSoundEffect *>().size());
}

}  // namespace

void AlarmSoundTest::tones_data()
{
    QTest::addColumn<QByteArray>("content");  // "-": no file at all
    QTest::addColumn<qint64>("size");         // -1: as written; more: sparse
    QTest::addColumn<QString>("reason");      // part of the report; empty: plays
    const QByteArray tone = goodTone();
    QTest::newRow("missing") << "-"_ba << -1LL << u"не найден"_s;
    QTest::newRow("empty") << QByteArray() << -1LL << u"пуст"_s;
    QTest::newRow("not a WAV") << QByteArray(4096, '\x5a') << -1LL << u"не файл WAV"_s;
    QTest::newRow("50 MB") << tone << 50LL * 1024 * 1024 << u"больше 4 МБ"_s;
    QTest::newRow("float samples") << patched(20, 3, 2) << -1LL << u"PCM"_s;
    QTest::newRow("data cut short") << tone.left(tone.size() / 2) << -1LL << u"обрезан"_s;
    QTest::newRow("12-bit samples, refused by the decoder")
        << patched(34, 12, 2) << -1LL << u"не поддерживается"_s;
    QTest::newRow("the built tone") << tone << -1LL << QString();
}

void AlarmSoundTest::tones()
{
    QFETCH(QByteArray, content);
    QFETCH(qint64, size);
    QFETCH(QString, reason);
    QVERIFY(!goodTone().isEmpty());
    QTemporaryDir dir;
    const QString path = dir.filePath(u"ringout.wav"_s);
    QVERIFY(content == "-" || writeFile(path, content, size));
    SoundEffectPlayer player(path);
    QStringList reports;
    player.setFailureSink([&](const QString &r) { reports << r; });

    for (int i = 0; i < 30; ++i)  // back to back, as a stalled loop would tick
        player.restart();
    if (reason.isEmpty()) {
        QTRY_COMPARE(player.findChild<QSoundEffect *>()->status(), QSoundEffect::Ready);
        QCOMPARE(liveEffects(player), 1);
        QVERIFY2(usable(player.failure()), qPrintable(player.failure()));
        QVERIFY(reports.size() <= 1);
        return;
    }
    QTRY_COMPARE(reports.size(), 1);
    QVERIFY2(reports.first().contains(reason), qPrintable(reports.first()));
    QCOMPARE(player.failure(), reports.first());
    // A refused file never reaches the decoder.
    QCOMPARE(liveEffects(player), reason.contains(u"поддерживается"_s) ? 1 : 0);

    // Put right: noticed at the next restart, and reported.
    QVERIFY(writeFile(path, goodTone()));
    player.restart();
    QTRY_VERIFY2(usable(player.failure()), qPrintable(player.failure()));
    QCOMPARE(reports.size(), 2);
    QCOMPARE(reports.last(), player.failure());
}

void AlarmSoundTest::replacedFileIsReadAnew()
{
    // Same size, a later time, and a header the decoder refuses: the sound
    // of the old file must not be played on.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"ringout.wav"_s);
    QVERIFY(writeFile(path, goodTone()));
    SoundEffectPlayer player(path);
    player.restart();
    QTRY_COMPARE(player.findChild<QSoundEffect *>()->status(), QSoundEffect::Ready);

    QVERIFY(writeFile(path, patched(34, 12, 2)));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite) &&
            file.setFileTime(QDateTime::currentDateTime().addSecs(10),
                             QFileDevice::FileModificationTime));
    file.close();
    player.restart();
    QTRY_VERIFY(player.failure().contains(u"не поддерживается"_s));
}

QTEST_MAIN(AlarmSoundTest)
#include "test_alarm_sound.moc"
