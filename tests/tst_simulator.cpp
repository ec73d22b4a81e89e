// The board simulator: its building blocks in-process, and the tq3900-sim
// program as the instrument sees it (pseudo-terminals, control FIFO, GPIO
// files, signals).

#include "btmodulepeer.h"
#include "commandrunner.h"
#include "controlchannel.h"
#include "datapartition.h"
#include "devicetree.h"
#include "gpspeer.h"
#include "linesplitter.h"
#include "modulemodeline.h"
#include "nmea.h"
#include "powersupply.h"
#include "ptyport.h"
#include "rawtty.h"
#include "simulator.h"
#include "testroot.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <ctime>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Sim;

namespace {

// A raw serial port read while the event loop runs.
class Tty : public RawTty
{
public:
    using RawTty::RawTty;

    // Reads, while running the event loop, until the bytes read so far
    // contain needle or the time is up. Returns everything read.
    QByteArray readUntil(const QByteArray &needle, int timeoutMs)
    {
        QElapsedTimer t;
        t.start();
        while (!m_data.contains(needle) && t.elapsed() < timeoutMs)
            step();
        return m_data;
    }
    // Reads for the given time, whatever comes.
    QByteArray readFor(int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms)
            step();
        return m_data;
    }
    QByteArray data() const { return m_data; }
    void clearData() { m_data.clear(); }

private:
    void step()
    {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        struct pollfd p = {fd(), POLLIN, 0};
        if (::poll(&p, 1, 5) > 0 && (p.revents & POLLIN))
            m_data += readAvailable();
    }

    QByteArray m_data;
};

// Writes one line into a control FIFO, as the --send client does.
bool writeFifo(const QString &root, const QByteArray &line)
{
    const int fd = ::open(QFile::encodeName(ControlChannel::fifoPath(root)).constData(), O_WRONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, line.constData(), size_t(line.size())) == line.size();
    ::close(fd);
    return ok;
}

QByteArray readLocal(const QString &root, const QString &boardPath)
{
    return readBoardFile(root, boardPath);
}

QByteArray gpioValue(const QString &root, unsigned line)
{
    return readBoardFile(root, QStringLiteral("/sys/class/gpio/gpio%1/value").arg(line)).trimmed();
}

void setGpio(const QString &root, unsigned line, const QByteArray &value)
{
    writeBoardFile(root, QStringLiteral("/sys/class/gpio/gpio%1/value").arg(line), value);
}

// Complete NMEA sentences in a stream (partial first and last ones dropped).
QList<QByteArray> sentences(const QByteArray &stream)
{
    QList<QByteArray> out;
    for (const QByteArray &l : stream.split('\n')) {
        if (l.startsWith('$') && l.endsWith('\r'))
            out << l.chopped(1);
    }
    return out;
}

// The tq3900-sim program on a temporary root.
class SimProcess
{
public:
    SimProcess() { m_root = m_dir.path() + QStringLiteral("/root"); }
    // On a root another run already used.
    explicit SimProcess(const QString &root) : m_root(root) {}
    ~SimProcess()
    {
        if (m_proc.state() != QProcess::NotRunning) {
            m_proc.kill();
            m_proc.waitForFinished(2000);
        }
    }
    static QString program() { return qEnvironmentVariable("TQ3900_SIM"); }
    QString root() const { return m_root; }
    QProcess &process() { return m_proc; }

    bool start(const QStringList &options = {})
    {
        m_proc.start(program(), QStringList({QStringLiteral("--root"), m_root}) + options);
        if (!m_proc.waitForStarted(3000))
            return false;
        QElapsedTimer t;
        t.start();
        while (!m_out.contains("ready\n") && t.elapsed() < 10000 && m_proc.state() == QProcess::Running) {
            m_proc.waitForReadyRead(100);
            m_out += m_proc.readAllStandardOutput();
        }
        return m_out.contains("ready\n");
    }
    QByteArray output()
    {
        m_out += m_proc.readAllStandardOutput();
        return m_out;
    }
    // Runs "tq3900-sim --root ROOT --send CMD"; returns its exit code.
    int send(const QString &command, QByteArray *err = nullptr, QByteArray *out = nullptr)
    {
        return runClient(m_root, command, err, out);
    }
    static int runClient(const QString &root, const QString &command, QByteArray *err = nullptr,
                         QByteArray *out = nullptr)
    {
        QProcess client;
        client.start(program(), {QStringLiteral("--root"), root, QStringLiteral("--send"), command});
        if (!client.waitForFinished(5000)) {
            client.kill();
            client.waitForFinished(1000);
            return -1;
        }
        if (err)
            *err = client.readAllStandardError();
        if (out)
            *out = client.readAllStandardOutput();
        return client.exitStatus() == QProcess::NormalExit ? client.exitCode() : -1;
    }
    QStringList controlLog() const
    {
        return QString::fromUtf8(readBoardFile(m_root, QStringLiteral("/.tq3900/control.log")))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir m_dir;
    QString m_root;
    QProcess m_proc;
    QByteArray m_out;
};

} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT

private slots:
    // Line splitting of the module's serial input
    void lineSplitter_data();
    void lineSplitter();
    void lineSplitterOverlongLine();

    // NMEA formatting
    void nmeaChecksum();
    void nmeaChecksumValidation_data();
    void nmeaChecksumValidation();
    void nmeaAngles_data();
    void nmeaAngles();
    void nmeaSentencesMatchTheReceiverFormat_data();
    void nmeaSentencesMatchTheReceiverFormat();
    void nmeaSatelliteCounts_data();
    void nmeaSatelliteCounts();

    // Control channel in-process
    void controlRequestRest();
    void controlCommands_data();
    void controlCommands();
    void controlGpsCommands();
    void controlRegistryAndJournal();
    void controlFifoSurvivesClients();

    // Module building blocks in-process
    void modeLineEscape();
    void modeLineShortPulseIsNoEscape();
    void modeLineIgnoresHalfWrittenFile();
    void btModuleAnswersAndJournal();
    void ptyPortReopenAndDetachedWrites();
    void serialPortClient();

    // The program
    void programStartsAndLinks();
    void programBtModules();
    void programGpsStreamAndFix();
    void programControlFifo();
    void programCarrierLine();
    void programSigtermCleansUp();
    void programQuitCommand();
    void programRefusesSecondInstance();
    void programStartsWithDataPartitionUnmounted();
    void clientWithoutSimulator();
};

// ---------------------------------------------------------------------------

void TestSimulator::lineSplitter_data()
{
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArray>("pending");

    QTest::newRow("crlf") << QByteArrayList{"LIST\r\n"} << QByteArrayList{"LIST"} << QByteArray();
    QTest::newRow("cr only") << QByteArrayList{"LIST\r"} << QByteArrayList{"LIST"} << QByteArray();
    QTest::newRow("lf only") << QByteArrayList{"LIST\n"} << QByteArrayList{"LIST"} << QByteArray();
    QTest::newRow("partial waits") << QByteArrayList{"SET BT"} << QByteArrayList{} << QByteArray("SET BT");
    QTest::newRow("partial completes") << QByteArrayList{"SET B", "T NAME x", "\n"}
                                       << QByteArrayList{"SET BT NAME x"} << QByteArray();
    QTest::newRow("crlf split across reads")
        << QByteArrayList{"LIST\r", "\nSET x\r\n"} << QByteArrayList{"LIST", "SET x"} << QByteArray();
    QTest::newRow("crlf split, then partial")
        << QByteArrayList{"A\r", "\nB"} << QByteArrayList{"A"} << QByteArray("B");
    QTest::newRow("several in one read")
        << QByteArrayList{"A\rB\nC\r\nD"} << QByteArrayList{"A", "B", "C"} << QByteArray("D");
    QTest::newRow("lf cr is two ends") << QByteArrayList{"A\n\rB\n"} << QByteArrayList{"A", "", "B"}
                                       << QByteArray();
    QTest::newRow("empty lines kept") << QByteArrayList{"\n\n"} << QByteArrayList{"", ""} << QByteArray();
    QTest::newRow("cr cr lf") << QByteArrayList{"A\r\r\n"} << QByteArrayList{"A", ""} << QByteArray();
    QTest::newRow("byte by byte") << QByteArrayList{"O", "K", "\r", "\n", "X", "\r"}
                                  << QByteArrayList{"OK", "X"} << QByteArray();
}

