// The measurement store on a device root: the folder and info.ini of every
// type byte for byte, what the stored views read back, the sound copies,
// the count limits and their messages, listing and the working directory,
// and stores that must fail visibly without leaving anything behind.
#include "analoginputworker.h"
#include "craftedinfo.h"
#include "infoini.h"
#include "audioworker.h"
#include "bluetooth.h"
#include "gps.h"
#include "mainmenu.h"
#include "messagedialog.h"
#include "measurements.h"
#include "micwriter.h"
#include "simboard.h"
#include "systemclock.h"
#include "testroot.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTranslator>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

const QString kMeas = QStringLiteral("/media/tq3900/meas");
const QString kWavTemp = QStringLiteral("/home/root/meas/wav_temp");

// Closes every modal message with its one button and notes
// "<icon>|<headline>|<text>".
class MessageWatcher : public QObject
{
public:
    QStringList seen;

    MessageWatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<MessageDialog *>(QApplication::activeModalWidget())) {
                const QString icon = box->findChild<QLabel *>("labelIcon")->styleSheet();
                seen << QRegularExpression("/(\\w+)\\.png").match(icon).captured(1) + "|"
                                + box->findChild<QLabel *>("labelHeadline")->text() + "|"
                                + box->findChild<QLabel *>("labelInfotext")->text();
                QVERIFY(box->findChild<QPushButton *>("butLeft")->isHidden());
                QVERIFY(box->findChild<QPushButton *>("butRight")->isHidden());
                QVERIFY(box->parentWidget() == nullptr);
                box->findChild<QPushButton *>("butMiddle")->click();
            }
        });
        m_timer.start(10);
    }

private:
    QTimer m_timer;
};

// A record whose every byte is 0xA5: a field the store must not read shows
// up as a strange value in the file.
MeasInfoStructure garbage()
{
    MeasInfoStructure d;
    std::memset(&d, 0xA5, sizeof d);
    return d;
}

// INI text as Qt writes it: groups and keys in code-unit order (upper-case
// before lower-case), one blank line between groups.
QByteArray ini(const QMap<QString, QMap<QString, QString>> &groups)
{
    QStringList blocks;
    for (auto g = groups.cbegin(); g != groups.cend(); ++g) {
        QString block = "[" + g.key() + "]\n";
        for (auto k = g.value().cbegin(); k != g.value().cend(); ++k)
            block += k.key() + "=" + k.value() + "\n";
        blocks << block;
    }
    return blocks.join("\n").toUtf8();
}

void setMtime(const QString &path, qint64 secs)
{
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = time_t(secs);
    times[0].tv_nsec = times[1].tv_nsec = 0;
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

// The folder the last store made or merged into.
QString lastFolder(const QString &prefix, const QString &name)
{
    return kMeas + "/" + prefix + MeasurementData()->lastStoreDate().toString("yyyyMMdd") + "_"
           + MeasurementData()->lastStoreTime().toString("hhmmss") + "_" + name;
}

QDateTime secondsOnly(const QDateTime &t)
{
    return QDateTime::fromSecsSinceEpoch(t.toSecsSinceEpoch());
}

} // namespace

class TestMeasurements : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void storeEveryType_data();
    void storeEveryType();
    void namesAreWrittenAsQtWritesThem();
    void limitsAndNames_data();
    void limitsAndNames();
    void listingAndWorkingDirectory();
    void failedStoresLeaveNothing_data();
    void failedStoresLeaveNothing();
    void existingFolderIsMergedNotReplaced();
    void clipsAreCopiedWhole();
    void craftedInfoFiles_data();
    void craftedInfoFiles();
    void cardWithoutRoom_data();
    void cardWithoutRoom();
    void nothingIsWrittenThroughLinks();
    void folderRemovalTellsWhatStays();

private:
    QStringList entries() const { return QDir(m_root->local(kMeas)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }
    void fillStore(int count);

    std::unique_ptr<TestRoot> m_root;
    QTranslator m_english;
    QString m_startDir;
};

void TestMeasurements::initTestCase()
{
    QVERIFY(m_english.load(QStringLiteral(":/Languages/GB_TQ3900.qm")));
    QCoreApplication::installTranslator(&m_english);
    m_startDir = QDir::currentPath();
}

void TestMeasurements::init()
{
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    QVERIFY(QFileInfo(m_root->local(kMeas)).isDir()); // the simulated data partition
    QDir::setCurrent(m_startDir);
}

void TestMeasurements::cleanup()
{
    QDir::setCurrent(m_startDir);
    m_root.reset();
}

void TestMeasurements::fillStore(int count)
{
    // Older measurements, and a stray text file that counts as one.
    for (int i = 1; i < count; ++i)
        QVERIFY(QDir().mkdir(m_root->local(kMeas + QStringLiteral("/PP_20200101_%1_old").arg(i, 6, 10, QLatin1Char('0')))));
    if (count > 0)
        QVERIFY(m_root->write(kMeas + "/LE_notes.txt", "not a measurement"));
}

// ---------------------------------------------------------------------------

