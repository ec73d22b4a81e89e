// The self-test of the chips against the simulated board: the charge
// controller's and fuel gauge's driver files, the mixer tool on the board
// shell, "AT" to both Bluetooth modules and the GPS receiver's sentences,
// driven by the station as in the factory; each way a chip can fail, alone,
// over the simulator's settings; and the one-shot analyses bound to the
// dialog.
#include "eventhandler.h"
#include "gps.h"
#include "mainmenu.h"
#include "simboard.h"
#include "station.h"
#include "testmenuremotectrl.h"
#include "testmenuselftest.h"
#include "testroot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

const char kVoltage[] = "/sys/class/power_supply/bq27426-0/voltage_now";
const char kChargerName[] = "/sys/class/power_supply/bq24190-battery/device/name";
const QString kMixer22 = QStringLiteral("amixer sset \"PCM\" 22");
const QString kMixer127 = QStringLiteral("amixer sset \"PCM\" 127");

const char *const kStates[] = {"labelStateChargeController", "labelStateFuelGauge", "labelStateAudioCodec",
                               "labelStateBtIn", "labelStateBtOut", "labelStateGps"};

QString state(QWidget *test, const char *label)
{
    auto *l = test->findChild<QLabel *>(QLatin1String(label));
    return l ? l->text() : QStringLiteral("<no %1>").arg(label);
}

QStringList states(QWidget *test)
{
    QStringList out;
    for (const char *label : kStates)
        out << state(test, label);
    return out;
}

// The mixer lines the program ran (the receiver's first fix also sets the
// clock through the shell).
QStringList mixerLines(const TestRoot &root)
{
    return root.commands().filter(QRegularExpression("^amixer "));
}

bool passShown(QWidget *test)
{
    return test->findChild<QPushButton *>(QStringLiteral("butPass"))->isVisible();
}

QStringList repeated(const QString &text, int n = 6)
{
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << text;
    return out;
}

bool judged(QWidget *test)
{
    return !states(test).contains(QStringLiteral("wait ..."));
}

} // namespace

class TestSelftest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void stationRunsTheSelftest();
    void eachFailureAlone_data();
    void eachFailureAlone();
    void passBeforeTheAnalysesLeavesNothingBehind();

private:
    // Sends a control command to the simulator; false unless "ok".
    bool tell(const QString &command);

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
    std::unique_ptr<MainMenu> m_window;
    std::unique_ptr<Station> m_station;
    EventHandler m_filter;
};

// One board and one main window for the whole program: the self-test reaches
// the links and the receiver through the main window's getters.
void TestSelftest::initTestCase()
{
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    // A root laid out before the chips' names were known: the simulator
    // writes them over.
    QVERIFY(m_root->write(kChargerName, "bq24190-battery\n"));
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY2(m_board->isRunning(), qPrintable(m_board->error()));
    QCOMPARE(m_root->read(kChargerName), QByteArray("bq24190\n"));
    m_window = std::make_unique<MainMenu>();
    m_station = std::make_unique<Station>(m_root->root());
    qApp->installEventFilter(&m_filter);
    // The receiver's sentences have reached the driver.
    QTRY_VERIFY_WITH_TIMEOUT(m_window->getGpsInstance()->getNmeaString().contains("RMC,"), 15000);
}

void TestSelftest::cleanupTestCase()
{
    qApp->removeEventFilter(&m_filter);
    m_station.reset();
    m_window.reset();
    m_board.reset();
    m_root.reset();
}

bool TestSelftest::tell(const QString &command)
{
    const QString reply = m_board->send(command);
    if (reply != QLatin1String("ok"))
        qWarning() << command << "->" << reply;
    return reply == QLatin1String("ok");
}

