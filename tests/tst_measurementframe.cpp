// The keys of the frame every acoustic measurement screen shares, against
// the simulated sensor unit: the muted entry and its line to the unit, the
// mute key in toggle and push-to-talk mode, the unit's own key without an
// echo, one reaction after many entries, leaving; a report of the unit's key
// that repeats the state in force, and a filter dialog left without a choice.
// The frame's watchdog and its saving have programs of their own
// (tst_measurementframe_watchdog, tst_measurementframe_save).
//
// Every test runs for each screen in screens() (tests/common/framescreens.h).
#include "framescreens.h"
#include "testpart.h"

#include <QtTest>

class TestMeasurementFrame : public QObject
{
    Q_OBJECT

private slots:
    void init() { SKIP_OUTSIDE_THIS_PART(); }
    void cleanup() { m_sim.reset(); }

    void keysAndUnitKey_data();
    void keysAndUnitKey();
    void repeatedReportsAndCancelledFilter_data() { screenRows(); }
    void repeatedReportsAndCancelledFilter();

private:
    FrameBoard m_sim;
};

void TestMeasurementFrame::keysAndUnitKey_data()
{
    QTest::addColumn<int>("screen");
    QTest::addColumn<bool>("toggle");
    for (const auto &s : screens()) {
        QTest::addRow("%s, switch", qPrintable(s.first)) << s.second.number << true;
        QTest::addRow("%s, push button", qPrintable(s.first)) << s.second.number << false;
    }
}

