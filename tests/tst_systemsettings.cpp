#include "globals.h"
#include "systemsettings.h"
#include "testroot.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTranslator>
#include <QtTest>

#include <sys/stat.h>

#include <climits>

namespace {

const QString kSettings = QStringLiteral("/home/root/settings.ini");

// Every key of the file with the text a new instrument writes.
struct DefaultKey
{
    const char *path;
    const char *text;
};
const DefaultKey kDefaults[] = {
    {"Bluetooth/Headphone_Name", ""},
    {"Bluetooth/Headphone_ID", ""},
    {"Bluetooth/Microphone_Name", ""},
    {"Bluetooth/Microphone_ID", ""},
    {"Debug/Debugfeatures", "0"},
    {"Local-Settings/Language", "1"},
    {"Local-Settings/Timezone", "Berlin (+1 h)"},
    {"Local-Settings/TimezoneNum", "13"},
    {"Local-Settings/TimezoneOffset", "3600"},
    {"Local-Settings/DaylightSavingTime", "0"},
    {"Local-Settings/Dateformat", "DDMMYYYY"},
    {"Local-Settings/DateTimeSource", "GPS"},
    {"Systemsettings/Switchmode", "Switch"},
    {"Systemsettings/FavouriteButton", "2"},
    {"Systemsettings/Brightness", "6"},
    {"Systemsettings/PowerOffTime", "3600"},
    {"Systemsettings/DisplayOffTime", "600"},
    {"Systemsettings/HearingProtection", "false"},
    {"Systemsettings/HeadphoneVolumeOffset", "0"},
    {"Dialogconfiguration/LevelMeasurement_ShowFft", "true"},
    {"Dialogconfiguration/LevelMeasurement_ShowFrequencyValue", "true"},
    {"Dialogconfiguration/LevelMeasurement_UseFrequencyColorForLevelbar", "false"},
    {"Dialogconfiguration/LevelMeasurement_ShowPeakLevelBar", "false"},
    {"Dialogconfiguration/Pinpointing_ShowFrequencyValue", "true"},
    {"Dialogconfiguration/Pinpointing_UseFrequencyColorForLevelbar", "false"},
    {"Dialogconfiguration/Pinpointing_ShowFilterParameter", "true"},
    {"Dialogconfiguration/Pinpointing_DynamicScaling", "true"},
    {"Dialogconfiguration/Longterm_ShowFrequencyValue", "true"},
    {"Dialogconfiguration/Longterm_UseFrequencyColorForLevelbar", "false"},
    {"Dialogconfiguration/Longterm_ShowGrid", "true"},
    {"Dialogconfiguration/Longterm_ShowFilterParameter", "true"},
    {"Dialogconfiguration/H2Sensor_ShowHistogram", "true"},
    {"Dialogconfiguration/H2Sensor_ShowGrid", "false"},
    {"Dialogconfiguration/H2Sensor_DynamicScaling", "true"},
    {"Dialogconfiguration/H2Sensor_ShowWorkingRange", "false"},
    {"Dialogconfiguration/Pipelocating_ShowFft", "false"},
    {"Dialogconfiguration/Pipelocating_UseFrequencyColorForLevelbar", "false"},
    {"Dialogconfiguration/Pipelocating_ShowFrequencyValue", "true"},
    {"Dialogconfiguration/Pipelocating_ShowFilterParameter", "true"},
    {"Dialogconfiguration/Startup_UseFavouriteForStartup", "false"},
    {"Dialogconfiguration/Startup_UseFilterForStartup", "false"},
    {"Dialogconfiguration/Startup_UseGpsForStartup", "true"},
};
const int kKeyCount = int(sizeof(kDefaults) / sizeof(kDefaults[0]));

// The display-flag getters with their keys and defaults.
struct FlagGetter
{
    const char *key;
    bool (Systemsettings::*getter)() const;
    bool def;
};
const FlagGetter kFlags[] = {
    {"LevelMeasurement_ShowFft", &Systemsettings::isShowFftEnabled, true},
    {"LevelMeasurement_ShowFrequencyValue", &Systemsettings::isShowFrequencyValueEnabled, true},
    {"LevelMeasurement_UseFrequencyColorForLevelbar", &Systemsettings::isUseFrequColorForBarEnabled, false},
    {"LevelMeasurement_ShowPeakLevelBar", &Systemsettings::isShowPeakLevelBarEnabled, false},
    {"Pinpointing_ShowFrequencyValue", &Systemsettings::isPPShowFrequencyValueEnabled, true},
    {"Pinpointing_UseFrequencyColorForLevelbar", &Systemsettings::isPPUseFrequColorForBarEnabled, false},
    {"Pinpointing_ShowFilterParameter", &Systemsettings::isPPShowFilterParameterEnabled, true},
    {"Pinpointing_DynamicScaling", &Systemsettings::isPPDynamicScalingEnabled, true},
    {"Longterm_ShowFrequencyValue", &Systemsettings::isLTShowFrequencyValueEnabled, true},
    {"Longterm_UseFrequencyColorForLevelbar", &Systemsettings::isLTUseFrequColorForBarEnabled, false},
    {"Longterm_ShowGrid", &Systemsettings::isLTShowGridEnabled, true},
    {"Longterm_ShowFilterParameter", &Systemsettings::isLTShowFilterParameterEnabled, true},
    {"H2Sensor_ShowHistogram", &Systemsettings::isH2ShowHistogramEnabled, true},
    {"H2Sensor_ShowGrid", &Systemsettings::isH2ShowGridEnabled, false},
    {"H2Sensor_DynamicScaling", &Systemsettings::isH2DynamicScalingEnabled, true},
    {"H2Sensor_ShowWorkingRange", &Systemsettings::isH2ShowWorkingRangeEnabled, false},
    {"Pipelocating_ShowFft", &Systemsettings::isPLShowFftEnabled, false},
    {"Pipelocating_UseFrequencyColorForLevelbar", &Systemsettings::isPLUseFrequColorForBarEnabled, false},
    {"Pipelocating_ShowFrequencyValue", &Systemsettings::isPLShowFrequencyValueEnabled, true},
    {"Pipelocating_ShowFilterParameter", &Systemsettings::isPLShowFilterParameterEnabled, true},
    {"Startup_UseFavouriteForStartup", &Systemsettings::isSUUseFavouriteForStartupEnabled, false},
    {"Startup_UseFilterForStartup", &Systemsettings::isSUUseFilterForStartupEnabled, false},
    {"Startup_UseGpsForStartup", &Systemsettings::isSUUseGpsForStartupEnabled, true},
};
const int kFlagCount = int(sizeof(kFlags) / sizeof(kFlags[0]));

// Replaces the settings file with the given bytes.
void writeSettings(const TestRoot &root, const QByteArray &content)
{
    QFile f(root.local(kSettings));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(content), qint64(content.size()));
}

