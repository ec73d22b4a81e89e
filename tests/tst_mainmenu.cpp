// The main window against a simulated device root: start-up order, the
// long-lived objects and their set-up, screen navigation on the back stack,
// start-up menus and favourite, and the diagnostic log.
#include "analoginputworker.h"
#include "audiocodecsetup.h"
#include "audioworker.h"
#include "bluetooth.h"
#include "debugmenu.h"
#include "favouritebutton.h"
#include "globals.h"
#include "gps.h"
#include "gpsmonitor.h"
#include "levelmeasurement.h"
#include "mainmenu.h"
#include "management.h"
#include "measmanagement.h"
#include "measurementframe.h"
#include "messagedialog.h"
#include "pinpointing.h"
#include "popupinfo.h"
#include "settingsbutton.h"
#include "simboard.h"
#include "statusbar.h"
#include "statusbardata.h"
#include "systemclock.h"
#include "systemsettings.h"
#include "testmenu.h"
#include "testpart.h"
#include "testroot.h"

#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QStackedWidget>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

QStackedWidget *stack(MainMenu &w)
{
    return w.findChild<QStackedWidget *>(QStringLiteral("mainWidget"));
}

QString currentScreen(MainMenu &w)
{
    return stack(w)->currentWidget()->objectName();
}

void writeSettings(TestRoot &root, const QList<QPair<QString, QString>> &values)
{
    QByteArray text;
    QString group;
    for (const auto &v : values) {
        const QString g = v.first.section('/', 0, 0);
        if (g != group) {
            text += "[" + g.toUtf8() + "]\n";
            group = g;
        }
        text += v.first.section('/', 1).toUtf8() + "=" + v.second.toUtf8() + "\n";
    }
    QVERIFY(root.write("/home/root/settings.ini", text));
}

// Closes the note the hydrogen screen shows while no hydrogen sensor is
// reported, and counts the notes it closed.
class NoteCloser : public QObject
{
public:
    int closed = 0;
    NoteCloser()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<MessageDialog *>(QApplication::activeModalWidget())) {
                box->findChild<QPushButton *>(QStringLiteral("butMiddle"))->click();
                ++closed;
            }
        });
        m_timer.start(20);
    }

private:
    QTimer m_timer;
};

// Notes the class of every dialog shown while it lives; rejects every one
// but the UART pop-up (which closes itself), so that none blocks the test.
class DialogWatcher : public QObject
{
public:
    QStringList shown;
    DialogWatcher()
    {
        qApp->installEventFilter(this);
        connect(&m_timer, &QTimer::timeout, this, [] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (dialog && !qobject_cast<PopupInfo *>(dialog))
                dialog->reject();
        });
        m_timer.start(20);
    }
    ~DialogWatcher() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<QDialog *>(watched))
            shown << QString::fromLatin1(watched->metaObject()->className());
        return false;
    }

private:
    QTimer m_timer;
};

QByteArray testCatalogue(const QString &name)
{
    QFile f(QStringLiteral(TQ3900_TEST_DATA "/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const char *const kMainButtons[6] = {"butPinpointing", "butLevelmeasurement", "butLongtermmeasurement",
                                     "butH2Sensor", "butPipelocating", "butManagement"};

QStringList mainButtonTexts(MainMenu &w)
{
    QStringList texts;
    for (const char *name : kMainButtons)
        texts << w.findChild<QPushButton *>(name)->text();
    return texts;
}

} // namespace

class TestMainMenu : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void startupCommandsAndFiles();
    void startupWindowAndMainPage();
    void startupLinksAndSettings();
    void startupWithHearingProtectionAndAddresses();
    void startupSysfsOrder();
    void startupAfterFirstFrame_data();
    void startupAfterFirstFrame();
    void startupLanguageOnTheCard_data();
    void startupLanguageOnTheCard();
    void startupWithMissingGpioFolder();
    void startupFilter_data();
    void startupFilter();
    void startupFavourite_data();
    void startupFavourite();
    void debugFeatures_data();
    void debugFeatures();

    void startupMenuWords_data();
    void startupMenuWords();
    void testMenuSwitchesToUart();
    void debugMenuOpensAndCloses();

    void navigation_data();
    void navigation();
    void levelCapAtNine();
    void mainPageButtonsBuildScreensOnce();
    void screenExitReturnsToMainPage_data();
    void screenExitReturnsToMainPage();
    void muteHandlerFollowsScreens();
    void browserNullUntilShown();
    void settingsScreenAndLanguage();

private:
    std::unique_ptr<TestRoot> m_root;
};

void TestMainMenu::init()
{
    SKIP_OUTSIDE_THIS_PART();
    m_root.reset(); // restore the environment before the next root
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    // The recording outlives the tests; the start-up must pause it again.
    Audioworker()->pauseAudioRecording(false);
    g_debugFeatures = 0;
}

void TestMainMenu::startupCommandsAndFiles()
{
    MainMenu w;
    QCOMPARE(m_root->commands(), QStringList({"fsck -Mya /dev/mmcblk0p3",
                                              "mount /dev/mmcblk0p3 /media/tq3900",
                                              "alsactl --file /var/lib/alsa/asound.state restore"}));
    QFile resource(":/Resources/Files/asound.state");
    QVERIFY(resource.open(QIODevice::ReadOnly));
    const QByteArray state = resource.readAll();
    QVERIFY(!state.isEmpty());
    QCOMPARE(m_root->read("/var/lib/alsa/asound.state"), state);

    // settings.ini is made with every default: five groups, 42 keys.
    QVERIFY(m_root->exists("/home/root/settings.ini"));
    QSettings ini(m_root->local("/home/root/settings.ini"), QSettings::IniFormat);
    QCOMPARE(ini.childGroups().size(), 5);
    QCOMPARE(ini.allKeys().size(), 42);
    QCOMPARE(ini.value("Systemsettings/Brightness").toInt(), 6);
    QCOMPARE(ini.value("Local-Settings/Language").toInt(), 1);

    // GPIO 17 (audio-path enable) ends muted: the codec's init muted the path.
    QCOMPARE(m_root->read("/sys/class/gpio/gpio17/value"), QByteArray("0"));
    QVERIFY(w.isAudioPathMuted());
    // The codec: common mode first, then its init, which ends with the line output muted.
    const QStringList mixer = m_root->journal("mixer.log");
    QCOMPARE(mixer.value(0), QStringLiteral("FullChipCM=0,75V LineOutCM=1,65V := item 1"));
    QCOMPARE(mixer.value(1), QStringLiteral("Loopback ADC ADC>DAC := 0"));
    QCOMPARE(mixer.last(), QStringLiteral("LO DAC := 0"));
}

