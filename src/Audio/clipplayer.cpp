#include "clipplayer.h"

#include "audioworker.h"
#include "deviceroot.h"

#include <QDebug>
#include <QFileInfo>

ClipPlayer::~ClipPlayer()
{
    stop();
}

void ClipPlayer::play()
{
    stop();
    if (m_path.isEmpty() || !QFileInfo(DeviceRoot::path(m_path)).isFile())
        return;
    qDebug() << "Play file" << m_path << "volume" << m_volume;
    Audioworker()->startAudioPlayback(m_path);
    m_playing = true;
}

void ClipPlayer::stop()
{
    if (!m_playing)
        return;
    Audioworker()->stopAudioPlayback();
    m_playing = false;
}
