// The settings screen in the main window against the simulated board: how
// the user reaches it (touch and hardware keys), what it shows, what each
// dialog leaves in settings.ini and at the simulated modules, the display
// options with their couplings and the receiver switch, and the reset to the
// delivery state.
#include "bluetooth.h"
#include "customizedialogs.h"
#include "eventhandler.h"
#include "globals.h"
#include "gps.h"
#include "management.h"
#include "mainmenu.h"
#include "sensorunitlink.h"
#include "settingsbutton.h"
#include "simboard.h"
#include "systemclock.h"
#include "systemsettings.h"
#include "testpart.h"
#include "testroot.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QtTest>

#include <deque>
#include <functional>
#include <memory>

namespace {

const char kSettings[] = "/home/root/settings.ini";

// Acts on the modal dialogs as they open, one action per dialog, in order.
// An action runs from the event loop of the dialog it acts on.
class ModalHand : public QObject
{
public:
    using Action = std::function<void(QWidget *)>;
    explicit ModalHand(std::deque<Action> actions)
        : m_actions(std::move(actions))
    {
        startTimer(20);
    }
    int handled() const { return m_handled; }

protected:
    void timerEvent(QTimerEvent *event) override
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == m_last)
            return;
        m_last = modal;
        if (m_actions.empty()) {
            qWarning() << "unexpected dialog" << modal->objectName();
            QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
            return;
        }
        Action action = m_actions.front();
        m_actions.pop_front();
        ++m_handled;
        if (m_actions.empty())
            killTimer(event->timerId()); // later dialogs belong to another hand
        QTimer::singleShot(0, modal, [action, modal] { action(modal); });
    }

private:
    std::deque<Action> m_actions;
    QPointer<QWidget> m_last;
    int m_handled = 0;
};

void click(QWidget *parent, const char *name)
{
    auto *b = parent->findChild<QPushButton *>(QLatin1String(name));
    QVERIFY2(b, name);
    QTest::mouseClick(b, Qt::LeftButton);
}

// The power key's short press as a dialog sees it.
void powerKey(QWidget *w)
{
    QTest::keyPress(w, Qt::Key_F11);
    QTest::keyPress(w, Qt::Key_Escape);
    QTest::keyRelease(w, Qt::Key_Escape);
}

QString value(QWidget *screen, const char *button)
{
    auto *b = screen->findChild<SettingsButton *>(QLatin1String(button));
    return b ? b->getText2() : QStringLiteral("no button");
}

} // namespace

class TestSettingsScreen : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void reachedByTouchAndKeys();
    void cancelledDialogsLeaveTheFile_data();
    void cancelledDialogsLeaveTheFile();
    void pairingHeadphoneStartsAtPlainVolume();
    void acceptedDialogsStoreAndAct();
    void displayOptionsCouplings();
    void resetToDeliveryState_data();
    void resetToDeliveryState();

private:
    QString screenName() const;
    QString setting(const QString &key) const;
    // Opens the settings screen from the main page by touch.
    Systemsettings *openByTouch();
    // Presses a hardware key (F1..F6) at the focused widget, as the board does.
    void hardwareKey(Qt::Key key);

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<SimBoard> m_board;
    std::unique_ptr<MainMenu> m_window;
    std::unique_ptr<EventHandler> m_filter;
};

void TestSettingsScreen::init()
{
    SKIP_OUTSIDE_THIS_PART();
    g_debugFeatures = 0;
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->write(kSettings, QStringLiteral("[Bluetooth]\nMicrophone_ID=%1\nMicrophone_Name=GX-4 0815\n"
                                                    "Headphone_ID=%2\nHeadphone_Name=Phones\n"
                                                    "[Systemsettings]\nBrightness=6\nDisplayOffTime=600\n"
                                                    "PowerOffTime=3600\nHeadphoneVolumeOffset=2\n"
                                                    "[Provisioning]\nSite=Plant 7\n")
                                           .arg(SimBoard::kUnitAddress, SimBoard::kHeadphoneAddress)
                                           .toUtf8()));
    m_board = std::make_unique<SimBoard>(m_root->root());
    QVERIFY2(m_board->isRunning(), qPrintable(m_board->error()));
    m_window = std::make_unique<MainMenu>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QVERIFY(waitForSinkDataMode(*m_window->getBtSinkInstance(), *m_board, *m_root));
}

