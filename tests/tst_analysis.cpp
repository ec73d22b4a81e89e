// Converter capture and signal analysis: the reader against files and FIFOs
// under a test root, the analysis on blocks made here, and both against the
// simulator's converter stream (in this process and as tq3900-sim).

#include "analoginput.h"
#include "analoginputworker.h"
#include "audioworker.h"
#include "controlchannel.h"
#include "converterstream.h"
#include "devicetree.h"
#include "signalgenerator.h"
#include "testroot.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kIio = QStringLiteral("/sys/bus/iio/devices/iio:device0/");
const QString kEnable = kIio + QStringLiteral("buffer/enable");
const QString kLength = kIio + QStringLiteral("buffer/length");
const QString kChannel = kIio + QStringLiteral("scan_elements/in_voltage0_en");

// 1024 samples from a function of the sample index, as the converter sends them.
template<typename F>
QByteArray makeBlock(F sampleAt, int samples = 1024)
{
    QByteArray block(2 * samples, '\0');
    for (int i = 0; i < samples; ++i) {
        const quint16 v = quint16(qint16(sampleAt(i)));
        block[2 * i] = char(v & 0xff);
        block[2 * i + 1] = char(v >> 8);
    }
    return block;
}

// A sine of the given peak (in samples) that fits the block a whole number
// of times: cycles periods per 1024 samples, i.e. exactly in bin `cycles`.
QByteArray sineBlock(double peak, int cycles, double offset = 0.0)
{
    return makeBlock([=](int i) { return std::lround(offset + peak * std::sin(2.0 * M_PI * cycles * i / 1024.0)); });
}

// Alternating +a, -a: RMS a / 32768, mean 0.
QByteArray squareBlock(int a)
{
    return makeBlock([=](int i) { return (i & 1) ? -a : a; });
}

float level(AnalogInputWorker &w)
{
    float l = 0.0f;
    w.getAudioLevel(&l);
    return l;
}

// The lowest window minimum since the last reset.
float lowestMinimum(AnalogInputWorker &w)
{
    float l = 0.0f, p = 0.0f, m = 0.0f;
    w.getAudioLevel(&l, &p, &m);
    return m;
}

// Equal sines in bins centre - 2, centre and centre + 2 (together of the
// given peak): the five-bin sum has its one maximum at the centre.
QByteArray toneBlock(double peak, int centre)
{
    return makeBlock([=](int i) {
        double v = 0.0;
        for (int k : {centre - 2, centre, centre + 2})
            v += peak / 3.0 * std::sin(2.0 * M_PI * k * i / 1024.0);
        return std::lround(v);
    });
}

// A FIFO standing in for the converter's data device that delivers nothing
// until written to: held open for reading and writing, as the simulator does.
// The blocks a reader on another thread signals, collected on this thread:
// the connection is queued to the collector, so the list is only ever touched
// here (a QSignalSpy would append on the reader's thread while the test
// reads it).
class BlockCollector
{
public:
    explicit BlockCollector(AnalogInput *reader)
    {
        QObject::connect(reader, &AnalogInput::bufferUpdated, &m_receiver,
                         [this](const QByteArray &block) { m_blocks << block; });
    }
    int count() const { return m_blocks.size(); }
    QByteArray at(int i) const { return m_blocks.at(i); }

private:
    QObject m_receiver;
    QList<QByteArray> m_blocks;
};

class StalledDevice
{
public:
    explicit StalledDevice(const TestRoot &root)
    {
        const QByteArray path = QFile::encodeName(root.local(QStringLiteral("/dev/iio:device0")));
        ::unlink(path.constData());
        if (::mkfifo(path.constData(), 0600) == 0)
            m_fd = ::open(path.constData(), O_RDWR | O_NONBLOCK);
    }
    ~StalledDevice()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isValid() const { return m_fd >= 0; }
    bool write(const QByteArray &bytes) { return ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size(); }

private:
    int m_fd = -1;
};

// The simulated converter on the test root, stepping on this thread's event loop.
class Stream
{
public:
    explicit Stream(const TestRoot &root) : m_stream(root.root(), m_source) { m_ok = m_stream.open(&m_error); }
    bool isOpen() const { return m_ok; }
    QString error() const { return m_error; }
    Sim::SignalSource &source() { return m_source; }

private:
    Sim::SignalSource m_source;
    Sim::ConverterStream m_stream;
    bool m_ok = false;
    QString m_error;
};

// Runs the tick of a started worker until `ticks` more blocks have been
// asked for, and then half a tick more: the reader answers within
// milliseconds, so exactly these blocks have been analysed when it returns.
bool runTicks(AnalogInputWorker &w, int ticks)
{
    QSignalSpy requests(&w, &AnalogInputWorker::updateAinData);
    const int timeout = ticks * AnalogInputWorker::kTickMs + 3000;
    QElapsedTimer t;
    t.start();
    while (requests.count() < ticks && t.elapsed() < timeout)
        QTest::qWait(10);
    QTest::qWait(AnalogInputWorker::kTickMs / 2);
    return requests.count() == ticks;
}

} // namespace