void TestMeasurements::storeEveryType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folderPattern");
    QTest::addColumn<QStringList>("clips");
    QTest::newRow("level") << 0 << "  Brücke  " << "LE_(\\d{8})_(\\d{6})_Brücke" << QStringList{"LE_sound.wav"};
    QTest::newRow("pinpointing") << 1 << "Garden" << "PP_(\\d{8})_(\\d{6})_Garden"
                                 << QStringList{"PP_Sound_1.wav", "PP_Sound_2.wav", "PP_Sound_4.wav"};
    QTest::newRow("pipe locating") << 2 << "Main, north" << "PL_(\\d{8})_(\\d{6})_Main, north" << QStringList();
    QTest::newRow("hydrogen") << 3 << "" << "H2_(\\d{8})_(\\d{6})_M1" << QStringList();
    QTest::newRow("long-term") << 4 << "  Garden  " << "LT_(\\d{8})_(\\d{6})_Garden" << QStringList();
}

void TestMeasurements::storeEveryType()
{
    QFETCH(int, type);
    QFETCH(QString, name);
    QFETCH(QString, folderPattern);
    QFETCH(QStringList, clips);

    // The level measurement records the receiver's position: a simulated
    // receiver with a fix. The long-term one has no receiver: 0, 0.
    std::unique_ptr<SimBoard> board;
    if (type == 0) {
        board = std::make_unique<SimBoard>(m_root->root());
        QVERIFY2(board->isRunning(), qPrintable(board->error()));
        QCOMPARE(board->send("gps pos 48.125 -11.5"), QStringLiteral("ok"));
    }
    // The gains come from the main window when the file is written.
    MainMenu w;
    if (board)
        QTRY_VERIFY_WITH_TIMEOUT(w.getGpsInstance()->isGpsDataValid() && qAbs(w.getGpsInstance()->getLatitude() - 48.125) < 1e-9, 8000);
    w.setMicGainStep(5);
    w.getBtSourceInstance()->setBtExtHeadphoneVolUp();
    w.getBtSourceInstance()->setBtExtHeadphoneVolUp();
    QCOMPARE(w.getBtSourceInstance()->getBtExtHeadphoneGain(), 10);

    // Clips the audio engine left: every one the store might copy.
    QVERIFY(m_root->write(kWavTemp + "/LE_sound.wav", "level clip"));
    for (int i = 1; i <= 10; ++i)
        QVERIFY(m_root->write(kWavTemp + QStringLiteral("/PP_Sound_%1.wav").arg(i), "clip " + QByteArray::number(i)));

    MeasInfoStructure d = garbage();
    QMap<QString, QMap<QString, QString>> expected;
    const QMap<QString, QString> gains{{"Headphone-Gain", "10"}, {"Microphone-Gain", "5"}};
    const QMap<QString, QString> bandpass{
        {"Filtertype", "Bandpass"}, {"HighCutOff-Frequency", "1250"}, {"LowCutOff-Frequency", "160"}};
    const QMap<QString, QString> unknownFilter{
        {"Filtertype", "unknown"}, {"HighCutOff-Frequency", "4294967295"}, {"LowCutOff-Frequency", "0"}};
    QString typeText;
    switch (type) {
    case 0: {
        typeText = "Levelmeasurement";
        d.level[0] = -3.5f;
        d.frequency[0] = 440;
        d.filterType = 1;
        d.filterLowCutOff = 160;
        d.filterHighCutOff = 1250;
        d.sampleRate = 7670;
        d.fftSize = 512;
        QString values = "0.000123457; 1.23457e-05; 1.23457e+06; ";
        d.fft[0] = 0.000123457f;
        d.fft[1] = 1.23457e-05f;
        d.fft[2] = 1234567.0f;
        for (int i = 3; i < 512; ++i) {
            d.fft[i] = float(i);
            values += QString::number(i) + "; ";
        }
        expected["Levels"] = {{"Frequency", "440"}, {"Level", "-3.500"}};
        expected["GPS-Positions"] = {{"GPS-Position", "\"48.125000, -11.500000\""}};
        expected["Gains"] = gains;
        expected["Filter"] = bandpass;
        expected["FFT"] = {{"FFT-Size", "512"}, {"FFT-Values", "\"" + values + "\""}, {"Samplerate", "7670"}};
        break;
    }
    case 1:
    case 2: {
        typeText = type == 1 ? "Histogram" : "Pipelocating";
        // Positions 1, 2 and 4 heard something; 3 has no level, 5 no
        // frequency, 6 to 10 were never filled.
        const float levels[] = {0, 61.25f, 40.5f, 0, 12.0f, 33.0f, 0, 0, 0, 0, 0};
        const int freqs[] = {0, 420, 380, 300, 500, 0, 0, 0, 0, 0, 0};
        for (int i = 1; i <= 10; ++i) {
            d.level[i] = levels[i];
            d.frequency[i] = freqs[i];
            d.posLat[i] = i == 1 ? 48.1234567 : i <= 5 ? 52.5 + i * 0.000001 + 0.0000003 : 0.0;
            d.posLong[i] = i <= 5 ? 13.4 : 0.0;
            expected["Levels"][QStringLiteral("Level_%1").arg(i)] = QString::number(levels[i], 'f', 3);
            expected["Levels"][QStringLiteral("Frequency_%1").arg(i)] = QString::number(freqs[i]);
            expected["GPS-Positions"][QStringLiteral("GPS-Position_%1").arg(i)] =
                i == 1  ? "\"48.123457, 13.400000\""
                : i <= 5 ? QStringLiteral("\"52.50000%1, 13.400000\"").arg(i)
                         : "\"0.000000, 0.000000\"";
        }
        d.filterType = 5;
        d.filterLowCutOff = 0;
        d.filterHighCutOff = 4294967295u;
        expected["Gains"] = gains;
        expected["Filter"] = unknownFilter;
        break;
    }
    case 3:
        typeText = "H2-Sensor";
        for (int i = 1; i <= 10; ++i) {
            d.level[i] = float(i) * 10.0f;
            d.posLat[i] = -33.9;
            d.posLong[i] = 151.2;
        }
        d.arrayCnt = 3;
        d.array[0] = 1.26f;
        d.array[1] = -2.0f;
        d.array[2] = 1000.0f;
        d.arrayInfoParameter_1 = 120;
        d.arrayInfoParameter_2 = 1000;
        for (int i = 1; i <= 10; ++i) {
            expected["Levels"][QStringLiteral("Level_%1").arg(i)] = QStringLiteral("%1.000").arg(i * 10);
            expected["GPS-Positions"][QStringLiteral("GPS-Position_%1").arg(i)] = "\"-33.900000, 151.200000\"";
        }
        expected["Levels_CSV"] = {{"H2-MaxRange", "1000"}, {"H2-ReferenceLevel", "120"}, {"Levels_Cnt", "3"},
                                  {"Levels_Data", "\"1.3; -2.0; 1000.0; \""}};
        expected["Gains"] = gains;
        break;
    case 4:
        typeText = "Longtermmeasurement";
        d.filterType = 1;
        d.filterLowCutOff = 160;
        d.filterHighCutOff = 1250;
        d.arrayCnt = 0;
        d.arrayInfoParameter_1 = 10;
        d.arrayInfoParameter_2 = 462;
        expected["GPS-Positions"] = {{"GPS-Position", "\"0.000000, 0.000000\""}};
        expected["Gains"] = gains;
        expected["Filter"] = bandpass;
        expected["Levels_CSV"] = {{"Levels_Cnt", "0"}, {"Levels_Data", ""}, {"MaxVisibleData", "462"}, {"SelectedTime", "10"}};
        break;
    }

    MessageWatcher messages;
    // The instrument's clock (the simulated receiver's fix may have set it).
    const QDateTime before = secondsOnly(SystemClock::now());
    QCOMPARE(MeasurementData()->storeMeasurement(type, name, d), 0);
    const QDateTime after = SystemClock::now();
    QCOMPARE(messages.seen, QStringList());
    QCOMPARE(QDir::currentPath(), QDir(m_root->local(kMeas)).canonicalPath());

    // One folder, named by prefix, time stamp and trimmed name.
    const QStringList folders = entries();
    QCOMPARE(folders.size(), 1);
    const QRegularExpressionMatch m = QRegularExpression("^" + folderPattern + "$").match(folders.first());
    QVERIFY2(m.hasMatch(), qPrintable(folders.first()));
    const QDateTime stamp = QDateTime::fromString(m.captured(1) + m.captured(2), "yyyyMMddhhmmss");
    QVERIFY2(stamp >= before && stamp <= after, qPrintable(stamp.toString()));
    const QString folder = kMeas + "/" + folders.first();

    // info.ini byte for byte; date and time are those of the writing.
    const QByteArray file = m_root->read(folder + "/info.ini");
    const QRegularExpressionMatch dt = QRegularExpression("Measurementdate=(\\S+)\nMeasurementname=.*\nMeasurementtime=(\\S+)\n")
                                           .match(QString::fromUtf8(file));
    QVERIFY2(dt.hasMatch(), file.constData());
    const QDateTime written = QDateTime::fromString(dt.captured(1) + " " + dt.captured(2), "dd.MM.yyyy hh:mm:ss");
    QVERIFY2(written >= before && written <= after, qPrintable(written.toString()));
    const QString trimmed = name.isEmpty() ? QStringLiteral("M1") : name.trimmed();
    QString nameInFile = trimmed;
    nameInFile.replace("üc", "\\xfc\\x63"); // Qt's escape; the hex digit after it is escaped too
    if (nameInFile.contains(','))
        nameInFile = "\"" + nameInFile + "\"";
    expected["Measurementinfo"] = {{"Firmwareversion", "1.9.0"}, {"Measurementdate", dt.captured(1)},
                                   {"Measurementname", nameInFile}, {"Measurementtime", dt.captured(2)},
                                   {"Measurementtype", typeText}};
    const QList<QByteArray> lines = file.split('\n');
    const QList<QByteArray> wanted = ini(expected).split('\n');
    for (int i = 0; i < qMax(lines.size(), wanted.size()); ++i)
        QCOMPARE(QString::fromUtf8(lines.value(i)), QString::fromUtf8(wanted.value(i)));

    // The sound copies, and nothing else beside the file.
    QStringList files = QDir(m_root->local(folder)).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    QCOMPARE(files, QStringList(clips) << "info.ini");
    for (const QString &clip : clips)
        QCOMPARE(m_root->read(folder + "/" + clip), m_root->read(kWavTemp + "/" + clip));

    // What the stored view reads back.
    MeasInfoStructure back;
    QString backName;
    QVERIFY(Measurements::readInfoFile(m_root->local(folder + "/info.ini"), type, &back, &backName));
    QCOMPARE(backName, trimmed);
    // Lists split by their counts; "unknown" filters read as none.
    const QList<float> values = type == 0   ? QList<float>{back.level[0], float(back.frequency[0]), float(back.fftSize),
                                                         back.fft[0], back.fft[2], back.fft[511]}
                                : type <= 2 ? QList<float>{back.level[1], float(back.frequency[4]), back.level[10]}
                                            : QList<float>{float(back.arrayCnt), back.array[0], back.array[2],
                                                           float(back.arrayInfoParameter_1), float(back.arrayInfoParameter_2)};
    const QList<float> wantedValues = type == 0   ? QList<float>{-3.5f, 440, 512, 0.000123457f, 1234570.0f, 511}
                                      : type <= 2 ? QList<float>{61.25f, 500, 0}
                                      : type == 3 ? QList<float>{3, 1.3f, 1000, 120, 1000}
                                                  : QList<float>{0, 0, 0, 10, 462};
    QCOMPARE(values, wantedValues);
    QCOMPARE(back.filterType, type == 0 || type == 4 ? 1 : 0);
}

