#ifndef FILTERCOEFFICIENTS_H
#define FILTERCOEFFICIENTS_H

#include <QtGlobal>

// Biquad coefficient tables of the codec's band filter. Each row is
// {corner frequency in Hz, N0, N1, N2, D1, D2}; N0..D2 are signed 32-bit
// fractions (0x7FFFFFFF = +1.0) of the section
//   y[n] = N0 x[n] + 2 N1 x[n-1] + N2 x[n-2] + 2 D1 y[n-1] + D2 y[n-2].
// Only bits 31..8 reach the codec.

constexpr int kFilterRows = 26;

// 0, 20, 25, ... 3150 (third octaves), 3900, 4000 Hz.
extern const quint32 filterCoeffs_LP[kFilterRows][6];
extern const quint32 filterCoeffs_HP[kFilterRows][6];
// Row 0 pass-through, row 1 the section; the frequency column is unused.
extern const quint32 filterCoeffs_50Hz[2][6];
extern const quint32 filterCoeffs_Preemphase[2][6];

#endif // FILTERCOEFFICIENTS_H
