// What the acoustic measurement screens show, compared picture for picture
// with references (tests/pictures/measure1-*.png): pinpointing, level
// measurement and pipe locating empty, while listening to a known tone, after
// positions and as a stored measurement with its own side menu; the filter
// dialog with a band drawn by touch; the headphone dialog of the stored
// pinpointing view. Stored views are opened from the browser on info.ini
// files written here, so their values are the same on every run.
#include "filtersettings.h"
#include "freqspectrum.h"
#include "gps.h"
#include "headphonesettings.h"
#include "levelmeasurement.h"
#include "mainmenu.h"
#include "measmanagement.h"
#include "modalaction.h"
#include "pairedboard.h"
#include "pinpointing.h"
#include "pipelocating.h"
#include "progressbarminmaxmarker.h"
#include "screenpicture.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "testpart.h"
#include "testroot.h"

#include <QPushButton>
#include <QWindow>
#include <QtTest>

#include <cmath>
#include <functional>
#include <memory>

namespace {

const char kMeas[] = "/media/tq3900/meas/";

// What a driver works with: the window on the simulated board.
struct Bench
{
    MainMenu &w;
    SimBoard &board;
    TestRoot &root;
    QString name;         // the row's reference
    bool compared = false; // the driver compared a dialog itself

    void signal(const QString &command) { QCOMPARE(board.send(QStringLiteral("signal ") + command), QStringLiteral("ok")); }
    void key(QWidget *page)
    {
        QTest::keyPress(page, Qt::Key_F10);
        QTest::keyRelease(page, Qt::Key_F10);
    }
    void click(QWidget *screen, const char *button) { screen->findChild<QPushButton *>(button)->click(); }
    void open(const char *mainButton)
    {
        QTest::mouseClick(w.findChild<QPushButton *>(mainButton), Qt::LeftButton);
    }
    // Writes a measurement folder with that info.ini and opens it from the
    // browser, as the user does.
    void openStored(const QString &folder, const QByteArray &info)
    {
        QVERIFY(root.write(kMeas + folder + QStringLiteral("/info.ini"), info));
        w.displayWidget(7, 1, 0);
        QVERIFY(w.getInstanceMeasManagement()->openMeasurement(folder));
    }
    // Opens a dialog of type T with `opener`; while it is open, `act` does
    // what the user does in it, the screen is compared with the row's
    // reference, and the dialog is closed.
    template <class T>
    void dialog(const std::function<void()> &opener, const std::function<void(T *)> &act = {})
    {
        QString mismatch = QStringLiteral("no %1 opened").arg(QLatin1String(T::staticMetaObject.className()));
        ModalAction<T> look([&](T *d) {
            if (act)
                act(d);
            mismatch = QTest::currentTestFailed() ? QStringLiteral("failed inside the dialog") : ScreenPicture::check(name);
            d->reject();
        });
        opener();
        compared = true;
        QVERIFY2(look.count() == 1 && mismatch.isEmpty(), qPrintable(mismatch));
    }
};

using Driver = std::function<void(Bench &)>;

} // namespace

Q_DECLARE_METATYPE(Driver)

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

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

