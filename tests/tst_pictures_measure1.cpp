// What the acoustic measurement screens show, compared picture for picture
// with references (tests/pictures/measure1-*.png): pinpointing, level
// measurement and pipe locating empty, while listening to a known tone, after
// positions and as a stored measurement with its own side menu; the side
// menu's page behind the wrench with its microphone dialog, the keyboard of
// a save, the warning of a lost link and the favourite pop-up; the filter
// dialog with a band drawn by touch; the headphone dialog of the stored
// pinpointing view. Stored views are opened from the browser on info.ini
// files written here, so their values are the same on every run.
#include "filtersettings.h"
#include "freqspectrum.h"
#include "favouritebutton.h"
#include "globals.h"
#include "headphonesettings.h"
#include "levelmeasurement.h"
#include "mainmenu.h"
#include "messagedialog.h"
#include "micsettings.h"
#include "modalaction.h"
#include "picturebench.h"
#include "pinpointing.h"
#include "pipelocating.h"
#include "popupinfo.h"
#include "progressbarminmaxmarker.h"
#include "testpart.h"
#include "virtualkeyboard.h"

#include <QWindow>
#include <QtTest>

#include <cmath>

using namespace ScreenSteps;
using Driver = PictureBench::Driver;

namespace {

// The simulated microphone's signal ("tone ...", "level ...").
void setSignal(PictureBench &b, const QString &command)
{
    QVERIFY(b.tell(QStringLiteral("signal ") + command));
}

// Opens a dialog of type T with `opener`; while it is open, `act` does what
// the user does in it and the screen is compared with the row's reference.
template <class T>
void lookAtDialog(const std::function<void()> &opener, const std::function<void(T *)> &act = {})
{
    inDialog<T>(opener, [&](T *d) {
        if (act)
            act(d);
        if (!QTest::currentTestFailed())
            shoot();
    });
}

} // namespace

class TestPicturesMeasure1 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pinpointing_data() { rows("pinpointing"); }
    void pinpointing() { screens(); }
    void levelMeasurement_data() { rows("level"); }
    void levelMeasurement() { screens(); }
    void filterDialog_data() { rows("filter"); }
    void filterDialog() { screens(); }
    void pipeLocating_data() { rows("pipe"); }
    void pipeLocating() { screens(); }

private:
    void rows(const QString &screen);
    void screens();

    PictureBench m_bench;
};

