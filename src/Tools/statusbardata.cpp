#include "statusbardata.h"
#include "backlight.h"
#include "batterystate.h"
#include "bluetooth.h"
#include "driverhelper.h"
#include "globals.h"
#include "gpio.h"
#include "gps.h"
#include "mainmenu.h"
#include "messagedialog.h"
#include "systemsettings.h"

#include <QCoreApplication>
#include <QDebug>
#include <QTimer>

namespace {
Statusbardata *s_instance = nullptr;

constexpr unsigned kDebugLed = 115;
constexpr unsigned kWiredSensorLine = 48; // GPIO line of the wired sensor socket
constexpr int kUpdateMs = 2000;
constexpr int kRareUpdateMs = 30000;
constexpr int kStepSeconds = 2;                // the countdowns' step per update()
constexpr int kNeverSeconds = 259200;          // a setting of "never": 72 hours
constexpr int kDefaultPowerOffSeconds = 3600;  // without a settings store
constexpr int kDefaultBacklightOffSeconds = 600;
constexpr int kDefaultBrightness = 6;
constexpr int kAlertQuietMs = 10000;
constexpr int kBatteryWarningSeconds = 120;
constexpr int kBatteryRequestRuns = 60;        // 30-s runs between battery requests: 30 minutes
// The sensor unit's battery: 3600 mV is empty, 5 mV per percent; outside
// 3400..4300 mV a reading is not valid.
constexpr int kUnitMinValidMv = 3400;
constexpr int kUnitMaxValidMv = 4300;
constexpr int kUnitEmptyMv = 3600;
constexpr int kUnitMvPerPercent = 5;

Systemsettings *settings()
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    return w ? w->getInstanceSystemsettings() : nullptr;
}

int countdownSeconds(int setting)
{
    return setting > 0 ? setting : kNeverSeconds;
}
} // namespace

bool Statusbardata::s_debugLedHeld = false;

Statusbardata *StatusbarData()
{
    static Statusbardata data;
    return &data;
}

Statusbardata::Statusbardata()
{
    s_instance = this;
    m_timer = new QTimer(this);
    m_longTimer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &Statusbardata::update);
    connect(m_longTimer, &QTimer::timeout, this, &Statusbardata::rareUpdate);
    m_timer->start(kUpdateMs);
    m_longTimer->start(kRareUpdateMs);
    m_batteryState = new BatteryState(this);
    // The object is a function-local static and outlives the application
    // object; its timers must not.
    qAddPostRoutine(&Statusbardata::releaseTimers);
}

Statusbardata::~Statusbardata()
{
    delete m_timer;
    delete m_longTimer;
    delete m_batteryState;
    if (s_instance == this)
        s_instance = nullptr;
}

void Statusbardata::releaseTimers()
{
    if (!s_instance)
        return;
    delete s_instance->m_timer;
    s_instance->m_timer = nullptr;
    delete s_instance->m_longTimer;
    s_instance->m_longTimer = nullptr;
    // A warning still open at the end is a window without a parent.
    delete s_instance->m_batteryWarning;
    s_instance->m_batteryWarning = nullptr;
}

