#include "btinquiry.h"

#include "controlchannel.h"
#include "headphonepeer.h"
#include "sensorunitpeer.h"

#include <QRegularExpression>
#include <QStringList>

namespace Sim {

BtInquiry::BtInquiry()
{
    m_devices << Device{SensorUnitPeer::kDefaultAddress, kUnitClass, "GX-4 Sensor 0412", true}
              << Device{HeadphonePeer::kDefaultAddress, kHeadphoneClass, "Headset HS-20", true};
}

bool BtInquiry::add(const Device &device)
{
    for (Device &d : m_devices) {
        if (d.address.toLower() == device.address.toLower()) {
            d = device;
            return true;
        }
    }
    if (m_devices.size() >= kMaxDevices)
        return false;
    m_devices << device;
    return true;
}

bool BtInquiry::remove(const QByteArray &address)
{
    for (int i = 0; i < m_devices.size(); ++i) {
        if (m_devices.at(i).address.toLower() == address.toLower()) {
            m_devices.removeAt(i);
            return true;
        }
    }
    return false;
}

const BtInquiry::Device *BtInquiry::find(const QByteArray &address) const
{
    for (const Device &d : m_devices)
        if (!address.isEmpty() && d.address.toLower() == address.toLower())
            return &d;
    return nullptr;
}

int BtInquiry::durationMs(int length) const
{
    if (m_timeMs > 0)
        return m_timeMs;
    return qBound(1, length, 48) * 1280;
}

QString BtInquiry::describe() const
{
    QStringList out;
    for (const Device &d : m_devices)
        out << QStringLiteral("%1 %2 %3%4")
                   .arg(QString::fromLatin1(d.address), QString::fromLatin1(d.deviceClass),
                        d.name.isEmpty() ? QStringLiteral("-") : QStringLiteral("\"%1\"").arg(QString::fromUtf8(d.name)),
                        d.pairs ? QString() : QStringLiteral(" silent"));
    return out.isEmpty() ? QStringLiteral("none") : out.join(QStringLiteral("; "));
}

void BtInquiry::registerCommands(ControlChannel &channel)
{
    channel.registerCommand(
        QStringLiteral("inquiry"),
        QStringLiteral("inquiry [list] | clear | add <addr> <class> [name] | remove <addr> | pair <addr> <ok|silent> | "
                       "time <ms>: the devices an inquiry finds"),
        [this](const ControlRequest &r) {
            const QString usage = QStringLiteral(
                "usage: inquiry [list] | inquiry clear | inquiry add <addr> <class 6 hex digits> [name] | "
                "inquiry remove <addr> | inquiry pair <addr> <ok|silent> | inquiry time <ms 0-60000>");
            static const QRegularExpression addressPattern(
                QStringLiteral("^[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}$"));
            static const QRegularExpression classPattern(QStringLiteral("^[0-9A-Fa-f]{6}$"));
            const QString sub = r.args.value(0);
            const int count = r.args.size();
            if (count == 0 || (sub == QLatin1String("list") && count == 1))
                return describe();
            if (sub == QLatin1String("clear") && count == 1) {
                clear();
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("add") && count >= 3) {
                if (!addressPattern.match(r.args[1]).hasMatch())
                    return QStringLiteral("error: bad address; ") + usage;
                if (!classPattern.match(r.args[2]).hasMatch())
                    return QStringLiteral("error: bad class; ") + usage;
                Device d;
                d.address = r.args[1].toLatin1();
                d.deviceClass = r.args[2].toLatin1();
                d.name = r.rest(3).toUtf8();
                if (!add(d))
                    return QStringLiteral("error: at most %1 devices").arg(kMaxDevices);
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("remove") && count == 2)
                return remove(r.args[1].toLatin1()) ? QStringLiteral("ok")
                                                    : QStringLiteral("error: no device %1").arg(r.args[1]);
            if (sub == QLatin1String("pair") && count == 3
                && (r.args[2] == QLatin1String("ok") || r.args[2] == QLatin1String("silent"))) {
                Device *found = nullptr;
                for (Device &d : m_devices)
                    if (d.address.toLower() == r.args[1].toLatin1().toLower())
                        found = &d;
                if (!found)
                    return QStringLiteral("error: no device %1").arg(r.args[1]);
                found->pairs = r.args[2] == QLatin1String("ok");
                return QStringLiteral("ok");
            }
            if (sub == QLatin1String("time") && count == 2) {
                bool ok = false;
                const int ms = r.args[1].toInt(&ok);
                if (!ok || ms < 0 || ms > 60000)
                    return QStringLiteral("error: time must be 0 to 60000 ms; ") + usage;
                setTimeMs(ms);
                return QStringLiteral("ok");
            }
            return QStringLiteral("error: ") + usage;
        });
}

} // namespace Sim