namespace {

struct Row
{
    QString name;     // measure1-<screen>-<state>
    QString settings; // appended to the paired settings.ini
    Driver drive;
};

// A tone whose period divides the analysis block (64 periods of 16 samples
// in 1024 samples at 7670 Hz) in a noise that starts again from its seed
// every 1024 samples: every block holds the same sound, rotated, so its
// level and its spectrum (the noise floor too) are the same wherever the
// block starts. The dominant frequency reads 490 Hz: every five-bin sum
// around the tone's bin 64 holds its peak, and this noise makes the one
// centred on bin 66 the largest.
void toneInNoise(PictureBench &b)
{
    setSignal(b, "tone 479.375 0.01");
    setSignal(b, "noise 0.0001");
    setSignal(b, "repeat 1024");
}

QByteArray storedPinpointing()
{
    return "[Measurementinfo]\nMeasurementname=Main st\nMeasurementtype=Histogram\n"
           "[Levels]\nLevel_1=41.2\nFrequency_1=120\nLevel_2=47.8\nFrequency_2=210\nLevel_3=55.4\n"
           "Frequency_3=480\nLevel_4=52.1\nFrequency_4=460\nLevel_5=44.6\nFrequency_5=300\n"
           "[Filter]\nFiltertype=Bandpass\nLowCutOff-Frequency=160\nHighCutOff-Frequency=1250\n";
}

QByteArray storedPipe()
{
    return "[Measurementinfo]\nMeasurementname=Lane\nMeasurementtype=Histogram\n"
           "[Levels]\nLevel_1=38.4\nFrequency_1=120\nLevel_2=45.1\nFrequency_2=210\nLevel_3=52.7\n"
           "Frequency_3=480\nLevel_4=61.3\nFrequency_4=460\nLevel_5=55.2\nFrequency_5=300\n"
           "Level_6=47.9\nFrequency_6=90\n"
           "[Filter]\nFiltertype=Bandpass\nLowCutOff-Frequency=160\nHighCutOff-Frequency=1250\n";
}

// A level measurement with a spectrum: a peak at 480 Hz (bin 64) and a
// smaller one at 960 Hz above a falling floor.
QByteArray storedLevel()
{
    QByteArray values;
    for (int i = 0; i < 512; ++i) {
        const double v = 0.02 / (1 + i / 16.0) + 2.0 * std::exp(-std::pow((i - 64) / 3.0, 2))
            + 0.2 * std::exp(-std::pow((i - 128) / 4.0, 2));
        values += QByteArray::number(v, 'g', 6) + "; ";
    }
    return "[Measurementinfo]\nMeasurementname=Kerb\nMeasurementtype=Level\n"
           "[Levels]\nLevel=47.3\nFrequency=480\n[FFT]\nFFT-Size=512\nFFT-Values=\"" + values + "\"\n"
           "[Filter]\nFiltertype=Bandpass\nLowCutOff-Frequency=160\nHighCutOff-Frequency=1250\n";
}

// Listens once at that level: the level set, the mute key, `ms` of
// listening. Levels lie half a tenth above a whole tenth, so that the
// tenths the bars show are the same on every run.
void listen(PictureBench &b, QWidget *screen, double level, int ms)
{
    setSignal(b, QStringLiteral("level %1").arg(level));
    QTest::qWait(400); // the converter's buffer holds the new sound only
    muteKey(screen);
    QTest::qWait(ms);
}

// The tone heard once at 50.05 on the screen that the main page's `button`
// opens (the window's `screen`), `ms` long; muted again where asked, so that
// a spectrum holds still.
template <class Screen>
Driver listened(const char *button, Screen *(MainMenu::*screen)() const, int ms, bool mutedAgain)
{
    return [=](PictureBench &b) {
        toneInNoise(b);
        press(&b.window(), button);
        listen(b, (b.window().*screen)(), 50.05, ms);
        if (mutedAgain)
            muteKey((b.window().*screen)());
    };
}

// Draws a band on the dialog's spectrum from x0 to x1 (spectrum pixels) as
// a finger does: press, move, release, through the dialog's window.
void drawBand(Filtersettings *d, int x0, int x1)
{
    auto *spectrum = d->findChild<FreqSpectrum *>();
    QVERIFY(spectrum);
    QWindow *window = d->windowHandle();
    const int y = spectrum->height() / 2;
    const auto at = [&](int x) { return spectrum->mapTo(d, QPoint(x, y)); };
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, at(x0));
    for (int x = x0 + 10; x <= x1; x += 10)
        QTest::mouseMove(window, at(x));
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, at(x1));
}