void Statusbardata::init()
{
    m_micSensorConnected = 0;
    m_messageVisible = false;
    ++m_alertRun;
    if (MainMenu *w = MainMenu::getInstanceMainMenu()) {
        m_btSource = w->getBtSourceInstance();
        m_btSink = w->getBtSinkInstance();
        m_gpsModul = w->getGpsInstance();
    }
    m_stateGps = false;
    m_stateHeadphone = false;
    m_stateMicrophone = false;
    m_stateMute = false;
    readBattery();
    m_cntNextBatteryUpdate = 0;
    m_sensorType = 0;
    m_batteryMicrophone = -1;
    m_displayAccuWarningPopup = true;

    if (m_btSink) {
        // The alert dialog runs its own event loop: it opens after the link's
        // receive handler has returned, so the link keeps parsing meanwhile.
        connect(m_btSink, &Bluetooth::btAlertMessageReceived, this, &Statusbardata::analyseAlert,
                Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
        connect(m_btSink, &Bluetooth::btSensortypeReceived, this, &Statusbardata::btReceivedSensortype,
                Qt::UniqueConnection);
        connect(m_btSink, &Bluetooth::btBatteryvoltageReceived, this, &Statusbardata::btReceivedBattery,
                Qt::UniqueConnection);
        connect(m_btSink, &Bluetooth::btConnectedRfcomm, this, &Statusbardata::btConnected,
                Qt::UniqueConnection);
    }
    if (m_btSource)
        connect(m_btSource, &Bluetooth::btHeadphoneBatteryStateReceived, this,
                &Statusbardata::btReceivedHeadphoneBatteryState, Qt::UniqueConnection);

    sendToUnit(QStringLiteral("BT_TX T"));
    sendToUnit(QStringLiteral("BT_TX B"));

    reloadCountdowns();
    m_powerSavingActive = false;
    writeBrightness();
}

void Statusbardata::readBattery()
{
    // A fresh reader: no voltage read yet from this start on.
    delete m_batteryState;
    m_batteryState = new BatteryState(this);
    m_voltage = m_batteryState->voltage();
    m_batteryHL = m_batteryState->fuelPercent();
    m_batteryHLCharging = m_batteryState->isCharging();
    m_batteryHeadphone = m_batteryState->fuelPercent();
}

void Statusbardata::sendToUnit(const QString &line)
{
    if (m_btSink)
        m_btSink->sendData(line);
}

void Statusbardata::reloadCountdowns()
{
    if (Systemsettings *s = settings()) {
        m_powerOffCnt = countdownSeconds(s->getPowerOffTime());
        m_backlightOffCnt = countdownSeconds(s->getDisplayOffTime());
    } else {
        m_powerOffCnt = kDefaultPowerOffSeconds;
        m_backlightOffCnt = kDefaultBacklightOffSeconds;
    }
}

void Statusbardata::writeBrightness()
{
    Systemsettings *s = settings();
    DriverHelper::writeFile(Backlight::kBrightness, s ? s->getBrightness() : kDefaultBrightness);
}

void Statusbardata::update()
{
    // Heartbeat of the debug LED.
    if (!s_debugLedHeld) {
        Gpio::setValue(kDebugLed, 1);
        QTimer::singleShot(100, this, &Statusbardata::switchOffDbgLed);
    }

    // Wired sensor.
    if (Gpio::getValue(kWiredSensorLine)) {
        m_sensorType = kWiredSensor;
        m_micSensorConnected = 1;
    } else if (m_sensorType == kWiredSensor) {
        m_sensorType = 0;
        m_micSensorConnected = 0;
    }

    // The sensor unit's link; once up, the status bar keeps it current.
    if (!m_stateMicrophone) {
        stateMicrophone();
        if (!m_stateMicrophone && m_sensorType != 4)
            m_micSensorConnected = 0;
    }
    if (m_stateMicrophone && m_micSensorConnected == 0)
        sendToUnit(QStringLiteral("BT_TX T"));
    if (m_batteryMicrophone < 0)
        sendToUnit(QStringLiteral("BT_TX B"));

    m_batteryHLCharging = m_batteryState->isCharging();

    // The countdowns are not reset when they run out: every later run repeats
    // the action until the instrument is off or a key restarts them.
    m_powerOffCnt -= kStepSeconds;
    if (m_powerOffCnt <= 0) {
        qDebug() << "Power-Off device";
        if (MainMenu *w = MainMenu::getInstanceMainMenu())
            w->beforePowerDown();
    }
    m_backlightOffCnt -= kStepSeconds;
    if (m_backlightOffCnt <= 0) {
        qDebug() << "Backlight off";
        DriverHelper::writeFile(Backlight::kBrightness, "0");
        m_powerSavingActive = true;
    }
}

void Statusbardata::rareUpdate()
{
    m_voltage = m_batteryState->voltage();
    m_batteryHL = m_batteryState->fuelPercent();
    // A fuel gauge that never gave a voltage is absent or broken, not empty:
    // neither the warning nor the power-down acts on its zeros.
    const bool known = m_batteryState->hasVoltageReading();

    if (m_batteryHL > 10 && m_voltage > 3.1f)
        m_displayAccuWarningPopup = true;
    if (known && (m_batteryHL < 10 || m_voltage < 3.1f) && m_displayAccuWarningPopup)
        showBatteryWarning();

    // The warning is modal but does not block this run, so an open warning
    // never holds the power-down back.
    if (known && m_voltage < 2.9f) {
        qDebug() << "Battery is very low. Power-Off device";
        if (MainMenu *w = MainMenu::getInstanceMainMenu())
            w->beforePowerDown();
    }

    if (--m_cntNextBatteryUpdate < 1) {
        sendToUnit(QStringLiteral("BT_TX B"));
        if (m_btSource)
            m_btSource->requestHeadphoneBatteryState();
        m_cntNextBatteryUpdate = kBatteryRequestRuns;
    }

    const int headphone = m_btSource ? m_btSource->getBtExtHeadphoneBatteryState() : -1;
    m_batteryHeadphone = headphone >= 0 ? headphone : m_batteryHL;
}

void Statusbardata::showBatteryWarning()
{
    if (m_batteryWarning)
        return; // at most one at a time; it is still open
    m_batteryWarning = makeWarning(tr("TheBatteryIsVeryLowPleaseRecharge", "The battery is very low. Please recharge."));
    connect(m_batteryWarning, &QDialog::finished, this, [this] {
        MessageDialog *dialog = m_batteryWarning;
        m_batteryWarning = nullptr;
        const int result = dialog->getPressedButton();
        if (result == MessageDialog::Ok) {
            qDebug() << "Battery low message accepted";
            m_displayAccuWarningPopup = false;
        } else if (result == MessageDialog::TimedOut) {
            qDebug() << "Battery low message: Timeout";
            m_displayAccuWarningPopup = false;
        } else {
            qDebug() << "Ende Button Unknown"; // stays armed: back after 30 s
        }
        dialog->deleteLater();
    });
    m_batteryWarning->setAutoCloseTimeout(kBatteryWarningSeconds);
    m_batteryWarning->setModal(true);
    m_batteryWarning->show();
}

MessageDialog *Statusbardata::makeWarning(const QString &text)
{
    auto *dialog = new MessageDialog(nullptr);
    dialog->setIcon(1);
    dialog->setHeadline(tr("Warning"));
    dialog->setDialogType(0);
    dialog->setInfotext(text);
    return dialog;
}

void Statusbardata::analyseAlert(QString a_alert)
{
    QString text;
    if (a_alert == QLatin1String("0")) {
        qDebug() << "ALERT! No sensor connected";
        m_micSensorConnected = 0;
        if (m_messageVisible)
            return;
        if (g_debugFeatures != 1)
            sendToUnit(QStringLiteral("BT_TX O"));
        text = tr("TheSensorCouldNotBeDetected", "The sensor could not be detected.");
    } else if (a_alert == QLatin1String("1")) {
        qDebug() << "ALERT! Battery voltage of GX-4 very low";
        if (m_messageVisible)
            return;
        text = tr("BatteryVoltageOfGX4ToLow", "Battery voltage of GX-4 is to low. Please recharge.");
    } else if (a_alert == QLatin1String("2")) {
        qDebug() << "ALERT! Problem with sensor type detection";
        m_micSensorConnected = 0;
        if (m_messageVisible)
            return;
        text = tr("ProblemWithSensorTypeDetection",
                  "Type of sensor could not detected. Please fix sensor or clean contacts.");
    } else {
        m_micSensorConnected = 1;
        return;
    }
    m_messageVisible = true;
    MessageDialog *dialog = makeWarning(text);
    m_alertDialog = dialog;
    dialog->exec();
    m_alertDialog = nullptr;
    delete dialog;
    const int run = m_alertRun;
    QTimer::singleShot(kAlertQuietMs, this, [this, run] {
        if (run == m_alertRun)
            enableDisplayMsgDlg();
    });
}

void Statusbardata::enableDisplayMsgDlg()
{
    m_messageVisible = false;
}

void Statusbardata::btReceivedBattery(QString a_voltage)
{
    bool ok = false;
    int mv = a_voltage.trimmed().toInt(&ok, 10);
    if (!ok)
        mv = 0;
    m_batteryVoltageMic = mv;
    if (mv < kUnitMinValidMv || mv > kUnitMaxValidMv)
        m_batteryMicrophone = -1;
    else
        m_batteryMicrophone = qBound(0, (mv - kUnitEmptyMv) / kUnitMvPerPercent, 100);
}

void Statusbardata::btReceivedHeadphoneBatteryState(int a_batteryPercent)
{
    m_batteryHeadphone = a_batteryPercent >= 0 && a_batteryPercent <= 100 ? a_batteryPercent : m_batteryHL;
}

void Statusbardata::btReceivedSensortype(QString a_type)
{
    // Compared as received: " 1" is no sensor.
    static const QString kTypes[] = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                     QStringLiteral("4")};
    static const int kCodes[] = {1, 2, 3, 5};
    for (int i = 0; i < 4; ++i) {
        if (a_type == kTypes[i]) {
            m_sensorType = kCodes[i];
            m_micSensorConnected = 1;
            return;
        }
    }
    m_sensorType = 0;
}

