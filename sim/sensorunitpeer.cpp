#include "sensorunitpeer.h"

#include "controlchannel.h"
#include "devicetree.h"

#include <QTime>

namespace Sim {

namespace {
const char kHardwareVersion[] = "2.1";
const char kFirmwareVersion[] = "1.4.2";
} // namespace

SensorUnitPeer::SensorUnitPeer(const QString &root, QObject *parent)
    : BtRemotePeer(kDefaultAddress, parent), m_root(root)
{
}

bool SensorUnitPeer::offers(const QByteArray &profile) const
{
    const QByteArray p = profile.toUpper();
    return p == "A2DP" || p == "RFCOMM";
}

void SensorUnitPeer::linkChanged(const QByteArray &profile, bool up)
{
    BtRemotePeer::linkChanged(profile, up);
    if (profile.toUpper() == "RFCOMM" && up)
        m_linkUpSince.start();
}

void SensorUnitPeer::reply(const QByteArray &text)
{
    if (isLinkUp("RFCOMM"))
        emit dataToHost(text);
}

void SensorUnitPeer::receiveData(const QByteArray &line)
{
    if (line.trimmed().isEmpty())
        return; // "BT_TX P" arrives with an empty line after it
    appendBoardFile(m_root, logPath(),
                    QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")).toLatin1() + ' ' + line + '\n');

    const QByteArrayList w = line.simplified().split(' ');
    if (w.value(0) == "AT") {
        reply("BT_RX OK");
        return;
    }
    if (w.value(0) != "BT_TX")
        return;
    const QByteArray command = w.value(1);
    if (command == "I") {
        bool ok = false;
        const int gain = w.value(2).toInt(&ok, 16);
        if (ok)
            m_gain = gain;
        if (w.size() > 3)
            m_muted = w.value(3) != "ACTIVE";
        if (w.size() > 4)
            m_switchMode = w.value(4) == "SWITCH";
        reply("BT_RX RCVOK " + muteWord());
    } else if (command == "G") {
        bool ok = false;
        const int gain = w.value(2).toInt(&ok, 16);
        if (ok)
            m_gain = gain;
        reply("BT_RX RCVOK " + muteWord());
    } else if (command == "B") {
        reply("BT_RX BATT_VOLTAGE " + QByteArray::number(m_batteryMv));
    } else if (command == "T") {
        reply("BT_RX SENSOR " + QByteArray::number(m_sensorType));
    } else if (command == "S") {
        const qint64 seconds = m_linkUpSince.isValid() ? m_linkUpSince.elapsed() / 1000 : 0;
        reply("BT_RX SENSVAL " + m_sensorValue + ' ' + QByteArray::number(seconds));
    } else if (command == "O") {
        reply("BT_RX OK");
    } else if (command == "P") {
        reply(QByteArray("BT_RX HW-VERSION ") + kHardwareVersion);
        reply(QByteArray("BT_RX FW-VERSION ") + kFirmwareVersion);
        reply("BT_RX BATT_VOLTAGE " + QByteArray::number(m_batteryMv));
        reply("BT_RX SENSOR " + QByteArray::number(m_sensorType));
        reply("BT_RX MIC-GAIN " + QByteArray::number(m_gain, 16).rightJustified(2, '0'));
        reply("BT_RX MUTE_STATE " + muteWord());
        reply(QByteArray("BT_RX BUTTON ") + (m_switchMode ? "SWITCH" : "PUSHBUT"));
        reply("!$!");
    }
}

void SensorUnitPeer::pressKey()
{
    m_muted = m_switchMode ? !m_muted : false;
    reply("BT_RX MUTE_STATE " + muteWord());
}

void SensorUnitPeer::releaseKey()
{
    if (m_switchMode)
        return;
    m_muted = true;
    reply("BT_RX MUTE_STATE " + muteWord());
}

void SensorUnitPeer::raiseAlert(const QByteArray &code)
{
    reply("BT_RX ALERT " + code);
}

void SensorUnitPeer::restart()
{
    m_muted = true;
    reply("BT_RX RDY " + QByteArray::number(m_batteryMv) + ' ' + QByteArray::number(m_sensorType));
}

void SensorUnitPeer::registerCommands(ControlChannel &channel)
{
    channel.registerCommand(
        QStringLiteral("unit"),
        QStringLiteral("unit key <press|release> | sensor <0-9> | battery <mV> | alert <code> | value <v> | "
                       "restart | address <addr> | status: the sensor unit behind ttyO2"),
        [this](const ControlRequest &r) {
            const QString usage = QStringLiteral(
                "usage: unit key <press|release> | unit sensor <0-9> | unit battery <mV 0-9999> | "
                "unit alert <code> | unit value <v> | unit restart | unit address <addr> | unit status");
            const QString sub = r.args.value(0);
            const QString arg = r.args.value(1);
            const int count = r.args.size();
            bool ok = false;
            if (sub == QLatin1String("key") && count == 2 && (arg == QLatin1String("press") || arg == QLatin1String("release"))) {
                if (arg == QLatin1String("press"))
                    pressKey();
                else
                    releaseKey();
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("sensor") && count == 2) {
                const int type = arg.toInt(&ok);
                if (!ok || type < 0 || type > 9)
                    return QStringLiteral("error: sensor type must be 0 to 9; ") + usage;
                setSensorType(type);
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("battery") && count == 2) {
                const int mv = arg.toInt(&ok);
                if (!ok || mv < 0 || mv > 9999)
                    return QStringLiteral("error: battery must be 0 to 9999 mV; ") + usage;
                setBatteryMillivolts(mv);
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("alert") && count == 2) {
                raiseAlert(arg.toLatin1());
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("value") && count == 2) {
                setSensorValue(arg.toLatin1());
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("restart") && count == 1) {
                restart();
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("address") && count == 2) {
                setAddress(arg.toLatin1());
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("status") && count == 1)
                return QStringLiteral("address %1; rfcomm %2; a2dp %3; %4; %5; gain %6")
                    .arg(QString::fromLatin1(address()))
                    .arg(isLinkUp("RFCOMM") ? QStringLiteral("up") : QStringLiteral("down"))
                    .arg(isLinkUp("A2DP") ? QStringLiteral("up") : QStringLiteral("down"))
                    .arg(QString::fromLatin1(muteWord()))
                    .arg(m_switchMode ? QStringLiteral("SWITCH") : QStringLiteral("PUSHBUT"))
                    .arg(m_gain, 2, 16, QLatin1Char('0'));
            return QStringLiteral("error: ") + usage;
        });
}

} // namespace Sim
