// The audio channel test against the simulated board: the two modules
// brought up against the station's reference microphone and headphone (the
// simulated unit and headphone, given the addresses of the test's files),
// the channel values the station reads while the simulated tone changes,
// the sensor value driving the ticker PWM, a lost data link and its
// recovery, the station's pairing and call (the headphone side called for
// its stream alone); and the table of ticker periods.
#include "bluetooth.h"
#include "eventhandler.h"
#include "globals.h"
#include "mainmenu.h"
#include "simboard.h"
#include "station.h"
#include "testmenuaudio.h"
#include "testroot.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

const char kMic[] = "02:00:00:39:0b:01";
const char kHp[] = "02:00:00:39:0b:02";
const char kPeriod[] = "/sys/class/pwm/pwmchip1/pwm0/period";

QString labelText(QWidget *w, const char *name)
{
    auto *label = w->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

QPushButton *button(QWidget *w, const char *name)
{
    return w->findChild<QPushButton *>(QLatin1String(name));
}

} // namespace

class TestTestAudio : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void audioChannelsAgainstTheReferenceDevices();
    void addressFiles();
    void tickerPeriods_data();
    void tickerPeriods();

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<Station> m_station;
    EventHandler m_filter;
};

void TestTestAudio::init()
{
    g_debugFeatures = 0;
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    m_station = std::make_unique<Station>(m_root->root());
    qApp->installEventFilter(&m_filter);
}

void TestTestAudio::cleanup()
{
    qApp->removeEventFilter(&m_filter);
    m_station.reset();
    m_root.reset();
}

