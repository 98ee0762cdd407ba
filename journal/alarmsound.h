#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>

class QSoundEffect;

// Plays the alarm tone. restart() starts the tone from its beginning without
// blocking, stopping whatever plays. A tone that cannot be heard changes
// nothing else; its reason goes to the failure callback.
class AlarmPlayer {
public:
    using FailureSink = std::function<void(const QString &reason)>;

    virtual ~AlarmPlayer() = default;
    virtual void restart() = 0;
    // Looks at the tone file now and reports, without playing: for when the
    // sound is switched on, before any alarm.
    virtual void check() {}
    // Called with a readable reason when the tone cannot be heard, once until
    // the reason changes, and with an empty text when it can be again. The
    // callback must not call back into the player.
    virtual void setFailureSink(FailureSink sink) { (void)sink; }
};

class SoundEffectPlayer : public QObject, public AlarmPlayer {
    Q_OBJECT
public:
    // A tone is a short beep; a larger file would be decoded and kept in
    // memory whole.
    static constexpr qint64 kMaxToneBytes = 4 * 1024 * 1024;

    explicit SoundEffectPlayer(QString wavPath, QObject *parent = nullptr);

    void restart() override;
    void check() override;
    void setFailureSink(FailureSink sink) override { m_onFailure = std::move(sink); }

    QString filePath() const { return m_path; }
    // Why the tone cannot be heard; empty while it can, as far as is known.
    QString failure() const { return m_failure; }

private:
    // What the loaded sound was read from and played to.
    struct Stamp {
        qint64 size = -1;
        QDateTime modified;
        bool hadDevice = false;
        bool operator==(const Stamp &o) const
        {
            return size == o.size && modified == o.modified && hadDevice == o.hadDevice;
        }
    };

    bool prepare();
    void onStatusChanged();
    void report(const QString &reason);

    QString m_path;
    QSoundEffect *m_effect = nullptr;
    Stamp m_loaded;
    quint64 m_loads = 0;
    bool m_playWhenReady = false;
    QString m_failure;
    FailureSink m_onFailure;
};

// Why the file cannot serve as the tone, or an empty text: it must exist,
// hold 1 byte to maxBytes, and be a RIFF WAVE file with a PCM "fmt " chunk
// followed by a "data" chunk that the file holds whole. Reads only the chunk
// headers.
QString toneFileProblem(const QString &path, qint64 maxBytes = SoundEffectPlayer::kMaxToneBytes);
