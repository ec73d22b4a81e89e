// The GPS receiver driver, its fix quality and clock setting, and the GPS
// monitor screen, observed at the simulated receiver (frames it received,
// its power line), in the command journal and on the screen. Sentences are
// played into the port by the test (a pseudo-terminal linked as ttyO1) so
// that every value and time stamp is known.
#include "applicationfont.h"
#include "globals.h"
#include "gps.h"
#include "gpsmonitor.h"
#include "mainmenu.h"
#include "nmea.h"
#include "nmeapositioninfosourceraw.h"
#include "ptyport.h"
#include "simboard.h"
#include "testroot.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTextEdit>
#include <QtTest>

#include <memory>

using Sim::Nmea::sentence;

namespace {

QByteArray rmc(const QByteArray &talker, const QByteArray &time, bool valid, double lat, double lon,
               const QByteArray &date, const QByteArray &speed = "0.000", const QByteArray &course = "")
{
    QByteArrayList f{talker + "RMC", time, valid ? "A" : "V"};
    if (valid)
        f << Sim::Nmea::latitudeField(lat) << Sim::Nmea::latitudeHemisphere(lat) << Sim::Nmea::longitudeField(lon)
          << Sim::Nmea::longitudeHemisphere(lon);
    else
        f << "" << "" << "" << "";
    f << speed << course << date << "" << "" << (valid ? "A" : "N");
    return sentence(f.join(','));
}

QByteArray gga(const QByteArray &talker, const QByteArray &time, double lat, double lon, int used,
               const QByteArray &height)
{
    return sentence(QByteArrayList{talker + "GGA", time, Sim::Nmea::latitudeField(lat),
                                   Sim::Nmea::latitudeHemisphere(lat), Sim::Nmea::longitudeField(lon),
                                   Sim::Nmea::longitudeHemisphere(lon), "1", QByteArray::number(used), "0.9",
                                   height, "M", "39.8", "M", "", ""}
                        .join(','));
}

QByteArray gsa(const QByteArray &hdop)
{
    return sentence("GNGSA,A,3,02,05,07,09,13,,,,,,,,1.60," + hdop + ",1.30,1");
}

// One GSV series of a talker announcing count satellites with the given numbers.
QList<QByteArray> gsvSeries(const QByteArray &talker, const QList<int> &prns)
{
    const int n = prns.size();
    const int messages = qMax(1, (n + 3) / 4);
    QList<QByteArray> out;
    for (int m = 0; m < messages; ++m) {
        QByteArrayList f{talker + "GSV", QByteArray::number(messages), QByteArray::number(m + 1),
                         QByteArray::number(n).rightJustified(2, '0')};
        for (int i = m * 4; i < qMin(n, m * 4 + 4); ++i)
            f << QByteArray::number(prns[i]).rightJustified(2, '0') << "40" << "120" << "38";
        out << sentence(f.join(','));
    }
    return out;
}

QList<int> range(int first, int count)
{
    QList<int> out;
    for (int i = 0; i < count; ++i)
        out << first + i;
    return out;
}

void writeSettings(TestRoot &root, const QByteArray &text)
{
    QVERIFY(root.write("/home/root/settings.ini", text));
}

QStringList clockCommands(const TestRoot &root)
{
    QStringList out;
    for (const QString &c : root.commands())
        if (c.startsWith(QLatin1String("date")) || c.startsWith(QLatin1String("hwclock")))
            out << c;
    return out;
}

} // namespace

// The test's receiver: a pseudo-terminal linked as ttyO1 that the test writes
// sentences into, and the frames the program wrote to it.
class Receiver
{
public:
    static constexpr int kSettleMs = 60;

    explicit Receiver(const TestRoot &root) : m_port(QStringLiteral("ttyO1"), 9600)
    {
        m_ok = m_port.open(root.local("/dev/ttyO1"));
        QObject::connect(&m_port, &Sim::PtyPort::received, [this](const QByteArray &b) { m_received += b; });
    }
    bool isOpen() const { return m_ok; }
    QByteArray received() const { return m_received; }
    void clearReceived() { m_received.clear(); }

