#ifndef STATUSBARDATA_H
#define STATUSBARDATA_H

#include <QObject>
#include <QPointer>

class BatteryState;
class Bluetooth;
class Gps;
class MessageDialog;
class QTimer;

// The instrument's one device-state object, reached through StatusbarData()
// and living on the GUI thread for the whole run. It watches the instrument
// battery (low-battery warning, power-down when empty), detects the wired
// sensor on GPIO 48, keeps the sensor type and battery of the wireless sensor
// unit (asking it with "BT_TX T" and "BT_TX B"), shows the unit's alerts,
// pulses the debug LED, and counts down the backlight-off time (power saving)
// and the automatic power-off time.
//
// Two timers drive it: update() every 2 s and rareUpdate() every 30 s, both
// running from construction. They are stopped and destroyed when the
// application object goes (the object itself outlives it).
//
// Sensor type codes: 0 none, 1 the unit's microphone, 2 the unit's type-2
// sensor, 3 hydrogen sensor on the unit, 4 wired sensor (GPIO 48), 5 the
// unit's type "4".
class Statusbardata : public QObject
{
    Q_OBJECT
public:
    // The sensor type codes the screens tell apart (sensorType()).
    static constexpr int kHydrogenSensor = 3;
    static constexpr int kWiredSensor = 4;

    Statusbardata();
    ~Statusbardata() override;

    // Called once by the main window's constructor, after the links, the
    // codec control and the GPS driver exist.
    void init();
    // The instrument's battery as the status bar shows it (init reads it
    // too); for the main page's first frame before init.
    void readBattery();

    // The 2 s and the 30 s run.
    void update();
    void rareUpdate();

    bool stateGps();
    // A2DP state of the headphone link; sets the headphone volume once after
    // each new connection.
    bool stateHeadphone();
    bool stateMicrophone();
    bool stateMute();
    bool micSensorConnected() const { return m_micSensorConnected != 0; }
    int batteryHL() const { return m_batteryHL; }
    bool batteryHLCharging() const { return m_batteryHLCharging; }
    int batteryHeadphone() const { return m_batteryHeadphone; }
    int batteryMicrophone() const { return m_batteryMicrophone; } // -1: no valid reading
    int batteryVoltageMic() const { return m_batteryVoltageMic; }  // mV as received
    int sensorType() const { return m_sensorType; }

    // Power saving: the backlight went off when its countdown ran out; any key
    // press or touch (the event filter) calls resetPowerSavingCnt(), which
    // restarts both countdowns and, when asleep, restores the brightness.
    bool isPowerSavingActive() const { return m_powerSavingActive; }
    void resetPowerSavingCnt();
    // Seconds left until the automatic power-off and the backlight-off.
    int powerOffCountdown() const { return m_powerOffCnt; }
    int backlightOffCountdown() const { return m_backlightOffCnt; }
    // The open low-battery warning or alert dialog (null when none is open).
    MessageDialog *batteryWarning() const { return m_batteryWarning; }
    MessageDialog *alertDialog() const { return m_alertDialog; }

public slots:
    void analyseAlert(QString a_alert);
    void enableDisplayMsgDlg();
    void btReceivedBattery(QString a_voltage);
    void btReceivedHeadphoneBatteryState(int a_batteryPercent);
    void btReceivedSensortype(QString a_type);
    void btConnected();
    void switchOffDbgLed();

    // While held (the LED test is open) the heartbeat leaves the debug LED
    // in the state last set.
    static void holdDebugLed(bool held) { s_debugLedHeld = held; }

    // Stops and destroys the timers (at the end of the application; a test
    // that needs the debug LED and the countdowns left alone calls it too).
    static void releaseTimers();

private:
    void reloadCountdowns();
    void writeBrightness();
    void sendToUnit(const QString &line);
    // A warning dialog (icon 1, OK only, no parent) with the text.
    MessageDialog *makeWarning(const QString &text);
    void showBatteryWarning();

    static bool s_debugLedHeld;
    QPointer<Bluetooth> m_btSource;
    QPointer<Bluetooth> m_btSink;
    QPointer<Gps> m_gpsModul;
    QTimer *m_timer = nullptr;
    QTimer *m_longTimer = nullptr;
    BatteryState *m_batteryState = nullptr;
    bool m_stateGps = false;
    bool m_stateHeadphone = false;
    bool m_stateMicrophone = false;
    bool m_stateMute = true;
    int m_batteryHL = 0;
    bool m_batteryHLCharging = false;
    int m_batteryHeadphone = 0;
    int m_batteryMicrophone = 0;
    int m_batteryVoltageMic = 0;
    float m_voltage = 0.0f;
    int m_sensorType = 0;
    int m_micSensorConnected = 0;
    bool m_messageVisible = false;
    int m_alertRun = 0; // counts init(): a quiet time of an earlier run ends nothing
    bool m_displayAccuWarningPopup = false;
    int m_powerOffCnt = 3600;
    int m_backlightOffCnt = 600;
    bool m_powerSavingActive = false;
    bool m_initConnectHeadphone = true;
    int m_cntNextBatteryUpdate = 0;
    MessageDialog *m_batteryWarning = nullptr; // the low-battery warning while open
    MessageDialog *m_alertDialog = nullptr;    // the alert dialog while open
};

Statusbardata *StatusbarData();

#endif // STATUSBARDATA_H
