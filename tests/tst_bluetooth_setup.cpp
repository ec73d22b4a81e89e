// Module set-up, gains and headphone control against the simulated modules:
// the three set-up sequences sent while the module is in data mode, the
// module's own settings list and restart report, the sensor unit's gain, and
// the headphone's remote control, hands-free link, battery and volume.
#include "bluetooth.h"
#include "globals.h"
#include "sensorunitlink.h"
#include "pairedboard.h"
#include "simboard.h"
#include "testroot.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const QString kHeadphone = QString::fromLatin1(SimBoard::kHeadphoneAddress);

QStringList sequence(const char *pagemode, const char *name, const char *a2dp, const char *avrcp,
                     bool handsFree, const char *deviceClass)
{
    QStringList lines{QString::fromLatin1("SET BT PAGEMODE ") + pagemode, "SET CONTROL ECHO 5",
                      "SET BT FILTER 200400 200400", "SET BT PAIRCOUNT 1",
                      QString::fromLatin1("SET BT NAME ") + name, "SET CONTROL PREAMP 0 0", "SET CONTROL CD 04 1",
                      "SET CONTROL ESCAPE - 02 1", QString::fromLatin1("SET PROFILE A2DP ") + a2dp,
                      QString::fromLatin1("SET PROFILE AVRCP ") + avrcp};
    if (handsFree)
        lines << "SET PROFILE HFP-AG ON";
    lines << QString::fromLatin1("SET BT CLASS ") + deviceClass;
    return lines;
}

} // namespace

class TestBluetoothSetup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void setUpSequenceInDataMode_data();
    void setUpSequenceInDataMode();
    void moduleRestartIsReported();
    void sensorUnitGain();
    void headphoneControl();

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

void TestBluetoothSetup::init()
{
    g_debugFeatures = 0;
    startBoard(&m_root, &m_board);
}

void TestBluetoothSetup::cleanup()
{
    m_board.reset();
    m_root.reset();
}

void TestBluetoothSetup::setUpSequenceInDataMode_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("profile");
    QTest::newRow("sensor-unit module") << 0
                                        << sequence("0 2000 2", "TQE3900_MIC", "SINK", "CONTROLLER 3", false, "280438")
                                        << "TQE3900_MIC" << 1;
    QTest::newRow("headphone module") << 1 << sequence("0 2000 2", "TQE3900_HP", "SOURCE", "TARGET 7", true, "280428")
                                      << "TQE3900_HP" << 2;
    QTest::newRow("unit stand-in of the audio test")
        << 2 << sequence("3 4000 1", "TQE3900_SIM_MIC", "SOURCE", "TARGET 7", false, "280428") << "TQE3900_SIM_MIC"
        << 2;
}

void TestBluetoothSetup::setUpSequenceInDataMode()
{
    QFETCH(int, kind);
    QFETCH(QStringList, lines);
    QFETCH(QString, name);
    QFETCH(int, profile);
    Bluetooth sink;
    QVERIFY(connectSink(sink, *m_board, *m_root));
    QCOMPARE(sink.getBtName(), QStringLiteral("unknown"));
    const int mark = m_board->moduleLines("ttyO2").size();
    if (kind == 0)
        sink.initBtModulSink();
    else if (kind == 1)
        sink.initBtModulSource();
    else
        sink.initBtModulSourceTestmode();
    // Nothing reaches the module before it has left data mode; then the
    // whole sequence arrives in order, none of it at the unit.
    QTest::qWait(150);
    QCOMPARE(m_board->moduleLines("ttyO2").size(), mark);
    QTRY_COMPARE_WITH_TIMEOUT(m_board->moduleLines("ttyO2").mid(mark), lines, 2000);
    QVERIFY(m_board->unitLines().isEmpty());

    // The module's settings list gives its own address, the new name and role.
    sink.sendData(QStringLiteral("SET"));
    QTRY_COMPARE(sink.getBtName(), name);
    QCOMPARE(sink.getBtProfile(), profile);
    QCOMPARE(sink.getBtIdModul(), QStringLiteral("02:00:00:39:00:02"));
}

void TestBluetoothSetup::moduleRestartIsReported()
{
    Bluetooth source;
    source.initBluetooth(QStringLiteral("/dev/ttyO3"), kHeadphone);
    source.callBtDeviceA2DP(false);
    QTRY_VERIFY_WITH_TIMEOUT(source.isConnectedA2DP(), 2000);
    QSignalSpy reset(&source, &Bluetooth::btModulReset);
    source.initBtModulSource();
    source.sendData(QStringLiteral("RESET"));
    // The banner first, then the ready line: one report.
    QTRY_COMPARE_WITH_TIMEOUT(reset.count(), 1, 2000);
    QTest::qWait(300);
    QCOMPARE(reset.count(), 1);
    // The restart took the links down (the stream comes back by itself).
    QVERIFY(m_board->send("headphone status").contains("hfp down"));
    // A ready line without a restart before it reports nothing.
    QCOMPARE(m_board->send("bt ttyO3 send READY."), QStringLiteral("ok"));
    QTest::qWait(300);
    QCOMPARE(reset.count(), 1);
    // The settings survived the restart.
    source.sendData(QStringLiteral("SET"));
    QTRY_COMPARE(source.getBtName(), QStringLiteral("TQE3900_HP"));
    QCOMPARE(source.getBtProfile(), 2);
}