void TestMeasurements::namesAreWrittenAsQtWritesThem()
{
    // Whatever a user types (the keyboard offers accents, a PC may leave
    // anything), the file holds the bytes QSettings would write, and reads
    // back as the same text.
    const QStringList names = {"Brücke", "Straße 12a", "a;b", "x=1", "Ufer, links", " lead", "trail ",
                               "quote\"in", "back\\slash", "@home", "tab\there", "日本", "😀a", QString(QChar(0x7f)) + "7"};
    const QString qtFile = m_root->local("/qt.ini");
    const QString ownFile = m_root->local("/own.ini");
    for (const QString &name : names) {
        QFile::remove(qtFile);
        {
            QSettings qt(qtFile, QSettings::IniFormat);
            qt.setValue("Measurementinfo/Measurementname", name);
        }
        InfoIni own;
        own.setValue("Measurementinfo", "Measurementname", name);
        QVERIFY(own.save(ownFile));
        QCOMPARE(m_root->read("/own.ini"), m_root->read("/qt.ini"));
        MeasInfoStructure d;
        QString back;
        QVERIFY(Measurements::readInfoFile(ownFile, 1, &d, &back));
        QCOMPARE(back, name);
    }
    // Into a folder that does not exist: a failure, and no folder is made.
    InfoIni own;
    own.setValue("Measurementinfo", "Measurementname", "x");
    QVERIFY(!own.save(m_root->local("/gone/info.ini")));
    QVERIFY(!QFileInfo::exists(m_root->local("/gone")));
}

