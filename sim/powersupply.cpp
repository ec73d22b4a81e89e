#include "powersupply.h"

#include "controlchannel.h"
#include "devicetree.h"

#include <QFile>

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

bool PowerSupply::setStatus(const QByteArray &word)
{
    bool ok = writeValue(QLatin1String(kGauge) + "status", word);
    ok = writeValue(QLatin1String(kCharger) + "status", word) && ok;
    return ok;
}

bool PowerSupply::setTemperature(int tenths)
{
    return writeValue(QLatin1String(kGauge) + "temp", QByteArray::number(tenths));
}

bool PowerSupply::setCurrent(int microamperes)
{
    return writeValue(QLatin1String(kGauge) + "current_now", QByteArray::number(microamperes));
}

bool PowerSupply::setGaugePresent(bool present)
{
    const QString dir = m_root + QLatin1String(kGauge);
    if (!present) {
        if (!m_removedGauge.isEmpty())
            return true;
        for (const char *name : {"capacity", "voltage_now", "current_now", "temp", "status"}) {
            const QString path = dir + QLatin1String(name);
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly))
                continue;
            m_removedGauge.append({QLatin1String(name), f.readAll()});
            f.close();
            if (!QFile::remove(path))
                return false;
        }
        return true;
    }
    bool ok = true;
    for (const auto &file : qAsConst(m_removedGauge))
        ok = writeBoardFile(m_root, QLatin1String(kGauge) + file.first, file.second) && ok;
    m_removedGauge.clear();
    return ok;
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
        QStringLiteral("supplystatus"),
        QStringLiteral("supplystatus <word>: the word of both battery status files, charger and gauge (Full, Not charging, ...)"),
        [this, written](const ControlRequest &r) {
            const QString word = r.rest(0);
            bool printable = !word.isEmpty() && word.size() <= kMaxStatusLength;
            for (const QChar c : word)
                printable = printable && c.unicode() >= 0x20 && c.unicode() < 0x7f;
            if (!printable)
                return QStringLiteral("error: usage: supplystatus <word of 1-%1 printable ASCII characters>")
                    .arg(kMaxStatusLength);
            return written(setStatus(word.toLatin1()));
        });
    channel.registerCommand(
        QStringLiteral("temp"), QStringLiteral("temp <tenths of a degree C>: battery temperature"),
        [this, written](const ControlRequest &r) {
            int tenths = 0;
            if (r.args.size() != 1 || !parseInt(r.args[0], kMinTenths, kMaxTenths, &tenths))
                return QStringLiteral("error: usage: temp <tenths of a degree C, %1..%2>").arg(kMinTenths).arg(kMaxTenths);
            return written(setTemperature(tenths));
        });
    channel.registerCommand(
        QStringLiteral("current"), QStringLiteral("current <microamperes>: battery current, negative = discharge"),
        [this, written](const ControlRequest &r) {
            int ua = 0;
            if (r.args.size() != 1 || !parseInt(r.args[0], -kMaxCurrentUa, kMaxCurrentUa, &ua))
                return QStringLiteral("error: usage: current <microamperes %1..%2>").arg(-kMaxCurrentUa).arg(kMaxCurrentUa);
            return written(setCurrent(ua));
        });
    channel.registerCommand(
        QStringLiteral("gauge"), QStringLiteral("gauge <present|absent>: the fuel gauge's files appear or vanish"),
        [this, written](const ControlRequest &r) {
            if (r.args.size() != 1 || (r.args[0] != QLatin1String("present") && r.args[0] != QLatin1String("absent")))
                return QStringLiteral("error: usage: gauge <present|absent>");
            return written(setGaugePresent(r.args[0] == QLatin1String("present")));
        });
}

} // namespace Sim
