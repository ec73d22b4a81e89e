#ifndef CLIPPLAYER_H
#define CLIPPLAYER_H

#include <QString>

// Plays one stored sound clip to the headphone path: the level screen's
// stored view. It hands the clip to the audio thread's playback, which on the
// board goes to the codec output and off the board to the playback journal.
// A missing file plays nothing and reports nothing.
class ClipPlayer
{
public:
    ClipPlayer() = default;
    ~ClipPlayer();

    // path is a board path ("/media/tq3900/meas/...") or one with the device
    // root applied.
    void setMedia(const QString &path) { m_path = path; }
    QString media() const { return m_path; }
    void setVolume(int volume) { m_volume = volume; }
    int volume() const { return m_volume; }
    void play();
    void stop();
    bool isPlaying() const { return m_playing; }

private:
    QString m_path;
    int m_volume = 100;
    bool m_playing = false;
};

#endif // CLIPPLAYER_H