void TestMainMenu::startupWindowAndMainPage()
{
    MainMenu w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.size(), QSize(480, 272));
    QCOMPARE(w.windowTitle(), QStringLiteral("TQ3900"));
    QCOMPARE(currentScreen(w), QStringLiteral("mainPage"));
    for (const char *name : kMainButtons) {
        auto *b = w.findChild<QPushButton *>(name);
        QVERIFY2(b && b->isVisible(), name);
        QCOMPARE(b->size(), QSize(150, 120));
    }
    // The English catalogue's wordings, not the form's text keys.
    QCOMPARE(mainButtonTexts(w), QStringList({"Pinpointing", "Level", "Long-term", "H2 sensor",
                                              "Pipe locating", "Management"}));
    QVERIFY(w.isMainMenuVisible());
    QCOMPARE(w.getCurrentMenuLevel(), 0);
    // The window takes Up, Down, Escape and Return itself.
    for (int key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Escape, Qt::Key_Return}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&w, &press);
        QVERIFY2(press.isAccepted(), qPrintable(QKeySequence(key).toString()));
    }
    QCOMPARE(w.findChild<Statusbar *>("widgetStatusbar")->image().size(), QSize(480, 20));
    QCOMPARE(w.getCurrentVisibleDlgNum(), 2);
    QVERIFY(w.getFavouriteButtonInsance());
    QCOMPARE(MainMenu::getInstanceMainMenu(), &w);
}

void TestMainMenu::startupLinksAndSettings()
{
    // The sensor unit is paired; the simulated board plays both modules.
    writeSettings(*m_root, {{"Bluetooth/Microphone_ID", SimBoard::kUnitAddress}});
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    MainMenu w;
    // Sensor-unit link: initialised on its port, output gain 15, connection
    // with the data link to the paired unit.
    QTRY_COMPARE(board.moduleLines("ttyO2").mid(0, 3),
                 QStringList({"LIST", "SET CONTROL GAIN 5 f", "SET CONTROL AUTOCALL 19 500 A2DP"}));
    QVERIFY(board.waitForDataLink());
    QVERIFY(board.moduleLines("ttyO2").contains(QStringLiteral("CALL %1 1101 RFCOMM").arg(SimBoard::kUnitAddress)));
    // The codec's init muted the path with the microphone line to the unit;
    // it reaches the unit once the data link is up.
    QTRY_VERIFY(board.unitLines().contains("BT_TX I 0f MUTE SWITCH"));
    // Headphone link: initialised, input gain 5, connection without data link.
    QTRY_COMPARE(board.moduleLines("ttyO3").mid(0, 3),
                 QStringList({"LIST", "SET CONTROL GAIN 5 f", "SET CONTROL AUTOCALL 19 500 A2DP"}));
    QTRY_VERIFY(w.getBtSourceInstance()->isConnectedA2DP());
    QVERIFY(!board.moduleLines("ttyO3").join('\n').contains("RFCOMM"));
    QCOMPARE(m_root->read("/sys/class/gpio/gpio16/value"), QByteArray("1")); // GPS receiver on
    QCOMPARE(w.getCurrentMicGainStep(), 3);
    QCOMPARE(w.getCurrentHeadphoneVolumeStep(), 8);
    QCOMPARE(w.getMicGainStep(), 3);
    QVERIFY(Audioworker()->recordingStatus().paused);
}

void TestMainMenu::startupWithHearingProtectionAndAddresses()
{
    writeSettings(*m_root, {{"Bluetooth/Headphone_ID", "  00:07:80:aa:bb:03 "},
                            {"Bluetooth/Microphone_ID", "00:07:80:aa:bb:02"},
                            {"Systemsettings/HearingProtection", "true"},
                            {"Systemsettings/HeadphoneVolumeOffset", "4"},
                            {"Systemsettings/Switchmode", "Push-Button"},
                            {"Dialogconfiguration/Startup_UseGpsForStartup", "false"}});
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    QCOMPARE(board.send("unit address 00:07:80:aa:bb:02"), QStringLiteral("ok"));
    QCOMPARE(board.send("headphone address 00:07:80:aa:bb:03"), QStringLiteral("ok"));
    MainMenu w;
    QVERIFY(board.waitForDataLink());
    QVERIFY(board.moduleLines("ttyO2").contains("CALL 00:07:80:aa:bb:02 1101 RFCOMM"));
    QTRY_VERIFY(board.unitLines().contains("BT_TX I 0f MUTE PUSHBUT"));
    // Hearing protection: the headphone module's input gain is 1.
    QTRY_COMPARE(board.moduleLines("ttyO3").mid(0, 2), QStringList({"LIST", "SET CONTROL GAIN 1 f"}));
    // The headphone link took the trimmed address: its disconnect names it.
    w.getBtSourceInstance()->disconnectBtDevice();
    QTRY_VERIFY(board.moduleLines("ttyO3").contains("KILL 00:07:80:aa:bb:03"));
    QCOMPARE(m_root->read("/sys/class/gpio/gpio16/value"), QByteArray("0")); // GPS receiver off
}

void TestMainMenu::startupSysfsOrder()
{
    // What was journalled when the GPIO set-up began: the data partition's
    // check and mount, no GPIO line yet.
    // And the commands run when the codec's set-up began.
    static const TestRoot *root;
    static QStringList atGpioSetUp, atCodecSetUp;
    static QtMessageHandler previous;
    root = m_root.get();
    atCodecSetUp.clear();
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
        if (text == QLatin1String("Init GPIO-Pins"))
            atGpioSetUp = root->commands() + root->sysfsWrites();
        if (text == QLatin1String("--- AudioCodecSetup ---") && atCodecSetUp.isEmpty())
            atCodecSetUp = root->commands();
        previous(type, context, text);
    });
    MainMenu w;
    qInstallMessageHandler(previous);
    QCOMPARE(atGpioSetUp, QStringList({"fsck -Mya /dev/mmcblk0p3", "mount /dev/mmcblk0p3 /media/tq3900"}));
    // The ALSA state is restored before the codec is set up: restored after
    // it, the state file would undo the codec's routing and its muting.
    QCOMPARE(atCodecSetUp, QStringList({"fsck -Mya /dev/mmcblk0p3", "mount /dev/mmcblk0p3 /media/tq3900",
                                        "alsactl --file /var/lib/alsa/asound.state restore"}));
    QCOMPARE(m_root->sysfsWritesTo("/sys/class/gpio/export"),
             QStringList({"58", "59", "114", "96", "54", "48", "65", "50", "17", "115", "16"}));
    QCOMPARE(m_root->sysfsWritesTo("/sys/class/pwm/pwmchip1/export"), QStringList({"0"}));
    // Line 17 opened by the line table, then muted by the codec's init.
    QCOMPARE(m_root->sysfsWritesTo("/sys/class/gpio/gpio17/value"), QStringList({"1", "0"}));
}

