// The program's start as main() makes it: its own font configuration, made
// current before the application (only the font files the program draws
// with and the fallback for the scripts they lack, scalable, read from their
// own folders only, each rendered as the system's configuration renders it;
// a configuration the user names, or one that finds no font file, leaves the
// current one alone), and the main page's first frame drawn without any image
// format plugin.

#include "applicationfont.h"
#include "mainmenu.h"
#include "preparedpictures.h"
#include "startupplugins.h"
#include "testroot.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QIconEnginePlugin>
#include <QImageReader>
#include <QPluginLoader>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextLayout>
#include <QtTest>

#include <fontconfig/fontconfig.h>

namespace {

bool g_used = false; // what the start's call returned

// The font files (paths) a configuration lists for a query such as
// ":lang=ko".
QStringList fontFiles(FcConfig *config, const char *query = ":")
{
    FcPattern *pattern = FcNameParse(reinterpret_cast<const FcChar8 *>(query));
    FcObjectSet *objects = FcObjectSetBuild(FC_FILE, nullptr);
    FcFontSet *set = FcFontList(config, pattern, objects);
    QStringList files;
    for (int i = 0; set && i < set->nfont; ++i) {
        FcChar8 *file = nullptr;
        if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) == FcResultMatch)
            files << QString::fromUtf8(reinterpret_cast<const char *>(file));
    }
    if (set)
        FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    files.sort();
    files.removeDuplicates(); // a collection holds several faces
    return files;
}

QStringList fileNames(const QStringList &paths)
{
    QStringList names;
    for (const QString &path : paths)
        names << QFileInfo(path).fileName();
    return names;
}

// The folders a configuration read its fonts from, with those below them.
QStringList fontFolders(FcConfig *config)
{
    FcStrList *list = FcConfigGetFontDirs(config);
    QStringList folders;
    while (FcChar8 *folder = list ? FcStrListNext(list) : nullptr)
        folders << QString::fromUtf8(reinterpret_cast<const char *>(folder));
    if (list)
        FcStrListDone(list);
    folders.sort();
    return folders;
}

#ifdef Q_PROCESSOR_ARM
// The installed fonts that write Chinese, Japanese or Korean, as the
// system's configuration lists them.
QStringList cjkFontFiles()
{
    FcConfig *system = FcInitLoadConfigAndFonts();
    QStringList files;
    for (const char *query : {":lang=zh-cn", ":lang=ja", ":lang=ko"})
        files << fontFiles(system, query);
    FcConfigDestroy(system);
    files.sort();
    files.removeDuplicates();
    return files;
}
#endif

// The icon engines linked into the program and registered so far.
int registeredIconEngines()
{
    int engines = 0;
    for (QObject *plugin : QPluginLoader::staticInstances())
        engines += qobject_cast<QIconEnginePlugin *>(plugin) ? 1 : 0;
    return engines;
}

// Image format plugins mapped into this process.
QStringList loadedImagePlugins()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    QStringList plugins;
    if (!maps.open(QIODevice::ReadOnly))
        return {QStringLiteral("/proc/self/maps unreadable")};
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const int at = line.indexOf("/imageformats/");
        if (at >= 0)
            plugins << QString::fromUtf8(line.mid(line.lastIndexOf('/') + 1));
    }
    plugins.removeDuplicates();
    return plugins;
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
    void firstFrameLoadsNoImagePlugin();
    void namesOnlyTheProgramsFonts();
    void findsTheFontFolders_data();
    void findsTheFontFolders();
    void acceptsOnlyScalableFonts();
    void mainPageTextsHaveGlyphs_data();
    void mainPageTextsHaveGlyphs();
    void rendersAsTheSystemConfiguration_data();
    void rendersAsTheSystemConfiguration();
    void otherConfigurationsLeaveTheCurrentOne();
};

