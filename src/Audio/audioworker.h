#ifndef AUDIOWORKER_H
#define AUDIOWORKER_H

#include "backgroundrecording.h"

#include <QObject>
#include <QString>
#include <QThread>

// Background recording, storing, renaming, deleting and playing of sound
// files; one instance for the whole run, reached through Audioworker().
//
// The worker lives on the GUI thread and owns the audio thread, on which
// the recording (BackgroundRecording) lives. Every request crosses to the
// audio thread as a queued signal and is carried out there in the order the
// requests were made. Start, stop and pause also start, stop and pause the
// converter capture and its analysis tick (AnalogInputWorker), so that one
// call drives both.
//
// A store is complete when storeAudioData() returns: the request waits for
// the audio thread, so a clip may be copied, renamed or deleted right
// afterwards. Renaming and deleting clips happen on the caller's thread.
class AudioWorker : public QObject
{
    Q_OBJECT
public:
    AudioWorker();
    // Ends the audio thread's event loop, waits for the thread (bounded) and
    // with it for the recording to be deleted there. Never touches the
    // analysis worker, which may be gone already at the end of the process.
    ~AudioWorker() override;

    int startAudioRecording();
    int pauseAudioRecording(bool pause);
    // Waits until the clip "/home/root/meas/wav_temp/<trimmed name>.wav" is
    // written: 0, or -1 when it could not be (no file of that name is left
    // then).
    int storeAudioData(QString filename);
    // filename is a full board path.
    int startAudioPlayback(QString filename);
    int stopAudioPlayback();
    // True when "/home/root/meas/wav_temp/<trimmed name>.wav" was removed.
    bool deleteAudioData(QString filename);
    // Renames a clip in the same folder; an existing target is not
    // overwritten (false).
    bool renameAudioData(QString newFilename, QString oldFilename);

    // What the recording holds once every earlier request has been carried
    // out (waits for the audio thread).
    BackgroundRecording::Status recordingStatus();

public slots:
    int stopAudioRecording();

signals:
    void initBackgroundRecording();
    void startBackgroundRecording();
    void stopBackgroundRecording();
    void pauseBackgroundRecording(bool pause);
    // Connected blocking: returns the recording's result once the clip is
    // written.
    int storeRecordedAudioData(QString filename);
    void startBackgroundPlayback(QString filename);
    void stopBackgroundPlayback();

private:
    QThread m_audioWorkerThread;
    BackgroundRecording *m_backgroundRecording = nullptr;
};

AudioWorker *Audioworker();

#endif // AUDIOWORKER_H
