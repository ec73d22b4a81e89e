// The GPS, battery and sensor-detection tests against the simulated board:
// what the receiver sends (all sentences, some kinds only, a void fix, a
// position on the equator), the power-supply files (a "Full" charger, a
// gauge that vanished) and the wired sensor's socket and converter channel,
// as the station reads them and as the screen shows them.
#include "eventhandler.h"
#include "gps.h"
#include "simboard.h"
#include "station.h"
#include "testmenubattery.h"
#include "testmenugps.h"
#include "testmenusensordetection.h"
#include "testroot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

const char kGpio65[] = "/sys/class/gpio/gpio65/value";
const char kGpio50[] = "/sys/class/gpio/gpio50/value";

template <class T> T *child(QWidget *w, const char *name)
{
    T *c = w->findChild<T *>(QLatin1String(name));
    if (!c)
        qWarning() << "no child" << name;
    return c;
}

QString field(QWidget *w, const char *name)
{
    return child<QLineEdit>(w, name)->text();
}

} // namespace

class TestTestReadings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void gpsTestAnswersFromTheReceiver();
    void batteryTestReadsTheSupply();
    void sensordetectionReadsSocketAndChannel();

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<Station> m_station;
    EventHandler m_filter;
};

void TestTestReadings::init()
{
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    m_station = std::make_unique<Station>(m_root->root());
    qApp->installEventFilter(&m_filter);
}

void TestTestReadings::cleanup()
{
    qApp->removeEventFilter(&m_filter);
    m_station.reset();
    m_root.reset();
}