// ---------------------------------------------------------------------------

void TestMeasurements::limitsAndNames_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("folderEnd");
    const QString warning = "Warning|Warning|Number of measurements near limit.\nPlease delete old measurements.\n(%1 / 100)";
    QTest::newRow("none stored") << 0 << "" << 0 << "_M1";
    QTest::newRow("three stored") << 3 << "" << 0 << "_M4";
    QTest::newRow("84 stored") << 84 << "" << 0 << "_M85";
    QTest::newRow("85 stored") << 85 << warning.arg(85) << 0 << "_M86";
    QTest::newRow("99 stored") << 99 << warning.arg(99) << 0 << "_M100";
    QTest::newRow("100 stored") << 100
                                << "Error|Error|Maximum number of measurements reached.\nMeasurement will not be "
                                   "stored.\nPlease delete old measurements.\n(100 / 100)"
                                << -1 << "";
}

void TestMeasurements::limitsAndNames()
{
    QFETCH(int, stored);
    QFETCH(QString, message);
    QFETCH(int, result);
    QFETCH(QString, folderEnd);
    fillStore(stored);
    const QStringList before = entries();
    QCOMPARE(MeasurementData()->getNumMeasurements(), stored);

    MessageWatcher messages;
    // A type code outside 0 to 4 writes nothing but counts as stored, after
    // the same message.
    QCOMPARE(MeasurementData()->storeMeasurement(7, "x", garbage()), result);
    QCOMPARE(messages.seen, message.isEmpty() ? QStringList() : QStringList(message));
    QCOMPARE(entries(), before);

    messages.seen.clear();
    QCOMPARE(MeasurementData()->storeMeasurement(2, QString(), garbage()), result);
    QCOMPARE(messages.seen, message.isEmpty() ? QStringList() : QStringList(message));
    QStringList added = entries();
    for (const QString &e : before)
        added.removeOne(e);
    if (folderEnd.isEmpty()) {
        QCOMPARE(added, QStringList());
    } else {
        QCOMPARE(added.size(), 1);
        QVERIFY2(added.first().startsWith("PL_") && added.first().endsWith(folderEnd), qPrintable(added.first()));
        const QByteArray file = m_root->read(kMeas + "/" + added.first() + "/info.ini");
        QVERIFY(file.contains("\nMeasurementname=" + folderEnd.mid(1).toUtf8() + "\n"));
    }
    QCOMPARE(QDir::currentPath(), QDir(m_root->local(kMeas)).canonicalPath());
}