    // Writes the sentences and waits until the driver's source stored the
    // last one, then runs the driver's position update as its source would.
    bool play(Gps &gps, const QList<QByteArray> &sentences, bool update = true)
    {
        QByteArray all;
        for (const QByteArray &s : sentences)
            all += s;
        // The position source hands an epoch on when the next time stamp
        // arrives: a position report without fix (which the driver does not
        // store) at another time closes the epoch.
        all += sentence("GPGLL,,,,," + QByteArray::number(++m_flushCount % 60).rightJustified(2, '0')
                        + "0000.50,V,N");
        if (!m_port.write(all))
            return false;
        const QString last = QString::fromLatin1(sentences.last()).trimmed();
        NmeaPositionInfoSourceRaw *src = gps.nmeaSource();
        QElapsedTimer t;
        t.start();
        auto stored = [&] {
            if (src->getNmeaRmcString() == last || src->getNmeaGgaString() == last || src->getNmeaGsaString() == last
                || src->getNmeaVtgString() == last)
                return true;
            for (int i = 0; i < NmeaPositionInfoSourceRaw::kGsvSlots; ++i)
                if (src->getNmeaGsvString(i) == last)
                    return true;
            return false;
        };
        while (!stored() && t.elapsed() < 3000)
            QTest::qWait(5);
        if (!stored())
            return false;
        // The source hands a position on after a short quiet time on the line.
        QTest::qWait(kSettleMs);
        if (update)
            gps.updatePosition();
        return true;
    }

private:
    Sim::PtyPort m_port;
    QByteArray m_received;
    bool m_ok = false;
    int m_flushCount = 0;
};

class TestGps : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startupPowerAndFrames_data();
    void startupPowerAndFrames();
    void fixSatellitesAndSlots();
    void quality_data();
    void quality();
    void clockFromFirstUsableFix();
    void monitor();
    void simulatedReceiver();

private:
    std::unique_ptr<TestRoot> m_root;
};

void TestGps::init()
{
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    g_debugFeatures = 0;
}

void TestGps::cleanup()
{
    m_root.reset();
    g_debugFeatures = 0;
}

void TestGps::startupPowerAndFrames_data()
{
    QTest::addColumn<bool>("useGps");
    QTest::addColumn<QByteArray>("power");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("output");
    QTest::newRow("on") << true << QByteArray("1") << "b5 62 06 04 04 00 00 00 09 00 17 76" << "sending";
    QTest::newRow("off") << false << QByteArray("0") << "b5 62 06 04 04 00 00 00 08 00 16 74" << "unpowered";
}

// Start-up switches the receiver by the start-up option: the power line and
// exactly one reset frame, which the simulated receiver obeys.
void TestGps::startupPowerAndFrames()
{
    QFETCH(bool, useGps);
    QFETCH(QByteArray, power);
    QFETCH(QString, frame);
    QFETCH(QString, output);
    writeSettings(*m_root, QByteArray("[Dialogconfiguration]\nStartup_UseGpsForStartup=") + (useGps ? "true" : "false")
                               + "\n");
    // The line was left on by an earlier run: switching off must lower it.
    QVERIFY(m_root->write("/sys/class/gpio/gpio16/value", "1"));
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    MainMenu w;
    Gps *gps = w.getGpsInstance();
    QVERIFY(gps->isPortOpen());
    QTRY_COMPARE(m_root->journal("gps-ttyO1.log").size(), 1);
    QVERIFY2(m_root->journal("gps-ttyO1.log").at(0).endsWith(" " + frame), qPrintable(m_root->journal("gps-ttyO1.log").at(0)));
    QCOMPARE(m_root->read("/sys/class/gpio/gpio16/value"), power);
    QVERIFY(board.send("gps status").startsWith(output));
    QCOMPARE(gps->isNmeaEnabled(), useGps);
    if (useGps) {
        // The simulated receiver's default fix arrives through the position source.
        QTRY_VERIFY_WITH_TIMEOUT(gps->isGpsDataValid(), 8000);
        QVERIFY(qAbs(gps->getLatitude() - (52.0 + 31.0 / 60.0)) < 1e-6);
        QCOMPARE(gps->getNumSatellitesUsed(), 8);
        QCOMPARE(gps->getNumSatellitesInView(), 8);
        gps->switchOffGpsModul();
        QCOMPARE(gps->getNmeaString(), QString());
        QCOMPARE(gps->getLatitude(), 0.0);
        QTRY_COMPARE(m_root->journal("gps-ttyO1.log").size(), 2);
        QTRY_VERIFY(board.send("gps status").startsWith("unpowered"));
    } else {
        QTest::qWait(2500);
        QVERIFY(!gps->isGpsDataValid());
        QCOMPARE(gps->getRmcUtcTime(), QStringLiteral("NO GPS"));
        QCOMPARE(gps->getGpsQuality(), 0);
    }
}

