// The recording against the simulated board: the simulator's microphone
// stream on its own, then AudioWorker recording what the simulator plays
// (the clip is compared with the signal the test computes itself), the
// "signal" command, and the process ending while it records.
#include "analoginputworker.h"
#include "audioworker.h"
#include "backgroundrecording.h"
#include "fiforeader.h"
#include "microphonestream.h"
#include "samples.h"
#include "signalgenerator.h"
#include "simboard.h"
#include "testroot.h"
#include "tst_recording_wav.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

const char kChildVariable[] = "TQ3900_RECORDING_EXIT_CHILD";
const QString kFolder = QStringLiteral("/home/root/meas/wav_temp");

// The sound the simulator's microphone makes from its first noise sample
// on, for noise alone: what the test expects to find in the clips.
QByteArray noiseReference(double rms, qint64 samples)
{
    Sim::SignalSource source;
    source.setTone(1000.0, 0.0);
    source.setNoise(rms);
    Sim::SignalGenerator generator(source, Sim::MicrophoneStream::kSampleRate);
    return generator.generate(int(samples));
}

// The child process: records with the simulator running and leaves main()
// while recording and playing; the worker is torn down at the process end.
int recordAndExit(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString root = qEnvironmentVariable("TQ3900_ROOT");
    // Made before the worker, so destroyed after it: the microphone keeps
    // delivering until the very end.
    static SimBoard board(root);
    if (!board.isRunning())
        return 3;
    Audioworker()->startAudioRecording();
    Audioworker()->pauseAudioRecording(false);
    QTimer::singleShot(1500, &app, [] {
        if (Audioworker()->storeAudioData(QStringLiteral("LE_sound")) != 0)
            QCoreApplication::exit(4);
        Audioworker()->startAudioPlayback(QStringLiteral("/home/root/meas/wav_temp/LE_sound.wav"));
        QTimer::singleShot(200, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
    });
    return app.exec();
}

} // namespace

class TestRecordingSim : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // The simulator's microphone
    void streamDeliversTheSignalInRealTime();
    void streamKeepsTwoSecondsAtMost();
    void streamIsPartOfTheSimulator();

    // Recording what the simulator plays
    void tenSecondsOfSimulatedInput();
    void signalCommandReachesRecordingAndAnalysis();
    void exitWhileRecordingReturnsZero();

private:
    std::unique_ptr<TestRoot> m_root;
};

void TestRecordingSim::init()
{
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
}

void TestRecordingSim::cleanup()
{
    Analoginputworker()->stopCapture();
    m_root.reset();
}

// ---------------------------------------------------------------------------

void TestRecordingSim::streamDeliversTheSignalInRealTime()
{
    Sim::SignalSource source;
    QVERIFY(source.setNoise(0.1));
    Sim::MicrophoneStream stream(m_root->root(), source);
    QVERIFY(stream.open());
    QVERIFY(QFileInfo(Sim::MicrophoneStream::devicePath(m_root->root())).exists());
    FifoReader reader(Sim::MicrophoneStream::devicePath(m_root->root()));
    QVERIFY(reader.isOpen());
    QElapsedTimer clock;
    clock.start();
    QByteArray got;
    while (clock.elapsed() < 1000) {
        QTest::qWait(20);
        got += reader.readAll();
    }
    // 32000 bytes a second, whole samples, exactly the generator's sound
    // from the start.
    QVERIFY2(got.size() > 28000 && got.size() < 36000, qPrintable(QString::number(got.size())));
    QCOMPARE(got.size() % 2, 0);
    Sim::SignalGenerator reference(source, 16000);
    QVERIFY(got == reference.generate(got.size() / 2));
    QCOMPARE(stream.bytesDropped(), qint64(0));
    stream.close();
    QVERIFY(!QFileInfo::exists(Sim::MicrophoneStream::devicePath(m_root->root())));
    stream.close(); // twice is harmless
}

void TestRecordingSim::streamKeepsTwoSecondsAtMost()
{
    Sim::SignalSource source;
    QVERIFY(source.setNoise(0.1));
    // A stale plain file in its place is replaced.
    QVERIFY(m_root->write("/dev/microphone", "stale"));
    Sim::MicrophoneStream stream(m_root->root(), source);
    QVERIFY(stream.open());
    FifoReader reader(Sim::MicrophoneStream::devicePath(m_root->root()));
    QTest::qWait(2600);
    // Nobody read: two seconds wait, the oldest were dropped, and what waits
    // is the newest sound.
    QCOMPARE(reader.queued(), Sim::MicrophoneStream::kMaxQueuedBytes);
    QVERIFY(stream.bytesDropped() > 0);
    const QByteArray waiting = reader.readAll();
    Sim::SignalGenerator reference(source, 16000);
    const QByteArray all = reference.generate(int(stream.samplesProduced()));
    QVERIFY(waiting == all.right(waiting.size()));
}

void TestRecordingSim::streamIsPartOfTheSimulator()
{
    {
        SimBoard board(m_root->root());
        QVERIFY2(board.isRunning(), qPrintable(board.error()));
        FifoReader reader(Sim::MicrophoneStream::devicePath(m_root->root()));
        QVERIFY(reader.isOpen());
        QTRY_VERIFY(reader.queued() > 0);
    }
    // Stopping the simulator removes the FIFO.
    QVERIFY(!m_root->exists("/dev/microphone"));
}

// ---------------------------------------------------------------------------

