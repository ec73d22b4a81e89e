#ifndef SYSTEMINFORMATION_H
#define SYSTEMINFORMATION_H

#include "keydialog.h"

#include <QString>

class Bluetooth;
class QTimer;

namespace Ui {
class Systeminformation;
}

// The dialog that shows the instrument's identity and state: firmware version
// with the kind of root file system, hardware revision, serial number,
// operating-system image, battery, and the addresses of the two Bluetooth
// modules (asked once, then polled every second until both are known). A
// hidden button unlocks the debug features with an access code typed on the
// virtual keyboard; the outcome is stored in the settings file at once.
class Systeminformation : public KeyDialog
{
    Q_OBJECT
public:
    explicit Systeminformation(QWidget *parent = nullptr);
    ~Systeminformation() override;

    void init();

    // The parts of the display that come from text, as plain functions:
    // "S" for an SD card root ("/dev/root"), "F" for flash ("ubi0:root"),
    // else empty, from the output of "df -Th".
    static QString rootFileSystemLetter(const QByteArray &dfOutput);
    // "V <version>" from the BSP information file, or empty when it names
    // none.
    static QString operatingSystemVersion(const QString &bspInfo);
    // "V 1" when both converter inputs lie in 1001..1399, else "unknown".
    static QString hardwareVersionFromInputs(int ain4, int ain5);

private slots:
    void on_butMenuBack_clicked();
    void on_butDebugFeatures_clicked();
    void readHardwareVersion();

private:
    void updateInfo();
    QString firmwareVersionText();
    QString serialNumberText();
    QString operatingSystemText();
    QString batteryText();

    Ui::Systeminformation *ui;
    QTimer *m_timer = nullptr;
    Bluetooth *m_btSource = nullptr;
    Bluetooth *m_btSink = nullptr;
    int m_pressedCnt = 0;
    QString m_hardwareVersion = QStringLiteral("V 0");
};

#endif // SYSTEMINFORMATION_H
