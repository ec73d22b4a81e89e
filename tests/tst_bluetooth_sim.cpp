// The simulated Bluetooth modules, sensor unit and headphone as a plain
// serial client sees them: the module's command language, automatic calling,
// RFCOMM calls and their failures, data mode and the DTR escape, lines held
// in command mode, the faults the control channel injects, and its errors.
#include "rawtty.h"
#include "pairedboard.h"
#include "simboard.h"
#include "testroot.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {

const QByteArray kUnit(SimBoard::kUnitAddress);

// A raw serial port read as lines ending in "\r\n".
class Tty : public RawTty
{
public:
    using RawTty::RawTty;
    bool line(const QByteArray &text) { return write(text + "\r\n"); }

    // Complete lines received so far (without "\r\n"), taken out.
    QByteArrayList take()
    {
        m_data += readAvailable();
        QByteArrayList out = m_pending;
        m_pending.clear();
        int end;
        while ((end = m_data.indexOf("\r\n")) >= 0) {
            out << m_data.left(end);
            m_data.remove(0, end + 2);
        }
        return out;
    }
    // Lines until `count` have come or the time is up.
    QByteArrayList lines(int count, int timeoutMs = 2000)
    {
        QByteArrayList out;
        QElapsedTimer t;
        t.start();
        while (out.size() < count && t.elapsed() < timeoutMs) {
            QTest::qWait(5);
            out += take();
        }
        // Lines past the count (a slow machine reads several answers in
        // one go) stay for the next read.
        m_pending = out.mid(count);
        out = out.mid(0, count);
        return out;
    }
    // Everything that comes within the time.
    QByteArrayList linesFor(int ms)
    {
        QTest::qWait(ms);
        return take();
    }

private:
    QByteArray m_data;
    QByteArrayList m_pending;
};

QByteArray gpio(const TestRoot &root, int line)
{
    return root.read(QStringLiteral("/sys/class/gpio/gpio%1/value").arg(line)).trimmed();
}

} // namespace

class TestBluetoothSim : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void moduleCommandLanguage();
    void dataModeAndEscape();
    void callsThatFail();
    void slowAndSilentModule();
    void droppedProfileIsRefusedUntilRestored();
    void unitKeyAndLostLines();
    void inquiryPairingAndRestart();
    void modulesPairAndStreamToEachOther();
    void controlErrors_data();
    void controlErrors();

private:
    // Opens ttyO2 and brings the unit's audio and data links up.
    bool connectUnit(Tty &tty);

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

void TestBluetoothSim::init()
{
    startBoard(&m_root, &m_board);
}

void TestBluetoothSim::cleanup()
{
    m_board.reset();
    m_root.reset();
}

bool TestBluetoothSim::connectUnit(Tty &tty)
{
    if (!tty.isOpen() || !tty.line("SET CONTROL AUTOCALL 19 100 A2DP"))
        return false;
    if (tty.lines(4).size() != 4)
        return false;
    tty.line("CALL " + kUnit + " 1101 RFCOMM");
    return tty.lines(2) == QByteArrayList({"CALL 2", "CONNECT 2 RFCOMM 1"});
}