void TestSimulator::lineSplitter()
{
    QFETCH(QByteArrayList, chunks);
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArray, pending);
    LineSplitter s;
    QByteArrayList got;
    for (const QByteArray &c : chunks)
        got += s.feed(c);
    QCOMPARE(got, lines);
    QCOMPARE(s.pending(), pending);
}

void TestSimulator::lineSplitterOverlongLine()
{
    LineSplitter s;
    const QByteArray junk(LineSplitter::kMaxLine + 100, 'x');
    const QByteArrayList got = s.feed(junk + "\r\nLIST\r\n");
    QCOMPARE(got.size(), 3);
    QCOMPARE(got[0].size(), LineSplitter::kMaxLine);
    QCOMPARE(got[1].size(), 100);
    QCOMPARE(got[2], QByteArray("LIST"));
    // Nothing lost: the chunks add up to the whole run.
    QCOMPARE(got[0] + got[1], junk);
}

// ---------------------------------------------------------------------------

void TestSimulator::nmeaChecksum()
{
    // The textbook GGA example with its published checksum.
    const QByteArray body = "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";
    QCOMPARE(int(Nmea::checksum(body)), 0x47);
    QCOMPARE(Nmea::sentence(body), "$" + body + "*47\r\n");
    // Single-digit checksums are padded, hex is upper case.
    QCOMPARE(Nmea::sentence("A"), QByteArray("$A*41\r\n"));
    QCOMPARE(Nmea::sentence("AB"), QByteArray("$AB*03\r\n"));
    QCOMPARE(Nmea::sentence("GPTXT,z"), "$GPTXT,z*" + QByteArray::number(Nmea::checksum("GPTXT,z"), 16).toUpper() + "\r\n");
    QCOMPARE(Nmea::sentence("").left(4), QByteArray("$*00"));
}

void TestSimulator::nmeaChecksumValidation_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("valid");
    const QByteArray good = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
    QTest::newRow("good") << good << true;
    QTest::newRow("good with crlf") << good + "\r\n" << true;
    QTest::newRow("lower-case hex") << QByteArray("$AB*03") << true;
    QTest::newRow("changed field") << QByteArray(good).replace("545.4", "545.5") << false;
    QTest::newRow("wrong sum") << QByteArray(good).replace("*47", "*48") << false;
    QTest::newRow("no star") << QByteArray(good).replace("*47", "") << false;
    QTest::newRow("no dollar") << good.mid(1) << false;
    QTest::newRow("one hex digit") << QByteArray("$AB*3") << false;
    QTest::newRow("not hex") << QByteArray("$AB*0G") << false;
}

void TestSimulator::nmeaChecksumValidation()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, valid);
    QCOMPARE(Nmea::hasValidChecksum(line), valid);
}

void TestSimulator::nmeaAngles_data()
{
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<QByteArray>("latField");
    QTest::addColumn<QByteArray>("latHemi");
    QTest::addColumn<QByteArray>("lonField");
    QTest::addColumn<QByteArray>("lonHemi");

    QTest::newRow("default") << 52.0 + 31.0 / 60 << 13.4 << QByteArray("5231.00000") << QByteArray("N")
                             << QByteArray("01324.00000") << QByteArray("E");
    QTest::newRow("south west") << -33.8688 << -70.6693 << QByteArray("3352.12800") << QByteArray("S")
                                << QByteArray("07040.15800") << QByteArray("W");
    QTest::newRow("small west") << 0.0 << -0.5 << QByteArray("0000.00000") << QByteArray("N")
                                << QByteArray("00030.00000") << QByteArray("W");
    QTest::newRow("minutes round up into degrees")
        << 52.9999999999 << 179.99999999 << QByteArray("5300.00000") << QByteArray("N")
        << QByteArray("18000.00000") << QByteArray("E");
    QTest::newRow("extremes") << -90.0 << -180.0 << QByteArray("9000.00000") << QByteArray("S")
                              << QByteArray("18000.00000") << QByteArray("W");
}

void TestSimulator::nmeaAngles()
{
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(QByteArray, latField);
    QFETCH(QByteArray, latHemi);
    QFETCH(QByteArray, lonField);
    QFETCH(QByteArray, lonHemi);
    QCOMPARE(Nmea::latitudeField(lat), latField);
    QCOMPARE(Nmea::latitudeHemisphere(lat), latHemi);
    QCOMPARE(Nmea::longitudeField(lon), lonField);
    QCOMPARE(Nmea::longitudeHemisphere(lon), lonHemi);
}

namespace {
// The sentence shapes the instrument's GPS driver accepts (fields may be
// empty where the receiver has nothing to say).
const char kRmcPattern[] =
    "^\\$GPRMC,(\\d+.\\d+|),(\\w+|),(\\d+.\\d+|),(\\w+|),(\\d+.\\d+|),(\\w+|),(\\d+.\\d+|),?(\\d+.\\d+|),?(\\w+|),"
    "?(\\d+.\\d+|),?(\\w+|),?(\\w+|),?(\\w+|)\\*([0-9a-fA-F]+)$";
const char kGgaPattern[] =
    "^\\$GPGGA,(\\d+.\\d+|),(\\d+.\\d+|),(\\w+|),(\\d+.\\d+|),(\\w+|),(\\d+),(\\d+),(\\d+.\\d+|),(\\d+.\\d+|),(\\w+|),"
    "(\\d+.\\d+|),(\\w+|),(\\d+.\\d+|),(\\d+.\\d+|)\\*([0-9a-fA-F]+)$";
const char kGsaPattern[] =
    "^\\$GPGSA,(\\w+),(\\d+|),(\\d+|),(\\d+|),(\\d+|),(\\d+|),(\\d+|),(\\d+|),(\\d+|),(\\d+|),(\\d+|),(\\d+|),(\\d+|),"
    "(\\d+|),(\\d+.\\d+|),(\\d+.\\d+|),(\\d+.\\d+|),?(\\d+|)\\*([0-9a-fA-F]+)$";
const char kGsvHeader[] = "^\\$GPGSV,(\\d+),(\\d+),(\\d+)(.*)\\*([0-9A-F]{2})$";

QRegularExpressionMatch matchSentence(const char *pattern, const QByteArray &s)
{
    QByteArray line = s;
    if (line.endsWith("\r\n"))
        line.chop(2);
    return QRegularExpression(QLatin1String(pattern)).match(QString::fromLatin1(line));
}
} // namespace

void TestSimulator::nmeaSentencesMatchTheReceiverFormat_data()
{
    QTest::addColumn<bool>("valid");
    QTest::newRow("fix") << true;
    QTest::newRow("no fix") << false;
}

