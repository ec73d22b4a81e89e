// The hardware-key filter, driven with key events through the application's
// event filter into a probe widget: the press and release tables, the repeat
// counts, power saving and the hardware-test pass-through.
#include "bluetooth.h"
#include "eventhandler.h"
#include "favouritebutton.h"
#include "globals.h"
#include "levelmeasurement.h"
#include "mainmenu.h"
#include "popupinfo.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "statusbardata.h"
#include "testpart.h"
#include "testroot.h"

#include <QLabel>
#include <QStackedWidget>
#include <QtTest>

#include <memory>

namespace {

const QMap<QString, int> kKeys = {
    {"F1", Qt::Key_F1}, {"F2", Qt::Key_F2}, {"F3", Qt::Key_F3}, {"F4", Qt::Key_F4},
    {"F5", Qt::Key_F5}, {"F6", Qt::Key_F6}, {"F10", Qt::Key_F10}, {"F11", Qt::Key_F11},
    {"Escape", Qt::Key_Escape}, {"Up", Qt::Key_Up}, {"Down", Qt::Key_Down},
    {"Space", Qt::Key_Space}, {"A", Qt::Key_A}};

QString keyName(int key)
{
    return kKeys.key(key, QString::number(key));
}

// Records every key event that reaches it, as "P F11" or "R Escape".
class Probe : public QWidget
{
public:
    QStringList keys;

protected:
    void keyPressEvent(QKeyEvent *e) override { record('P', e); }
    void keyReleaseEvent(QKeyEvent *e) override { record('R', e); }
    void mousePressEvent(QMouseEvent *) override { keys << QStringLiteral("click"); }

private:
    void record(char kind, QKeyEvent *e)
    {
        keys << QStringLiteral("%1 %2%3").arg(kind).arg(keyName(e->key()))
                    .arg(e->isAutoRepeat() ? " auto" : "");
    }
};

} // namespace

class TestEventHandler : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void tables_data();
    void tables();
    void windowCopyOfAKeyIsNotCounted();
    void unmarkedRepeatPairsCountAsRepeats();
    void powerKeyHeld_data();
    void powerKeyHeld();
    void powerKeyShortReturnsToMainPage();
    void favouriteKey_data();
    void favouriteKey();
    void upAndDownTogetherSwitchToUart();
    void powerSavingOnlyWakes();
    void hardwareTestPassesKeys();
    void popupClosesAfterOneSecondAndIgnoresKeys();
    void popupPictures_data();
    void popupPictures();
    void powerDownRunsOnce();
    void failedPowerOffCanBeTriedAgain();
    void restartWaitsWithInputClosed_data();
    void restartWaitsWithInputClosed();

private:
    // Sends "p:F1 p:F1:a r:F1" through the application filter to the probe.
    void drive(const QString &events);

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
    std::unique_ptr<MainMenu> m_window;
    std::unique_ptr<EventHandler> m_filter;
    std::unique_ptr<Probe> m_probe;
};

void TestEventHandler::init()
{
    SKIP_OUTSIDE_THIS_PART();
    m_root = std::make_unique<TestRoot>();
    const QByteArray test = QTest::currentTestFunction();
    if (test == "powerDownRunsOnce" || test == "failedPowerOffCanBeTriedAgain") {
        // Both devices paired; the simulated modules see the power-down.
        QVERIFY(m_root->write("/home/root/settings.ini",
                              QByteArray("[Bluetooth]\nMicrophone_ID=") + SimBoard::kUnitAddress
                                  + "\nHeadphone_ID=" + SimBoard::kHeadphoneAddress
                                  + "\n[Systemsettings]\nBrightness=7\n"));
        m_board = std::make_unique<SimBoard>(m_root->root());
        QVERIFY2(m_board->isRunning(), qPrintable(m_board->error()));
    }
    if (test == "powerSavingOnlyWakes")
        QVERIFY(m_root->write("/home/root/settings.ini",
                              "[Systemsettings]\nDisplayOffTime=2\nPowerOffTime=7\nBrightness=5\n"));
    if (test == "powerSavingOnlyWakes" || test == "hardwareTestPassesKeys") {
        // These tests run the status data's 2-s step themselves.
        for (QTimer *timer : StatusbarData()->findChildren<QTimer *>())
            timer->stop();
    }
    m_window = std::make_unique<MainMenu>();
    m_filter = std::make_unique<EventHandler>();
    qApp->installEventFilter(m_filter.get());
    m_probe = std::make_unique<Probe>();
    g_hardwareTestActive = false;
}

