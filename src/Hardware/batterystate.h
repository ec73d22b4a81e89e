#ifndef BATTERYSTATE_H
#define BATTERYSTATE_H

#include <QObject>

// Reads the battery fuel gauge and the charger through their sysfs
// attributes. Each getter reads its file afresh; a file that does not open
// reads as 0 (false for charging).
//
// Built so far: the four readings the diagnostic log needs.
class BatteryState : public QObject
{
    Q_OBJECT
public:
    explicit BatteryState(QObject *parent = nullptr);

    int fuelPercent() const;     // percent
    double voltage() const;      // volts
    double current() const;      // amperes
    bool isCharging() const;     // charger reports "charging"
};

#endif // BATTERYSTATE_H
