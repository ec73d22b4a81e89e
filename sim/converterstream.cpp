#include "converterstream.h"

#include "devicetree.h"
#include "signalgenerator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sim {

namespace {
const char kEnable[] = "/sys/bus/iio/devices/iio:device0/buffer/enable";
const char kLength[] = "/sys/bus/iio/devices/iio:device0/buffer/length";
} // namespace

ConverterStream::ConverterStream(const QString &root, const SignalSource &source, QObject *parent)
    : QObject(parent), m_root(root), m_generator(new SignalGenerator(source, kSampleRate))
{
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
    auto fail = [error](const QString &text) {
        if (error)
            *error = text + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    };
    if (isOpen())
        return true;
    const QString path = devicePath(m_root);
    QDir().mkpath(QFileInfo(path).path());
    const QByteArray local = QFile::encodeName(path);
    ::unlink(local.constData());
    if (::mkfifo(local.constData(), 0600) < 0)
        return fail(QStringLiteral("cannot create %1").arg(path));
    // Read and write: the FIFO never lacks a writer (the program's open does
    // not wait) nor a reader (writes never fail), and the stream can drop
    // what the program left.
    m_fd = ::open(local.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        const bool r = fail(QStringLiteral("cannot open %1").arg(path));
        ::unlink(local.constData());
        return r;
    }
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
    ::close(m_fd);
    m_fd = -1;
    m_enabled = false;
    ::unlink(QFile::encodeName(devicePath(m_root)).constData());
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

int ConverterStream::queuedBytes() const
{
    int queued = 0;
    if (::ioctl(m_fd, FIONREAD, &queued) < 0)
        return 0;
    return queued;
}

int ConverterStream::discard(int bytes)
{
    char scrap[4096];
    int dropped = 0;
    while (dropped < bytes) {
        const ssize_t n = ::read(m_fd, scrap, size_t(qMin<int>(int(sizeof scrap), bytes - dropped)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        dropped += int(n);
    }
    return dropped;
}

void ConverterStream::step()
{
    if (!isOpen())
        return;
    const bool enable = readEnable();
    if (!enable) {
        if (m_enabled)
            discard(queuedBytes()); // the driver frees its buffer
        m_enabled = false;
        return;
    }
    if (!m_enabled) {
        m_enabled = true;
        m_lengthSamples = readLength();
        discard(queuedBytes());
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
    const int excess = queuedBytes() + samples.size() - limit;
    if (excess > 0)
        discard(excess);
    ssize_t written;
    do
        written = ::write(m_fd, samples.constData(), size_t(samples.size()));
    while (written < 0 && errno == EINTR);
    if (written > 0)
        m_delivered += written / 2;
}

} // namespace Sim
