// The pressure screen's data side on crafted packets, without widgets: the
// scaling with the default and announced limits, the one-minute window
// (also for packet sizes that do not divide it or exceed it), the
// statistics, the two logs byte for byte, and the stored folder.
#include "bluetooth.h"
#include "datapartition.h"
#include "debugmessages.h"
#include "pressureintake.h"
#include "testroot.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QtTest>

#include <sys/stat.h>

namespace {

// A packet of readings in the unit's form: three hex digits and ";" each.
QString packet(const QVector<int> &readings)
{
    QString text;
    for (int r : readings)
        text += QStringLiteral("%1;").arg(r, 3, 16, QLatin1Char('0'));
    return text;
}

QString repeated(int reading, int n)
{
    return packet(QVector<int>(n, reading));
}

// The reading that the default limits scale to exactly `tenths` / 10 bar
// nearly: 409 + 3276 x bar / 25.
int readingOf(double bar)
{
    return int(409 + 3276 * bar / 25 + 0.5);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestPressureIntake : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DebugMessages::install(); }
    void init();
    void cleanup();
    void scalingAndAnnouncements();
    void firstPacketAndMinuteLines();
    void windowOfOddAndOversizedPackets();
    void statistics();
    void unwritableLogAndReset();
    void storedFolder();

private:
    QString temp(const char *name) const { return m_root->local(QStringLiteral("/media/tq3900/temp/") + name); }

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<PressureIntake> m_intake;
};

void TestPressureIntake::init()
{
    m_root = std::make_unique<TestRoot>();
    QVERIFY(QDir().mkpath(m_root->local("/media/tq3900/temp")));
    m_intake = std::make_unique<PressureIntake>(temp("pressureLowRes.txt"), temp("pressureHighRes.txt"));
}

void TestPressureIntake::cleanup()
{
    m_intake.reset();
    m_root.reset();
}

