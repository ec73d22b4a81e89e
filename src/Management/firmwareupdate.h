#ifndef FIRMWAREUPDATE_H
#define FIRMWAREUPDATE_H

#include "keydialog.h"

#include <QByteArray>
#include <QString>
#include <QThread>

namespace Ui {
class Firmwareupdate;
}
class Bluetooth;
class FileCopyThread;
class QTimer;

// Installs new firmware on the instrument or on the sensor unit GX-4 from a
// file the user copied onto the data partition (the dialog can lend the
// partition to a PC for that, as the PC data transfer does).
//
// Instrument: "FW_TQE3900_*.tq3" is copied into /home/root/firmware/ on a
// worker thread; only after a complete copy is the source removed, "reboot"
// written into the run-mode file and the board rebooted 3 s after the final
// page. Sensor unit: "FW_GX4_*.gx4" travels over the sensor-unit link as a
// header, 64-byte packets each sent after the acknowledgement of the one
// before, and a start message; the unit then restarts.
//
// Pages: unit choice, connect (no file yet), confirm, progress, final.
class Firmwareupdate : public KeyDialog
{
    Q_OBJECT
public:
    explicit Firmwareupdate(QWidget *parent = nullptr);
    ~Firmwareupdate() override;

    // Finds the newest plain file in folder (a board path) whose name
    // matches pattern (wildcards, any case); the folder becomes the working
    // directory. Returns the number of matches and stores the newest name,
    // -2 with the name emptied when none matches, -1 for an empty folder or
    // pattern.
    int getFwFilename(QString *filename, QString folder, QString pattern);
    // The version in a firmware file name: the first three hyphen-joined
    // numbers, written with points ("FW_GX4_V1-22-33.gx4" gives "1.22.33");
    // empty when there is none (or it is implausibly long).
    static QString getFwVersionFromFilename(QString filename);

signals:
    void startCopy(QString sourceFile, QString targetFile);

private slots:
    void on_butMenuCancel_clicked();
    void on_butUpdateGX4_clicked();
    void on_butUpdateTQ3900_clicked();
    void on_butAccept_clicked();
    void on_butCancel_clicked();
    void on_butConnect_clicked();
    void on_butDisconnect_clicked();
    void on_butFinalOk_clicked();
    void updateProgress();
    void copyFinished(bool ok);
    void doRebootTQE3900();
    void btFwHeaderReceived(bool ok);
    void btFwDataReceived(int packetNum, bool ok);
    void btFwStartUpdateReceived(bool ok);
    void on_butCancelUpdate_clicked();
    void updateError();
    void checkRestart();
    void deviceRestarted();
    void fwVersionReceived(QString fwVersion);

protected:
    // The power key's Escape release leaves as the menu button does, except
    // on the instrument's final page, which waits for the reboot.
    void escapeReleased() override;

private:
    // What the sensor-unit transfer waits for; a reply that no step awaits
    // is ignored.
    enum class UnitStep { Idle, Header, Data, Start, Restart };

    void displayConfirmPage();
    void displayConnectUsbPage();
    void displayFinalPage();
    void doUpdateTQE3900();
    void doUpdateGX4();
    void chooseUnit(int unit);
    void refuseFirmwareFile(const QString &path, bool opened);
    void sendPacket(int number);
    // After a cancel: stops the transfer (true).
    bool endedByCancel();
    QString copyTarget() const;

    Ui::Firmwareupdate *ui;
    Bluetooth *m_btSink = nullptr;
    QTimer *m_timerProgress = nullptr;
    FileCopyThread *firmwareFile = nullptr;
    QTimer *m_timerCheck = nullptr;
    QTimer *m_timerWaitRestart = nullptr;
    int m_updateUnit = 0;
    QString m_currentFwVersion;
    QString m_newFwVersion;
    QString m_newFwFilename;
    QThread m_fileCopy;
    bool m_connectedWithUsb = false;
    QByteArray m_dataFwGx4;
    int m_sizeFwGx4 = 0;
    int m_transmittedBytesFwGx4 = 0;
    int m_currentPacketNum = 0;
    const int PacketSize = 64;
    bool m_cancelUpdate = false;
    bool m_restartSuccessful = false;

    UnitStep m_unitStep = UnitStep::Idle;
    // An instrument copy was requested and has not reported its end; its
    // target (local path) is removed when the copy was cancelled.
    bool m_copyRunning = false;
    QString m_copyTargetPath;
    bool m_rebootPending = false;
};

#endif // FIRMWAREUPDATE_H
