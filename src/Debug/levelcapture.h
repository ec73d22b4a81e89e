#ifndef LEVELCAPTURE_H
#define LEVELCAPTURE_H

#include <QByteArray>
#include <QtGlobal>

class QIODevice;

// The live view's capture buffer and its analysis, without widgets.
//
// The buffer holds kBufferBytes of 16-bit little-endian samples as a ring:
// once full, the newest bytes overwrite the oldest, so a capture of any
// length never writes past it. dataLength() counts every byte taken in. The
// analysis reads the kSamples samples that end at the last whole sample
// taken in; samples from before the capture's start read as 0.
class LevelCapture
{
public:
    static constexpr int kBufferBytes = 100000;
    static constexpr int kSamples = 1024;
    static constexpr int kBins = kSamples / 2;

    struct Levels {
        float rms = 0;
        float peak = 0; // the largest sample, never below 0
    };

    LevelCapture();

    // Zero-filled buffer, nothing taken in.
    void reset();
    // Takes in bytes from data.
    void append(const char *data, qint64 size);
    // Reads what the device has, up to one buffer's worth per call (a device
    // that never runs dry cannot hold the caller); returns the bytes read.
    qint64 readFrom(QIODevice *device);

    qint64 dataLength() const { return m_dataLength; }
    const QByteArray &buffer() const { return m_buffer; }

    // The latest kSamples samples as fractions of full scale (pcmToReal).
    void latestSamples(float *out) const;
    static Levels levels(const float *samples, int count);
    // Magnitudes of bins 0..kBins-1 of the unscaled transform of kSamples samples.
    static void magnitudes(const float *samples, float *out);

private:
    QByteArray m_buffer;
    qint64 m_dataLength = 0;
};

#endif // LEVELCAPTURE_H