void TestPressureIntake::scalingAndAnnouncements()
{
    // Defaults 25 bar, 409 .. 3685: below the zero reading clamps to 0, above
    // full scale it is not clamped; one value between the rows.
    const QString digits = QStringLiteral("199;E65;100;FFF;a3f;80B;");
    QVERIFY(m_intake->take(6, digits, QStringLiteral("10:00:00")));
    const float *v = m_intake->values();
    QCOMPARE(QString::number(v[0], 'f', 2), QStringLiteral("0.00"));
    QCOMPARE(QString::number(v[1], 'f', 2), QStringLiteral("25.00"));
    QCOMPARE(QString::number(v[2], 'f', 2), QStringLiteral("0.00"));
    QCOMPARE(QString::number(v[3], 'f', 2), QStringLiteral("28.13"));
    QCOMPARE(QString::number(v[4], 'f', 2), QString::number(25.0 / 3276 * (0xa3f - 409), 'f', 2)); // lower case
    QCOMPARE(QString::number(v[5], 'f', 2), QString::number(25.0 / 3276 * (0x80b - 409), 'f', 2));

    // Digits that are no three hex digits read 0 (also a blank or a sign
    // that a number parser would take), and so do samples past the text.
    QCOMPARE(PressureIntake::reading(QStringLiteral(" 12;"), 0), 0);
    QCOMPARE(PressureIntake::reading(QStringLiteral("+12;"), 0), 0);
    QCOMPARE(PressureIntake::reading(QStringLiteral("1G2;"), 0), 0);
    QCOMPARE(PressureIntake::reading(QStringLiteral("abc;12"), 1), 0);
    QCOMPARE(PressureIntake::reading(QStringLiteral("abc;"), 0), 0xabc);

    // Refused announcements change nothing: no range, equal readings, a
    // range or a sample the labels ("99 bar", "99.99") and the log cannot
    // show, a reading no sample carries. One log line for a run of them.
    DebugMessages::clear();
    const struct { int range; int atZero; int atRange; bool taken; } limits[] = {
        {10, 800, 800, false}, {0, 500, 3500, false}, {-3, 500, 3500, false},
        {2147483647, 0, 1, false}, {100, 0, 4095, false}, {99, 409, 3685, false}, // 111.38 bar at 0xfff
        {89, 409, 3685, false}, {10, 0, 409, false}, {10, 4095, 3686, false},     // 100.14, 100.12, 100.12
        {10, 0, 4096, false}, {10, 4096, 0, false}};
    for (const auto &l : limits)
        QCOMPARE(m_intake->announce(l.range, quint16(l.atZero), quint16(l.atRange)), l.taken);
    QCOMPARE(DebugMessages::all().filter("announcement refused").size(), 1);
    QCOMPARE(m_intake->range(), 25.0f);
    QCOMPARE(m_intake->readingAtZero(), quint16(409));
    QCOMPARE(m_intake->readingAtRange(), quint16(3685));
    // Just inside: 99 bar over the whole span, 99.01, 99.88 and 99.88 bar
    // at the far reading. A good one ends the run of refusals.
    const struct { int range; int atZero; int atRange; } inside[] = {
        {99, 0, 4095}, {88, 409, 3685}, {10, 0, 410}, {10, 4095, 3685}};
    for (const auto &l : inside) {
        QVERIFY(m_intake->announce(l.range, quint16(l.atZero), quint16(l.atRange)));
        QCOMPARE(m_intake->readingAtRange(), quint16(l.atRange));
        QVERIFY(!m_intake->announce(1000, 500, 3500));
    }
    QCOMPARE(DebugMessages::all().filter("announcement refused").size(), 1 + 4);
    QCOMPARE(m_intake->range(), 10.0f);
    QVERIFY(m_intake->announce(10, 500, 3500));
    QVERIFY(m_intake->take(2, packet({3500, 2000}), QString()));
    QCOMPARE(QString::number(v[1], 'f', 2), QStringLiteral("25.00"));
    QCOMPARE(QString::number(v[6], 'f', 2), QStringLiteral("10.00"));
    QCOMPARE(QString::number(v[7], 'f', 2), QStringLiteral("5.00"));
    // Refused in the middle of a recording: the next samples are scaled as
    // before, and logged as "dd.dd;".
    QVERIFY(!m_intake->announce(2147483647, 0, 1));
    QVERIFY(m_intake->take(1, packet({0xfff}), QString()));
    QCOMPARE(QString::number(v[8], 'f', 2), QStringLiteral("11.98"));
    QVERIFY(fileBytes(temp("pressureHighRes.txt")).endsWith(";10.00;5.00;11.98;"));
    // An inverted sensor (falling readings) is a sensor too.
    QVERIFY(m_intake->announce(10, 3500, 500));
    QVERIFY(m_intake->take(1, packet({2000}), QString()));
    QCOMPARE(QString::number(v[9], 'f', 2), QStringLiteral("5.00"));
}

