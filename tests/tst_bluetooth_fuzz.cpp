// Random and mutated byte streams into the Bluetooth link's receive path and
// reply parser (over a pseudo-terminal, as from a module), and into the
// simulated module and sensor unit: a fixed number of chunks from a fixed
// seed, the time only bounding them.
// The sanitizers watch for memory and undefined-behaviour faults; each step
// must finish quickly (no hang), and afterwards the link must still parse a
// valid line.
//
// TQ3900_FUZZ_SECONDS bounds the total time (default 30 s), TQ3900_FUZZ_CASES
// sets the number of chunks of each part.
#include "bluetooth.h"
#include "btmodulepeer.h"
#include "fuzzduration.h"
#include "globals.h"
#include "sensorunitpeer.h"
#include "testroot.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <iterator>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Valid lines of both modules and of the sensor unit.
const char *const kCorpus[] = {
    "LIST 0", "LIST 3", "LIST 0 CONNECTED A2DP 672 02:00:00:39:01:02", "LIST 1 CONNECTED A2DP 672 02:00:00:39:01:02",
    "LIST 2 CONNECTED RFCOMM 02:00:00:39:01:02", "LIST 3 CONNECTED HFP-AG 02:00:00:39:01:03",
    "LIST 2 CONNECTED AVRCP 02:00:00:39:01:03", "CALL 0", "CALL 2", "CONNECT 0 A2DP 19", "CONNECT 1 A2DP 19",
    "CONNECT 2 RFCOMM 1", "A2DP STREAMING START 1", "A2DP STREAMING STOP", "NO CARRIER 0 ERROR 0",
    "NO CARRIER 2 ERROR 406 CONNECTION_FAILED", "NO CARRIER 3 ERROR 0", "RING 2 02:00:00:39:01:03 17 AVRCP",
    "HFP-AG 3 READY", "HFP-AG 3 IND 0 AT+IPHONEACCEV=2,1,7,2,0", "AVRCP 2 NOTIFY 0 VOLUME_CHANGED 50", "OK",
    "SYNTAX ERROR", "SET BT BDADDR 02:00:00:39:00:02", "SET BT NAME TQE3900_MIC", "SET PROFILE A2DP SINK",
    "SET PROFILE A2DP SOURCE", "SET", "WRAP THOR AI", "READY.", "PAIR 02:00:00:39:01:02 OK", "PAIR x FAIL",
    "BT_RX MUTE_STATE ACTIVE", "BT_RX MUTE_STATE MUTE", "BT_RX ALERT 1", "BT_RX SENSOR 3",
    "BT_RX BATT_VOLTAGE 3900", "BT_RX SENSVAL 12.5 30", "BT_RX OK", "BT_RX RCVOK MUTE", "BT_RX X 1",
    "BT_RX RDY 3650 4", "BT_RX FH OK", "BT_RX FD 007 OK", "BT_RX FS OK", "BT_RX FW-VERSION 1.4.2",
    "BT_RX HW-VERSION 2.1", "BT_RX MIC-GAIN 0f", "BT_RX BUTTON SWITCH", "BT_RX RS 25 409 3685",
    "BT_RX RD 3 199;E65;FFF;", "BT_RX RD 2147483647", "BT_RX RD -5 199;", "!$!"};

// What the program sends to the module and the unit.
const char *const kProgramLines[] = {
    "LIST", "SET", "SET CONTROL AUTOCALL 19 500 A2DP", "SET CONTROL AUTOCALL", "CALL 02:00:00:39:01:02 1101 RFCOMM",
    "CALL 02:00:00:39:01:02 19 A2DP", "KILL 02:00:00:39:01:02", "CLOSE 0", "CLOSE 2", "SELECT 2", "AT",
    "SET BT NAME X", "SET PROFILE A2DP SINK", "BT_TX I 0f MUTE SWITCH", "BT_TX B", "BT_TX T", "BT_TX S",
    "BT_TX P", "BT_TX O", "BT_TX G 11", "BT_TX RS", "AVRCP UP"};

class Mutator
{
public:
    explicit Mutator(quint32 seed) : m_rng(seed) {}

    int below(int n) { return n > 0 ? int(m_rng.bounded(quint32(n))) : 0; }
    bool chance(int percent) { return below(100) < percent; }

    QByteArray pick(const char *const *lines, int count) { return QByteArray(lines[below(count)]); }

