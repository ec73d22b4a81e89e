#ifndef SIM_POWERSUPPLY_H
#define SIM_POWERSUPPLY_H

#include <QList>
#include <QPair>
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
    static constexpr int kMaxCurrentUa = 5000000;

    explicit PowerSupply(const QString &root);

    bool setBattery(int percent, int millivolts);
    bool setCharging(bool charging);
    // Any word the charger and the gauge may report ("Full", "Not charging",
    // ...), in both status files; the current stays as it is.
    bool setStatus(const QByteArray &word);
    static constexpr int kMaxStatusLength = 32;
    bool setTemperature(int tenths);
    // The current the gauge measures (µA, negative while discharging); the
    // next "charging" sets it again.
    bool setCurrent(int microamperes);
    // Takes the fuel gauge's files away (a gauge the driver did not find) or
    // brings them back with the values they had.
    bool setGaugePresent(bool present);

    // Adds "battery", "charging", "supplystatus", "temp", "current" and "gauge".
    void registerCommands(ControlChannel &channel);

private:
    bool writeValue(const QString &boardPath, const QByteArray &value);

    QString m_root;
    // The gauge's files while it is taken away: name and content.
    QList<QPair<QString, QByteArray>> m_removedGauge;
};

} // namespace Sim

#endif // SIM_POWERSUPPLY_H
