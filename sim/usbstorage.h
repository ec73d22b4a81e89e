#ifndef SIM_USBSTORAGE_H
#define SIM_USBSTORAGE_H

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

namespace Sim {

class BoardShell;
class ControlChannel;

// The data partition /dev/mmcblk0p3 and the kernel's USB mass-storage
// gadget, as the board's shell commands change them, with a PC at the other
// end of the USB cable.
//
// Mounted, the partition's files are <root>/media/tq3900. "umount" moves them
// out of reach (to <root>/.tq3900/mmcblk0p3) and leaves the bare mount point;
// "modprobe g_mass_storage file=/dev/mmcblk0p3 ..." hands them to the PC,
// whose side the control commands "usb list|put|copy|remove" work on;
// "modprobe g_mass_storage -r" takes them from the PC and "mount
// /dev/mmcblk0p3 /media/tq3900" brings them back. Each command has taken
// effect when it answers. The instrument and the PC never get the partition
// at once: an export while it is mounted and a mount while it is exported
// are refused (a real board would let both write and corrupt it).
//
// As on the board, the unmount is refused ("target is busy") while the
// program that asks for it has a file open under the mount point or works
// inside it (the simulator reads the process's /proc entries).
//
// As on the board, a mount over a mount point that is not empty succeeds
// and hides what lies there (kept in <root>/.tq3900/beneath-tq3900 while
// mounted); the unmount brings it into sight again. The mount table
// <root>/proc/mounts lists the partition while it is mounted.
//
// A simulator started on a root where a run left the partition unmounted
// mounts it again (a new boot). Started with --data-unmounted, or after "usb
// unmount", it finds the partition unmounted, as the board boots: only the
// program's "mount" brings its files into sight.
class UsbStorage : public QObject
{
    Q_OBJECT
public:
    enum class State { Mounted, Unmounted, Exported };

    explicit UsbStorage(const QString &root, QObject *parent = nullptr);

    State state() const { return m_state; }
    static QString stateName(State state);

    // The shell commands. Each returns false when the command is not about
    // the data partition (another handler may answer it), else sets the
    // exit code and output as the board's tools would.
    // pid: the process that asks (0: unknown, nothing is held).
    bool umount(const QStringList &words, qint64 pid, int *exitCode, QByteArray *output);
    bool modprobe(const QStringList &words, int *exitCode, QByteArray *output);
    bool mount(const QStringList &words, int *exitCode, QByteArray *output);

    // The partition unmounted as at power-on, before the program's start-up
    // mounts it; nothing happens while it is unmounted already. False (with
    // the reason) while the PC has it or its files cannot be moved.
    bool unmountAtBoot(QString *error);

    // "umount" of the partition fails with "target is busy" while set.
    void setUnmountBusy(bool busy) { m_unmountBusy = busy; }
    // The gadget's export (loading it) or its withdrawal fails while set,
    // and the partition stays where it was.
    void setExportFails(bool fails) { m_exportFails = fails; }
    void setUnexportFails(bool fails) { m_unexportFails = fails; }
    // The mount of the unmounted partition fails while set, as for a
    // partition a PC damaged or formatted otherwise; it stays unmounted.
    void setMountFails(bool fails) { m_mountFails = fails; }

    // What process pid holds under folder: its working directory and the
    // files it has open (as paths), or nothing when it cannot be seen.
    static QStringList heldUnder(qint64 pid, const QString &folder);

    // The PC's side; false (or empty) while the partition is not exported.
    // Names are paths inside the partition ("do_serialNumber", "meas/x").
    QStringList pcList() const;
    bool pcPut(const QString &name, const QByteArray &content, QString *error);
    bool pcRemove(const QString &name, QString *error);

    // Adds "usb ...".
    void registerCommands(ControlChannel &channel);
    // Answers "umount", "modprobe" and "mount" of the data partition.
    void registerShell(BoardShell &shell);

private:
    QString mountPoint() const;
    QString holdingPlace() const;
    QString beneath() const;
    // Moves the partition's files out of reach and what lay beneath them
    // back into sight; false when they cannot be moved.
    bool moveOutOfReach();
    // Brings the partition's files into sight over what the mount point
    // holds; false when they cannot be moved.
    bool moveIntoSight();
    void writeMountTable() const;
    // A partition path of the PC's, or empty when it leaves the partition.
    QString pcPath(const QString &name, QString *error) const;

    QString m_root;
    State m_state = State::Mounted;
    bool m_unmountBusy = false;
    bool m_exportFails = false;
    bool m_unexportFails = false;
    bool m_mountFails = false;
};

} // namespace Sim

#endif // SIM_USBSTORAGE_H