void TestSimulator::nmeaSentencesMatchTheReceiverFormat()
{
    QFETCH(bool, valid);
    GpsFix fix;
    fix.valid = valid;
    fix.latitude = -12.25;
    fix.longitude = 130.875;
    const QDateTime utc(QDate(2026, 3, 9), QTime(7, 5, 3, 900), Qt::UTC);

    const QByteArray rmc = Nmea::rmc(fix, utc);
    QVERIFY(rmc.endsWith("\r\n"));
    QVERIFY(Nmea::hasValidChecksum(rmc));
    const auto r = matchSentence(kRmcPattern, rmc);
    QVERIFY2(r.hasMatch(), rmc.constData());
    QCOMPARE(r.captured(1), QStringLiteral("070503.00"));
    QCOMPARE(r.captured(2), valid ? QStringLiteral("A") : QStringLiteral("V"));
    QCOMPARE(r.captured(3), valid ? QStringLiteral("1215.00000") : QString());
    QCOMPARE(r.captured(4), valid ? QStringLiteral("S") : QString());
    QCOMPARE(r.captured(5), valid ? QStringLiteral("13052.50000") : QString());
    QCOMPARE(r.captured(6), valid ? QStringLiteral("E") : QString());
    QCOMPARE(r.captured(9), QStringLiteral("090326"));

    const QByteArray gga = Nmea::gga(fix, utc);
    QVERIFY(Nmea::hasValidChecksum(gga));
    const auto g = matchSentence(kGgaPattern, gga);
    QVERIFY2(g.hasMatch(), gga.constData());
    QCOMPARE(g.captured(1), QStringLiteral("070503.00"));
    QCOMPARE(g.captured(6), valid ? QStringLiteral("1") : QStringLiteral("0"));
    QCOMPARE(g.captured(7), valid ? QStringLiteral("08") : QStringLiteral("00"));
    QCOMPARE(g.captured(8), valid ? QStringLiteral("0.9") : QStringLiteral("99.99"));
    QCOMPARE(g.captured(2), valid ? QStringLiteral("1215.00000") : QString());

    const QByteArray gsa = Nmea::gsa(fix);
    QVERIFY(Nmea::hasValidChecksum(gsa));
    const auto a = matchSentence(kGsaPattern, gsa);
    QVERIFY2(a.hasMatch(), gsa.constData());
    QCOMPARE(a.captured(2), valid ? QStringLiteral("3") : QStringLiteral("1"));
    int used = 0;
    for (int i = 3; i <= 14; ++i)
        used += a.captured(i).isEmpty() ? 0 : 1;
    QCOMPARE(used, valid ? 8 : 0);
    QCOMPARE(a.captured(16), valid ? QStringLiteral("0.90") : QStringLiteral("99.99"));

    // The epoch is the four kinds in order, every sentence complete.
    const QByteArray epoch = Nmea::epoch(fix, utc);
    const QList<QByteArray> all = sentences(epoch);
    QCOMPARE(all.size(), 5);
    QVERIFY(all[0].startsWith("$GPRMC"));
    QVERIFY(all[1].startsWith("$GPGGA"));
    QVERIFY(all[2].startsWith("$GPGSA"));
    QVERIFY(all[3].startsWith("$GPGSV,2,1,08"));
    QVERIFY(all[4].startsWith("$GPGSV,2,2,08"));
    QCOMPARE(epoch.count("\r\n"), 5);
}

void TestSimulator::nmeaSatelliteCounts_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("messages");
    QTest::newRow("none") << 0 << 1;
    QTest::newRow("one") << 1 << 1;
    QTest::newRow("four") << 4 << 1;
    QTest::newRow("five") << 5 << 2;
    QTest::newRow("twelve") << 12 << 3;
    QTest::newRow("more than the sky holds") << 40 << 3;
}

void TestSimulator::nmeaSatelliteCounts()
{
    QFETCH(int, count);
    QFETCH(int, messages);
    GpsFix fix;
    fix.satellites = count;
    const int shown = qMin(count, GpsFix::kMaxSatellites);
    const QList<QByteArray> gsv = Nmea::gsv(fix);
    QCOMPARE(gsv.size(), messages);
    QSet<QString> prns;
    for (int i = 0; i < gsv.size(); ++i) {
        QVERIFY(Nmea::hasValidChecksum(gsv[i]));
        const auto m = matchSentence(kGsvHeader, gsv[i]);
        QVERIFY2(m.hasMatch(), gsv[i].constData());
        QCOMPARE(m.captured(1).toInt(), messages);
        QCOMPARE(m.captured(2).toInt(), i + 1);
        QCOMPARE(m.captured(3).toInt(), shown);
        // Four fields per satellite: PRN, elevation, azimuth, SNR.
        const QStringList fields = m.captured(4).split(QLatin1Char(','), Qt::SkipEmptyParts);
        QCOMPARE(fields.size() % 4, 0);
        for (int f = 0; f < fields.size(); f += 4) {
            prns.insert(fields[f]);
            QVERIFY(fields[f + 1].toInt() <= 90);
            QVERIFY(fields[f + 2].toInt() < 360);
        }
    }
    QCOMPARE(prns.size(), shown);
    const auto g = matchSentence(kGgaPattern, Nmea::gga(fix, QDateTime::currentDateTimeUtc()));
    QVERIFY(g.hasMatch());
    QCOMPARE(g.captured(7).toInt(), shown);
}

// ---------------------------------------------------------------------------

void TestSimulator::controlRequestRest()
{
    const ControlRequest r = ControlRequest::parse(QStringLiteral("  bt ttyO2 send  hello   world  "));
    QCOMPARE(r.name, QStringLiteral("bt"));
    QCOMPARE(r.args, (QStringList{"ttyO2", "send", "hello", "world"}));
    QCOMPARE(r.rest(0), QStringLiteral("ttyO2 send  hello   world"));
    QCOMPARE(r.rest(2), QStringLiteral(" hello   world"));
    QCOMPARE(ControlRequest::parse(QStringLiteral("bt ttyO2 send BT_RX a  b")).rest(2), QStringLiteral("BT_RX a  b"));
    QCOMPARE(r.rest(4), QString());
    QCOMPARE(r.rest(9), QString());
    const ControlRequest empty = ControlRequest::parse(QStringLiteral("   "));
    QVERIFY(empty.name.isEmpty());
    QVERIFY(empty.args.isEmpty());
}