void TestMeasurements::listingAndWorkingDirectory()
{
    const QString meas = m_root->local(kMeas);
    struct Entry {
        QString name;
        bool folder;
        qint64 mtime;
    };
    const QList<Entry> made = {{"LE_20240101_100000_a", true, 1000}, {"PP_20240101_100000_b", true, 3000},
                               {"pl_lower", true, 2000},             {"H2_x", true, 2000},
                               {"LT_y", true, 500},                  {"LE_stray.txt", false, 4000},
                               {"PS_20240101_100000_p", true, 5000}, {"notes.txt", false, 6000},
                               {"XLE_z", true, 6000}};
    for (const Entry &e : made) {
        if (e.folder)
            QVERIFY(QDir(meas).mkdir(e.name));
        else
            QVERIFY(m_root->write(kMeas + "/" + e.name, "text"));
        setMtime(meas + "/" + e.name, 1700000000 + e.mtime);
    }
    // Not listed though newest: a FIFO and a link to nothing. A link to a
    // folder counts with its own time, not its target's.
    QCOMPARE(::mkfifo(QFile::encodeName(meas + "/LE_fifo").constData(), 0644), 0);
    QVERIFY(QFile::link(meas + "/nothing", meas + "/PP_dangling"));
    QVERIFY(QFile::link(meas + "/XLE_z", meas + "/LT_link"));
    const struct timespec newest[2] = {{1700009000, 0}, {1700009000, 0}};
    const struct timespec linkTime[2] = {{1700000000 + 1500, 0}, {1700000000 + 1500, 0}};
    for (const char *e : {"/LE_fifo", "/PP_dangling"})
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(meas + e).constData(), newest, AT_SYMLINK_NOFOLLOW), 0);
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(meas + "/LT_link").constData(), linkTime, AT_SYMLINK_NOFOLLOW), 0);
    QCOMPARE(MeasurementData()->getNumMeasurements(), 7);
    QCOMPARE(QDir::currentPath(), QDir(meas).canonicalPath());
    QDir::setCurrent(m_startDir);
    const QStringList all{"LE_stray.txt", "PP_20240101_100000_b", "H2_x",           "pl_lower",
                          "LT_link",      "LE_20240101_100000_a", "LT_y"};
    QCOMPARE(MeasurementData()->getMeasurementList(), all);
    QCOMPARE(QDir::currentPath(), QDir(meas).canonicalPath());
    // The newest few, cut between two entries of equal time: the same names
    // as the whole list's first ones.
    for (int limit : {0, 3, 4, 7, 8}) {
        int count = -1;
        QCOMPARE(MeasurementData()->newestMeasurements(limit, &count), all.mid(0, limit));
        QCOMPARE(count, 7);
    }

    // Without the partition: nothing counted, nothing listed, and the working
    // directory stays, even where it holds folders that look like measurements.
    const QString elsewhere = m_root->local("/home/root/elsewhere");
    QVERIFY(QDir().mkpath(elsewhere + "/LE_20240101_100000_look-alike"));
    QVERIFY(QDir::setCurrent(elsewhere));
    QVERIFY(QDir(meas).removeRecursively());
    QCOMPARE(MeasurementData()->getNumMeasurements(), 0);
    QCOMPARE(MeasurementData()->getMeasurementList(), QStringList());
    QCOMPARE(QDir::currentPath(), QDir(elsewhere).canonicalPath());
}

// ---------------------------------------------------------------------------

void TestMeasurements::failedStoresLeaveNothing_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("partition missing") << "missing";
    QTest::newRow("name too long") << "long";
    QTest::newRow("name with a slash") << "slash";
    QTest::newRow("info.ini cannot be written") << "full";
}

