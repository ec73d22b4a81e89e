// The keyboard and display tests as the factory works them: the six keys
// through the application's key filter in raw-key mode (the power key held
// for seconds powers nothing down until the test has ended), and the display
// patterns as they come on the screen, timed against the 5 s each lasts,
// also when the station starts a second pattern or passes during one.
#include "eventhandler.h"
#include "globals.h"
#include "station.h"
#include "testmenudisplay.h"
#include "testmenukeyboard.h"
#include "testroot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGraphicsView>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

const char kBacklight[] = "/sys/class/backlight/backlight/brightness";

template <class T> T *child(QWidget *w, const char *name)
{
    T *c = w->findChild<T *>(QLatin1String(name));
    if (!c)
        qWarning() << "no child" << name;
    return c;
}

// A key as the board's keypad driver delivers it, to the focus widget,
// through the application's filter.
void key(QWidget *dialog, QEvent::Type type, int code, bool autoRepeat = false)
{
    QWidget *target = dialog->focusWidget() ? dialog->focusWidget() : dialog;
    QKeyEvent event(type, code, Qt::NoModifier, QString(), autoRepeat);
    QApplication::sendEvent(target, &event);
}

void pressAndRelease(QWidget *dialog, int code)
{
    key(dialog, QEvent::KeyPress, code);
    key(dialog, QEvent::KeyRelease, code);
}

// The power key held long enough for the filter's power-down: a press and
// its auto-repeats, then the release.
void holdPowerKey(QWidget *dialog)
{
    key(dialog, QEvent::KeyPress, Qt::Key_F1);
    for (int i = 0; i < 12; ++i)
        key(dialog, QEvent::KeyPress, Qt::Key_F1, true);
    key(dialog, QEvent::KeyRelease, Qt::Key_F1);
}

QStringList labelTexts(QWidget *w)
{
    QStringList out;
    for (const char *name : {"labelIO", "labelFAV", "labelMUTE", "labelUP", "labelOK", "labelDOWN"})
        out << child<QLabel>(w, name)->text();
    return out;
}

QRgb pixel(const QImage &image, int x, int y)
{
    return image.pixel(x, y) & 0xffffff;
}

} // namespace

class TestTestScreens : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void keyboardTestTakesTheRawKeys();
    void displayTestShowsThePatterns();

private:
    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<Station> m_station;
    std::unique_ptr<EventHandler> m_filter;
};

void TestTestScreens::init()
{
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    m_station = std::make_unique<Station>(m_root->root());
    m_filter = std::make_unique<EventHandler>();
    qApp->installEventFilter(m_filter.get());
    g_hardwareTestActive = false;
}

void TestTestScreens::cleanup()
{
    qApp->removeEventFilter(m_filter.get());
    m_filter.reset();
    m_station.reset();
    m_root.reset();
}

