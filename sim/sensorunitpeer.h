#ifndef SIM_SENSORUNITPEER_H
#define SIM_SENSORUNITPEER_H

#include "btremotepeer.h"

#include <QElapsedTimer>
#include <QString>

namespace Sim {

class ControlChannel;

// The wireless sensor unit GX-4 behind the sensor-unit module (ttyO2): an
// A2DP source with an RFCOMM data link over which it answers the program's
// "BT_TX" lines with "BT_RX" lines. Every line it receives is journalled to
// <root>/.tq3900/unit.log as "<hh:mm:ss.zzz> <line>".
//
// Answers: "I" (microphone set-up: gain, mute word, button word) and "G"
// (gain) with "RCVOK <mute word>"; "B" with "BATT_VOLTAGE <mV>"; "T" with
// "SENSOR <type>"; "S" with "SENSVAL <value> <seconds since the data link
// came up>"; "P" with the seven lines HW-VERSION, FW-VERSION, BATT_VOLTAGE,
// SENSOR, MIC-GAIN, MUTE_STATE, BUTTON and the end marker "!$!"; "O"
// (alert handled) with "OK"; a bare "AT" with "OK". "RS", "RP" and anything
// else get no answer.
//
// Its mute key reports "MUTE_STATE ACTIVE" or "MUTE_STATE MUTE": as a switch
// each press toggles, as a push button the press opens and the release
// mutes. Lines the unit sends while its data link is down are lost.
class SensorUnitPeer : public BtRemotePeer
{
    Q_OBJECT
public:
    static constexpr const char *kDefaultAddress = "02:00:00:39:01:02";

    explicit SensorUnitPeer(const QString &root, QObject *parent = nullptr);

    bool offers(const QByteArray &profile) const override;
    void linkChanged(const QByteArray &profile, bool up) override;
    void receiveData(const QByteArray &line) override;

    QString logPath() const { return QStringLiteral("/.tq3900/unit.log"); }

    bool isMuted() const { return m_muted; }
    bool isSwitchMode() const { return m_switchMode; }
    int gain() const { return m_gain; }
    void setSensorType(int type) { m_sensorType = type; }
    void setBatteryMillivolts(int mv) { m_batteryMv = mv; }
    void setSensorValue(const QByteArray &value) { m_sensorValue = value; }

    // The mute key.
    void pressKey();
    void releaseKey();
    // An unsolicited alert ("BT_RX ALERT <code>").
    void raiseAlert(const QByteArray &code);
    // The unit starts again and reports "BT_RX RDY <mV> <type>".
    void restart();

    // Adds "unit ..." to the control channel.
    void registerCommands(ControlChannel &channel);

private:
    void reply(const QByteArray &text);
    QByteArray muteWord() const { return m_muted ? "MUTE" : "ACTIVE"; }

    QString m_root;
    bool m_muted = true;
    bool m_switchMode = true;
    int m_gain = 15;
    int m_sensorType = 1;
    int m_batteryMv = 3900;
    QByteArray m_sensorValue = "0";
    QElapsedTimer m_linkUpSince;
};

} // namespace Sim

#endif // SIM_SENSORUNITPEER_H
