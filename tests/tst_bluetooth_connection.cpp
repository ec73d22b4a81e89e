// The Bluetooth links' connection state machine against the simulated
// modules: A2DP then RFCOMM on the sensor-unit link, A2DP only on the
// headphone link, giving up and trying again, link loss and return, taking
// over the links a running module reports, disconnecting and resetting.
#include "bluetooth.h"
#include "globals.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "testroot.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const QString kUnit = QString::fromLatin1(SimBoard::kUnitAddress);
const QString kHeadphone = QString::fromLatin1(SimBoard::kHeadphoneAddress);

int find(const QList<QPair<QTime, QString>> &log, const QString &text, int from = 0)
{
    for (int i = qMax(0, from); i < log.size(); ++i)
        if (log.at(i).second == text)
            return i;
    return -1;
}

} // namespace

class TestBluetoothConnection : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void sensorUnitLinkConnectsA2dpThenRfcomm();
    void givesUpWithoutRfcommAndTriesAgain();
    void headphoneLinkNeverCallsRfcomm();
    void linkLossAndReturn_data();
    void linkLossAndReturn();
    void noCarrierOnLinkThreeIsIgnored();
    void takesOverLinksTheModuleLists();
    void disconnectInCommandMode();
    void disconnectFromDataMode();
    void resetTakesNewAddress();

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

void TestBluetoothConnection::init()
{
    g_debugFeatures = 0;
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY2(m_board->isRunning(), qPrintable(m_board->error()));
}

void TestBluetoothConnection::cleanup()
{
    m_board.reset();
    m_root.reset();
}