QByteArray settingsBytes(const TestRoot &root)
{
    return root.read(kSettings);
}

ino_t inodeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// The file parsed by QSettings: "group/key" -> value as text.
QMap<QString, QString> parseSettings(const TestRoot &root, QSettings::Status *status = nullptr)
{
    QSettings s(root.local(kSettings), QSettings::IniFormat);
    s.setIniCodec("UTF-8");
    QMap<QString, QString> out;
    for (const QString &key : s.allKeys())
        out.insert(key, s.value(key).toString());
    if (status)
        *status = s.status();
    return out;
}

QMap<QString, QString> defaultMap()
{
    QMap<QString, QString> map;
    for (const DefaultKey &k : kDefaults)
        map.insert(QLatin1String(k.path), QString::fromUtf8(k.text));
    return map;
}

// Collects the debug output while alive.
class MessageCapture
{
public:
    MessageCapture()
    {
        s_messages.clear();
        m_previous = qInstallMessageHandler(&MessageCapture::handler);
        s_previous = m_previous;
    }
    ~MessageCapture() { qInstallMessageHandler(m_previous); }
    bool contains(const QString &text) const { return s_messages.contains(text); }

private:
    static void handler(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
    {
        s_messages << msg;
        if (s_previous)
            s_previous(type, ctx, msg);
    }
    QtMessageHandler m_previous = nullptr;
    static QStringList s_messages;
    static QtMessageHandler s_previous;
};
QStringList MessageCapture::s_messages;
QtMessageHandler MessageCapture::s_previous = nullptr;

const QString kCreateLine = QStringLiteral("File für Systemeinstellungen mit Defaultwerten erzeugen");

// Marks every text it translates, so that the context used can be checked.
class MarkingTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        return QStringLiteral("<%1:%2>").arg(QLatin1String(context), QString::fromUtf8(sourceText));
    }
    bool isEmpty() const override { return false; }
};

} // namespace

class TestSystemsettings : public QObject
{
    Q_OBJECT

private slots:
    void init() { g_debugFeatures = 0; }

    // Creation and loading
    void firstStartWritesDefaults();
    void existingFileIsNotRewritten();
    void unreadableFileFallsBackToDefaults();
    void garbageFileLoadsDefaults();
    void recordLoadsFromFile();
    void displayFlagKeys_data();
    void displayFlagKeys();
    void booleanTexts_data();
    void booleanTexts();
    void integerTexts_data();
    void integerTexts();
    void missingKeysTakeDefaults();
    void daylightSavingOffset_data();
    void daylightSavingOffset();
    void utf8Texts();

    // Texts and trimming
    void bluetoothTextsTrimmed();
    void bluetoothAddressShape_data();
    void bluetoothAddressShape();
    void switchmodeExact_data();
    void switchmodeExact();
    void switchmodeTrimmedByStore();
    void commaTextsRoundTrip_data();
    void commaTextsRoundTrip();

    // Storing
    void storeIsAtomic();
    void debugFeaturesRoundTrip();
    void resetAfterChanges();
    void clearBluetoothDevices();

    // Favourite
    void favouriteNames_data();
    void favouriteNames();
    void unknownFavouriteCorrectedInMemoryOnly();
    void setFavouriteButton_data();
    void setFavouriteButton();

    // Text helpers
    void convertTimeToText_data();
    void convertTimeToText();
    void dateFormatString_data();
    void dateFormatString();
    void convertDateFormatToInt_data();
    void convertDateFormatToInt();
    void convertDateTimeSourceToInt_data();
    void convertDateTimeSourceToInt();
    void languageName_data();
    void languageName();
    void translationContexts();

    // Screen
    void formAndBackButton();
    void initReloadsAndCounts();
};

void TestSystemsettings::firstStartWritesDefaults()
{
    TestRoot root;
    QVERIFY(root.isValid());
    QVERIFY(!root.exists(kSettings));
    g_debugFeatures = 1;

    MessageCapture capture;
    Systemsettings s;
    QVERIFY(capture.contains(kCreateLine));
    QVERIFY(root.exists(kSettings));
    QCOMPARE(g_debugFeatures, 0);

    QSettings::Status status = QSettings::AccessError;
    QCOMPARE(parseSettings(root, &status), defaultMap());
    QCOMPARE(status, QSettings::NoError);
    QSettings parsed(root.local(kSettings), QSettings::IniFormat);
    QCOMPARE(parsed.childGroups(),
             QStringList({"Bluetooth", "Debug", "Dialogconfiguration", "Local-Settings", "Systemsettings"}));
    QVERIFY(parsed.childKeys().isEmpty());

    // Booleans and integers are written as plain text.
    const QByteArray raw = settingsBytes(root);
    QVERIFY(raw.contains("\nHearingProtection=false\n"));
    QVERIFY(raw.contains("\nLongterm_ShowGrid=true\n"));
    QVERIFY(raw.contains("\nTimezoneOffset=3600\n"));

    // The record in memory is the one just written.
    QCOMPARE(s.getBrightness(), 6);
    QCOMPARE(s.getFormatStringDate(), QStringLiteral("dd.MM.yyyy"));
    QVERIFY(s.isMuteKeySwitchmode());
    QString text;
    QCOMPARE(s.getFavouriteButton(&text), 2);
    QCOMPARE(text, QStringLiteral("LevelMeasurement"));
    for (const FlagGetter &f : kFlags)
        QVERIFY2((s.*f.getter)() == f.def, f.key);
}

