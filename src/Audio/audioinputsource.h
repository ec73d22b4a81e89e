#ifndef AUDIOINPUTSOURCE_H
#define AUDIOINPUTSOURCE_H

#include <QAudio>
#include <QObject>

class QIODevice;

// Where the background recording's sound comes from. On the board this is
// Qt's audio input (QtAudioInputSource); under a device root it is the
// simulator's microphone FIFO (FifoAudioInputSource), so that recording
// really runs on a PC without a sound card.
//
// The source lives on the audio thread; all calls come from there.
class AudioInputSource : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts capturing and returns the device to read the sound from (it
    // signals readyRead() when data waits), or nullptr when the input could
    // not start; error() then says why. A running input is restarted.
    virtual QIODevice *start() = 0;
    // Stops capturing; the device handed out by start() is closed.
    virtual void stop() = 0;
    virtual QAudio::State state() const = 0;
    virtual QAudio::Error error() const = 0;

signals:
    void stateChanged(QAudio::State state);
};

#endif // AUDIOINPUTSOURCE_H
