#ifndef BLUETOOTH_H
#define BLUETOOTH_H

#include "modulemode.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QStringList>

#include <memory>

class QTextDecoder;
class QTimer;

// One serial Bluetooth module: the sensor-unit link ("/dev/ttyO2", A2DP sink
// plus the RFCOMM data link that carries the "BT_TX" / "BT_RX" lines to and
// from the sensor unit) or the headphone link ("/dev/ttyO3", A2DP source).
//
// The object talks to the module in its text command language. A timer-driven
// state machine (updateState) keeps the module connected to the one paired
// remote device and, on the sensor-unit link, moves the module between
// command mode and data mode with the control lines GPIO 58 (DTR, output) and
// GPIO 59 (carrier detect, input). At most one sensor-unit message is
// outstanding; further ones wait in a 32-entry transmit queue. Every received
// line is parsed (analyseAnswer) and turned into field updates and signals.
//
// Everything runs on the GUI thread. The module's mode (command, data or not
// known) is kept by its ModuleMode: every module command goes through it and
// is written only while the module is known to be in command mode; it takes
// the module out of data mode by DTR when commands wait. The state machine's
// waits for the carrier line are bounded; a module that does not follow
// starts the connection again. Blocking waits: initBluetooth (2 s DTR toggle
// plus a bounded wait for the carrier line), disconnectBtDevice (500 ms; what
// it could not write by then goes once the module is in command mode, or is
// dropped kDisconnectMs after the disconnect began) and the escape (100 ms).
//
// A port whose peer hangs up (or that is missing at initBluetooth) is closed
// and opened again every 3 s; the link then starts again from scratch.
// Everything a peer controls is bounded: held module commands, bytes waiting
// for a module that does not read, the received text, the diagnostic file.
class Bluetooth : public QObject
{
    Q_OBJECT
public:
    Bluetooth();
    ~Bluetooth() override;

    // --- Link ----------------------------------------------------------------
    void initBluetooth(QString port, QString address);
    void sendData(QString line);
    QString getData();
    void clearData();
    void addToTransmitBuffer(QString message);
    void writeBluetoothCmdsDbg(QString text);

    // --- Connection state machine --------------------------------------------
    void callBtDeviceA2DP(bool withRfcomm);
    void switchBtMode(int mode);
    void callBtDeviceRFCOMM();
    // heldMs: what cannot be written at once is dropped this long after the
    // disconnect began (and so is every command held until then).
    void disconnectBtDevice(int heldMs = kDisconnectMs);
    void resetBluetooth(QString btId);
    bool isConnectedA2DP() const { return m_connectedA2DP; }
    bool isConnectedRFCOMM() const { return m_connectedRFCOMM; }
    bool isConnectedAVRCP() const { return m_connectedAVRCP; }
    // A call of the RFCOMM data link was sent and the module has not answered
    // it yet ("CONNECT n RFCOMM", or "NO CARRIER n" on the call's link), also
    // when the state machine has given up on it meanwhile: the call may still
    // connect and take the module into data mode. A module that answers
    // nothing within kCallAnswerMs counts as done.
    bool isCallingDataLink() const;
    static constexpr int kCallAnswerMs = 16000;
    // The module is known to be in command mode and no command waits.
    bool isCommandModeKnown() const;
    // Module commands wait for command mode (or for their bound).
    bool hasHeldCommands() const;
    // A message to the unit is written at once: the data link is up, the
    // state machine is in data mode (state 6), the module is known to be in
    // data mode (its carrier up and held) and no message waits before it.
    bool isDataModeKnown() const;
    // What disconnectBtDevice sends and could not write at once is dropped
    // this long after the disconnect began (power-off).
    static constexpr int kDisconnectMs = 3000;

