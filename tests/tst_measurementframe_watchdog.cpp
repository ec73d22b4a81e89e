// The link watchdog of the frame every acoustic measurement screen shares,
// against the simulated sensor unit: one warning per loss of the link while
// the screen is live, muted; a second after the link was back and is lost
// again. Where it stays quiet: tst_measurementframe_quiet.
//
// Every test runs for each screen in screens() (tests/common/framescreens.h).
#include "framescreens.h"

#include <QSignalSpy>
#include <QtTest>

class TestMeasurementFrameWatchdog : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { m_sim.reset(); }

    void watchdog_data() { screenRows(); }
    void watchdog();

private:
    FrameBoard m_sim;
};

void TestMeasurementFrameWatchdog::watchdog()
{
    const FrameScreen s = currentScreen();
    QVERIFY(m_sim.open("Switch"));
    SimBoard &board = *m_sim.board;
    MainMenu &w = *m_sim.window;
    FrameModals &modals = *m_sim.modals;
    w.displayWidget(s.number, 1, 0);
    QWidget *page = w.findChild<QStackedWidget *>("mainWidget")->currentWidget();
    MeasurementFrame *frame = s.frame(w);
    QSignalSpy ticks(frame->watchdogTimer(), &QTimer::timeout);
    QTRY_VERIFY_WITH_TIMEOUT(ticks.size() >= 2, 10 * MeasurementFrame::kWatchdogMs);
    QCOMPARE(modals.seen, QStringList());

    // Listening when the link breaks: one warning within a tick of the
    // status data seeing it, muted. Counted in the watchdog's ticks, which a
    // loaded machine stretches alike.
    QTest::keyPress(page, Qt::Key_F10);
    QTRY_COMPARE(m_sim.gpio17().last(), QStringLiteral("1"));
    QCOMPARE(board.send("bt ttyO2 drop rfcomm"), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(!StatusbarData()->stateMicrophone(), 10000);
    ticks.clear();
    QTRY_COMPARE_WITH_TIMEOUT(modals.seen.size(), 1, 10 * MeasurementFrame::kWatchdogMs);
    QVERIFY2(ticks.size() <= 1, qPrintable(QString::number(ticks.size())));
    QCOMPARE(modals.seen.first(), QStringLiteral("No bluetooth connection.\nPlease check your GX-4."));
    QVERIFY(w.isAudioPathMuted());
    QCOMPARE(m_sim.gpio17().last(), QStringLiteral("0"));
    ticks.clear();
    QTRY_VERIFY_WITH_TIMEOUT(ticks.size() >= 3, 10 * MeasurementFrame::kWatchdogMs);
    QCOMPARE(modals.seen.size(), 1); // once per loss

    // Back for a tick, lost again: a second warning.
    QCOMPARE(board.send("bt ttyO2 restore rfcomm"), QStringLiteral("ok"));
    QVERIFY(m_sim.linkBack(*w.getBtSinkInstance()));
    QTRY_VERIFY_WITH_TIMEOUT(frame->isWatchdogArmed(), 10 * MeasurementFrame::kWatchdogMs);
    QCOMPARE(modals.seen.size(), 1);
    QCOMPARE(board.send("bt ttyO2 drop rfcomm"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(modals.seen.size(), 2, 10 * MeasurementFrame::kWatchdogMs);
}

QTEST_MAIN(TestMeasurementFrameWatchdog)
#include "tst_measurementframe_watchdog.moc"
