#include "converterstream.h"

#include "devicetree.h"
#include "signalgenerator.h"

namespace Sim {

namespace {
const char kEnable[] = "/sys/bus/iio/devices/iio:device0/buffer/enable";
const char kLength[] = "/sys/bus/iio/devices/iio:device0/buffer/length";
} // namespace

ConverterStream::ConverterStream(const QString &root, const SignalSource &source, QObject *parent)
    : QObject(parent),
      m_root(root),
      m_codecFilter(root),
      m_generator(new SignalGenerator(source, kSampleRate)),
      m_fifo(devicePath(root))
{
    m_generator->setCodecFilter(&m_codecFilter);
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kStepMs);
    connect(&m_timer, &QTimer::timeout, this, &ConverterStream::step);
}

ConverterStream::~ConverterStream()
{
    close();
}

QString ConverterStream::devicePath(const QString &root)
{
    return root + QStringLiteral("/dev/iio:device0");
}

bool ConverterStream::open(QString *error)
{
    if (isOpen())
        return true;
    // Held open for reading and writing: the FIFO never lacks a writer (the
    // program's open does not wait) nor a reader (writes never fail), and
    // the stream can drop what the program left.
    if (!m_fifo.open(error))
        return false;
    m_enabled = false;
    m_timer.start();
    step();
    return true;
}

void ConverterStream::close()
{
    if (!isOpen())
        return;
    m_timer.stop();
    m_fifo.close();
    m_enabled = false;
}

bool ConverterStream::readEnable() const
{
    return readBoardFile(m_root, QLatin1String(kEnable)).trimmed() == "1";
}

int ConverterStream::readLength() const
{
    bool ok = false;
    const int length = readBoardFile(m_root, QLatin1String(kLength)).trimmed().toInt(&ok);
    if (!ok || length < 2)
        return kDefaultLength;
    return qMin(length, kMaxLength);
}

void ConverterStream::step()
{
    if (!isOpen())
        return;
    const bool enable = readEnable();
    if (!enable) {
        if (m_enabled)
            m_fifo.discard(m_fifo.queuedBytes()); // the driver frees its buffer
        m_enabled = false;
        return;
    }
    if (!m_enabled) {
        m_enabled = true;
        m_lengthSamples = readLength();
        m_fifo.discard(m_fifo.queuedBytes());
        m_clock.start();
        m_produced = 0;
        m_delivered = 0;
    }

    const qint64 due = m_clock.nsecsElapsed() * kSampleRate / 1000000000 - m_produced;
    if (due <= 0)
        return;
    m_produced += due;
    // Samples the FIFO could not hold anyway are not made at all (a stalled
    // event loop must not cause a burst); the tone's phase simply runs on.
    const int count = int(qMin<qint64>(due, m_lengthSamples));
    const QByteArray samples = m_generator->generate(count);

    // Keep at most the buffer length queued: drop the oldest first. All
    // counts are even, so the samples stay aligned.
    const int limit = 2 * m_lengthSamples;
    const int excess = m_fifo.queuedBytes() + samples.size() - limit;
    if (excess > 0)
        m_fifo.discard(excess);
    const qint64 written = m_fifo.write(samples.constData(), samples.size());
    if (written > 0)
        m_delivered += written / 2;
}

} // namespace Sim