void TestBluetoothSetup::sensorUnitGain()
{
    Bluetooth sink;
    QVERIFY(connectSink(sink, *m_board, *m_root));
    QCOMPARE(sink.getBtExtMicGain(), 15);
    sink.setBtExtMicGain(17);
    QCOMPARE(sink.getBtExtMicGain(), 17);
    QTRY_COMPARE(m_board->unitLines(), QStringList({"BT_TX G 11"}));
    QTRY_VERIFY(m_board->send("unit status").endsWith("gain 11"));
    // The next gain waits for the unit's answer, then follows; small codes
    // keep their leading zero.
    sink.setBtExtMicGain(10);
    QTRY_COMPARE(m_board->unitLines(), QStringList({"BT_TX G 11", "BT_TX G 0a"}));
    QTRY_VERIFY(m_board->send("unit status").endsWith("gain 0a"));
}

void TestBluetoothSetup::headphoneControl()
{
    QCOMPARE(m_board->send("headphone battery 6"), QStringLiteral("ok"));
    Bluetooth source;
    QSignalSpy battery(&source, &Bluetooth::btHeadphoneBatteryStateReceived);
    QSignalSpy volume(&source, &Bluetooth::btHeadphoneVolumeChanged);
    source.initBluetooth(QStringLiteral("/dev/ttyO3"), kHeadphone);
    source.callBtDeviceA2DP(false);

    // The stream starts, the headphone opens its remote control, the module
    // calls its hands-free side, and once that is ready the battery is
    // asked for and reported: level 6 is 70 %.
    QTRY_COMPARE_WITH_TIMEOUT(battery.count(), 1, 3000);
    QCOMPARE(battery.at(0).at(0).toInt(), 70);
    QCOMPARE(source.getBtExtHeadphoneBatteryState(), 70);
    QVERIFY(source.isConnectedA2DP() && source.isConnectedAVRCP());
    QCOMPARE(m_board->moduleLines("ttyO3").mid(2), QStringList({"CALL " + kHeadphone + " 111E HFP-AG", "@3 +CHLD=0"}));
    QVERIFY(m_board->send("headphone status").contains("avrcp up; hfp up"));
    // A new level from the headphone: level 7 is 80 %.
    QCOMPARE(m_board->send("headphone battery 7"), QStringLiteral("ok"));
    QTRY_COMPARE(battery.count(), 2);
    QCOMPARE(battery.at(1).at(0).toInt(), 80);
    source.requestHeadphoneBatteryState();
    QTRY_COMPARE(battery.count(), 3);
    QCOMPARE(source.getBtExtHeadphoneBatteryState(), 80);

    // Absolute volume: 50 % is step 8 at both ends.
    source.setBtExtHeadphoneGain(50);
    QCOMPARE(source.getBtExtHeadphoneGain(), 8);
    QTRY_VERIFY(m_board->moduleLines("ttyO3").endsWith("AVRCP PDU 50 50"));
    QTRY_VERIFY(m_board->send("headphone status").contains("volume 50"));
    // Registered for reports, the user's turn of the volume sets the step.
    source.sendData(QStringLiteral("AVRCP PDU 31 D"));
    QTRY_VERIFY(m_board->moduleLines("ttyO3").endsWith("AVRCP PDU 31 D"));
    QCOMPARE(m_board->send("headphone volume 81"), QStringLiteral("ok"));
    QTRY_COMPARE(volume.count(), 1);
    QCOMPARE(volume.at(0).at(0).toInt(), 81);
    QCOMPARE(source.getBtExtHeadphoneGain(), 13);
    // Up from 13: the headphone reports its new volume, which agrees.
    source.setBtExtHeadphoneVolUp();
    QCOMPARE(source.getBtExtHeadphoneGain(), 14);
    QTRY_COMPARE(volume.count(), 2);
    QCOMPARE(source.getBtExtHeadphoneGain(), 14);
    source.setBtExtHeadphoneVolUp();
    QTRY_COMPARE(volume.count(), 3);
    QCOMPARE(source.getBtExtHeadphoneGain(), 15);
    // At the top: the step stays 15 and the command is still sent.
    const int ups = m_board->moduleLines("ttyO3").count("AVRCP UP");
    source.setBtExtHeadphoneVolUp();
    QCOMPARE(source.getBtExtHeadphoneGain(), 15);
    QTRY_COMPARE(m_board->moduleLines("ttyO3").count("AVRCP UP"), ups + 1);
    source.setBtExtHeadphoneVolDown();
    QCOMPARE(source.getBtExtHeadphoneGain(), 14);
    QTRY_COMPARE(volume.count(), 5);
    QCOMPARE(source.getBtExtHeadphoneGain(), 14);
}

QTEST_MAIN(TestBluetoothSetup)
#include "tst_bluetooth_setup.moc"
