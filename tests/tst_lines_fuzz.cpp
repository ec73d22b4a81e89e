// Random and mutated text into the line parsers of the sensor unit's newer
// replies and of the test station's command file: the pressure sensor's
// "BT_RX RS" / "BT_RX RD" lines (through the pressure log), the unit's
// information answer to "BT_TX P", the hydrogen sensor's values, and the
// command file as the test menu's reader polls it. A fixed number of cases
// from a fixed seed, the time only bounding them; the sanitizers watch for
// memory faults, and each part checks what its parser may yield, that the
// work and the log growth of one line stay bounded by the line's length and
// that the memory held does not grow with the cases.
//
// TQ3900_FUZZ_SECONDS bounds the time (default 60 s), TQ3900_FUZZ_CASES sets
// the number of cases of each part, TQ3900_FUZZ_SEED the seed of every part.
#include "bluetooth.h"
#include "configuration.h"
#include "fuzzduration.h"
#include "h2sensorlevels.h"
#include "pressureintake.h"
#include "testmenuremotectrl.h"
#include "testroot.h"

#include <QApplication>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

#include <cstring>
#include <iterator>

#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer's own count (its header is not always installed).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace {

const int kDefaultSeconds = 60;
const int kCases = 20000;

// Bytes the program holds on its heap now.
qint64 liveHeapBytes()
{
#if defined(__SANITIZE_ADDRESS__)
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    return qint64(mallinfo2().uordblks);
#endif
}

class Random
{
public:
    explicit Random(quint32 seed) : m_rng(seed) {}
    int below(int n) { return n > 0 ? int(m_rng.bounded(quint32(n))) : 0; }

    QByteArray bytes(int max)
    {
        QByteArray b;
        for (int n = below(max) + 1; n > 0; --n)
            b.append(char(below(256)));
        return b;
    }

    // A line from the corpus, mutated, or now and then random bytes.
    QByteArray line(const QList<QByteArray> &corpus)
    {
        if (below(20) == 0)
            return bytes(200);
        QByteArray l = corpus.at(below(corpus.size()));
        for (int r = below(5); r > 0; --r) {
            const int at = below(l.size() + 1);
            static const char *const kNumbers[] = {"2147483647", "-2147483648", "4294967296", "99999999999999999999",
                                                   "-1", "0", "0x1f", "1e9", "nan", "inf", "6000", "6001"};
            switch (below(9)) {
            case 0: if (at < l.size()) l[at] = char(below(256)); break;
            case 1: l.insert(at, char(below(256))); break;
            case 2: l.remove(at, below(12)); break;
            case 3: l.insert(at, kNumbers[below(int(std::size(kNumbers)))]); break;
            case 4: l.insert(at, QByteArray(" ").repeated(below(4) + 1)); break;
            case 5: l.insert(at, "\r\n\t\0"[below(4)]); break;
            case 6: l.insert(at, l.mid(below(l.size() + 1), below(40))); break;
            case 7: l.insert(at, QByteArray("FfF;").repeated(below(300))); break;
            case 8: l.insert(at, "\xc3\xa4\xe2\x82\xac\xff"[below(6)]); break;
            }
        }
        return l;
    }

private:
    QRandomGenerator m_rng;
};

QString text(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes);
}

} // namespace

class TestLinesFuzz : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void pressureLines();
    void unitInformationAnswer();
    void hydrogenValues();
    void commandFile();

private:
    int seconds() const { return fuzzSeconds(kDefaultSeconds) / 4; }
};

void TestLinesFuzz::initTestCase()
{
    // The parsers' debug lines (one per minute line of the pressure log,
    // one per over-long command line) would drown the test's own output;
    // warnings stay.
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &message) {
        if (type != QtDebugMsg && previous)
            previous(type, context, message);
    });
}