void TestMeasurements::failedStoresLeaveNothing()
{
    QFETCH(QString, what);
    fillStore(3);
    QVERIFY(m_root->write(kWavTemp + "/LE_sound.wav", "level clip"));
    // The folders a store named "x" would get in the next seconds: a name
    // "x/y" must not put anything into them.
    const QDateTime now = QDateTime::currentDateTime();
    QStringList taken;
    for (int s = 0; s <= 5; ++s) {
        taken << kMeas + "/LE_" + now.addSecs(s).toString("yyyyMMdd_hhmmss") + "_x";
        QVERIFY(QDir().mkdir(m_root->local(taken.last())));
    }
    const QStringList before = entries();
    if (what == "missing")
        QVERIFY(QDir(m_root->local(kMeas)).removeRecursively());
    const QString name = what == "long" ? QString(300, 'x') : what == "slash" ? "x/y" : "fine";

    MeasInfoStructure d = garbage();
    d.fftSize = 1024;
    struct rlimit saved;
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (what == "full") {
        // Files may not grow beyond 1000 bytes: the partition is full.
        struct rlimit full = saved;
        full.rlim_cur = 1000;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &full), 0);
    }
    MessageWatcher messages;
    const int result = MeasurementData()->storeMeasurement(0, name, d);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(result, -1);
    QCOMPARE(messages.seen, QStringList("Error|Error|Measurement could not be stored.\nPlease check the SD card."));
    if (what == "missing") {
        QVERIFY(!QFileInfo::exists(m_root->local(kMeas)));
        return;
    }
    QCOMPARE(entries(), before);
    for (const QString &folder : taken)
        QCOMPARE(QDir(m_root->local(folder)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
}

void TestMeasurements::existingFolderIsMergedNotReplaced()
{
    // The folders the next seconds' store would create already exist, with
    // a clip and an info.ini of their own.
    const QDateTime now = QDateTime::currentDateTime();
    for (int s = 0; s <= 5; ++s) {
        const QString folder = kMeas + "/LE_" + now.addSecs(s).toString("yyyyMMdd_hhmmss") + "_Same";
        QVERIFY(m_root->write(folder + "/LE_sound.wav", "old clip"));
        QVERIFY(m_root->write(folder + "/info.ini", "[Levels]\nLevel=99.000\nOld=kept\n"));
    }
    QVERIFY(m_root->write(kWavTemp + "/LE_sound.wav", "new clip"));
    MeasInfoStructure d = garbage();
    d.level[0] = 12.25f;
    d.fftSize = 0;
    MessageWatcher messages;
    QCOMPARE(MeasurementData()->storeMeasurement(0, "Same", d), 0);
    QCOMPARE(messages.seen, QStringList());
    const QString folder = lastFolder("LE_", "Same");
    const QByteArray file = m_root->read(folder + "/info.ini");
    QVERIFY2(file.contains("\nFrequency=") && file.contains("\nLevel=12.250\n") && file.contains("\nOld=kept\n"),
             file.constData());
    QVERIFY(file.contains("Measurementname=Same\n"));
    QCOMPARE(m_root->read(folder + "/LE_sound.wav"), QByteArray("old clip"));
    QCOMPARE(entries().size(), 6);
}

void TestMeasurements::clipsAreCopiedWhole()
{
    MicWriter mic(*m_root);
    QVERIFY(mic.isOpen());
    AudioWorker *audio = Audioworker();
    audio->startAudioRecording();
    audio->pauseAudioRecording(false);
    audio->recordingStatus();
    for (int round = 1; round <= 12; ++round) {
        QVERIFY(mic.write(chunkOf(round, 4096)));
        QTRY_COMPARE(mic.queued(), 0);
        QTRY_VERIFY(audio->recordingStatus().queuedChunks > 0);
        // As the screens do: the clip is requested right before the store.
        MeasInfoStructure d = garbage();
        d.fftSize = 0;
        int type = 0;
        if (round % 2) {
            QCOMPARE(audio->storeAudioData("LE_sound"), 0);
        } else {
            type = 1;
            QCOMPARE(audio->storeAudioData("PP_Sound_2"), 0);
            for (int i = 1; i <= 10; ++i) {
                d.level[i] = i == 2 ? 50.0f : 0.0f;
                d.frequency[i] = 400;
            }
        }
        QCOMPARE(MeasurementData()->storeMeasurement(type, QStringLiteral("R%1").arg(round), d), 0);
        const QString folder = kMeas + "/" + (type ? "PP_" : "LE_") + MeasurementData()->lastStoreDate().toString("yyyyMMdd")
                               + "_" + MeasurementData()->lastStoreTime().toString("hhmmss") + QStringLiteral("_R%1").arg(round);
        const QString clip = type ? "/PP_Sound_2.wav" : "/LE_sound.wav";
        const QByteArray copy = m_root->read(folder + clip);
        QCOMPARE(copy.size(), 44 + 4096);
        QVERIFY(copy.mid(44) == chunkOf(round, 4096));
        QCOMPARE(QDir(m_root->local(folder)).entryList(QDir::Files).size(), 2);
    }
    audio->stopAudioRecording();
    Analoginputworker()->stopCapture();
}

// ---------------------------------------------------------------------------
// Hostile files and a full card

void TestMeasurements::craftedInfoFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QString>("name");
    QTest::addColumn<float>("level");
    QTest::addColumn<int>("count"); // fftSize and arrayCnt
    QTest::newRow("serialised value") << "serialised" << true << "" << 42.0f << 2;
    QTest::newRow("40 MB comma list") << "list40mb" << false << "" << 0.0f << 0;
    QTest::newRow("link to a file outside the root") << "link" << false << "" << 0.0f << 0;
    QTest::newRow("FIFO") << "fifo" << false << "" << 0.0f << 0;
    QTest::newRow("0 bytes") << "empty" << true << "" << 0.0f << 0;
    QTest::newRow("binary junk") << "junk" << true << "" << 0.0f << 0;
    QTest::newRow("counts far above the values") << "counts" << true << "Counts" << 0.0f << 3;
}

