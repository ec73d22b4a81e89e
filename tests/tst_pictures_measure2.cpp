// What the long-term, hydrogen and pressure screens show, compared picture
// for picture with references (tests/pictures): each screen empty, measuring
// a known signal or reading, and its stored view or its re-entry. The trend
// charts' axes, ticks and labels are part of every picture.
#include "bluetooth.h"
#include "debugmenu.h"
#include "h2sensor.h"
#include "longtermmeasurement.h"
#include "mainmenu.h"
#include "modalaction.h"
#include "picturebench.h"
#include "pressuresensor.h"
#include "statusbardata.h"
#include "testpart.h"

#include <QLabel>
#include <QStackedWidget>
#include <QStyle>
#include <QtTest>

#include <cmath>

using namespace ScreenSteps;
using Driver = PictureBench::Driver;

namespace {

// "v; v; ..." of a curve with the shape of a day's noise: a slow rise, a
// dip and a plateau, in the range lo .. hi.
QByteArray curve(int count, double lo, double hi, const char *separator)
{
    QByteArray text;
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / count;
        const double shape = 0.5 + 0.35 * std::sin(6.0 * t) - 0.25 * std::exp(-std::pow((t - 0.6) * 12.0, 2.0));
        text += QByteArray::number(lo + (hi - lo) * shape, 'f', 1) + separator;
    }
    return text;
}

// ---------------------------------------------------------------------------
// Long-term measurement

void enterLongterm(PictureBench &b)
{
    QVERIFY(b.waitFor(PictureBench::Wait::LinkAndFix));
    press(&b.window(), "butLongtermmeasurement");
    QVERIFY(b.window().longtermScreen() && b.window().longtermScreen()->isVisible());
}

// Listening to a 1 kHz tone whose level steps at each sample, from the
// samples' own clock (the screen's 1.3 s timer), then silence: the display
// keeps the last sample while the screen still listens.
void longtermListening(PictureBench &b)
{
    const double levels[] = {40.3, 40.3, 46.3, 52.3, 52.3, 47.3, 44.3, 44.3};
    const int count = int(sizeof(levels) / sizeof(levels[0]));
    QVERIFY(b.tell("signal tone 1000 0.1"));
    QVERIFY(b.tell(QStringLiteral("signal level %1").arg(levels[0])));
    enterLongterm(b);
    if (QTest::currentTestFailed())
        return;
    Longtermmeasurement *lt = b.window().longtermScreen();
    // Connected after the screen: the sample of this tick is taken.
    const QMetaObject::Connection next = QObject::connect(lt->updateTimer(), &QTimer::timeout, [&] {
        const int n = lt->dataCount();
        b.board().send(n < count ? QStringLiteral("signal level %1").arg(levels[n]) : QStringLiteral("signal silence"));
    });
    muteKey(lt);
    QTRY_COMPARE_WITH_TIMEOUT(lt->dataCount(), count, count * 1300 + 10000);
    QObject::disconnect(next);
    QVERIFY(!lt->isMuted());
    for (int i = 0; i < count; ++i)
        QVERIFY2(qAbs(lt->recordedData()[i] - levels[i]) < 0.2, qPrintable(QString::number(lt->recordedData()[i])));
}

void longtermStored(PictureBench &b)
{
    QVERIFY(b.waitFor(PictureBench::Wait::LinkAndFix));
    QVERIFY(b.openStored("LT_20260314_081500_Night",
                         "[Measurementinfo]\nMeasurementtype=Longterm\nMeasurementname=Night\n"
                         "[Filter]\nFiltertype=Bandpass\nLowCutOff-Frequency=200\nHighCutOff-Frequency=1800\n"
                         "[Levels_CSV]\nLevels_Cnt=450\nLevels_Data=\"" + curve(450, 20, 80, ";")
                             + "\"\nSelectedTime=1\nMaxVisibleData=600\n"));
    QVERIFY(b.window().longtermScreen()->findChild<QWidget *>("storedPage")->isVisible());
}

// ---------------------------------------------------------------------------
// Hydrogen

// The raw reading of a level 0 .. 1000.
QString rawFor(int level)
{
    return QString::number(int(level * 4.096) + 1);
}

