// The simulated converter: the signal generator, the "signal" control
// command, and the FIFO stream with its buffer/enable and buffer/length
// handling. (tst_analysis reads the stream of the tq3900-sim program.)

#include "analoginputworker.h"
#include "controlchannel.h"
#include "converterstream.h"
#include "devicetree.h"
#include "fiforeader.h"
#include "samples.h"
#include "signalgenerator.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <sys/stat.h>

using namespace Sim;

namespace {

const QString kEnable = QStringLiteral("/sys/bus/iio/devices/iio:device0/buffer/enable");
const QString kLength = QStringLiteral("/sys/bus/iio/devices/iio:device0/buffer/length");
} // namespace

class TestConverterStream : public QObject
{
    Q_OBJECT

private slots:
    void init();

    // Signal generator
    void toneHasItsAmplitudeAndFrequency();
    void phaseRunsOnAcrossCalls();
    void silenceIsExactZero();
    void noiseHasItsRms();
    void fullScaleClips();

    // The "signal" command
    void signalCommand_data();
    void signalCommand();
    void signalCommandSetsTheSource();

    // The stream
    void openCreatesAFifoAndCloseRemovesIt();
    void openReplacesAStaleFile();
    void nothingWhileTheBufferIsOff();
    void deliversAtTheSampleRate();
    void keepsAtMostTheBufferLength();
    void switchingOffDropsWhatIsQueued();
    void streamCarriesTheTone();

private:
    QTemporaryDir m_dir;
    QString m_root;
};

void TestConverterStream::init()
{
    static int n = 0;
    m_root = m_dir.path() + QStringLiteral("/root%1").arg(++n);
    QVERIFY(layoutDeviceTree(m_root));
}

// ---------------------------------------------------------------------------
// Signal generator

void TestConverterStream::toneHasItsAmplitudeAndFrequency()
{
    SignalSource source;
    QVERIFY(source.setTone(440.0, 0.5));
    SignalGenerator gen(source, 7670.0);
    const QVector<int> s = samplesOf(gen.generate(7670));
    QCOMPARE(s.size(), 7670);
    QVERIFY(std::abs(rmsOf(s) - 0.5 / std::sqrt(2.0)) < 1e-3);
    QVERIFY(std::abs(frequencyOf(s, 7670.0) - 440.0) < 1.0);
    QCOMPARE(*std::max_element(s.begin(), s.end()), 16384);
}

void TestConverterStream::phaseRunsOnAcrossCalls()
{
    SignalSource source;
    QVERIFY(source.setTone(1234.5, 0.3));
    QVERIFY(source.setNoise(0.01));
    SignalGenerator whole(source, 7670.0), split(source, 7670.0);
    const QByteArray a = whole.generate(1000);
    QByteArray b = split.generate(333);
    b += split.generate(1);
    b += split.generate(666);
    QCOMPARE(a, b);
    // A frequency change keeps the phase: no jump larger than one step of
    // the new tone.
    QVERIFY(source.setTone(100.0, 0.3));
    QVERIFY(source.setNoise(0.0));
    SignalGenerator g(source, 7670.0);
    QVERIFY(source.setTone(1000.0, 0.3));
    QVector<int> s = samplesOf(g.generate(50));
    QVERIFY(source.setTone(300.0, 0.3));
    s += samplesOf(g.generate(50));
    const double maxStep = 2.0 * M_PI * 1000.0 / 7670.0 * 0.3 * 32768.0;
    for (int i = 1; i < s.size(); ++i)
        QVERIFY2(std::abs(s[i] - s[i - 1]) <= maxStep + 1.0, qPrintable(QString::number(i)));
}

void TestConverterStream::silenceIsExactZero()
{
    SignalSource source;
    source.setSilence();
    SignalGenerator gen(source, 16000.0);
    const QByteArray bytes = gen.generate(4000);
    QCOMPARE(bytes.size(), 8000);
    QCOMPARE(bytes.count('\0'), 8000);
    QVERIFY(gen.generate(0).isEmpty());
    QVERIFY(gen.generate(-5).isEmpty());
}

