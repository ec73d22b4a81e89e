#include "boundedlog.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sim {

BoundedLog::BoundedLog(const QString &path, qint64 maxPartBytes)
    : m_path(path)
    , m_maxPartBytes(maxPartBytes)
{
}

BoundedLog::~BoundedLog()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool BoundedLog::open()
{
    return openPart();
}

bool BoundedLog::openPart()
{
    const QByteArray name = QFile::encodeName(m_path);
    m_fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0644);
    if (m_fd < 0 && errno == ELOOP && rotate())
        return m_fd >= 0;
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        return false;
    }
    m_partBytes = qint64(st.st_size);
    return true;
}

// The current part becomes the older one; a new part begins.
bool BoundedLog::rotate()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (::rename(QFile::encodeName(m_path).constData(), QFile::encodeName(olderPath()).constData()) != 0
        && errno != ENOENT)
        return false;
    m_fd = ::open(QFile::encodeName(m_path).constData(),
                  O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0644);
    m_partBytes = 0;
    return m_fd >= 0;
}

bool BoundedLog::write(const char *data, qint64 size)
{
    if (m_fd < 0)
        return false;
    if (m_partBytes > 0 && m_partBytes + size > m_maxPartBytes && !rotate())
        return false;
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::write(m_fd, data + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    m_partBytes += size;
    return true;
}

int BoundedLog::pump(int fd)
{
    if (m_fd < 0 && !open()) {
        std::fprintf(stderr, "tq3900-sim: cannot open the log %s\n", QFile::encodeName(m_path).constData());
        return 1;
    }
    QByteArray block(64 * 1024, Qt::Uninitialized);
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, block.data(), size_t(block.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        // A log that cannot be written still drains its input: the writer
        // must never block on a full pipe.
        ok = write(block.constData(), n) && ok;
    }
    return ok ? 0 : 1;
}

} // namespace Sim
