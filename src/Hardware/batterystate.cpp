#include "batterystate.h"
#include "deviceroot.h"

namespace {
const char kGaugeStatus[] = "/sys/class/power_supply/bq27426-0/status";
const char kCapacity[] = "/sys/class/power_supply/bq27426-0/capacity";
const char kVoltage[] = "/sys/class/power_supply/bq27426-0/voltage_now";
const char kCurrent[] = "/sys/class/power_supply/bq27426-0/current_now";
const char kTemperature[] = "/sys/class/power_supply/bq27426-0/temp";
const char kChargerStatus[] = "/sys/class/power_supply/bq24190-battery/status";
// The attributes are short; more is never read.
constexpr qint64 kMaxBytes = 32;
} // namespace

BatteryState::BatteryState(QObject *parent)
    : QObject(parent)
{
    m_fileFuelgauge.setFileName(DeviceRoot::path(QString::fromLatin1(kGaugeStatus)));
}

bool BatteryState::readAttribute(const char *path, QString *text) const
{
    m_fileFuelgauge.setFileName(DeviceRoot::path(QString::fromLatin1(path)));
    if (!m_fileFuelgauge.open(QIODevice::ReadOnly))
        return false;
    *text = QString::fromLatin1(m_fileFuelgauge.read(kMaxBytes)).toLower().trimmed();
    m_fileFuelgauge.close();
    return true;
}

// value = number in the file / scale; a text that is no number gives 0.
bool BatteryState::readNumber(const char *path, float scale, float *value, bool *isNumber) const
{
    QString text;
    if (!readAttribute(path, &text))
        return false;
    bool ok = false;
    const float raw = text.toFloat(&ok);
    *value = ok ? raw / scale : 0.0f;
    if (isNumber)
        *isNumber = ok;
    return true;
}

bool BatteryState::readStatus(const char *path) const
{
    QString text;
    if (readAttribute(path, &text))
        m_charging = text == QLatin1String("charging");
    return m_charging;
}

int BatteryState::fuelPercent() const
{
    QString text;
    if (readAttribute(kCapacity, &text))
        m_battFuelPercent = text.toInt(nullptr, 10);
    return m_battFuelPercent;
}

bool BatteryState::isCharging() const
{
    return readStatus(kChargerStatus);
}

float BatteryState::voltage() const
{
    bool isNumber = false;
    if (readNumber(kVoltage, 1000000.0f, &m_voltage, &isNumber) && isNumber)
        m_voltageRead = true;
    return m_voltage;
}

float BatteryState::current() const
{
    readNumber(kCurrent, 1000000.0f, &m_current);
    return m_current;
}

float BatteryState::temperature() const
{
    readNumber(kTemperature, 10.0f, &m_temperature);
    return m_temperature;
}

void BatteryState::updateValues()
{
    readStatus(kGaugeStatus);
    fuelPercent();
    voltage();
    current();
    temperature();
}
