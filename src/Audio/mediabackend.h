#ifndef MEDIABACKEND_H
#define MEDIABACKEND_H

#include "pcmformat.h"

#include <QAudio>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QIODevice;

// What the program asks of Qt Multimedia: the board's sound devices, their
// streams and the test-tone player. The sound module (libtq3900media.so,
// beside the program) implements it and is the only code that links Qt
// Multimedia; MediaLibrary (medialibrary.h) loads it on first use, so that
// the program starts without Qt Multimedia and the thirty libraries it
// brings along.
//
// Only pure virtual functions and plain types cross the boundary: the
// module needs no symbol of the program, and the program none of the
// module's but its one entry point (kMediaBackendEntry).

// Called with every state change of a stream, on the stream's thread. Set
// before start().
using MediaStateCallback = std::function<void(QAudio::State)>;

// A capture or playback stream on a device (lives on the thread that
// created it).
class MediaStream
{
public:
    virtual ~MediaStream() = default;
    // Starts the stream: the device to read captured sound from (input) or
    // to write sound to (output, push mode); nullptr when it could not
    // start (error() says why).
    virtual QIODevice *start() = 0;
    virtual void stop() = 0;
    virtual QAudio::State state() const = 0;
    virtual QAudio::Error error() const = 0;
    // The format the stream was opened with.
    virtual PcmFormat format() const = 0;
    virtual void setStateCallback(MediaStateCallback callback) = 0;
};

class MediaInputStream : public MediaStream
{
};

class MediaOutputStream : public MediaStream
{
public:
    using MediaStream::start;
    // Pull mode: plays what it reads from source until its end.
    virtual void start(QIODevice *source) = 0;
};

// A media player that loops one sound (GUI thread).
class MediaTonePlayer
{
public:
    virtual ~MediaTonePlayer() = default;
    // Whether a media service can play at all (else play() stays silent).
    virtual bool available() const = 0;
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual bool isPlaying() const = 0;
};

class MediaBackend
{
public:
    enum Direction { Input, Output };

    // The module and the program must be built from the same interface.
    static constexpr int kInterfaceVersion = 1;

    virtual ~MediaBackend() = default;

    // Device names in Qt Multimedia's order, and the default device's name
    // ("" when there is none).
    virtual QStringList deviceNames(Direction direction) const = 0;
    virtual QString defaultDevice(Direction direction) const = 0;
    virtual bool isFormatSupported(Direction direction, const QString &device, const PcmFormat &format) const = 0;
    // The format the device supports nearest to the wanted one.
    virtual PcmFormat nearestFormat(Direction direction, const QString &device, const PcmFormat &wanted) const = 0;
    virtual QStringList supportedCodecs(Direction direction, const QString &device) const = 0;
    virtual QList<int> supportedSampleRates(Direction direction, const QString &device) const = 0;

    // Streams on the named device (an unknown name gives a stream that
    // fails to start with OpenError). The caller owns them.
    virtual MediaInputStream *createInput(const QString &device, const PcmFormat &format) = 0;
    virtual MediaOutputStream *createOutput(const QString &device, const PcmFormat &format) = 0;
    // A player looping the sound at url at volume 0..100. The caller owns it.
    virtual MediaTonePlayer *createLoopingPlayer(const QUrl &url, int volume) = 0;
};

// The module's entry point: extern "C" MediaBackend *tq3900MediaBackend(int
// interfaceVersion); nullptr when the versions differ. The backend lives
// as long as the process.
using MediaBackendEntry = MediaBackend *(*)(int interfaceVersion);
constexpr char kMediaBackendEntry[] = "tq3900MediaBackend";

#endif // MEDIABACKEND_H
