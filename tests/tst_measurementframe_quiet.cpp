// Where the link watchdog of the frame every acoustic measurement screen
// shares stays quiet, against the simulated sensor unit: a wired sensor, a
// stored view, a live screen another page replaced; and after a start
// straight into the screen, until the link has been up once. A listening
// screen left by the favourite key or by the power key inside its save
// keyboard goes quiet altogether: no poll, no timer, no unit key.
//
// Every test runs for each screen in screens() (tests/common/framescreens.h).
#include "eventhandler.h"
#include "framescreens.h"
#include "measmanagement.h"
#include "systemsettings.h"

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
    void leftByFavouriteOrPowerKey_data() { screenRows(); }
    void leftByFavouriteOrPowerKey();

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

// Every way off a listening screen releases it, however the main window
// moved its page: the favourite key (F2) to another measurement, and the
// power key inside the screen's own save keyboard. Keys go through the
// application's key filter, as on the board.
void TestMeasurementFrameQuiet::leftByFavouriteOrPowerKey()
{
    QFETCH(int, index);
    const FrameScreen s = screens().at(index).second;
    // The favourite is another measurement: level, or pinpointing from level.
    const FrameScreen other = screens().at(s.number == 1 ? 0 : 1).second;
    m_sim.pair("Switch", QStringLiteral("FavouriteButton=%1\n").arg(other.favourite));
    SimBoard &board = *m_sim.board;
    MainMenu w;
    w.show();
    EventHandler keys;
    qApp->installEventFilter(&keys);
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), board, *m_sim.root));
    auto codecOutput = [&] {
        const QStringList writes = m_sim.root->journal("mixer.log").filter("LO DAC :=");
        return writes.isEmpty() ? QString() : writes.last();
    };
    auto key = [](QWidget *target, Qt::Key k) {
        QTest::keyPress(target, k);
        QTest::keyRelease(target, k);
    };
    // Closes the hydrogen screen's note on its sensor; the power key into a keyboard.
    QTimer hand;
    connect(&hand, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<MessageDialog *>(modal))
            box->findChild<QPushButton *>("butMiddle")->click();
        else if (qobject_cast<VirtualKeyboard *>(modal))
            key(modal, Qt::Key_F1);
    });
    hand.start(50);
    auto listen = [&] {
        w.displayWidget(s.number, 1, 0);
        QTRY_COMPARE(FrameBoard::current(w), s.widget(w)->objectName());
        key(s.widget(w), Qt::Key_F6);
        QTRY_VERIFY(!w.isAudioPathMuted());
        QCOMPARE(m_sim.gpio17().last(), QStringLiteral("1"));
        QTRY_VERIFY(s.timer(w)->isActive());
    };
    // The left screen: released, the path muted, and for 6 s neither a poll
    // ("BT_TX S") nor a microphone line reaches the unit.
    auto released = [&](const QString &how) {
        QVERIFY2(!s.timer(w)->isActive(), qPrintable(how));
        QVERIFY2(!s.frame(w)->watchdogTimer()->isActive(), qPrintable(how));
        QVERIFY(w.isAudioPathMuted());
        QCOMPARE(m_sim.gpio17().last(), QStringLiteral("0"));
        QCOMPARE(codecOutput(), QStringLiteral("LO DAC := 0"));
        // The unit gets its lines one after another: a question sent now
        // marks the end of those the leaving sent.
        const int mark = board.unitLines().size();
        w.getBtSinkInstance()->sendData(QStringLiteral("BT_TX X"));
        QTRY_VERIFY_WITH_TIMEOUT(board.unitLines().mid(mark).contains("BT_TX X"), 20000);
        const int from = board.unitLines().lastIndexOf("BT_TX X") + 1;
        QTest::qWait(6000);
        const QStringList after = board.unitLines().mid(from);
        QVERIFY2(!after.contains("BT_TX S") && after.filter(QRegularExpression("^BT_TX I ")).isEmpty(),
                 qPrintable(how + ": " + after.join(", ")));
    };

    listen();
    if (QTest::currentTestFailed())
        return;
    key(s.widget(w), Qt::Key_F2);
    QTRY_COMPARE(FrameBoard::current(w), other.widget(w)->objectName());
    released("favourite key");
    if (QTest::currentTestFailed())
        return;
    // The unit's key acts on the screen shown only.
    for (bool listening : {true, false}) {
        const int gpioMark = m_sim.gpio17().size();
        QCOMPARE(board.send("unit key press"), QStringLiteral("ok"));
        QCOMPARE(board.send("unit key release"), QStringLiteral("ok"));
        QTRY_COMPARE_WITH_TIMEOUT(m_sim.gpio17().mid(gpioMark), QStringList(listening ? "1" : "0"), 10000);
        QTRY_COMPARE(other.timer(w)->isActive(), listening);
        QVERIFY(!s.timer(w)->isActive());
    }

    listen();
    if (QTest::currentTestFailed())
        return;
    const int folders = QDir(m_sim.root->local("/media/tq3900/meas")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
    s.widget(w)->findChild<QPushButton *>("butMenuSave")->click(); // returns when the keyboard closed
    QCOMPARE(FrameBoard::current(w), QStringLiteral("mainPage"));
    released("power key in the save keyboard");
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(QDir(m_sim.root->local("/media/tq3900/meas")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(),
             folders);
    qApp->removeEventFilter(&keys);
}

QTEST_MAIN(TestMeasurementFrameQuiet)
#include "tst_measurementframe_quiet.moc"