// First, while no picture has been read in this process: a plugin once
// loaded stays.
void TestFontConfiguration::firstFrameLoadsNoImagePlugin()
{
    TestRoot root;
    StartupPlugins::hold();
    MainMenu window(MainMenu::Startup::AfterFirstFrame);
    auto *button = window.findChild<QPushButton *>("butPinpointing");
    QVERIFY(button);
    // What the process holds once the first frame is drawn, before the
    // start-up goes on (this filter comes before the window's own).
    struct FirstFrame : QObject
    {
        QWidget *window = nullptr;
        QPushButton *button = nullptr;
        bool queued = false, seen = false, finished = true, fromStore = false;
        QStringList plugins;
        int iconEngines = -1;
        QImage picture;
        bool eventFilter(QObject *o, QEvent *e) override
        {
            if (!queued && e->type() == QEvent::Paint && o->isWidgetType()
                && static_cast<QWidget *>(o)->window() == window) {
                queued = true;
                QTimer::singleShot(0, this, [this] {
                    plugins = loadedImagePlugins();
                    iconEngines = registeredIconEngines();
                    picture = button->grab().toImage();
                    // The picture the page's sheet names, as QPixmap finds it.
                    const QString path = QStringLiteral(":/Resources/Icons/Mainmenu/Pinpointing_ws.bmp");
                    fromStore = QPixmap(path).cacheKey() == PreparedPictures::instance().pixmap(path).cacheKey();
                    finished = static_cast<MainMenu *>(window)->isStartupFinished();
                    seen = true;
                });
            }
            return false;
        }
    } frame;
    frame.window = &window;
    frame.button = button;
    qApp->installEventFilter(&frame);
    window.show();
    QTRY_VERIFY(frame.seen);
    qApp->removeEventFilter(&frame);
    QVERIFY(!frame.finished);
    QCOMPARE(frame.plugins, QStringList());
    // The shared icon engine comes after the first frame (the main page's
    // sheets name no icon picture), but before any other screen is built.
    QCOMPARE(frame.iconEngines, 0);
    // Its pictures were not decoded from their files: the main buttons' are
    // the prepared ones.
    QVERIFY(frame.fromStore);
    // The button's picture is drawn whole, its corners too: the page's
    // rounded button corners are not cut into the picture.
    const QImage released = QImage(QStringLiteral(":/Resources/Icons/Mainmenu/Pinpointing_ws.bmp"))
                                .convertToFormat(QImage::Format_RGB32);
    const QRect topRows(0, 0, 150, 20);
    QCOMPARE(frame.picture.convertToFormat(QImage::Format_RGB32).copy(topRows), released.copy(topRows));
    QTRY_VERIFY_WITH_TIMEOUT(window.isStartupFinished(), 10000);
    QCOMPARE(registeredIconEngines(), 1);
    // Drawn as with the plugins at hand; afterwards they are found again,
    // for a picture of any format read later.
    QCOMPARE(button->grab().toImage(), frame.picture);
    QVERIFY(QImageReader::supportedImageFormats().contains("jpeg"));
    QVERIFY2(loadedImagePlugins().contains("libqjpeg.so"), qPrintable(loadedImagePlugins().join(' ')));
}

