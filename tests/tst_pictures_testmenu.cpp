// What the production test menu and its tests show, compared picture for
// picture with references (tests/pictures/testmenu-*): the menu's pages and
// each test's page as it opens and after the station's commands have run
// it, on the simulated board with fixed readings (battery, converter, GPS
// position and time, the tone of the audio tests).
#include "eventhandler.h"
#include "formwidgets.h"
#include "globals.h"
#include "mainmenu.h"
#include "picturebench.h"
#include "simboard.h"
#include "station.h"
#include "testmenu.h"
#include "testmenuaudio.h"
#include "testmenuaudioloopback.h"
#include "testmenubattery.h"
#include "testmenudisplay.h"
#include "testmenuflashupdate.h"
#include "testmenugps.h"
#include "testmenuinitbluetooth.h"
#include "testmenukeyboard.h"
#include "testmenuled.h"
#include "testmenusdcard.h"
#include "testmenuselftest.h"
#include "testmenusensordetection.h"
#include "testmenuuartusbswitch.h"
#include "testmenuusb.h"
#include "testpart.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include <functional>
#include <memory>

using namespace ScreenSteps;

namespace {

// A row's driver works with the board and the main window the tests reach
// the modules and the receiver through, and with the station.
using Driver = std::function<void(PictureBench &, Station &)>;
struct Row {
    const char *screen;
    int part;
    Driver drive;
};

// The screen's picture "testmenu-<screen>-<state>"; the row is the screen's.
void picture(const char *state, const QVector<QRect> &masks = {})
{
    shoot(QStringLiteral("testmenu-%1-%2").arg(QLatin1String(QTest::currentDataTag()), QLatin1String(state)), 3000,
          masks);
}

// A test as the menu opens it: shown on top of the window, the active one.
template <class T> std::unique_ptr<T> open(PictureBench &b)
{
    auto test = std::make_unique<T>(&b.window());
    test->show();
    if (!QTest::qWaitForWindowActive(test.get()))
        qWarning() << "the test's window did not become active";
    return test;
}

// A key as the keypad driver delivers it, through the application's filter.
void key(QWidget *test, QEvent::Type type, int code)
{
    QWidget *target = test->focusWidget() ? test->focusWidget() : test;
    QKeyEvent event(type, code, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void pressAndRelease(QWidget *test, int code)
{
    key(test, QEvent::KeyPress, code);
    key(test, QEvent::KeyRelease, code);
}

// A station command the test takes up ("staActive"), after the simulator
// commands `before`; the button `press` touched after it, where one is
// named; and the state the picture shows then.
struct Step {
    QStringList before;
    const char *command;
    const char *state;
    const char *press = nullptr;
};

// The rows of one shape: the simulator set up with `setup`, the test opened
// and pictured in its state `opened`, then each step and its picture.
template <class T> Driver walk(const QStringList &setup, const char *opened, const QList<Step> &steps)
{
    return [=](PictureBench &b, Station &station) {
        for (const QString &command : setup)
            QVERIFY(b.tell(command));
        auto test = open<T>(b);
        picture(opened);
        for (const Step &step : steps) {
            for (const QString &command : step.before)
                QVERIFY(b.tell(command));
            QCOMPARE(station.send(step.command), QStringLiteral("staActive"));
            if (step.press)
                press(test.get(), step.press);
            picture(step.state);
        }
    };
}

const QList<Row> &rows()
{
    static const QList<Row> all = {
        {"menu", 1,
         [](PictureBench &b, Station &) {
             auto menu = open<TestMenu>(b);
             picture("page1");
             press(menu.get(), "butDown");
             picture("page2");
             press(menu.get(), "butDown");
             picture("page3");
         }},
        {"keyboard", 1,
         [](PictureBench &b, Station &station) {
             auto test = open<TestmenuKeyboard>(b);
             // The raw keys come with the test's first refresh.
             QTRY_VERIFY(g_hardwareTestActive);
             picture("open");
             // UP and FAV seen pressed and released: green, "OK".
             pressAndRelease(test.get(), Qt::Key_F3);
             pressAndRelease(test.get(), Qt::Key_F2);
             picture("two-keys");
             for (int code : {Qt::Key_F1, Qt::Key_F4, Qt::Key_F5, Qt::Key_F6})
                 pressAndRelease(test.get(), code);
             picture("all-keys");
             QCOMPARE(station.send("cmdPass"), QStringLiteral("resPassed"));
         }},
        {"led", 1, walk<TestmenuLed>({}, "open", {{{}, "cmdLedIoOn", "switched"}})},
        {"uartusbswitch", 1, walk<TestmenuUartUsbSwitch>({}, "usb", {{{}, "cmdUartUsbSwitchUart", "uart"}})},
        {"sdcard", 1, walk<TestmenuSdcard>({}, "open", {{{}, "cmdSdcardPartition", "partitions"}})},
        // The listing's times are those of the card's clock.
        {"flashupdate", 1,
         walk<TestMenuFlashUpdate>({"sdcard clock 2026-03-14T09:26:53"}, "open",
                                   {{{}, "cmdGenerateFlashUpdateFile", "generated"}})},
        // First the partition in use: nothing lent, the test says why.
        {"usb", 1,
         walk<TestmenuUsb>({}, "open",
                           {{{"usb umount busy"}, "cmdUsbConnect", "in-use"},
                            {{"usb umount ok"}, "cmdUsbConnect", "lent"},
                            {{}, "cmdUsbDisconnect", "taken-back"}})},
        {"sensordetection", 1,
         walk<TestmenuSensordetection>({"adc2 1234", "gpio 48 0"}, "no-sensor",
                                       {{{"adc2 2000", "gpio 48 1"}, "cmdSensordetectionRead", "sensor"}})},
        {"battery", 1,
         walk<TestmenuBattery>({"battery 87 3800", "temp 235", "current 12500", "supplystatus Discharging"},
                               "discharging",
                               {{{"charging 1", "battery 50 3700"}, "cmdBatteryRead", "charging-usb", "butUartUsb"}})},
        {"display", 2,
         [](PictureBench &b, Station &station) {
             auto test = open<TestmenuDisplay>(b);
             picture("preview");
             // Each pattern stands for 5 s; the picture is taken within them.
             QCOMPARE(station.send("cmdDisplayGrid"), QStringLiteral("staActive"));
             picture("grid");
             // Back to the preview (its buttons with it), now with Pass.
             QTRY_VERIFY_WITH_TIMEOUT(child(test.get(), "butGrid")->isVisible(), 15000);
             picture("preview-judged");
             QCOMPARE(station.send("cmdDisplayColor"), QStringLiteral("staActive"));
             picture("colours");
             QTRY_VERIFY_WITH_TIMEOUT(child(test.get(), "butGrid")->isVisible(), 15000);
             QCOMPARE(station.send("cmdDisplayGradient"), QStringLiteral("staActive"));
             picture("gradient");
             QCOMPARE(station.send("cmdPass"), QStringLiteral("resPassed"));
         }},
        {"gps", 2,
         [](PictureBench &b, Station &) {
             // The receiver sends one fixed RMC sentence from the start
             // (init()).
             auto test = open<TestmenuGps>(b);
             QTRY_VERIFY_WITH_TIMEOUT(child(test.get(), "butPass")->isVisible(), 10000);
             auto *latitude = test->findChild<QLineEdit *>(QStringLiteral("lineEditLatitude"));
             QVERIFY(latitude);
             QTRY_COMPARE_WITH_TIMEOUT(latitude->text(), QStringLiteral("52.520008"), 15000);
             picture("fix");
         }},
        {"selftest", 2,
         [](PictureBench &b, Station &station) {
             auto test = open<TestmenuSelftest>(b);
             picture("open");
             // The headphone-side module silent: its check fails, no Pass.
             QVERIFY(b.tell("bt ttyO3 silent 1"));
             QCOMPARE(station.send("cmdSelftestStart"), QStringLiteral("staActive"));
             QTRY_COMPARE_WITH_TIMEOUT(labelText(test.get(), "labelStateGps"), QStringLiteral("OK"), 15000);
             picture("bt-out-failed");
             QVERIFY(b.tell("bt ttyO3 silent 0"));
             QCOMPARE(station.send("cmdSelftestStart"), QStringLiteral("staActive"));
             QTRY_VERIFY_WITH_TIMEOUT(child(test.get(), "butPass")->isVisible(), 15000);
             picture("passed");
         }},
        {"initbluetooth", 3,
         [](PictureBench &b, Station &station) {
             auto test = open<TestmenuInitBluetooth>(b);
             picture("open");
             QCOMPARE(station.send("cmdBluetoothInitSink"), QStringLiteral("staActive"));
             QCOMPARE(station.send("cmdBluetoothInitSource"), QStringLiteral("staActive"));
             QTRY_COMPARE_WITH_TIMEOUT(labelText(test.get(), "labelInfoSink"), QStringLiteral("Finished. OK."), 15000);
             QTRY_COMPARE_WITH_TIMEOUT(labelText(test.get(), "labelInfoSource"), QStringLiteral("Finished. OK."),
                                       15000);
             picture("initialised");
             // The sink module silent: its listing never comes.
             QVERIFY(b.tell("bt ttyO2 silent 1"));
             QCOMPARE(station.send("cmdBluetoothInitSink"), QStringLiteral("staActive"));
             QTRY_COMPARE_WITH_TIMEOUT(labelText(test.get(), "labelInfoSink"), QStringLiteral("Error!"), 15000);
             picture("sink-failed");
         }},
        {"audio", 3,
         [](PictureBench &b, Station &station) {
             QVERIFY(b.root().write("/home/root/testBtIdMic", QByteArray(SimBoard::kUnitAddress) + '\n'));
             QVERIFY(b.root().write("/home/root/testBtIdHp", SimBoard::kHeadphoneAddress));
             for (const QString &c :
                  {QStringLiteral("inquiry add %1 280404 Reference microphone").arg(SimBoard::kUnitAddress),
                   QStringLiteral("inquiry add %1 240404 Reference headphone").arg(SimBoard::kHeadphoneAddress),
                   QStringLiteral("signal tone 400 0.1")})
                 QVERIFY(b.tell(c));
             auto test = open<TestmenuAudio>(b);
             picture("open");
             QCOMPARE(station.send("cmdAudioStartConnection"), QStringLiteral("staActive"));
             QTRY_COMPARE_WITH_TIMEOUT(labelText(test.get(), "labelStatusSink"),
                                       QStringLiteral("Call active to microphone"), 20000);
             QTRY_COMPARE_WITH_TIMEOUT(labelText(test.get(), "labelStatusSource"),
                                       QStringLiteral("Call active to headphone"), 20000);
             QTRY_VERIFY(labelText(test.get(), "labelValCh1").endsWith("Hz"));
             picture("calls-ch1");
             // CH 2: the unit's sensor value; muted by touch.
             QVERIFY(b.tell("unit value 12"));
             QCOMPARE(station.send("cmdAudioSelCh2"), QStringLiteral("staActive"));
             QTRY_COMPARE(labelText(test.get(), "labelValCh2"), QStringLiteral("12"));
             press(test.get(), "butMute");
             picture("ch2-muted");
             QCOMPARE(station.send("cmdPass"), QStringLiteral("resPassed"));
         }},
        {"audioloopback", 3,
         [](PictureBench &b, Station &station) {
             // 53 periods in the 1024-sample analysis block, in a noise
             // that repeats with the block: every block is the same sound,
             // rotated, and its level the same to all the digits shown.
             for (const char *command : {"signal tone 396.982421875 0.1", "signal noise 0.001", "signal repeat 1024",
                                         "signal level 82"})
                 QVERIFY(b.tell(command));
             auto test = open<TestMenuAudioLoopback>(b);
             picture("open");
             QCOMPARE(station.send("cmdAudioLoopbackBtLoop"), QStringLiteral("staActive"));
             QTRY_COMPARE_WITH_TIMEOUT(labelText(test.get(), "labelStatus"), QStringLiteral("Connected in Testmode"),
                                       20000);
             QTRY_COMPARE_WITH_TIMEOUT(station.send("cmdAudioLoopbackGetLevelResult"),
                                       QStringLiteral("resAudioLoopbackLevelResult=OK"), 10000);
             // The level to all its digits; its limits are tested with the
             // loop (tst_testbluetooth).
             picture("connected");
             QCOMPARE(station.send("cmdFail"), QStringLiteral("resFailed"));
         }},
    };
    return all;
}

} // namespace

Q_DECLARE_METATYPE(Driver)

class TestPicturesTestmenu : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    // Three parts, each well under a minute.
    void menuAndPlainTests_data() { table(1); }
    void menuAndPlainTests() { run(); }
    void patternsAndChips_data() { table(2); }
    void patternsAndChips() { run(); }
    void audioTests_data() { table(3); }
    void audioTests() { run(); }

private:
    void table(int part);
    void run();

    PictureBench m_bench;
    std::unique_ptr<Station> m_station;
    EventHandler m_filter;
};

void TestPicturesTestmenu::init()
{
    SKIP_OUTSIDE_THIS_PART();
    m_bench.startOutOfTheBox();
    if (QTest::currentTestFailed())
        return;
    m_station = std::make_unique<Station>(m_bench.root().root());
    qApp->installEventFilter(&m_filter);
    // The GPS page's row: one fixed RMC sentence, with its time and
    // position, before the program starts. A fix of the receiver's own,
    // later time read first would keep the fixed one from the position
    // (on a slow machine the program starts late enough to read one).
    if (QTest::currentDataTag() == QLatin1String("gps")) {
        QVERIFY(m_bench.tell("gps pos 52.520008 13.404954"));
        QVERIFY(m_bench.tell("gps time 2026-03-14T08:26:53"));
        QVERIFY(m_bench.tell("gps repeat 1"));
    }
}

void TestPicturesTestmenu::cleanup()
{
    qApp->removeEventFilter(&m_filter);
    m_station.reset();
    m_bench.stop();
}

void TestPicturesTestmenu::table(int part)
{
    QTest::addColumn<Driver>("drive");
    for (const Row &row : rows()) {
        if (row.part == part)
            QTest::newRow(row.screen) << row.drive;
    }
}

void TestPicturesTestmenu::run()
{
    QFETCH(Driver, drive);
    m_bench.run([&](PictureBench &b) { drive(b, *m_station); }, PictureBench::Wait::Nothing);
}

SCREEN_PICTURE_MAIN(TestPicturesTestmenu)
#include "tst_pictures_testmenu.moc"
