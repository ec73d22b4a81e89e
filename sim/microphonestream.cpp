#include "microphonestream.h"

#include "signalgenerator.h"

namespace Sim {

MicrophoneStream::MicrophoneStream(const QString &root, const SignalSource &source, QObject *parent)
    : QObject(parent),
      m_codecFilter(root),
      m_generator(new SignalGenerator(source, kSampleRate)),
      m_fifo(devicePath(root))
{
    m_generator->setCodecFilter(&m_codecFilter);
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kStepMs);
    connect(&m_timer, &QTimer::timeout, this, &MicrophoneStream::step);
}

MicrophoneStream::~MicrophoneStream()
{
    close();
}

QString MicrophoneStream::devicePath(const QString &root)
{
    return root + QStringLiteral("/dev/microphone");
}

bool MicrophoneStream::open(QString *error)
{
    if (isOpen())
        return true;
    if (!m_fifo.open(error))
        return false;
    // Room for the limit and one step beyond it, so that a write never
    // stops half-way (the default of 64 KiB is enough when this fails).
    m_fifo.setCapacity(2 * kMaxQueuedBytes);
    m_clock.start();
    m_due = 0;
    m_produced = 0;
    m_dropped = 0;
    m_timer.start();
    return true;
}

void MicrophoneStream::close()
{
    if (!isOpen())
        return;
    m_timer.stop();
    m_fifo.close();
}

void MicrophoneStream::step()
{
    if (!isOpen())
        return;
    const qint64 due = m_clock.nsecsElapsed() * kSampleRate / 1000000000 - m_due;
    if (due <= 0)
        return;
    m_due += due;
    // After a stall, what the FIFO could not hold anyway is not made: the
    // signal simply runs on.
    const int count = int(qMin<qint64>(due, kMaxQueuedBytes / 2));
    const QByteArray samples = m_generator->generate(count);
    m_produced += count;

    // The reader can take samples at any moment, so drop whole samples
    // only: every count here is even.
    const int excess = m_fifo.queuedBytes() + samples.size() - kMaxQueuedBytes;
    if (excess > 0)
        m_dropped += m_fifo.discard(excess + (excess & 1));
    const char *data = samples.constData();
    int left = samples.size();
    while (left > 0) {
        const qint64 written = m_fifo.write(data, left);
        if (written <= 0)
            break;
        data += written;
        left -= int(written);
    }
}

} // namespace Sim
