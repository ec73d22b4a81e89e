// The sound module (libtq3900media.so): MediaBackend through Qt Multimedia.
// The program loads it on first use (MediaLibrary); it is the only code that
// links Qt Multimedia. It uses nothing of the program but the interface in
// mediabackend.h.
#include "mediabackend.h"

#include <QAudioDeviceInfo>
#include <QAudioFormat>
#include <QAudioInput>
#include <QAudioOutput>
#include <QMediaPlayer>
#include <QMediaPlaylist>

namespace {

QAudio::Mode mode(MediaBackend::Direction direction)
{
    return direction == MediaBackend::Input ? QAudio::AudioInput : QAudio::AudioOutput;
}

QAudioFormat toQt(const PcmFormat &f)
{
    QAudioFormat format;
    format.setSampleRate(f.sampleRate);
    format.setChannelCount(f.channelCount);
    format.setSampleSize(f.sampleSize);
    format.setCodec(QStringLiteral("audio/pcm"));
    format.setByteOrder(QAudioFormat::LittleEndian);
    format.setSampleType(QAudioFormat::SignedInt);
    return format;
}

PcmFormat fromQt(const QAudioFormat &f)
{
    PcmFormat format;
    format.sampleRate = f.sampleRate();
    format.channelCount = f.channelCount();
    format.sampleSize = f.sampleSize();
    return format;
}

// The device of that name: the default device when the name is the
// default's, else the last of the list with that name (the recording
// chooses the last of several alike); a null device (which fails to open)
// for an unknown name.
QAudioDeviceInfo device(MediaBackend::Direction direction, const QString &name)
{
    const QAudioDeviceInfo preferred = direction == MediaBackend::Input ? QAudioDeviceInfo::defaultInputDevice()
                                                                        : QAudioDeviceInfo::defaultOutputDevice();
    if (!preferred.isNull() && preferred.deviceName() == name)
        return preferred;
    QAudioDeviceInfo found;
    for (const QAudioDeviceInfo &info : QAudioDeviceInfo::availableDevices(mode(direction))) {
        if (info.deviceName() == name)
            found = info;
    }
    return found;
}

// A stream over QAudioInput or QAudioOutput, which have the same calls.
template <class Device, class Interface>
class QtStream : public Interface
{
public:
    QtStream(const QAudioDeviceInfo &device, const QAudioFormat &format)
        : m_device(new Device(device, format)), m_format(format)
    {
        QObject::connect(m_device, &Device::stateChanged, m_device, [this](QAudio::State state) {
            if (m_callback)
                m_callback(state);
        });
    }
    ~QtStream() override
    {
        // A stop while the device goes reaches nobody.
        m_callback = nullptr;
        delete m_device;
    }

    QIODevice *start() override { return m_device->start(); }
    void stop() override { m_device->stop(); }
    QAudio::State state() const override { return m_device->state(); }
    QAudio::Error error() const override { return m_device->error(); }
    PcmFormat format() const override { return fromQt(m_format); }
    void setStateCallback(MediaStateCallback callback) override { m_callback = std::move(callback); }

protected:
    Device *m_device;

private:
    // As asked for: a device that does not open has no format of its own.
    const QAudioFormat m_format;
    MediaStateCallback m_callback;
};

using QtInputStream = QtStream<QAudioInput, MediaInputStream>;

class QtOutputStream : public QtStream<QAudioOutput, MediaOutputStream>
{
public:
    using QtStream::QtStream;
    using QtStream::start;
    void start(QIODevice *source) override { m_device->start(source); }
};

class QtTonePlayer : public MediaTonePlayer
{
public:
    QtTonePlayer(const QUrl &url, int volume)
    {
        m_playlist.addMedia(url);
        m_playlist.setPlaybackMode(QMediaPlaylist::Loop);
        m_player.setPlaylist(&m_playlist);
        m_player.setVolume(volume);
    }
    bool available() const override { return m_player.availability() == QMultimedia::Available; }
    void play() override { m_player.play(); }
    void stop() override { m_player.stop(); }
    bool isPlaying() const override { return m_player.state() == QMediaPlayer::PlayingState; }

private:
    // Declared in this order so that the player, which ends a playback, goes
    // before its list.
    QMediaPlaylist m_playlist;
    QMediaPlayer m_player;
};

class QtMediaBackend : public MediaBackend
{
public:
    QStringList deviceNames(Direction direction) const override
    {
        QStringList names;
        for (const QAudioDeviceInfo &info : QAudioDeviceInfo::availableDevices(mode(direction)))
            names << info.deviceName();
        return names;
    }

    QString defaultDevice(Direction direction) const override
    {
        return (direction == Input ? QAudioDeviceInfo::defaultInputDevice() : QAudioDeviceInfo::defaultOutputDevice())
            .deviceName();
    }

    bool isFormatSupported(Direction direction, const QString &name, const PcmFormat &format) const override
    {
        return device(direction, name).isFormatSupported(toQt(format));
    }

    PcmFormat nearestFormat(Direction direction, const QString &name, const PcmFormat &wanted) const override
    {
        return fromQt(device(direction, name).nearestFormat(toQt(wanted)));
    }

    QStringList supportedCodecs(Direction direction, const QString &name) const override
    {
        return device(direction, name).supportedCodecs();
    }

    QList<int> supportedSampleRates(Direction direction, const QString &name) const override
    {
        return device(direction, name).supportedSampleRates();
    }

    MediaInputStream *createInput(const QString &name, const PcmFormat &format) override
    {
        return new QtInputStream(device(Input, name), toQt(format));
    }

    MediaOutputStream *createOutput(const QString &name, const PcmFormat &format) override
    {
        return new QtOutputStream(device(Output, name), toQt(format));
    }

    MediaTonePlayer *createLoopingPlayer(const QUrl &url, int volume) override
    {
        return new QtTonePlayer(url, volume);
    }
};

} // namespace

extern "C" Q_DECL_EXPORT MediaBackend *tq3900MediaBackend(int interfaceVersion)
{
    if (interfaceVersion != MediaBackend::kInterfaceVersion)
        return nullptr;
    static QtMediaBackend backend;
    return &backend;
}