// A played fix of several constellations: position, time, satellites, height,
// course and speed as played; the GSV slot rules; what the raw text holds.
void TestGps::fixSatellitesAndSlots()
{
    Receiver rx(*m_root);
    QVERIFY(rx.isOpen());
    Gps gps;
    gps.initGps();
    gps.switchOnGpsModul();
    QTRY_COMPARE(rx.received(), QByteArray::fromHex("b562060404000000090017" "76"));

    const double lat = -33.925123, lon = 151.187654;
    QList<QByteArray> epoch{rmc("GN", "083559.00", true, lat, lon, "070324", "10.000", "54.70"),
                            gsa("1.20"), gga("GN", "083559.00", lat, lon, 14, "123.4"),
                            sentence("GNVTG,54.70,T,,M,10.000,N,18.520,K,A")};
    // GPS: 3 messages, 9 satellites (4 + 4 + 1); GLONASS: 2 messages, 8
    // satellites (last one full); Galileo repeats GPS number 2; BeiDou none.
    epoch << "$gpgsv,1,1,01,99,40,120,38*00\r\n"; // lower case: not stored
    epoch += gsvSeries("GP", range(1, 9));
    epoch += gsvSeries("GL", range(65, 8));
    epoch += gsvSeries("GA", {2, 30});
    epoch += gsvSeries("GB", {});
    QVERIFY(rx.play(gps, epoch));
    QVERIFY(gps.isGpsDataValid());
    QVERIFY(qAbs(gps.getLatitude() - lat) < 1e-6);
    QVERIFY(qAbs(gps.getLongitude() - lon) < 1e-6);
    QCOMPARE(gps.getDateTime(), QDateTime(QDate(2024, 3, 7), QTime(8, 35, 59), Qt::UTC));
    QCOMPARE(gps.getRmcUtcTime(), QStringLiteral("08:35:59"));
    QCOMPARE(gps.getNumSatellitesUsed(), 14);
    QCOMPARE(gps.getNumSatellitesInView(), 9 + 8 + 1); // number 2 counts once
    QCOMPARE(gps.getGpsHeightOverSea(), 123.4f);
    QCOMPARE(gps.getGpsCourseOverGround(), 54.7f);
    QCOMPARE(gps.getGpsSpeedOverGround(), 10.0f);
    QCOMPARE(gps.getGpsInfoHdop(), 1.2f);
    QCOMPARE(gps.getGpsQuality(), 100);
    // RMC, GSA, GGA and GSV slots 0 to 4, without VTG and later slots.
    const QStringList lines = gps.getNmeaString().split('\n');
    QCOMPARE(lines.size(), 3 + 5);
    QCOMPARE(lines[0], QString::fromLatin1(epoch[0]).trimmed());
    QCOMPARE(lines[1], QString::fromLatin1(epoch[1]).trimmed());
    QCOMPARE(lines[2], QString::fromLatin1(epoch[2]).trimmed());
    QVERIFY(lines[7].startsWith("$GLGSV,2,2,08"));
    QVERIFY(!gps.getNmeaString().contains("VTG"));
    NmeaPositionInfoSourceRaw *src = gps.nmeaSource();
    QVERIFY(src->getNmeaVtgString().startsWith("$GNVTG"));
    QVERIFY(src->getNmeaGsvString(6).startsWith("$GBGSV,1,1,00")); // the 7th GSV sentence
    QCOMPARE(src->getNmeaGsvString(7), QString());
    QCOMPARE(src->getNmeaGsvString(20), QString());
    QCOMPARE(src->getNmeaGsvString(-1), QString());

    // Damaged sentences are not stored: wrong checksum, a GSA that does not
    // match its pattern leaves HDOP alone.
    QByteArray bad = gga("GN", "083600.00", 1.0, 1.0, 3, "9.0");
    bad[bad.indexOf('*') + 1] = bad[bad.indexOf('*') + 1] == '0' ? '1' : '0';
    QVERIFY(rx.play(gps, {bad, sentence("GNGSA,A,3,02,,,,,,,,,,,,x,2.5,1.30"), sentence("GNVTG,1.00,T,,M,0.5,N,0.9,K,A")},
                    false));
    gps.updatePosition();
    QCOMPARE(gps.getNumSatellitesUsed(), 14);
    QCOMPARE(gps.getGpsInfoHdop(), 1.2f);

    // Fourteen more GSV sentences fill slots 7 to 19 and overwrite slot 0.
    QVERIFY(rx.play(gps, gsvSeries("GQ", range(193, 56)), false));
    QVERIFY(src->getNmeaGsvString(19).startsWith("$GQGSV,14,13,56"));
    QVERIFY(src->getNmeaGsvString(0).startsWith("$GQGSV,14,14,56"));
    // Four RMC sentences keep the slots, a GSV sentence restarts the count,
    // four more keep them, the fifth empties them.
    auto rmcAt = [&](int s) { return rmc("GN", "0836" + QByteArray::number(10 + s) + ".00", true, lat, lon, "070324"); };
    QVERIFY(rx.play(gps, {rmcAt(0), rmcAt(1), rmcAt(2), rmcAt(3)}, false));
    QVERIFY(!src->getNmeaGsvString(5).isEmpty());
    QVERIFY(rx.play(gps, {gsvSeries("GP", {7}).first(), rmcAt(4), rmcAt(5), rmcAt(6), rmcAt(7)}, false));
    QVERIFY(!src->getNmeaGsvString(5).isEmpty());
    QVERIFY(rx.play(gps, {rmcAt(8)}));
    for (int i = 0; i < NmeaPositionInfoSourceRaw::kGsvSlots; ++i)
        QCOMPARE(src->getNmeaGsvString(i), QString());
    QCOMPARE(gps.getNumSatellitesInView(), 0);

    // An RMC without time gives no receiver time; the monitor's clear
    // zeroes the derived values.
    QVERIFY(rx.play(gps, {rmc("GN", "", false, 0, 0, "070324")}, false));
    QCOMPARE(gps.getRmcUtcTime(), QStringLiteral("NO GPS"));
    gps.clearLastGpsData();
    QCOMPARE(gps.getNumSatellitesUsed(), 0);
    QCOMPARE(gps.getGpsSpeedOverGround(), 0.0f);
    QCOMPARE(gps.getNmeaString(), QStringLiteral("\n\n"));

    // Switched off: stop frame, no text, no position until switched on and updated.
    rx.clearReceived();
    gps.switchOffGpsModul();
    QTRY_COMPARE(rx.received(), QByteArray::fromHex("b56206040400000008001674"));
    QCOMPARE(m_root->read("/sys/class/gpio/gpio16/value"), QByteArray("0"));
    QVERIFY(rx.play(gps, {rmcAt(9)}));
    QCOMPARE(gps.getLatitude(), 0.0);
    QVERIFY(!gps.isGpsDataValid());
    QCOMPARE(gps.getNmeaString(), QString());
    gps.switchOnGpsModul();
    QVERIFY(rx.play(gps, {rmcAt(10)}));
    QVERIFY(qAbs(gps.getLatitude() - lat) < 1e-6);
}

