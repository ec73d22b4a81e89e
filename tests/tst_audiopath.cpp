// The main window's audio path and microphone control against the simulated
// sensor unit and headphone module: the microphone line for every gain step,
// mute state and key mode, the wired sensor's amplifier table, and muting or
// opening the whole path.
#include "audiocodecsetup.h"
#include "bluetooth.h"
#include "globals.h"
#include "mainmenu.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "statusbardata.h"
#include "testroot.h"

#include <QtTest>

#include <memory>

namespace {

// The status data asks the unit for its sensor type and battery every 2 s
// until it has them: those requests are not what these tests look at.
QStringList withoutStatusRequests(const QStringList &lines, const QString &keep = QString())
{
    QStringList out;
    for (const QString &line : lines)
        if (line == keep || (line != QLatin1String("BT_TX T") && line != QLatin1String("BT_TX B")))
            out << line;
    return out;
}

void pairUnit(TestRoot &root, const QString &switchmode)
{
    QVERIFY(root.write("/home/root/settings.ini",
                       QStringLiteral("[Bluetooth]\nMicrophone_ID=%1\nHeadphone_ID=%2\n"
                                      "[Systemsettings]\nSwitchmode=%3\n")
                           .arg(SimBoard::kUnitAddress, SimBoard::kHeadphoneAddress, switchmode)
                           .toUtf8()));
}

} // namespace

class TestAudioPath : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void microphoneLines_data();
    void microphoneLines();
    void wiredSensorSendsNothing();
    void muteAndOpenThePath();
    void unitKeyOnMainPageIsMutedAgain();
    void codecInitFollowsSensor();

private:
    // Waits until the program's sensor-unit link has its data connection
    // and the unit answered the microphone line sent when it came up.
    bool linkUp(MainMenu &w);
    // Waits until the unit received `line` as its newest line.
    bool unitGot(const QString &line, int timeoutMs = 5000);

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

void TestAudioPath::init()
{
    m_root = std::make_unique<TestRoot>();
    g_debugFeatures = 0;
}

void TestAudioPath::cleanup()
{
    m_board.reset();
    m_root.reset();
    StatusbarData()->update(); // back to no sensor for the next test
}

bool TestAudioPath::linkUp(MainMenu &w)
{
    return waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root)
            && unitGot("BT_TX I 0f MUTE " + QString(w.isMuteKeySwitchmode() ? "SWITCH" : "PUSHBUT"));
}

bool TestAudioPath::unitGot(const QString &line, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        const QStringList lines = withoutStatusRequests(m_board->unitLines(), line);
        if (!lines.isEmpty() && lines.last() == line)
            return true;
        QTest::qWait(20);
    }
    qWarning() << "unit lines:" << m_board->unitLines() << m_board->moduleLines("ttyO2");
    return false;
}

void TestAudioPath::microphoneLines_data()
{
    QTest::addColumn<QString>("switchmode");
    QTest::addColumn<QString>("keyWord");
    QTest::newRow("switch mode") << "Switch" << "SWITCH";
    QTest::newRow("push-button mode") << "Push-Button" << "PUSHBUT";
}

void TestAudioPath::microphoneLines()
{
    QFETCH(QString, switchmode);
    QFETCH(QString, keyWord);
    pairUnit(*m_root, switchmode);
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY(m_board->isRunning());
    MainMenu w;
    QVERIFY(linkUp(w));

    // Steps 1..6 with their codes; 0 and 7 act as step 3.
    const QList<QPair<int, int>> steps = {{1, 0x0a}, {2, 0x0d}, {3, 0x0f}, {4, 0x11},
                                          {5, 0x13}, {6, 0x15}, {0, 0x0f}, {7, 0x0f}};
    for (int mute : {1, 0}) {
        w.setMicParameterMute(mute);
        for (const auto &step : steps) {
            w.setMicGainStep(step.first);
            const QString expected = QStringLiteral("BT_TX I %1 %2 %3")
                                         .arg(step.second, 2, 16, QLatin1Char('0'))
                                         .arg(mute ? "MUTE" : "ACTIVE", keyWord);
            QVERIFY2(unitGot(expected), qPrintable(expected));
            QCOMPARE(w.getMicGainStep(), step.first >= 1 && step.first <= 6 ? step.first : 3);
            QCOMPARE(w.getMicPgaGain(), 3.0f);
        }
    }
    // The codec amplifier stays at 3 dB for the wireless unit.
    QVERIFY(m_root->journal("mixer.log").contains("PGA Level := 3.00 dB"));
    QVERIFY(!m_root->journal("mixer.log").contains("PGA Level := 29.00 dB"));

    // The key word follows the setting, whatever the caller passes.
    w.setMicInitParameter(0x11, 1, switchmode == "Switch" ? 0 : 1);
    QVERIFY(unitGot(QStringLiteral("BT_TX I 11 MUTE %1").arg(keyWord)));
    int gain = 0, mute = 0, button = -1;
    w.getMicInitParameter(&gain, &mute, &button);
    QCOMPARE(gain, 0x11);
    QCOMPARE(button, switchmode == "Switch" ? 1 : 0);
}

