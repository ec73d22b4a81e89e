#include "systemsettings.h"
#include "ui_systemsettings.h"

#include "bluetooth.h"
#include "bluetoothpairing.h"
#include "deviceroot.h"
#include "mainmenu.h"
#include "globals.h"
#include "settingsfile.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QRegularExpression>

int g_debugFeatures = 0;

namespace {

const char kSettingsFile[] = "/home/root/settings.ini";

const char kGroupBluetooth[] = "Bluetooth";
const char kGroupDebug[] = "Debug";
const char kGroupLocal[] = "Local-Settings";
const char kGroupSystem[] = "Systemsettings";
const char kGroupDialogs[] = "Dialogconfiguration";

// Values of a new instrument and of a reset to the delivery state. A key
// missing from the file takes the same value.
constexpr int kDefaultDebugFeatures = 0;
constexpr int kDefaultLanguage = 1;
constexpr int kDefaultTimezoneNum = 13;
constexpr int kDefaultTimezoneOffset = 3600;
constexpr int kDefaultDaylightSavingTime = 0;
const char kDefaultDateFormat[] = "DDMMYYYY";
const char kDefaultDateTimeSource[] = "GPS";
const char kDefaultSwitchmode[] = "Switch";
constexpr int kDefaultFavourite = 2;
constexpr int kDefaultBrightness = 6;
constexpr int kDefaultPowerOffTime = 3600;
constexpr int kDefaultDisplayOffTime = 600;
constexpr bool kDefaultHearingProtection = false;
constexpr int kDefaultHeadphoneVolumeOffset = 0;

constexpr int kSummerTimeOffset = 3600;

QString settingsFileName()
{
    return DeviceRoot::path(QString::fromLatin1(kSettingsFile));
}

// Ranges of the numbers that enter arithmetic: the headphone module's gain is
// the offset + 5 (1..15), the clock is set from UTC plus the zone's offset.
constexpr int kMinHeadphoneVolumeOffset = -4;
constexpr int kMaxHeadphoneVolumeOffset = 10;
constexpr int kMinTimezoneOffset = -12 * 3600;
constexpr int kMaxTimezoneOffset = 14 * 3600;

} // namespace

Systemsettings::Systemsettings(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::Systemsettings)
{
    ui->setupUi(this);

    // A missing or unreadable file (or a FIFO, device or folder in its place)
    // is created with the defaults first.
    QFile file;
    const RegularFile::Status status = RegularFile::openForReading(settingsFileName(), &file);
    file.close();
    if (status != RegularFile::Status::Ok) {
        if (status != RegularFile::Status::Missing)
            qWarning().noquote() << "Systemsettings:" << settingsFileName() << RegularFile::describe(status);
        qDebug().noquote() << QStringLiteral("File für Systemeinstellungen mit Defaultwerten erzeugen");
        resetToDefaultSettings();
    }
    loadSystemsettings();
    // A damaged file is written anew at once: the record holds every readable
    // value and the defaults of the rest, so the next start reads it cleanly.
    if (!m_loadProblems.isEmpty()) {
        for (const QString &problem : qAsConst(m_loadProblems))
            qWarning().noquote() << "Systemsettings: settings.ini:" << problem;
        qWarning().noquote() << "Systemsettings: settings.ini written anew";
        storeSystemsettings();
    }
}

Systemsettings::~Systemsettings()
{
    delete ui;
}

void Systemsettings::init()
{
    ++m_initCount;
    // The file may have been replaced since the last load (provisioning copy).
    loadSystemsettings();
}

void Systemsettings::on_butMenuBack_clicked()
{
    emit gotoWidget(0, -1, 0);
}

