#ifndef SIM_HEADPHONEPEER_H
#define SIM_HEADPHONEPEER_H

#include "btremotepeer.h"

namespace Sim {

class ControlChannel;

// The wireless headphone behind the headphone module (ttyO3): an A2DP sink
// that accepts the module's audio stream. It has no data link.
class HeadphonePeer : public BtRemotePeer
{
    Q_OBJECT
public:
    static constexpr const char *kDefaultAddress = "02:00:00:39:01:03";

    explicit HeadphonePeer(QObject *parent = nullptr);

    bool offers(const QByteArray &profile) const override;

    // Adds "headphone address|status" to the control channel.
    void registerCommands(ControlChannel &channel);
};

} // namespace Sim

#endif // SIM_HEADPHONEPEER_H
