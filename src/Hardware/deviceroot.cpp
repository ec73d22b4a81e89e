#include "deviceroot.h"

#include <QDir>
#include <QFile>

QString DeviceRoot::root()
{
    QString r = QString::fromLocal8Bit(qgetenv("TQ3900_ROOT"));
    while (r.endsWith(QLatin1Char('/')))
        r.chop(1);
    return r;
}

bool DeviceRoot::isBoard()
{
    return root().isEmpty();
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
    QDir().mkpath(dir);
    QFile f(dir + QLatin1Char('/') + fileName);
    if (f.open(QIODevice::WriteOnly | QIODevice::Append)) {
        f.write(line.toUtf8());
        f.write("\n");
    }
}
