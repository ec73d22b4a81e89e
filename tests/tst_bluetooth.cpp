// The Bluetooth link against the simulated module and sensor unit on
// pseudo-terminals: initialisation and the control lines, the send path with
// its one-outstanding-message rule and transmit queue, module commands held
// in data mode, the reply parser, the diagnostic file, and the main window's
// microphone line over a live data link.
#include "bluetooth.h"
#include "formwidgets.h"
#include "globals.h"
#include "mainmenu.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "statusbardata.h"
#include "testpart.h"
#include "testroot.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const QString kUnit = QString::fromLatin1(SimBoard::kUnitAddress);

QStringList since(const QStringList &lines, int mark)
{
    return lines.mid(mark);
}

int msBetween(const QTime &a, const QTime &b)
{
    return a.msecsTo(b);
}

void writeSettings(TestRoot &root, const QByteArray &text)
{
    QVERIFY(root.write("/home/root/settings.ini", text));
}

} // namespace

class TestBluetooth : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // Initialisation and control lines
    void initSendsListOnEachPort();
    void initLeavesDataModeByDtrToggle();
    void initWaitForCarrierIsBounded();
    void initWithoutPortIsQuickAndHarmless();

    // Send path and transmit queue
    void sensorUnitMessageWithoutDataLinkIsDropped();
    void oneMessageOutstanding();
    void messageWithoutReplyTimesOut();
    void queueOverflowReplacesNewest();
    void anyReplyReleasesTheNextMessage();
    void rawAtLineGoesOutInDataMode();
    void moduleCommandsWaitForCommandMode();
    void setUpAndGainCommands();
    void getDataWaitsForLineEnd();

    // Reply parser
    void replies_data();
    void replies();
    void unitAnswersEndToEnd();
    void unitMuteKey();
    void headphoneRemoteControlAndHandsFree();
    void linesSplitAndJoinedAcrossReads();
    void garbageChangesNothing();

    // With the main window
    void microphoneLineFollowsTheDataLink();
    void diagnosticFile_data();
    void diagnosticFile();

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

void TestBluetooth::init()
{
    SKIP_OUTSIDE_THIS_PART();
    g_debugFeatures = 0;
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    // Tests that preset lines start their own simulator.
    const QByteArray name = QTest::currentTestFunction();
    if (name.startsWith("initLeaves") || name.startsWith("initWait") || name.startsWith("initWithout"))
        return;
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY2(m_board->isRunning(), qPrintable(m_board->error()));
}

void TestBluetooth::cleanup()
{
    m_board.reset();
    m_root.reset();
    g_debugFeatures = 0;
}

// ---------------------------------------------------------------------------
// Initialisation and control lines

void TestBluetooth::initSendsListOnEachPort()
{
    Bluetooth sink;
    Bluetooth source;
    QElapsedTimer clock;
    clock.start();
    sink.initBluetooth(QStringLiteral("/dev/ttyO2"), kUnit);
    source.initBluetooth(QStringLiteral("/dev/ttyO3"), QString::fromLatin1(SimBoard::kHeadphoneAddress));
    // The carrier line was low: no toggle, so no wait for it (which would
    // take its full 2 s); the DTR writes below show the same.
    QVERIFY2(clock.elapsed() < 1900, qPrintable(QString::number(clock.elapsed())));
    QTRY_COMPARE(m_board->moduleLines("ttyO2"), QStringList({"LIST"}));
    QTRY_COMPARE(m_board->moduleLines("ttyO3"), QStringList({"LIST"}));
    // DTR driven low, never raised; the empty connection list changes nothing.
    QCOMPARE(m_root->sysfsWritesTo("/sys/class/gpio/gpio58/value"), QStringList({"0", "0"}));
    QTest::qWait(200);
    QVERIFY(!sink.isConnectedA2DP() && !sink.isConnectedRFCOMM() && !source.isConnectedA2DP());
    QCOMPARE(sink.getBtName(), QStringLiteral("unknown"));
    QCOMPARE(sink.getBtExtMicGain(), 15);
    QCOMPARE(source.getBtExtHeadphoneGain(), 8);
    QCOMPARE(source.getBtExtHeadphoneBatteryState(), -1);
}

void TestBluetooth::initLeavesDataModeByDtrToggle()
{
    // The module is still in data mode from an earlier run.
    QVERIFY(m_root->write("/sys/class/gpio/gpio59/value", "1"));
    SimBoard board(m_root->root());
    QVERIFY(board.isRunning());
    Bluetooth sink;
    QElapsedTimer clock;
    clock.start();
    sink.initBluetooth(QStringLiteral("/dev/ttyO2"), kUnit);
    const qint64 took = clock.elapsed();
    // DTR low for 2 s, then high; the module drops the carrier soon after.
    QVERIFY2(took >= 2000 && took < 3500, qPrintable(QString::number(took)));
    QCOMPARE(m_root->sysfsWritesTo("/sys/class/gpio/gpio58/value"), QStringList({"0", "0", "1"}));
    QCOMPARE(gpio(*m_root, 59), QByteArray("0"));
    QTRY_COMPARE(board.moduleLines("ttyO2"), QStringList({"LIST"}));
}