    // --- Module set-up, gains and headphone ----------------------------------
    void initBtModulSource();
    void initBtModulSink();
    void initBtModulSourceTestmode();
    void setBtDacGain(int gain);
    void setBtAdcGain(int gain);
    void setBtLastAdcGain();
    int getBtDacGain() const { return m_btDacGain; }
    int getBtAdcGain() const { return m_btAdcGain; }
    void setBtExtMicGain(int gain);
    int getBtExtMicGain() const { return m_btExtMicGain; }
    int getBtExtHeadphoneGain() const { return m_btExtHeadphoneGain; }
    void setBtExtHeadphoneVolUp();
    void setBtExtHeadphoneVolDown();
    void setBtExtHeadphoneGain(int percent);
    int getBtExtHeadphoneBatteryState() const { return m_btExtHeadphoneBatteryState; }
    void requestHeadphoneBatteryState();
    QString getBtIdModul() const { return m_btIdModul; }
    QString getBtName() const { return m_btName; }
    int getBtProfile() const { return m_btProfile; }
    static int convertVolPercentToVolStep(int percent);
    static int convertVolStepToVolPercent(int step);

    // The pressure sensor's lines from the sensor unit. "BT_RX RS <range>
    // <reading at 0 bar> <reading at full scale>": false for a line without
    // three numbers or with readings beyond 16 bits.
    static bool parsePressureAnnouncement(const QString &line, int *range, unsigned short *atZero,
                                          unsigned short *atRange);
    // "BT_RX RD <count> <samples>": samples of four characters each. A
    // count above what the samples' text can hold (a started group of four
    // counts) is cut to it, so a line yields at most a quarter of its own
    // length in samples. Unreadable for a count that is no number.
    enum class PacketStatus { Whole, Cut, Unreadable };
    static PacketStatus parsePressurePacket(const QString &line, int *count, QString *samples);

public slots:
    void readTtyData();
    void updateState();
    void sendDebugCmd();
    void transmitTimeout();
    void portError(QSerialPort::SerialPortError error);
    void reopenPort();

signals:
    void connectionLost();
    void stateActiveMuteChanged(bool mute);
    void terminationStringDetected();
    void btAlertMessageReceived(QString alert);
    void btSensortypeReceived(QString type);
    void btBatteryvoltageReceived(QString voltage);
    void btSensorvalueReceived(QString value, QString activeTime);
    void btHeadphoneBatteryStateReceived(int percent);
    void btConnectedRfcomm();
    void btHeadphoneVolumeChanged(int percent);
    void btModulReset();
    void btPairingOk();
    void btAtOk();
    void btFwHeaderReceived(bool ok);
    void btFwDataReceived(int packet, bool ok);
    void btFwStartUpdateReceived(bool ok);
    void btAnswerFromDeviceReceived();
    void btRdyReceived();
    void btFirmwareVersion(QString version);
    void btEnableReceivePressuredata(bool on, int range, unsigned short low, unsigned short high);
    void btPressuredataReceived(int count, QString samples);
    // The module has just been found in command mode (held commands written).
    void commandModeReached();

private:
    static constexpr int kQueueSize = 32;

    void analyseAnswer();
    void handleLine(const QString &line);
    void handleUnitReply(const QString &line);
    void handleListEntry(const QStringList &fields);
    void resetLinkState();
    void clearConnectionFlags();
    void clearLinkIds();
    void sendGainCommand();
    void writeToPort(const QString &text);
    bool isSensorUnitLink() const;
    bool openPort();
    void closeLostPort();
    void keepNewestInfo(const QString &path);
    static QString checkedAddress(const QString &address);
    void callMainWindowMicrophoneUpdate();
    void sendSetupSequence(const char *const *lines, int count);
    void holdUnitLine(const QString &line);
    void holdOutstandingFirst();
    void startCarrierWait();
    // The module was found out of data mode on the data link: select it
    // again once the module is in command mode (state 7, then 8), or start
    // the link again when it keeps leaving.
    void takeBack();
    // Before a disconnect: the unit's waiting messages are written while
    // the module is still in data mode.
    void sendLastUnitLines();
    bool carrierWaitExpired() const;
    void giveUpDataLink();
    // The module's mode as the mode's owner knows it: 1 data mode (also not
    // yet confirmed by the carrier), 0 otherwise. For the debug output only.
    int btMode() const;
    // The data-link call was sent and the module has not even answered its
    // "CALL n" yet (within kCallAnswerMs).
    bool isCallUnacknowledged() const;

