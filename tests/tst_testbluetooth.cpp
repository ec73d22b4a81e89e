// The Bluetooth module initialisation test and the audio loop-back test
// against the simulated board: the lines each module receives, the settings
// listing judged 5 s later, the forgotten pairings in settings.ini, the two
// modules paired with each other and streaming, and the loop's verdicts on
// the simulated tone as the station reads them.
#include "bluetooth.h"
#include "eventhandler.h"
#include "globals.h"
#include "mainmenu.h"
#include "pairedboard.h"
#include "sensorunitlink.h"
#include "station.h"
#include "testmenuaudioloopback.h"
#include "testmenuinitbluetooth.h"
#include "testpart.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

const QStringList kDisconnect = {"SET CONTROL AUTOCALL", "CLOSE 0", "CLOSE 1", "CLOSE 2", "CLOSE 3",
                                 "SET CONTROL AUTOCALL"};
const char kSinkModule[] = "02:00:00:39:00:02";
const char kSourceModule[] = "02:00:00:39:00:03";

QString labelText(QWidget *w, const char *name)
{
    auto *label = w->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

QPushButton *button(QWidget *w, const char *name)
{
    return w->findChild<QPushButton *>(QLatin1String(name));
}

// The lines a module received after the first `from` lines.
QStringList linesSince(const SimBoard &board, const QString &port, int from)
{
    return board.moduleLines(port).mid(from);
}

} // namespace

class TestTestBluetooth : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void initialisationJudgesTheListing();
    void listingParser();
    void loopbackPairsTheModulesAndMeasures();
    void loopbackWhileTheDataLinkIsCalled();
    void loopbackAgainAfterAFailure();

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
    std::unique_ptr<Station> m_station;
    EventHandler m_filter;
};

void TestTestBluetooth::init()
{
    SKIP_OUTSIDE_THIS_PART();
    g_debugFeatures = 0;
    startPairedBoard(&m_root, &m_board, "[Bluetooth]\nMicrophone_Name=GX-4\nHeadphone_Name=HS-20\n");
    m_station = std::make_unique<Station>(m_root->root());
    qApp->installEventFilter(&m_filter);
}

void TestTestBluetooth::cleanup()
{
    qApp->removeEventFilter(&m_filter);
    m_station.reset();
    m_board.reset();
    m_root.reset();
}

