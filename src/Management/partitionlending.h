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

    // Makes "/home/root" the working directory (the unmount must not find the
    // program inside the mount point), unmounts the partition and exports it
    // as a USB mass-storage device. False when the unmount failed: then
    // nothing is exported and the instrument keeps the partition.
    static bool lend();

    // Withdraws the export and mounts the partition again. False when the
    // export could not be withdrawn: the PC may still write, so the partition
    // is not mounted. With wasLent false (nothing known to be lent) both
    // commands run whatever the first reports.
    static bool takeBack(bool wasLent = true);

    // The message box telling that lending (or taking back) did not work.
    static void showLendFailed(QWidget *parent);
    static void showTakeBackFailed(QWidget *parent);
};

#endif // PARTITIONLENDING_H