class TestAnalysis : public QObject
{
    Q_OBJECT

private slots:
    void init();

    // The reader
    void captureWritesTheAttributesInOrder();
    void missingAttributesAreReported();
    void fullBlockIsReadOnceAndSignalledOnce();
    void missingDeviceGivesOneEmptyBlock();
    void shortReadGivesShortBlock();
    void stalledDeviceReadIsBounded();
    void abortEndsAWaitingRead();
    void bufferKeepsThePreviousBlockDuringARead();
    void singleValueInput();

    // The analysis on blocks made here
    void levelAndPeakOfTheMeanFreeBlock();
    void constantBlockLeavesTheHistoryAlone();
    void quietBlocksReadTheFloorFromTheFourthTick();
    void minimumCoversTheNewest27Ticks();
    void lowestMinimumOnlyFalls();
    void shortAndEmptyBlocksAreSkipped();
    void dominantFrequency_data();
    void dominantFrequency();
    void frequencyAtTheLowestMinimum();
    void spectrumAndSamples();
    void clearAllData();
    void displayLevel_data();
    void displayLevel();
    void frequencyColour();

    // Start, pause, stop
    void captureStartsPausedAndTicksOnlyWhileResumed();
    void pauseWithoutStartOnlyStopsTheTick();
    void resumeStartsAFreshHistory();
    void audioWorkerDrivesTheCapture();

    // Against the simulator's converter stream
    void streamTones_data();
    void streamTones();
    void streamSilence();
    void streamQuietNoise();
    void streamMissingDeviceDoesNoHarm();
    void streamStallAndShortReadKeepTheLowestMinimum();
    void teardownWithAStalledStreamIsQuick();
    void simulatorProgramStream();

private:
    std::unique_ptr<TestRoot> m_root;
};

void TestAnalysis::init()
{
    m_root.reset(); // the previous root's environment first
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
}

// ---------------------------------------------------------------------------
// The reader

void TestAnalysis::captureWritesTheAttributesInOrder()
{
    AnalogInput ain;
    m_root->write(kEnable, "1"); // a running converter
    ain.initContinousMode();
    QCOMPARE(m_root->read(kEnable), QByteArray("0"));
    ain.startCapture();
    ain.stopCapture();
    QCOMPARE(m_root->sysfsWrites(),
             QStringList({kEnable + " 0", kChannel + " 1", kLength + " 2048", kEnable + " 1", kEnable + " 0"}));
    QCOMPARE(m_root->read(kChannel), QByteArray("1"));
    QCOMPARE(m_root->read(kLength), QByteArray("2048"));
}

void TestAnalysis::missingAttributesAreReported()
{
    QFile::remove(m_root->local(kEnable));
    QFile::remove(m_root->local(kChannel));
    AnalogInput ain;
    QTest::ignoreMessage(QtWarningMsg, "Error: Could not open buffer/enable");
    QTest::ignoreMessage(QtWarningMsg, "Error: Could not open AIN1 Continousmode");
    ain.initContinousMode();
    // buffer/length is still written.
    QCOMPARE(m_root->sysfsWrites(), QStringList({kLength + " 2048"}));
    QTest::ignoreMessage(QtWarningMsg, "Error: Could not open buffer/enable");
    ain.startCapture();
    QVERIFY(!m_root->exists(kEnable)); // a sysfs attribute is never created
}

void TestAnalysis::fullBlockIsReadOnceAndSignalledOnce()
{
    StalledDevice device(*m_root);
    QVERIFY(device.isValid());
    const QByteArray first = sineBlock(1000.0, 5);
    QVERIFY(device.write(first + sineBlock(2000.0, 7)));
    AnalogInput ain;
    QSignalSpy spy(&ain, &AnalogInput::bufferUpdated);
    ain.updateBuffer();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toByteArray(), first);
    QCOMPARE(ain.getBuffer(), first);
}

void TestAnalysis::missingDeviceGivesOneEmptyBlock()
{
    AnalogInput ain;
    QSignalSpy spy(&ain, &AnalogInput::bufferUpdated);
    QTest::ignoreMessage(QtWarningMsg, "Error: Could not open /dev/iio:device0");
    ain.updateBuffer();
    QCOMPARE(spy.count(), 1);
    QVERIFY(spy.at(0).at(0).toByteArray().isEmpty());
    QVERIFY(ain.getBuffer().isEmpty());
}

void TestAnalysis::shortReadGivesShortBlock()
{
    StalledDevice device(*m_root);
    QVERIFY(device.isValid());
    QVERIFY(device.write(squareBlock(100).left(600)));
    AnalogInput ain;
    QSignalSpy spy(&ain, &AnalogInput::bufferUpdated);
    ain.updateBuffer();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toByteArray().size(), 600);
}

