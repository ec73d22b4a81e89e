#include "rawtty.h"

#include "readwaiting.h"

#include <QFile>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

RawTty::RawTty(const QString &path)
{
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_fd >= 0) {
        struct termios tio;
        ::tcgetattr(m_fd, &tio);
        cfmakeraw(&tio);
        ::tcsetattr(m_fd, TCSANOW, &tio);
    }
}

RawTty::~RawTty()
{
    close();
}

void RawTty::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool RawTty::write(const QByteArray &bytes)
{
    return ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

QByteArray RawTty::readAvailable()
{
    return readWaiting(m_fd);
}