void TestLinesFuzz::pressureLines()
{
    TestRoot root;
    QVERIFY(QDir().mkpath(root.local("/media/tq3900/temp")));
    PressureIntake intake(root.local("/media/tq3900/temp/pressureLowRes.txt"),
                          root.local("/media/tq3900/temp/pressureHighRes.txt"));
    const QList<QByteArray> corpus = {"BT_RX RS 25 409 3685", "BT_RX RS 10 500 3500", "BT_RX RD 3 199;E65;FFF;",
                                      "BT_RX RD 2147483647", "BT_RX RD 100 " + QByteArray("5dc;").repeated(100),
                                      "BT_RX RD 0", "BT_RX RD 7000 a3f"};
    Random r(fuzzSeed(6110));
    FuzzCases cases(kCases, seconds());
    qint64 before = -1;
    int packets = 0;
    int cut = 0;
    while (cases.next()) {
        if (cases.done() == 200)
            before = liveHeapBytes();
        if (cases.done() % 4000 == 0)
            intake.reset(); // a new recording now and then: the logs start again
        const QString line = text(r.line(corpus));
        int range = 0;
        unsigned short atZero = 0, atRange = 0;
        if (Bluetooth::parsePressureAnnouncement(line, &range, &atZero, &atRange))
            intake.announce(range, atZero, atRange);
        int count = 0;
        QString samples;
        const Bluetooth::PacketStatus status = Bluetooth::parsePressurePacket(line, &count, &samples);
        if (status == Bluetooth::PacketStatus::Unreadable || count <= 0)
            continue;
        // At most a quarter of the line in samples, taken from the line.
        QVERIFY2(count <= (line.size() + 3) / 4, qPrintable(line.left(80)));
        QVERIFY(line.contains(samples));
        cut += status == Bluetooth::PacketStatus::Cut ? 1 : 0;
        const qint64 logBefore = QFileInfo(intake.highResPath()).size();
        QVERIFY(intake.take(count, samples, QStringLiteral("12:00:00")));
        // At most "dd.dd;" per sample, whatever was announced, and a minute
        // line's start.
        const qint64 grown = QFileInfo(intake.highResPath()).size() - logBefore;
        QVERIFY2(grown <= qint64(count) * 6 + 11, qPrintable(QString::number(grown)));
        QVERIFY(intake.range() > 0 && intake.range() <= PressureIntake::kLargestRange);
        QVERIFY(intake.count() <= PressureIntake::kWindow);
        ++packets;
    }
    QVERIFY(packets > 0 || cases.done() < 100);
    qInfo("%d lines, %d packets taken, %d cut to their samples", cases.done(), packets, cut);
    if (before >= 0)
        QVERIFY2(liveHeapBytes() - before < 1024 * 1024, qPrintable(QString::number(liveHeapBytes() - before)));
}

void TestLinesFuzz::unitInformationAnswer()
{
    const QList<QByteArray> corpus = {"BT_RX SENSOR 3", "BT_RX MIC-GAIN 0x0f", "BT_RX BATT_VOLTAGE 3900",
                                      "BT_RX FW-VERSION 1.4.2", "BT_RX HW-VERSION 2.1", "BT_RX BUTTON SWITCH",
                                      "BT_RX MUTE_STATE ACTIVE", "!$!", "BT_RX  SENSOR\t\t12"};
    Random r(fuzzSeed(7104));
    FuzzCases cases(kCases, seconds());
    qint64 before = -1;
    while (cases.next()) {
        if (cases.done() == 200)
            before = liveHeapBytes();
        QByteArray answer;
        for (int n = r.below(10) + 1; n > 0; --n)
            answer += r.line(corpus) + "\r\n";
        const QString t = text(answer);
        QElapsedTimer step;
        step.start();
        const Configuration::Answer a = Configuration::parseAnswer(t);
        QVERIFY2(step.elapsed() < 1000, "an answer took longer than a second");
        // Each value is a run of its own characters out of the answer.
        const struct {
            const QString &value;
            const char *chars;
        } fields[] = {{a.sensor, "0123456789"},
                      {a.gain, "0123456789abcdefABCDEFxX"},
                      {a.battery, "0123456789"},
                      {a.firmware, "0123456789."},
                      {a.hardware, "0123456789."},
                      {a.button, nullptr},
                      {a.mute, nullptr}};
        for (const auto &f : fields) {
            QVERIFY(f.value.isEmpty() || t.contains(f.value));
            for (const QChar c : f.value)
                QVERIFY2(f.chars ? c.unicode() < 0x80 && c.unicode() > 0 && std::strchr(f.chars, char(c.unicode())) != nullptr
                                 : c.isLetterOrNumber(),
                         qPrintable(f.value));
        }
        Configuration::sensorTypeText(a.sensor);
        Configuration::gainSuffix(a.gain);
    }
    if (before >= 0)
        QVERIFY2(liveHeapBytes() - before < 1024 * 1024, qPrintable(QString::number(liveHeapBytes() - before)));
}

