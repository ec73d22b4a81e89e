#include "signalpipe.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace Sim {

namespace {
int g_pipe[2] = {-1, -1};

void onSignal(int sig)
{
    const int saved = errno;
    const unsigned char b = static_cast<unsigned char>(sig);
    // A full pipe already holds a pending stop; losing this byte is harmless.
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &b, 1);
    errno = saved;
}
} // namespace

SignalPipe::SignalPipe(QObject *parent) : QObject(parent) {}

SignalPipe::~SignalPipe()
{
    if (!m_notifier)
        return;
    struct sigaction sa = {};
    sa.sa_handler = SIG_DFL;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

bool SignalPipe::install()
{
    if (m_notifier || g_pipe[0] >= 0)
        return false;
    if (::pipe2(g_pipe, O_NONBLOCK | O_CLOEXEC) < 0)
        return false;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalPipe::onReadable);
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &sa, nullptr) == 0 && ::sigaction(SIGTERM, &sa, nullptr) == 0;
}

void SignalPipe::onReadable()
{
    unsigned char b = 0;
    while (::read(g_pipe[0], &b, 1) == 1)
        emit received(int(b));
}

} // namespace Sim
