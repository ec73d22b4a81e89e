#include "audioworker.h"

#include "analoginputworker.h"
#include "deviceroot.h"

#include <QDebug>
#include <QFile>

namespace {
// The audio thread never blocks (its reads do not wait), so it ends at once
// when told to; this bound only keeps a fault from hanging the exit.
constexpr unsigned long kThreadStopWaitMs = 5000;

quintptr currentThreadId()
{
    return reinterpret_cast<quintptr>(QThread::currentThreadId());
}
} // namespace

AudioWorker *Audioworker()
{
    static AudioWorker worker;
    return &worker;
}

AudioWorker::AudioWorker()
{
    m_backgroundRecording = new BackgroundRecording;
    m_backgroundRecording->moveToThread(&m_audioWorkerThread);

    // The recording is deleted on its own thread as the thread ends. A
    // direct call, not deleteLater(): at the end of the process the
    // application object is gone and events are no longer delivered.
    BackgroundRecording *recording = m_backgroundRecording;
    connect(
        &m_audioWorkerThread, &QThread::finished, this, [recording] { delete recording; }, Qt::DirectConnection);
    const auto queued = Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection);
    connect(this, &AudioWorker::initBackgroundRecording, m_backgroundRecording, &BackgroundRecording::init,
            queued);
    connect(this, &AudioWorker::startBackgroundRecording, m_backgroundRecording,
            &BackgroundRecording::startAudioRecording, queued);
    connect(this, &AudioWorker::stopBackgroundRecording, m_backgroundRecording,
            &BackgroundRecording::stopAudioRecording, queued);
    connect(this, &AudioWorker::pauseBackgroundRecording, m_backgroundRecording,
            &BackgroundRecording::pauseAudioRecording, queued);
    // Blocking, yet in order: the call waits behind the requests made
    // before it in the audio thread's queue.
    connect(this, &AudioWorker::storeRecordedAudioData, m_backgroundRecording,
            &BackgroundRecording::storeAudioData,
            Qt::ConnectionType(Qt::BlockingQueuedConnection | Qt::UniqueConnection));
    connect(this, &AudioWorker::startBackgroundPlayback, m_backgroundRecording,
            &BackgroundRecording::startAudioPlayback, queued);
    connect(this, &AudioWorker::stopBackgroundPlayback, m_backgroundRecording,
            &BackgroundRecording::stopAudioPlayback, queued);

    m_audioWorkerThread.setObjectName(QStringLiteral("audio"));
    m_audioWorkerThread.start(QThread::TimeCriticalPriority);
    emit initBackgroundRecording();
}

AudioWorker::~AudioWorker()
{
    // Torn down once: quit, join (the recording is deleted on the audio
    // thread as it finishes), and only then is the thread object destroyed.
    m_audioWorkerThread.quit();
    if (!m_audioWorkerThread.wait(kThreadStopWaitMs)) {
        // Cannot happen while the audio thread never blocks; a running
        // QThread must not be destroyed.
        qWarning() << "AudioWorker: the audio thread did not stop";
        m_audioWorkerThread.terminate();
        m_audioWorkerThread.wait();
    }
    m_backgroundRecording = nullptr;
}

int AudioWorker::startAudioRecording()
{
    // The analysis moves together with the recording: the converter capture
    // is started (paused) first.
    Analoginputworker()->startCapture();
    qDebug() << "AudioWorker::startAudioRecording" << currentThreadId();
    emit startBackgroundRecording();
    return 0;
}

int AudioWorker::stopAudioRecording()
{
    Analoginputworker()->stopCapture();
    qDebug() << "AudioWorker::stopAudioRecording";
    emit stopBackgroundRecording();
    return 0;
}

int AudioWorker::pauseAudioRecording(bool pause)
{
    qDebug() << "AudioWorker::pauseAudioRecording" << pause;
    emit pauseBackgroundRecording(pause);
    Analoginputworker()->pauseCapture(pause);
    return 0;
}

int AudioWorker::storeAudioData(QString filename)
{
    if (!m_audioWorkerThread.isRunning()) {
        qDebug() << "AudioWorker::storeAudioData: no audio thread, not stored:" << filename;
        return -1;
    }
    const int result = emit storeRecordedAudioData(filename);
    if (result != 0)
        qDebug() << "AudioWorker::storeAudioData: not stored:" << filename;
    return result;
}

int AudioWorker::startAudioPlayback(QString filename)
{
    emit startBackgroundPlayback(filename);
    return 0;
}

int AudioWorker::stopAudioPlayback()
{
    emit stopBackgroundPlayback();
    return 0;
}

bool AudioWorker::deleteAudioData(QString filename)
{
    const QString path = BackgroundRecording::wavPath(filename);
    const bool removed = QFile::remove(DeviceRoot::path(path));
    if (!removed)
        qDebug() << "Error deleteAudioData" << removed << path;
    return removed;
}

bool AudioWorker::renameAudioData(QString newFilename, QString oldFilename)
{
    const QString from = BackgroundRecording::wavPath(oldFilename);
    const QString to = BackgroundRecording::wavPath(newFilename);
    // QFile::rename never overwrites an existing target.
    const bool renamed = QFile::rename(DeviceRoot::path(from), DeviceRoot::path(to));
    if (!renamed)
        qDebug() << "Error renameAudioData" << renamed << from << to;
    return renamed;
}

BackgroundRecording::Status AudioWorker::recordingStatus()
{
    BackgroundRecording::Status status;
    if (!m_audioWorkerThread.isRunning())
        return status;
    BackgroundRecording *recording = m_backgroundRecording;
    QMetaObject::invokeMethod(
        recording, [recording, &status] { status = recording->status(); }, Qt::BlockingQueuedConnection);
    return status;
}