    QByteArray randomBytes(int max)
    {
        QByteArray b;
        const int n = below(max) + 1;
        for (int i = 0; i < n; ++i)
            b.append(char(below(256)));
        return b;
    }

    QByteArray mutate(QByteArray line)
    {
        const int rounds = below(4);
        for (int r = 0; r < rounds && !line.isEmpty(); ++r) {
            const int at = below(line.size());
            switch (below(9)) {
            case 0: line[at] = char(line.at(at) ^ (1 << below(8))); break;
            case 1: line[at] = char(below(256)); break;
            case 2: line.insert(at, char(below(256))); break;
            case 3: line.insert(at, "\r\n\0"[below(3)]); break;
            case 4: line.remove(at, below(line.size() - at) + 1); break;
            case 5: line.insert(at, line.mid(at, below(8) + 1)); break;
            case 6: line.insert(at, QByteArray(" ").repeated(below(4) + 1)); break;
            case 7: line.insert(at, "\xc3\xa4\xe2\x82\xac\xff\xfe"[below(7)]); break;
            case 8: line = line.left(at) + pick(kCorpus, int(std::size(kCorpus))).mid(below(10)); break;
            }
        }
        return line;
    }

    // One chunk of bytes as a module might send it.
    QByteArray chunk()
    {
        const int kind = below(100);
        if (kind < 5)
            return randomBytes(64);
        if (kind < 7)
            return QByteArray(below(9000) + 1, char('A' + below(26))); // overlong, no line end
        QByteArray out;
        const int lines = below(4) + 1;
        for (int i = 0; i < lines; ++i) {
            QByteArray line = pick(kCorpus, int(std::size(kCorpus)));
            if (chance(40))
                line = mutate(line);
            static const char *const kEnds[] = {"\r\n", "\r\n", "\r\n", "\n", "\r", ""};
            out += line + kEnds[below(6)];
        }
        if (chance(20))
            out = out.left(below(out.size()) + 1); // cut: the rest comes later or never
        return out;
    }

private:
    QRandomGenerator m_rng;
};

// The link reports every line on the debug output; at fuzzing rates that
// would only slow the run down and flood the log.
QtMessageHandler g_previousHandler = nullptr;

void dropDebugOutput(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtDebugMsg && g_previousHandler)
        g_previousHandler(type, context, text);
}

const int kDefaultSeconds = 30;
const int kReceiveChunks = 40000;
const int kModuleChunks = 10000;

} // namespace

class TestBluetoothFuzz : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void receivePathAndParser();
    void simulatedModuleAndUnit();

private:
    int m_budgetMs = 0;
};

void TestBluetoothFuzz::initTestCase()
{
    g_previousHandler = qInstallMessageHandler(dropDebugOutput);
}

void TestBluetoothFuzz::init()
{
    g_debugFeatures = 0;
    m_budgetMs = fuzzSeconds(kDefaultSeconds) * 1000;
}

