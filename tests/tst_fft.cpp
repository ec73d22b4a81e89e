// PCM conversions and the in-place transform: the documented edge cases,
// agreement with a plain double-precision DFT, and bit-for-bit agreement of
// the optimised transform with the algorithm carried out step by step.

#include "fftfunctions.h"

#include <QtTest>

#include <cfloat>
#include <cmath>
#include <complex>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <valarray>
#include <vector>

namespace {

using Complex = std::complex<float>;
using Block = std::valarray<Complex>;

// The transform as its definition reads, on std::complex: radix-2
// decimation in frequency with twiddles by repeated multiplication, then the
// bit-reversal permutation.
void referenceFft(Block &x)
{
    const std::size_t n = x.size();
    if (n < 2)
        return;
    const double theta = M_PI / double(n);
    Complex phi(float(std::cos(theta)), float(std::sin(theta)));
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
    unsigned m = 0;
    while ((std::size_t(1) << m) < n)
        ++m;
    for (std::uint32_t a = 0; a < n; ++a) {
        std::uint32_t b = 0;
        for (unsigned bit = 0; bit < m; ++bit)
            if (a & (1u << bit))
                b |= 1u << (m - 1 - bit);
        if (a < b)
            std::swap(x[a], x[b]);
    }
}

// X[k] = sum x[n] e^(+2 pi i k n / N) in double precision.
std::valarray<std::complex<double>> dft(const Block &x)
{
    const std::size_t n = x.size();
    std::valarray<std::complex<double>> out(n);
    for (std::size_t k = 0; k < n; ++k) {
        std::complex<double> sum = 0.0;
        for (std::size_t j = 0; j < n; ++j) {
            const double angle = 2.0 * M_PI * double((k * j) % n) / double(n);
            sum += std::complex<double>(x[j]) * std::complex<double>(std::cos(angle), std::sin(angle));
        }
        out[k] = sum;
    }
    return out;
}

Block randomBlock(std::size_t n, std::mt19937 &random, float scale = 1.0f, bool realOnly = false)
{
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    Block x(n);
    for (Complex &v : x)
        v = Complex(scale * value(random), realOnly ? 0.0f : scale * value(random));
    return x;
}

bool sameBits(const Block &a, const Block &b)
{
    return a.size() == b.size() && (a.size() == 0 || std::memcmp(&a[0], &b[0], a.size() * sizeof(Complex)) == 0);
}

QString firstDifference(const Block &a, const Block &b)
{
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::memcmp(&a[i], &b[i], sizeof(Complex)) != 0)
            return QStringLiteral("index %1: %2%3i against %4%5i")
                .arg(i)
                .arg(double(a[i].real()), 0, 'g', 9)
                .arg(double(a[i].imag()), 0, 'g', 9)
                .arg(double(b[i].real()), 0, 'g', 9)
                .arg(double(b[i].imag()), 0, 'g', 9);
    }
    return QStringLiteral("none");
}

} // namespace

class TestFft : public QObject
{
    Q_OBJECT

private slots:
    void pcmToRealIsExact();
    void realToPcmTruncatesAndWraps();
    void pcmRoundTrip();

    void emptyAndSingleBlocksStayUnchanged();
    void otherLengthsStayUnchanged();
    void impulseGivesOnes_data();
    void impulseGivesOnes();
    void constantGivesSumInBinZero();
    void cosineGivesHalfLengthInTwoBins_data();
    void cosineGivesHalfLengthInTwoBins();
    void exponentIsPositive();
    void agreesWithDoubleDft_data();
    void agreesWithDoubleDft();
    void matchesTheAlgorithmBitForBit_data();
    void matchesTheAlgorithmBitForBit();
    void specialValuesFollowComplexArithmetic_data();
    void specialValuesFollowComplexArithmetic();
    void variants();
    void ifftInvertsFft_data();
    void ifftInvertsFft();
    void sameBitsOnEveryMachine();
};

void TestFft::pcmToRealIsExact()
{
    QCOMPARE(pcmToReal(-32768), -1.0f);
    QCOMPARE(pcmToReal(16384), 0.5f);
    QCOMPARE(pcmToReal(0), 0.0f);
    QCOMPARE(pcmToReal(1), 1.0f / 32768.0f);
    QCOMPARE(pcmToReal(32767), 32767.0f / 32768.0f);
}

