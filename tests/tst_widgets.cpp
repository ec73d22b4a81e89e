// The custom widgets of the forms: markers of the level bar, the tool tip of
// a held button, the picture button's release position, and the text drawing
// of the icon and list buttons.
#include "iconbutton.h"
#include "picturebutton.h"
#include "progressbarminmaxmarker.h"
#include "settingsbutton.h"
#include "tooltipbutton.h"

#include <QElapsedTimer>
#include <QImage>
#include <QToolTip>
#include <QtTest>

#include <climits>
#include <memory>

namespace {

bool isRed(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
}

bool isBlue(QRgb c)
{
    return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60;
}

bool isWhite(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) > 200;
}

bool isBlack(QRgb c)
{
    return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60;
}

// Columns that hold at least one pixel for which test is true.
QList<int> columnsWhere(const QImage &img, bool (*test)(QRgb))
{
    QList<int> columns;
    for (int x = 0; x < img.width(); ++x) {
        for (int y = 0; y < img.height(); ++y) {
            if (test(img.pixel(x, y))) {
                columns << x;
                break;
            }
        }
    }
    return columns;
}

// Bounding box of the pixels for which test is true, within area.
QRect boxWhere(const QImage &img, const QRect &area, bool (*test)(QRgb))
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (test(img.pixel(x, y)))
                box = box.united(QRect(x, y, 1, 1));
    return box;
}

// A bar whose own painting is all black, so only the markers have colour.
std::unique_ptr<ProgressBarMinMaxMarker> blackBar(int width, int minimum, int maximum)
{
    auto bar = std::make_unique<ProgressBarMinMaxMarker>();
    bar->setStyleSheet("QProgressBar { background: black; border: none; }"
                       "QProgressBar::chunk { background: black; }");
    bar->setTextVisible(false);
    bar->setRange(minimum, maximum);
    bar->setValue(minimum);
    bar->resize(width, 20);
    return bar;
}

// A solid green face without frame, so the drawn text stands out.
const char kPlainFace[] = "QPushButton { background: rgb(0, 128, 0); border: none; padding: 0px; }";

} // namespace

class TestWidgets : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    // ProgressBarMinMaxMarker
    void markerPlacement_data();
    void markerPlacement();
    void minimumMarkerLiesOnTop();

    // TooltipButton
    void tooltipNotShownWhenReleasedEarly();
    void tooltipShownWhenHeld();
    void tooltipButtonStillClicks();
    void tooltipTimerDiesWithItsButton();

    // PictureButton
    void pictureButtonReportsRelease();

    // IconButton
    void iconButtonText();
    void iconButtonSameTextRepaintsOnce();
    void iconButtonDrawsTextRightOfIcon();

    // SettingsButton
    void settingsButtonLines();
    void settingsButtonDrawsBothLines();
};

void TestWidgets::cleanup()
{
    QToolTip::hideText();
}

// ---------------------------------------------------------------------------
// ProgressBarMinMaxMarker

void TestWidgets::markerPlacement_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("marker");
    QTest::addColumn<int>("column"); // -1: not drawn
    QTest::newRow("100 at the right end") << 0 << 100 << 100 << 199;
    QTest::newRow("0 at the left end") << 0 << 100 << 0 << 0;
    QTest::newRow("50 in the middle") << 0 << 100 << 50 << 99;
    QTest::newRow("101 not drawn") << 0 << 100 << 101 << -1;
    QTest::newRow("-1 not drawn") << 0 << 100 << -1 << -1;
    QTest::newRow("range not starting at 0") << 20 << 120 << 70 << 99;
    QTest::newRow("below a range not starting at 0") << 20 << 120 << 10 << -1;
    QTest::newRow("empty range draws nothing") << 0 << 0 << 0 << -1;
    QTest::newRow("empty range at 50") << 50 << 50 << 50 << -1;
    QTest::newRow("whole int range") << INT_MIN << INT_MAX << INT_MAX << 199;
}

