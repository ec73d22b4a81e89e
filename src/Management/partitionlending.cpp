#include "partitionlending.h"

#include "commandrunner.h"
#include "datapartition.h"
#include "deviceroot.h"
#include "messagedialog.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>

const char PartitionLending::kExport[] =
    "modprobe g_mass_storage file=/dev/mmcblk0p3 stall=0 removable=y iSerialNumber=1234567890";
const char PartitionLending::kUnexport[] = "modprobe g_mass_storage -r";

PartitionLending::Lending PartitionLending::lend()
{
    // Other screens leave the working directory inside the mount point (the
    // measurement store, the browser, the firmware-file search).
    const QString home = DeviceRoot::path(QStringLiteral("/home/root"));
    QDir::setCurrent(home);
    // Only what is mounted here needs the unmount; a partition that did not
    // mount (at the start-up, after an earlier lending) goes to the PC as it
    // is, which is where a damaged card is checked.
    if (DataPartition::isMounted() && !DataPartition::unmount(home)) {
        qWarning() << "Data partition not lent: it stays mounted";
        return Lending::PartitionInUse;
    }
    const int exported = CommandRunner::run(QLatin1String(kExport), home);
    if (exported == 0) {
        DataPartition::setWithPc();
        return Lending::Lent;
    }
    // The PC never got it: the instrument takes it back at once. The
    // withdrawal clears a gadget left half loaded (a time-out); its failure
    // for a gadget that never loaded is expected.
    qWarning() << "Data partition not lent: the USB export ended with" << exported;
    CommandRunner::run(QLatin1String(kUnexport), home);
    DataPartition::mount(-1, home);
    return Lending::ExportFailed;
}

PartitionLending::TakeBack PartitionLending::takeBack(bool wasLent)
{
    const bool withPc = DataPartition::state() == DataPartition::State::WithPc;
    const int unexported = CommandRunner::run(QLatin1String(kUnexport));
    if (unexported != 0 && (wasLent || withPc)) {
        qWarning() << "Data partition not mounted: withdrawing the USB export ended with" << unexported;
        return TakeBack::StillWithPc;
    }
    // The PC let go (or never had it): the mount's result is the state now.
    if (DataPartition::mount())
        return TakeBack::Mounted;
    qWarning() << "Data partition not mounted: the mount failed";
    return TakeBack::NotMounted;
}

namespace {
void showError(QWidget *parent, const QString &text)
{
    MessageDialog box(parent);
    box.setIcon(2);
    box.setDialogType(0);
    box.setHeadline(QCoreApplication::translate("PartitionLending", "Error"));
    box.setInfotext(text);
    box.exec();
}
} // namespace

void PartitionLending::showLendFailed(QWidget *parent, Lending why)
{
    showError(parent, why == Lending::ExportFailed
                          ? QCoreApplication::translate("PartitionLending", "TheUsbConnectionCouldNotBeMadeTryAgain")
                          : QCoreApplication::translate("PartitionLending", "TheDataPartitionIsInUseTryAgain"));
}

void PartitionLending::showTakeBackFailed(QWidget *parent, TakeBack why)
{
    showError(parent, why == TakeBack::NotMounted
                          ? QCoreApplication::translate("PartitionLending", "TheDataPartitionCouldNotBeMountedCheckTheCard")
                          : QCoreApplication::translate("PartitionLending", "ThePCStillHoldsTheDataPartitionTryAgain"));
}