void TestFft::realToPcmTruncatesAndWraps()
{
    QCOMPARE(realToPcm(1.0f), short(32767));
    QCOMPARE(realToPcm(-1.0f), short(-32767));
    QCOMPARE(realToPcm(0.49999f), short(16383)); // 16383.17 truncated
    QCOMPARE(realToPcm(-0.49999f), short(-16383));
    QCOMPARE(realToPcm(0.0f), short(0));
    // Beyond full scale the low 16 bits of the 32-bit value remain.
    QCOMPARE(realToPcm(2.0f), short(-2));        // 65534 = 0xfffe
    QCOMPARE(realToPcm(1.0001f), short(-32766)); // 32770 = 0x8002
    // The 32-bit conversion saturates; NaN gives 0.
    QCOMPARE(realToPcm(1e30f), short(-1));   // 0x7fffffff
    QCOMPARE(realToPcm(-1e30f), short(0));   // 0x80000000
    QCOMPARE(realToPcm(std::numeric_limits<float>::infinity()), short(-1));
    QCOMPARE(realToPcm(std::numeric_limits<float>::quiet_NaN()), short(0));
}

void TestFft::pcmRoundTrip()
{
    // 32767/32768 scaled back by 32767 loses at most one step.
    for (int s = -32768; s <= 32767; s += 97) {
        const int back = realToPcm(pcmToReal(short(s)));
        QVERIFY2(std::abs(back - s) <= 1, qPrintable(QString::number(s)));
    }
}

void TestFft::emptyAndSingleBlocksStayUnchanged()
{
    Block empty;
    fft(empty);
    ifft(empty);
    QCOMPARE(empty.size(), std::size_t(0));

    Block one(1);
    one[0] = Complex(0.25f, -3.0f);
    fft(one);
    QCOMPARE(one[0], Complex(0.25f, -3.0f));
}

void TestFft::otherLengthsStayUnchanged()
{
    std::mt19937 random(3);
    for (std::size_t n : {3, 6, 12, 100, 1000}) {
        Block x = randomBlock(n, random);
        const Block before = x;
        fft(x);
        QVERIFY2(sameBits(x, before), qPrintable(QString::number(n)));
    }
}

void TestFft::impulseGivesOnes_data()
{
    QTest::addColumn<int>("n");
    for (int n : {2, 8, 64, 128, 1024, 4096})
        QTest::newRow(qPrintable(QString::number(n))) << n;
}

void TestFft::impulseGivesOnes()
{
    QFETCH(int, n);
    Block x(n);
    x[0] = 1.0f;
    fft(x);
    for (int k = 0; k < n; ++k)
        QVERIFY2(x[k] == Complex(1.0f, 0.0f), qPrintable(QString::number(k)));
}

void TestFft::constantGivesSumInBinZero()
{
    Block x(8);
    x = Complex(1.0f, 0.0f);
    fft(x);
    QCOMPARE(x[0], Complex(8.0f, 0.0f));
    for (int k = 1; k < 8; ++k)
        QVERIFY2(std::abs(x[k]) < 1e-6f, qPrintable(QString::number(k)));
}

void TestFft::cosineGivesHalfLengthInTwoBins_data()
{
    QTest::addColumn<int>("n");
    for (int n : {8, 32, 128, 256, 1024})
        QTest::newRow(qPrintable(QString::number(n))) << n;
}

void TestFft::cosineGivesHalfLengthInTwoBins()
{
    QFETCH(int, n);
    Block x(n);
    for (int i = 0; i < n; ++i)
        x[i] = Complex(float(std::cos(2.0 * M_PI * i * 3 / n)), 0.0f);
    fft(x);
    // Twiddles by repeated multiplication drift by some units in the last place per step.
    const float tolerance = 1e-4f * n;
    for (int k = 0; k < n; ++k) {
        const float expected = (k == 3 || k == n - 3) ? n / 2.0f : 0.0f;
        QVERIFY2(std::abs(std::abs(x[k]) - expected) < tolerance,
                 qPrintable(QStringLiteral("bin %1: %2").arg(k).arg(double(std::abs(x[k])))));
    }
}

void TestFft::exponentIsPositive()
{
    // e^(-2 pi i 5 n / N) lands in bin 5 only with a positive exponent.
    const int n = 1024;
    Block x(n);
    for (int i = 0; i < n; ++i)
        x[i] = std::polar(1.0f, float(-2.0 * M_PI * 5 * i / n));
    fft(x);
    QVERIFY(std::abs(x[5] - Complex(float(n), 0.0f)) < 1e-2f * n);
    QVERIFY(std::abs(x[n - 5]) < 1e-2f);
}

void TestFft::agreesWithDoubleDft_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<bool>("realOnly");
    for (int n = 8; n <= 1024; n *= 2) {
        QTest::newRow(qPrintable(QStringLiteral("%1 complex").arg(n))) << n << false;
        QTest::newRow(qPrintable(QStringLiteral("%1 real").arg(n))) << n << true;
    }
}