void TestMeasurements::craftedInfoFiles()
{
    QFETCH(QString, kind);
    QFETCH(bool, readable);
    QFETCH(QString, name);
    QFETCH(float, level);
    QFETCH(int, count);
    QTemporaryDir elsewhere;
    const QString outside = elsewhere.filePath("info.ini");
    // The folders the next seconds' store would merge into, each with the
    // crafted file.
    const QDateTime now = QDateTime::currentDateTime();
    QStringList folders;
    for (int s = 0; s <= 5; ++s) {
        folders << kMeas + "/LE_" + now.addSecs(s).toString("yyyyMMdd_hhmmss") + "_Crafted";
        QVERIFY(QDir().mkpath(m_root->local(folders.last())));
        QVERIFY(CraftedInfo::make(kind, m_root->local(folders.last() + "/info.ini"), outside));
    }
    const QByteArray outsideBefore = kind == "link" ? m_root->read(outside.mid(m_root->root().size())) : QByteArray();
    const QString file = m_root->local(folders.first() + "/info.ini");

    // What every stored view reads: bounded in time and memory.
    const long rssBefore = CraftedInfo::residentKb();
    qint64 slowest = 0;
    for (int type = 0; type <= 4; ++type) {
        auto d = std::make_unique<MeasInfoStructure>();
        QString back = "stale";
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(Measurements::readInfoFile(file, type, d.get(), &back), readable);
        slowest = qMax(slowest, clock.elapsed());
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(back, name);
        if (type == 0) {
            QCOMPARE(d->level[0], level);
            QCOMPARE(d->fftSize, count);
        } else if (type >= 3) {
            QCOMPARE(d->arrayCnt, count);
            if (count == 3)
                QCOMPARE(d->array[2], 3.5f);
        }
        QVERIFY(std::isfinite(d->level[1]) && d->fftSize <= 1024 && d->arrayCnt <= 2048);
    }
    QVERIFY2(CraftedInfo::residentKb() - rssBefore < 100 * 1024,
             qPrintable(QString::number(CraftedInfo::residentKb() - rssBefore)));
    qInfo("slowest read %lld ms, resident %ld kB more", slowest, CraftedInfo::residentKb() - rssBefore);

    // A save of that second and name merges into the folder: it stores, the
    // file is whole and readable afterwards, nothing outside is touched.
    QVERIFY(m_root->write(kWavTemp + "/LE_sound.wav", "clip"));
    MeasInfoStructure d = garbage();
    d.level[0] = 7.5f;
    d.fftSize = 0;
    MessageWatcher messages;
    QCOMPARE(MeasurementData()->storeMeasurement(0, "Crafted", d), 0);
    QCOMPARE(messages.seen, QStringList());
    const QString folder = lastFolder("LE_", "Crafted");
    QVERIFY(folders.contains(folder));
    const QString merged = m_root->local(folder + "/info.ini");
    QVERIFY(QFileInfo(merged).isFile() && !QFileInfo(merged).isSymLink());
    QVERIFY(QFileInfo(merged).size() < InfoIni::kMaxFileBytes);
    QString back;
    QVERIFY(Measurements::readInfoFile(merged, 0, &d, &back));
    QCOMPARE(back, QStringLiteral("Crafted"));
    QCOMPARE(d.level[0], 7.5f);
    QVERIFY(!m_root->read(folder + "/info.ini").contains("@Variant"));
    QCOMPARE(m_root->read(folder + "/LE_sound.wav"), QByteArray("clip"));
    if (kind == "link")
        QCOMPARE(m_root->read(outside.mid(m_root->root().size())), outsideBefore);
}