void TestSimulator::controlCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("replyStart");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");

    const QString gauge = QStringLiteral("/sys/class/power_supply/bq27426-0/");
    const QString charger = QStringLiteral("/sys/class/power_supply/bq24190-battery/");
    QTest::newRow("gpio 48 1") << "gpio 48 1" << "ok" << "/sys/class/gpio/gpio48/value" << QByteArray("1");
    QTest::newRow("gpio 59 0") << "gpio 59 0" << "ok" << "/sys/class/gpio/gpio59/value" << QByteArray("0");
    QTest::newRow("gpio bad value") << "gpio 48 2" << "error: value must be 0 or 1" << "/sys/class/gpio/gpio48/value"
                                    << QByteArray("0");
    QTest::newRow("gpio no line") << "gpio 999 1" << "error: no gpio line 999" << QString() << QByteArray();
    QTest::newRow("gpio not a number") << "gpio x 1" << "error: usage: gpio" << QString() << QByteArray();
    QTest::newRow("gpio missing value") << "gpio 48" << "error: usage: gpio" << QString() << QByteArray();
    QTest::newRow("battery capacity") << "battery 42 3712" << "ok" << gauge + "capacity" << QByteArray("42\n");
    QTest::newRow("battery voltage in uV") << "battery 42 3712" << "ok" << gauge + "voltage_now"
                                           << QByteArray("3712000\n");
    QTest::newRow("battery empty") << "battery 0 2900" << "ok" << gauge + "capacity" << QByteArray("0\n");
    QTest::newRow("battery over 100") << "battery 101 3700" << "error: usage: battery" << gauge + "capacity"
                                      << QByteArray("87\n");
    QTest::newRow("battery negative mV") << "battery 50 -1" << "error: usage: battery" << gauge + "voltage_now"
                                         << QByteArray("3950000\n");
    QTest::newRow("battery one argument") << "battery 50" << "error: usage: battery" << QString() << QByteArray();
    QTest::newRow("charging gauge") << "charging 1" << "ok" << gauge + "status" << QByteArray("Charging\n");
    QTest::newRow("charging charger") << "charging 1" << "ok" << charger + "status" << QByteArray("Charging\n");
    QTest::newRow("charging current") << "charging 1" << "ok" << gauge + "current_now" << QByteArray("450000\n");
    QTest::newRow("not charging") << "charging 0" << "ok" << charger + "status" << QByteArray("Discharging\n");
    QTest::newRow("charging bad") << "charging yes" << "error: usage: charging" << QString() << QByteArray();
    QTest::newRow("temp negative") << "temp -55" << "ok" << gauge + "temp" << QByteArray("-55\n");
    QTest::newRow("temp hot") << "temp 600" << "ok" << gauge + "temp" << QByteArray("600\n");
    QTest::newRow("temp out of range") << "temp 5000" << "error: usage: temp" << gauge + "temp" << QByteArray("251\n");
    QTest::newRow("unknown") << "frobnicate 1 2" << "error: unknown command frobnicate; help lists the commands"
                             << QString() << QByteArray();
    QTest::newRow("case matters") << "GPIO 48 1" << "error: unknown command GPIO; help lists the commands"
                                  << "/sys/class/gpio/gpio48/value"
                                  << QByteArray("0");
    // Only the folders the instrument writes.
    QTest::newRow("meas unknown type") << "meas add XX 10 a"
                                       << "error: unknown type XX; usage: meas add <type LE|PP|PL|H2|LT|PS>"
                                       << QString() << QByteArray();
}

void TestSimulator::controlCommands()
{
    QFETCH(QString, command);
    QFETCH(QString, replyStart);
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    Simulator sim(dir.path());
    QString error;
    QVERIFY2(sim.start(&error), qPrintable(error));
    const QString reply = sim.control()->execute(command);
    QVERIFY2(reply.startsWith(replyStart), qPrintable(reply));
    if (reply.startsWith(QLatin1String("error:")))
        QVERIFY2(reply.contains(QLatin1String("usage")) || reply.contains(QLatin1String("unknown"))
                     || reply.contains(QLatin1String("no gpio")),
                 qPrintable(reply));
    if (!file.isEmpty())
        QCOMPARE(readLocal(sim.root(), file), content);
}

void TestSimulator::controlGpsCommands()
{
    ControlChannel channel(QStringLiteral("/nonexistent"));
    GpsPeer gps(QStringLiteral("/nonexistent"), nullptr);
    gps.registerCommands(channel);

    QCOMPARE(channel.execute(QStringLiteral("gps fix 0")), QStringLiteral("ok"));
    QVERIFY(!gps.fix().valid);
    QCOMPARE(channel.execute(QStringLiteral("gps fix 1")), QStringLiteral("ok"));
    QVERIFY(gps.fix().valid);
    QCOMPARE(channel.execute(QStringLiteral("gps pos -33.5 -70.25")), QStringLiteral("ok"));
    QCOMPARE(gps.fix().latitude, -33.5);
    QCOMPARE(gps.fix().longitude, -70.25);
    QCOMPARE(channel.execute(QStringLiteral("gps sats 0")), QStringLiteral("ok"));
    QCOMPARE(gps.fix().satellites, 0);
    QCOMPARE(channel.execute(QStringLiteral("gps sats 12")), QStringLiteral("ok"));
    QCOMPARE(gps.fix().satellites, 12);

    // Rejected: the fix stays as it was.
    for (const char *bad : {"gps fix 2", "gps fix", "gps pos 91 0", "gps pos 0 -180.5", "gps pos nan 0",
                            "gps pos 1,5 2", "gps pos 1", "gps sats 13", "gps sats -1", "gps sats x", "gps",
                            "gps altitude 5"}) {
        const QString reply = channel.execute(QLatin1String(bad));
        QVERIFY2(reply.startsWith(QLatin1String("error: ")) && reply.contains(QLatin1String("usage: gps")),
                 qPrintable(QLatin1String(bad) + QLatin1String(" -> ") + reply));
    }
    QVERIFY(gps.fix().valid);
    QCOMPARE(gps.fix().latitude, -33.5);
    QCOMPARE(gps.fix().longitude, -70.25);
    QCOMPARE(gps.fix().satellites, 12);
}

void TestSimulator::controlRegistryAndJournal()
{
    TestRoot root;
    QVERIFY(root.isValid());
    ControlChannel channel(root.root());
    QStringList seen;
    channel.registerCommand(QStringLiteral("echo"), QStringLiteral("echo <text>: replies the text"),
                            [&seen](const ControlRequest &r) {
                                seen << r.rest(0);
                                return QStringLiteral("said ") + r.rest(0);
                            });
    QVERIFY(channel.hasCommand(QStringLiteral("echo")));
    QVERIFY(channel.hasCommand(QStringLiteral("help")));

    QCOMPARE(channel.execute(QStringLiteral("echo a  b")), QStringLiteral("said a  b"));
    // A later registration replaces the earlier one.
    channel.registerCommand(QStringLiteral("echo"), QStringLiteral("echo v2"),
                            [](const ControlRequest &) { return QStringLiteral("v2"); });
    QCOMPARE(channel.execute(QStringLiteral("echo x")), QStringLiteral("v2"));
    QCOMPARE(seen, QStringList{"a  b"});

    const QString help = channel.execute(QStringLiteral("help"));
    // Each command once, on a line of its own: the usage, or name and help.
    QCOMPARE(help.split('\n'), QStringList({"echo v2", "help: lists the commands"}));

    // Blank lines and comments are no commands.
    QCOMPARE(channel.execute(QStringLiteral("   ")), QString());
    QCOMPARE(channel.execute(QStringLiteral("# note")), QString());
    QCOMPARE(channel.execute(QStringLiteral("nope")),
             QStringLiteral("error: unknown command nope; help lists the commands"));

    const QStringList log = root.journal(QStringLiteral("control.log"));
    QCOMPARE(log.value(0), QStringLiteral("> echo a  b"));
    QCOMPARE(log.value(1), QStringLiteral("< said a  b"));
    QCOMPARE(log.value(2), QStringLiteral("> echo x"));
    QCOMPARE(log.value(3), QStringLiteral("< v2"));
    QCOMPARE(log.value(4), QStringLiteral("> help"));
    // Each line of a longer reply is marked.
    const int helpLines = help.count(QLatin1Char('\n')) + 1;
    for (int i = 0; i < helpLines; ++i)
        QVERIFY(log.value(5 + i).startsWith(QLatin1String("< ")));
    QCOMPARE(log.value(5 + helpLines), QStringLiteral("> nope"));
    QCOMPARE(log.value(6 + helpLines), QStringLiteral("< error: unknown command nope; help lists the commands"));
    QCOMPARE(log.size(), 7 + helpLines);
}

