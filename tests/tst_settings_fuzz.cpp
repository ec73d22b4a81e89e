// The settings file against random texts and damaged files, a fixed number
// of cases from a fixed seed (the time only bounds them):
// - texts of every kind written by QSettings read back the same with the
//   store's reader, and the store's writer is read back the same by QSettings
//   (the file stays readable by both);
// - mutated settings files, with serialised values, binary junk, huge lines
//   and keys mixed in, parse quickly and without exceptions; the values read
//   written anew read back unchanged and clean (the repair is complete); now
//   and then the whole store loads such a file and repairs it; the writer
//   never writes a line the reader would skip.
//
// TQ3900_FUZZ_SECONDS bounds the time (default 15 s), TQ3900_FUZZ_CASES sets
// the number of cases of each part.
#include "fuzzduration.h"
#include "globals.h"
#include "settingsfile.h"
#include "systemsettings.h"
#include "testroot.h"

#include <QApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QtTest>

#include <iterator>

namespace {

const int kDefaultSeconds = 45;
// Cases of each part: a few seconds each under the sanitizers.
const int kTextCases = 300;
const int kMutantCases = 6000;

// Groups and keys of the store, as in a file it wrote.
const char *const kKeys[][2] = {
    {"Bluetooth", "Headphone_Name"}, {"Bluetooth", "Headphone_ID"}, {"Bluetooth", "Microphone_ID"},
    {"Debug", "Debugfeatures"}, {"Local-Settings", "Language"}, {"Local-Settings", "Timezone"},
    {"Local-Settings", "TimezoneOffset"}, {"Systemsettings", "Switchmode"},
    {"Systemsettings", "Brightness"}, {"Systemsettings", "HeadphoneVolumeOffset"},
    {"Dialogconfiguration", "LevelMeasurement_ShowFft"}};
const int kKeyCount = int(sizeof(kKeys) / sizeof(kKeys[0]));

const char *const kHostileValues[] = {
    "@Variant(\\0\\0\\0\\v\\x7f\\xff\\xff\\xff)", "@Variant(\\0\\0\\0\\x10\\0\\0\\0\\x1)",
    "@ByteArray(\\xff\\xfe)", "@DateTime(\\0\\0\\0\\x10\\0\\0\\0\\0)", "@Rect(1 2 3 4)", "@Size(-1 -1)",
    "@String(x)", "@Invalid()", "\"@Variant(\\0\\0\\0\\v\\x7f\\xff\\xff\\xff)\"", "\\x", "\\xffffffffffffffffff",
    "\\777777777777", "\"unterminated", "a,b,c,d", "\"\"\"\"", ";", "\\", "@@"};

QString settingsPath(const TestRoot &root)
{
    return root.local(QStringLiteral("/home/root/settings.ini"));
}

class Random
{
public:
    explicit Random(quint32 seed) : m_rng(seed) {}
    int below(int n) { return n > 0 ? int(m_rng.bounded(quint32(n))) : 0; }

    // A text with the characters that need care in an INI file.
    QString text()
    {
        static const ushort kPool[] = {'a', 'Z', '0', '7', 'f', ' ', ' ', '\t', ',', ';', '=', '"', '\\', '@',
                                       '[', ']', '%', '#', '\n', '\r', 0, 1, 0x1f, 0x7f, 0xe4, 0x20ac, 0x4e2d};
        QString s;
        const int n = below(24);
        for (int i = 0; i < n; ++i) {
            if (below(20) == 0) {
                s += QString::fromUcs4(U"\U0001F600"); // a pair of surrogates
                continue;
            }
            s += QChar(kPool[below(int(sizeof(kPool) / sizeof(kPool[0])))]);
        }
        return s;
    }

