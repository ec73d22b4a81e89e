// What the production test menu and its tests show, compared picture for
// picture with references (tests/pictures/testmenu-*): the menu's pages and
// each test's page as it opens and after the station's commands have run
// it, on the simulated board with fixed readings (battery, converter, GPS
// position and time, the tone of the audio tests).
#include "eventhandler.h"
#include "globals.h"
#include "mainmenu.h"
#include "screenpicture.h"
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
#include "testroot.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// What a driver works with: the board, the station and the main window the
// tests reach the modules and the receiver through.
struct Bench {
    TestRoot &root;
    SimBoard &board;
    Station &station;
    MainMenu &window;

    bool tell(const QString &command)
    {
        const QString reply = board.send(command);
        if (reply != QLatin1String("ok"))
            qWarning() << command << "->" << reply;
        return reply == QLatin1String("ok");
    }
};

using Driver = std::function<void(Bench &)>;
struct Row {
    const char *screen;
    int part;
    Driver drive;
};

// The screen's picture "testmenu-<screen>-<state>".
#define PICTURE(screen, state, ...) COMPARE_SCREEN(QStringLiteral("testmenu-" screen "-" state), ##__VA_ARGS__)

// A test as the menu opens it: shown on top of the window, the active one.
template <class T> std::unique_ptr<T> open(Bench &b)
{
    auto test = std::make_unique<T>(&b.window);
    test->show();
    if (!QTest::qWaitForWindowActive(test.get()))
        qWarning() << "the test's window did not become active";
    return test;
}

QPushButton *button(QWidget *w, const char *name)
{
    auto *b = w->findChild<QPushButton *>(QLatin1String(name));
    if (!b)
        qWarning() << "no button" << name;
    return b;
}