void TestEventHandler::cleanup()
{
    qApp->removeEventFilter(m_filter.get());
    m_probe.reset();
    m_filter.reset();
    m_window.reset();
    m_board.reset();
    m_root.reset();
    g_hardwareTestActive = false;
    for (QTimer *timer : StatusbarData()->findChildren<QTimer *>())
        timer->start();
}

void TestEventHandler::drive(const QString &events)
{
    for (const QString &e : events.split(' ', Qt::SkipEmptyParts)) {
        const QStringList p = e.split(':');
        const QEvent::Type type = p.at(0) == "p" ? QEvent::KeyPress : QEvent::KeyRelease;
        const bool autoRepeat = p.size() > 2 && p.at(2) == "a";
        const int repeat = p.size() > 2 && p.at(2).startsWith('x') ? p.at(2).mid(1).toInt() : 1;
        for (int i = 0; i < repeat; ++i) {
            QKeyEvent key(type, kKeys.value(p.at(1)), Qt::NoModifier, QString(),
                          autoRepeat || repeat > 1, 1);
            QApplication::sendEvent(m_probe.get(), &key);
            QCoreApplication::processEvents(); // deliver what the filter posted
        }
    }
}

// Events: p = press, r = release, ":a" auto-repeat, ":xN" N auto-repeated presses.
void TestEventHandler::tables_data()
{
    QTest::addColumn<QString>("events");
    QTest::addColumn<QStringList>("probe");
    QTest::newRow("power press") << "p:F1" << QStringList{"P F11"};
    QTest::newRow("power repeats post F11 each") << "p:F1 p:F1:x3"
                                                 << QStringList{"P F11", "P F11", "P F11", "P F11"};
    QTest::newRow("power short press and release")
        << "p:F1 r:F1" << QStringList{"P F11", "R Escape"};
    QTest::newRow("up") << "p:F3 r:F3" << QStringList{"P Up", "R Up"};
    QTest::newRow("up held") << "p:F3 p:F3:x2 r:F3" << QStringList{"P Up", "P Up", "P Up", "R Up"};
    QTest::newRow("select") << "p:F4 p:F4:a r:F4" << QStringList{"P Space", "P Space", "R Space"};
    QTest::newRow("down") << "p:F5 r:F5" << QStringList{"P Down", "R Down"};
    QTest::newRow("mute gives one F10") << "p:F6 p:F6:x5 r:F6" << QStringList{"P F10", "R F10"};
    QTest::newRow("favourite posts nothing") << "p:F2 r:F2" << QStringList{};
    QTest::newRow("other keys pass") << "p:A r:A" << QStringList{"P A", "R A"};
    QTest::newRow("posted keys pass again") << "p:F10 r:Escape" << QStringList{"P F10", "R Escape"};
    // X11's auto-repeat releases between repeated presses are not releases.
    QTest::newRow("x11 repeat pairs") << "p:F3 r:F3:a p:F3:a r:F3:a p:F3:a r:F3"
                                      << QStringList{"P Up", "P Up", "P Up", "R Up"};
}

void TestEventHandler::tables()
{
    QFETCH(QString, events);
    QFETCH(QStringList, probe);
    drive(events);
    QCOMPARE(m_probe->keys, probe);
}

void TestEventHandler::windowCopyOfAKeyIsNotCounted()
{
    // The copy of a key event a window receives before its focus widget is
    // passed on unhandled.
    m_probe->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_probe.get()));
    QWindow *window = m_probe->windowHandle();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_F6, Qt::NoModifier);
    QVERIFY(!m_filter->eventFilter(window, &key));
    QCoreApplication::processEvents();
    QVERIFY(m_probe->keys.isEmpty());
    // Through the window system: one F10 only.
    QTest::keyPress(window, Qt::Key_F6);
    QTest::keyRelease(window, Qt::Key_F6);
    QCoreApplication::processEvents();
    QCOMPARE(m_probe->keys, QStringList({"P F10", "R F10"}));
}

