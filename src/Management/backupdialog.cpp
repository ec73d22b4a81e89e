#include "backupdialog.h"
#include "ui_backupdialog.h"

#include "commandrunner.h"
#include "datapartition.h"
#include "deviceroot.h"
#include "gpio.h"
#include "partitionlending.h"
#include "regularfile.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QFile>
#include <QSaveFile>

namespace {

// A provisioning file larger than this is no provisioning file; it stays.
const qint64 kMaxProvisioningBytes = 4 * 1024 * 1024;
// How long the provisioning script may run before it is stopped: longer than
// any other board command, since it may install whole packages.
const int kScriptLimitMs = 10 * 60 * 1000;

// The script last stopped at its limit (a hash of its content): stopped a
// second time, it is deleted, so that a script that never ends holds up no
// more than two take-backs.
QByteArray s_stoppedScript;

struct ProvisioningStep
{
    const char *name;    // in the partition's top folder
    const char *target;  // replaced by the file; nullptr: run the file
    int loggedBytes;     // bytes shown in the debug line (0: none)
    const char *logLine;
};

const ProvisioningStep kSteps[] = {
    {"do_serialNumber", "/home/root/serialNumber", 12, "New Serialnumber = "},
    {"do_productionDate", "/home/root/productionDate", 10, "New production date = "},
    {"do_settings.ini", "/home/root/settings.ini", 0, "Updating systemsettings."},
    {"do_universalScript.sh", nullptr, 0, "Executing universal script ..."},
};

// Replaces target by content through a temporary file renamed over it, so a
// failure leaves the old target whole.
bool replaceFile(const QString &target, const QByteArray &content)
{
    QSaveFile file(target);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
        qWarning() << "Could not write" << target << file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        qWarning() << "Could not replace" << target << file.errorString();
        return false;
    }
    return true;
}

} // namespace

BackupDialog::BackupDialog(QWidget *parent)
    : KeyDialog(parent)
    , ui(new Ui::BackupDialog)
{
    ui->setupUi(this);
    // Service connector: USB device mode.
    Gpio::setValue(50, 0);
    Gpio::setValue(65, 0);
    showLent(false);
}

BackupDialog::~BackupDialog()
{
    // Runs no command: a partition lent stays lent.
    delete ui;
}

void BackupDialog::showLent(bool lent)
{
    ui->butConnect->setHidden(lent);
    ui->butDisconnect->setHidden(!lent);
}

bool BackupDialog::isLent() const
{
    return !ui->butDisconnect->isHidden();
}

void BackupDialog::on_butConnect_clicked()
{
    const PartitionLending::Lending lending = PartitionLending::lend();
    if (lending != PartitionLending::Lending::Lent) {
        PartitionLending::showLendFailed(this, lending);
        return;
    }
    showLent(true);
}

void BackupDialog::on_butDisconnect_clicked()
{
    const PartitionLending::TakeBack back = PartitionLending::takeBack();
    if (back == PartitionLending::TakeBack::StillWithPc) {
        PartitionLending::showTakeBackFailed(this, back);
        return;
    }
    showLent(false);
    if (back == PartitionLending::TakeBack::NotMounted) {
        // The mount point is the bare folder: what lies there is no
        // provisioning file of the partition's, and nothing is written there.
        qWarning() << "Provisioning files not applied: the data partition is not mounted";
        PartitionLending::showTakeBackFailed(this, back);
        return;
    }
    checkForSpecialFiles();
}

void BackupDialog::on_butMenuCancel_clicked()
{
    // Leaving applies no provisioning file. What is not known to be lent is
    // taken back all the same (both commands run, their results ignored).
    // Leaving always closes: a partition the PC still holds stays with it
    // (the user is told), and the next lending dialog takes it back.
    const PartitionLending::TakeBack back = PartitionLending::takeBack(isLent());
    if (back != PartitionLending::TakeBack::Mounted)
        PartitionLending::showTakeBackFailed(this, back);
    close();
}

void BackupDialog::escapeReleased()
{
    on_butMenuCancel_clicked();
}

void BackupDialog::checkForSpecialFiles()
{
    for (const ProvisioningStep &step : kSteps) {
        const QString name = QLatin1String(step.name);
        // Nothing is found while the partition is not mounted here: the bare
        // mount point holds no file of the PC's.
        const QString path = DataPartition::path(name);
        QFile file;
        qint64 size = 0;
        // Only a regular file of the partition itself: a link would hand the
        // PC another file of the instrument (or run it).
        const RegularFile::Status status =
            RegularFile::openForReading(path, &file, &size, RegularFile::Links::Refuse);
        if (status == RegularFile::Status::Missing)
            continue;
        QString refused;
        if (status != RegularFile::Status::Ok)
            refused = RegularFile::describe(status);
        else if (size > kMaxProvisioningBytes)
            refused = QStringLiteral("too large");
        else if (size == 0 && step.target)
            refused = QStringLiteral("empty"); // would blank the identity or the settings
        if (!refused.isEmpty()) {
            qWarning().noquote() << QStringLiteral("Provisioning file %1 skipped: %2").arg(name, refused);
            continue;
        }

        bool applied = true;
        if (step.target) {
            const QByteArray content = file.read(size);
            file.close();
            if (step.loggedBytes > 0) {
                QByteArray shown = content.left(step.loggedBytes);
                const int zero = shown.indexOf('\0');
                if (zero >= 0)
                    shown.truncate(zero);
                qDebug().noquote() << QLatin1String(step.logLine) + QString::fromUtf8(shown);
            } else {
                qDebug().noquote() << QLatin1String(step.logLine);
            }
            applied = content.size() == size && replaceFile(DeviceRoot::path(QLatin1String(step.target)), content);
        } else {
            const QByteArray script = QCryptographicHash::hash(file.read(size), QCryptographicHash::Sha256);
            file.close();
            qDebug().noquote() << QLatin1String(step.logLine);
            // The script's exit code is not examined; it is deleted once it
            // has ended. One stopped at its limit (with everything it
            // started) stays for the next lending; stopped there again, it
            // is deleted.
            const CommandRunner::Result run =
                CommandRunner::runWithTimeout(QStringLiteral("/media/tq3900/") + name, kScriptLimitMs);
            if (run.timedOut) {
                qWarning().noquote() << QStringLiteral("Executing universal script stopped after %1 min.")
                                            .arg(kScriptLimitMs / 60000);
                if (script == s_stoppedScript) {
                    qWarning().noquote()
                        << QStringLiteral("File %1 stopped at its limit a second time; it is deleted.").arg(name);
                    s_stoppedScript.clear();
                } else {
                    s_stoppedScript = script;
                    applied = false;
                }
            } else {
                s_stoppedScript.clear();
                qDebug() << "Executing universal script. Finished.";
            }
        }
        if (!applied) {
            qWarning().noquote() << QStringLiteral("File %1 not applied; kept for the next attempt.").arg(name);
            continue;
        }
        if (QFile::remove(path))
            qDebug().noquote() << QStringLiteral("File %1 deleted. OK.").arg(name);
        else
            qDebug().noquote() << QStringLiteral("File %1 could not be deleted. Error.").arg(name);
    }
}
