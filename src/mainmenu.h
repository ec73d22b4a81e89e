#ifndef MAINMENU_H
#define MAINMENU_H

#include <QMainWindow>
#include <QPointer>
#include <QTranslator>
#include <QVector>

#include <memory>

namespace Ui {
class MainMenu;
}

class AudioCodecSetup;
class Bluetooth;
class FavouriteButton;
class Gps;
class GpsMonitor;
class H2Sensor;
class Levelmeasurement;
class Longtermmeasurement;
class Management;
class MeasManagement;
class Pinpointing;
class Pipelocating;
class PressureSensor;
class QPushButton;
class QThread;
class QTimer;
class Systemsettings;

// The single main window: a 480 x 272 window whose central stacked widget
// holds every screen of the instrument as a page. It creates and owns the
// long-lived objects and hands them out through its getters; screens ask for
// other screens with gotoWidget(), which displayWidget() carries out on a
// back stack of ten levels.
class MainMenu : public QMainWindow
{
    Q_OBJECT

public:
    // Now: the whole start-up in the constructor (what the tests build).
    // AfterFirstFrame (the program): the constructor prepares what the main
    // page shows (when the language's texts lie on the data partition, it
    // waits a few seconds for the partition's check and mount); the rest of
    // the start-up (data partition, GPIO, both Bluetooth modules' set-up,
    // codec, GPS, the hidden pages, status data, favourite) runs in its order
    // once the main page's first frame is painted, and keys that come until
    // it is through are delivered after, touches and clicks only while the
    // main page they were aimed at is still shown.
    enum class Startup { Now, AfterFirstFrame };

    explicit MainMenu(QWidget *parent = nullptr);
    explicit MainMenu(Startup startup, QWidget *parent = nullptr);
    ~MainMenu() override;

    // Whether the start-up is through (always, once built with Startup::Now).
    bool isStartupFinished() const { return m_startupFinished; }

    static MainMenu *getInstanceMainMenu() { return m_instanceMainMenu; }

    Bluetooth *getBtSinkInstance() const { return m_btSink; }
    Bluetooth *getBtSourceInstance() const { return m_btSource; }
    Systemsettings *getInstanceSystemsettings() const { return m_systemsettings; }
    MeasManagement *getInstanceMeasManagement() const { return m_measManagement; }
    AudioCodecSetup *getAudioCodecInstance() const { return m_audioCodec; }
    Gps *getGpsInstance() const { return gpsModul; }
    FavouriteButton *getFavouriteButtonInsance() const { return m_favouriteButton; }
    GpsMonitor *getGpsMonitorInstance() const { return m_gpsMonitor; }
    bool isBootedToFavouriteFunction() const { return m_directlyBootedToFavouriteFunction; }
    void resetBootedToFavouriteFunction() { m_directlyBootedToFavouriteFunction = false; }
    bool isMainMenuVisible() const { return m_mainMenuVisible; }

    // The screens built so far (null until first use).
    Levelmeasurement *levelmeasurementScreen() const { return m_levelMeasurement; }
    Pinpointing *pinpointingScreen() const { return m_pinpointing; }
    Management *managementScreen() const { return m_management; }
    H2Sensor *h2sensorScreen() const { return m_h2sensor; }
    Pipelocating *pipelocatingScreen() const { return m_pipelocating; }
    PressureSensor *pressureSensorScreen() const { return m_pressureSensor; }
    Longtermmeasurement *longtermScreen() const { return m_longtermMeasurement; }

    void init();

    // Screen navigation and back stack
    int displayFavouriteDialog(int widget);
    void menuLevelEqual();
    void menuLevelDown();
    void menuLevelUp();
    void resetMenuLevel();
    void setMenuDirection(int dir);
    int getCurrentMenuLevel() const { return m_currentMenuLevel; }
    int getStoredWidget(int level) const;
    void showWidget(int number);
    // The start-up menu the command-line words ask for: 100 the production
    // test menu ("test", which wins), 101 the debug menu ("debug"), else 0.
    static int startupMenuFor(const QStringList &arguments);
    void displayDebugMenu();
    int setCurrentVisibleDlgNum(int num);
    int getCurrentVisibleDlgNum() const { return m_currentVisibleDlgNum; }