void TestFontConfiguration::namesOnlyTheProgramsFonts()
{
    QVERIFY(g_used);
    // DejaVu Sans in its two weights and the fallback for the scripts it
    // lacks, the files the system's configuration has, read from their own
    // folders only: none of the X server's bitmap fonts, which write
    // Japanese and Korean too, nor any other font folder of the machine.
    FcConfig *system = FcInitLoadConfigAndFonts();
    QVERIFY(system);
    const QStringList systemFiles = fontFiles(system);
    const QStringList systemFolders = fontFolders(system);
    FcConfigDestroy(system);
    QStringList expected;
    for (const QString &path : systemFiles) {
        if (QStringList({"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "wqy-microhei.ttc"})
                .contains(QFileInfo(path).fileName()))
            expected << path;
    }
#ifndef Q_PROCESSOR_ARM
    QCOMPARE(fileNames(expected), QStringList({"DejaVuSans-Bold.ttf", "DejaVuSans.ttf", "wqy-microhei.ttc"}));
    QVERIFY2(systemFolders.contains("/usr/share/fonts/X11/misc"),
             "no X fonts here: scripts/install-packages installs xfonts-base, as a desktop has it");
#endif
    QCOMPARE(fontFiles(nullptr), expected);
    QStringList folders;
    for (const QString &path : expected)
        folders << QFileInfo(path).path();
    folders.removeDuplicates();
    QCOMPARE(fontFolders(nullptr), folders);

    QFontDatabase fonts;
    // Beside the toolkit's three generic names, which it adds to any list.
    for (const char *family : {"DejaVu Sans", "Monospace", "Sans Serif", "Serif"})
        QVERIFY2(fonts.families().contains(family), family);
    QStringList styles = fonts.styles(QStringLiteral("DejaVu Sans"));
    styles.sort();
    QCOMPARE(styles, QStringList({"Bold", "Book"}));
}

void TestFontConfiguration::findsTheFontFolders_data()
{
    // Files below the font folder, and the folders expected.
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::newRow("two levels, among X's") << QStringList({"truetype/dejavu/DejaVuSans.ttf",
                                                           "truetype/dejavu/DejaVuSansMono.ttf",
                                                           "truetype/wqy/wqy-microhei.ttc",
                                                           "X11/misc/6x13.pcf.gz", "X11/misc/18x18ja.pcf.gz"})
                                           << QStringList({"truetype/dejavu", "truetype/wqy"});
    QTest::newRow("one level") << QStringList({"dejavu-sans-fonts/DejaVuSans.ttf", "wqy-microhei/wqy-microhei.ttc"})
                               << QStringList({"dejavu-sans-fonts", "wqy-microhei"});
    // A found folder is read with those below it.
    QTest::newRow("one inside the other") << QStringList({"ttf/DejaVuSans.ttf", "ttf/wqy/wqy-microhei.ttc"})
                                          << QStringList({"ttf"});
    // Reading the whole font folder, or looking deeper, would read every font.
    QTest::newRow("at the top") << QStringList({"DejaVuSans.ttf", "X11/misc/6x13.pcf.gz"}) << QStringList();
    QTest::newRow("three levels") << QStringList({"a/b/c/DejaVuSans.ttf"}) << QStringList();
    // Hidden folders are not read; a link to a folder is read as the folder
    // ("name>target" makes a link).
    QTest::newRow("hidden") << QStringList({".cache/DejaVuSans.ttf", "x/.y/wqy-microhei.ttc"}) << QStringList();
    QTest::newRow("through a link") << QStringList({".hidden/DejaVuSans.ttf", "truetype>.hidden", "dangling>nowhere"})
                                    << QStringList({"truetype"});
}

void TestFontConfiguration::findsTheFontFolders()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QTemporaryDir fonts;
    QVERIFY(fonts.isValid());
    for (const QString &file : files) {
        if (file.contains(QLatin1Char('>'))) {
            const QStringList link = file.split(QLatin1Char('>'));
            QVERIFY(QFile::link(link.at(1), fonts.filePath(link.at(0))));
            continue;
        }
        QVERIFY(QDir(fonts.path()).mkpath(QFileInfo(file).path()));
        QFile font(fonts.filePath(file));
        QVERIFY(font.open(QIODevice::WriteOnly));
    }
    for (QString &folder : folders)
        folder = fonts.filePath(folder);
    QCOMPARE(programFontFolders(fonts.path()), folders);
}

void TestFontConfiguration::acceptsOnlyScalableFonts()
{
    // A folder with a bitmap font under the regular face's name, the bold
    // face, and the regular face under another name: of these only the
    // bold face, a scalable font with its own name.
    QTemporaryDir fonts;
    QVERIFY(fonts.isValid());
    const QStringList bitmaps = QDir(QStringLiteral("/usr/share/fonts/X11/misc")).entryList({"*ja.pcf.gz"});
    if (bitmaps.isEmpty())
        QSKIP("no X bitmap font here: scripts/install-packages installs xfonts-base");
    QString bold;
    for (const QString &path : fontFiles(nullptr))
        bold = path.endsWith("/DejaVuSans-Bold.ttf") ? path : bold;
    QVERIFY(!bold.isEmpty());
    QVERIFY(QFile::copy("/usr/share/fonts/X11/misc/" + bitmaps.first(), fonts.filePath("DejaVuSans.ttf")));
    QVERIFY(QFile::copy(bold, fonts.filePath("DejaVuSans-Bold.ttf")));
    QVERIFY(QFile::copy(QFileInfo(bold).path() + "/DejaVuSans.ttf", fonts.filePath("Sans.ttf")));
    QFile program(QStringLiteral(":/Resources/Files/fonts.conf"));
    QVERIFY(program.open(QIODevice::ReadOnly));
    // Its cache (fontconfig writes one for a folder it read anew) in a
    // folder of the test's own.
    QByteArray configuration = program.readAll();
    const QRegularExpression cacheFolders(QStringLiteral("<cachedir[^>]*>[^<]*</cachedir>"));
    configuration = QString::fromUtf8(configuration)
                        .replace(cacheFolders, "<cachedir>" + fonts.filePath("cache") + "</cachedir>")
                        .toUtf8();

    FcConfig *current = FcConfigReference(nullptr);
    QVERIFY(useFontConfiguration(configuration, {fonts.path()}));
    const QStringList files = fontFiles(nullptr);
    FcConfigSetCurrent(current);
    FcConfigDestroy(current);
    QCOMPARE(files, QStringList({fonts.filePath("DejaVuSans-Bold.ttf")}));
}

void TestFontConfiguration::mainPageTextsHaveGlyphs_data()
{
    // The main page's six texts as a card's catalogue gives them.
    QTest::addColumn<QString>("texts");
    QTest::addColumn<bool>("fallback"); // characters DejaVu Sans lacks
    QTest::newRow("Chinese") << QStringLiteral("精确定位 电平测量 长期测量 氢气传感器 管道定位 管理") << true;
    QTest::newRow("Japanese") << QStringLiteral("漏れ位置の特定 レベル測定 長期測定 水素センサー 配管探査 管理")
                              << true;
    QTest::newRow("Korean") << QStringLiteral("정밀 탐지 레벨 측정 장기 측정 수소 센서 배관 탐지 관리") << true;
    QTest::newRow("Russian") << QStringLiteral("Точный поиск Уровень Долговременное Водород Трасса Управление")
                             << false;
}

void TestFontConfiguration::mainPageTextsHaveGlyphs()
{
    QFETCH(QString, texts);
    QFETCH(bool, fallback);
#ifdef Q_PROCESSOR_ARM
    if (fallback && cjkFontFiles().isEmpty())
        QSKIP("the board's system files hold no Chinese, Japanese or Korean font (a sysroot made before "
              "scripts/board-sysroot.txt named one: scripts/board-build makes it anew)");
#endif
    // The glyphs as a button draws the text in the application font:
    // glyph 0 of a font is its missing-glyph box, drawn where no font has
    // the character.
    const QFont font = loadApplicationFont();
    QCOMPARE(QFontInfo(font).family(), QStringLiteral("DejaVu Sans"));
    QTextLayout layout(texts, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    int glyphs = 0;
    for (const QGlyphRun &run : layout.glyphRuns()) {
        for (quint32 glyph : run.glyphIndexes())
            QVERIFY2(glyph != 0, qPrintable(QStringLiteral("a box in \"%1\"").arg(texts)));
        glyphs += run.glyphIndexes().size();
    }
    QCOMPARE(glyphs, texts.size());
    const QRawFont dejaVu = QRawFont::fromFont(font);
    bool fromFallback = false;
    for (const QChar c : texts)
        fromFallback = fromFallback || !dejaVu.supportsCharacter(c);
    QCOMPARE(fromFallback, fallback);
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
    // One that finds no font file, one with no folder, and one that does
    // not parse.
    QTemporaryDir noFonts;
    QVERIFY(noFonts.isValid());
    QFile program(QStringLiteral(":/Resources/Files/fonts.conf"));
    QVERIFY(program.open(QIODevice::ReadOnly));
    const QByteArray configuration = program.readAll();
    QVERIFY(!useFontConfiguration(configuration, {noFonts.path()}));
    QVERIFY(!useFontConfiguration(configuration, {}));
    QVERIFY(!useFontConfiguration("<fontconfig><dir>", programFontFolders()));

    QCOMPARE(FcConfigGetCurrent(), current);
    QVERIFY(fileNames(fontFiles(nullptr)).contains("DejaVuSans.ttf"));
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
