#ifndef PCMFORMAT_H
#define PCMFORMAT_H

#include <QAudio>
#include <QDebug>
#include <QtGlobal>

// A sound format as the recording and the debug view use it: linear PCM,
// signed samples, little endian; only rate, channels and sample size vary.
// The sound module turns it into Qt Multimedia's format and back, so that
// nothing but the module needs Qt Multimedia's library.
struct PcmFormat
{
    int sampleRate = 0;   // frames per second
    int channelCount = 0;
    int sampleSize = 0;   // bits per sample

    bool isValid() const { return sampleRate > 0 && channelCount > 0 && sampleSize > 0; }
    int bytesPerFrame() const { return isValid() ? sampleSize * channelCount / 8 : 0; }
    // Bytes of whole frames in duration microseconds (rounded down).
    qint32 bytesForDuration(qint64 microseconds) const
    {
        if (!isValid())
            return 0;
        return qint32(microseconds * sampleRate / 1000000) * bytesPerFrame();
    }

    bool operator==(const PcmFormat &o) const
    {
        return sampleRate == o.sampleRate && channelCount == o.channelCount && sampleSize == o.sampleSize;
    }
    bool operator!=(const PcmFormat &o) const { return !(*this == o); }
};

// The text Qt Multimedia gives its own format, so that the log reads as
// it always has.
inline QDebug operator<<(QDebug dbg, const PcmFormat &f)
{
    QDebugStateSaver saver(dbg);
    dbg.nospace() << "QAudioFormat(" << f.sampleRate << "Hz, " << f.sampleSize << "bit, channelCount="
                  << f.channelCount << ", sampleType=SignedInt, byteOrder=LittleEndian, codec=\"audio/pcm\")";
    return dbg;
}

// Names of the states and errors for the log. Qt Multimedia's own stream
// operators live in its library, which the program does not link.
inline const char *audioStateName(QAudio::State state)
{
    switch (state) {
    case QAudio::ActiveState:
        return "ActiveState";
    case QAudio::SuspendedState:
        return "SuspendedState";
    case QAudio::StoppedState:
        return "StoppedState";
    case QAudio::IdleState:
        return "IdleState";
    case QAudio::InterruptedState:
        return "InterruptedState";
    }
    return "";
}

inline const char *audioErrorName(QAudio::Error error)
{
    switch (error) {
    case QAudio::NoError:
        return "NoError";
    case QAudio::OpenError:
        return "OpenError";
    case QAudio::IOError:
        return "IOError";
    case QAudio::UnderrunError:
        return "UnderrunError";
    case QAudio::FatalError:
        return "FatalError";
    }
    return "";
}

#endif // PCMFORMAT_H
