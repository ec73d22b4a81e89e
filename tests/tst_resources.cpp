// The resources compiled into the program: button pictures, style sheet,
// ALSA state and translation catalogues, reached through the resource objects
// that every consumer of tq3900core links.

#include "applicationfont.h"
#include "preparedpictures.h"
#include "testroot.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTranslator>
#include <QVBoxLayout>
#include <QtTest>

namespace {

QStringList g_warnings;

// Keeps the style-sheet complaints ("Could not parse application
// stylesheet", unknown properties); platform plugin chatter is not ours.
void collectWarnings(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (type != QtDebugMsg && type != QtInfoMsg && msg.contains(QLatin1String("style"), Qt::CaseInsensitive))
        g_warnings << msg;
}

QByteArray readResource(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// Number of distinct colours, counted up to a limit.
int colourCount(const QImage &img, int limit)
{
    QSet<QRgb> seen;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            seen.insert(img.pixel(x, y));
            if (seen.size() >= limit)
                return limit;
        }
    return seen.size();
}

// Share of pixels that differ between two images of the same size.
double differingShare(const QImage &a, const QImage &b)
{
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                ++differing;
    return double(differing) / (a.width() * a.height());
}

// Mean brightness (0..255) of a rectangle.
double meanLuma(const QImage &img, const QRect &r)
{
    double sum = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            sum += qGray(img.pixel(x, y));
    return sum / (r.width() * r.height());
}

const char *const kMainButtons[] = {"Pinpointing", "Levelmeasurement", "Longtermmeasurement",
                                    "H2_Sensor", "Pipelocating", "Wrench"};

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void mainButtonPictures_data();
    void mainButtonPictures();
    void preparedPicturesAreTheFilesPictures();
    void preparedPicturesFromDamagedData();
    void mainButtonPicturesAreDistinct();
    void styleSheetParsesAndApplies();
    void applicationFontWithoutTheBoardsFont();
    void alsaStateIsWellFormed();
    void englishCatalogueTranslatesMainMenu_data();
    void englishCatalogueTranslatesMainMenu();
    void everyCatalogueLoads();
};

void TestResources::mainButtonPictures_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : kMainButtons)
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestResources::mainButtonPictures()
{
    QFETCH(QString, name);
    const QString base = QStringLiteral(":/Resources/Icons/Mainmenu/") + name;
    const QImage released(base + QStringLiteral("_ws.bmp"));
    const QImage pressed(base + QStringLiteral("_sw.png"));
    QVERIFY2(!released.isNull(), qPrintable(base + "_ws.bmp does not load"));
    QVERIFY2(!pressed.isNull(), qPrintable(base + "_sw.png does not load"));
    QCOMPARE(released.size(), QSize(150, 120));
    QCOMPARE(pressed.size(), QSize(150, 120));
    // Not blank: a tile and an anti-aliased pictogram make many colours.
    QVERIFY(colourCount(released, 20) >= 20);
    QVERIFY(colourCount(pressed, 20) >= 20);

    // The pressed picture differs clearly from the released one.
    QVERIFY(differingShare(released, pressed) > 0.3);

    // The pictogram stands out in the picture area: bright ink on the
    // tile, so the area is neither uniform nor empty.
    const QRect pictureArea(20, 12, 110, 70);
    const QImage area = released.copy(pictureArea);
    QVERIFY(colourCount(area, 10) >= 10);
    int bright = 0;
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x)
            if (qGray(area.pixel(x, y)) > 200)
                ++bright;
    QVERIFY2(bright > area.width() * area.height() / 50, "pictogram missing");

    // The bottom line, where the button's white text goes, stays dark on
    // the released picture so that the text can be read.
    QVERIFY(meanLuma(released, QRect(10, 95, 130, 20)) < 100);
}

void TestResources::preparedPicturesAreTheFilesPictures()
{
    // Every picture of the first frame is stored once more, with the pixels
    // its file decodes to: the main buttons' released pictures and the
    // status bar's icons, each a pictogram on the bar's black.
    QStringList paths;
    for (const char *name : kMainButtons)
        paths << QStringLiteral(":/Resources/Icons/Mainmenu/%1_ws.bmp").arg(QLatin1String(name));
    const QDir bar(QStringLiteral(":/Resources/Icons/Tools/Statusbar"));
    const QStringList icons = bar.entryList(QDir::Files);
    QCOMPARE(icons.size(), 17);
    for (const QString &name : icons) {
        const QImage icon(bar.filePath(name));
        QVERIFY2(icon.height() == 20 && QColor(icon.pixel(0, 0)) == QColor(Qt::black) && colourCount(icon, 3) >= 3,
                 qPrintable(name));
        paths << bar.filePath(name);
    }
    PreparedPictures &prepared = PreparedPictures::instance();
    QCOMPARE(prepared.count(), paths.size());
    for (const QString &path : paths) {
        const QImage stored = prepared.pixmap(path).toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY2(stored == QImage(path).convertToFormat(QImage::Format_RGB32), qPrintable(path));
    }
}

