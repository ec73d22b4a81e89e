#include "backgroundrecording.h"

#include "audioiodevice.h"
#include "deviceroot.h"
#include "fifoaudioinput.h"
#include "journalaudiooutput.h"
#include "mediabackend.h"
#include "medialibrary.h"
#include "qtaudiodevices.h"
#include "regularfile.h"

#include <QDebug>
#include <QDir>
#include <QSaveFile>
#include <QThread>
#include <QtEndian>

#include <limits>

const char BackgroundRecording::kWavFolder[] = "/home/root/meas/wav_temp/";

namespace {

quintptr currentThreadId()
{
    return reinterpret_cast<quintptr>(QThread::currentThreadId());
}

void appendLe32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void appendLe16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

// Chunks looked at before the "data" chunk; a WAV file has two or three
// (format, perhaps a list). A file of many empty chunks is no clip.
const int kMaxChunks = 64;

// Where the sound of a WAV file begins: just after the header of its "data"
// chunk, whatever chunks come before it. -1 when the file is no WAV file.
qint64 wavDataOffset(QFile &file)
{
    if (!file.seek(0))
        return -1;
    const QByteArray riff = file.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return -1;
    qint64 pos = 12;
    for (int chunk = 0; chunk < kMaxChunks && pos + 8 <= file.size(); ++chunk) {
        if (!file.seek(pos))
            return -1;
        const QByteArray header = file.read(8);
        if (header.size() < 8)
            return -1;
        const quint32 size = qFromLittleEndian<quint32>(header.constData() + 4);
        if (header.startsWith("data"))
            return pos + 8;
        // Chunks are padded to an even length.
        pos += 8 + qint64(size) + (size & 1);
    }
    return -1;
}

} // namespace

BackgroundRecording::BackgroundRecording()
{
    qDebug() << "Konstruktor Backgroundrecording" << currentThreadId();
    audioFormat = recordingFormat();
    m_simulated = !DeviceRoot::isBoard();
    if (m_simulated) {
        qDebug() << "BackgroundRecording: simulated microphone" << FifoAudioInputSource::kBoardPath;
        return;
    }

    // The last device named "sysdefault..." of each list, else the default.
    m_backend = MediaLibrary::backend();
    if (!m_backend)
        return; // input and output fail to open, as without a sound device
    m_Inputdevice = m_backend->defaultDevice(MediaBackend::Input);
    const QStringList inputs = m_backend->deviceNames(MediaBackend::Input);
    for (const QString &name : inputs)
        qDebug() << "Device name (IN): " << name;
    int chosen = chooseDevice(inputs);
    if (chosen >= 0) {
        m_Inputdevice = inputs.at(chosen);
        qDebug() << "Selected Device (IN): " << m_Inputdevice;
    }

    m_Outputdevice = m_backend->defaultDevice(MediaBackend::Output);
    const QStringList outputs = m_backend->deviceNames(MediaBackend::Output);
    for (const QString &name : outputs)
        qDebug() << "Device name (OUT): " << name;
    chosen = chooseDevice(outputs);
    if (chosen >= 0) {
        m_Outputdevice = outputs.at(chosen);
        qDebug() << "Selected Device (OUT): " << m_Outputdevice;
    }

    if (!m_backend->isFormatSupported(MediaBackend::Input, m_Inputdevice, audioFormat)) {
        qDebug() << "Format wird nicht unterstützt.";
        audioFormat = m_backend->nearestFormat(MediaBackend::Input, m_Inputdevice, audioFormat);
    }
    qDebug() << "Selected Audioformat" << audioFormat;
    qDebug() << "DefaultInputDevice" << m_Inputdevice;
    qDebug() << "SupportedCodecs" << m_backend->supportedCodecs(MediaBackend::Input, m_Inputdevice);
    qDebug() << "SupportedSampleRates" << m_backend->supportedSampleRates(MediaBackend::Input, m_Inputdevice);
}