void TestPressureIntake::firstPacketAndMinuteLines()
{
    // The first packet: a new high-resolution line and one statistics line.
    QVERIFY(m_intake->startsNewLine());
    // The unit's line counts two of its four samples: two are taken.
    int n = 0;
    QString text;
    QCOMPARE(Bluetooth::parsePressurePacket(QStringLiteral("BT_RX RD 2 199;E65;5DC;FFF;"), &n, &text),
             Bluetooth::PacketStatus::Whole);
    QVERIFY(m_intake->take(n, text, QStringLiteral("14:07:09")));
    QCOMPARE(m_intake->count(), 2);
    QCOMPARE(fileBytes(temp("pressureHighRes.txt")), QByteArray("\r\n14:07:09;0.00;25.00;"));
    QCOMPARE(fileBytes(temp("pressureLowRes.txt")), QByteArray("14:07:09;25.00;0.00;12.50;12.50;\r\n"));

    // 100-sample packets from a fresh start: packets 2..60 only append,
    // packet 61 starts the next line in both logs.
    m_intake->reset();
    QVERIFY(!QFile::exists(temp("pressureHighRes.txt")) && !QFile::exists(temp("pressureLowRes.txt")));
    for (int k = 1; k <= 61; ++k) {
        QCOMPARE(m_intake->startsNewLine(), k == 1 || k == 61);
        // Packet k at k/10 bar (readings rise with the packet number).
        QVERIFY(m_intake->take(100, repeated(readingOf(k / 10.0), 100), QStringLiteral("T%1").arg(k)));
        QCOMPARE(m_intake->count(), qMin(100 * k, 6000));
    }
    const QByteArray high = fileBytes(temp("pressureHighRes.txt"));
    QCOMPARE(high.count("\r\n"), 2);
    QVERIFY(high.startsWith("\r\nT1;0.10;0.10;"));
    const int second = high.indexOf("\r\nT61;");
    QVERIFY(second > 0);
    QCOMPARE(high.mid(second).count(';'), 1 + 100); // the time, then packet 61's samples
    QCOMPARE(high.left(second).count(';'), 1 + 6000);
    QVERIFY(high.endsWith("6.10;"));
    const QList<QByteArray> low = fileBytes(temp("pressureLowRes.txt")).split('\n');
    QCOMPARE(low.size(), 3); // two lines and the empty rest
    QCOMPARE(low.at(0), QByteArray("T1;0.10;0.10;0.10;0.00;\r"));
    // The window over packets 2..61 (0.2 .. 6.1 bar) when the line is written.
    const PressureIntake::Statistics s = m_intake->statistics(0, 6000);
    QCOMPARE(QString::fromLatin1(low.at(1)), QStringLiteral("T61;6.10;0.20;%1;%2;\r")
                                                 .arg(s.average, 0, 'f', 2)
                                                 .arg(s.deviation, 0, 'f', 2));
    QCOMPARE(QString::number(s.average, 'f', 2), QStringLiteral("3.15"));

    // Packet 61 dropped packet 1: the window holds packets 2..61 in order.
    const float *v = m_intake->values();
    QCOMPARE(m_intake->count(), 6000);
    QCOMPARE(QString::number(v[0], 'f', 2), QStringLiteral("0.20"));
    QCOMPARE(QString::number(v[99], 'f', 2), QStringLiteral("0.20"));
    QCOMPARE(QString::number(v[100], 'f', 2), QStringLiteral("0.30"));
    QCOMPARE(QString::number(v[5999], 'f', 2), QStringLiteral("6.10"));
    QCOMPARE(v[6000], 0.0f); // never written

    // A count of 0 or less is ignored: no log byte, no sample.
    const QByteArray before = fileBytes(temp("pressureHighRes.txt"));
    QVERIFY(!m_intake->take(0, repeated(0xfff, 4), QStringLiteral("X")));
    QVERIFY(!m_intake->take(-100, repeated(0xfff, 4), QStringLiteral("X")));
    QCOMPARE(fileBytes(temp("pressureHighRes.txt")), before);
    QCOMPARE(m_intake->count(), 6000);
}

void TestPressureIntake::windowOfOddAndOversizedPackets()
{
    // 70 samples do not divide 6000: the window stops at exactly 6000 and
    // keeps the newest samples in order (each packet one value).
    for (int k = 1; k <= 90; ++k) {
        QVERIFY(m_intake->take(70, repeated(readingOf(k / 10.0), 70), QStringLiteral("t")));
        QVERIFY(m_intake->count() <= 6000);
    }
    QCOMPARE(m_intake->count(), 6000);
    const float *v = m_intake->values();
    // 90 x 70 = 6300: the oldest 300 went, so 50 samples of packet 5 stay.
    QCOMPARE(QString::number(v[0], 'f', 2), QStringLiteral("0.50"));
    QCOMPARE(QString::number(v[49], 'f', 2), QStringLiteral("0.50"));
    QCOMPARE(QString::number(v[50], 'f', 2), QStringLiteral("0.60"));
    QCOMPARE(QString::number(v[5999], 'f', 2), QStringLiteral("9.00"));
    // The minute line ends with the packet that reaches 6000 (86 x 70).
    QCOMPARE(m_intake->lineCount(), 4 * 70);

    // A packet above the window keeps its newest 6000 samples; the text
    // holds 100 real samples at its end, the rest reads 0.
    m_intake->reset();
    QVERIFY(m_intake->take(50, repeated(readingOf(1), 50), QStringLiteral("a")));
    QString big = QString(4 * 7000, QLatin1Char('x'));
    big.replace(4 * 6900, 400, repeated(readingOf(2), 100));
    QVERIFY(m_intake->take(7000, big, QStringLiteral("b")));
    QCOMPARE(m_intake->count(), 6000);
    QCOMPARE(v[0], 0.0f);
    QCOMPARE(QString::number(v[5900], 'f', 2), QStringLiteral("2.00"));
    QCOMPARE(QString::number(v[5999], 'f', 2), QStringLiteral("2.00"));
    QCOMPARE(fileBytes(temp("pressureHighRes.txt")).count(';'), 1 + 50 + 6000);

    // A huge count with a short text: bounded work, zeros, no read past it.
    QVERIFY(m_intake->take(std::numeric_limits<int>::max(), QStringLiteral("E65;"), QStringLiteral("c")));
    QCOMPARE(m_intake->count(), 6000);
    QCOMPARE(m_intake->statistics(0, 6000).max, 0.0f);
}

