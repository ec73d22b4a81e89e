// Where the link watchdog of the frame every acoustic measurement screen
// shares stays quiet, against the simulated sensor unit: a wired sensor, a
// stored view, a live screen another page replaced; and after a start
// straight into the screen, until the link has been up once.
//
// Every test runs for each screen in screens() (tests/common/framescreens.h).
#include "framescreens.h"
#include "measmanagement.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

class TestMeasurementFrameQuiet : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { m_sim.reset(); }

    void wiredStoredAndReplaced_data() { screenRows(); }
    void wiredStoredAndReplaced();
    void watchdogAfterFavouriteStart_data() { screenRows(); }
    void watchdogAfterFavouriteStart();

private:
    FrameBoard m_sim;
};

void TestMeasurementFrameQuiet::wiredStoredAndReplaced()
{
    const FrameScreen s = currentScreen();
    QVERIFY(m_sim.open("Switch"));
    SimBoard &board = *m_sim.board;
    MainMenu &w = *m_sim.window;
    FrameModals &modals = *m_sim.modals;
    QCOMPARE(board.send("bt ttyO2 drop rfcomm"), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(!StatusbarData()->stateMicrophone(), 10000);

    // A wired sensor needs no link.
    QCOMPARE(board.send("gpio 48 1"), QStringLiteral("ok"));
    StatusbarData()->update();
    QCOMPARE(StatusbarData()->sensorType(), 4);
    w.displayWidget(s.number, 1, 0);
    MeasurementFrame *frame = s.frame(w);
    QSignalSpy ticks(frame->watchdogTimer(), &QTimer::timeout);
    QTRY_VERIFY_WITH_TIMEOUT(ticks.size() >= 2, 10 * MeasurementFrame::kWatchdogMs);
    QCOMPARE(modals.seen, QStringList());

    // A stored view never warns, link or not.
    QCOMPARE(board.send("gpio 48 0"), QStringLiteral("ok"));
    StatusbarData()->update();
    w.displayWidget(7, 1, 0);
    const QString old = s.prefix + "20240315_143012_Old";
    QVERIFY(QDir().mkpath(m_sim.root->local("/media/tq3900/meas/" + old)));
    w.getInstanceMeasManagement()->openMeasurement(old);
    QTest::qWait(2 * MeasurementFrame::kWatchdogMs + 300);
    QCOMPARE(modals.seen, QStringList());

    // A live screen that another page replaced without leaving it (as the
    // favourite key does) warns no more: its watchdog stops with the page.
    w.show();
    QCOMPARE(board.send("bt ttyO2 restore rfcomm"), QStringLiteral("ok"));
    QVERIFY(m_sim.linkBack(*w.getBtSinkInstance()));
    w.displayWidget(s.number, 1, 0);
    QTRY_VERIFY_WITH_TIMEOUT(frame->isWatchdogArmed(), 10 * MeasurementFrame::kWatchdogMs);
    w.displayWidget(5, 1, 0);
    QVERIFY(!frame->watchdogTimer()->isActive());
    QCOMPARE(board.send("bt ttyO2 drop rfcomm"), QStringLiteral("ok"));
    QTest::qWait(2 * MeasurementFrame::kWatchdogMs + 300);
    QCOMPARE(modals.seen, QStringList());
}

void TestMeasurementFrameQuiet::watchdogAfterFavouriteStart()
{
    const FrameScreen s = currentScreen();
    // Started straight into the screen, before the link is up: no warning
    // until the link has been up once and is lost.
    m_sim.pair("Switch",
               QStringLiteral("FavouriteButton=%1\n[Dialogconfiguration]\nStartup_UseFavouriteForStartup=true\n")
                   .arg(s.favourite));
    SimBoard &board = *m_sim.board;
    QCOMPARE(board.send("bt ttyO2 drop rfcomm"), QStringLiteral("ok"));
    FrameModals modals;
    MainMenu w;
    QVERIFY(FrameBoard::current(w) != QStringLiteral("mainPage"));
    MeasurementFrame *frame = s.frame(w);
    QSignalSpy ticks(frame->watchdogTimer(), &QTimer::timeout);
    QTRY_VERIFY_WITH_TIMEOUT(ticks.size() >= 2, 10 * MeasurementFrame::kWatchdogMs);
    QCOMPARE(modals.seen, QStringList());
    QCOMPARE(board.send("bt ttyO2 restore rfcomm"), QStringLiteral("ok"));
    QVERIFY(m_sim.linkBack(*w.getBtSinkInstance()));
    QTRY_VERIFY_WITH_TIMEOUT(frame->isWatchdogArmed(), 10 * MeasurementFrame::kWatchdogMs);
    QCOMPARE(modals.seen, QStringList());
    QCOMPARE(board.send("bt ttyO2 drop rfcomm"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(modals.seen.size(), 1, 10 * MeasurementFrame::kWatchdogMs);

    // Entered again from the main page (no start-up any more): armed at once.
    w.displayWidget(0, 0, 0);
    QCOMPARE(w.getCurrentVisibleDlgNum(), s.favourite);
    w.displayWidget(s.number, 1, 0);
    QVERIFY(frame->isWatchdogArmed());
    QTRY_COMPARE_WITH_TIMEOUT(modals.seen.size(), 2, 10 * MeasurementFrame::kWatchdogMs);
}

QTEST_MAIN(TestMeasurementFrameQuiet)
#include "tst_measurementframe_quiet.moc"
