#include "platform/qt/QtSoundPlayer.h"

#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

QtSoundPlayer::QtSoundPlayer() = default;
QtSoundPlayer::~QtSoundPlayer() = default;

bool QtSoundPlayer::PlayLoop(const std::string& wavePath)
{
    if (wavePath == m_playing && m_effect != nullptr && m_effect->isPlaying())
        return true;
    Stop();
    QString path = QString::fromStdString(wavePath);
    if (!QFileInfo(path).isReadable() || QMediaDevices::audioOutputs().isEmpty())
        return false;
    m_effect = std::make_unique<QSoundEffect>();
    m_effect->setSource(QUrl::fromLocalFile(path));
    m_effect->setLoopCount(QSoundEffect::Infinite);
    m_effect->play();
    m_playing = wavePath;
    return true;
}

void QtSoundPlayer::Stop()
{
    if (m_effect != nullptr)
        m_effect->stop();
    m_effect.reset();
    m_playing.clear();
}
