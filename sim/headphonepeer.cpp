#include "headphonepeer.h"

#include "controlchannel.h"

namespace Sim {

HeadphonePeer::HeadphonePeer(QObject *parent)
    : BtRemotePeer(kDefaultAddress, parent)
{
}

bool HeadphonePeer::offers(const QByteArray &profile) const
{
    return profile.toUpper() == "A2DP";
}

void HeadphonePeer::registerCommands(ControlChannel &channel)
{
    channel.registerCommand(
        QStringLiteral("headphone"),
        QStringLiteral("headphone address <addr> | status: the wireless headphone behind ttyO3"),
        [this](const ControlRequest &r) {
            const QString usage = QStringLiteral("usage: headphone address <addr> | headphone status");
            const QString sub = r.args.value(0);
            if (sub == QLatin1String("address") && r.args.size() == 2) {
                setAddress(r.args[1].toLatin1());
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("status") && r.args.size() == 1)
                return QStringLiteral("address %1; a2dp %2")
                    .arg(QString::fromLatin1(address()), isLinkUp("A2DP") ? QStringLiteral("up") : QStringLiteral("down"));
            return QStringLiteral("error: ") + usage;
        });
}

} // namespace Sim
