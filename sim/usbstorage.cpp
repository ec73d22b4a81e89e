#include "usbstorage.h"

#include "boardshell.h"
#include "controlchannel.h"
#include "devicetree.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace Sim {

namespace {
const char kDevice[] = "/dev/mmcblk0p3";
const char kMountPoint[] = "/media/tq3900";
const char kGadget[] = "g_mass_storage";
// The largest file the PC side copies onto the partition in one command.
const qint64 kMaxHostFile = 64 * 1024 * 1024;

bool isEmptyFolder(const QString &path)
{
    return QDir(path).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}
} // namespace

UsbStorage::UsbStorage(const QString &root, QObject *parent)
    : QObject(parent), m_root(root)
{
    // An earlier run left the partition unmounted or with the PC: the board
    // starts again and mounts it, over whatever the bare mount point holds.
    if (QFileInfo(holdingPlace()).isDir())
        m_state = moveIntoSight() ? State::Mounted : State::Unmounted;
    writeMountTable();
}

QString UsbStorage::stateName(State state)
{
    switch (state) {
    case State::Mounted:
        return QStringLiteral("mounted");
    case State::Unmounted:
        return QStringLiteral("unmounted");
    case State::Exported:
        return QStringLiteral("exported");
    }
    return QString();
}

QString UsbStorage::mountPoint() const
{
    return m_root + QLatin1String(kMountPoint);
}

QString UsbStorage::holdingPlace() const
{
    return m_root + QStringLiteral("/.tq3900/mmcblk0p3");
}

QString UsbStorage::beneath() const
{
    return m_root + QStringLiteral("/.tq3900/beneath-tq3900");
}

bool UsbStorage::moveOutOfReach()
{
    QDir().mkpath(QFileInfo(holdingPlace()).path());
    if (QFileInfo::exists(holdingPlace()) || !QDir().rename(mountPoint(), holdingPlace()))
        return false;
    // What the root file system holds under the mount point.
    if (!QFileInfo(beneath()).isDir() || !QDir().rename(beneath(), mountPoint()))
        QDir().mkpath(mountPoint());
    return true;
}

bool UsbStorage::moveIntoSight()
{
    if (QFileInfo::exists(mountPoint()) && !isEmptyFolder(mountPoint())) {
        if (QFileInfo::exists(beneath()) || !QDir().rename(mountPoint(), beneath()))
            return false;
    } else {
        QDir().rmdir(mountPoint());
    }
    if (QDir().rename(holdingPlace(), mountPoint()))
        return true;
    // Nothing moved: what lay beneath stays in sight.
    if (!QFileInfo(beneath()).isDir() || !QDir().rename(beneath(), mountPoint()))
        QDir().mkpath(mountPoint());
    return false;
}

