// The background recording through AudioWorker on a device root, fed by a
// microphone FIFO that the test writes itself, so that every chunk is known:
// the queue and its limits, start, pause and resume, the WAV clips and
// their names, failing stores, playback through the journalling output,
// and the teardown; and the board's devices through the sound module, which
// a recording under a device root never loads. (tst_recording_sim runs it
// against the simulator; tst_analysis checks that start, pause and stop
// drive the capture.)
#include "analoginputworker.h"
#include "audioworker.h"
#include "backgroundrecording.h"
#include "fifoaudioinput.h"
#include "mediabackend.h"
#include "medialibrary.h"
#include "micwriter.h"
#include "qtaudiodevices.h"
#include "testroot.h"
#include "tst_recording_wav.h"
#include "usbstorage.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QtEndian>
#include <QtTest>

#include <csignal>
#include <dlfcn.h>
#include <fcntl.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kFolder = QStringLiteral("/home/root/meas/wav_temp");

// Whether a library of that name is mapped into this process.
bool mapped(const char *name)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(name);
}

} // namespace

class TestRecording : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // Plain functions
    void wavHeader();
    void deviceChoice_data();
    void deviceChoice();

    // Queue and store
    void storeRightAfterStartIsHeaderOnly();
    void queueKeepsTheNewestWindowAndStoreTakesTheOldest();
    void storeCutsTheChunkThatPassesTenSeconds();
    void resumesStartEmptyAndPauseKeepsTheQueue();
    void startEmptiesTheQueueAndStopKeepsIt();
    void missingMicrophoneRecordsNothing();
    void writerGoneStopsTheInput();

    // Files
    void namesAreTrimmed();
    void missingFolderIsCreated();
    void unwritableFolderFailsVisibly();
    void fullPartitionFailsVisibly();
    void copyRightAfterStoreIsComplete();

    // Playback
    void playbackSkipsTheHeaderAndRunsToItsEnd();
    void playbackStopsOnlyWhileActive();
    void playbackOfMissingOrForeignFiles();

    // Teardown
    void teardownWhileRecordingAndPlayingIsQuick();

    // The board's devices through the sound module
    void missingSoundModuleIsAnOpenError_data();
    void missingSoundModuleIsAnOpenError();
    void soundModuleLoadsOnlyForTheBoardsDevices();

private:
    // Writes one chunk and waits until the recording has taken it.
    void feed(MicWriter &mic, const QByteArray &chunk);
    QByteArray clip(const QString &name) const { return m_root->read(kFolder + "/" + name + ".wav"); }
    QStringList playback() const { return m_root->journal(QStringLiteral("playback.log")); }
    // The files the program holds open in the clips' folder (the simulated
    // board's unmount sees them as the kernel would).
    QStringList clipsOpen() const
    {
        return Sim::UsbStorage::heldUnder(QCoreApplication::applicationPid(), m_root->local(kFolder));
    }

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<AudioWorker> m_worker;
};

void TestRecording::init()
{
    m_worker.reset();
    m_root.reset();
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    m_worker = std::make_unique<AudioWorker>();
    // The worker's thread has built its input and output, and logged so,
    // before the function starts: QtTest's list of expected messages must
    // not be read from that thread while a function ends and clears it.
    m_worker->recordingStatus();
}

void TestRecording::cleanup()
{
    m_worker.reset();
    Analoginputworker()->stopCapture();
    m_root.reset();
}

void TestRecording::feed(MicWriter &mic, const QByteArray &chunk)
{
    // Requests are queued: sound that arrives before a resume is carried
    // out is still thrown away, as on the board. Wait for them first.
    m_worker->recordingStatus();
    QVERIFY(mic.write(chunk));
    QTRY_COMPARE_WITH_TIMEOUT(mic.queued(), 0, 5000);
}

// ---------------------------------------------------------------------------