void TestMainMenu::startupAfterFirstFrame_data()
{
    QTest::addColumn<bool>("favourite");
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<QPoint>("at"); // in the window
    QTest::newRow("held click opens its screen") << false << "butLevelmeasurement" << QPoint(240, 65);
    // The start-up favourite replaces the main page before the held click
    // is delivered: where the management button's lower right corner was,
    // the level screen has its Save button, which opens the name keyboard.
    QTest::newRow("favourite: held click dropped") << true << "butManagement" << QPoint(449, 235);
}

void TestMainMenu::startupAfterFirstFrame()
{
    // The program's start: the main page first, then the rest of the
    // start-up in its order; a click meanwhile is kept and acted on after,
    // on the page it was aimed at only.
    QFETCH(bool, favourite);
    QFETCH(QString, clicked);
    QFETCH(QPoint, at);
    if (favourite)
        writeSettings(*m_root, {{"Systemsettings/FavouriteButton", "2"},
                                {"Dialogconfiguration/Startup_UseFavouriteForStartup", "true"}});
    static QStringList steps;
    static const MainMenu *window;
    static QtMessageHandler previous;
    steps.clear();
    window = nullptr;
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
        for (const char *step : {"=== Main page shown: start-up goes on ===", "Filesystemcheck and mount",
                                 "Init GPIO-Pins", "=== INIT MICROPHONE ===", "=== INIT HEADPHONE ===",
                                 "--- AudioCodecSetup ---"})
            if (text == QLatin1String(step))
                steps << text + (window && window->windowHandle() && window->windowHandle()->isExposed()
                                     ? QStringLiteral(" (shown)")
                                     : QString());
        previous(type, context, text);
    });
    // The main page's buttons are styled once, as they are made, and not
    // again before the first frame (a second polish took the page's pictures
    // and texts through the style sheet again).
    struct Restyles : QObject
    {
        QMap<QString, int> count;
        bool eventFilter(QObject *o, QEvent *e) override
        {
            if (e->type() == QEvent::StyleChange && o->objectName().startsWith(QLatin1String("but")))
                ++count[o->objectName()];
            return false;
        }
    } restyles;
    qApp->installEventFilter(&restyles);
    MainMenu w(MainMenu::Startup::AfterFirstFrame);
    qApp->removeEventFilter(&restyles);
    // The six functions; the hidden test and debug menus' buttons are made
    // after the frame.
    QCOMPARE(restyles.count.size(), 6);
    QCOMPARE(restyles.count.values().toVector(), QVector<int>(6, 1));
    window = &w;
    // Nothing of the set-up yet: no command, no GPIO line, no module, no codec.
    QVERIFY(!w.isStartupFinished());
    QVERIFY(m_root->commands().isEmpty());
    QVERIFY(m_root->sysfsWritesTo("/sys/class/gpio/export").isEmpty());
    QVERIFY(!w.getAudioCodecInstance());
    QVERIFY(!w.findChild<QPushButton *>("butLevelmeasurement")->text().isEmpty());

    DialogWatcher dialogs;
    w.show();
    // Straight to the window, as the display system delivers them.
    QCOMPARE(w.childAt(at)->objectName(), clicked);
    QMouseEvent press(QEvent::MouseButtonPress, at, at, w.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, at, w.mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QKeyEvent uart(QEvent::KeyRelease, Qt::Key_F13, Qt::NoModifier); // up and down held: UART mode
    for (QEvent *e : std::initializer_list<QEvent *>{&press, &release, &uart})
        QVERIFY(QCoreApplication::sendEvent(w.windowHandle(), e));
    QVERIFY(!w.isStartupFinished());
    QCOMPARE(currentScreen(w), QStringLiteral("mainPage"));
    QVERIFY(!w.levelmeasurementScreen());
    QVERIFY(m_root->sysfsWritesTo("/sys/class/gpio/gpio65/value").isEmpty());

    QTRY_VERIFY_WITH_TIMEOUT(w.isStartupFinished(), 10000);
    qInstallMessageHandler(previous);
    QCOMPARE(steps, QStringList({"=== Main page shown: start-up goes on === (shown)",
                                 "Filesystemcheck and mount (shown)", "Init GPIO-Pins (shown)",
                                 "=== INIT MICROPHONE === (shown)", "=== INIT HEADPHONE === (shown)",
                                 "--- AudioCodecSetup --- (shown)"}));
    QCOMPARE(m_root->commands(), QStringList({"fsck -Mya /dev/mmcblk0p3",
                                              "mount /dev/mmcblk0p3 /media/tq3900",
                                              "alsactl --file /var/lib/alsa/asound.state restore"}));
    QCOMPARE(m_root->sysfsWritesTo("/sys/class/gpio/export"),
             QStringList({"58", "59", "114", "96", "54", "48", "65", "50", "17", "115", "16"}));
    QVERIFY(w.getGpsMonitorInstance());
    QCOMPARE(stack(w)->indexOf(w.getInstanceSystemsettings()), 2);
    // The click and the key, held until now, acted in their order after the
    // start-up: the level measurement opened (by the click, or as the
    // favourite), then the UART switch set the line the GPIO set-up had
    // cleared and showed its pop-up.
    QTRY_VERIFY(w.levelmeasurementScreen());
    QTRY_COMPARE(stack(w)->currentWidget(), static_cast<QWidget *>(w.levelmeasurementScreen()));
    // The click aimed at the main page pressed nothing on the favourite's
    // screen (no keyboard, no message), nor the main page's button.
    QTRY_VERIFY(!dialogs.shown.isEmpty());
    QCOMPARE(dialogs.shown, QStringList({"PopupInfo"}));
    const auto line65 = [this] { return m_root->sysfsWritesTo("/sys/class/gpio/gpio65/value"); };
    QTRY_COMPARE(line65().value(line65().size() - 1), QStringLiteral("1"));
    QCOMPARE(line65().first(), QStringLiteral("0"));
    QVERIFY(!w.managementScreen());
    QCOMPARE(stack(w)->currentWidget(), static_cast<QWidget *>(w.levelmeasurementScreen()));
    QCOMPARE(w.getCurrentMenuLevel(), favourite ? 0 : 1);
}