void TestAnalysis::stalledDeviceReadIsBounded()
{
    StalledDevice device(*m_root);
    QVERIFY(device.isValid());
    AnalogInput ain;
    QSignalSpy spy(&ain, &AnalogInput::bufferUpdated);
    QTest::ignoreMessage(QtWarningMsg, "Error: No data from /dev/iio:device0");
    QElapsedTimer t;
    t.start();
    ain.updateBuffer();
    const qint64 took = t.elapsed();
    QVERIFY2(took >= AnalogInput::kReadTimeoutMs - 50 && took < AnalogInput::kReadTimeoutMs + 1000,
             qPrintable(QString::number(took)));
    QCOMPARE(spy.count(), 1);
    QVERIFY(spy.at(0).at(0).toByteArray().isEmpty());
}

void TestAnalysis::abortEndsAWaitingRead()
{
    StalledDevice device(*m_root);
    QVERIFY(device.isValid());
    AnalogInput ain;
    QThread thread;
    ain.moveToThread(&thread);
    thread.start();
    BlockCollector blocks(&ain);
    QMetaObject::invokeMethod(&ain, "updateBuffer", Qt::QueuedConnection);
    QTest::qWait(100); // the read is waiting now
    QElapsedTimer t;
    t.start();
    ain.abortReads();
    QTRY_COMPARE_WITH_TIMEOUT(blocks.count(), 1, 2000);
    QVERIFY2(t.elapsed() < AnalogInput::kReadTimeoutMs / 2, qPrintable(QString::number(t.elapsed())));
    QVERIFY(blocks.at(0).isEmpty());
    // Every later read returns at once too.
    QMetaObject::invokeMethod(&ain, "updateBuffer", Qt::QueuedConnection);
    QTRY_COMPARE_WITH_TIMEOUT(blocks.count(), 2, 500);
    thread.quit();
    QVERIFY(thread.wait(2000));
}

void TestAnalysis::bufferKeepsThePreviousBlockDuringARead()
{
    StalledDevice device(*m_root);
    QVERIFY(device.isValid());
    const QByteArray first = squareBlock(321);
    QVERIFY(device.write(first));
    AnalogInput ain;
    QThread thread;
    ain.moveToThread(&thread);
    thread.start();
    BlockCollector blocks(&ain);
    QMetaObject::invokeMethod(&ain, "updateBuffer", Qt::QueuedConnection);
    QTRY_COMPARE(blocks.count(), 1);
    // The next read waits for data; meanwhile the last block stays whole.
    QMetaObject::invokeMethod(&ain, "updateBuffer", Qt::QueuedConnection);
    QTest::qWait(100);
    QCOMPARE(ain.getBuffer(), first);
    const QByteArray second = squareBlock(77);
    QVERIFY(device.write(second));
    QTRY_COMPARE(blocks.count(), 2);
    QCOMPARE(ain.getBuffer(), second);
    thread.quit();
    QVERIFY(thread.wait(2000));
}

void TestAnalysis::singleValueInput()
{
    m_root->write(kIio + "in_voltage1_raw", "1234\n");
    AnalogInput ain;
    QCOMPARE(ain.readAnalogInput(), 0); // not opened
    ain.initAnalogInput();
    QCOMPARE(ain.readAnalogInput(), 1234);
    m_root->write(kIio + "in_voltage1_raw", "abc\n");
    QCOMPARE(ain.readAnalogInput(), 0);
    ain.closeAnalogInput();

    QFile::remove(m_root->local(kIio + "in_voltage1_raw"));
    AnalogInput missing;
    QTest::ignoreMessage(QtWarningMsg, "Error: Could not open AIN4");
    missing.initAnalogInput();
    QCOMPARE(missing.readAnalogInput(), 0);
}

// ---------------------------------------------------------------------------
// The analysis on blocks made here

void TestAnalysis::levelAndPeakOfTheMeanFreeBlock()
{
    AnalogInputWorker w;
    // A sine of peak 3276.8 (0.1 of full scale) on an offset of 5000: the
    // offset is removed, RMS 0.1 / sqrt 2, peak 0.1.
    w.calculateData(sineBlock(3276.8, 16, 5000.0));
    float rms = 0.0f, peak = 0.0f;
    w.getAudioLevel(&rms, &peak);
    QVERIFY2(std::abs(rms - 0.1f / std::sqrt(2.0f)) < 1e-4f, qPrintable(QString::number(double(rms))));
    QVERIFY2(std::abs(peak - 0.1f) < 1e-4f, qPrintable(QString::number(double(peak))));
    float samples[1024];
    w.getAudioData(samples);
    double mean = 0.0;
    for (float s : samples)
        mean += s;
    QVERIFY(std::abs(mean / 1024.0) < 1e-6);

    // Only positive samples count as peak; the floor applies to both.
    w.calculateData(makeBlock([](int i) { return i == 10 ? -30000 : 0; }));
    w.getAudioLevel(&rms, &peak);
    QVERIFY(rms > 0.02f);
    QCOMPARE(peak, float(30000.0 / 32768.0 / 1024.0)); // the mean, above the others
    w.calculateData(squareBlock(1));
    w.getAudioLevel(&rms, &peak);
    QCOMPARE(rms, AnalogInputWorker::kLevelFloor);
    QCOMPARE(peak, AnalogInputWorker::kLevelFloor);
}

