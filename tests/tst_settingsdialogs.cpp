// The settings dialogs for the mute-key mode, the brightness, the language and
// power saving, driven through their buttons and keys on a real main window:
// what the store writes to the settings file, what reaches the simulated
// backlight, which catalogue a chosen language loads, and the pictures the
// switches show.
#include "displaysettings.h"
#include "eventhandler.h"
#include "languageselect.h"
#include "mainmenu.h"
#include "powersaving.h"
#include "selectswitchmode.h"
#include "systemsettings.h"
#include "testpart.h"
#include "testroot.h"

#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStackedWidget>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const char kBacklight[] = "/sys/class/backlight/backlight/brightness";

// The picture a button's style sheet shows (file name only); fails the test
// when the resource is not in the program.
QString picture(QWidget *w)
{
    const auto m = QRegularExpression(QStringLiteral("image: url\\(([^)]+)\\)")).match(w->styleSheet());
    if (!m.hasMatch() || !QFile::exists(m.captured(1)))
        return QStringLiteral("missing: ") + w->styleSheet();
    return m.captured(1).section(QLatin1Char('/'), -1);
}

QPushButton *button(QWidget *dialog, const QString &name)
{
    auto *b = dialog->findChild<QPushButton *>(name);
    if (!b)
        qWarning() << "no button" << name;
    return b;
}

void click(QWidget *dialog, const QString &name)
{
    if (QPushButton *b = button(dialog, name))
        QTest::mouseClick(b, Qt::LeftButton);
}

// Runs the dialog and does what inside its event loop; the result of exec().
int run(QDialog &dialog, const std::function<void()> &what)
{
    QTimer::singleShot(0, &dialog, what);
    QTimer::singleShot(5000, &dialog, [&dialog] { dialog.done(-1); }); // never hang
    return dialog.exec();
}

int visiblePage(LanguageSelect &dialog)
{
    return dialog.findChild<QStackedWidget *>("mainArea")->currentIndex() + 1;
}

} // namespace

class TestSettingsDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void muteKeyModeRoundTripsThroughTheStore_data();
    void muteKeyModeRoundTripsThroughTheStore();
    void brightnessFollowsTheChoiceOnTheBacklight_data();
    void brightnessFollowsTheChoiceOnTheBacklight();
    void languageButtonsLoadTheirCatalogue_data();
    void languageButtonsLoadTheirCatalogue();
    void languagePagesAndChoiceSurviveClosing();
    void powerSavingTimes_data();
    void powerSavingTimes();
    void escapeActsAtItsReleaseOnly_data();
    void escapeActsAtItsReleaseOnly();

private:
    Systemsettings *store() const { return m_window->getInstanceSystemsettings(); }

    std::unique_ptr<TestRoot> m_root;
    std::unique_ptr<MainMenu> m_window;
};

void TestSettingsDialogs::init()
{
    SKIP_OUTSIDE_THIS_PART();
    m_root = std::make_unique<TestRoot>();
    QVERIFY(m_root->isValid());
    m_window = std::make_unique<MainMenu>();
}

void TestSettingsDialogs::cleanup()
{
    m_window.reset();
    m_root.reset();
}

// ---------------------------------------------------------------------------
// Mute-key mode

void TestSettingsDialogs::muteKeyModeRoundTripsThroughTheStore_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("presses");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("switchPicture");

    QTest::newRow("empty shows the lower position") << "" << QStringList{} << "" << "Radioswitch_bottom_2x40px.png";
    QTest::newRow("unknown text kept") << "switch" << QStringList{} << "switch" << "Radioswitch_bottom_2x40px.png";
    QTest::newRow("slide from unknown") << "Toggle" << QStringList{"butSwitchSelect"} << "Switch"
                                        << "Radioswitch_top_2x40px.png";
    QTest::newRow("slide twice") << "Switch" << QStringList{"butSwitchSelect", "butSwitchSelect"} << "Switch"
                                 << "Radioswitch_top_2x40px.png";
    QTest::newRow("push-button text") << "Switch" << QStringList{"butPushButton"} << "Push-Button"
                                      << "Radioswitch_bottom_2x40px.png";
    QTest::newRow("switch text") << "Push-Button" << QStringList{"butSwitch"} << "Switch"
                                 << "Radioswitch_top_2x40px.png";
    QTest::newRow("slide to push-button") << "Switch" << QStringList{"butSwitchSelect"} << "Push-Button"
                                          << "Radioswitch_bottom_2x40px.png";
}

