#include "microphonestream.h"

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

MicrophoneStream::MicrophoneStream(const QString &root, const SignalSource &source, QObject *parent)
    : QObject(parent), m_root(root), m_generator(new SignalGenerator(source, kSampleRate))
{
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
    m_fd = ::open(local.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        const bool r = fail(QStringLiteral("cannot open %1").arg(path));
        ::unlink(local.constData());
        return r;
    }
    // Room for the limit and one step beyond it, so that a write never
    // stops half-way (the default of 64 KiB is enough when this fails).
    ::fcntl(m_fd, F_SETPIPE_SZ, 2 * kMaxQueuedBytes);
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
    ::close(m_fd);
    m_fd = -1;
    ::unlink(QFile::encodeName(devicePath(m_root)).constData());
}

int MicrophoneStream::queuedBytes() const
{
    int queued = 0;
    if (::ioctl(m_fd, FIONREAD, &queued) < 0)
        return 0;
    return queued;
}

int MicrophoneStream::discard(int bytes)
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
    const int excess = queuedBytes() + samples.size() - kMaxQueuedBytes;
    if (excess > 0)
        m_dropped += discard(excess + (excess & 1));
    const char *data = samples.constData();
    int left = samples.size();
    while (left > 0) {
        const ssize_t written = ::write(m_fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            break;
        data += written;
        left -= int(written);
    }
}

} // namespace Sim
