// The alarm tone player without a sound device: whatever the file, restarts
// must neither crash, block nor pile up players, and a file that disappears
// or comes back is noticed at the next restart.
#include "journal/alarmsound.h"

#include <QFile>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <QTest>

class AlarmSoundTest : public QObject {
    Q_OBJECT
private slots:
    void restarts_data();
    void restarts();
};

void AlarmSoundTest::restarts_data()
{
    QTest::addColumn<QByteArray>("content");  // empty: copy the built tone
    QTest::addColumn<int>("players");         // live players after restarts
    QTest::newRow("broken file") << QByteArray(4096, '\x5a') << 1;
    QTest::newRow("real tone") << QByteArray() << 1;
}

void AlarmSoundTest::restarts()
{
    QFETCH(QByteArray, content);
    QFETCH(int, players);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ringout.wav"));
    const auto makeFile = [&] {
        if (content.isEmpty())
            return QFile::copy(QStringLiteral(VERKAN_TONE_PATH), path);
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    };
    const auto live = [](const SoundEffectPlayer &p) {
        QTest::qWait(20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return int(p.findChildren<QSoundEffect *>().size());
    };
    SoundEffectPlayer player(path);
    player.restart();  // missing file: nothing to play
    QCOMPARE(live(player), 0);

    QVERIFY(makeFile());
    for (int i = 0; i < 30; ++i)  // back to back, as a stalled loop would tick
        player.restart();
    QCOMPARE(live(player), players);

    QVERIFY(QFile::remove(path));
    player.restart();
    QCOMPARE(live(player), 0);
}

QTEST_MAIN(AlarmSoundTest)
#include "test_alarm_sound.moc"