    // Audio path, microphone and headphone control
    void muteAudioPath(bool mute, bool toUnit);
    bool isAudioPathMuted() const { return m_muted; }
    bool isMuteKeySwitchmode() const;
    void updateMicrophoneParameter();
    int initGx4(int gain, int mute, int button);
    void setMicGainStep(int step);
    int getMicGainStep() const { return m_micGainStep; }
    float getMicPgaGain() const { return m_micPgaGain; }
    void setCurrentMicGainStep(int step) { m_currentMicGainStep = step; }
    int getCurrentMicGainStep() const { return m_currentMicGainStep; }
    void setCurrentHeadphoneVolumeStep(int step) { m_currentHeadphoneVolStep = step; }
    int getCurrentHeadphoneVolumeStep() const { return m_currentHeadphoneVolStep; }
    void setCurrentFilter(unsigned low, unsigned high, int type);
    void getCurrentFilter(unsigned *low, unsigned *high, int *type) const;
    void setHeadphoneGainStep(int step) { m_headphoneGainStep = step; }
    int getHeadphoneGainStep() const { return m_headphoneGainStep; }
    // The microphone line to the sensor unit built from the stored fields.
    QString microphoneLine();

    // Going down, one way only: the power-off (beforePowerDown, then after
    // 3 s "umount" and "poweroff") or the restart after the delivery reset
    // (beginRestart, the reset's bounded wait for its module commands, then
    // finishRestart: "reboot"). A power-off asked while the reset waits (the
    // power key held, the power-saving or the battery's power-off) is made in
    // place of the restart, once the wait is over: the user switched the
    // instrument off, and it stays off, with the settings reset all the same.
    // Once "reboot" or "poweroff" went through, nothing more is run. While
    // the reset waits no user input reaches a screen (the key filter asks
    // isInputClosed()): the page behind the wait is live, but a dialog opened
    // there would hold the restart up, and a link operation would disturb the
    // modules' last commands.
    void beforePowerDown();
    void beginRestart();
    void finishRestart();
    bool isPowerDownStarted() const
    {
        return m_ending == Ending::PowerOff || m_ending == Ending::RestartThenPowerOff || m_ending == Ending::Down;
    }
    bool isInputClosed() const { return m_ending == Ending::Restart || m_ending == Ending::RestartThenPowerOff; }
    void displayPopup(int picture);

    // Language
    void loadLanguageFile(QString name);

    // Appends the text and a line end to errorInfo.txt on the data partition.
    void writeErrorToFile(QString text);

public slots:
    void changeLanguage(int num);
    void displayMainMenu();
    void on_butLevelmeasurement_clicked();
    void on_butPinpointing_clicked();
    void displayWidget(int widget, int dir, int variant);
    void on_butManagement_clicked();
    void on_butH2Sensor_clicked();
    void writeSystemInfo(QString infoText);
    void writeSystemInfo();
    void on_butPipelocating_clicked();
    void on_butLongtermmeasurement_clicked();
    void powerDown();
    int setMicInitParameter(int a_gain, int a_mute, int a_button);
    int setMicParameterGain(int gain);
    int setMicParameterMute(int mute);
    int setMicParameterButton(int button);
    int getMicInitParameter(int *gain, int *mute, int *button);
    void switchActiveMute(bool mute);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    // The hidden DBG and TEST buttons' clicks. Not slots: the buttons are
    // built after the form, so the form's connection by name must not look
    // for them.
    void on_butDebugMenu_clicked();
    void on_butTestMenu_clicked();