void TestFft::agreesWithDoubleDft()
{
    QFETCH(int, n);
    QFETCH(bool, realOnly);
    std::mt19937 random(unsigned(n) * 17u + realOnly);
    for (int round = 0; round < 3; ++round) {
        Block x = randomBlock(std::size_t(n), random, 1.0f, realOnly);
        const auto expected = dft(x);
        fft(x);
        // Relative to the size of the spectrum, as for any FFT in floats.
        double error = 0.0, norm = 0.0;
        for (int k = 0; k < n; ++k) {
            error += std::norm(std::complex<double>(x[k]) - expected[k]);
            norm += std::norm(expected[k]);
        }
        const double relative = std::sqrt(error / norm);
        QVERIFY2(relative < 1e-4, qPrintable(QStringLiteral("relative error %1").arg(relative)));
    }
}

void TestFft::matchesTheAlgorithmBitForBit_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<float>("scale");
    QTest::addColumn<bool>("realOnly");
    for (int n = 2; n <= 8192; n *= 2) {
        QTest::newRow(qPrintable(QStringLiteral("%1").arg(n))) << n << 1.0f << false;
        QTest::newRow(qPrintable(QStringLiteral("%1 real").arg(n))) << n << 1.0f << true;
    }
    // Samples of the converter, and values near the largest the vector code
    // takes (FLT_MAX / 8n) and beyond it.
    QTest::newRow("1024 pcm") << 1024 << 1.0f / 32768.0f << true;
    QTest::newRow("1024 large") << 1024 << 1e34f << false;
    QTest::newRow("1024 huge") << 1024 << 1e37f << false;
    QTest::newRow("256 tiny") << 256 << 1e-40f << false;
}

void TestFft::matchesTheAlgorithmBitForBit()
{
    QFETCH(int, n);
    QFETCH(float, scale);
    QFETCH(bool, realOnly);
    std::mt19937 random(unsigned(n) + 1000u);
    for (int round = 0; round < 3; ++round) {
        const Block input = randomBlock(std::size_t(n), random, scale, realOnly);
        Block expected = input;
        referenceFft(expected);
        Block x = input;
        fft(x);
        QVERIFY2(sameBits(x, expected), qPrintable(firstDifference(x, expected)));
        // Every variant this processor runs.
        for (int v = 0; v < fftVariantCount(); ++v) {
            Block y = input;
            fftWithVariant(v, y);
            QVERIFY2(sameBits(y, expected), qPrintable(QString::fromLatin1(fftVariantName(v)) + QStringLiteral(": ")
                                                       + firstDifference(y, expected)));
        }
    }
}

void TestFft::specialValuesFollowComplexArithmetic_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<float>("value");
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int n : {16, 1024}) {
        QTest::newRow(qPrintable(QStringLiteral("%1 inf").arg(n))) << n << inf;
        QTest::newRow(qPrintable(QStringLiteral("%1 -inf").arg(n))) << n << -inf;
        QTest::newRow(qPrintable(QStringLiteral("%1 nan").arg(n))) << n << nan;
        QTest::newRow(qPrintable(QStringLiteral("%1 max").arg(n))) << n << FLT_MAX;
    }
}

void TestFft::specialValuesFollowComplexArithmetic()
{
    QFETCH(int, n);
    QFETCH(float, value);
    std::mt19937 random(99);
    Block x = randomBlock(std::size_t(n), random);
    x[std::size_t(n) / 3] = Complex(value, 0.5f);
    x[std::size_t(n) - 1] = Complex(1.0f, value);
    Block expected = x;
    referenceFft(expected);
    for (int v = 0; v < fftVariantCount(); ++v) {
        Block y = x;
        fftWithVariant(v, y);
        QVERIFY2(sameBits(y, expected),
                 qPrintable(QString::fromLatin1(fftVariantName(v)) + QStringLiteral(": ") + firstDifference(y, expected)));
    }
}

void TestFft::variants()
{
    QVERIFY(fftVariantCount() >= 1);
    for (int v = 0; v < fftVariantCount(); ++v)
        QVERIFY(fftVariantName(v) != nullptr);
    QVERIFY(fftVariantName(fftVariantCount()) == nullptr);
    QVERIFY(fftVariantName(-1) == nullptr);
    // A number out of range leaves the block alone.
    Block x(64);
    x[0] = 1.0f;
    fftWithVariant(fftVariantCount(), x);
    QCOMPARE(x[1], Complex(0.0f, 0.0f));
    qInfo("variants: %d, fft() uses %s", fftVariantCount(), fftVariantName(fftVariantCount() - 1));
}

void TestFft::ifftInvertsFft_data()
{
    QTest::addColumn<int>("n");
    for (int n : {2, 16, 128, 1024})
        QTest::newRow(qPrintable(QString::number(n))) << n;
}

void TestFft::ifftInvertsFft()
{
    QFETCH(int, n);
    std::mt19937 random{unsigned(n)};
    const Block original = randomBlock(std::size_t(n), random);
    Block x = original;
    fft(x);
    ifft(x);
    for (int i = 0; i < n; ++i)
        QVERIFY2(std::abs(x[i] - original[i]) < 1e-4f, qPrintable(QString::number(i)));
}

