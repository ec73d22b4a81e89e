#ifndef QTAUDIODEVICES_H
#define QTAUDIODEVICES_H

#include "audioinputsource.h"
#include "audiooutputsink.h"
#include "pcmformat.h"

#include <memory>

class MediaBackend;
class MediaInputStream;
class MediaOutputStream;

// The board's sound input: a stream of the sound module (MediaBackend) on
// the named device. Without a backend (the module missing) the input never
// opens: start() gives nullptr and error() OpenError, as on a board without
// a sound device.
class QtAudioInputSource : public AudioInputSource
{
    Q_OBJECT
public:
    QtAudioInputSource(MediaBackend *backend, const QString &device, const PcmFormat &format,
                       QObject *parent = nullptr);
    ~QtAudioInputSource() override;

    QIODevice *start() override;
    void stop() override;
    QAudio::State state() const override;
    QAudio::Error error() const override;
    // The format the stream was opened with (an empty one without a stream).
    PcmFormat format() const;

private:
    std::unique_ptr<MediaInputStream> m_stream;
};

// The board's sound output, likewise.
class QtAudioOutputSink : public AudioOutputSink
{
    Q_OBJECT
public:
    QtAudioOutputSink(MediaBackend *backend, const QString &device, const PcmFormat &format,
                      QObject *parent = nullptr);
    ~QtAudioOutputSink() override;

    QIODevice *start() override;
    void start(QIODevice *source) override;
    void stop() override;
    QAudio::State state() const override;
    QAudio::Error error() const override;
    PcmFormat format() const;

private:
    std::unique_ptr<MediaOutputStream> m_stream;
};

#endif // QTAUDIODEVICES_H
