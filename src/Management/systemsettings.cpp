#include "systemsettings.h"
#include "ui_systemsettings.h"

#include "bluetooth.h"
#include "bluetoothpairing.h"
#include "customizedialogs.h"
#include "datetimeadjust.h"
#include "deviceroot.h"
#include "displaysettings.h"
#include "globals.h"
#include "gps.h"
#include "hearingprotection.h"
#include "languageselect.h"
#include "mainmenu.h"
#include "powersaving.h"
#include "resetsettings.h"
#include "selectfavouritebutton.h"
#include "selectswitchmode.h"
#include "selecttimezone.h"
#include "settingsfile.h"
#include "systemclock.h"
#include "systeminformation.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QSet>
#include <QTimer>

#include <functional>

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

Systemsettings::Systemsettings(QWidget *parent, Page page)
    : QWidget(parent)
{
    if (page == Page::Built)
        buildPage();

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

void Systemsettings::buildPage()
{
    if (ui)
        return;
    ui = new Ui::Systemsettings;
    ui->setupUi(this);
    showPage(1);
    // One language dialog for the whole run: it keeps its page and choice.
    m_selectLanguage = new LanguageSelect(this);
}

void Systemsettings::init()
{
    // Without its page (early in the start-up) there is nothing to fill.
    if (!ui)
        return;
    ++m_initCount;
    ui->butMenuUp->setToolTip(tr("PreviousPage"));
    ui->butMenuBack->setToolTip(tr("Mainmenu"));
    ui->butMenuDown->setToolTip(tr("NextPage"));

    if (MainMenu *window = MainMenu::getInstanceMainMenu()) {
        m_btSource = window->getBtSourceInstance();
        m_btSink = window->getBtSinkInstance();
    }

    // The file may have been replaced since the last load (provisioning copy).
    loadSystemsettings();
    showPage(1);

    m_selectedLanguageString = getLanguageName(m_selectedLanguageNum);
    ui->butLanguage->setText2(tr("Language"), m_selectedLanguageString);
    refreshClockButtons();
    ui->butTimezone->setText2(tr("Timezone"), m_timezoneName);
    ui->butDaylightSavingTime->setText2(tr("DaylightSavingTime"),
                                        m_daylightSavingTime == 1 ? tr("Summertime") : tr("Wintertime"));
    ui->butPairedHeadphone->setText2(tr("PairedHeadphone"), m_btNameHeadphone);
    ui->butPairedMicrophone->setText2(tr("PairedMicrophone"), m_btNameMicrophone);
    ui->butSwitchmode->setText2(tr("ModeMuteButton"), switchmodeText());
    QString favourite;
    const int favouriteNum = getFavouriteButton(&favourite);
    qDebug() << "Systemsettings: favourite" << favouriteNum << favourite;
    ui->butFavouriteButton->setText2(tr("FavouriteButton"), favourite);
    ui->butBrightness->setText2(tr("Brightness"), brightnessText());
    ui->butPowerSaving->setText2(tr("PowerSaving"), powerSavingText());
    ui->butSysteminformation->setText2(tr("Systeminformation"),
                                       QStringLiteral("FW: %1").arg(QLatin1String(kFirmwareVersionText)));
    ui->butCustomize->setText2(tr("Customize"), tr("differentValues"));
    ui->butReset->setText2(tr("ResetToDeliverystate"), QString());
    ui->butHearingProtection->setText2(tr("HearingProtection"),
                                       m_hearingProtection ? tr("Active") : tr("Inactive"));
    ui->butMenuBack->setFocus();
}

void Systemsettings::showPage(int page)
{
    m_currentPage = page;
    ui->mainArea->setCurrentIndex(page - 1);
}

QString Systemsettings::switchmodeText() const
{
    return m_switchmode == QLatin1String("Switch") ? tr("Switch") : tr("PushButton");
}

QString Systemsettings::brightnessText() const
{
    switch (m_brightness) {
    case 5:
        return tr("low");
    case 6:
        return tr("medium");
    case 7:
        return tr("high");
    default:
        return QString::number(m_brightness);
    }
}

QString Systemsettings::powerSavingText() const
{
    // Backlight first, then the power-off time.
    return convertTimeToText(m_displayOffTime) + QStringLiteral(" / ") + convertTimeToText(m_powerOffTime);
}

void Systemsettings::refreshClockButtons()
{
    const QDateTime now = SystemClock::now();
    m_time = now.time().toString(getFormatStringTime());
    m_date = now.date().toString(getFormatStringDate());
    ui->butTime->setText2(tr("Time"), m_time);
    ui->butDate->setText2(tr("Date"), m_date);
}

void Systemsettings::on_butMenuUp_clicked()
{
    showPage(m_currentPage <= 1 ? 3 : m_currentPage - 1);
}

void Systemsettings::on_butMenuDown_clicked()
{
    showPage(m_currentPage >= 3 ? 1 : m_currentPage + 1);
}

void Systemsettings::on_butMenuBack_clicked()
{
    emit gotoWidget(0, -1, 0);
}

void Systemsettings::keyPressEvent(QKeyEvent *event)
{
    // The power key's short press: the press is swallowed, the release goes back.
    if (event->key() == Qt::Key_Escape)
        return;
    QWidget::keyPressEvent(event);
}

void Systemsettings::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        on_butMenuBack_clicked();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void Systemsettings::on_butLanguage_clicked()
{
    if (m_selectLanguage->exec() != QDialog::Accepted)
        return;
    m_selectedLanguageNum = m_selectLanguage->getSelectedLanguage();
    m_selectedLanguageString = getLanguageName(m_selectedLanguageNum);
    ui->butLanguage->setText2(tr("Language"), m_selectedLanguageString);
    storeSystemsettings();
    // The main window loads the catalogue and calls init() again.
    emit changeLanguage(m_selectedLanguageNum);
}

void Systemsettings::takeDateTimeSource(int source)
{
    m_dateTimeSource = source == 1 ? QStringLiteral("MAN") : QStringLiteral("GPS");
    if (MainMenu *window = MainMenu::getInstanceMainMenu())
        if (Gps *gps = window->getGpsInstance())
            gps->enableSystemTimeSettingViaGps(m_dateTimeSource != QLatin1String("MAN"));
}

void Systemsettings::on_butTime_clicked()
{
    DateTimeAdjust dialog(this);
    dialog.init(1, convertDateFormatToInt(m_dateFormat), convertDateTimeSourceToInt(m_dateTimeSource));
    if (dialog.exec() != QDialog::Accepted)
        return;
    refreshClockButtons();
    takeDateTimeSource(dialog.getDateTimeSource());
    storeSystemsettings();
}

void Systemsettings::on_butDate_clicked()
{
    DateTimeAdjust dialog(this);
    dialog.init(0, convertDateFormatToInt(m_dateFormat), convertDateTimeSourceToInt(m_dateTimeSource));
    if (dialog.exec() != QDialog::Accepted)
        return;
    switch (dialog.getDateFormat()) {
    case 1:
        m_dateFormat = QStringLiteral("YYYYMMDD");
        break;
    case 2:
        m_dateFormat = QStringLiteral("MMDDYYYY");
        break;
    default:
        m_dateFormat = QStringLiteral("DDMMYYYY");
        break;
    }
    refreshClockButtons();
    takeDateTimeSource(dialog.getDateTimeSource());
    storeSystemsettings();
}

void Systemsettings::on_butTimezone_clicked()
{
    SelectTimezone dialog(this);
    dialog.init(0, m_timezoneNum, m_daylightSavingTime);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_timezoneName = dialog.getTimezoneName();
    m_timezoneNum = dialog.getSelectedTimezone();
    m_timezoneOffset = dialog.getTimezoneOffset();
    ui->butTimezone->setText2(tr("Timezone"), m_timezoneName);
    // The dialog has moved the clock by the change of offset.
    refreshClockButtons();
    storeSystemsettings();
}

void Systemsettings::on_butDaylightSavingTime_clicked()
{
    SelectTimezone dialog(this);
    dialog.init(1, m_timezoneNum, m_daylightSavingTime);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_daylightSavingTime = dialog.getDaylightSavingTime();
    m_daylightSavingTimeOffset = dialog.getDaylightSavingTimeOffset();
    ui->butDaylightSavingTime->setText2(tr("DaylightSavingTime"),
                                        m_daylightSavingTime == 1 ? tr("Summertime") : tr("Wintertime"));
    refreshClockButtons();
    storeSystemsettings();
}

void Systemsettings::on_butPairedHeadphone_clicked()
{
    if (pairBluetoothDevice(0))
        ui->butPairedHeadphone->setText2(tr("PairedHeadphone"), m_btNameHeadphone);
}

void Systemsettings::on_butPairedMicrophone_clicked()
{
    if (pairBluetoothDevice(1))
        ui->butPairedMicrophone->setText2(tr("PairedMicrophone"), m_btNameMicrophone);
}

void Systemsettings::on_butSwitchmode_clicked()
{
    SelectSwitchmode dialog(this);
    dialog.init(m_switchmode);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_switchmode = dialog.getSwitchmode();
    ui->butSwitchmode->setText2(tr("ModeMuteButton"), switchmodeText());
    storeSystemsettings();
}

void Systemsettings::on_butFavouriteButton_clicked()
{
    SelectFavouriteButton dialog(this);
    dialog.init(m_favouriteButton);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QString text;
    m_favouriteButton = dialog.getFavouriteButton(&text);
    ui->butFavouriteButton->setText2(tr("FavouriteButton"), text);
    storeSystemsettings();
}

void Systemsettings::on_butBrightness_clicked()
{
    Displaysettings dialog(this);
    dialog.init();
    if (dialog.exec() != QDialog::Accepted)
        return;
    QString text;
    // The dialog has already written the level to the backlight.
    m_brightness = dialog.getBrightness(&text);
    ui->butBrightness->setText2(tr("Brightness"), text.isEmpty() ? brightnessText() : text);
    storeSystemsettings();
}

void Systemsettings::on_butPowerSaving_clicked()
{
    PowerSaving dialog(this);
    dialog.init(m_powerOffTime, m_displayOffTime);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QString powerText;
    QString backlightText;
    m_powerOffTime = dialog.getPowerOffTime(&powerText);
    m_displayOffTime = dialog.getBacklightOffTime(&backlightText);
    ui->butPowerSaving->setText2(tr("PowerSaving"), backlightText + QStringLiteral(" / ") + powerText);
    storeSystemsettings();
}

void Systemsettings::on_butSysteminformation_clicked()
{
    // The dialog stores by itself when it unlocks the debug features.
    Systeminformation dialog(this);
    dialog.init();
    dialog.exec();
}

void Systemsettings::on_butCustomize_clicked()
{
    CustomizeDialogs dialog(this);
    dialog.init();
    dialog.setLevelParameter(m_showFft, m_showFrequencyValue, m_showPeakLevelBar, m_useFrequColorForBar);
    dialog.setPinpointingParameter(m_ppShowFrequencyValue, m_ppUseFrequColorForBar, m_ppShowFilterParameter,
                                   m_ppDynamicScaling);
    dialog.setLongtermParameter(m_ltShowFrequencyValue, m_ltUseFrequColorForBar, m_ltShowGrid,
                                m_ltShowFilterParameter);
    dialog.setH2Parameter(m_h2ShowHistogram, m_h2ShowGrid, m_h2DynamicScaling, m_h2ShowWorkingRange);
    dialog.setPipelocatingParameter(m_plShowFft, m_plShowFrequencyValue, m_plUseFrequColorForBar,
                                    m_plShowFilterParameter);
    dialog.setStartupParameter(m_suUseFavouriteForStartup, m_suUseFilterForStartup, m_suUseGpsForStartup);
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.getLevelParameter(&m_showFft, &m_showFrequencyValue, &m_showPeakLevelBar, &m_useFrequColorForBar);
    dialog.getPinpointingParameter(&m_ppShowFrequencyValue, &m_ppUseFrequColorForBar, &m_ppShowFilterParameter,
                                   &m_ppDynamicScaling);
    dialog.getLongtermParameter(&m_ltShowFrequencyValue, &m_ltUseFrequColorForBar, &m_ltShowGrid,
                                &m_ltShowFilterParameter);
    dialog.getH2Parameter(&m_h2ShowHistogram, &m_h2ShowGrid, &m_h2DynamicScaling, &m_h2ShowWorkingRange);
    dialog.getPipelocatingParameter(&m_plShowFft, &m_plShowFrequencyValue, &m_plUseFrequColorForBar,
                                    &m_plShowFilterParameter);
    dialog.getStartupParameter(&m_suUseFavouriteForStartup, &m_suUseFilterForStartup, &m_suUseGpsForStartup);
    storeSystemsettings();
}

void Systemsettings::on_butHearingProtection_clicked()
{
    HearingProtection dialog(this);
    dialog.init(m_hearingProtection, m_headphoneVolumeOffset);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_hearingProtection = dialog.getModeHearingProtection();
    m_headphoneVolumeOffset = dialog.getHeadphoneVolumeOffset();
    ui->butHearingProtection->setText2(tr("HearingProtection"),
                                       m_hearingProtection ? tr("Active") : tr("Inactive"));
    storeSystemsettings();
    if (m_btSource)
        m_btSource->setBtAdcGain(m_hearingProtection ? 1 : m_headphoneVolumeOffset + 5);
}

void Systemsettings::on_butReset_clicked()
{
    ResetSettings dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // From here the instrument is on its way to its restart: no user input
    // reaches a screen until then (the main window owns that state).
    MainMenu *window = MainMenu::getInstanceMainMenu();
    if (window)
        window->beginRestart();
    // The defaults are in the file before any module is touched.
    resetToDefaultSettings();
    emit changeLanguage(m_selectedLanguageNum);
    // Both modules forget every pairing they hold: the sensor unit's first.
    // Their commands go as commands: a module on its way out of data mode
    // (a slow one drops its carrier up to about 10 s late) is waited for, as
    // long as the link waits for a carrier, with the event loop running. The
    // bound counts from the first disconnect and nothing shortens it (a later
    // disconnect's shorter bound does not replace it); the modules drop what
    // they still hold a second later, after the log line.
    // The headphone's module is reset once the sensor unit's has taken its
    // commands (or the bound has passed).
    static_assert(kResetModuleWaitMs == ModuleMode::kCarrierLagMs, "the reset waits as long as the link");
    QElapsedTimer waited;
    waited.start();
    const int dropMs = kResetModuleWaitMs + 1000;
    auto waitUntilTaken = [&waited](const std::function<bool()> &held) {
        if (!held() || waited.elapsed() >= kResetModuleWaitMs)
            return;
        QEventLoop loop;
        QTimer tick;
        connect(&tick, &QTimer::timeout, &loop, [&] {
            if (!held() || waited.elapsed() >= kResetModuleWaitMs)
                loop.quit();
        });
        tick.start(20);
        loop.exec();
    };
    if (m_btSink) {
        m_btSink->disconnectBtDevice(dropMs);
        m_btSink->initBtModulSink();
        m_btSink->sendData(QStringLiteral("SET BT PAIR *"));
        waitUntilTaken([this] { return m_btSink->hasHeldCommands(); });
    }
    if (m_btSource) {
        m_btSource->disconnectBtDevice(dropMs);
        m_btSource->initBtModulSource();
        m_btSource->sendData(QStringLiteral("SET BT PAIR *"));
        waitUntilTaken([this] { return m_btSource->hasHeldCommands(); });
    }
    // Nothing on the screen: the instrument restarts either way.
    if (m_btSink && m_btSink->hasHeldCommands())
        qWarning() << "Reset: the sensor unit's module did not take its commands within" << kResetModuleWaitMs
                   << "ms; it keeps its pairings";
    if (m_btSource && m_btSource->hasHeldCommands())
        qWarning() << "Reset: the headphone's module did not take its commands within" << kResetModuleWaitMs
                   << "ms; it keeps its pairings";
    // Restarts, or powers off when the user switched the instrument off
    // meanwhile.
    if (window)
        window->finishRestart();
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
    // The record's keys, group by group, in their fixed order. Keys the file
    // holds that the record does not know (a provisioned file, another
    // firmware version) are kept: they follow the record's keys of their
    // group, and groups of their own follow the record's groups. A value
    // that could not be read (serialised form) is not carried over. The
    // file is written to a temporary file that replaces the old one only
    // when complete, so a power cut leaves either the old or the new file.
    QList<SettingsFile::Entry> out;
    auto put = [&out](const char *group, const char *key, const QString &value) {
        out.append({QLatin1String(group), QLatin1String(key), value});
    };
    auto putInt = [&put](const char *group, const char *key, int value) { put(group, key, QString::number(value)); };
    auto putBool = [&put](const char *group, const char *key, bool value) {
        put(group, key, value ? QStringLiteral("true") : QStringLiteral("false"));
    };

    put(kGroupBluetooth, "Headphone_Name", m_btNameHeadphone.trimmed());
    put(kGroupBluetooth, "Headphone_ID", m_btIdHeadphone.trimmed());
    put(kGroupBluetooth, "Microphone_Name", m_btNameMicrophone.trimmed());
    put(kGroupBluetooth, "Microphone_ID", m_btIdMicrophone.trimmed());

    putInt(kGroupDebug, "Debugfeatures", g_debugFeatures);

    putInt(kGroupLocal, "Language", m_selectedLanguageNum);
    put(kGroupLocal, "Timezone", m_timezoneName.trimmed());
    putInt(kGroupLocal, "TimezoneNum", m_timezoneNum);
    putInt(kGroupLocal, "TimezoneOffset", m_timezoneOffset);
    putInt(kGroupLocal, "DaylightSavingTime", m_daylightSavingTime);
    put(kGroupLocal, "Dateformat", m_dateFormat.trimmed());
    put(kGroupLocal, "DateTimeSource", m_dateTimeSource.trimmed());

    put(kGroupSystem, "Switchmode", m_switchmode.trimmed());
    putInt(kGroupSystem, "FavouriteButton", m_favouriteButton);
    putInt(kGroupSystem, "Brightness", m_brightness);
    putInt(kGroupSystem, "PowerOffTime", m_powerOffTime);
    putInt(kGroupSystem, "DisplayOffTime", m_displayOffTime);
    putBool(kGroupSystem, "HearingProtection", m_hearingProtection);
    putInt(kGroupSystem, "HeadphoneVolumeOffset", m_headphoneVolumeOffset);

    int count = 0;
    const DisplayFlag *flags = displayFlags(&count);
    for (int i = 0; i < count; ++i)
        putBool(kGroupDialogs, flags[i].key, this->*flags[i].member);

    const QString fileName = settingsFileName();
    QSet<QString> own;
    for (const SettingsFile::Entry &e : qAsConst(out))
        own.insert(e.group + QLatin1Char('/') + e.key);
    // The same bounded reader as the load; at most as many keys in all as a
    // load keeps, so the next load sees the record's keys whole.
    SettingsFile old;
    old.load(fileName);
    QStringList groups;
    for (const SettingsFile::Entry &e : qAsConst(out))
        if (!groups.contains(e.group))
            groups << e.group;
    for (const SettingsFile::Entry &e : old.entries()) {
        if (out.size() >= SettingsFile::kMaxEntries)
            break;
        if (own.contains(e.group + QLatin1Char('/') + e.key))
            continue;
        out.append(e);
        if (!groups.contains(e.group))
            groups << e.group;
    }

    SettingsFile s;
    for (const QString &group : qAsConst(groups)) {
        s.beginGroup(group);
        for (const SettingsFile::Entry &e : qAsConst(out))
            if (e.group == group)
                s.setText(e.key, e.value);
    }

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
                    // A new headphone starts at the plain volume.
                    m_headphoneVolumeOffset = 0;
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
    // Six pairs of hexadecimal digits joined by colons. Checked by hand: the
    // start reads the paired addresses before the first frame, where a
    // regular expression's compilation was a noticeable cost on the board.
    if (text.size() != 17)
        return false;
    for (int i = 0; i < text.size(); ++i) {
        const char c = text.at(i).toLatin1();
        const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (i % 3 == 2 ? c != ':' : !hex)
            return false;
    }
    return true;
}

int Systemsettings::convertDateTimeSourceToInt(const QString &source)
{
    if (source == QLatin1String("GPS"))
        return 0;
    if (source == QLatin1String("MAN"))
        return 1;
    return -1;
}