void TestTestAudio::audioChannelsAgainstTheReferenceDevices()
{
    // The station's reference devices: the microphone's file ends with a
    // line feed, the headphone's is the bare address.
    QVERIFY(m_root->write("/home/root/testBtIdMic", QByteArray(kMic) + '\n'));
    QVERIFY(m_root->write("/home/root/testBtIdHp", kHp));
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    for (const QString &c : {QStringLiteral("unit address %1").arg(kMic), QStringLiteral("headphone address %1").arg(kHp),
                             QStringLiteral("inquiry add %1 280404 Reference microphone").arg(kMic),
                             QStringLiteral("inquiry add %1 240404 Reference headphone").arg(kHp),
                             QStringLiteral("signal tone 400 0.1")})
        QCOMPARE(board.send(c), QStringLiteral("ok"));

    MainMenu w;
    m_root->clearJournals();
    TestmenuAudio test(&w);
    test.show();
    QVERIFY(QTest::qWaitForWindowExposed(&test));
    QCOMPARE(labelText(&test, "labelStatusSink"), QStringLiteral("Sink-Id: %1").arg(kMic));
    QCOMPARE(labelText(&test, "labelStatusSource"), QStringLiteral("Source-Id: %1").arg(kHp));
    QCOMPARE(button(&test, "butSelCh_2")->text(), QStringLiteral("CH 2\n(PWM)"));
    QVERIFY(!button(&test, "butPass")->isVisible());
    // Each module is asked for its own address, which its driver keeps.
    QTRY_COMPARE(w.getBtSinkInstance()->getBtIdModul(), QStringLiteral("02:00:00:39:00:02"));
    QTRY_COMPARE(w.getBtSourceInstance()->getBtIdModul(), QStringLiteral("02:00:00:39:00:03"));
    QVERIFY(board.moduleLines("ttyO2").contains("SET BT BDADDR"));
    QVERIFY(board.moduleLines("ttyO3").contains("SET BT BDADDR"));
    // Before the headphone call no value flows: the stored 0 is answered.
    QCOMPARE(m_station->send("cmdAudioGetLevelCh1"), QStringLiteral("resAudioLevelCh1= 0"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioGetLevelCh3"), QStringLiteral("resAudioLevelCh3=-"));

    // Start: both modules set up anew, paired with the reference devices
    // once they restarted, called.
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioStartConnection"), QStringLiteral("staActive"));
    QTRY_COMPARE_WITH_TIMEOUT(labelText(&test, "labelStatusSink"), QStringLiteral("Call active to microphone"), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(labelText(&test, "labelStatusSource"), QStringLiteral("Call active to headphone"), 20000);
    QVERIFY(button(&test, "butPass")->isVisible());
    for (const QString &port : {QStringLiteral("ttyO2"), QStringLiteral("ttyO3")}) {
        const QStringList lines = board.moduleLines(port);
        const int start = lines.indexOf("SET CONTROL PAIR *");
        QVERIFY2(start >= 0, qPrintable(port));
        const int reset = lines.indexOf("RESET", start);
        const QString name = port == "ttyO2" ? "SET BT NAME TQE3900_MIC" : "SET BT NAME TQE3900_HP";
        QVERIFY(lines.indexOf(name, start) < reset);
        // Paired only after the restart report, with the file's address and
        // no line end of the file as a command of its own; the set-up is
        // sent again between the restart and the pairing.
        const QString pair = QStringLiteral("PAIR %1").arg(port == "ttyO2" ? kMic : kHp);
        QVERIFY2(lines.indexOf(pair) > reset, qPrintable(lines.join('|')));
        const int again = lines.indexOf(name, reset);
        QVERIFY2(again > reset && again < lines.indexOf(pair), qPrintable(lines.join('|')));
        QCOMPARE(lines.filter(QRegularExpression("^PAIR ")).size(), 1);
    }
    QCOMPARE(board.moduleLines("ttyO2").filter("SET CONTROL GAIN").last(), QStringLiteral("SET CONTROL GAIN 5 f"));
    QVERIFY(board.moduleLines("ttyO3").contains("SET CONTROL GAIN 9 f"));
    QTRY_VERIFY(board.unitLines().contains("BT_TX X DEBUG"));

    // CH 1: the station reads the analysis of the simulated tone, and what
    // it reads follows the tone.
    QTRY_COMPARE(m_station->pollNow(test.remote(), "cmdAudioGetFrequencyCh1"), QStringLiteral("resAudioFrequencyCh1=400"));
    const QString level = m_station->pollNow(test.remote(), "cmdAudioGetLevelCh1");
    QVERIFY2(QRegularExpression("^resAudioLevelCh1=[ 1-9][0-9]$").match(level).hasMatch(), qPrintable(level));
    QVERIFY(labelText(&test, "labelValCh1").endsWith("dB/400Hz"));
    QCOMPARE(labelText(&test, "labelValCh2"), QStringLiteral("---"));
    QCOMPARE(board.send("signal tone 1000 0.1"), QStringLiteral("ok"));
    QTRY_COMPARE(m_station->pollNow(test.remote(), "cmdAudioGetFrequencyCh1"), QStringLiteral("resAudioFrequencyCh1=1000"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioGetLevelCh2"), QStringLiteral("resAudioLevelCh2=-"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioGetFrequencyCh2"), QStringLiteral("resAudioFrequencyCh2=-"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioGetFrequencyCh3"), QStringLiteral("resAudioFrequencyCh3=-"));

    // CH 2: the ticker PWM runs, the unit's sensor value sets its period.
    m_root->clearJournals();
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioSelCh2"), QStringLiteral("staActive"));
    QCOMPARE(m_root->sysfsWrites(), QStringList({"/sys/class/pwm/pwmchip1/pwm0/period 50000000",
                                                 "/sys/class/pwm/pwmchip1/pwm0/duty_cycle 100000",
                                                 "/sys/class/pwm/pwmchip1/pwm0/enable 1"}));
    const QList<QPair<QString, QString>> values = {{"4096", "10000000"}, {"40", "1000000000"}, {"41", "999000000"}};
    for (const auto &v : values) {
        QCOMPARE(board.send("unit value " + v.first), QStringLiteral("ok"));
        QTRY_COMPARE(m_root->read(kPeriod), v.second.toLatin1());
        QCOMPARE(labelText(&test, "labelValCh2"), v.first);
    }
    QVERIFY(board.unitLines().contains("BT_TX S"));
    QCOMPARE(board.send("unit value 12.9"), QStringLiteral("ok"));
    QTRY_COMPARE(labelText(&test, "labelValCh2"), QStringLiteral("12"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioGetLevelCh2"), QStringLiteral("resAudioLevelCh2=12"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioGetFrequencyCh2"), QStringLiteral("resAudioFrequencyCh2=-"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioGetLevelCh1"), QStringLiteral("resAudioLevelCh1=-"));
    QCOMPARE(labelText(&test, "labelValCh1"), QStringLiteral("---"));

    // CH 3 by touch: the external input's values.
    QTest::mouseClick(button(&test, "butSelCh_3"), Qt::LeftButton);
    QTRY_COMPARE(m_station->pollNow(test.remote(), "cmdAudioGetFrequencyCh3"), QStringLiteral("resAudioFrequencyCh3=1000"));
    QVERIFY(m_root->journal("mixer.log").contains("PGA Level := 22.50 dB"));

    // The data link drops and comes back: the test reports it and calls
    // the unit into its service mode again.
    QCOMPARE(board.unitLines().count("BT_TX X DEBUG"), 1);
    QCOMPARE(board.send("bt ttyO2 drop rfcomm"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(labelText(&test, "labelStatusSink"), QStringLiteral("Sink: Connection lost!"), 10000);
    QCOMPARE(board.send("bt ttyO2 restore rfcomm"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(labelText(&test, "labelStatusSink"), QStringLiteral("Call active to microphone"), 20000);
    QTRY_COMPARE(board.unitLines().count("BT_TX X DEBUG"), 2);
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioGetLevelCh3"), QStringLiteral("resAudioLevelCh3=-"));

    // Mute and open the path by touch; the power key leaves the test open.
    QTest::mouseClick(button(&test, "butMute"), Qt::LeftButton);
    QVERIFY(w.isAudioPathMuted());
    QCOMPARE(button(&test, "butMute")->text(), QStringLiteral("Unmute"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioMute"), QStringLiteral("staActive"));
    QVERIFY(!w.isAudioPathMuted());
    QCOMPARE(button(&test, "butMute")->text(), QStringLiteral("Mute"));
    shortPowerKeyPress(&test);
    QVERIFY(test.isVisible());
    QCOMPARE(m_station->pollNow(test.remote(), "cmdTestAudioChannels"), QStringLiteral("staActive"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioGetLevel"), QStringLiteral("staUnknownCommand"));
    // Pair: each module drops its link and pairs its own reference device
    // again. The devices do not answer this time, so nobody calls.
    QCOMPARE(board.send(QStringLiteral("inquiry pair %1 silent").arg(kMic)), QStringLiteral("ok"));
    QCOMPARE(board.send(QStringLiteral("inquiry pair %1 silent").arg(kHp)), QStringLiteral("ok"));
    const QString pairMic = QStringLiteral("PAIR %1").arg(kMic), pairHp = QStringLiteral("PAIR %1").arg(kHp);
    const int mic = board.moduleLines("ttyO2").count(pairMic), hp = board.moduleLines("ttyO3").count(pairHp);
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioPair"), QStringLiteral("staActive"));
    QTRY_COMPARE(board.moduleLines("ttyO2").count(pairMic), mic + 1);
    QTRY_COMPARE(board.moduleLines("ttyO3").count(pairHp), hp + 1);
    QTRY_COMPARE_WITH_TIMEOUT(labelText(&test, "labelStatusSink"), QStringLiteral("Sink: Connection lost!"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(labelText(&test, "labelStatusSource"), QStringLiteral("Source: Connection lost!"),
                              10000);

    // Call: the station calls both devices again. The headphone-side module
    // is asked for the A2DP stream alone, the microphone side for the data
    // link to the unit too. A second call with both links up lets the
    // headphone side's driver take its next step at once; the next Pair's
    // lines come after whatever the calls sent.
    const int micFrom = board.moduleLines("ttyO2").size(), hpFrom = board.moduleLines("ttyO3").size();
    const auto hpRfcomm = [&]() { return board.moduleLines("ttyO3").mid(hpFrom).filter("RFCOMM"); };
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioCall"), QStringLiteral("staActive"));
    QTRY_VERIFY_WITH_TIMEOUT(labelText(&test, "labelStatusSource") == QLatin1String("Call active to headphone")
                                 || !hpRfcomm().isEmpty(),
                             20000);
    QVERIFY2(hpRfcomm().isEmpty(), qPrintable(hpRfcomm().join('|')));
    QTRY_COMPARE_WITH_TIMEOUT(labelText(&test, "labelStatusSink"), QStringLiteral("Call active to microphone"), 20000);
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioCall"), QStringLiteral("staActive"));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdAudioPair"), QStringLiteral("staActive"));
    QTRY_COMPARE(board.moduleLines("ttyO3").count(pairHp), hp + 2);
    QTRY_COMPARE(board.moduleLines("ttyO2").count(pairMic), mic + 2);
    const QStringList micCall = board.moduleLines("ttyO2").mid(micFrom);
    const QStringList hpCall = board.moduleLines("ttyO3").mid(hpFrom);
    const int micA2dp = micCall.indexOf("SET CONTROL AUTOCALL 19 500 A2DP");
    QVERIFY2(micA2dp >= 0 && micCall.indexOf(QStringLiteral("CALL %1 1101 RFCOMM").arg(kMic)) > micA2dp,
             qPrintable(micCall.join('|')));
    QVERIFY2(hpCall.contains("SET CONTROL AUTOCALL 19 500 A2DP"), qPrintable(hpCall.join('|')));
    QVERIFY2(hpCall.filter("RFCOMM").isEmpty(), qPrintable(hpCall.join('|')));
    QCOMPARE(m_station->pollNow(test.remote(), "cmdPass"), QStringLiteral("resPassed"));
    QVERIFY(!test.isVisible());
}

// What a reference device's file may hold; the link is handed no line end.
void TestTestAudio::addressFiles()
{
    const char file[] = "/home/root/testBtIdMic";
    const char def[] = "00:00:00:00:00:01";
    const struct {
        QByteArray content;
        QString address;
    } cases[] = {
        {"02:00:00:39:0b:01", "02:00:00:39:0b:01"},
        {"02:00:00:39:0b:01\r\n", "02:00:00:39:0b:01"},
        {"02:00:00:39:0b:01 and more text", "02:00:00:39:0b:01"},
        {"  02:00:00:39:0b", "02:00:00:39:0b"},
        {"AB\nPAIR 1\n", "AB"},
        {QByteArray("02:00\0:39", 9), "02:00"},
        {"", ""},
    };
    for (const auto &c : cases) {
        QVERIFY(m_root->write(file, c.content));
        QCOMPARE(TestmenuAudio::readAddressFile(file, def, "MIC:"), c.address);
    }
    QVERIFY(QFile::remove(m_root->local(file)));
    QCOMPARE(TestmenuAudio::readAddressFile(file, def, "MIC:"), QString::fromLatin1(def));
    // Not a regular file: the default, and no wait for a writer.
    QVERIFY(QDir().mkpath(m_root->local(file)));
    QCOMPARE(TestmenuAudio::readAddressFile(file, def, "MIC:"), QString::fromLatin1(def));
}

// The sensor value's text, the whole number shown and the ticker period.
void TestTestAudio::tickerPeriods_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<qint64>("periodNs");
    QTest::newRow("negative") << "-3" << -3 << qint64(1000000000);
    QTest::newRow("zero") << "0" << 0 << qint64(1000000000);
    QTest::newRow("no number") << "abc" << 0 << qint64(1000000000);
    QTest::newRow("1") << "1" << 1 << qint64(1000000000);
    QTest::newRow("40: n 1024") << "40" << 40 << qint64(1000000000);
    QTest::newRow("41: n 999") << "41" << 41 << qint64(999000000);
    QTest::newRow("12.9 truncated") << "12.9" << 12 << qint64(1000000000);
    QTest::newRow("410: n 99") << "410" << 410 << qint64(99000000);
    QTest::newRow("4095: n 10") << "4095" << 4095 << qint64(10000000);
    QTest::newRow("4096: n 10") << "4096" << 4096 << qint64(10000000);
    QTest::newRow("4097") << "4097" << 4097 << qint64(10000000);
    QTest::newRow("5000") << "5000" << 5000 << qint64(10000000);
    QTest::newRow("huge") << "1e30" << 1000000000 << qint64(10000000);
    QTest::newRow("not finite") << "inf" << 0 << qint64(1000000000);
}

void TestTestAudio::tickerPeriods()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QFETCH(qint64, periodNs);
    QCOMPARE(TestmenuAudio::sensorValueOf(text), value);
    QCOMPARE(TestmenuAudio::tickerPeriodNs(value), periodNs);
}

QTEST_MAIN(TestTestAudio)
#include "tst_testaudio.moc"