    QByteArray mutate(QByteArray file)
    {
        const int rounds = below(4) + 1;
        for (int r = 0; r < rounds; ++r) {
            const int at = below(file.size() + 1);
            switch (below(8)) {
            case 0:
                if (at < file.size())
                    file[at] = char(below(256));
                break;
            case 1: file.insert(at, QByteArray(kHostileValues[below(int(std::size(kHostileValues)))])); break;
            case 2: { // a key's value replaced by a hostile one
                const int eq = file.indexOf('=', at);
                const int end = file.indexOf('\n', eq);
                if (eq >= 0)
                    file.replace(eq + 1, (end < 0 ? file.size() : end) - eq - 1,
                                 kHostileValues[below(int(std::size(kHostileValues)))]);
                break;
            }
            case 3: file.insert(at, QByteArray(below(9000), char('a' + below(3))) + (below(2) ? "," : "")); break;
            case 4: file.remove(at, below(40)); break;
            case 5: {
                QByteArray junk;
                for (int i = below(64); i > 0; --i)
                    junk += char(below(256));
                file.insert(at, junk);
                break;
            }
            case 6: file.insert(at, QByteArray("\n[") + kKeys[below(kKeyCount)][0] + "]\n"); break;
            case 7:
                for (int i = below(400); i > 0; --i)
                    file.insert(at, "k" + QByteArray::number(i) + "=v\n");
                break;
            }
        }
        return file;
    }

private:
    QRandomGenerator m_rng;
};

// Values of the store's keys in a parsed file; a null text for a missing key.
QStringList valuesOf(const SettingsFile &f)
{
    QStringList values;
    for (const auto &k : kKeys)
        values << (f.contains(k[0], k[1]) ? f.text(k[0], k[1], QString()) : QString());
    return values;
}

} // namespace

class TestSettingsFuzz : public QObject
{
    Q_OBJECT

private slots:
    void init() { g_debugFeatures = 0; }
    void formatAgreesWithQSettings();
    void mutatedFiles();
    void writtenLinesStayReadable();
    void durationKnobOutlastsTheFunctionTimeOut();
};

void TestSettingsFuzz::formatAgreesWithQSettings()
{
    FuzzCases cases(kTextCases, fuzzSeconds(kDefaultSeconds) / 3);
    TestRoot root;
    Random r(fuzzSeed(4711));
    int files = 0;
    auto name = [](int i) { return QLatin1String(kKeys[i][0]) + QLatin1Char('/') + QLatin1String(kKeys[i][1]); };
    while (cases.next()) {
        QStringList texts;
        for (int i = 0; i < kKeyCount; ++i)
            texts << r.text();
        // QSettings keeps the files it knows in a cache: a new name each time
        // makes it read from the disk.
        const QString theirs = root.local(QStringLiteral("/home/root/q%1.ini").arg(files));
        const QString ours = root.local(QStringLiteral("/home/root/o%1.ini").arg(files));

        // QSettings writes, the store's reader reads. (QSettings drops
        // characters beyond 16 bits as it writes; those are left out here.)
        QStringList bmp = texts;
        for (QString &t : bmp) {
            QString kept;
            for (QChar c : qAsConst(t))
                if (!c.isSurrogate())
                    kept += c;
            t = kept;
        }
        {
            QSettings s(theirs, QSettings::IniFormat);
            s.setIniCodec("UTF-8");
            for (int i = 0; i < kKeyCount; ++i)
                s.setValue(name(i), bmp.at(i));
        }
        SettingsFile read;
        QCOMPARE(read.load(theirs), RegularFile::Status::Ok);
        QVERIFY2(!read.isDamaged(), qPrintable(read.problems().join(QStringLiteral("; "))));
        for (int i = 0; i < kKeyCount; ++i)
            QCOMPARE(read.text(kKeys[i][0], kKeys[i][1], QStringLiteral("<missing>")), bmp.at(i));

        // The store's writer writes, QSettings and the store's reader read.
        SettingsFile writer;
        const char *group = nullptr;
        for (int i = 0; i < kKeyCount; ++i) {
            if (!group || qstrcmp(group, kKeys[i][0]) != 0)
                writer.beginGroup(group = kKeys[i][0]);
            writer.setText(kKeys[i][1], texts.at(i));
        }
        QString note;
        QVERIFY(SettingsFile::save(ours, writer.content(), &note));
        SettingsFile again;
        again.load(ours);
        {
            QSettings s(ours, QSettings::IniFormat);
            s.setIniCodec("UTF-8");
            for (int i = 0; i < kKeyCount; ++i) {
                QCOMPARE(s.value(name(i)).toString(), texts.at(i));
                QCOMPARE(again.text(kKeys[i][0], kKeys[i][1], QStringLiteral("<missing>")), texts.at(i));
            }
        }
        QFile::remove(theirs);
        QFile::remove(ours);
        ++files;
    }
    qInfo("%d files written both ways", files);
}