void TestConverterStream::noiseHasItsRms()
{
    SignalSource source;
    source.setSilence();
    QVERIFY(source.setNoise(0.0001));
    SignalGenerator gen(source, 7670.0);
    const QVector<int> s = samplesOf(gen.generate(20000));
    QVERIFY2(std::abs(rmsOf(s) - 0.0001) < 0.00001, qPrintable(QString::number(rmsOf(s))));

    // Repeating every 1024 samples, across calls of any length: each block
    // holds the first one's noise again (a tone of 64 periods in them with
    // it); without the repeat the next block is new noise.
    QVERIFY(source.setNoise(0.001));
    QVERIFY(source.setTone(7670.0 / 16, 0.01));
    QVERIFY(source.setNoiseRepeat(1024));
    SignalGenerator repeating(source, 7670.0);
    QByteArray bytes = repeating.generate(1000);
    bytes += repeating.generate(2072);
    QCOMPARE(bytes.mid(2048, 2048), bytes.left(2048));
    QCOMPARE(bytes.mid(4096, 2048), bytes.left(2048));
    QVERIFY(source.setNoiseRepeat(0));
    SignalGenerator free(source, 7670.0);
    const QByteArray running = free.generate(2048);
    QCOMPARE(running.left(2048), bytes.left(2048)); // the same seed
    QVERIFY(free.generate(1024) != bytes.left(2048));
    QVERIFY(!source.setNoiseRepeat(-1));
}

void TestConverterStream::fullScaleClips()
{
    SignalSource source;
    QVERIFY(source.setTone(50.0, 1.0));
    QVERIFY(source.setNoise(0.5));
    SignalGenerator gen(source, 7670.0);
    const QVector<int> s = samplesOf(gen.generate(5000));
    QCOMPARE(*std::max_element(s.begin(), s.end()), 32767);
    QCOMPARE(*std::min_element(s.begin(), s.end()), -32768);
}

// ---------------------------------------------------------------------------
// The "signal" command

void TestConverterStream::signalCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("reply");
    const QString usage = QStringLiteral("error: usage: signal [tone <Hz 0-8000> <amplitude 0-1> | noise <rms 0-1> | "
                                         "level <0-99> | silence | repeat <samples 0-1048576>]");
    QTest::newRow("status") << "signal" << "tone 1000 Hz amplitude 0.01 noise 0";
    QTest::newRow("tone") << "signal tone 500 0.1" << "ok";
    QTest::newRow("tone fractions") << "signal tone 312.5 0.0005" << "ok";
    QTest::newRow("noise") << "signal noise 0.0001" << "ok";
    QTest::newRow("silence") << "signal silence" << "ok";
    QTest::newRow("noise repeat") << "signal repeat 1024" << "ok";
    QTest::newRow("noise repeat off") << "signal repeat 0" << "ok";
    QTest::newRow("negative repeat") << "signal repeat -1" << usage;
    QTest::newRow("repeat not a number") << "signal repeat x" << usage;
    QTest::newRow("tone too high") << "signal tone 9000 0.1" << usage;
    QTest::newRow("negative amplitude") << "signal tone 500 -0.1" << usage;
    QTest::newRow("amplitude above 1") << "signal tone 500 1.5" << usage;
    QTest::newRow("tone without amplitude") << "signal tone 500" << usage;
    QTest::newRow("not a number") << "signal tone abc 0.1" << usage;
    QTest::newRow("nan") << "signal noise nan" << usage;
    QTest::newRow("noise too large") << "signal noise 2" << usage;
    QTest::newRow("silence with argument") << "signal silence 1" << usage;
    QTest::newRow("unknown") << "signal loud" << usage;
    QTest::newRow("level") << "signal level 55.5" << "ok";
    QTest::newRow("level above 99") << "signal level 100" << usage;
}

void TestConverterStream::signalCommand()
{
    QFETCH(QString, command);
    QFETCH(QString, reply);
    SignalSource source;
    ControlChannel channel(m_root);
    source.registerCommands(channel);
    QCOMPARE(channel.execute(command), reply);
}