void TestMainMenu::startupLanguageOnTheCard_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("catalogue");    // on the card
    QTest::addColumn<int>("checkMs");          // how long the partition's check takes
    QTest::addColumn<QStringList>("beforeFirstFrame"); // commands
    QTest::addColumn<QStringList>("firstFrame");       // the main page's texts
    QTest::addColumn<QString>("pinpointingAfter");
    const QStringList mount = {"fsck -Mya /dev/mmcblk0p3", "mount /dev/mmcblk0p3 /media/tq3900"};
    const QStringList english = {"Pinpointing", "Level", "Long-term", "H2 sensor", "Pipe locating", "Management"};
    const QStringList card = {"Punktortung (Karte)", "Pegel (Karte)", "Langzeit (Karte)",
                              "H2-Sensor (Karte)", "Rohrortung (Karte)", "Verwaltung (Karte)"};
    // The program has every language but English only as the English
    // stand-in: its texts are the card's (here the test's German catalogue
    // under the language's name), mounted before the first frame so that it
    // shows them.
    const char *const codes[24] = {"GB", "DE", "FR", "IT", "ES", "CN", "CZ", "HU", "RU", "SI", "JP", "PL",
                                   "PT", "RO", "SK", "SE", "FI", "DK", "NO", "BG", "HR", "KR", "RS", "TR"};
    for (int language = 2; language <= 24; ++language)
        QTest::addRow("%d %s from the card", language, codes[language - 1])
            << language << QStringLiteral("%1_TQ3900.qm").arg(codes[language - 1]) << 0 << mount << card
            << card.first();
    // A slow card keeps the window no longer than 3 s: the first frame has
    // the stand-in's texts, the card's follow once it is mounted.
    QTest::newRow("German, the check takes 30 s")
        << 2 << "DE_TQ3900.qm" << 30000 << QStringList({mount.first()}) << english << card.first();
    // English is built in: nothing waits for the card before the first
    // frame; a catalogue there serves from the end of the start-up.
    QTest::newRow("English built in") << 1 << "GB_TQ3900.qm" << 0 << QStringList() << english << "Card catalogue";
}

void TestMainMenu::startupLanguageOnTheCard()
{
    QFETCH(int, language);
    QFETCH(QString, catalogue);
    QFETCH(int, checkMs);
    QFETCH(QStringList, beforeFirstFrame);
    QFETCH(QStringList, firstFrame);
    QFETCH(QString, pinpointingAfter);
    writeSettings(*m_root, {{"Local-Settings/Language", QString::number(language)}});
    const QString test = language == 1 ? catalogue : QStringLiteral("DE_TQ3900.qm");
    QVERIFY(m_root->write("/media/tq3900/" + catalogue, testCatalogue(test)));
    // The board boots with the data partition unmounted: its catalogue
    // comes into sight with the program's mount only.
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    QCOMPARE(board.send("usb unmount"), QStringLiteral("ok"));
    QCOMPARE(board.send("usb"), QStringLiteral("unmounted"));
    QCOMPARE(board.send(QStringLiteral("sdcard fsck %1").arg(checkMs)), QStringLiteral("ok"));
    QVERIFY(!m_root->exists("/media/tq3900/" + catalogue));
    static int cardReads;
    static QtMessageHandler previous;
    // When the program's check started and when its wait for the card ended,
    // by its own messages: the window's wait without the rest of the
    // construction, which grows with the machine's load.
    static QElapsedTimer clock;
    static qint64 checkStarted, waitEnded;
    cardReads = 0;
    checkStarted = waitEnded = -1;
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
        cardReads += text.startsWith(QLatin1String("Load language file from mass storage"));
        if (text.startsWith(QLatin1String("Filesystemcheck and mount")))
            checkStarted = clock.elapsed();
        if (text.startsWith(QLatin1String("Data partition not ready after")))
            waitEnded = clock.elapsed();
        previous(type, context, text);
    });
    const auto restore = qScopeGuard([] { qInstallMessageHandler(previous); });

    clock.start();
    MainMenu w(MainMenu::Startup::AfterFirstFrame);
    const qint64 toWindow = clock.elapsed();
    QCOMPARE(m_root->commands(), beforeFirstFrame);
    QCOMPARE(mainButtonTexts(w), firstFrame);
    // The wait for a slow card is 3 s, not the check's 30 s; a late wake-up
    // of the program on a loaded machine may add to it, a second and a half
    // at most.
    if (checkMs > 0) {
        QVERIFY(checkStarted >= 0 && waitEnded >= 0);
        const qint64 waited = waitEnded - checkStarted;
        qInfo("The first frame waited %lld ms for the card (%lld ms to the window)", waited, toWindow);
        QVERIFY2(waited >= 2900 && waited < 4500, qPrintable(QString::number(waited)));
        QVERIFY2(toWindow >= 2900, qPrintable(QString::number(toWindow)));
    } else {
        QCOMPARE(waitEnded, qint64(-1));
    }
    w.show();
    QTRY_VERIFY_WITH_TIMEOUT(w.isStartupFinished(), checkMs + 20000);
    // Checked and mounted once, in the start-up's order; the card's
    // catalogue read once. On a slow machine the receiver's first fix may
    // come before the start-up ends and set the clock (date, hwclock): those
    // commands are not the start-up's.
    QStringList startupCommands = m_root->commands();
    startupCommands.erase(std::remove_if(startupCommands.begin(), startupCommands.end(),
                                         [](const QString &c) {
                                             return c.startsWith(QLatin1String("date "))
                                                 || c.startsWith(QLatin1String("hwclock "));
                                         }),
                          startupCommands.end());
    QCOMPARE(startupCommands.join(QLatin1String("; ")),
             QStringLiteral("fsck -Mya /dev/mmcblk0p3; mount /dev/mmcblk0p3 /media/tq3900; "
                            "alsactl --file /var/lib/alsa/asound.state restore"));
    QCOMPARE(board.send("usb"), QStringLiteral("mounted"));
    QCOMPARE(mainButtonTexts(w).first(), pinpointingAfter);
    QCOMPARE(cardReads, 1);
    // The card's catalogue has the main page's texts only: the settings
    // page's labels come from the built-in one, never as raw keys.
    const auto label = [&w](const char *name) {
        return w.getInstanceSystemsettings()->findChild<SettingsButton *>(name)->getText1();
    };
    QCOMPARE(QStringList({label("butTimezone"), label("butDaylightSavingTime")}),
             QStringList({"Time zone", "Daylight saving time"}));
}