// A busy X client may deliver an auto-repeat pair unmarked: a release and a
// press with one time stamp. With the release held back, such pairs count as
// repeats and only the final release counts.
void TestEventHandler::unmarkedRepeatPairsCountAsRepeats()
{
    m_filter->setReleaseSettleMs(50);
    auto deliver = [this](QEvent::Type type, int key, ulong time) {
        QKeyEvent e(type, key, Qt::NoModifier, QString(), false, 1);
        e.setTimestamp(time);
        QApplication::sendEvent(m_probe.get(), &e);
    };
    auto send = [&deliver](QEvent::Type type, int key, ulong time) {
        deliver(type, key, time);
        QCoreApplication::processEvents();
    };
    // A pair comes in one read from the window system: no event is handled
    // between its halves, however long the machine takes.
    auto pair = [&deliver](int key, ulong time) {
        deliver(QEvent::KeyRelease, key, time);
        deliver(QEvent::KeyPress, key, time);
        QCoreApplication::processEvents();
    };
    send(QEvent::KeyPress, Qt::Key_F6, 1000);
    for (ulong t = 1500; t < 1900; t += 40)
        pair(Qt::Key_F6, t);
    send(QEvent::KeyRelease, Qt::Key_F6, 2000);
    QVERIFY(m_probe->keys.size() == 1); // the final release waits a moment
    QTRY_COMPARE_WITH_TIMEOUT(m_probe->keys, QStringList({"P F10", "R F10"}), 2000);

    // Eight unmarked pairs of the power key are eight repeats: power-down.
    send(QEvent::KeyPress, Qt::Key_F1, 3000);
    for (ulong t = 3500; t < 3500 + 8 * 40; t += 40)
        pair(Qt::Key_F1, t);
    QVERIFY(m_root->sysfsWritesTo("/sys/class/backlight/backlight/brightness").contains("0"));
    send(QEvent::KeyRelease, Qt::Key_F1, 4000);
    QTRY_VERIFY_WITH_TIMEOUT(m_window->isPowerDownStarted(), 2000);

    // A real release followed by a new press (another time stamp) stays a
    // release, and another key's press ends the wait at once, in order.
    m_probe->keys.clear();
    send(QEvent::KeyPress, Qt::Key_F3, 5000);
    send(QEvent::KeyRelease, Qt::Key_F3, 5100);
    send(QEvent::KeyPress, Qt::Key_F5, 5100);
    QCOMPARE(m_probe->keys, QStringList({"P Up", "R Up", "P Down"}));
    send(QEvent::KeyPress, Qt::Key_F3, 5200);
    send(QEvent::KeyRelease, Qt::Key_F3, 5300);
    send(QEvent::KeyPress, Qt::Key_F3, 5400);
    QTRY_COMPARE_WITH_TIMEOUT(m_probe->keys.mid(3), QStringList({"P Up", "R Up", "P Up"}), 2000);

    // Raw-key mode (the production key test) holds releases back alike: a
    // held key gives its presses and one release, all as the raw key.
    g_hardwareTestActive = true;
    m_probe->keys.clear();
    send(QEvent::KeyPress, Qt::Key_F3, 6000);
    for (ulong t = 6500; t < 6500 + 3 * 40; t += 40)
        pair(Qt::Key_F3, t);
    send(QEvent::KeyRelease, Qt::Key_F3, 7000);
    QTRY_COMPARE_WITH_TIMEOUT(m_probe->keys, QStringList({"P F3", "P F3", "P F3", "P F3", "R F3"}), 2000);
}

void TestEventHandler::powerKeyHeld_data()
{
    QTest::addColumn<int>("repeats");
    QTest::addColumn<bool>("powerDown");
    QTest::newRow("7 repeats") << 7 << false;
    QTest::newRow("8 repeats") << 8 << true;
    QTest::newRow("12 repeats") << 12 << true;
}

void TestEventHandler::powerKeyHeld()
{
    QFETCH(int, repeats);
    QFETCH(bool, powerDown);
    drive(QStringLiteral("p:F1 p:F1:x%1").arg(repeats));
    // The backlight goes off at once, before the release.
    QCOMPARE(m_root->sysfsWritesTo("/sys/class/backlight/backlight/brightness").contains("0"), powerDown);
    QVERIFY(!m_window->isPowerDownStarted());
    drive("r:F1");
    QCOMPARE(m_window->isPowerDownStarted(), powerDown);
    QCOMPARE(m_probe->keys.contains("R Escape"), !powerDown);
    // A new press disarms the power-down.
    if (powerDown) {
        m_probe->keys.clear();
        drive("p:F1 r:F1");
        QCOMPARE(m_probe->keys, QStringList({"P F11", "R Escape"}));
    }
}