void TestSettingsDialogs::muteKeyModeRoundTripsThroughTheStore()
{
    QFETCH(QString, stored);
    QFETCH(QStringList, presses);
    QFETCH(QString, chosen);
    QFETCH(QString, switchPicture);

    SelectSwitchmode dialog;
    dialog.init(stored);
    QCOMPARE(dialog.getSwitchmode(), stored);
    QCOMPARE(picture(dialog.findChild<QWidget *>("labelSwitch")), QStringLiteral("SwitchMode_Switch_ws_40px.png"));
    QCOMPARE(picture(dialog.findChild<QWidget *>("labelButton")), QStringLiteral("SwitchMode_Button_ws_40px.png"));
    const int result = run(dialog, [&] {
        for (const QString &b : presses)
            click(&dialog, b);
        click(&dialog, "butAccept");
    });
    QCOMPARE(result, 1);
    QCOMPARE(dialog.getSwitchmode(), chosen);
    QCOMPARE(picture(button(&dialog, "butSwitchSelect")), switchPicture);

    // The settings screen takes the mode over and stores it; the file holds
    // the exact text and the next start reads the same mode back.
    store()->m_switchmode = dialog.getSwitchmode();
    store()->storeSystemsettings();
    QSettings file(m_root->local("/home/root/settings.ini"), QSettings::IniFormat);
    QCOMPARE(file.value("Systemsettings/Switchmode").toString(), chosen);
    store()->m_switchmode.clear();
    store()->loadSystemsettings();
    QCOMPARE(store()->isMuteKeySwitchmode(), chosen == "Switch");

    SelectSwitchmode reopened;
    reopened.init(store()->m_switchmode);
    QCOMPARE(reopened.getSwitchmode(), chosen);
    QCOMPARE(picture(button(&reopened, "butSwitchSelect")), switchPicture);
}

// ---------------------------------------------------------------------------
// Brightness

void TestSettingsDialogs::brightnessFollowsTheChoiceOnTheBacklight_data()
{
    QTest::addColumn<QByteArray>("backlight"); // file content at opening; empty: no file
    QTest::addColumn<int>("storedLevel");
    QTest::addColumn<QStringList>("presses");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("switchPicture");

    const QString sel = "butBrightnessSelect";
    QTest::newRow("high with line feed") << QByteArray("7\n") << 6 << QStringList{} << true << QStringList{"7"} << 7
                                         << "high" << "Radioswitch_top_3x40px.png";
    QTest::newRow("foreign level 3 opens at medium")
        << QByteArray("3") << 6 << QStringList{} << true << QStringList{"6"} << 6 << "medium"
        << "Radioswitch_middle_3x40px.png";
    QTest::newRow("no number opens at medium") << QByteArray("bright\n") << 6 << QStringList{} << true
                                               << QStringList{"6"} << 6 << "medium" << "Radioswitch_middle_3x40px.png";
    QTest::newRow("switch steps low, high, medium")
        << QByteArray("6\n") << 6 << QStringList{sel, sel, sel} << true << QStringList{"6", "5", "7", "6"} << 6
        << "medium" << "Radioswitch_middle_3x40px.png";
    QTest::newRow("low button") << QByteArray("7") << 7 << QStringList{"butBrightnessLow"} << true
                                << QStringList{"7", "5"} << 5 << "low" << "Radioswitch_bottom_3x40px.png";
    QTest::newRow("high then medium button")
        << QByteArray("5") << 5 << QStringList{"butBrightnessHigh", "butBrightnessMedium"} << true
        << QStringList{"5", "7", "6"} << 6 << "medium" << "Radioswitch_middle_3x40px.png";
    // Rejected: the stored level goes back on the backlight.
    QTest::newRow("reject restores stored") << QByteArray("7") << 5 << QStringList{"butBrightnessHigh"} << false
                                            << QStringList{"7", "7", "5"} << 7 << "high"
                                            << "Radioswitch_top_3x40px.png";
    QTest::newRow("reject with unusable stored level")
        << QByteArray("5") << 0 << QStringList{sel} << false << QStringList{"5", "7", "6"} << 7 << "high"
        << "Radioswitch_top_3x40px.png";
    QTest::newRow("unreadable backlight") << QByteArray() << 6 << QStringList{} << true << QStringList{} << 6
                                          << "medium" << "Radioswitch_middle_3x40px.png";
}

