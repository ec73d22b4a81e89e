#include "micwriter.h"

#include "fifoaudioinput.h"
#include "testroot.h"

#include <QFile>
#include <QtEndian>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

MicWriter::MicWriter(const TestRoot &root)
{
    const QByteArray path = QFile::encodeName(root.local(QLatin1String(FifoAudioInputSource::kBoardPath)));
    ::unlink(path.constData());
    if (::mkfifo(path.constData(), 0600) == 0)
        m_fd = ::open(path.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

MicWriter::~MicWriter()
{
    close();
}

void MicWriter::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool MicWriter::write(const QByteArray &bytes)
{
    return ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

int MicWriter::queued() const
{
    int n = 0;
    ::ioctl(m_fd, FIONREAD, &n);
    return n;
}

QByteArray chunkOf(int k, int bytes)
{
    QByteArray out(bytes, '\0');
    for (int j = 0; 2 * j + 1 < bytes; ++j)
        qToLittleEndian<quint16>(quint16(k * 1000 + j), out.data() + 2 * j);
    return out;
}