void TestConverterStream::signalCommandSetsTheSource()
{
    SignalSource source;
    ControlChannel channel(m_root);
    source.registerCommands(channel);
    QCOMPARE(channel.execute(QStringLiteral("signal tone 500 0.1")), QStringLiteral("ok"));
    QCOMPARE(source.settings().frequency, 500.0);
    QCOMPARE(source.settings().amplitude, 0.1);
    QCOMPARE(channel.execute(QStringLiteral("signal noise 0.02")), QStringLiteral("ok"));
    QCOMPARE(source.settings().noise, 0.02);
    QCOMPARE(channel.execute(QStringLiteral("signal")), QStringLiteral("tone 500 Hz amplitude 0.1 noise 0.02"));
    QCOMPARE(channel.execute(QStringLiteral("signal repeat 1024")), QStringLiteral("ok"));
    QCOMPARE(source.settings().noiseRepeat, 1024);
    QCOMPARE(channel.execute(QStringLiteral("signal")),
             QStringLiteral("tone 500 Hz amplitude 0.1 noise 0.02 repeating every 1024"));
    channel.execute(QStringLiteral("signal repeat -1"));
    QCOMPARE(source.settings().noiseRepeat, 1024);
    // A refused command changes nothing.
    channel.execute(QStringLiteral("signal tone 500 7"));
    QCOMPARE(source.settings().amplitude, 0.1);
    QCOMPARE(channel.execute(QStringLiteral("signal silence")), QStringLiteral("ok"));
    QCOMPARE(source.settings().amplitude, 0.0);
    QCOMPARE(source.settings().noise, 0.0);
    QCOMPARE(source.settings().frequency, 500.0);
    QVERIFY(channel.hasCommand(QStringLiteral("signal")));

    // A display level: from silence noise alone, then tone and noise scaled
    // together, so that the instrument's scale shows that level.
    QCOMPARE(channel.execute(QStringLiteral("signal level 40")), QStringLiteral("ok"));
    QCOMPARE(source.settings().amplitude, 0.0);
    QVERIFY(qAbs(AnalogInputWorker::audioLevelToDb(float(source.settings().noise)) - 40.0f) < 0.01f);
    channel.execute(QStringLiteral("signal tone 500 0.02"));
    channel.execute(QStringLiteral("signal noise 0.01"));
    QCOMPARE(channel.execute(QStringLiteral("signal level 61")), QStringLiteral("ok"));
    QVERIFY(qAbs(AnalogInputWorker::audioLevelToDb(float(source.rms())) - 61.0f) < 0.01f);
    QVERIFY(qAbs(source.settings().amplitude / source.settings().noise - 2.0) < 1e-9);
    QCOMPARE(channel.execute(QStringLiteral("signal level 0")), QStringLiteral("ok"));
    QCOMPARE(source.rms(), 0.0);
}

// ---------------------------------------------------------------------------
// The stream

void TestConverterStream::openCreatesAFifoAndCloseRemovesIt()
{
    SignalSource source;
    ConverterStream stream(m_root, source);
    QString error;
    QVERIFY2(stream.open(&error), qPrintable(error));
    struct stat st;
    const QByteArray path = QFile::encodeName(ConverterStream::devicePath(m_root));
    QCOMPARE(::stat(path.constData(), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));
    // The program's open returns at once: the stream holds a writer.
    FifoReader reader(ConverterStream::devicePath(m_root));
    QVERIFY(reader.isOpen());
    stream.close();
    QVERIFY(!QFileInfo::exists(ConverterStream::devicePath(m_root)));
    stream.close();
}

void TestConverterStream::openReplacesAStaleFile()
{
    QVERIFY(writeBoardFile(m_root, QStringLiteral("/dev/iio:device0"), "stale"));
    SignalSource source;
    ConverterStream stream(m_root, source);
    QVERIFY(stream.open());
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(ConverterStream::devicePath(m_root)).constData(), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));
}

void TestConverterStream::nothingWhileTheBufferIsOff()
{
    QVERIFY(writeBoardFile(m_root, kEnable, "0"));
    SignalSource source;
    ConverterStream stream(m_root, source);
    QVERIFY(stream.open());
    FifoReader reader(ConverterStream::devicePath(m_root));
    QTest::qWait(200);
    QVERIFY(!stream.isEnabled());
    QCOMPARE(reader.queued(), 0);
    QVERIFY(reader.read().isEmpty());
}