void TestSettingsDialogs::brightnessFollowsTheChoiceOnTheBacklight()
{
    QFETCH(QByteArray, backlight);
    QFETCH(int, storedLevel);
    QFETCH(QStringList, presses);
    QFETCH(bool, accept);
    QFETCH(QStringList, writes);
    QFETCH(int, level);
    QFETCH(QString, text);
    QFETCH(QString, switchPicture);

    if (backlight.isEmpty())
        QVERIFY(QFile::remove(m_root->local(kBacklight)));
    else
        QVERIFY(m_root->write(kBacklight, backlight));
    store()->m_brightness = storedLevel;
    m_root->clearJournals();

    Displaysettings dialog;
    dialog.init();
    const int result = run(dialog, [&] {
        for (const QString &b : presses)
            click(&dialog, b);
        click(&dialog, accept ? "butAccept" : "butClose");
    });
    QCOMPARE(result, accept ? 1 : 0);
    QCOMPARE(m_root->sysfsWritesTo(kBacklight), writes);
    if (!writes.isEmpty())
        QCOMPARE(QString::fromLatin1(m_root->read(kBacklight)), writes.last());
    else
        QVERIFY(!m_root->exists(kBacklight)); // not created
    QString shown;
    QCOMPARE(dialog.getBrightness(&shown), level);
    QCOMPARE(shown, text);
    QCOMPARE(picture(button(&dialog, "butBrightnessSelect")), switchPicture);
}

// ---------------------------------------------------------------------------
// Language

void TestSettingsDialogs::languageButtonsLoadTheirCatalogue_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("flag");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("catalogue");

    // Top to bottom, page by page, as the user sees them.
    const struct {
        const char *name;
        const char *flag;
        int number;
        const char *code;
    } pages[5][5] = {
        {{"English", "USA", 1, "GB"},
         {"German", "German", 2, "DE"},
         {"French", "French", 3, "FR"},
         {"Spanish", "Spanish", 5, "ES"},
         {"Italian", "Italian", 4, "IT"}},
        {{"Russian", "Russian", 9, "RU"},
         {"Chinese", "Chinese", 6, "CN"},
         {"Czech", "Czech", 7, "CZ"},
         {"Hungarian", "Hungarian", 8, "HU"},
         {"Slovenian", "Slovenian", 10, "SI"}},
        {{"Polish", "Polish", 12, "PL"},
         {"Romanian", "Romanian", 14, "RO"},
         {"Slovakian", "Slovakian", 15, "SK"},
         {"Portuguese", "Portuguese", 13, "PT"},
         {"Japanese", "Japanese", 11, "JP"}},
        {{"Swedish", "Swedish", 16, "SE"},
         {"Suomi", "Suomi", 17, "FI"},
         {"Danish", "Danish", 18, "DK"},
         {"Norwegian", "Norwegian", 19, "NO"},
         {"Bulgarian", "Bulgarian", 20, "BG"}},
        {{"Croatian", "Croatian", 21, "HR"},
         {"Korean", "Korean", 22, "KR"},
         {"Serbian", "Serbian", 23, "RS"},
         {"Turkish", "Turkish", 24, "TR"},
         {nullptr, nullptr, 0, nullptr}},
    };
    for (int p = 0; p < 5; ++p)
        for (const auto &l : pages[p])
            if (l.name)
                QTest::newRow(l.name) << p + 1 << l.name << l.flag << l.number
                                      << QStringLiteral("%1_TQ3900.qm").arg(l.code);
}