void TestWidgets::markerPlacement()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, marker);
    QFETCH(int, column);
    for (const bool isMax : {true, false}) {
        auto bar = blackBar(200, minimum, maximum);
        if (isMax)
            bar->setMaxMarker(marker);
        else
            bar->setMinMarker(marker);
        const QImage img = bar->grab().toImage();
        QCOMPARE(img.width(), 200);
        const QList<int> red = columnsWhere(img, isRed);
        const QList<int> blue = columnsWhere(img, isBlue);
        const QList<int> &drawn = isMax ? red : blue;
        // The other marker keeps its start value -1, hidden unless the
        // range holds it.
        if (minimum > -1)
            QVERIFY(isMax ? blue.isEmpty() : red.isEmpty());
        if (column < 0) {
            QVERIFY2(drawn.isEmpty(), qPrintable(QString::number(drawn.value(0))));
            continue;
        }
        // A 3 px line centred on the column, over the full height.
        QVERIFY2(drawn.contains(column), qPrintable(QString::number(drawn.value(0))));
        QVERIFY(drawn.first() >= column - 2 && drawn.last() <= column + 2);
        const QRgb top = img.pixel(column, 0);
        const QRgb bottom = img.pixel(column, img.height() - 1);
        QVERIFY(isMax ? isRed(top) && isRed(bottom) : isBlue(top) && isBlue(bottom));
    }
}

void TestWidgets::minimumMarkerLiesOnTop()
{
    auto bar = blackBar(200, 0, 100);
    QCOMPARE(bar->maxMarker(), -1); // both start hidden
    QCOMPARE(bar->minMarker(), -1);
    bar->setMaxMarker(50);
    bar->setMinMarker(50);
    QImage img = bar->grab().toImage();
    QVERIFY(isBlue(img.pixel(99, 10)));
    QVERIFY(columnsWhere(img, isRed).isEmpty());

    // Apart, both show; the values take effect at the next repaint.
    bar->setMaxMarker(80);
    QCOMPARE(bar->maxMarker(), 80);
    QCOMPARE(bar->minMarker(), 50);
    img = bar->grab().toImage();
    QVERIFY(isBlue(img.pixel(99, 10)));
    QVERIFY(isRed(img.pixel(159, 10)));
}

// ---------------------------------------------------------------------------
// TooltipButton

void TestWidgets::tooltipNotShownWhenReleasedEarly()
{
    QWidget window;
    window.resize(480, 272);
    auto *button = new TooltipButton(&window);
    button->setGeometry(300, 100, 54, 54);
    button->setToolTip("Accept");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::qWait(300);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::qWait(700);
    QVERIFY(!QToolTip::isVisible());
}

void TestWidgets::tooltipShownWhenHeld()
{
    QWidget window;
    window.resize(480, 272);
    auto *button = new TooltipButton(&window);
    button->setGeometry(300, 100, 54, 54);
    button->setToolTip("Accept");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QPoint press = button->mapToGlobal(QPoint(20, 20));
    QElapsedTimer clock;
    clock.start();
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 20));
    QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 2000);
    QVERIFY2(clock.elapsed() >= 650, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(QToolTip::text(), QStringLiteral("Accept"));

    // The tip label stands 30 px left of the press, moved only by the
    // toolkit's small offset for the mouse cursor (2 px).
    QWidget *tip = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->inherits("QTipLabel") && w->isVisible())
            tip = w;
    QVERIFY(tip);
    const int dx = tip->x() - (press.x() - 30);
    QVERIFY2(dx >= 0 && dx <= 4, qPrintable(QString::number(dx)));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(20, 20));
}

void TestWidgets::tooltipButtonStillClicks()
{
    TooltipButton button;
    button.resize(54, 54);
    QSignalSpy clicked(&button, &QPushButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(clicked.count(), 1);
    QTest::qWait(800);
    QVERIFY(!QToolTip::isVisible());
}

void TestWidgets::tooltipTimerDiesWithItsButton()
{
    auto button = std::make_unique<TooltipButton>();
    button->resize(54, 54);
    button->setToolTip("Cancel");
    QTest::mousePress(button.get(), Qt::LeftButton, {}, QPoint(10, 10));
    button.reset(); // the pending tip must not reach a destroyed button
    QTest::qWait(900);
    QVERIFY(!QToolTip::isVisible());
}

// ---------------------------------------------------------------------------
// PictureButton

void TestWidgets::pictureButtonReportsRelease()
{
    PictureButton button;
    button.resize(420, 200);
    QCOMPARE(button.getReleasePos(), QPointF(17.0, 23.0));
    QSignalSpy clicked(&button, &QPushButton::clicked);
    QSignalSpy released(&button, &PictureButton::mouseReleased);

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(100, 50));
    QVERIFY(button.isDown());
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(250, 130));
    QCOMPARE(released.count(), 1);
    QCOMPARE(released.first().first().toPointF(), QPointF(250, 130));
    QCOMPARE(button.getReleasePos(), QPointF(250, 130));
    QCOMPARE(clicked.count(), 0);
    QVERIFY(!button.isDown()); // does not stay pressed

    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 6));
    QCOMPARE(released.count(), 2);
    QCOMPARE(button.getReleasePos(), QPointF(5, 6));
    QCOMPARE(clicked.count(), 0);
}

