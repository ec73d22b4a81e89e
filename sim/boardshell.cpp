#include "boardshell.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace Sim {

namespace {
// A request is a path and one command line; anything longer is no request.
const int kMaxRequest = 64 * 1024;
// A command left unanswered holds its connection this long at most.
const int kSilentHoldMs = 5 * 60 * 1000;
} // namespace

struct BoardShell::Client
{
    quint64 id = 0;
    int fd = -1;
    qint64 pid = 0; // the sender, as the kernel tells it
    QByteArray request;
    QSocketNotifier *notifier = nullptr;
    QSocketNotifier *writer = nullptr; // an endless answer's output
    QByteArray endless;
};

BoardShell::BoardShell(const QString &root, QObject *parent)
    : QObject(parent), m_root(QDir(root).absolutePath())
{
}

BoardShell::~BoardShell()
{
    close();
}

QString BoardShell::socketPath(const QString &root)
{
    return QDir(root).absolutePath() + QStringLiteral("/.tq3900/shell");
}

bool BoardShell::open(QString *error)
{
    close();
    const QByteArray path = QFile::encodeName(socketPath(m_root));
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof addr.sun_path) {
        if (error)
            *error = QStringLiteral("the shell socket's path is too long: %1").arg(socketPath(m_root));
        return false;
    }
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    QDir().mkpath(QFileInfo(socketPath(m_root)).absolutePath());
    ::unlink(path.constData());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0
        || ::listen(fd, 16) != 0) {
        if (error)
            *error = QStringLiteral("cannot open the shell socket %1: %2")
                         .arg(socketPath(m_root), QString::fromLocal8Bit(std::strerror(errno)));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    m_listenFd = fd;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &BoardShell::onAcceptable);
    return true;
}

void BoardShell::close()
{
    const auto clients = m_clients;
    for (Client *c : clients)
        dropClient(c);
    if (m_listenFd < 0)
        return;
    delete m_notifier;
    m_notifier = nullptr;
    ::close(m_listenFd);
    m_listenFd = -1;
    QFile::remove(socketPath(m_root));
}

void BoardShell::addHandler(const QString &firstWord, Handler handler)
{
    m_handlers[firstWord].prepend(std::move(handler));
}

ShellAnswer BoardShell::answer(const ShellCommand &command) const
{
    ShellAnswer a;
    const auto handlers = m_handlers.value(command.words.value(0));
    for (const Handler &h : handlers) {
        ShellAnswer candidate;
        if (h(command, &candidate))
            return candidate;
    }
    return a;
}

void BoardShell::onAcceptable()
{
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        auto *c = new Client;
        c->id = ++m_lastId;
        c->fd = fd;
        ucred peer {};
        socklen_t peerSize = sizeof peer;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &peerSize) == 0)
            c->pid = peer.pid;
        c->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(c->notifier, &QSocketNotifier::activated, this, [this, c] { onClientReadable(c); });
        m_clients << c;
    }
}

void BoardShell::onClientReadable(Client *client)
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(client->fd, buf, sizeof buf);
        if (n > 0) {
            client->request.append(buf, int(n));
            if (client->request.size() > kMaxRequest) {
                qWarning() << "board shell: request over" << kMaxRequest << "bytes dropped";
                dropClient(client);
                return;
            }
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            dropClient(client);
            return;
        }
        // End of the request: the runner shut its side and waits. The read
        // side stays at its end from now on, so it is no longer watched.
        client->notifier->setEnabled(false);
        dispatch(client);
        return;
    }
}

void BoardShell::dispatch(Client *client)
{
    const int nl = client->request.indexOf('\n');
    ShellCommand cmd;
    cmd.workDir = QString::fromUtf8(nl < 0 ? QByteArray() : client->request.left(nl));
    cmd.line = QString::fromUtf8(nl < 0 ? client->request : client->request.mid(nl + 1));
    cmd.words = cmd.line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    cmd.pid = client->pid;
    emit commandReceived(cmd.line, cmd.workDir);
    const ShellAnswer a = answer(cmd);
    if (a.silent) {
        // No answer: the runner's wait runs out. The connection is let go
        // well after any wait a program makes.
        const quint64 id = client->id;
        QTimer::singleShot(kSilentHoldMs, this, [this, id] {
            for (Client *c : qAsConst(m_clients)) {
                if (c->id == id) {
                    dropClient(c);
                    return;
                }
            }
        });
        return;
    }
    if (a.endless) {
        // The exit code line first, as any answer; then the output runs on
        // whenever the socket takes more, never blocking the simulator.
        client->endless = a.output.isEmpty() ? QByteArray("y\n") : a.output;
        while (client->endless.size() < 4096)
            client->endless += client->endless;
        const QByteArray head = QByteArray::number(a.exitCode) + '\n';
        if (::send(client->fd, head.constData(), size_t(head.size()), MSG_NOSIGNAL) != head.size()) {
            dropClient(client);
            return;
        }
        client->writer = new QSocketNotifier(client->fd, QSocketNotifier::Write, this);
        connect(client->writer, &QSocketNotifier::activated, this, [this, client] { streamEndless(client); });
        return;
    }
    if (a.delayMs <= 0) {
        sendAnswer(client->fd, a);
        dropClient(client);
        return;
    }
    const quint64 id = client->id;
    QTimer::singleShot(a.delayMs, this, [this, id, a] {
        for (Client *c : qAsConst(m_clients)) {
            if (c->id == id) { // still waiting (the runner may have given up)
                sendAnswer(c->fd, a);
                dropClient(c);
                return;
            }
        }
    });
}

void BoardShell::sendAnswer(int fd, const ShellAnswer &answer)
{
    const QByteArray bytes = QByteArray::number(answer.exitCode) + '\n' + answer.output;
    qint64 done = 0;
    // The runner reads while it waits; a short local socket write loop with a
    // bounded number of retries never stalls the simulator for long.
    int retries = 0;
    while (done < bytes.size() && retries < 1000) {
        const ssize_t n = ::send(fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            ++retries;
            ::usleep(1000);
            continue;
        }
        return; // the runner is gone
    }
}

void BoardShell::streamEndless(Client *client)
{
    for (int i = 0; i < 16; ++i) {
        const ssize_t n = ::send(client->fd, client->endless.constData(), size_t(client->endless.size()),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return;
        dropClient(client); // the program hung up
        return;
    }
}

void BoardShell::dropClient(Client *client)
{
    if (!m_clients.removeOne(client))
        return;
    delete client->writer;
    delete client->notifier;
    ::close(client->fd);
    delete client;
}

} // namespace Sim
