#ifndef FFTFUNCTIONS_H
#define FFTFUNCTIONS_H

#include <complex>
#include <valarray>

// Conversions between 16-bit PCM samples and floats relative to full scale,
// and an in-place complex transform of a block whose length is a power of two.

// sample / 32768, exact: -32768 gives -1.0, 16384 gives 0.5.
float pcmToReal(short sample);

// x * 32767 in single precision, truncated toward zero to a 32-bit integer
// (saturating at its limits, NaN gives 0), of which the low 16 bits are
// returned as a signed value. Note the asymmetry to pcmToReal: 1.0 gives
// 32767, and values beyond full scale wrap around.
short realToPcm(float x);

// X[k] = sum over n of x[n] * e^(+2 pi i k n / N), unscaled, in place:
// radix-2 decimation in frequency, then the bit-reversal permutation. The
// twiddle factors of each stage come from repeated single-precision complex
// multiplication by that stage's root of unity, starting from one sin/cos
// per call, so the results are the same on every machine and for every path
// through the code. For real input the magnitudes equal those of the usual
// forward transform. Lengths 0 and 1 are left as they are; so is a block
// whose length is not a power of two (the transform is not defined for it).
void fft(std::valarray<std::complex<float>> &x);

// Inverse of fft: conjugate, fft, conjugate, divide by (N, 0).
void ifft(std::valarray<std::complex<float>> &x);

// The variants of fft() this processor runs, for tests and benchmarks:
// "plain" (the algorithm step by step) and the vector code for each
// instruction set it has ("avx2", "avx512"). All give the same results;
// fft() uses the last one. fftVariantName() is null for a number out of
// range, and fftWithVariant() then does nothing.
int fftVariantCount();
const char *fftVariantName(int variant);
void fftWithVariant(int variant, std::valarray<std::complex<float>> &x);

#endif // FFTFUNCTIONS_H
