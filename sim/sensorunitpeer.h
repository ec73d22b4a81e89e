#ifndef SIM_SENSORUNITPEER_H
#define SIM_SENSORUNITPEER_H

#include "btremotepeer.h"
#include "sensorreading.h"

#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

namespace Sim {

class ControlChannel;
struct ControlRequest;
class PressureStream;

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
// (alert handled) with "OK"; a bare "AT" with "OK". "RS" starts the pressure
// sensor's stream (its announcement "RS ..." first, then "RD ..." packets,
// see PressureStream) and "RP" stops it without an answer, as does a lost
// data link; anything else gets no answer.
//
// "X <mode>" (service mode, "X DEBUG") sets the unit's mode and is answered
// "X <mode>". Firmware transfer: "FH <size> <version>" starts an image
// ("FH OK"), "FD <nnn> <lll> <hex>" carries packet nnn of lll bytes as hex
// digits ("FD <nnn> OK" when it is the next packet, the length matches the
// digits and the image does not grow past its size, else "FD <nnn> ERROR"),
// "FS" ends it ("FS OK" when the image is complete, else "FS ERROR"); the
// unit then writes the image to <root>/.tq3900/unit-firmware.bin and restarts
// (RDY) 2 s later, reporting the new version as its FW-VERSION from then
// on. "unit firmware reply error|silent" makes it refuse or ignore every
// firmware line; "unit firmware ack-twice <n>" makes it acknowledge packet n
// twice; "unit firmware drop <ms>" makes it go off the air across the
// restart: its links close with "FS OK", its RDY is lost, and for ms it
// refuses the data link (offAir).
//
// The SENSVAL value is fixed ("unit value") or ramped ("unit ramp"); the
// seconds count from the link's coming up or from "unit active" (see
// SensorReading).
//
// Its mute key reports "MUTE_STATE ACTIVE" or "MUTE_STATE MUTE": as a switch
// each press toggles, as a push button the press opens and the release
// mutes. Lines the unit sends while its data link is down are lost.
//
// "unit info <key> <value>" replaces the value of one of the seven "P" lines
// (HW-VERSION ... BUTTON, or their number 1-7) by any word, "-" leaves the
// line out, "default" gives it back to the unit's state; FW-VERSION set here
// is the unit's firmware version. "unit ignore <word>" makes the unit ignore
// the messages "BT_TX <word> ..." (they are still journalled). "unit say
// <text>" makes it send one line of its own over the data link (a unit that
// says what a module would say).
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
    void setSensorValue(const QByteArray &value) { m_reading.setValue(value); }
    SensorReading &reading() { return m_reading; }

    // The mute key.
    void pressKey();
    void releaseKey();
    // An unsolicited alert ("BT_RX ALERT <code>").
    void raiseAlert(const QByteArray &code);
    // The unit starts again and reports "BT_RX RDY <mV> <type>".
    void restart();

    PressureStream *pressure() const { return m_pressure; }

    QByteArray mode() const { return m_mode; }
    // Firmware transfer state: "<version> <received>/<size>" or "none".
    QString firmwareStatus() const;

    static constexpr int kRestartAfterUpdateMs = 2000;

    // The seven keys of the answer to "P", in the order the unit sends them.
    static const QList<QByteArray> &infoKeys();
    // The value the unit sends for a key of "P"; empty when the line is left out.
    QByteArray infoValue(const QByteArray &key) const;
    // Sets a key's value; "-" leaves the line out, "default" (or an empty
    // value) follows the unit's state again.
    void setInfoValue(const QByteArray &key, const QByteArray &value);
    void ignoreMessage(const QByteArray &word) { m_ignored.insert(word); }
    void heedAllMessages() { m_ignored.clear(); }

    // Adds "unit ..." to the control channel.
    void registerCommands(ControlChannel &channel);

signals:
    // The unit restarts after an update and is out of reach (true: every
    // link closes, the data link is refused) or back (false).
    void offAir(bool off);

private:
    void reply(const QByteArray &text);
    void handleFirmwareLine(const QByteArrayList &w);
    QByteArray muteWord() const { return m_muted ? "MUTE" : "ACTIVE"; }
    QString infoCommand(const ControlRequest &r, const QString &usage);

    QString m_root;
    PressureStream *m_pressure = nullptr;
    bool m_muted = true;
    bool m_switchMode = true;
    int m_gain = 15;
    int m_sensorType = 1;
    int m_batteryMv = 3900;
    SensorReading m_reading;
    QByteArray m_mode = "NORMAL";
    enum class FirmwareReply { Ok, Error, Silent };
    FirmwareReply m_firmwareReply = FirmwareReply::Ok;
    bool m_firmwareStarted = false;
    qint64 m_firmwareSize = 0;
    QByteArray m_firmwareVersion;
    QByteArray m_firmwareImage;
    int m_nextPacket = 0;
    int m_ackTwicePacket = -1;
    int m_offAirMs = 0;
    QMap<QByteArray, QByteArray> m_infoValues; // set by "unit info"
    QSet<QByteArray> m_ignored;
};

} // namespace Sim

#endif // SIM_SENSORUNITPEER_H
