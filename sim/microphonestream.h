#ifndef SIM_MICROPHONESTREAM_H
#define SIM_MICROPHONESTREAM_H

#include "codecfilter.h"
#include "fifodevice.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

namespace Sim {

class SignalGenerator;
class SignalSource;

// The board's sound input as the program's recording reads it off the
// board: a FIFO at <root>/dev/microphone delivering the signal the sensor
// hears (the same SignalSource as the converter stream, so "signal" sets
// both) at 16000 samples per second, mono, signed 16-bit little endian:
// 32000 bytes per second.
//
// It delivers all the time, as a sound card does while its capture device
// is open. The simulator keeps the FIFO open for reading and writing for
// the whole run (the program's open never waits, its reads never see end of
// file); at most kMaxQueuedBytes wait in it, the oldest are dropped. The
// program drops what waited when it starts recording.
class MicrophoneStream : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSampleRate = 16000;
    static constexpr int kBytesPerSecond = 2 * kSampleRate;
    static constexpr int kStepMs = 20;
    // Two seconds.
    static constexpr int kMaxQueuedBytes = 2 * kBytesPerSecond;

    MicrophoneStream(const QString &root, const SignalSource &source, QObject *parent = nullptr);
    ~MicrophoneStream() override;

    static QString devicePath(const QString &root);

    // Creates the FIFO afresh (replacing a stale one or a plain file) and
    // starts delivering.
    bool open(QString *error = nullptr);
    // Stops and removes the FIFO. Safe to call twice.
    void close();
    bool isOpen() const { return m_fifo.isOpen(); }
    // Samples made since open (written into the FIFO, some maybe dropped
    // since).
    qint64 samplesProduced() const { return m_produced; }
    // Bytes dropped from the FIFO because nobody read them in time.
    qint64 bytesDropped() const { return m_dropped; }

    // One step: what the clock says is due since the last one (called by the
    // timer; public so that tests can drive it).
    void step();

private:
    // The band the program programmed into the codec, which the signal
    // passes before it is delivered.
    CodecFilter m_codecFilter;
    std::unique_ptr<SignalGenerator> m_generator;
    FifoDevice m_fifo;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_due = 0;      // samples the clock asked for since open
    qint64 m_produced = 0; // samples made
    qint64 m_dropped = 0;
};

} // namespace Sim

#endif // SIM_MICROPHONESTREAM_H