void TestBluetooth::initWaitForCarrierIsBounded()
{
    // A module that never answers the toggle: the wait ends by itself.
    QVERIFY(m_root->write("/sys/class/gpio/gpio59/value", "1"));
    SimBoard board(m_root->root());
    QVERIFY(board.isRunning());
    QCOMPARE(board.send("bt ttyO2 silent 1"), QStringLiteral("ok"));
    Bluetooth sink;
    QElapsedTimer clock;
    clock.start();
    sink.initBluetooth(QStringLiteral("/dev/ttyO2"), kUnit);
    const qint64 took = clock.elapsed();
    QVERIFY2(took >= 4000 && took < 5500, qPrintable(QString::number(took)));
    QCOMPARE(gpio(*m_root, 59), QByteArray("1"));
    // Initialisation went on; its list request waits while the carrier is
    // up, and goes once it has dropped.
    QTest::qWait(300);
    QCOMPARE(board.moduleLines("ttyO2"), QStringList());
    // The line is the sensor unit's module's: the headphone's link, set up
    // meanwhile, writes its commands at once.
    Bluetooth source;
    source.initBluetooth(QStringLiteral("/dev/ttyO3"), QString());
    QTRY_COMPARE(board.moduleLines("ttyO3"), QStringList({"LIST"}));
    QCOMPARE(board.moduleLines("ttyO2"), QStringList());
    QCOMPARE(board.send("gpio 59 0"), QStringLiteral("ok"));
    QTRY_COMPARE(board.moduleLines("ttyO2"), QStringList({"LIST"}));
}

void TestBluetooth::initWithoutPortIsQuickAndHarmless()
{
    // No simulator: the port cannot be opened; nothing waits, nothing breaks.
    Bluetooth sink;
    QElapsedTimer clock;
    clock.start();
    sink.initBluetooth(QStringLiteral("/dev/ttyO2"), kUnit);
    sink.callBtDeviceA2DP(true);
    sink.sendData(QStringLiteral("BT_TX B"));
    sink.sendData(QStringLiteral("SET BT NAME X"));
    sink.setBtDacGain(15);
    QVERIFY(clock.elapsed() < 500);
    QTest::qWait(300);
    QVERIFY(!sink.isConnectedA2DP());
    QVERIFY(sink.getData().isEmpty());
}

// ---------------------------------------------------------------------------
// Send path and transmit queue

void TestBluetooth::sensorUnitMessageWithoutDataLinkIsDropped()
{
    Bluetooth sink;
    sink.initBluetooth(QStringLiteral("/dev/ttyO2"), kUnit);
    sink.sendData(QStringLiteral("BT_TX B"));
    sink.sendData(QStringLiteral("BT_TX I 11 ACTIVE PUSHBUT"));
    QTest::qWait(300);
    QCOMPARE(m_board->moduleLines("ttyO2"), QStringList({"LIST"}));
    // The microphone gain is taken even so.
    QCOMPARE(sink.getBtExtMicGain(), 0x11);

    // Nothing was left outstanding: with the data link up the next message
    // goes out at once.
    sink.callBtDeviceA2DP(true);
    QVERIFY(waitForSinkDataMode(sink, *m_board, *m_root));
    sink.sendData(QStringLiteral("BT_TX T"));
    QTRY_COMPARE_WITH_TIMEOUT(m_board->unitLines(), QStringList({"BT_TX T"}), 300);
    QVERIFY(!m_board->moduleLines("ttyO2").contains("BT_TX B"));
}

void TestBluetooth::oneMessageOutstanding()
{
    Bluetooth sink;
    QVERIFY(connectSink(sink, *m_board, *m_root));
    // The unit's answers come 400 ms late.
    QCOMPARE(m_board->send("bt ttyO2 slow 400"), QStringLiteral("ok"));
    QSignalSpy battery(&sink, &Bluetooth::btBatteryvoltageReceived);
    sink.sendData(QStringLiteral("BT_TX B"));
    sink.sendData(QStringLiteral("BT_TX T"));
    sink.sendData(QStringLiteral("BT_TX S"));
    QTest::qWait(200);
    QCOMPARE(m_board->unitLines(), QStringList({"BT_TX B"}));
    QTRY_COMPARE_WITH_TIMEOUT(m_board->unitLines(), QStringList({"BT_TX B", "BT_TX T", "BT_TX S"}), 3000);
    const auto log = m_board->unitLog();
    // Each left only after the reply to the one before.
    QVERIFY2(msBetween(log[0].first, log[1].first) >= 350, qPrintable(log[1].first.toString("ss.zzz")));
    QVERIFY2(msBetween(log[1].first, log[2].first) >= 350, qPrintable(log[2].first.toString("ss.zzz")));
    QTRY_COMPARE(battery.count(), 1);
    QCOMPARE(battery.at(0).at(0).toString(), QStringLiteral("3900"));
}

void TestBluetooth::messageWithoutReplyTimesOut()
{
    Bluetooth sink;
    QVERIFY(connectSink(sink, *m_board, *m_root));
    // "RP" gets no answer: the next message waits for the 2000 ms time-out,
    // the one after it only for the answer.
    sink.sendData(QStringLiteral("BT_TX RP"));
    sink.sendData(QStringLiteral("BT_TX B"));
    sink.sendData(QStringLiteral("BT_TX T"));
    QTRY_COMPARE_WITH_TIMEOUT(m_board->unitLines(), QStringList({"BT_TX RP", "BT_TX B", "BT_TX T"}), 4000);
    const auto log = m_board->unitLog();
    const int waited = msBetween(log[0].first, log[1].first);
    // (timers may fire up to 5 % early)
    QVERIFY2(waited >= 1850 && waited < 2600, qPrintable(QString::number(waited)));
    QVERIFY(msBetween(log[1].first, log[2].first) < 500);
    // The given-up message is not repeated.
    QTest::qWait(300);
    QCOMPARE(m_board->unitLines().count("BT_TX RP"), 1);
}

void TestBluetooth::queueOverflowReplacesNewest()
{
    Bluetooth sink;
    QVERIFY(connectSink(sink, *m_board, *m_root));
    sink.sendData(QStringLiteral("BT_TX RP")); // outstanding for 2 s
    for (int i = 1; i <= 40; ++i)
        sink.sendData(QStringLiteral("BT_TX G %1").arg(i, 2, 16, QLatin1Char('0')));
    QStringList expected{"BT_TX RP"};
    for (int i = 1; i <= 31; ++i)
        expected << QStringLiteral("BT_TX G %1").arg(i, 2, 16, QLatin1Char('0'));
    expected << QStringLiteral("BT_TX G 28"); // 40: it replaced 32 to 39 in turn
    QTRY_COMPARE_WITH_TIMEOUT(m_board->unitLines(), expected, 8000);
    QTest::qWait(300);
    QCOMPARE(m_board->unitLines().size(), 33);
}