void TestPressureIntake::statistics()
{
    // No sample: nothing to show (never 0 / 0).
    QVERIFY(!m_intake->statistics(0, 6000).valid);
    QVERIFY(!m_intake->statistics(0, 0).valid);

    // All samples above the range: MIN is the true minimum.
    QVERIFY(m_intake->take(3, packet({0xf00, 0xff0, 0xfff}), QString()));
    PressureIntake::Statistics s = m_intake->statistics(0, 3);
    QVERIFY(s.valid);
    QCOMPARE(QString::number(s.min, 'f', 2), QString::number(25.0 / 3276 * (0xf00 - 409), 'f', 2));
    QVERIFY(s.min > 25.0f);
    // Fewer than 100 samples: ACT is the average.
    QCOMPARE(s.current, s.average);

    // 100 samples of 2 bar, then 50 of 4 bar: ACT is the newest 100's mean,
    // DEV the population deviation.
    m_intake->reset();
    QVERIFY(m_intake->take(100, repeated(readingOf(2), 100), QString()));
    QVERIFY(m_intake->take(50, repeated(readingOf(4), 50), QString()));
    s = m_intake->statistics(0, 150);
    QCOMPARE(QString::number(s.max, 'f', 2), QStringLiteral("4.00"));
    QCOMPARE(QString::number(s.min, 'f', 2), QStringLiteral("2.00"));
    QCOMPARE(QString::number(s.average, 'f', 2), QString::number((100 * 2.0 + 50 * 4.0) / 150, 'f', 2));
    QCOMPARE(QString::number(s.current, 'f', 2), QStringLiteral("3.00"));
    QCOMPARE(QString::number(s.deviation, 'f', 3), QString::number(std::sqrt(8.0 / 9.0), 'f', 3));

    // A range reaching past the recorded samples covers only those; one
    // past them, none.
    s = m_intake->statistics(120, 1000);
    QVERIFY(s.valid);
    QCOMPARE(QString::number(s.min, 'f', 2), QStringLiteral("4.00"));
    QCOMPARE(s.deviation, 0.0f);
    QVERIFY(!m_intake->statistics(150, 1000).valid);
}

void TestPressureIntake::unwritableLogAndReset()
{
    // A folder in place of the high-resolution log: that text is lost, the
    // window and the statistics line are not.
    QVERIFY(QDir().mkpath(temp("pressureHighRes.txt")));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Could not open file:"));
    QVERIFY(m_intake->take(2, QStringLiteral("199;E65;"), QStringLiteral("t")));
    QCOMPARE(m_intake->count(), 2);
    QCOMPARE(fileBytes(temp("pressureLowRes.txt")), QByteArray("t;25.00;0.00;12.50;12.50;\r\n"));
    QVERIFY(QDir().rmdir(temp("pressureHighRes.txt")));

    // A symbolic link in place of a log is not written through.
    QFile target(m_root->local("/elsewhere.txt"));
    QVERIFY(target.open(QIODevice::WriteOnly));
    target.close();
    QVERIFY(QFile::remove(temp("pressureLowRes.txt")));
    QVERIFY(QFile::link(m_root->local("/elsewhere.txt"), temp("pressureLowRes.txt")));
    m_intake->reset(); // deletes the link, not its target
    QVERIFY(QFile::exists(m_root->local("/elsewhere.txt")));
    QVERIFY(QFile::link(m_root->local("/elsewhere.txt"), temp("pressureLowRes.txt")));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Could not open file:"));
    QVERIFY(m_intake->take(1, QStringLiteral("199;"), QStringLiteral("t")));
    QCOMPARE(QFileInfo(m_root->local("/elsewhere.txt")).size(), 0);

    // The reset empties the window and clears its slots.
    m_intake->reset();
    QCOMPARE(m_intake->count(), 0);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(m_intake->values()[i], 0.0f);

    // The partition away: every packet's text is lost, but each log says so
    // once for each time it goes away, not once a packet.
    const auto notOpened = [] {
        QStringList lines = DebugMessages::all().filter(QRegularExpression("^Could not open file:"));
        lines.sort();
        return lines;
    };
    const QStringList once{"Could not open file: \"" + temp("pressureHighRes.txt") + "\"",
                           "Could not open file: \"" + temp("pressureLowRes.txt") + "\""};
    m_intake->reset();
    DataPartition::setNotMounted();
    DebugMessages::clear();
    for (int i = 0; i < 3; ++i)
        QVERIFY(m_intake->take(1, QStringLiteral("199;"), QStringLiteral("t")));
    QCOMPARE(notOpened(), once);
    QVERIFY(DataPartition::mount());
    QVERIFY(m_intake->take(1, QStringLiteral("199;"), QStringLiteral("t")));
    QCOMPARE(fileBytes(temp("pressureHighRes.txt")), QByteArray("0.00;"));
    DataPartition::setNotMounted();
    QVERIFY(m_intake->take(1, QStringLiteral("199;"), QStringLiteral("t")));
    QCOMPARE(notOpened(), QStringList({once[0], once[0], once[1]}));
    QCOMPARE(m_intake->count(), 5);
}

