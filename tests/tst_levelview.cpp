// The debug menu's live level view: its capture buffer with long captures in
// awkward chunks, the levels and spectrum it computes, and the view itself
// against the simulated microphone and without any input.
#include "debugaudiolevelfft.h"
#include "freqspectrum.h"
#include "levelcapture.h"
#include "simboard.h"
#include "testroot.h"

#include <QBuffer>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include <cmath>
#include <vector>

namespace {

QByteArray pcm(const std::vector<short> &samples)
{
    QByteArray out;
    for (short s : samples) {
        out.append(char(s & 0xff));
        out.append(char((s >> 8) & 0xff));
    }
    return out;
}

// n samples counting up from first (wrapping as 16-bit values do).
QByteArray ramp(int first, int n)
{
    std::vector<short> s(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        s[size_t(i)] = short(first + i);
    return pcm(s);
}

QByteArray sine(double hz, double amplitude, int n)
{
    std::vector<short> s(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        s[size_t(i)] = short(std::lround(amplitude * 32767 * std::sin(2 * M_PI * hz * i / 16000.0)));
    return pcm(s);
}

QPushButton *button(QWidget *parent, const char *name)
{
    return parent->findChild<QPushButton *>(QLatin1String(name));
}

} // namespace

class TestLevelView : public QObject
{
    Q_OBJECT

private slots:
    void levelsOfFullScaleAndNegativeInput();
    void longCaptureStaysInTheBuffer();
    void startAndOddEnds();
    void deviceThatNeverRunsDry();
    void spectrumPeak();
    void viewWithoutInput();
    void viewShowsTheSimulatedSignal();
};

void TestLevelView::levelsOfFullScaleAndNegativeInput()
{
    LevelCapture capture;
    float x[LevelCapture::kSamples];
    capture.append(pcm(std::vector<short>(2048, 32767)).constData(), 4096);
    capture.latestSamples(x);
    LevelCapture::Levels l = LevelCapture::levels(x, LevelCapture::kSamples);
    QCOMPARE(int(l.rms * 100), 99);
    QCOMPARE(int(l.peak * 100), 99);

    // Negative samples never raise the peak; they do make an RMS.
    capture.reset();
    std::vector<short> negative(1024);
    for (size_t i = 0; i < negative.size(); ++i)
        negative[i] = short(-1 - int(i) * 16);
    capture.append(pcm(negative).constData(), 2048);
    capture.latestSamples(x);
    l = LevelCapture::levels(x, LevelCapture::kSamples);
    QCOMPARE(l.peak, 0.0f);
    QVERIFY(l.rms > 0.25f && l.rms < 0.35f);
}

void TestLevelView::longCaptureStaysInTheBuffer()
{
    // Ten seconds at 16000 samples per second in chunks of every size, some
    // odd and some larger than the buffer itself.
    LevelCapture capture;
    const int total = 10 * 16000;
    const QByteArray all = ramp(0, total);
    const int chunks[] = {997, 1, 3, 4096, 2048, 131071, 7, 100000, 12345};
    qint64 at = 0;
    for (int i = 0; at < all.size(); ++i) {
        const int n = int(qMin<qint64>(chunks[i % 9], all.size() - at));
        capture.append(all.constData() + at, n);
        at += n;
        QCOMPARE(capture.buffer().size(), LevelCapture::kBufferBytes);
    }
    QCOMPARE(capture.dataLength(), qint64(2 * total));

    float x[LevelCapture::kSamples];
    capture.latestSamples(x);
    for (int i = 0; i < LevelCapture::kSamples; ++i)
        QCOMPARE(x[i], float(short(total - LevelCapture::kSamples + i)) / 32768.0f);
}

void TestLevelView::startAndOddEnds()
{
    LevelCapture capture;
    float x[LevelCapture::kSamples];
    // Before 1024 samples, the missing ones read as silence.
    capture.append(ramp(1000, 10).constData(), 20);
    capture.latestSamples(x);
    QCOMPARE(x[0], 0.0f);
    QCOMPARE(x[LevelCapture::kSamples - 11], 0.0f);
    QCOMPARE(x[LevelCapture::kSamples - 10], 1000.0f / 32768);
    QCOMPARE(x[LevelCapture::kSamples - 1], 1009.0f / 32768);

    // Half a sample at the end is not a sample yet.
    const QByteArray next = ramp(1010, 1);
    capture.append(next.constData(), 1);
    capture.latestSamples(x);
    QCOMPARE(x[LevelCapture::kSamples - 1], 1009.0f / 32768);
    capture.append(next.constData() + 1, 1);
    capture.latestSamples(x);
    QCOMPARE(x[LevelCapture::kSamples - 1], 1010.0f / 32768);

    // A fresh start is silent again.
    capture.reset();
    capture.latestSamples(x);
    QCOMPARE(LevelCapture::levels(x, LevelCapture::kSamples).rms, 0.0f);
    QCOMPARE(capture.dataLength(), qint64(0));
}

void TestLevelView::deviceThatNeverRunsDry()
{
    // A device with far more waiting than the buffer holds: each intake takes
    // one buffer's worth and returns, the newest samples end up last.
    QByteArray waiting = ramp(0, 150000);
    QBuffer device(&waiting);
    QVERIFY(device.open(QIODevice::ReadOnly));
    LevelCapture capture;
    QCOMPARE(capture.readFrom(&device), qint64(LevelCapture::kBufferBytes));
    QCOMPARE(capture.readFrom(&device), qint64(LevelCapture::kBufferBytes));
    QCOMPARE(capture.readFrom(&device), qint64(100000));
    QCOMPARE(capture.readFrom(&device), qint64(0));
    QCOMPARE(capture.dataLength(), qint64(300000));
    QCOMPARE(capture.buffer().size(), LevelCapture::kBufferBytes);
    float x[LevelCapture::kSamples];
    capture.latestSamples(x);
    QCOMPARE(x[LevelCapture::kSamples - 1], float(short(149999)) / 32768);
}

void TestLevelView::spectrumPeak()
{
    // 1000 Hz at 16000 samples per second lies on bin 64 (15.625 Hz a bin).
    LevelCapture capture;
    const QByteArray tone = sine(1000, 0.5, 4096);
    capture.append(tone.constData(), tone.size());
    float x[LevelCapture::kSamples];
    capture.latestSamples(x);
    float bins[LevelCapture::kBins];
    LevelCapture::magnitudes(x, bins);
    const int peak = int(std::max_element(bins, bins + LevelCapture::kBins) - bins);
    QCOMPARE(peak, 64);
    // An unscaled transform: amplitude x N / 2.
    QVERIFY(std::abs(bins[64] - 0.5f * 1024 / 2) < 2);
    const LevelCapture::Levels l = LevelCapture::levels(x, LevelCapture::kSamples);
    QCOMPARE(int(l.peak * 100), 50);
    QCOMPARE(int(l.rms * 100), 35);
}

void TestLevelView::viewWithoutInput()
{
    // No simulator: no microphone FIFO under the root.
    TestRoot root;
    DebugAudioLevelFft view;
    view.show();
    // Before any capture the widget shows the triangle: highest at bin 256.
    const float *drawn = view.spectrum()->drawnValues();
    QCOMPARE(int(std::max_element(drawn, drawn + LevelCapture::kBins) - drawn), 256);

    button(&view, "butDo")->click();
    QVERIFY(!view.isCapturing());
    auto *messages = view.findChild<QTextEdit *>(QStringLiteral("textEditMessages"));
    QVERIFY2(messages->toPlainText().contains(QStringLiteral("No audio input device")),
             qPrintable(messages->toPlainText()));
    button(&view, "butDo")->click();
    QVERIFY(!view.isCapturing());
    button(&view, "butClear")->click();
    QVERIFY(messages->toPlainText().isEmpty());
}

void TestLevelView::viewShowsTheSimulatedSignal()
{
    TestRoot root;
    SimBoard board(root.root());
    QVERIFY(board.isRunning());
    QCOMPARE(board.send("signal tone 1000 0.5"), QStringLiteral("ok"));

    DebugAudioLevelFft view;
    view.show();
    auto *rms = view.findChild<QProgressBar *>(QStringLiteral("progBarAudioLevel"));
    auto *peak = view.findChild<QProgressBar *>(QStringLiteral("progBarAudioLevelPeak"));
    button(&view, "butDo")->click();
    QVERIFY(view.isCapturing());
    QVERIFY(view.findChild<QLineEdit *>(QStringLiteral("lineEditAudioInputDevice"))->text().contains("/dev/microphone"));
    QTRY_VERIFY_WITH_TIMEOUT(rms->value() >= 33 && rms->value() <= 36, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(peak->value() >= 48 && peak->value() <= 50, 5000);
    const float *drawn = view.spectrum()->drawnValues();
    QCOMPARE(int(std::max_element(drawn, drawn + LevelCapture::kBins) - drawn), 64);

    // A second start begins again from an empty buffer.
    const qint64 first = view.capture().dataLength();
    QVERIFY(first > 0);
    button(&view, "butDo")->click();
    QVERIFY(view.capture().dataLength() < first);
    QVERIFY(view.isCapturing());

    // Ten seconds, then the capture ends by itself; the buffer never grew.
    QTRY_VERIFY_WITH_TIMEOUT(!view.isCapturing(), 14000);
    QVERIFY2(view.capture().dataLength() > 250000 && view.capture().dataLength() < 400000,
             qPrintable(QString::number(view.capture().dataLength())));
    QCOMPARE(view.capture().buffer().size(), LevelCapture::kBufferBytes);
    const int lastRms = rms->value();
    QTest::qWait(300);
    QCOMPARE(rms->value(), lastRms); // the last picture stays
}

QTEST_MAIN(TestLevelView)
#include "tst_levelview.moc"
