#include "fiforeader.h"

#include "readwaiting.h"

#include <QFile>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

FifoReader::FifoReader(const QString &path)
{
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

FifoReader::~FifoReader()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int FifoReader::queued() const
{
    int n = 0;
    ::ioctl(m_fd, FIONREAD, &n);
    return n;
}

QByteArray FifoReader::read(int max)
{
    QByteArray buf(max, '\0');
    const ssize_t n = ::read(m_fd, buf.data(), size_t(max));
    return n > 0 ? buf.left(int(n)) : QByteArray();
}

QByteArray FifoReader::readAll()
{
    return readWaiting(m_fd);
}