void TestMainMenu::startupWithMissingGpioFolder()
{
    QVERIFY(QDir(m_root->local("/sys/class/gpio")).removeRecursively());
    QVERIFY(QDir(m_root->local("/sys/class/pwm")).removeRecursively());
    MainMenu w;
    QCOMPARE(currentScreen(w), QStringLiteral("mainPage"));
    QCOMPARE(m_root->commands().size(), 3);
    QVERIFY(m_root->sysfsWritesTo("/sys/class/gpio/export").isEmpty());
}

void TestMainMenu::startupFilter_data()
{
    QTest::addColumn<QString>("flag");
    QTest::addColumn<uint>("low");
    QTest::addColumn<uint>("high");
    QTest::addColumn<int>("type");
    QTest::newRow("no start-up filter") << "false" << 0u << 4000u << 0;
    QTest::newRow("start-up band-pass") << "true" << 160u << 1250u << 1;
}

void TestMainMenu::startupFilter()
{
    QFETCH(QString, flag);
    QFETCH(uint, low);
    QFETCH(uint, high);
    QFETCH(int, type);
    writeSettings(*m_root, {{"Dialogconfiguration/Startup_UseFilterForStartup", flag}});
    MainMenu w;
    unsigned l = 1, h = 1;
    int t = -1;
    w.getCurrentFilter(&l, &h, &t);
    QCOMPARE(l, low);
    QCOMPARE(h, high);
    QCOMPARE(t, type);
}

void TestMainMenu::startupFavourite_data()
{
    QTest::addColumn<QString>("enabled");
    QTest::addColumn<int>("favourite");
    QTest::addColumn<QString>("screen");
    QTest::newRow("level measurement") << "true" << 2 << "Levelmeasurement";
    QTest::newRow("pinpointing") << "true" << 1 << "Pinpointing";
    QTest::newRow("pipe locating") << "true" << 5 << "Pipelocating";
    QTest::newRow("screenshot starts nothing") << "true" << 0 << "mainPage";
    // The store corrects an unknown favourite to level measurement.
    QTest::newRow("out of range is the default favourite") << "true" << 9 << "Levelmeasurement";
    QTest::newRow("disabled") << "false" << 2 << "mainPage";
}

void TestMainMenu::startupFavourite()
{
    QFETCH(QString, enabled);
    QFETCH(int, favourite);
    QFETCH(QString, screen);
    writeSettings(*m_root, {{"Systemsettings/FavouriteButton", QString::number(favourite)},
                            {"Dialogconfiguration/Startup_UseFavouriteForStartup", enabled}});
    MainMenu w;
    QCOMPARE(currentScreen(w), screen);
    QVERIFY(!w.isBootedToFavouriteFunction());
    if (screen == "Levelmeasurement") {
        // A live entry, muted, its watchdog running but not armed: the start
        // went straight into the favourite.
        Levelmeasurement *level = w.levelmeasurementScreen();
        QVERIFY(!level->isStoredView() && level->isMuted() && w.isAudioPathMuted());
        QVERIFY(level->frame()->watchdogTimer()->isActive());
        QVERIFY(!level->frame()->isWatchdogArmed());
        QCOMPARE(w.getCurrentMenuLevel(), 0); // the favourite leaves the stack unchanged
    }
    if (screen == "mainPage")
        QVERIFY(!w.levelmeasurementScreen() && !w.pinpointingScreen());
}

void TestMainMenu::debugFeatures_data()
{
    QTest::addColumn<int>("debug");
    QTest::newRow("locked") << 0;
    QTest::newRow("unlocked") << 1;
}

void TestMainMenu::debugFeatures()
{
    QFETCH(int, debug);
    writeSettings(*m_root, {{"Debug/Debugfeatures", QString::number(debug)}});
    MainMenu w;
    w.show();
    QCOMPARE(w.findChild<QPushButton *>("butDebugMenu")->isVisible(), debug == 1);
    QCOMPARE(w.findChild<QPushButton *>("butTestMenu")->isVisible(), debug == 1);
    QCOMPARE(m_root->exists("/media/tq3900/systemInfo.txt"), debug == 1);
    if (debug == 1) {
        // The main page's first function has the focus, as ever.
        QTRY_COMPARE(QApplication::focusWidget(), w.findChild<QWidget *>("butPinpointing"));
        // Each opens its menu.
        DialogWatcher dialogs;
        QTest::mouseClick(w.findChild<QPushButton *>("butTestMenu"), Qt::LeftButton);
        QTest::mouseClick(w.findChild<QPushButton *>("butDebugMenu"), Qt::LeftButton);
        QCOMPARE(dialogs.shown, QStringList({"TestMenu", "DebugMenu"}));
    }
    // Unlocked or locked meanwhile: the main page's init shows or hides both.
    g_debugFeatures = 1 - debug;
    w.displayWidget(0, 0, 0);
    QCOMPARE(QPair(w.findChild<QPushButton *>("butDebugMenu")->isVisible(),
                   w.findChild<QPushButton *>("butTestMenu")->isVisible()),
             QPair(debug == 0, debug == 0));
    g_debugFeatures = debug;
    if (debug == 1) {
        const QString line = QString::fromLatin1(m_root->read("/media/tq3900/systemInfo.txt"));
        QVERIFY(line.startsWith(SystemClock::now().date().toString("dd.MM.yyyy") + ";"));
        // charge;voltage;current;charging;temperature;headphone;unit;unit mV;unit battery;text
        const QStringList fields = line.trimmed().split(';');
        QCOMPARE(fields.size(), 12);
        QCOMPARE(fields.at(2), QStringLiteral("87"));
        QCOMPARE(fields.at(3), QStringLiteral("3.95"));
        QCOMPARE(fields.at(4), QStringLiteral("-0.12"));
        QCOMPARE(fields.at(6), QStringLiteral("25.1"));
        QCOMPARE(fields.last(), QStringLiteral("System started."));
        QVERIFY(line.endsWith("System started.\n"));
    }
}

void TestMainMenu::startupMenuWords_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("menu");
    QTest::newRow("none") << QStringList() << 0;
    QTest::newRow("test") << QStringList({"test"}) << 100;
    QTest::newRow("debug") << QStringList({"debug"}) << 101;
    QTest::newRow("both: only the test menu") << QStringList({"debug", "test"}) << 100;
    QTest::newRow("case-sensitive") << QStringList({"TEST", "Debug"}) << 0;
}

