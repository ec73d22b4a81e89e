#ifndef PARTITIONLENDING_H
#define PARTITIONLENDING_H

#include <QString>

class QWidget;

// Lends the data partition to a PC over the service connector's USB port and
// takes it back: the commands and their order, shared by every dialog that
// lends it (PC data transfer, firmware update, USB test). The PC and the
// instrument must never write the partition at the same time, so nothing is
// exported that is mounted here, and nothing is mounted again unless the
// export was withdrawn. Whether the partition is mounted here is
// DataPartition's to know; the lending and the take-back tell it.
class PartitionLending
{
public:
    // The unmount and the remount are DataPartition's kUnmount and kMount.
    static const char kExport[];
    static const char kUnexport[];

    enum class Lending {
        Lent,           // the PC has the partition
        PartitionInUse, // the unmount failed: the instrument keeps it
        ExportFailed,   // the export failed: mounted again for the instrument
    };

    // Makes "/home/root" the working directory (the unmount must not find the
    // program inside the mount point), unmounts the partition and exports it
    // as a USB mass-storage device. A partition not mounted here (its mount
    // failed at the start-up or after an earlier lending) is exported as it
    // is: the PC is where a damaged card is checked. Anything but Lent
    // leaves the partition with the instrument, mounted as far as the mount
    // allows.
    static Lending lend();

    enum class TakeBack {
        Mounted,     // the instrument has the partition again
        StillWithPc, // the export could not be withdrawn: not mounted
        NotMounted,  // the PC let go, but the partition did not mount
    };

    // Withdraws the export and mounts the partition again. StillWithPc when
    // the export could not be withdrawn: the PC may still write, so the
    // partition is not mounted. NotMounted when the mount failed (a PC that
    // damaged or formatted it): the mount point is then the bare folder of
    // the root file system and nothing is read from or written under it.
    // With wasLent false (nothing known to be lent) both commands run
    // whatever the first reports, unless an export in this run was never
    // withdrawn; a failed mount of a partition mounted already is Mounted.
    static TakeBack takeBack(bool wasLent = true);

    // The message box telling why lending (or taking back) did not work.
    static void showLendFailed(QWidget *parent, Lending why);
    static void showTakeBackFailed(QWidget *parent, TakeBack why = TakeBack::StillWithPc);
};

#endif // PARTITIONLENDING_H
