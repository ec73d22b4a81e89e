#include "commandrunner.h"
#include "deviceroot.h"
#include "groupprocess.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QProcess>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// How long a command may take to start before it counts as not started.
constexpr int kStartTimeoutMs = 30000;
// How long run() waits for the simulated board's answer.
const int kSimulatedRunTimeoutMs = 120000;

void logDropped(const QString &command, const CommandRunner::BoundedOutput &out)
{
    if (out.dropped() > 0)
        qDebug() << "Command output:" << out.dropped() << "bytes between the first and the last"
                 << CommandRunner::BoundedOutput::kTailBytes << "dropped:" << command.left(200);
}

// Hands the command to the simulator running on the device root (its board
// shell, a Unix socket in the journal folder) and waits at most timeoutMs for
// its answer. False when no simulator takes it (none runs, or an old socket
// file is left), so the caller answers as without one.
bool askSimulatedBoard(const QString &command, const QString &boardWorkDir, int timeoutMs,
                       CommandRunner::Result *result)
{
    const QByteArray path = QFile::encodeName(DeviceRoot::journalDir() + QStringLiteral("/shell"));
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof addr.sun_path || !QFile::exists(QFile::decodeName(path)))
        return false;
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return false;
    }
    const QByteArray request = boardWorkDir.toUtf8() + '\n' + command.toUtf8();
    qint64 sent = 0;
    while (sent < request.size()) {
        const ssize_t n = ::send(fd, request.constData() + sent, size_t(request.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            return false;
        }
        sent += n;
    }
    ::shutdown(fd, SHUT_WR);

    // The exit code line, then the output, bounded as on the board.
    QByteArray firstLine;
    bool haveFirstLine = false;
    CommandRunner::BoundedOutput output;
    QElapsedTimer clock;
    clock.start();
    bool ended = false;
    while (!ended) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0)
            break;
        pollfd p {fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(qMin<qint64>(left, 1000)));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        char buf[4096];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            const char *data = buf;
            qint64 size = n;
            if (!haveFirstLine) {
                const char *nl = static_cast<const char *>(std::memchr(buf, '\n', size_t(n)));
                const qint64 upto = nl ? nl - buf : n;
                if (firstLine.size() < 64)
                    firstLine.append(buf, int(qMin<qint64>(upto, 64)));
                haveFirstLine = nl != nullptr;
                data += nl ? upto + 1 : n;
                size -= nl ? upto + 1 : n;
            }
            output.append(data, size);
        } else if (n == 0 || errno != EINTR) {
            ended = true;
        }
    }
    ::close(fd);

    logDropped(command, output);
    bool ok = false;
    const int code = firstLine.trimmed().toInt(&ok);
    result->output = output.bytes();
    if (!ended || !ok) {
        // No answer in time (or the simulator went away mid-answer): as a
        // command that did not end.
        result->exitCode = -1;
        result->timedOut = true;
        return true;
    }
    result->exitCode = code;
    result->timedOut = false;
    return true;
}

} // namespace

void CommandRunner::BoundedOutput::append(const char *data, qint64 size)
{
    if (size <= 0)
        return;
    if (m_head.size() < kHeadBytes) {
        const int take = int(qMin<qint64>(size, kHeadBytes - m_head.size()));
        m_head.append(data, take);
        data += take;
        size -= take;
    }
    if (size <= 0)
        return;
    if (size >= kTailBytes) {
        m_dropped += m_tail.size() + (size - kTailBytes);
        m_tail = QByteArray(data + (size - kTailBytes), kTailBytes);
        return;
    }
    m_tail.append(data, int(size));
    // Cut back only when twice the tail is held: each byte is moved at
    // most once.
    if (m_tail.size() >= 2 * kTailBytes) {
        const int excess = m_tail.size() - kTailBytes;
        m_tail.remove(0, excess);
        m_dropped += excess;
    }
}

QByteArray CommandRunner::BoundedOutput::bytes() const
{
    if (m_tail.size() <= kTailBytes)
        return m_head + m_tail;
    return m_head + m_tail.right(kTailBytes);
}

QString CommandRunner::answerKey(const QString &command)
{
    QString key = command.trimmed();
    for (QChar &c : key) {
        const ushort u = c.unicode();
        const bool keep = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z')
                || (u >= '0' && u <= '9') || u == '.' || u == '_' || u == '-';
        if (!keep)
            c = QLatin1Char('_');
    }
    return key;
}