BackgroundRecording::~BackgroundRecording()
{
    // Input and output stop before the playback file and the level device
    // go; all of them are children and deleted with this object.
    if (m_audioOutput)
        m_audioOutput->stop();
    if (m_audioInput)
        m_audioInput->stop();
    m_input = nullptr;
}

PcmFormat BackgroundRecording::recordingFormat()
{
    PcmFormat format;
    format.sampleRate = kSampleRate;
    format.channelCount = 1;
    format.sampleSize = 16;
    return format;
}

int BackgroundRecording::chooseDevice(const QStringList &names)
{
    int chosen = -1;
    for (int i = 0; i < names.size(); ++i) {
        if (names.at(i).startsWith(QLatin1String("sysdefault")))
            chosen = i;
    }
    return chosen;
}

QString BackgroundRecording::wavPath(const QString &filename)
{
    return QLatin1String(kWavFolder) + filename.trimmed() + QStringLiteral(".wav");
}

QByteArray BackgroundRecording::wavHeader(quint32 dataBytes)
{
    QByteArray h;
    h.reserve(kHeaderBytes);
    h.append("RIFF");
    appendLe32(h, dataBytes + kHeaderBytes - 8);
    h.append("WAVE");
    h.append("fmt ");
    appendLe32(h, 16);                  // length of the format chunk
    appendLe16(h, 1);                   // PCM
    appendLe16(h, 1);                   // channels
    appendLe32(h, kSampleRate);         // samples per second
    appendLe32(h, kBytesPerSecond);     // bytes per second
    appendLe16(h, 2);                   // bytes per sample frame
    appendLe16(h, 16);                  // bits per sample
    h.append("data");
    appendLe32(h, dataBytes);
    return h;
}

BackgroundRecording::Status BackgroundRecording::status() const
{
    Status s;
    s.inputRunning = m_input && m_audioInput && m_audioInput->state() != QAudio::StoppedState;
    s.paused = m_pauseRecording;
    s.queuedChunks = m_audioQueue.size();
    for (const QByteArray &chunk : m_audioQueue)
        s.queuedBytes += chunk.size();
    s.recordedBytes = m_recordedBytes;
    return s;
}

void BackgroundRecording::init()
{
    if (m_audioInput)
        return;
    qDebug() << "BackgroundRecording::init" << currentThreadId();
    if (m_simulated) {
        m_audioInput = new FifoAudioInputSource(this);
        m_audioOutput = new JournalAudioOutputSink(this);
    } else {
        m_audioInput = new QtAudioInputSource(m_backend, m_Inputdevice, audioFormat, this);
        m_audioOutput = new QtAudioOutputSink(m_backend, m_Outputdevice, audioFormat, this);
    }
    connect(m_audioInput, &AudioInputSource::stateChanged, this, &BackgroundRecording::handleStateChanged);
    connect(m_audioOutput, &AudioOutputSink::stateChanged, this, &BackgroundRecording::handleStateChangedPlayback);
    m_audioInputIODevice = new AudioIODevice(audioFormat, this);
    m_buffer = QByteArray(kScratchBytes, '\0');
}

int BackgroundRecording::startAudioRecording()
{
    init(); // a no-op once built; the worker asks for it before anything else
    m_audioQueue.clear();
    qDebug() << "BackgroundRecording::startAudioRecording" << currentThreadId();

    // The output leaves a playback for push mode; its file is done with.
    m_playing = false;
    m_audioOutputIODevice = m_audioOutput->start();
    m_playbackFile.close();

    if (m_audioInputIODevice->isOpen())
        m_audioInputIODevice->close();
    const bool opened = m_audioInputIODevice->open(QIODevice::ReadWrite | QIODevice::Truncate);
    qDebug() << "QIODevice open" << opened;

    m_recordedBytes = 0;
    m_pauseRecording = true;

    m_input = m_audioInput->start();
    if (m_input)
        connect(m_input, &QIODevice::readyRead, this, &BackgroundRecording::readMore, Qt::UniqueConnection);
    qDebug() << "Recording started" << m_audioInputIODevice << audioStateName(m_audioInput->state())
             << audioErrorName(m_audioInput->error());
    return 0;
}