void Statusbardata::btConnected()
{
    m_stateMicrophone = true;
}

void Statusbardata::switchOffDbgLed()
{
    // A pulse started before the hold ends without touching the LED.
    if (!s_debugLedHeld)
        Gpio::setValue(kDebugLed, 0);
}

bool Statusbardata::stateGps()
{
    m_stateGps = m_gpsModul && m_gpsModul->isGpsDataValid();
    return m_stateGps;
}

bool Statusbardata::stateHeadphone()
{
    if (!m_btSource) {
        m_stateHeadphone = false;
        return false;
    }
    m_stateHeadphone = m_btSource->isConnectedA2DP();
    if (m_initConnectHeadphone && m_btSource->isConnectedAVRCP()) {
        // The headphone is set to the step the instrument holds: 50 % (step
        // 8) on a fresh link. A step the user chose in the headphone dialog
        // before this refresh stays: a fixed 50 % would send the headphone
        // back, and its report of 50 % would move the dialog's step under
        // the user's presses.
        qDebug() << "Init Headphone Volume";
        m_btSource->setBtExtHeadphoneGain(Bluetooth::convertVolStepToVolPercent(m_btSource->getBtExtHeadphoneGain()));
        m_initConnectHeadphone = false;
    }
    if (!m_stateHeadphone && !m_initConnectHeadphone) {
        qDebug() << "Headphone Connection lost";
        m_initConnectHeadphone = true;
    }
    return m_stateHeadphone;
}

bool Statusbardata::stateMicrophone()
{
    m_stateMicrophone = m_btSink && m_btSink->isConnectedRFCOMM();
    return m_stateMicrophone;
}

bool Statusbardata::stateMute()
{
    MainMenu *w = MainMenu::getInstanceMainMenu();
    m_stateMute = !w || w->isAudioPathMuted();
    return m_stateMute;
}

void Statusbardata::resetPowerSavingCnt()
{
    reloadCountdowns();
    if (m_powerSavingActive)
        writeBrightness();
    m_powerSavingActive = false;
}