void TestTestScreens::keyboardTestTakesTheRawKeys()
{
    auto test = std::make_unique<TestmenuKeyboard>();
    // Raw-key mode comes with the first refresh, not with the page: checked
    // before the event loop has run, since on a slow machine the first
    // refresh may come while the page is still being shown. The refresh
    // period in real time, over eight gaps: a tick that came late is followed
    // by a shorter gap (the timer keeps its schedule), so a late first tick
    // can shorten the span by up to one period, and a coarse timer fires up
    // to 5 % early.
    QVERIFY(!g_hardwareTestActive);
    QElapsedTimer clock;
    clock.start();
    QList<qint64> ticks;
    const auto tick = connect(test->refreshTimer(), &QTimer::timeout, this, [&] { ticks << clock.elapsed(); });
    test->show();
    QVERIFY(QTest::qWaitForWindowExposed(test.get()));
    QPushButton *pass = child<QPushButton>(test.get(), "butPass");
    QCOMPARE(labelTexts(test.get()), QStringList({"unknown", "unknown", "unknown", "unknown", "unknown", "unknown"}));
    QCOMPARE(child<QPushButton>(test.get(), "butTestMUTE")->text(), QStringLiteral("MUTE"));
    QVERIFY(!child<QPushButton>(test.get(), "butTestOK")->isEnabled());
    QCOMPARE(test->refreshTimer()->interval(), 50);
    QTRY_VERIFY(ticks.size() >= 9);
    disconnect(tick);
    QVERIFY(g_hardwareTestActive);
    QVERIFY2(ticks[8] - ticks[0] >= 7 * 50 * 95 / 100, qPrintable(QString::number(ticks[8] - ticks[0])));
    m_root->clearJournals();

    // FAV released without a press (held when the test opened) and pressed
    // again, then UP pressed and released: only UP counts.
    key(test.get(), QEvent::KeyRelease, Qt::Key_F2);
    key(test.get(), QEvent::KeyPress, Qt::Key_F2);
    pressAndRelease(test.get(), Qt::Key_F3);
    QTRY_COMPARE(child<QLabel>(test.get(), "labelUP")->text(), QStringLiteral("OK"));
    QCOMPARE(child<QLabel>(test.get(), "labelFAV")->text(), QStringLiteral("unknown"));
    // Each key lights its own indicator.
    for (const char *name : {"butTestIO", "butTestFAV", "butTestMUTE", "butTestUP", "butTestOK", "butTestDOWN"})
        QCOMPARE(child<QPushButton>(test.get(), name)->styleSheet() == QLatin1String(TestmenuKeyboard::kDoneStyle),
                 QByteArray(name) == "butTestUP");

    // The power key held for seconds: seen raw, no power-down, the test stays.
    QTest::ignoreMessage(QtDebugMsg, "IO released");
    holdPowerKey(test.get());
    QTRY_COMPARE(child<QLabel>(test.get(), "labelIO")->text(), QStringLiteral("OK"));
    QVERIFY(test->isVisible());
    QVERIFY(m_root->sysfsWritesTo(kBacklight).isEmpty());

    // Five keys complete: no Pass yet. A second press of one changes nothing.
    for (int code : {Qt::Key_F2, Qt::Key_F4, Qt::Key_F5, Qt::Key_F4})
        pressAndRelease(test.get(), code);
    QTRY_COMPARE(labelTexts(test.get()), QStringList({"OK", "OK", "unknown", "OK", "OK", "OK"}));
    QVERIFY(!pass->isVisible());
    QCOMPARE(child<QPushButton>(test.get(), "butTestMUTE")->styleSheet(),
             QStringLiteral("text-align: center;\ncolor: rgb(0, 0, 0);\nbackground-color: rgb(252, 233, 79);"));
    for (const char *name : {"butTestIO", "butTestFAV", "butTestUP", "butTestOK", "butTestDOWN"})
        QCOMPARE(child<QPushButton>(test.get(), name)->styleSheet(), QLatin1String(TestmenuKeyboard::kDoneStyle));

    // MUTE: all six, Pass offered; the station's commands as every test has.
    pressAndRelease(test.get(), Qt::Key_F6);
    QTRY_VERIFY(pass->isVisible());
    QCOMPARE(labelTexts(test.get()), QStringList({"OK", "OK", "OK", "OK", "OK", "OK"}));
    QCOMPARE(m_station->send("cmdTestKeyboard"), QStringLiteral("staActive"));
    QCOMPARE(m_station->pollNow(test->remote(), "cmdKeyboardRead"), QStringLiteral("staUnknownCommand"));
    QVERIFY(g_hardwareTestActive);

    // The verdict ends raw-key mode for good: the held power key powers down.
    QCOMPARE(m_station->send("cmdPass"), QStringLiteral("resPassed"));
    QVERIFY(!test->isVisible());
    QVERIFY(!g_hardwareTestActive);
    QVERIFY(!test->refreshTimer()->isActive());
    QTest::ignoreMessage(QtDebugMsg, "Power down");
    QTest::ignoreMessage(QtDebugMsg, "Send Event for shutdown");
    holdPowerKey(test.get());
    QTRY_COMPARE(m_root->sysfsWritesTo(kBacklight), QStringList({"0"}));
    test.reset();

    // Closed without a verdict (the menu destroyed it): the flag goes too.
    auto again = std::make_unique<TestmenuKeyboard>();
    QTRY_VERIFY(g_hardwareTestActive);
    again.reset();
    QVERIFY(!g_hardwareTestActive);
}

