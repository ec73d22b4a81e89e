#include "firmwareupdate.h"
#include "ui_firmwareupdate.h"

#include "bluetooth.h"
#include "commandrunner.h"
#include "deviceroot.h"
#include "filecopythread.h"
#include "globals.h"
#include "gpio.h"
#include "mainmenu.h"
#include "datapartition.h"
#include "partitionlending.h"
#include "regularfile.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>

namespace {

const char kDataPartition[] = "/media/tq3900";
const char kFirmwareFolder[] = "/home/root/firmware/";
const char kRunModeFile[] = "/media/ramdisk/runmode";
const char kInstrumentPattern[] = "FW_TQE3900_*.tq3";
const char kUnitPattern[] = "FW_GX4_*.gx4";

// Files of this size or smaller are no firmware.
const qint64 kMinFirmwareBytes = 1001;
// Bounds for what the card offers: the sensor unit's image is read whole,
// and its version travels in the header line.
const qint64 kMaxUnitImageBytes = 4 * 1024 * 1024;
const qint64 kMaxSettingsBytes = 4 * 1024 * 1024;
const int kMaxVersionLength = 32;

const int kProgressPollMs = 500;
const int kReplyTimeoutMs = 3000;
const int kStartTimeoutMs = 15000;
const int kRestartTickMs = 30000;
const int kRebootDelayMs = 3000;

QString partitionFile(const QString &name)
{
    return DataPartition::path(QLatin1String(kDataPartition) + QLatin1Char('/') + name);
}

} // namespace

