// tq3900-sim: plays the board around the instrument's program on a PC.
//
//   tq3900-sim --root DIR                  run the simulated board on DIR
//   tq3900-sim --root DIR --send "CMD"     give the running simulator a command

#include "controlchannel.h"
#include "signalpipe.h"
#include "simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

void say(FILE *stream, const QString &text)
{
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stream);
}

int sendCommand(const QString &root, QString command)
{
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
    return 0;
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
    parser.addOption(rootOption);
    parser.addOption(sendOption);
    parser.process(app);

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