void TestAnalysis::constantBlockLeavesTheHistoryAlone()
{
    AnalogInputWorker w;
    for (int i = 0; i < 5; ++i)
        w.calculateData(squareBlock(100));
    QVERIFY(lowestMinimum(w) < 1.0f);
    // All samples equal: RMS 0 after mean removal, both minima back to 1.0,
    // no history entry.
    QTest::ignoreMessage(QtDebugMsg, "calculateLevel: Noch keine sinnvollen Werte");
    w.calculateData(makeBlock([](int) { return 1234; }));
    QCOMPARE(level(w), 0.0f);
    QCOMPARE(lowestMinimum(w), 1.0f);
    // The spectrum step still ran: a spectrum of zeros.
    QCOMPARE(w.getSignificandFrequency(), 3810u);
    // The next block continues the history where it was (position 5).
    w.calculateData(squareBlock(100));
    QCOMPARE(lowestMinimum(w), float(100.0 / 32768.0));
}

void TestAnalysis::quietBlocksReadTheFloorFromTheFourthTick()
{
    AnalogInputWorker w;
    // RMS 3/32768 = 0.0000916, below the floor.
    for (int tick = 1; tick <= 3; ++tick) {
        w.calculateData(squareBlock(3));
        QCOMPARE(level(w), AnalogInputWorker::kLevelFloor);
        QCOMPARE(lowestMinimum(w), 1.0f);
    }
    w.calculateData(squareBlock(3));
    QCOMPARE(lowestMinimum(w), AnalogInputWorker::kLevelFloor);
    // Up to 0.00016 the minimum counts as the floor too.
    AnalogInputWorker v;
    for (int tick = 1; tick <= 4; ++tick)
        v.calculateData(squareBlock(5)); // 0.000153
    QCOMPARE(lowestMinimum(v), AnalogInputWorker::kLevelFloor);
}

void TestAnalysis::minimumCoversTheNewest27Ticks()
{
    AnalogInputWorker w;
    const float low = 50.0f / 32768.0f, middle = 400.0f / 32768.0f;
    for (int tick = 1; tick <= 3; ++tick)
        w.calculateData(squareBlock(1000));
    w.calculateData(squareBlock(50)); // tick 4: history slot 3
    for (int tick = 5; tick <= 30; ++tick)
        w.calculateData(squareBlock(tick == 30 ? 400 : 1000));
    QCOMPARE(lowestMinimum(w), low);
    // The history is full and has moved down by one: tick 4 now sits in
    // slot 2. A constant block resets the lowest minimum without touching the
    // history, so the next tick shows the window minimum itself: ticks 5 ..
    // 31, without the low value.
    const QByteArray constant = makeBlock([](int) { return -700; });
    QTest::ignoreMessage(QtDebugMsg, "calculateLevel: Noch keine sinnvollen Werte");
    w.calculateData(constant);
    QCOMPARE(lowestMinimum(w), 1.0f);
    w.calculateData(squareBlock(1000));
    QCOMPARE(lowestMinimum(w), middle);
    // Each tick moves tick 30 down by one slot; at tick 56 it is in slot 3,
    // the last that counts, at tick 57 it is out too.
    for (int tick = 32; tick <= 55; ++tick)
        w.calculateData(squareBlock(1000));
    w.calculateData(constant);
    w.calculateData(squareBlock(1000));
    QCOMPARE(lowestMinimum(w), middle);
    w.calculateData(constant);
    w.calculateData(squareBlock(1000));
    QCOMPARE(lowestMinimum(w), 1000.0f / 32768.0f);
}

void TestAnalysis::lowestMinimumOnlyFalls()
{
    AnalogInputWorker w;
    for (int tick = 1; tick <= 4; ++tick)
        w.calculateData(squareBlock(500));
    QCOMPARE(lowestMinimum(w), 500.0f / 32768.0f);
    for (int tick = 0; tick < 3; ++tick)
        w.calculateData(squareBlock(2000));
    QCOMPARE(lowestMinimum(w), 500.0f / 32768.0f);
    w.calculateData(squareBlock(200));
    QCOMPARE(lowestMinimum(w), 200.0f / 32768.0f);
}

void TestAnalysis::shortAndEmptyBlocksAreSkipped()
{
    AnalogInputWorker w;
    for (int tick = 1; tick <= 4; ++tick)
        w.calculateData(toneBlock(3000.0, 100));
    const float tone = level(w);
    QCOMPARE(lowestMinimum(w), tone);
    float spectrum[1024], before[1024];
    w.getFft(before);
    // Half a block of a louder tone, a few bytes, nothing at all: no value
    // moves, not even the spectrum or the frequency.
    for (const QByteArray &block : {toneBlock(9000.0, 300).left(1024), toneBlock(9000.0, 300).left(7), QByteArray(),
                                    toneBlock(9000.0, 300).left(2047)}) {
        w.calculateData(block);
        QCOMPARE(level(w), tone);
        QCOMPARE(lowestMinimum(w), tone);
        QCOMPARE(w.getSignificandFrequency(), 750u);
        w.getFft(spectrum);
        QVERIFY(std::equal(std::begin(spectrum), std::end(spectrum), std::begin(before)));
    }
    // ... nor the history: the fifth full block is history slot 4, and
    // the window minimum covers slots 3 and 4 only.
    w.calculateData(toneBlock(1500.0, 100));
    QCOMPARE(lowestMinimum(w), level(w));
    // More than one block: only the first 1024 samples count.
    w.calculateData(squareBlock(100) + squareBlock(9000));
    QCOMPARE(level(w), 100.0f / 32768.0f);
}

