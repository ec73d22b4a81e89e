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
    };

    // Makes "/home/root" the working directory (the unmount must not find the
    // program inside the mount point), unmounts the partition and exports it
    // as a USB mass-storage device. Anything but Lent leaves the partition
    // with the instrument, mounted as far as the mount allows.
    static Lending lend();

    // Withdraws the export and mounts the partition again. False when the
    // export could not be withdrawn: the PC may still write, so the partition
    // is not mounted. With wasLent false (nothing known to be lent) both
    // commands run whatever the first reports, unless an earlier lending in
    // this run was never withdrawn.
    static bool takeBack(bool wasLent = true);

    // The message box telling why lending (or taking back) did not work.
    static void showLendFailed(QWidget *parent, Lending why);
    static void showTakeBackFailed(QWidget *parent);
};

#endif // PARTITIONLENDING_H