void TestSystemsettings::existingFileIsNotRewritten()
{
    TestRoot root;
    const QByteArray content = "[Systemsettings]\nBrightness=7\n";
    writeSettings(root, content);
    const ino_t inode = inodeOf(root.local(kSettings));

    MessageCapture capture;
    Systemsettings s;
    QVERIFY(!capture.contains(kCreateLine));
    QCOMPARE(settingsBytes(root), content);
    QCOMPARE(inodeOf(root.local(kSettings)), inode);
    QCOMPARE(s.getBrightness(), 7);
}

void TestSystemsettings::unreadableFileFallsBackToDefaults()
{
    // A folder in place of the file can be neither read nor replaced.
    TestRoot root;
    QVERIFY(QDir().mkpath(root.local(kSettings)));
    g_debugFeatures = 1;

    MessageCapture capture;
    Systemsettings s;
    QVERIFY(capture.contains(kCreateLine));
    QVERIFY(QFileInfo(root.local(kSettings)).isDir());
    QCOMPARE(g_debugFeatures, 0);
    QCOMPARE(s.getBrightness(), 6);
    QCOMPARE(s.getSelectedLanguageNum(), 1);
    QVERIFY(s.isSUUseGpsForStartupEnabled());
}

void TestSystemsettings::garbageFileLoadsDefaults()
{
    TestRoot root;
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk.append(char((i * 7919 + 13) % 256));
    junk.append("\nBrightness=9\n=\n[\n");
    writeSettings(root, junk);
    g_debugFeatures = 1;

    Systemsettings s;
    QCOMPARE(g_debugFeatures, 0);
    QCOMPARE(s.getBrightness(), 6);
    QCOMPARE(s.getSelectedLanguageNum(), 1);
    QCOMPARE(s.getPowerOffTime(), 3600);
    QVERIFY(s.isMuteKeySwitchmode());
    for (const FlagGetter &f : kFlags)
        QVERIFY2((s.*f.getter)() == f.def, f.key);

    // The next store leaves a clean file with the record only.
    s.storeSystemsettings();
    QSettings::Status status = QSettings::AccessError;
    QCOMPARE(parseSettings(root, &status), defaultMap());
    QCOMPARE(status, QSettings::NoError);
}

void TestSystemsettings::recordLoadsFromFile()
{
    TestRoot root;
    writeSettings(root,
                  "[Bluetooth]\n"
                  "Headphone_Name=HP-One\n"
                  "Headphone_ID=00:11:22:33:44:55\n"
                  "Microphone_Name=GX-4 0815\n"
                  "Microphone_ID=66:77:88:99:AA:BB\n"
                  "[Debug]\n"
                  "Debugfeatures=1\n"
                  "[Local-Settings]\n"
                  "Language=5\n"
                  "Timezone=London (+0 h)\n"
                  "TimezoneNum=11\n"
                  "TimezoneOffset=-18000\n"
                  "DaylightSavingTime=1\n"
                  "Dateformat=YYYYMMDD\n"
                  "DateTimeSource=MAN\n"
                  "[Systemsettings]\n"
                  "Switchmode=Push-Button\n"
                  "FavouriteButton=4\n"
                  "Brightness=9\n"
                  "PowerOffTime=1800\n"
                  "DisplayOffTime=30\n"
                  "HearingProtection=true\n"
                  "HeadphoneVolumeOffset=-3\n");

    Systemsettings s;
    QCOMPARE(s.getBtNameHeadphone(), QStringLiteral("HP-One"));
    QCOMPARE(s.getBtIdHeadphone(), QStringLiteral("00:11:22:33:44:55"));
    QCOMPARE(s.getBtNameMicrophone(), QStringLiteral("GX-4 0815"));
    QCOMPARE(s.getBtIdMicrophone(), QStringLiteral("66:77:88:99:AA:BB"));
    QCOMPARE(g_debugFeatures, 1);
    QCOMPARE(s.getSelectedLanguageNum(), 5);
    QCOMPARE(s.getTimezoneOffset(), -18000);
    QCOMPARE(s.getDaylightSavingTimeOffet(), 3600);
    QCOMPARE(s.getFormatStringDate(), QStringLiteral("yyyy-MM-dd"));
    QCOMPARE(s.getDateTimeSource(), QStringLiteral("MAN"));
    QVERIFY(!s.isMuteKeySwitchmode());
    QString text;
    QCOMPARE(s.getFavouriteButton(&text), 4);
    QCOMPARE(text, QStringLiteral("H2-Sensor"));
    QCOMPARE(s.getBrightness(), 9); // not validated
    QCOMPARE(s.getPowerOffTime(), 1800);
    QCOMPARE(s.getDisplayOffTime(), 30);
    QVERIFY(s.isHearingProtectionEnabled());
    QCOMPARE(s.getHeadphoneVolumeOffset(), -3);

    // A store writes back every value, the missing display flags with their
    // defaults.
    s.storeSystemsettings();
    QMap<QString, QString> expected = defaultMap();
    expected["Bluetooth/Headphone_Name"] = "HP-One";
    expected["Bluetooth/Headphone_ID"] = "00:11:22:33:44:55";
    expected["Bluetooth/Microphone_Name"] = "GX-4 0815";
    expected["Bluetooth/Microphone_ID"] = "66:77:88:99:AA:BB";
    expected["Debug/Debugfeatures"] = "1";
    expected["Local-Settings/Language"] = "5";
    expected["Local-Settings/Timezone"] = "London (+0 h)";
    expected["Local-Settings/TimezoneNum"] = "11";
    expected["Local-Settings/TimezoneOffset"] = "-18000";
    expected["Local-Settings/DaylightSavingTime"] = "1";
    expected["Local-Settings/Dateformat"] = "YYYYMMDD";
    expected["Local-Settings/DateTimeSource"] = "MAN";
    expected["Systemsettings/Switchmode"] = "Push-Button";
    expected["Systemsettings/FavouriteButton"] = "4";
    expected["Systemsettings/Brightness"] = "9";
    expected["Systemsettings/PowerOffTime"] = "1800";
    expected["Systemsettings/DisplayOffTime"] = "30";
    expected["Systemsettings/HearingProtection"] = "true";
    expected["Systemsettings/HeadphoneVolumeOffset"] = "-3";
    QCOMPARE(parseSettings(root), expected);
}