void TestSettingsScreen::cleanup()
{
    if (m_filter)
        qApp->removeEventFilter(m_filter.get());
    m_filter.reset();
    SystemClock::setFixedNow(QDateTime());
    m_window.reset();
    m_board.reset();
    m_root.reset();
    g_debugFeatures = 0;
}

QString TestSettingsScreen::screenName() const
{
    return m_window->findChild<QStackedWidget *>("mainWidget")->currentWidget()->objectName();
}

QString TestSettingsScreen::setting(const QString &key) const
{
    return QSettings(m_root->local(kSettings), QSettings::IniFormat).value(key).toString();
}

Systemsettings *TestSettingsScreen::openByTouch()
{
    m_window->displayWidget(0, 0, 0);
    click(m_window.get(), "butManagement");
    click(m_window->managementScreen(), "butSystemsettings");
    return m_window->getInstanceSystemsettings();
}

void TestSettingsScreen::hardwareKey(Qt::Key key)
{
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : m_window.get();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QCoreApplication::processEvents();
    target = QApplication::focusWidget() ? QApplication::focusWidget() : m_window.get();
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
    QTest::qWait(80); // the filter's release settle time and the posted keys
}

// ---------------------------------------------------------------------------

void TestSettingsScreen::reachedByTouchAndKeys()
{
    Systemsettings *s = openByTouch();
    QCOMPARE(screenName(), QStringLiteral("Systemsettings"));
    QCOMPARE(m_window->getCurrentMenuLevel(), 2);
    QCOMPARE(s->currentPage(), 1);
    QCOMPARE(value(s, "butBrightness"), QStringLiteral("medium"));
    QCOMPARE(value(s, "butPowerSaving"), QStringLiteral("10 min / 1 h"));
    QCOMPARE(value(s, "butSysteminformation"), QStringLiteral("FW: 1.9.0"));
    QCOMPARE(value(s, "butDaylightSavingTime"), QStringLiteral("Wintertime"));
    QCOMPARE(value(s, "butPairedMicrophone"), QStringLiteral("GX-4 0815"));
    QCOMPARE(value(s, "butLanguage"), QStringLiteral("English"));
    QCOMPARE(value(s, "butSwitchmode"), QStringLiteral("Switch"));

    // Page buttons wrap both ways; the Escape press alone does nothing.
    click(s, "butMenuUp");
    QCOMPARE(s->currentPage(), 3);
    QVERIFY(s->findChild<QWidget *>("butLanguage")->isVisible());
    click(s, "butMenuDown");
    QCOMPARE(s->currentPage(), 1);
    click(s, "butMenuUp");
    click(s, "butMenuUp");
    click(s, "butMenuDown");
    QCOMPARE(s->currentPage(), 3);
    QTest::keyPress(s, Qt::Key_Escape);
    QCOMPARE(screenName(), QStringLiteral("Systemsettings"));
    QTest::keyRelease(s, Qt::Key_Escape);
    QCOMPARE(screenName(), QStringLiteral("mainPage"));
    QCOMPARE(m_window->getCurrentMenuLevel(), 0);

    // The management menu's other screens.
    m_window->displayWidget(4, 1, 0);
    click(m_window->managementScreen(), "butGps");
    QCOMPARE(screenName(), QStringLiteral("GpsMonitor"));
    m_window->displayWidget(4, 1, 0);
    click(m_window->managementScreen(), "butMeasurements");
    QCOMPARE(screenName(), QStringLiteral("MeasManagement"));

    // The same road with the hardware keys only: down moves the focus, select
    // presses; a value changed in the file shows at the next opening.
    QVERIFY(m_root->write(kSettings, "[Systemsettings]\nBrightness=9\n"));
    m_filter = std::make_unique<EventHandler>();
    qApp->installEventFilter(m_filter.get());
    hardwareKey(Qt::Key_F1); // power: back to the main page
    QCOMPARE(screenName(), QStringLiteral("mainPage"));
    auto walkTo = [&](const char *name) {
        for (int i = 0; i < 12 && QApplication::focusWidget()
                                      && QApplication::focusWidget()->objectName() != QLatin1String(name);
             ++i)
            hardwareKey(Qt::Key_F5);
        if (!QApplication::focusWidget() || QApplication::focusWidget()->objectName() != QLatin1String(name))
            hardwareKey(Qt::Key_F5);
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
    };
    QCOMPARE(walkTo("butManagement"), QStringLiteral("butManagement"));
    hardwareKey(Qt::Key_F4);
    QCOMPARE(screenName(), QStringLiteral("Management"));
    QCOMPARE(walkTo("butSystemsettings"), QStringLiteral("butSystemsettings"));
    hardwareKey(Qt::Key_F4);
    QCOMPARE(screenName(), QStringLiteral("Systemsettings"));
    QCOMPARE(value(s, "butBrightness"), QStringLiteral("9"));
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("butMenuBack"));
    // Up goes to the previous button: the page-up button, which select presses.
    hardwareKey(Qt::Key_F3);
    hardwareKey(Qt::Key_F4);
    QCOMPARE(s->currentPage(), 3);
    hardwareKey(Qt::Key_F1);
    QCOMPARE(screenName(), QStringLiteral("mainPage"));
}