void TestAnalysis::streamStallAndShortReadKeepTheLowestMinimum()
{
    // A steady tone from the converter, then a read that stalls (an empty
    // block after the reader's time-out), then a read that gets only part of
    // a block, then the tone again. The minimum a user pinpoints by must
    // stay the tone's level all along.
    StalledDevice device(*m_root);
    QVERIFY(device.isValid());
    AnalogInputWorker w;
    w.startCapture();
    const QByteArray tone = toneBlock(3000.0, 100);
    QVERIFY(device.write(tone + tone + tone + tone + tone));
    w.pauseCapture(false);
    QVERIFY(runTicks(w, 5));
    const float full = level(w);
    QVERIFY(full > 0.01f);
    QCOMPARE(lowestMinimum(w), full);

    QTest::ignoreMessage(QtWarningMsg, "Error: No data from /dev/iio:device0");
    QTest::qWait(AnalogInput::kReadTimeoutMs + AnalogInput::kReadTimeoutMs / 2); // the stalled read is over
    QCOMPARE(lowestMinimum(w), full);
    QCOMPARE(level(w), full);

    QVERIFY(device.write(tone.left(600)));
    QTest::qWait(2 * AnalogInputWorker::kTickMs);
    QCOMPARE(lowestMinimum(w), full);
    QCOMPARE(w.getSignificandFrequency(), 750u);

    QVERIFY(device.write(tone + tone + tone));
    QTest::qWait(4 * AnalogInputWorker::kTickMs);
    float l = 0, p = 0, m = 0;
    w.getAudioLevel(&l, &p, &m);
    QCOMPARE(l, full);
    QCOMPARE(m, full);
    w.stopCapture();
}

void TestAnalysis::dominantFrequency_data()
{
    QTest::addColumn<int>("bin");
    QTest::addColumn<quint32>("expected");
    // Centre k stands for (k * 7670) >> 10 Hz; the getter rounds to 10 Hz.
    QTest::newRow("centre 100") << 100 << 750u; // 749 Hz
    QTest::newRow("centre 3") << 3 << 20u;      // 22 Hz
    QTest::newRow("centre 134") << 134 << 1000u; // 1003 Hz
    QTest::newRow("centre 508") << 508 << 3810u; // 3805 Hz, the highest centre
}

void TestAnalysis::dominantFrequency()
{
    QFETCH(int, bin);
    QFETCH(quint32, expected);
    AnalogInputWorker w;
    w.calculateData(toneBlock(9000.0, bin));
    QCOMPARE(w.getSignificandFrequency(), expected);
}

void TestAnalysis::frequencyAtTheLowestMinimum()
{
    AnalogInputWorker w;
    // The first spectrum fills the frequency at the minimum.
    w.calculateData(toneBlock(3000.0, 100));
    QCOMPARE(w.getSignificandFrequencyAtMin(), 750u);
    for (int tick = 2; tick <= 3; ++tick)
        w.calculateData(toneBlock(3000.0, 200));
    QCOMPARE(w.getSignificandFrequency(), 1500u);
    QCOMPARE(w.getSignificandFrequencyAtMin(), 750u);
    w.calculateData(toneBlock(3000.0, 200)); // tick 4: the first minimum
    QCOMPARE(w.getSignificandFrequencyAtMin(), 1500u);
    // A louder tone does not lower the minimum: the frequency stays.
    w.calculateData(toneBlock(6000.0, 300));
    QCOMPARE(w.getSignificandFrequency(), 2250u);
    QCOMPARE(w.getSignificandFrequencyAtMin(), 1500u);
    // A quieter one does.
    w.calculateData(toneBlock(1000.0, 40));
    QCOMPARE(w.getSignificandFrequencyAtMin(), 300u);
}

void TestAnalysis::spectrumAndSamples()
{
    AnalogInputWorker w;
    w.calculateData(sineBlock(16384.0, 64));
    float spectrum[1024];
    std::fill(std::begin(spectrum), std::end(spectrum), -1.0f);
    w.getFft(spectrum);
    // 0.5 of full scale in bin 64: 1024 * 0.5 / 2 = 256.
    QVERIFY(std::abs(spectrum[64] - 256.0f) < 0.01f);
    QVERIFY(spectrum[63] < 0.01f && spectrum[65] < 0.01f);
    for (int k = 512; k < 1024; ++k)
        QCOMPARE(spectrum[k], 0.0f);
    float samples[1024];
    w.getAudioData(samples);
    QVERIFY(std::abs(samples[0]) < 1e-4f);
    QVERIFY(std::abs(samples[1] - float(std::sin(2.0 * M_PI * 64 / 1024.0) * 0.5)) < 1e-4f);
}