void TestMainMenu::startupMenuWords()
{
    QFETCH(QStringList, args);
    QFETCH(int, menu);
    QCOMPARE(MainMenu::startupMenuFor(args), menu);
}

void TestMainMenu::testMenuSwitchesToUart()
{
    MainMenu w;
    w.show();
    QString opened;
    QStringList gpio;
    QTimer::singleShot(0, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        opened = modal->metaObject()->className();
        gpio << m_root->read("/sys/class/gpio/gpio50/value") << m_root->read("/sys/class/gpio/gpio65/value");
        QTest::keyClick(modal, Qt::Key_F11);
    });
    w.showWidget(100);
    QCOMPARE(opened, QStringLiteral("TestMenu"));
    QCOMPARE(gpio, QStringList({"0", "1"}));
}

void TestMainMenu::debugMenuOpensAndCloses()
{
    MainMenu w;
    w.show();
    QString opened;
    QTimer::singleShot(0, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        opened = modal->metaObject()->className();
        QTest::keyClick(modal, Qt::Key_F11);
    });
    w.showWidget(101);
    QCOMPARE(opened, QStringLiteral("DebugMenu"));
    // GPIO 65 stays on USB for the debug menu.
    QCOMPARE(m_root->read("/sys/class/gpio/gpio65/value"), QByteArray("0"));
    // Other numbers open nothing (a modal dialog would block here).
    w.showWidget(102);
}

// Each row: requests as "widget,dir,variant" separated by ';', then the
// screen shown, the back-stack level and the stored screens of levels 1..3.
void TestMainMenu::navigation_data()
{
    QTest::addColumn<QString>("requests");
    QTest::addColumn<QString>("screen");
    QTest::addColumn<int>("level");
    QTest::addColumn<QList<int>>("stored");
    using L = QList<int>;
    QTest::newRow("pinpointing deeper") << "3,1,0" << "Pinpointing" << 1 << L{3, 0, 0};
    QTest::newRow("level measurement deeper") << "1,1,0" << "Levelmeasurement" << 1 << L{1, 0, 0};
    QTest::newRow("hydrogen") << "6,1,0" << "H2Sensor" << 1 << L{6, 0, 0};
    QTest::newRow("pipe locating") << "8,1,0" << "Pipelocating" << 1 << L{8, 0, 0};
    QTest::newRow("long-term") << "9,1,0" << "Longtermmeasurement" << 1 << L{9, 0, 0};
    QTest::newRow("pressure") << "11,1,0" << "PressureSensor" << 1 << L{11, 0, 0};
    QTest::newRow("management") << "4,1,0" << "Management" << 1 << L{4, 0, 0};
    QTest::newRow("management then browser") << "4,1,0;7,1,0" << "MeasManagement" << 2 << L{4, 7, 0};
    QTest::newRow("management then settings") << "4,1,0;5,1,0" << "Systemsettings" << 2 << L{4, 5, 0};
    QTest::newRow("gps monitor same level") << "4,1,0;10,0,0" << "GpsMonitor" << 1 << L{10, 0, 0};
    QTest::newRow("back one level by -1") << "4,1,0;7,1,0;-1,0,0" << "Management" << 1 << L{4, 7, 0};
    QTest::newRow("back one level by dir 2") << "4,1,0;7,1,0;5,2,0" << "Management" << 1 << L{4, 7, 0};
    QTest::newRow("back from level 1") << "4,1,0;-1,0,0" << "mainPage" << 0 << L{0, 0, 0};
    QTest::newRow("stack unchanged by dir -1") << "4,1,0;3,-1,1" << "Pinpointing" << 1 << L{4, 0, 0};
    QTest::newRow("other direction counts as equal") << "4,1,0;10,7,0" << "GpsMonitor" << 1 << L{10, 0, 0};
    QTest::newRow("screen 2 clears the stack") << "4,1,0;7,1,0;2,1,0" << "mainPage" << 0 << L{0, 0, 0};
    QTest::newRow("unknown screen clears the stack") << "4,1,0;42,1,0" << "mainPage" << 0 << L{0, 0, 0};
    QTest::newRow("negative screen clears the stack") << "4,1,0;-5,1,0" << "mainPage" << 0 << L{0, 0, 0};
    QTest::newRow("main page clears the stack") << "4,1,0;7,1,0;0,1,0" << "mainPage" << 0 << L{0, 0, 0};
}

void TestMainMenu::navigation()
{
    QFETCH(QString, requests);
    QFETCH(QString, screen);
    QFETCH(int, level);
    QFETCH(QList<int>, stored);
    MainMenu w;
    NoteCloser notes;
    for (const QString &request : requests.split(';')) {
        const QStringList p = request.split(',');
        w.displayWidget(p.at(0).toInt(), p.at(1).toInt(), p.at(2).toInt());
    }
    QCOMPARE(currentScreen(w), screen);
    QCOMPARE(w.getCurrentMenuLevel(), level);
    for (int i = 0; i < stored.size(); ++i)
        QCOMPARE(w.getStoredWidget(i + 1), stored.at(i));
}

void TestMainMenu::levelCapAtNine()
{
    MainMenu w;
    const int screens[] = {4, 7, 5, 10, 4, 7, 5, 10, 4, 7, 5};
    for (int s : screens)
        w.displayWidget(s, 1, 0);
    QCOMPARE(w.getCurrentMenuLevel(), 9);
    QCOMPARE(w.getStoredWidget(9), 5); // the last one overwrote level 9
    QCOMPARE(w.getStoredWidget(8), 10);
    QCOMPARE(currentScreen(w), QStringLiteral("Systemsettings"));
    // Back walks the stack down again.
    w.displayWidget(-1, 0, 0);
    QCOMPARE(w.getCurrentMenuLevel(), 8);
    QCOMPARE(currentScreen(w), QStringLiteral("GpsMonitor"));
    w.displayWidget(-1, 0, 0);
    QCOMPARE(currentScreen(w), QStringLiteral("Systemsettings"));
    QCOMPARE(w.getCurrentMenuLevel(), 7);
}