void TestSystemsettings::displayFlagKeys_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < kFlagCount; ++i)
        QTest::newRow(kFlags[i].key) << i;
}

void TestSystemsettings::displayFlagKeys()
{
    // Only one flag in the file, flipped from its default: exactly its getter
    // changes, and a store writes it under its own key.
    QFETCH(int, index);
    TestRoot root;
    const FlagGetter &flag = kFlags[index];
    writeSettings(root, QByteArray("[Dialogconfiguration]\n") + flag.key + '=' + (flag.def ? "false" : "true") + '\n');

    Systemsettings s;
    for (int i = 0; i < kFlagCount; ++i) {
        const bool expected = (i == index) ? !kFlags[i].def : kFlags[i].def;
        QVERIFY2((s.*kFlags[i].getter)() == expected, kFlags[i].key);
    }

    s.storeSystemsettings();
    const QMap<QString, QString> parsed = parseSettings(root);
    for (int i = 0; i < kFlagCount; ++i) {
        const bool expected = (i == index) ? !kFlags[i].def : kFlags[i].def;
        QCOMPARE(parsed.value(QStringLiteral("Dialogconfiguration/") + kFlags[i].key),
                 expected ? QStringLiteral("true") : QStringLiteral("false"));
    }
}

void TestSystemsettings::booleanTexts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("expected");
    QTest::newRow("true") << QByteArray("true") << true;
    QTest::newRow("false") << QByteArray("false") << false;
    QTest::newRow("FALSE") << QByteArray("FALSE") << false;
    QTest::newRow("False") << QByteArray("False") << false;
    QTest::newRow("0") << QByteArray("0") << false;
    QTest::newRow("empty") << QByteArray("") << false;
    QTest::newRow("1") << QByteArray("1") << true;
    QTest::newRow("yes") << QByteArray("yes") << true;
    QTest::newRow("00") << QByteArray("00") << true;
}

void TestSystemsettings::booleanTexts()
{
    // The flag's default is true, so an empty value must read as false, not
    // as missing.
    QFETCH(QByteArray, text);
    QFETCH(bool, expected);
    TestRoot root;
    writeSettings(root, "[Dialogconfiguration]\nLevelMeasurement_ShowFft=" + text
                            + "\n[Systemsettings]\nHearingProtection=" + text + "\n");
    Systemsettings s;
    QCOMPARE(s.isShowFftEnabled(), expected);
    QCOMPARE(s.isHearingProtectionEnabled(), expected);
}

void TestSystemsettings::integerTexts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("decimal") << QByteArray("7") << 7;
    QTest::newRow("negative") << QByteArray("-4") << -4;
    QTest::newRow("leading zero") << QByteArray("010") << 10;
    QTest::newRow("not a number") << QByteArray("high") << 0;
    QTest::newRow("trailing letters") << QByteArray("7a") << 0;
    QTest::newRow("hex") << QByteArray("0x7") << 0;
    QTest::newRow("fraction") << QByteArray("6.5") << 0;
    QTest::newRow("empty") << QByteArray("") << 0;
    QTest::newRow("list") << QByteArray("6, 7") << 0;
}

void TestSystemsettings::integerTexts()
{
    QFETCH(QByteArray, text);
    QFETCH(int, expected);
    TestRoot root;
    writeSettings(root, "[Systemsettings]\nBrightness=" + text + "\n[Debug]\nDebugfeatures=" + text + "\n");
    Systemsettings s;
    QCOMPARE(s.getBrightness(), expected);
    QCOMPARE(g_debugFeatures, expected);
}

void TestSystemsettings::missingKeysTakeDefaults()
{
    // An older or hand-made file: absent keys and groups take their defaults,
    // keys present keep their value, and the next store completes the file.
    TestRoot root;
    writeSettings(root,
                  "[Local-Settings]\nLanguage=3\n"
                  "[Systemsettings]\nBrightness=9\nFavouriteButton=0\n"
                  "[Dialogconfiguration]\nStartup_UseGpsForStartup=false\n");
    g_debugFeatures = 1;

    Systemsettings s;
    QCOMPARE(s.getSelectedLanguageNum(), 3);
    QCOMPARE(s.getBrightness(), 9);
    QCOMPARE(s.getPowerOffTime(), 3600);
    QCOMPARE(s.getDisplayOffTime(), 600);
    QCOMPARE(s.getTimezoneOffset(), 3600);
    QVERIFY(s.isMuteKeySwitchmode());
    QCOMPARE(s.getFormatStringDate(), QStringLiteral("dd.MM.yyyy"));
    QCOMPARE(s.getDateTimeSource(), QStringLiteral("GPS"));
    QCOMPARE(g_debugFeatures, 0);
    QString text;
    QCOMPARE(s.getFavouriteButton(&text), 0);
    QVERIFY(!s.isSUUseGpsForStartupEnabled());
    QVERIFY(s.isShowFftEnabled());

    s.storeSystemsettings();
    QMap<QString, QString> expected = defaultMap();
    expected["Local-Settings/Language"] = "3";
    expected["Systemsettings/Brightness"] = "9";
    expected["Systemsettings/FavouriteButton"] = "0";
    expected["Dialogconfiguration/Startup_UseGpsForStartup"] = "false";
    QCOMPARE(parseSettings(root), expected);
}

void TestSystemsettings::daylightSavingOffset_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("offset");
    QTest::newRow("summer") << QByteArray("DaylightSavingTime=1\n") << 3600;
    QTest::newRow("winter") << QByteArray("DaylightSavingTime=0\n") << 0;
    QTest::newRow("two") << QByteArray("DaylightSavingTime=2\n") << 0;
    QTest::newRow("minus one") << QByteArray("DaylightSavingTime=-1\n") << 0;
    QTest::newRow("text") << QByteArray("DaylightSavingTime=summer\n") << 0;
    QTest::newRow("missing") << QByteArray() << 0;
}

void TestSystemsettings::daylightSavingOffset()
{
    QFETCH(QByteArray, line);
    QFETCH(int, offset);
    TestRoot root;
    writeSettings(root, "[Local-Settings]\nLanguage=2\n" + line);
    Systemsettings s;
    QCOMPARE(s.getDaylightSavingTimeOffet(), offset);
}

