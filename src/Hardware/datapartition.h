#ifndef DATAPARTITION_H
#define DATAPARTITION_H

#include <QString>

// Whether the data partition (/dev/mmcblk0p3, the card's FAT partition the
// PC sees) is mounted at /media/tq3900 here, known in one place.
//
// Unmounted, the mount point is a bare folder of the root file system: what
// is written there is lost to the user (hidden by the next mount, never seen
// by the PC), and what is read there is no file of the card's. So every path
// on the partition is formed through path(), which while the partition is
// not mounted gives one where nothing can be opened or made: a writer that
// forgets to ask cannot write under the bare mount point.
//
// The state is set by the mounts and unmounts that go through this class
// (the start-up's, the lending's and the take-back's, power-down's) and by
// the lending's export. A failed mount is looked up in the mount table
// (/proc/mounts), so that one that failed because the partition is mounted
// already counts as mounted. Until anything set it for the device root in
// use, the mount table tells. While mounted, every answer is confirmed with
// the mount table: an unmount made outside the program (a shell's "umount"),
// or another file system mounted at the mount point (a tmpfs), counts as not
// mounted from then on, until the program mounts it again.
//
// Any thread (the start-up mounts on a thread of its own).
class DataPartition
{
public:
    static const char kDevice[];     // "/dev/mmcblk0p3"
    static const char kMountPoint[]; // "/media/tq3900"
    static const char kMount[];      // "mount /dev/mmcblk0p3 /media/tq3900"
    static const char kUnmount[];    // "umount /media/tq3900"

    enum class State {
        Mounted,    // the partition's files are under the mount point
        NotMounted, // the mount point is the bare folder
        WithPc,     // not mounted, and exported to a PC over USB
    };

    static State state();
    static bool isMounted() { return state() == State::Mounted; }

    // The local path (DeviceRoot::path) of a board path on the partition
    // ("/media/tq3900/screenshots/pic_000.png"), or of a name inside it
    // ("screenshots/pic_000.png"). While the partition is not mounted here,
    // the same path under /dev/null of the host instead: a device is no
    // folder, so nothing under it opens, and no folder can be made there
    // (ENOTDIR), also by a caller that appends names to the path. A path
    // elsewhere is only mapped.
    static QString path(const QString &boardPathOrName);

    // Runs the mount (at most timeoutMs, -1 the runner's own limit) in
    // workingDir and records the result. True when the partition is mounted
    // afterwards: mounted now, or already (the mount table shows it).
    static bool mount(int timeoutMs = -1, const QString &workingDir = QString());
    // Runs the unmount in workingDir; true when the partition is not
    // mounted afterwards. A failed unmount ("target is busy") leaves it
    // mounted.
    static bool unmount(const QString &workingDir = QString());

    // Writes "Could not open file:" and the path to the debug output for a
    // file on the partition that did not open. While the partition is not
    // mounted every open there fails: then it is written once for each path
    // each time the partition goes away, not for every write.
    static void reportNotOpened(const QString &path);

    // The partition is not mounted and not checked yet (the start-up, before
    // its check and mount end): nothing is written or read there meanwhile.
    static void setNotMounted();
    // The lending's export of the unmounted partition stands; the next
    // mount's result ends it.
    static void setWithPc();

    // Whether the mount table lists the partition's device at the mount
    // point, uppermost of the mounts there.
    static bool inMountTable();
};

#endif // DATAPARTITION_H
