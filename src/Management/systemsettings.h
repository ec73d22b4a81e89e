#ifndef SYSTEMSETTINGS_H
#define SYSTEMSETTINGS_H

#include <QString>
#include <QStringList>
#include <QWidget>

class Bluetooth;
class LanguageSelect;
class QKeyEvent;

namespace Ui {
class Systemsettings;
}

// The settings store of the instrument and, at the same time, the settings
// menu screen. The store side mirrors /home/root/settings.ini: the record
// below is loaded from and written to that INI file, and every other part of
// the program reads it through the getters. Everything runs on the GUI thread.
class Systemsettings : public QWidget
{
    Q_OBJECT

public:
    // Page::Later reads only the store; buildPage() makes the screen's page
    // when it is wanted (the start-up builds it after the first frame).
    enum class Page { Built, Later };
    // The reset to the delivery state waits this long for the Bluetooth
    // modules to take their commands: the link's own carrier bound (a slow
    // module leaves data mode up to about 10 s late).
    static constexpr int kResetModuleWaitMs = 12000;
    explicit Systemsettings(QWidget *parent = nullptr, Page page = Page::Built);
    void buildPage();
    ~Systemsettings() override;

    // Fills the settings screen: takes the two Bluetooth links from the main
    // window, loads the settings file again (it may have been replaced since)
    // and shows page 1 with every button's label and value.
    void init();
    // The page of the settings screen shown (1..3).
    int currentPage() const { return m_currentPage; }
    // Number of init() calls so far.
    int initCount() const { return m_initCount; }

    // --- Store operations ---------------------------------------------------
    // Reads the whole file into the record and g_debugFeatures. A key missing
    // from the file, or with a serialised value, takes its default. An
    // address that is not a Bluetooth address means not paired; the headphone
    // volume offset (-4..10) and the time-zone offset (-12 h..+14 h) are
    // clamped to their ranges; other values are taken as they stand.
    void loadSystemsettings();
    // Writes the whole record and g_debugFeatures to the file (atomically).
    void storeSystemsettings();
    // Sets every setting to its default, g_debugFeatures to 0, and stores.
    void resetToDefaultSettings();
    // 0..5: sets the favourite function, stores and returns 0; any other
    // number returns -1 and changes nothing.
    int setFavouriteButton(int num);
    // Forget the paired headphone / sensor unit and store.
    void clearBtHeadphone();
    void clearBtMicrophone();

    // Runs the pairing dialog for the sensor unit (1) or a headphone (0):
    // when the pairing is confirmed, the device's address and name become
    // the paired ones, the file is stored and the link is reset to the new
    // address. Accepted or not, the link is asked to connect again. Returns
    // whether a device was paired (the settings buttons show its name). A
    // new headphone starts with the volume offset 0.
    bool pairBluetoothDevice(int device);

    // --- Getters (none touches the file) ------------------------------------
    int getSelectedLanguageNum() const { return m_selectedLanguageNum; }
    QString getBtIdHeadphone() const { return m_btIdHeadphone; }
    QString getBtNameHeadphone() const { return m_btNameHeadphone; }
    QString getBtIdMicrophone() const { return m_btIdMicrophone; }
    QString getBtNameMicrophone() const { return m_btNameMicrophone; }
    int getTimezoneOffset() const { return m_timezoneOffset; }
    // 3600 while summer time, else 0.
    int getDaylightSavingTimeOffet() const { return m_daylightSavingTimeOffset; }
    QString getFormatStringTime() const;
    QString getFormatStringDate() const;
    QString getDateTimeSource() const { return m_dateTimeSource; }
    // The favourite number; its translated name goes to *text. A number
    // outside 0..5 is corrected to 2 in memory first.
    int getFavouriteButton(QString *text);
    bool isHearingProtectionEnabled() const { return m_hearingProtection; }
    int getHeadphoneVolumeOffset() const { return m_headphoneVolumeOffset; }
    int getPowerOffTime() const { return m_powerOffTime; }
    int getDisplayOffTime() const { return m_displayOffTime; }
    int getBrightness() const { return m_brightness; }
    // True only for the exact text "Switch".
    bool isMuteKeySwitchmode() const;

    // Which elements the measurement screens show.
    bool isShowFftEnabled() const { return m_showFft; }
    bool isShowFrequencyValueEnabled() const { return m_showFrequencyValue; }
    bool isUseFrequColorForBarEnabled() const { return m_useFrequColorForBar; }
    bool isShowPeakLevelBarEnabled() const { return m_showPeakLevelBar; }
    bool isPPShowFrequencyValueEnabled() const { return m_ppShowFrequencyValue; }
    bool isPPUseFrequColorForBarEnabled() const { return m_ppUseFrequColorForBar; }
    bool isPPShowFilterParameterEnabled() const { return m_ppShowFilterParameter; }
    bool isPPDynamicScalingEnabled() const { return m_ppDynamicScaling; }
    bool isLTShowFrequencyValueEnabled() const { return m_ltShowFrequencyValue; }
    bool isLTUseFrequColorForBarEnabled() const { return m_ltUseFrequColorForBar; }
    bool isLTShowGridEnabled() const { return m_ltShowGrid; }
    bool isLTShowFilterParameterEnabled() const { return m_ltShowFilterParameter; }
    bool isH2ShowHistogramEnabled() const { return m_h2ShowHistogram; }
    bool isH2ShowGridEnabled() const { return m_h2ShowGrid; }
    bool isH2DynamicScalingEnabled() const { return m_h2DynamicScaling; }
    bool isH2ShowWorkingRangeEnabled() const { return m_h2ShowWorkingRange; }
    bool isPLShowFftEnabled() const { return m_plShowFft; }
    bool isPLUseFrequColorForBarEnabled() const { return m_plUseFrequColorForBar; }
    bool isPLShowFrequencyValueEnabled() const { return m_plShowFrequencyValue; }
    bool isPLShowFilterParameterEnabled() const { return m_plShowFilterParameter; }
    bool isSUUseFavouriteForStartupEnabled() const { return m_suUseFavouriteForStartup; }
    bool isSUUseFilterForStartupEnabled() const { return m_suUseFilterForStartup; }
    bool isSUUseGpsForStartupEnabled() const { return m_suUseGpsForStartup; }