Firmwareupdate::Firmwareupdate(QWidget *parent)
    : KeyDialog(parent)
    , ui(new Ui::Firmwareupdate)
{
    ui->setupUi(this);
    ui->mainArea->setCurrentWidget(ui->pageSelectUnit);
    if (MainMenu *main = MainMenu::getInstanceMainMenu())
        m_btSink = main->getBtSinkInstance();

    m_timerProgress = new QTimer(this);
    m_timerCheck = new QTimer(this);
    m_timerWaitRestart = new QTimer(this);
    m_timerProgress->setObjectName(QStringLiteral("timerProgress"));
    m_timerCheck->setObjectName(QStringLiteral("timerCheck"));
    m_timerWaitRestart->setObjectName(QStringLiteral("timerWaitRestart"));
    connect(m_timerProgress, &QTimer::timeout, this, &Firmwareupdate::updateProgress, Qt::UniqueConnection);
    connect(m_timerCheck, &QTimer::timeout, this, &Firmwareupdate::updateError, Qt::UniqueConnection);
    connect(m_timerWaitRestart, &QTimer::timeout, this, &Firmwareupdate::checkRestart, Qt::UniqueConnection);

    // The copy worker lives on the dialog's own thread from construction to
    // destruction; it is freed once the thread has stopped.
    firmwareFile = new FileCopyThread;
    firmwareFile->moveToThread(&m_fileCopy);
    connect(&m_fileCopy, &QThread::finished, firmwareFile, &QObject::deleteLater, Qt::UniqueConnection);
    connect(this, &Firmwareupdate::startCopy, firmwareFile, &FileCopyThread::copyFile,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
    connect(firmwareFile, &FileCopyThread::copyFinished, this, &Firmwareupdate::copyFinished,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
    m_fileCopy.start(QThread::InheritPriority);
}

Firmwareupdate::~Firmwareupdate()
{
    // A copy under way stops after its current chunk; the thread is joined
    // before anything it uses goes away.
    if (m_copyRunning)
        firmwareFile->setCancelled(true);
    m_fileCopy.quit();
    m_fileCopy.wait();
    if (m_copyRunning && !m_copyTargetPath.isEmpty()) {
        // Left while copying: no half-installed firmware stays behind.
        QFile::remove(m_copyTargetPath);
        qDebug() << "Firmware copy abandoned, removed" << m_copyTargetPath;
    }
    delete ui;
}

int Firmwareupdate::getFwFilename(QString *filename, QString folder, QString pattern)
{
    if (folder.isEmpty() || pattern.isEmpty())
        return -1;
    // Nothing is found on a data partition not mounted here.
    const QString local = DataPartition::path(folder);
    QDir::setCurrent(local);
    QDir dir(local);
    dir.setNameFilters({pattern}); // wildcards, without regard to case
    // Plain files only: no folders, links, FIFOs or devices (what the PC
    // left can be anything).
    dir.setFilter(QDir::Files | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    dir.setSorting(QDir::Unsorted);
    QFileInfoList files = dir.entryInfoList();
    if (files.isEmpty()) {
        filename->clear();
        return -2;
    }
    std::sort(files.begin(), files.end(), [](const QFileInfo &a, const QFileInfo &b) {
        const QDateTime ta = a.lastModified(), tb = b.lastModified();
        return ta != tb ? ta > tb : a.fileName() < b.fileName();
    });
    *filename = files.first().fileName();
    return files.size();
}

QString Firmwareupdate::getFwVersionFromFilename(QString filename)
{
    static const QRegularExpression version(QStringLiteral("\\d+-\\d+-\\d+"));
    const QRegularExpressionMatch m = version.match(filename);
    if (!m.hasMatch() || m.capturedLength() > kMaxVersionLength)
        return QString();
    return m.captured().replace(QLatin1Char('-'), QLatin1Char('.'));
}

void Firmwareupdate::chooseUnit(int unit)
{
    m_updateUnit = unit;
    if (unit == 0) {
        m_currentFwVersion = QLatin1String(kFirmwareVersionText);
    } else {
        // The unit answers with its parameter lines, among them FW-VERSION.
        m_currentFwVersion = QStringLiteral("---");
        if (m_btSink) {
            connect(m_btSink, &Bluetooth::btFirmwareVersion, this, &Firmwareupdate::fwVersionReceived,
                    Qt::UniqueConnection);
            m_btSink->sendData(QStringLiteral("BT_TX P"));
        }
    }
    getFwFilename(&m_newFwFilename, QLatin1String(kDataPartition),
                  QLatin1String(unit == 0 ? kInstrumentPattern : kUnitPattern));
    m_newFwVersion = getFwVersionFromFilename(m_newFwFilename);
    qDebug() << (unit == 0 ? "TQE3900:" : "GX4:") << m_newFwFilename << m_newFwVersion;
    // A file without a version in its name counts as no file.
    if (!m_newFwFilename.isEmpty() && !m_newFwVersion.isEmpty())
        displayConfirmPage();
    else
        displayConnectUsbPage();
}

void Firmwareupdate::on_butUpdateTQ3900_clicked()
{
    chooseUnit(0);
}

void Firmwareupdate::on_butUpdateGX4_clicked()
{
    chooseUnit(1);
}

void Firmwareupdate::displayConnectUsbPage()
{
    ui->mainArea->setCurrentWidget(ui->pageConnect);
    // Service connector: USB device mode.
    Gpio::setValue(50, 0);
    Gpio::setValue(65, 0);
    ui->labelConnectMessage->setText(tr("ConnectTheTQE3900ToYourPCAndPressTheButtonConnect"));
    m_connectedWithUsb = false;
    ui->butConnect->show();
    ui->butDisconnect->hide();
}

void Firmwareupdate::on_butConnect_clicked()
{
    qDebug() << "Verzeichnis:" << QDir::currentPath();
    const PartitionLending::Lending lending = PartitionLending::lend();
    if (lending != PartitionLending::Lending::Lent) {
        PartitionLending::showLendFailed(this, lending);
        return;
    }
    m_connectedWithUsb = true;
    ui->labelConnectMessage->setText(tr("PleaseCopyTheFirmwarefilesPressTheButtonDisconnectIfAllFilesAreCopied"));
    ui->butConnect->hide();
    ui->butDisconnect->show();
}

void Firmwareupdate::on_butDisconnect_clicked()
{
    const PartitionLending::TakeBack back = PartitionLending::takeBack();
    if (back == PartitionLending::TakeBack::StillWithPc) {
        PartitionLending::showTakeBackFailed(this, back);
        return;
    }
    m_connectedWithUsb = false;
    ui->butConnect->show();
    ui->butDisconnect->hide();
    if (back == PartitionLending::TakeBack::NotMounted) {
        // No firmware file is looked for in the bare mount point; the page
        // asks for Connect again.
        ui->labelConnectMessage->setText(tr("ConnectTheTQE3900ToYourPCAndPressTheButtonConnect"));
        PartitionLending::showTakeBackFailed(this, back);
        return;
    }
    ui->mainArea->setCurrentWidget(ui->pageSelectUnit);
    // A file copied meanwhile leads to the confirm page, none back here.
    chooseUnit(m_updateUnit);
}

void Firmwareupdate::displayConfirmPage()
{
    ui->mainArea->setCurrentWidget(ui->pageConfirm);
    ui->labelConfirmHeadline->setText(m_updateUnit == 0 ? tr("UpdateTQE3900") : tr("UpdateGX-4"));
    ui->lineEditConfirmCurrentFw->setText(m_currentFwVersion);
    ui->lineEditConfirmNewFw->setText(m_newFwVersion);
    ui->butMenuCancel->show();
}

void Firmwareupdate::on_butAccept_clicked()
{
    if (m_updateUnit == 0)
        doUpdateTQE3900();
    else
        doUpdateGX4();
}

void Firmwareupdate::on_butCancel_clicked()
{
    m_newFwFilename.clear();
    m_newFwVersion.clear();
    ui->mainArea->setCurrentWidget(ui->pageSelectUnit);
}

void Firmwareupdate::refuseFirmwareFile(const QString &path, bool opened)
{
    ui->progressBar->setValue(0);
    ui->labelProgressStatus->setText(tr("CouldNotReadFirmwarefile"));
    qDebug() << "Error reading firmwarefile" << m_newFwFilename << path << (opened ? "true" : "false");
    // Removed so that the next search does not offer it again. Through the
    // file system, not a shell line: the name comes from a PC.
    QFile::remove(path);
    m_newFwFilename.clear();
    m_newFwVersion.clear();
    ui->lineEditConfirmNewFw->setText(m_newFwVersion);
}

QString Firmwareupdate::copyTarget() const
{
    return DeviceRoot::path(QLatin1String(kFirmwareFolder) + m_newFwFilename);
}

void Firmwareupdate::doUpdateTQE3900()
{
    // A cancelled copy reports its end within one chunk; Accept waits for it.
    if (m_copyRunning)
        return;
    ui->progressBar->setValue(0);
    ui->labelProgressHeadline->setText(tr("UpdatingTQE3900"));
    ui->mainArea->setCurrentWidget(ui->pageProgress);

    const QString source = partitionFile(m_newFwFilename);
    QFile file;
    qint64 size = 0;
    const bool opened = !m_newFwFilename.isEmpty()
        && RegularFile::openForReading(source, &file, &size, RegularFile::Links::Refuse) == RegularFile::Status::Ok;
    file.close();
    if (!opened || size < kMinFirmwareBytes) {
        refuseFirmwareFile(source, opened);
        return;
    }
    ui->labelProgressStatus->setText(tr("CopyingFilesPleaseWait"));
    ui->butMenuCancel->hide();
    QDir().mkpath(DeviceRoot::path(QLatin1String(kFirmwareFolder)));
    m_cancelUpdate = false;
    m_copyRunning = true;
    m_copyTargetPath = copyTarget();
    firmwareFile->setCancelled(false);
    m_timerProgress->start(kProgressPollMs);
    emit startCopy(source, m_copyTargetPath);
}

void Firmwareupdate::updateProgress()
{
    ui->progressBar->setValue(firmwareFile->getProgress());
}

void Firmwareupdate::copyFinished(bool ok)
{
    qDebug() << "Copy in Thread finished" << ok;
    m_copyRunning = false;
    m_timerProgress->stop();
    if (m_cancelUpdate) {
        // Cancelled while copying: the copy goes, the source stays, no reboot.
        QFile::remove(m_copyTargetPath);
        qDebug() << "Firmware copy cancelled, removed" << m_copyTargetPath;
        return;
    }
    ui->progressBar->setValue(100);
    if (!ok) {
        // The source stays on the partition for another attempt.
        ui->labelProgressStatus->setText(tr("CouldNotCopyFirmwarefile"));
        ui->butMenuCancel->show();
        return;
    }
    displayFinalPage();
}

void Firmwareupdate::displayFinalPage()
{
    ui->mainArea->setCurrentWidget(ui->pageFinal);
    const QString source = partitionFile(m_newFwFilename);
    if (m_updateUnit == 0) {
        ui->labelFinalHeadline->setText(tr("FirmwareupdateTQE3900"));
        ui->labelFinalMessage->setText(tr("AllFilesCopiedPleaseWaitForReboot"));
        // A settings file on the partition travels with the firmware and
        // replaces one left there by an earlier update.
        QByteArray settings;
        if (RegularFile::read(partitionFile(QStringLiteral("settings.ini")), kMaxSettingsBytes, &settings)
            == RegularFile::Status::Ok) {
            QSaveFile target(DeviceRoot::path(QLatin1String(kFirmwareFolder) + QLatin1String("settings.ini")));
            target.setDirectWriteFallback(false);
            if (!target.open(QIODevice::WriteOnly) || target.write(settings) != settings.size() || !target.commit())
                qWarning() << "Could not copy settings.ini to the firmware folder";
        }
        const bool removed = QFile::remove(source);
        qDebug() << "File removed" << (removed ? "true" : "false") << m_newFwFilename << source;
        m_rebootPending = true;
        QTimer::singleShot(kRebootDelayMs, this, &Firmwareupdate::doRebootTQE3900);
        ui->butFinalOk->hide();
        ui->butMenuCancel->hide();
    } else {
        ui->labelFinalHeadline->setText(tr("FirmwareupdateGX-4"));
        ui->labelFinalMessage->setText(tr("FirmwareupdateSuccessfullyFinished."));
        ui->butFinalOk->show();
        ui->butMenuCancel->show();
        const bool removed = QFile::remove(source);
        qDebug() << "File removed" << (removed ? "true" : "false") << m_newFwFilename << source;
    }
}

void Firmwareupdate::doRebootTQE3900()
{
    qDebug() << "Restarting device";
    // The installer reads the run-mode file after the reboot: exactly "reboot".
    // Never written through a link (or into a FIFO or folder) in its place.
    const RegularFile::Status status =
        RegularFile::replaceContent(DeviceRoot::path(QLatin1String(kRunModeFile)), QByteArrayLiteral("reboot"));
    if (status == RegularFile::Status::Ok)
        qDebug() << "Runmode Reboot written";
    else
        qDebug().noquote() << "Could not write runmode -" << RegularFile::describe(status);
    CommandRunner::run(QStringLiteral("reboot"));
}

void Firmwareupdate::on_butCancelUpdate_clicked()
{
    m_cancelUpdate = true;
    m_timerCheck->stop();
    if (m_copyRunning)
        firmwareFile->setCancelled(true);
    ui->progressBar->setValue(0);
    ui->labelProgressStatus->setText(tr("FirmwareupdateCancelled"));
    displayConfirmPage();
}

void Firmwareupdate::on_butMenuCancel_clicked()
{
    // Leaving always closes; a partition the PC still holds stays with it
    // (the user is told) until a lending dialog takes it back.
    // A partition that did not mount after the lending is tried once more.
    if (m_connectedWithUsb || !DataPartition::isMounted()) {
        const PartitionLending::TakeBack back = PartitionLending::takeBack(m_connectedWithUsb);
        if (back != PartitionLending::TakeBack::Mounted)
            PartitionLending::showTakeBackFailed(this, back);
    }
    m_connectedWithUsb = false;
    if (m_copyRunning)
        firmwareFile->setCancelled(true);
    close();
}

void Firmwareupdate::on_butFinalOk_clicked()
{
    close();
}

void Firmwareupdate::escapeReleased()
{
    if (m_rebootPending)
        return;
    on_butMenuCancel_clicked();
}

void Firmwareupdate::fwVersionReceived(QString fwVersion)
{
    m_currentFwVersion = fwVersion;
    ui->lineEditConfirmCurrentFw->setText(fwVersion);
}

void Firmwareupdate::doUpdateGX4()
{
    m_cancelUpdate = false;
    m_unitStep = UnitStep::Idle;
    ui->labelProgressHeadline->setText(tr("TransmittingFirmware"));
    const QString path = partitionFile(m_newFwFilename);
    QByteArray image;
    const RegularFile::Status status = m_newFwFilename.isEmpty()
        ? RegularFile::Status::Missing
        : RegularFile::read(path, kMaxUnitImageBytes, &image, RegularFile::Links::Refuse);
    if (status != RegularFile::Status::Ok || image.size() < kMinFirmwareBytes) {
        ui->mainArea->setCurrentWidget(ui->pageProgress);
        refuseFirmwareFile(path, status == RegularFile::Status::Ok);
        return;
    }
    m_dataFwGx4 = image;
    m_sizeFwGx4 = image.size();
    m_transmittedBytesFwGx4 = 0;
    m_currentPacketNum = 0;
    qDebug() << "Firmwarefile read" << m_newFwFilename << path << "true" << m_sizeFwGx4;

    if (m_btSink) {
        connect(m_btSink, &Bluetooth::btFwHeaderReceived, this, &Firmwareupdate::btFwHeaderReceived,
                Qt::UniqueConnection);
        connect(m_btSink, &Bluetooth::btFwDataReceived, this, &Firmwareupdate::btFwDataReceived,
                Qt::UniqueConnection);
        connect(m_btSink, &Bluetooth::btFwStartUpdateReceived, this, &Firmwareupdate::btFwStartUpdateReceived,
                Qt::UniqueConnection);
        m_btSink->sendData(QStringLiteral("BT_TX FH %1 %2").arg(m_sizeFwGx4).arg(m_newFwVersion));
    }
    m_unitStep = UnitStep::Header;
    ui->progressBar->setValue(0);
    ui->labelProgressStatus->setText(tr("TransmittingFirmwarePleaseWait"));
    ui->mainArea->setCurrentWidget(ui->pageProgress);
    m_timerCheck->start(kReplyTimeoutMs);
}

void Firmwareupdate::sendPacket(int number)
{
    // Packet n carries the image bytes from 64 n on, whatever came before.
    const int offset = number * PacketSize;
    const int length = qMin(PacketSize, m_sizeFwGx4 - offset);
    const QString line = QStringLiteral("BT_TX FD %1 %2 ")
                             .arg(number, 3, 10, QLatin1Char('0'))
                             .arg(length, 3, 10, QLatin1Char('0'))
        + QString::fromLatin1(m_dataFwGx4.mid(offset, length).toHex());
    m_currentPacketNum = number;
    m_transmittedBytesFwGx4 = offset + length;
    qDebug() << "Updatestring" << line << number << m_transmittedBytesFwGx4;
    if (m_btSink)
        m_btSink->sendData(line);
    m_timerCheck->start(kReplyTimeoutMs);
    ui->progressBar->setValue(int(qint64(m_transmittedBytesFwGx4) * 100 / m_sizeFwGx4));
}

bool Firmwareupdate::endedByCancel()
{
    // The unit is told nothing; the next positive reply ends the sending.
    if (!m_cancelUpdate)
        return false;
    qDebug() << "Update cancelled.";
    m_timerCheck->stop();
    m_unitStep = UnitStep::Idle;
    return true;
}

void Firmwareupdate::btFwHeaderReceived(bool ok)
{
    if (m_unitStep != UnitStep::Header)
        return;
    if (!ok) {
        // The running reply timer shows the no-answer text.
        qDebug() << "Firmwareupdate Header ERROR";
        return;
    }
    if (endedByCancel())
        return;
    m_unitStep = UnitStep::Data;
    sendPacket(0);
}

void Firmwareupdate::btFwDataReceived(int packetNum, bool ok)
{
    // Only the acknowledgement of the packet last sent moves the transfer
    // on: a repeated or stray one would otherwise send bytes twice.
    if (m_unitStep != UnitStep::Data || packetNum != m_currentPacketNum) {
        qDebug() << "Firmwareupdate: reply for packet" << packetNum << "ignored";
        return;
    }
    if (!ok) {
        qDebug() << "Firmwareupdate Header ERROR" << packetNum;
        return;
    }
    if (endedByCancel())
        return;
    const int next = packetNum + 1;
    if (qint64(next) * PacketSize >= m_sizeFwGx4) {
        // The image is complete.
        m_unitStep = UnitStep::Start;
        if (m_btSink)
            m_btSink->sendData(QStringLiteral("BT_TX FS"));
        m_timerCheck->start(kStartTimeoutMs);
        return;
    }
    sendPacket(next);
}

void Firmwareupdate::btFwStartUpdateReceived(bool ok)
{
    if (m_unitStep != UnitStep::Start)
        return;
    m_timerCheck->stop();
    if (!ok) {
        m_unitStep = UnitStep::Idle;
        ui->progressBar->setValue(100);
        ui->labelProgressStatus->setText(tr("ErrorDuringFirmwareUpdatePleaseTryAgain"));
        return;
    }
    m_unitStep = UnitStep::Restart;
    m_restartSuccessful = false;
    m_timerWaitRestart->start(kRestartTickMs);
    ui->labelProgressStatus->setText(tr("FirmwareSuccessfulTransmittedPleaseWaitForRestart"));
    if (m_btSink)
        connect(m_btSink, &Bluetooth::btRdyReceived, this, &Firmwareupdate::deviceRestarted, Qt::UniqueConnection);
}

void Firmwareupdate::deviceRestarted()
{
    if (m_unitStep != UnitStep::Restart)
        return;
    qDebug() << "GX-4: RDY received";
    m_restartSuccessful = true;
    checkRestart();
}

void Firmwareupdate::checkRestart()
{
    if (m_unitStep != UnitStep::Restart)
        return;
    // Without RDY, a data link that is up again counts as the restart.
    if (!m_restartSuccessful && !(m_btSink && m_btSink->isConnectedRFCOMM())) {
        updateError();
        return;
    }
    m_unitStep = UnitStep::Idle;
    ui->progressBar->setValue(100);
    ui->labelProgressStatus->setText(tr("FirmwareupdateSuccessful"));
    m_timerCheck->stop();
    m_timerWaitRestart->stop();
    displayFinalPage();
}

void Firmwareupdate::updateError()
{
    // The transfer goes on: a late positive reply carries it on.
    ui->labelProgressStatus->setText(tr("ErrorDuringUpdatePleaseTryAgainNoAnswerReceivedFromBluetoothDevice"));
}
