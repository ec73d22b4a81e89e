#ifndef AUDIOOUTPUTSINK_H
#define AUDIOOUTPUTSINK_H

#include <QAudio>
#include <QObject>

class QIODevice;

// Where playback goes. On the board this is Qt's audio output
// (QtAudioOutputSink); under a device root it is JournalAudioOutputSink,
// which plays in real time into nothing and journals what it was asked to
// play.
//
// The sink lives on the audio thread; all calls come from there.
class AudioOutputSink : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Push mode: returns the device to write sound to (nullptr on failure).
    virtual QIODevice *start() = 0;
    // Pull mode: plays what it reads from source, from its current position
    // to its end, then goes idle. The source must stay open meanwhile.
    virtual void start(QIODevice *source) = 0;
    // Stops push or pull mode; a running playback ends.
    virtual void stop() = 0;
    virtual QAudio::State state() const = 0;
    virtual QAudio::Error error() const = 0;

signals:
    void stateChanged(QAudio::State state);
};

#endif // AUDIOOUTPUTSINK_H
