// The program's own font configuration, made current before the application
// as the program's start does: only the font files the program draws with,
// each rendered as the system's configuration renders it; a configuration the
// user names, or one that finds no font file, leaves the current one alone.

#include "applicationfont.h"

#include <QApplication>
#include <QFontDatabase>
#include <QTemporaryDir>
#include <QtTest>

#include <fontconfig/fontconfig.h>

namespace {

bool g_used = false; // what the start's call returned

QStringList fontFiles(FcConfig *config)
{
    FcPattern *any = FcPatternCreate();
    FcObjectSet *objects = FcObjectSetBuild(FC_FILE, nullptr);
    FcFontSet *set = FcFontList(config, any, objects);
    QStringList files;
    for (int i = 0; set && i < set->nfont; ++i) {
        FcChar8 *file = nullptr;
        if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) == FcResultMatch)
            files << QFileInfo(QString::fromUtf8(reinterpret_cast<const char *>(file))).fileName();
    }
    if (set)
        FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(any);
    files.sort();
    return files;
}

// The file a request resolves to and what the toolkit reads from the match
// to render it, asked as the toolkit asks; the hint style (FC_HINT_STYLE)
// stands apart.
QString rendering(FcConfig *config, const char *family, double pixelSize, int weight, int *hintStyle)
{
    FcPattern *pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family));
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixelSize);
    FcPatternAddInteger(pattern, FC_WEIGHT, weight);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern *match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return QStringLiteral("no match");
    FcChar8 *file = nullptr;
    FcPatternGetString(match, FC_FILE, 0, &file);
    QString text = QString::fromUtf8(reinterpret_cast<const char *>(file));
    if (FcPatternGetInteger(match, FC_HINT_STYLE, 0, hintStyle) != FcResultMatch)
        *hintStyle = -1;
    for (const char *name : {FC_HINTING, FC_ANTIALIAS, FC_AUTOHINT, FC_RGBA, FC_LCD_FILTER,
                             FC_EMBEDDED_BITMAP, FC_EMBOLDEN}) {
        FcValue value;
        text += QStringLiteral(" %1=").arg(QLatin1String(name));
        if (FcPatternGet(match, name, 0, &value) != FcResultMatch)
            text += QLatin1String("unset");
        else if (value.type == FcTypeBool)
            text += QString::number(value.u.b);
        else if (value.type == FcTypeInteger)
            text += QString::number(value.u.i);
        else
            text += QLatin1String("other");
    }
    FcPatternDestroy(match);
    return text;
}

} // namespace

class TestFontConfiguration : public QObject
{
    Q_OBJECT

private slots:
    void namesOnlyTheProgramsFonts();
    void rendersAsTheSystemConfiguration_data();
    void rendersAsTheSystemConfiguration();
    void otherConfigurationsLeaveTheCurrentOne();
};

void TestFontConfiguration::namesOnlyTheProgramsFonts()
{
    QVERIFY(g_used);
    QCOMPARE(fontFiles(nullptr), QStringList({"DejaVuSans-Bold.ttf", "DejaVuSans.ttf"}));
    QFontDatabase fonts;
    // Beside the toolkit's three generic names, which it adds to any list.
    QCOMPARE(fonts.families(), QStringList({"DejaVu Sans", "Monospace", "Sans Serif", "Serif"}));
    QStringList styles = fonts.styles(QStringLiteral("DejaVu Sans"));
    styles.sort();
    QCOMPARE(styles, QStringList({"Bold", "Book"}));
}

void TestFontConfiguration::rendersAsTheSystemConfiguration_data()
{
    QTest::addColumn<double>("pixelSize");
    QTest::addColumn<int>("weight");
    // The application font, the measurement screens' large bold figures,
    // and a size below the one where the system's configuration stops
    // hinting DejaVu.
    QTest::newRow("20 px") << 20.0 << int(FC_WEIGHT_REGULAR);
    QTest::newRow("80 px bold") << 80.0 << int(FC_WEIGHT_BOLD);
    QTest::newRow("7 px") << 7.0 << int(FC_WEIGHT_REGULAR);
}

void TestFontConfiguration::rendersAsTheSystemConfiguration()
{
    QFETCH(double, pixelSize);
    QFETCH(int, weight);
    FcConfig *system = FcInitLoadConfigAndFonts();
    QVERIFY(system);
    int ourHintStyle = 0, theirHintStyle = 0;
    const QString ours = rendering(nullptr, "DejaVu Sans", pixelSize, weight, &ourHintStyle);
    const QString theirs = rendering(system, "DejaVu Sans", pixelSize, weight, &theirHintStyle);
    FcConfigDestroy(system);
    QVERIFY2(ours.contains(weight == FC_WEIGHT_BOLD ? "/DejaVuSans-Bold.ttf " : "/DejaVuSans.ttf "), qPrintable(ours));
    QCOMPARE(ours, theirs);
    // Slight hinting, as a PC's default configuration sets it. The board
    // build's system files, unpacked without the package's set-up script,
    // lack the link that sets it: fontconfig hints fully there.
    QCOMPARE(ourHintStyle, int(FC_HINT_SLIGHT));
#ifndef Q_PROCESSOR_ARM
    QCOMPARE(theirHintStyle, ourHintStyle);
#endif
}

void TestFontConfiguration::otherConfigurationsLeaveTheCurrentOne()
{
    FcConfig *current = FcConfigGetCurrent();
    // One the user names, in either way.
    for (const char *variable : {"FONTCONFIG_FILE", "FONTCONFIG_PATH"}) {
        qputenv(variable, "/etc/fonts");
        const bool used = useProgramFontConfiguration();
        qunsetenv(variable);
        QVERIFY2(!used, variable);
    }
    // One that finds no font file, and one that does not parse.
    QTemporaryDir noFonts;
    QVERIFY(noFonts.isValid());
    QFile program(QStringLiteral(":/Resources/Files/fonts.conf"));
    QVERIFY(program.open(QIODevice::ReadOnly));
    QByteArray elsewhere = program.readAll();
    QVERIFY(elsewhere.contains("<dir>/usr/share/fonts/truetype/dejavu</dir>"));
    elsewhere.replace("/usr/share/fonts/truetype/dejavu", QFile::encodeName(noFonts.path()));
    QVERIFY(!useFontConfiguration(elsewhere));
    QVERIFY(!useFontConfiguration("<fontconfig><dir>"));

    QCOMPARE(FcConfigGetCurrent(), current);
    QCOMPARE(fontFiles(nullptr), QStringList({"DejaVuSans-Bold.ttf", "DejaVuSans.ttf"}));
}

int main(int argc, char *argv[])
{
    // As the program starts; a configuration named in the environment of
    // the run is not the program's.
    qunsetenv("FONTCONFIG_FILE");
    qunsetenv("FONTCONFIG_PATH");
    g_used = useProgramFontConfiguration();
    QApplication app(argc, argv);
    TestFontConfiguration test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fontconfiguration.moc"
