#ifndef QTAUDIODEVICES_H
#define QTAUDIODEVICES_H

#include "audioinputsource.h"
#include "audiooutputsink.h"

#include <QAudioDeviceInfo>
#include <QAudioFormat>

class QAudioInput;
class QAudioOutput;

// The board's sound input through Qt Multimedia.
class QtAudioInputSource : public AudioInputSource
{
    Q_OBJECT
public:
    QtAudioInputSource(const QAudioDeviceInfo &device, const QAudioFormat &format, QObject *parent = nullptr);

    QIODevice *start() override;
    void stop() override;
    QAudio::State state() const override;
    QAudio::Error error() const override;

private:
    QAudioInput *m_input;
};

// The board's sound output through Qt Multimedia.
class QtAudioOutputSink : public AudioOutputSink
{
    Q_OBJECT
public:
    QtAudioOutputSink(const QAudioDeviceInfo &device, const QAudioFormat &format, QObject *parent = nullptr);

    QIODevice *start() override;
    void start(QIODevice *source) override;
    void stop() override;
    QAudio::State state() const override;
    QAudio::Error error() const override;

private:
    QAudioOutput *m_output;
};

#endif // QTAUDIODEVICES_H