void TestAnalysis::clearAllData()
{
    AnalogInputWorker w;
    for (int tick = 1; tick <= 5; ++tick)
        w.calculateData(sineBlock(3000.0, 100));
    w.clearAllData();
    float l = -1, p = -1, m = -1;
    w.getAudioLevel(&l, &p, &m);
    QCOMPARE(l, 0.0f);
    QCOMPARE(p, 0.0f);
    QCOMPARE(m, 1.0f);
    QCOMPARE(w.getSignificandFrequency(), 0u);
    QCOMPARE(w.getSignificandFrequencyAtMin(), 0u);
    float spectrum[1024], samples[1024];
    w.getFft(spectrum);
    w.getAudioData(samples);
    QCOMPARE(*std::max_element(std::begin(spectrum), std::end(spectrum)), 0.0f);
    QCOMPARE(*std::max_element(std::begin(samples), std::end(samples)), 0.0f);
    // The history starts again at its first slot.
    for (int tick = 1; tick <= 3; ++tick)
        w.calculateData(squareBlock(100));
    QCOMPARE(lowestMinimum(w), 1.0f);
}

void TestAnalysis::displayLevel_data()
{
    QTest::addColumn<float>("level");
    QTest::addColumn<float>("expected");
    QTest::newRow("below 1e-7") << 1e-8f << 0.0f;
    QTest::newRow("zero") << 0.0f << 0.0f;
    QTest::newRow("negative") << -0.5f << 0.0f;
    QTest::newRow("full scale") << 1.0f << 99.0f;
    QTest::newRow("0.01") << 0.01f << 66.6f;
    QTest::newRow("floor") << 0.000151f << 1.0f;
    QTest::newRow("0.0794") << 0.0794f << 99.0f;
    QTest::newRow("1e-5 clamps to 0") << 1e-5f << 0.0f;
}

void TestAnalysis::displayLevel()
{
    QFETCH(float, level);
    QFETCH(float, expected);
    const float v = AnalogInputWorker::audioLevelToDb(level);
    QVERIFY2(std::abs(v - expected) < 0.05f, qPrintable(QString::number(double(v))));
    QVERIFY(v >= 0.0f && v <= 99.0f);
}

void TestAnalysis::frequencyColour()
{
    const QColor blue(0, 0, 255), red(255, 0, 0), yellow(255, 255, 0);
    QColor text;
    QColor c = AnalogInputWorker::calcFrequencyColor(250, 1000, blue, red, yellow, &text);
    QCOMPARE(c, QColor(127, 0, 127, 255));
    QCOMPARE(text, QColor(255, 255, 255, 255));
    c = AnalogInputWorker::calcFrequencyColor(701, 1000, blue, red, yellow, &text);
    QCOMPARE(text, QColor(0, 0, 0, 255));
    QCOMPARE(c.red(), 255);
    QCOMPARE(c.green(), int(255 * 0.402)); // (701 - 500) / 500
    AnalogInputWorker::calcFrequencyColor(700, 1000, blue, red, yellow, &text);
    QCOMPARE(text, QColor(255, 255, 255, 255));
    // The ends and beyond.
    QCOMPARE(AnalogInputWorker::calcFrequencyColor(0, 300, blue, red, yellow, &text), blue);
    QCOMPARE(AnalogInputWorker::calcFrequencyColor(150, 300, blue, red, yellow, &text), red);
    QCOMPARE(AnalogInputWorker::calcFrequencyColor(300, 300, blue, red, yellow, &text), yellow);
    QCOMPARE(AnalogInputWorker::calcFrequencyColor(5000, 300, blue, red, yellow, &text), yellow);
    QCOMPARE(text, QColor(0, 0, 0, 255));
    // A scale without a middle divides by nothing.
    for (unsigned maxFreq : {0u, 1u}) {
        for (unsigned f : {0u, 1u, 400u}) {
            c = AnalogInputWorker::calcFrequencyColor(f, maxFreq, blue, red, yellow, &text);
            QVERIFY(c.isValid());
            QVERIFY(c == blue || c == red || c == yellow);
        }
    }
    // The text colour is optional.
    QCOMPARE(AnalogInputWorker::calcFrequencyColor(0, 1000, blue, red, yellow, nullptr), blue);
}

// ---------------------------------------------------------------------------
// Start, pause, stop

void TestAnalysis::captureStartsPausedAndTicksOnlyWhileResumed()
{
    AnalogInputWorker w;
    w.startCapture();
    QVERIFY(w.isCaptureStarted());
    QVERIFY(!w.isTickRunning());
    QCOMPARE(m_root->sysfsWrites(), QStringList({kEnable + " 0", kChannel + " 1", kLength + " 2048", kEnable + " 1"}));
    w.pauseCapture(false);
    QVERIFY(w.isTickRunning());
    w.pauseCapture(true);
    QVERIFY(!w.isTickRunning());
    w.pauseCapture(false);
    w.stopCapture();
    QVERIFY(!w.isTickRunning());
    QVERIFY(!w.isCaptureStarted());
    QCOMPARE(m_root->sysfsWritesTo(kEnable).last(), QStringLiteral("0"));
}