void TestAudioPath::wiredSensorSendsNothing()
{
    pairUnit(*m_root, "Switch");
    m_board = std::make_unique<SimBoard>(m_root->root());
    MainMenu w;
    QVERIFY(linkUp(w));
    QVERIFY(m_board->send("gpio 48 1").startsWith("ok"));
    StatusbarData()->update();
    QCOMPARE(StatusbarData()->sensorType(), 4);
    QTest::qWait(300); // let the start-up lines settle
    const int before = withoutStatusRequests(m_board->unitLines()).size();
    const QList<QPair<int, float>> table = {{1, 9.0f}, {2, 18.0f}, {3, 22.5f}, {4, 29.0f},
                                            {5, 35.0f}, {6, 41.0f}, {9, 22.5f}};
    for (const auto &row : table) {
        // A late answer of the unit to an earlier sensor query may have set
        // its own type meanwhile; the status bar's next reading of the wired
        // line, as every second on the instrument, puts the wired one back.
        StatusbarData()->update();
        QCOMPARE(StatusbarData()->sensorType(), 4);
        w.setMicGainStep(row.first);
        QCOMPARE(w.getMicPgaGain(), row.second);
        const QString write = QStringLiteral("PGA Level := %1 dB").arg(double(row.second), 0, 'f', 2);
        QCOMPARE(m_root->journal("mixer.log").last(), write);
    }
    QCOMPARE(w.getMicGainStep(), 3);
    QTest::qWait(300);
    QCOMPARE(withoutStatusRequests(m_board->unitLines()).size(), before);
}

void TestAudioPath::muteAndOpenThePath()
{
    pairUnit(*m_root, "Switch");
    m_board = std::make_unique<SimBoard>(m_root->root());
    MainMenu w;
    QVERIFY(linkUp(w));
    QVERIFY(w.isAudioPathMuted());
    QCOMPARE(m_root->read("/sys/class/gpio/gpio17/value"), QByteArray("0"));

    const int headphoneMark = m_board->moduleLines("ttyO3").size();
    w.muteAudioPath(false, true);
    QVERIFY(unitGot("BT_TX I 0f ACTIVE SWITCH"));
    QVERIFY(!w.isAudioPathMuted());
    QCOMPARE(m_root->read("/sys/class/gpio/gpio17/value"), QByteArray("1"));
    QCOMPARE(m_root->journal("mixer.log").last(), QStringLiteral("LO DAC := 1"));
    QVERIFY(!w.getAudioCodecInstance()->isMuted());
    // The headphone link gets its last gain above 0 back (start-up gain 5).
    QTRY_VERIFY_WITH_TIMEOUT(m_board->moduleLines("ttyO3").mid(headphoneMark).contains("SET CONTROL GAIN 5 f"), 3000);

    const int mark = m_board->moduleLines("ttyO3").size();
    const int unitMark = withoutStatusRequests(m_board->unitLines()).size();
    w.muteAudioPath(true, false); // without the line to the unit
    QVERIFY(w.isAudioPathMuted());
    QCOMPARE(m_root->read("/sys/class/gpio/gpio17/value"), QByteArray("0"));
    QCOMPARE(m_root->journal("mixer.log").last(), QStringLiteral("LO DAC := 0"));
    QVERIFY(w.getAudioCodecInstance()->isMuted());
    QTRY_VERIFY_WITH_TIMEOUT(m_board->moduleLines("ttyO3").mid(mark).contains("SET CONTROL GAIN 0 f"), 3000);
    QTest::qWait(300);
    QCOMPARE(withoutStatusRequests(m_board->unitLines()).size(), unitMark);
    // The mute field changed for the next line all the same.
    w.updateMicrophoneParameter();
    QVERIFY(unitGot("BT_TX I 0f MUTE SWITCH"));

    // Open again: SET CONTROL GAIN 0 was followed by the last gain.
    const int mark2 = m_board->moduleLines("ttyO3").size();
    w.muteAudioPath(false, false);
    QTRY_VERIFY_WITH_TIMEOUT(m_board->moduleLines("ttyO3").mid(mark2).contains("SET CONTROL GAIN 5 f"), 3000);
    QCOMPARE(m_root->sysfsWritesTo("/sys/class/gpio/gpio17/value").mid(1),
             QStringList({"0", "1", "0", "1"}));
}