void TestSettingsScreen::cancelledDialogsLeaveTheFile_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("byPowerKey"); // else the dialog's cancel or back button
    for (const char *b : {"butSwitchmode", "butHearingProtection", "butCustomize", "butBrightness",
                          "butPowerSaving", "butFavouriteButton", "butSysteminformation", "butReset",
                          "butLanguage", "butTime", "butDate", "butTimezone", "butDaylightSavingTime"}) {
        QTest::newRow(b) << b << true;
    }
    QTest::newRow("butPairedHeadphone") << "butPairedHeadphone" << true;
    QTest::newRow("butPairedMicrophone") << "butPairedMicrophone" << false;
    QTest::newRow("butReset back") << "butReset" << false;
    QTest::newRow("butCustomize cancel") << "butCustomize" << false;
    QTest::newRow("butBrightness cancel") << "butBrightness" << false;
}

void TestSettingsScreen::cancelledDialogsLeaveTheFile()
{
    QFETCH(QString, button);
    QFETCH(bool, byPowerKey);
    Systemsettings *s = openByTouch();
    const QString path = m_root->local(kSettings);
    const QByteArray before = m_root->read(kSettings);
    const QDateTime old = QDateTime::currentDateTime().addDays(-3);
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    const int commands = m_root->commands().size();
    const int unitMark = m_board->moduleLines("ttyO2").size();
    const int headphoneMark = m_board->moduleLines("ttyO3").size();

    if (byPowerKey) {
        m_filter = std::make_unique<EventHandler>();
        qApp->installEventFilter(m_filter.get());
    }
    ModalHand hand({[byPowerKey](QWidget *d) {
        if (byPowerKey) {
            // The power key's short press through the key filter, as on the board.
            QWidget *target = d->focusWidget() ? d->focusWidget() : d;
            QTest::keyPress(target, Qt::Key_F1);
            QTest::keyRelease(target, Qt::Key_F1);
        } else if (d->findChild<QPushButton *>("butClose"))
            click(d, "butClose");
        else if (d->findChild<QPushButton *>("butCancel"))
            click(d, "butCancel");
        else
            click(d, "butMenuBack");
    }});
    QTest::mouseClick(s->findChild<QPushButton *>(button), Qt::LeftButton);
    QCOMPARE(hand.handled(), 1);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(m_root->read(kSettings), before);
    QCOMPARE(QFileInfo(path).lastModified().toSecsSinceEpoch(), old.toSecsSinceEpoch());
    QCOMPARE(m_root->commands().mid(commands).filter("reboot"), QStringList());
    // The power key's short press returns to the main page.
    QCOMPARE(screenName(), byPowerKey ? QStringLiteral("mainPage") : QStringLiteral("Systemsettings"));

    // A cancelled pairing has freed the module: its link connects again,
    // the sensor unit's with the data link, the headphone's with A2DP only.
    if (button == QLatin1String("butPairedMicrophone")) {
        QVERIFY(waitForSinkDataMode(*m_window->getBtSinkInstance(), *m_board, *m_root));
        const QStringList lines = m_board->moduleLines("ttyO2").mid(unitMark);
        QVERIFY2(lines.indexOf("CALL " + QString::fromLatin1(SimBoard::kUnitAddress) + " 1101 RFCOMM")
                     > lines.indexOf("KILL " + QString::fromLatin1(SimBoard::kUnitAddress)),
                 qPrintable(lines.join(" | ")));
    } else if (button == QLatin1String("butPairedHeadphone")) {
        QTRY_VERIFY_WITH_TIMEOUT(m_window->getBtSourceInstance()->isConnectedA2DP(), 5000);
        const QStringList lines = m_board->moduleLines("ttyO3").mid(headphoneMark);
        QVERIFY2(lines.lastIndexOf(QRegularExpression("SET CONTROL AUTOCALL .*A2DP"))
                     > lines.indexOf("KILL " + QString::fromLatin1(SimBoard::kHeadphoneAddress)),
                 qPrintable(lines.join(" | ")));
        QVERIFY(lines.filter("RFCOMM").isEmpty());
    }
}

