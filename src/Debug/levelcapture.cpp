#include "levelcapture.h"

#include "fftfunctions.h"

#include <QIODevice>

#include <algorithm>
#include <cmath>
#include <complex>
#include <valarray>

LevelCapture::LevelCapture()
{
    reset();
}

void LevelCapture::reset()
{
    m_buffer = QByteArray(kBufferBytes, '\0');
    m_dataLength = 0;
}

void LevelCapture::append(const char *data, qint64 size)
{
    // Only the newest buffer's worth of a long block can survive.
    if (size > kBufferBytes) {
        m_dataLength += size - kBufferBytes;
        data += size - kBufferBytes;
        size = kBufferBytes;
    }
    while (size > 0) {
        const int pos = int(m_dataLength % kBufferBytes);
        const int n = int(std::min<qint64>(size, kBufferBytes - pos));
        std::copy(data, data + n, m_buffer.data() + pos);
        data += n;
        size -= n;
        m_dataLength += n;
    }
}

qint64 LevelCapture::readFrom(QIODevice *device)
{
    qint64 total = 0;
    while (total < kBufferBytes) {
        const int pos = int(m_dataLength % kBufferBytes);
        const qint64 room = std::min<qint64>(kBufferBytes - pos, kBufferBytes - total);
        const qint64 n = device->read(m_buffer.data() + pos, room);
        if (n <= 0)
            break;
        m_dataLength += std::min(n, room); // a read never returns more than asked
        total += n;
    }
    return total;
}

void LevelCapture::latestSamples(float *out) const
{
    // Samples start at even stream positions; an odd byte at the end is
    // half a sample still to come.
    const qint64 end = m_dataLength & ~qint64(1);
    const unsigned char *b = reinterpret_cast<const unsigned char *>(m_buffer.constData());
    for (int i = 0; i < kSamples; ++i) {
        const qint64 at = end - 2 * qint64(kSamples - i);
        if (at < 0) {
            out[i] = 0;
            continue;
        }
        const int lo = int(at % kBufferBytes);
        const int hi = int((at + 1) % kBufferBytes);
        const short s = short(quint16(b[lo]) | quint16(b[hi]) << 8);
        out[i] = pcmToReal(s);
    }
}

LevelCapture::Levels LevelCapture::levels(const float *samples, int count)
{
    Levels l;
    float sum = 0;
    for (int i = 0; i < count; ++i) {
        l.peak = std::max(l.peak, samples[i]);
        sum += samples[i] * samples[i];
    }
    l.rms = std::sqrt(sum * 0.0009765625f);
    return l;
}

void LevelCapture::magnitudes(const float *samples, float *out)
{
    std::valarray<std::complex<float>> x(kSamples);
    for (int i = 0; i < kSamples; ++i)
        x[i] = std::complex<float>(samples[i], 0);
    fft(x);
    for (int k = 0; k < kBins; ++k)
        out[k] = std::sqrt(x[k].real() * x[k].real() + x[k].imag() * x[k].imag());
}
