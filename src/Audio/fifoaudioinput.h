#ifndef FIFOAUDIOINPUT_H
#define FIFOAUDIOINPUT_H

#include "audioinputsource.h"

class FifoReadDevice;

// The simulated board's microphone: PCM at 16000 samples per second, mono,
// signed 16-bit little endian, read from the FIFO "/dev/microphone" under
// the device root, which the simulator feeds at 32000 bytes per second.
//
// Each start opens the FIFO afresh (non-blocking) and drops what waited in
// it, so recording begins with current sound as a sound card's input does.
// A missing FIFO fails the start with OpenError; a FIFO whose writer went
// away (the simulator stopped) stops the input with IOError.
class FifoAudioInputSource : public AudioInputSource
{
    Q_OBJECT
public:
    static const char kBoardPath[];

    explicit FifoAudioInputSource(QObject *parent = nullptr);
    ~FifoAudioInputSource() override;

    QIODevice *start() override;
    void stop() override;
    QAudio::State state() const override { return m_state; }
    QAudio::Error error() const override { return m_error; }

private:
    void closeDevice();
    void setState(QAudio::State state, QAudio::Error error);

    FifoReadDevice *m_device = nullptr;
    QAudio::State m_state = QAudio::StoppedState;
    QAudio::Error m_error = QAudio::NoError;
};

#endif // FIFOAUDIOINPUT_H