// Everything answering, as the simulator starts.
void TestSelftest::init()
{
    QVERIFY(tell("amixer normal"));
    QVERIFY(tell("bt ttyO2 silent 0"));
    QVERIFY(tell("bt ttyO3 silent 0"));
    QVERIFY(tell("gps repeat 0"));
    QVERIFY(tell("gps output 1"));
    QVERIFY(tell("supplystatus Discharging"));
    QVERIFY(tell("battery 87 3950"));
    QVERIFY(m_root->write(kChargerName, "bq24190\n"));
    m_root->clearJournals();
}

void TestSelftest::stationRunsTheSelftest()
{
    TestmenuSelftest test;
    test.show();
    QVERIFY(QTest::qWaitForWindowExposed(&test));
    QCOMPARE(m_root->read("/sys/class/gpio/gpio65/value"), QByteArray("1"));
    QCOMPARE(states(&test), repeated(QStringLiteral("unknown")));
    QVERIFY(!passShown(&test));
    QCOMPARE(m_station->send("cmdSelftestGetStatusSelftest"), QStringLiteral("resSelftestStatusSelftest=ERROR"));

    // The three checks on the spot are done when the command is answered.
    const int atSink = m_board->moduleLines("ttyO2").count("AT");
    const int atSource = m_board->moduleLines("ttyO3").count("AT");
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(m_station->pollNow(test.remote(), "cmdSelftestStart now"), QStringLiteral("staActive"));
    const QStringList onTheSpot = states(&test).mid(0, 3);
    QCOMPARE(onTheSpot, repeated(QStringLiteral("OK"), 3));
    QVERIFY(test.gpsTimer()->isActive());
    QCOMPARE(test.gpsTimer()->interval(), 1200);
    QCOMPARE(mixerLines(*m_root), QStringList({kMixer22, kMixer127}));
    QCOMPARE(m_board->send("amixer status"), QStringLiteral("normal PCM 127"));
    QTRY_COMPARE(m_board->moduleLines("ttyO2").count("AT"), atSink + 1);
    QTRY_COMPARE(m_board->moduleLines("ttyO3").count("AT"), atSource + 1);
    QCOMPARE(m_station->pollNow(test.remote(), "cmdSelftestGetStatusAudioCodec"),
             QStringLiteral("resSelftestStatusAudioCodec=OK"));
    QVERIFY(!passShown(&test));

    // The modules are judged after 1 s, the receiver after 3 s: real time.
    QTRY_VERIFY(state(&test, "labelStateBtIn") != QLatin1String("wait ..."));
    QVERIFY2(clock.elapsed() >= 950 && clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
    QTRY_VERIFY_WITH_TIMEOUT(judged(&test), 10000);
    QVERIFY2(clock.elapsed() >= 2950, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(states(&test), repeated(QStringLiteral("OK")));
    QVERIFY(!test.gpsTimer()->isActive());
    QVERIFY(passShown(&test));
    const char *const answers[][2] = {
        {"cmdSelftestGetStatusChargeController", "resSelftestStatusChargeController=OK"},
        {"cmdSelftestGetStatusFuelGauge", "resSelftestStatusFuelGauge=OK"},
        {"cmdSelftestGetStatusBtIn", "resSelftestStatusBtIn=OK"},
        {"cmdSelftestGetStatusBtOut", "resSelftestStatusBtOut=OK"},
        {"cmdSelftestGetStatusGPS", "resSelftestStatusGPS=OK"},
        {"cmdTestSelftest", "staActive"},
        {"cmdSelftestGetStatus", "staUnknownCommand"},
    };
    for (const auto &a : answers)
        QCOMPARE(m_station->pollNow(test.remote(), a[0]), QLatin1String(a[1]));
    QCOMPARE(m_station->send("cmdSelftestGetStatusSelftest"), QStringLiteral("resSelftestStatusSelftest=OK"));

    // A second run by touch, with the headphone module silent: its check
    // fails, the others pass again, and Pass stays offered from before.
    QVERIFY(tell("bt ttyO3 silent 1"));
    QTest::mouseClick(test.findChild<QPushButton *>("butStart"), Qt::LeftButton);
    QCOMPARE(mixerLines(*m_root), QStringList({kMixer22, kMixer127, kMixer22, kMixer127}));
    QCOMPARE(state(&test, "labelStateBtOut"), QStringLiteral("wait ..."));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdSelftestGetStatusSelftest"),
             QStringLiteral("resSelftestStatusSelftest=ERROR"));
    QTRY_VERIFY_WITH_TIMEOUT(judged(&test), 10000);
    QCOMPARE(states(&test), QStringList({"OK", "OK", "OK", "OK", "ERROR", "OK"}));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdSelftestGetStatusBtOut"),
             QStringLiteral("resSelftestStatusBtOut=ERROR"));
    QVERIFY(passShown(&test));
    // The power key through the key filter leaves the test open.
    shortPowerKeyPress(&test);
    QVERIFY(test.isVisible());
    QCOMPARE(m_station->send("cmdFail"), QStringLiteral("resFailed"));
    QVERIFY(!test.isVisible());
}

