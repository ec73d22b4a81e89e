#ifndef MEASUREMENTFRAME_H
#define MEASUREMENTFRAME_H

#include <QObject>
#include <QPointer>
#include <QString>

class Bluetooth;
class QKeyEvent;
class QStackedWidget;
class QTimer;
class QWidget;
struct MeasInfoStructure;

// The frame shared by the acoustic measurement screens: entering live or
// with a stored measurement, listening and muting by the instrument's mute
// key (toggle or push-to-talk) and by the sensor unit's key (not echoed to
// the unit), the 1700 ms link watchdog with its warning, the favourite
// number, the save flow through the name keyboard, the settings dialogs,
// the way back to the browser and leaving to the main menu.
//
// A screen owns one frame and implements Screen: the frame calls it for
// what only the screen knows (its own mute work, its leaving, the values it
// stores). The screen keeps its slot names and forwards them to the frame.
class MeasurementFrame : public QObject
{
    Q_OBJECT
public:
    static constexpr int kWatchdogMs = 1700;

    class Screen
    {
    public:
        virtual ~Screen() = default;
        // The screen's muteAudioPath: the main window's audio path and the
        // screen's own measuring.
        virtual void frameMute(bool mute, bool toUnit) = 0;
        virtual bool frameIsMuted() const = 0;
        // The home button: the screen stops its own timers and calls leave().
        virtual void frameLeave() = 0;
        // Fills the screen's own fields of a measurement to be stored.
        virtual void frameFill(MeasInfoStructure *info) = 0;
        // The main window showed another page without the screen's own
        // leaving (the power key inside a dialog, the favourite key): the
        // screen stops its measuring and counts as muted, as the main
        // window left the path, without touching the path itself.
        virtual void frameHidden() {}
    };

    // widget: the screen page (parent of the watchdog timer and of the
    // dialogs); favouriteNumber: the screen's code for the favourite key;
    // typeCode: the store's type code of its measurements.
    MeasurementFrame(QWidget *widget, Screen *screen, int favouriteNumber, int typeCode);

    int favouriteNumber() const { return m_favouriteNumber; }
    QTimer *watchdogTimer() const { return m_timerCheckBtConnection; }
    bool isWatchdogArmed() const { return m_enableWarningBtConnection; }

    // --- Entry ---------------------------------------------------------------
    // The note shown at a live entry with the hydrogen sensor attached.
    // False when the main window left the screen while it was open (the
    // power key): the entry then stops.
    bool showHydrogenNoteIfNeeded();
    // Sensor-unit link with RFCOMM, headphone link A2DP only.
    void callLinks();
    void connectUnitKey();
    void disconnectUnitKey();
    void reportFavourite();
    // Live: the watchdog starts; it is armed unless the program started
    // straight into this screen as the favourite function (then the first
    // tick with the link up arms it). The start-up flag is cleared.
    void startWatchdog();
    // Stored view and leaving: stopped and disarmed.
    void stopWatchdog();

    // --- Keys ----------------------------------------------------------------
    // F10 and Escape; true when the key was taken.
    bool keyPress(QKeyEvent *event);
    bool keyRelease(QKeyEvent *event);

    // --- Save ----------------------------------------------------------------
    // Mutes when listening, asks for a name and stores the measurement with
    // the codec's current filter. True when it went to the store.
    bool save();

    // --- Settings dialogs ------------------------------------------------------
    // Runs the filter dialog; true when accepted. The chosen filter is then
    // in the codec (read it with AudioCodecSetup::getFilter). False also
    // when the main window left the screen meanwhile (isShown()).
    bool runFilterDialog(int *type, unsigned *low, unsigned *high);
    void runMicrophoneDialog();
    void runHeadphoneDialog();

    // --- Stored measurement ----------------------------------------------------
    // The folder picked in the browser, or empty when there is none or its
    // name is no plain folder name.
    QString selectedFolder() const;
    // "/media/tq3900/meas/<folder>" as the data partition's owner gives it:
    // the local path, or one where nothing opens while it is not mounted.
    static QString folderPath(const QString &folder);

    // True while the screen is the page the main window shows. A dialog's
    // caller asks after the dialog: the power key inside it returns to the
    // main page, and a screen that was left must not open the path again.
    bool isShown() const;

    // --- Leaving -------------------------------------------------------------
    // Stops the watchdog and the recording, mutes the path, releases the
    // unit's key and emits exit().
    void leave();
    // Stored page's Back: codec routing to listening, path muted, capture
    // stopped, back to the browser without a new back-stack level.
    void backToBrowser();

    // The rule of one watchdog tick: true when the warning is due now.
    // armed is the watchdog's state, updated by the tick.
    static bool watchdogTick(bool linkUp, int sensorType, bool *armed);

public slots:
    // The sensor unit's key: its state, not sent back to the unit.
    void switchActiveMute(bool mute);
    void checkBtConnection();

signals:
    void exit();
    void gotoWidget(int widget, int dir, int variant);

protected:
    // Follows the screen into the main window's page stack.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // After a dialog, and whenever the page stack moves off the screen's
    // page (the favourite key, the power key inside any dialog or keyboard,
    // Home, Back): a screen the main window no longer shows is released
    // (watchdog, the unit's key, its measuring and polling), so that it
    // neither warns about the link nor acts on the page shown.
    void releaseIfLeft();
    void watchStack();
    void stackChanged();

    QWidget *m_widget;
    Screen *m_screen;
    int m_favouriteNumber;
    int m_typeCode;
    QTimer *m_timerCheckBtConnection;
    QPointer<Bluetooth> m_unitKeySource;
    QPointer<QStackedWidget> m_stack;
    bool m_shownInStack = false;
    bool m_enableWarningBtConnection = false;
};

#endif // MEASUREMENTFRAME_H
