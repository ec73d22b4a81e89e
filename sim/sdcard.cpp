#include "sdcard.h"

#include "boardshell.h"
#include "controlchannel.h"
#include "devicetree.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <fcntl.h>
#include <sys/stat.h>

namespace Sim {

const char SdCard::kMountPoint[] = "/media/boot";
const char SdCard::kBootDevice[] = "/dev/mmcblk0p1";
const char SdCard::kDataDevice[] = "/dev/mmcblk0p3";

namespace {
const char kCardDevice[] = "/dev/mmcblk0";

// The words of a command line that are not options.
QStringList operands(const ShellCommand &c)
{
    QStringList out;
    for (const QString &w : c.words.mid(1))
        if (!w.startsWith(QLatin1Char('-')))
            out << w;
    return out;
}

QString options(const ShellCommand &c)
{
    QString out;
    for (const QString &w : c.words.mid(1))
        if (w.startsWith(QLatin1Char('-')))
            out += w.mid(1);
    return out;
}

QString absolute(const QString &path, const QString &workDir)
{
    const QString full = path.startsWith(QLatin1Char('/')) ? path : workDir + QLatin1Char('/') + path;
    return QDir::cleanPath(full);
}
} // namespace

SdCard::SdCard(const QString &root, QObject *parent)
    : QObject(parent), m_root(root)
{
}

QString SdCard::partitionDir() const
{
    return m_root + QStringLiteral("/.tq3900/sdcard/mmcblk0p1");
}

bool SdCard::layout()
{
    // The boot loader's files, as the factory writes them.
    const struct {
        const char *name;
        QByteArray content;
    } files[] = {
        {"MLO", QByteArray(1024, '\x4d')},
        {"u-boot.img", QByteArray(4096, '\x55')},
        {"uEnv.txt", "bootpart=0:2\nbootdir=/boot\nuenvcmd=run loadimage; run mmcboot\n"},
    };
    bool ok = QDir().mkpath(partitionDir());
    for (const auto &f : files) {
        const QString path = partitionDir() + QLatin1Char('/') + QLatin1String(f.name);
        if (QFileInfo::exists(path))
            continue;
        QFile out(path);
        ok = out.open(QIODevice::WriteOnly) && out.write(f.content) == f.content.size() && ok;
    }
    return ok;
}

QByteArray SdCard::partitionTable()
{
    return "BYT;\n"
           "/dev/mmcblk0:7948MB:sd/mmc:512:512:msdos:SD SC08G:;\n"
           "1:0.03MB:4.19MB:4.16MB:free;\n"
           "1:4.19MB:71.3MB:67.1MB:fat16::boot, lba;\n"
           "2:71.3MB:1145MB:1074MB:ext4::;\n"
           "3:1145MB:7948MB:6803MB:ext4::;\n"
           "1:7948MB:7948MB:0.52MB:free;\n";
}

QByteArray SdCard::listing(const QString &localDir, bool all)
{
    const QDir::Filters filter = all ? QDir::AllEntries | QDir::Hidden | QDir::System
                                     : QDir::AllEntries | QDir::NoDotAndDotDot;
    const QFileInfoList entries = QDir(localDir).entryInfoList(filter, QDir::Name);
    const QLocale c = QLocale::c();
    QByteArray out;
    qint64 blocks = 0;
    QList<QByteArray> lines;
    for (const QFileInfo &e : entries) {
        const bool dir = e.isDir();
        // A FAT file system shows every file with the mount's one mode.
        const QByteArray mode = dir ? "drwxr-xr-x" : "-rwxr-xr-x";
        const qint64 size = dir ? 2048 : e.size();
        blocks += (size + 1023) / 1024;
        const QDateTime t = e.lastModified();
        QString date = c.toString(t, QStringLiteral("MMM ")) + QString::number(t.date().day()).rightJustified(2)
            + c.toString(t, QStringLiteral(" HH:mm"));
        lines << QStringLiteral("%1 %2 root root %3 %4 %5\n")
                     .arg(QLatin1String(mode))
                     .arg(dir ? 2 : 1)
                     .arg(size, 6)
                     .arg(date, e.fileName())
                     .toUtf8();
    }
    out += "total " + QByteArray::number(blocks) + '\n';
    for (const QByteArray &l : lines)
        out += l;
    return out;
}

QString SdCard::bootPath(const QString &boardPath, const QString &workDir) const
{
    const QString path = absolute(boardPath, workDir);
    const QString mountPoint = isBootMounted() ? m_mountedOn : QString::fromLatin1(kMountPoint);
    if (path != mountPoint && !path.startsWith(mountPoint + QLatin1Char('/')))
        return QString();
    const QString rest = path.mid(mountPoint.size());
    return (isBootMounted() ? partitionDir() : m_root + mountPoint) + rest;
}

bool SdCard::parted(const ShellCommand &c, ShellAnswer *a) const
{
    if (!c.words.contains(QLatin1String(kCardDevice)))
        return false;
    switch (m_parted) {
    case PartedReply::Table:
        a->output = partitionTable();
        break;
    case PartedReply::Empty:
        break;
    case PartedReply::Late:
        a->output = partitionTable();
        a->delayMs = kLateMs;
        break;
    case PartedReply::Silent:
        a->silent = true;
        break;
    case PartedReply::NoTool:
        a->exitCode = 127;
        a->output = "sh: parted: not found\n";
        break;
    case PartedReply::NoDevice:
        a->exitCode = 1;
        a->output = "Error: Could not stat device /dev/mmcblk0 - No such file or directory.\n";
        break;
    }
    return true;
}

bool SdCard::fsck(const ShellCommand &c, ShellAnswer *a) const
{
    if (!operands(c).contains(QLatin1String(kDataDevice)))
        return false;
    // A clean partition; only the time the check takes is played.
    a->delayMs = m_checkDelayMs;
    return true;
}

bool SdCard::mkdir(const ShellCommand &c, ShellAnswer *a) const
{
    const QStringList paths = operands(c);
    QStringList local;
    for (const QString &p : paths) {
        local << bootPath(p, c.workDir);
        if (local.last().isEmpty())
            return false;
    }
    if (paths.isEmpty())
        return false;
    const bool parents = options(c).contains(QLatin1Char('p'));
    for (int i = 0; i < paths.size(); ++i) {
        const QFileInfo info(local[i]);
        if (info.exists() && !parents) {
            a->output += "mkdir: cannot create directory '" + paths[i].toUtf8() + "': File exists\n";
            a->exitCode = 1;
        } else if (!parents && !info.dir().exists()) {
            a->output += "mkdir: cannot create directory '" + paths[i].toUtf8() + "': No such file or directory\n";
            a->exitCode = 1;
        } else if (!QDir().mkpath(local[i])) {
            a->output += "mkdir: cannot create directory '" + paths[i].toUtf8() + "'\n";
            a->exitCode = 1;
        }
    }
    return true;
}

bool SdCard::mount(const ShellCommand &c, ShellAnswer *a)
{
    const QStringList args = operands(c);
    if (args.size() != 2 || args[0] != QLatin1String(kBootDevice))
        return false;
    const QString target = absolute(args[1], c.workDir);
    if (isBootMounted()) {
        a->exitCode = 32;
        a->output = QStringLiteral("mount: %1: %2 already mounted on %3.\n")
                        .arg(target, QLatin1String(kBootDevice), m_mountedOn)
                        .toUtf8();
        return true;
    }
    if (!QFileInfo(m_root + target).isDir()) {
        a->exitCode = 32;
        a->output = "mount: " + args[1].toUtf8() + ": mount point does not exist.\n";
        return true;
    }
    m_mountedOn = target;
    return true;
}

bool SdCard::touch(const ShellCommand &c, ShellAnswer *a) const
{
    const QStringList paths = operands(c);
    if (paths.isEmpty())
        return false;
    for (const QString &p : paths)
        if (bootPath(p, c.workDir).isEmpty())
            return false;
    for (const QString &p : paths) {
        QFile f(bootPath(p, c.workDir));
        if (!f.open(QIODevice::Append)) {
            a->output += "touch: cannot touch '" + p.toUtf8() + "': No such file or directory\n";
            a->exitCode = 1;
            continue;
        }
        f.setFileTime(now(), QFileDevice::FileModificationTime);
    }
    // A file made here changed its folder as well.
    if (m_clock.isValid())
        stampAll();
    return true;
}

QDateTime SdCard::now() const
{
    return m_clock.isValid() ? m_clock : QDateTime::currentDateTime();
}

void SdCard::stampAll() const
{
    const QString card = QFileInfo(partitionDir()).absolutePath();
    QStringList paths = {card, partitionDir()};
    for (const QString &name : QDir(partitionDir()).entryList(QDir::Files | QDir::Hidden))
        paths << partitionDir() + QLatin1Char('/') + name;
    // Folders too, which QFile does not open.
    const qint64 seconds = m_clock.toSecsSinceEpoch();
    const struct timespec times[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
    for (const QString &path : paths)
        ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
}

bool SdCard::ls(const ShellCommand &c, ShellAnswer *a) const
{
    const QStringList paths = operands(c);
    if (paths.size() != 1)
        return false;
    const QString local = bootPath(paths[0], c.workDir);
    if (local.isEmpty())
        return false;
    const QString opts = options(c);
    if (!QFileInfo(local).isDir()) {
        a->exitCode = 2;
        a->output = "ls: cannot access '" + paths[0].toUtf8() + "': No such file or directory\n";
        return true;
    }
    if (opts.contains(QLatin1Char('l'))) {
        a->output = listing(local, opts.contains(QLatin1Char('a')));
        return true;
    }
    QDir::Filters filter = QDir::AllEntries | QDir::NoDotAndDotDot;
    if (opts.contains(QLatin1Char('a')))
        filter = QDir::AllEntries | QDir::Hidden;
    for (const QString &name : QDir(local).entryList(filter, QDir::Name))
        a->output += name.toUtf8() + '\n';
    return true;
}

void SdCard::registerShell(BoardShell &shell)
{
    shell.addHandler(QStringLiteral("parted"), [this](const ShellCommand &c, ShellAnswer *a) { return parted(c, a); });
    shell.addHandler(QStringLiteral("fsck"), [this](const ShellCommand &c, ShellAnswer *a) { return fsck(c, a); });
    shell.addHandler(QStringLiteral("mkdir"), [this](const ShellCommand &c, ShellAnswer *a) { return mkdir(c, a); });
    shell.addHandler(QStringLiteral("mount"), [this](const ShellCommand &c, ShellAnswer *a) { return mount(c, a); });
    shell.addHandler(QStringLiteral("touch"), [this](const ShellCommand &c, ShellAnswer *a) { return touch(c, a); });
    shell.addHandler(QStringLiteral("ls"), [this](const ShellCommand &c, ShellAnswer *a) { return ls(c, a); });
}

void SdCard::registerCommands(ControlChannel &control)
{
    control.registerCommand(
        QStringLiteral("sdcard"),
        QStringLiteral("sdcard parted <table|empty|late|silent|notool|nodevice>: how \"parted\" answers; "
                       "sdcard fsck <ms>: how long the data partition's check takes; "
                       "sdcard boot: the boot partition's mount and files; "
                       "sdcard clock <yyyy-MM-ddThh:mm:ss|now>: the time the card's files are stamped with"),
        [this](const ControlRequest &r) {
            const QString usage = QStringLiteral(
                "error: usage: sdcard parted <table|empty|late|silent|notool|nodevice> | sdcard fsck <ms> | sdcard boot | "
                "sdcard clock <yyyy-MM-ddThh:mm:ss|now>");
            if (r.args.value(0) == QLatin1String("clock") && r.args.size() == 2) {
                if (r.args[1] == QLatin1String("now")) {
                    m_clock = QDateTime();
                    return QStringLiteral("ok");
                }
                const QDateTime t = QDateTime::fromString(r.args[1], Qt::ISODate);
                if (!t.isValid() || t.date().year() < 1980 || t.date().year() > 2099)
                    return usage;
                m_clock = t;
                stampAll();
                return QStringLiteral("ok");
            }
            if (r.args.value(0) == QLatin1String("fsck") && r.args.size() == 2) {
                bool ok = false;
                const int ms = r.args[1].toInt(&ok);
                if (!ok || ms < 0 || ms > 600000)
                    return usage;
                m_checkDelayMs = ms;
                return QStringLiteral("ok");
            }
            if (r.args.value(0) == QLatin1String("boot") && r.args.size() == 1) {
                QString text = isBootMounted()
                    ? QStringLiteral("%1 mounted on %2").arg(QLatin1String(kBootDevice), m_mountedOn)
                    : QStringLiteral("%1 not mounted").arg(QLatin1String(kBootDevice));
                const QStringList names =
                    QDir(partitionDir()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
                return text + QStringLiteral("\nfiles: ") + names.join(QLatin1Char(' '));
            }
            if (r.args.value(0) != QLatin1String("parted") || r.args.size() != 2)
                return usage;
            const QString how = r.args[1];
            if (how == QLatin1String("table"))
                m_parted = PartedReply::Table;
            else if (how == QLatin1String("empty"))
                m_parted = PartedReply::Empty;
            else if (how == QLatin1String("late"))
                m_parted = PartedReply::Late;
            else if (how == QLatin1String("silent"))
                m_parted = PartedReply::Silent;
            else if (how == QLatin1String("notool"))
                m_parted = PartedReply::NoTool;
            else if (how == QLatin1String("nodevice"))
                m_parted = PartedReply::NoDevice;
            else
                return usage;
            return QStringLiteral("ok");
        });
}

} // namespace Sim