void TestGps::quality_data()
{
    QTest::addColumn<QByteArray>("time");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("hdop");
    QTest::addColumn<int>("inView");
    QTest::addColumn<int>("quality");
    QTest::newRow("no receiver time") << QByteArray() << false << QByteArray("1.0") << 5 << 0;
    QTest::newRow("no fix 02:59:59") << QByteArray("025959.00") << false << QByteArray("1.0") << 5 << 1;
    QTest::newRow("no fix 03:00:00") << QByteArray("030000.00") << false << QByteArray("1.0") << 5 << 3;
    QTest::newRow("no fix 22:59:59") << QByteArray("225959.00") << false << QByteArray("1.0") << 5 << 3;
    QTest::newRow("no fix 23:00:00") << QByteArray("230000.00") << false << QByteArray("1.0") << 5 << 1;
    QTest::newRow("hdop 0.01") << QByteArray("120000.00") << true << QByteArray("0.01") << 9 << 15;
    QTest::newRow("hdop 200") << QByteArray("120000.00") << true << QByteArray("200.0") << 9 << 15;
    QTest::newRow("hdop 199") << QByteArray("120000.00") << true << QByteArray("199.0") << 6 << 6;
    QTest::newRow("hdop 1.0, 5 in view") << QByteArray("120000.00") << true << QByteArray("1.0") << 5 << 100;
    QTest::newRow("hdop 1.0, 4 in view") << QByteArray("120000.00") << true << QByteArray("1.0") << 4 << 92;
    QTest::newRow("hdop 2.0, 4 in view") << QByteArray("120000.00") << true << QByteArray("2.0") << 4 << 92;
    QTest::newRow("hdop 2.0, 7 in view") << QByteArray("120000.00") << true << QByteArray("2.0") << 7 << 100;
    QTest::newRow("hdop 2.5") << QByteArray("120000.00") << true << QByteArray("2.5") << 3 << 80;
    QTest::newRow("hdop 3.0") << QByteArray("120000.00") << true << QByteArray("3.0") << 3 << 66;
    QTest::newRow("hdop 20") << QByteArray("120000.00") << true << QByteArray("20.0") << 3 << 10;
    QTest::newRow("hdop 25") << QByteArray("120000.00") << true << QByteArray("25.0") << 7 << 7;
}