namespace {

struct Row
{
    QString name;     // measure1-<screen>-<state>
    QString settings; // appended to the paired settings.ini
    Driver drive;
    QVector<QRect> masks = {};
};

Pinpointing *pinpointing(Bench &b)
{
    return b.w.pinpointingScreen();
}

// A tone whose period divides the analysis block (64 periods in 1024
// samples at 7670 Hz): every block holds whole periods, so its level is the
// same wherever the block starts.
const char kTone[] = "tone 479.4140625 0.01";

// The rows of a live spectrum (level measurement, pipe locating) under its
// top 15: there lies the converter's quantisation noise, a floor the
// spectrum scales itself to, different in every block. The rows above keep
// the tone's peak, the filter's red line and its corner labels.
const QRect kSpectrumNoise(175, 20, 246, 48);

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
void listen(Bench &b, QWidget *screen, double level, int ms)
{
    b.signal(QStringLiteral("level %1").arg(level));
    QTest::qWait(400); // the converter's buffer holds the new sound only
    b.key(screen);
    QTest::qWait(ms);
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
    // Listening to the tone, muted again so that the spectrum holds still.
    const Driver listenedLevel = [](Bench &b) {
        b.signal(kTone);
        b.open("butLevelmeasurement");
        listen(b, b.w.levelmeasurementScreen(), 50.05, 2500);
        b.key(b.w.levelmeasurementScreen());
    };
    return {
        // Pinpointing, muted on entry: no position, the microphone marker
        // at slot 1.
        {"measure1-pinpointing-empty", "", [](Bench &b) { b.open("butPinpointing"); }},
        // Listening at position 1: its bar, the live bar beside it, the
        // level and the frequency; Delete last hidden.
        {"measure1-pinpointing-listening", "",
         [](Bench &b) {
             b.signal(kTone);
             b.open("butPinpointing");
             listen(b, pinpointing(b), 50.05, 2500);
         }},
        // Three positions heard, muted after the third: the bars on the
        // dynamic scale, the leak marker at the loudest, the next-position
        // marker at slot 4.
        {"measure1-pinpointing-positions", "",
         [](Bench &b) {
             b.signal(kTone);
             b.open("butPinpointing");
             for (double level : {44.05, 56.05, 50.05}) {
                 listen(b, pinpointing(b), level, 1500);
                 b.key(pinpointing(b));
             }
         }},
        // A stored measurement from the browser: five positions in their
        // frequencies' colours, zoomed onto them, the leak at the loudest,
        // the play marker at position 1, the stored side menu.
        {"measure1-pinpointing-stored", colours,
         [](Bench &b) { b.openStored("PP_20260314_091500_Main st", storedPinpointing()); }},
        // Its headphone button opens the headphone dialog.
        {"measure1-pinpointing-stored-headphone", colours,
         [](Bench &b) {
             b.openStored("PP_20260314_091500_Main st", storedPinpointing());
             b.dialog<Headphonesettings>([&] { b.click(pinpointing(b), "butMenuStoredHeadphone"); });
         }},

        // Level measurement, muted on entry: zeros, the empty spectrum.
        {"measure1-level-empty", "", [](Bench &b) { b.open("butLevelmeasurement"); }},
        // After listening to the tone: minimum and current level, the
        // frequency, the spectrum's peak.
        {"measure1-level-listening", "", listenedLevel, {kSpectrumNoise}},
        // The same with the peak bar option: both bars carry the max-hold
        // marker.
        {"measure1-level-peakbar", peakBar, listenedLevel, {kSpectrumNoise}},
        // A stored level measurement: its level, frequency, spectrum with
        // the stored filter, the stored side menu.
        {"measure1-level-stored", "",
         [](Bench &b) { b.openStored("LE_20260314_091500_Kerb", storedLevel()); }},
        // A second visit after a loud first one, with the peak bar option:
        // the filter dialog accepted while muted starts the updates, and
        // the max-hold starts afresh instead of holding the first visit's
        // peaks.
        {"measure1-level-peakbar-revisit", peakBar,
         [](Bench &b) {
             b.signal(kTone);
             b.open("butLevelmeasurement");
             Levelmeasurement *le = b.w.levelmeasurementScreen();
             listen(b, le, 70.05, 2000);
             b.key(le);
             b.click(le, "butMenuMainmenu");
             b.signal("level 40.05");
             b.open("butLevelmeasurement");
             ModalAction<Filtersettings> close([](Filtersettings *d) { d->findChild<QPushButton *>("butClose")->click(); });
             b.click(le, "butMenuFilter");
             QCOMPARE(close.count(), 1);
             auto *bar = le->findChild<ProgressBarMinMaxMarker *>("prgbMinimumLevel");
             QTRY_VERIFY(bar->maxMarker() != -1); // the first update since the dialog
             QVERIFY2(bar->maxMarker() < 400, qPrintable(QString::number(bar->maxMarker())));
         }},

        // The filter dialog over the level measurement, a band drawn on its
        // spectrum with a finger: the corners the codec took in the labels
        // and on the spectrum, the red outline of the band.
        {"measure1-filter-touched", "",
         [](Bench &b) {
             b.open("butLevelmeasurement");
             b.dialog<Filtersettings>([&] { b.click(b.w.levelmeasurementScreen(), "butMenuFilter"); },
                                      [](Filtersettings *d) { drawBand(d, 60, 150); });
         }},
        // The next arrow press steps from the band drawn.
        {"measure1-filter-arrow", "",
         [](Bench &b) {
             b.open("butLevelmeasurement");
             b.dialog<Filtersettings>([&] { b.click(b.w.levelmeasurementScreen(), "butMenuFilter"); },
                                      [](Filtersettings *d) {
                                          drawBand(d, 60, 150);
                                          d->findChild<QPushButton *>("butHighCutOffUp")->click();
                                      });
         }},

        // Pipe locating, muted on entry (without the spectrum, as set out of
        // the box): the level in the middle, the filter, no position.
        {"measure1-pipe-empty", "", [](Bench &b) { b.open("butPipelocating"); }},
        // Listening at position 1.
        {"measure1-pipe-listening", "",
         [](Bench &b) {
             b.signal(kTone);
             b.open("butPipelocating");
             listen(b, b.w.pipelocatingScreen(), 50.05, 3500);
         }},
        // With the spectrum: after listening (muted, so that the spectrum
        // holds still), the tone's peak under the filter's red line.
        {"measure1-pipe-listening-fft", pipeFft,
         [](Bench &b) {
             b.signal(kTone);
             b.open("butPipelocating");
             listen(b, b.w.pipelocatingScreen(), 50.05, 3500);
             b.key(b.w.pipelocatingScreen());
         },
         {kSpectrumNoise}},
        // A stored measurement from the browser: six positions in their
        // frequencies' colours with the pipe under the loudest, the stored
        // filter, the stored side menu.
        {"measure1-pipe-stored", colours,
         [](Bench &b) { b.openStored("PL_20260314_091500_Lane", storedPipe()); }},
        // The same with the spectrum option on: the filter labels hidden.
        {"measure1-pipe-stored-fft", colours + "Pipelocating_ShowFft=true\n",
         [](Bench &b) { b.openStored("PL_20260314_091500_Lane", storedPipe()); }},
    };
}

} // namespace