const Systemsettings::DisplayFlag *Systemsettings::displayFlags(int *count)
{
    static const DisplayFlag flags[] = {
        {"LevelMeasurement_ShowFft", &Systemsettings::m_showFft, true},
        {"LevelMeasurement_ShowFrequencyValue", &Systemsettings::m_showFrequencyValue, true},
        {"LevelMeasurement_UseFrequencyColorForLevelbar", &Systemsettings::m_useFrequColorForBar, false},
        {"LevelMeasurement_ShowPeakLevelBar", &Systemsettings::m_showPeakLevelBar, false},
        {"Pinpointing_ShowFrequencyValue", &Systemsettings::m_ppShowFrequencyValue, true},
        {"Pinpointing_UseFrequencyColorForLevelbar", &Systemsettings::m_ppUseFrequColorForBar, false},
        {"Pinpointing_ShowFilterParameter", &Systemsettings::m_ppShowFilterParameter, true},
        {"Pinpointing_DynamicScaling", &Systemsettings::m_ppDynamicScaling, true},
        {"Longterm_ShowFrequencyValue", &Systemsettings::m_ltShowFrequencyValue, true},
        {"Longterm_UseFrequencyColorForLevelbar", &Systemsettings::m_ltUseFrequColorForBar, false},
        {"Longterm_ShowGrid", &Systemsettings::m_ltShowGrid, true},
        {"Longterm_ShowFilterParameter", &Systemsettings::m_ltShowFilterParameter, true},
        {"H2Sensor_ShowHistogram", &Systemsettings::m_h2ShowHistogram, true},
        {"H2Sensor_ShowGrid", &Systemsettings::m_h2ShowGrid, false},
        {"H2Sensor_DynamicScaling", &Systemsettings::m_h2DynamicScaling, true},
        {"H2Sensor_ShowWorkingRange", &Systemsettings::m_h2ShowWorkingRange, false},
        {"Pipelocating_ShowFft", &Systemsettings::m_plShowFft, false},
        {"Pipelocating_UseFrequencyColorForLevelbar", &Systemsettings::m_plUseFrequColorForBar, false},
        {"Pipelocating_ShowFrequencyValue", &Systemsettings::m_plShowFrequencyValue, true},
        {"Pipelocating_ShowFilterParameter", &Systemsettings::m_plShowFilterParameter, true},
        {"Startup_UseFavouriteForStartup", &Systemsettings::m_suUseFavouriteForStartup, false},
        {"Startup_UseFilterForStartup", &Systemsettings::m_suUseFilterForStartup, false},
        {"Startup_UseGpsForStartup", &Systemsettings::m_suUseGpsForStartup, true},
    };
    *count = int(sizeof(flags) / sizeof(flags[0]));
    return flags;
}

QString Systemsettings::defaultTimezoneName()
{
    // Translated in the language active at the moment of the reset.
    return QCoreApplication::translate("Systemsettings", "Berlin") + QStringLiteral(" (+1 h)");
}

