#include "clipplayer.h"

#include "audioworker.h"
#include "deviceroot.h"
#include "regularfile.h"

#include <QDebug>
#include <QFileInfo>

ClipPlayer::~ClipPlayer()
{
    stop();
}

void ClipPlayer::play()
{
    stop();
    // The audio thread opens the clip (regular files only); a link in its
    // place plays nothing.
    const QString path = DeviceRoot::path(m_path);
    if (m_path.isEmpty() || RegularFile::isSymLink(path) || !QFileInfo(path).isFile())
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
