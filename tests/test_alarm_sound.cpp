// The alarm tone player on a machine without a sound device: whatever the
// file, restarting it again and again must neither crash, block nor pile up
// players.

#include "journal/alarmsound.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <QTest>

namespace {

enum class ToneFile { Missing, Broken, Real };

// Lets the player load and play for a moment, and runs deferred deletions.
void runEventLoop()
{
    QTest::qWait(20);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int livePlayers(const SoundEffectPlayer &player)
{
    return int(player.findChildren<QSoundEffect *>().size());
}

}  // namespace

class AlarmSoundTest : public QObject {
    Q_OBJECT
private slots:
    void restartsAreHarmless_data();
    void restartsAreHarmless();
    void fileRemovedBetweenRestarts_data();
    void fileRemovedBetweenRestarts();
    void playerDestroyedWhileLoading();

private:
    // Puts the tone file of the given kind at `path`.
    static void makeFile(ToneFile kind, const QString &path);
};

void AlarmSoundTest::makeFile(ToneFile kind, const QString &path)
{
    switch (kind) {
    case ToneFile::Missing:
        break;
    case ToneFile::Broken: {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray noise(4096, '\0');
        for (char &c : noise)
            c = char(QRandomGenerator::global()->bounded(256));
        file.write(noise);
        break;
    }
    case ToneFile::Real:
        QVERIFY2(QFile::exists(QStringLiteral(VERKAN_TONE_PATH)), VERKAN_TONE_PATH);
        QVERIFY(QFile::copy(QStringLiteral(VERKAN_TONE_PATH), path));
        break;
    }
}

void AlarmSoundTest::restartsAreHarmless_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("players");  // live players after a restart
    QTest::newRow("missing file") << int(ToneFile::Missing) << 0;
    QTest::newRow("broken file") << int(ToneFile::Broken) << 1;
    QTest::newRow("real tone") << int(ToneFile::Real) << 1;
}

void AlarmSoundTest::restartsAreHarmless()
{
    QFETCH(int, kind);
    QFETCH(int, players);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ringout.wav"));
    makeFile(ToneFile(kind), path);
    SoundEffectPlayer player(path);
    for (int i = 0; i < 30; ++i) {
        player.restart();
        if (i % 3 == 0)
            runEventLoop();
    }
    // Back to back, the way a stalled event loop would deliver ticks.
    for (int i = 0; i < 30; ++i)
        player.restart();
    runEventLoop();
    // Each restart replaces the previous player instead of adding one.
    QCOMPARE(livePlayers(player), players);
}

void AlarmSoundTest::fileRemovedBetweenRestarts_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("broken file") << int(ToneFile::Broken);
    QTest::newRow("real tone") << int(ToneFile::Real);
}

void AlarmSoundTest::fileRemovedBetweenRestarts()
{
    QFETCH(int, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ringout.wav"));
    makeFile(ToneFile(kind), path);
    SoundEffectPlayer player(path);
    player.restart();
    runEventLoop();
    QVERIFY(QFile::remove(path));
    player.restart();
    runEventLoop();
    QCOMPARE(livePlayers(player), 0);
    // The file comes back: the next restart notices it.
    makeFile(ToneFile(kind), path);
    player.restart();
    runEventLoop();
    QCOMPARE(livePlayers(player), 1);
}

void AlarmSoundTest::playerDestroyedWhileLoading()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ringout.wav"));
    makeFile(ToneFile::Real, path);
    {
        SoundEffectPlayer player(path);
        player.restart();
        player.restart();
    }
    runEventLoop();  // nothing of the destroyed player may still fire
}

QTEST_MAIN(AlarmSoundTest)
#include "test_alarm_sound.moc"