    void finishStartup();
    void drainHeldInput();
    bool dataPartitionReady(int waitMs);
    void addPressedPictures();
    template <class Screen> Screen *ensureScreen(Screen *&screen, bool connectExit);
    void setMainPageTexts();
    void showDebugButtons();
    void buildDebugButtons();
    void sendMicLine();
    void recoverFromFailedPowerDown();

    Ui::MainMenu *ui;
    // On the main page, built with the rest of the start-up (null before).
    QPushButton *m_butTestMenu = nullptr;
    QPushButton *m_butDebugMenu = nullptr;
    static MainMenu *m_instanceMainMenu;
    Levelmeasurement *m_levelMeasurement = nullptr;
    Pinpointing *m_pinpointing = nullptr;
    Management *m_management = nullptr;
    Systemsettings *m_systemsettings = nullptr;
    GpsMonitor *m_gpsMonitor = nullptr;
    H2Sensor *m_h2sensor = nullptr;
    MeasManagement *m_measManagement = nullptr;
    Pipelocating *m_pipelocating = nullptr;
    PressureSensor *m_pressureSensor = nullptr;
    Longtermmeasurement *m_longtermMeasurement = nullptr;
    FavouriteButton *m_favouriteButton = nullptr;
    Bluetooth *m_btSource = nullptr;
    Bluetooth *m_btSink = nullptr;
    AudioCodecSetup *m_audioCodec = nullptr;
    Gps *gpsModul = nullptr;
    QTimer *m_timerSystemMonitor = nullptr;
    int m_widget = 0;
    int m_storedWidgetMenu[10] = {};
    int m_currentMenuLevel = 0;
    // The language's built-in catalogue, and the card's catalogue of the
    // same name when there is one, installed after it so that it is asked
    // first: a text the card's catalogue lacks comes from the built-in one,
    // never as its raw key. The card's translator reads from the buffer
    // declared before it, which outlives it.
    QTranslator translator;
    QByteArray m_cardCatalogue;
    std::unique_ptr<QTranslator> m_cardTranslator;
    int m_micGainStep = 0;
    int m_micGain = 0;
    float m_micPgaGain = 0.0f;
    int m_headphoneGainStep = 0;
    int m_currentVisibleDlgNum = 2;
    bool m_mainMenuVisible = true;
    bool m_muted = true;
    int m_micParameterGain = 15;
    int m_micParameterMute = 1;
    int m_micParameterButton = 1;
    int m_currentMicGainStep = 3;
    int m_currentHeadphoneVolStep = 8;
    quint32 m_currentLowCutOffFreq = 0;
    quint32 m_currentHighCutOffFreq = 4000;
    int m_currentFilterType = 0;
    bool m_directlyBootedToFavouriteFunction = false;
    enum class Ending {
        None, // running
        PowerOff, // beforePowerDown ran: powerDown() follows
        Restart, // the delivery reset waits for its module commands
        RestartThenPowerOff, // the same, and a power-off was asked: it replaces the restart
        Down, // "reboot" or "poweroff" went through
    };
    Ending m_ending = Ending::None;

    // Start-up after the first frame
    struct HeldInput
    {
        QPointer<QObject> receiver;
        QEvent *event;
    };
    bool m_startupPending = false;
    bool m_startupScheduled = false;
    bool m_startupFinished = false;
    // The page on the display while the start-up runs: what held touches
    // and clicks were aimed at.
    QPointer<QWidget> m_pageOnScreen;
    QVector<HeldInput> m_heldInput;

    // The data partition's check and mount, on a thread of their own while
    // they run; ready once both ended (its files may be read from then on).
    QThread *m_dataPartitionCheck = nullptr;
    bool m_dataPartitionReady = false;
    // The language last loaded, and whether the data partition was ready
    // then (its catalogue, if any, is in the translator).
    int m_loadedLanguage = 0;
    bool m_loadedWithCard = false;
};

#endif // MAINMENU_H
