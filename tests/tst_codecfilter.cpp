// The simulated converter and microphone pass the signal through the band
// the program wrote into the codec's registers: the chain read back from the
// register journal, the tone and the noise at both sample rates, and the
// level the instrument shows with a band that leaves the tone outside.
#include "analoginputworker.h"
#include "audiocodecsetup.h"
#include "codecfilter.h"
#include "converterstream.h"
#include "fiforeader.h"
#include "filtersettings.h"
#include "mainmenu.h"
#include "microphonestream.h"
#include "samples.h"
#include "signalgenerator.h"
#include "simboard.h"
#include "testroot.h"

#include <QLabel>
#include <QtTest>

#include <cmath>

using namespace Sim;

namespace {

double db(double ratio)
{
    return 20.0 * std::log10(ratio);
}

// What a stream delivers over about `seconds`, read as the program would.
QVector<int> collect(FifoReader &fifo, double rate, double seconds)
{
    QByteArray bytes;
    const int wanted = int(2 * rate * seconds);
    const bool enough = QTest::qWaitFor(
        [&] {
            bytes += fifo.readAll();
            return bytes.size() >= wanted;
        },
        20000);
    if (!enough)
        qWarning() << "only" << bytes.size() << "of" << wanted << "bytes";
    return samplesOf(bytes.left(wanted));
}

} // namespace

class TestCodecFilter : public QObject
{
    Q_OBJECT

private slots:
    void chainFromTheRegisterJournal();
    void streamsPassTheBand();
    void levelWithTheToneOutsideTheBand();
};

// The programme the codec setup writes, read back as the codec takes it.
void TestCodecFilter::chainFromTheRegisterJournal()
{
    TestRoot root;
    AudioCodecSetup codec;
    CodecFilter chain(root.root());
    chain.refresh();
    QVERIFY(chain.isPassThrough()); // nothing written yet

    codec.setFilter(250, 800, 1);
    chain.refresh();
    QVERIFY(!chain.isPassThrough());
    QVERIFY(!chain.isUnstable());
    QCOMPARE(chain.generation(), quint64(1));
    // Three low-pass and three high-pass sections: -3 dB each at its corner.
    QVERIFY2(std::abs(chain.gainDb(800) + 9.0) < 1.0, qPrintable(QString::number(chain.gainDb(800))));
    QVERIFY2(std::abs(chain.gainDb(250) + 9.0) < 1.0, qPrintable(QString::number(chain.gainDb(250))));
    QVERIFY(chain.gainDb(450) > -3.0);
    QVERIFY(chain.gainDb(1000) < -15.0);
    QVERIFY(chain.gainDb(4000) < -60.0);
    QVERIFY(chain.gainDb(50) < -40.0);

    // Between two rows of the table: the corner the codec snapped to.
    codec.setFilter(0, 1100, 1); // 1000 Hz is the nearest corner
    chain.refresh();
    QVERIFY2(std::abs(chain.gainDb(1000) + 9.0) < 1.0, qPrintable(QString::number(chain.gainDb(1000))));

    // Coefficients written without the buffer switch are not in force yet.
    const QStringList journal = root.journal("registers.log");
    const int start = journal.size();
    codec.setFilter(250, 800, 1);
    const QStringList programme = root.journal("registers.log").mid(start);
    QCOMPARE(programme.last(), QStringLiteral("1 5"));
    CodecFilter partial(root.root());
    partial.feed(programme.mid(0, programme.size() - 1).join('\n').toLatin1() + '\n');
    QVERIFY(partial.isPassThrough());
    // Lines that are no register writes change nothing; the switch takes
    // what was written.
    partial.feed("zz 12\n1ff 3\n 0 \n2c 100\n\n1 5\n");
    QVERIFY(!partial.isPassThrough());
    chain.refresh();
    QVERIFY(std::abs(partial.gainDb(1000) - chain.gainDb(1000)) < 1e-9);

    // A journal started afresh: the codec keeps the programme it took.
    root.clearJournals();
    chain.refresh();
    QVERIFY(!chain.isPassThrough());
    // "No filter" passes everything again.
    codec.setFilter(0, 4000, 0);
    chain.refresh();
    QVERIFY(chain.isPassThrough());

    // A section whose poles lie outside the unit circle passes nothing.
    CodecFilter wild(root.root());
    wild.feed("0 2c\nc 7f\nd ff\ne ff\n10 0\n11 0\n12 0\n14 0\n15 0\n16 0\n"
              "18 7f\n19 ff\n1a ff\n1c 7f\n1d ff\n1e ff\n1 5\n");
    QVERIFY(wild.isUnstable());
    QCOMPARE(std::abs(wild.response(1000)), 0.0);
}