void TestSystemsettings::utf8Texts()
{
    TestRoot root;
    writeSettings(root, "[Bluetooth]\nHeadphone_Name=Kopfh\xc3\xb6rer S\xc3\xbc\x64\n");
    Systemsettings s;
    const QString name = QString::fromUtf8("Kopfh\xc3\xb6rer S\xc3\xbc\x64");
    QCOMPARE(s.getBtNameHeadphone(), name);
    s.storeSystemsettings();
    s.loadSystemsettings();
    QCOMPARE(s.getBtNameHeadphone(), name);
    QCOMPARE(parseSettings(root).value("Bluetooth/Headphone_Name"), name);
}

void TestSystemsettings::bluetoothTextsTrimmed()
{
    TestRoot root;
    writeSettings(root,
                  "[Bluetooth]\n"
                  "Headphone_Name=\"  HP One \"\n"
                  "Headphone_ID=\" 00:11:22:33:44:55  \"\n"
                  "Microphone_Name=\"\\tGX-4\\t\"\n"
                  "Microphone_ID=\"66:77:88:99:AA:BB \"\n");
    Systemsettings s;
    QCOMPARE(s.getBtNameHeadphone(), QStringLiteral("HP One"));
    QCOMPARE(s.getBtIdHeadphone(), QStringLiteral("00:11:22:33:44:55"));
    QCOMPARE(s.getBtNameMicrophone(), QStringLiteral("GX-4"));
    QCOMPARE(s.getBtIdMicrophone(), QStringLiteral("66:77:88:99:AA:BB"));

    // Texts set with blanks (as the pairing dialog may hand them over) are
    // stored trimmed; the record itself keeps them as they are.
    s.m_btNameHeadphone = QStringLiteral(" Ear Set ");
    s.m_btIdHeadphone = QStringLiteral("  AA:BB:CC:DD:EE:FF");
    s.m_btNameMicrophone = QStringLiteral("GX-4 unit  ");
    s.m_btIdMicrophone = QStringLiteral("\t11:22:33:44:55:66\n");
    s.storeSystemsettings();
    QCOMPARE(s.getBtNameHeadphone(), QStringLiteral(" Ear Set "));
    QCOMPARE(s.getBtIdMicrophone(), QStringLiteral("\t11:22:33:44:55:66\n"));
    const QMap<QString, QString> parsed = parseSettings(root);
    QCOMPARE(parsed.value("Bluetooth/Headphone_Name"), QStringLiteral("Ear Set"));
    QCOMPARE(parsed.value("Bluetooth/Headphone_ID"), QStringLiteral("AA:BB:CC:DD:EE:FF"));
    QCOMPARE(parsed.value("Bluetooth/Microphone_Name"), QStringLiteral("GX-4 unit"));
    QCOMPARE(parsed.value("Bluetooth/Microphone_ID"), QStringLiteral("11:22:33:44:55:66"));
}

void TestSystemsettings::bluetoothAddressShape_data()
{
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<bool>("paired");
    QTest::newRow("upper case") << QByteArray("0A:1B:2C:3D:4E:5F") << true;
    QTest::newRow("lower case") << QByteArray("0a:1b:2c:3d:4e:ff") << true;
    QTest::newRow("five pairs") << QByteArray("00:11:22:33:44") << false;
    QTest::newRow("trailing colon") << QByteArray("00:11:22:33:44:55:") << false;
    QTest::newRow("dashes") << QByteArray("00-11-22-33-44-55") << false;
    QTest::newRow("not hexadecimal") << QByteArray("00:11:22:3G:44:55") << false;
    QTest::newRow("digit short") << QByteArray("0:011:22:33:44:55") << false;
    QTest::newRow("line break inside") << QByteArray("\"00:11:22:33:44:55\\nSET\"") << false;
    QTest::newRow("umlaut") << QByteArray("00:11:22:33:44:\xc3\xa4\xc3\xa4") << false;
}

// The paired unit's address goes into the modules' commands: only six pairs
// of hexadecimal digits joined by colons are taken, anything else means not
// paired.
void TestSystemsettings::bluetoothAddressShape()
{
    QFETCH(QByteArray, id);
    QFETCH(bool, paired);
    TestRoot root;
    writeSettings(root, "[Bluetooth]\nMicrophone_Name=GX-4\nMicrophone_ID=" + id + "\n");
    Systemsettings s;
    QCOMPARE(s.getBtIdMicrophone().isEmpty(), !paired);
    QCOMPARE(s.getBtNameMicrophone(), paired ? QStringLiteral("GX-4") : QString());
    if (paired)
        QCOMPARE(s.getBtIdMicrophone().toLatin1(), id);
}

void TestSystemsettings::switchmodeExact_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("switchmode");
    QTest::newRow("Switch") << QByteArray("Switchmode=Switch") << true;
    QTest::newRow("lower case") << QByteArray("Switchmode=switch") << false;
    QTest::newRow("upper case") << QByteArray("Switchmode=SWITCH") << false;
    QTest::newRow("leading blank") << QByteArray("Switchmode=\" Switch\"") << false;
    QTest::newRow("trailing blank") << QByteArray("Switchmode=\"Switch \"") << false;
    QTest::newRow("Push-Button") << QByteArray("Switchmode=Push-Button") << false;
    QTest::newRow("empty") << QByteArray("Switchmode=") << false;
    QTest::newRow("missing") << QByteArray("Brightness=6") << true;
}

void TestSystemsettings::switchmodeExact()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, switchmode);
    TestRoot root;
    writeSettings(root, "[Systemsettings]\n" + line + "\n");
    Systemsettings s;
    QCOMPARE(s.isMuteKeySwitchmode(), switchmode);
}

void TestSystemsettings::switchmodeTrimmedByStore()
{
    TestRoot root;
    writeSettings(root, "[Systemsettings]\nSwitchmode=\" Switch\"\n");
    Systemsettings s;
    QVERIFY(!s.isMuteKeySwitchmode());

    // The store writes it trimmed, the record keeps the blank until the next load.
    s.storeSystemsettings();
    QVERIFY(!s.isMuteKeySwitchmode());
    QCOMPARE(parseSettings(root).value("Systemsettings/Switchmode"), QStringLiteral("Switch"));
    s.loadSystemsettings();
    QVERIFY(s.isMuteKeySwitchmode());
}