QList<Row> table()
{
    const QString colours = QStringLiteral("[Dialogconfiguration]\nPinpointing_UseFrequencyColorForLevelbar=true\n"
                                           "Pipelocating_UseFrequencyColorForLevelbar=true\n");
    const QString peakBar = QStringLiteral("[Dialogconfiguration]\nLevelMeasurement_ShowPeakLevelBar=true\n");
    const QString pipeFft = QStringLiteral("[Dialogconfiguration]\nPipelocating_ShowFft=true\n");
    const Driver listenedLevel = listened("butLevelmeasurement", &MainMenu::levelmeasurementScreen, 2500, true);
    return {
        // Pinpointing, muted on entry: no position, the microphone marker
        // at slot 1.
        {"measure1-pinpointing-empty", "", [](PictureBench &b) { press(&b.window(), "butPinpointing"); }},
        // Listening at position 1: its bar, the live bar beside it, the
        // level and the frequency; Delete last hidden.
        {"measure1-pinpointing-listening", "", listened("butPinpointing", &MainMenu::pinpointingScreen, 2500, false)},
        // Three positions heard, muted after the third: the bars on the
        // dynamic scale, the leak marker at the loudest, the next-position
        // marker at slot 4.
        {"measure1-pinpointing-positions", "",
         [](PictureBench &b) {
             toneInNoise(b);
             press(&b.window(), "butPinpointing");
             for (double level : {44.05, 56.05, 50.05}) {
                 listen(b, b.window().pinpointingScreen(), level, 1500);
                 muteKey(b.window().pinpointingScreen());
             }
         }},
        // The side menu's second page, behind the wrench: filter,
        // microphone, headphone, back.
        {"measure1-pinpointing-wrench", "",
         [](PictureBench &b) {
             press(&b.window(), "butPinpointing");
             press(b.window().pinpointingScreen(), "butMenuSettings");
         }},
        // Its microphone button opens the microphone dialog.
        {"measure1-pinpointing-microphone", "",
         [](PictureBench &b) {
             press(&b.window(), "butPinpointing");
             Pinpointing *pp = b.window().pinpointingScreen();
             press(pp, "butMenuSettings");
             lookAtDialog<Micsettings>([&] { click(pp, "butMenuMicrophone"); });
         }},
        // Saving: the keyboard with a name typed, before it is accepted.
        {"measure1-pinpointing-save", "",
         [](PictureBench &b) {
             press(&b.window(), "butPinpointing");
             lookAtDialog<VirtualKeyboard>([&] { click(b.window().pinpointingScreen(), "butMenuSave"); },
                                           [](VirtualKeyboard *k) {
                                               for (const char *key : {"but_P", "but_A", "but_R", "but_K", "but_Space",
                                                                       "but_4"})
                                                   press(k, key);
                                           });
         }},
        // The unit's link lost while listening: the warning.
        {"measure1-pinpointing-linklost", "",
         [](PictureBench &b) {
             listened("butPinpointing", &MainMenu::pinpointingScreen, 500, false)(b);
             bool warned = false;
             ModalAction<MessageDialog> warning([&](MessageDialog *d) {
                 warned = true;
                 shoot();
                 d->reject();
             });
             QVERIFY(b.tell("bt ttyO2 drop rfcomm"));
             QTRY_VERIFY_WITH_TIMEOUT(warned, 20000);
         }},
        // The favourite key held on the screen: the pop-up confirming the
        // new favourite. It closes itself after a second, a time the
        // picture may need more of: its timer is held while it is taken.
        {"measure1-pinpointing-favourite", "",
         [](PictureBench &b) {
             press(&b.window(), "butPinpointing");
             ModalAction<PopupInfo> popup([](PopupInfo *p) {
                 auto *closing = p->findChild<QTimer *>();
                 if (!closing || !closing->isActive())
                     fail(QStringLiteral("the pop-up's one-second timer is not running"));
                 else
                     closing->stop();
                 shoot();
                 p->closeDlg();
             });
             b.window().getFavouriteButtonInsance()->storeFavouriteFunction();
             QCOMPARE(popup.count(), 1);
         }},
        // A stored measurement from the browser: five positions in their
        // frequencies' colours, zoomed onto them, the leak at the loudest,
        // the play marker at position 1, the stored side menu.
        {"measure1-pinpointing-stored", colours,
         [](PictureBench &b) { QVERIFY(b.openStored("PP_20260314_091500_Main st", storedPinpointing())); }},
        // Its headphone button opens the headphone dialog.
        {"measure1-pinpointing-stored-headphone", colours,
         [](PictureBench &b) {
             QVERIFY(b.openStored("PP_20260314_091500_Main st", storedPinpointing()));
             lookAtDialog<Headphonesettings>([&] { click(b.window().pinpointingScreen(), "butMenuStoredHeadphone"); });
         }},

        // Level measurement, muted on entry: zeros, the empty spectrum.
        {"measure1-level-empty", "", [](PictureBench &b) { press(&b.window(), "butLevelmeasurement"); }},
        // After listening to the tone: minimum and current level, the
        // frequency, the spectrum's peak.
        {"measure1-level-listening", "", listenedLevel},
        // The same with the peak bar option: both bars carry the max-hold
        // marker.
        {"measure1-level-peakbar", peakBar, listenedLevel},
        // A stored level measurement: its level, frequency, spectrum with
        // the stored filter, the stored side menu.
        {"measure1-level-stored", "",
         [](PictureBench &b) { QVERIFY(b.openStored("LE_20260314_091500_Kerb", storedLevel())); }},
        // The same with the peak bar, which the debug features show: the
        // stored level on both bars.
        {"measure1-level-stored-peakbar", peakBar + "[Debug]\nDebugfeatures=1\n",
         [](PictureBench &b) { QVERIFY(b.openStored("LE_20260314_091500_Kerb", storedLevel())); }},
        // A second visit after a loud first one, with the peak bar option:
        // the filter dialog accepted while muted starts the updates, and
        // the max-hold starts afresh instead of holding the first visit's
        // peaks.
        {"measure1-level-peakbar-revisit", peakBar,
         [](PictureBench &b) {
             toneInNoise(b);
             press(&b.window(), "butLevelmeasurement");
             Levelmeasurement *le = b.window().levelmeasurementScreen();
             listen(b, le, 70.05, 2000);
             muteKey(le);
             click(le, "butMenuMainmenu");
             setSignal(b, "level 40.05");
             press(&b.window(), "butLevelmeasurement");
             ModalAction<Filtersettings> close([](Filtersettings *d) { click(d, "butClose"); });
             click(le, "butMenuFilter");
             QCOMPARE(close.count(), 1);
             auto *bar = le->findChild<ProgressBarMinMaxMarker *>("prgbMinimumLevel");
             QTRY_VERIFY(bar->maxMarker() != -1); // the first update since the dialog
             QVERIFY2(bar->maxMarker() < 400, qPrintable(QString::number(bar->maxMarker())));
         }},

        // The filter dialog over the level measurement, a band drawn on its
        // spectrum with a finger: the corners the codec took in the labels
        // and on the spectrum, the red outline of the band.
        {"measure1-filter-touched", "",
         [](PictureBench &b) {
             press(&b.window(), "butLevelmeasurement");
             lookAtDialog<Filtersettings>([&] { click(b.window().levelmeasurementScreen(), "butMenuFilter"); },
                                          [](Filtersettings *d) { drawBand(d, 60, 150); });
         }},
        // The next arrow press steps from the band drawn.
        {"measure1-filter-arrow", "",
         [](PictureBench &b) {
             press(&b.window(), "butLevelmeasurement");
             lookAtDialog<Filtersettings>([&] { click(b.window().levelmeasurementScreen(), "butMenuFilter"); },
                                          [](Filtersettings *d) {
                                              drawBand(d, 60, 150);
                                              click(d, "butHighCutOffUp");
                                          });
         }},

        // Pipe locating, muted on entry (without the spectrum, as set out of
        // the box): the level in the middle, the filter, no position.
        {"measure1-pipe-empty", "", [](PictureBench &b) { press(&b.window(), "butPipelocating"); }},
        // Listening at position 1.
        {"measure1-pipe-listening", "", listened("butPipelocating", &MainMenu::pipelocatingScreen, 3500, false)},
        // With the spectrum: after listening (muted, so that the spectrum
        // holds still), the tone's peak under the filter's red line.
        {"measure1-pipe-listening-fft", pipeFft,
         listened("butPipelocating", &MainMenu::pipelocatingScreen, 3500, true)},
        // A stored measurement from the browser: six positions in their
        // frequencies' colours with the pipe under the loudest, the stored
        // filter, the stored side menu.
        {"measure1-pipe-stored", colours,
         [](PictureBench &b) { QVERIFY(b.openStored("PL_20260314_091500_Lane", storedPipe())); }},
        // The same with the spectrum option on: the filter labels hidden.
        {"measure1-pipe-stored-fft", colours + "Pipelocating_ShowFft=true\n",
         [](PictureBench &b) { QVERIFY(b.openStored("PL_20260314_091500_Lane", storedPipe())); }},
    };
}

} // namespace

void TestPicturesMeasure1::rows(const QString &screen)
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<Driver>("drive");
    for (const Row &row : table())
        if (row.name.startsWith(QStringLiteral("measure1-") + screen + QLatin1Char('-')))
            QTest::newRow(qPrintable(row.name)) << row.settings << row.drive;
}

// Each row starts its own board: its settings are the row's.
void TestPicturesMeasure1::init()
{
    SKIP_OUTSIDE_THIS_PART();
    QFETCH(QString, settings);
    m_bench.start(settings);
    QVERIFY(m_bench.tell("gps pos 48.125 -11.5"));
}

void TestPicturesMeasure1::cleanup()
{
    m_bench.stop();
    g_debugFeatures = 0; // read from the row's settings
}

void TestPicturesMeasure1::screens()
{
    QFETCH(Driver, drive);
    m_bench.run(drive);
}

SCREEN_PICTURE_MAIN(TestPicturesMeasure1)
#include "tst_pictures_measure1.moc"