namespace {

// A small file system in place of the data partition, as a card with
// little room left; nullptr where mounting is not allowed.
struct SmallCard
{
    QString path;
    bool mounted = false;
    SmallCard(const QString &at, int kib) : path(at)
    {
        const QByteArray options = "size=" + QByteArray::number(kib) + "k";
        mounted = ::mount("tmpfs", QFile::encodeName(at).constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~SmallCard()
    {
        if (mounted)
            ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
    }
};

} // namespace

void TestMeasurements::cardWithoutRoom_data()
{
    QTest::addColumn<bool>("roomForInfo");
    QTest::newRow("room for the info.ini, not the clips") << true;
    QTest::newRow("room for nothing") << false;
}

void TestMeasurements::cardWithoutRoom()
{
    QFETCH(bool, roomForInfo);
    // Clips of 64 KiB: one does not fit into the 16 KiB left.
    for (int i = 1; i <= 3; ++i)
        QVERIFY(m_root->write(kWavTemp + QStringLiteral("/PP_Sound_%1.wav").arg(i), QByteArray(64 * 1024, char('0' + i))));
    const QString meas = m_root->local(kMeas);
    SmallCard card(meas, 16);
    struct rlimit saved;
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (card.mounted) {
        QVERIFY(QDir(meas).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
        if (!roomForInfo) // what is left filled up
            QVERIFY(m_root->write(kMeas + "/filler", QByteArray(16 * 1024, 'f')));
    } else {
        // Without the right to mount: files may not grow beyond the room.
        qInfo("tmpfs not mounted (%s): file size limit instead", std::strerror(errno));
        struct rlimit small = saved;
        small.rlim_cur = roomForInfo ? 16 * 1024 : 0;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    const QStringList before = entries();
    MeasInfoStructure d = garbage();
    for (int i = 1; i <= 10; ++i) {
        d.level[i] = i <= 3 ? 40.0f : 0.0f;
        d.frequency[i] = 300;
    }
    MessageWatcher messages;
    const int result = MeasurementData()->storeMeasurement(1, "Full", d);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(result, -1);
    QCOMPARE(messages.seen, QStringList("Error|Error|Measurement could not be stored.\nPlease check the SD card."));
    QCOMPARE(entries(), before);
    QCOMPARE(MeasurementData()->getNumMeasurements(), 0);
}

void TestMeasurements::nothingIsWrittenThroughLinks()
{
    QTemporaryDir elsewhere;
    QVERIFY(m_root->write(kWavTemp + "/LE_sound.wav", "clip"));
    MeasInfoStructure d = garbage();
    d.fftSize = 0;
    const auto outsideEntries = [&elsewhere] {
        return QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    };

    // The measurement folders of the next seconds are links to a folder
    // outside the root.
    const QDateTime now = QDateTime::currentDateTime();
    for (int s = 0; s <= 5; ++s)
        QVERIFY(QFile::link(elsewhere.path(), m_root->local(kMeas + "/LE_" + now.addSecs(s).toString("yyyyMMdd_hhmmss") + "_Linked")));
    {
        MessageWatcher messages;
        QCOMPARE(MeasurementData()->storeMeasurement(0, "Linked", d), -1);
        QCOMPARE(messages.seen.size(), 1);
    }
    QCOMPARE(outsideEntries(), QStringList());

    // A merged folder whose info.ini and clip are links out: both stay
    // untouched, the info.ini becomes a file of the folder.
    QVERIFY(QFile(elsewhere.filePath("target.ini")).open(QIODevice::WriteOnly));
    for (int s = 0; s <= 5; ++s) {
        const QString folder = m_root->local(kMeas + "/LE_" + now.addSecs(s).toString("yyyyMMdd_hhmmss") + "_Merged");
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(QFile::link(elsewhere.filePath("target.ini"), folder + "/info.ini"));
        QVERIFY(QFile::link(elsewhere.filePath("target.wav"), folder + "/LE_sound.wav"));
    }
    {
        MessageWatcher messages;
        QCOMPARE(MeasurementData()->storeMeasurement(0, "Merged", d), 0);
        QCOMPARE(messages.seen, QStringList());
    }
    QCOMPARE(outsideEntries(), QStringList{"target.ini"});
    QCOMPARE(QFileInfo(elsewhere.filePath("target.ini")).size(), 0);

    // The store itself is a link to a folder outside: nothing is counted,
    // listed or written.
    QVERIFY(QDir(m_root->local(kMeas)).removeRecursively());
    QVERIFY(QFile::link(elsewhere.path(), m_root->local(kMeas)));
    {
        MessageWatcher messages;
        QCOMPARE(MeasurementData()->storeMeasurement(0, "Out", d), -1);
        QCOMPARE(messages.seen.size(), 1);
    }
    QCOMPARE(MeasurementData()->getMeasurementList(), QStringList());
    QCOMPARE(outsideEntries(), QStringList{"target.ini"});
}

// A folder holding a subfolder that can be entered and read but not
// searched: its files cannot be looked at, and the way back up out of it
// is closed. The removal takes what it can and reports that something
// stays. Done by a child process without the rights of the test's user
// (in a user namespace of its own when the test runs as root).
void TestMeasurements::folderRemovalTellsWhatStays()
{
    QTemporaryDir place;
    QVERIFY(place.isValid());
    QVERIFY(QFile::setPermissions(place.path(), QFileDevice::Permissions(0x7777)));
    const QString folder = place.filePath("LE_20261208_101010_x");
    QVERIFY(QDir().mkpath(folder + "/locked"));
    QVERIFY(m_root->write(kWavTemp + "/any", "x")); // the test root stays untouched
    QFile clip(folder + "/LE_sound.wav");
    QVERIFY(clip.open(QIODevice::WriteOnly));
    clip.close();
    QVERIFY(QFile::setPermissions(folder, QFileDevice::Permissions(0x7777)));
    // Read and write for all, search for none.
    QCOMPARE(::chmod(QFile::encodeName(folder + "/locked").constData(), 0666), 0);

    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        if (::geteuid() == 0 && ::unshare(CLONE_NEWUSER) != 0)
            ::_exit(77);
        ::_exit(Measurements::removeEntry(folder) ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        QSKIP("no user namespace to drop the rights in");
    QCOMPARE(WEXITSTATUS(status), 1);
    QVERIFY(!QFileInfo::exists(folder + "/LE_sound.wav"));
    QVERIFY(QFileInfo(folder + "/locked").isDir());

    // With the rights, all of it goes; so does a plain file, and a name
    // that is gone already is no failure.
    QCOMPARE(::chmod(QFile::encodeName(folder + "/locked").constData(), 0755), 0);
    QVERIFY(Measurements::removeEntry(folder));
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(Measurements::removeEntry(folder));
    QVERIFY(Measurements::removeEntry(m_root->local(kWavTemp + "/any")));
    QVERIFY(!m_root->exists(kWavTemp + "/any"));
}

QTEST_MAIN(TestMeasurements)
#include "tst_measurements.moc"