void TestRecording::wavHeader()
{
    const QByteArray empty = BackgroundRecording::wavHeader(0);
    QCOMPARE(empty.size(), 44);
    checkHeader(empty);
    QCOMPARE(le32(empty, 4), 36u);
    QCOMPARE(le32(empty, 40), 0u);
    const QByteArray full = BackgroundRecording::wavHeader(320000);
    QCOMPARE(le32(full, 4), 320036u);
    QCOMPARE(le32(full, 40), 320000u);
    QCOMPARE(full.mid(8), empty.mid(8, 32) + full.mid(40));
}

void TestRecording::deviceChoice_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("chosen");
    QTest::newRow("none: the default") << QStringList({"default", "hw:CARD=x", "plughw:0"}) << -1;
    QTest::newRow("empty list") << QStringList() << -1;
    QTest::newRow("one") << QStringList({"default", "sysdefault:CARD=tlv320aic3x"}) << 1;
    QTest::newRow("two: the later one") << QStringList({"sysdefault:CARD=a", "default", "sysdefault:CARD=b", "hw"})
                                        << 2;
    QTest::newRow("case and position count") << QStringList({"SysDefault", "x sysdefault", "sysdefault"}) << 2;
}

void TestRecording::deviceChoice()
{
    QFETCH(QStringList, names);
    QFETCH(int, chosen);
    QCOMPARE(BackgroundRecording::chooseDevice(names), chosen);
}

// ---------------------------------------------------------------------------

void TestRecording::storeRightAfterStartIsHeaderOnly()
{
    MicWriter mic(*m_root);
    QVERIFY(mic.isOpen());
    m_worker->startAudioRecording();
    // Sound while paused is read and thrown away.
    feed(mic, chunkOf(1, 3200));
    const BackgroundRecording::Status s = m_worker->recordingStatus();
    QVERIFY(s.inputRunning);
    QVERIFY(s.paused);
    QCOMPARE(s.queuedChunks, 0);

    QCOMPARE(m_worker->storeAudioData("LE_sound"), 0);
    const QByteArray file = clip("LE_sound");
    QCOMPARE(file.size(), 44);
    checkHeader(file);
    QCOMPARE(le32(file, 4), 36u);
    QCOMPARE(le32(file, 40), 0u);
    checkWithSox(m_root->local(kFolder + "/LE_sound.wav"), 0);
}

void TestRecording::queueKeepsTheNewestWindowAndStoreTakesTheOldest()
{
    MicWriter mic(*m_root);
    m_worker->startAudioRecording();
    m_worker->pauseAudioRecording(false);
    // 103 chunks of 3200 bytes are 329600: no drop yet.
    for (int k = 1; k <= 103; ++k)
        feed(mic, chunkOf(k, 3200));
    BackgroundRecording::Status s = m_worker->recordingStatus();
    QCOMPARE(s.queuedChunks, 103);
    QCOMPARE(s.recordedBytes, 329600);
    // From the 104th on (332800 > 330000) each chunk displaces the oldest.
    for (int k = 104; k <= 110; ++k)
        feed(mic, chunkOf(k, 3200));
    s = m_worker->recordingStatus();
    QCOMPARE(s.queuedChunks, 103);
    QCOMPARE(s.queuedBytes, qint64(329600));
    QCOMPARE(s.recordedBytes, 352000);

    // The oldest ten seconds: chunks 8 to 107.
    m_worker->pauseAudioRecording(true);
    QCOMPARE(m_worker->storeAudioData("LE_sound"), 0);
    QByteArray expected;
    for (int k = 8; k <= 107; ++k)
        expected += chunkOf(k, 3200);
    QByteArray file = clip("LE_sound");
    QCOMPARE(file.size(), 320044);
    checkHeader(file);
    QVERIFY(file.mid(44) == expected);
    checkWithSox(m_root->local(kFolder + "/LE_sound.wav"), 160000);
    s = m_worker->recordingStatus();
    QCOMPARE(s.queuedChunks, 3);
    QCOMPARE(s.recordedBytes, 0);

    // The newest chunks wait for the next store.
    QCOMPARE(m_worker->storeAudioData("PP_Sound_1"), 0);
    file = clip("PP_Sound_1");
    QCOMPARE(file.size(), 44 + 9600);
    QVERIFY(file.mid(44) == chunkOf(108, 3200) + chunkOf(109, 3200) + chunkOf(110, 3200));
    // Now empty: a header only.
    QCOMPARE(m_worker->storeAudioData("PP_Sound_2"), 0);
    QCOMPARE(clip("PP_Sound_2").size(), 44);
}

