#include "batterystate.h"
#include "driverhelper.h"

#include <QString>

namespace {
const char kGauge[] = "/sys/class/power_supply/bq27426-0/";

int readGauge(const char *attribute)
{
    int value = 0;
    DriverHelper::readFile((QByteArray(kGauge) + attribute).constData(), value);
    return value;
}
} // namespace

BatteryState::BatteryState(QObject *parent)
    : QObject(parent)
{
}

int BatteryState::fuelPercent() const
{
    return readGauge("capacity");
}

double BatteryState::voltage() const
{
    return readGauge("voltage_now") / 1000000.0;
}

double BatteryState::current() const
{
    return readGauge("current_now") / 1000000.0;
}

bool BatteryState::isCharging() const
{
    char text[32];
    if (!DriverHelper::readFile("/sys/class/power_supply/bq24190-battery/status", text, sizeof text))
        return false;
    return QString::fromLatin1(text).trimmed().toLower() == QLatin1String("charging");
}