void UsbStorage::writeMountTable() const
{
    QDir().mkpath(m_root + QStringLiteral("/proc"));
    QFile table(m_root + QStringLiteral("/proc/mounts"));
    if (!table.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    table.write(mountTable(m_state == State::Mounted));
}

QStringList UsbStorage::heldUnder(qint64 pid, const QString &folder)
{
    QStringList held;
    const QString base = QFileInfo(folder).canonicalFilePath();
    if (pid <= 0 || base.isEmpty())
        return held;
    const auto inside = [&base](const QString &path) {
        return path == base || path.startsWith(base + QLatin1Char('/'));
    };
    // Our own entries through "self": in a process-id namespace whose /proc
    // was not mounted anew (the board tests' own), the id we know ourselves
    // by is not the one /proc lists us under.
    const QString proc = pid == QCoreApplication::applicationPid() ? QStringLiteral("/proc/self/")
                                                                   : QStringLiteral("/proc/%1/").arg(pid);
    const QString cwd = QFileInfo(proc + QLatin1String("cwd")).symLinkTarget();
    if (inside(cwd))
        held << cwd;
    const QStringList fds = QDir(proc + QLatin1String("fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &fd : fds) {
        const QString target = QFileInfo(proc + QLatin1String("fd/") + fd).symLinkTarget();
        if (inside(target))
            held << target;
    }
    return held;
}

bool UsbStorage::umount(const QStringList &words, qint64 pid, int *exitCode, QByteArray *output)
{
    const QString target = words.value(1);
    if (words.size() != 2 || (target != QLatin1String(kMountPoint) && target != QLatin1String(kDevice)))
        return false;
    *exitCode = 32;
    if (m_state != State::Mounted) {
        *output = "umount: /media/tq3900: not mounted.\n";
        return true;
    }
    if (m_unmountBusy || !heldUnder(pid, mountPoint()).isEmpty()) {
        *output = "umount: /media/tq3900: target is busy.\n";
        return true;
    }
    if (!moveOutOfReach()) {
        *output = "umount: /media/tq3900: simulated board could not move the partition's files.\n";
        return true;
    }
    m_state = State::Unmounted;
    writeMountTable();
    *exitCode = 0;
    return true;
}

bool UsbStorage::unmountAtBoot(QString *error)
{
    if (m_state == State::Unmounted)
        return true;
    if (m_state == State::Exported) {
        *error = QStringLiteral("the PC has the partition");
        return false;
    }
    if (!moveOutOfReach()) {
        *error = QStringLiteral("cannot move the partition's files out of reach");
        return false;
    }
    m_state = State::Unmounted;
    writeMountTable();
    return true;
}

bool UsbStorage::modprobe(const QStringList &words, int *exitCode, QByteArray *output)
{
    if (!words.contains(QLatin1String(kGadget)))
        return false;
    if (words.contains(QStringLiteral("-r"))) {
        if (m_state != State::Exported) {
            *exitCode = 1;
            *output = "modprobe: FATAL: Module g_mass_storage is not in kernel.\n";
            return true;
        }
        if (m_unexportFails) {
            *exitCode = 1;
            *output = "modprobe: FATAL: Module g_mass_storage is in use.\n";
            return true;
        }
        m_state = State::Unmounted;
        *exitCode = 0;
        return true;
    }
    if (!words.contains(QStringLiteral("file=") + QLatin1String(kDevice)))
        return false;
    if (m_state == State::Mounted) {
        *exitCode = 1;
        *output = "modprobe: simulated board refuses to export /dev/mmcblk0p3 while it is mounted.\n";
        return true;
    }
    if (m_exportFails && m_state != State::Exported) {
        *exitCode = 1;
        *output = "modprobe: ERROR: could not insert 'g_mass_storage': No such device\n";
        return true;
    }
    m_state = State::Exported; // loading it again changes nothing
    *exitCode = 0;
    return true;
}

bool UsbStorage::mount(const QStringList &words, int *exitCode, QByteArray *output)
{
    if (words.size() != 3 || words.value(1) != QLatin1String(kDevice))
        return false;
    *exitCode = 32;
    if (words.value(2) != QLatin1String(kMountPoint)) {
        *output = "mount: simulated board mounts /dev/mmcblk0p3 on /media/tq3900 only.\n";
        return true;
    }
    if (m_state == State::Mounted) {
        *output = "mount: /media/tq3900: /dev/mmcblk0p3 already mounted on /media/tq3900.\n";
        return true;
    }
    if (m_state == State::Exported) {
        *output = "mount: simulated board refuses to mount /dev/mmcblk0p3 while the PC has it.\n";
        return true;
    }
    if (m_mountFails) {
        *output = "mount: /media/tq3900: wrong fs type, bad option, bad superblock on /dev/mmcblk0p3, "
                  "missing codepage or helper program, or other error.\n";
        return true;
    }
    // What the bare mount point holds is hidden by the mount, as on the board.
    if (!moveIntoSight()) {
        *output = "mount: simulated board could not move the partition's files back.\n";
        return true;
    }
    m_state = State::Mounted;
    writeMountTable();
    *exitCode = 0;
    return true;
}

QString UsbStorage::pcPath(const QString &name, QString *error) const
{
    if (m_state != State::Exported) {
        *error = QStringLiteral("the partition is not exported to the PC (%1)").arg(stateName(m_state));
        return QString();
    }
    const QString clean = QDir::cleanPath(name);
    if (clean.isEmpty() || clean == QLatin1String(".") || clean.startsWith(QLatin1Char('/'))
        || clean == QLatin1String("..") || clean.startsWith(QLatin1String("../"))) {
        *error = QStringLiteral("%1 is no name inside the partition").arg(name);
        return QString();
    }
    return holdingPlace() + QLatin1Char('/') + clean;
}

QStringList UsbStorage::pcList() const
{
    QStringList out;
    if (m_state != State::Exported)
        return out;
    const QString base = holdingPlace() + QLatin1Char('/');
    QDirIterator it(holdingPlace(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString name = info.filePath().mid(base.size());
        out << (info.isDir() ? name + QLatin1Char('/') : QStringLiteral("%1 %2").arg(name).arg(info.size()));
    }
    out.sort();
    return out;
}

bool UsbStorage::pcPut(const QString &name, const QByteArray &content, QString *error)
{
    const QString path = pcPath(name, error);
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(content) != content.size()) {
        *error = QStringLiteral("cannot write %1").arg(name);
        return false;
    }
    return true;
}

bool UsbStorage::pcRemove(const QString &name, QString *error)
{
    const QString path = pcPath(name, error);
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    const bool ok = info.isDir() && !info.isSymLink() ? QDir(path).removeRecursively() : QFile::remove(path);
    if (!ok)
        *error = QStringLiteral("cannot remove %1").arg(name);
    return ok;
}

void UsbStorage::registerShell(BoardShell &shell)
{
    shell.addHandler(QStringLiteral("umount"), [this](const ShellCommand &command, ShellAnswer *answer) {
        return umount(command.words, command.pid, &answer->exitCode, &answer->output);
    });
    using Tool = bool (UsbStorage::*)(const QStringList &, int *, QByteArray *);
    const QPair<QString, Tool> tools[] = {{QStringLiteral("modprobe"), &UsbStorage::modprobe},
                                          {QStringLiteral("mount"), &UsbStorage::mount}};
    for (const auto &tool : tools) {
        const Tool run = tool.second;
        shell.addHandler(tool.first, [this, run](const ShellCommand &command, ShellAnswer *answer) {
            return (this->*run)(command.words, &answer->exitCode, &answer->output);
        });
    }
}

void UsbStorage::registerCommands(ControlChannel &channel)
{
    channel.registerCommand(
        QStringLiteral("usb"),
        QStringLiteral("usb [status] | list | put <name> <text> | copy <host file> [name] | remove <name> | "
                       "umount <ok|busy> | export <ok|fail> | unexport <ok|fail> | mount <ok|fail> | unmount: the data "
                       "partition and the PC at the USB port (unmount: as the board boots, until the program mounts it)"),
        [this](const ControlRequest &r) {
            const QString usage = QStringLiteral(
                "error: usage: usb [status] | usb list | usb put <name> <text with \\n \\xNN escapes> | "
                "usb copy <host file> [name] | usb remove <name> | usb umount <ok|busy> | usb export <ok|fail> | "
                "usb unexport <ok|fail> | usb mount <ok|fail> | usb unmount");
            const QString sub = r.args.value(0);
            const int count = r.args.size();
            QString error;
            if (count == 0 || (sub == QLatin1String("status") && count == 1))
                return stateName(m_state);
            if (sub == QLatin1String("umount") && count == 2
                && (r.args[1] == QLatin1String("ok") || r.args[1] == QLatin1String("busy"))) {
                setUnmountBusy(r.args[1] == QLatin1String("busy"));
                return QStringLiteral("ok");
            }
            if ((sub == QLatin1String("export") || sub == QLatin1String("unexport") || sub == QLatin1String("mount"))
                && count == 2 && (r.args[1] == QLatin1String("ok") || r.args[1] == QLatin1String("fail"))) {
                const bool fails = r.args[1] == QLatin1String("fail");
                if (sub == QLatin1String("export"))
                    setExportFails(fails);
                else if (sub == QLatin1String("unexport"))
                    setUnexportFails(fails);
                else
                    setMountFails(fails);
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("unmount") && count == 1)
                return unmountAtBoot(&error) ? QStringLiteral("ok") : QStringLiteral("error: ") + error;
            if (sub == QLatin1String("list") && count == 1) {
                if (m_state != State::Exported)
                    return QStringLiteral("error: the partition is not exported to the PC (%1)").arg(stateName(m_state));
                const QStringList files = pcList();
                return files.isEmpty() ? QStringLiteral("(empty)") : files.join(QLatin1Char('\n'));
            }
            if (sub == QLatin1String("put") && count >= 3) {
                QByteArray content;
                if (!unescapeControlText(r.rest(2), &content))
                    return usage;
                return pcPut(r.args[1], content, &error) ? QStringLiteral("ok") : QStringLiteral("error: ") + error;
            }
            if (sub == QLatin1String("copy") && (count == 2 || count == 3)) {
                QFile host(r.args[1]);
                if (!host.open(QIODevice::ReadOnly) || host.size() > kMaxHostFile)
                    return QStringLiteral("error: cannot read %1 (at most %2 bytes)").arg(r.args[1]).arg(kMaxHostFile);
                const QString name = count == 3 ? r.args[2] : QFileInfo(r.args[1]).fileName();
                return pcPut(name, host.read(kMaxHostFile), &error) ? QStringLiteral("ok")
                                                                      : QStringLiteral("error: ") + error;
            }
            if (sub == QLatin1String("remove") && count == 2)
                return pcRemove(r.args[1], &error) ? QStringLiteral("ok") : QStringLiteral("error: ") + error;
            return usage;
        });
}

} // namespace Sim