void TestSettingsScreen::pairingHeadphoneStartsAtPlainVolume()
{
    QCOMPARE(m_board->send("inquiry time 3000"), QStringLiteral("ok"));
    Systemsettings *s = openByTouch();
    QCOMPARE(value(s, "butPairedHeadphone"), QStringLiteral("Phones"));
    ModalHand hand({[this](QWidget *d) {
        click(d, "butSearch");
        QTRY_VERIFY_WITH_TIMEOUT(!d->findChild<QWidget *>("butBtDev_1")->isHidden(), 20000);
        click(d, "butBtDev_1");
    }});
    click(s, "butPairedHeadphone");
    QCOMPARE(setting("Bluetooth/Headphone_Name"), QStringLiteral("Headset HS-20"));
    QCOMPARE(setting("Systemsettings/HeadphoneVolumeOffset"), QStringLiteral("0"));
    QCOMPARE(setting("Bluetooth/Microphone_Name"), QStringLiteral("GX-4 0815"));
    QCOMPARE(value(s, "butPairedHeadphone"), QStringLiteral("Headset HS-20"));
    QTRY_VERIFY_WITH_TIMEOUT(m_window->getBtSourceInstance()->isConnectedA2DP(), 5000);
}

void TestSettingsScreen::acceptedDialogsStoreAndAct()
{
    SystemClock::setFixedNow(QDateTime(QDate(2026, 3, 4), QTime(10, 20, 30)));
    Systemsettings *s = openByTouch();
    auto accept = [](QWidget *d) { click(d, "butAccept"); };
    // The last gain the headphone module got (the dialog sets it too while
    // the user changes the offset; the screen's is the one that stays).
    auto headphoneGain = [&](const QString &gain) {
        return QTest::qWaitFor(
            [&] {
                const QStringList gains = m_board->moduleLines("ttyO3").filter("SET CONTROL GAIN ");
                return !gains.isEmpty() && gains.last() == "SET CONTROL GAIN " + gain + " f";
            },
            3000);
    };

    // Hearing protection off with offset 3: the headphone module's gain is 8;
    // on: 1. The offset comes in as stored (2), one step up.
    ModalHand offset({[&](QWidget *d) {
        click(d, "butDisabled");
        click(d, "butVolUp");
        accept(d);
    }});
    click(s, "butHearingProtection");
    QCOMPARE(setting("Systemsettings/HeadphoneVolumeOffset"), QStringLiteral("3"));
    QCOMPARE(setting("Systemsettings/HearingProtection"), QStringLiteral("false"));
    QVERIFY(headphoneGain("8"));
    QCOMPARE(value(s, "butHearingProtection"), QStringLiteral("Inactive"));
    ModalHand protect({[&](QWidget *d) {
        click(d, "butEnabled");
        accept(d);
    }});
    click(s, "butHearingProtection");
    QCOMPARE(setting("Systemsettings/HearingProtection"), QStringLiteral("true"));
    QVERIFY(headphoneGain("1"));
    QCOMPARE(value(s, "butHearingProtection"), QStringLiteral("Active"));

    // Date format 2 and the manual clock source: stored, shown, and the
    // receiver no longer sets the clock.
    ModalHand date({[&](QWidget *d) {
        click(d, "butFormat_MMDDYYYY");
        click(d, "butManual");
        accept(d);
    }});
    click(s, "butDate");
    QCOMPARE(setting("Local-Settings/Dateformat"), QStringLiteral("MMDDYYYY"));
    QCOMPARE(setting("Local-Settings/DateTimeSource"), QStringLiteral("MAN"));
    QCOMPARE(value(s, "butDate"), QStringLiteral("03/04/2026"));
    QVERIFY(!m_window->getGpsInstance()->isSystemTimeSettingRequested());

    // Brightness high: on the backlight at once, stored, shown.
    ModalHand bright({[&](QWidget *d) {
        click(d, "butBrightnessHigh");
        accept(d);
    }});
    click(s, "butBrightness");
    QCOMPARE(setting("Systemsettings/Brightness"), QStringLiteral("7"));
    QCOMPARE(m_root->sysfsWritesTo("/sys/class/backlight/backlight/brightness").last(), QStringLiteral("7"));
    QCOMPARE(value(s, "butBrightness"), QStringLiteral("high"));

    // Power saving: the entry shows the backlight's time, then the power-off time.
    ModalHand saving({[&](QWidget *d) {
        click(d, "butBl_2");
        click(d, "butPow_5");
        accept(d);
    }});
    click(s, "butPowerSaving");
    QCOMPARE(value(s, "butPowerSaving"), QStringLiteral("1 min / 3 h"));

    // German: stored, the card's catalogue is loaded and the screen renamed
    // the language at once.
    QFile de(QStringLiteral(TQ3900_TEST_DATA "/DE_TQ3900.qm"));
    QVERIFY(de.open(QIODevice::ReadOnly));
    QVERIFY(m_root->write("/media/tq3900/DE_TQ3900.qm", de.readAll()));
    ModalHand language({[](QWidget *d) { click(d, "butGerman"); }});
    click(s, "butLanguage");
    QCOMPARE(setting("Local-Settings/Language"), QStringLiteral("2"));
    QCOMPARE(value(s, "butLanguage"), QStringLiteral("German"));
    m_window->displayWidget(0, 0, 0);
    QCOMPARE(m_window->findChild<QPushButton *>("butPinpointing")->text(), QStringLiteral("Punktortung (Karte)"));

    // Every store kept the key the store does not know, and the pairing.
    QCOMPARE(setting("Provisioning/Site"), QStringLiteral("Plant 7"));
    QCOMPARE(setting("Bluetooth/Headphone_ID"), QString::fromLatin1(SimBoard::kHeadphoneAddress));
}