void TestSettingsDialogs::languageButtonsLoadTheirCatalogue()
{
    QFETCH(int, page);
    QFETCH(QString, name);
    QFETCH(QString, flag);
    QFETCH(int, number);
    QFETCH(QString, catalogue);

    // The German test catalogue lies on the card under the expected name
    // only: loading any other catalogue leaves the English texts.
    QFile de(QStringLiteral(TQ3900_TEST_DATA "/DE_TQ3900.qm"));
    QVERIFY(de.open(QIODevice::ReadOnly));
    QVERIFY(m_root->write("/media/tq3900/" + catalogue, de.readAll()));

    LanguageSelect dialog(store());
    QPushButton *b = button(&dialog, "but" + name);
    QVERIFY(b);
    QCOMPARE(b->text(), name);
    QCOMPARE(Systemsettings::getLanguageName(number), name);
    QCOMPARE(picture(b), flag + ".png");
    QCOMPARE(b->geometry().width(), 416);

    int shownPage = 0;
    bool buttonVisible = false;
    const int result = run(dialog, [&] {
        for (int i = 1; i < page; ++i)
            click(&dialog, "butMenuDown");
        shownPage = visiblePage(dialog);
        buttonVisible = b->isVisible();
        QTest::mouseClick(b, Qt::LeftButton);
    });
    QCOMPARE(shownPage, page);
    QVERIFY(buttonVisible);
    QCOMPARE(result, 1);
    QCOMPARE(dialog.getSelectedLanguage(), number);

    m_window->changeLanguage(dialog.getSelectedLanguage());
    m_window->displayWidget(0, 0, 0); // the main page sets its texts anew
    QCOMPARE(m_window->findChild<QPushButton *>("butPinpointing")->text(), QStringLiteral("Punktortung (Karte)"));
}

void TestSettingsDialogs::languagePagesAndChoiceSurviveClosing()
{
    LanguageSelect dialog(store());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Select language"));
    QCOMPARE(dialog.getSelectedLanguage(), 1);
    QCOMPARE(visiblePage(dialog), 1);

    // Up on page 1 wraps to page 5 with its four languages; Down wraps back.
    QList<int> pages;
    int visibleButtons = 0;
    QCOMPARE(run(dialog,
                 [&] {
                     click(&dialog, "butMenuUp");
                     pages << visiblePage(dialog);
                     for (QPushButton *b : dialog.findChild<QStackedWidget *>("mainArea")->findChildren<QPushButton *>())
                         visibleButtons += b->isVisible();
                     click(&dialog, "butMenuDown");
                     pages << visiblePage(dialog);
                     click(&dialog, "butMenuDown");
                     click(&dialog, "butMenuDown");
                     pages << visiblePage(dialog);
                     click(&dialog, "butMenuBack");
                 }),
             0);
    QCOMPARE(pages, QList<int>({5, 1, 3}));
    QCOMPARE(visibleButtons, 4);
    QCOMPARE(dialog.getSelectedLanguage(), 1);

    // Reopened on page 3; a choice there is kept after the power key closes
    // the next opening.
    int reopenedOn = 0;
    QCOMPARE(run(dialog,
                 [&] {
                     reopenedOn = visiblePage(dialog);
                     click(&dialog, "butPortuguese");
                 }),
             1);
    QCOMPARE(reopenedOn, 3);
    QCOMPARE(dialog.getSelectedLanguage(), 13);
    QCOMPARE(run(dialog,
                 [&] {
                     reopenedOn = visiblePage(dialog);
                     QTest::keyRelease(&dialog, Qt::Key_Escape);
                 }),
             0);
    QCOMPARE(reopenedOn, 3);
    QCOMPARE(dialog.getSelectedLanguage(), 13);
    for (const char *icon : {"Triangle_up_ws_44px", "Triangle_up_sw_44px", "Triangle_down_ws_44px",
                             "Triangle_down_sw_44px", "Back_ws_44px", "Back_sw_44px"})
        QVERIFY2(QFile::exists(QStringLiteral(":/Resources/Icons/Allgemein/%1.png").arg(icon)), icon);
}

