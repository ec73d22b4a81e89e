#include "qtaudiodevices.h"

#include <QAudioInput>
#include <QAudioOutput>

QtAudioInputSource::QtAudioInputSource(const QAudioDeviceInfo &device, const QAudioFormat &format,
                                       QObject *parent)
    : AudioInputSource(parent), m_input(new QAudioInput(device, format, this))
{
    connect(m_input, &QAudioInput::stateChanged, this, &AudioInputSource::stateChanged);
}

QIODevice *QtAudioInputSource::start()
{
    return m_input->start();
}

void QtAudioInputSource::stop()
{
    m_input->stop();
}

QAudio::State QtAudioInputSource::state() const
{
    return m_input->state();
}

QAudio::Error QtAudioInputSource::error() const
{
    return m_input->error();
}

QtAudioOutputSink::QtAudioOutputSink(const QAudioDeviceInfo &device, const QAudioFormat &format,
                                     QObject *parent)
    : AudioOutputSink(parent), m_output(new QAudioOutput(device, format, this))
{
    connect(m_output, &QAudioOutput::stateChanged, this, &AudioOutputSink::stateChanged);
}

QIODevice *QtAudioOutputSink::start()
{
    return m_output->start();
}

void QtAudioOutputSink::start(QIODevice *source)
{
    m_output->start(source);
}

void QtAudioOutputSink::stop()
{
    m_output->stop();
}

QAudio::State QtAudioOutputSink::state() const
{
    return m_output->state();
}

QAudio::Error QtAudioOutputSink::error() const
{
    return m_output->error();
}