void TestResources::preparedPicturesFromDamagedData()
{
    // Two pictures: "a" of 2 x 1 pixels and "bcde" of 1 x 1.
    auto record = [](const QByteArray &name, int width, int height, const QVector<quint32> &pixels) {
        QByteArray r;
        for (int v : {name.size(), width, height, 0}) {
            r += char(v & 0xff);
            r += char(v >> 8);
        }
        r += name + QByteArray((4 - name.size() % 4) % 4, '\0');
        for (quint32 p : pixels)
            for (int shift = 0; shift < 32; shift += 8)
                r += char((p >> shift) & 0xff);
        return r;
    };
    const QByteArray whole = "TQP1" + record("a", 2, 1, {0xff112233u, 0xff445566u})
        + record("bcde", 1, 1, {0xffabcdefu});
    PreparedPictures two(whole);
    QCOMPARE(two.count(), 2);
    const QImage a = two.pixmap(QStringLiteral("a")).toImage();
    QCOMPARE(a.size(), QSize(2, 1));
    QCOMPARE(QColor(a.pixel(0, 0)), QColor(0x11, 0x22, 0x33));
    QCOMPARE(QColor(a.pixel(1, 0)), QColor(0x44, 0x55, 0x66));
    QCOMPARE(QColor(two.pixmap(QStringLiteral("bcde")).toImage().pixel(0, 0)), QColor(0xab, 0xcd, 0xef));
    // Pixels not 32-bit aligned in memory are copied: the same picture.
    const QByteArray shifted = ' ' + whole;
    QCOMPARE(PreparedPictures(QByteArray::fromRawData(shifted.constData() + 1, whole.size())).pixmap("a").toImage(), a);

    // Cut anywhere: the whole records before the cut are kept, nothing else.
    const int firstEnd = 4 + 8 + 4 + 8;
    for (int length = 0; length < whole.size(); ++length) {
        PreparedPictures cut(whole.left(length));
        QCOMPARE(cut.count(), length >= firstEnd ? 1 : 0);
    }
    // A bad record ends the reading: no size, a name too long.
    QCOMPARE(PreparedPictures("TQP1" + record("a", 0, 1, {}) + record("b", 1, 1, {1})).count(), 0);
    QCOMPARE(PreparedPictures("TQP1" + record("b", 1, 1, {1}) + record(QByteArray(600, 'n'), 1, 1, {1})).count(), 1);
}

void TestResources::mainButtonPicturesAreDistinct()
{
    QVector<QImage> images;
    for (const char *name : kMainButtons)
        images << QImage(QStringLiteral(":/Resources/Icons/Mainmenu/%1_ws.bmp").arg(QLatin1String(name)));
    for (int i = 0; i < images.size(); ++i)
        for (int j = i + 1; j < images.size(); ++j)
            QVERIFY2(differingShare(images[i], images[j]) > 0.02,
                     qPrintable(QStringLiteral("%1 and %2 look alike")
                                    .arg(QLatin1String(kMainButtons[i]), QLatin1String(kMainButtons[j]))));
}

void TestResources::styleSheetParsesAndApplies()
{
    const QByteArray qss = readResource(QStringLiteral(":/Stylesheets/Resources/Stylesheets/default.qss"));
    QVERIFY(!qss.isEmpty());
    // Read as Latin-1 up to the first zero byte: the whole file must survive.
    QCOMPARE(qss.indexOf('\0'), -1);

    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
    qApp->setStyleSheet(QString::fromLatin1(qss));
    QWidget window;
    window.resize(480, 272);
    auto *layout = new QVBoxLayout(&window);
    auto *label = new QLabel(QStringLiteral("label"));
    auto *button = new QPushButton(QStringLiteral("button"));
    auto *bar = new QProgressBar;
    layout->addWidget(label);
    layout->addWidget(button);
    layout->addWidget(bar);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage shot = window.grab().toImage();
    const QColor text = label->palette().color(QPalette::WindowText);
    qInstallMessageHandler(previous);
    qApp->setStyleSheet(QString());

    QVERIFY2(g_warnings.isEmpty(), qPrintable(g_warnings.join(QLatin1Char('\n'))));
    // White text on black.
    QCOMPARE(text, QColor(Qt::white));
    QCOMPARE(shot.pixelColor(1, 1), QColor(Qt::black));
}

