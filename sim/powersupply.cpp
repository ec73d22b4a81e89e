#include "powersupply.h"

#include "controlchannel.h"
#include "devicetree.h"

namespace Sim {

namespace {
const char kGauge[] = "/sys/class/power_supply/bq27426-0/";
const char kCharger[] = "/sys/class/power_supply/bq24190-battery/";

bool parseInt(const QString &text, int min, int max, int *value)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min || v > max)
        return false;
    *value = v;
    return true;
}
} // namespace

PowerSupply::PowerSupply(const QString &root) : m_root(root) {}

bool PowerSupply::writeValue(const QString &boardPath, const QByteArray &value)
{
    // The driver files end their value with a line feed.
    return writeBoardFile(m_root, boardPath, value + '\n');
}

bool PowerSupply::setBattery(int percent, int millivolts)
{
    const bool a = writeValue(QLatin1String(kGauge) + "capacity", QByteArray::number(percent));
    const bool b = writeValue(QLatin1String(kGauge) + "voltage_now", QByteArray::number(qint64(millivolts) * 1000));
    return a && b;
}

bool PowerSupply::setCharging(bool charging)
{
    const QByteArray status = charging ? "Charging" : "Discharging";
    bool ok = writeValue(QLatin1String(kGauge) + "status", status);
    ok = writeValue(QLatin1String(kCharger) + "status", status) && ok;
    ok = writeValue(QLatin1String(kGauge) + "current_now",
                    QByteArray::number(charging ? kChargeCurrentUa : kLoadCurrentUa))
        && ok;
    return ok;
}

bool PowerSupply::setTemperature(int tenths)
{
    return writeValue(QLatin1String(kGauge) + "temp", QByteArray::number(tenths));
}

void PowerSupply::registerCommands(ControlChannel &channel)
{
    const auto written = [](bool ok) {
        return ok ? QStringLiteral("ok") : QStringLiteral("error: cannot write the power-supply files");
    };
    channel.registerCommand(
        QStringLiteral("battery"), QStringLiteral("battery <percent 0-100> <millivolts>: fuel-gauge reading"),
        [this, written](const ControlRequest &r) {
            int percent = 0, mv = 0;
            if (r.args.size() != 2 || !parseInt(r.args[0], 0, 100, &percent)
                || !parseInt(r.args[1], 0, kMaxMillivolts, &mv))
                return QStringLiteral("error: usage: battery <percent 0-100> <millivolts 0-%1>").arg(kMaxMillivolts);
            return written(setBattery(percent, mv));
        });
    channel.registerCommand(
        QStringLiteral("charging"), QStringLiteral("charging <0|1>: charger connected or not"),
        [this, written](const ControlRequest &r) {
            int on = 0;
            if (r.args.size() != 1 || !parseInt(r.args[0], 0, 1, &on))
                return QStringLiteral("error: usage: charging <0|1>");
            return written(setCharging(on == 1));
        });
    channel.registerCommand(
        QStringLiteral("temp"), QStringLiteral("temp <tenths of a degree C>: battery temperature"),
        [this, written](const ControlRequest &r) {
            int tenths = 0;
            if (r.args.size() != 1 || !parseInt(r.args[0], kMinTenths, kMaxTenths, &tenths))
                return QStringLiteral("error: usage: temp <tenths of a degree C, %1..%2>").arg(kMinTenths).arg(kMaxTenths);
            return written(setTemperature(tenths));
        });
}

} // namespace Sim
