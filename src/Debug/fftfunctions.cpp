#include "fftfunctions.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

// How the transform is computed
//
// Every result must be the one of the plain algorithm: radix-2 decimation in
// frequency over the whole block, each stage's twiddle factor advanced by
// one complex single-precision multiplication per butterfly column, then the
// bit-reversal permutation. Floating-point results depend on the order of
// the operations, so that order is kept for every single value; only the
// order in which independent values are computed changes (fftkernel.inc):
//
// - The twiddle chains of all stages run side by side in one loop. Each is
//   still one multiplication after the other; the first stage's chain (n/2
//   dependent multiplications) sets the pace.
// - The butterflies of a stage are independent of each other, so eight of
//   them are done at once on vectors, with real and imaginary parts apart.
// - Butterflies whose partners are far apart are done on rows, the others
//   after a transpose on columns, and the last pass writes each column
//   straight to its bit-reversed place.
//
// A complex product computed as (ac - bd, ad + bc) equals std::complex's
// product unless both parts come out NaN, which needs an infinite or NaN
// operand. The vector code therefore only takes blocks whose values are all
// finite and small enough that no intermediate value can overflow; any other
// block, and any block shorter than 64, goes through the plain algorithm on
// std::complex, which applies the special-value rules itself. Fused
// multiply-add would round differently and is never used: the build compiles
// this file with -ffp-contract=off (src/CMakeLists.txt), so that no target
// with fused multiply-add (x86 with FMA, ARM with VFPv4) contracts a product
// and a sum of the plain algorithm or of a kernel into one.
//
// The vector code is compiled once for every instruction set worth having
// (one variant each, besides the plain algorithm); fft() uses the best one
// the processor runs.

