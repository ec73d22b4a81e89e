#ifndef PARTITIONLENDING_H
#define PARTITIONLENDING_H

#include <QString>

class QWidget;

// Lends the data partition to a PC over the service connector's USB port and
// takes it back: the commands and their order, shared by every dialog that
// lends it (PC data transfer, firmware update, USB test). The PC and the
// instrument must never write the partition at the same time, so nothing is
// exported unless the unmount succeeded, and nothing is mounted again unless
// the export was withdrawn.
class PartitionLending
{
public:
    static const char kUnmount[];
    static const char kExport[];
    static const char kUnexport[];
    static const char kRemount[];

    enum class Lending {
        Lent,           // the PC has the partition
        PartitionInUse, // the unmount failed: the instrument keeps it
        ExportFailed,   // the export failed: mounted again for the instrument
        NotMounted,     // an earlier take-back could not mount it, nor can this
    };

    // Makes "/home/root" the working directory (the unmount must not find the
    // program inside the mount point), unmounts the partition and exports it
    // as a USB mass-storage device. Anything but Lent leaves the partition
    // with the instrument, mounted as far as the mount allows. A partition
    // an earlier take-back could not mount is mounted first, so that a
    // failing unmount means what it says: nothing is exported that did not
    // unmount here.
    static Lending lend();

    enum class TakeBack {
        Mounted,     // the instrument has the partition again
        StillWithPc, // the export could not be withdrawn: not mounted
        NotMounted,  // the PC let go, but the partition did not mount
    };

    // Withdraws the export and mounts the partition again. StillWithPc when
    // the export could not be withdrawn: the PC may still write, so the
    // partition is not mounted. NotMounted when the mount failed after a
    // lending had unmounted it (a PC that damaged or formatted it): the
    // mount point is then the bare folder of the root file system and
    // nothing may be read from or written under it. With wasLent false
    // (nothing known to be lent) both commands run whatever the first
    // reports, unless an earlier lending in this run was never withdrawn; a
    // failed mount of a partition no lending unmounted (already mounted) is
    // Mounted.
    static TakeBack takeBack(bool wasLent = true);

    // True from a lending's unmount until a mount here succeeds again: the
    // data partition is away (with the PC, or it did not mount), and files
    // written to /media/tq3900 would land on the root file system, hidden
    // by the next mount.
    static bool isPartitionAway();
    // True while an export made here has not been withdrawn: the PC has
    // the partition (away for that reason, not for a failed mount).
    static bool isWithPc();

    // The message box telling why lending (or taking back) did not work.
    static void showLendFailed(QWidget *parent, Lending why);
    static void showTakeBackFailed(QWidget *parent, TakeBack why = TakeBack::StillWithPc);
};

#endif // PARTITIONLENDING_H
