#include "datapartition.h"

#include "commandrunner.h"
#include "deviceroot.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>

const char DataPartition::kDevice[] = "/dev/mmcblk0p3";
const char DataPartition::kMountPoint[] = "/media/tq3900";
const char DataPartition::kMount[] = "mount /dev/mmcblk0p3 /media/tq3900";
const char DataPartition::kUnmount[] = "umount /media/tq3900";

namespace {
// Where the paths of an unmounted partition lie: the host's own device file,
// never mapped under a device root (a simulated board's /dev is a folder).
const char kRefusedPrefix[] = "/dev/null";
// The mount table is a few lines; a longer one is read up to this.
const qint64 kMaxTableBytes = 64 * 1024;

QMutex s_lock;
// The state and the device root it holds for: a state set under another
// root (a test's earlier one) is not known here.
DataPartition::State s_state = DataPartition::State::NotMounted;
QString s_root;
bool s_known = false;
// The files whose failed open was logged since the partition last went away.
QSet<QString> s_reported;
// More names than the program's few files on the partition are not kept.
const int kMaxReported = 64;

// With s_lock held.
void recordLocked(DataPartition::State state)
{
    const bool wasAway = s_known && s_root == DeviceRoot::root() && s_state != DataPartition::State::Mounted;
    // The partition goes away: each file's failure is worth one line again.
    if (state != DataPartition::State::Mounted && !wasAway)
        s_reported.clear();
    s_state = state;
    s_root = DeviceRoot::root();
    s_known = true;
}

void record(DataPartition::State state)
{
    QMutexLocker lock(&s_lock);
    recordLocked(state);
}
} // namespace

bool DataPartition::inMountTable()
{
    QFile table(DeviceRoot::path(QStringLiteral("/proc/mounts")));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    // "<device> <mount point> <type> <options> 0 0"; blanks in a path are
    // written as "\040", so the fields stand as they are. Only the partition
    // counts: another file system at the mount point (a tmpfs) keeps what is
    // written there in memory, lost to the card and the PC. Of several mounts
    // there the last listed is the one on top, whose files are seen.
    const QList<QByteArray> lines = table.read(kMaxTableBytes).split('\n');
    QByteArray onTop;
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.value(1) == kMountPoint)
            onTop = fields.value(0);
    }
    return onTop == kDevice;
}

DataPartition::State DataPartition::state()
{
    {
        QMutexLocker lock(&s_lock);
        if (s_known && s_root == DeviceRoot::root() && s_state != State::Mounted)
            return s_state;
    }
    // Mounted as recorded, or not known yet: the mount table tells. An
    // unmount from a shell goes past this class, and what is written under
    // the bare mount point after it is lost (hidden by the next mount).
    const bool inTable = inMountTable();
    QMutexLocker lock(&s_lock);
    if (s_known && s_root == DeviceRoot::root()) {
        if (s_state != State::Mounted || inTable)
            return s_state;
        qDebug().noquote() << QStringLiteral("%1 is no longer in the mount table: the data partition was unmounted "
                                             "outside the program")
                                  .arg(QLatin1String(kMountPoint));
    }
    recordLocked(inTable ? State::Mounted : State::NotMounted);
    return s_state;
}

QString DataPartition::path(const QString &boardPathOrName)
{
    const QString mountPoint = QLatin1String(kMountPoint);
    QString board = boardPathOrName.startsWith(QLatin1Char('/'))
                        ? DeviceRoot::boardPath(boardPathOrName)
                        : mountPoint + QLatin1Char('/') + boardPathOrName;
    board = QDir::cleanPath(board);
    const bool onPartition = board == mountPoint || board.startsWith(mountPoint + QLatin1Char('/'));
    // The trailing slash of a folder stays, as callers append names to it.
    if (boardPathOrName.endsWith(QLatin1Char('/')) && !board.endsWith(QLatin1Char('/')))
        board += QLatin1Char('/');
    if (onPartition && !isMounted())
        return QLatin1String(kRefusedPrefix) + board;
    return DeviceRoot::path(board);
}

bool DataPartition::mount(int timeoutMs, const QString &workingDir)
{
    const QString command = QLatin1String(kMount);
    CommandRunner::Result result;
    if (timeoutMs < 0) {
        result.exitCode = CommandRunner::run(command, workingDir);
    } else {
        result = CommandRunner::runWithTimeout(command, timeoutMs, workingDir);
        if (result.timedOut)
            qWarning().noquote() << QStringLiteral("\"%1\" did not end within %2 s").arg(command).arg(timeoutMs / 1000);
    }
    // A mount that failed because the partition is mounted already (the
    // program started again, leaving a dialog without lending) leaves it
    // mounted; only the mount table tells the two apart.
    const bool mounted = result.exitCode == 0 || inMountTable();
    if (result.exitCode != 0)
        qDebug().noquote() << QStringLiteral("\"%1\" ended with %2: the data partition is %3")
                                  .arg(command)
                                  .arg(result.exitCode)
                                  .arg(mounted ? QStringLiteral("mounted") : QStringLiteral("not mounted"));
    record(mounted ? State::Mounted : State::NotMounted);
    return mounted;
}

bool DataPartition::unmount(const QString &workingDir)
{
    const int exitCode = CommandRunner::run(QLatin1String(kUnmount), workingDir);
    const bool unmounted = exitCode == 0 || !inMountTable();
    if (exitCode != 0)
        qDebug().noquote() << QStringLiteral("\"%1\" ended with %2").arg(QLatin1String(kUnmount)).arg(exitCode);
    if (unmounted)
        record(State::NotMounted);
    return unmounted;
}

void DataPartition::reportNotOpened(const QString &path)
{
    const bool mounted = isMounted();
    if (!mounted) {
        QMutexLocker lock(&s_lock);
        if (s_reported.contains(path))
            return;
        if (s_reported.size() >= kMaxReported)
            s_reported.clear();
        s_reported.insert(path);
    }
    qDebug() << "Could not open file:" << path;
}

void DataPartition::setNotMounted()
{
    record(State::NotMounted);
}

void DataPartition::setWithPc()
{
    record(State::WithPc);
}