void TestRecordingSim::tenSecondsOfSimulatedInput()
{
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    AudioWorker worker;
    QCOMPARE(board.send("signal tone 1000 0"), QStringLiteral("ok"));
    QCOMPARE(board.send("signal noise 0.2"), QStringLiteral("ok"));
    QElapsedTimer sinceNoise;
    sinceNoise.start();

    worker.startAudioRecording();
    QTest::qWait(300);
    worker.pauseAudioRecording(false);
    worker.recordingStatus();
    QTest::qWait(10800);
    const double storedAt = sinceNoise.elapsed() / 1000.0;
    QCOMPARE(worker.storeAudioData("LE_sound"), 0);
    const QByteArray first = m_root->read(kFolder + "/LE_sound.wav");
    QCOMPARE(first.size(), 320044);
    checkHeader(first);
    checkWithSox(m_root->local(kFolder + "/LE_sound.wav"), 160000);
    // The rest of the window stays queued for the next store.
    QVERIFY(worker.recordingStatus().queuedChunks > 0);
    QCOMPARE(worker.storeAudioData("PP_Sound_1"), 0);
    const QByteArray second = m_root->read(kFolder + "/PP_Sound_1.wav");
    checkHeader(second);
    QVERIFY(second.size() > 44);
    checkWithSox(m_root->local(kFolder + "/PP_Sound_1.wav"), (second.size() - 44) / 2);
    worker.stopAudioRecording();

    // The clip is the oldest sound of the window, which held the newest
    // 330000 bytes when the store came: it holds the simulator's noise from
    // there on, without a gap.
    const QByteArray reference =
        noiseReference(0.2, (sinceNoise.elapsed() + 1000) * Sim::MicrophoneStream::kSampleRate / 1000);
    const QByteArray data = first.mid(44);
    const int at = reference.indexOf(data.left(64));
    QVERIFY2(at >= 0 && at % 2 == 0, qPrintable(QString::number(at)));
    QVERIFY(reference.mid(at, data.size()) == data);
    const double startsAt = at / 32000.0;
    const double windowStart = storedAt - 330000 / 32000.0;
    QVERIFY2(std::abs(startsAt - windowStart) < 0.25,
             qPrintable(QStringLiteral("%1 / %2").arg(startsAt).arg(windowStart)));
    // The second clip goes on after the first, past the rest of the chunk
    // the first one cut, again without a gap.
    const QByteArray rest = second.mid(44);
    const int restAt = reference.indexOf(rest.left(64), at);
    QVERIFY2(restAt >= at + 320000 && restAt - (at + 320000) < 32000, qPrintable(QString::number(restAt - at)));
    QVERIFY(reference.mid(restAt, rest.size()) == rest);
}

void TestRecordingSim::signalCommandReachesRecordingAndAnalysis()
{
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    AudioWorker worker;
    QCOMPARE(board.send("signal silence"), QStringLiteral("ok"));
    worker.startAudioRecording();
    worker.pauseAudioRecording(false);
    QTest::qWait(500);
    QCOMPARE(worker.storeAudioData("LE_sound"), 0);
    QByteArray clip = m_root->read(kFolder + "/LE_sound.wav").mid(44);
    QVERIFY(clip.size() > 8000);
    QCOMPARE(clip, QByteArray(clip.size(), '\0'));

    // The tone reaches the recording and, in step, the analysis of the
    // converter stream.
    QCOMPARE(board.send("signal tone 1000 0.5"), QStringLiteral("ok"));
    worker.pauseAudioRecording(false);
    QTest::qWait(1200);
    QVERIFY(Analoginputworker()->isTickRunning());
    QCOMPARE(worker.storeAudioData("LE_sound"), 0);
    clip = m_root->read(kFolder + "/LE_sound.wav").mid(44);
    const QVector<int> samples = samplesOf(clip);
    QVERIFY(samples.size() > 12000);
    QVERIFY2(std::abs(rmsOf(samples) - 0.5 / std::sqrt(2.0)) < 0.01, qPrintable(QString::number(rmsOf(samples))));
    QVERIFY2(std::abs(frequencyOf(samples, 16000) - 1000.0) < 5.0,
             qPrintable(QString::number(frequencyOf(samples, 16000))));
    QTRY_COMPARE(Analoginputworker()->getSignificandFrequency(), 1000u);
    worker.stopAudioRecording();
    QVERIFY(!Analoginputworker()->isTickRunning());
}

void TestRecordingSim::exitWhileRecordingReturnsZero()
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kChildVariable), QStringLiteral("1"));
    env.insert(QStringLiteral("TQ3900_ROOT"), m_root->root());
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer clock;
    clock.start();
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(child.waitForStarted(5000));
    QVERIFY(child.waitForFinished(30000));
    const QByteArray output = child.readAll();
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QVERIFY2(child.exitCode() == 0, output.right(3000).constData());
    // 1.7 s of its own; the rest is the start and end of a process.
    QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!output.contains("did not stop"));
    // It stored while recording, and the playback was still running when the
    // recording was deleted at the end.
    QCOMPARE(m_root->read(kFolder + "/LE_sound.wav").size() > 44, true);
    const QStringList playback = m_root->journal(QStringLiteral("playback.log"));
    QCOMPARE(playback.size(), 2);
    QVERIFY(playback.first().startsWith("play /home/root/meas/wav_temp/LE_sound.wav "));
    QVERIFY(playback.last().startsWith("stop "));
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet(kChildVariable))
        return recordAndExit(argc, argv);
    QCoreApplication app(argc, argv);
    TestRecordingSim test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recording_sim.moc"
