#ifndef SIM_SDCARD_H
#define SIM_SDCARD_H

#include <QDateTime>
#include <QObject>
#include <QString>

namespace Sim {

class BoardShell;
class ControlChannel;
struct ShellAnswer;
struct ShellCommand;

// The instrument's SD card "/dev/mmcblk0" as the board's shell tools see
// it: "parted" prints its partition table, and its first partition (the FAT
// boot partition "/dev/mmcblk0p1") can be mounted on "/media/boot", where
// "mkdir", "touch" and "ls -la" act as on the board. The check of the data
// partition ("fsck ... /dev/mmcblk0p3") ends clean, at once or, as on a large
// or damaged card, after a time set by the control channel.
//
// The partition's files live in <root>/.tq3900/sdcard/mmcblk0p1/ (the boot
// loader files are put there at start when missing). While it is mounted,
// paths under the mount point are the partition's files; before, the mount
// point is the plain folder <root>/media/boot. The mount lasts until the
// simulator ends (the program never unmounts it). The card's clock
// ("sdcard clock <time>") stamps its files and folders at once and whatever
// "touch" changes later, so that a listing reads the same on every run.
//
// Commands on other paths or devices are left to other handlers.
class SdCard : public QObject
{
    Q_OBJECT
public:
    enum class PartedReply {
        Table,  // the card's table, at once
        Empty,  // ends without output
        Late,   // the table, after kLateMs
        Silent, // never ends
        NoTool,   // the shell finds no "parted" (exit 127)
        NoDevice, // the card's device is missing (exit 1, parted's error)
    };
    static constexpr int kLateMs = 5000;
    static const char kMountPoint[];
    static const char kBootDevice[];
    static const char kDataDevice[];

    explicit SdCard(const QString &root, QObject *parent = nullptr);

    // The folder that holds the boot partition's files.
    QString partitionDir() const;
    bool isBootMounted() const { return m_mountedOn.size() > 0; }
    void setPartedReply(PartedReply reply) { m_parted = reply; }
    // How long "fsck" of the data partition takes (0: it ends at once).
    void setCheckDelay(int ms) { m_checkDelayMs = ms; }

    // What "parted -sm /dev/mmcblk0 print free" prints.
    static QByteArray partitionTable();
    // "ls -l" of a folder of the partition or the device tree; all: "-la"
    // (with ".", ".." and the hidden files).
    static QByteArray listing(const QString &localDir, bool all);

    // Lays out the partition's files when missing.
    bool layout();
    void registerShell(BoardShell &shell);
    // "sdcard parted <table|empty|late|silent|notool|nodevice>",
    // "sdcard fsck <ms>", "sdcard boot".
    void registerCommands(ControlChannel &control);

private:
    // The local path of a board path under the mount point, or empty when
    // the path lies elsewhere.
    QString bootPath(const QString &boardPath, const QString &workDir) const;
    bool parted(const ShellCommand &c, ShellAnswer *a) const;
    bool fsck(const ShellCommand &c, ShellAnswer *a) const;
    bool mkdir(const ShellCommand &c, ShellAnswer *a) const;
    bool mount(const ShellCommand &c, ShellAnswer *a);
    bool touch(const ShellCommand &c, ShellAnswer *a) const;
    bool ls(const ShellCommand &c, ShellAnswer *a) const;
    // The card's time: the clock set, else the host's.
    QDateTime now() const;
    void stampAll() const;

    QString m_root;
    QString m_mountedOn; // board path, empty while not mounted
    PartedReply m_parted = PartedReply::Table;
    QDateTime m_clock; // invalid: the host's time
    int m_checkDelayMs = 0;
};

} // namespace Sim

#endif // SIM_SDCARD_H