// The hydrogen sensor on the unit, warmed up long enough that the dial's
// hand stands still at the top, reading 100; the screen entered from the
// main page has taken that reading as its zero.
void enterHydrogen(PictureBench &b)
{
    QVERIFY(b.tell("unit sensor 3"));
    QVERIFY(b.tell("unit value " + rawFor(100)));
    QVERIFY(b.waitFor(PictureBench::Wait::LinkAndFix));
    // The link's coming up starts the unit's active time anew.
    QVERIFY(b.tell("unit active 1000"));
    QTRY_COMPARE_WITH_TIMEOUT(StatusbarData()->sensorType(), 3, 5000);
    press(&b.window(), "butH2Sensor");
    H2Sensor *h2 = b.window().h2sensorScreen();
    QVERIFY(h2 && h2->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(h2->levels().reference, 100, 8000);
}

void hydrogenEmpty(PictureBench &b)
{
    enterHydrogen(b);
    QVERIFY(b.window().h2sensorScreen()->isMuted());
}

// Listening while the unit answers no poll: the replies are the test's own,
// a rise from the zero to 250 and a fall to 180 (display 150 .. 80).
void hydrogenMeasuring(PictureBench &b)
{
    enterHydrogen(b);
    if (QTest::currentTestFailed())
        return;
    H2Sensor *h2 = b.window().h2sensorScreen();
    const QString poll = QStringLiteral("BT_TX S");
    const int mark = b.board().unitLines().size();
    QVERIFY(b.tell("unit ignore S"));
    // A poll after the command goes unanswered: any earlier reply is in.
    QTRY_VERIFY_WITH_TIMEOUT(b.board().unitLines().mid(mark + 1).contains(poll), 8000);
    int handled = 0;
    Bluetooth *link = b.window().getBtSinkInstance();
    const QMetaObject::Connection count =
        QObject::connect(link, &Bluetooth::btSensorvalueReceived, [&handled] { ++handled; });
    muteKey(h2);
    QVERIFY(!h2->isMuted());
    QList<int> levels;
    for (int i = 0; i < 60; ++i)
        levels << 100 + 150 * i / 59;
    for (int i = 1; i <= 40; ++i)
        levels << 250 - 70 * i / 40;
    for (int level : levels)
        QVERIFY(b.tell(QStringLiteral("bt ttyO2 send BT_RX SENSVAL %1 1000").arg(rawFor(level))));
    QTRY_COMPARE_WITH_TIMEOUT(handled, levels.size(), 20000);
    QObject::disconnect(count);
    QCOMPARE(h2->levels().displayLevel, 80);
    // The number flickers by one at each reply (it shows the screen alive):
    // its last digit alone is left out of the picture, and read here.
    auto *number = h2->findChild<QLabel *>("labelLevel");
    QVERIFY2(number->text() == "80" || number->text() == "81", qPrintable(number->text()));
    const QFontMetrics metrics(number->font());
    const QRect text = QStyle::alignedRect(Qt::LeftToRight, number->alignment(),
                                           QSize(metrics.horizontalAdvance(number->text()), metrics.height()),
                                           number->contentsRect());
    const int digit = metrics.horizontalAdvance(number->text().right(1));
    b.mask(QRect(number->mapTo(&b.window(), QPoint(text.right() - digit - 1, text.top())),
                 QSize(digit + 3, text.height())));
}

void hydrogenStored(PictureBench &b)
{
    QVERIFY(b.waitFor(PictureBench::Wait::LinkAndFix));
    QVERIFY(b.openStored("H2_20260314_081500_Valve",
                         "[Measurementinfo]\nMeasurementtype=H2-Sensor\nMeasurementname=Valve\n"
                         "[Levels_CSV]\nLevels_Cnt=240\nLevels_Data=\"" + curve(240, 10, 180, "; ")
                             + "\"\nH2-ReferenceLevel=120\nH2-MaxRange=200\n"));
    QCOMPARE(b.window().h2sensorScreen()->storedValuesCount(), 240);
}

// ---------------------------------------------------------------------------
// Pressure

// The screen through the debug menu, as a service technician reaches it.
void enterPressure(PictureBench &b)
{
    ModalAction<DebugMenu> menu([](DebugMenu *m) { click(m, "but11"); });
    b.window().showWidget(101);
    QCOMPARE(menu.count(), 1);
    QVERIFY(b.window().pressureSensorScreen() && b.window().pressureSensorScreen()->isVisible());
}

// Five seconds of 7.5 bar with the sensor's noise (the simulator's noise is
// the same sequence in every run), muted at the fifth packet, shown on the
// 10 s span.
void pressureMeasurement(PictureBench &b)
{
    QVERIFY(b.tell("pressure noise 0.6"));
    QVERIFY(b.tell("pressure set 7.5"));
    QVERIFY(b.waitFor(PictureBench::Wait::LinkAndFix));
    enterPressure(b);
    if (QTest::currentTestFailed())
        return;
    PressureSensor *ps = b.window().pressureSensorScreen();
    // Connected after the screen: the packet is in the window.
    const QMetaObject::Connection mute =
        QObject::connect(b.window().getBtSinkInstance(), &Bluetooth::btPressuredataReceived, [ps] {
            if (!ps->isMuted() && ps->intake().count() >= 500)
                muteKey(ps);
        });
    muteKey(ps);
    QTRY_VERIFY_WITH_TIMEOUT(ps->isMuted() && ps->intake().count() > 0, 20000);
    QObject::disconnect(mute);
    QCOMPARE(ps->intake().count(), 500);
    for (int i = 0; i < 2; ++i)
        click(ps, "butMenuScaleX");
}

// The analysis view on a page of 5 s: its own side menu, the page's
// statistics with the deviation.
void pressureAnalysis(PictureBench &b)
{
    pressureMeasurement(b);
    if (QTest::currentTestFailed())
        return;
    PressureSensor *ps = b.window().pressureSensorScreen();
    click(ps, "butMenuAnalyse");
    click(ps, "butMenuAnalyseScaleX");
    QCOMPARE(ps->analyseDataEnd(), 500);
}

// Home, and the screen again: placeholders and an empty diagram.
void pressureReentered(PictureBench &b)
{
    pressureMeasurement(b);
    if (QTest::currentTestFailed())
        return;
    click(b.window().pressureSensorScreen(), "butMenuHome");
    QTRY_COMPARE(b.window().findChild<QStackedWidget *>("mainWidget")->currentWidget()->objectName(),
                 QStringLiteral("mainPage"));
    enterPressure(b);
}

} // namespace

