#include "ptyport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace Sim {

namespace {

speed_t speedFor(int baud)
{
    switch (baud) {
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return B0;
    }
}

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

PtyPort::PtyPort(const QString &name, int baud, QObject *parent)
    : QObject(parent), m_name(name), m_baud(baud)
{
    m_reattachTimer.setInterval(20);
    connect(&m_reattachTimer, &QTimer::timeout, this, &PtyPort::checkReattached);
}

PtyPort::~PtyPort()
{
    close();
}

bool PtyPort::open(const QString &linkPath, QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (m_master >= 0)
        return fail(QStringLiteral("%1 is already open").arg(m_name));
    const speed_t speed = speedFor(m_baud);
    if (speed == B0)
        return fail(QStringLiteral("%1: unsupported baud rate %2").arg(m_name).arg(m_baud));

    int master = -1, slave = -1;
    char slaveName[256] = {};
    struct termios tio;
    std::memset(&tio, 0, sizeof tio);
    cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    if (::openpty(&master, &slave, slaveName, &tio, nullptr) < 0)
        return fail(QStringLiteral("%1: openpty failed: %2").arg(m_name, errnoText()));
    // The settings belong to the terminal, not to this descriptor: they stay
    // when the slave is closed here and opened by the program.
    ::tcsetattr(slave, TCSANOW, &tio);
    ::close(slave);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);

    const QString slavePath = QString::fromLocal8Bit(slaveName);
    QDir().mkpath(QFileInfo(linkPath).path());
    const QFileInfo existing(linkPath);
    if ((existing.isSymLink() || existing.exists()) && !existing.isDir())
        QFile::remove(linkPath);
    if (::symlink(QFile::encodeName(slavePath).constData(), QFile::encodeName(linkPath).constData()) < 0) {
        const QString text = QStringLiteral("%1: cannot link %2: %3").arg(m_name, linkPath, errnoText());
        ::close(master);
        return fail(text);
    }

    m_master = master;
    m_slavePath = slavePath;
    m_linkPath = linkPath;
    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyPort::onReadable);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyPort::onWritable);
    // Nobody has the slave open yet: wait for the program.
    m_readNotifier->setEnabled(false);
    m_reattachTimer.start();
    return true;
}

void PtyPort::close()
{
    if (m_master < 0)
        return;
    m_reattachTimer.stop();
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    // Another simulator may have taken the link over since; leave it alone then.
    char target[512];
    const ssize_t len = ::readlink(QFile::encodeName(m_linkPath).constData(), target, sizeof target - 1);
    if (len > 0 && QFile::decodeName(QByteArray(target, int(len))) == m_slavePath)
        QFile::remove(m_linkPath);
    ::close(m_master);
    m_master = -1;
    m_pending.clear();
}

bool PtyPort::isAttached() const
{
    if (m_master < 0)
        return false;
    struct pollfd p = {m_master, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0)
        return false;
    return !(p.revents & POLLHUP);
}

bool PtyPort::write(const QByteArray &bytes)
{
    if (!isAttached()) {
        m_pending.clear();
        return false;
    }
    m_pending += bytes;
    m_maybeUnread = true;
    if (m_pending.size() > kMaxPending)
        m_pending.remove(0, m_pending.size() - kMaxPending);
    flushPending();
    return true;
}

void PtyPort::flushPending()
{
    while (!m_pending.isEmpty()) {
        const ssize_t n = ::write(m_master, m_pending.constData(), size_t(m_pending.size()));
        if (n > 0) {
            m_pending.remove(0, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            m_pending.clear(); // the reader went away
        break;
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_pending.isEmpty());
}

void PtyPort::onWritable()
{
    if (!isAttached()) {
        m_pending.clear();
        m_writeNotifier->setEnabled(false);
        return;
    }
    flushPending();
}

bool PtyPort::drain()
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            emit received(QByteArray(buf, int(n)));
            if (m_master < 0) // closed by a receiver of the signal
                return false;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return false;
        // EIO (or end of file): the last process closed the slave.
        return true;
    }
}

void PtyPort::dropUnread()
{
    // A serial port forgets what its reader left unread when it is closed;
    // a pseudo-terminal keeps it for the next open, which would then read
    // stale lines. Flushing from the master does not reach the slave's input,
    // so open the slave briefly and flush it there.
    if (!m_maybeUnread)
        return;
    m_maybeUnread = false;
    const int fd = ::open(QFile::encodeName(m_slavePath).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    ::tcflush(fd, TCIFLUSH);
    ::close(fd);
}

void PtyPort::onReadable()
{
    if (!drain())
        return;
    // Reading again would only repeat the hang-up, so wait for the next open.
    m_readNotifier->setEnabled(false);
    m_writeNotifier->setEnabled(false);
    m_pending.clear();
    dropUnread();
    m_reattachTimer.start();
}

void PtyPort::checkReattached()
{
    struct pollfd p = {m_master, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0)
        return;
    // A program that opened, wrote and closed the port between two checks
    // still left its bytes in the master.
    if (p.revents & POLLIN) {
        drain();
        if (m_master < 0)
            return;
    }
    if (!isAttached()) {
        // Also what the peer wrote during a short open that ended between
        // two checks.
        dropUnread();
        return;
    }
    m_reattachTimer.stop();
    m_readNotifier->setEnabled(true);
}

} // namespace Sim