void TestBluetoothFuzz::receivePathAndParser()
{
    TestRoot root;
    QVERIFY(root.isValid());
    // A pseudo-terminal in place of the module: its slave is the program's
    // port, the master is written here. The slave descriptor kept open here
    // tells how much input the program has not read yet.
    int master = -1;
    int slave = -1;
    char slaveName[256] = {};
    struct termios tio;
    std::memset(&tio, 0, sizeof tio);
    cfmakeraw(&tio);
    QVERIFY(::openpty(&master, &slave, slaveName, &tio, nullptr) == 0);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    QVERIFY(QFile::link(QString::fromLocal8Bit(slaveName), root.local("/dev/ttyO2")));

    auto drainMaster = [master] {
        char buf[4096];
        while (::read(master, buf, sizeof buf) > 0) {
        }
    };
    auto unread = [slave] {
        int n = 0;
        ::ioctl(slave, FIONREAD, &n);
        return n;
    };
    // Writes bytes and runs the event loop until the link has read them all.
    auto feed = [&](const QByteArray &bytes) -> bool {
        int done = 0;
        QElapsedTimer step;
        step.start();
        while (done < bytes.size() || unread() > 0) {
            if (done < bytes.size()) {
                const ssize_t n = ::write(master, bytes.constData() + done, size_t(bytes.size() - done));
                if (n > 0)
                    done += int(n);
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            drainMaster();
            if (step.elapsed() > 5000)
                return false;
        }
        QCoreApplication::processEvents();
        drainMaster();
        return true;
    };

    Mutator m(fuzzSeed(20240601));
    qint64 chunks = 0;
    qint64 bytes = 0;
    {
        Bluetooth link;
        link.initBluetooth(QStringLiteral("/dev/ttyO2"), QStringLiteral("02:00:00:39:01:02"));
        link.callBtDeviceA2DP(true);
        FuzzCases cases(kReceiveChunks, m_budgetMs * 4 / 5 / 1000);
        while (cases.next()) {
            // The last part runs with the diagnostic file.
            g_debugFeatures = cases.done() > cases.planned() * 9 / 10 ? 1 : 0;
            // Now and then the program's side acts too.
            const int action = m.below(100);
            if (action < 3) {
                link.sendData(QString::fromLatin1(m.pick(kProgramLines, int(std::size(kProgramLines)))));
            } else if (action < 4) {
                link.callBtDeviceA2DP(m.chance(50));
            } else if (action < 5) {
                root.write("/sys/class/gpio/gpio59/value", m.chance(50) ? "1" : "0");
            } else if (action < 6) {
                link.switchBtMode(m.below(2));
            } else if (action == 6) {
                link.getData();
            } else if (action == 7 && m.chance(10)) {
                link.resetBluetooth(m.chance(50) ? QString() : QStringLiteral("02:00:00:39:01:02"));
            }
            const QByteArray c = m.chunk();
            QVERIFY2(feed(c), qPrintable(QStringLiteral("the link did not read a chunk within 5 s: %1")
                                            .arg(QString::fromLatin1(c.left(80).toHex()))));
            ++chunks;
            bytes += c.size();
        }
        g_debugFeatures = 0;
        QVERIFY2(chunks > 100 || m_budgetMs < 1000, qPrintable(QString::number(chunks)));

        // The parser still works: end whatever partial line is pending (it
        // may itself be a sensor reply), then a valid reply, counted alone.
        QVERIFY(feed("\r\n"));
        QSignalSpy sensor(&link, &Bluetooth::btSensortypeReceived);
        QVERIFY(feed("BT_RX SENSOR 7\r\n"));
        QTRY_COMPARE(sensor.count(), 1);
        QCOMPARE(sensor.at(0).at(0).toString(), QStringLiteral("7"));
    }
    qInfo("receive path: %lld chunks, %lld bytes", chunks, bytes);
    ::close(master);
    ::close(slave);
}

void TestBluetoothFuzz::simulatedModuleAndUnit()
{
    // The module and the unit behind it, without a port: every line the
    // program might send, mutated, in random chunks, in both modes.
    TestRoot root;
    QVERIFY(root.isValid());
    Sim::BtModulePeer module(root.root(), nullptr);
    Sim::SensorUnitPeer unit(root.root());
    module.setRemote(&unit);
    Mutator m(fuzzSeed(977));
    qint64 chunks = 0;
    FuzzCases cases(kModuleChunks, m_budgetMs / 5 / 1000);
    while (cases.next()) {
        QByteArray c;
        const int lines = m.below(5) + 1;
        for (int i = 0; i < lines; ++i) {
            QByteArray line = m.pick(kProgramLines, int(std::size(kProgramLines)));
            if (m.chance(50))
                line = m.mutate(line);
            c += line + (m.chance(90) ? "\r\n" : "");
        }
        if (m.chance(5))
            c = m.randomBytes(200);
        QElapsedTimer step;
        step.start();
        module.receive(c);
        if (m.chance(2))
            module.drop(m.chance(50) ? "RFCOMM" : "A2DP");
        if (m.chance(2))
            module.restore(m.chance(50) ? "RFCOMM" : "A2DP");
        if (m.chance(2))
            unit.pressKey();
        QCoreApplication::processEvents();
        QVERIFY2(step.elapsed() < 5000, "the simulated module hung on a chunk");
        ++chunks;
    }
    QVERIFY2(chunks > 100 || m_budgetMs < 5000, qPrintable(QString::number(chunks)));
    qInfo("simulated module: %lld chunks", chunks);
}

TQ3900_FUZZ_MAIN(TestBluetoothFuzz, kDefaultSeconds)
#include "tst_bluetooth_fuzz.moc"
