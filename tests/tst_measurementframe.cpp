// The frame every acoustic measurement screen shares, against the simulated
// sensor unit, headphone module and card: the muted entry and its line to
// the unit, the mute key in toggle and push-to-talk mode, the unit's own key
// without an echo, one reaction after many entries, the link watchdog, the
// favourite key, saving through the name keyboard, and leaving.
//
// Every test runs for each screen in screens(); a screen built on the frame
// joins by adding its row there.
#include "eventhandler.h"
#include "h2sensor.h"
#include "levelmeasurement.h"
#include "longtermmeasurement.h"
#include "pipelocating.h"
#include "measmanagement.h"
#include "mainmenu.h"
#include "measurementframe.h"
#include "messagedialog.h"
#include "pinpointing.h"
#include "sensorunitlink.h"
#include "simboard.h"
#include "statusbardata.h"
#include "systemsettings.h"
#include "testroot.h"
#include "virtualkeyboard.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

struct FrameScreen {
    int number;       // screen number of the main window
    int favourite;    // favourite code
    QString prefix;   // folder prefix of its measurements
    std::function<QWidget *(MainMenu &)> widget;
    std::function<MeasurementFrame *(MainMenu &)> frame;
    // The screen's measurement update timer, and whether it runs while muted.
    std::function<QTimer *(MainMenu &)> timer;
    bool timerWhileMuted = false;
    // Saves through the frame (muting first); the hydrogen screen saves by
    // itself and has no filter.
    bool frameSave = true;
};

QList<QPair<QString, FrameScreen>> screens()
{
    return {
        {"pinpointing",
         {3, 1, "PP_", [](MainMenu &w) -> QWidget * { return w.pinpointingScreen(); },
          [](MainMenu &w) { return w.pinpointingScreen()->frame(); },
          [](MainMenu &w) { return w.pinpointingScreen()->levelTimer(); }}},
        {"level measurement",
         {1, 2, "LE_", [](MainMenu &w) -> QWidget * { return w.levelmeasurementScreen(); },
          [](MainMenu &w) { return w.levelmeasurementScreen()->frame(); },
          [](MainMenu &w) { return w.levelmeasurementScreen()->levelTimer(); }}},
        {"pipe locating",
         {8, 5, "PL_", [](MainMenu &w) -> QWidget * { return w.pipelocatingScreen(); },
          [](MainMenu &w) { return w.pipelocatingScreen()->frame(); },
          [](MainMenu &w) { return w.pipelocatingScreen()->updateTimer(); }, true}},
        {"long-term measurement",
         {9, 3, "LT_", [](MainMenu &w) -> QWidget * { return w.longtermScreen(); },
          [](MainMenu &w) { return w.longtermScreen()->frame(); },
          [](MainMenu &w) { return w.longtermScreen()->updateTimer(); }}},
        {"hydrogen",
         {6, 4, "H2_", [](MainMenu &w) -> QWidget * { return w.h2sensorScreen(); },
          [](MainMenu &w) { return w.h2sensorScreen()->frame(); },
          [](MainMenu &w) { return w.h2sensorScreen()->pollTimer(); }, true, false}},
    };
}

// Answers the modal dialogs of the frame: notes the message boxes it closes
// and types `name` into the name keyboard (or cancels it when name is null).
// The hydrogen screen's note on a missing hydrogen sensor (the simulated
// unit reports a microphone) is closed and counted apart.
class Modals : public QObject
{
public:
    QStringList seen;
    int sensorNotes = 0;
    QString name = QStringLiteral("Garden");

    Modals()
    {
        connect(&m_timer, &QTimer::timeout, this, &Modals::look);
        m_timer.start(20);
    }

private:
    void look()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<MessageDialog *>(modal)) {
            const QString text = box->findChild<QLabel *>("labelInfotext")->text();
            if (text.startsWith(QLatin1String("You must connect a H2-Sensor")))
                ++sensorNotes;
            else
                seen << text;
            box->findChild<QPushButton *>("butMiddle")->click();
        } else if (auto *keys = qobject_cast<VirtualKeyboard *>(modal)) {
            seen << "keyboard";
            if (name.isNull()) {
                keys->findChild<QPushButton *>("but_Close")->click();
                return;
            }
            for (QChar c : name)
                keys->findChild<QPushButton *>(c == ' ' ? QStringLiteral("but_Space")
                                                        : QStringLiteral("but_%1").arg(c.toUpper()))
                    ->click();
            keys->findChild<QPushButton *>("but_Accept")->click();
        }
    }

    QTimer m_timer;
};

} // namespace

