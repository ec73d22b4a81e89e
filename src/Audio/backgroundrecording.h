#ifndef BACKGROUNDRECORDING_H
#define BACKGROUNDRECORDING_H

#include "pcmformat.h"

#include <QAudio>
#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QStringList>

class AudioInputSource;
class AudioIODevice;
class AudioOutputSink;
class MediaBackend;
class QIODevice;

// The background recording: lives on the audio thread (AudioWorker owns
// it), takes the sound of the audio input at 16000 samples per second,
// mono, 16 bits, keeps about the last ten seconds in a queue of chunks while
// not paused, writes the oldest ten seconds of the queue as a WAV clip on
// request and plays WAV files through the audio output.
//
// On the board the input and output are Qt Multimedia's, through the sound
// module (MediaLibrary, loaded when the recording is built); under a device
// root they are the simulator's microphone FIFO and a journalling output
// (decided at construction), and the module is never loaded.
//
// Every slot runs on the audio thread; nothing here is touched from another
// thread, so nothing is locked.
class BackgroundRecording : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSampleRate = 16000;
    static constexpr int kBytesPerSecond = 32000;
    // Bytes taken from the input per readyRead() at most.
    static constexpr int kReadLimit = 32000;
    static constexpr int kScratchBytes = 140960;
    // Once more than this has come in since the last reset, each new chunk
    // displaces the oldest.
    static constexpr int kQueueLimit = 330000;
    // Data bytes of a clip at most: ten seconds.
    static constexpr int kClipLimit = 320000;
    static constexpr int kHeaderBytes = 44;
    static const char kWavFolder[];

    // What the recording holds, for the worker's callers.
    struct Status
    {
        bool inputRunning = false; // started, not stopped, and delivering
        bool paused = false;       // incoming sound is thrown away
        int queuedChunks = 0;
        qint64 queuedBytes = 0;
        qint32 recordedBytes = 0; // since the last start, resume or store
    };

    // Chooses the devices and the format (GUI thread); init() builds the
    // input and output on the audio thread.
    BackgroundRecording();
    ~BackgroundRecording() override;

    // 16000 Hz, mono, 16-bit signed little-endian PCM.
    static PcmFormat recordingFormat();
    // The device to use out of a device list: the last whose name begins
    // with "sysdefault"; -1 for none (the default device is used).
    static int chooseDevice(const QStringList &names);
    // "/home/root/meas/wav_temp/" + the trimmed name + ".wav" (board path).
    static QString wavPath(const QString &filename);
    // The 44-byte header of a clip with dataBytes bytes of sound; it always
    // states 16000 Hz, mono, 16 bits.
    static QByteArray wavHeader(quint32 dataBytes);

    Status status() const;

public slots:
    void init();
    // Empties the queue and starts input and output; recording starts
    // paused.
    int startAudioRecording();
    // Stops input and output (and so a playback); the queue is kept.
    int stopAudioRecording();
    // true: incoming sound is thrown away, the queue is kept. false: a new
    // window starts with an empty queue.
    void pauseAudioRecording(bool pause);
    // Writes the oldest queued sound, at most ten seconds, as
    // "/home/root/meas/wav_temp/<trimmed name>.wav" and takes it off the
    // queue. The clip appears whole or not at all (written under a temporary
    // name and renamed). 0 when stored; -1 when it could not be written: the
    // queue is then unchanged and no file of that name is left.
    int storeAudioData(QString filename);
    // Plays the sound of a WAV file (a board path) from its data chunk on.
    // -1 when the file does not open or is no WAV file. The file is held
    // open only while it plays: it is closed at its end, when the playback
    // is stopped and when a recording takes the output, so it never keeps
    // the data partition from being unmounted.
    int startAudioPlayback(QString filename);
    // Stops a playback that is still running.
    int stopAudioPlayback();

    void readMore();
    void handleStateChanged(QAudio::State newState);
    void handleStateChangedPlayback(QAudio::State newState);

private:
    // The output no longer plays the file: it is stopped and the file closed.
    void endPlayback();

    AudioIODevice *m_audioInputIODevice = nullptr;
    QIODevice *m_input = nullptr;
    AudioInputSource *m_audioInput = nullptr;
    AudioOutputSink *m_audioOutput = nullptr;
    QIODevice *m_audioOutputIODevice = nullptr;
    MediaBackend *m_backend = nullptr;
    QString m_Inputdevice;
    QString m_Outputdevice;
    PcmFormat audioFormat;
    QFile m_playbackFile{this};
    bool m_playing = false; // the output pulls from m_playbackFile
    QQueue<QByteArray> m_audioQueue;
    QByteArray m_buffer;
    qint32 m_recordedBytes = 0;
    bool m_pauseRecording = false;
    bool m_simulated = false;
};

#endif // BACKGROUNDRECORDING_H