// ---------------------------------------------------------------------------
// Power saving

void TestSettingsDialogs::powerSavingTimes_data()
{
    QTest::addColumn<int>("powerOff");
    QTest::addColumn<int>("backlightOff");
    QTest::addColumn<QStringList>("presses");
    // Power-off and backlight-off time after each press, "power/backlight".
    QTest::addColumn<QStringList>("trail");
    // After accepting: time, text and switch position of each column.
    QTest::addColumn<int>("power");
    QTest::addColumn<QString>("powerText");
    QTest::addColumn<int>("powerPosition");
    QTest::addColumn<int>("backlight");
    QTest::addColumn<QString>("backlightText");
    QTest::addColumn<int>("backlightPosition");

    const QString pow = "butSwitchPower";
    const QString bl = "butSwitchBacklight";
    QTest::newRow("stored times") << 3600 << 600 << QStringList{} << QStringList{} << 3600 << "1 h" << 3 << 600
                                  << "10 min" << 4;
    QTest::newRow("times outside the tables")
        << 5000 << 45 << QStringList{} << QStringList{} << 3600 << "1 h" << 3 << 600 << "10 min" << 4;
    QTest::newRow("-1 is never and stays") << -1 << -1 << QStringList{} << QStringList{} << -1 << "never" << 6 << -1
                                           << "never" << 6;
    QTest::newRow("power switch round")
        << 600 << 30 << QStringList{pow, pow, pow, pow, pow, pow}
        << QStringList{"1800/30", "3600/30", "7200/30", "10800/30", "0/30", "600/30"} << 600 << "10 min" << 1 << 30
        << "30 s" << 1;
    QTest::newRow("backlight switch past never") << 0 << 1800 << QStringList{bl, bl} << QStringList{"0/0", "0/30"}
                                                 << 0 << "never" << 6 << 30 << "30 s" << 1;
    QTest::newRow("switch from -1 wraps") << -1 << -1 << QStringList{pow, bl} << QStringList{"600/-1", "600/30"}
                                          << 600 << "10 min" << 1 << 30 << "30 s" << 1;
    QTest::newRow("switch from outside the table") << 5000 << 45 << QStringList{pow, bl}
                                                   << QStringList{"7200/600", "7200/1800"} << 7200 << "2 h" << 4
                                                   << 1800 << "30 min" << 5;
    QTest::newRow("time buttons") << 3600 << 600 << QStringList{"butPow_5", "butBl_2", "butPow_6", "butBl_3"}
                                  << QStringList{"10800/600", "10800/60", "0/60", "0/300"} << 0 << "never" << 6 << 300
                                  << "5 min" << 3;
}