CommandRunner::Result CommandRunner::simulate(const QString &command, const QString &workDir,
                                              const char *mode, int timeoutMs)
{
    const QString dir = workDir.isEmpty() ? QDir::currentPath() : workDir;
    DeviceRoot::appendJournal(QStringLiteral("commands.log"),
                              QStringLiteral("%1\t%2\t%3")
                                  .arg(command, DeviceRoot::boardPath(dir), QLatin1String(mode)));

    Result r;
    r.exitCode = 0;
    // A PC build without a root has no journal and no answers.
    if (DeviceRoot::journalDir().isEmpty())
        return r;
    const QString answers = DeviceRoot::journalDir() + QStringLiteral("/answers/");
    const QString firstWord = command.trimmed().section(QLatin1Char(' '), 0, 0);
    for (const QString &name : {answerKey(command), answerKey(firstWord)}) {
        QFile f(answers + name);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray all = f.readAll();
        const int nl = all.indexOf('\n');
        const QByteArray first = (nl < 0 ? all : all.left(nl)).trimmed();
        r.output = nl < 0 ? QByteArray() : all.mid(nl + 1);
        if (first == "timeout") {
            // A command that would not end: as runWithTimeout reports it.
            r.exitCode = -1;
            r.timedOut = true;
            return r;
        }
        bool ok = false;
        const int code = first.toInt(&ok);
        r.exitCode = ok ? code : 0;
        return r;
    }
    // No scripted answer: a simulator running on the root plays the board's
    // shell. A detached command is not waited for, so it is only journalled.
    if (timeoutMs != 0)
        askSimulatedBoard(command, DeviceRoot::boardPath(dir), timeoutMs, &r);
    return r;
}

CommandRunner::Result CommandRunner::execute(const QString &command, const QString &workDir,
                                             int timeoutMs)
{
    // No command may hold the GUI thread for ever: one run without a limit
    // of its caller gets its command's (a clock or mixer command ends at
    // once, an unmount or a power-down returns soon or hangs), else 120 s.
    static const struct {
        const char *firstWord;
        int limitMs;
    } kLimits[] = {{"date", 10000},     {"hwclock", 10000}, {"alsactl", 30000},
                   {"umount", 30000},   {"poweroff", 60000}, {"reboot", 60000}};
    int limitMs = timeoutMs;
    if (limitMs < 0) {
        limitMs = 120000;
        const QString first = command.trimmed().section(QLatin1Char(' '), 0, 0);
        for (const auto &l : kLimits)
            if (first == QLatin1String(l.firstWord))
                limitMs = l.limitMs;
    }

    Result r;
    GroupProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    // The caller's time-out counts from the start on.
    if (!p.waitForStarted(kStartTimeoutMs)) {
        qDebug() << "Command did not start:" << command;
        return r;
    }
    // The output is taken as it comes, so a command that prints without
    // end holds no more than the bounded head and tail.
    BoundedOutput output;
    QElapsedTimer clock;
    clock.start();
    bool finished = false;
    while (!finished) {
        const qint64 left = limitMs - clock.elapsed();
        if (left <= 0)
            break;
        if (!p.waitForReadyRead(int(qMin<qint64>(left, 1000))))
            finished = p.state() == QProcess::NotRunning;
        output.append(p.readAll());
    }
    if (!finished) {
        qDebug() << "Command timed out after" << limitMs << "ms:" << command;
        r.timedOut = true;
        // What the command started ends with it (a script's own commands).
        p.killGroup(1000);
        output.append(p.readAll());
        logDropped(command, output);
        r.output = output.bytes();
        return r;
    }
    output.append(p.readAll());
    logDropped(command, output);
    r.output = output.bytes();
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return r;
}

int CommandRunner::run(const QString &command, const QString &workDir)
{
    if (!DeviceRoot::isBoard())
        return simulate(command, workDir, "wait", kSimulatedRunTimeoutMs).exitCode;
    return execute(command, workDir, -1).exitCode;
}

CommandRunner::Result CommandRunner::runWithTimeout(const QString &command, int timeoutMs,
                                                    const QString &workDir)
{
    if (!DeviceRoot::isBoard())
        return simulate(command, workDir, "timeout",
                        timeoutMs < 0 ? kSimulatedRunTimeoutMs : qMax(1, timeoutMs));
    return execute(command, workDir, timeoutMs);
}

bool CommandRunner::startDetached(const QString &command, const QString &workDir)
{
    if (!DeviceRoot::isBoard())
        return simulate(command, workDir, "detached", 0).exitCode == 0;
    return QProcess::startDetached(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command},
                                   workDir);
}