void TestLinesFuzz::hydrogenValues()
{
    const QList<QByteArray> corpus = {"2048", "0", "4096", "12.5", " 300 ", "-7", "1e30", "3.4e38", "30", "65535"};
    Random r(fuzzSeed(6101));
    H2SensorLevels levels;
    FuzzCases cases(kCases, seconds());
    while (cases.next()) {
        int level = -1;
        if (H2SensorLevels::parseLevel(text(r.line(corpus)), &level)) {
            QVERIFY(level >= 0 && level <= H2SensorLevels::kTop);
            if (r.below(3) == 0) {
                levels.mutedReading(level);
            } else {
                if (r.below(50) == 0)
                    levels.beginListening();
                levels.listeningReading(level, 47.0, 8.0);
            }
        } else {
            QCOMPARE(level, -1); // unchanged
        }
        H2SensorLevels::parseActiveTime(text(r.line(corpus)));
        if (r.below(100) == 0)
            levels.setScaleMode(r.below(7) - 1, r.below(2) == 1);
        if (r.below(500) == 0)
            levels.zero();
        const qint64 period = levels.tickerPeriodNs();
        QVERIFY2(period >= 10000000 && period <= 1000000000, qPrintable(QString::number(period)));
        QVERIFY(levels.dataCnt >= 0 && levels.dataCnt <= H2SensorLevels::kHistorySize);
        QVERIFY(levels.currentStep >= 0 && levels.currentStep <= H2SensorLevels::kSteps);
    }
}

void TestLinesFuzz::commandFile()
{
    // What the station (or anything else) leaves in the file, polled by the
    // reader as the test menu's timer does: a command is answered
    // "staActive" and handed on once, an instrument line is left alone,
    // anything else is answered "staUnknownCommand".
    TestRoot root;
    QVERIFY(QDir().mkpath(root.local("/media/ramdisk")));
    TestmenuRemoteCtrl reader;
    reader.pause();
    QSignalSpy handed(&reader, &TestmenuRemoteCtrl::sendCommand);
    const QString file = root.local(QString::fromLatin1(TestmenuRemoteCtrl::kCommandFile));
    const QList<QByteArray> corpus = {"cmdTestLed\n", "cmdPass", "staActive\n", "resPassed\nold\n", "cmdTest\r\n",
                                      "resSelftestStatusSelftest=OK\n", "", "\n", "CMDx\n",
                                      "cmd" + QByteArray(4093, 'a') + "\n"};
    Random r(fuzzSeed(9102));
    FuzzCases cases(kCases / 10, seconds());
    qint64 before = -1;
    while (cases.next()) {
        if (cases.done() == 200)
            before = liveHeapBytes();
        const QByteArray written = r.below(50) == 0 ? QByteArray(r.below(20000), 'c') : r.line(corpus);
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(written);
        f.close();
        handed.clear();
        reader.readCommandFile();
        QFile after(file);
        QVERIFY(after.open(QIODevice::ReadOnly));
        const QByteArray now = after.readAll();
        const bool tooLong = (written.indexOf('\n') < 0 ? written.size() : written.indexOf('\n'))
                > TestmenuRemoteCtrl::kMaxLineBytes;
        if (!tooLong && written.startsWith("cmd")) {
            QCOMPARE(now, QByteArray("staActive\n"));
            QCOMPARE(handed.count(), 1);
            const QString command = handed.first().first().toString();
            QVERIFY(command.startsWith(QLatin1String("cmd")) && !command.contains(QChar(0)));
            QVERIFY(command.size() <= TestmenuRemoteCtrl::kMaxLineBytes + 1);
        } else if (!tooLong && (written.startsWith("sta") || written.startsWith("res"))) {
            QCOMPARE(now, written);
            QCOMPARE(handed.count(), 0);
        } else {
            QCOMPARE(now, QByteArray("staUnknownCommand\n"));
            QCOMPARE(handed.count(), 0);
        }
    }
    QVERIFY(root.commands().isEmpty()); // the file always opened: no factory script
    if (before >= 0)
        QVERIFY2(liveHeapBytes() - before < 1024 * 1024, qPrintable(QString::number(liveHeapBytes() - before)));
}

int main(int argc, char *argv[])
{
    allowFuzzDuration(fuzzSeconds(kDefaultSeconds));
    QApplication app(argc, argv); // the command file's reader is a dialog
    TestLinesFuzz tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_lines_fuzz.moc"