void TestSettingsScreen::displayOptionsCouplings()
{
    // Stored flags breaking a coupling come back unchanged when untouched.
    CustomizeDialogs d(m_window.get());
    d.init();
    d.setH2Parameter(false, true, false, true);
    d.setPipelocatingParameter(false, true, false, true);
    bool h[4];
    bool p[4];
    d.getH2Parameter(&h[0], &h[1], &h[2], &h[3]);
    QCOMPARE(QVector<bool>(h, h + 4), QVector<bool>({false, true, false, true}));

    click(&d, "butShowHistogramH2"); // off -> on: histogram only
    click(&d, "butShowHistogramH2"); // on -> off: grid goes too
    d.getH2Parameter(&h[0], &h[1], &h[2], &h[3]);
    QCOMPARE(QVector<bool>(h, h + 4), QVector<bool>({false, false, false, true}));
    click(&d, "butShowGridH2"); // grid on brings the histogram
    d.getH2Parameter(&h[0], &h[1], &h[2], &h[3]);
    QCOMPARE(QVector<bool>(h, h + 2), QVector<bool>({true, true}));
    QVERIFY(d.findChild<QPushButton *>("butShowGridH2")->styleSheet().contains("Checkbox_checked_44px.png"));

    click(&d, "butShowFftPL"); // spectrum on: value and filter parameter off
    d.getPipelocatingParameter(&p[0], &p[1], &p[2], &p[3]);
    QCOMPARE(QVector<bool>(p, p + 4), QVector<bool>({true, false, false, false}));
    QVERIFY(d.findChild<QPushButton *>("butShowFilterParameterPL")->styleSheet().contains("Checkbox_unchecked"));
    click(&d, "butShowFilterParameterPL"); // filter parameter on: spectrum off
    d.getPipelocatingParameter(&p[0], &p[1], &p[2], &p[3]);
    QCOMPARE(QVector<bool>(p, p + 4), QVector<bool>({false, false, false, true}));

    click(&d, "butMenuUp");
    QCOMPARE(d.currentPage(), 6);
    click(&d, "butMenuDown");
    QCOMPARE(d.currentPage(), 1);

    // Through the screen: the GPS start-up toggle switches the simulated
    // receiver at once, even when the dialog is then cancelled; accepted
    // flags reach the file in the dialog's argument order.
    Systemsettings *s = openByTouch();
    QVERIFY(m_board->send("gps status").startsWith("sending"));
    const QByteArray before = m_root->read(kSettings);
    ModalHand gps({[](QWidget *dlg) {
        click(dlg, "butMenuUp");
        click(dlg, "butStartWithGps");
        click(dlg, "butClose");
    }});
    click(s, "butCustomize");
    QCOMPARE(m_root->read(kSettings), before);
    QCOMPARE(m_root->sysfsWritesTo("/sys/class/gpio/gpio16/value").last(), QStringLiteral("0"));
    QVERIFY(QTest::qWaitFor([&] { return m_board->send("gps status").startsWith("unpowered"); }, 2000));

    // The level page's boxes as the dialog opens show the stored flags; read
    // in the hand, compared once the dialog is closed.
    QStringList levelBoxes;
    ModalHand options({[&levelBoxes](QWidget *dlg) {
        for (const char *box : {"butShowFft", "butShowFrequencyValue", "butShowPeakLevelBar",
                                "butUseFrequencyColorForLevelbar"}) {
            auto *b = dlg->findChild<QPushButton *>(QLatin1String(box));
            levelBoxes << (!b ? QStringLiteral("no box")
                           : b->styleSheet().contains(QLatin1String("Checkbox_checked_44px.png")) ? QStringLiteral("ticked")
                           : b->styleSheet().contains(QLatin1String("Checkbox_unchecked_44px.png")) ? QStringLiteral("clear")
                                                                                                  : b->styleSheet());
        }
        click(dlg, "butShowPeakLevelBar");      // page 1, third: peak level bar on
        click(dlg, "butMenuDown");
        click(dlg, "butDynamicScaling");        // pinpointing scaling off
        for (int i = 0; i < 4; ++i)
            click(dlg, "butMenuDown");
        click(dlg, "butStartWithFavourite");    // start-up page
        click(dlg, "butStartWithFilter");
        click(dlg, "butStartWithGps");          // receiver on again
        click(dlg, "butAccept");
    }});
    click(s, "butCustomize");
    QCOMPARE(levelBoxes, QStringList({"ticked", "ticked", "clear", "clear"}));
    QCOMPARE(setting("Dialogconfiguration/LevelMeasurement_ShowPeakLevelBar"), QStringLiteral("true"));
    QCOMPARE(setting("Dialogconfiguration/LevelMeasurement_UseFrequencyColorForLevelbar"), QStringLiteral("false"));
    QCOMPARE(setting("Dialogconfiguration/Pinpointing_DynamicScaling"), QStringLiteral("false"));
    QCOMPARE(setting("Dialogconfiguration/Pipelocating_ShowFrequencyValue"), QStringLiteral("true"));
    QCOMPARE(setting("Dialogconfiguration/Startup_UseFavouriteForStartup"), QStringLiteral("true"));
    QCOMPARE(setting("Dialogconfiguration/Startup_UseFilterForStartup"), QStringLiteral("true"));
    QCOMPARE(setting("Dialogconfiguration/Startup_UseGpsForStartup"), QStringLiteral("false"));
    QCOMPARE(m_root->sysfsWritesTo("/sys/class/gpio/gpio16/value").last(), QStringLiteral("0"));
    QVERIFY(m_window->getInstanceSystemsettings()->isShowPeakLevelBarEnabled());
}

