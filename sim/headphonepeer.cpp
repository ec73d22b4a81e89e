#include "headphonepeer.h"

#include "controlchannel.h"

#include <cmath>

namespace Sim {

namespace {
// The headphone's 16 volume steps: step n is n x 6.25 percent.
int stepOf(int percent)
{
    return qBound(0, int(std::lround(percent / 6.25)), 15);
}
int percentOf(int step)
{
    return int(std::lround(qBound(0, step, 15) * 6.25));
}
} // namespace

HeadphonePeer::HeadphonePeer(QObject *parent)
    : BtRemotePeer(kDefaultAddress, parent)
{
}

bool HeadphonePeer::offers(const QByteArray &profile) const
{
    const QByteArray p = profile.toUpper();
    return p == "A2DP" || p == "AVRCP" || p == "HFP-AG";
}

void HeadphonePeer::linkChanged(const QByteArray &profile, bool up)
{
    BtRemotePeer::linkChanged(profile, up);
    // A new remote-control link starts without registrations.
    if (profile.toUpper() == "AVRCP")
        m_volumeReports = false;
}

QByteArray HeadphonePeer::batteryIndicator() const
{
    return "AT+IPHONEACCEV=2,1," + QByteArray::number(m_batteryLevel) + ",2,0";
}

QByteArrayList HeadphonePeer::handsFree(const QByteArray &)
{
    // Any command of the audio gateway makes the headset tell its state.
    return {batteryIndicator()};
}

int HeadphonePeer::remoteControl(const QByteArrayList &args)
{
    const QByteArray what = args.value(0).toUpper();
    int volume = m_volume;
    if (what == "PDU" && args.value(1) == "31") {
        m_volumeReports = true;
        return -1;
    }
    if (what == "PDU" && args.value(1) == "50") {
        bool ok = false;
        const int percent = args.value(2).toInt(&ok);
        if (!ok)
            return -1;
        volume = qBound(0, percent, 100);
    } else if (what == "UP") {
        volume = percentOf(stepOf(m_volume) + 1);
    } else if (what == "DN") {
        volume = percentOf(stepOf(m_volume) - 1);
    } else {
        return -1;
    }
    m_volume = volume;
    return m_volumeReports ? m_volume : -1;
}

void HeadphonePeer::setVolume(int percent)
{
    m_volume = qBound(0, percent, 100);
    if (m_volumeReports && isLinkUp("AVRCP"))
        emit volumeReport(m_volume);
}

void HeadphonePeer::setBatteryLevel(int level)
{
    m_batteryLevel = qBound(0, level, 9);
    if (isLinkUp("HFP-AG"))
        emit handsFreeReport(batteryIndicator());
}

void HeadphonePeer::registerCommands(ControlChannel &channel)
{
    channel.registerCommand(
        QStringLiteral("headphone"),
        QStringLiteral("headphone address <addr> | volume <0-100> | battery <0-9> | status: the wireless headphone "
                       "behind ttyO3"),
        [this](const ControlRequest &r) {
            const QString usage = QStringLiteral("usage: headphone address <addr> | headphone volume <0-100> | "
                                                 "headphone battery <0-9> | headphone status");
            const QString sub = r.args.value(0);
            bool ok = false;
            const int value = r.args.value(1).toInt(&ok);
            if (sub == QLatin1String("address") && r.args.size() == 2) {
                setAddress(r.args[1].toLatin1());
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("volume") && r.args.size() == 2) {
                if (!ok || value < 0 || value > 100)
                    return QStringLiteral("error: volume must be 0 to 100; ") + usage;
                setVolume(value);
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("battery") && r.args.size() == 2) {
                if (!ok || value < 0 || value > 9)
                    return QStringLiteral("error: battery level must be 0 to 9; ") + usage;
                setBatteryLevel(value);
                return QStringLiteral("ok");
            }
            auto up = [this](const char *profile) {
                return isLinkUp(profile) ? QStringLiteral("up") : QStringLiteral("down");
            };
            if (sub == QLatin1String("status") && r.args.size() == 1)
                return QStringLiteral("address %1; a2dp %2; avrcp %3; hfp %4; volume %5; battery %6")
                    .arg(QString::fromLatin1(address()), up("A2DP"), up("AVRCP"), up("HFP-AG"))
                    .arg(m_volume)
                    .arg(m_batteryLevel);
            return QStringLiteral("error: ") + usage;
        });
}

} // namespace Sim
