#include "journal/alarmsound.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

SoundEffectPlayer::SoundEffectPlayer(QString wavPath, QObject *parent)
    : QObject(parent), m_path(std::move(wavPath))
{
}

void SoundEffectPlayer::restart()
{
    // Close: drop the previous effect (it stops playing), then open the file
    // anew so that a replaced or removed file is noticed at the next tick.
    if (m_effect) {
        m_effect->stop();
        m_effect->deleteLater();
        m_effect = nullptr;
    }
    if (!QFileInfo::exists(m_path))
        return;
    m_effect = new QSoundEffect(this);
    m_effect->setSource(QUrl::fromLocalFile(m_path));
    // Loading is asynchronous; play as soon as the file is ready. A broken
    // file ends in the Error status and simply never plays.
    QSoundEffect *effect = m_effect;
    connect(effect, &QSoundEffect::statusChanged, effect, [effect] {
        if (effect->status() == QSoundEffect::Ready)
            effect->play();
    });
    if (effect->status() == QSoundEffect::Ready)
        effect->play();
}