QString labelText(QWidget *w, const char *name)
{
    auto *l = w->findChild<QLabel *>(QLatin1String(name));
    return l ? l->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
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

const QList<Row> &rows()
{
    static const QList<Row> all = {
        {"menu", 1,
         [](Bench &b) {
             auto menu = open<TestMenu>(b);
             PICTURE("menu", "page1");
             QTest::mouseClick(button(menu.get(), "butDown"), Qt::LeftButton);
             PICTURE("menu", "page2");
             QTest::mouseClick(button(menu.get(), "butDown"), Qt::LeftButton);
             PICTURE("menu", "page3");
         }},
        {"keyboard", 1,
         [](Bench &b) {
             auto test = open<TestmenuKeyboard>(b);
             // The raw keys come with the test's first refresh.
             QTRY_VERIFY(g_hardwareTestActive);
             PICTURE("keyboard", "open");
             // UP and FAV seen pressed and released: green, "OK".
             pressAndRelease(test.get(), Qt::Key_F3);
             pressAndRelease(test.get(), Qt::Key_F2);
             PICTURE("keyboard", "two-keys");
             for (int code : {Qt::Key_F1, Qt::Key_F4, Qt::Key_F5, Qt::Key_F6})
                 pressAndRelease(test.get(), code);
             PICTURE("keyboard", "all-keys");
             QCOMPARE(b.station.send("cmdPass"), QStringLiteral("resPassed"));
         }},
        {"led", 1,
         [](Bench &b) {
             auto test = open<TestmenuLed>(b);
             PICTURE("led", "open");
             QCOMPARE(b.station.send("cmdLedIoOn"), QStringLiteral("staActive"));
             PICTURE("led", "switched");
         }},
        {"uartusbswitch", 1,
         [](Bench &b) {
             auto test = open<TestmenuUartUsbSwitch>(b);
             PICTURE("uartusbswitch", "usb");
             QCOMPARE(b.station.send("cmdUartUsbSwitchUart"), QStringLiteral("staActive"));
             PICTURE("uartusbswitch", "uart");
         }},
        {"sdcard", 1,
         [](Bench &b) {
             auto test = open<TestmenuSdcard>(b);
             PICTURE("sdcard", "open");
             QCOMPARE(b.station.send("cmdSdcardPartition"), QStringLiteral("staActive"));
             PICTURE("sdcard", "partitions");
         }},
        {"flashupdate", 1,
         [](Bench &b) {
             // The listing's times are those of the card's clock.
             QVERIFY(b.tell("sdcard clock 2026-03-14T09:26:53"));
             auto test = open<TestMenuFlashUpdate>(b);
             PICTURE("flashupdate", "open");
             QCOMPARE(b.station.send("cmdGenerateFlashUpdateFile"), QStringLiteral("staActive"));
             PICTURE("flashupdate", "generated");
         }},
        {"usb", 1,
         [](Bench &b) {
             auto test = open<TestmenuUsb>(b);
             PICTURE("usb", "open");
             // The partition in use: nothing lent, the test says why.
             QVERIFY(b.tell("usb umount busy"));
             QCOMPARE(b.station.send("cmdUsbConnect"), QStringLiteral("staActive"));
             PICTURE("usb", "in-use");
             QVERIFY(b.tell("usb umount ok"));
             QCOMPARE(b.station.send("cmdUsbConnect"), QStringLiteral("staActive"));
             PICTURE("usb", "lent");
             QCOMPARE(b.station.send("cmdUsbDisconnect"), QStringLiteral("staActive"));
             PICTURE("usb", "taken-back");
         }},
        {"sensordetection", 1,
         [](Bench &b) {
             QVERIFY(b.tell("adc2 1234"));
             QVERIFY(b.tell("gpio 48 0"));
             auto test = open<TestmenuSensordetection>(b);
             PICTURE("sensordetection", "no-sensor");
             QVERIFY(b.tell("adc2 2000"));
             QVERIFY(b.tell("gpio 48 1"));
             QCOMPARE(b.station.send("cmdSensordetectionRead"), QStringLiteral("staActive"));
             PICTURE("sensordetection", "sensor");
         }},
        {"battery", 1,
         [](Bench &b) {
             QVERIFY(b.tell("battery 87 3800"));
             QVERIFY(b.tell("temp 235"));
             QVERIFY(b.tell("current 12500"));
             QVERIFY(b.tell("supplystatus Discharging"));
             auto test = open<TestmenuBattery>(b);
             PICTURE("battery", "discharging");
             QVERIFY(b.tell("charging 1"));
             QVERIFY(b.tell("battery 50 3700"));
             QCOMPARE(b.station.send("cmdBatteryRead"), QStringLiteral("staActive"));
             QTest::mouseClick(button(test.get(), "butUartUsb"), Qt::LeftButton);
             PICTURE("battery", "charging-usb");
         }},
        {"display", 2,
         [](Bench &b) {
             auto test = open<TestmenuDisplay>(b);
             PICTURE("display", "preview");
             // Each pattern stands for 5 s; the picture is taken within them.
             QCOMPARE(b.station.send("cmdDisplayGrid"), QStringLiteral("staActive"));
             PICTURE("display", "grid");
             // Back to the preview (its buttons with it), now with Pass.
             QTRY_VERIFY_WITH_TIMEOUT(button(test.get(), "butGrid")->isVisible(), 15000);
             PICTURE("display", "preview-judged");
             QCOMPARE(b.station.send("cmdDisplayColor"), QStringLiteral("staActive"));
             PICTURE("display", "colours");
             QTRY_VERIFY_WITH_TIMEOUT(button(test.get(), "butGrid")->isVisible(), 15000);
             QCOMPARE(b.station.send("cmdDisplayGradient"), QStringLiteral("staActive"));
             PICTURE("display", "gradient");
             QCOMPARE(b.station.send("cmdPass"), QStringLiteral("resPassed"));
         }},
        {"gps", 2,
         [](Bench &b) {
             // One fixed RMC sentence, with its time and position.
             QVERIFY(b.tell("gps pos 52.520008 13.404954"));
             QVERIFY(b.tell("gps time 2026-03-14T08:26:53"));
             QVERIFY(b.tell("gps repeat 1"));
             auto test = open<TestmenuGps>(b);
             QTRY_VERIFY_WITH_TIMEOUT(button(test.get(), "butPass")->isVisible(), 10000);
             PICTURE("gps", "fix");
         }},
        {"selftest", 2,
         [](Bench &b) {
             auto test = open<TestmenuSelftest>(b);
             PICTURE("selftest", "open");
             // The headphone-side module silent: its check fails, no Pass.
             QVERIFY(b.tell("bt ttyO3 silent 1"));
             QCOMPARE(b.station.send("cmdSelftestStart"), QStringLiteral("staActive"));
             QTRY_COMPARE_WITH_TIMEOUT(labelText(test.get(), "labelStateGps"), QStringLiteral("OK"), 15000);
             PICTURE("selftest", "bt-out-failed");
             QVERIFY(b.tell("bt ttyO3 silent 0"));
             QCOMPARE(b.station.send("cmdSelftestStart"), QStringLiteral("staActive"));
             QTRY_VERIFY_WITH_TIMEOUT(button(test.get(), "butPass")->isVisible(), 15000);
             PICTURE("selftest", "passed");
         }},
        {"initbluetooth", 3,
         [](Bench &b) {
             auto test = open<TestmenuInitBluetooth>(b);
             PICTURE("initbluetooth", "open");
             QCOMPARE(b.station.send("cmdBluetoothInitSink"), QStringLiteral("staActive"));
             QCOMPARE(b.station.send("cmdBluetoothInitSource"), QStringLiteral("staActive"));
             QTRY_COMPARE_WITH_TIMEOUT(labelText(test.get(), "labelInfoSink"), QStringLiteral("Finished. OK."), 15000);
             QTRY_COMPARE_WITH_TIMEOUT(labelText(test.get(), "labelInfoSource"), QStringLiteral("Finished. OK."),
                                       15000);
             PICTURE("initbluetooth", "initialised");
             // The sink module silent: its listing never comes.
             QVERIFY(b.tell("bt ttyO2 silent 1"));
             QCOMPARE(b.station.send("cmdBluetoothInitSink"), QStringLiteral("staActive"));
             QTRY_COMPARE_WITH_TIMEOUT(labelText(test.get(), "labelInfoSink"), QStringLiteral("Error!"), 15000);
             PICTURE("initbluetooth", "sink-failed");
         }},
        {"audio", 3,
         [](Bench &b) {
             QVERIFY(b.root.write("/home/root/testBtIdMic", QByteArray(SimBoard::kUnitAddress) + '\n'));
             QVERIFY(b.root.write("/home/root/testBtIdHp", SimBoard::kHeadphoneAddress));
             for (const QString &c :
                  {QStringLiteral("inquiry add %1 280404 Reference microphone").arg(SimBoard::kUnitAddress),
                   QStringLiteral("inquiry add %1 240404 Reference headphone").arg(SimBoard::kHeadphoneAddress),
                   QStringLiteral("signal tone 400 0.1")})
                 QVERIFY(b.tell(c));
             auto test = open<TestmenuAudio>(b);
             PICTURE("audio", "open");
             QCOMPARE(b.station.send("cmdAudioStartConnection"), QStringLiteral("staActive"));
             QTRY_COMPARE_WITH_TIMEOUT(labelText(test.get(), "labelStatusSink"),
                                       QStringLiteral("Call active to microphone"), 20000);
             QTRY_COMPARE_WITH_TIMEOUT(labelText(test.get(), "labelStatusSource"),
                                       QStringLiteral("Call active to headphone"), 20000);
             QTRY_VERIFY(labelText(test.get(), "labelValCh1").endsWith("Hz"));
             PICTURE("audio", "calls-ch1");
             // CH 2: the unit's sensor value; muted by touch.
             QVERIFY(b.tell("unit value 12"));
             QCOMPARE(b.station.send("cmdAudioSelCh2"), QStringLiteral("staActive"));
             QTRY_COMPARE(labelText(test.get(), "labelValCh2"), QStringLiteral("12"));
             QTest::mouseClick(button(test.get(), "butMute"), Qt::LeftButton);
             PICTURE("audio", "ch2-muted");
             QCOMPARE(b.station.send("cmdPass"), QStringLiteral("resPassed"));
         }},
        {"audioloopback", 3,
         [](Bench &b) {
             QVERIFY(b.tell("signal tone 400 0.1"));
             QVERIFY(b.tell("signal level 82"));
             auto test = open<TestMenuAudioLoopback>(b);
             PICTURE("audioloopback", "open");
             QCOMPARE(b.station.send("cmdAudioLoopbackBtLoop"), QStringLiteral("staActive"));
             QTRY_COMPARE_WITH_TIMEOUT(labelText(test.get(), "labelStatus"), QStringLiteral("Connected in Testmode"),
                                       20000);
             QTRY_COMPARE_WITH_TIMEOUT(b.station.send("cmdAudioLoopbackGetLevelResult"),
                                       QStringLiteral("resAudioLoopbackLevelResult=OK"), 10000);
             // The level is the live analysis' value to all its digits,
             // different in every update; the station reads it, and its
             // limits are tested with the loop (tst_testbluetooth).
             const QRect level = test->findChild<QLabel *>(QStringLiteral("labelLevel"))->geometry();
             PICTURE("audioloopback", "connected", 3000, {level});
             QCOMPARE(b.station.send("cmdFail"), QStringLiteral("resFailed"));
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

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
    std::unique_ptr<Station> m_station;
    EventHandler m_filter;
};

void TestPicturesTestmenu::init()
{
    SKIP_OUTSIDE_THIS_PART();
    ScreenPicture::steady();
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY2(m_board->isRunning(), qPrintable(m_board->error()));
    m_station = std::make_unique<Station>(m_root->root());
    qApp->installEventFilter(&m_filter);
}

void TestPicturesTestmenu::cleanup()
{
    qApp->removeEventFilter(&m_filter);
    m_station.reset();
    m_board.reset();
    m_root.reset();
    ScreenPicture::release();
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
    MainMenu w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    Bench bench{*m_root, *m_board, *m_station, w};
    drive(bench);
}

SCREEN_PICTURE_MAIN(TestPicturesTestmenu)
#include "tst_pictures_testmenu.moc"