class TestMeasurementFrame : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void keysAndUnitKey_data();
    void keysAndUnitKey();
    void watchdog_data();
    void watchdog();
    void watchdogAfterFavouriteStart_data();
    void watchdogAfterFavouriteStart();
    void saveAndFavourite_data();
    void saveAndFavourite();
    void repeatedReportsAndCancelledFilter_data() { watchdog_data(); }
    void repeatedReportsAndCancelledFilter();

private:
    void pair(const QString &switchmode, const QString &extra = QString());
    bool unitGot(const QString &line, int timeoutMs = 5000);
    QStringList gpio17() const { return m_root->sysfsWritesTo("/sys/class/gpio/gpio17/value"); }
    QString current(MainMenu &w) const
    {
        return w.findChild<QStackedWidget *>("mainWidget")->currentWidget()->objectName();
    }

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
};

void TestMeasurementFrame::init()
{
    m_root = std::make_unique<TestRoot>();
}

void TestMeasurementFrame::cleanup()
{
    m_board.reset();
    m_root.reset();
    StatusbarData()->update(); // no wired sensor for the next test
}

void TestMeasurementFrame::pair(const QString &switchmode, const QString &extra)
{
    QVERIFY(m_root->write("/home/root/settings.ini",
                          QStringLiteral("[Bluetooth]\nMicrophone_ID=%1\nHeadphone_ID=%2\n"
                                         "[Systemsettings]\nSwitchmode=%3\n%4")
                              .arg(SimBoard::kUnitAddress, SimBoard::kHeadphoneAddress, switchmode, extra)
                              .toUtf8()));
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY2(m_board->isRunning(), qPrintable(m_board->error()));
}

bool TestMeasurementFrame::unitGot(const QString &line, int timeoutMs)
{
    if (QTest::qWaitFor([&] { return m_board->unitLines().value(m_board->unitLines().size() - 1) == line; },
                        timeoutMs))
        return true;
    qWarning() << "unit lines:" << m_board->unitLines().mid(m_board->unitLines().size() - 5);
    return false;
}

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
    pair(toggle ? "Switch" : "Push-Button");
    MainMenu w;
    Modals modals;
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    w.muteAudioPath(false, true); // open, so that the entry has to close it
    QVERIFY(unitGot("BT_TX I 0f ACTIVE " + word));

    w.displayWidget(screen, 1, 0);
    QWidget *page = w.findChild<QStackedWidget *>("mainWidget")->currentWidget();
    QVERIFY(unitGot("BT_TX I 0f MUTE " + word));
    QCOMPARE(gpio17().last(), QStringLiteral("0"));
    QVERIFY(w.isAudioPathMuted());

    // The instrument's key.
    QTest::keyPress(page, Qt::Key_F10);
    QVERIFY(unitGot("BT_TX I 0f ACTIVE " + word));
    QCOMPARE(gpio17().last(), QStringLiteral("1"));
    QTest::keyRelease(page, Qt::Key_F10);
    if (toggle) {
        QTest::qWait(200);
        QCOMPARE(gpio17().last(), QStringLiteral("1")); // the release does nothing
        QTest::keyPress(page, Qt::Key_F10);
        QTest::keyRelease(page, Qt::Key_F10);
    }
    QVERIFY(unitGot("BT_TX I 0f MUTE " + word));
    QCOMPARE(gpio17().last(), QStringLiteral("0"));
    QVERIFY(w.isAudioPathMuted());

    // Five more entries without leaving; then each report of the unit's key
    // works exactly once and is not sent back.
    for (int i = 0; i < 5; ++i)
        w.displayWidget(screen, -1, 0);
    QVERIFY(unitGot("BT_TX I 0f MUTE " + word));
    QTest::qWait(300);
    // The status data asks the unit for its sensor and battery meanwhile:
    // only the microphone lines count.
    auto micLines = [this] { return m_board->unitLines().filter(QRegularExpression("^BT_TX I ")); };
    const int unitMark = micLines().size();
    const int gpioMark = gpio17().size();
    QCOMPARE(m_board->send("unit key press"), QStringLiteral("ok"));
    QTRY_COMPARE(gpio17().mid(gpioMark), QStringList({"1"}));
    QVERIFY(!w.isAudioPathMuted());
    if (toggle) {
        QCOMPARE(m_board->send("unit key release"), QStringLiteral("ok"));
        QCOMPARE(m_board->send("unit key press"), QStringLiteral("ok"));
    } else {
        QCOMPARE(m_board->send("unit key release"), QStringLiteral("ok"));
    }
    QTRY_COMPARE(gpio17().mid(gpioMark), QStringList({"1", "0"}));
    QTest::qWait(400);
    QCOMPARE(gpio17().mid(gpioMark), QStringList({"1", "0"}));
    QCOMPARE(micLines().size(), unitMark); // no echo to the unit
    QVERIFY(w.isAudioPathMuted());

    // Escape: the press is swallowed, the release leaves to the main page
    // with the path muted and the recording stopped.
    QTest::keyPress(page, Qt::Key_Escape);
    QCOMPARE(current(w), page->objectName());
    QTest::keyRelease(page, Qt::Key_Escape);
    QCOMPARE(current(w), QStringLiteral("mainPage"));
    QVERIFY(w.isAudioPathMuted());
    // The unit's key no longer reaches the screen: the main page mutes again.
    const int mark = gpio17().size();
    QCOMPARE(m_board->send("unit key press"), QStringLiteral("ok"));
    QTRY_VERIFY(!gpio17().mid(mark).isEmpty());
    QTest::qWait(300);
    QVERIFY(!gpio17().mid(mark).contains("1"));
}

