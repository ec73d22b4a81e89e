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

bool PartitionLending::lend()
{
    // Other screens leave the working directory inside the mount point (the
    // measurement store, the browser, the firmware-file search).
    const QString home = DeviceRoot::path(QStringLiteral("/home/root"));
    QDir::setCurrent(home);
    const int unmounted = CommandRunner::run(QLatin1String(kUnmount), home);
    if (unmounted != 0) {
        qWarning() << "Data partition not lent: the unmount ended with" << unmounted;
        return false;
    }
    const int exported = CommandRunner::run(QLatin1String(kExport), home);
    if (exported != 0)
        qWarning() << "USB export ended with" << exported;
    return true;
}

bool PartitionLending::takeBack(bool wasLent)
{
    const int unexported = CommandRunner::run(QLatin1String(kUnexport));
    if (unexported != 0 && wasLent) {
        qWarning() << "Data partition not mounted: withdrawing the USB export ended with" << unexported;
        return false;
    }
    const int mounted = CommandRunner::run(QLatin1String(kRemount));
    if (mounted != 0)
        qDebug() << "Mount of the data partition ended with" << mounted;
    return true;
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

void PartitionLending::showLendFailed(QWidget *parent)
{
    showError(parent, QCoreApplication::translate("PartitionLending", "TheDataPartitionIsInUseTryAgain"));
}

void PartitionLending::showTakeBackFailed(QWidget *parent)
{
    showError(parent, QCoreApplication::translate("PartitionLending", "ThePCStillHoldsTheDataPartitionTryAgain"));
}