void TestMainMenu::mainPageButtonsBuildScreensOnce()
{
    MainMenu w;
    w.show();
    NoteCloser notes;
    const QList<QPair<QString, QString>> buttons = {
        {"butPinpointing", "Pinpointing"}, {"butLevelmeasurement", "Levelmeasurement"},
        {"butLongtermmeasurement", "Longtermmeasurement"}, {"butH2Sensor", "H2Sensor"},
        {"butPipelocating", "Pipelocating"}, {"butManagement", "Management"}};
    const int pages = stack(w)->count();
    for (const auto &b : buttons) {
        w.displayWidget(0, 0, 0);
        QTest::mouseClick(w.findChild<QPushButton *>(b.first), Qt::LeftButton);
        QCOMPARE(currentScreen(w), b.second);
        QCOMPARE(w.getCurrentMenuLevel(), 1);
    }
    QCOMPARE(stack(w)->count(), pages + buttons.size());
    // A second visit reuses the screen and calls its init again.
    w.displayWidget(0, 0, 0);
    QTest::mouseClick(w.findChild<QPushButton *>("butLevelmeasurement"), Qt::LeftButton);
    QCOMPARE(stack(w)->count(), pages + buttons.size());
    QVERIFY(!w.levelmeasurementScreen()->isStoredView() && w.levelmeasurementScreen()->isMuted());
    QVERIFY(w.levelmeasurementScreen()->frame()->watchdogTimer()->isActive());
    QCOMPARE(w.getStoredWidget(1), 1);
    // The menu's init started its status bar.
    QCOMPARE(w.managementScreen()->findChild<Statusbar *>("widgetStatus")->image().size(), QSize(480, 20));
    // The management menu's GPS button: the monitor is not put on the back stack.
    w.displayWidget(0, 0, 0);
    QTest::mouseClick(w.findChild<QPushButton *>("butManagement"), Qt::LeftButton);
    QTest::mouseClick(w.managementScreen()->findChild<QPushButton *>("butGps"), Qt::LeftButton);
    QCOMPARE(currentScreen(w), QStringLiteral("GpsMonitor"));
    QCOMPARE(w.getCurrentMenuLevel(), 1);
    QCOMPARE(w.getStoredWidget(1), 4);
}

void TestMainMenu::screenExitReturnsToMainPage_data()
{
    QTest::addColumn<QString>("protection");
    QTest::addColumn<QString>("gainLine"); // the headphone's input gain after the mute
    QTest::newRow("hearing protection off") << "false" << "SET CONTROL GAIN 5 f";
    QTest::newRow("hearing protection on") << "true" << "SET CONTROL GAIN 1 f";
}

void TestMainMenu::screenExitReturnsToMainPage()
{
    QFETCH(QString, protection);
    QFETCH(QString, gainLine);
    writeSettings(*m_root, {{"Bluetooth/Microphone_ID", SimBoard::kUnitAddress},
                            {"Systemsettings/HearingProtection", protection}});
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    MainMenu w;
    Bluetooth *sink = w.getBtSinkInstance();
    Bluetooth *source = w.getBtSourceInstance();
    QVERIFY(board.waitForDataLink());
    QTRY_VERIFY(board.unitLines().contains("BT_TX I 0f MUTE SWITCH"));
    QTRY_VERIFY(source->isConnectedA2DP());
    // The status data has the unit's sensor and battery: it asks no more.
    QTRY_VERIFY_WITH_TIMEOUT(StatusbarData()->micSensorConnected() && StatusbarData()->batteryMicrophone() >= 0,
                             5000);
    // Its first 30-s run asks for the battery once; run it now, so that a
    // slow machine (the board run under emulation) does not see it fall into
    // the counts below. The next one is 30 minutes away.
    StatusbarData()->rareUpdate();
    w.displayWidget(0, 0, 0);
    w.displayWidget(1, 1, 0);
    w.displayWidget(1, 1, 0); // twice: connections stay unique
    QTest::qWait(300);        // what the main page sent has been answered
    int unitMark = board.unitLines().size();
    const int sourceMark = board.moduleLines("ttyO3").size();
    // A listening period is running, as a measurement screen would start it.
    Audioworker()->startAudioRecording();
    QVERIFY(Audioworker()->recordingStatus().inputRunning);

    // The screen's exit is sent directly, to see the main window's part
    // alone; the watchdog is stopped first, as the screen's own leaving
    // does, so that a slow run does not meet its link warning.
    w.levelmeasurementScreen()->frame()->stopWatchdog();
    emit w.levelmeasurementScreen()->exit();

    QCOMPARE(currentScreen(w), QStringLiteral("mainPage"));
    QCOMPARE(w.getCurrentMenuLevel(), 0);
    // The mute line from the main page's init goes out before the battery
    // request, and there is one battery request only.
    const QStringList expected{"BT_TX I 0f MUTE SWITCH", "BT_TX B"};
    QTRY_COMPARE(board.unitLines().mid(unitMark), expected);
    QTest::qWait(300);
    QCOMPARE(board.unitLines().mid(unitMark), expected);
    // The headphone's input gain: 0 while muted, then the start value, 1
    // with hearing protection.
    QTRY_COMPARE(board.moduleLines("ttyO3").mid(sourceMark).size(), 2);
    QCOMPARE(board.moduleLines("ttyO3").mid(sourceMark), QStringList({"SET CONTROL GAIN 0 f", gainLine}));
    QVERIFY(sink->isConnectedRFCOMM() && source->isConnectedA2DP());
    // The main page stopped the recording and the converter capture.
    QVERIFY(!Audioworker()->recordingStatus().inputRunning);
    QVERIFY(!Analoginputworker()->isCaptureStarted());
    QCOMPARE(m_root->sysfsWritesTo("/sys/bus/iio/devices/iio:device0/buffer/enable").last(), QStringLiteral("0"));
    QVERIFY(w.isMainMenuVisible());
    QCOMPARE(m_root->read("/sys/class/gpio/gpio17/value"), QByteArray("0"));

    // The browser's exit does the same.
    w.displayWidget(4, 1, 0);
    w.displayWidget(7, 1, 0);
    unitMark = board.unitLines().size();
    emit w.getInstanceMeasManagement()->exit();
    QTRY_VERIFY(board.unitLines().mid(unitMark).contains("BT_TX B"));
    QTest::qWait(300);
    QCOMPARE(board.unitLines().mid(unitMark).count("BT_TX B"), 1);
    QCOMPARE(currentScreen(w), QStringLiteral("mainPage"));

    // Back from level 1 shows the main page as it is: no second init (no
    // mute line) and no battery request.
    w.displayWidget(4, 1, 0);
    unitMark = board.unitLines().size();
    w.displayWidget(-1, 0, 0);
    QCOMPARE(currentScreen(w), QStringLiteral("mainPage"));
    QTest::qWait(300);
    QCOMPARE(board.unitLines().mid(unitMark), QStringList());

    // With both connections lost, the return to the main page asks the
    // sensor-unit link to connect again and the headphone link too, before
    // the headphone's input gain is set.
    QCOMPARE(board.send("bt ttyO2 drop a2dp"), QStringLiteral("ok"));
    QCOMPARE(board.send("bt ttyO3 drop a2dp"), QStringLiteral("ok"));
    QTRY_VERIFY(!sink->isConnectedA2DP() && !source->isConnectedA2DP());
    const QString autocall = QStringLiteral("SET CONTROL AUTOCALL 19 500 A2DP");
    const int sinkEntry = board.moduleLines("ttyO2").size();
    const int sourceEntry = board.moduleLines("ttyO3").size();
    w.displayWidget(1, 1, 0);
    // The screen's entry calls both links again: the headphone's module
    // takes the call and its input gain, muted, at once, the sensor unit's
    // the call once it is known to have left data mode (its carrier settled
    // down). Only then is the exit's part told apart.
    QTRY_COMPARE(board.moduleLines("ttyO3").mid(sourceEntry),
                 QStringList({autocall, "SET CONTROL GAIN 0 f", "SET CONTROL GAIN 0 f"}));
    QTRY_COMPARE(board.moduleLines("ttyO2").mid(sinkEntry), QStringList({autocall}));
    const int sinkMark = board.moduleLines("ttyO2").size();
    const int sourceMark2 = board.moduleLines("ttyO3").size();
    w.levelmeasurementScreen()->frame()->stopWatchdog();
    emit w.levelmeasurementScreen()->exit();
    QTRY_COMPARE(board.moduleLines("ttyO2").mid(sinkMark), QStringList({autocall}));
    QTRY_COMPARE(board.moduleLines("ttyO3").mid(sourceMark2),
                 QStringList({"SET CONTROL GAIN 0 f", autocall, gainLine}));
}

