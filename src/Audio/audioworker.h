#ifndef AUDIOWORKER_H
#define AUDIOWORKER_H

#include "calllog.h"

#include <QObject>
#include <QString>

// Background recording, storing, renaming, deleting and playing of sound
// files; one instance for the whole run, reached through Audioworker().
//
// Not built yet: the audio thread and the recording itself. Until then the
// worker records every request.
class AudioWorker : public QObject
{
    Q_OBJECT
public:
    AudioWorker();

    int startAudioRecording();
    int stopAudioRecording();
    int pauseAudioRecording(bool pause);
    int storeAudioData(QString filename);
    int startAudioPlayback(QString filename);
    int stopAudioPlayback();
    bool deleteAudioData(QString filename);
    bool renameAudioData(QString newFilename, QString oldFilename);

    const CallLog &callLog() const { return m_log; }
    CallLog &callLog() { return m_log; }

private:
    CallLog m_log;
};

AudioWorker *Audioworker();

#endif // AUDIOWORKER_H