void TestSettingsDialogs::powerSavingTimes()
{
    QFETCH(int, powerOff);
    QFETCH(int, backlightOff);
    QFETCH(QStringList, presses);
    QFETCH(QStringList, trail);
    QFETCH(int, power);
    QFETCH(QString, powerText);
    QFETCH(int, powerPosition);
    QFETCH(int, backlight);
    QFETCH(QString, backlightText);
    QFETCH(int, backlightPosition);

    PowerSaving dialog;
    dialog.init(powerOff, backlightOff);
    QStringList seen;
    QString focusAtOpening;
    const int result = run(dialog, [&] {
        focusAtOpening = dialog.focusWidget() ? dialog.focusWidget()->objectName() : QString();
        for (const QString &b : presses) {
            click(&dialog, b);
            seen << QStringLiteral("%1/%2").arg(dialog.getPowerOffTime(nullptr)).arg(dialog.getBacklightOffTime(nullptr));
        }
        click(&dialog, "butAccept");
    });
    QCOMPARE(result, 1);
    QCOMPARE(seen, trail);
    // The highlighted (focused) time button at the opening matches the power
    // switch as it opened: a time outside the table shows the default.
    const QList<int> powerTimes = {600, 1800, 3600, 7200, 10800, 0};
    const int opened = powerOff == -1 ? 6 : powerTimes.contains(powerOff) ? powerTimes.indexOf(powerOff) + 1 : 3;
    QCOMPARE(focusAtOpening, QStringLiteral("butPow_%1").arg(opened));

    QString text;
    QCOMPARE(dialog.getPowerOffTime(&text), power);
    QCOMPARE(text, powerText);
    QCOMPARE(dialog.getBacklightOffTime(&text), backlight);
    QCOMPARE(text, backlightText);
    QCOMPARE(picture(button(&dialog, "butSwitchPower")), QStringLiteral("Radioswitch_pos%1_6x38px.png").arg(powerPosition));
    QCOMPARE(picture(button(&dialog, "butSwitchBacklight")),
             QStringLiteral("Radioswitch_pos%1_6x38px.png").arg(backlightPosition));
}

// ---------------------------------------------------------------------------
// Keys

void TestSettingsDialogs::escapeActsAtItsReleaseOnly_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<bool>("throughKeyFilter"); // the power key's short press
    for (const char *d : {"SelectSwitchmode", "Displaysettings", "LanguageSelect", "PowerSaving"}) {
        QTest::newRow(qPrintable(QStringLiteral("%1 Escape").arg(d))) << d << false;
        QTest::newRow(qPrintable(QStringLiteral("%1 power key").arg(d))) << d << true;
    }
}

void TestSettingsDialogs::escapeActsAtItsReleaseOnly()
{
    QFETCH(QString, dialog);
    QFETCH(bool, throughKeyFilter);

    std::unique_ptr<QDialog> d;
    if (dialog == "SelectSwitchmode") {
        auto *s = new SelectSwitchmode;
        s->init("Switch");
        d.reset(s);
    } else if (dialog == "Displaysettings") {
        auto *s = new Displaysettings;
        s->init();
        d.reset(s);
    } else if (dialog == "LanguageSelect") {
        d = std::make_unique<LanguageSelect>();
    } else {
        auto *s = new PowerSaving;
        s->init(3600, 600);
        d.reset(s);
    }
    EventHandler filter;
    if (throughKeyFilter)
        qApp->installEventFilter(&filter);

    bool openAfterPress = false;
    const int result = run(*d, [&] {
        QWidget *target = d->focusWidget() ? d->focusWidget() : d.get();
        if (throughKeyFilter) {
            QTest::keyPress(target, Qt::Key_F1);
            openAfterPress = d->isVisible();
            QTest::keyRelease(target, Qt::Key_F1);
        } else {
            // Neither the Escape press nor Return (no default button) closes.
            QTest::keyPress(d.get(), Qt::Key_Escape);
            QTest::keyPress(d.get(), Qt::Key_Return);
            QTest::keyRelease(d.get(), Qt::Key_Return);
            openAfterPress = d->isVisible();
            QTest::keyRelease(d.get(), Qt::Key_Escape);
        }
    });
    qApp->removeEventFilter(&filter);
    QVERIFY(openAfterPress);
    QCOMPARE(result, 0);
}

QTEST_MAIN(TestSettingsDialogs)
#include "tst_settingsdialogs.moc"