void TestTestScreens::displayTestShowsThePatterns()
{
    auto test = std::make_unique<TestmenuDisplay>();
    test->show();
    QVERIFY(QTest::qWaitForWindowExposed(test.get()));
    auto *view = child<QGraphicsView>(test.get(), "graphicsView");
    QPushButton *pass = child<QPushButton>(test.get(), "butPass");
    QCOMPARE(view->geometry(), TestmenuDisplay::kPreviewGeometry);
    QVERIFY(!pass->isVisible());

    // The preview: a grey ramp from black to white in a red frame.
    QImage shot = test->grab().toImage();
    QCOMPARE(pixel(shot, 160, 7), qRgb(255, 0, 0) & 0xffffff);
    QCOMPARE(pixel(shot, 161, 100), 0u);
    QCOMPARE(pixel(shot, 160 + 128, 100), qRgb(127, 127, 127) & 0xffffff);
    QCOMPARE(pixel(shot, 160 + 256, 100), qRgb(255, 255, 255) & 0xffffff);
    QCOMPARE(pixel(shot, 160 + 257, 264), qRgb(255, 0, 0) & 0xffffff);

    // The grid over the whole display, nothing else on it.
    QCOMPARE(m_station->send("cmdDisplayGrid"), QStringLiteral("staActive"));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(view->geometry(), TestmenuDisplay::kFullScreen);
    for (const char *name : {"butBack", "butGrid", "butColor", "butGradient"})
        QVERIFY2(!child<QPushButton>(test.get(), name)->isVisible(), name);
    shot = test->grab().toImage();
    QCOMPARE(shot.size(), QSize(480, 272));
    const QRgb white = 0xffffff;
    for (int y = 0; y < 272; ++y) {
        const bool line = y == 0 || y == 271 || (y >= 20 && (y - 20) % 21 == 0 && y <= 251);
        QVERIFY2(pixel(shot, 30, y) == (line ? white : 0u), qPrintable(QString("row %1").arg(y)));
    }
    for (int x = 0; x < 480; ++x) {
        const bool line = x == 0 || x == 479 || (x >= 20 && x % 20 == 0 && x <= 460);
        QVERIFY2(pixel(shot, x, 30) == (line ? white : 0u), qPrintable(QString("column %1").arg(x)));
    }

    // 5 s later the preview is back, and Pass with it.
    QTRY_COMPARE_WITH_TIMEOUT(view->geometry(), TestmenuDisplay::kPreviewGeometry, 15000);
    QVERIFY2(clock.elapsed() >= TestmenuDisplay::kPatternMs * 9 / 10, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(pass->isVisible());
    QVERIFY(child<QPushButton>(test.get(), "butBack")->isVisible());
    QVERIFY(child<QPushButton>(test.get(), "butGradient")->isVisible());

    // Gradients by touch: white on the left, the full colour on the right.
    QTest::mouseClick(child<QPushButton>(test.get(), "butGradient"), Qt::LeftButton);
    clock.restart();
    shot = test->grab().toImage();
    QCOMPARE(pixel(shot, 0, 45), white);
    QCOMPARE(pixel(shot, 479, 45), qRgb(255, 0, 0) & 0xffffff);
    QCOMPARE(pixel(shot, 100, 45), qRgb(255, 202, 202) & 0xffffff);
    QCOMPARE(pixel(shot, 0, 135), white);
    QCOMPARE(pixel(shot, 479, 135), qRgb(0, 255, 0) & 0xffffff);
    QCOMPARE(pixel(shot, 0, 230), white);
    QCOMPARE(pixel(shot, 479, 230), qRgb(0, 0, 255) & 0xffffff);

    // Colour bands 3 s into the gradient: the gradient's timer ends them.
    QTRY_VERIFY_WITH_TIMEOUT(clock.elapsed() >= 3000, 10000);
    QCOMPARE(m_station->pollNow(test->remote(), "cmdDisplayColor"), QStringLiteral("staActive"));
    QElapsedTimer bands;
    bands.start();
    shot = test->grab().toImage();
    QCOMPARE(pixel(shot, 240, 45), qRgb(255, 0, 0) & 0xffffff);
    QCOMPARE(pixel(shot, 240, 135), qRgb(0, 255, 0) & 0xffffff);
    QCOMPARE(pixel(shot, 240, 230), qRgb(0, 0, 255) & 0xffffff);
    QTRY_COMPARE_WITH_TIMEOUT(view->geometry(), TestmenuDisplay::kPreviewGeometry, 15000);
    QVERIFY2(clock.elapsed() >= TestmenuDisplay::kPatternMs * 9 / 10, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(bands.elapsed() < TestmenuDisplay::kPatternMs - 1000, qPrintable(QString::number(bands.elapsed())));

    // Pass during a pattern closes at once; the pattern's timer dies with
    // the dialog (the sanitizers would see a call into the freed one).
    QTRY_VERIFY_WITH_TIMEOUT(bands.elapsed() > TestmenuDisplay::kPatternMs + 200, 15000);
    QCOMPARE(m_station->pollNow(test->remote(), "cmdDisplayGrid"), QStringLiteral("staActive"));
    clock.restart();
    QCOMPARE(m_station->pollNow(test->remote(), "cmdPass"), QStringLiteral("resPassed"));
    QVERIFY(!test->isVisible());
    QCOMPARE(test->result(), int(QDialog::Accepted));
    test.reset();
    QTRY_VERIFY_WITH_TIMEOUT(clock.elapsed() > TestmenuDisplay::kPatternMs + 500, 15000);
}

QTEST_MAIN(TestTestScreens)
#include "tst_testscreens.moc"
