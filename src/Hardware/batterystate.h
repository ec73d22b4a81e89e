#ifndef BATTERYSTATE_H
#define BATTERYSTATE_H

#include <QFile>
#include <QObject>

// Reads the battery fuel gauge and the charger through their power-supply
// attributes in sysfs. Each getter reads its file afresh and keeps the value:
// when a file does not open, the getter returns the last value read (or the
// start value 0); a text that is not a number reads as 0.
//
// GUI thread only: every getter reuses the one file object.
class BatteryState : public QObject
{
    Q_OBJECT
public:
    explicit BatteryState(QObject *parent = nullptr);

    int fuelPercent() const;    // percent
    bool isCharging() const;    // the charger reports "charging"
    float voltage() const;      // volts
    float current() const;      // amperes, negative while discharging
    float temperature() const;  // degrees Celsius
    // Refreshes all five values in one pass; the charging state comes from
    // the fuel gauge's own status file here.
    void updateValues();

    // True once a voltage file has been opened and held a number: until
    // then the voltage 0 says nothing about the battery.
    bool hasVoltageReading() const { return m_voltageRead; }

private:
    // Opens the attribute, reads at most 32 bytes, lower-cased and trimmed.
    // False when the file does not open.
    bool readAttribute(const char *path, QString *text) const;
    bool readNumber(const char *path, float scale, float *value, bool *isNumber = nullptr) const;
    bool readStatus(const char *path) const;

    // Reading keeps the last value: the getters are const for their callers
    // and update these.
    mutable QFile m_fileFuelgauge;
    mutable int m_battFuelPercent = 0;
    mutable bool m_charging = false;
    mutable float m_voltage = 0.0f;
    mutable float m_current = 0.0f;
    mutable float m_temperature = 0.0f;
    mutable bool m_voltageRead = false;
};

#endif // BATTERYSTATE_H