void TestSystemsettings::commaTextsRoundTrip_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("zone");
    const QString paris = QStringLiteral("Brussels, Copenhagen, Madrid, Paris (+1 h)");
    QTest::newRow("hand-made unquoted") << QByteArray("Timezone=Brussels, Copenhagen, Madrid, Paris (+1 h)") << paris;
    QTest::newRow("quoted") << QByteArray("Timezone=\"Brussels, Copenhagen, Madrid, Paris (+1 h)\"") << paris;
    QTest::newRow("unquoted without blanks") << QByteArray("Timezone=Azores,Cape Verde (-1 h)")
                                             << QStringLiteral("Azores,Cape Verde (-1 h)");
    QTest::newRow("unquoted blanks around =") << QByteArray("Timezone = Brussels, Copenhagen, Madrid, Paris (+1 h)  ")
                                              << paris;
    QTest::newRow("no comma") << QByteArray("Timezone=Tokyo (+9 h)") << QStringLiteral("Tokyo (+9 h)");
}

void TestSystemsettings::commaTextsRoundTrip()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, zone);
    TestRoot root;
    writeSettings(root, "[Local-Settings]\nLanguage=1\n" + line + "\nTimezoneNum=14\n"
                        "[Bluetooth]\nHeadphone_Name=Ear, left and right\n");
    Systemsettings s;
    QCOMPARE(s.m_timezoneName, zone);
    QCOMPARE(s.getBtNameHeadphone(), QStringLiteral("Ear, left and right"));

    // Written back in the quoted form and read again unchanged.
    s.storeSystemsettings();
    const QMap<QString, QString> parsed = parseSettings(root);
    QCOMPARE(parsed.value("Local-Settings/Timezone"), zone);
    QCOMPARE(parsed.value("Local-Settings/TimezoneNum"), QStringLiteral("14"));
    QCOMPARE(parsed.value("Bluetooth/Headphone_Name"), QStringLiteral("Ear, left and right"));
    s.m_timezoneName.clear();
    s.loadSystemsettings();
    QCOMPARE(s.m_timezoneName, zone);
    QCOMPARE(s.getBtNameHeadphone(), QStringLiteral("Ear, left and right"));
}

void TestSystemsettings::storeIsAtomic()
{
    TestRoot root;
    const QDir home(root.local(QStringLiteral("/home/root")));
    const auto listing = [&home] {
        QStringList names = home.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        names.sort();
        return names;
    };
    const QStringList before = listing();

    Systemsettings s;
    QStringList expected = before;
    expected << QStringLiteral("settings.ini");
    expected.sort();
    QCOMPARE(listing(), expected);

    // A store writes a new file and puts it in place of the old one in one
    // step: the old file is never opened for writing, so a power cut leaves
    // either the old or the new file complete.
    const ino_t oldInode = inodeOf(root.local(kSettings));
    QVERIFY(oldInode != 0);
    s.setFavouriteButton(5);
    QVERIFY(inodeOf(root.local(kSettings)) != oldInode);
    QCOMPARE(listing(), expected);

    QSettings::Status status = QSettings::AccessError;
    const QMap<QString, QString> parsed = parseSettings(root, &status);
    QCOMPARE(status, QSettings::NoError);
    QCOMPARE(parsed.size(), kKeyCount);
    QCOMPARE(parsed.value("Systemsettings/FavouriteButton"), QStringLiteral("5"));
}

void TestSystemsettings::debugFeaturesRoundTrip()
{
    TestRoot root;
    Systemsettings s;
    QCOMPARE(g_debugFeatures, 0);

    g_debugFeatures = 1;
    s.storeSystemsettings();
    QCOMPARE(parseSettings(root).value("Debug/Debugfeatures"), QStringLiteral("1"));
    g_debugFeatures = 0;
    s.loadSystemsettings();
    QCOMPARE(g_debugFeatures, 1);

    // Every load sets it from the file, even when the file was replaced.
    writeSettings(root, "[Debug]\nDebugfeatures=0\n[Local-Settings]\nLanguage=4\n");
    s.init();
    QCOMPARE(g_debugFeatures, 0);
    QCOMPARE(s.getSelectedLanguageNum(), 4);

    g_debugFeatures = 1;
    s.resetToDefaultSettings();
    QCOMPARE(g_debugFeatures, 0);
    QCOMPARE(parseSettings(root).value("Debug/Debugfeatures"), QStringLiteral("0"));
}

void TestSystemsettings::resetAfterChanges()
{
    TestRoot root;
    writeSettings(root,
                  "[Bluetooth]\nHeadphone_ID=00:11:22:33:44:55\nMicrophone_Name=GX-4\n"
                  "[Debug]\nDebugfeatures=1\n"
                  "[Local-Settings]\nLanguage=9\nTimezone=\"Moscow, St. Petersburg (+3 h)\"\nTimezoneNum=20\n"
                  "TimezoneOffset=10800\nDaylightSavingTime=1\nDateformat=MMDDYYYY\nDateTimeSource=MAN\n"
                  "[Systemsettings]\nSwitchmode=Push-Button\nFavouriteButton=3\nBrightness=5\nPowerOffTime=0\n"
                  "DisplayOffTime=30\nHearingProtection=true\nHeadphoneVolumeOffset=4\nExtra=1\n"
                  "[Dialogconfiguration]\nLevelMeasurement_ShowFft=false\nH2Sensor_ShowGrid=true\n"
                  "Startup_UseGpsForStartup=false\n");
    Systemsettings s;
    QCOMPARE(s.getDaylightSavingTimeOffet(), 3600);
    QVERIFY(!s.isShowFftEnabled());

    s.resetToDefaultSettings();
    QCOMPARE(g_debugFeatures, 0);
    // A key the store does not know stays.
    auto expected = defaultMap();
    expected.insert(QStringLiteral("Systemsettings/Extra"), QStringLiteral("1"));
    QCOMPARE(parseSettings(root), expected);
    QVERIFY(s.getBtIdHeadphone().isEmpty());
    QCOMPARE(s.getBrightness(), 6);
    QVERIFY(s.isMuteKeySwitchmode());
    QVERIFY(s.isShowFftEnabled());

    // The summer-time offset is derived by the next load, not by the reset.
    QCOMPARE(s.getDaylightSavingTimeOffet(), 3600);
    s.loadSystemsettings();
    QCOMPARE(s.getDaylightSavingTimeOffet(), 0);
}

