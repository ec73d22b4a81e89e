#ifndef BLUETOOTH_H
#define BLUETOOTH_H

#include "calllog.h"

#include <QObject>
#include <QString>

// One serial Bluetooth module: the sensor-unit link ("/dev/ttyO2") or the
// headphone link ("/dev/ttyO3").
//
// Not built yet: the serial port, the module command language, the connection
// state machine and the reply parser. Until then the link records every
// request in its call log and keeps the few values its getters report.
class Bluetooth : public QObject
{
    Q_OBJECT
public:
    Bluetooth();

    void initBluetooth(QString port, QString address);
    void sendData(QString line);
    void callBtDeviceA2DP(bool wanted);
    void setBtDacGain(int gain);
    void setBtAdcGain(int gain);
    void setBtLastAdcGain();
    void disconnectBtDevice();
    void resetBluetooth(QString btId);
    void initBtModulSink();
    void initBtModulSource();

    QString getBtIdModul() const { return QString(); }
    bool isConnectedA2DP() const { return false; }
    bool isConnectedAVRCP() const { return false; }
    bool isConnectedRFCOMM() const { return false; }
    int getBtExtMicGain() const { return m_micGain; }
    int getBtExtHeadphoneGain() const { return m_headphoneStep; }
    void setBtExtHeadphoneVolUp();
    void setBtExtHeadphoneVolDown();
    void setBtExtHeadphoneGain(int percent);
    int getBtExtHeadphoneBatteryState() const { return -1; }
    void requestHeadphoneBatteryState();

    const CallLog &callLog() const { return m_log; }
    CallLog &callLog() { return m_log; }

signals:
    void stateActiveMuteChanged(bool mute);
    void btAlertMessageReceived(QString alert);
    void btSensortypeReceived(QString type);
    void btBatteryvoltageReceived(QString voltage);
    void btHeadphoneBatteryStateReceived(int percent);
    void btHeadphoneVolumeChanged(int percent);
    void btConnectedRfcomm();

private:
    CallLog m_log;
    int m_micGain = 15;
    int m_headphoneStep = 8;
    int m_adcGain = 1;
    int m_lastAdcGain = 1;
};

#endif // BLUETOOTH_H
