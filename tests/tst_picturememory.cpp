// Pictures of style sheets are decoded once per file, and the screens'
// charts keep their picture buffers: what an all-day instrument must not
// do is take new memory on every visit of a screen or opening of a dialog.

#define Q_TEST_QPIXMAPCACHE // QPixmapCache::totalUsed()

#include "freqspectrum.h"
#include "longtermdata.h"
#include "sharedpictureicons.h"

#include <QIcon>
#include <QImage>
#include <QPixmapCache>
#include <QPushButton>
#include <QtTest>

namespace {

const QString kUp = QStringLiteral(":/Resources/Icons/Allgemein/Triangle_up_ws_44px.png");
const QString kUpPressed = QStringLiteral(":/Resources/Icons/Allgemein/Triangle_up_sw_44px.png");

// A side-menu button as the forms make it, drawn once.
QImage drawSideButton()
{
    QWidget page;
    page.setStyleSheet(QStringLiteral("background: black;"));
    auto *button = new QPushButton(&page);
    button->setGeometry(0, 0, 54, 54);
    button->setStyleSheet(QStringLiteral("QPushButton {image: url(%1); padding: 5px 5px; border: 0px;}\n"
                                         "QPushButton:pressed {image: url(%2);}")
                              .arg(kUp, kUpPressed));
    return page.grab(QRect(0, 0, 54, 54)).toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestPictureMemory : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void iconsOfOneFileShareTheirPicture();
    void sheetPictureDrawnAndNotKeptPerOpening();
    void chartsKeepTheirPictureBuffers();
};

void TestPictureMemory::initTestCase()
{
    SharedPictureIcons::install();
    SharedPictureIcons::install(); // a second call changes nothing
}

void TestPictureMemory::iconsOfOneFileShareTheirPicture()
{
    const QImage file(kUp);
    QCOMPARE(file.size(), QSize(44, 44));

    const QIcon first(kUp);
    const QIcon second(kUp);
    QVERIFY(!first.isNull());
    QCOMPARE(first.availableSizes(), QList<QSize>{QSize(44, 44)});
    const QPixmap a = first.pixmap(QSize(44, 44));
    const QPixmap b = second.pixmap(QSize(44, 44));
    QCOMPARE(a.size(), QSize(44, 44));
    // One decoded copy for both icons, the file's own pixels.
    QCOMPARE(a.cacheKey(), b.cacheKey());
    QCOMPARE(a.toImage().convertToFormat(QImage::Format_ARGB32), file.convertToFormat(QImage::Format_ARGB32));
    // Larger areas get the picture at its size, smaller ones a scaled copy.
    QCOMPARE(first.actualSize(QSize(54, 54)), QSize(44, 44));
    QCOMPARE(first.pixmap(QSize(54, 54)).size(), QSize(44, 44));
    QCOMPARE(first.pixmap(QSize(22, 30)).size(), QSize(22, 22));
    QVERIFY(first.pixmap(QSize(22, 22)).cacheKey() != a.cacheKey());
    // Another file is another picture; a file that does not read is no icon.
    QVERIFY(QIcon(kUpPressed).pixmap(QSize(44, 44)).cacheKey() != a.cacheKey());
    QVERIFY(QIcon(QStringLiteral(":/no/such/picture.png")).isNull());
    QVERIFY(QIcon(QStringLiteral(":/no/such/picture.png")).pixmap(QSize(44, 44)).isNull());
    // A copy made from the icon (as Qt makes when it changes one) shares it.
    QIcon changed = first;
    changed.addPixmap(QPixmap(10, 10), QIcon::Disabled);
    QCOMPARE(changed.pixmap(QSize(44, 44)).cacheKey(), a.cacheKey());
    QCOMPARE(first.availableSizes(QIcon::Disabled), QList<QSize>{});
}

void TestPictureMemory::sheetPictureDrawnAndNotKeptPerOpening()
{
    const QImage picture = QImage(kUp).convertToFormat(QImage::Format_ARGB32);
    const QImage drawn = drawSideButton();
    // Drawn in the middle of the button: the picture's opaque pixels show.
    int compared = 0;
    for (int y = 0; y < 44; ++y)
        for (int x = 0; x < 44; ++x)
            if (qAlpha(picture.pixel(x, y)) == 255) {
                QCOMPARE(drawn.pixel(5 + x, 5 + y), picture.pixel(x, y) | 0xff000000u);
                ++compared;
            }
    QVERIFY(compared > 100);

    // Each drawing made a new sheet, as each opening of a dialog does: the
    // picture cache holds what the first one left, no more.
    const int afterFirst = QPixmapCache::totalUsed();
    for (int i = 0; i < 5; ++i)
        QCOMPARE(drawSideButton(), drawn);
    QCOMPARE(QPixmapCache::totalUsed(), afterFirst);
}

void TestPictureMemory::chartsKeepTheirPictureBuffers()
{
    LongtermData chart;
    chart.init(420, 195, Qt::blue, Qt::cyan);
    const uchar *buffer = chart.chartImage().constBits();
    const QImage first = chart.chartImage().copy();
    chart.init(420, 195, Qt::blue, Qt::cyan); // the next entry of the screen
    QCOMPARE(chart.chartImage().constBits(), buffer);
    QCOMPARE(chart.chartImage(), first); // drawn over: the same empty chart
    chart.init(416, 185, Qt::blue, Qt::cyan);
    QCOMPARE(chart.chartImage().size(), QSize(416, 185));

    FreqSpectrum spectrum;
    spectrum.init(230, 90);
    const uchar *spectrumBuffer = spectrum.getImage().constBits();
    spectrum.init(230, 90);
    QCOMPARE(spectrum.getImage().constBits(), spectrumBuffer);
    QCOMPARE(spectrum.getImage().pixel(100, 40), QColor(Qt::darkGray).rgb());
    spectrum.init(200, 90);
    QCOMPARE(spectrum.getImage().size(), QSize(200, 90));
}

QTEST_MAIN(TestPictureMemory)
#include "tst_picturememory.moc"
