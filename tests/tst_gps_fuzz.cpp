// Garbage on the GPS line: mutated NMEA (flipped and inserted bytes, cut
// sentences, wrong checksums, zero bytes, overlong lines): a fixed number of
// bursts from a fixed seed, bounded by three times TQ3900_FUZZ_SECONDS
// (default 10; TQ3900_FUZZ_CASES sets the bursts). The driver keeps its last valid state,
// crashes nothing and takes the next good fix; the simulated receiver's
// frame reader survives random bytes and journals only whole frames. A
// flood of bytes without line ends stays bounded in the port.
#include "craftedinfo.h"
#include "gps.h"
#include "gpspeer.h"
#include "nmea.h"
#include "nmeapositioninfosourceraw.h"
#include "ptyport.h"
#include "testroot.h"

#include "fuzzduration.h"

#include <QRandomGenerator>
#include <QtTest>

using Sim::Nmea::sentence;

namespace {

// Bursts of mutated sentences: some 8 s under the sanitizers.
const int kBursts = 1000;

int fuzzSeconds()
{
    const int s = qEnvironmentVariableIntValue("TQ3900_FUZZ_SECONDS");
    return s > 0 ? qMin(s, 30) : 10;
}

Sim::GpsFix fixAt(double lat, double lon)
{
    Sim::GpsFix f;
    f.latitude = lat;
    f.longitude = lon;
    f.talker = "GN";
    f.glonass = 5;
    f.speedKnots = 4.0;
    f.course = 90.0;
    return f;
}

// True when any line of bytes would still be a whole, correct sentence.
bool holdsValidSentence(const QByteArray &bytes)
{
    QByteArray b = bytes;
    b.replace('\r', '\n');
    for (const QByteArray &line : b.split('\n'))
        if (NmeaPositionInfoSourceRaw::hasValidChecksum(line) || Sim::Nmea::hasValidChecksum(line))
            return true;
    return false;
}

QByteArray mutate(QByteArray s, QRandomGenerator &rng)
{
    switch (rng.bounded(7)) {
    case 0: // flipped bytes
        for (int i = 0, n = 1 + rng.bounded(4); i < n; ++i)
            s[rng.bounded(s.size())] = char(rng.bounded(256));
        return s;
    case 1: // cut short, the line end kept or not
        return s.left(rng.bounded(s.size())) + (rng.bounded(2) ? "\r\n" : "");
    case 2: // inserted random bytes
        for (int i = 0, n = 1 + rng.bounded(8); i < n; ++i)
            s.insert(rng.bounded(s.size()), char(rng.bounded(256)));
        return s;
    case 3: { // wrong checksum
        const int star = s.indexOf('*');
        s[star + 1] = s[star + 1] == 'F' ? 'E' : 'F';
        return s;
    }
    case 4: // zero bytes
        s.insert(rng.bounded(s.size()), QByteArray(1 + rng.bounded(3), '\0'));
        return s;
    case 5: // overlong line starting like a sentence
        return s.left(7) + QByteArray(2000 + rng.bounded(6000), char('0' + rng.bounded(10))) + "*00\r\n";
    default: { // raw noise
        QByteArray noise(1 + rng.bounded(200), '\0');
        for (char &c : noise)
            c = char(rng.bounded(256));
        return noise;
    }
    }
}

struct Snapshot
{
    double lat, lon;
    bool valid;
    QDateTime time;
    QString rmcTime;
    int used, inView, quality;
    float speed, course, height, hdop;

    static Snapshot of(const Gps &g)
    {
        return {g.getLatitude(),      g.getLongitude(),          g.isGpsDataValid(),        g.getDateTime(),
                g.getRmcUtcTime(),    g.getNumSatellitesUsed(),  g.getNumSatellitesInView(), g.getGpsQuality(),
                g.getGpsSpeedOverGround(), g.getGpsCourseOverGround(), g.getGpsHeightOverSea(), g.getGpsInfoHdop()};
    }
    bool operator==(const Snapshot &o) const
    {
        return lat == o.lat && lon == o.lon && valid == o.valid && time == o.time && rmcTime == o.rmcTime
            && used == o.used && inView == o.inView && quality == o.quality && speed == o.speed && course == o.course
            && height == o.height && hdop == o.hdop;
    }
};

} // namespace

class TestGpsFuzz : public QObject
{
    Q_OBJECT

private slots:
    void mutatedNmeaKeepsTheLastValidState();
    void simulatedReceiverFrameReader();
    void floodWithoutLineEndsStaysBounded();
};