void TestConverterStream::deliversAtTheSampleRate()
{
    QVERIFY(writeBoardFile(m_root, kLength, "16384"));
    QVERIFY(writeBoardFile(m_root, kEnable, "1"));
    SignalSource source;
    ConverterStream stream(m_root, source);
    QVERIFY(stream.open());
    FifoReader reader(ConverterStream::devicePath(m_root));
    QVERIFY(stream.isEnabled());
    QElapsedTimer t;
    t.start();
    qint64 got = 0;
    while (t.elapsed() < 1000) {
        QTest::qWait(50);
        got += reader.read().size() / 2;
    }
    QTest::qWait(ConverterStream::kStepMs * 2);
    got += reader.read().size() / 2;
    const double expected = ConverterStream::kSampleRate * t.elapsed() / 1000.0;
    QVERIFY2(std::abs(got - expected) < ConverterStream::kSampleRate * 0.05,
             qPrintable(QStringLiteral("%1 samples, %2 expected").arg(got).arg(expected)));
    QCOMPARE(stream.samplesDelivered(), got);
}

void TestConverterStream::keepsAtMostTheBufferLength()
{
    QVERIFY(writeBoardFile(m_root, kLength, "512"));
    QVERIFY(writeBoardFile(m_root, kEnable, "1"));
    SignalSource source;
    QVERIFY(source.setTone(100.0, 0.5));
    ConverterStream stream(m_root, source);
    QVERIFY(stream.open());
    FifoReader reader(ConverterStream::devicePath(m_root));
    QTest::qWait(400); // some 3000 samples due
    QCOMPARE(reader.queued(), 1024);
    // The newest are kept: one continuous stretch of the tone, still aligned.
    const QVector<int> s = samplesOf(reader.read());
    QCOMPARE(s.size(), 512);
    const double maxStep = 2.0 * M_PI * 100.0 / 7670.0 * 0.5 * 32768.0;
    for (int i = 1; i < s.size(); ++i)
        QVERIFY2(std::abs(s[i] - s[i - 1]) <= maxStep + 1.0, qPrintable(QString::number(i)));

    // The length is read on switching on; one that is no number counts as
    // 2048.
    QVERIFY(writeBoardFile(m_root, kEnable, "0"));
    stream.step();
    QVERIFY(writeBoardFile(m_root, kLength, "many"));
    QVERIFY(writeBoardFile(m_root, kEnable, "1"));
    stream.step();
    QTest::qWait(500);
    QCOMPARE(reader.queued(), 4096);
}

void TestConverterStream::switchingOffDropsWhatIsQueued()
{
    QVERIFY(writeBoardFile(m_root, kEnable, "1"));
    SignalSource source;
    ConverterStream stream(m_root, source);
    QVERIFY(stream.open());
    FifoReader reader(ConverterStream::devicePath(m_root));
    QTRY_VERIFY(reader.queued() > 0);
    QVERIFY(writeBoardFile(m_root, kEnable, "0"));
    QTRY_VERIFY(!stream.isEnabled());
    QCOMPARE(reader.queued(), 0);
    QTest::qWait(100);
    QCOMPARE(reader.queued(), 0);
    // On again: a fresh start.
    QVERIFY(writeBoardFile(m_root, kEnable, "1"));
    QTRY_VERIFY(reader.queued() > 0);
    QVERIFY(stream.samplesDelivered() < ConverterStream::kSampleRate);
}

void TestConverterStream::streamCarriesTheTone()
{
    QVERIFY(writeBoardFile(m_root, kLength, "2048"));
    QVERIFY(writeBoardFile(m_root, kEnable, "1"));
    SignalSource source;
    QVERIFY(source.setTone(1000.0, 0.01));
    ConverterStream stream(m_root, source);
    QVERIFY(stream.open());
    FifoReader reader(ConverterStream::devicePath(m_root));
    QTest::qWait(300);
    const QVector<int> s = samplesOf(reader.read(2048));
    QCOMPARE(s.size(), 1024);
    QVERIFY(std::abs(rmsOf(s) - 0.01 / std::sqrt(2.0)) < 0.0005);
    QVERIFY(std::abs(frequencyOf(s, 7670.0) - 1000.0) < 20.0);
}

QTEST_GUILESS_MAIN(TestConverterStream)
#include "tst_converterstream.moc"