void TestSimulator::controlFifoSurvivesClients()
{
    TestRoot root;
    // A stale FIFO (or file) of an earlier run is replaced.
    QVERIFY(root.write(QStringLiteral("/.tq3900/control"), "stale"));
    ControlChannel channel(root.root());
    QStringList got;
    channel.registerCommand(QStringLiteral("note"), QStringLiteral("note"), [&got](const ControlRequest &r) {
        got << r.rest(0);
        return QStringLiteral("ok");
    });
    QString error;
    QVERIFY2(channel.open(&error), qPrintable(error));
    QVERIFY(QFileInfo(ControlChannel::fifoPath(root.root())).exists());
    QVERIFY(!QFileInfo(ControlChannel::fifoPath(root.root())).isFile());

    // Several clients one after another, one of them sending two lines and a
    // line in two writes.
    QVERIFY(writeFifo(root.root(), "note one\n"));
    QTRY_COMPARE_WITH_TIMEOUT(got, QStringList{"one"}, 2000);
    QVERIFY(writeFifo(root.root(), "note two\nnote three\nnote fo"));
    QTRY_COMPARE_WITH_TIMEOUT(got.size(), 3, 2000);
    QVERIFY(writeFifo(root.root(), "ur\n"));
    QTRY_COMPARE_WITH_TIMEOUT(got, (QStringList{"one", "two", "three", "four"}), 2000);

    // With every client gone the channel sits idle rather than spinning on
    // end of file: the event loop stays responsive and nothing repeats.
    QTest::qWait(100);
    QCOMPARE(got.size(), 4);

    channel.close();
    QVERIFY(!QFileInfo::exists(ControlChannel::fifoPath(root.root())));
    QVERIFY(!writeFifo(root.root(), "note five\n"));
}

// ---------------------------------------------------------------------------