namespace {

using Complex = std::complex<float>;

constexpr std::size_t kMinVectorLength = 64; // eight rows of at least eight values
constexpr std::size_t kStackLength = 1024;   // scratch on the stack up to this length

std::uint32_t reverse32(std::uint32_t v)
{
    v = ((v >> 1) & 0x55555555u) | ((v & 0x55555555u) << 1);
    v = ((v >> 2) & 0x33333333u) | ((v & 0x33333333u) << 2);
    v = ((v >> 4) & 0x0f0f0f0fu) | ((v & 0x0f0f0f0fu) << 4);
    v = ((v >> 8) & 0x00ff00ffu) | ((v & 0x00ff00ffu) << 8);
    return (v >> 16) | (v << 16);
}

// The m low bits of v in reverse order (1 <= m <= 32).
std::uint32_t reverseBits(std::uint32_t v, unsigned m)
{
    return reverse32(v) >> (32 - m);
}

unsigned log2Exact(std::size_t n)
{
    unsigned m = 0;
    while ((std::size_t(1) << m) < n)
        ++m;
    return m;
}

// The stage's root of unity for every stage, from one sin/cos: phi is
// squared at the start of each stage.
Complex firstPhi(std::size_t n)
{
    const double theta = M_PI / double(n);
    return Complex(float(std::cos(theta)), float(std::sin(theta)));
}

void bitReverse(Complex *x, std::size_t n, unsigned m)
{
    for (std::uint32_t a = 0; a < n; ++a) {
        const std::uint32_t b = reverseBits(a, m);
        if (a < b)
            std::swap(x[a], x[b]);
    }
}

// The algorithm as it stands, on std::complex.
void fftPlain(Complex *x, std::size_t n, unsigned m)
{
    Complex phi = firstPhi(n);
    for (std::size_t span = n, k = n / 2; span > 1; span = k, k /= 2) {
        phi = phi * phi;
        Complex t(1.0f, 0.0f);
        for (std::size_t l = 0; l < k; ++l) {
            for (std::size_t a = l; a < n; a += span) {
                const std::size_t b = a + k;
                const Complex d = x[a] - x[b];
                x[a] = x[a] + x[b];
                x[b] = t * d;
            }
            t = t * phi;
        }
    }
    bitReverse(x, n, m);
}

// The vector code needs eight-lane registers (AVX2 and up) to pay off;
// elsewhere, the board included, the plain algorithm is the faster one.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#define FFT_HAVE_VECTOR_CODE 1

// The helpers are always inlined into the vector code; the note about
// passing vectors wider than the target's registers does not concern them.
#pragma GCC diagnostic ignored "-Wpsabi"

// The three-bit numbers reversed.
const unsigned char kReverse3[8] = {0, 4, 2, 6, 1, 5, 3, 7};

// AVX2 (which brings AVX and the SSE levels up to 4.2 and POPCNT).
#pragma GCC push_options
#pragma GCC target("avx2")
#define FFT_KERNEL_NAMESPACE avx2
#include "fftkernel.inc"
#undef FFT_KERNEL_NAMESPACE
#pragma GCC pop_options
// AVX-512 (x86-64-v4): the same vector width, twice the registers. The level
// also brings x86-64-v3 (FMA, BMI1, BMI2, LZCNT, MOVBE, F16C), which the
// compiler uses (BMI2 shifts in the index arithmetic).
#pragma GCC push_options
#pragma GCC target("arch=x86-64-v4")
#define FFT_KERNEL_NAMESPACE avx512
#include "fftkernel.inc"
#undef FFT_KERNEL_NAMESPACE
#pragma GCC pop_options

#endif // FFT_HAVE_VECTOR_CODE

using VectorTransform = bool (*)(Complex *, std::size_t, unsigned, float *, float *, float *, float *, float *);

struct Variant
{
    const char *name;
    VectorTransform transform; // null: the plain algorithm only
};

// The variants this processor runs, best last.
const std::vector<Variant> &variants()
{
    static const std::vector<Variant> list = [] {
        std::vector<Variant> v;
        v.push_back({"plain", nullptr});
#ifdef FFT_HAVE_VECTOR_CODE
        // A kernel runs only where the processor has every instruction set
        // its target options enable (the checks include the system's support
        // of the wider registers).
        __builtin_cpu_init();
        if (__builtin_cpu_supports("x86-64-v2") && __builtin_cpu_supports("avx")
            && __builtin_cpu_supports("avx2"))
            v.push_back({"avx2", avx2::transform});
        if (__builtin_cpu_supports("x86-64-v4"))
            v.push_back({"avx512", avx512::transform});
#endif
        return v;
    }();
    return list;
}

void transformWith(const Variant &variant, std::valarray<std::complex<float>> &x)
{
    const std::size_t n = x.size();
    if (n < 2 || (n & (n - 1)) != 0 || n > (std::size_t(1) << 31))
        return;
    const unsigned m = log2Exact(n);
    Complex *data = &x[0];
    if (variant.transform && n >= kMinVectorLength) {
        if (n <= kStackLength) {
            alignas(32) float re[kStackLength], im[kStackLength], col[2 * kStackLength];
            alignas(32) float wr[kStackLength], wi[kStackLength];
            if (variant.transform(data, n, m, re, im, col, wr, wi))
                return;
        } else {
            std::vector<float> scratch(6 * n);
            float *s = scratch.data();
            if (variant.transform(data, n, m, s, s + n, s + 2 * n, s + 4 * n, s + 5 * n))
                return;
        }
    }
    fftPlain(data, n, m);
}

} // namespace

float pcmToReal(short sample)
{
    return float(sample) * (1.0f / 32768.0f);
}

short realToPcm(float x)
{
    const float scaled = x * 32767.0f;
    std::int32_t v;
    if (std::isnan(scaled))
        v = 0;
    else if (scaled >= 2147483648.0f)
        v = INT32_MAX;
    else if (scaled <= -2147483648.0f)
        v = INT32_MIN;
    else
        v = std::int32_t(scaled); // truncation toward zero
    return static_cast<short>(static_cast<std::uint16_t>(static_cast<std::uint32_t>(v) & 0xffffu));
}

void fft(std::valarray<std::complex<float>> &x)
{
    transformWith(variants().back(), x);
}

int fftVariantCount()
{
    return int(variants().size());
}

const char *fftVariantName(int variant)
{
    const auto &list = variants();
    return variant >= 0 && variant < int(list.size()) ? list[std::size_t(variant)].name : nullptr;
}

void fftWithVariant(int variant, std::valarray<std::complex<float>> &x)
{
    const auto &list = variants();
    if (variant >= 0 && variant < int(list.size()))
        transformWith(list[std::size_t(variant)], x);
}

void ifft(std::valarray<std::complex<float>> &x)
{
    const std::size_t n = x.size();
    if (n == 0)
        return;
    for (Complex &v : x)
        v = std::conj(v);
    fft(x);
    const Complex scale(float(n), 0.0f);
    for (Complex &v : x)
        v = std::conj(v) / scale;
}