void TestResources::alsaStateIsWellFormed()
{
    const QString text = QString::fromUtf8(readResource(QStringLiteral(":/Resources/Files/asound.state")));
    QVERIFY(!text.isEmpty());

    // One card block whose braces balance, never closing more than opened.
    int depth = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('{'))
            ++depth;
        else if (c == QLatin1Char('}'))
            --depth;
        QVERIFY(depth >= 0);
    }
    QCOMPARE(depth, 0);
    QVERIFY(text.startsWith(QLatin1String("state.")));

    // Every control has an interface, a name, a value and a type; controls
    // are numbered from 1 without gaps.
    const QRegularExpression control(QStringLiteral("\\n\\tcontrol\\.(\\d+) \\{\\n(.*?)\\n\\t\\}"),
                                     QRegularExpression::DotMatchesEverythingOption);
    QStringList names;
    int expected = 1;
    for (auto it = control.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        QCOMPARE(m.captured(1).toInt(), expected++);
        const QString body = m.captured(2);
        QVERIFY(body.contains(QLatin1String("\t\tiface MIXER\n")));
        QVERIFY(body.contains(QRegularExpression(QStringLiteral("\\t\\tvalue(\\.\\d+)? \\S"))));
        QVERIFY(body.contains(QRegularExpression(QStringLiteral("\\t\\t\\ttype (INTEGER|BOOLEAN|ENUMERATED)\\n"))));
        const auto name = QRegularExpression(QStringLiteral("\\t\\tname '([^']+)'")).match(body);
        QVERIFY(name.hasMatch());
        names << name.captured(1);
    }
    QVERIFY(names.size() >= 5);
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
}

void TestResources::englishCatalogueTranslatesMainMenu_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::newRow("Histogram") << "Histogram" << "Pinpointing";
    QTest::newRow("Level") << "Level" << "Level";
    QTest::newRow("Longterm") << "Longterm" << "Long-term";
    QTest::newRow("H2Sensor") << "H2Sensor" << "H2 sensor";
    QTest::newRow("Pipelocating") << "Pipelocating" << "Pipe locating";
    QTest::newRow("Management") << "Management" << "Management";
}

void TestResources::englishCatalogueTranslatesMainMenu()
{
    QFETCH(QString, key);
    QFETCH(QString, text);
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/Languages/GB_TQ3900.qm")));
    QCOMPARE(translator.translate("MainMenu", key.toLatin1().constData()), text);
    // Only in its own context.
    QVERIFY(translator.translate("NoSuchContext", key.toLatin1().constData()).isEmpty());
}

void TestResources::everyCatalogueLoads()
{
    const QStringList files = QDir(QStringLiteral(":/Languages")).entryList(QDir::Files);
    QVERIFY(files.contains(QStringLiteral("GB_TQ3900.qm")));
    for (const QString &file : files) {
        QVERIFY2(file.endsWith(QLatin1String("_TQ3900.qm")), qPrintable(file));
        QTranslator translator;
        QVERIFY2(translator.load(QStringLiteral(":/Languages/") + file), qPrintable(file));
        QVERIFY2(!translator.isEmpty(), qPrintable(file));
    }
}

// A PC has no "Arial Unicode MS": the program's font is the installed stand-in
// by name, so that resolving it never searches the system's fonts; texts that
// name the board's family get the stand-in through the substitution.
void TestResources::applicationFontWithoutTheBoardsFont()
{
    TestRoot root;
    const QFont font = loadApplicationFont();
    QCOMPARE(font.pixelSize(), 20);
    QCOMPARE(font.weight(), 50);
    QCOMPARE(font.family(), QStringLiteral("DejaVu Sans"));
    QVERIFY(QFontDatabase().hasFamily(font.family()));
    QCOMPARE(QFontInfo(font).family(), font.family());
    QCOMPARE(QFont::substitutes(QStringLiteral("Arial Unicode MS")), QStringList({"dejavu sans"}));
    QCOMPARE(QFontInfo(QFont(QStringLiteral("Arial Unicode MS"), 12)).family(), font.family());
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