void TestMeasurementFrame::watchdog_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < screens().size(); ++i)
        QTest::addRow("%s", qPrintable(screens().at(i).first)) << i;
}

void TestMeasurementFrame::watchdog()
{
    QFETCH(int, index);
    const int screen = screens().at(index).second.number;
    pair("Switch");
    MainMenu w;
    Modals modals;
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    w.displayWidget(screen, 1, 0);
    QWidget *page = w.findChild<QStackedWidget *>("mainWidget")->currentWidget();
    QTest::qWait(2 * MeasurementFrame::kWatchdogMs);
    QCOMPARE(modals.seen, QStringList());

    // Listening when the link breaks: one warning within a tick, muted.
    QTest::keyPress(page, Qt::Key_F10);
    QTRY_COMPARE(gpio17().last(), QStringLiteral("1"));
    QCOMPARE(m_board->send("bt ttyO2 drop rfcomm"), QStringLiteral("ok"));
    QElapsedTimer lost;
    lost.start();
    QTRY_COMPARE_WITH_TIMEOUT(modals.seen.size(), 1, 4000);
    QVERIFY2(lost.elapsed() <= MeasurementFrame::kWatchdogMs + 700, qPrintable(QString::number(lost.elapsed())));
    QCOMPARE(modals.seen.first(), QStringLiteral("No bluetooth connection.\nPlease check your GX-4."));
    QVERIFY(w.isAudioPathMuted());
    QCOMPARE(gpio17().last(), QStringLiteral("0"));
    QTest::qWait(3 * MeasurementFrame::kWatchdogMs);
    QCOMPARE(modals.seen.size(), 1); // once per loss

    // Back for a tick, lost again: a second warning.
    QCOMPARE(m_board->send("bt ttyO2 restore rfcomm"), QStringLiteral("ok"));
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    MeasurementFrame *frame = screens().at(index).second.frame(w);
    QTRY_VERIFY_WITH_TIMEOUT(frame->isWatchdogArmed(), 2 * MeasurementFrame::kWatchdogMs);
    QCOMPARE(modals.seen.size(), 1);
    QCOMPARE(m_board->send("bt ttyO2 drop rfcomm"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(modals.seen.size(), 2, 4000);

    // A wired sensor needs no link.
    QCOMPARE(m_board->send("gpio 48 1"), QStringLiteral("ok"));
    StatusbarData()->update();
    QCOMPARE(StatusbarData()->sensorType(), 4);
    w.displayWidget(0, 0, 0);
    w.displayWidget(screen, 1, 0);
    QTest::qWait(2 * MeasurementFrame::kWatchdogMs + 300);
    QCOMPARE(modals.seen.size(), 2);

    // A stored view never warns, link or not.
    QCOMPARE(m_board->send("gpio 48 0"), QStringLiteral("ok"));
    StatusbarData()->update();
    w.displayWidget(7, 1, 0);
    const QString old = screens().at(index).second.prefix + "20240315_143012_Old";
    QVERIFY(QDir().mkpath(m_root->local("/media/tq3900/meas/" + old)));
    w.getInstanceMeasManagement()->openMeasurement(old);
    QTest::qWait(2 * MeasurementFrame::kWatchdogMs + 300);
    QCOMPARE(modals.seen.size(), 2);

    // A live screen that another page replaced without leaving it (as the
    // favourite key does) warns no more: its watchdog stops with the page.
    w.show();
    QCOMPARE(m_board->send("bt ttyO2 restore rfcomm"), QStringLiteral("ok"));
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    w.displayWidget(screen, 1, 0);
    QTRY_VERIFY_WITH_TIMEOUT(frame->isWatchdogArmed(), 2 * MeasurementFrame::kWatchdogMs);
    w.displayWidget(5, 1, 0);
    QVERIFY(!frame->watchdogTimer()->isActive());
    QCOMPARE(m_board->send("bt ttyO2 drop rfcomm"), QStringLiteral("ok"));
    QTest::qWait(2 * MeasurementFrame::kWatchdogMs + 300);
    QCOMPARE(modals.seen.size(), 2);
}

void TestMeasurementFrame::watchdogAfterFavouriteStart_data()
{
    QTest::addColumn<int>("favourite");
    QTest::addColumn<int>("screen");
    for (const auto &s : screens())
        QTest::addRow("%s", qPrintable(s.first)) << s.second.favourite << s.second.number;
}

void TestMeasurementFrame::watchdogAfterFavouriteStart()
{
    QFETCH(int, favourite);
    QFETCH(int, screen);
    // Started straight into the screen, before the link is up: no warning
    // until the link has been up once and is lost.
    pair("Switch", QStringLiteral("FavouriteButton=%1\n[Dialogconfiguration]\nStartup_UseFavouriteForStartup=true\n")
                       .arg(favourite));
    QCOMPARE(m_board->send("bt ttyO2 drop rfcomm"), QStringLiteral("ok"));
    Modals modals;
    MainMenu w;
    QVERIFY(current(w) != QStringLiteral("mainPage"));
    QTest::qWait(2 * MeasurementFrame::kWatchdogMs + 300);
    QCOMPARE(modals.seen, QStringList());
    QCOMPARE(m_board->send("bt ttyO2 restore rfcomm"), QStringLiteral("ok"));
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    QTest::qWait(MeasurementFrame::kWatchdogMs + 300);
    QCOMPARE(m_board->send("bt ttyO2 drop rfcomm"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(modals.seen.size(), 1, 4000);

    // Entered again from the main page (no start-up any more): armed at once.
    w.displayWidget(0, 0, 0);
    QCOMPARE(w.getCurrentVisibleDlgNum(), favourite);
    w.displayWidget(screen, 1, 0);
    QTRY_COMPARE_WITH_TIMEOUT(modals.seen.size(), 2, 4000);
}

void TestMeasurementFrame::saveAndFavourite_data()
{
    QTest::addColumn<int>("screen");
    QTest::addColumn<int>("favourite");
    QTest::addColumn<QString>("prefix");
    for (const auto &s : screens())
        if (s.second.frameSave)
            QTest::addRow("%s", qPrintable(s.first)) << s.second.number << s.second.favourite << s.second.prefix;
}

void TestMeasurementFrame::saveAndFavourite()
{
    QFETCH(int, screen);
    QFETCH(int, favourite);
    QFETCH(QString, prefix);
    pair("Switch");
    QVERIFY(QDir().mkpath(m_root->local("/media/tq3900/meas")));
    MainMenu w;
    EventHandler keys;
    qApp->installEventFilter(&keys);
    Modals modals;
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
    w.displayWidget(screen, 1, 0);
    QCOMPARE(w.getCurrentVisibleDlgNum(), favourite);
    QWidget *page = w.findChild<QStackedWidget *>("mainWidget")->currentWidget();
    QPushButton *save = page->findChild<QPushButton *>("butMenuSave");
    QVERIFY(save);
    const QDir meas(m_root->local("/media/tq3900/meas"));

    // Listening: saving mutes first. Cancelled: nothing stored.
    QTest::keyPress(page, Qt::Key_F10);
    QTRY_VERIFY(!w.isAudioPathMuted());
    modals.name = QString();
    save->click();
    QCOMPARE(modals.seen, QStringList({"keyboard"}));
    QVERIFY(w.isAudioPathMuted());
    QVERIFY(unitGot("BT_TX I 0f MUTE SWITCH"));
    QCOMPARE(meas.entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());

    // Accepted: one folder of the screen's type under the typed name; the
    // screen stays, muted, on its live page.
    modals.name = QStringLiteral("Garden");
    save->click();
    const QStringList folders = meas.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(folders.size(), 1);
    QVERIFY2(QRegularExpression("^" + prefix + "\\d{8}_\\d{6}_Garden$").match(folders.first()).hasMatch(),
             qPrintable(folders.first()));
    QSettings info(meas.filePath(folders.first() + "/info.ini"), QSettings::IniFormat);
    QCOMPARE(info.value("Measurementinfo/Measurementname").toString(), QStringLiteral("Garden"));
    QCOMPARE(current(w), page->objectName());
    QVERIFY(w.isAudioPathMuted());

    // Holding the favourite key on the screen stores it, also after another
    // screen was visited in between.
    w.displayWidget(6, 1, 0);
    w.setCurrentVisibleDlgNum(4);
    w.displayWidget(screen, 1, 0);
    page->setFocus();
    QTest::keyPress(page, Qt::Key_F2);
    for (int i = 0; i < 8; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier, QString(), true, 1);
        QApplication::sendEvent(page, &repeat);
    }
    QTest::keyRelease(page, Qt::Key_F2);
    QTRY_COMPARE(QSettings(m_root->local("/home/root/settings.ini"), QSettings::IniFormat)
                     .value("Systemsettings/FavouriteButton")
                     .toInt(),
                 favourite);
    qApp->removeEventFilter(&keys);
}

// A report of the unit's key that repeats the state in force changes
// nothing, and a filter dialog left without a choice returns the screen to
// what it was doing: listening with its updates, or muted without them.
void TestMeasurementFrame::repeatedReportsAndCancelledFilter()
{
    QFETCH(int, index);
    const FrameScreen s = screens().at(index).second;
    pair("Switch");
    MainMenu w;
    Modals modals;
    QVERIFY(waitForSinkDataMode(*w.getBtSinkInstance(), *m_board, *m_root));
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
        const int gpioMark = gpio17().size();
        QCOMPARE(m_board->send("bt ttyO2 send BT_RX MUTE_STATE " + state), QStringLiteral("ok"));
        QCOMPARE(m_board->send("bt ttyO2 send BT_RX MUTE_STATE " + state), QStringLiteral("ok"));
        QTest::qWait(400);
        QVERIFY(!gpio17().mid(gpioMark).contains(listening ? "0" : "1"));
        QCOMPARE(w.isAudioPathMuted(), !listening);
        QCOMPARE(timer->isActive(), listening || s.timerWhileMuted);
        const int interval = timer->interval();

        if (filter)
            filter->click();
        QCOMPARE(w.isAudioPathMuted(), !listening);
        QCOMPARE(timer->isActive(), listening || s.timerWhileMuted);
        QCOMPARE(timer->interval(), interval);
        QCOMPARE(gpio17().last(), listening ? QStringLiteral("1") : QStringLiteral("0"));
        if (listening)
            QTest::keyPress(page, Qt::Key_F10);
    }
}

QTEST_MAIN(TestMeasurementFrame)
#include "tst_measurementframe.moc"