void TestBluetoothConnection::sensorUnitLinkConnectsA2dpThenRfcomm()
{
    Bluetooth sink;
    sink.initBluetooth(QStringLiteral("/dev/ttyO2"), kUnit);
    QElapsedTimer clock;
    clock.start();
    sink.callBtDeviceA2DP(true);
    // Automatic calling is switched on at once.
    QTRY_COMPARE_WITH_TIMEOUT(m_board->moduleLines("ttyO2"),
                              QStringList({"LIST", "SET CONTROL AUTOCALL 19 500 A2DP"}), 300);
    QVERIFY(!sink.isConnectedA2DP());
    // The module calls the unit; once the stream runs the data link is called.
    QTRY_VERIFY_WITH_TIMEOUT(sink.isConnectedA2DP(), 2000);
    const QString call = QStringLiteral("CALL %1 1101 RFCOMM").arg(kUnit);
    QVERIFY(!m_board->moduleLines("ttyO2").contains(call));
    QTRY_VERIFY_WITH_TIMEOUT(m_board->moduleLines("ttyO2").contains(call), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(sink.isConnectedRFCOMM(), 1000);
    // Carrier up: data mode, DTR held low.
    QVERIFY(m_board->waitForDataLink(1000));
    QCOMPARE(gpio(*m_root, 59), QByteArray("1"));
    QCOMPARE(gpio(*m_root, 58), QByteArray("0"));
    QVERIFY2(clock.elapsed() < 4000, qPrintable(QString::number(clock.elapsed())));
    QTest::qWait(100);
    sink.sendData(QStringLiteral("BT_TX T"));
    QTRY_COMPARE_WITH_TIMEOUT(m_board->unitLines(), QStringList({"BT_TX T"}), 500);
    // The data link stays up; the machine sends nothing more while idle there.
    const int lines = m_board->moduleLines("ttyO2").size();
    QTest::qWait(1500);
    QCOMPARE(m_board->moduleLines("ttyO2").size(), lines);
    QVERIFY(sink.isConnectedRFCOMM() && sink.isConnectedA2DP());
}

void TestBluetoothConnection::givesUpWithoutRfcommAndTriesAgain()
{
    // The unit's data channel does not answer.
    QCOMPARE(m_board->send("bt ttyO2 drop rfcomm"), QStringLiteral("ok"));
    Bluetooth sink;
    sink.initBluetooth(QStringLiteral("/dev/ttyO2"), kUnit);
    sink.callBtDeviceA2DP(true);
    const QString call = QStringLiteral("CALL %1 1101 RFCOMM").arg(kUnit);
    QTRY_VERIFY_WITH_TIMEOUT(m_board->moduleLines("ttyO2").contains(call), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(m_board->moduleLines("ttyO2").count(call) == 2, 9000);
    const auto log = m_board->moduleLog("ttyO2");
    const int first = find(log, call);
    const int kill = find(log, "KILL " + kUnit, first);
    QVERIFY(kill > first);
    QCOMPARE(log.at(kill + 1).second, QStringLiteral("CLOSE 0"));
    QCOMPARE(log.at(kill + 2).second, QStringLiteral("CLOSE 1"));
    QCOMPARE(log.at(kill + 3).second, QStringLiteral("CLOSE 2"));
    QCOMPARE(log.at(kill + 4).second, QStringLiteral("CLOSE 3"));
    // One second, then 200 polls of 10 ms before giving up.
    const int waited = log.at(first).first.msecsTo(log.at(kill).first);
    QVERIFY2(waited >= 2800 && waited < 4500, qPrintable(QString::number(waited)));
    // The new attempt follows once the stream is back.
    QVERIFY(find(log, call, kill) > kill);
    QVERIFY(!sink.isConnectedRFCOMM());

    // With the data channel back the next attempt connects.
    QCOMPARE(m_board->send("bt ttyO2 restore rfcomm"), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(sink.isConnectedRFCOMM(), 9000);
}

void TestBluetoothConnection::headphoneLinkNeverCallsRfcomm()
{
    Bluetooth source;
    source.initBluetooth(QStringLiteral("/dev/ttyO3"), kHeadphone);
    source.callBtDeviceA2DP(false);
    QTRY_VERIFY_WITH_TIMEOUT(source.isConnectedA2DP(), 2000);
    QTest::qWait(2500);
    QCOMPARE(m_board->moduleLines("ttyO3"), QStringList({"LIST", "SET CONTROL AUTOCALL 19 500 A2DP"}));
    QVERIFY(!source.isConnectedRFCOMM());
    QCOMPARE(m_board->send("bt ttyO3 status"), QStringLiteral("command; 0 A2DP, 1 A2DP"));
    // The headphone link does not touch the control lines after initialisation.
    QCOMPARE(m_root->sysfsWritesTo("/sys/class/gpio/gpio58/value"), QStringList({"0"}));
}

void TestBluetoothConnection::linkLossAndReturn_data()
{
    QTest::addColumn<QString>("profile");
    QTest::newRow("data link lost") << "rfcomm";
    QTest::newRow("audio stream lost") << "a2dp";
}

void TestBluetoothConnection::linkLossAndReturn()
{
    QFETCH(QString, profile);
    Bluetooth sink;
    QVERIFY(connectSink(sink, *m_board, *m_root));
    QSignalSpy battery(&sink, &Bluetooth::btBatteryvoltageReceived);

    QCOMPARE(m_board->send("bt ttyO2 drop " + profile), QStringLiteral("ok"));
    QTRY_VERIFY(!sink.isConnectedRFCOMM() && !sink.isConnectedA2DP());
    QTRY_COMPARE(gpio(*m_root, 59), QByteArray("0"));
    sink.sendData(QStringLiteral("BT_TX B")); // lost with the link
    QTest::qWait(300);
    QVERIFY(m_board->unitLines().isEmpty());

    QCOMPARE(m_board->send("bt ttyO2 restore " + profile), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(sink.isConnectedRFCOMM(), 10000);
    QVERIFY(m_board->waitForDataLink(2000));
    QTest::qWait(150);
    // The queue works as before.
    sink.sendData(QStringLiteral("BT_TX B"));
    sink.sendData(QStringLiteral("BT_TX T"));
    sink.sendData(QStringLiteral("BT_TX B"));
    QTRY_COMPARE_WITH_TIMEOUT(m_board->unitLines(), QStringList({"BT_TX B", "BT_TX T", "BT_TX B"}), 2000);
    QTRY_COMPARE(battery.count(), 2);
}

void TestBluetoothConnection::noCarrierOnLinkThreeIsIgnored()
{
    Bluetooth sink;
    QVERIFY(connectSink(sink, *m_board, *m_root));
    QCOMPARE(m_board->send("bt ttyO2 send NO CARRIER 3 ERROR 0"), QStringLiteral("ok"));
    QTest::qWait(200);
    QVERIFY(sink.isConnectedRFCOMM() && sink.isConnectedA2DP());
    sink.sendData(QStringLiteral("BT_TX B"));
    QTRY_COMPARE(m_board->unitLines(), QStringList({"BT_TX B"}));

    // Any other link: the connection counts as lost.
    QCOMPARE(m_board->send("bt ttyO2 send NO CARRIER 0 ERROR 0"), QStringLiteral("ok"));
    QTRY_VERIFY(!sink.isConnectedRFCOMM() && !sink.isConnectedA2DP());
    // The stream stopping does the same.
    QCOMPARE(m_board->send("bt ttyO2 send A2DP STREAMING START 1"), QStringLiteral("ok"));
    QTRY_VERIFY(sink.isConnectedA2DP());
    QCOMPARE(m_board->send("bt ttyO2 send A2DP STREAMING STOP"), QStringLiteral("ok"));
    QTRY_VERIFY(!sink.isConnectedA2DP());
}

void TestBluetoothConnection::takesOverLinksTheModuleLists()
{
    {
        Bluetooth first;
        QVERIFY(connectSink(first, *m_board, *m_root));
    }
    // The program ended with the link up: the module is still in data mode.
    QCOMPARE(gpio(*m_root, 59), QByteArray("1"));
    QVERIFY(m_board->send("bt ttyO2 status").startsWith("data; 0 A2DP, 1 A2DP, 2 RFCOMM"));
    const int mark = m_board->moduleLines("ttyO2").size();

    Bluetooth sink;
    QSignalSpy rfcomm(&sink, &Bluetooth::btConnectedRfcomm);
    sink.initBluetooth(QStringLiteral("/dev/ttyO2"), kUnit); // DTR toggle: command mode
    QCOMPARE(gpio(*m_root, 59), QByteArray("0"));
    sink.callBtDeviceA2DP(true);
    // The module's list gives the links; no new call is made.
    QTRY_COMPARE(rfcomm.count(), 1);
    QVERIFY(sink.isConnectedA2DP() && sink.isConnectedRFCOMM());
    QTest::qWait(300);
    QCOMPARE(m_board->moduleLines("ttyO2").mid(mark), QStringList({"LIST", "SET CONTROL AUTOCALL 19 500 A2DP"}));
    // The next message selects the data link again.
    sink.sendData(QStringLiteral("BT_TX B"));
    QTRY_COMPARE(m_board->unitLines(), QStringList({"BT_TX B"}));
    QCOMPARE(m_board->moduleLines("ttyO2").mid(mark + 2), QStringList({"SELECT 2", "BT_TX B"}));
}

void TestBluetoothConnection::disconnectInCommandMode()
{
    Bluetooth source;
    source.initBluetooth(QStringLiteral("/dev/ttyO3"), kHeadphone);
    source.callBtDeviceA2DP(false);
    QTRY_VERIFY_WITH_TIMEOUT(source.isConnectedA2DP(), 2000);
    const int mark = m_board->moduleLines("ttyO3").size();
    QElapsedTimer clock;
    clock.start();
    source.disconnectBtDevice();
    QVERIFY(clock.elapsed() >= 500);
    QVERIFY(!source.isConnectedA2DP());
    const QStringList sequence{"SET CONTROL AUTOCALL", "KILL " + kHeadphone, "CLOSE 0", "CLOSE 1",
                               "CLOSE 2", "CLOSE 3", "SET CONTROL AUTOCALL"};
    QTRY_COMPARE(m_board->moduleLines("ttyO3").mid(mark), sequence);
    const auto log = m_board->moduleLog("ttyO3");
    const int gap = log.at(mark).first.msecsTo(log.at(mark + 1).first);
    QVERIFY2(gap >= 480, qPrintable(QString::number(gap)));
    QVERIFY(log.at(mark + 1).first.msecsTo(log.last().first) < 200);

    // Automatic calling is off: the headphone stays away.
    QTest::qWait(1200);
    QCOMPARE(m_board->send("bt ttyO3 status"), QStringLiteral("command"));
    // A stream start reported later only sets the flag.
    QCOMPARE(m_board->send("bt ttyO3 send A2DP STREAMING START 1"), QStringLiteral("ok"));
    QTRY_VERIFY(source.isConnectedA2DP());
    QTest::qWait(1500);
    QCOMPARE(m_board->moduleLines("ttyO3").size(), mark + sequence.size());
}

void TestBluetoothConnection::disconnectFromDataMode()
{
    Bluetooth sink;
    QVERIFY(connectSink(sink, *m_board, *m_root));
    const int mark = m_board->moduleLines("ttyO2").size();
    sink.disconnectBtDevice();
    // Held until the module left data mode, then written in order.
    const QStringList sequence{"SET CONTROL AUTOCALL", "KILL " + kUnit, "CLOSE 0", "CLOSE 1",
                               "CLOSE 2", "CLOSE 3", "SET CONTROL AUTOCALL"};
    QTRY_COMPARE(m_board->moduleLines("ttyO2").mid(mark), sequence);
    QVERIFY(m_board->unitLines().isEmpty());
    QTRY_COMPARE(m_board->send("bt ttyO2 status"), QStringLiteral("command"));
    QVERIFY(!sink.isConnectedRFCOMM() && !sink.isConnectedA2DP());

    // Afterwards a stream start makes no call.
    QCOMPARE(m_board->send("bt ttyO2 send A2DP STREAMING START 1"), QStringLiteral("ok"));
    QTRY_VERIFY(sink.isConnectedA2DP());
    QTest::qWait(1500);
    QCOMPARE(m_board->moduleLines("ttyO2").size(), mark + sequence.size());
}

void TestBluetoothConnection::resetTakesNewAddress()
{
    Bluetooth sink;
    QVERIFY(connectSink(sink, *m_board, *m_root));
    sink.sendData(QStringLiteral("BT_TX I 13 ACTIVE SWITCH"));
    QCOMPARE(sink.getBtExtMicGain(), 0x13);
    sink.disconnectBtDevice();
    QTRY_COMPARE(m_board->send("bt ttyO2 status"), QStringLiteral("command"));

    // A newly paired unit.
    const QString other = QStringLiteral("02:00:00:39:01:22");
    QCOMPARE(m_board->send("unit address " + other), QStringLiteral("ok"));
    sink.resetBluetooth(other);
    QCOMPARE(sink.getBtExtMicGain(), 15);
    QCOMPARE(sink.getBtExtHeadphoneGain(), 8);
    QVERIFY(!sink.isConnectedA2DP());
    const int mark = m_board->moduleLines("ttyO2").size();
    QTest::qWait(300);
    QCOMPARE(m_board->moduleLines("ttyO2").size(), mark); // idle until asked
    sink.callBtDeviceA2DP(true);
    QTRY_VERIFY_WITH_TIMEOUT(sink.isConnectedRFCOMM(), 5000);
    QVERIFY(m_board->moduleLines("ttyO2").mid(mark).contains(QStringLiteral("CALL %1 1101 RFCOMM").arg(other)));
    // An empty address keeps the current one.
    sink.resetBluetooth(QString());
    sink.disconnectBtDevice();
    QTRY_VERIFY(m_board->moduleLines("ttyO2").contains("KILL " + other));
}

QTEST_MAIN(TestBluetoothConnection)
#include "tst_bluetooth_connection.moc"