void TestTestBluetooth::initialisationJudgesTheListing()
{
    MainMenu w;
    QVERIFY(m_root->read("/home/root/settings.ini").contains("Microphone_ID=02:00:00:39:01:02"));
    TestmenuInitBluetooth test(&w);
    test.show();
    QVERIFY(QTest::qWaitForWindowExposed(&test));
    QVERIFY(!button(&test, "butPairBtSink")->isVisible());
    QVERIFY(!button(&test, "butPairBtSource")->isVisible());
    QCOMPARE(button(&test, "butResetBtSource")->pos(), QPoint(280, 20));
    QCOMPARE(button(&test, "butResetBtSink")->pos(), QPoint(280, 150));
    QCOMPARE(labelText(&test, "labelInfoSink"), QStringLiteral("Press button to start init"));
    const int sinkFrom = m_board->moduleLines("ttyO2").size();
    const int sourceFrom = m_board->moduleLines("ttyO3").size();

    // The sink by the station, the source by touch, at once.
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(m_station->send("cmdBluetoothInitSink"), QStringLiteral("staActive"));
    const QByteArray settings = m_root->read("/home/root/settings.ini");
    QVERIFY2(settings.contains("Microphone_ID=\n") && settings.contains("Microphone_Name=\n"), settings.constData());
    QVERIFY(settings.contains("Headphone_ID=02:00:00:39:01:03"));
    QCOMPARE(labelText(&test, "labelInfoSink"), QStringLiteral("Checking transmitted values ..."));
    QTest::mouseClick(button(&test, "butInitBtSource"), Qt::LeftButton);
    QVERIFY(m_root->read("/home/root/settings.ini").contains("Headphone_ID=\n"));
    QTRY_COMPARE_WITH_TIMEOUT(labelText(&test, "labelInfoSink"), QStringLiteral("Finished. OK."), 10000);
    QVERIFY2(clock.elapsed() >= TestmenuInitBluetooth::kCheckDelayMs - 50, qPrintable(QString::number(clock.elapsed())));
    QTRY_COMPARE_WITH_TIMEOUT(labelText(&test, "labelInfoSource"), QStringLiteral("Finished. OK."), 10000);
    QVERIFY(button(&test, "butPass")->isVisible());
    // Disconnected (no address to kill: the pairing is gone), set up,
    // listed, restarted.
    QTRY_COMPARE(linesSince(*m_board, "ttyO2", sinkFrom).value(kDisconnect.size() + 13), QStringLiteral("RESET"));
    QStringList sink = linesSince(*m_board, "ttyO2", sinkFrom);
    QVERIFY2(sink.size() >= kDisconnect.size() + 14, qPrintable(sink.join('|')));
    QCOMPARE(sink.mid(0, 1) + sink.mid(2, 5), kDisconnect);
    QVERIFY(sink.at(1).startsWith("KILL 02:00:00:39:01:02"));
    QCOMPARE(sink.at(7), QStringLiteral("SET BT PAGEMODE 0 2000 2"));
    QCOMPARE(sink.at(11), QStringLiteral("SET BT NAME TQE3900_MIC"));
    QCOMPARE(sink.at(15), QStringLiteral("SET PROFILE A2DP SINK"));
    QCOMPARE(sink.at(18), QStringLiteral("SET"));
    QCOMPARE(sink.at(19), QStringLiteral("RESET"));
    QTRY_VERIFY(linesSince(*m_board, "ttyO3", sourceFrom).contains("RESET"));
    QVERIFY(linesSince(*m_board, "ttyO3", sourceFrom).contains("SET BT NAME TQE3900_HP"));

    // A listing with the wrong role (a module that keeps what it had), and
    // a module that does not answer at all after a good listing.
    QCOMPARE(m_board->send("bt ttyO2 silent 1"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("bt ttyO3 silent 1"), QStringLiteral("ok"));
    QCOMPARE(w.getBtSourceInstance()->getBtName(), QStringLiteral("TQE3900_HP"));
    QCOMPARE(w.getBtSourceInstance()->getBtProfile(), 2);
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBluetoothInitSink"), QStringLiteral("staActive"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBluetoothInitSource"), QStringLiteral("staActive"));
    for (const char *line : {"SET BT BDADDR 02:00:00:39:00:02", "SET BT NAME TQE3900_MIC", "SET PROFILE A2DP SOURCE", "SET"})
        QCOMPARE(m_board->send(QStringLiteral("bt ttyO2 send %1").arg(line)), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(labelText(&test, "labelInfoSink"), QStringLiteral("Error!"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(labelText(&test, "labelInfoSource"), QStringLiteral("Error!"), 10000);
    // Neither module was restarted by a failed check.
    QCOMPARE(m_board->moduleLines("ttyO2").last(), QStringLiteral("SET"));
    QCOMPARE(m_board->moduleLines("ttyO3").last(), QStringLiteral("SET"));
    // The right role under a name without the prefix fails as well.
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBluetoothInitSource"), QStringLiteral("staActive"));
    QCOMPARE(labelText(&test, "labelInfoSource"), QStringLiteral("Checking transmitted values ..."));
    for (const char *line : {"SET BT NAME HP_TQE3900", "SET PROFILE A2DP SOURCE"})
        QCOMPARE(m_board->send(QStringLiteral("bt ttyO3 send %1").arg(line)), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(labelText(&test, "labelInfoSource") != "Checking transmitted values ...", 15000);
    QCOMPARE(w.getBtSourceInstance()->getBtName(), QStringLiteral("HP_TQE3900"));
    QCOMPARE(labelText(&test, "labelInfoSource"), QStringLiteral("Error!"));

    // The resets, and the pair commands that are taken and do nothing; the
    // power key through the key filter leaves the test open.
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBluetoothResetSource"), QStringLiteral("staActive"));
    QTRY_COMPARE(m_board->moduleLines("ttyO3").mid(m_board->moduleLines("ttyO3").size() - 2),
                 QStringList({"SET BT PAIR *", "SET RESET"}));
    QTest::mouseClick(button(&test, "butResetBtSink"), Qt::LeftButton);
    QTRY_COMPARE(m_board->moduleLines("ttyO2").mid(m_board->moduleLines("ttyO2").size() - 2),
                 QStringList({"SET BT PAIR *", "SET RESET"}));
    const int sinkLines = m_board->moduleLines("ttyO2").size();
    const int sourceLines = m_board->moduleLines("ttyO3").size();
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBluetoothPairSink"), QStringLiteral("staActive"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBluetoothPairSource\r\n"), QStringLiteral("staActive"));
    QCOMPARE(m_board->moduleLines("ttyO2").size(), sinkLines);
    QCOMPARE(m_board->moduleLines("ttyO3").size(), sourceLines);
    shortPowerKeyPress(&test);
    QVERIFY(test.isVisible());
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBluetoothInit"), QStringLiteral("staUnknownCommand"));

    // Closed within the 5 s: the check never reaches the freed dialog. A
    // second dialog's check, started later, shows when the time has passed.
    QCOMPARE(m_board->send("bt ttyO2 silent 0"), QStringLiteral("ok"));
    auto closed = std::make_unique<TestmenuInitBluetooth>(&w);
    closed->show();
    QCOMPARE(m_station->pollNow(closed->remote(), "cmdBluetoothInitSink"), QStringLiteral("staActive"));
    QCOMPARE(m_station->pollNow(closed->remote(), "cmdExit"), QStringLiteral("resCanceled"));
    closed.reset();
    QCOMPARE(m_station->pollNow(test.remote(), "cmdBluetoothInitSink"), QStringLiteral("staActive"));
    QTRY_COMPARE_WITH_TIMEOUT(labelText(&test, "labelInfoSink"), QStringLiteral("Finished. OK."), 10000);
    QCOMPARE(m_station->pollNow(test.remote(), "cmdPass"), QStringLiteral("resPassed"));
}

void TestTestBluetooth::listingParser()
{
    using L = TestmenuInitBluetooth;
    L::Listing l = L::parseListing("SET BT BDADDR 02:00:00:39:00:02\r\nSET BT NAME TQE3900_MIC\r\n"
                                   "SET PROFILE A2DP SINK\r\nSET\r\n");
    QVERIFY(l.received);
    QCOMPARE(l.name, QStringLiteral("TQE3900_MIC"));
    QCOMPARE(l.role, 1);
    // The last lines count; a listing without a role names none.
    l = L::parseListing("SET BT NAME X\r\nSET PROFILE A2DP SINK\r\nSET BT NAME TQE3900_HP\r\nSET PROFILE A2DP source\r\n");
    QCOMPARE(l.name, QStringLiteral("TQE3900_HP"));
    QCOMPARE(l.role, 2);
    l = L::parseListing("SET BT NAME TQE3900\r\nSET\r\n");
    QCOMPARE(l.role, 0);
    // No listing at all: other output, a name line cut short.
    QVERIFY(!L::parseListing("READY.\r\nSET CONTROL AUTOCALL\r\n").received);
    QVERIFY(!L::parseListing("SET BT\r\n").received);
    QVERIFY(!L::parseListing(QString()).received);
}

void TestTestBluetooth::loopbackPairsTheModulesAndMeasures()
{
    QCOMPARE(m_board->send("signal tone 400 0.1"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("signal level 82"), QStringLiteral("ok"));
    MainMenu w;
    TestMenuAudioLoopback test(&w);
    test.show();
    QVERIFY(QTest::qWaitForWindowExposed(&test));
    QCOMPARE(test.windowTitle(), QStringLiteral("Audio-Loopback"));
    QCOMPARE(labelText(&test, "labelStatus"), QStringLiteral("Status"));
    QVERIFY(labelText(&test, "label_2").startsWith("Input: 100mVpp / 400Hz (ext. Conn.)\nOutput: TP92"));
    QTRY_COMPARE(w.getBtSourceInstance()->getBtIdModul(), QLatin1String(kSourceModule));
    // The loop starts with the unit's data link up: the sink module leaves
    // data mode first (a start during the link's call: below).
    QTRY_VERIFY_WITH_TIMEOUT(w.getBtSinkInstance()->isConnectedRFCOMM(), 20000);
    // Before any measurement: both verdicts ERROR, the values 0.
    QCOMPARE(m_station->send("cmdAudioLoopbackGetLevelResult"), QStringLiteral("resAudioLoopbackLevelResult=ERROR"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioLoopbackGetFrequencyResult"),
             QStringLiteral("resAudioLoopbackFrequencyResult=ERROR"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioLoopbackGetLevelValue"), QStringLiteral("resAudioLoopbackLevelValue=0 dB"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioLoopbackGetFrequencyValue"),
             QStringLiteral("resAudioLoopbackFrequencyValue=0 Hz"));

    // The source module restarts late: one restart report does not pair.
    // Its answers are held until the sink's report has shown, however
    // loaded the machine.
    QCOMPARE(m_board->send("bt ttyO3 slow 10000"), QStringLiteral("ok"));
    const int sinkFrom = m_board->moduleLines("ttyO2").size();
    const int sourceFrom = m_board->moduleLines("ttyO3").size();
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioLoopbackBtLoop"), QStringLiteral("staActive"));
    QCOMPARE(labelText(&test, "labelStatus"), QStringLiteral("Init started. Please wait..."));
    QTRY_COMPARE_WITH_TIMEOUT(labelText(&test, "labelStatus"), QStringLiteral("Modul Sink reset."), 10000);
    QVERIFY(linesSince(*m_board, "ttyO2", sinkFrom).filter(QRegularExpression("^PAIR")).isEmpty());
    QCOMPARE(m_board->send("bt ttyO3 slow 0"), QStringLiteral("ok"));
    const QStringList source = linesSince(*m_board, "ttyO3", sourceFrom);
    const int pairAll = source.indexOf("SET CONTROL PAIR *");
    QVERIFY2(pairAll >= 0, qPrintable(source.join('|')));
    QVERIFY(source.indexOf("SET BT PAGEMODE 3 4000 1") > pairAll);
    QVERIFY(source.indexOf("SET BT NAME TQE3900_SIM_MIC") > pairAll);
    QVERIFY(source.indexOf("RESET") > source.indexOf("SET PROFILE A2DP SOURCE"));
    const QStringList sinkInit = linesSince(*m_board, "ttyO2", sinkFrom);
    QVERIFY(!sinkInit.contains("SET CONTROL PAIR *"));
    QVERIFY(sinkInit.indexOf("RESET") > sinkInit.indexOf("SET PROFILE A2DP SINK"));

    // Both restarted: the sink pairs with the source module's own address,
    // calls it, and the loop runs on the external input.
    QTRY_VERIFY_WITH_TIMEOUT(linesSince(*m_board, "ttyO2", sinkFrom).contains(QStringLiteral("PAIR %1").arg(kSourceModule)),
                             10000);
    QTRY_COMPARE_WITH_TIMEOUT(labelText(&test, "labelStatus"), QStringLiteral("Connected in Testmode"), 15000);
    QCOMPARE(m_board->send("bt ttyO2 status"), QStringLiteral("command; 0 A2DP, 1 A2DP"));
    QTRY_COMPARE(m_board->send("bt ttyO3 status"), QStringLiteral("command; 0 A2DP, 1 A2DP"));
    QVERIFY(m_board->send("unit status").contains("a2dp down"));
    QVERIFY(m_root->journal("mixer.log").contains("Left Input Mixer IN3_L P := 1"));
    QVERIFY(m_board->moduleLines("ttyO2").contains("SET CONTROL GAIN 5 f"));
    QTRY_VERIFY(m_board->moduleLines("ttyO3").contains("SET CONTROL GAIN a f"));
    QVERIFY(button(&test, "butPass")->isVisible());

    // The tone inside the limits, then much weaker.
    QTRY_COMPARE(m_station->pollNow(test.remote(), "cmdAudioLoopbackGetLevelResult"), QStringLiteral("resAudioLoopbackLevelResult=OK"));
    QTRY_COMPARE(m_station->pollNow(test.remote(), "cmdAudioLoopbackGetFrequencyResult"),
                 QStringLiteral("resAudioLoopbackFrequencyResult=OK"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioLoopbackGetFrequencyValue"),
             QStringLiteral("resAudioLoopbackFrequencyValue=400 Hz"));
    const QString level = m_station->pollNow(test.remote(), "cmdAudioLoopbackGetLevelValue");
    QVERIFY2(QRegularExpression("^resAudioLoopbackLevelValue=(7[89]|8[0-6])(\\.[0-9]+)? dB$").match(level).hasMatch(),
             qPrintable(level));
    QVERIFY(labelText(&test, "labelFrequency") == "Frequency = 400 Hz");
    QCOMPARE(m_board->send("signal level 50"), QStringLiteral("ok"));
    QTRY_COMPARE(m_station->pollNow(test.remote(), "cmdAudioLoopbackGetLevelResult"),
                 QStringLiteral("resAudioLoopbackLevelResult=ERROR"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioLoopbackGetFrequencyResult"),
             QStringLiteral("resAudioLoopbackFrequencyResult=OK"));

    shortPowerKeyPress(&test);
    QVERIFY(test.isVisible());
    QCOMPARE(m_station->pollNow(test.remote(), "cmdTestAudioLoopback"), QStringLiteral("staActive"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioLoopback"), QStringLiteral("staUnknownCommand"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdFail"), QStringLiteral("resFailed"));
    QVERIFY(!test.isVisible());

    // The limits, inclusive at both ends.
    QVERIFY(TestMenuAudioLoopback::levelOk(78.0f) && TestMenuAudioLoopback::levelOk(86.0f));
    QVERIFY(!TestMenuAudioLoopback::levelOk(77.99f) && !TestMenuAudioLoopback::levelOk(86.01f));
    QVERIFY(TestMenuAudioLoopback::frequencyOk(350) && TestMenuAudioLoopback::frequencyOk(450));
    QVERIFY(!TestMenuAudioLoopback::frequencyOk(349) && !TestMenuAudioLoopback::frequencyOk(451));
}

void TestTestBluetooth::loopbackWhileTheDataLinkIsCalled()
{
    // A slow sensor-unit module: it takes each command at once, but its
    // answers, reports and carrier changes come 8 s late.
    QCOMPARE(m_board->send("bt ttyO2 slow 8000"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("signal tone 400 0.1"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("signal level 82"), QStringLiteral("ok"));
    MainMenu w;
    Bluetooth *sink = w.getBtSinkInstance();
    TestMenuAudioLoopback test(&w);
    test.show();
    QVERIFY(QTest::qWaitForWindowExposed(&test));

    // The start-up has called the unit's data link: the module is in data
    // mode already, while the program has heard nothing of it yet.
    const QString call = QStringLiteral("CALL %1 1101 RFCOMM").arg(QLatin1String(SimBoard::kUnitAddress));
    QTRY_VERIFY_WITH_TIMEOUT(m_board->moduleLines("ttyO2").contains(call), 20000);
    QVERIFY(m_board->send("bt ttyO2 status").startsWith("data"));
    QVERIFY(!sink->isConnectedRFCOMM());
    QCOMPARE(gpio(*m_root, 59), QByteArray("0"));
    const int sinkFrom = m_board->moduleLines("ttyO2").size();
    const int unitFrom = m_board->unitLines().size();
    QElapsedTimer loop;
    loop.start();
    QCOMPARE(m_station->send("cmdAudioLoopbackBtLoop"), QStringLiteral("staActive"));
    QCOMPARE(labelText(&test, "labelStatus"), QStringLiteral("Init started. Please wait..."));

    // The loop waits for the call's outcome and takes the module out of data
    // mode before it sets it up: the set-up reaches the module, not the unit.
    QTRY_COMPARE_WITH_TIMEOUT(labelText(&test, "labelStatus"), QStringLiteral("Connected in Testmode"), 90000);
    qInfo("Loop connected %lld ms after it was started", loop.elapsed());
    const QStringList sinkLines = linesSince(*m_board, "ttyO2", sinkFrom);
    QVERIFY(sinkLines.indexOf("RESET") > sinkLines.indexOf("SET PROFILE A2DP SINK"));
    QVERIFY(sinkLines.contains(QStringLiteral("PAIR %1").arg(kSourceModule)));
    const QStringList unit = m_board->unitLines().mid(unitFrom);
    QVERIFY2(!unit.contains("RESET") && unit.filter("SET ").isEmpty(), qPrintable(unit.join('|')));
    QTRY_COMPARE(m_station->pollNow(test.remote(), "cmdAudioLoopbackGetLevelResult"), QStringLiteral("resAudioLoopbackLevelResult=OK"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioLoopbackGetFrequencyValue"),
             QStringLiteral("resAudioLoopbackFrequencyValue=400 Hz"));
}

void TestTestBluetooth::loopbackAgainAfterAFailure()
{
    QCOMPARE(m_board->send("signal tone 400 0.1"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("signal level 82"), QStringLiteral("ok"));
    MainMenu w;
    TestMenuAudioLoopback test(&w);
    test.show();
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));

    // The sink module stays in data mode and hears nothing: after its
    // bound the loop resets the modules all the same, the sink gets none of
    // its commands (not as commands, not as data), and the loop stops where
    // the source's restart left it.
    QCOMPARE(m_board->send("bt ttyO2 silent 1"), QStringLiteral("ok"));
    const int sinkFrom = m_board->moduleLines("ttyO2").size();
    const int unitFrom = m_board->unitLines().size();
    QCOMPARE(m_station->send("cmdAudioLoopbackBtLoop"), QStringLiteral("staActive"));
    QTRY_COMPARE_WITH_TIMEOUT(labelText(&test, "labelStatus"), QStringLiteral("Modul Source reset."),
                              TestMenuAudioLoopback::kCommandModeWaitMs + 10000);
    QVERIFY(!linesSince(*m_board, "ttyO2", sinkFrom).contains("RESET"));
    QVERIFY(m_board->unitLines().mid(unitFrom).isEmpty());
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioLoopbackGetLevelResult"),
             QStringLiteral("resAudioLoopbackLevelResult=ERROR"));

    // The module follows again: the station's second start recovers.
    QCOMPARE(m_board->send("bt ttyO2 silent 0"), QStringLiteral("ok"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioLoopbackBtLoop"), QStringLiteral("staActive"));
    QTRY_COMPARE_WITH_TIMEOUT(labelText(&test, "labelStatus"), QStringLiteral("Connected in Testmode"), 30000);
    QTRY_COMPARE(m_station->pollNow(test.remote(), "cmdAudioLoopbackGetLevelResult"), QStringLiteral("resAudioLoopbackLevelResult=OK"));
}

QTEST_MAIN(TestTestBluetooth)
#include "tst_testbluetooth.moc"