void TestMeasurementFrame::keysAndUnitKey()
{
    QFETCH(int, screen);
    QFETCH(bool, toggle);
    const QString word = toggle ? "SWITCH" : "PUSHBUT";
    QVERIFY(m_sim.open(toggle ? "Switch" : "Push-Button"));
    SimBoard &board = *m_sim.board;
    MainMenu &w = *m_sim.window;
    w.muteAudioPath(false, true); // open, so that the entry has to close it
    QVERIFY(m_sim.unitGot("BT_TX I 0f ACTIVE " + word));

    w.displayWidget(screen, 1, 0);
    QWidget *page = w.findChild<QStackedWidget *>("mainWidget")->currentWidget();
    QVERIFY(m_sim.unitGot("BT_TX I 0f MUTE " + word));
    QCOMPARE(m_sim.gpio17().last(), QStringLiteral("0"));
    QVERIFY(w.isAudioPathMuted());

    // The instrument's key.
    QTest::keyPress(page, Qt::Key_F10);
    QVERIFY(m_sim.unitGot("BT_TX I 0f ACTIVE " + word));
    QCOMPARE(m_sim.gpio17().last(), QStringLiteral("1"));
    QTest::keyRelease(page, Qt::Key_F10);
    if (toggle) {
        QTest::qWait(200);
        QCOMPARE(m_sim.gpio17().last(), QStringLiteral("1")); // the release does nothing
        QTest::keyPress(page, Qt::Key_F10);
        QTest::keyRelease(page, Qt::Key_F10);
    }
    QVERIFY(m_sim.unitGot("BT_TX I 0f MUTE " + word));
    QCOMPARE(m_sim.gpio17().last(), QStringLiteral("0"));
    QVERIFY(w.isAudioPathMuted());

    // Five more entries without leaving; then each report of the unit's key
    // works exactly once and is not sent back. The unit gets its messages
    // one after another: a question sent behind the entries' lines marks
    // their end, however slowly they go out.
    for (int i = 0; i < 5; ++i)
        w.displayWidget(screen, -1, 0);
    const int lineMark = board.unitLines().size();
    w.getBtSinkInstance()->sendData(QStringLiteral("BT_TX S"));
    QTRY_VERIFY_WITH_TIMEOUT(board.unitLines().mid(lineMark).contains("BT_TX S"), 20000);
    QCOMPARE(m_sim.micLines().last(), "BT_TX I 0f MUTE " + word);
    const int unitMark = m_sim.micLines().size();
    const int gpioMark = m_sim.gpio17().size();
    QCOMPARE(board.send("unit key press"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(m_sim.gpio17().mid(gpioMark), QStringList({"1"}), 10000);
    QVERIFY(!w.isAudioPathMuted());
    if (toggle) {
        QCOMPARE(board.send("unit key release"), QStringLiteral("ok"));
        QCOMPARE(board.send("unit key press"), QStringLiteral("ok"));
    } else {
        QCOMPARE(board.send("unit key release"), QStringLiteral("ok"));
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_sim.gpio17().mid(gpioMark), QStringList({"1", "0"}), 10000);
    QTest::qWait(400);
    QCOMPARE(m_sim.gpio17().mid(gpioMark), QStringList({"1", "0"}));
    QCOMPARE(m_sim.micLines().size(), unitMark); // no echo to the unit
    QVERIFY(w.isAudioPathMuted());

    // Escape: the press is swallowed, the release leaves to the main page
    // with the path muted and the recording stopped.
    QTest::keyPress(page, Qt::Key_Escape);
    QCOMPARE(FrameBoard::current(w), page->objectName());
    QTest::keyRelease(page, Qt::Key_Escape);
    QCOMPARE(FrameBoard::current(w), QStringLiteral("mainPage"));
    QVERIFY(w.isAudioPathMuted());
    // The unit's key no longer reaches the screen: the main page mutes again.
    const int mark = m_sim.gpio17().size();
    QCOMPARE(board.send("unit key press"), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(!m_sim.gpio17().mid(mark).isEmpty(), 10000);
    QTest::qWait(300);
    QVERIFY(!m_sim.gpio17().mid(mark).contains("1"));
}

// A report of the unit's key that repeats the state in force changes
// nothing, and a filter dialog left without a choice returns the screen to
// what it was doing: listening with its updates, or muted without them.
void TestMeasurementFrame::repeatedReportsAndCancelledFilter()
{
    const FrameScreen s = currentScreen();
    QVERIFY(m_sim.open("Switch"));
    SimBoard &board = *m_sim.board;
    MainMenu &w = *m_sim.window;
    w.displayWidget(s.number, 1, 0);
    QWidget *page = s.widget(w);
    QTimer *timer = s.timer(w);
    QTimer reject; // leaves every opened dialog without a choice
    connect(&reject, &QTimer::timeout, [] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    reject.start(50);
    QPushButton *filter = page->findChild<QPushButton *>("butMenuFilter");
    QCOMPARE(filter != nullptr, s.frameSave);

    for (bool listening : {true, false}) {
        if (listening)
            QTest::keyPress(page, Qt::Key_F10);
        QTRY_COMPARE(w.isAudioPathMuted(), !listening);
        const QString state = listening ? "ACTIVE" : "MUTE";
        const int gpioMark = m_sim.gpio17().size();
        QCOMPARE(board.send("bt ttyO2 send BT_RX MUTE_STATE " + state), QStringLiteral("ok"));
        QCOMPARE(board.send("bt ttyO2 send BT_RX MUTE_STATE " + state), QStringLiteral("ok"));
        QTest::qWait(400);
        QVERIFY(!m_sim.gpio17().mid(gpioMark).contains(listening ? "0" : "1"));
        QCOMPARE(w.isAudioPathMuted(), !listening);
        QCOMPARE(timer->isActive(), listening || s.timerWhileMuted);
        const int interval = timer->interval();

        if (filter)
            filter->click();
        QCOMPARE(w.isAudioPathMuted(), !listening);
        QCOMPARE(timer->isActive(), listening || s.timerWhileMuted);
        QCOMPARE(timer->interval(), interval);
        QCOMPARE(m_sim.gpio17().last(), listening ? QStringLiteral("1") : QStringLiteral("0"));
        if (listening)
            QTest::keyPress(page, Qt::Key_F10);
    }
}

QTEST_MAIN(TestMeasurementFrame)
#include "tst_measurementframe.moc"
