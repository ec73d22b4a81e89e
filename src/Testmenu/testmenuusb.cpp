#include "testmenuusb.h"
#include "ui_testmenuusb.h"

#include "backupdialog.h"
#include "datapartition.h"
#include "gpio.h"
#include "partitionlending.h"
#include "regularfile.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

const char TestmenuUsb::kInfoFile[] = "/media/tq3900/info.txt";
const char TestmenuUsb::kInfoLine[] = "See the TQ3900 operating instructions for further information.";

namespace {
const char kStillHeld[] = "The PC still holds the data partition.\nPress Disconnect to try again.";
const char kNotMounted[] = "The data partition could not be mounted.\nThe card may need checking on a PC.";
} // namespace

TestmenuUsb::TestmenuUsb(QWidget *parent)
    : TestDialog(Setup{"cmdTestUsb", SwitchLines::Untouched}, parent), ui(new Ui::TestmenuUsb)
{
    ui->setupUi(this);
    m_prompt = ui->label->text();
    writeInfoLine();
    // USB mode for the whole test.
    Gpio::setValue(50, 0);
    Gpio::setValue(65, 0);
    showLent(false);
}

TestmenuUsb::~TestmenuUsb()
{
    delete ui;
}

// The line replaces the start of the file and keeps whatever stood behind
// it. The partition is the PC's to write: anything but a regular file there
// (a link, a folder, a FIFO that would block the open) is left alone, as is
// a file that does not open.
void TestmenuUsb::writeInfoLine()
{
    const QString path = DataPartition::path(QLatin1String(kInfoFile));
    const QFileInfo info(path);
    if (RegularFile::isSymLink(path) || (info.exists() && !info.isFile()))
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return;
    file.write(kInfoLine);
    file.close();
}

void TestmenuUsb::showLent(bool lent)
{
    ui->butConnect->setVisible(!lent);
    ui->butDisconnect->setVisible(lent);
}

// Connect and Disconnect answer nothing of their own: the reader's
// "staActive" stays in the file.
bool TestmenuUsb::executeOwnCommand(const QString &command)
{
    if (command.startsWith(QLatin1String("cmdUsbConnect")))
        on_butConnect_clicked();
    else if (command.startsWith(QLatin1String("cmdUsbDisconnect")))
        on_butDisconnect_clicked();
    else
        return false;
    return true;
}

void TestmenuUsb::on_butConnect_clicked()
{
    // An unmount that failed exports nothing: the instrument and the PC
    // must never write the partition at once. The test stays unlent and
    // says why; Pass is not offered for a drive the PC never saw.
    const PartitionLending::Lending lending = PartitionLending::lend();
    if (lending != PartitionLending::Lending::Lent) {
        ui->label->setText(lending == PartitionLending::Lending::ExportFailed
                               ? QStringLiteral("The USB connection could not be made.\nPress Connect to try again.")
                               : QStringLiteral("The data partition is in use.\nPress Connect to try again."));
        return;
    }
    ui->label->setText(m_prompt);
    m_connectedWithUsb = true;
    showLent(true);
    showPass();
}

void TestmenuUsb::on_butDisconnect_clicked()
{
    const PartitionLending::TakeBack back = PartitionLending::takeBack(m_connectedWithUsb);
    if (back == PartitionLending::TakeBack::StillWithPc) {
        ui->label->setText(QLatin1String(kStillHeld));
        return;
    }
    m_connectedWithUsb = false;
    showLent(false);
    showPass();
    if (back == PartitionLending::TakeBack::NotMounted) {
        // Nothing is provisioned from the bare mount point.
        ui->label->setText(QLatin1String(kNotMounted));
        return;
    }
    ui->label->setText(m_prompt);
    // The provisioning step of the PC data transfer, on the partition just
    // mounted again. Its dialog is only constructed (which sets the switch
    // lines to USB, as they are).
    BackupDialog provisioning;
    provisioning.checkForSpecialFiles();
}

// Before every verdict: the partition back to the instrument, without
// provisioning, and the connector back to the UART. A partition the PC
// still holds keeps the connector on USB and the test open (see
// stoppedCleanly): the operator reads why and may try Disconnect again.
void TestmenuUsb::stopTest()
{
    if (m_connectedWithUsb) {
        if (PartitionLending::takeBack(true) == PartitionLending::TakeBack::StillWithPc) {
            qWarning() << "USB test: no verdict while the PC still holds the data partition";
            ui->label->setText(QLatin1String(kStillHeld));
            return;
        }
        m_connectedWithUsb = false;
        showLent(false);
    }
    Gpio::setValue(50, 0);
    Gpio::setValue(65, 1);
}
