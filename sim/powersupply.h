#ifndef SIM_POWERSUPPLY_H
#define SIM_POWERSUPPLY_H

#include <QString>

namespace Sim {

class ControlChannel;

// The battery fuel gauge (/sys/class/power_supply/bq27426-0/) and the charger
// (/sys/class/power_supply/bq24190-battery/) as the driver files show them:
// capacity in percent, voltage_now in µV, current_now in µA (positive while
// charging), temp in tenths of a degree Celsius, status "Charging" or
// "Discharging".
class PowerSupply
{
public:
    static constexpr int kChargeCurrentUa = 450000;
    static constexpr int kLoadCurrentUa = -120000;
    static constexpr int kMaxMillivolts = 5000;
    static constexpr int kMinTenths = -400;
    static constexpr int kMaxTenths = 1000;

    explicit PowerSupply(const QString &root);

    bool setBattery(int percent, int millivolts);
    bool setCharging(bool charging);
    bool setTemperature(int tenths);

    // Adds "battery", "charging" and "temp".
    void registerCommands(ControlChannel &channel);

private:
    bool writeValue(const QString &boardPath, const QByteArray &value);

    QString m_root;
};

} // namespace Sim

#endif // SIM_POWERSUPPLY_H