void TestRecording::storeCutsTheChunkThatPassesTenSeconds()
{
    MicWriter mic(*m_root);
    m_worker->startAudioRecording();
    m_worker->pauseAudioRecording(false);
    for (int k = 1; k <= 12; ++k)
        feed(mic, chunkOf(k, 30000));
    // The twelfth passed 330000 and displaced the first.
    BackgroundRecording::Status s = m_worker->recordingStatus();
    QCOMPARE(s.queuedChunks, 11);
    QCOMPARE(s.recordedBytes, 360000);
    QCOMPARE(m_worker->storeAudioData("LE_sound"), 0);
    QByteArray expected;
    for (int k = 2; k <= 11; ++k)
        expected += chunkOf(k, 30000);
    expected += chunkOf(12, 30000).left(20000);
    const QByteArray file = clip("LE_sound");
    QCOMPARE(file.size(), 320044);
    checkHeader(file);
    QVERIFY(file.mid(44) == expected);
    // The cut chunk is used up; the counter starts again.
    s = m_worker->recordingStatus();
    QCOMPARE(s.queuedChunks, 0);
    QCOMPARE(s.recordedBytes, 0);
    // Still collecting after the store.
    feed(mic, chunkOf(13, 3200));
    s = m_worker->recordingStatus();
    QCOMPARE(s.queuedChunks, 1);
    QCOMPARE(s.recordedBytes, 3200);
    // Dropping starts again only after another 330000 bytes.
    for (int k = 14; k <= 24; ++k)
        feed(mic, chunkOf(k, 30000));
    s = m_worker->recordingStatus();
    QCOMPARE(s.queuedChunks, 11);
    QCOMPARE(s.recordedBytes, 333200);
}

void TestRecording::resumesStartEmptyAndPauseKeepsTheQueue()
{
    MicWriter mic(*m_root);
    m_worker->startAudioRecording();
    for (int resume = 1; resume <= 3; ++resume) {
        m_worker->pauseAudioRecording(false);
        const BackgroundRecording::Status s = m_worker->recordingStatus();
        QCOMPARE(s.queuedChunks, 0);
        QCOMPARE(s.recordedBytes, 0);
        QVERIFY(!s.paused);
        for (int k = 0; k < resume; ++k)
            feed(mic, chunkOf(resume * 10 + k, 3200));
        QCOMPARE(m_worker->recordingStatus().queuedChunks, resume);
    }
    // The last window holds chunks 30 to 32; a pause keeps them, and what
    // comes in meanwhile is thrown away.
    m_worker->pauseAudioRecording(true);
    feed(mic, chunkOf(40, 3200));
    feed(mic, chunkOf(41, 3200));
    const BackgroundRecording::Status s = m_worker->recordingStatus();
    QVERIFY(s.paused);
    QCOMPARE(s.queuedChunks, 3);
    QCOMPARE(m_worker->storeAudioData("LE_sound"), 0);
    QVERIFY(clip("LE_sound").mid(44) == chunkOf(30, 3200) + chunkOf(31, 3200) + chunkOf(32, 3200));
}