void TestSystemsettings::clearBluetoothDevices()
{
    TestRoot root;
    writeSettings(root,
                  "[Bluetooth]\nHeadphone_Name=HP\nHeadphone_ID=00:11:22:33:44:55\n"
                  "Microphone_Name=GX-4\nMicrophone_ID=66:77:88:99:AA:BB\n"
                  "[Systemsettings]\nHeadphoneVolumeOffset=2\n");
    Systemsettings s;

    s.clearBtHeadphone();
    QVERIFY(s.getBtIdHeadphone().isEmpty());
    QVERIFY(s.getBtNameHeadphone().isEmpty());
    QMap<QString, QString> parsed = parseSettings(root);
    QCOMPARE(parsed.value("Bluetooth/Headphone_Name"), QString());
    QCOMPARE(parsed.value("Bluetooth/Headphone_ID"), QString());
    QCOMPARE(parsed.value("Bluetooth/Microphone_Name"), QStringLiteral("GX-4"));
    QCOMPARE(parsed.value("Bluetooth/Microphone_ID"), QStringLiteral("66:77:88:99:AA:BB"));
    QCOMPARE(parsed.value("Systemsettings/HeadphoneVolumeOffset"), QStringLiteral("2"));

    s.clearBtMicrophone();
    QVERIFY(s.getBtIdMicrophone().isEmpty());
    QVERIFY(s.getBtNameMicrophone().isEmpty());
    parsed = parseSettings(root);
    QVERIFY(parsed.contains("Bluetooth/Microphone_ID"));
    QCOMPARE(parsed.value("Bluetooth/Microphone_Name"), QString());
    QCOMPARE(parsed.value("Bluetooth/Microphone_ID"), QString());
}

void TestSystemsettings::favouriteNames_data()
{
    QTest::addColumn<int>("num");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("favouriteAfter");
    QTest::newRow("0") << 0 << "Screenshot" << 4;
    QTest::newRow("1") << 1 << "Histogram" << 4;
    QTest::newRow("2") << 2 << "LevelMeasurement" << 4;
    QTest::newRow("3") << 3 << "LongtermMeasurement" << 4;
    QTest::newRow("4") << 4 << "H2-Sensor" << 4;
    QTest::newRow("5") << 5 << "Pipelocating" << 4;
    QTest::newRow("6") << 6 << "LevelMeasurement" << 2;
    QTest::newRow("-1") << -1 << "LevelMeasurement" << 2;
    QTest::newRow("INT_MIN") << INT_MIN << "LevelMeasurement" << 2;
}

void TestSystemsettings::favouriteNames()
{
    // An unknown number gives level measurement and resets the favourite in
    // memory; a known one leaves the favourite (4) alone.
    QFETCH(int, num);
    QFETCH(QString, name);
    QFETCH(int, favouriteAfter);
    TestRoot root;
    writeSettings(root, "[Systemsettings]\nFavouriteButton=4\n");
    Systemsettings s;
    QCOMPARE(s.getFavButTextFromNum(num), name);
    QCOMPARE(s.getFavouriteButton(nullptr), favouriteAfter);
    QCOMPARE(parseSettings(root).value("Systemsettings/FavouriteButton"), QStringLiteral("4"));
}

void TestSystemsettings::unknownFavouriteCorrectedInMemoryOnly()
{
    TestRoot root;
    const QByteArray content = "[Systemsettings]\nFavouriteButton=7\n";
    writeSettings(root, content);
    Systemsettings s;

    QString text;
    QCOMPARE(s.getFavouriteButton(&text), 2);
    QCOMPARE(text, QStringLiteral("LevelMeasurement"));
    QCOMPARE(settingsBytes(root), content);

    s.storeSystemsettings();
    QCOMPARE(parseSettings(root).value("Systemsettings/FavouriteButton"), QStringLiteral("2"));
}

void TestSystemsettings::setFavouriteButton_data()
{
    QTest::addColumn<int>("num");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("stored");
    QTest::newRow("0") << 0 << 0 << "0";
    QTest::newRow("5") << 5 << 0 << "5";
    QTest::newRow("6") << 6 << -1 << "3";
    QTest::newRow("-1") << -1 << -1 << "3";
    QTest::newRow("100") << 100 << -1 << "3";
}

void TestSystemsettings::setFavouriteButton()
{
    QFETCH(int, num);
    QFETCH(int, result);
    QFETCH(QString, stored);
    TestRoot root;
    const QByteArray content = "[Systemsettings]\nFavouriteButton=3\nBrightness=7\n";
    writeSettings(root, content);
    const ino_t inode = inodeOf(root.local(kSettings));
    Systemsettings s;

    QCOMPARE(s.setFavouriteButton(num), result);
    QCOMPARE(s.getFavouriteButton(nullptr), stored.toInt());
    if (result < 0) {
        // Nothing written at all.
        QCOMPARE(settingsBytes(root), content);
        QCOMPARE(inodeOf(root.local(kSettings)), inode);
    } else {
        const QMap<QString, QString> parsed = parseSettings(root);
        QCOMPARE(parsed.size(), kKeyCount);
        QCOMPARE(parsed.value("Systemsettings/FavouriteButton"), stored);
        QCOMPARE(parsed.value("Systemsettings/Brightness"), QStringLiteral("7"));
    }
}

void TestSystemsettings::convertTimeToText_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "never";
    QTest::newRow("1") << 1 << "1 s";
    QTest::newRow("30") << 30 << "30 s";
    QTest::newRow("59") << 59 << "59 s";
    QTest::newRow("60") << 60 << "1 min";
    QTest::newRow("119") << 119 << "1 min";
    QTest::newRow("600") << 600 << "10 min";
    QTest::newRow("3599") << 3599 << "59 min";
    QTest::newRow("3600") << 3600 << "1 h";
    QTest::newRow("7199") << 7199 << "1 h";
    QTest::newRow("10800") << 10800 << "3 h";
    QTest::newRow("86399") << 86399 << "23 h";
    QTest::newRow("86400") << 86400 << "---";
    QTest::newRow("90000") << 90000 << "---";
    QTest::newRow("-1") << -1 << "---";
    QTest::newRow("INT_MIN") << INT_MIN << "---";
    QTest::newRow("INT_MAX") << INT_MAX << "---";
}