void Systemsettings::loadSystemsettings()
{
    // A fresh reader for every load, released at the end.
    SettingsFile r;
    r.load(settingsFileName());
    m_loadProblems = r.problems();

    m_btNameHeadphone = r.text(kGroupBluetooth, "Headphone_Name", QString()).trimmed();
    m_btIdHeadphone = r.text(kGroupBluetooth, "Headphone_ID", QString()).trimmed();
    m_btNameMicrophone = r.text(kGroupBluetooth, "Microphone_Name", QString()).trimmed();
    m_btIdMicrophone = r.text(kGroupBluetooth, "Microphone_ID", QString()).trimmed();
    // The addresses go into the modules' commands: anything but an address
    // (a line break would add a command of its own) means not paired.
    if (!m_btIdHeadphone.isEmpty() && !isBluetoothAddress(m_btIdHeadphone)) {
        m_loadProblems << QStringLiteral("Headphone_ID is no Bluetooth address: not paired");
        m_btIdHeadphone.clear();
        m_btNameHeadphone.clear();
    }
    if (!m_btIdMicrophone.isEmpty() && !isBluetoothAddress(m_btIdMicrophone)) {
        m_loadProblems << QStringLiteral("Microphone_ID is no Bluetooth address: not paired");
        m_btIdMicrophone.clear();
        m_btNameMicrophone.clear();
    }

    g_debugFeatures = r.integer(kGroupDebug, "Debugfeatures", kDefaultDebugFeatures);

    m_selectedLanguageNum = r.integer(kGroupLocal, "Language", kDefaultLanguage);
    m_timezoneName = r.text(kGroupLocal, "Timezone", defaultTimezoneName());
    m_timezoneNum = r.integer(kGroupLocal, "TimezoneNum", kDefaultTimezoneNum);
    m_timezoneOffset = qBound(kMinTimezoneOffset, r.integer(kGroupLocal, "TimezoneOffset", kDefaultTimezoneOffset),
                              kMaxTimezoneOffset);
    m_daylightSavingTime = r.integer(kGroupLocal, "DaylightSavingTime", kDefaultDaylightSavingTime);
    m_daylightSavingTimeOffset = m_daylightSavingTime == 1 ? kSummerTimeOffset : 0;
    m_dateFormat = r.text(kGroupLocal, "Dateformat", QString::fromLatin1(kDefaultDateFormat));
    m_dateTimeSource = r.text(kGroupLocal, "DateTimeSource", QString::fromLatin1(kDefaultDateTimeSource));

    m_switchmode = r.text(kGroupSystem, "Switchmode", QString::fromLatin1(kDefaultSwitchmode));
    m_favouriteButton = r.integer(kGroupSystem, "FavouriteButton", kDefaultFavourite);
    m_brightness = r.integer(kGroupSystem, "Brightness", kDefaultBrightness);
    m_powerOffTime = r.integer(kGroupSystem, "PowerOffTime", kDefaultPowerOffTime);
    m_displayOffTime = r.integer(kGroupSystem, "DisplayOffTime", kDefaultDisplayOffTime);
    m_hearingProtection = r.boolean(kGroupSystem, "HearingProtection", kDefaultHearingProtection);
    m_headphoneVolumeOffset = qBound(kMinHeadphoneVolumeOffset,
                                     r.integer(kGroupSystem, "HeadphoneVolumeOffset", kDefaultHeadphoneVolumeOffset),
                                     kMaxHeadphoneVolumeOffset);

    int count = 0;
    const DisplayFlag *flags = displayFlags(&count);
    for (int i = 0; i < count; ++i)
        this->*flags[i].member = r.boolean(kGroupDialogs, flags[i].key, flags[i].defaultValue);
}

void Systemsettings::storeSystemsettings()
{
    // The file holds exactly the record; whatever else a hand-made or damaged
    // file carried is dropped. It is written to a temporary file that
    // replaces the old one only when complete, so a power cut leaves either
    // the old or the new file.
    SettingsFile s;
    s.beginGroup(kGroupBluetooth);
    s.setText("Headphone_Name", m_btNameHeadphone.trimmed());
    s.setText("Headphone_ID", m_btIdHeadphone.trimmed());
    s.setText("Microphone_Name", m_btNameMicrophone.trimmed());
    s.setText("Microphone_ID", m_btIdMicrophone.trimmed());

    s.beginGroup(kGroupDebug);
    s.setInteger("Debugfeatures", g_debugFeatures);

    s.beginGroup(kGroupLocal);
    s.setInteger("Language", m_selectedLanguageNum);
    s.setText("Timezone", m_timezoneName.trimmed());
    s.setInteger("TimezoneNum", m_timezoneNum);
    s.setInteger("TimezoneOffset", m_timezoneOffset);
    s.setInteger("DaylightSavingTime", m_daylightSavingTime);
    s.setText("Dateformat", m_dateFormat.trimmed());
    s.setText("DateTimeSource", m_dateTimeSource.trimmed());

    s.beginGroup(kGroupSystem);
    s.setText("Switchmode", m_switchmode.trimmed());
    s.setInteger("FavouriteButton", m_favouriteButton);
    s.setInteger("Brightness", m_brightness);
    s.setInteger("PowerOffTime", m_powerOffTime);
    s.setInteger("DisplayOffTime", m_displayOffTime);
    s.setBoolean("HearingProtection", m_hearingProtection);
    s.setInteger("HeadphoneVolumeOffset", m_headphoneVolumeOffset);

    s.beginGroup(kGroupDialogs);
    int count = 0;
    const DisplayFlag *flags = displayFlags(&count);
    for (int i = 0; i < count; ++i)
        s.setBoolean(flags[i].key, this->*flags[i].member);

    const QString fileName = settingsFileName();
    QString note;
    const bool saved = SettingsFile::save(fileName, s.content(), &note);
    if (!note.isEmpty())
        qWarning().noquote() << "Systemsettings:" << fileName << note;
    if (!saved)
        qWarning().noquote() << "Systemsettings: cannot write" << fileName;
}