void TestRecording::startEmptiesTheQueueAndStopKeepsIt()
{
    MicWriter mic(*m_root);
    m_worker->startAudioRecording();
    m_worker->pauseAudioRecording(false);
    feed(mic, chunkOf(1, 3200));
    feed(mic, chunkOf(2, 3200));
    m_worker->stopAudioRecording();
    BackgroundRecording::Status s = m_worker->recordingStatus();
    QVERIFY(!s.inputRunning);
    QVERIFY(s.paused);
    QCOMPARE(s.queuedChunks, 2);
    // Nothing is read while stopped.
    QVERIFY(mic.write(chunkOf(3, 3200)));
    QTest::qWait(100);
    QCOMPARE(mic.queued(), 3200);
    // A start after the stop begins with an empty queue and drops what
    // waited in the microphone.
    m_worker->startAudioRecording();
    s = m_worker->recordingStatus();
    QVERIFY(s.inputRunning);
    QCOMPARE(s.queuedChunks, 0);
    QCOMPARE(mic.queued(), 0);
    // A store after the stop still writes what the queue held.
    m_worker->pauseAudioRecording(false);
    feed(mic, chunkOf(4, 3200));
    m_worker->stopAudioRecording();
    QCOMPARE(m_worker->storeAudioData("LE_sound"), 0);
    QVERIFY(clip("LE_sound").mid(44) == chunkOf(4, 3200));
    // Start twice in a row: the second restarts the input.
    m_worker->startAudioRecording();
    m_worker->startAudioRecording();
    QVERIFY(m_worker->recordingStatus().inputRunning);
    m_worker->pauseAudioRecording(false);
    feed(mic, chunkOf(5, 3200));
    QCOMPARE(m_worker->recordingStatus().queuedChunks, 1);
}

void TestRecording::missingMicrophoneRecordsNothing()
{
    m_worker->startAudioRecording();
    m_worker->pauseAudioRecording(false);
    const BackgroundRecording::Status s = m_worker->recordingStatus();
    QVERIFY(!s.inputRunning);
    QVERIFY(!s.paused);
    QCOMPARE(m_worker->storeAudioData("LE_sound"), 0);
    QCOMPARE(clip("LE_sound").size(), 44);
    m_worker->stopAudioRecording();
    QVERIFY(!m_worker->recordingStatus().inputRunning);
}

void TestRecording::writerGoneStopsTheInput()
{
    auto mic = std::make_unique<MicWriter>(*m_root);
    m_worker->startAudioRecording();
    m_worker->pauseAudioRecording(false);
    feed(*mic, chunkOf(1, 3200));
    QVERIFY(m_worker->recordingStatus().inputRunning);
    // The simulator went away: end of file. The input stops instead of
    // spinning on a FIFO that is readable for ever; the queue stays.
    mic.reset();
    QTRY_VERIFY(!m_worker->recordingStatus().inputRunning);
    QCOMPARE(m_worker->recordingStatus().queuedChunks, 1);
    QCOMPARE(m_worker->storeAudioData("LE_sound"), 0);
    QVERIFY(clip("LE_sound").mid(44) == chunkOf(1, 3200));
    // A new writer and a new start record again.
    MicWriter again(*m_root);
    m_worker->startAudioRecording();
    m_worker->pauseAudioRecording(false);
    feed(again, chunkOf(2, 3200));
    QCOMPARE(m_worker->recordingStatus().queuedChunks, 1);
}

// ---------------------------------------------------------------------------

void TestRecording::namesAreTrimmed()
{
    MicWriter mic(*m_root);
    m_worker->startAudioRecording();
    m_worker->pauseAudioRecording(false);
    feed(mic, chunkOf(1, 3200));
    QCOMPARE(m_worker->storeAudioData(" LE_sound "), 0);
    QVERIFY(m_root->exists(kFolder + "/LE_sound.wav"));
    QCOMPARE(QDir(m_root->local(kFolder)).entryList(QDir::Files), QStringList({"LE_sound.wav"}));

    QVERIFY(m_worker->renameAudioData("\tPP_Sound_1 ", " LE_sound "));
    QVERIFY(!m_root->exists(kFolder + "/LE_sound.wav"));
    QVERIFY(clip("PP_Sound_1").mid(44) == chunkOf(1, 3200));

    // Renaming onto an existing clip fails and changes nothing.
    feed(mic, chunkOf(2, 3200));
    QCOMPARE(m_worker->storeAudioData("LE_sound"), 0);
    QVERIFY(!m_worker->renameAudioData("PP_Sound_1", "LE_sound"));
    QVERIFY(clip("PP_Sound_1").mid(44) == chunkOf(1, 3200));
    QVERIFY(clip("LE_sound").mid(44) == chunkOf(2, 3200));
    // Renaming a missing clip fails.
    QVERIFY(!m_worker->renameAudioData("PP_Sound_3", "PP_Sound_2"));

    QVERIFY(m_worker->deleteAudioData(" LE_sound "));
    QVERIFY(!m_root->exists(kFolder + "/LE_sound.wav"));
    QVERIFY(!m_worker->deleteAudioData("LE_sound"));
    QVERIFY(m_root->exists(kFolder + "/PP_Sound_1.wav"));
}