    // --- Text helpers -------------------------------------------------------
    // Name of language 1..24 (context "LanguageSelect"); English otherwise.
    static QString getLanguageName(int num);
    // Name of favourite function 0..5; any other number gives the name of
    // level measurement and sets the favourite to 2 in memory.
    QString getFavButTextFromNum(int num);
    // Text of a power-saving time: "never", "<n> s", "<n> min", "<n> h" or "---".
    static QString convertTimeToText(int seconds);
    // "DDMMYYYY" 0, "YYYYMMDD" 1, "MMDDYYYY" 2, else -1.
    static int convertDateFormatToInt(const QString &format);
    // "GPS" 0, "MAN" 1, else -1.
    static int convertDateTimeSourceToInt(const QString &source);
    // Six pairs of hex digits separated by colons ("00:07:80:AB:CD:EF").
    static bool isBluetoothAddress(const QString &text);

signals:
    void gotoWidget(int widget, int dir, int variant);
    void changeLanguage(int num);

private slots:
    void on_butMenuUp_clicked();
    void on_butMenuBack_clicked();
    void on_butMenuDown_clicked();
    void on_butLanguage_clicked();
    void on_butTime_clicked();
    void on_butDate_clicked();
    void on_butTimezone_clicked();
    void on_butDaylightSavingTime_clicked();
    void on_butPairedHeadphone_clicked();
    void on_butPairedMicrophone_clicked();
    void on_butSwitchmode_clicked();
    void on_butFavouriteButton_clicked();
    void on_butBrightness_clicked();
    void on_butPowerSaving_clicked();
    void on_butSysteminformation_clicked();
    void on_butCustomize_clicked();
    void on_butReset_clicked();
    void on_butHearingProtection_clicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    // One display flag: its key in the group "Dialogconfiguration", the
    // member that holds it and its default.
    struct DisplayFlag
    {
        const char *key;
        bool Systemsettings::*member;
        bool defaultValue;
    };
    static const DisplayFlag *displayFlags(int *count);
    static QString defaultTimezoneName();

    void showPage(int page);
    // Button values as the screen shows them.
    QString switchmodeText() const;
    QString brightnessText() const;
    QString powerSavingText() const;
    void refreshClockButtons();
    // After the date or time dialog: the clock source it chose, and whether
    // the GPS receiver may set the clock.
    void takeDateTimeSource(int source);

    // The unit test sets members the way the settings screen does.
    friend class TestSystemsettings;
    friend class TestSettingsDialogs;

    Ui::Systemsettings *ui = nullptr;

    // --- The settings record ------------------------------------------------
    // Filled by the constructor from the file (written with the defaults first
    // when it cannot be read).
    QString m_btIdHeadphone;
    QString m_btNameHeadphone;
    QString m_btIdMicrophone;
    QString m_btNameMicrophone;
    int m_selectedLanguageNum = 0;
    QString m_timezoneName;
    int m_timezoneNum = 0;
    int m_timezoneOffset = 0;
    QString m_dateFormat;
    QString m_dateTimeSource;
    int m_daylightSavingTime = 0;
    int m_daylightSavingTimeOffset = 0;
    QString m_switchmode;
    int m_favouriteButton = 0;
    int m_brightness = 0;
    int m_powerOffTime = 0;
    int m_displayOffTime = 0;
    bool m_hearingProtection = false;
    int m_headphoneVolumeOffset = 0;

    bool m_showFft = false;
    bool m_showFrequencyValue = false;
    bool m_useFrequColorForBar = false;
    bool m_showPeakLevelBar = false;
    bool m_ppShowFrequencyValue = false;
    bool m_ppUseFrequColorForBar = false;
    bool m_ppShowFilterParameter = false;
    bool m_ppDynamicScaling = false;
    bool m_ltShowFrequencyValue = false;
    bool m_ltUseFrequColorForBar = false;
    bool m_ltShowGrid = false;
    bool m_ltShowFilterParameter = false;
    bool m_h2ShowHistogram = false;
    bool m_h2ShowGrid = false;
    bool m_h2DynamicScaling = false;
    bool m_h2ShowWorkingRange = false;
    bool m_plShowFft = false;
    bool m_plUseFrequColorForBar = false;
    bool m_plShowFrequencyValue = false;
    bool m_plShowFilterParameter = false;
    bool m_suUseFavouriteForStartup = false;
    bool m_suUseFilterForStartup = false;
    bool m_suUseGpsForStartup = false;

    // What the last load found damaged in the file (for the repair at start).
    QStringList m_loadProblems;

    // --- Screen -------------------------------------------------------------
    LanguageSelect *m_selectLanguage = nullptr;
    Bluetooth *m_btSource = nullptr; // headphone link, from the main window
    Bluetooth *m_btSink = nullptr;   // sensor-unit link, from the main window
    int m_currentPage = 1;
    QString m_selectedLanguageString;
    QString m_time;
    QString m_date;
    int m_initCount = 0;
};

#endif // SYSTEMSETTINGS_H
