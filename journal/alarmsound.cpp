#include "journal/alarmsound.h"

#include "base/enginetext.h"

#include <QAudioDevice>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {

quint16 le16(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 le32(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

}  // namespace

QString toneFileProblem(const QString &path, qint64 maxBytes)
{
    const QFileInfo info(path);
    if (!info.exists())
        return engineText(QT_TRANSLATE_NOOP("Engine", "файл не найден"));
    if (!info.isFile())
        return engineText(QT_TRANSLATE_NOOP("Engine", "это не файл"));
    const qint64 size = info.size();
    if (size == 0)
        return engineText(QT_TRANSLATE_NOOP("Engine", "файл пуст"));
    if (size > maxBytes)
        return engineText(QT_TRANSLATE_NOOP("Engine", "файл больше %1 МБ (%2 байт)"))
            .arg(maxBytes / (1024 * 1024))
            .arg(size);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    const QByteArray riff = file.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8) != "WAVE")
        return engineText(QT_TRANSLATE_NOOP("Engine", "это не файл WAV"));

    const QString notPcm =
        engineText(QT_TRANSLATE_NOOP("Engine", "звук в файле записан не в формате PCM"));
    bool pcm = false;
    // Walk the chunks by their headers; each is padded to an even length.
    for (qint64 at = 12; at + 8 <= size;) {
        file.seek(at);
        const QByteArray head = file.read(8);
        if (head.size() < 8)
            break;
        const quint32 length = le32(head, 4);
        if (head.startsWith("fmt ")) {
            const QByteArray fmt = file.read(16);
            // Format tag 1 (PCM), channels, sample rate, ..., bits per sample.
            pcm = length >= 16 && fmt.size() == 16 && le16(fmt, 0) == 1 && le16(fmt, 2) > 0 &&
                  le32(fmt, 4) > 0 && le16(fmt, 14) > 0;
            if (!pcm)
                return notPcm;
        } else if (head.startsWith("data")) {
            if (!pcm)
                return notPcm;
            if (length == 0)
                return engineText(QT_TRANSLATE_NOOP("Engine", "в файле нет звука"));
            // A decoder would wait for the missing rest for ever.
            if (length > size - at - 8)
                return engineText(QT_TRANSLATE_NOOP(
                    "Engine", "файл обрезан: звука в нём меньше, чем сказано в заголовке"));
            return QString();
        }
        at += 8 + qint64(length) + (length & 1);
    }
    return pcm ? engineText(QT_TRANSLATE_NOOP("Engine", "в файле нет звука")) : notPcm;
}

SoundEffectPlayer::SoundEffectPlayer(QString wavPath, QObject *parent)
    : QObject(parent), m_path(std::move(wavPath))
{
}

void SoundEffectPlayer::restart()
{
    if (!prepare())
        return;
    m_effect->stop();
    if (m_effect->status() == QSoundEffect::Ready)
        m_effect->play();
    else
        m_playWhenReady = true;
}

void SoundEffectPlayer::check()
{
    prepare();
}

// Checks the file and, when it or the sound output has changed since it was
// loaded, or its loading failed, loads it anew. Returns whether the effect
// holds the current file or is loading it.
//
// The effect is kept across loads, and a new load always comes under a URL
// different from the last: Qt 6.4 keeps the sound of a URL in its sample
// cache while an effect refers to it, hands it to any later request for the
// same URL without reading the file again, and an effect deleted before its
// sound was ready never lets go of it.
bool SoundEffectPlayer::prepare()
{
    const QString problem = toneFileProblem(m_path);
    if (!problem.isEmpty()) {
        // Nothing plays on. A loaded sound is let go of with its effect; an
        // effect still loading or failed is kept, as deleting it would leave
        // its sample in the cache for good.
        if (m_effect && m_effect->status() == QSoundEffect::Ready) {
            delete m_effect;
            m_effect = nullptr;
        } else if (m_effect) {
            m_effect->stop();
        }
        m_playWhenReady = false;
        m_loaded = Stamp();
        report(problem);
        return false;
    }
    const QFileInfo info(m_path);
    const Stamp now{info.size(), info.lastModified(), !QMediaDevices::audioOutputs().isEmpty()};
    if (!m_effect) {
        m_effect = new QSoundEffect(this);
        connect(m_effect, &QSoundEffect::statusChanged, this, &SoundEffectPlayer::onStatusChanged);
    }
    const auto status = m_effect->status();
    if (now == m_loaded && (status == QSoundEffect::Ready || status == QSoundEffect::Loading))
        return true;
    m_loaded = now;
    m_playWhenReady = false;
    QUrl url = QUrl::fromLocalFile(m_path);
    url.setQuery(QString::number(++m_loads % 2));
    // Loading is asynchronous: the outcome arrives as a status change.
    m_effect->setSource(url);
    return true;
}

void SoundEffectPlayer::onStatusChanged()
{
    switch (m_effect->status()) {
    case QSoundEffect::Ready:
        // Without an output device the effect loads and "plays" in silence.
        report(m_loaded.hadDevice
                   ? QString()
                   : engineText(QT_TRANSLATE_NOOP("Engine", "нет устройства вывода звука")));
        if (m_playWhenReady) {
            m_playWhenReady = false;
            m_effect->play();
        }
        break;
    case QSoundEffect::Error:
        m_playWhenReady = false;
        report(engineText(QT_TRANSLATE_NOOP("Engine", "формат звука в файле не поддерживается")));
        break;
    default:
        break;
    }
}

void SoundEffectPlayer::report(const QString &reason)
{
    if (reason == m_failure)
        return;
    m_failure = reason;
    if (m_onFailure)
        m_onFailure(reason);
}