void TestRecording::missingFolderIsCreated()
{
    QVERIFY(QDir(m_root->local("/home/root/meas")).removeRecursively());
    m_worker->startAudioRecording();
    QCOMPARE(m_worker->storeAudioData("LE_sound"), 0);
    QCOMPARE(clip("LE_sound").size(), 44);
}

void TestRecording::unwritableFolderFailsVisibly()
{
    MicWriter mic(*m_root);
    m_worker->startAudioRecording();
    m_worker->pauseAudioRecording(false);
    feed(mic, chunkOf(1, 3200));
    // A file where the folder should be: neither made nor written to.
    QVERIFY(QDir(m_root->local(kFolder)).removeRecursively());
    QVERIFY(m_root->write(kFolder, "not a folder"));
    QCOMPARE(m_worker->storeAudioData("LE_sound"), -1);
    QCOMPARE(m_root->read(kFolder), QByteArray("not a folder"));
    // Nothing is lost: the queue is unchanged, and the next store can
    // write it once the folder is back.
    const BackgroundRecording::Status s = m_worker->recordingStatus();
    QCOMPARE(s.queuedChunks, 1);
    QCOMPARE(s.recordedBytes, 0);
    QVERIFY(QFile::remove(m_root->local(kFolder)));
    QCOMPARE(m_worker->storeAudioData("LE_sound"), 0);
    QVERIFY(clip("LE_sound").mid(44) == chunkOf(1, 3200));
}

void TestRecording::fullPartitionFailsVisibly()
{
    MicWriter mic(*m_root);
    m_worker->startAudioRecording();
    m_worker->pauseAudioRecording(false);
    for (int k = 1; k <= 4; ++k)
        feed(mic, chunkOf(k, 30000));
    QCOMPARE(m_worker->storeAudioData("LE_sound"), 0); // an older clip of that name
    for (int k = 5; k <= 8; ++k)
        feed(mic, chunkOf(k, 30000));

    // Files may not grow beyond 50000 bytes: the partition is full.
    struct rlimit before;
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit full = before;
    full.rlim_cur = 50000;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &full), 0);
    const int result = m_worker->storeAudioData("LE_sound");
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(result, -1);
    // No truncated clip, no left-over temporary file, and not the older clip
    // either: a caller that copies it anyway finds nothing.
    QCOMPARE(QDir(m_root->local(kFolder)).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(m_worker->recordingStatus().queuedChunks, 4);
    // With room again the same sound is stored.
    QCOMPARE(m_worker->storeAudioData("LE_sound"), 0);
    const QByteArray file = clip("LE_sound");
    checkHeader(file);
    QVERIFY(file.mid(44) == chunkOf(5, 30000) + chunkOf(6, 30000) + chunkOf(7, 30000) + chunkOf(8, 30000));
}