void TestEventHandler::powerKeyShortReturnsToMainPage()
{
    m_window->displayWidget(4, 1, 0);
    auto *stack = m_window->findChild<QStackedWidget *>("mainWidget");
    QCOMPARE(stack->currentWidget()->objectName(), QStringLiteral("Management"));
    drive("p:F1 r:F1");
    QCOMPARE(stack->currentWidget()->objectName(), QStringLiteral("mainPage"));
    QCOMPARE(m_window->getCurrentMenuLevel(), 0);
}

void TestEventHandler::favouriteKey_data()
{
    QTest::addColumn<int>("repeats");
    QTest::addColumn<bool>("stored");
    QTest::newRow("short press runs") << 0 << false;
    QTest::newRow("7 repeats runs") << 7 << false;
    QTest::newRow("8 repeats stores") << 8 << true;
    QTest::newRow("11 repeats stores once") << 11 << true;
}

void TestEventHandler::favouriteKey()
{
    QFETCH(int, repeats);
    QFETCH(bool, stored);
    m_window->setCurrentVisibleDlgNum(4); // a measurement screen reported hydrogen
    int popups = 0; // storing confirms with the favourite pop-up, closed here at once
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&popups] {
        if (auto *popup = qobject_cast<PopupInfo *>(QApplication::activeModalWidget())) {
            ++popups;
            popup->closeDlg();
        }
    });
    closer.start(20);
    drive(repeats ? QStringLiteral("p:F2 p:F2:x%1 r:F2").arg(repeats) : QStringLiteral("p:F2 r:F2"));
    QVERIFY(m_root->read("/home/root/settings.ini").contains(stored ? "FavouriteButton=4" : "FavouriteButton=2"));
    QCOMPARE(popups, stored ? 1 : 0);
    // The default favourite opens level measurement.
    QCOMPARE(m_window->levelmeasurementScreen() != nullptr, !stored);
}

void TestEventHandler::upAndDownTogetherSwitchToUart()
{
    // Two separate long presses do not switch.
    drive("p:F3 p:F3:x3 r:F3 p:F5 p:F5:x3 r:F5");
    QCOMPARE(m_root->read("/sys/class/gpio/gpio65/value"), QByteArray("0"));
    QCOMPARE(m_probe->keys.count("R Up"), 1);
    QCOMPARE(m_probe->keys.count("R Down"), 1);

    // Held together: F13 at the release, no Up or Down release posted for it.
    m_probe->keys.clear();
    QTimer::singleShot(0, [] {
        if (QWidget *popup = QApplication::activeModalWidget())
            static_cast<PopupInfo *>(popup)->closeDlg();
    });
    drive("p:F3 p:F3:x3 p:F5 p:F5:x3 r:F3");
    QCOMPARE(m_root->read("/sys/class/gpio/gpio65/value"), QByteArray("1"));
    QCOMPARE(m_root->read("/sys/class/gpio/gpio50/value"), QByteArray("0"));
    QVERIFY(!m_probe->keys.contains("R Up"));
    drive("r:F5"); // the counts were reset: this release is a plain Down
    QCOMPARE(m_probe->keys.count("R Down"), 1);

    // Two repeats each are not enough.
    m_root->write("/sys/class/gpio/gpio65/value", "0");
    drive("p:F3 p:F3:x2 p:F5 p:F5:x2 r:F3 r:F5");
    QCOMPARE(m_root->read("/sys/class/gpio/gpio65/value"), QByteArray("0"));
}

