// tq3900-sim: plays the board around the instrument's program on a PC.
//
//   tq3900-sim --root DIR                  run the simulated board on DIR
//   tq3900-sim --root DIR --data-unmounted ... with the data partition
//                                          unmounted until the program mounts it
//   tq3900-sim --root DIR --send "CMD"     give the running simulator a command
//                                          and print its reply
//   tq3900-sim --log FILE                  copy standard input into FILE, kept
//                                          bounded (FILE and one older part)

#include "boundedlog.h"
#include "controlchannel.h"
#include "signalpipe.h"
#include "simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

void say(FILE *stream, const QString &text)
{
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stream);
}

// The reply lines ("< ...") the simulator journalled after "> <line>" in
// control.log at or after *offset; false while the command is not there yet.
// Command and reply are appended in one write. On success *offset moves
// past the command, where the next one's reply is looked for.
bool findReply(const QString &root, qint64 *offset, const QString &line, QStringList *reply)
{
    QFile log(Sim::ControlChannel::logPath(root));
    if (!log.open(QIODevice::ReadOnly) || !log.seek(*offset))
        return false;
    const QByteArray text = log.readAll();
    const QByteArray command = "> " + line.toUtf8() + '\n';
    int at = 0;
    if (!text.startsWith(command)) {
        at = text.indexOf('\n' + command);
        if (at < 0)
            return false;
        ++at;
    }
    const int end = at + command.size();
    *offset += end;
    reply->clear();
    for (const QByteArray &l : text.mid(end).split('\n')) {
        if (!l.startsWith("< "))
            break;
        reply->append(QString::fromUtf8(l.mid(2)));
    }
    return true;
}

// True when the simulator announced a later reply to the line ("= <line>")
// at or after offset.
bool isDeferred(const QString &root, qint64 offset, const QString &line)
{
    QFile log(Sim::ControlChannel::logPath(root));
    if (!log.open(QIODevice::ReadOnly) || !log.seek(offset))
        return false;
    const QByteArray mark = "= " + line.toUtf8() + '\n';
    const QByteArray text = log.readAll();
    return text.startsWith(mark) || text.contains('\n' + mark);
}

int sendCommand(const QString &root, QString command)
{
    // Commands that get a reply, as the control channel will see them.
    QStringList expected;
    for (const QString &line : command.split(QLatin1Char('\n'))) {
        const Sim::ControlRequest request = Sim::ControlRequest::parse(line);
        if (!request.name.isEmpty() && !request.name.startsWith(QLatin1Char('#')))
            expected << request.line;
    }
    const qint64 offset = QFileInfo(Sim::ControlChannel::logPath(root)).size();

    const QByteArray fifo = QFile::encodeName(Sim::ControlChannel::fifoPath(root));
    // Non-blocking: without a simulator reading the FIFO the open fails at
    // once instead of waiting for ever.
    const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        say(stderr, QStringLiteral("tq3900-sim: no simulator is running on %1 (%2)")
                        .arg(root, QString::fromLocal8Bit(std::strerror(errno))));
        return 1;
    }
    if (!command.endsWith(QLatin1Char('\n')))
        command += QLatin1Char('\n');
    const QByteArray bytes = command.toUtf8();
    // Lines up to PIPE_BUF reach the FIFO whole; write all of it.
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            say(stderr, QStringLiteral("tq3900-sim: cannot write the command: %1")
                            .arg(QString::fromLocal8Bit(std::strerror(errno))));
            ::close(fd);
            return 1;
        }
        done += n;
    }
    ::close(fd);

    // Print each reply as the simulator journalled it; an "error: ..."
    // reply makes the exit status 1.
    int status = 0;
    qint64 from = offset;
    QElapsedTimer clock;
    clock.start();
    for (const QString &line : qAsConst(expected)) {
        QStringList reply;
        // A command that replies later says so at once ("= <line>").
        int limitMs = 5000;
        while (!findReply(root, &from, line, &reply)) {
            if (limitMs < Sim::ControlChannel::kDeferredReplyLimitMs && isDeferred(root, from, line))
                limitMs = Sim::ControlChannel::kDeferredReplyLimitMs;
            if (clock.elapsed() > limitMs) {
                say(stderr, QStringLiteral("tq3900-sim: no reply to \"%1\" within %2 s")
                                .arg(line).arg(limitMs / 1000));
                return 1;
            }
            QThread::msleep(10);
        }
        clock.restart();
        for (const QString &r : qAsConst(reply))
            say(stdout, r);
        if (!reply.isEmpty() && reply.first().startsWith(QLatin1String("error:")))
            status = 1;
    }
    return status;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tq3900-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated board for the TQ3900 program."));
    parser.addHelpOption();
    const QCommandLineOption rootOption(QStringLiteral("root"), QStringLiteral("Device root folder."),
                                        QStringLiteral("dir"));
    const QCommandLineOption sendOption(
        QStringLiteral("send"), QStringLiteral("Give the simulator running on the root one command and exit."),
        QStringLiteral("command"));
    const QCommandLineOption logOption(
        QStringLiteral("log"), QStringLiteral("Copy standard input into a bounded log file until its end."),
        QStringLiteral("file"));
    const QCommandLineOption unmountedOption(
        QStringLiteral("data-unmounted"),
        QStringLiteral("Start with the data partition unmounted, as the board boots: its files (catalogues, "
                       "measurements) come into sight when the program's start-up mounts it."));
    parser.addOption(rootOption);
    parser.addOption(unmountedOption);
    parser.addOption(sendOption);
    parser.addOption(logOption);
    parser.process(app);

    if (parser.isSet(logOption)) {
        // Ctrl-C reaches the whole process group: the log keeps reading until
        // the writer has ended and closed its output.
        std::signal(SIGINT, SIG_IGN);
        Sim::BoundedLog log(parser.value(logOption));
        return log.pump(STDIN_FILENO);
    }

    if (!parser.isSet(rootOption) || parser.value(rootOption).isEmpty()) {
        say(stderr, QStringLiteral("tq3900-sim: --root DIR is required"));
        return 2;
    }
    const QString root = QDir(parser.value(rootOption)).absolutePath();
    if (parser.isSet(sendOption))
        return sendCommand(root, parser.value(sendOption));

    Sim::SignalPipe signalPipe;
    if (!signalPipe.install()) {
        say(stderr, QStringLiteral("tq3900-sim: cannot install the signal handlers"));
        return 1;
    }
    Sim::Simulator sim(root);
    sim.setPowerOnReset(true);
    sim.setDataPartitionUnmounted(parser.isSet(unmountedOption));
    QString error;
    if (!sim.start(&error)) {
        say(stderr, QStringLiteral("tq3900-sim: ") + error);
        return 1;
    }
    QObject::connect(&signalPipe, &Sim::SignalPipe::received, &app, &QCoreApplication::quit);
    QObject::connect(&sim, &Sim::Simulator::quitRequested, &app, &QCoreApplication::quit);
    QObject::connect(sim.control(), &Sim::ControlChannel::commandExecuted, [](const QString &line, const QString &reply) {
        say(stdout, QStringLiteral("> ") + line);
        for (const QString &r : reply.split(QLatin1Char('\n')))
            say(stdout, QStringLiteral("< ") + r);
    });

    for (const QString &line : sim.linkLines())
        say(stdout, line);
    say(stdout, QStringLiteral("ready"));

    const int rc = app.exec();
    sim.stop();
    return rc;
}
