#include "partitionlending.h"

#include "commandrunner.h"
#include "deviceroot.h"
#include "messagedialog.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>

const char PartitionLending::kUnmount[] = "umount /media/tq3900";
const char PartitionLending::kExport[] =
    "modprobe g_mass_storage file=/dev/mmcblk0p3 stall=0 removable=y iSerialNumber=1234567890";
const char PartitionLending::kUnexport[] = "modprobe g_mass_storage -r";
const char PartitionLending::kRemount[] = "mount /dev/mmcblk0p3 /media/tq3900";

namespace {
// An export that has not been withdrawn, whichever dialog made it.
bool s_withPc = false;
// Unmounted by a lending and not mounted since.
bool s_away = false;
} // namespace

bool PartitionLending::isPartitionAway()
{
    return s_away;
}

bool PartitionLending::isWithPc()
{
    return s_withPc;
}

PartitionLending::Lending PartitionLending::lend()
{
    // Other screens leave the working directory inside the mount point (the
    // measurement store, the browser, the firmware-file search).
    const QString home = DeviceRoot::path(QStringLiteral("/home/root"));
    QDir::setCurrent(home);
    if (s_away && !s_withPc) {
        if (CommandRunner::run(QLatin1String(kRemount), home) != 0) {
            qWarning() << "Data partition not lent: it does not mount";
            return Lending::NotMounted;
        }
        s_away = false;
    }
    const int unmounted = CommandRunner::run(QLatin1String(kUnmount), home);
    if (unmounted != 0) {
        qWarning() << "Data partition not lent: the unmount ended with" << unmounted;
        return Lending::PartitionInUse;
    }
    // Unmounted here, so no export of an earlier lending holds it.
    s_withPc = false;
    s_away = true;
    const int exported = CommandRunner::run(QLatin1String(kExport), home);
    if (exported == 0) {
        s_withPc = true;
        return Lending::Lent;
    }
    // The PC never got it: the instrument takes it back at once. The
    // withdrawal clears a gadget left half loaded (a time-out); its failure
    // for a gadget that never loaded is expected.
    qWarning() << "Data partition not lent: the USB export ended with" << exported;
    CommandRunner::run(QLatin1String(kUnexport), home);
    const int mounted = CommandRunner::run(QLatin1String(kRemount), home);
    if (mounted != 0)
        qWarning() << "Mount of the data partition ended with" << mounted;
    else
        s_away = false;
    return Lending::ExportFailed;
}

PartitionLending::TakeBack PartitionLending::takeBack(bool wasLent)
{
    const int unexported = CommandRunner::run(QLatin1String(kUnexport));
    if (unexported != 0 && (wasLent || s_withPc)) {
        qWarning() << "Data partition not mounted: withdrawing the USB export ended with" << unexported;
        return TakeBack::StillWithPc;
    }
    s_withPc = false;
    const int mounted = CommandRunner::run(QLatin1String(kRemount));
    if (mounted == 0) {
        s_away = false;
        return TakeBack::Mounted;
    }
    if (!s_away) {
        // Nothing unmounted it: the mount finds it mounted already.
        qDebug() << "Mount of the data partition ended with" << mounted;
        return TakeBack::Mounted;
    }
    qWarning() << "Data partition not mounted: the mount ended with" << mounted;
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
    if (why == Lending::NotMounted)
        showTakeBackFailed(parent, TakeBack::NotMounted);
    else
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
