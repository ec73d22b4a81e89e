#ifndef STATUSBARDATA_H
#define STATUSBARDATA_H

#include "calllog.h"

#include <QObject>

// Device state for the status bar and the screens: batteries, sensor type,
// link states, power saving. One instance, reached through StatusbarData().
//
// Not built yet: the 2 s and 30 s updates, battery readings and power saving.
// Until then it records init and reports a quiet instrument (no sensor, no
// link, power saving inactive).
class Statusbardata : public QObject
{
    Q_OBJECT
public:
    Statusbardata();

    void init();
    // The 2 s update. Built so far: wired-sensor detection (GPIO 48 at 1
    // gives sensor type 4; back at 0 the type returns to 0).
    void update();
    int sensorType() const { return m_sensorType; }
    bool isPowerSavingActive() const { return m_powerSavingActive; }
    // Restarts the countdowns and wakes the instrument.
    void resetPowerSavingCnt()
    {
        ++m_powerSavingResets;
        m_powerSavingActive = false;
    }
    // Until the countdowns are built, power saving is entered from outside.
    void setPowerSavingActive(bool active) { m_powerSavingActive = active; }
    int powerSavingResets() const { return m_powerSavingResets; }
    bool stateHeadphone() const { return false; }
    bool stateMicrophone() const { return false; }
    bool stateGps() const { return false; }
    int batteryMicrophone() const { return -1; }
    int batteryVoltageMic() const { return 0; }

    const CallLog &callLog() const { return m_log; }

private:
    CallLog m_log;
    int m_sensorType = 0;
    bool m_powerSavingActive = false;
    int m_powerSavingResets = 0;
};

Statusbardata *StatusbarData();

#endif // STATUSBARDATA_H
