#ifndef BLUETOOTHPAIRING_H
#define BLUETOOTHPAIRING_H

#include "keydialog.h"

#include <QString>

namespace Ui {
class BluetoothPairing;
}
class Bluetooth;
class QTimer;

// The modal dialog that pairs the instrument with a new wireless device: the
// sensor unit (its microphone, on the sensor-unit link) or a headphone (on
// the headphone link). It asks the module for an inquiry, collects what both
// modules send, offers up to three devices of the wanted class as buttons,
// sends the pairing command for the one picked and closes as accepted when
// the module confirms the pairing. It stores nothing itself: the caller
// reads getBluetoothId() and getBluetoothName() and keeps them.
//
// States: idle (instruction) -> searching (15 s) -> choice (0 to 3 device
// buttons) -> pairing (10 s) -> accepted, or back to the choice with the
// failure text. Search may be pressed again at any time; Cancel and the
// power key's Escape release end it rejected. A confirmation counts only
// while a pairing waits for it.
class BluetoothPairing : public KeyDialog
{
    Q_OBJECT
public:
    // Search and pairing waits, in ms; the progress bar counts in ms too.
    static constexpr int kTickMs = 500;
    static constexpr int kSearchMs = 15000;
    static constexpr int kPairingMs = 10000;
    // Inquiry and name lines used, devices offered.
    static constexpr int kMaxLines = 10;
    static constexpr int kMaxOffered = 3;

    explicit BluetoothPairing(QWidget *parent = nullptr);
    ~BluetoothPairing() override;

    // 1: the sensor unit; 0 and every other value: a headphone. Frees the
    // module of that kind for the inquiry (its links are dropped).
    void setPairingDevice(int device);
    int pairingDevice() const { return m_pairingDevice; }

    // The device picked last (button 0 unless one was pressed).
    QString getBluetoothId() const;
    QString getBluetoothName() const;

    // The class-of-device mask of a kind: 0x2804 sensor unit, 0x2404 headphone.
    static unsigned classMask(int pairingDevice);

public slots:
    void updateBtInfo();
    void analyseReceivedData();
    void updateProgbar();
    void waitForPairing();
    void pairingOkReceived();

private slots:
    void on_butSearch_clicked();
    void on_butCancel_clicked();
    void on_butInfo_clicked();
    void on_butBtDev_1_clicked();
    void on_butBtDev_2_clicked();
    void on_butBtDev_3_clicked();

protected:
    void escapeReleased() override;

private:
    Bluetooth *currentLink() const;
    void pairBtDevice(int index);
    void appendRaw(const QString &text, const QColor &color);
    void showPairingFailure();

    Ui::BluetoothPairing *ui;
    Bluetooth *m_btSource = nullptr;
    Bluetooth *m_btSink = nullptr;
    QTimer *m_timer;
    QTimer *m_timerPairing;
    int m_currentPage = 1;
    QString m_stylesheetMic;
    QString m_stylesheetHp;
    int m_milliseconds = 0;
    int m_selBtDevice = 0;
    QString m_bluetoothIdButton[kMaxLines];
    QString m_bluetoothNameButton[kMaxLines];
    QString m_bluetoothIdInquiry[kMaxLines];
    QString m_bluetoothIdName[kMaxLines];
    QString m_bluetoothNameTmp[kMaxLines];
    QString m_bluetoothName[kMaxLines];
    QString m_bluetoothClass[kMaxLines];
    int m_pairingDevice = 0;
};

#endif // BLUETOOTHPAIRING_H
