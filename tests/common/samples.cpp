#include "samples.h"

#include <cmath>

QVector<int> samplesOf(const QByteArray &bytes)
{
    QVector<int> out;
    for (int i = 0; i + 1 < bytes.size(); i += 2)
        out << int(qint16(quint16(quint8(bytes[i]) | (quint8(bytes[i + 1]) << 8))));
    return out;
}

double rmsOf(const QVector<int> &samples)
{
    double sum = 0.0;
    for (int v : samples)
        sum += double(v) * v;
    return samples.isEmpty() ? 0.0 : std::sqrt(sum / samples.size()) / 32768.0;
}

double frequencyOf(const QVector<int> &samples, double rate)
{
    int first = -1, last = -1, crossings = 0;
    for (int i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            if (first < 0)
                first = i;
            else
                ++crossings;
            last = i;
        }
    }
    return crossings > 0 ? crossings * rate / (last - first) : 0.0;
}
