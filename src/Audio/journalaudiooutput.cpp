#include "journalaudiooutput.h"

#include "deviceroot.h"

#include <QDir>
#include <QFileDevice>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

const char JournalAudioOutputSink::kJournal[] = "playback.log";

namespace {

// One line to the playback journal. Written here rather than through
// DeviceRoot::appendJournal, which is meant for the GUI thread.
void journal(const QString &line)
{
    const QString dir = DeviceRoot::journalDir();
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    const QByteArray path = QFile::encodeName(dir + QLatin1Char('/') + QLatin1String(JournalAudioOutputSink::kJournal));
    const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const QByteArray bytes = line.toUtf8() + '\n';
    const ssize_t written = ::write(fd, bytes.constData(), size_t(bytes.size()));
    Q_UNUSED(written) // a journal line lost is no reason to stop playing
    ::close(fd);
}

// Takes what is written and plays nothing.
class DiscardDevice : public QIODevice
{
public:
    using QIODevice::QIODevice;
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 size) override { return size; }
};

} // namespace

JournalAudioOutputSink::JournalAudioOutputSink(QObject *parent)
    : AudioOutputSink(parent), m_timer(new QTimer(this))
{
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(kStepMs);
    connect(m_timer, &QTimer::timeout, this, &JournalAudioOutputSink::step);
}

JournalAudioOutputSink::~JournalAudioOutputSink()
{
    halt();
}

void JournalAudioOutputSink::setState(QAudio::State state, QAudio::Error error)
{
    m_error = error;
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void JournalAudioOutputSink::halt()
{
    if (m_timer->isActive()) {
        m_timer->stop();
        journal(QStringLiteral("stop %1").arg(m_played));
    }
    m_source = nullptr;
    if (m_pushDevice)
        m_pushDevice->close();
}

QIODevice *JournalAudioOutputSink::start()
{
    halt();
    if (!m_pushDevice)
        m_pushDevice = new DiscardDevice(this);
    m_pushDevice->open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    // Nothing written yet: idle, as a sound card's output in push mode.
    setState(QAudio::IdleState, QAudio::NoError);
    return m_pushDevice;
}

void JournalAudioOutputSink::start(QIODevice *source)
{
    halt();
    if (!source || !source->isReadable()) {
        setState(QAudio::StoppedState, QAudio::OpenError);
        return;
    }
    m_source = source;
    m_played = 0;
    // A file opened from a checked descriptor has no file name: its object
    // name carries the path then.
    const auto *file = qobject_cast<QFileDevice *>(source);
    const QString path = file ? (file->fileName().isEmpty() ? file->objectName() : file->fileName()) : QString();
    const QString name = file ? DeviceRoot::boardPath(path) : QStringLiteral("-");
    const qint64 bytes = source->isSequential() ? source->bytesAvailable() : source->size() - source->pos();
    journal(QStringLiteral("play %1 %2").arg(name).arg(bytes));
    m_clock.start();
    m_timer->start();
    setState(QAudio::ActiveState, QAudio::NoError);
}

void JournalAudioOutputSink::stop()
{
    halt();
    setState(QAudio::StoppedState, QAudio::NoError);
}

void JournalAudioOutputSink::step()
{
    if (!m_source) {
        // The file was closed under the output: nothing more to play.
        m_timer->stop();
        journal(QStringLiteral("end %1").arg(m_played));
        setState(QAudio::IdleState, QAudio::UnderrunError);
        return;
    }
    // Whole samples as the clock says are due.
    const qint64 due = (m_clock.elapsed() * kBytesPerSecond / 1000 - m_played) & ~qint64(1);
    char scrap[4096];
    qint64 left = due;
    while (left > 0) {
        const qint64 n = m_source->read(scrap, qMin<qint64>(left, sizeof scrap));
        if (n <= 0)
            break;
        m_played += n;
        left -= n;
    }
    if (m_source->atEnd() || left > 0) {
        m_timer->stop();
        m_source = nullptr;
        journal(QStringLiteral("end %1").arg(m_played));
        // The data ran out: idle, with the underrun a sound card reports.
        setState(QAudio::IdleState, QAudio::UnderrunError);
    }
}
