#include "fifodevice.h"

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

FifoDevice::FifoDevice(const QString &path) : m_path(path) {}

FifoDevice::~FifoDevice()
{
    close();
}

bool FifoDevice::open(QString *error)
{
    // Reads errno at once, before anything else can change it.
    auto fail = [error](const QString &text) {
        if (error)
            *error = text + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    };
    if (isOpen())
        return true;
    QDir().mkpath(QFileInfo(m_path).path());
    const QByteArray local = QFile::encodeName(m_path);
    ::unlink(local.constData());
    if (::mkfifo(local.constData(), 0600) < 0)
        return fail(QStringLiteral("cannot create %1").arg(m_path));
    m_fd = ::open(local.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        const bool r = fail(QStringLiteral("cannot open %1").arg(m_path));
        ::unlink(local.constData());
        return r;
    }
    return true;
}

void FifoDevice::close()
{
    if (!isOpen())
        return;
    ::close(m_fd);
    m_fd = -1;
    ::unlink(QFile::encodeName(m_path).constData());
}

bool FifoDevice::setCapacity(int bytes)
{
    return isOpen() && ::fcntl(m_fd, F_SETPIPE_SZ, bytes) >= 0;
}

int FifoDevice::queuedBytes() const
{
    int queued = 0;
    if (!isOpen() || ::ioctl(m_fd, FIONREAD, &queued) < 0)
        return 0;
    return queued;
}

int FifoDevice::discard(int bytes)
{
    char scrap[4096];
    int dropped = 0;
    while (isOpen() && dropped < bytes) {
        const ssize_t n = ::read(m_fd, scrap, size_t(qMin<int>(int(sizeof scrap), bytes - dropped)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        dropped += int(n);
    }
    return dropped;
}

qint64 FifoDevice::write(const char *data, int size)
{
    if (!isOpen())
        return -1;
    ssize_t written;
    do
        written = ::write(m_fd, data, size_t(size));
    while (written < 0 && errno == EINTR);
    return qint64(written);
}

} // namespace Sim
