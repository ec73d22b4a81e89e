// What the long-term, hydrogen and pressure screens show, compared picture
// for picture with references (tests/pictures): each screen empty, measuring
// a known signal or reading, and its stored view or its re-entry. The trend
// charts' axes, ticks and labels are part of every picture.
#include "bluetooth.h"
#include "debugmenu.h"
#include "h2sensor.h"
#include "longtermmeasurement.h"
#include "mainmenu.h"
#include "measmanagement.h"
#include "modalaction.h"
#include "pairedboard.h"
#include "pressuresensor.h"
#include "screenpicture.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "statusbardata.h"
#include "testpart.h"
#include "testroot.h"

#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QtTest>

#include <cmath>
#include <functional>
#include <memory>

namespace {

const char kMeas[] = "/media/tq3900/meas/";

// What a driver works with; masks collects the fields it cannot fix.
struct Rig {
    MainMenu &w;
    SimBoard &board;
    TestRoot &root;
    QVector<QRect> masks;
};

using Driver = std::function<void(Rig &)>;

void key(QWidget *to)
{
    QTest::keyPress(to, Qt::Key_F10);
    QTest::keyRelease(to, Qt::Key_F10);
}

// Opens a measurement folder from the browser, as its list does.
void openStored(MainMenu &w, const QString &folder)
{
    w.displayWidget(7, 1, 0);
    QVERIFY(w.getInstanceMeasManagement()->openMeasurement(folder));
}

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

void enterLongterm(Rig &r)
{
    QVERIFY(waitForSinkDataMode(*r.w.getBtSinkInstance(), r.board, r.root));
    QTest::mouseClick(r.w.findChild<QPushButton *>("butLongtermmeasurement"), Qt::LeftButton);
    QVERIFY(r.w.longtermScreen() && r.w.longtermScreen()->isVisible());
}

// Listening to a 1 kHz tone whose level steps at each sample, from the
// samples' own clock (the screen's 1.3 s timer), then silence: the display
// keeps the last sample while the screen still listens.
void longtermListening(Rig &r)
{
    const double levels[] = {40.3, 40.3, 46.3, 52.3, 52.3, 47.3, 44.3, 44.3};
    const int count = int(sizeof(levels) / sizeof(levels[0]));
    QCOMPARE(r.board.send("signal tone 1000 0.1"), QStringLiteral("ok"));
    QCOMPARE(r.board.send(QStringLiteral("signal level %1").arg(levels[0])), QStringLiteral("ok"));
    enterLongterm(r);
    if (QTest::currentTestFailed())
        return;
    Longtermmeasurement *lt = r.w.longtermScreen();
    // Connected after the screen: the sample of this tick is taken.
    const QMetaObject::Connection next = QObject::connect(lt->updateTimer(), &QTimer::timeout, [&] {
        const int n = lt->dataCount();
        r.board.send(n < count ? QStringLiteral("signal level %1").arg(levels[n]) : QStringLiteral("signal silence"));
    });
    key(lt);
    QTRY_COMPARE_WITH_TIMEOUT(lt->dataCount(), count, count * 1300 + 10000);
    QObject::disconnect(next);
    QVERIFY(!lt->isMuted());
    for (int i = 0; i < count; ++i)
        QVERIFY2(qAbs(lt->recordedData()[i] - levels[i]) < 0.2, qPrintable(QString::number(lt->recordedData()[i])));
}

void longtermStored(Rig &r)
{
    const QString folder = QStringLiteral("LT_20260314_081500_Night");
    QVERIFY(r.root.write(QString(kMeas) + folder + "/info.ini",
                         "[Measurementinfo]\nMeasurementtype=Longterm\nMeasurementname=Night\n"
                         "[Filter]\nFiltertype=Bandpass\nLowCutOff-Frequency=200\nHighCutOff-Frequency=1800\n"
                         "[Levels_CSV]\nLevels_Cnt=450\nLevels_Data=\"" + curve(450, 20, 80, ";")
                             + "\"\nSelectedTime=1\nMaxVisibleData=600\n"));
    QVERIFY(waitForSinkDataMode(*r.w.getBtSinkInstance(), r.board, r.root));
    openStored(r.w, folder);
    QVERIFY(r.w.longtermScreen()->findChild<QWidget *>("storedPage")->isVisible());
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
void enterHydrogen(Rig &r)
{
    QCOMPARE(r.board.send("unit sensor 3"), QStringLiteral("ok"));
    QCOMPARE(r.board.send("unit value " + rawFor(100)), QStringLiteral("ok"));
    QVERIFY(waitForSinkDataMode(*r.w.getBtSinkInstance(), r.board, r.root));
    // The link's coming up starts the unit's active time anew.
    QCOMPARE(r.board.send("unit active 1000"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(StatusbarData()->sensorType(), 3, 5000);
    QTest::mouseClick(r.w.findChild<QPushButton *>("butH2Sensor"), Qt::LeftButton);
    H2Sensor *h2 = r.w.h2sensorScreen();
    QVERIFY(h2 && h2->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(h2->levels().reference, 100, 8000);
}

void hydrogenEmpty(Rig &r)
{
    enterHydrogen(r);
    QVERIFY(r.w.h2sensorScreen()->isMuted());
}

// Listening while the unit answers no poll: the replies are the test's own,
// a rise from the zero to 250 and a fall to 180 (display 150 .. 80).
void hydrogenMeasuring(Rig &r)
{
    enterHydrogen(r);
    if (QTest::currentTestFailed())
        return;
    H2Sensor *h2 = r.w.h2sensorScreen();
    const QString poll = QStringLiteral("BT_TX S");
    const int mark = r.board.unitLines().size();
    QCOMPARE(r.board.send("unit ignore S"), QStringLiteral("ok"));
    // A poll after the command goes unanswered: any earlier reply is in.
    QTRY_VERIFY_WITH_TIMEOUT(r.board.unitLines().mid(mark + 1).contains(poll), 8000);
    int handled = 0;
    const QMetaObject::Connection count = QObject::connect(r.w.getBtSinkInstance(), &Bluetooth::btSensorvalueReceived,
                                                           [&handled] { ++handled; });
    key(h2);
    QVERIFY(!h2->isMuted());
    QList<int> levels;
    for (int i = 0; i < 60; ++i)
        levels << 100 + 150 * i / 59;
    for (int i = 1; i <= 40; ++i)
        levels << 250 - 70 * i / 40;
    for (int level : levels)
        QCOMPARE(r.board.send(QStringLiteral("bt ttyO2 send BT_RX SENSVAL %1 1000").arg(rawFor(level))),
                 QStringLiteral("ok"));
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
    r.masks << QRect(number->mapTo(&r.w, QPoint(text.right() - digit - 1, text.top())),
                     QSize(digit + 3, text.height()));
}

void hydrogenStored(Rig &r)
{
    const QString folder = QStringLiteral("H2_20260314_081500_Valve");
    QVERIFY(r.root.write(QString(kMeas) + folder + "/info.ini",
                         "[Measurementinfo]\nMeasurementtype=H2-Sensor\nMeasurementname=Valve\n"
                         "[Levels_CSV]\nLevels_Cnt=240\nLevels_Data=\"" + curve(240, 10, 180, "; ")
                             + "\"\nH2-ReferenceLevel=120\nH2-MaxRange=200\n"));
    QVERIFY(waitForSinkDataMode(*r.w.getBtSinkInstance(), r.board, r.root));
    openStored(r.w, folder);
    QCOMPARE(r.w.h2sensorScreen()->storedValuesCount(), 240);
}

// ---------------------------------------------------------------------------
// Pressure

// The screen through the debug menu, as a service technician reaches it.
void enterPressure(Rig &r)
{
    ModalAction<DebugMenu> menu([](DebugMenu *m) { m->findChild<QPushButton *>("but11")->click(); });
    r.w.showWidget(101);
    QCOMPARE(menu.count(), 1);
    QVERIFY(r.w.pressureSensorScreen() && r.w.pressureSensorScreen()->isVisible());
}

// Five seconds of 7.5 bar with the sensor's noise (the simulator's noise is
// the same sequence in every run), muted at the fifth packet, shown on the
// 10 s span.
void pressureMeasurement(Rig &r)
{
    QCOMPARE(r.board.send("pressure noise 0.6"), QStringLiteral("ok"));
    QCOMPARE(r.board.send("pressure set 7.5"), QStringLiteral("ok"));
    QVERIFY(waitForSinkDataMode(*r.w.getBtSinkInstance(), r.board, r.root));
    enterPressure(r);
    if (QTest::currentTestFailed())
        return;
    PressureSensor *ps = r.w.pressureSensorScreen();
    // Connected after the screen: the packet is in the window.
    const QMetaObject::Connection mute = QObject::connect(r.w.getBtSinkInstance(), &Bluetooth::btPressuredataReceived,
                                                          [ps] {
                                                              if (!ps->isMuted() && ps->intake().count() >= 500)
                                                                  key(ps);
                                                          });
    key(ps);
    QTRY_VERIFY_WITH_TIMEOUT(ps->isMuted() && ps->intake().count() > 0, 20000);
    QObject::disconnect(mute);
    QCOMPARE(ps->intake().count(), 500);
    for (int i = 0; i < 2; ++i)
        ps->findChild<QPushButton *>("butMenuScaleX")->click();
}

// The analysis view on a page of 5 s: its own side menu, the page's
// statistics with the deviation.
void pressureAnalysis(Rig &r)
{
    pressureMeasurement(r);
    if (QTest::currentTestFailed())
        return;
    PressureSensor *ps = r.w.pressureSensorScreen();
    ps->findChild<QPushButton *>("butMenuAnalyse")->click();
    ps->findChild<QPushButton *>("butMenuAnalyseScaleX")->click();
    QCOMPARE(ps->analyseDataEnd(), 500);
}

// Home, and the screen again: placeholders and an empty diagram.
void pressureReentered(Rig &r)
{
    pressureMeasurement(r);
    if (QTest::currentTestFailed())
        return;
    r.w.pressureSensorScreen()->findChild<QPushButton *>("butMenuHome")->click();
    QTRY_COMPARE(r.w.findChild<QStackedWidget *>("mainWidget")->currentWidget()->objectName(),
                 QStringLiteral("mainPage"));
    enterPressure(r);
}

} // namespace

Q_DECLARE_METATYPE(Driver)

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

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

void TestPicturesMeasure2::init()
{
    SKIP_OUTSIDE_THIS_PART();
    ScreenPicture::steady();
    startPairedBoard(&m_root, &m_board);
}

void TestPicturesMeasure2::cleanup()
{
    m_board.reset();
    m_root.reset();
    StatusbarData()->update(); // no wired sensor for the next row
    ScreenPicture::release();
}

void TestPicturesMeasure2::longterm_data()
{
    QTest::addColumn<Driver>("drive");
    QTest::newRow("measure2-longterm-empty") << Driver(enterLongterm);
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
    MainMenu w;
    w.show();
    Rig rig{w, *m_board, *m_root, {}};
    drive(rig);
    if (QTest::currentTestFailed())
        return;
    COMPARE_SCREEN(QString::fromLatin1(QTest::currentDataTag()), 3000, rig.masks);
}

SCREEN_PICTURE_MAIN(TestPicturesMeasure2)
#include "tst_pictures_measure2.moc"