void TestSelftest::eachFailureAlone_data()
{
    QTest::addColumn<QStringList>("tell");       // control commands to the simulator
    QTest::addColumn<QString>("voltage");         // voltage_now written as is (empty: untouched)
    QTest::addColumn<QString>("chargerName");     // the charger's name file (empty: untouched)
    QTest::addColumn<QStringList>("expected");    // the six state labels after the run
    QTest::addColumn<int>("mixerRuns");
    QTest::addColumn<bool>("whole"); // wait for the later checks too

    const QString ok = QStringLiteral("OK");
    auto all = [&](int index, const QString &text) {
        QStringList s = repeated(ok);
        if (index >= 0)
            s[index] = text;
        return s;
    };
    QTest::newRow("status word in capitals") << QStringList{"supplystatus FULL"} << QString() << QString()
                                             << all(-1, ok) << 2 << false;
    QTest::newRow("charging") << QStringList{"supplystatus Charging"} << QString() << QString() << all(-1, ok) << 2
                              << false;
    QTest::newRow("charger under another name") << QStringList() << QString() << "bq24190-battery\n"
                                                << all(0, "ERR: Wrong name") << 2 << false;
    QTest::newRow("battery not charging") << QStringList{"supplystatus Not Charging"} << QString() << QString()
                                          << all(0, "ERR: Stat:not charging") << 2 << true;
    QTest::newRow("2.0 V") << QStringList() << "2000000\n" << QString() << all(-1, ok) << 2 << false;
    QTest::newRow("4.8 V") << QStringList() << "4800000" << QString() << all(-1, ok) << 2 << false;
    QTest::newRow("one microvolt below") << QStringList() << "1999999\n" << QString()
                                         << all(1, "ERR: Wrong voltage") << 2 << false;
    QTest::newRow("one microvolt above") << QStringList() << "4800001\n" << QString()
                                         << all(1, "ERR: Wrong voltage") << 2 << false;
    QTest::newRow("voltage no number") << QStringList() << "3.9 V\n" << QString()
                                       << all(1, "ERR: Wrong voltage") << 2 << false;
    QTest::newRow("gauge not found") << QStringList{"gauge absent"} << QString() << QString()
                                     << all(1, "ERR: File open 2") << 2 << false;
    QTest::newRow("mixer keeps its value") << QStringList{"amixer wrong"} << QString() << QString()
                                           << all(2, "ERR: Mixer 1") << 1 << false;
    QTest::newRow("mixer prints nothing") << QStringList{"amixer empty"} << QString() << QString()
                                          << all(2, "ERR: Mixer 1") << 1 << false;
    QTest::newRow("mixer answers late") << QStringList{"amixer late 1200"} << QString() << QString()
                                        << all(-1, ok) << 2 << true;
    QTest::newRow("sensor-unit module silent") << QStringList{"bt ttyO2 silent 1"} << QString() << QString()
                                               << all(3, "ERROR") << 2 << true;
    QTest::newRow("receiver silent") << QStringList{"gps output 0"} << QString() << QString()
                                     << all(5, "ERROR") << 2 << true;
    QTest::newRow("receiver repeats one RMC") << QStringList{"gps repeat 1"} << QString() << QString()
                                              << all(5, "ERROR") << 2 << true;
}