void TestMainMenu::muteHandlerFollowsScreens()
{
    writeSettings(*m_root, {{"Bluetooth/Microphone_ID", SimBoard::kUnitAddress}});
    SimBoard board(m_root->root());
    QVERIFY2(board.isRunning(), qPrintable(board.error()));
    MainMenu w;
    Bluetooth *sink = w.getBtSinkInstance();
    QVERIFY(board.waitForDataLink());
    QTRY_VERIFY(board.unitLines().contains("BT_TX I 0f MUTE SWITCH"));
    // The status data has the unit's sensor and battery: it asks no more.
    QTRY_VERIFY_WITH_TIMEOUT(StatusbarData()->micSensorConnected() && StatusbarData()->batteryMicrophone() >= 0,
                             5000);
    QTest::qWait(200);
    const QStringList muteLine{"BT_TX I 0f MUTE SWITCH"};
    // What reached the unit since a mark, but for the status data's own
    // questions for battery and sensor (its 30 s run may ask at any time).
    auto since = [&board](int mark) {
        QStringList lines;
        for (const QString &l : board.unitLines().mid(mark))
            if (l != "BT_TX B" && l != "BT_TX T")
                lines << l;
        return lines;
    };
    // The same, once the link had time to send.
    auto settledSince = [&since](int mark) {
        QTest::qWait(300);
        return since(mark);
    };

    // Main page: the unit's key switching to listening mutes the path again.
    int mark = board.unitLines().size();
    emit sink->stateActiveMuteChanged(false);
    QTRY_COMPARE(since(mark), muteLine);
    QCOMPARE(settledSince(mark), muteLine);
    mark = board.unitLines().size();
    emit sink->stateActiveMuteChanged(true);
    QVERIFY(settledSince(mark).isEmpty());

    // A measurement screen takes the unit's mute report over. Its entry
    // mutes (codec set-up and screen) and sends the microphone gain: three
    // lines, before the mark.
    mark = board.unitLines().size();
    w.displayWidget(3, 1, 0);
    QTRY_COMPARE_WITH_TIMEOUT(since(mark), muteLine + muteLine + muteLine, 15000);
    QCOMPARE(settledSince(mark), muteLine + muteLine + muteLine);
    mark = board.unitLines().size();
    emit sink->stateActiveMuteChanged(false);
    QVERIFY(settledSince(mark).isEmpty());

    // Management keeps the connection as it was; the main page connects it once.
    mark = board.unitLines().size();
    w.displayWidget(0, 0, 0);
    w.displayWidget(0, 0, 0);
    w.displayWidget(4, 1, 0);
    QTRY_COMPARE(board.unitLines().size(), mark + 4); // each main page: mute line and battery request
    mark = board.unitLines().size();
    emit sink->stateActiveMuteChanged(false);
    QTRY_COMPARE(since(mark), muteLine);
    QCOMPARE(settledSince(mark), muteLine);
}

void TestMainMenu::browserNullUntilShown()
{
    MainMenu w;
    QVERIFY(!w.getInstanceMeasManagement());
    w.displayWidget(7, 1, 0);
    QVERIFY(w.getInstanceMeasManagement());
    QCOMPARE(currentScreen(w), QStringLiteral("MeasManagement"));
    QCOMPARE(w.getInstanceMeasManagement()->currentPage(), 0);
    QVERIFY(!w.getInstanceMeasManagement()->isEditMode());
    // A stored measurement opened from the browser: stack unchanged, init(1).
    emit w.getInstanceMeasManagement()->gotoWidget(3, -1, 1);
    QCOMPARE(currentScreen(w), QStringLiteral("Pinpointing"));
    QCOMPARE(w.getCurrentMenuLevel(), 1);
    QCOMPARE(w.getStoredWidget(1), 7);
    QVERIFY(w.pinpointingScreen()->isStoredView());
}

void TestMainMenu::settingsScreenAndLanguage()
{
    MainMenu w;
    Systemsettings *settings = w.getInstanceSystemsettings();
    const int inits = settings->initCount();
    QVERIFY(inits >= 1); // the start-up language load refreshed it
    w.displayWidget(5, 1, 0);
    QCOMPARE(settings->initCount(), inits + 1);
    // The screen's own requests reach the window, its language signal reloads.
    emit settings->changeLanguage(2);
    QCOMPARE(settings->initCount(), inits + 2);
    emit settings->gotoWidget(0, -1, 0);
    QCOMPARE(currentScreen(w), QStringLiteral("mainPage"));
}

QTEST_MAIN(TestMainMenu)
#include "tst_mainmenu.moc"