void TestBluetoothSim::moduleCommandLanguage()
{
    Tty tty(m_root->local("/dev/ttyO2"));
    QVERIFY(tty.isOpen());
    QTest::qWait(50); // the port notices its reader
    QVERIFY(tty.line("LIST"));
    QCOMPARE(tty.lines(1), QByteArrayList({"LIST 0"}));
    QVERIFY(tty.line("at"));
    QCOMPARE(tty.lines(1), QByteArrayList({"OK"}));

    // Automatic calling brings the unit's audio up: two A2DP channels.
    QElapsedTimer clock;
    clock.start();
    QVERIFY(tty.line("SET CONTROL AUTOCALL 19 300 A2DP"));
    QCOMPARE(tty.lines(4), QByteArrayList({"CALL 0", "CONNECT 0 A2DP 19", "CONNECT 1 A2DP 19", "A2DP STREAMING START 1"}));
    QVERIFY2(clock.elapsed() >= 280, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(tty.linesFor(700).isEmpty()); // connected: no further calls
    QVERIFY(tty.line("LIST"));
    QCOMPARE(tty.lines(3), QByteArrayList({"LIST 2", "LIST 0 CONNECTED A2DP " + kUnit, "LIST 1 CONNECTED A2DP " + kUnit}));

    // Settings: taken silently, listed by a bare "SET".
    QVERIFY(tty.line("SET BT NAME TQE3900_MIC"));
    QVERIFY(tty.line("set profile a2dp sink"));
    QVERIFY(tty.line("SET"));
    QCOMPARE(tty.lines(4), QByteArrayList({"SET BT BDADDR 02:00:00:39:00:02", "SET BT NAME TQE3900_MIC",
                                           "SET PROFILE A2DP SINK", "SET"}));

    // Closing one A2DP channel closes both and stops the stream.
    QVERIFY(tty.line("CLOSE 1"));
    QCOMPARE(tty.lines(3), QByteArrayList({"A2DP STREAMING STOP", "NO CARRIER 0 ERROR 0", "NO CARRIER 1 ERROR 0"}));
    QVERIFY(tty.line("CLOSE 7")); // no such link: nothing
    // Automatic calling connects again, until it is switched off.
    QCOMPARE(tty.lines(4, 1000).size(), 4);
    QVERIFY(tty.line("SET CONTROL AUTOCALL"));
    QVERIFY(tty.line("KILL " + kUnit));
    QCOMPARE(tty.lines(3), QByteArrayList({"A2DP STREAMING STOP", "NO CARRIER 0 ERROR 0", "NO CARRIER 1 ERROR 0"}));
    QVERIFY(tty.linesFor(600).isEmpty());
    QCOMPARE(m_board->send("bt ttyO2 status"), QStringLiteral("command"));
    const QStringList journal = m_board->moduleLines("ttyO2");
    QCOMPARE(journal.first(), QStringLiteral("LIST"));
    QCOMPARE(journal.last(), "KILL " + QString::fromLatin1(kUnit));
}

void TestBluetoothSim::dataModeAndEscape()
{
    Tty tty(m_root->local("/dev/ttyO2"));
    QTest::qWait(50);
    QVERIFY(connectUnit(tty));
    // Data mode: the carrier is up and lines go to the unit and back.
    QTRY_COMPARE(gpio(*m_root, 59), QByteArray("1"));
    QCOMPARE(m_board->send("bt ttyO2 status"), QStringLiteral("data; 0 A2DP, 1 A2DP, 2 RFCOMM"));
    QVERIFY(tty.line("BT_TX B"));
    QCOMPARE(tty.lines(1), QByteArrayList({"BT_RX BATT_VOLTAGE 3900"}));
    QVERIFY(tty.line("LIST")); // data, not a command: the unit ignores it
    QVERIFY(tty.linesFor(200).isEmpty());
    QCOMPARE(m_board->unitLines(), QStringList({"BT_TX B", "LIST"}));

    // DTR low, then high: command mode; the carrier drops.
    QVERIFY(m_root->write("/sys/class/gpio/gpio58/value", "0"));
    QTest::qWait(60);
    QVERIFY(m_root->write("/sys/class/gpio/gpio58/value", "1"));
    QTRY_COMPARE(gpio(*m_root, 59), QByteArray("0"));
    QTRY_VERIFY(m_board->send("bt ttyO2 status").startsWith("command"));
    QVERIFY(tty.line("BT_TX B"));
    QCOMPARE(tty.lines(1), QByteArrayList({"SYNTAX ERROR"}));
    // What the unit says meanwhile waits for data mode.
    QCOMPARE(m_board->send("unit alert 2"), QStringLiteral("ok"));
    QVERIFY(tty.linesFor(200).isEmpty());
    QVERIFY(tty.line("SELECT 1")); // an audio link: refused
    QCOMPARE(tty.lines(1), QByteArrayList({"SYNTAX ERROR"}));
    QVERIFY(tty.line("SELECT 2"));
    QCOMPARE(tty.lines(1), QByteArrayList({"BT_RX ALERT 2"}));
    QTRY_COMPARE(gpio(*m_root, 59), QByteArray("1"));

    // Noise on the carrier line: short pulses to "0" (20 to 200 ms), in
    // data mode all along; the line is "1" again when the noise ends.
    QCOMPARE(m_board->send("bt ttyO2 noise 1500"), QStringLiteral("ok"));
    QElapsedTimer noise;
    noise.start();
    int pulses = 0;
    qint64 longest = 0;
    qint64 lowSince = -1;
    while (noise.elapsed() < 1700) {
        const bool low = gpio(*m_root, 59) == "0";
        if (low && lowSince < 0) {
            lowSince = noise.elapsed();
            ++pulses;
        } else if (!low && lowSince >= 0) {
            longest = qMax(longest, noise.elapsed() - lowSince);
            lowSince = -1;
        }
        QTest::qWait(2);
    }
    QVERIFY2(pulses >= 4 && lowSince < 0, qPrintable(QString::number(pulses)));
    QVERIFY2(longest >= 100 && longest <= 260, qPrintable(QString::number(longest)));
    QCOMPARE(gpio(*m_root, 59), QByteArray("1"));
    QVERIFY(m_board->send("bt ttyO2 status").startsWith("data"));
    QVERIFY(tty.line("BT_TX B"));
    QCOMPARE(tty.lines(1), QByteArrayList({"BT_RX BATT_VOLTAGE 3900"}));

    // The module leaves data mode by itself: the carrier falls, the data
    // link stays; lines are commands again until it is selected.
    QCOMPARE(m_board->send("bt ttyO2 escape"), QStringLiteral("ok"));
    QTRY_COMPARE(gpio(*m_root, 59), QByteArray("0"));
    QCOMPARE(m_board->send("bt ttyO2 status"), QStringLiteral("command; 0 A2DP, 1 A2DP, 2 RFCOMM"));
    QVERIFY(tty.line("BT_TX B"));
    QCOMPARE(tty.lines(1), QByteArrayList({"SYNTAX ERROR"}));
    QVERIFY(m_board->send("bt ttyO2 escape").startsWith("error: ttyO2 is not in data mode"));
    QVERIFY(tty.line("SELECT 2"));
    QTRY_COMPARE(gpio(*m_root, 59), QByteArray("1"));
    QVERIFY(tty.line("BT_TX B"));
    QCOMPARE(tty.lines(1), QByteArrayList({"BT_RX BATT_VOLTAGE 3900"}));

    // A faulty line held low: the module stays in data mode, and a DTR
    // escape still ends it (the module goes by its own level); the line
    // stays low all along.
    QCOMPARE(m_board->send("bt ttyO2 carrier low"), QStringLiteral("ok"));
    QCOMPARE(gpio(*m_root, 59), QByteArray("0"));
    QVERIFY(tty.line("BT_TX B"));
    QCOMPARE(tty.lines(1), QByteArrayList({"BT_RX BATT_VOLTAGE 3900"}));
    QVERIFY(m_root->write("/sys/class/gpio/gpio58/value", "0"));
    QTest::qWait(60); // a low the module's 10 ms polling sees
    QVERIFY(m_root->write("/sys/class/gpio/gpio58/value", "1"));
    QTRY_VERIFY(m_board->send("bt ttyO2 status").startsWith("command"));
    QCOMPARE(gpio(*m_root, 59), QByteArray("0"));
    // Held high: in command mode all the same; freed, the line shows the
    // module's own level.
    QCOMPARE(m_board->send("bt ttyO2 carrier high"), QStringLiteral("ok"));
    QCOMPARE(gpio(*m_root, 59), QByteArray("1"));
    QVERIFY(tty.line("BT_TX B"));
    QCOMPARE(tty.lines(1), QByteArrayList({"SYNTAX ERROR"}));
    QCOMPARE(m_board->send("bt ttyO2 carrier free"), QStringLiteral("ok"));
    QCOMPARE(gpio(*m_root, 59), QByteArray("0"));
    QVERIFY(tty.line("SELECT 2"));
    QTRY_COMPARE(gpio(*m_root, 59), QByteArray("1"));
    // The unit says a line of its own over the data link.
    QCOMPARE(m_board->send("unit say SYNTAX ERROR"), QStringLiteral("ok"));
    QCOMPARE(tty.lines(1), QByteArrayList({"SYNTAX ERROR"}));

    // Back to command mode and the data link closed: the unit is cut off.
    QVERIFY(m_root->write("/sys/class/gpio/gpio58/value", "0"));
    QTest::qWait(60);
    QVERIFY(m_root->write("/sys/class/gpio/gpio58/value", "1"));
    QTRY_VERIFY(m_board->send("bt ttyO2 status").startsWith("command"));
    QVERIFY(tty.line("CLOSE 2"));
    QCOMPARE(tty.lines(1), QByteArrayList({"NO CARRIER 2 ERROR 0"}));
    QCOMPARE(m_board->send("unit status"), QStringLiteral("address %1; rfcomm down; a2dp up; MUTE; SWITCH; gain 0f")
                                               .arg(QString::fromLatin1(kUnit)));
    QCOMPARE(m_board->send("unit alert 1"), QStringLiteral("ok"));
    QVERIFY(tty.linesFor(200).isEmpty());
}

void TestBluetoothSim::callsThatFail()
{
    // The headphone has no data channel: refused at once.
    Tty headphone(m_root->local("/dev/ttyO3"));
    QTest::qWait(50);
    QVERIFY(headphone.line(QByteArray("CALL ") + SimBoard::kHeadphoneAddress + " 1101 RFCOMM"));
    QCOMPARE(headphone.lines(2), QByteArrayList({"CALL 0", "NO CARRIER 0 ERROR 406 CONNECTION_FAILED"}));
    QVERIFY(headphone.line("CALL"));
    QCOMPARE(headphone.lines(1), QByteArrayList({"SYNTAX ERROR"}));

    // Nobody at that address: no answer until the page time-out.
    Tty tty(m_root->local("/dev/ttyO2"));
    QTest::qWait(50);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(tty.line("CALL 02:00:00:39:09:09 1101 RFCOMM"));
    QCOMPARE(tty.lines(1), QByteArrayList({"CALL 0"}));
    QCOMPARE(m_board->send("bt ttyO2 status"), QStringLiteral("command; 0 RFCOMM calling"));
    QCOMPARE(tty.lines(1, 7000), QByteArrayList({"NO CARRIER 0 ERROR 406 CONNECTION_FAILED"}));
    QVERIFY2(clock.elapsed() >= 4900, qPrintable(QString::number(clock.elapsed())));

    // Closed while calling: the call ends there, and its time-out is void.
    QVERIFY(tty.line("CALL 02:00:00:39:09:09 1101 RFCOMM"));
    QCOMPARE(tty.lines(1), QByteArrayList({"CALL 0"}));
    QVERIFY(tty.line("KILL 02:00:00:39:09:09"));
    QCOMPARE(tty.lines(1), QByteArrayList({"NO CARRIER 0 ERROR 0"}));
    QCOMPARE(m_board->send("bt ttyO2 status"), QStringLiteral("command"));
}

void TestBluetoothSim::slowAndSilentModule()
{
    Tty tty(m_root->local("/dev/ttyO2"));
    QTest::qWait(50);
    QCOMPARE(m_board->send("bt ttyO2 slow 300"), QStringLiteral("ok"));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(tty.line("LIST"));
    QVERIFY(tty.line("AT"));
    QCOMPARE(tty.lines(2), QByteArrayList({"LIST 0", "OK"}));
    QVERIFY2(clock.elapsed() >= 290, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(m_board->send("bt ttyO2 slow 0"), QStringLiteral("ok"));

    // Silent: the lines are received (journal) but nothing answers, and the
    // control lines are left alone.
    QCOMPARE(m_board->send("bt ttyO2 silent 1"), QStringLiteral("ok"));
    QVERIFY(m_root->write("/sys/class/gpio/gpio59/value", "1"));
    QVERIFY(tty.line("LIST"));
    QVERIFY(tty.line("SET CONTROL AUTOCALL 19 100 A2DP"));
    QVERIFY(m_root->write("/sys/class/gpio/gpio58/value", "0"));
    QTest::qWait(60);
    QVERIFY(m_root->write("/sys/class/gpio/gpio58/value", "1"));
    QVERIFY(tty.linesFor(400).isEmpty());
    QCOMPARE(gpio(*m_root, 59), QByteArray("1"));
    QCOMPARE(m_board->moduleLines("ttyO2").mid(2), QStringList({"LIST", "SET CONTROL AUTOCALL 19 100 A2DP"}));
    // Speaking again: the autocall set while silent was not taken.
    QCOMPARE(m_board->send("bt ttyO2 silent 0"), QStringLiteral("ok"));
    QVERIFY(tty.line("LIST"));
    QCOMPARE(tty.lines(1), QByteArrayList({"LIST 0"}));
    QVERIFY(tty.linesFor(300).isEmpty());
}

void TestBluetoothSim::droppedProfileIsRefusedUntilRestored()
{
    Tty tty(m_root->local("/dev/ttyO2"));
    QTest::qWait(50);
    QVERIFY(connectUnit(tty));
    // The connection breaks: every link closes.
    QCOMPARE(m_board->send("bt ttyO2 drop rfcomm"), QStringLiteral("ok"));
    QCOMPARE(tty.lines(4), QByteArrayList({"A2DP STREAMING STOP", "NO CARRIER 0 ERROR 0", "NO CARRIER 1 ERROR 0",
                                           "NO CARRIER 2 ERROR 0"}));
    QTRY_COMPARE(gpio(*m_root, 59), QByteArray("0"));
    // Audio comes back by itself; the data channel does not answer.
    QCOMPARE(tty.lines(4).size(), 4);
    QVERIFY(tty.line("CALL " + kUnit + " 1101 RFCOMM"));
    QCOMPARE(tty.lines(1), QByteArrayList({"CALL 2"}));
    QVERIFY(tty.linesFor(500).isEmpty());
    QVERIFY(tty.line("CLOSE 2"));
    QCOMPARE(tty.lines(1), QByteArrayList({"NO CARRIER 2 ERROR 0"}));
    QCOMPARE(m_board->send("bt ttyO2 restore rfcomm"), QStringLiteral("ok"));
    QVERIFY(tty.line("CALL " + kUnit + " 1101 RFCOMM"));
    QCOMPARE(tty.lines(2), QByteArrayList({"CALL 2", "CONNECT 2 RFCOMM 1"}));

    // Audio refused: automatic calling gets nowhere until restored.
    QCOMPARE(m_board->send("bt ttyO2 drop a2dp"), QStringLiteral("ok"));
    QCOMPARE(tty.lines(4).size(), 4);
    QVERIFY(tty.linesFor(500).isEmpty());
    QCOMPARE(m_board->send("bt ttyO2 restore a2dp"), QStringLiteral("ok"));
    QCOMPARE(tty.lines(4, 1000), QByteArrayList({"CALL 0", "CONNECT 0 A2DP 19", "CONNECT 1 A2DP 19",
                                                 "A2DP STREAMING START 1"}));
}

void TestBluetoothSim::unitKeyAndLostLines()
{
    // Without a data link the key changes the unit's state, but its report
    // is lost.
    QCOMPARE(m_board->send("unit key press"), QStringLiteral("ok"));
    QVERIFY(m_board->send("unit status").contains("; ACTIVE; SWITCH;"));
    Tty tty(m_root->local("/dev/ttyO2"));
    QTest::qWait(50);
    QVERIFY(connectUnit(tty));
    QVERIFY(tty.linesFor(200).isEmpty());
    // Push-button mode from the microphone line: open while held.
    QVERIFY(tty.line("BT_TX I 13 MUTE PUSHBUT"));
    QCOMPARE(tty.lines(1), QByteArrayList({"BT_RX RCVOK MUTE"}));
    QCOMPARE(m_board->send("unit key press"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("unit key release"), QStringLiteral("ok"));
    QCOMPARE(tty.lines(2), QByteArrayList({"BT_RX MUTE_STATE ACTIVE", "BT_RX MUTE_STATE MUTE"}));
    QVERIFY(m_board->send("unit status").endsWith("; MUTE; PUSHBUT; gain 13"));
    // The configuration answer reflects what was set.
    QCOMPARE(m_board->send("unit sensor 4"), QStringLiteral("ok"));
    QVERIFY(tty.line("BT_TX P"));
    QCOMPARE(tty.lines(8), QByteArrayList({"BT_RX HW-VERSION 2.1", "BT_RX FW-VERSION 1.4.2", "BT_RX BATT_VOLTAGE 3900",
                                           "BT_RX SENSOR 4", "BT_RX MIC-GAIN 13", "BT_RX MUTE_STATE MUTE",
                                           "BT_RX BUTTON PUSHBUT", "!$!"}));
    // No answer to what the unit does not know, nor to the end of the
    // pressure stream.
    QVERIFY(tty.line("BT_TX RP"));
    QVERIFY(tty.line("BT_TX Q 1"));
    QVERIFY(tty.line("garbage"));
    QVERIFY(tty.linesFor(300).isEmpty());
    QVERIFY(tty.line("BT_TX O"));
    QCOMPARE(tty.lines(1), QByteArrayList({"BT_RX OK"}));
}

void TestBluetoothSim::inquiryPairingAndRestart()
{
    Tty tty(m_root->local("/dev/ttyO3"));
    QVERIFY(tty.isOpen());
    QTest::qWait(50);
    const QByteArray other = "00:07:80:AA:BB:01";
    QCOMPARE(m_board->send("inquiry add " + other + " 2C0404 Box (2) 5%"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("inquiry pair " + other + " silent"), QStringLiteral("ok"));
    QCOMPARE(m_board->send("inquiry time 900"), QStringLiteral("ok"));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(tty.line("INQUIRY 4 NAME"));
    // The devices answer while the inquiry runs, the summary comes at its
    // end, the names after it.
    QCOMPARE(tty.lines(3, 1500), QByteArrayList({"INQUIRY_PARTIAL 02:00:00:39:01:02 280404",
                                                 "INQUIRY_PARTIAL 02:00:00:39:01:03 240404",
                                                 "INQUIRY_PARTIAL " + other + " 2C0404"}));
    QVERIFY(clock.elapsed() < 900);
    QCOMPARE(tty.lines(4, 1500), QByteArrayList({"INQUIRY 3", "INQUIRY 02:00:00:39:01:02 280404",
                                                 "INQUIRY 02:00:00:39:01:03 240404", "INQUIRY " + other + " 2C0404"}));
    QVERIFY2(clock.elapsed() >= 880, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(tty.lines(3, 1500), QByteArrayList({"NAME 02:00:00:39:01:02 \"GX-4 Sensor 0412\"",
                                                 "NAME 02:00:00:39:01:03 \"Headset HS-20\"",
                                                 "NAME " + other + " \"Box (2) 5%\""}));
    // Pairing: the headphone answers after a second, the other device never.
    clock.restart();
    QVERIFY(tty.line("PAIR 02:00:00:39:01:03"));
    QCOMPARE(tty.lines(1, 2000), QByteArrayList({"PAIR 02:00:00:39:01:03 OK"}));
    QVERIFY2(clock.elapsed() >= 980, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(tty.line("PAIR " + other));
    QVERIFY(tty.line("PAIR 00:07:80:00:00:99"));
    QVERIFY(tty.linesFor(1500).isEmpty());
    // None in range: the inquiry ends with nothing found.
    QCOMPARE(m_board->send("inquiry clear"), QStringLiteral("ok"));
    QVERIFY(tty.line("INQUIRY 1"));
    QCOMPARE(tty.lines(1, 1500), QByteArrayList({"INQUIRY 0"}));
    QVERIFY(tty.line("INQUIRY"));
    QCOMPARE(tty.lines(1), QByteArrayList({"SYNTAX ERROR"}));

    // A restart drops the links silently and reports itself; an inquiry
    // under way is forgotten.
    QVERIFY(tty.line("SET CONTROL AUTOCALL 19 300 A2DP"));
    QCOMPARE(tty.lines(5, 1000).size(), 5); // stream, then the headphone's remote control
    QCOMPARE(m_board->send("inquiry add " + other + " 2C0404"), QStringLiteral("ok"));
    QVERIFY(tty.line("INQUIRY 1 NAME"));
    QVERIFY(tty.line("RESET"));
    QCOMPARE(tty.lines(2, 1500), QByteArrayList({"WRAP THOR AI (4.1.0 build 1)", "READY."}));
    QVERIFY(m_board->send("headphone status").contains("a2dp down; avrcp down"));
    const QByteArrayList after = tty.linesFor(1200);
    QVERIFY(!after.join('|').contains("INQUIRY"));
}

// The loop-back test's set-up: the sink module pairs with the other module
// when that one is an A2DP source, and then calls it instead of the unit.
void TestBluetoothSim::modulesPairAndStreamToEachOther()
{
    Tty sink(m_root->local("/dev/ttyO2"));
    Tty source(m_root->local("/dev/ttyO3"));
    QVERIFY(sink.isOpen() && source.isOpen());
    QTest::qWait(50);
    const QByteArray sinkAddress = "02:00:00:39:00:02";
    const QByteArray sourceAddress = "02:00:00:39:00:03";
    // Without roles, or both sinks, the other module does not answer.
    QVERIFY(sink.line("PAIR " + sourceAddress));
    QVERIFY(sink.line("SET PROFILE A2DP SINK"));
    QVERIFY(source.line("SET PROFILE A2DP SINK"));
    QVERIFY(sink.line("PAIR " + sourceAddress));
    QVERIFY(sink.linesFor(1300).isEmpty());

    QVERIFY(source.line("SET PROFILE A2DP SOURCE"));
    QVERIFY(source.line("SET BT NAME TQE3900_SIM_MIC"));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(sink.line("PAIR " + sourceAddress));
    QCOMPARE(sink.lines(1, 2000), QByteArrayList({"PAIR " + sourceAddress + " OK"}));
    QVERIFY2(clock.elapsed() >= 980, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(sink.line("SET CONTROL AUTOCALL 19 100 A2DP"));
    QCOMPARE(sink.lines(4), QByteArrayList({"CALL 0", "CONNECT 0 A2DP 19", "CONNECT 1 A2DP 19", "A2DP STREAMING START 1"}));
    QCOMPARE(source.lines(3), QByteArrayList({"RING 0 " + sinkAddress + " 19 A2DP", "RING 1 " + sinkAddress + " 19 A2DP",
                                              "A2DP STREAMING START 1"}));
    QCOMPARE(m_board->send("bt ttyO2 status"), QStringLiteral("command; 0 A2DP, 1 A2DP"));
    QCOMPARE(m_board->send("bt ttyO3 status"), QStringLiteral("command; 0 A2DP, 1 A2DP"));
    QVERIFY(m_board->send("unit status").contains("a2dp down"));
    QVERIFY(sink.line("LIST"));
    QCOMPARE(sink.lines(3), QByteArrayList({"LIST 2", "LIST 0 CONNECTED A2DP " + sourceAddress,
                                            "LIST 1 CONNECTED A2DP " + sourceAddress}));

    // A restart of the source ends the stream on the sink's side too; the
    // pairing stays, and the automatic calling finds the source again.
    QVERIFY(source.line("RESET"));
    QCOMPARE(sink.lines(3), QByteArrayList({"A2DP STREAMING STOP", "NO CARRIER 0 ERROR 0", "NO CARRIER 1 ERROR 0"}));
    QCOMPARE(source.lines(2, 1500), QByteArrayList({"WRAP THOR AI (4.1.0 build 1)", "READY."}));
    QCOMPARE(sink.lines(4, 1500).value(3), QByteArray("A2DP STREAMING START 1"));
    QCOMPARE(source.lines(3).value(2), QByteArray("A2DP STREAMING START 1"));
    // The sink closes it: the source hears of it.
    QVERIFY(sink.line("SET CONTROL AUTOCALL"));
    QVERIFY(sink.line("KILL " + sourceAddress));
    QCOMPARE(sink.lines(3), QByteArrayList({"A2DP STREAMING STOP", "NO CARRIER 0 ERROR 0", "NO CARRIER 1 ERROR 0"}));
    QCOMPARE(source.lines(3), QByteArrayList({"A2DP STREAMING STOP", "NO CARRIER 0 ERROR 0", "NO CARRIER 1 ERROR 0"}));

    // Forgotten: the automatic calling reaches the unit again.
    QVERIFY(sink.line("SET BT PAIR *"));
    QVERIFY(sink.line("SET CONTROL AUTOCALL 19 100 A2DP"));
    QCOMPARE(sink.lines(4).value(3), QByteArray("A2DP STREAMING START 1"));
    QVERIFY(m_board->send("unit status").contains("a2dp up"));
    QVERIFY(source.linesFor(300).isEmpty());
}

void TestBluetoothSim::controlErrors_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("reply");
    QTest::newRow("bt alone") << "bt" << "error: usage: bt";
    QTest::newRow("unknown port") << "bt ttyO9 status" << "error: no module on ttyO9; usage: bt";
    QTest::newRow("unknown action") << "bt ttyO2 fly" << "error: usage: bt";
    QTest::newRow("drop what") << "bt ttyO2 drop hfp" << "error: usage: bt";
    QTest::newRow("silent 2") << "bt ttyO2 silent 2" << "error: usage: bt";
    QTest::newRow("slow negative") << "bt ttyO2 slow -1" << "error: delay must be 0 to 10000 ms";
    QTest::newRow("slow word") << "bt ttyO2 slow soon" << "error: delay must be 0 to 10000 ms";
    QTest::newRow("slow over the bound") << "bt ttyO2 slow 10001" << "error: delay must be 0 to 10000 ms";
    QTest::newRow("noise negative") << "bt ttyO2 noise -5" << "error: noise must last 0 to 600000 ms";
    QTest::newRow("noise over the bound") << "bt ttyO2 noise 600001" << "error: noise must last 0 to 600000 ms";
    QTest::newRow("noise at the bound") << "bt ttyO3 noise 600000" << "error: ttyO3 has no carrier line";
    QTest::newRow("escape in command mode") << "bt ttyO3 escape" << "error: ttyO3 is not in data mode";
    QTest::newRow("carrier stuck") << "bt ttyO2 carrier stuck" << "error: usage: bt";
    QTest::newRow("carrier without a line") << "bt ttyO3 carrier low" << "error: ttyO3 has no carrier line";
    QTest::newRow("unit says without a data link") << "unit say hello" << "error: the data link is down; line dropped";
    QTest::newRow("raw bad escape") << "bt ttyO2 raw a\\q" << "error: bad escape in the text";
    QTest::newRow("raw short hex") << "bt ttyO2 raw a\\x4" << "error: bad escape in the text";
    QTest::newRow("send to nobody") << "bt ttyO2 send hello" << "error: nobody has ttyO2 open; line dropped";
    QTest::newRow("raw to nobody") << "bt ttyO3 raw hello" << "error: nobody has ttyO3 open; bytes dropped";
    QTest::newRow("unit alone") << "unit" << "error: usage: unit";
    QTest::newRow("unit key hold") << "unit key hold" << "error: usage: unit";
    QTest::newRow("unit sensor 12") << "unit sensor 12" << "error: sensor type must be 0 to 9";
    QTest::newRow("unit battery word") << "unit battery full" << "error: battery must be 0 to 9999 mV";
    QTest::newRow("unit restart extra") << "unit restart now" << "error: usage: unit";
    QTest::newRow("headphone address missing") << "headphone address" << "error: usage: headphone";
    QTest::newRow("headphone status") << "headphone status"
                                      << "address 02:00:00:39:01:03; a2dp down; avrcp down; hfp down; volume 50; battery 6";
    QTest::newRow("headphone volume 101") << "headphone volume 101" << "error: volume must be 0 to 100";
    QTest::newRow("headphone battery 10") << "headphone battery 10" << "error: battery level must be 0 to 9";
    QTest::newRow("inquiry list") << "inquiry" << "02:00:00:39:01:02 280404 \"GX-4 Sensor 0412\"; 02:00:00:39:01:03";
    QTest::newRow("inquiry bad address") << "inquiry add 00:07:80 280404" << "error: bad address";
    QTest::newRow("inquiry bad class") << "inquiry add 00:07:80:00:00:01 28040" << "error: bad class";
    QTest::newRow("inquiry pair unknown") << "inquiry pair 00:07:80:00:00:01 ok" << "error: no device";
    QTest::newRow("inquiry pair word") << "inquiry pair 02:00:00:39:01:02 maybe" << "error: usage: inquiry";
    QTest::newRow("inquiry time") << "inquiry time 70000" << "error: time must be 0 to 60000 ms";
    QTest::newRow("module status") << "bt ttyO3 status" << "command";
    QTest::newRow("unit address") << "unit address 02:00:00:39:01:99" << "ok";
}

void TestBluetoothSim::controlErrors()
{
    QFETCH(QString, command);
    QFETCH(QString, reply);
    const QString got = m_board->send(command);
    QVERIFY2(got.startsWith(reply), qPrintable(got));
    // Each command and its reply are journalled.
    const QStringList log = m_root->journal("control.log");
    QVERIFY(log.contains("> " + command));
    QVERIFY(log.contains("< " + got.section('\n', 0, 0)));
}

QTEST_GUILESS_MAIN(TestBluetoothSim)
#include "tst_bluetooth_sim.moc"