void TestAudioPath::unitKeyOnMainPageIsMutedAgain()
{
    pairUnit(*m_root, "Switch");
    m_board = std::make_unique<SimBoard>(m_root->root());
    MainMenu w;
    QVERIFY(linkUp(w));
    w.displayWidget(0, 0, 0);
    QVERIFY(unitGot("BT_TX B"));
    // The unit's key switches it to listening; the main page mutes it again.
    QVERIFY(m_board->send("unit key press").startsWith("ok"));
    QVERIFY(unitGot("BT_TX I 0f MUTE SWITCH"));
    QCOMPARE(m_root->read("/sys/class/gpio/gpio17/value"), QByteArray("0"));
    QVERIFY(w.isAudioPathMuted());
}

void TestAudioPath::codecInitFollowsSensor()
{
    pairUnit(*m_root, "Switch");
    m_board = std::make_unique<SimBoard>(m_root->root());
    MainMenu w;
    QVERIFY(linkUp(w));
    AudioCodecSetup *codec = w.getAudioCodecInstance();
    // The unit's answer to the status data's sensor question is in, so that
    // no late answer takes the sensor over from the wired one set below.
    QTRY_VERIFY(StatusbarData()->sensorType() != 0);
    const QString sw = QStringLiteral("%1 Input Mixer IN%2_%3 P := %4");
    for (int wired : {1, 0}) {
        QVERIFY(m_board->send(QStringLiteral("gpio 48 %1").arg(wired)).startsWith("ok"));
        StatusbarData()->update();
        w.muteAudioPath(false, true); // open, so that init has something to mute
        QVERIFY(unitGot("BT_TX I 0f ACTIVE SWITCH"));
        QVERIFY(!codec->isMuted());

        const int mark = m_root->journal("mixer.log").size();
        codec->init();
        const QStringList writes = m_root->journal("mixer.log").mid(mark);
        // Loopback and DAC mode, the listening routing (19 writes with input
        // 1), the input by sensor, then the muted line output.
        QCOMPARE(writes.size(), 2 + 19 + 6 + 1);
        QCOMPARE(writes.mid(0, 3), QStringList({"Loopback ADC ADC>DAC := 0", "DAC mode PRB_P3 := item 1",
                                                "Mic PGA := 1"}));
        const int input = wired ? 3 : 1;
        QStringList expected;
        for (int pair = 1; pair <= 3; ++pair)
            expected << sw.arg("Left").arg(pair).arg("L").arg(pair == input)
                     << sw.arg("Right").arg(pair).arg("R").arg(pair == input);
        expected << "LO DAC := 0";
        QCOMPARE(writes.mid(21), expected);
        QVERIFY(codec->isMuted());
        QVERIFY(w.isAudioPathMuted());
        QCOMPARE(m_root->read("/sys/class/gpio/gpio17/value"), QByteArray("0"));
        QVERIFY(unitGot("BT_TX I 0f MUTE SWITCH"));

        // A person at the simulator's control channel sees the same.
        const QString report = m_board->send("codec");
        QVERIFY2(report.contains(QStringLiteral("Left Input Mixer IN3_L P: %1").arg(wired ? "on" : "off")), qPrintable(report));
        QVERIFY(report.contains(QStringLiteral("Right Input Mixer IN1_R P: %1").arg(wired ? "off" : "on")));
        QVERIFY(report.contains("LO DAC: off"));
        QVERIFY(report.contains("PGA Level: 3.00 dB (step 6)"));
    }
    // The band filter as the register file got it: page 44 starts with the
    // low-pass at 1250 Hz (0x05AAE7 in the codec's 24 bits).
    codec->setFilter(160, 1250, 1);
    QCOMPARE(m_board->send("codec page 44").left(30), QStringLiteral("page 44: 01 05 0c 05 0d aa 0e "));
    QVERIFY(m_board->send("codec").endsWith("registers: 197 writes, page 44"));
}

QTEST_MAIN(TestAudioPath)
#include "tst_audiopath.moc"