void TestRecording::copyRightAfterStoreIsComplete()
{
    MicWriter mic(*m_root);
    m_worker->startAudioRecording();
    m_worker->pauseAudioRecording(false);
    const QString stored = m_root->local(kFolder + "/LE_sound.wav");
    const QString copy = m_root->local("/media/tq3900/copy.wav");
    for (int round = 1; round <= 200; ++round) {
        // Sound arrives while the store is requested; the request waits for
        // the resume and the chunks before it.
        m_worker->pauseAudioRecording(false);
        // (Up to 4096 bytes a FIFO write is whole: one chunk.)
        QVERIFY(mic.write(chunkOf(round, 4096)));
        QTest::qWait(round % 3); // sometimes taken before the store, sometimes not
        QCOMPARE(m_worker->storeAudioData("LE_sound"), 0);
        QFile::remove(copy);
        QVERIFY(QFile::copy(stored, copy));
        QFile f(copy);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        checkHeader(bytes);
        QVERIFY2(bytes.size() == 44 || bytes.mid(44) == chunkOf(round, 4096),
                 qPrintable(QStringLiteral("round %1: %2 bytes").arg(round).arg(bytes.size())));
        // Whatever the store did not see yet goes with the next resume.
        QTRY_COMPARE(mic.queued(), 0);
    }
}

// ---------------------------------------------------------------------------

void TestRecording::playbackSkipsTheHeaderAndRunsToItsEnd()
{
    MicWriter mic(*m_root);
    m_worker->startAudioRecording();
    m_worker->pauseAudioRecording(false);
    for (int k = 1; k <= 3; ++k)
        feed(mic, chunkOf(k, 3200));
    QCOMPARE(m_worker->storeAudioData("PP_Sound_1"), 0);
    m_worker->startAudioPlayback("/home/root/meas/wav_temp/PP_Sound_1.wav");
    m_worker->recordingStatus(); // the request has been carried out
    QCOMPARE(playback(), QStringList({"play /home/root/meas/wav_temp/PP_Sound_1.wav 9600"}));
    // 9600 bytes are 0.3 s of sound.
    QCOMPARE(clipsOpen().size(), 1);
    QTRY_COMPARE(playback().size(), 2);
    QCOMPARE(playback().last(), QStringLiteral("end 9600"));
    // At its end the clip's file is closed, with no stop asked for.
    QTRY_COMPARE(clipsOpen(), QStringList());
    // After its end the output is idle: stopping does nothing.
    m_worker->stopAudioPlayback();
    m_worker->recordingStatus();
    QCOMPARE(playback().size(), 2);
    // The recording went on meanwhile and playback touched no clip.
    QVERIFY(m_worker->recordingStatus().inputRunning);
    QCOMPARE(clip("PP_Sound_1").size(), 44 + 9600);
}

void TestRecording::playbackStopsOnlyWhileActive()
{
    MicWriter mic(*m_root);
    m_worker->startAudioRecording();
    m_worker->pauseAudioRecording(false);
    for (int k = 1; k <= 4; ++k)
        feed(mic, chunkOf(k, 32000));
    QCOMPARE(m_worker->storeAudioData("LE_sound"), 0);
    m_worker->startAudioPlayback("/home/root/meas/wav_temp/LE_sound.wav");
    QTest::qWait(300);
    m_worker->stopAudioPlayback();
    m_worker->recordingStatus();
    QStringList lines = playback();
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.first(), QStringLiteral("play /home/root/meas/wav_temp/LE_sound.wav 128000"));
    QVERIFY(lines.last().startsWith("stop "));
    const int played = lines.last().mid(5).toInt();
    QVERIFY2(played > 0 && played < 128000, qPrintable(lines.last()));
    QCOMPARE(clipsOpen(), QStringList()); // closed with the stop
    // A second stop finds the output stopped.
    m_worker->stopAudioPlayback();
    m_worker->recordingStatus();
    QCOMPARE(playback().size(), 2);

    // Starting a recording restarts the output in push mode, which ends a
    // playback; so does stopping the recording.
    m_worker->startAudioPlayback("/home/root/meas/wav_temp/LE_sound.wav");
    m_worker->recordingStatus();
    QCOMPARE(clipsOpen().size(), 1);
    m_worker->startAudioRecording();
    m_worker->recordingStatus();
    lines = playback();
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines.last().startsWith("stop "));
    QCOMPARE(clipsOpen(), QStringList());
    // A playback started over another one holds only its own file.
    m_worker->startAudioPlayback("/home/root/meas/wav_temp/LE_sound.wav");
    m_worker->startAudioPlayback("/home/root/meas/wav_temp/LE_sound.wav");
    m_worker->recordingStatus();
    QCOMPARE(clipsOpen().size(), 1);
    QCOMPARE(playback().size(), 7); // play, stop, play
    m_worker->stopAudioRecording();
    m_worker->recordingStatus();
    lines = playback();
    QCOMPARE(lines.size(), 8);
    QVERIFY(lines.last().startsWith("stop "));
    QCOMPARE(clipsOpen(), QStringList());
}