void TestBluetooth::anyReplyReleasesTheNextMessage()
{
    Bluetooth sink;
    QVERIFY(connectSink(sink, *m_board, *m_root));
    QSignalSpy alerts(&sink, &Bluetooth::btAlertMessageReceived);
    sink.sendData(QStringLiteral("BT_TX RP"));
    sink.sendData(QStringLiteral("BT_TX B"));
    QTest::qWait(200);
    QCOMPARE(m_board->unitLines(), QStringList({"BT_TX RP"}));
    // An unsolicited alert is a reply too.
    QCOMPARE(m_board->send("unit alert 1"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(m_board->unitLines(), QStringList({"BT_TX RP", "BT_TX B"}), 1000);
    QCOMPARE(alerts.count(), 1);
    QCOMPARE(alerts.at(0).at(0).toString(), QStringLiteral("1"));
}

void TestBluetooth::rawAtLineGoesOutInDataMode()
{
    Bluetooth sink;
    QVERIFY(connectSink(sink, *m_board, *m_root));
    const int dtrWrites = m_root->sysfsWritesTo("/sys/class/gpio/gpio58/value").size();
    QSignalSpy moduleOk(&sink, &Bluetooth::btAtOk);
    sink.sendData(QStringLiteral("AT"));
    // Written at once, without a mode switch: it reaches the unit as data.
    QTRY_COMPARE_WITH_TIMEOUT(m_board->unitLines(), QStringList({"AT"}), 500);
    QVERIFY(!m_root->sysfsWritesTo("/sys/class/gpio/gpio58/value").mid(dtrWrites).contains("1"));
    QCOMPARE(gpio(*m_root, 59), QByteArray("1"));
    QTest::qWait(100);
    QCOMPARE(moduleOk.count(), 0); // the unit's "BT_RX OK" is no module OK
}

void TestBluetooth::moduleCommandsWaitForCommandMode()
{
    Bluetooth sink;
    QVERIFY(connectSink(sink, *m_board, *m_root));
    const int moduleMark = m_board->moduleLines("ttyO2").size();
    sink.initBtModulSink();
    // DTR raised at once; the commands wait for the carrier to drop.
    QCOMPARE(m_root->sysfsWritesTo("/sys/class/gpio/gpio58/value").last(), QStringLiteral("1"));
    const QStringList block{"SET BT PAGEMODE 0 2000 2", "SET CONTROL ECHO 5", "SET BT FILTER 200400 200400",
                            "SET BT PAIRCOUNT 1", "SET BT NAME TQE3900_MIC", "SET CONTROL PREAMP 0 0",
                            "SET CONTROL CD 04 1", "SET CONTROL ESCAPE - 02 1", "SET PROFILE A2DP SINK",
                            "SET PROFILE AVRCP CONTROLLER 3", "SET BT CLASS 280438"};
    QTRY_COMPARE_WITH_TIMEOUT(since(m_board->moduleLines("ttyO2"), moduleMark), block, 2000);
    QCOMPARE(gpio(*m_root, 59), QByteArray("0"));
    // They reached the module in command mode, not the unit as data.
    QVERIFY(m_board->unitLines().isEmpty());
    QVERIFY(m_board->send("bt ttyO2 status").startsWith("command"));
    QVERIFY(sink.isConnectedRFCOMM());

    // The module took the name: its settings list shows it.
    sink.sendData(QStringLiteral("SET"));
    QTRY_COMPARE(sink.getBtName(), QStringLiteral("TQE3900_MIC"));
    QCOMPARE(sink.getBtProfile(), 1);
    QCOMPARE(sink.getBtIdModul(), QStringLiteral("02:00:00:39:00:02"));

    // The next message takes the module back to data mode on the data link.
    const int mark2 = m_board->moduleLines("ttyO2").size();
    sink.sendData(QStringLiteral("BT_TX B"));
    QTRY_COMPARE_WITH_TIMEOUT(m_board->unitLines(), QStringList({"BT_TX B"}), 1000);
    QCOMPARE(since(m_board->moduleLines("ttyO2"), mark2), QStringList({"SELECT 2", "BT_TX B"}));
    QTRY_COMPARE(gpio(*m_root, 59), QByteArray("1"));
}

void TestBluetooth::setUpAndGainCommands()
{
    Bluetooth source;
    source.initBluetooth(QStringLiteral("/dev/ttyO3"), QString::fromLatin1(SimBoard::kHeadphoneAddress));
    source.setBtDacGain(15);
    source.setBtAdcGain(0);
    source.setBtLastAdcGain();
    source.setBtAdcGain(12);
    source.setBtDacGain(3);
    QCOMPARE(source.getBtAdcGain(), 12);
    QCOMPARE(source.getBtDacGain(), 3);
    for (int i = 0; i < 8; ++i)
        source.setBtExtHeadphoneVolUp();
    QCOMPARE(source.getBtExtHeadphoneGain(), 15); // capped, still sent
    source.setBtExtHeadphoneVolDown();
    source.setBtExtHeadphoneGain(30);
    QCOMPARE(source.getBtExtHeadphoneGain(), 5);
    source.requestHeadphoneBatteryState(); // no hands-free link: nothing
    source.initBtModulSource();
    // A line longer than 255 bytes goes out whole.
    const QString longLine = QStringLiteral("SET BT NAME ") + QString(300, QLatin1Char('N'));
    source.sendData(longLine);
    QStringList expected{"LIST", "SET CONTROL GAIN 5 f", "SET CONTROL GAIN 0 f", "SET CONTROL GAIN 5 f",
                         "SET CONTROL GAIN c f", "SET CONTROL GAIN c 3"};
    for (int i = 0; i < 8; ++i)
        expected << QStringLiteral("AVRCP UP");
    expected << "AVRCP DN" << "AVRCP PDU 50 30";
    expected << "SET BT PAGEMODE 0 2000 2" << "SET CONTROL ECHO 5" << "SET BT FILTER 200400 200400"
             << "SET BT PAIRCOUNT 1" << "SET BT NAME TQE3900_HP" << "SET CONTROL PREAMP 0 0"
             << "SET CONTROL CD 04 1" << "SET CONTROL ESCAPE - 02 1" << "SET PROFILE A2DP SOURCE"
             << "SET PROFILE AVRCP TARGET 7" << "SET PROFILE HFP-AG ON" << "SET BT CLASS 280428" << longLine;
    QTRY_COMPARE(m_board->moduleLines("ttyO3"), expected);

    // Volume steps and percent.
    const QList<QPair<int, int>> toStep{{0, 0},   {3, 0},   {4, 1},   {47, 7},  {48, 8},  {72, 11},
                                        {73, 12}, {91, 14}, {92, 15}, {100, 15}, {101, 8}, {-1, 8}};
    for (const auto &p : toStep)
        QCOMPARE(Bluetooth::convertVolPercentToVolStep(p.first), p.second);
    QCOMPARE(Bluetooth::convertVolStepToVolPercent(0), 0);
    QCOMPARE(Bluetooth::convertVolStepToVolPercent(8), 50);
    QCOMPARE(Bluetooth::convertVolStepToVolPercent(15), 94);
    QCOMPARE(Bluetooth::convertVolStepToVolPercent(16), 50);
    for (int step = 0; step < 16; ++step)
        QCOMPARE(Bluetooth::convertVolPercentToVolStep(Bluetooth::convertVolStepToVolPercent(step)), step);
    // Between the rows too: every percent gets the step whose own percent is
    // nearest (the lower one on a tie).
    for (int percent = 0; percent <= 100; ++percent) {
        const int step = Bluetooth::convertVolPercentToVolStep(percent);
        const int distance = qAbs(percent - Bluetooth::convertVolStepToVolPercent(step));
        const bool nearest = (step == 0 || distance < qAbs(percent - Bluetooth::convertVolStepToVolPercent(step - 1)))
            && (step == 15 || distance <= qAbs(percent - Bluetooth::convertVolStepToVolPercent(step + 1)));
        QVERIFY2(nearest, qPrintable(QStringLiteral("%1 % -> step %2").arg(percent).arg(step)));
    }
}

void TestBluetooth::getDataWaitsForLineEnd()
{
    Bluetooth sink;
    sink.initBluetooth(QStringLiteral("/dev/ttyO2"), kUnit);
    // getData() hands text out once: collect what it returns.
    QString got;
    QTRY_COMPARE((got += sink.getData()), QStringLiteral("LIST 0\r\n")); // the module's answer to init
    QCOMPARE(m_board->send("bt ttyO2 raw HW-VERSION 2"), QStringLiteral("ok"));
    QTest::qWait(200);
    QVERIFY(sink.getData().isEmpty()); // no line end yet: kept
    QCOMPARE(m_board->send("bt ttyO2 raw .1\\r\\n!$!\\r\\n"), QStringLiteral("ok"));
    got.clear();
    QTRY_COMPARE((got += sink.getData()), QStringLiteral("HW-VERSION 2.1\r\n!$!\r\n"));
    QVERIFY(sink.getData().isEmpty());
    QCOMPARE(m_board->send("bt ttyO2 send X"), QStringLiteral("ok"));
    QTest::qWait(200);
    sink.clearData();
    QVERIFY(sink.getData().isEmpty());
}

// ---------------------------------------------------------------------------
// Reply parser

// Each row: lines the module sends, the signal expected (empty: none of the
// parser's signals) and its arguments joined by "|".
void TestBluetooth::replies_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("signal");
    QTest::addColumn<QString>("args");
    using L = QStringList;
    QTest::newRow("mute active") << L{"BT_RX MUTE_STATE ACTIVE"} << "stateActiveMuteChanged(bool)" << "false";
    QTest::newRow("mute muted") << L{"BT_RX MUTE_STATE MUTE"} << "stateActiveMuteChanged(bool)" << "true";
    QTest::newRow("mute lower case") << L{"BT_RX MUTE_STATE active"} << "stateActiveMuteChanged(bool)" << "true";
    QTest::newRow("alert") << L{"BT_RX ALERT 2"} << "btAlertMessageReceived(QString)" << "2";
    QTest::newRow("sensor") << L{"BT_RX SENSOR 3"} << "btSensortypeReceived(QString)" << "3";
    QTest::newRow("battery, spaces") << L{"BT_RX BATT_VOLTAGE   3712"} << "btBatteryvoltageReceived(QString)" << "3712";
    QTest::newRow("sensor value") << L{"BT_RX SENSVAL 12.5 30"} << "btSensorvalueReceived(QString,QString)" << "12.5|30";
    QTest::newRow("ready: battery") << L{"BT_RX RDY 3650 4"} << "btBatteryvoltageReceived(QString)" << "3650";
    QTest::newRow("ready: sensor") << L{"BT_RX RDY 3650 4"} << "btSensortypeReceived(QString)" << "4";
    QTest::newRow("ready") << L{"BT_RX RDY 3650 4"} << "btRdyReceived()" << "";
    QTest::newRow("header ok") << L{"BT_RX FH OK"} << "btFwHeaderReceived(bool)" << "true";
    QTest::newRow("header refused") << L{"BT_RX FH NO"} << "btFwHeaderReceived(bool)" << "false";
    QTest::newRow("packet") << L{"BT_RX FD 007 OK"} << "btFwDataReceived(int,bool)" << "7|true";
    QTest::newRow("packet failed") << L{"BT_RX FD 012 ERR"} << "btFwDataReceived(int,bool)" << "12|false";
    QTest::newRow("packet number beyond int") << L{"BT_RX FD 99999999999 OK"} << "" << "";
    QTest::newRow("packet number not a number") << L{"BT_RX FD x OK"} << "" << "";
    QTest::newRow("start update") << L{"BT_RX FS OK"} << "btFwStartUpdateReceived(bool)" << "true";
    QTest::newRow("pressure sensor") << L{"BT_RX RS 10 500 3500"}
                                     << "btEnableReceivePressuredata(bool,int,ushort,ushort)" << "true|10|500|3500";
    QTest::newRow("pressure sensor, reading too large") << L{"BT_RX RS 10 500 70000"} << "" << "";
    QTest::newRow("pressure packet") << L{"BT_RX RD 2 199;E65;"} << "btPressuredataReceived(int,QString)"
                                     << "2|199;E65;";
    // A count above what the samples' text holds is cut to it (a started
    // sample counts and reads 0): a line brings at most a quarter of its
    // length in samples.
    QTest::newRow("pressure packet, no samples") << L{"BT_RX RD 5"} << "" << "";
    QTest::newRow("pressure packet, huge count") << L{"BT_RX RD 2147483647 199;E6"}
                                                 << "btPressuredataReceived(int,QString)" << "2|199;E6";
    QTest::newRow("pressure packet, count one above") << L{"BT_RX RD 3 199;E65;"}
                                                      << "btPressuredataReceived(int,QString)" << "2|199;E65;";
    QTest::newRow("pressure packet, no count") << L{"BT_RX RD x 199;"} << "" << "";
    QTest::newRow("firmware version") << L{"BT_RX FW-VERSION 1.4.2"} << "btFirmwareVersion(QString)" << "1.4.2";
    QTest::newRow("any reply") << L{"BT_RX HW-VERSION 2.1"} << "btAnswerFromDeviceReceived()" << "";
    QTest::newRow("end marker") << L{"!$!"} << "terminationStringDetected()" << "";
    QTest::newRow("module ok") << L{"OK"} << "btAtOk()" << "";
    QTest::newRow("paired") << L{"PAIR 02:00:00:39:01:02 OK"} << "btPairingOk()" << "";
    QTest::newRow("pairing failed") << L{"PAIR 02:00:00:39:01:02 FAIL"} << "" << "";
    QTest::newRow("module restarted") << L{"WRAP THOR AI", "READY."} << "btModulReset()" << "";
    QTest::newRow("ready without restart") << L{"READY."} << "" << "";
    QTest::newRow("headphone battery 7") << L{"HFP-AG 3 IND 0 AT+IPHONEACCEV=2,1,7,2,0"}
                                         << "btHeadphoneBatteryStateReceived(int)" << "80";
    QTest::newRow("headphone battery 0") << L{"HFP-AG 3 IND 0 AT+IPHONEACCEV=2,1,0,2,0"}
                                         << "btHeadphoneBatteryStateReceived(int)" << "10";
    QTest::newRow("headphone volume") << L{"AVRCP 2 NOTIFY 0 VOLUME_CHANGED 73"} << "btHeadphoneVolumeChanged(int)" << "73";
    QTest::newRow("reply without value") << L{"BT_RX SENSOR"} << "" << "";
    QTest::newRow("unknown keyword") << L{"BT_RX WHATEVER 1"} << "" << "";
}

void TestBluetooth::replies()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, signal);
    QFETCH(QString, args);
    Bluetooth sink;
    sink.initBluetooth(QStringLiteral("/dev/ttyO2"), kUnit);
    QTRY_VERIFY(m_board->moduleLines("ttyO2").contains("LIST"));
    QTest::qWait(100); // the answer to LIST is in

    // Spy on every signal of the class; the expected one must fire once.
    const QMetaObject *meta = sink.metaObject();
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    QStringList names;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod m = meta->method(i);
        if (m.methodType() != QMetaMethod::Signal)
            continue;
        spies.push_back(std::make_unique<QSignalSpy>(&sink, m));
        names << QString::fromLatin1(m.methodSignature());
    }
    for (const QString &line : lines)
        QCOMPARE(m_board->send("bt ttyO2 send " + line), QStringLiteral("ok"));

    const bool anyReply = lines.first().startsWith("BT_RX");
    auto fired = [&](const QString &name) { return spies[size_t(names.indexOf(name))]->count(); };
    if (!signal.isEmpty()) {
        QVERIFY2(names.contains(signal), qPrintable(signal));
        QTRY_COMPARE(fired(signal), 1);
        const QList<QVariant> got = spies[size_t(names.indexOf(signal))]->at(0);
        QStringList gotText;
        for (const QVariant &v : got)
            gotText << v.toString();
        QCOMPARE(gotText.join('|'), args);
    } else {
        QTest::qWait(300);
    }
    // Nothing else but the release of the next message (and, for "RDY", its
    // three signals) fired.
    for (int i = 0; i < names.size(); ++i) {
        const QString &n = names.at(i);
        if (n == signal || (anyReply && n == "btAnswerFromDeviceReceived()"))
            continue;
        if (lines.first().startsWith("BT_RX RDY")
            && (n == "btBatteryvoltageReceived(QString)" || n == "btSensortypeReceived(QString)" || n == "btRdyReceived()"))
            continue;
        QVERIFY2(spies[size_t(i)]->isEmpty(), qPrintable(n));
    }
    if (anyReply)
        QCOMPARE(fired("btAnswerFromDeviceReceived()"), 1);

    // Fields the replies set.
    if (signal == "btHeadphoneVolumeChanged(int)")
        QCOMPARE(sink.getBtExtHeadphoneGain(), 12);
    if (signal == "btHeadphoneBatteryStateReceived(int)")
        QCOMPARE(sink.getBtExtHeadphoneBatteryState(), args.toInt());
}