void TestSystemsettings::convertTimeToText()
{
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(Systemsettings::convertTimeToText(seconds), text);
}

void TestSystemsettings::dateFormatString_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("DDMMYYYY") << QByteArray("Dateformat=DDMMYYYY") << "dd.MM.yyyy";
    QTest::newRow("YYYYMMDD") << QByteArray("Dateformat=YYYYMMDD") << "yyyy-MM-dd";
    QTest::newRow("MMDDYYYY") << QByteArray("Dateformat=MMDDYYYY") << "MM/dd/yyyy";
    QTest::newRow("blanks") << QByteArray("Dateformat=\" MMDDYYYY \"") << "MM/dd/yyyy";
    QTest::newRow("lower case") << QByteArray("Dateformat=yyyymmdd") << "dd.MM.yyyy";
    QTest::newRow("unknown") << QByteArray("Dateformat=ISO") << "dd.MM.yyyy";
    QTest::newRow("empty") << QByteArray("Dateformat=") << "dd.MM.yyyy";
}

void TestSystemsettings::dateFormatString()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, pattern);
    TestRoot root;
    writeSettings(root, "[Local-Settings]\n" + line + "\n");
    Systemsettings s;
    QCOMPARE(s.getFormatStringDate(), pattern);
}

void TestSystemsettings::convertDateFormatToInt_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("num");
    QTest::newRow("DDMMYYYY") << "DDMMYYYY" << 0;
    QTest::newRow("YYYYMMDD") << "YYYYMMDD" << 1;
    QTest::newRow("MMDDYYYY") << "MMDDYYYY" << 2;
    QTest::newRow("lower case") << "ddmmyyyy" << -1;
    QTest::newRow("blank") << " DDMMYYYY" << -1;
    QTest::newRow("empty") << "" << -1;
}

void TestSystemsettings::convertDateFormatToInt()
{
    QFETCH(QString, format);
    QFETCH(int, num);
    QCOMPARE(Systemsettings::convertDateFormatToInt(format), num);
}

void TestSystemsettings::convertDateTimeSourceToInt_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("num");
    QTest::newRow("GPS") << "GPS" << 0;
    QTest::newRow("MAN") << "MAN" << 1;
    QTest::newRow("lower case") << "gps" << -1;
    QTest::newRow("blank") << "MAN " << -1;
    QTest::newRow("empty") << "" << -1;
}

void TestSystemsettings::convertDateTimeSourceToInt()
{
    QFETCH(QString, source);
    QFETCH(int, num);
    QCOMPARE(Systemsettings::convertDateTimeSourceToInt(source), num);
}

void TestSystemsettings::languageName_data()
{
    QTest::addColumn<int>("num");
    QTest::addColumn<QString>("name");
    QTest::newRow("0") << 0 << "English";
    QTest::newRow("1") << 1 << "English";
    QTest::newRow("2") << 2 << "German";
    QTest::newRow("6") << 6 << "Chinese";
    QTest::newRow("10") << 10 << "Slovenian";
    QTest::newRow("15") << 15 << "Slovakian";
    QTest::newRow("17") << 17 << "Suomi";
    QTest::newRow("24") << 24 << "Turkish";
    QTest::newRow("25") << 25 << "English";
    QTest::newRow("-1") << -1 << "English";
}

void TestSystemsettings::languageName()
{
    QFETCH(int, num);
    QFETCH(QString, name);
    QCOMPARE(Systemsettings::getLanguageName(num), name);
}

void TestSystemsettings::translationContexts()
{
    TestRoot root;
    Systemsettings s;
    MarkingTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));

    QCOMPARE(Systemsettings::getLanguageName(3), QStringLiteral("<LanguageSelect:French>"));
    QCOMPARE(Systemsettings::getLanguageName(99), QStringLiteral("<LanguageSelect:English>"));
    QCOMPARE(Systemsettings::convertTimeToText(0), QStringLiteral("<Systemsettings:never>"));
    QCOMPARE(Systemsettings::convertTimeToText(120), QStringLiteral("2 min")); // units stay
    QCOMPARE(s.getFavButTextFromNum(5), QStringLiteral("<Systemsettings:Pipelocating>"));

    // The default zone name is made in the language active at the reset.
    s.resetToDefaultSettings();
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(parseSettings(root).value("Local-Settings/Timezone"), QStringLiteral("<Systemsettings:Berlin> (+1 h)"));
}

void TestSystemsettings::formAndBackButton()
{
    TestRoot root;
    Systemsettings s;
    QCOMPARE(s.objectName(), QStringLiteral("Systemsettings"));
    QCOMPARE(s.size(), QSize(480, 272));
    auto *back = s.findChild<QPushButton *>(QStringLiteral("butMenuBack"));
    QVERIFY(back);
    // In the navigation column at x 426, y 1.
    QCOMPARE(QRect(back->mapTo(&s, QPoint(0, 0)), back->size()), QRect(426, 109, 54, 54));

    QSignalSpy spy(&s, &Systemsettings::gotoWidget);
    back->click();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0), QVariantList({0, -1, 0}));
}

void TestSystemsettings::initReloadsAndCounts()
{
    TestRoot root;
    Systemsettings s;
    QCOMPARE(s.initCount(), 0);
    QCOMPARE(s.getBrightness(), 6);

    // Another component replaced the file: the next init shows its values.
    writeSettings(root, "[Systemsettings]\nBrightness=7\nPowerOffTime=0\n");
    s.init();
    QCOMPARE(s.initCount(), 1);
    QCOMPARE(s.getBrightness(), 7);
    QCOMPARE(s.getPowerOffTime(), 0);
    s.init();
    QCOMPARE(s.initCount(), 2);
}

QTEST_MAIN(TestSystemsettings)
#include "tst_systemsettings.moc"