void TestRecording::playbackOfMissingOrForeignFiles()
{
    // A missing file is not created, and nothing plays.
    m_worker->startAudioPlayback("/home/root/meas/wav_temp/PP_Sound_9.wav");
    m_worker->recordingStatus();
    QVERIFY(!m_root->exists(kFolder + "/PP_Sound_9.wav"));
    QVERIFY(playback().isEmpty());

    // A file that is no WAV file is not played as sound.
    QVERIFY(m_root->write(kFolder + "/notes.wav", QByteArray(500, 'x')));
    m_worker->startAudioPlayback("/home/root/meas/wav_temp/notes.wav");
    m_worker->recordingStatus();
    QVERIFY(playback().isEmpty());
    QCOMPARE(m_root->read(kFolder + "/notes.wav"), QByteArray(500, 'x'));

    // A WAV file from elsewhere with a chunk before its data: only the data
    // chunk is sound.
    QByteArray wav = BackgroundRecording::wavHeader(640);
    QByteArray list("LIST");
    char size[4];
    qToLittleEndian<quint32>(5, size);
    list.append(size, 4).append("abcde").append('\0'); // padded to even
    wav.insert(36, list);
    qToLittleEndian<quint32>(quint32(wav.size() + 640 - 8), wav.data() + 4);
    wav += chunkOf(1, 640);
    QVERIFY(m_root->write("/media/tq3900/meas1/PP_Sound_1.wav", wav));
    m_worker->startAudioPlayback("/media/tq3900/meas1/PP_Sound_1.wav");
    m_worker->recordingStatus();
    QCOMPARE(playback(), QStringList({"play /media/tq3900/meas1/PP_Sound_1.wav 640"}));
}

// ---------------------------------------------------------------------------

void TestRecording::teardownWhileRecordingAndPlayingIsQuick()
{
    auto mic = std::make_unique<MicWriter>(*m_root);
    m_worker->startAudioRecording();
    m_worker->pauseAudioRecording(false);
    for (int k = 1; k <= 3; ++k)
        feed(*mic, chunkOf(k, 32000));
    QCOMPARE(m_worker->storeAudioData("LE_sound"), 0);
    m_worker->startAudioPlayback("/home/root/meas/wav_temp/LE_sound.wav");
    QCOMPARE(m_worker->recordingStatus().inputRunning, true); // playing now
    // Requests may still wait in the audio thread's queue at the end; the
    // thread ends without carrying them out.
    for (int i = 0; i < 20; ++i)
        m_worker->pauseAudioRecording(i % 2 == 0);
    QElapsedTimer clock;
    clock.start();
    m_worker.reset();
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    // The output was stopped as the recording was deleted on its thread.
    QCOMPARE(playback().size(), 2);
    QVERIFY(playback().last().startsWith("stop "));
    // A new worker on the same microphone records again.
    m_worker = std::make_unique<AudioWorker>();
    m_worker->startAudioRecording();
    m_worker->pauseAudioRecording(false);
    feed(*mic, chunkOf(9, 3200));
    QCOMPARE(m_worker->recordingStatus().queuedChunks, 1);
}

// ---------------------------------------------------------------------------

void TestRecording::missingSoundModuleIsAnOpenError_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no file") << QCoreApplication::applicationDirPath() + "/no-such-folder/libtq3900media.so"
                             << "Sound module: no .*no-such-folder/libtq3900media.so";
    // A library that loads but is no sound module: QtTest's own.
    Dl_info info{};
    QVERIFY(dladdr(reinterpret_cast<void *>(&QTest::currentTestFunction), &info) && info.dli_fname);
    QTest::newRow("no entry point") << QString::fromLocal8Bit(info.dli_fname)
                                    << "Sound module: .*libQt5Test.* has no entry point tq3900MediaBackend";
}