void TestAnalysis::pauseWithoutStartOnlyStopsTheTick()
{
    AnalogInputWorker w;
    QTest::ignoreMessage(QtDebugMsg,
                         "AnalogInputWorker::pauseCapture: Wurde aufgerufen, ohne zuvor startCapture auszuführen");
    w.pauseCapture(false);
    QVERIFY(!w.isTickRunning());
    w.startCapture();
    w.pauseCapture(false);
    w.stopCapture();
    QTest::ignoreMessage(QtDebugMsg,
                         "AnalogInputWorker::pauseCapture: Wurde aufgerufen, ohne zuvor startCapture auszuführen");
    w.pauseCapture(false);
    QVERIFY(!w.isTickRunning());
}

void TestAnalysis::resumeStartsAFreshHistory()
{
    AnalogInputWorker w;
    w.startCapture();
    for (int tick = 1; tick <= 6; ++tick)
        w.calculateData(sineBlock(500.0, 50));
    QVERIFY(lowestMinimum(w) < 1.0f);
    float before[1024];
    w.getFft(before);
    w.pauseCapture(false);
    w.pauseCapture(true); // before the first tick
    QCOMPARE(level(w), 0.0f);
    // The handed-out spectrum stays until the next tick.
    float after[1024];
    w.getFft(after);
    QCOMPARE(after[50], before[50]);
    // Three ticks until the minimum is valid again.
    for (int tick = 1; tick <= 3; ++tick) {
        w.calculateData(sineBlock(500.0, 50));
        QCOMPARE(lowestMinimum(w), 1.0f);
    }
    w.calculateData(sineBlock(500.0, 50));
    QVERIFY(lowestMinimum(w) < 1.0f);
    w.stopCapture();
}

void TestAnalysis::audioWorkerDrivesTheCapture()
{
    // The process-wide instances, as the screens use them.
    Audioworker()->startAudioRecording();
    QVERIFY(Analoginputworker()->isCaptureStarted());
    QVERIFY(!Analoginputworker()->isTickRunning());
    QCOMPARE(m_root->sysfsWritesTo(kEnable), QStringList({"0", "1"}));
    QVERIFY(Audioworker()->recordingStatus().paused);
    Audioworker()->pauseAudioRecording(false);
    QVERIFY(Analoginputworker()->isTickRunning());
    QVERIFY(!Audioworker()->recordingStatus().paused);
    Audioworker()->pauseAudioRecording(true);
    QVERIFY(!Analoginputworker()->isTickRunning());
    QVERIFY(Audioworker()->recordingStatus().paused);
    Audioworker()->pauseAudioRecording(false);
    QVERIFY(!Audioworker()->recordingStatus().paused);
    Audioworker()->stopAudioRecording();
    QVERIFY(!Analoginputworker()->isTickRunning());
    QVERIFY(!Analoginputworker()->isCaptureStarted());
    QCOMPARE(m_root->sysfsWritesTo(kEnable), QStringList({"0", "1", "0"}));
    QVERIFY(Audioworker()->recordingStatus().paused);
}

// ---------------------------------------------------------------------------
// Against the simulator's converter stream

void TestAnalysis::streamTones_data()
{
    QTest::addColumn<double>("frequency");
    QTest::addColumn<double>("amplitude");
    QTest::addColumn<quint32>("expectedFrequency");
    QTest::addColumn<float>("expectedDisplay");
    QTest::newRow("1000 Hz at 0.01") << 1000.0 << 0.01 << 1000u << 61.2f;
    QTest::newRow("500 Hz at 0.1") << 500.0 << 0.1 << 500u << 97.2f;
    QTest::newRow("300 Hz at 0.001") << 300.0 << 0.001 << 300u << 25.2f;
}

void TestAnalysis::streamTones()
{
    QFETCH(double, frequency);
    QFETCH(double, amplitude);
    QFETCH(quint32, expectedFrequency);
    QFETCH(float, expectedDisplay);
    Stream stream(*m_root);
    QVERIFY2(stream.isOpen(), qPrintable(stream.error()));
    QVERIFY(stream.source().setTone(frequency, amplitude));
    AnalogInputWorker w;
    w.startCapture();
    w.pauseCapture(false);
    QVERIFY(runTicks(w, 2));
    QCOMPARE(w.getSignificandFrequency(), expectedFrequency);
    const float display = AnalogInputWorker::audioLevelToDb(level(w));
    QVERIFY2(std::abs(display - expectedDisplay) <= 0.5f, qPrintable(QString::number(double(display))));
    w.stopCapture();
}