// The backlight countdown of 2 s runs out at the next 2-s run of the status
// data; the first key press or touch then only wakes the instrument.
void TestEventHandler::powerSavingOnlyWakes()
{
    const QString backlight = "/sys/class/backlight/backlight/brightness";
    Statusbardata *status = StatusbarData();
    QCOMPARE(m_root->read(backlight), QByteArray("5")); // the stored brightness at start
    status->update();
    QVERIFY(status->isPowerSavingActive());
    QCOMPARE(m_root->read(backlight), QByteArray("0"));
    QCOMPARE(status->powerOffCountdown(), 5);
    drive("p:F3");
    QVERIFY(m_probe->keys.isEmpty());
    QVERIFY(!status->isPowerSavingActive());
    QCOMPARE(m_root->read(backlight), QByteArray("5"));
    QCOMPARE(status->powerOffCountdown(), 7); // both countdowns start again
    QCOMPARE(status->backlightOffCountdown(), 2);
    // Its release is handled as usual; the next press works.
    drive("r:F3 p:F3");
    QCOMPARE(m_probe->keys, QStringList({"R Up", "P Up"}));

    // A touch end while asleep is swallowed, otherwise it passes; both
    // restart the countdowns.
    status->update();
    QVERIFY(status->isPowerSavingActive());
    QTouchEvent touch(QEvent::TouchEnd);
    QVERIFY(m_filter->eventFilter(m_probe.get(), &touch));
    QVERIFY(!status->isPowerSavingActive());
    QCOMPARE(m_root->read(backlight), QByteArray("5"));
    status->update();
    QCOMPARE(status->powerOffCountdown(), 5);
    QVERIFY(m_filter->eventFilter(m_probe.get(), &touch)); // asleep again: swallowed
    QVERIFY(!m_filter->eventFilter(m_probe.get(), &touch));
    QCOMPARE(status->powerOffCountdown(), 7);
    // Awake, the brightness is not written again.
    QCOMPARE(m_root->sysfsWritesTo(backlight), QStringList({"5", "0", "5", "0", "5", "0", "5"}));
    QVERIFY(!m_window->isPowerDownStarted());
}

void TestEventHandler::hardwareTestPassesKeys()
{
    g_hardwareTestActive = true;
    Statusbardata *status = StatusbarData();
    status->update();
    status->update();
    drive("p:F1 p:F1:x9 r:F1 p:F6 r:F6");
    QCOMPARE(m_probe->keys.first(), QStringLiteral("P F1"));
    QCOMPARE(m_probe->keys.last(), QStringLiteral("R F6"));
    QCOMPARE(m_probe->keys.size(), 13);
    QVERIFY(!m_window->isPowerDownStarted());
    QVERIFY(!m_root->sysfsWritesTo("/sys/class/backlight/backlight/brightness").contains("0"));
    // The presses still count as activity.
    QCOMPARE(status->powerOffCountdown(), 3600);
    QCOMPARE(status->backlightOffCountdown(), 600);
}

