#include "testroot.h"

#include "commandrunner.h"
#include "devicetree.h"

#include <QDir>
#include <QFile>

TestRoot::TestRoot()
{
    m_hadRoot = qEnvironmentVariableIsSet("TQ3900_ROOT");
    m_previousRoot = qgetenv("TQ3900_ROOT");
    m_ok = m_dir.isValid() && Sim::layoutDeviceTree(m_dir.path());
    qputenv("TQ3900_ROOT", m_dir.path().toLocal8Bit());
}

TestRoot::~TestRoot()
{
    if (m_hadRoot)
        qputenv("TQ3900_ROOT", m_previousRoot);
    else
        qunsetenv("TQ3900_ROOT");
}

QByteArray TestRoot::read(const QString &boardPath) const
{
    return Sim::readBoardFile(root(), boardPath);
}

bool TestRoot::write(const QString &boardPath, const QByteArray &content) const
{
    return Sim::writeBoardFile(root(), boardPath, content);
}

bool TestRoot::exists(const QString &boardPath) const
{
    return QFile::exists(local(boardPath));
}

QStringList TestRoot::journal(const QString &name) const
{
    const QString text = QString::fromUtf8(read(QStringLiteral("/.tq3900/") + name));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList TestRoot::commands() const
{
    QStringList out;
    for (const QString &l : journal(QStringLiteral("commands.log")))
        out << l.section(QLatin1Char('\t'), 0, 0);
    return out;
}

QStringList TestRoot::commandDirs() const
{
    QStringList out;
    for (const QString &l : journal(QStringLiteral("commands.log")))
        out << l.section(QLatin1Char('\t'), 1, 1);
    return out;
}

QStringList TestRoot::sysfsWrites() const
{
    return journal(QStringLiteral("sysfs.log"));
}

QStringList TestRoot::sysfsWritesTo(const QString &boardPath) const
{
    QStringList out;
    const QString prefix = boardPath + QLatin1Char(' ');
    for (const QString &l : sysfsWrites())
        if (l.startsWith(prefix))
            out << l.mid(prefix.size());
    return out;
}

void TestRoot::answer(const QString &commandOrFirstWord, int exitCode, const QByteArray &output) const
{
    write(QStringLiteral("/.tq3900/answers/") + CommandRunner::answerKey(commandOrFirstWord),
          QByteArray::number(exitCode) + '\n' + output);
}

void TestRoot::clearJournals() const
{
    QFile::remove(local(QStringLiteral("/.tq3900/commands.log")));
    QFile::remove(local(QStringLiteral("/.tq3900/sysfs.log")));
    QFile::remove(local(QStringLiteral("/.tq3900/mixer.log")));
    QFile::remove(local(QStringLiteral("/.tq3900/registers.log")));
}