// Tone and noise through the band at the microphone's 16000 and the
// converter's 7670 samples per second; the band opened again gives the
// unfiltered samples back.
void TestCodecFilter::streamsPassTheBand()
{
    TestRoot root;
    QVERIFY(root.write("/sys/bus/iio/devices/iio:device0/buffer/length", "16384"));
    QVERIFY(root.write("/sys/bus/iio/devices/iio:device0/buffer/enable", "1"));
    SignalSource signal;
    QVERIFY(signal.setTone(1000, 0.1));
    ConverterStream converter(root.root(), signal);
    MicrophoneStream microphone(root.root(), signal);
    QVERIFY(converter.open());
    QVERIFY(microphone.open());
    FifoReader adc(ConverterStream::devicePath(root.root()));
    FifoReader mic(MicrophoneStream::devicePath(root.root()));
    QVERIFY(adc.isOpen() && mic.isOpen());
    const double adcRate = ConverterStream::kSampleRate, micRate = MicrophoneStream::kSampleRate;

    auto settle = [&] {
        // What waited was made before the change: a fresh stretch.
        collect(adc, adcRate, 0.3);
        collect(mic, micRate, 0.3);
    };
    const double toneAdc = rmsOf(collect(adc, adcRate, 0.5));
    const double toneMic = rmsOf(collect(mic, micRate, 0.5));
    QVERIFY(std::abs(toneAdc - 0.0707) < 0.002);
    QVERIFY(std::abs(toneMic - 0.0707) < 0.002);

    AudioCodecSetup codec;
    codec.setFilter(250, 800, 1);
    CodecFilter chain(root.root());
    chain.refresh();
    settle();
    for (const auto &[fifo, rate, before] :
         {std::make_tuple(&adc, adcRate, toneAdc), std::make_tuple(&mic, micRate, toneMic)}) {
        const QVector<int> s = collect(*fifo, rate, 0.5);
        const double drop = db(rmsOf(s) / before);
        QVERIFY2(std::abs(drop - chain.gainDb(1000)) < 0.5, qPrintable(QString::number(drop)));
        QVERIFY2(std::abs(frequencyOf(s, rate) - 1000) < 10, qPrintable(QString::number(frequencyOf(s, rate))));
    }

    // White noise keeps the share of its power that lies in the band.
    signal.setSilence();
    QVERIFY(signal.setNoise(0.1));
    double share = 0.0;
    const int steps = 8000;
    for (int i = 0; i < steps; ++i)
        share += std::norm(chain.response((i + 0.5) * 8000.0 / steps));
    share /= steps;
    settle();
    const double noiseMic = rmsOf(collect(mic, micRate, 1.0));
    QVERIFY2(std::abs(db(noiseMic / 0.1) - 10.0 * std::log10(share)) < 1.0,
             qPrintable(QStringLiteral("%1 %2").arg(db(noiseMic / 0.1)).arg(10.0 * std::log10(share))));
    // The converter samples the band-limited noise: the same power.
    const QVector<int> noiseAdc = collect(adc, adcRate, 1.0);
    QVERIFY2(std::abs(db(rmsOf(noiseAdc) / noiseMic)) < 1.0, qPrintable(QString::number(rmsOf(noiseAdc))));
    // ... and no longer the hiss of all frequencies: zero crossings of the band.
    QVERIFY(frequencyOf(noiseAdc, adcRate) < 900);

    // Opened again: the tone as before the band.
    signal.setSilence();
    QVERIFY(signal.setTone(1000, 0.1));
    codec.setFilter(0, 4000, 0);
    settle();
    QVERIFY(std::abs(rmsOf(collect(adc, adcRate, 0.5)) - toneAdc) < 0.001);
    QVERIFY(std::abs(rmsOf(collect(mic, micRate, 0.5)) - toneMic) < 0.001);
}

// What a person sees: the level of the filter dialog with the simulated
// tone at 1000 Hz falls by over 20 dB with a band of 250-800 Hz and comes
// back when the band is opened again.
void TestCodecFilter::levelWithTheToneOutsideTheBand()
{
    TestRoot root;
    SimBoard board(root.root());
    QVERIFY(board.isRunning());
    MainMenu w;
    QVERIFY(board.send("signal tone 1000 0.1").startsWith("ok"));
    AnalogInputWorker *ain = Analoginputworker();
    ain->startCapture();
    ain->pauseCapture(false);
    Filtersettings dialog(&w);
    auto level = [&] { return dialog.findChild<QLabel *>("labelLevel")->text().toInt(); };
    QTRY_COMPARE_WITH_TIMEOUT(level(), 97, 5000);
    float fft[1024];
    ain->getFft(fft);
    const float open = std::max(fft[133], fft[134]);

    w.getAudioCodecInstance()->setFilter(250, 800, 1);
    QTRY_VERIFY_WITH_TIMEOUT(level() <= 97 - 20, 5000);
    // The spectrum's bin of the tone falls as much as the chain's response.
    auto toneBin = [&] {
        ain->getFft(fft);
        return std::max(fft[133], fft[134]);
    };
    QTRY_VERIFY_WITH_TIMEOUT(db(toneBin() / open) < -12.0, 5000);

    w.getAudioCodecInstance()->setFilter(0, 4000, 0);
    QTRY_COMPARE_WITH_TIMEOUT(level(), 97, 5000);
    ain->stopCapture();
}

QTEST_MAIN(TestCodecFilter)
#include "tst_codecfilter.moc"