void TestAnalysis::streamSilence()
{
    Stream stream(*m_root);
    QVERIFY2(stream.isOpen(), qPrintable(stream.error()));
    stream.source().setSilence();
    AnalogInputWorker w;
    w.startCapture();
    w.pauseCapture(false);
    QVERIFY(runTicks(w, 5));
    float l = -1, p = -1, lowest = -1;
    w.getAudioLevel(&l, &p, &lowest);
    QCOMPARE(l, 0.0f);
    QCOMPARE(lowest, 1.0f);
    w.stopCapture();
}

void TestAnalysis::streamQuietNoise()
{
    Stream stream(*m_root);
    QVERIFY2(stream.isOpen(), qPrintable(stream.error()));
    stream.source().setSilence();
    QVERIFY(stream.source().setNoise(0.0001));
    AnalogInputWorker w;
    w.startCapture();
    w.pauseCapture(false);
    QVERIFY(runTicks(w, 3));
    QCOMPARE(level(w), AnalogInputWorker::kLevelFloor);
    QCOMPARE(lowestMinimum(w), 1.0f); // three ticks: not yet valid
    QVERIFY(runTicks(w, 1));
    QCOMPARE(lowestMinimum(w), AnalogInputWorker::kLevelFloor);
    w.stopCapture();
}

void TestAnalysis::streamMissingDeviceDoesNoHarm()
{
    AnalogInputWorker w;
    QSignalSpy requests(&w, &AnalogInputWorker::updateAinData);
    const float minimum = lowestMinimum(w);
    w.startCapture();
    w.pauseCapture(false);
    QVERIFY(runTicks(w, 1));
    // The empty block is no measurement: nothing moves.
    QCOMPARE(level(w), 0.0f);
    QCOMPARE(lowestMinimum(w), minimum);
    w.stopCapture();
}

void TestAnalysis::teardownWithAStalledStreamIsQuick()
{
    StalledDevice device(*m_root);
    QVERIFY(device.isValid());
    auto w = std::make_unique<AnalogInputWorker>();
    QSignalSpy requests(w.get(), &AnalogInputWorker::updateAinData);
    w->startCapture();
    w->pauseCapture(false);
    QTRY_COMPARE(requests.count(), 1);
    QTest::qWait(50); // the reader waits for data now
    // Only one request is ever outstanding, however long the stall.
    QTest::qWait(2 * AnalogInputWorker::kTickMs);
    QCOMPARE(requests.count(), 1);
    QElapsedTimer t;
    t.start();
    w.reset();
    // Well before the read would have given up by itself.
    QVERIFY2(t.elapsed() < AnalogInput::kReadTimeoutMs / 2, qPrintable(QString::number(t.elapsed())));
}

void TestAnalysis::simulatorProgramStream()
{
    const QString program = qEnvironmentVariable("TQ3900_SIM");
    if (program.isEmpty())
        QSKIP("TQ3900_SIM is not set");
    QProcess sim;
    sim.start(program, {QStringLiteral("--root"), m_root->root()});
    QVERIFY(sim.waitForStarted(3000));
    QByteArray out;
    QElapsedTimer t;
    t.start();
    while (!out.contains("ready\n") && t.elapsed() < 10000 && sim.state() == QProcess::Running) {
        sim.waitForReadyRead(100);
        out += sim.readAllStandardOutput();
    }
    QVERIFY2(out.contains("ready\n"), out.constData());
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(m_root->local(QStringLiteral("/dev/iio:device0"))).constData(), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));

    auto send = [&](const QString &command) {
        QProcess client;
        client.start(program, {QStringLiteral("--root"), m_root->root(), QStringLiteral("--send"), command});
        return client.waitForFinished(5000) && client.exitCode() == 0;
    };
    QVERIFY(send(QStringLiteral("signal tone 500 0.1")));
    QTRY_VERIFY(Sim::readBoardFile(m_root->root(), QStringLiteral("/.tq3900/control.log")).contains("< ok"));

    AnalogInputWorker w;
    w.startCapture();
    w.pauseCapture(false);
    QVERIFY(runTicks(w, 2));
    QCOMPARE(w.getSignificandFrequency(), 500u);
    QVERIFY(std::abs(AnalogInputWorker::audioLevelToDb(level(w)) - 97.2f) <= 0.5f);

    // Silence: exact zeros, no minimum.
    QVERIFY(send(QStringLiteral("signal silence")));
    w.pauseCapture(true);
    w.pauseCapture(false);
    QVERIFY(runTicks(w, 5));
    QCOMPARE(level(w), 0.0f);
    QCOMPARE(lowestMinimum(w), 1.0f);

    // With the buffer off the stream delivers nothing (from its next step on).
    w.stopCapture();
    QTest::qWait(100);
    AnalogInput reader;
    QSignalSpy spy(&reader, &AnalogInput::bufferUpdated);
    QTest::ignoreMessage(QtWarningMsg, "Error: No data from /dev/iio:device0");
    reader.updateBuffer();
    QCOMPARE(spy.count(), 1);
    QVERIFY(spy.at(0).at(0).toByteArray().isEmpty());

    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(m_root->local(QStringLiteral("/dev/iio:device0"))));
}

QTEST_GUILESS_MAIN(TestAnalysis)
#include "tst_analysis.moc"