void Systemsettings::resetToDefaultSettings()
{
    m_btIdHeadphone.clear();
    m_btNameHeadphone.clear();
    m_btIdMicrophone.clear();
    m_btNameMicrophone.clear();
    m_selectedLanguageNum = kDefaultLanguage;
    g_debugFeatures = kDefaultDebugFeatures;
    m_timezoneName = defaultTimezoneName();
    m_timezoneNum = kDefaultTimezoneNum;
    m_timezoneOffset = kDefaultTimezoneOffset;
    m_daylightSavingTime = kDefaultDaylightSavingTime;
    m_dateFormat = QString::fromLatin1(kDefaultDateFormat);
    m_dateTimeSource = QString::fromLatin1(kDefaultDateTimeSource);
    m_switchmode = QString::fromLatin1(kDefaultSwitchmode);
    m_favouriteButton = kDefaultFavourite;
    m_brightness = kDefaultBrightness;
    m_powerOffTime = kDefaultPowerOffTime;
    m_displayOffTime = kDefaultDisplayOffTime;
    m_hearingProtection = kDefaultHearingProtection;
    m_headphoneVolumeOffset = kDefaultHeadphoneVolumeOffset;

    int count = 0;
    const DisplayFlag *flags = displayFlags(&count);
    for (int i = 0; i < count; ++i)
        this->*flags[i].member = flags[i].defaultValue;

    // m_daylightSavingTimeOffset stays; the next load derives it again.
    storeSystemsettings();
}

int Systemsettings::setFavouriteButton(int num)
{
    if (num < 0 || num > 5)
        return -1;
    m_favouriteButton = num;
    storeSystemsettings();
    return 0;
}

void Systemsettings::clearBtHeadphone()
{
    m_btIdHeadphone.clear();
    m_btNameHeadphone.clear();
    storeSystemsettings();
}

void Systemsettings::clearBtMicrophone()
{
    m_btIdMicrophone.clear();
    m_btNameMicrophone.clear();
    storeSystemsettings();
}

bool Systemsettings::pairBluetoothDevice(int device)
{
    const bool unit = device == 1;
    MainMenu *w = MainMenu::getInstanceMainMenu();
    Bluetooth *link = !w ? nullptr : unit ? w->getBtSinkInstance() : w->getBtSourceInstance();
    bool paired = false;
    {
        BluetoothPairing dialog(this);
        dialog.setPairingDevice(unit ? 1 : 0);
        if (dialog.exec() == QDialog::Accepted) {
            const QString address = dialog.getBluetoothId().trimmed();
            const QString name = dialog.getBluetoothName().trimmed();
            // Only an address reaches the file and the module's commands.
            paired = isBluetoothAddress(address);
            if (paired) {
                if (unit) {
                    m_btIdMicrophone = address;
                    m_btNameMicrophone = name;
                } else {
                    m_btIdHeadphone = address;
                    m_btNameHeadphone = name;
                }
                storeSystemsettings();
                if (link)
                    link->resetBluetooth(address);
            } else {
                qWarning() << "Pairing: no device address, nothing stored:" << address.left(40);
            }
        }
    }
    if (link)
        link->callBtDeviceA2DP(unit);
    return paired;
}