void TestTestReadings::gpsTestAnswersFromTheReceiver()
{
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    QVERIFY(board.send("gps sentences RMC,BAD").startsWith("error: "));
    Gps gps;
    gps.initGps();
    gps.switchOnGpsModul();
    // A receiver that fell silent before the test: the driver still holds
    // its last RMC sentence, which must not count.
    QTRY_VERIFY_WITH_TIMEOUT(gps.getNmeaString().contains("RMC,"), 10000);
    QCOMPARE(board.send("gps output 0"), QStringLiteral("ok"));
    QCOMPARE(board.send("gps sentences GSA,GGA"), QStringLiteral("ok"));
    QVERIFY(board.send("gps status").endsWith(" sentences GGA,GSA"));

    auto test = std::make_unique<TestmenuGps>(nullptr, &gps);
    QElapsedTimer clock;
    clock.start();
    test->show();
    QVERIFY(QTest::qWaitForWindowExposed(test.get()));
    QPushButton *pass = child<QPushButton>(test.get(), "butPass");
    // When the page itself fills the latitude, not when the test notices it.
    QList<qint64> filled;
    connect(child<QLineEdit>(test.get(), "lineEditLatitude"), &QLineEdit::textChanged, test.get(),
            [&filled, &clock](const QString &text) {
                if (!text.isEmpty())
                    filled << clock.elapsed();
            });
    // Before the first update: nothing seen, nothing valid.
    QCOMPARE(m_station->pollNow(test->remote(), "cmdGpsGetStatusPosition"), QStringLiteral("resGpsStatusPosition=ERROR"));
    QCOMPARE(m_station->pollNow(test->remote(), "cmdGpsGetStatusModulConnected"),
             QStringLiteral("resGpsStatusModulConnected=ERROR"));
    QTRY_VERIFY_WITH_TIMEOUT(!field(test.get(), "lineEditLatitude").isEmpty(), 10000);
    QVERIFY2(filled.first() >= 1400, qPrintable(QString::number(filled.first())));
    // The update period, once in real time between two of the page's own
    // updates: 1.5 s.
    child<QLineEdit>(test.get(), "lineEditLatitude")->clear();
    QTRY_VERIFY_WITH_TIMEOUT(filled.size() >= 2, 10000);
    const qint64 period = filled.at(1) - filled.at(0);
    QVERIFY2(period >= 1350 && period < 4500, qPrintable(QString::number(period)));
    QCOMPARE(m_station->pollNow(test->remote(), "cmdGpsGetStatusPosition"), QStringLiteral("resGpsStatusPosition=ERROR"));
    QCOMPARE(m_station->pollNow(test->remote(), "cmdGpsGetStatusModulConnected"),
             QStringLiteral("resGpsStatusModulConnected=ERROR"));
    QCOMPARE(child<QPlainTextEdit>(test.get(), "textEditNmea")->toPlainText(), QString());
    QVERIFY(!pass->isVisible());

    // GGA and GSA only: no new RMC, so not connected.
    QCOMPARE(board.send("gps output 1"), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(field(test.get(), "lineEditLatitude") != QStringLiteral("0.000000"), 10000);
    child<QLineEdit>(test.get(), "lineEditLatitude")->clear();
    QTRY_VERIFY_WITH_TIMEOUT(!field(test.get(), "lineEditLatitude").isEmpty(), 10000);
    QCOMPARE(m_station->send("cmdGpsGetStatusModulConnected"), QStringLiteral("resGpsStatusModulConnected=ERROR"));
    QCOMPARE(child<QPlainTextEdit>(test.get(), "textEditNmea")->toPlainText(), QString());
    QVERIFY(!pass->isVisible());

    // All sentences: the RMC in view, Pass, both answers OK.
    QCOMPARE(board.send("gps sentences all"), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(pass->isVisible(), 10000);
    const QString rmc = child<QPlainTextEdit>(test.get(), "textEditNmea")->toPlainText();
    QVERIFY2(rmc.startsWith("$GPRMC,") && rmc.contains(",A,5231.00000,N,01324.00000,E,") && !rmc.contains('\n'),
             qPrintable(rmc));
    QCOMPARE(field(test.get(), "lineEditLongitude"), QStringLiteral("13.400000"));
    QCOMPARE(m_station->send("cmdGpsGetStatusPosition"), QStringLiteral("resGpsStatusPosition=OK"));
    QCOMPARE(m_station->pollNow(test->remote(), "cmdGpsGetStatusModulConnected"),
             QStringLiteral("resGpsStatusModulConnected=OK"));

    // Within 0.00001 degrees of the equator: no position.
    QCOMPARE(board.send("gps pos 0.000008 13.4"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(field(test.get(), "lineEditLatitude"), QStringLiteral("0.000008"), 10000);
    QCOMPARE(m_station->pollNow(test->remote(), "cmdGpsGetStatusPosition"), QStringLiteral("resGpsStatusPosition=ERROR"));
    QCOMPARE(board.send("gps pos -0.00002 -0.5"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(field(test.get(), "lineEditLatitude"), QStringLiteral("-0.000020"), 10000);
    QCOMPARE(m_station->pollNow(test->remote(), "cmdGpsGetStatusPosition"), QStringLiteral("resGpsStatusPosition=OK"));

    // A receiver without fix still answers: connected, no position. The
    // combined talker's RMC counts as well.
    QCOMPARE(board.send("gps fix 0"), QStringLiteral("ok"));
    QCOMPARE(board.send("gps talker GN"), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(child<QPlainTextEdit>(test.get(), "textEditNmea")->toPlainText().startsWith("$GNRMC,"),
                             10000);
    QTRY_COMPARE_WITH_TIMEOUT(field(test.get(), "lineEditLatitude"), QStringLiteral("0.000000"), 10000);
    QVERIFY(child<QPlainTextEdit>(test.get(), "textEditNmea")->toPlainText().contains(",V,"));
    QCOMPARE(m_station->pollNow(test->remote(), "cmdGpsGetStatusPosition"), QStringLiteral("resGpsStatusPosition=ERROR"));
    QCOMPARE(m_station->pollNow(test->remote(), "cmdGpsGetStatusModulConnected"),
             QStringLiteral("resGpsStatusModulConnected=OK"));

    // The verdicts come before the test's own commands.
    QCOMPARE(m_station->pollNow(test->remote(), "cmdTestGps"), QStringLiteral("staActive"));
    QCOMPARE(m_station->pollNow(test->remote(), "cmdGpsGetPosition"), QStringLiteral("staUnknownCommand"));
    shortPowerKeyPress(test.get());
    QVERIFY(test->isVisible());
    QCOMPARE(m_station->send("cmdExit"), QStringLiteral("resCanceled"));
    QVERIFY(!test->isVisible());
    test.reset();

    // Without a receiver: zeros with six decimals, nothing connected.
    TestmenuGps alone;
    QTRY_COMPARE_WITH_TIMEOUT(field(&alone, "lineEditLongitude"), QStringLiteral("0.000000"), 10000);
    QCOMPARE(m_station->pollNow(alone.remote(), "cmdGpsGetStatusModulConnected"),
             QStringLiteral("resGpsStatusModulConnected=ERROR"));
}

void TestTestReadings::batteryTestReadsTheSupply()
{
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    QCOMPARE(board.send("battery 87 3800"), QStringLiteral("ok"));
    QCOMPARE(board.send("temp 235"), QStringLiteral("ok"));
    QCOMPARE(board.send("current 12500"), QStringLiteral("ok"));
    QVERIFY(board.send("supplystatus").startsWith("error: "));
    QVERIFY(board.send("supplystatus a-very-long-status-word-of-the-charger").startsWith("error: "));
    QCOMPARE(board.send("supplystatus Full"), QStringLiteral("ok"));
    QCOMPARE(m_root->read(TestmenuBattery::kChargerStatusFile), QByteArray("Full\n"));
    QCOMPARE(m_root->read("/sys/class/power_supply/bq27426-0/status"), QByteArray("Full\n"));
    QCOMPARE(m_root->read("/sys/class/power_supply/bq27426-0/current_now"), QByteArray("12500\n"));
    m_root->write(kGpio65, "0");

    TestmenuBattery test;
    test.show();
    QVERIFY(QTest::qWaitForWindowExposed(&test));
    QCOMPARE(m_root->read(kGpio65), QByteArray("1"));
    QCOMPARE(child<QLabel>(&test, "labelUartUsb")->text(), QStringLiteral("UART"));
    // Read at construction; a full battery is not charging.
    QCOMPARE(field(&test, "lineEditVoltage"), QStringLiteral("3.8 V"));
    QCOMPARE(field(&test, "lineEditTemperature"), QStringLiteral("23.5 °C"));
    QCOMPARE(field(&test, "lineEditCurrent"), QStringLiteral("0.0125 A"));
    QCOMPARE(field(&test, "lineEditCapacity"), QStringLiteral("87 %"));
    QCOMPARE(field(&test, "lineEditCharging"), QStringLiteral("Discharging"));
    QVERIFY(!child<QPushButton>(&test, "butPass")->isVisible());

    // "Get" answers the last reading, not the files as they are now.
    QCOMPARE(board.send("battery 50 3700"), QStringLiteral("ok"));
    QCOMPARE(m_station->send("cmdBatteryGetVoltage"), QStringLiteral("resBatteryVoltage=3.8 V"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBatteryGetTemperature"), QStringLiteral("resBatteryTemperature=23.5 C"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBatteryGetChargestate"),
             QStringLiteral("resBatteryChargestate=discharging"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBatteryGetCapacity"), QStringLiteral("resBatteryCapacity=87 %"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBatteryGetCurrent"), QStringLiteral("resBatteryCurrent=0.0125 A"));

    QCOMPARE(board.send("charging 1"), QStringLiteral("ok"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBatteryRead"), QStringLiteral("staActive"));
    QVERIFY(child<QPushButton>(&test, "butPass")->isVisible());
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBatteryGetVoltage"), QStringLiteral("resBatteryVoltage=3.7 V"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBatteryGetChargestate"), QStringLiteral("resBatteryChargestate=charging"));
    QCOMPARE(field(&test, "lineEditCurrent"), QStringLiteral("0.45 A"));
    QCOMPARE(field(&test, "lineEditCharging"), QStringLiteral("Charging"));

    // Autoread follows the files; Read stops it.
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBatteryAutoread"), QStringLiteral("staActive"));
    QVERIFY(test.autoreadTimer()->isActive());
    QCOMPARE(test.autoreadTimer()->interval(), 1100);
    QCOMPARE(board.send("supplystatus Not charging"), QStringLiteral("ok"));
    QCOMPARE(board.send("temp -105"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(field(&test, "lineEditTemperature"), QStringLiteral("-10.5 °C"), 10000);
    QCOMPARE(field(&test, "lineEditCharging"), QStringLiteral("Discharging"));
    // Its period, once in real time between two readings: 1.1 s.
    QElapsedTimer clock;
    clock.start();
    child<QLineEdit>(&test, "lineEditTemperature")->clear();
    QTRY_VERIFY_WITH_TIMEOUT(!field(&test, "lineEditTemperature").isEmpty(), 10000);
    QVERIFY2(clock.elapsed() >= 1000 && clock.elapsed() < 3300, qPrintable(QString::number(clock.elapsed())));
    QTest::mouseClick(child<QPushButton>(&test, "butRead"), Qt::LeftButton);
    QVERIFY(!test.autoreadTimer()->isActive());

    // A gauge the driver lost keeps the last values; no number reads 0.
    QCOMPARE(board.send("gauge absent"), QStringLiteral("ok"));
    m_root->write(TestmenuBattery::kChargerStatusFile, "Charging\n");
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBatteryRead"), QStringLiteral("staActive"));
    QCOMPARE(field(&test, "lineEditVoltage"), QStringLiteral("3.7 V"));
    QCOMPARE(field(&test, "lineEditCharging"), QStringLiteral("Charging"));
    QCOMPARE(board.send("gauge present"), QStringLiteral("ok"));
    m_root->write("/sys/class/power_supply/bq27426-0/voltage_now", "n/a\n");
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBatteryGetVoltage"), QStringLiteral("resBatteryVoltage=3.7 V"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBatteryRead"), QStringLiteral("staActive"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBatteryGetVoltage"), QStringLiteral("resBatteryVoltage=0 V"));

    // The switch: USB, back to UART; Fail in USB mode returns to the UART.
    auto *toggle = child<QPushButton>(&test, "butUartUsb");
    QTest::mouseClick(toggle, Qt::LeftButton);
    QCOMPARE(child<QLabel>(&test, "labelUartUsb")->text(), QStringLiteral("USB"));
    QCOMPARE(m_root->read(kGpio65), QByteArray("0"));
    QCOMPARE(m_root->read(kGpio50), QByteArray("0"));
    QTest::mouseClick(toggle, Qt::LeftButton);
    QCOMPARE(child<QLabel>(&test, "labelUartUsb")->text(), QStringLiteral("UART"));
    QCOMPARE(m_root->read(kGpio65), QByteArray("1"));
    QTest::mouseClick(toggle, Qt::LeftButton);
    QCOMPARE(m_root->read(kGpio65), QByteArray("0"));
    shortPowerKeyPress(&test);
    QVERIFY(test.isVisible());
    m_root->clearJournals();
    QCOMPARE(m_station->pollNow(test.remote(), "cmdFail"), QStringLiteral("resFailed"));
    QVERIFY(!test.isVisible());
    QCOMPARE(m_root->read(kGpio65), QByteArray("1"));
    QCOMPARE(m_root->sysfsWrites(), QStringList({QStringLiteral("%1 0").arg(kGpio50), QStringLiteral("%1 1").arg(kGpio65)}));
    QCOMPARE(child<QLabel>(&test, "labelUartUsb")->text(), QStringLiteral("UART"));
}

void TestTestReadings::sensordetectionReadsSocketAndChannel()
{
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    const char *raw = TestmenuSensordetection::kRawFile;
    const char *enable = TestmenuSensordetection::kBufferEnableFile;
    QVERIFY(board.send("adc2 4096").startsWith("error: "));
    QVERIFY(board.send("adc2").startsWith("error: "));
    QCOMPARE(board.send("adc2 1234"), QStringLiteral("ok"));
    QCOMPARE(m_root->read(raw), QByteArray("1234\n"));
    QCOMPARE(board.send("gpio 48 1"), QStringLiteral("ok"));
    // A capture running when the test opens.
    m_root->write(enable, "1");

    TestmenuSensordetection test;
    test.show();
    QVERIFY(QTest::qWaitForWindowExposed(&test));
    QCOMPARE(field(&test, "lineEditADValue"), QStringLiteral("1234"));
    QCOMPARE(field(&test, "lineEditSensordetection"), QStringLiteral("connected"));
    QCOMPARE(m_root->read(enable), QByteArray("0"));
    QVERIFY(!child<QPushButton>(&test, "butPass")->isVisible());

    // The value commands answer the last reading.
    QCOMPARE(board.send("adc2 2000"), QStringLiteral("ok"));
    QCOMPARE(m_station->send("cmdSensordetectionAdValue"), QStringLiteral("resSensordetectionAdValue=1234"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdSensordetectionRead"), QStringLiteral("staActive"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdSensordetectionAdValue"), QStringLiteral("resSensordetectionAdValue=2000"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdSensordetectionDetected"), QStringLiteral("resSensordetectionDetected=1"));
    QVERIFY(child<QPushButton>(&test, "butPass")->isVisible());
    QCOMPARE(m_root->sysfsWritesTo(enable), QStringList({"0", "0"}));

    // No sensor; then a channel the driver does not offer.
    QCOMPARE(board.send("gpio 48 0"), QStringLiteral("ok"));
    QCOMPARE(board.send("adc2 absent"), QStringLiteral("ok"));
    QVERIFY(!m_root->exists(raw));
    QTest::mouseClick(child<QPushButton>(&test, "butRead"), Qt::LeftButton);
    QCOMPARE(field(&test, "lineEditSensordetection"), QStringLiteral("No sensor"));
    QCOMPARE(field(&test, "lineEditADValue"), QStringLiteral("unknown"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdSensordetectionAdValue"), QStringLiteral("resSensordetectionAdValue=0"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdSensordetectionDetected"), QStringLiteral("resSensordetectionDetected=0"));

    // What the file holds is shown as it is, up to a NUL; no number is 0.
    m_root->write(raw, QByteArray("  77\0junk", 9));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdSensordetectionRead"), QStringLiteral("staActive"));
    QCOMPARE(field(&test, "lineEditADValue"), QStringLiteral("77"));
    m_root->write(raw, "0x1F\n");
    QCOMPARE(m_station->pollNow(test.remote(), "cmdSensordetectionRead"), QStringLiteral("staActive"));
    QCOMPARE(field(&test, "lineEditADValue"), QStringLiteral("0x1f"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdSensordetectionAdValue"), QStringLiteral("resSensordetectionAdValue=0"));

    // Autoread follows the channel; a missing buffer switch only costs a log line.
    QVERIFY(QFile::remove(m_root->local(enable)));
    QTest::ignoreMessage(QtDebugMsg, "Error: Could not open buffer/enable");
    QCOMPARE(m_station->pollNow(test.remote(), "cmdSensordetectionAutoread"), QStringLiteral("staActive"));
    QVERIFY(!m_root->exists(enable));
    QCOMPARE(test.autoreadTimer()->interval(), 1000);
    QCOMPARE(board.send("adc2 300"), QStringLiteral("ok"));
    QTest::ignoreMessage(QtDebugMsg, "Error: Could not open buffer/enable");
    QTRY_COMPARE_WITH_TIMEOUT(field(&test, "lineEditADValue"), QStringLiteral("300"), 10000);
    shortPowerKeyPress(&test);
    QVERIFY(test.isVisible());
    QCOMPARE(m_station->pollNow(test.remote(), "cmdTestSensordetection"), QStringLiteral("staActive"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdPass"), QStringLiteral("resPassed"));
    QVERIFY(!test.autoreadTimer()->isActive());
}

QTEST_MAIN(TestTestReadings)
#include "tst_testreadings.moc"