// ---------------------------------------------------------------------------
// IconButton

void TestWidgets::iconButtonText()
{
    IconButton button;
    QCOMPARE(button.text(), QString());
    button.setText("&Map");
    QCOMPARE(button.text(), QStringLiteral("&Map"));
    // The base button's own text stays empty: only the icon is drawn by it.
    QCOMPARE(static_cast<QPushButton &>(button).text(), QString());
    QCOMPARE(button.shortcut(), QKeySequence::mnemonic("&Map"));
    QVERIFY(!button.shortcut().isEmpty());
    button.setText("Grid");
    QVERIFY(button.shortcut().isEmpty());
}

void TestWidgets::iconButtonSameTextRepaintsOnce()
{
    class PaintCounter : public QObject
    {
    public:
        int paints = 0;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Paint)
                ++paints;
            return false;
        }
    } counter;

    IconButton button;
    button.resize(200, 50);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QCoreApplication::processEvents();
    button.installEventFilter(&counter);

    button.setText("Frequency");
    QTRY_COMPARE(counter.paints, 1);
    button.setText("Frequency");
    QTest::qWait(50);
    QCOMPARE(counter.paints, 1);
    button.setText("Level");
    QTRY_COMPARE(counter.paints, 2);
}

void TestWidgets::iconButtonDrawsTextRightOfIcon()
{
    IconButton button;
    button.setStyleSheet(kPlainFace);
    button.resize(300, 50);
    button.setText("MMMM");
    QImage img = button.grab().toImage();
    const QRect white = boxWhere(img, img.rect(), isWhite);
    QVERIFY(!white.isEmpty());
    QVERIFY2(white.left() >= 52 && white.left() < 60, qPrintable(QString::number(white.left())));
    QVERIFY(white.top() > 5 && white.bottom() < 45); // vertically centred

    // Held down, the text turns black.
    button.setDown(true);
    img = button.grab().toImage();
    QVERIFY(boxWhere(img, img.rect(), isWhite).isEmpty());
    const QRect black = boxWhere(img, img.rect(), isBlack);
    QVERIFY(black.left() >= 52);
}

// ---------------------------------------------------------------------------
// SettingsButton

void TestWidgets::settingsButtonLines()
{
    SettingsButton button;
    QCOMPARE(button.font().family(), QStringLiteral("Arial Unicode MS"));
    QCOMPARE(button.font().pointSize(), 12);
    button.setText("old");
    button.setText2("Language", "English");
    QCOMPARE(button.text(), QString());
    QCOMPARE(button.getText1(), QStringLiteral("Language"));
    QCOMPARE(button.getText2(), QStringLiteral("English"));
    QCOMPARE(button.getAdditionalInfo(), QString());
    button.setAdditionalInfo("LM_20240101_120000_Pump");
    QCOMPARE(button.getAdditionalInfo(), QStringLiteral("LM_20240101_120000_Pump"));
}

void TestWidgets::settingsButtonDrawsBothLines()
{
    SettingsButton button;
    button.setStyleSheet(kPlainFace);
    button.resize(426, 50);
    button.setText2("MMMM", "MMMM");
    QImage img = button.grab().toImage();

    // Title: left-aligned from x 55 in the upper half.
    const QRect title = boxWhere(img, QRect(0, 0, 426, 25), isWhite);
    QVERIFY(!title.isEmpty());
    QVERIFY2(title.left() >= 55 && title.left() < 62, qPrintable(QString::number(title.left())));
    QVERIFY(title.right() < 200);
    // Value: right-aligned to x 410 in the lower half.
    const QRect value = boxWhere(img, QRect(0, 25, 426, 25), isWhite);
    QVERIFY(!value.isEmpty());
    QVERIFY2(value.right() <= 411 && value.right() > 400, qPrintable(QString::number(value.right())));
    QVERIFY(value.left() > 250);
    // The title is bold: its strokes are wider than the value's.
    QVERIFY(title.width() > value.width());

    button.setDown(true);
    img = button.grab().toImage();
    QVERIFY(boxWhere(img, img.rect(), isWhite).isEmpty());
    QVERIFY(!boxWhere(img, QRect(55, 0, 356, 50), isBlack).isEmpty());
}

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