void TestEventHandler::popupClosesAfterOneSecondAndIgnoresKeys()
{
    PopupInfo popup(m_window.get());
    popup.setPicture(2);
    QElapsedTimer clock;
    QTimer::singleShot(200, [&popup] {
        QTest::keyClick(&popup, Qt::Key_Escape);
        QTest::keyClick(&popup, Qt::Key_Return);
        QTest::keyClick(&popup, Qt::Key_Space);
    });
    clock.start();
    QCOMPARE(popup.exec(), int(QDialog::Accepted));
    QVERIFY2(clock.elapsed() >= 950 && clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(popup.geometry(), QRect(215, 111, 50, 50));
}

void TestEventHandler::popupPictures_data()
{
    QTest::addColumn<int>("picture");
    QTest::addColumn<QString>("icon");
    QTest::newRow("0 favourite") << 0 << "Favourite_ws_40px";
    QTest::newRow("1 favourite") << 1 << "Favourite_ws_40px";
    QTest::newRow("2 camera") << 2 << "ScreenshotCamera_ws_40px";
    QTest::newRow("3 bug") << 3 << "Bug_ws_40px";
    QTest::newRow("7 favourite") << 7 << "Favourite_ws_40px";
}

void TestEventHandler::popupPictures()
{
    QFETCH(int, picture);
    QFETCH(QString, icon);
    PopupInfo popup;
    popup.setPicture(picture);
    auto *label = popup.findChild<QLabel *>("label");
    QVERIFY(label);
    QVERIFY(label->styleSheet().contains(icon + ".png"));
    QCOMPARE(label->geometry(), QRect(5, 5, 40, 40));
}

void TestEventHandler::powerDownRunsOnce()
{
    // The sensor-unit link is in data mode when the power-down starts.
    QVERIFY(waitForSinkDataMode(*m_window->getBtSinkInstance(), *m_board, *m_root));
    QTRY_VERIFY(m_window->getBtSourceInstance()->isConnectedA2DP());
    const int sinkMark = m_board->moduleLines("ttyO2").size();
    // From before the key's release: the 3 s count from within it.
    QElapsedTimer clock;
    clock.start();
    drive("p:F1 p:F1:x8 r:F1");
    QVERIFY(m_window->isPowerDownStarted());
    m_window->beforePowerDown(); // a second trigger while it is under way
    QTRY_VERIFY_WITH_TIMEOUT(m_root->commands().contains("poweroff"), 15000);
    QVERIFY2(clock.elapsed() >= 3000, qPrintable(QString::number(clock.elapsed())));
    // The sensor unit's module takes its commands once it has left data
    // mode; then no second power-down follows within its 3 s.
    for (const char *port : {"ttyO2", "ttyO3"})
        QTRY_COMPARE_WITH_TIMEOUT(m_board->moduleLines(port).count("SET CONTROL AUTOCALL"), 2, 10000);
    QTest::qWait(3300);
    const QStringList commands = m_root->commands();
    QCOMPARE(commands.count("umount /media/tq3900"), 1);
    QCOMPARE(commands.count("poweroff"), 1);
    QVERIFY(commands.indexOf("umount /media/tq3900") < commands.indexOf("poweroff"));
    const QStringList dirs = m_root->commandDirs();
    QCOMPARE(dirs.at(commands.indexOf("poweroff")), QStringLiteral("/home/root"));
    QCOMPARE(dirs.at(commands.indexOf("umount /media/tq3900")), QStringLiteral("/home/root"));
    // Both links were disconnected once: each module got the sequence once.
    for (const auto &link : {qMakePair(QStringLiteral("ttyO2"), QString::fromLatin1(SimBoard::kUnitAddress)),
                             qMakePair(QStringLiteral("ttyO3"), QString::fromLatin1(SimBoard::kHeadphoneAddress))}) {
        const QStringList lines = m_board->moduleLines(link.first);
        const QString kill = QStringLiteral("KILL ") + link.second;
        QCOMPARE(lines.count(kill), 1);
        QCOMPARE(lines.count("SET CONTROL AUTOCALL"), 2);
        const int at = lines.indexOf(kill);
        QCOMPARE(lines.mid(at - 1, 7), QStringList({"SET CONTROL AUTOCALL", kill, "CLOSE 0", "CLOSE 1", "CLOSE 2",
                                                    "CLOSE 3", "SET CONTROL AUTOCALL"}));
    }
    QVERIFY(!m_window->getBtSinkInstance()->isConnectedRFCOMM());
    // The path was muted with the line to the unit before the sensor-unit
    // link went down. (Its module, in data mode, gets the disconnect once it
    // has left data mode and the carrier has held down: from the event loop,
    // after the headphone's.)
    const QStringList sinkLines = m_board->moduleLines("ttyO2");
    const int sinkKill = sinkLines.indexOf(QStringLiteral("KILL ") + SimBoard::kUnitAddress);
    QVERIFY(sinkLines.lastIndexOf("BT_TX I 0f MUTE SWITCH", sinkKill) >= sinkMark);
    // "poweroff" went through: the instrument stays dark and does not come back.
    QCOMPARE(m_root->sysfsWritesTo("/sys/class/backlight/backlight/brightness").last(), QStringLiteral("0"));
    QVERIFY(m_window->isPowerDownStarted());
}

// "poweroff" fails: the instrument comes back (guard cleared, partition
// mounted again, backlight at the stored level, both links called again) and
// the next hold of the power key powers down once more.
void TestEventHandler::failedPowerOffCanBeTriedAgain()
{
    m_root->answer("poweroff", 1, "poweroff: Operation not permitted\n");
    const QString backlight = QStringLiteral("/sys/class/backlight/backlight/brightness");
    Bluetooth *sink = m_window->getBtSinkInstance();
    Bluetooth *source = m_window->getBtSourceInstance();
    QVERIFY(waitForSinkDataMode(*sink, *m_board, *m_root));
    QTRY_VERIFY(source->isConnectedA2DP());
    for (int attempt = 1; attempt <= 2; ++attempt) {
        const int lightMark = m_root->sysfsWritesTo(backlight).size();
        drive("p:F1 p:F1:x8 r:F1");
        QVERIFY(m_window->isPowerDownStarted());
        QTRY_COMPARE_WITH_TIMEOUT(m_root->commands().count("poweroff"), attempt, 15000);
        QVERIFY(!m_window->isPowerDownStarted());
        const QStringList commands = m_root->commands();
        QCOMPARE(commands.count("umount /media/tq3900"), attempt);
        QCOMPARE(commands.mid(commands.lastIndexOf("umount /media/tq3900")),
                 QStringList({"umount /media/tq3900", "poweroff", "mount /dev/mmcblk0p3 /media/tq3900"}));
        QCOMPARE(m_root->sysfsWritesTo(backlight).mid(lightMark), QStringList({"0", "7"}));
        QCOMPARE(m_root->read(backlight), QByteArray("7"));
        // Both links come back.
        QVERIFY(waitForSinkDataMode(*sink, *m_board, *m_root));
        QTRY_VERIFY_WITH_TIMEOUT(source->isConnectedA2DP(), 15000);
    }
}

// While the delivery reset waits for its modules, no key, touch or click
// reaches a widget; the instrument then goes down one way only: restarts, or
// powers off when the power key was held meanwhile or a power-off was under
// way already.
void TestEventHandler::restartWaitsWithInputClosed_data()
{
    QTest::addColumn<bool>("powerOffBefore");
    QTest::addColumn<bool>("powerKeyHeld");
    QTest::addColumn<QStringList>("down");
    const QStringList powerOff{"umount /media/tq3900", "poweroff"};
    QTest::newRow("restart") << false << false << QStringList{"reboot"};
    QTest::newRow("power key held in the wait") << false << true << powerOff;
    QTest::newRow("power-off under way at Yes") << true << false << powerOff;
}

void TestEventHandler::restartWaitsWithInputClosed()
{
    QFETCH(bool, powerOffBefore);
    QFETCH(bool, powerKeyHeld);
    QFETCH(QStringList, down);
    const int mark = m_root->commands().size();
    if (powerOffBefore)
        drive("p:F1 p:F1:x8 r:F1");
    m_window->beginRestart();
    QVERIFY(m_window->isInputClosed());
    m_probe->keys.clear();
    // Every key (a short press of power too), a touch and a click: nothing
    // reaches the widget, no screen opens, no power-down starts.
    drive("p:F1 r:F1 p:F2 r:F2 p:F3 r:F3 p:F4 r:F4 p:F5 r:F5 p:F6 r:F6 p:A r:A p:Escape r:Escape");
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_probe.get(), &click);
    QTouchEvent touch(QEvent::TouchEnd);
    QVERIFY(m_filter->eventFilter(m_probe.get(), &touch));
    QCoreApplication::processEvents();
    QCOMPARE(m_probe->keys, QStringList());
    QVERIFY(!m_window->levelmeasurementScreen()); // the favourite key's screen
    QCOMPARE(m_window->isPowerDownStarted(), powerOffBefore);
    if (powerKeyHeld) {
        drive("p:F1 p:F1:x8 r:F1");
        QVERIFY(m_window->isPowerDownStarted());
        QVERIFY(m_root->sysfsWritesTo("/sys/class/backlight/backlight/brightness").contains("0"));
    }
    // The power-off's own 3 s pass within the wait: it waits for the end.
    if (powerOffBefore)
        QTest::qWait(3300);
    QCOMPARE(m_root->commands().mid(mark), QStringList());
    m_window->finishRestart();
    QCOMPARE(m_root->commands().mid(mark), down);
    // Down: input is open again, and nothing more is run.
    QVERIFY(!m_window->isInputClosed());
    drive("p:F3 r:F3");
    QCOMPARE(m_probe->keys, QStringList({"P Up", "R Up"}));
    m_window->beforePowerDown();
    m_window->beginRestart();
    m_window->finishRestart();
    QTest::qWait(powerOffBefore ? 3300 : 0);
    QCOMPARE(m_root->commands().mid(mark), down);
}

QTEST_MAIN(TestEventHandler)
#include "tst_eventhandler.moc"