void TestRecording::missingSoundModuleIsAnOpenError()
{
    QFETCH(QString, file);
    QFETCH(QString, reason);
    // The reason and the outcome are logged; QtTest fails the test when a
    // message does not come.
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(reason));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("Sound module: none found in .* no sound input, output or test tone"));
    MediaBackend *backend = MediaLibrary::load({file});
    QVERIFY(!backend);

    // The board's input and output then fail as without a sound device.
    QtAudioInputSource input(backend, QStringLiteral("default"), BackgroundRecording::recordingFormat());
    QSignalSpy inputStates(&input, &AudioInputSource::stateChanged);
    QVERIFY(!input.start());
    QCOMPARE(input.error(), QAudio::OpenError);
    QCOMPARE(input.state(), QAudio::StoppedState);
    input.stop();
    QtAudioOutputSink output(backend, QStringLiteral("default"), BackgroundRecording::recordingFormat());
    QVERIFY(!output.start());
    QBuffer clip;
    clip.setData(QByteArray(3200, 'x'));
    QVERIFY(clip.open(QIODevice::ReadOnly));
    output.start(&clip);
    QCOMPARE(output.error(), QAudio::OpenError);
    QCOMPARE(output.state(), QAudio::StoppedState);
    output.stop();
    QCOMPARE(inputStates.count(), 0);
}

void TestRecording::soundModuleLoadsOnlyForTheBoardsDevices()
{
    // A recording under a device root runs on the FIFO and never loads the
    // module, nor Qt Multimedia.
    MicWriter mic(*m_root);
    m_worker->startAudioRecording();
    m_worker->pauseAudioRecording(false);
    feed(mic, QByteArray(3200, 'x'));
    QCOMPARE(m_worker->storeAudioData("LE_sound"), 0);
    m_worker->startAudioPlayback("/home/root/meas/wav_temp/LE_sound.wav");
    m_worker->recordingStatus();
    QVERIFY(!mapped("libtq3900media"));
    QVERIFY(!mapped("libQt5Multimedia"));

    // The board's devices load it (from the build: the test program runs
    // elsewhere), once.
    MediaBackend *backend = MediaLibrary::backend();
    QVERIFY(backend);
    QVERIFY(mapped("libtq3900media"));
    QVERIFY(mapped("libQt5Multimedia"));
    QCOMPARE(MediaLibrary::backend(), backend);

    // Streams are opened with the recording's format, 16000 Hz mono 16 bit,
    // and give it back through Qt Multimedia's format. (The device need
    // not exist on this machine: an unknown one fails to open.)
    const PcmFormat wanted = BackgroundRecording::recordingFormat();
    QtAudioInputSource input(backend, backend->defaultDevice(MediaBackend::Input), wanted);
    QCOMPARE(input.format().sampleRate, 16000);
    QCOMPARE(input.format().channelCount, 1);
    QCOMPARE(input.format().sampleSize, 16);
    QtAudioOutputSink output(backend, backend->defaultDevice(MediaBackend::Output), wanted);
    QCOMPARE(output.format(), wanted);
    PcmFormat stereo8k;
    stereo8k.sampleRate = 8000;
    stereo8k.channelCount = 2;
    stereo8k.sampleSize = 8;
    QCOMPARE(QtAudioInputSource(backend, QString(), stereo8k).format(), stereo8k);
    QCOMPARE(stereo8k.bytesForDuration(100000), 1600);
    QCOMPARE(wanted.bytesForDuration(100000), 3200);

    QtAudioInputSource nowhere(backend, QStringLiteral("no such device"), wanted);
    QVERIFY(!nowhere.start());
    QCOMPARE(nowhere.error(), QAudio::OpenError);
}

QTEST_GUILESS_MAIN(TestRecording)

#include "tst_recording.moc"