QString Systemsettings::getFormatStringTime() const
{
    return QStringLiteral("hh:mm:ss");
}

QString Systemsettings::getFormatStringDate() const
{
    const QString format = m_dateFormat.trimmed();
    if (format == QLatin1String("YYYYMMDD"))
        return QStringLiteral("yyyy-MM-dd");
    if (format == QLatin1String("MMDDYYYY"))
        return QStringLiteral("MM/dd/yyyy");
    // "DDMMYYYY" and anything unknown.
    return QStringLiteral("dd.MM.yyyy");
}

int Systemsettings::getFavouriteButton(QString *text)
{
    // The name first: it corrects an unknown number to level measurement.
    const QString name = getFavButTextFromNum(m_favouriteButton);
    if (text)
        *text = name;
    return m_favouriteButton;
}

bool Systemsettings::isMuteKeySwitchmode() const
{
    return m_switchmode == QLatin1String("Switch");
}

QString Systemsettings::getLanguageName(int num)
{
    static const char *const names[] = {
        QT_TRANSLATE_NOOP("LanguageSelect", "English"),
        QT_TRANSLATE_NOOP("LanguageSelect", "German"),
        QT_TRANSLATE_NOOP("LanguageSelect", "French"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Italian"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Spanish"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Chinese"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Czech"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Hungarian"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Russian"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Slovenian"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Japanese"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Polish"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Portuguese"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Romanian"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Slovakian"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Swedish"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Suomi"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Danish"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Norwegian"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Bulgarian"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Croatian"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Korean"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Serbian"),
        QT_TRANSLATE_NOOP("LanguageSelect", "Turkish"),
    };
    const int count = int(sizeof(names) / sizeof(names[0]));
    const int index = (num >= 1 && num <= count) ? num - 1 : 0;
    return QCoreApplication::translate("LanguageSelect", names[index]);
}

QString Systemsettings::getFavButTextFromNum(int num)
{
    switch (num) {
    case 0:
        return QCoreApplication::translate("Systemsettings", "Screenshot");
    case 1:
        return QCoreApplication::translate("Systemsettings", "Histogram");
    case 2:
        return QCoreApplication::translate("Systemsettings", "LevelMeasurement");
    case 3:
        return QCoreApplication::translate("Systemsettings", "LongtermMeasurement");
    case 4:
        return QCoreApplication::translate("Systemsettings", "H2-Sensor");
    case 5:
        return QCoreApplication::translate("Systemsettings", "Pipelocating");
    default:
        // An unknown favourite falls back to level measurement, in memory only.
        m_favouriteButton = kDefaultFavourite;
        return QCoreApplication::translate("Systemsettings", "LevelMeasurement");
    }
}

QString Systemsettings::convertTimeToText(int seconds)
{
    if (seconds == 0)
        return QCoreApplication::translate("Systemsettings", "never");
    if (seconds > 0 && seconds < 60)
        return QString::number(seconds) + QStringLiteral(" s");
    if (seconds >= 60 && seconds < 3600)
        return QString::number(seconds / 60) + QStringLiteral(" min");
    if (seconds >= 3600 && seconds < 86400)
        return QString::number(seconds / 3600) + QStringLiteral(" h");
    return QStringLiteral("---");
}

int Systemsettings::convertDateFormatToInt(const QString &format)
{
    if (format == QLatin1String("DDMMYYYY"))
        return 0;
    if (format == QLatin1String("YYYYMMDD"))
        return 1;
    if (format == QLatin1String("MMDDYYYY"))
        return 2;
    return -1;
}

bool Systemsettings::isBluetoothAddress(const QString &text)
{
    static const QRegularExpression address(QStringLiteral("^[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}$"));
    return address.match(text).hasMatch();
}

int Systemsettings::convertDateTimeSourceToInt(const QString &source)
{
    if (source == QLatin1String("GPS"))
        return 0;
    if (source == QLatin1String("MAN"))
        return 1;
    return -1;
}