void TestSettingsFuzz::mutatedFiles()
{
    FuzzCases cases(kMutantCases, fuzzSeconds(kDefaultSeconds) * 2 / 3);
    TestRoot root;
    // A file as the store writes it, with texts in every field.
    {
        Systemsettings s;
    }
    const QByteArray base = root.read(QStringLiteral("/home/root/settings.ini"))
            .replace("Headphone_Name=", "Headphone_Name=\"Ear, left; right \\\"x\\\"\"")
            .replace("Microphone_ID=", "Microphone_ID=02:00:00:39:01:02");
    Random r(fuzzSeed(1207));
    int files = 0;
    int damaged = 0;
    int stores = 0;
    int cut = 0;
    while (cases.next()) {
        const QByteArray mutant = r.mutate(base);
        QElapsedTimer step;
        step.start();
        SettingsFile parsed;
        parsed.parse(mutant);
        QVERIFY2(step.elapsed() < 1000, "a file took longer than a second to parse");
        damaged += parsed.isDamaged() ? 1 : 0;

        // What was read, written anew, reads back the same and clean.
        const QStringList values = valuesOf(parsed);
        SettingsFile writer;
        const char *group = nullptr;
        for (int i = 0; i < kKeyCount; ++i) {
            if (values.at(i).isNull())
                continue;
            if (!group || qstrcmp(group, kKeys[i][0]) != 0)
                writer.beginGroup(group = kKeys[i][0]);
            writer.setText(kKeys[i][1], values.at(i));
        }
        // Never a line the reader skips: a value whose escaped form would
        // not fit a line (raw control bytes read one byte each, written four)
        // keeps its longest start that does.
        SettingsFile reread;
        reread.parse(writer.content());
        QVERIFY2(!reread.isDamaged(), qPrintable(reread.problems().join(QStringLiteral("; "))));
        const QStringList back = valuesOf(reread);
        for (int i = 0; i < kKeyCount; ++i) {
            if (back.at(i) == values.at(i))
                continue;
            QVERIFY(!back.at(i).isNull() && values.at(i).startsWith(back.at(i)));
            QVERIFY(values.at(i).toUtf8().size() > SettingsFile::kMaxLineBytes / 4);
            ++cut;
        }

        // The whole store on the file now and then: it repairs what it found
        // damaged, and the repaired file loads without a problem.
        if (files % 200 == 0) {
            QVERIFY(root.write(QStringLiteral("/home/root/settings.ini"), mutant));
            Systemsettings s;
            if (parsed.isDamaged()) {
                SettingsFile repaired;
                repaired.load(settingsPath(root));
                QVERIFY2(!repaired.isDamaged(), qPrintable(repaired.problems().join(QStringLiteral("; "))));
                ++stores;
            }
            QVERIFY(s.getBtIdMicrophone().isEmpty() || Systemsettings::isBluetoothAddress(s.getBtIdMicrophone()));
            QVERIFY(s.getHeadphoneVolumeOffset() >= -4 && s.getHeadphoneVolumeOffset() <= 10);
        }
        ++files;
    }
    qInfo("%d files, %d with damage, %d repaired by the store, %d values cut to fit", files, damaged, stores, cut);
    QVERIFY(damaged > 0 || files < 10);
}