void TestGpsFuzz::mutatedNmeaKeepsTheLastValidState()
{
    TestRoot root;
    Sim::PtyPort port(QStringLiteral("ttyO1"), 9600);
    QVERIFY(port.open(root.local("/dev/ttyO1")));
    Gps gps;
    gps.initGps();

    QDateTime utc(QDate(2024, 3, 7), QTime(9, 0, 0), Qt::UTC);
    const Sim::GpsFix good = fixAt(47.123456, 8.654321);
    // Two epochs: the source hands the first on when the second begins.
    QVERIFY(port.write(Sim::Nmea::epoch(good, utc) + Sim::Nmea::epoch(good, utc.addSecs(1))));
    QTRY_VERIFY_WITH_TIMEOUT(gps.isGpsDataValid(), 5000);
    gps.updatePosition();
    const Snapshot before = Snapshot::of(gps);
    QVERIFY(qAbs(before.lat - 47.123456) < 1e-6);
    QCOMPARE(before.inView, 8 + 5);

    QRandomGenerator rng(fuzzSeed(20261207));
    const QList<QByteArray> templates = [&] {
        QList<QByteArray> t{Sim::Nmea::rmc(fixAt(1.5, 2.5), utc.addSecs(10)),
                            Sim::Nmea::gga(fixAt(1.5, 2.5), utc.addSecs(10)), Sim::Nmea::gsa(fixAt(1.5, 2.5))};
        t += Sim::Nmea::gsv(fixAt(1.5, 2.5));
        return t;
    }();
    qint64 chunks = 0, bytes = 0;
    int epochs = 1;
    // A fixed number of bursts from the seed, the time only bounding them.
    FuzzCases cases(kBursts, fuzzSeconds() * 3);
    while (cases.next()) {
        // The receiver's good epoch every 60 bursts (well within a second),
        // noise in between (a source without any good sentence times out
        // and drops the fix).
        if (chunks > 0 && chunks % 60 == 0)
            QVERIFY(port.write("\r\n" + Sim::Nmea::epoch(good, utc.addSecs(++epochs))));
        QByteArray burst;
        while (burst.size() < 512) {
            const QByteArray m = mutate(templates.at(rng.bounded(templates.size())), rng);
            if (!holdsValidSentence(m))
                burst += m;
        }
        QVERIFY(port.write(burst));
        bytes += burst.size();
        ++chunks;
        // Not faster than the driver reads: the line would drop bytes.
        QTest::qWait(5 + rng.bounded(5));
        if (chunks % 50 == 0)
            gps.updatePosition();
    }
    // Let the reader drain what is on the line, then look.
    QTest::qWait(300);
    gps.updatePosition();
    Snapshot after = Snapshot::of(gps);
    // Time moved on with the good epochs only.
    QVERIFY2(after.time > before.time && after.time <= utc.addSecs(epochs),
             qPrintable(after.time.toString(Qt::ISODate) + " epochs " + QString::number(epochs)));
    QVERIFY2(after.rmcTime.startsWith(QLatin1String("09:00:")), qPrintable(after.rmcTime));
    after.time = before.time;
    after.rmcTime = before.rmcTime;
    QVERIFY2(after == before, qPrintable(QStringLiteral("%1 chunks, %2 bytes").arg(chunks).arg(bytes)));
    qInfo("%lld chunks, %lld bytes of garbage", chunks, bytes);

    // The next good fix is taken, after a line end ends whatever was cut.
    const Sim::GpsFix next = fixAt(-20.5, -40.25);
    QVERIFY(port.write("\r\n" + Sim::Nmea::epoch(next, utc.addSecs(100)) + Sim::Nmea::epoch(next, utc.addSecs(101))));
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(gps.nmeaSource()->lastKnownPosition().coordinate().latitude() + 20.5) < 1e-6, 5000);
    gps.updatePosition();
    QVERIFY(qAbs(gps.getLatitude() + 20.5) < 1e-6);
    QVERIFY(qAbs(gps.getLongitude() + 40.25) < 1e-6);
    QCOMPARE(gps.getNumSatellitesInView(), 8 + 5);
}