int BackgroundRecording::stopAudioRecording()
{
    qDebug() << "stopAudioRecording";
    m_pauseRecording = true;
    if (m_audioInput)
        m_audioInput->stop();
    m_input = nullptr;
    m_playing = false;
    if (m_audioOutput)
        m_audioOutput->stop();
    m_audioOutputIODevice = nullptr;
    m_playbackFile.close();
    if (m_audioInputIODevice)
        m_audioInputIODevice->close();
    return 0;
}

void BackgroundRecording::pauseAudioRecording(bool pause)
{
    if (pause) {
        m_pauseRecording = true;
        return;
    }
    // Every resume starts a new window.
    m_audioQueue.clear();
    m_recordedBytes = 0;
    m_pauseRecording = false;
}

void BackgroundRecording::readMore()
{
    if (!m_input || m_buffer.size() < kReadLimit)
        return;
    if (m_pauseRecording) {
        // Drained and thrown away, so the input never backs up.
        m_input->read(m_buffer.data(), kReadLimit);
        return;
    }
    if (!m_audioInputIODevice) {
        qDebug() << "Invalid m_audioInputIODevice";
        return;
    }
    const qint64 read = m_input->read(m_buffer.data(), kReadLimit);
    // Nothing read is no chunk: an empty chunk would displace a full one
    // once the queue is at its limit.
    if (read <= 0)
        return;
    // The counter only has to tell whether the limit was passed; it stops
    // at the largest value instead of overflowing on a very long period.
    m_recordedBytes = qint32(qMin<qint64>(qint64(m_recordedBytes) + read, std::numeric_limits<qint32>::max()));
    QByteArray chunk(m_buffer.constData(), int(read));
    if (m_recordedBytes > kQueueLimit && !m_audioQueue.isEmpty())
        m_audioQueue.dequeue();
    m_audioQueue.enqueue(chunk);
}

int BackgroundRecording::storeAudioData(QString filename)
{
    const QString folder = DeviceRoot::path(QString::fromLatin1(kWavFolder));
    if (!QDir(folder).exists()) {
        qDebug() << "Directory doesn't exist -> generate directory:" << folder;
        QDir().mkpath(folder);
    }
    const QString path = DeviceRoot::path(wavPath(filename));
    qDebug() << "Bytes in queue:" << m_audioQueue.size() << m_recordedBytes << m_audioQueue.size();

    // The oldest chunks up to ten seconds; the last one may be cut.
    int used = 0;
    qint64 written = 0;
    qint64 dataBytes = 0;
    while (used < m_audioQueue.size() && written < kClipLimit) {
        const int size = m_audioQueue.at(used).size();
        dataBytes += qMin<qint64>(size, kClipLimit - written);
        written += size;
        ++used;
    }

    int result = -1;
    // Written under a temporary name and renamed when whole: a reader never
    // sees a partial clip, and a failed write leaves none behind.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qDebug() << "Cannot open file:" << path << file.errorString();
    } else {
        file.write(wavHeader(quint32(dataBytes)));
        qint64 left = dataBytes;
        for (int i = 0; i < used; ++i) {
            const QByteArray &chunk = m_audioQueue.at(i);
            const qint64 take = qMin<qint64>(chunk.size(), left);
            file.write(chunk.constData(), take);
            left -= take;
        }
        qDebug() << "File" << (used > 0 ? m_audioQueue.at(used - 1).size() : 0) << written
                 << m_audioQueue.size() - used;
        if (file.commit()) {
            for (int i = 0; i < used; ++i)
                m_audioQueue.dequeue();
            qDebug() << "File written:" << path << kHeaderBytes + dataBytes;
            result = 0;
        } else {
            qDebug() << "Cannot write file:" << path << file.errorString();
        }
    }
    if (result != 0 && QFile::exists(path)) {
        // An older clip of that name must not pass for this one.
        QFile::remove(path);
    }
    m_recordedBytes = 0;
    return result;
}

