#include "commandrunner.h"
#include "deviceroot.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QProcess>

namespace {
// How long a command may take to start before it counts as not started.
constexpr int kStartTimeoutMs = 30000;
} // namespace

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
                                              const char *mode)
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
            break;
        }
        bool ok = false;
        const int code = first.toInt(&ok);
        r.exitCode = ok ? code : 0;
        break;
    }
    return r;
}

CommandRunner::Result CommandRunner::execute(const QString &command, const QString &workDir,
                                             int timeoutMs)
{
    Result r;
    QProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    // The caller's time-out counts from the start on.
    if (!p.waitForStarted(kStartTimeoutMs)) {
        qDebug() << "Command did not start:" << command;
        return r;
    }
    if (!p.waitForFinished(timeoutMs)) {
        r.timedOut = true;
        r.output = p.readAll();
        p.kill();
        p.waitForFinished(1000);
        return r;
    }
    r.output = p.readAll();
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return r;
}

int CommandRunner::run(const QString &command, const QString &workDir)
{
    if (!DeviceRoot::isBoard())
        return simulate(command, workDir, "wait").exitCode;
    return execute(command, workDir, -1).exitCode;
}

CommandRunner::Result CommandRunner::runWithTimeout(const QString &command, int timeoutMs,
                                                    const QString &workDir)
{
    if (!DeviceRoot::isBoard())
        return simulate(command, workDir, "timeout");
    return execute(command, workDir, timeoutMs);
}

bool CommandRunner::startDetached(const QString &command, const QString &workDir)
{
    if (!DeviceRoot::isBoard())
        return simulate(command, workDir, "detached").exitCode == 0;
    return QProcess::startDetached(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command},
                                   workDir);
}