void TestGpsFuzz::simulatedReceiverFrameReader()
{
    TestRoot root;
    Sim::GpsPeer peer(root.root(), nullptr);
    QRandomGenerator rng(fuzzSeed(7));
    const QByteArray stop = Gps::resetFrame(0x08);
    const QByteArray start = Gps::resetFrame(0x09);
    int frames = 0;
    for (int round = 0; round < 2000; ++round) {
        QByteArray noise(rng.bounded(64), '\0');
        for (char &c : noise)
            c = char(rng.bounded(256));
        // Random bytes may hold a sync pair with a huge or partial length;
        // a whole frame after them must still be found.
        const QByteArray frame = rng.bounded(2) ? stop : start;
        QByteArray all = noise + frame;
        while (!all.isEmpty()) {
            const int n = 1 + rng.bounded(all.size());
            peer.receive(all.left(n));
            all.remove(0, n);
        }
        ++frames;
        if (round % 100 == 0)
            QCOMPARE(peer.isOutputOn(), frame == start);
        peer.receive(QByteArray(Sim::GpsPeer::kMaxUbxPayload + 16, '\xB5')); // flush a dangling length
    }
    const QStringList log = root.journal("gps-ttyO1.log");
    int whole = 0;
    for (const QString &line : log)
        whole += line.endsWith(QLatin1String(" b5 62 06 04 04 00 00 00 08 00 16 74"))
            || line.endsWith(QLatin1String(" b5 62 06 04 04 00 00 00 09 00 17 76"));
    QVERIFY2(whole >= frames * 9 / 10, qPrintable(QStringLiteral("%1 of %2").arg(whole).arg(frames)));
}

namespace {

QStringList s_messages;
void keepMessage(QtMsgType, const QMessageLogContext &, const QString &text)
{
    if (s_messages.size() < 100000)
        s_messages << text;
}

} // namespace

void TestGpsFuzz::floodWithoutLineEndsStaysBounded()
{
    TestRoot root;
    Sim::PtyPort port(QStringLiteral("ttyO1"), 9600);
    QVERIFY(port.open(root.local("/dev/ttyO1")));
    s_messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepMessage);
    Gps gps;
    gps.initGps();
    QDateTime utc(QDate(2024, 3, 7), QTime(9, 0, 0), Qt::UTC);

    // The receiver's 960 bytes a second for a minute, then a peer's 100 kB a
    // second for 15 s: 1.56 MB that never end a line, with a sentence start
    // now and then. Written faster than that, in pieces the line takes.
    QRandomGenerator rng(fuzzSeed(960));
    const qint64 total = 60 * 960 + 15 * 100000;
    qint64 written = 0, most = 0;
    const long rssBefore = CraftedInfo::residentKb();
    while (written < total) {
        QByteArray piece(4096, '\0');
        for (char &c : piece) {
            c = char(rng.bounded(256));
            if (c == '\n' || c == '\r')
                c = 'x';
        }
        if (rng.bounded(4) == 0)
            piece.replace(int(rng.bounded(4000)), 7, "$GPRMC,");
        QVERIFY(port.write(piece));
        written += piece.size();
        QTest::qWait(1);
        most = qMax(most, gps.unreadBytes());
    }
    QTRY_VERIFY(gps.unreadBytes() <= Gps::kMaxUnreadBytes);
    QVERIFY2(most <= Gps::kMaxUnreadBytes + 64 * 1024, qPrintable(QString::number(most)));
    const long rssAfter = CraftedInfo::residentKb();
    const QString figures = QStringLiteral("%1 bytes without a line end: at most %2 unread, resident %3 kB more")
                                .arg(written).arg(most).arg(rssAfter - rssBefore);

    // Sentences that follow are read again; the flood was one episode.
    const Sim::GpsFix fix = fixAt(12.5, 34.25);
    QVERIFY(port.write("\r\n" + Sim::Nmea::epoch(fix, utc) + Sim::Nmea::epoch(fix, utc.addSecs(1))));
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(gps.nmeaSource()->lastKnownPosition().coordinate().latitude() - 12.5) < 1e-6, 5000);
    const auto episodes = [] {
        return int(std::count_if(s_messages.cbegin(), s_messages.cend(),
                                 [](const QString &m) { return m.startsWith("Uart 1: no line end"); }));
    };
    QCOMPARE(episodes(), 1);
    // A second flood is a second episode.
    for (int i = 0; i < 4; ++i) {
        QVERIFY(port.write(QByteArray(4096, 'z')));
        QTest::qWait(1);
    }
    QTRY_COMPARE(episodes(), 2);
    qInstallMessageHandler(previous);
    qInfo("%s", qPrintable(figures));
}

QTEST_MAIN(TestGpsFuzz)
#include "tst_gps_fuzz.moc"