void TestPicturesMeasure1::rows(const QString &screen)
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<Driver>("drive");
    QTest::addColumn<QVector<QRect>>("masks");
    for (const Row &row : table())
        if (row.name.startsWith(QStringLiteral("measure1-") + screen + QLatin1Char('-')))
            QTest::newRow(qPrintable(row.name)) << row.settings << row.drive << row.masks;
}

void TestPicturesMeasure1::init()
{
    SKIP_OUTSIDE_THIS_PART();
    ScreenPicture::steady();
}

void TestPicturesMeasure1::cleanup()
{
    m_board.reset();
    m_root.reset();
    ScreenPicture::release();
}

void TestPicturesMeasure1::screens()
{
    QFETCH(QString, settings);
    QFETCH(Driver, drive);
    QFETCH(QVector<QRect>, masks);
    startPairedBoard(&m_root, &m_board, settings);
    QCOMPARE(m_board->send("gps pos 48.125 -11.5"), QStringLiteral("ok"));
    MainMenu w;
    w.show();
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    QTRY_VERIFY_WITH_TIMEOUT(w.getGpsInstance()->isGpsDataValid(), 10000);
    Bench bench{w, *m_board, *m_root, QString::fromLatin1(QTest::currentDataTag())};
    drive(bench);
    if (QTest::currentTestFailed() || bench.compared)
        return;
    COMPARE_SCREEN(bench.name, 3000, masks);
}

SCREEN_PICTURE_MAIN(TestPicturesMeasure1)
#include "tst_pictures_measure1.moc"