void TestPressureIntake::storedFolder()
{
    const QString meas = m_root->local("/media/tq3900/meas/");
    QVERIFY(QDir().mkpath(meas));
    const QDateTime when(QDate(2024, 3, 5), QTime(14, 7, 9));
    QVERIFY(m_intake->announce(10, 500, 3500));

    // Before any packet: info.ini alone.
    QString folder;
    QCOMPARE(m_intake->store(meas, QStringLiteral("Empty"), when, 0, 0, &folder),
             PressureIntake::StoreResult::Stored);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList({"info.ini"}));
    {
        QSettings info(folder + "/info.ini", QSettings::IniFormat);
        QCOMPARE(info.value("Pressuresensor/Sensor").toString(), QStringLiteral("10.0 bar"));
        QCOMPARE(info.value("Pressuresensor/MinCalibrationValue").toString(), QStringLiteral("500"));
        QCOMPARE(info.value("Pressuresensor/MaxCalibrationValue").toString(), QStringLiteral("3500"));
        QCOMPARE(info.value("GPS-Positions/GPS-Position").toString(), QStringLiteral("0.000000, 0.000000"));
    }

    // Names the store refuses; a store that cannot be written.
    QCOMPARE(m_intake->store(meas, QStringLiteral("a/b"), when, 0, 0), PressureIntake::StoreResult::BadName);
    QCOMPARE(m_intake->store(meas, QStringLiteral("a") + QChar(0), when, 0, 0), PressureIntake::StoreResult::BadName);
    QCOMPARE(m_intake->store(meas + "missing/", QStringLiteral("x"), when, 0, 0), PressureIntake::StoreResult::Failed);
    QCOMPARE(QDir(meas).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"PS_20240305_140709_Empty"}));

    // A copy that cannot be written (a folder where it goes) is reported.
    QVERIFY(m_intake->take(1, QStringLiteral("5DC;"), QStringLiteral("t")));
    QVERIFY(QDir().mkpath(meas + "PS_20240305_140709_Blocked/LowResData.txt"));
    QCOMPARE(m_intake->store(meas, QStringLiteral("Blocked"), when, 0, 0), PressureIntake::StoreResult::Failed);
    // A FIFO in place of a log is not read (it would wait for a writer);
    // the folder made for the failed store is not left behind.
    QVERIFY(QFile::remove(temp("pressureHighRes.txt")));
    QCOMPARE(::mkfifo(qPrintable(temp("pressureHighRes.txt")), 0600), 0);
    QCOMPARE(m_intake->store(meas, QStringLiteral("Fifo"), when, 0, 0), PressureIntake::StoreResult::Failed);
    QVERIFY(!QFileInfo::exists(meas + "PS_20240305_140709_Fifo"));
}

QTEST_GUILESS_MAIN(TestPressureIntake)
#include "tst_pressureintake.moc"
