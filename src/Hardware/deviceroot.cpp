#include "deviceroot.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

QString DeviceRoot::root()
{
    QString r = QString::fromLocal8Bit(qgetenv("TQ3900_ROOT"));
    while (r.endsWith(QLatin1Char('/')))
        r.chop(1);
    return r;
}

bool DeviceRoot::isBoard()
{
    return isBoardBuild() && root().isEmpty();
}

QString DeviceRoot::missingRootMessage()
{
    if (isBoardBuild() || !root().isEmpty())
        return QString();
    return QStringLiteral("tq3900: no simulated board: start it with scripts/run, or with "
                          "TQ3900_ROOT=<dir> while \"tq3900-sim --root <dir>\" runs");
}

QString DeviceRoot::path(const QString &boardPath)
{
    if (!boardPath.startsWith(QLatin1Char('/')))
        return boardPath;
    const QString r = root();
    if (r.isEmpty())
        return boardPath;
    // Already mapped (a caller passed on a path it got from here).
    if (boardPath == r || boardPath.startsWith(r + QLatin1Char('/')))
        return boardPath;
    return r + boardPath;
}

QByteArray DeviceRoot::path(const char *boardPath)
{
    return path(QString::fromLocal8Bit(boardPath)).toLocal8Bit();
}

QString DeviceRoot::boardPath(const QString &localPath)
{
    const QString r = root();
    if (r.isEmpty())
        return localPath;
    if (localPath == r)
        return QStringLiteral("/");
    if (localPath.startsWith(r + QLatin1Char('/')))
        return localPath.mid(r.size());
    return localPath;
}

QString DeviceRoot::journalDir()
{
    const QString r = root();
    if (r.isEmpty())
        return QString();
    return r + QStringLiteral("/.tq3900");
}

void DeviceRoot::appendJournal(const QString &fileName, const QString &line)
{
    const QString dir = journalDir();
    if (dir.isEmpty())
        return;
    // Start-up writes many journal lines: make the folder once per root
    // (and thread: the data partition's check runs on a thread of its own).
    thread_local QString s_madeDir;
    if (s_madeDir != dir) {
        QDir().mkpath(dir);
        s_madeDir = dir;
    }
    const QByteArray path = (dir + QLatin1Char('/') + fileName).toLocal8Bit();
    int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        // The folder may have been removed since (a test cleaning up).
        QDir().mkpath(dir);
        fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return;
    }
    const QByteArray bytes = line.toUtf8() + '\n';
    // One write per line, so that lines of two writers never interleave.
    (void)!::write(fd, bytes.constData(), static_cast<size_t>(bytes.size()));
    ::close(fd);
}
