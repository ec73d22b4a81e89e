#include "unixsignalquit.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

int UnixSignalQuit::s_fds[2] = {-1, -1};

UnixSignalQuit::UnixSignalQuit(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, s_fds) != 0) {
        qDebug() << "No socket pair for signal handling";
        return;
    }
    m_notifier = new QSocketNotifier(s_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char c;
        if (::read(s_fds[1], &c, 1) > 0) {
            m_quitRequested = true;
            QCoreApplication::quit();
        }
    });
    struct sigaction sa = {};
    sa.sa_handler = &UnixSignalQuit::handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
}

UnixSignalQuit::~UnixSignalQuit()
{
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    delete m_notifier;
    for (int &fd : s_fds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void UnixSignalQuit::handler(int)
{
    const char c = 1;
    if (s_fds[0] >= 0)
        (void)!::write(s_fds[0], &c, 1);
}