int BackgroundRecording::startAudioPlayback(QString filename)
{
    init();
    // An earlier playback ends first (its file is closed by the stop).
    if (m_playing)
        endPlayback();
    m_playbackFile.close();
    // Read-only: playing a path that does not exist creates nothing. Checked
    // and opened in one step: a FIFO or a link in place of a clip is refused
    // and never blocks the audio thread.
    const QString path = DeviceRoot::path(filename);
    m_playbackFile.setObjectName(path); // the file itself has no name when opened so
    const RegularFile::Status status = RegularFile::openForReading(path, &m_playbackFile, nullptr,
                                                                   RegularFile::Links::Refuse);
    if (status != RegularFile::Status::Ok) {
        qDebug() << "Cannot open file:" << filename << RegularFile::describe(status);
        return -1;
    }
    const qint64 offset = wavDataOffset(m_playbackFile);
    if (offset < 0 || !m_playbackFile.seek(offset)) {
        qDebug() << "No WAV file:" << filename;
        m_playbackFile.close();
        return -1;
    }
    m_audioOutput->start(&m_playbackFile);
    m_playing = m_audioOutput->state() != QAudio::StoppedState;
    if (!m_playing)
        m_playbackFile.close(); // the output did not start
    return 0;
}

int BackgroundRecording::stopAudioPlayback()
{
    if (m_audioOutput && m_audioOutput->state() == QAudio::ActiveState) {
        qDebug() << "Stop playing";
        m_audioOutput->stop();
    }
    // Stopped or at its end: the clip's file goes (the state handler has
    // closed it already unless the output never told).
    if (m_playing && m_audioOutput->state() != QAudio::ActiveState)
        endPlayback();
    return 0;
}

void BackgroundRecording::endPlayback()
{
    // Cleared first: stopping the output reports its state again.
    m_playing = false;
    if (m_audioOutput && m_audioOutput->state() != QAudio::StoppedState)
        m_audioOutput->stop();
    m_playbackFile.close();
}

void BackgroundRecording::handleStateChanged(QAudio::State newState)
{
    switch (newState) {
    case QAudio::ActiveState:
        qDebug() << "handleStateChanged: Started recording";
        break;
    case QAudio::SuspendedState:
        qDebug() << "handleStateChanged: Suspended";
        break;
    case QAudio::StoppedState:
        if (m_audioInput && m_audioInput->error() != QAudio::NoError)
            qDebug() << "handleStateChanged: Error recording";
        else
            qDebug() << "handleStateChanged: Finished recording";
        break;
    default:
        qDebug() << "handleStateChanged: State:" << audioStateName(newState);
        break;
    }
}

void BackgroundRecording::handleStateChangedPlayback(QAudio::State newState)
{
    // A playback that ran out (idle) or was stopped holds its file no
    // longer: an open file on the card keeps the data partition busy.
    const bool ended = m_playing && (newState == QAudio::IdleState || newState == QAudio::StoppedState);
    switch (newState) {
    case QAudio::StoppedState:
        if (m_audioOutput && m_audioOutput->error() != QAudio::NoError)
            qDebug() << "handleStateChangedPlayback: Error playing";
        else
            qDebug() << "handleStateChangedPlayback: StoppedState Finished playing";
        break;
    case QAudio::IdleState:
        qDebug() << "handleStateChangedPlayback: Idle";
        break;
    default:
        qDebug() << "handleStateChangedPlayback: State:" << audioStateName(newState);
        break;
    }
    if (ended)
        endPlayback();
}
