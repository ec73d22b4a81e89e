#include "qtaudiodevices.h"

#include "mediabackend.h"

#include <QDebug>

QtAudioInputSource::QtAudioInputSource(MediaBackend *backend, const QString &device, const PcmFormat &format,
                                       QObject *parent)
    : AudioInputSource(parent), m_stream(backend ? backend->createInput(device, format) : nullptr)
{
    if (m_stream)
        m_stream->setStateCallback([this](QAudio::State state) { emit stateChanged(state); });
}

QtAudioInputSource::~QtAudioInputSource() = default;

QIODevice *QtAudioInputSource::start()
{
    if (!m_stream) {
        qDebug() << "Sound input: no sound module";
        return nullptr;
    }
    return m_stream->start();
}

void QtAudioInputSource::stop()
{
    if (m_stream)
        m_stream->stop();
}

QAudio::State QtAudioInputSource::state() const
{
    return m_stream ? m_stream->state() : QAudio::StoppedState;
}

QAudio::Error QtAudioInputSource::error() const
{
    return m_stream ? m_stream->error() : QAudio::OpenError;
}

PcmFormat QtAudioInputSource::format() const
{
    return m_stream ? m_stream->format() : PcmFormat();
}

QtAudioOutputSink::QtAudioOutputSink(MediaBackend *backend, const QString &device, const PcmFormat &format,
                                     QObject *parent)
    : AudioOutputSink(parent), m_stream(backend ? backend->createOutput(device, format) : nullptr)
{
    if (m_stream)
        m_stream->setStateCallback([this](QAudio::State state) { emit stateChanged(state); });
}

QtAudioOutputSink::~QtAudioOutputSink() = default;

QIODevice *QtAudioOutputSink::start()
{
    if (!m_stream) {
        qDebug() << "Sound output: no sound module";
        return nullptr;
    }
    return m_stream->start();
}

void QtAudioOutputSink::start(QIODevice *source)
{
    if (!m_stream) {
        qDebug() << "Sound output: no sound module";
        return;
    }
    m_stream->start(source);
}

void QtAudioOutputSink::stop()
{
    if (m_stream)
        m_stream->stop();
}

QAudio::State QtAudioOutputSink::state() const
{
    return m_stream ? m_stream->state() : QAudio::StoppedState;
}

QAudio::Error QtAudioOutputSink::error() const
{
    return m_stream ? m_stream->error() : QAudio::OpenError;
}

PcmFormat QtAudioOutputSink::format() const
{
    return m_stream ? m_stream->format() : PcmFormat();
}