    QSerialPort *uartPort;
    QTimer *m_btStateTimer;
    QTimer *m_btTimerTransmit;
    QTimer *m_reopenTimer;
    // Board path of the port ("/dev/ttyO2").
    QString m_port;
    // A lost port was seen and is about to be closed (from the event loop).
    bool m_portLossPending = false;
    QString m_portErrorText;
    // Lines are being dropped because the module does not read.
    bool m_writeOverflow = false;
    QString m_btId;
    QString m_btIdModul;
    QString m_btAnswer;
    QString m_btAnswerCopy;
    QString m_btIdMicrophone;
    QString m_btIdHeadphone;
    int m_tempLinkId = 0;
    int m_linkId0_A2DP = 0;
    int m_linkId1_A2DP = 0;
    int m_linkId2_RFCOMM = 0;
    int m_linkId2_AVRCP = 0;
    int m_linkId3_HFP = 0;
    bool m_connectedA2DP = false;
    bool m_connectedRFCOMM = false;
    int m_waitCntConnectRfcomm = 0;
    bool m_connectedAVRCP = false;
    bool m_connectedHFP = false;
    bool m_callBtDeviceRfcomm = false;
    int m_btExtMicGain = 0;
    int m_btDacGain = 0;
    int m_btAdcGain = 0;
    int m_btLastAdcGain = 0;
    int m_btExtHeadphoneGain = 0;
    int m_btExtHeadphoneBatteryState = 0;
    QString m_btName;
    int m_btProfile = 0;
    bool m_btWaitForReadyAfterReset = false;
    QString m_fwVersion;
    int m_btState = 0;
    // The module's mode and the commands held for command mode (the
    // command output buffer).
    ModuleMode *m_mode;
    bool m_waitForBTRX = false;
    QString m_transmitBuffer[kQueueSize + 1];
    int m_numDataToTransmit = 0;

    // Sensor-unit messages that arrived while the module was on its way to
    // command mode; they go out once the data link is back (state 6).
    QStringList m_heldUnitLines;
    // The message to the unit last written (the outstanding one).
    QString m_outstanding;
    // Take-backs (the data link selected again after the module was found
    // out of data mode) within the last kTakeBackWindowMs; past
    // kMaxTakeBacks the link starts again. Nothing the unit sends resets
    // the count: only time does.
    static constexpr int kMaxTakeBacks = 3;
    static constexpr int kTakeBackWindowMs = 10000;
    QList<qint64> m_takeBackTimes;
    QElapsedTimer m_clock;
    // The data link is to be selected again once the module is in command
    // mode (state 8): a take-back, or a message for the unit.
    bool m_selectWanted = false;
    // The data link the module may still hold open: its "NO CARRIER" ends
    // the module's data mode also after the link's ids were cleared (a
    // stream that stopped).
    int m_dataLinkOpen = -1;
    // Start of the current wait for the carrier line (states 5 and 7).
    QElapsedTimer m_carrierWait;
    // The call of the data link under way: kNoCall, kCallSent (its link
    // number not known yet) or the link number from the module's "CALL n".
    static constexpr int kNoCall = -2;
    static constexpr int kCallSent = -1;
    int m_dataLinkCall = kNoCall;
    QElapsedTimer m_dataLinkCallSent;

    // Decodes the received bytes as UTF-8 across reads, so that a character
    // split between two reads stays whole.
    std::unique_ptr<QTextDecoder> m_decoder;
    // A step of the state machine is running (a module command sent from a
    // step must not start a second step inside the first).
    bool m_inStep = false;
    // A pressure packet was cut to its samples since the last whole one
    // (logged once per episode).
    bool m_pressureCountCut = false;
};

#endif // BLUETOOTH_H
