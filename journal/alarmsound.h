#pragma once

#include <QObject>
#include <QString>

class QSoundEffect;

// Plays the alarm tone. restart() closes whatever plays, reopens the file and
// starts it from its beginning without blocking; a missing or broken file or
// a machine without a sound device makes it do nothing.
class AlarmPlayer {
public:
    virtual ~AlarmPlayer() = default;
    virtual void restart() = 0;
};

class SoundEffectPlayer : public QObject, public AlarmPlayer {
    Q_OBJECT
public:
    explicit SoundEffectPlayer(QString wavPath, QObject *parent = nullptr);
    void restart() override;

private:
    QString m_path;
    QSoundEffect *m_effect = nullptr;
};