void TestBluetooth::unitAnswersEndToEnd()
{
    Bluetooth sink;
    QVERIFY(connectSink(sink, *m_board, *m_root));
    QCOMPARE(m_board->send("unit sensor 3"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("unit battery 3650"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("unit value 17"), QStringLiteral("ok"));
    QSignalSpy battery(&sink, &Bluetooth::btBatteryvoltageReceived);
    QSignalSpy sensor(&sink, &Bluetooth::btSensortypeReceived);
    QSignalSpy value(&sink, &Bluetooth::btSensorvalueReceived);
    QSignalSpy version(&sink, &Bluetooth::btFirmwareVersion);
    QSignalSpy mute(&sink, &Bluetooth::stateActiveMuteChanged);
    QSignalSpy end(&sink, &Bluetooth::terminationStringDetected);
    QSignalSpy ready(&sink, &Bluetooth::btRdyReceived);

    // The configuration request: its text ends in "\n", and three more
    // messages wait behind it; each reply line of the answer releases one.
    sink.sendData(QStringLiteral("BT_TX P\n"));
    sink.sendData(QStringLiteral("BT_TX B"));
    sink.sendData(QStringLiteral("BT_TX T"));
    sink.sendData(QStringLiteral("BT_TX S"));
    QTRY_COMPARE(end.count(), 1);
    QTRY_COMPARE(m_board->unitLines(), QStringList({"BT_TX P", "BT_TX B", "BT_TX T", "BT_TX S"}));
    QTRY_COMPARE(value.count(), 1);
    QCOMPARE(version.count(), 1);
    QCOMPARE(version.at(0).at(0).toString(), QStringLiteral("1.4.2"));
    QCOMPARE(mute.count(), 1);
    QCOMPARE(mute.at(0).at(0).toBool(), true);
    QCOMPARE(battery.count(), 2);
    QCOMPARE(battery.at(1).at(0).toString(), QStringLiteral("3650"));
    QCOMPARE(sensor.count(), 2);
    QCOMPARE(sensor.at(1).at(0).toString(), QStringLiteral("3"));
    QCOMPARE(value.at(0).at(0).toString(), QStringLiteral("17"));
    // The screen reads the whole answer.
    const QString answer = sink.getData();
    QVERIFY(answer.contains("BT_RX MIC-GAIN 0f\r\n"));
    QVERIFY(answer.contains("BT_RX BUTTON SWITCH\r\n!$!\r\n"));

    // A restarted unit reports battery and sensor.
    QCOMPARE(m_board->send("unit restart"), QStringLiteral("ok"));
    QTRY_COMPARE(ready.count(), 1);
    QCOMPARE(battery.last().at(0).toString(), QStringLiteral("3650"));
    QCOMPARE(sensor.last().at(0).toString(), QStringLiteral("3"));
}

void TestBluetooth::unitMuteKey()
{
    Bluetooth sink;
    QVERIFY(connectSink(sink, *m_board, *m_root));
    QSignalSpy mute(&sink, &Bluetooth::stateActiveMuteChanged);
    // As a switch: each press toggles.
    QCOMPARE(m_board->send("unit key press"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("unit key release"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("unit key press"), QStringLiteral("ok"));
    QTRY_COMPARE(mute.count(), 2);
    QCOMPARE(mute.at(0).at(0).toBool(), false);
    QCOMPARE(mute.at(1).at(0).toBool(), true);
    // As a push button: open while held.
    sink.sendData(QStringLiteral("BT_TX I 0f MUTE PUSHBUT"));
    QTRY_VERIFY(m_board->send("unit status").contains("PUSHBUT"));
    QTest::qWait(100);
    mute.clear();
    QCOMPARE(m_board->send("unit key press"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("unit key release"), QStringLiteral("ok"));
    QTRY_COMPARE(mute.count(), 2);
    QCOMPARE(mute.at(0).at(0).toBool(), false);
    QCOMPARE(mute.at(1).at(0).toBool(), true);
}

void TestBluetooth::headphoneRemoteControlAndHandsFree()
{
    const QString headphone = QString::fromLatin1(SimBoard::kHeadphoneAddress);
    Bluetooth source;
    source.initBluetooth(QStringLiteral("/dev/ttyO3"), headphone);
    QTRY_COMPARE(m_board->moduleLines("ttyO3"), QStringList({"LIST"}));
    // The events come from here only; the module itself keeps quiet.
    QCOMPARE(m_board->send("bt ttyO3 silent 1"), QStringLiteral("ok"));
    auto send = [this](const QString &line) { QCOMPARE(m_board->send("bt ttyO3 send " + line), QStringLiteral("ok")); };

    // Idle (nobody called, or the links dropped): a late remote-control
    // report calls nobody.
    send("RING 2 " + headphone + " 17 AVRCP");
    QTRY_VERIFY(source.isConnectedAVRCP());
    source.callBtDeviceA2DP(false);
    // The headphone opens its remote control: the hands-free link is called.
    send("RING 2 " + headphone + " 17 AVRCP");
    QTRY_COMPARE(m_board->moduleLines("ttyO3").mid(1),
                 QStringList({"SET CONTROL AUTOCALL 19 500 A2DP", "CALL " + headphone + " 111E HFP-AG"}));
    // Hands-free ready: the battery level is asked for on its link.
    send("HFP-AG 3 READY");
    QTRY_COMPARE(m_board->moduleLines("ttyO3").mid(3), QStringList({"@3 +CHLD=0"}));
    QCOMPARE(source.getBtExtHeadphoneBatteryState(), -1);
    send("HFP-AG 3 IND 0 AT+IPHONEACCEV=2,1,4,2,0");
    QTRY_COMPARE(source.getBtExtHeadphoneBatteryState(), 50);
    // Remote control again with hands-free up: the level is asked for again.
    send("RING 2 " + headphone + " 17 AVRCP");
    QTRY_COMPARE(m_board->moduleLines("ttyO3").mid(4), QStringList({"@3 +CHLD=0"}));
    QCOMPARE(source.getBtExtHeadphoneBatteryState(), -1);
    // The module's list gives the hands-free link number; link 0 asks nothing.
    send("LIST 0 CONNECTED HFP-AG " + headphone);
    send("LIST 1 CONNECTED AVRCP " + headphone);
    QTest::qWait(200);
    source.requestHeadphoneBatteryState();
    send("HFP-AG 0 READY");
    QTest::qWait(300);
    QCOMPARE(m_board->moduleLines("ttyO3").size(), 5);
    QVERIFY(source.isConnectedAVRCP());
}

void TestBluetooth::linesSplitAndJoinedAcrossReads()
{
    Bluetooth sink;
    sink.initBluetooth(QStringLiteral("/dev/ttyO2"), kUnit);
    QTRY_VERIFY(m_board->moduleLines("ttyO2").contains("LIST"));
    QStringList order;
    connect(&sink, &Bluetooth::btSensortypeReceived, this, [&order](const QString &t) { order << "sensor " + t; });
    connect(&sink, &Bluetooth::btBatteryvoltageReceived, this, [&order](const QString &v) { order << "battery " + v; });
    connect(&sink, &Bluetooth::btAlertMessageReceived, this, [&order](const QString &a) { order << "alert " + a; });

    // Two lines in one write: both, in order.
    QCOMPARE(m_board->send("bt ttyO2 raw BT_RX SENSOR 2\\r\\nBT_RX BATT_VOLTAGE 3800\\r\\n"), QStringLiteral("ok"));
    QTRY_COMPARE(order, QStringList({"sensor 2", "battery 3800"}));

    // A partial line waits for its end.
    order.clear();
    QCOMPARE(m_board->send("bt ttyO2 raw BT_RX SENS"), QStringLiteral("ok"));
    QTest::qWait(200);
    QVERIFY(order.isEmpty());
    QCOMPARE(m_board->send("bt ttyO2 raw OR 3\\r"), QStringLiteral("ok"));
    QTest::qWait(200);
    QVERIFY(order.isEmpty()); // "\r" alone is no line end yet
    QCOMPARE(m_board->send("bt ttyO2 raw \\n"), QStringLiteral("ok"));
    QTRY_COMPARE(order, QStringList({"sensor 3"}));

    // A character split between two reads stays whole.
    order.clear();
    QCOMPARE(m_board->send("bt ttyO2 raw BT_RX ALERT \\xc3"), QStringLiteral("ok"));
    QTest::qWait(200);
    QCOMPARE(m_board->send("bt ttyO2 raw \\xa4\\r\\n"), QStringLiteral("ok"));
    QTRY_COMPARE(order, QStringList({QStringLiteral("alert \u00e4")}));

    // A line ended by a bare "\n" is parsed together with the next one.
    order.clear();
    QCOMPARE(m_board->send("bt ttyO2 raw BT_RX SENSOR 5\\n"), QStringLiteral("ok"));
    QTest::qWait(200);
    QVERIFY(order.isEmpty());
    QCOMPARE(m_board->send("bt ttyO2 send BT_RX ALERT 1"), QStringLiteral("ok"));
    QTRY_COMPARE(order, QStringList({"sensor 5"}));
    QTest::qWait(200);
    QCOMPARE(order, QStringList({"sensor 5"}));

    // A zero byte is dropped, the rest of the read still counts.
    order.clear();
    QCOMPARE(m_board->send("bt ttyO2 raw BT_RX SEN\\0SOR 6\\r\\nBT_RX ALERT 0\\r\\n"), QStringLiteral("ok"));
    QTRY_COMPARE(order, QStringList({"sensor 6", "alert 0"}));
}

void TestBluetooth::garbageChangesNothing()
{
    Bluetooth sink;
    QVERIFY(connectSink(sink, *m_board, *m_root));
    sink.sendData(QStringLiteral("SET")); // module name and profile known
    QTRY_COMPARE(sink.getBtIdModul(), QStringLiteral("02:00:00:39:00:02"));
    QTRY_VERIFY(sink.isConnectedRFCOMM());
    QTest::qWait(200);
    auto state = [&sink] {
        return QStringList{QString::number(sink.isConnectedA2DP()), QString::number(sink.isConnectedRFCOMM()),
                           QString::number(sink.isConnectedAVRCP()), sink.getBtIdModul(), sink.getBtName(),
                           QString::number(sink.getBtProfile()), QString::number(sink.getBtExtHeadphoneGain()),
                           QString::number(sink.getBtExtHeadphoneBatteryState()), QString::number(sink.getBtExtMicGain())};
    };
    const QStringList before = state();
    QSignalSpy battery(&sink, &Bluetooth::btBatteryvoltageReceived);
    QSignalSpy mute(&sink, &Bluetooth::stateActiveMuteChanged);
    QSignalSpy reset(&sink, &Bluetooth::btModulReset);

    const QStringList garbage{
        "XYZ 1 2", "12345", "BT_R", "LIST 0 DISCONNECTED A2DP", "CONNECT 5 FOO 1", "RING 1 2 3 FOO",
        "HFP-AG 1 NOTREADY", "AVRCP 1 2 3 OTHER 5", "BT_RX", "BT_RX SENSOR", "SET BT", "\\xff\\xfe\\x80garbage",
        "\\x01\\x02\\x03\\x7f", "\\0\\0\\0"};
    for (const QString &g : garbage)
        QCOMPARE(m_board->send("bt ttyO2 raw " + g + "\\r\\n"), QStringLiteral("ok"));
    // An overlong line, in several writes, and a run of carriage returns.
    const QString chunk(1000, QLatin1Char('A'));
    for (int i = 0; i < 6; ++i)
        QCOMPARE(m_board->send("bt ttyO2 raw " + chunk), QStringLiteral("ok"));
    QCOMPARE(m_board->send("bt ttyO2 raw \\r\\n"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("bt ttyO2 raw " + QStringLiteral("\\r").repeated(50)), QStringLiteral("ok"));
    QTest::qWait(400);
    QCOMPARE(state(), before);
    QCOMPARE(battery.count(), 0);
    QCOMPARE(mute.count(), 0);
    QCOMPARE(reset.count(), 0);

    // The link still works.
    QCOMPARE(m_board->send("bt ttyO2 raw \\n"), QStringLiteral("ok"));
    sink.sendData(QStringLiteral("BT_TX B"));
    QTRY_COMPARE(battery.count(), 1);
    QCOMPARE(battery.at(0).at(0).toString(), QStringLiteral("3900"));
}

// ---------------------------------------------------------------------------
// With the main window

void TestBluetooth::microphoneLineFollowsTheDataLink()
{
    writeSettings(*m_root, QByteArray("[Bluetooth]\nMicrophone_ID=") + SimBoard::kUnitAddress
                               + "\nHeadphone_ID=" + SimBoard::kHeadphoneAddress + "\n");
    MainMenu w;
    Bluetooth *sink = w.getBtSinkInstance();
    // At start-up the line cannot go out; once the data link is up the main
    // window sends it again.
    QVERIFY(m_board->waitForDataLink());
    // (The status data's own questions to the unit may follow it.)
    QTRY_COMPARE(m_board->unitLines().value(0), QStringLiteral("BT_TX I 0f MUTE SWITCH"));
    QCOMPARE(m_board->unitLines().count("BT_TX I 0f MUTE SWITCH"), 1);
    QVERIFY(sink->isConnectedRFCOMM());
    const QStringList module = m_board->moduleLines("ttyO2");
    QCOMPARE(module.mid(0, 3), QStringList({"LIST", "SET CONTROL GAIN 5 f", "SET CONTROL AUTOCALL 19 500 A2DP"}));
    QVERIFY(module.contains(QStringLiteral("CALL %1 1101 RFCOMM").arg(kUnit)));

    // The unit restarts: the line goes out again.
    QCOMPARE(m_board->send("unit restart"), QStringLiteral("ok"));
    QTRY_COMPARE(m_board->unitLines().count("BT_TX I 0f MUTE SWITCH"), 2);

    // The unit's key opens the path; on the main page the window mutes again.
    QCOMPARE(m_board->send("unit key press"), QStringLiteral("ok"));
    QTRY_COMPARE(m_board->unitLines().count("BT_TX I 0f MUTE SWITCH"), 3);
    QTRY_VERIFY(m_board->send("unit status").contains("; MUTE;"));

    // The headphone link came up too, without a data link.
    QTRY_VERIFY(w.getBtSourceInstance()->isConnectedA2DP());
    QVERIFY(!m_board->moduleLines("ttyO3").join('\n').contains("RFCOMM"));
}

void TestBluetooth::diagnosticFile_data()
{
    QTest::addColumn<int>("debug");
    QTest::newRow("debug features on") << 1;
    QTest::newRow("debug features off") << 0;
}

void TestBluetooth::diagnosticFile()
{
    QFETCH(int, debug);
    writeSettings(*m_root, QByteArray("[Bluetooth]\nMicrophone_ID=") + SimBoard::kUnitAddress
                               + "\n[Debug]\nDebugfeatures=" + QByteArray::number(debug) + "\n");
    QVERIFY(m_root->write("/media/tq3900/btInfo.txt", "old run\n"));
    // Only the lines this test sends: the status data asks the unit nothing
    // meanwhile (its own requests at start go nowhere, the link is not up).
    struct StatusTimers {
        StatusTimers() { set(false); }
        ~StatusTimers() { set(true); }
        static void set(bool on)
        {
            for (QTimer *t : StatusbarData()->findChildren<QTimer *>())
                on ? t->start() : t->stop();
        }
    } quiet;
    {
        MainMenu w;
        QCOMPARE(g_debugFeatures, debug);
        QVERIFY(m_board->waitForDataLink());
        QTRY_COMPARE(m_board->unitLines(), QStringList({"BT_TX I 0f MUTE SWITCH"}));
        QTest::qWait(300); // its answer is in: the next line is not queued (a queued one is logged twice)
        w.getBtSinkInstance()->sendData(QStringLiteral("BT_TX B"));
        QTRY_COMPARE(m_board->unitLines().size(), 2);
        QTest::qWait(300); // the answer is in
    }
    const QString text = QString::fromLatin1(m_root->read("/media/tq3900/btInfo.txt"));
    if (debug == 0) {
        // Not touched: neither removed nor written.
        QCOMPARE(text, QStringLiteral("old run\n"));
        return;
    }
    QVERIFY(!text.contains("old run"));
    const QStringList lines = text.split('\n', Qt::SkipEmptyParts);
    const QRegularExpression entry(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d (H->M|M->H) (.+)$"));
    QStringList toUnit, fromModule;
    for (const QString &l : lines) {
        const auto m = entry.match(l);
        QVERIFY2(m.hasMatch(), qPrintable(l));
        (m.captured(1) == "H->M" ? toUnit : fromModule) << m.captured(2);
    }
    QCOMPARE(toUnit, QStringList({"BT_TX I 0f MUTE SWITCH", "BT_TX B"}));
    QVERIFY(fromModule.contains("BT_RX RCVOK MUTE"));
    QVERIFY(fromModule.contains("BT_RX BATT_VOLTAGE 3900"));
    QVERIFY(fromModule.contains("CONNECT 2 RFCOMM 1"));
    QVERIFY(fromModule.contains("A2DP STREAMING START 1"));
}

QTEST_MAIN(TestBluetooth)
#include "tst_bluetooth.moc"