// The quality number from what the receiver played.
void TestGps::quality()
{
    QFETCH(QByteArray, time);
    QFETCH(bool, valid);
    QFETCH(QByteArray, hdop);
    QFETCH(int, inView);
    QFETCH(int, quality);
    Receiver rx(*m_root);
    Gps gps;
    gps.initGps();
    QList<QByteArray> epoch{gsa(hdop)};
    epoch += gsvSeries("GP", range(1, inView));
    epoch << rmc("GP", time, valid, 48.1, 11.5, "070324");
    QVERIFY(rx.play(gps, epoch));
    QCOMPARE(gps.isGpsDataValid(), valid);
    QCOMPARE(gps.getNumSatellitesInView(), inView);
    QCOMPARE(gps.getGpsQuality(), quality);
}

// The clock is set once from the first fix with a plausible year, as local
// time with the offsets carried into the date; requested again when the
// settings ask for it; never with the source "MAN".
//
// The position source hands its last fix on again every 1.2 s by itself,
// and that sets the clock as well as a new fix does. So whenever the clock
// is asked for, the last fix has no plausible year, and a hand-over may come
// at any moment without setting it; after a fix, the clock is waited for
// (the played update or the source's own, whichever comes first).
void TestGps::clockFromFirstUsableFix()
{
    writeSettings(*m_root, "[Local-Settings]\nDateTimeSource=GPS\nTimezoneOffset=3600\nDaylightSavingTime=1\n"
                           "[Dialogconfiguration]\nStartup_UseGpsForStartup=true\n");
    Receiver rx(*m_root);
    MainMenu w;
    Gps &gps = *w.getGpsInstance();
    auto fixAt = [&](const QByteArray &time, const QByteArray &date) {
        return rx.play(gps, {rmc("GP", time, true, 50.0, 8.0, date)});
    };
    QVERIFY(gps.isSystemTimeSettingRequested());
    QVERIFY(fixAt("101530.00", "070315")); // 2015: no plausible year
    QCOMPARE(clockCommands(*m_root), QStringList());
    QVERIFY(fixAt("101530.00", "070324"));
    const QStringList once{"date +%F -s 2024-3-7", "date +%T -s 12:15:30", "hwclock -w -f /dev/rtc0"};
    QTRY_COMPARE(clockCommands(*m_root), once);
    QVERIFY(fixAt("101531.00", "070324"));
    QCOMPARE(clockCommands(*m_root), once);

    // Accepted again with "GPS": the next usable fix sets it, carried into
    // the next day. The last fix before is from 2015, also when the source
    // hands it on again.
    QVERIFY(fixAt("101532.00", "070315"));
    QTRY_COMPARE(gps.nmeaSource()->lastKnownPosition(false).timestamp().date().year(), 2015);
    gps.enableSystemTimeSettingViaGps(true);
    QVERIFY(fixAt("233000.00", "070324"));
    QTRY_COMPARE(clockCommands(*m_root).mid(3),
                 QStringList({"date +%F -s 2024-3-8", "date +%T -s 1:30:0", "hwclock -w -f /dev/rtc0"}));

    // Source "MAN": nothing, however many fixes.
    gps.enableSystemTimeSettingViaGps(false);
    QVERIFY(fixAt("120000.00", "080324"));
    QCOMPARE(clockCommands(*m_root).size(), 6);

    // Zones with minutes carry too: -3.5 h from 01:10 is 21:40 the day before.
    QCOMPARE(Gps::clockCommands(QDateTime(QDate(2024, 1, 1), QTime(1, 10, 0), Qt::UTC), -12600),
             QStringList({"date +%F -s 2023-12-31", "date +%T -s 21:40:0"}));
}

