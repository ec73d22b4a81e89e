#ifndef SIM_HEADPHONEPEER_H
#define SIM_HEADPHONEPEER_H

#include "btremotepeer.h"

namespace Sim {

class ControlChannel;

// The wireless headphone behind the headphone module (ttyO3): an A2DP sink
// that accepts the module's audio stream, opens its remote-control (AVRCP)
// link once the stream runs and takes the module's hands-free (HFP) call.
//
// Volume: held in percent (50 at start) on 16 steps. "PDU 50 <percent>" sets
// it, "UP" and "DN" move one step; once the program registered for volume
// reports ("PDU 31 D"), every change (also the user's, "headphone volume")
// is reported. Battery: a level 0..9 (6 at start), sent as the indicator
// "AT+IPHONEACCEV=2,1,<level>,2,0" when the program pokes the hands-free
// link with an AT command and whenever the level changes.
class HeadphonePeer : public BtRemotePeer
{
    Q_OBJECT
public:
    static constexpr const char *kDefaultAddress = "02:00:00:39:01:03";

    explicit HeadphonePeer(QObject *parent = nullptr);

    bool offers(const QByteArray &profile) const override;
    void linkChanged(const QByteArray &profile, bool up) override;
    QByteArrayList handsFree(const QByteArray &at) override;
    int remoteControl(const QByteArrayList &args) override;

    int volume() const { return m_volume; }
    // The user turns the volume (reported when registered).
    void setVolume(int percent);
    int batteryLevel() const { return m_batteryLevel; }
    void setBatteryLevel(int level);

    // Adds "headphone address|volume|battery|status" to the control channel.
    void registerCommands(ControlChannel &channel);

private:
    QByteArray batteryIndicator() const;

    int m_volume = 50;
    bool m_volumeReports = false;
    int m_batteryLevel = 6;
};

} // namespace Sim

#endif // SIM_HEADPHONEPEER_H
