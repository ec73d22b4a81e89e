// Micro-benchmarks of the signal analysis: the 1024-point transform, the
// whole analysis of one converter block (level, spectrum, dominant
// frequency), and, for comparison, the same single-precision complex
// transform done by FFTW (linked into this benchmark only).
//
// The transform works in place and its values grow with every call, so the
// input is restored every eighth call (from a copy, with memcpy); FFTW in
// place gets exactly the same treatment. FFTW out of place, its fastest
// form, needs no restoring.

#include "analoginputworker.h"
#include "fftfunctions.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QtGlobal>

#include <cmath>
#include <complex>
#include <cstring>
#include <random>
#include <string>
#include <valarray>

#ifdef TQ3900_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

constexpr int kSize = 1024;
constexpr int kRestoreEvery = 8;

// What the analysis transforms: a tone with some noise, imaginary part 0.
std::valarray<std::complex<float>> signalBlock()
{
    std::mt19937 random(1);
    std::normal_distribution<float> noise(0.0f, 0.001f);
    std::valarray<std::complex<float>> x(kSize);
    for (int i = 0; i < kSize; ++i)
        x[i] = std::complex<float>(0.01f * std::sin(2.0f * float(M_PI) * 1000.0f * i / 7670.0f) + noise(random), 0.0f);
    return x;
}

// One converter block: 1000 Hz at 0.01 of full scale with a little noise.
QByteArray converterBlock()
{
    std::mt19937 random(2);
    std::normal_distribution<double> noise(0.0, 3.0);
    QByteArray block(2 * kSize, '\0');
    for (int i = 0; i < kSize; ++i) {
        const auto v = quint16(qint16(std::lround(327.68 * std::sin(2.0 * M_PI * 1000.0 * i / 7670.0) + noise(random))));
        block[2 * i] = char(v & 0xff);
        block[2 * i + 1] = char(v >> 8);
    }
    return block;
}

void BM_fft(benchmark::State &state)
{
    const auto input = signalBlock();
    auto x = input;
    int calls = 0;
    for (auto _ : state) {
        if (++calls == kRestoreEvery) {
            calls = 0;
            std::memcpy(&x[0], &input[0], sizeof(std::complex<float>) * kSize);
        }
        fft(x);
        benchmark::DoNotOptimize(&x[0]);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_fft);

// Each variant of the vector code this processor runs (fft() uses the last).
void BM_fft_variant(benchmark::State &state, int variant)
{
    const auto input = signalBlock();
    auto x = input;
    int calls = 0;
    for (auto _ : state) {
        if (++calls == kRestoreEvery) {
            calls = 0;
            std::memcpy(&x[0], &input[0], sizeof(std::complex<float>) * kSize);
        }
        fftWithVariant(variant, x);
        benchmark::DoNotOptimize(&x[0]);
        benchmark::ClobberMemory();
    }
}

const int registerVariants = [] {
    for (int v = 0; v < fftVariantCount(); ++v)
        benchmark::RegisterBenchmark((std::string("BM_fft_variant/") + fftVariantName(v)).c_str(), BM_fft_variant, v);
    return 0;
}();

void BM_analysis(benchmark::State &state)
{
    // The analysis logs while its history fills; not part of what is measured.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    AnalogInputWorker worker;
    const QByteArray block = converterBlock();
    for (auto _ : state) {
        worker.calculateData(block);
        benchmark::ClobberMemory();
    }
    qInstallMessageHandler(nullptr);
}
BENCHMARK(BM_analysis);

#ifdef TQ3900_HAVE_FFTW
void BM_fftw_in_place(benchmark::State &state)
{
    const auto input = signalBlock();
    fftwf_complex *data = fftwf_alloc_complex(kSize);
    // FFTW_BACKWARD: the positive exponent, unscaled, as fft() computes.
    fftwf_plan plan = fftwf_plan_dft_1d(kSize, data, data, FFTW_BACKWARD, FFTW_MEASURE);
    std::memcpy(data, &input[0], sizeof(fftwf_complex) * kSize);
    int calls = 0;
    for (auto _ : state) {
        if (++calls == kRestoreEvery) {
            calls = 0;
            std::memcpy(data, &input[0], sizeof(fftwf_complex) * kSize);
        }
        fftwf_execute(plan);
        benchmark::DoNotOptimize(data);
        benchmark::ClobberMemory();
    }
    fftwf_destroy_plan(plan);
    fftwf_free(data);
}
BENCHMARK(BM_fftw_in_place);

void BM_fftw_out_of_place(benchmark::State &state)
{
    const auto input = signalBlock();
    fftwf_complex *in = fftwf_alloc_complex(kSize);
    fftwf_complex *out = fftwf_alloc_complex(kSize);
    fftwf_plan plan = fftwf_plan_dft_1d(kSize, in, out, FFTW_BACKWARD, FFTW_MEASURE);
    std::memcpy(in, &input[0], sizeof(fftwf_complex) * kSize);
    for (auto _ : state) {
        fftwf_execute(plan);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    fftwf_destroy_plan(plan);
    fftwf_free(in);
    fftwf_free(out);
}
BENCHMARK(BM_fftw_out_of_place);
#endif

} // namespace