void TestSettingsScreen::resetToDeliveryState_data()
{
    QTest::addColumn<QString>("answer"); // "yes", "no", "escape" in the question; "back" before it
    QTest::newRow("yes") << "yes";
    QTest::newRow("no") << "no";
    QTest::newRow("escape") << "escape";
    QTest::newRow("back") << "back";
}

void TestSettingsScreen::resetToDeliveryState()
{
    QFETCH(QString, answer);
    QVERIFY(m_root->write("/media/tq3900/meas/LE_20260101_101010_M1/info.ini", "[General]\nType=0\n"));
    Systemsettings *s = openByTouch();
    m_window->changeLanguage(2);
    const QByteArray before = m_root->read(kSettings);
    const int commands = m_root->commands().size();

    std::deque<ModalHand::Action> steps;
    QString question;
    if (answer == QLatin1String("back")) {
        steps.push_back([](QWidget *d) { click(d, "butMenuBack"); });
    } else {
        steps.push_back([](QWidget *d) { click(d, "butReset"); });
        steps.push_back([answer, &question](QWidget *q) {
            question = q->findChild<QLabel *>("labelHeadline")->text() + " / "
                    + q->findChild<QLabel *>("labelInfotext")->text();
            if (answer == QLatin1String("yes"))
                click(q, "butMiddle");
            else if (answer == QLatin1String("no"))
                click(q, "butRight");
            else
                powerKey(q);
        });
    }
    ModalHand hand(steps);
    click(s, "butReset");
    QCOMPARE(hand.handled(), int(steps.size()));
    // The question as the loaded catalogue words it (the card has no German
    // catalogue here, so the built-in English one stays).
    if (answer != QLatin1String("back"))
        QCOMPARE(question, QStringLiteral("Warning / Do you really want to reset all settings?"));

    const QStringList ttyO2 = m_board->moduleLines("ttyO2");
    const QStringList ttyO3 = m_board->moduleLines("ttyO3");
    QCOMPARE(m_root->read("/media/tq3900/meas/LE_20260101_101010_M1/info.ini"), QByteArray("[General]\nType=0\n"));
    if (answer != QLatin1String("yes")) {
        QCOMPARE(m_root->read(kSettings), before);
        QVERIFY(!m_root->commands().mid(commands).contains("reboot"));
        QVERIFY(!ttyO2.contains("SET BT PAIR *"));
        QVERIFY(!ttyO3.contains("SET BT PAIR *"));
        return;
    }
    // The delivery state in the file (the unknown key stays), English again.
    QCOMPARE(setting("Local-Settings/Language"), QStringLiteral("1"));
    QCOMPARE(setting("Bluetooth/Microphone_ID"), QString());
    QCOMPARE(setting("Bluetooth/Headphone_ID"), QString());
    QCOMPARE(setting("Systemsettings/HeadphoneVolumeOffset"), QStringLiteral("0"));
    QCOMPARE(setting("Provisioning/Site"), QStringLiteral("Plant 7"));
    QCOMPARE(m_window->findChild<QPushButton *>("butPinpointing")->text(), QStringLiteral("Pinpointing"));
    QCOMPARE(value(s, "butPairedMicrophone"), QString());
    // Both modules forget their pairings, the sensor unit's first; the file
    // was written before; "reboot" is the last command.
    QVERIFY(QTest::qWaitFor([&] { return m_board->moduleLines("ttyO3").contains("SET BT PAIR *"); }, 5000));
    QVERIFY(QTest::qWaitFor([&] { return m_board->moduleLines("ttyO2").contains("SET BT PAIR *"); }, 5000));
    QTime unitPair;
    QTime headphonePair;
    for (const auto &l : m_board->moduleLog("ttyO2"))
        if (l.second == QLatin1String("SET BT PAIR *"))
            unitPair = l.first;
    for (const auto &l : m_board->moduleLog("ttyO3"))
        if (l.second == QLatin1String("SET BT PAIR *"))
            headphonePair = l.first;
    QVERIFY2(unitPair <= headphonePair, qPrintable(unitPair.toString("hh:mm:ss.zzz") + " "
                                                   + headphonePair.toString("hh:mm:ss.zzz")));
    QVERIFY(QFileInfo(m_root->local(kSettings)).lastModified().time() <= unitPair.addMSecs(1));
    QCOMPARE(m_root->commands().last(), QStringLiteral("reboot"));
}

QTEST_MAIN(TestSettingsScreen)
#include "tst_settingsscreen.moc"
