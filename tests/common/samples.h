#ifndef SAMPLES_H
#define SAMPLES_H

#include <QByteArray>
#include <QVector>

// Measures of a stream of signed 16-bit little-endian samples, as the
// simulator's converter and microphone deliver them.

// The samples of bytes (an odd last byte is left out).
QVector<int> samplesOf(const QByteArray &bytes);
// Root mean square, as a fraction of full scale (0 for no samples).
double rmsOf(const QVector<int> &samples);
// Rising zero crossings per second at the given sample rate (0 when fewer
// than two are found).
double frequencyOf(const QVector<int> &samples, double rate);

#endif // SAMPLES_H