void TestSimulator::modeLineEscape()
{
    TestRoot root;
    setGpio(root.root(), 58, "1");
    setGpio(root.root(), 59, "1"); // data mode
    ModuleModeLine line(root.root(), 58, 59);
    QSignalSpy entered(&line, &ModuleModeLine::commandModeEntered);
    line.start();
    QCOMPARE(line.state(), ModuleModeLine::State::DtrHigh);

    setGpio(root.root(), 58, "0");
    QTRY_COMPARE_WITH_TIMEOUT(line.state(), ModuleModeLine::State::DtrLow, 500);
    QTest::qWait(ModuleModeLine::kMinLowMs + 50);
    QCOMPARE(gpioValue(root.root(), 59), QByteArray("1"));
    QElapsedTimer t;
    t.start();
    setGpio(root.root(), 58, "1");
    QTRY_COMPARE_WITH_TIMEOUT(gpioValue(root.root(), 59), QByteArray("0"), 1000);
    // The carrier drops after the module's delay, not at once.
    QVERIFY2(t.elapsed() >= ModuleModeLine::kCarrierDelayMs - 5, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(entered.count(), 1);
    QCOMPARE(line.state(), ModuleModeLine::State::DtrHigh);

    // A second escape works the same way.
    setGpio(root.root(), 59, "1");
    setGpio(root.root(), 58, "0");
    QTest::qWait(ModuleModeLine::kMinLowMs + 50);
    setGpio(root.root(), 58, "1");
    QTRY_COMPARE_WITH_TIMEOUT(entered.count(), 2, 1000);
    QCOMPARE(gpioValue(root.root(), 59), QByteArray("0"));

    // In command mode a rise is no escape: data mode entered right after it
    // (the program's SELECT) stays.
    setGpio(root.root(), 58, "0");
    QTest::qWait(ModuleModeLine::kMinLowMs + 50);
    setGpio(root.root(), 58, "1");
    QTest::qWait(3 * ModuleModeLine::kPollMs);
    setGpio(root.root(), 59, "1");
    QTest::qWait(ModuleModeLine::kCarrierDelayMs + 100);
    QCOMPARE(entered.count(), 2);
    QCOMPARE(gpioValue(root.root(), 59), QByteArray("1"));
}

void TestSimulator::modeLineShortPulseIsNoEscape()
{
    TestRoot root;
    setGpio(root.root(), 59, "1");
    setGpio(root.root(), 58, "1");
    ModuleModeLine line(root.root(), 58, 59);
    QSignalSpy entered(&line, &ModuleModeLine::commandModeEntered);
    line.start();
    setGpio(root.root(), 58, "0");
    QTest::qWait(300);
    setGpio(root.root(), 58, "1");
    QTest::qWait(300);
    QCOMPARE(entered.count(), 0);
    QCOMPARE(gpioValue(root.root(), 59), QByteArray("1"));
    QCOMPARE(line.state(), ModuleModeLine::State::DtrHigh);

    // A line already low when the module starts counts from the start.
    setGpio(root.root(), 58, "0");
    ModuleModeLine late(root.root(), 58, 59);
    QSignalSpy lateEntered(&late, &ModuleModeLine::commandModeEntered);
    late.start();
    QCOMPARE(late.state(), ModuleModeLine::State::DtrLow);
    QTest::qWait(ModuleModeLine::kMinLowMs + 50);
    setGpio(root.root(), 58, "1");
    QTRY_COMPARE_WITH_TIMEOUT(lateEntered.count(), 1, 1000);
}

void TestSimulator::modeLineIgnoresHalfWrittenFile()
{
    TestRoot root;
    setGpio(root.root(), 59, "1");
    setGpio(root.root(), 58, "0");
    ModuleModeLine line(root.root(), 58, 59);
    QSignalSpy entered(&line, &ModuleModeLine::commandModeEntered);
    line.start();
    // A writer truncates before it writes: an empty file is no new level and
    // does not restart the low time.
    QTest::qWait(ModuleModeLine::kMinLowMs / 2);
    setGpio(root.root(), 58, "");
    QTest::qWait(100);
    QCOMPARE(line.state(), ModuleModeLine::State::DtrLow);
    setGpio(root.root(), 58, "0");
    QTest::qWait(ModuleModeLine::kMinLowMs / 2);
    setGpio(root.root(), 58, "1\n");
    QTRY_COMPARE_WITH_TIMEOUT(entered.count(), 1, 1000);
    QCOMPARE(gpioValue(root.root(), 59), QByteArray("0"));

    // Stopped, it no longer watches.
    line.stop();
    setGpio(root.root(), 59, "1");
    setGpio(root.root(), 58, "0");
    QTest::qWait(ModuleModeLine::kMinLowMs + 50);
    setGpio(root.root(), 58, "1");
    QTest::qWait(200);
    QCOMPARE(entered.count(), 1);
    QCOMPARE(gpioValue(root.root(), 59), QByteArray("1"));
}

void TestSimulator::btModuleAnswersAndJournal()
{
    TestRoot root;
    PtyPort port(QStringLiteral("ttyO2"), 115200);
    QString error;
    QVERIFY2(port.open(root.local(QStringLiteral("/dev/ttyO2")), &error), qPrintable(error));
    BtModulePeer module(root.root(), &port);
    QSignalSpy lines(&module, &BtModulePeer::lineReceived);
    QCOMPARE(module.logPath(), QStringLiteral("/.tq3900/bt-ttyO2.log"));

    Tty tty(root.local(QStringLiteral("/dev/ttyO2")));
    QVERIFY(tty.isOpen());
    // One write holding a SET (silent), an unknown word, a LIST split over
    // two writes with its "\r\n" split too, and a blank line.
    QVERIFY(tty.write("SET BT NAME TQ3900\r\nBOGUS 1\r\n\r\nLI"));
    QTest::qWait(50);
    QVERIFY(tty.write("ST\r"));
    QTest::qWait(50);
    QVERIFY(tty.write("\nlist\n"));
    const QByteArray got = tty.readUntil("LIST 0\r\nLIST 0\r\n", 3000);
    QCOMPARE(got, QByteArray("SYNTAX ERROR\r\nLIST 0\r\nLIST 0\r\n"));
    QCOMPARE(lines.count(), 4);

    const QStringList log = root.journal(QStringLiteral("bt-ttyO2.log"));
    QCOMPARE(log.size(), 4);
    const QRegularExpression stamp(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d (.*)$"));
    QStringList logged;
    for (const QString &l : log) {
        const auto m = stamp.match(l);
        QVERIFY2(m.hasMatch(), qPrintable(l));
        logged << m.captured(1);
    }
    QCOMPARE(logged, (QStringList{"SET BT NAME TQ3900", "BOGUS 1", "LIST", "list"}));

    // The table grows: a registered word gets its own answer.
    module.registerCommand("ping", [&module](const QByteArray &, const QByteArrayList &args) {
        module.sendLine("PONG " + args.join(' '));
    });
    QVERIFY(module.hasCommand("PING"));
    tty.clearData();
    QVERIFY(tty.write("PING a b\r\n"));
    QCOMPARE(tty.readUntil("\r\n", 3000), QByteArray("PONG a b\r\n"));
}

void TestSimulator::ptyPortReopenAndDetachedWrites()
{
    TestRoot root;
    const QString link = root.local(QStringLiteral("/dev/ttyO3"));
    // A stale link of a crashed run is replaced.
    QVERIFY(QFile::link(QStringLiteral("/dev/pts/nonexistent"), link));
    PtyPort port(QStringLiteral("ttyO3"), 115200);
    QVERIFY(port.open(link));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFile::symLinkTarget(link), port.slavePath());
    QVERIFY(!port.isAttached());
    QByteArray received;
    connect(&port, &PtyPort::received, [&received](const QByteArray &b) { received += b; });

    // Nobody listening: the bytes are dropped, not stored for later.
    QVERIFY(!port.write("old\r\n"));

    for (int round = 0; round < 3; ++round) {
        Tty tty(link);
        QVERIFY(tty.isOpen());
        QTRY_VERIFY_WITH_TIMEOUT(port.isAttached(), 1000);
        QVERIFY(tty.write("hello\n"));
        QTRY_COMPARE_WITH_TIMEOUT(received, QByteArray("hello\n"), 2000);
        received.clear();
        QVERIFY(port.write("back\r\n"));
        QCOMPARE(tty.readUntil("\r\n", 2000), QByteArray("back\r\n"));
        tty.close();
        QTRY_VERIFY_WITH_TIMEOUT(!port.isAttached(), 1000);
        // The hang-up must not keep the event loop spinning on the master.
        const std::clock_t cpu = std::clock();
        QTest::qWait(300);
        const double cpuMs = 1000.0 * double(std::clock() - cpu) / CLOCKS_PER_SEC;
        QVERIFY2(cpuMs < 150, qPrintable(QString::number(cpuMs)));
    }

    // What the reader left unread when it closed is gone on the next open.
    {
        Tty tty(link);
        QTRY_VERIFY_WITH_TIMEOUT(port.isAttached(), 1000);
        QTest::qWait(50);
        QVERIFY(port.write("stale\r\n"));
    }
    QTest::qWait(100);
    {
        Tty tty(link);
        QTRY_VERIFY_WITH_TIMEOUT(port.isAttached(), 1000);
        QCOMPARE(tty.readFor(200), QByteArray());
        QVERIFY(port.write("fresh\r\n"));
        QCOMPARE(tty.readUntil("\r\n", 2000), QByteArray("fresh\r\n"));
    }

    // Bytes written just before closing are still read.
    {
        Tty tty(link);
        QVERIFY(tty.write("last words\n"));
    }
    QTRY_COMPARE_WITH_TIMEOUT(received, QByteArray("last words\n"), 2000);

    port.close();
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(!QFileInfo::exists(link));
}

void TestSimulator::serialPortClient()
{
    // The instrument reaches its ports through QSerialPort, which sets its
    // own line settings and locks the port.
    QTemporaryDir dir;
    Simulator sim(dir.path());
    QString error;
    QVERIFY2(sim.start(&error), qPrintable(error));
    for (int round = 0; round < 2; ++round) {
        QSerialPort serial(sim.root() + QStringLiteral("/dev/ttyO2"));
        serial.setBaudRate(QSerialPort::Baud115200);
        QVERIFY2(serial.open(QIODevice::ReadWrite), qPrintable(serial.errorString()));
        QVERIFY(serial.setBaudRate(QSerialPort::Baud115200));
        serial.write("LIST\r\n");
        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT((got += serial.readAll()).contains("\r\n"), 3000);
        QCOMPARE(got, QByteArray("LIST 0\r\n"));
        serial.close();
    }
    QSerialPort gps(sim.root() + QStringLiteral("/dev/ttyO1"));
    QVERIFY(gps.open(QIODevice::ReadWrite));
    QVERIFY(gps.setBaudRate(QSerialPort::Baud9600));
    QByteArray nmea;
    QTRY_VERIFY_WITH_TIMEOUT((nmea += gps.readAll()).contains("$GPGSA"), 3000);
    QVERIFY(nmea.contains("$GPRMC"));
}

// ---------------------------------------------------------------------------

#define REQUIRE_PROGRAM()                                                                                      \
    do {                                                                                                       \
        if (SimProcess::program().isEmpty())                                                                   \
            QSKIP("TQ3900_SIM is not set");                                                                    \
    } while (0)

void TestSimulator::programStartsAndLinks()
{
    REQUIRE_PROGRAM();
    SimProcess sim;
    QVERIFY(sim.start());
    const QByteArray out = sim.output();
    for (const char *name : {"ttyO1", "ttyO2", "ttyO3"}) {
        const QString link = sim.root() + QStringLiteral("/dev/") + QLatin1String(name);
        QVERIFY2(QFileInfo(link).isSymLink(), qPrintable(link));
        const QString target = QFile::symLinkTarget(link);
        QVERIFY(target.startsWith(QLatin1String("/dev/pts/")));
        QVERIFY2(out.contains(QByteArray(name) + " -> " + target.toLocal8Bit() + '\n'), out.constData());
    }
    QVERIFY(out.endsWith("ready\n"));
    QCOMPARE(readLocal(sim.root(), QStringLiteral("/.tq3900/sim.pid")).trimmed().toLongLong(),
             sim.process().processId());
    // The device tree is laid out for the program.
    QCOMPARE(readLocal(sim.root(), QStringLiteral("/sys/class/gpio/gpio59/value")), QByteArray("0"));
    QVERIFY(QFileInfo::exists(ControlChannel::fifoPath(sim.root())));
}

void TestSimulator::programBtModules()
{
    REQUIRE_PROGRAM();
    SimProcess sim;
    QVERIFY(sim.start());
    for (const char *name : {"ttyO2", "ttyO3"}) {
        Tty tty(sim.root() + QStringLiteral("/dev/") + QLatin1String(name));
        QVERIFY(tty.isOpen());
        QVERIFY(tty.write("LIST\r\n"));
        QCOMPARE(tty.readUntil("\r\n", 3000), QByteArray("LIST 0\r\n"));
        tty.clearData();
        QVERIFY(tty.write("SET BT AUTH * 0000\r\nWHAT\r\n"));
        QCOMPARE(tty.readUntil("\r\n", 3000), QByteArray("SYNTAX ERROR\r\n"));

        // The control channel makes the module speak.
        tty.clearData();
        QCOMPARE(sim.send(QStringLiteral("bt %1 send BT_RX V  1.2").arg(QLatin1String(name))), 0);
        QCOMPARE(tty.readUntil("\r\n", 3000), QByteArray("BT_RX V  1.2\r\n"));
        const QStringList log = QString::fromUtf8(readLocal(sim.root(), QStringLiteral("/.tq3900/bt-%1.log")
                                                                           .arg(QLatin1String(name))))
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(log.size(), 3);
        QVERIFY(log[0].endsWith(QLatin1String(" LIST")));
        QVERIFY(log[1].endsWith(QLatin1String(" SET BT AUTH * 0000")));
        QVERIFY(log[2].endsWith(QLatin1String(" WHAT")));
    }
    // The port closed again: the line cannot be delivered, and the reply says so.
    QByteArray reply;
    QCOMPARE(sim.send(QStringLiteral("bt ttyO2 send lost"), nullptr, &reply), 1);
    QCOMPARE(reply, QByteArray("error: nobody has ttyO2 open; line dropped\n"));
    QCOMPARE(sim.send(QStringLiteral("bt ttyO4 send x")), 1);
    QCOMPARE(sim.send(QStringLiteral("bt ttyO2 tell x")), 1);
    QTRY_VERIFY_WITH_TIMEOUT(sim.controlLog().size() >= 10, 3000);
    const QStringList log = sim.controlLog();
    QCOMPARE(log.value(log.size() - 5), QStringLiteral("< error: nobody has ttyO2 open; line dropped"));
    QVERIFY(log.value(log.size() - 3).startsWith(QLatin1String("< error: no module on ttyO4")));
    QVERIFY(log.value(log.size() - 1).startsWith(QLatin1String("< error: usage: bt")));
}

void TestSimulator::programGpsStreamAndFix()
{
    REQUIRE_PROGRAM();
    SimProcess sim;
    QVERIFY(sim.start());
    Tty tty(sim.root() + QStringLiteral("/dev/ttyO1"));
    QVERIFY(tty.isOpen());
    // A UBX frame to the receiver is journalled in hex.
    QVERIFY(tty.write(QByteArray::fromHex("b56206040400000009001776")));

    // Two epochs: every complete sentence carries a correct checksum.
    tty.readUntil("$GPRMC", 3000);
    tty.clearData();
    const QByteArray stream = tty.readFor(2300);
    const QList<QByteArray> all = sentences(stream);
    QVERIFY2(all.size() >= 8, stream.constData());
    int rmcCount = 0;
    for (const QByteArray &s : all) {
        QVERIFY2(Nmea::hasValidChecksum(s), s.constData());
        if (s.startsWith("$GPRMC")) {
            ++rmcCount;
            const QByteArrayList f = s.split(',');
            QCOMPARE(f.value(2), QByteArray("A"));
            QCOMPARE(f.value(3), QByteArray("5231.00000"));
            QCOMPARE(f.value(5), QByteArray("01324.00000"));
            // Stamped with the current UTC date.
            QCOMPARE(f.value(9), QDateTime::currentDateTimeUtc().toString(QStringLiteral("ddMMyy")).toLatin1());
        }
    }
    QVERIFY(rmcCount >= 2);
    const QStringList gpsLog = QString::fromUtf8(readLocal(sim.root(), QStringLiteral("/.tq3900/gps-ttyO1.log")))
                                   .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(gpsLog.size(), 1);
    QVERIFY2(gpsLog[0].endsWith(QLatin1String(" b5 62 06 04 04 00 00 00 09 00 17 76")), qPrintable(gpsLog[0]));

    // Losing the fix shows within two epochs.
    QCOMPARE(sim.send(QStringLiteral("gps fix 0")), 0);
    QCOMPARE(sim.send(QStringLiteral("gps sats 3")), 0);
    tty.clearData();
    QByteArray rmcV;
    QByteArray gga0;
    QElapsedTimer t;
    t.start();
    while ((rmcV.isEmpty() || gga0.isEmpty()) && t.elapsed() < 4000) {
        for (const QByteArray &s : sentences(tty.readFor(100))) {
            if (s.startsWith("$GPRMC,") && s.split(',').value(2) == "V")
                rmcV = s;
            if (s.startsWith("$GPGGA,") && s.split(',').value(6) == "0")
                gga0 = s;
        }
    }
    QVERIFY2(!rmcV.isEmpty(), tty.data().constData());
    QVERIFY(!gga0.isEmpty());
    QVERIFY(Nmea::hasValidChecksum(rmcV));
    QVERIFY(tty.data().contains("$GPGSV,1,1,03,"));

    // A new position with the fix back.
    QCOMPARE(sim.send(QStringLiteral("gps pos -12.5 -45.75")), 0);
    QCOMPARE(sim.send(QStringLiteral("gps fix 1")), 0);
    tty.clearData();
    QVERIFY(tty.readUntil(",1230.00000,S,04545.00000,W,", 4000).contains(",A,1230.00000,S,04545.00000,W,"));
}

void TestSimulator::programControlFifo()
{
    REQUIRE_PROGRAM();
    SimProcess sim;
    // A run before left the module's carrier and DTR up: a new start is a
    // board switched on again.
    setGpio(sim.root(), 59, "1");
    setGpio(sim.root(), 58, "1");
    QVERIFY(sim.start());
    QCOMPARE(gpioValue(sim.root(), 59) + gpioValue(sim.root(), 58), QByteArray("00"));
    QCOMPARE(readLocal(sim.root(), QStringLiteral("/sys/class/gpio/gpio48/value")), QByteArray("0"));
    QVERIFY(writeFifo(sim.root(), "gpio 48 1\n"));
    QTRY_COMPARE_WITH_TIMEOUT(readLocal(sim.root(), QStringLiteral("/sys/class/gpio/gpio48/value")), QByteArray("1"),
                              3000);
    // The client prints the reply.
    QByteArray reply;
    QCOMPARE(sim.send(QStringLiteral("battery 12 3400"), nullptr, &reply), 0);
    QCOMPARE(reply, QByteArray("ok\n"));
    QTRY_COMPARE_WITH_TIMEOUT(readLocal(sim.root(), QStringLiteral("/sys/class/power_supply/bq27426-0/capacity")),
                              QByteArray("12\n"), 3000);
    QVERIFY(writeFifo(sim.root(), "launch rockets\n"));
    QTRY_VERIFY_WITH_TIMEOUT(sim.controlLog().size() >= 6, 3000);
    const QStringList log = sim.controlLog();
    QCOMPARE(log.mid(0, 6), (QStringList{"> gpio 48 1", "< ok", "> battery 12 3400", "< ok", "> launch rockets",
                                         "< error: unknown command launch; help lists the commands"}));
    // The simulator echoes what it did for the person watching it.
    QTRY_VERIFY_WITH_TIMEOUT(sim.output().contains("< error: unknown command launch; help lists the commands\n"),
                             3000);
}

void TestSimulator::programCarrierLine()
{
    REQUIRE_PROGRAM();
    SimProcess sim;
    QVERIFY(sim.start());
    // The module is in data mode; the program raises DTR after holding it low.
    QCOMPARE(sim.send(QStringLiteral("gpio 59 1")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(gpioValue(sim.root(), 59), QByteArray("1"), 3000);
    setGpio(sim.root(), 58, "0");
    QTest::qWait(ModuleModeLine::kMinLowMs + 200);
    QCOMPARE(gpioValue(sim.root(), 59), QByteArray("1"));
    setGpio(sim.root(), 58, "1");
    QTRY_COMPARE_WITH_TIMEOUT(gpioValue(sim.root(), 59), QByteArray("0"), 2000);
}

void TestSimulator::programSigtermCleansUp()
{
    REQUIRE_PROGRAM();
    SimProcess sim;
    QVERIFY(sim.start());
    {
        // A program holding a port open does not keep the simulator alive.
        Tty tty(sim.root() + QStringLiteral("/dev/ttyO2"));
        QVERIFY(tty.isOpen());
        QVERIFY(::kill(pid_t(sim.process().processId()), SIGTERM) == 0);
        QVERIFY(sim.process().waitForFinished(2000));
    }
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 0);
    for (const char *name : {"ttyO1", "ttyO2", "ttyO3"}) {
        const QString link = sim.root() + QStringLiteral("/dev/") + QLatin1String(name);
        QVERIFY2(!QFileInfo(link).isSymLink() && !QFileInfo::exists(link), qPrintable(link));
    }
    QVERIFY(!QFileInfo::exists(Simulator::pidFilePath(sim.root())));
    QVERIFY(!QFileInfo::exists(ControlChannel::fifoPath(sim.root())));
    // The journals stay for whoever looks afterwards; the board state too.
    QVERIFY(QFileInfo::exists(sim.root() + QStringLiteral("/sys/class/gpio/gpio48/value")));
}

void TestSimulator::programQuitCommand()
{
    REQUIRE_PROGRAM();
    SimProcess sim;
    QVERIFY(sim.start());
    QCOMPARE(sim.send(QStringLiteral("quit")), 0);
    QVERIFY(sim.process().waitForFinished(3000));
    QCOMPARE(sim.process().exitCode(), 0);
    QVERIFY(!QFileInfo::exists(Simulator::pidFilePath(sim.root())));
    QVERIFY(sim.controlLog().contains(QStringLiteral("> quit")));

    // SIGINT stops a second run on the same root just as cleanly, and a
    // restart on a used root (stale links from a crash) works.
    QVERIFY(QFile::link(QStringLiteral("/dev/pts/nonexistent"), sim.root() + QStringLiteral("/dev/ttyO1")));
    SimProcess again(sim.root());
    QVERIFY(again.start());
    const QString target = QFile::symLinkTarget(sim.root() + QStringLiteral("/dev/ttyO1"));
    QVERIFY(target.startsWith(QLatin1String("/dev/pts/")));
    QVERIFY(QFileInfo::exists(target));
    QVERIFY(::kill(pid_t(again.process().processId()), SIGINT) == 0);
    QVERIFY(again.process().waitForFinished(2000));
    QCOMPARE(again.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(again.process().exitCode(), 0);
    QVERIFY(!QFileInfo(sim.root() + QStringLiteral("/dev/ttyO1")).isSymLink());
}

void TestSimulator::programRefusesSecondInstance()
{
    REQUIRE_PROGRAM();
    SimProcess sim;
    QVERIFY(sim.start());
    const QString firstLink = QFile::symLinkTarget(sim.root() + QStringLiteral("/dev/ttyO2"));
    QProcess second;
    second.start(SimProcess::program(), {QStringLiteral("--root"), sim.root()});
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitCode(), 1);
    QVERIFY(second.readAllStandardError().contains("already runs"));
    // The first one's links and pid file are untouched.
    QCOMPARE(QFile::symLinkTarget(sim.root() + QStringLiteral("/dev/ttyO2")), firstLink);
    QCOMPARE(readLocal(sim.root(), QStringLiteral("/.tq3900/sim.pid")).trimmed().toLongLong(),
             sim.process().processId());
    Tty tty(sim.root() + QStringLiteral("/dev/ttyO2"));
    QVERIFY(tty.write("LIST\n"));
    QCOMPARE(tty.readUntil("\r\n", 3000), QByteArray("LIST 0\r\n"));
}

// As the board boots: the data partition's files come into sight with the
// program's mount only. As on the board, a mount over a bare mount point
// that is not empty succeeds and hides what lies there until the unmount,
// and the mount table follows; so does the mount of the next start.
void TestSimulator::programStartsWithDataPartitionUnmounted()
{
    REQUIRE_PROGRAM();
    SimProcess sim;
    const QString onCard = sim.root() + QStringLiteral("/media/tq3900/DE_TQ3900.qm");
    QVERIFY(QDir().mkpath(QFileInfo(onCard).path()));
    QFile file(onCard);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("catalogue") == 9);
    file.close();
    QVERIFY(sim.start({QStringLiteral("--data-unmounted")}));
    QVERIFY(!QFileInfo::exists(onCard));
    QByteArray out;
    QCOMPARE(sim.send(QStringLiteral("usb"), nullptr, &out), 0);
    QCOMPARE(out, QByteArray("unmounted\n"));

    const QByteArray previousRoot = qgetenv("TQ3900_ROOT");
    qputenv("TQ3900_ROOT", QFile::encodeName(sim.root()));
    const auto restore = qScopeGuard([&] {
        previousRoot.isNull() ? qunsetenv("TQ3900_ROOT") : qputenv("TQ3900_ROOT", previousRoot);
    });
    QVERIFY(!DataPartition::inMountTable());
    const QString beneath = sim.root() + QStringLiteral("/media/tq3900/left.txt");
    QFile left(beneath);
    QVERIFY(left.open(QIODevice::WriteOnly) && left.write("root fs") == 7);
    left.close();

    QCOMPARE(CommandRunner::run(QStringLiteral("mount /dev/mmcblk0p3 /media/tq3900")), 0);
    QCOMPARE(readLocal(sim.root(), QStringLiteral("/media/tq3900/DE_TQ3900.qm")), QByteArray("catalogue"));
    QVERIFY(!QFileInfo::exists(beneath));
    QVERIFY(DataPartition::inMountTable());
    QCOMPARE(sim.send(QStringLiteral("usb"), nullptr, &out), 0);
    QCOMPARE(out, QByteArray("mounted\n"));
    QCOMPARE(CommandRunner::run(QStringLiteral("mount /dev/mmcblk0p3 /media/tq3900")), 32);
    QCOMPARE(CommandRunner::run(QStringLiteral("umount /media/tq3900")), 0);
    QCOMPARE(readLocal(sim.root(), QStringLiteral("/media/tq3900/left.txt")), QByteArray("root fs"));
    QVERIFY(!QFileInfo::exists(onCard));
    QVERIFY(!DataPartition::inMountTable());

    // Stopped with the partition unmounted over a folder that is not empty:
    // the next start mounts it all the same.
    QCOMPARE(sim.send(QStringLiteral("quit")), 0);
    QVERIFY(sim.process().waitForFinished(3000));
    SimProcess again(sim.root());
    QVERIFY(again.start());
    QCOMPARE(again.send(QStringLiteral("usb"), nullptr, &out), 0);
    QCOMPARE(out, QByteArray("mounted\n"));
    QCOMPARE(readLocal(sim.root(), QStringLiteral("/media/tq3900/DE_TQ3900.qm")), QByteArray("catalogue"));
    QVERIFY(!QFileInfo::exists(beneath));
    QVERIFY(DataPartition::inMountTable());
    QCOMPARE(again.send(QStringLiteral("usb unmount"), nullptr, &out), 0);
    QCOMPARE(readLocal(sim.root(), QStringLiteral("/media/tq3900/left.txt")), QByteArray("root fs"));
}

void TestSimulator::clientWithoutSimulator()
{
    REQUIRE_PROGRAM();
    QTemporaryDir dir;
    QByteArray err;
    QElapsedTimer t;
    t.start();
    QCOMPARE(SimProcess::runClient(dir.path(), QStringLiteral("gpio 48 1"), &err), 1);
    QVERIFY(err.contains("no simulator is running"));
    // A FIFO left without a reader must not block the client either.
    QVERIFY(QDir().mkpath(dir.path() + QStringLiteral("/.tq3900")));
    QVERIFY(::mkfifo(QFile::encodeName(ControlChannel::fifoPath(dir.path())).constData(), 0600) == 0);
    QCOMPARE(SimProcess::runClient(dir.path(), QStringLiteral("gpio 48 1"), &err), 1);
    QVERIFY(t.elapsed() < 5000);

    QProcess noRoot;
    noRoot.start(SimProcess::program(), {QStringLiteral("--send"), QStringLiteral("help")});
    QVERIFY(noRoot.waitForFinished(5000));
    QCOMPARE(noRoot.exitCode(), 2);
    QVERIFY(noRoot.readAllStandardError().contains("--root"));
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
