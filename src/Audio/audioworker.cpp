#include "audioworker.h"

#include "analoginputworker.h"

AudioWorker *Audioworker()
{
    static AudioWorker worker;
    return &worker;
}

AudioWorker::AudioWorker() = default;

int AudioWorker::startAudioRecording()
{
    // The analysis moves together with the recording: the converter capture
    // is started (paused) first.
    Analoginputworker()->startCapture();
    m_log.record(QStringLiteral("startAudioRecording"));
    return 0;
}

int AudioWorker::stopAudioRecording()
{
    Analoginputworker()->stopCapture();
    m_log.record(QStringLiteral("stopAudioRecording"));
    return 0;
}

int AudioWorker::pauseAudioRecording(bool pause)
{
    m_log.record(QStringLiteral("pauseAudioRecording %1").arg(pause ? 1 : 0));
    Analoginputworker()->pauseCapture(pause);
    return 0;
}

int AudioWorker::storeAudioData(QString filename)
{
    m_log.record(QStringLiteral("storeAudioData ") + filename);
    return 0;
}

int AudioWorker::startAudioPlayback(QString filename)
{
    m_log.record(QStringLiteral("startAudioPlayback ") + filename);
    return 0;
}

int AudioWorker::stopAudioPlayback()
{
    m_log.record(QStringLiteral("stopAudioPlayback"));
    return 0;
}

bool AudioWorker::deleteAudioData(QString filename)
{
    m_log.record(QStringLiteral("deleteAudioData ") + filename);
    return false;
}

bool AudioWorker::renameAudioData(QString newFilename, QString oldFilename)
{
    m_log.record(QStringLiteral("renameAudioData %1 %2").arg(newFilename, oldFilename));
    return false;
}
