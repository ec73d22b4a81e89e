#ifndef JOURNALAUDIOOUTPUT_H
#define JOURNALAUDIOOUTPUT_H

#include "audiooutputsink.h"

#include <QElapsedTimer>
#include <QPointer>

class QTimer;

// The simulated board's sound output. Playback (pull mode) takes the sound
// from its source in real time, 32000 bytes per second, and throws it away;
// it is active meanwhile and idle once the source is used up, as a sound
// card's output is. What it was asked to play is journalled in
// "<root>/.tq3900/playback.log":
//
//   play <board path of the file, or -> <bytes to play>
//   end <bytes played>     the source was used up
//   stop <bytes played>    stopped while playing
//
// Push mode hands out a device that takes everything and plays nothing.
class JournalAudioOutputSink : public AudioOutputSink
{
    Q_OBJECT
public:
    static constexpr int kBytesPerSecond = 32000;
    static constexpr int kStepMs = 20;
    static const char kJournal[];

    explicit JournalAudioOutputSink(QObject *parent = nullptr);
    ~JournalAudioOutputSink() override;

    QIODevice *start() override;
    void start(QIODevice *source) override;
    void stop() override;
    QAudio::State state() const override { return m_state; }
    QAudio::Error error() const override { return m_error; }

private:
    void step();
    // Ends pull or push mode; a playback still running is journalled as
    // stopped.
    void halt();
    void setState(QAudio::State state, QAudio::Error error);

    QTimer *m_timer;
    QElapsedTimer m_clock;
    QPointer<QIODevice> m_source;
    QIODevice *m_pushDevice = nullptr;
    qint64 m_played = 0;
    QAudio::State m_state = QAudio::StoppedState;
    QAudio::Error m_error = QAudio::NoError;
};

#endif // JOURNALAUDIOOUTPUT_H