class TestPicturesMeasure2 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void longterm_data();
    void longterm() { screen(); }
    void hydrogen_data();
    void hydrogen() { screen(); }
    void pressure_data();
    void pressure() { screen(); }

private:
    void screen();

    PictureBench m_bench;
};

void TestPicturesMeasure2::init()
{
    SKIP_OUTSIDE_THIS_PART();
    m_bench.start();
}

void TestPicturesMeasure2::cleanup()
{
    m_bench.stop();
    StatusbarData()->update(); // no wired sensor for the next row
}

void TestPicturesMeasure2::longterm_data()
{
    QTest::addColumn<Driver>("drive");
    QTest::newRow("measure2-longterm-empty") << Driver(enterLongterm);
    // The side menu's page behind the wrench.
    QTest::newRow("measure2-longterm-wrench") << Driver([](PictureBench &b) {
        enterLongterm(b);
        press(b.window().longtermScreen(), "butMenuSettings");
    });
    QTest::newRow("measure2-longterm-listening") << Driver(longtermListening);
    QTest::newRow("measure2-longterm-stored") << Driver(longtermStored);
}

void TestPicturesMeasure2::hydrogen_data()
{
    QTest::addColumn<Driver>("drive");
    QTest::newRow("measure2-hydrogen-empty") << Driver(hydrogenEmpty);
    QTest::newRow("measure2-hydrogen-measuring") << Driver(hydrogenMeasuring);
    QTest::newRow("measure2-hydrogen-stored") << Driver(hydrogenStored);
}

void TestPicturesMeasure2::pressure_data()
{
    QTest::addColumn<Driver>("drive");
    QTest::newRow("measure2-pressure-measurement") << Driver(pressureMeasurement);
    QTest::newRow("measure2-pressure-analysis") << Driver(pressureAnalysis);
    QTest::newRow("measure2-pressure-reentered") << Driver(pressureReentered);
}

void TestPicturesMeasure2::screen()
{
    QFETCH(Driver, drive);
    // The drivers wait for the link themselves, once the unit is set up.
    m_bench.run(drive, PictureBench::Wait::Nothing);
}

SCREEN_PICTURE_MAIN(TestPicturesMeasure2)
#include "tst_pictures_measure2.moc"