// Each row changes one thing on the board; every other check passes, and the
// failed one keeps Pass hidden for the whole run.
void TestSelftest::eachFailureAlone()
{
    QFETCH(QStringList, tell);
    QFETCH(QString, voltage);
    QFETCH(QString, chargerName);
    QFETCH(QStringList, expected);
    QFETCH(int, mixerRuns);
    QFETCH(bool, whole);
    for (const QString &command : tell)
        QVERIFY(this->tell(command));
    if (!voltage.isEmpty())
        QVERIFY(m_root->write(kVoltage, voltage.toLatin1()));
    if (!chargerName.isEmpty())
        QVERIFY(m_root->write(kChargerName, chargerName.toLatin1()));

    TestmenuSelftest test;
    test.show();
    QCOMPARE(m_station->pollNow(test.remote(), "cmdSelftestStart"), QStringLiteral("staActive"));
    if (whole) {
        QTRY_VERIFY_WITH_TIMEOUT(judged(&test), 10000);
    } else {
        // Only the checks on the spot are looked at: the later ones are
        // still to come.
        for (int i = 3; i < 6; ++i)
            expected[i] = QStringLiteral("wait ...");
    }
    QCOMPARE(states(&test), expected);
    QCOMPARE(mixerLines(*m_root), QStringList({kMixer22, kMixer127}).mid(0, mixerRuns));
    // Pass waits for the last check.
    const bool allPassed = whole && !expected.join(' ').contains("ERR");
    QCOMPARE(passShown(&test), allPassed);
    QCOMPARE(m_station->pollNow(test.remote(), "cmdSelftestGetStatusSelftest"),
             allPassed ? QStringLiteral("resSelftestStatusSelftest=OK") : QStringLiteral("resSelftestStatusSelftest=ERROR"));
    const char *const names[] = {"ChargeController", "FuelGauge", "AudioCodec", "BtIn", "BtOut", "GPS"};
    for (int i = 0; i < 6; ++i) {
        if (expected[i] == QLatin1String("OK"))
            continue;
        QCOMPARE(m_station->pollNow(test.remote(), QStringLiteral("cmdSelftestGetStatus%1").arg(names[i])),
                 QStringLiteral("resSelftestStatus%1=ERROR").arg(names[i]));
    }
    if (tell.contains("gauge absent"))
        QVERIFY(this->tell("gauge present"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdFail"), QStringLiteral("resFailed"));
}

// "cmdPass" while the analyses are pending: the test closes and is destroyed
// at once, and what was still to come is dropped with it.
void TestSelftest::passBeforeTheAnalysesLeavesNothingBehind()
{
    auto *test = new TestmenuSelftest;
    QPointer<TestmenuSelftest> alive(test);
    test->show();
    QCOMPARE(m_station->pollNow(test->remote(), "cmdSelftestStart"), QStringLiteral("staActive"));
    QCOMPARE(state(test, "labelStateGps"), QStringLiteral("wait ..."));
    QCOMPARE(m_station->pollNow(test->remote(), "cmdPass"), QStringLiteral("resPassed"));
    QVERIFY(!test->gpsTimer()->isActive());
    delete test;
    // Past the last analysis: nothing reaches the freed dialog (the address
    // sanitizer would stop here), and nothing more is written.
    QTest::qWait(TestmenuSelftest::kGpsJudgeMs + 500);
    QVERIFY(!alive);
    QCOMPARE(m_station->contents(), QByteArray("resPassed\n"));
}

QTEST_MAIN(TestSelftest)
#include "tst_selftest.moc"