// The monitor against played fixes: "---" without a fix, the coordinate
// formats, distances, satellites, speed in m/s, the bounded NMEA page, Stop
// with its clock commands, Start, Delete, Back and Escape.
void TestGps::monitor()
{
    writeSettings(*m_root, "[Local-Settings]\nDateTimeSource=MAN\n[Debug]\nDebugfeatures=1\n");
    Receiver rx(*m_root);
    // The program's font, set before the window as the program does.
    struct FontAsTheProgram {
        QFont saved = QApplication::font();
        FontAsTheProgram() { QApplication::setFont(loadApplicationFont()); }
        ~FontAsTheProgram() { QApplication::setFont(saved); }
    } font;
    MainMenu w;
    Gps &gps = *w.getGpsInstance();
    GpsMonitor *mon = w.getGpsMonitorInstance();
    auto text = [mon](const char *name) { return mon->findChild<QLineEdit *>(name)->text(); };
    auto click = [mon](const char *name) { mon->findChild<QPushButton *>(name)->click(); };
    auto screen = [&w] { return w.findChild<QStackedWidget *>("mainWidget")->currentWidget()->objectName(); };
    int second = 29;
    // A fix one second after the last one, unless the time is given.
    auto fix = [&](double lat, double lon, QByteArray time = QByteArray()) {
        if (time.isEmpty())
            time = "1015" + QByteArray::number(++second) + ".00";
        QVERIFY(rx.play(gps, {gga("GP", time, lat, lon, 7, "123.4"), gsa("1.0"), gsvSeries("GP", range(1, 9)).at(0),
                              gsvSeries("GP", range(1, 9)).at(1), gsvSeries("GP", range(1, 9)).at(2),
                              rmc("GP", time, true, lat, lon, "070324", "10.000", "54.70")}));
        mon->updateGpsData();
    };

    w.displayWidget(10, -1, 0);
    QCOMPARE(screen(), QStringLiteral("GpsMonitor"));
    QVERIFY(mon->findChild<QPushButton *>("butMenuNmea")->isVisibleTo(mon));
    // The captions of the distance page fit their labels with the program's font.
    for (const char *caption : {"labelRefPos", "labelCurPos", "labelDistance"}) {
        auto *l = mon->findChild<QLabel *>(caption);
        const int advance = l->fontMetrics().horizontalAdvance(l->text());
        QVERIFY2(advance <= l->contentsRect().width(),
                 qPrintable(QStringLiteral("%1: %2 of %3 px").arg(caption).arg(advance).arg(l->contentsRect().width())));
    }
    mon->updateGpsData();
    for (const char *f : {"leditLatitude", "leditLongitude", "leditCurLatitude", "leditCurLongitude"})
        QCOMPARE(text(f), QStringLiteral("---"));
    QCOMPARE(text("leditDistance"), QStringLiteral("--- m"));
    QVERIFY2(text("leditTime").startsWith("NO GPS? ("), qPrintable(text("leditTime")));
    // A reference taken without a fix is no reference.
    click("butMenuSetReference");
    fix(51.0, 7.0);
    QCOMPARE(text("leditDistance"), QStringLiteral("--- m"));

    QCOMPARE(text("leditLatitude"), QStringLiteral("51.000000"));
    QVERIFY2(text("leditTime").startsWith("10:15:30 ("), qPrintable(text("leditTime")));
    QCOMPARE(text("leditDate"), QDate(2024, 3, 7).toString(Qt::TextDate));
    QCOMPARE(text("leditNumSat"), QStringLiteral("Used:7 View:9"));
    QCOMPARE(text("leditSatInfoGroundspeed"), QStringLiteral("5.1 m/s")); // 10 knots
    QCOMPARE(text("leditSatInfoDirection"), QStringLiteral("54.7 °"));
    QCOMPARE(text("leditSatInfoHeight"), QStringLiteral("123.4 m"));
    QCOMPARE(mon->findChild<QProgressBar *>("progbarQuality")->value(), 100);
    QCOMPARE(mon->findChild<QProgressBar *>("progbarQualitySatInfo")->value(), 100);

    click("butMenuSetReference");
    QCOMPARE(text("leditRefLatitude"), QStringLiteral("51.000000"));
    fix(51.001, 7.0);
    QCOMPARE(text("leditDistance"), QStringLiteral("111.300 m"));
    fix(51.0, 7.001);
    QCOMPARE(text("leditDistance"), QStringLiteral("70.043 m"));

    // Formats: degrees-minutes-seconds, degrees and minutes, back to decimal;
    // the reference keeps the format it was taken in.
    fix(-33.925, -0.1275);
    click("butMenuFormat");
    mon->updateGpsData();
    QCOMPARE(text("leditLatitude"), QStringLiteral("S 33° 55' 30.0000\""));
    QCOMPARE(text("leditCurLongitude"), QStringLiteral("W 0° 7' 39.0000\""));
    click("butMenuFormatDist");
    mon->updateGpsData();
    QCOMPARE(text("leditLatitude"), QStringLiteral("S 33° 55.50000'"));
    click("butMenuFormat");
    mon->updateGpsData();
    QCOMPARE(text("leditLongitude"), QStringLiteral("-0.127500"));
    QCOMPARE(text("leditRefLatitude"), QStringLiteral("51.000000"));
    QCOMPARE(GpsMonitor::convertGpsFormat(51.5, 0, 1), QStringLiteral("N 51° 30' 0.0000\""));
    QCOMPARE(GpsMonitor::convertGpsFormat(51.5, 0, 2), QStringLiteral("N 51° 30.00000'"));

    // The NMEA page keeps its newest lines only.
    auto *nmea = mon->findChild<QTextEdit *>("textGpsRcv");
    for (int i = 0; i < 200; ++i)
        mon->updateGpsData();
    QVERIFY(nmea->document()->blockCount() <= GpsMonitor::kMaxNmeaLines);
    QVERIFY(nmea->toPlainText().endsWith(gps.getNmeaString().trimmed()));

    // Stop: the refresh ends and the clock is set to GPS time + 2 h, carried.
    click("butMenuNmea");
    fix(50.0, 8.0, "223000.00");
    m_root->clearJournals();
    click("butMenuStop");
    QVERIFY(!mon->isRefreshRunning());
    QCOMPARE(clockCommands(*m_root), QStringList({"date +%F -s 2024-3-8", "date +%T -s 0:30:0"}));
    // A receiver time outside 2016..2050 (a week roll-over) sets nothing,
    // as the driver's own clock setting does.
    QVERIFY(rx.play(gps, {gga("GP", "101500.00", 50.0, 8.0, 7, "123.4"),
                          rmc("GP", "101500.00", true, 50.0, 8.0, "070399", "10.000", "54.70")}));
    QTRY_VERIFY(gps.getDateTime().isValid() && !Gps::isClockTime(gps.getDateTime()));
    m_root->clearJournals();
    click("butMenuStop");
    QCOMPARE(clockCommands(*m_root), QStringList());
    w.displayWidget(0, -1, 0);
    w.displayWidget(10, -1, 0);
    QVERIFY(!mon->isRefreshRunning());
    click("butMenuNmea");
    // The scenario refreshes by hand; on its own the monitor does so every
    // 1.5 s from Start. Each time-out is stamped as it fires, counted from
    // the press: a time-out fires on its schedule or later, never earlier,
    // so a late wake-up cannot make the period look short.
    QElapsedTimer sinceStart;
    QVector<qint64> refreshed;
    QObject stamper; // ends the stamping with this scope
    connect(mon->findChild<QTimer *>(), &QTimer::timeout, &stamper, [&] { refreshed << sinceStart.elapsed(); });
    sinceStart.start();
    click("butMenuStart");
    QVERIFY(mon->isRefreshRunning());
    QTRY_VERIFY_WITH_TIMEOUT(refreshed.size() >= 2, 10000);
    qInfo("Refreshes %lld and %lld ms after Start", refreshed[0], refreshed[1]);
    // The timer may fire up to 5 % early each time; late by a second at most.
    for (int n = 1; n <= 2; ++n)
        QVERIFY2(refreshed[n - 1] >= n * 1400 && refreshed[n - 1] <= n * 1500 + 1000,
                 qPrintable(QString::number(refreshed[n - 1])));
    click("butMenuDelete");
    QCOMPARE(nmea->toPlainText(), QString());

    // Escape acts on release; Back returns too.
    QTest::keyPress(mon, Qt::Key_Escape);
    QCOMPARE(screen(), QStringLiteral("GpsMonitor"));
    QTest::keyRelease(mon, Qt::Key_Escape);
    QCOMPARE(screen(), QStringLiteral("mainPage"));
    w.displayWidget(10, -1, 0);
    click("butMenuBack");
    QCOMPARE(screen(), QStringLiteral("mainPage"));

    // Without debug features the NMEA page cannot be reached.
    g_debugFeatures = 0;
    w.displayWidget(10, -1, 0);
    QVERIFY(!mon->findChild<QPushButton *>("butMenuNmea")->isVisibleTo(mon));
}