// Blocks whose bits do not depend on the machine that makes them: samples
// from an integer generator, scaled by powers of two (exact), from full
// scale down to where the results are subnormal and up to where they
// overflow, plus the special values.
static std::vector<Block> machineIndependentBlocks()
{
    std::uint32_t state = 0x2545f491u;
    const auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return short(state & 0xffffu);
    };
    std::vector<Block> blocks;
    for (int n = 2; n <= 4096; n *= 2) {
        for (const int exponent : {0, -120, -140, 110}) {
            Block x(Complex(0.0f, 0.0f), std::size_t(n));
            for (Complex &v : x) {
                const float re = std::ldexp(pcmToReal(next()), exponent);
                const float im = std::ldexp(pcmToReal(next()), exponent);
                v = Complex(re, im);
            }
            blocks.push_back(x);
        }
    }
    Block special(Complex(0.25f, -0.5f), 16);
    special[1] = Complex(std::numeric_limits<float>::infinity(), 0.0f);
    special[5] = Complex(0.0f, std::numeric_limits<float>::quiet_NaN());
    special[9] = Complex(-0.0f, FLT_MIN);
    blocks.push_back(special);
    return blocks;
}

// The board build's transform gives the bits of the PC build's plain path
// (a NaN for a NaN: its sign and payload are the processor's).
// The PC build's test writes what its plain path makes of the blocks above
// to TQ3900_FFT_RECORD; the board build's test, run under emulation, finds
// the same bits from fft() and every variant it has (TQ3900_FFT_REFERENCE).
void TestFft::sameBitsOnEveryMachine()
{
    const QString record = qEnvironmentVariable("TQ3900_FFT_RECORD");
    const QString reference = qEnvironmentVariable("TQ3900_FFT_REFERENCE");
    if (record.isEmpty() && reference.isEmpty())
        QSKIP("needs TQ3900_FFT_RECORD or TQ3900_FFT_REFERENCE (the board run sets them)");
    const std::vector<Block> blocks = machineIndependentBlocks();

    // What a transform makes of every block, forward and back, as bytes.
    const auto transformAll = [&blocks](const std::function<void(Block &)> &transform) {
        QByteArray bytes;
        for (const Block &input : blocks) {
            Block x = input;
            transform(x);
            bytes.append(reinterpret_cast<const char *>(&x[0]), int(x.size() * sizeof(Complex)));
            for (Complex &v : x)
                v = std::conj(v);
            transform(x);
            bytes.append(reinterpret_cast<const char *>(&x[0]), int(x.size() * sizeof(Complex)));
        }
        return bytes;
    };

    if (!record.isEmpty()) {
        int plain = -1;
        for (int v = 0; v < fftVariantCount(); ++v)
            if (qstrcmp(fftVariantName(v), "plain") == 0)
                plain = v;
        QVERIFY2(plain >= 0, "no plain variant");
        const QByteArray bytes = transformAll([plain](Block &x) { fftWithVariant(plain, x); });
        QFile file(record);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), qint64(bytes.size()));
    }
    if (!reference.isEmpty()) {
        QFile file(reference);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(reference));
        const QByteArray expected = file.readAll();
        QVERIFY(!expected.isEmpty());
        const auto check = [&expected](const QByteArray &bytes, const char *what) {
            QCOMPARE(bytes.size(), expected.size());
            for (int i = 0; i < bytes.size(); i += int(sizeof(float))) {
                if (std::memcmp(bytes.constData() + i, expected.constData() + i, sizeof(float)) == 0)
                    continue;
                float got, want;
                std::memcpy(&got, bytes.constData() + i, sizeof(float));
                std::memcpy(&want, expected.constData() + i, sizeof(float));
                // The bits of a NaN an operation makes are the processor's
                // own (x86: sign set; ARM: the default NaN, sign clear).
                if (std::isnan(got) && std::isnan(want))
                    continue;
                QFAIL(qPrintable(QStringLiteral("%1: float %2 is %3, the PC's plain path gives %4")
                                     .arg(QLatin1String(what))
                                     .arg(i / int(sizeof(float)))
                                     .arg(double(got), 0, 'g', 9)
                                     .arg(double(want), 0, 'g', 9)));
            }
        };
        check(transformAll([](Block &x) { fft(x); }), "fft");
        for (int v = 0; v < fftVariantCount() && !QTest::currentTestFailed(); ++v)
            check(transformAll([v](Block &x) { fftWithVariant(v, x); }), fftVariantName(v));
    }
}

QTEST_GUILESS_MAIN(TestFft)
#include "tst_fft.moc"
