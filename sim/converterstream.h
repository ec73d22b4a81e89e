#ifndef SIM_CONVERTERSTREAM_H
#define SIM_CONVERTERSTREAM_H

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

// The processor's converter as its IIO data device shows it: a FIFO at
// <root>/dev/iio:device0 delivering the signal at 7670 samples per second,
// signed 16-bit little endian.
//
// Like the driver, it delivers only while buffer/enable holds "1" (looked at
// on every step); switching the buffer on starts with an empty buffer. The
// FIFO holds at most buffer/length samples (read when the buffer is switched
// on; 2048 when that is not a number): what the program does not fetch in
// time is dropped, oldest first, so that a read always gets recent samples.
//
// The simulator keeps the FIFO open for reading and writing for the whole
// run, so the program's open never waits for a writer and reads never see
// end of file. Samples are produced by the clock every 20 ms, however late
// the event loop runs.
class ConverterStream : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSampleRate = 7670;
    static constexpr int kStepMs = 20;
    static constexpr int kDefaultLength = 2048;
    static constexpr int kMaxLength = 16384;

    ConverterStream(const QString &root, const SignalSource &source, QObject *parent = nullptr);
    ~ConverterStream() override;

    static QString devicePath(const QString &root);

    // Creates the FIFO afresh (replacing a stale one or a plain file) and
    // starts delivering.
    bool open(QString *error = nullptr);
    // Stops and removes the FIFO. Safe to call twice.
    void close();
    bool isOpen() const { return m_fifo.isOpen(); }
    bool isEnabled() const { return m_enabled; }
    // Samples delivered since the buffer was last switched on.
    qint64 samplesDelivered() const { return m_delivered; }

    // One step: what the clock says is due since the last one (called by the
    // timer; public so that tests can drive it).
    void step();

private:
    bool readEnable() const;
    int readLength() const;

    QString m_root;
    // The band the program programmed into the codec, which the signal
    // passes before it is delivered.
    CodecFilter m_codecFilter;
    std::unique_ptr<SignalGenerator> m_generator;
    FifoDevice m_fifo;
    QTimer m_timer;
    QElapsedTimer m_clock;
    bool m_enabled = false;
    int m_lengthSamples = kDefaultLength;
    qint64 m_produced = 0;  // samples due and generated since switched on
    qint64 m_delivered = 0; // of these, written into the FIFO
};

} // namespace Sim

#endif // SIM_CONVERTERSTREAM_H