void TestSettingsFuzz::writtenLinesStayReadable()
{
    // Values read from lines within the reader's limit, written anew by the
    // whole store: each comes back at the next start. A control character
    // followed by hex digits was once written at four times its length.
    TestRoot root;
    const QString hexRun = QChar(1) + QString(1200, QLatin1Char('a')) + QStringLiteral("0123456789");
    const QByteArray controls(1500, '\x01'); // raw: one byte each, "\x1" when written
    QVERIFY(root.write(QStringLiteral("/home/root/settings.ini"),
                       "[Local-Settings]\nTimezone=\x01" + QByteArray(1200, 'a') + "0123456789\n"
                       "[Systemsettings]\nBrightness=7\n"
                       "[Extra]\nOwn=" + QByteArray(1, 0) + QByteArray(1000, '7') + "\nControls=" + controls + "\n"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Controls written cut to"));
    {
        Systemsettings s;
        s.storeSystemsettings();
    }
    const QByteArray file = root.read(QStringLiteral("/home/root/settings.ini"));
    for (const QByteArray &line : file.split('\n'))
        QVERIFY2(line.size() <= SettingsFile::kMaxLineBytes, line.left(40).constData());
    QVERIFY2(file.contains("Timezone=\\x1\"\"aaaa"), file.left(300).constData());
    SettingsFile again;
    QCOMPARE(again.load(settingsPath(root)), RegularFile::Status::Ok);
    QVERIFY2(!again.isDamaged(), qPrintable(again.problems().join(QStringLiteral("; "))));
    QCOMPARE(again.text("Local-Settings", "Timezone", QString()), hexRun);
    QCOMPARE(again.text("Extra", "Own", QString()), QChar(0) + QString(1000, QLatin1Char('7')));
    QCOMPARE(again.text("Systemsettings", "Brightness", QString()), QStringLiteral("7"));
    // Too long escaped whatever is done: its longest start that fits.
    const QString kept = again.text("Extra", "Controls", QString());
    QVERIFY(kept.size() > 1000 && kept.size() < controls.size());
    QCOMPARE(kept, QString(kept.size(), QChar(1)));
    // QSettings reads the file the same.
    QSettings theirs(settingsPath(root), QSettings::IniFormat);
    theirs.setIniCodec("UTF-8");
    QCOMPARE(theirs.value("Local-Settings/Timezone").toString(), hexRun);
    QCOMPARE(theirs.value("Extra/Controls").toString(), kept);
}

void TestSettingsFuzz::durationKnobOutlastsTheFunctionTimeOut()
{
    // This program once more, one fuzz function for 2 s (a third of the
    // knob) under a QtTest function time-out of 1 s: the knob wins.
    if (qEnvironmentVariableIsSet("TQ3900_FUZZ_CHILD"))
        QSKIP("inside the child");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TQ3900_FUZZ_CHILD"), QStringLiteral("1"));
    env.insert(QStringLiteral("TQ3900_FUZZ_SECONDS"), QStringLiteral("6"));
    env.insert(QStringLiteral("TQ3900_FUZZ_CASES"), QStringLiteral("100000000")); // runs to the bound
    env.insert(QStringLiteral("QTEST_FUNCTION_TIMEOUT"), QStringLiteral("1000"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer t;
    t.start();
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("formatAgreesWithQSettings")});
    QVERIFY(child.waitForFinished(60000));
    const QByteArray output = child.readAll();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.right(2000).constData());
    QVERIFY(output.contains("PASS   : TestSettingsFuzz::formatAgreesWithQSettings()"));
    // The function did run past the second it would otherwise have had.
    QVERIFY2(t.elapsed() >= 2000, qPrintable(QString::number(t.elapsed())));
}

int main(int argc, char *argv[])
{
    allowFuzzDuration(fuzzSeconds(kDefaultSeconds));
    QApplication app(argc, argv); // the store is also a screen
    TestSettingsFuzz tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_settings_fuzz.moc"