// The simulated receiver: constellations and talkers, GSV series, its clock,
// a track with a jump, a played log, and the power line.
void TestGps::simulatedReceiver()
{
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    Gps gps;
    gps.initGps();
    for (const char *c : {"gps talker GN", "gps sky GL 7", "gps sky GA 5", "gps sky GB 0", "gps hdop 2.0",
                          "gps motion 3.5 270", "gps height 412.5", "gps time 2024-03-07T10:15:30",
                          "gps track 48.1,11.5 48.1,11.5 -12.5,-45.75"})
        QCOMPARE(board.send(c), QStringLiteral("ok"));
    // The jump arrives within a few seconds, with the satellites of all
    // constellations (Galileo's number 2 repeats a GPS number).
    QTRY_VERIFY_WITH_TIMEOUT(gps.isGpsDataValid() && qAbs(gps.getLatitude() + 12.5) < 1e-6, 8000);
    QTRY_COMPARE_WITH_TIMEOUT(gps.getNumSatellitesInView(), 8 + 7 + 5 - 1, 3000);
    QCOMPARE(gps.getNumSatellitesUsed(), 20);
    QVERIFY(qAbs(gps.getLongitude() + 45.75) < 1e-6);
    QCOMPARE(gps.getGpsInfoHdop(), 2.0f);
    QCOMPARE(gps.getGpsSpeedOverGround(), 3.5f);
    QCOMPARE(gps.getGpsCourseOverGround(), 270.0f);
    QCOMPARE(gps.getGpsHeightOverSea(), 412.5f);
    QCOMPARE(gps.getDateTime().date(), QDate(2024, 3, 7));
    QVERIFY(gps.getDateTime().time() >= QTime(10, 15, 30) && gps.getDateTime().time() < QTime(10, 16, 0));
    QVERIFY(gps.nmeaSource()->getNmeaRmcString().startsWith("$GNRMC"));
    QCOMPARE(gps.getGpsQuality(), 100);

    // A recorded log plays instead, in a loop.
    QTemporaryDir dir;
    QFile log(dir.filePath("track.nmea"));
    QVERIFY(log.open(QIODevice::WriteOnly));
    log.write(rmc("GP", "060000.00", true, 10.25, 20.5, "010125") + gga("GP", "060000.00", 10.25, 20.5, 5, "7.0")
              + "garbage line\n" + rmc("GP", "060001.00", true, 10.25, 20.5, "010125"));
    log.close();
    QCOMPARE(board.send("gps play " + log.fileName()), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(gps.getLatitude() - 10.25) < 1e-6, 8000);
    QCOMPARE(gps.getDateTime().date(), QDate(2025, 1, 1));
    QVERIFY(board.send("gps play /nonexistent/file").startsWith("error: cannot open"));
    QCOMPARE(board.send("gps play off"), QStringLiteral("ok"));

    // The power line and the stop frame silence it; the start frame resumes.
    gps.switchOffGpsModul();
    QTRY_VERIFY(board.send("gps status").startsWith("unpowered"));
    QCOMPARE(board.send("gps fix 0"), QStringLiteral("ok"));
    QTest::qWait(1500);
    const QString before = gps.nmeaSource()->getNmeaRmcString();
    QTest::qWait(2200);
    QCOMPARE(gps.nmeaSource()->getNmeaRmcString(), before);
    QVERIFY(m_root->write("/sys/class/gpio/gpio16/value", "1"));
    QVERIFY(board.send("gps status").startsWith("stopped"));
    gps.switchOnGpsModul();
    QTRY_VERIFY_WITH_TIMEOUT(gps.nmeaSource()->getNmeaRmcString().contains(",V,"), 4000);
    QCOMPARE(gps.getGpsQuality(), 3); // 10:15 without a fix
    QVERIFY(board.send("gps raw \\x").startsWith("error: broken escape"));
}

QTEST_MAIN(TestGps)
#include "tst_gps.moc"
